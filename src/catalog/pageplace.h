// Where a record lies in the table of contents: its division, book and
// volume and its page number inside the volume, found by binary search over
// each level's record ranges.
#pragma once

#include <cstdint>
#include <vector>

#include "catalog/contenttree.h"

namespace tevarin {

struct PagePlace {
  const ContentsNodeTag* division = nullptr;  // level 1 node holding the record, or null
  const ContentsNodeTag* book = nullptr;      // level 2
  const ContentsNodeTag* volume = nullptr;    // level 3
  int32_t pageNo = 0;  // page number inside the volume (as the result list counts it); 0 without one
};

class PagePlaces {
 public:
  PagePlaces() = default;
  // Indexes every node below root (null: nothing is found).
  explicit PagePlaces(const ContentsNodeTag* root);

  PagePlace Find(uint32_t record) const;

 private:
  struct Span {
    uint32_t first = 0;  // record indices first..last
    uint32_t last = 0;
    const ContentsNodeTag* node = nullptr;
  };
  struct Level {
    std::vector<Span> spans;  // in catalogue order
    bool sorted = true;       // ascending and disjoint: binary search applies
  };
  const ContentsNodeTag* FindIn(const Level& level, uint32_t record) const;

  Level m_levels[3];
};

// The record indices a node holds: [first, first + count).
inline uint32_t FirstRecordOf(const ContentsNodeTag& node) {
  return node.docID >= 1 ? static_cast<uint32_t>(node.docID - 1) : 0;
}

}  // namespace tevarin
