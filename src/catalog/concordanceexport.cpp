#include "catalog/concordanceexport.h"

#include "catalog/contenttree.h"

namespace tevarin {

namespace {

std::string Title(const ContentsNodeTag* node) { return node ? Utf8FromUtf16(node->name) : std::string(); }

}  // namespace

const std::vector<std::string>& ConcordanceExportColumns() {
  static const std::vector<std::string> columns = {"record", "division", "book", "volume", "page",
                                                   "part",   "anchor",   "left", "match",  "right"};
  return columns;
}

std::vector<std::string> ConcordanceExportRow(const ConcordanceLine& line) {
  return {std::to_string(line.record),      Title(line.place.division),   Title(line.place.book),
          Title(line.place.volume),         std::to_string(line.place.pageNo), line.inNotes ? "notes" : "body",
          std::to_string(line.anchor),      Utf8FromUtf16(line.left),     Utf8FromUtf16(line.match),
          Utf8FromUtf16(line.right)};
}

bool WriteConcordanceExport(std::ostream& out, const std::vector<ConcordanceLine>& lines, DelimitedFormat format) {
  DelimitedWriter writer(out, format);
  writer.Header(ConcordanceExportColumns());
  for (const ConcordanceLine& line : lines) writer.Row(ConcordanceExportRow(line));
  out.flush();
  return writer.Good();
}

}  // namespace tevarin
