// The engine half of showing a table-of-contents page: which record holds page
// `page` of a catalogue entry, and its stored bytes.
#pragma once

#include <cstdint>
#include <string>

#include "base/status.h"

namespace tevarin {

class CIndex;
class CCatalogue;
struct NodeItem;

struct TocPage {
  int32_t record = -1;  // record index in the book store
  int32_t pageNo = 0;   // the page number shown
  std::string bytes;    // the stored page, unchanged
};

// Finds page `page` of entry (its first page, curFileName, when useFirstPage)
// and reads it. The record is looked up from the entry's first record
// (docID - 1) by page number. A page number outside curFileName ..
// curFileName + docNo - 1, or one that no record of the entry carries, is
// refused instead of showing whatever record the lookup stopped at; so is a
// closed collection. The Status says why.
Status LoadTocPage(const CIndex& index, const NodeItem& entry, bool useFirstPage, int32_t page,
                   TocPage& out);

// The same for catalogue entry `entry` (1 .. NodeCount() - 1); other entry
// indices are refused.
Status LoadTocPage(const CIndex& index, const CCatalogue& catalogue, int entry, bool useFirstPage,
                   int32_t page, TocPage& out);


}  // namespace tevarin
