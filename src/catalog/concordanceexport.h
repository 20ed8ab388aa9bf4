// Concordance lines as a table: one record per line, with the columns
// record, division, book, volume, page, part ("body" or "notes"), anchor,
// left, match, right. The command line's kwic and the desktop program's
// export write the same table.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "catalog/concordance.h"
#include "catalog/delimitedtext.h"

namespace tevarin {

// The column names of the header line.
const std::vector<std::string>& ConcordanceExportColumns();

// The fields of one line, UTF-8, in the order of the columns. A place the
// line lacks (no catalogue) is an empty title; a page number of 0 is "0".
std::vector<std::string> ConcordanceExportRow(const ConcordanceLine& line);

// Writes the header line, then every line in the order given, and flushes
// out. False when the stream did not take everything.
bool WriteConcordanceExport(std::ostream& out, const std::vector<ConcordanceLine>& lines, DelimitedFormat format);

}  // namespace tevarin
