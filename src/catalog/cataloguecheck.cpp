#include "catalog/cataloguecheck.h"

#include <sys/stat.h>

#include <string>
#include <vector>

#include "catalog/catalogue.h"
#include "catalog/catalogueformat.h"
#include "text/codeconverter.h"

namespace tevarin {

namespace {

int64_t FileSizeOf(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

std::string Utf8(const std::u16string& s) {
  std::string out;
  ConvertUtf16ToUtf8(s, out, true);
  return out;
}

}  // namespace

Status CheckCatalogue(const std::string& folder, const BookFacts& book, CheckReport& report) {
  CheckReport::Part part(report, "catalogue");
  const std::string path = folder + "/" + kCatalogueName;
  const int64_t size = FileSizeOf(path);
  CCatalogue catalogue;
  if (size < 0 || !catalogue.Load(folder)) {
    part.Problem(path + " is missing or unreadable: the table of contents is empty",
                 size < 0 ? StatusCode::kNotFound : StatusCode::kIo);
    return part.Finish();
  }
  // Entries 1.. of the reader's table, in file order.
  const std::vector<NodeItem> entries(catalogue.Items().begin() + 1, catalogue.Items().end());
  if (!book.open) {
    part.Problem("not checked: the book store does not open", StatusCode::kInvalid);
    return part.Finish();
  }
  const int64_t recordSize = static_cast<int64_t>(kCatalogueRecordSize);
  if (size % recordSize != 0)
    part.Problem("the file ends in a partial record of " + std::to_string(size % recordSize) +
                 " bytes, which the reader ignores");
  if (size / recordSize > CCatalogue::kMaxEntries)
    part.Problem(std::to_string(size / recordSize) + " records, but the table holds " +
                 std::to_string(CCatalogue::kMaxEntries) + ": the rest are ignored");
  if (entries.empty()) part.Problem("no entries: the table of contents is empty");
  const int32_t recordCount = book.recordCount;
  const std::vector<int32_t>& pageNumbers = book.pageNumbers;
  constexpr int32_t kNoPageNumber = BookFacts::kNoPageNumber;

  // Which leaf entry (volume) holds each record, to find records no volume holds.
  std::vector<bool> covered(static_cast<size_t>(recordCount), false);
  std::vector<int> ancestors;      // entry numbers of the open ancestors, by level - 1
  std::vector<int> lastChild;  // per open entry depth: its last child so far
  int counts[4] = {0, 0, 0, 0};
  const size_t n = entries.size();
  for (size_t k = 0; k < n; ++k) {
    const NodeItem& e = entries[k];
    const int number = static_cast<int>(k) + 1;  // 1-based entry index
    const std::string which = "entry " + std::to_string(number) + " \"" + Utf8(e.Name()) + "\"";
    if (e.name[kCatalogueNameUnits - 1] != 0)
      part.Problem(which + ": its name fills all 100 characters without a terminating NUL");
    if (e.level < 1 || e.level > 3) {
      part.Problem(which + ": level " + std::to_string(e.level) +
                   " is none of 1 (division), 2 (book), 3 (volume)");
      continue;
    }
    ++counts[e.level];
    if (static_cast<size_t>(e.level) > ancestors.size() + 1) {
      part.Problem(which + ": a level-" + std::to_string(e.level) + " entry without a level-" +
                   std::to_string(e.level - 1) + " entry before it");
      continue;
    }
    ancestors.resize(static_cast<size_t>(e.level - 1));
    lastChild.resize(static_cast<size_t>(e.level));
    const int64_t first = int64_t(e.docID) - 1;
    const int64_t last = first + e.docNo - 1;
    bool inTable = true;
    if (e.docID < 1 || e.docNo < 1) {
      part.Problem(which + ": docID " + std::to_string(e.docID) + " and docNo " +
                   std::to_string(e.docNo) + " name no pages");
      inTable = false;
    } else if (last >= recordCount) {
      part.Problem(which + ": records " + std::to_string(first) + ".." + std::to_string(last) +
                   " lie outside the page table (" + std::to_string(recordCount) + " records)");
      inTable = false;
    }
    if (!ancestors.empty()) {
      const NodeItem& parent = entries[static_cast<size_t>(ancestors.back() - 1)];
      const int64_t pFirst = int64_t(parent.docID) - 1, pLast = pFirst + parent.docNo - 1;
      if (first < pFirst || last > pLast)
        part.Problem(which + ": records " + std::to_string(first) + ".." + std::to_string(last) +
                     " are not inside those of its parent, entry " + std::to_string(ancestors.back()) +
                     " (" + std::to_string(pFirst) + ".." + std::to_string(pLast) + ")");
    }
    const int prev = lastChild[static_cast<size_t>(e.level - 1)];
    if (prev > 0) {
      const NodeItem& p = entries[static_cast<size_t>(prev - 1)];
      const int64_t prevLast = int64_t(p.docID) - 1 + p.docNo - 1;
      if (first <= prevLast)
        part.Problem(which + ": records " + std::to_string(first) + ".." + std::to_string(last) +
                     " do not follow those of the entry before it at its level, entry " +
                     std::to_string(prev) + " (up to " + std::to_string(prevLast) + ")");
    }
    lastChild[static_cast<size_t>(e.level - 1)] = number;
    ancestors.push_back(number);

    if (!inTable) continue;
    if (pageNumbers[static_cast<size_t>(first)] != e.curFileName)
      part.Problem(which + ": curFileName " + std::to_string(e.curFileName) +
                   " is not the page number of its first record " + std::to_string(first) + " (" +
                   (pageNumbers[static_cast<size_t>(first)] == kNoPageNumber
                        ? std::string("none")
                        : std::to_string(pageNumbers[static_cast<size_t>(first)])) +
                   ")");
    const bool leaf = k + 1 >= n || entries[k + 1].level <= e.level;
    if (!leaf) continue;
    for (int64_t r = first; r <= last; ++r) {
      covered[static_cast<size_t>(r)] = true;
      const int64_t expect = int64_t(e.curFileName) + (r - first);
      if (pageNumbers[static_cast<size_t>(r)] != expect) {
        part.Problem(which + ": record " + std::to_string(r) + " should carry page number " +
                     std::to_string(expect) + " but carries " +
                     (pageNumbers[static_cast<size_t>(r)] == kNoPageNumber
                          ? std::string("none")
                          : std::to_string(pageNumbers[static_cast<size_t>(r)])));
        break;
      }
    }
  }
  for (int64_t r = 0; r < recordCount;) {
    if (covered[static_cast<size_t>(r)]) {
      ++r;
      continue;
    }
    int64_t end = r;
    while (end + 1 < recordCount && !covered[static_cast<size_t>(end + 1)]) ++end;
    part.Problem("records " + std::to_string(r) + ".." + std::to_string(end) +
                 " lie in no volume: the table of contents cannot show them");
    r = end + 1;
  }
  report.AddSummary("catalogue: " + std::to_string(entries.size()) + " entries (" +
                    std::to_string(counts[1]) + " divisions, " + std::to_string(counts[2]) +
                    " books, " + std::to_string(counts[3]) + " volumes)");
  return part.Finish();
}

}  // namespace tevarin
