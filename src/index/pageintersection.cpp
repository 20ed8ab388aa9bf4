#include "index/pageintersection.h"

#include <algorithm>
#include <cassert>

namespace tevarin {

size_t GallopTo(const uint32_t* list, size_t j, size_t n, uint32_t p) {
  if (j >= n || list[j] >= p) return j;
  size_t lo = j, step = 1, hi = j + 1;
  while (hi < n && list[hi] < p) {
    lo = hi;
    step *= 2;
    hi = lo + step;
  }
  if (hi > n) hi = n;
  return static_cast<size_t>(std::lower_bound(list + lo + 1, list + hi, p) - list);
}

void PageIntersection::Start(const uint32_t* list, size_t n) {
  m_first = list;
  m_firstSize = n;
  m_pages.clear();
  m_carried.assign(1, Carried{list, n});
  if (m_index.empty()) m_index.emplace_back();
  m_index[0].clear();
}

void PageIntersection::Narrow(const uint32_t* list, size_t n) {
  assert(std::is_sorted(list, list + n));
  // Before the first Narrow the kept pages are Start's list, each at its own
  // index there; they are materialised while this list is merged against them.
  const bool fromFirst = m_first != nullptr;
  const uint32_t* kept0 = fromFirst ? m_first : m_pages.data();
  const size_t m = Size();
  if (fromFirst) {
    m_pages.resize(m);
    m_index[0].resize(m);
    m_first = nullptr;
  }
  // The indexes of the lists carried so far move along with the pages; this
  // list's are noted when it is carried too.
  const size_t before = m_carried.size();
  const bool carry = before < kCarried;
  if (carry) {
    m_carried.push_back(Carried{list, n});
    if (m_index.size() < m_carried.size()) m_index.emplace_back();
    m_index[before].resize(m);
  }
  uint32_t* pages = m_pages.data();
  uint32_t* own = carry ? m_index[before].data() : nullptr;
  auto keep = [&](size_t kept, size_t c, size_t j) {
    pages[kept] = kept0[c];
    if (fromFirst) {
      m_index[0][kept] = static_cast<uint32_t>(c);
    } else {
      for (size_t k = 0; k < before; ++k) m_index[k][kept] = m_index[k][c];
    }
    if (own) own[kept] = static_cast<uint32_t>(j);
  };
  size_t kept = 0;
  if (n / 8 > m) {
    // A long list: gallop to each page kept so far.
    size_t j = 0;
    for (size_t c = 0; c < m; ++c) {
      const uint32_t p = kept0[c];
      j = GallopTo(list, j, n, p);
      if (j == n) break;
      if (list[j] == p) keep(kept++, c, j);
    }
  } else {
    // Lists of similar length: a merge whose steps do not branch on the
    // data; every step writes its candidate and keeps it when both agree.
    size_t c = 0, j = 0;
    while (c < m && j < n) {
      const uint32_t p = kept0[c];
      const uint32_t q = list[j];
      keep(kept, c, j);
      kept += p == q;
      c += p <= q;
      j += q <= p;
    }
  }
  m_pages.resize(kept);
  for (size_t k = 0; k < m_carried.size(); ++k) m_index[k].resize(kept);
}

const uint32_t* PageIntersection::Locate(const uint32_t* list, size_t n,
                                         std::vector<uint32_t>& scratch) const {
  const size_t m = Size();
  for (size_t k = 0; k < m_carried.size(); ++k) {
    if (m_carried[k].list != list || m_carried[k].size != n) continue;
    if (!m_first) return m_index[k].data();
    // No Narrow yet: the kept pages are Start's list itself.
    scratch.resize(m);
    for (size_t c = 0; c < m; ++c) scratch[c] = static_cast<uint32_t>(c);
    return scratch.data();
  }
  scratch.resize(m);
  if (n / 8 > m) {
    size_t j = 0;
    for (size_t c = 0; c < m; ++c) {
      j = GallopTo(list, j, n, Page(c));
      scratch[c] = static_cast<uint32_t>(j);
    }
  } else {
    // Every kept page is in the list: one step per list entry, writing the
    // entry's index as the candidate's and moving on when they agree.
    size_t c = 0;
    const uint32_t* pages = m_first ? m_first : m_pages.data();
    for (size_t j = 0; j < n && c < m; ++j) {
      scratch[c] = static_cast<uint32_t>(j);
      c += list[j] == pages[c];
    }
    assert(c == m);  // the list holds every kept page
  }
  return scratch.data();
}

}  // namespace tevarin
