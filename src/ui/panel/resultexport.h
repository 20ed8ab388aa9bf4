// Export of the result list and of the concordance.
//
// The result list: every result of the last search (all result
// pages, not only the hundred shown) written to a CSV or TSV file, UTF-8,
// with a header line. The columns are those of the list — division, book,
// volume, page — then the record index in the book store and the number of
// hits on the page.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "catalog/concordance.h"
#include "catalog/delimitedtext.h"
#include "catalog/searchresult.h"

namespace tevarin {

// The column names of the header line, in the interface's language.
QStringList ResultExportHeader();

// The whole file: the header line, then one line per result, in the order
// of the results.
std::string ResultExportText(const std::vector<SearchNodeTag>& results, const QStringList& header,
                             DelimitedFormat format);

// Writes the file in one piece (a file that exists is replaced only once the
// new one is complete). False, with the reason in error, when it cannot be
// written.
bool WriteResultExport(const QString& path, const std::vector<SearchNodeTag>& results,
                       DelimitedFormat format, QString* error);

// Writes concordance lines to path, in the order given, with the columns
// of catalog/concordanceexport.h, in one piece as WriteResultExport does.
// False, with the reason in error, when it cannot be written.
bool WriteConcordanceFile(const QString& path, const std::vector<ConcordanceLine>& lines, DelimitedFormat format,
                          QString* error);

// The format a file name asks for: its extension when it is .csv or .tsv
// (any case), else the type chosen in the save dialog (csvChosen).
DelimitedFormat ExportFormatFor(const QString& path, bool csvChosen);

}  // namespace tevarin
