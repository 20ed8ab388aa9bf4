// The content tree built from the catalogue: one node per catalogue record
// under a root node. A node owns its children; the parent pointer does not own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tevarin {

struct NodeItem;  // catalog/catalogueformat.h

struct ContentsNodeTag {
  std::u16string name;
  int32_t level = 0;
  int32_t docID = 0;
  int32_t docNo = 0;
  uint16_t curFileName = 0;
  ContentsNodeTag* parent = nullptr;
  std::vector<std::unique_ptr<ContentsNodeTag>> children;

  // Whether record index r lies inside this node's pages (unsigned comparisons,
  // as a negative docID must never admit a page).
  bool Holds(uint32_t r) const {
    const uint32_t d = static_cast<uint32_t>(docID), n = static_cast<uint32_t>(docNo);
    return d <= r + 1 && r + 1 <= d + n - 1;
  }
};

// The node a new node is attached to: the most recently added node of level
// L - 1 below node (node itself when its level is L - 1), or null.
ContentsNodeTag* FindParentNode(ContentsNodeTag* node, const ContentsNodeTag& added);

// The first node at or below node whose level, docID, docNo and curFileName
// equal the record's; the name is not compared.
const ContentsNodeTag* FindNode(const ContentsNodeTag* node, const NodeItem& record);

}  // namespace tevarin
