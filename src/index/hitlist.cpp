#include "index/hitlist.h"

#include <algorithm>
#include <cassert>
#include <cstddef>

namespace tevarin {

void HitList::Clear() {
  m_pages.clear();
  m_counts.clear();
  m_pageCount = 0;
  m_orderValid = false;
}

const std::vector<uint64_t>& HitList::Order() {
  if (!m_orderValid || m_order.size() != m_pages.size()) {
    m_order.resize(m_pages.size());
    for (size_t i = 0; i < m_pages.size(); ++i) m_order[i] = uint64_t(m_pages[i]) << 32 | i;
    std::sort(m_order.begin(), m_order.end());
    m_orderValid = true;
  }
  return m_order;
}

void HitList::Merge(CombineMode mode, bool countHits, StepHits& step) {
  std::vector<uint32_t>& stepPages = step.pages;
  std::vector<uint32_t>& stepCounts = step.counts;
  assert(std::is_sorted(stepPages.begin(), stepPages.end()));
  assert(!countHits || stepCounts.size() == stepPages.size());
  // The lists swap places so that both keep their memory for the next search.
  if (mode == CombineMode::Replace) {
    m_pages.swap(stepPages);
    if (countHits)
      m_counts.swap(stepCounts);
    else
      m_counts.clear();
    m_pageCount = static_cast<int32_t>(m_pages.size());
    m_orderValid = false;
    return;
  }
  const size_t before = m_pages.size();
  const bool haveCounts = countHits && m_counts.size() == before;

  if (mode == CombineMode::Union) {
    // The list in page order, kept from the last Union step: one walk pairs
    // it with the step's ascending pages, and the pages appended are merged
    // into it, so the list is never sorted again.
    const std::vector<uint64_t>& byPage = Order();
    std::vector<uint64_t>& added = m_orderScratch;
    added.clear();
    size_t o = 0;
    int32_t appended = 0;
    for (size_t i = 0; i < stepPages.size(); ++i) {
      const uint32_t page = stepPages[i];
      while (o < before && (byPage[o] >> 32) < page) ++o;
      if (o < before && (byPage[o] >> 32) == page) {
        if (haveCounts) m_counts[byPage[o] & 0xFFFFFFFFu] += stepCounts[i];
      } else {
        added.push_back(uint64_t(page) << 32 | m_pages.size());
        m_pages.push_back(page);
        if (countHits) m_counts.push_back(stepCounts[i]);
        ++appended;
      }
    }
    m_pageCount += appended;
    if (!countHits) m_counts.clear();
    if (!added.empty()) {
      const size_t old = m_order.size();
      m_order.insert(m_order.end(), added.begin(), added.end());
      std::inplace_merge(m_order.begin(), m_order.begin() + static_cast<std::ptrdiff_t>(old),
                         m_order.end());
    }
    return;
  }

  // Intersect: the list in page order (it usually is already), paired with
  // the step's ascending pages in one walk; the step's lists are compacted
  // in place to the pages the list holds, then take its place.
  const bool sorted = std::is_sorted(m_pages.begin(), m_pages.end());
  const std::vector<uint64_t>* byPage = sorted ? nullptr : &Order();
  auto pageAt = [&](size_t o) { return sorted ? m_pages[o] : uint32_t((*byPage)[o] >> 32); };
  auto placeAt = [&](size_t o) { return sorted ? o : size_t((*byPage)[o] & 0xFFFFFFFFu); };
  size_t kept = 0;
  size_t o = 0;
  for (size_t i = 0; i < stepPages.size(); ++i) {
    const uint32_t page = stepPages[i];
    while (o < before && pageAt(o) < page) ++o;
    if (o == before) break;
    if (pageAt(o) != page) continue;
    stepPages[kept] = page;
    if (countHits) stepCounts[kept] = stepCounts[i] + (haveCounts ? m_counts[placeAt(o)] : 0);
    ++kept;
  }
  stepPages.resize(kept);
  m_pages.swap(stepPages);
  if (countHits) {
    stepCounts.resize(kept);
    m_counts.swap(stepCounts);
  } else {
    m_counts.clear();
  }
  m_pageCount = static_cast<int32_t>(m_pages.size());
  m_orderValid = false;
}

}  // namespace tevarin
