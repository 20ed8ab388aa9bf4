// The engine half of showing a table-of-contents page: which record holds page
// `page` of a catalogue entry, and its stored bytes.
#pragma once

#include <cstdint>
#include <string>

class CIndex;
struct NodeItem;

struct TocPage {
  int32_t record = -1;
  int32_t pageNo = 0;
  std::string bytes;
};

// Finds page `page` of entry (its first page when useFirstPage) and reads it.
// A page number that no record of the entry carries is refused, instead of
// showing whatever record the lookup stopped at; error says why.
bool LoadTocPage(const CIndex& index, const NodeItem& entry, bool useFirstPage, int32_t page,
                 TocPage& out, std::string& error);
