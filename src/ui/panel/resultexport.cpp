#include "ui/panel/resultexport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSaveFile>
#include <sstream>

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

bool WriteResultExport(const QString& path, const std::vector<SearchNodeTag>& results,
                       DelimitedFormat format, QString* error) {
  const std::string text = ResultExportText(results, ResultExportHeader(), format);
  QSaveFile out(path);
  if (!out.open(QIODevice::WriteOnly) ||
      out.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) ||
      !out.commit()) {
    if (error) *error = out.errorString();
    return false;
  }
  return true;
}

DelimitedFormat ExportFormatFor(const QString& path, bool csvChosen) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("csv")) return DelimitedFormat::Csv;
  if (suffix == QLatin1String("tsv")) return DelimitedFormat::Tsv;
  return csvChosen ? DelimitedFormat::Csv : DelimitedFormat::Tsv;
}

}  // namespace tevarin
