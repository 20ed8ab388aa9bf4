#include "ui/panel/resultexport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSaveFile>
#include <sstream>

#include "catalog/concordanceexport.h"
#include "ui/panel/sortlistctrl.h"

namespace tevarin {

QStringList ResultExportHeader() {
  // The list's own headings, then the two columns the list keeps out of sight.
  return CSortListCtrl::Headings() << QCoreApplication::translate("ResultExport", "レコード")
                                   << QCoreApplication::translate("ResultExport", "箇所");
}

std::string ResultExportText(const std::vector<SearchNodeTag>& results, const QStringList& header,
                             DelimitedFormat format) {
  std::ostringstream out;
  DelimitedWriter writer(out, format);
  std::vector<std::string> columns;
  for (const QString& h : header) columns.push_back(h.toStdString());
  writer.Header(columns);
  for (const SearchNodeTag& r : results)
    writer.Row({Utf8FromUtf16(r.strClass), Utf8FromUtf16(r.strBook), Utf8FromUtf16(r.strVolume),
                std::to_string(r.nPageNo), std::to_string(r.nRecord), std::to_string(r.nHits)});
  return out.str();
}

namespace {

// Writes text to path in one piece: a file that exists is replaced only once
// the new one is complete.
bool WriteWhole(const QString& path, const std::string& text, QString* error) {
  QSaveFile out(path);
  if (!out.open(QIODevice::WriteOnly) ||
      out.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) ||
      !out.commit()) {
    if (error) *error = out.errorString();
    return false;
  }
  return true;
}

}  // namespace

bool WriteResultExport(const QString& path, const std::vector<SearchNodeTag>& results,
                       DelimitedFormat format, QString* error) {
  return WriteWhole(path, ResultExportText(results, ResultExportHeader(), format), error);
}

bool WriteConcordanceFile(const QString& path, const std::vector<ConcordanceLine>& lines, DelimitedFormat format,
                          QString* error) {
  std::ostringstream text;
  WriteConcordanceExport(text, lines, format);
  return WriteWhole(path, text.str(), error);
}

DelimitedFormat ExportFormatFor(const QString& path, bool csvChosen) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("csv")) return DelimitedFormat::Csv;
  if (suffix == QLatin1String("tsv")) return DelimitedFormat::Tsv;
  return csvChosen ? DelimitedFormat::Csv : DelimitedFormat::Tsv;
}

}  // namespace tevarin
