// PageIntersection: the pages that several strictly ascending page lists all
// hold.
//
// Start takes the first list; every Narrow keeps the pages another list also
// holds. For each list asked to, the index of each kept page in that list is
// recorded, so that a search can go straight to the entries it examines. A
// list much longer than the pages kept so far is searched by galloping, a
// list of similar length merged. The buffers are kept between uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tevarin {

// First index at or after j of an ascending list whose page is not below p
// (n when none): doubling steps, then a bisection.
size_t GallopTo(const uint32_t* list, size_t j, size_t n, uint32_t p);

class PageIntersection {
 public:
  // The first list (list number 0); it is read, not copied, until the first
  // Narrow, so it must stay unchanged until then.
  void Start(const uint32_t* list, size_t n);
  // Keeps the pages that list holds. With keepIndex, returns the list number
  // under which Index answers for it; else -1.
  int Narrow(const uint32_t* list, size_t n, bool keepIndex);

  size_t Size() const { return m_first ? m_firstSize : m_pages.size(); }
  // After a Narrow: the c-th kept page, and its index in list number `list`.
  uint32_t Page(size_t c) const { return m_pages[c]; }
  uint32_t Index(int list, size_t c) const { return m_index[static_cast<size_t>(list)][c]; }
  const uint32_t* Indexes(int list) const { return m_index[static_cast<size_t>(list)].data(); }

 private:
  const uint32_t* m_first = nullptr;  // Start's list, until the first Narrow
  size_t m_firstSize = 0;
  std::vector<uint32_t> m_pages;
  std::vector<std::vector<uint32_t>> m_index;
  size_t m_lists = 0;  // index lists in use
};

}  // namespace tevarin
