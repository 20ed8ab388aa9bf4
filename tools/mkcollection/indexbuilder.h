// Building the three full-text indexes from the stored pages.
//
// The indexed characters of a page are the characters of its text cell (the
// first cell on even page numbers, the second on odd ones) that have a slot
// (CharToSlot), markup excluded, in page order. Each index numbers the
// characters of its own scope 0, 1, 2, ... across the whole cell:
//   "Index"          body and note runs,
//   "Index_content"  body runs only,
//   "Index_desc"     note runs only.
// A character that belongs to variant group g is also posted under the group
// slot 88065 + g, so that slot holds the merged postings of all its members.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "writer/indexwriter.h"

enum class IndexScope { Whole = 0, Body = 1, Notes = 2 };
inline constexpr const char* kIndexNames[3] = {"Index", "Index_content", "Index_desc"};

struct PageCharacters {
  std::vector<uint32_t> scope[3];  // by IndexScope
};

// The indexed characters of a stored page with the given page number.
void IndexedCharacters(std::string_view page, int32_t pageNo, PageCharacters& out);

class IndexBuilder {
 public:
  // groups[g] lists the members of variant group g.
  explicit IndexBuilder(const std::vector<std::vector<uint32_t>>& groups);

  // Posts the page's characters under record; pages must come in ascending
  // record order. False with a reason on a value the index format cannot hold
  // (more than 65535 bytes of positions for one character on one page).
  bool AddPage(uint32_t record, std::string_view page, int32_t pageNo, std::string& error);
  // Writes the three indexes into folder.
  bool Write(const std::string& folder, std::string& error);

  uint64_t Indexed(IndexScope s) const { return m_indexed[static_cast<int>(s)]; }

 private:
  bool Post(int scope, uint32_t record, const std::vector<uint32_t>& chars, std::string& error);

  std::vector<int32_t> m_groupOfSlot;  // character slot -> group slot, or -1
  IndexWriter m_writers[3];
  uint64_t m_indexed[3] = {0, 0, 0};
  PageCharacters m_chars;
  std::vector<std::pair<int32_t, uint32_t>> m_hits;  // slot, position
  std::vector<uint32_t> m_positions;
};
