// Search results inside a range of the table of contents, and their paging:
// 100 results to a result page.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "catalog/contenttree.h"

namespace tevarin {

struct SearchNodeTag {
  std::u16string strClass;   // division title
  std::u16string strBook;    // book title
  std::u16string strVolume;  // volume title; empty when no volume holds the page
  int32_t nRecord = 0;       // record index in the book store
  int32_t nPageNo = 0;       // page number inside its volume; 0 when no volume
  int32_t nHits = 0;
};

inline constexpr int kResultsPerPage = 100;

// Fills results from the engine's hit pages and counts, keeping the pages that
// lie inside rangeNode, titled by the range node's level; sorted by page
// number. Returns the total number of hits inside the range. Without a range
// node (no catalogue) every page is kept, untitled.
int32_t BuildSearchResult(const ContentsNodeTag* rangeNode, const std::vector<uint32_t>& pages,
                          const std::vector<uint32_t>& counts, std::vector<SearchNodeTag>& results);

// Number of result pages: ceiling(results / 100).
inline int ResultPageCount(size_t results) {
  return static_cast<int>((results + kResultsPerPage - 1) / kResultsPerPage);
}

// Indices [first, last) of the results shown on result page curPage (1-based).
inline std::pair<size_t, size_t> ResultPageRows(int curPage, size_t results) {
  if (curPage < 1) return {0, 0};
  const size_t first = static_cast<size_t>(curPage - 1) * kResultsPerPage;
  if (first >= results) return {results, results};
  return {first, std::min(results, first + kResultsPerPage)};
}

// Enabled states of the paging controls.
struct PagingState {
  bool prevEnabled = true;
  bool nextEnabled = true;
  bool editReadOnly = false;
};
PagingState ComputePaging(int curPage, int pageCount);

// A typed number the way the page edit reads it: leading white space, an
// optional sign, then decimal digits up to the first other character; no
// digits gives 0.
int32_t ParseTypedNumber(std::u16string_view text);
// Whether a typed page number can be shown (1..pageCount).
inline bool AcceptTypedPage(int32_t n, int pageCount) { return n > 0 && n <= pageCount; }

// "全部で %d 頁で、%d 箇所でした。"
std::u16string SummaryText(int32_t pages, int32_t hits);

}  // namespace tevarin
