// Building the three full-text indexes from the stored pages.
//
// What is indexed is taken from each stored page itself, the way the reader
// takes it apart (store/pagetext.h): the page's text cell is cut into body
// and note runs, tags are skipped and entities decoded, and the letters and
// ideographs are indexed (text/indexedchars.h); punctuation, symbols, spaces
// and Latin letters (which have no slot) take no position. Positions count
// the indexed characters of the page from 0, each index its own:
//   "Index"          body and note runs, in page order;
//   "Index_content"  body runs only;
//   "Index_desc"     note runs only.
// A hit page finds its matches over the same characters, so its anchors are
// the hits the search counts.
// A character that belongs to variant group g is posted a second time under
// slot 88065 + g, so the group slot holds the merged postings of its members.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "variantgroups.h"
#include "writer/indexwriter.h"

namespace tevarin {

// One run of a page's text cell as indexed: note or body, and its code points
// (all of them, with or without a slot).
struct IndexedRun {
  bool note = false;
  std::vector<uint32_t> codePoints;
};

// The runs of a stored page's text cell, tags stripped and entities decoded.
std::vector<IndexedRun> IndexedText(std::string_view page, int pageNumber);

class CollectionIndexer {
 public:
  enum Which { kFull = 0, kBody = 1, kNotes = 2 };
  static constexpr const char* kNames[3] = {"Index", "Index_content", "Index_desc"};

  explicit CollectionIndexer(const VariantGroupVector& groups);

  // Pages must come in ascending record order.
  bool AddPage(uint32_t record, int pageNumber, std::string_view page, std::string& error);
  // Writes the six index files into folder. IndexWriter fills the two
  // reserved header tables with zeros: the reader keeps them and never looks
  // at them.
  bool Write(const std::string& folder, std::string& error);

  uint64_t IndexedCharacters(int which) const { return m_indexed[which]; }

 private:
  bool Post(int which, uint32_t record, std::vector<std::pair<int, uint32_t>>& pairs,
            std::string& error);

  std::vector<int32_t> m_groupOfSlot;  // slot -> group number, -1 when none
  IndexWriter m_writers[3];
  uint64_t m_indexed[3] = {0, 0, 0};
  std::vector<std::pair<int, uint32_t>> m_pairs[3];  // scratch: (slot, position)
  std::vector<uint32_t> m_positions;                 // scratch
};

}  // namespace tevarin
