// PageIntersection: the pages that several strictly ascending page lists all
// hold.
//
// Start takes the first list; every Narrow keeps the pages another list also
// holds. Locate then finds where each kept page stands in one of the lists,
// so that a search can go straight to the entries it examines. For the first
// kCarried lists the narrowing notes it as it goes (their indexes move along
// with the kept pages); for the others it is looked up afterwards, so that
// narrowing costs at most kCarried index moves per kept page, however many
// lists there are. A list much longer than the pages kept so far is searched
// by galloping, a list of similar length merged. The buffers are kept
// between uses.
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
  // The first list; it is read, not copied, until the first Narrow, so it
  // must stay unchanged until then.
  void Start(const uint32_t* list, size_t n);
  // Keeps the pages list also holds.
  void Narrow(const uint32_t* list, size_t n);

  size_t Size() const { return m_first ? m_firstSize : m_pages.size(); }
  uint32_t Page(size_t c) const { return m_first ? m_first[c] : m_pages[c]; }
  // The index in list of every kept page, in order: the narrowing's own note
  // for a carried list, else looked up into scratch. list must hold every
  // kept page (Start's list or one narrowed with). Valid until the next
  // Start or Narrow (and while scratch is left alone).
  const uint32_t* Locate(const uint32_t* list, size_t n, std::vector<uint32_t>& scratch) const;

 private:
  static constexpr size_t kCarried = 8;
  const uint32_t* m_first = nullptr;  // Start's list, until the first Narrow
  size_t m_firstSize = 0;
  std::vector<uint32_t> m_pages;
  // The lists whose indexes are carried (Start's list first), and for each
  // its index of every kept page.
  struct Carried {
    const uint32_t* list;
    size_t size;
  };
  std::vector<Carried> m_carried;
  std::vector<std::vector<uint32_t>> m_index;
};

}  // namespace tevarin
