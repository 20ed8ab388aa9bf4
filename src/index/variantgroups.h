// VariantGroupList: the groups of the variant-character table, kept flat.
//
// A table can hold millions of groups (one per line) or one group of millions
// of members; one array of all members and one of where each group starts
// keep the cost at a few bytes per member and per group, where a list of lists
// would spend a heap block on every group. A group reads as a span of code
// points; the list reads like a list of groups (size, [], range-for) and
// compares equal to a list of lists with the same groups.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
#include <vector>

namespace tevarin {

class VariantGroupList {
 public:
  using Group = std::span<const uint32_t>;

  size_t size() const { return m_start.size(); }
  bool empty() const { return m_start.empty(); }
  Group operator[](size_t g) const {
    assert(g < m_start.size());
    const size_t end = g + 1 < m_start.size() ? m_start[g + 1] : m_members.size();
    return Group(m_members.data() + m_start[g], end - m_start[g]);
  }
  size_t MemberCount() const { return m_members.size(); }

  void clear() {
    m_members = {};
    m_start = {};
  }
  // Opens a new, empty group at the end; Add appends members to it.
  void NewGroup() { m_start.push_back(m_members.size()); }
  void Add(uint32_t member) { m_members.push_back(member); }

  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = Group;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = Group;
    const_iterator() = default;
    const_iterator(const VariantGroupList* list, size_t g) : m_list(list), m_g(g) {}
    Group operator*() const { return (*m_list)[m_g]; }
    const_iterator& operator++() {
      ++m_g;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator old = *this;
      ++m_g;
      return old;
    }
    bool operator==(const const_iterator& o) const { return m_g == o.m_g; }

   private:
    const VariantGroupList* m_list = nullptr;
    size_t m_g = 0;
  };
  const_iterator begin() const { return const_iterator(this, 0); }
  const_iterator end() const { return const_iterator(this, size()); }

  friend bool operator==(const VariantGroupList& a, const std::vector<std::vector<uint32_t>>& b) {
    if (a.size() != b.size()) return false;
    for (size_t g = 0; g < b.size(); ++g) {
      const Group x = a[g];
      if (x.size() != b[g].size()) return false;
      for (size_t k = 0; k < x.size(); ++k)
        if (x[k] != b[g][k]) return false;
    }
    return true;
  }

 private:
  std::vector<uint32_t> m_members;  // every group's members, group after group
  std::vector<size_t> m_start;      // index in m_members of each group's first member
};

}  // namespace tevarin
