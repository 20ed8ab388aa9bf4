// HitList: the pages of the last search with their hit counts, and how one
// keyword's pages merge into it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tevarin {

// How one keyword's pages combine with the hit list.
enum class CombineMode : int { Replace = 0, Union = 1, Intersect = 2 };

// One keyword's pages (ascending) and, when hits are counted, their counts,
// before they are merged into the hit list.
struct StepHits {
  std::vector<uint32_t> pages;
  std::vector<uint32_t> counts;
  void Clear() {
    pages.clear();
    counts.clear();
  }
};

class HitList {
 public:
  const std::vector<uint32_t>& Pages() const { return m_pages; }
  const std::vector<uint32_t>& Counts() const { return m_counts; }
  int32_t PageCount() const { return m_pageCount; }

  void Clear();

  // Merges one keyword's pages into the list.
  //   Replace: the list becomes the step's pages.
  //   Union: pages already listed get the step's count added; the others are
  //   appended in the step's order.
  //   Intersect: the step's pages that the list holds, in the step's order,
  //   with both counts summed.
  // Without countHits the list keeps no counts. The step's vectors are
  // swapped with the list's where that saves a copy: they hold anything
  // afterwards, and keep their memory for the next step.
  void Merge(CombineMode mode, bool countHits, StepHits& step);

 private:
  // The list's pages in ascending order with their places in it
  // (page << 32 | place), built when it is not up to date.
  const std::vector<uint64_t>& Order();

  std::vector<uint32_t> m_pages;
  std::vector<uint32_t> m_counts;
  int32_t m_pageCount = 0;
  // The list in page order, kept up to date by Union steps (which append
  // out of order) so that each keyword of an "or" search of many keywords is
  // merged in one walk; any other change of the list makes it stale.
  std::vector<uint64_t> m_order;
  std::vector<uint64_t> m_orderScratch;
  bool m_orderValid = false;
};

}  // namespace tevarin
