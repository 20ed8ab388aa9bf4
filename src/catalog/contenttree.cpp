#include "catalog/contenttree.h"

#include "catalog/catalogueformat.h"

namespace tevarin {

ContentsNodeTag* FindParentNode(ContentsNodeTag* node, const ContentsNodeTag& added) {
  // The answer is the last non-null answer among the children in order; asking
  // them from the last one back and stopping at the first answer gives the same
  // node without walking the whole tree (nodes are added in pre-order).
  if (!node) return nullptr;
  if (node->level == added.level - 1) return node;
  for (auto it = node->children.rbegin(); it != node->children.rend(); ++it)
    if (ContentsNodeTag* r = FindParentNode(it->get(), added)) return r;
  return nullptr;
}

const ContentsNodeTag* FindNode(const ContentsNodeTag* node, const NodeItem& record) {
  if (!node) return nullptr;
  if (node->level == record.level && node->docID == record.docID &&
      node->docNo == record.docNo && node->curFileName == record.curFileName)
    return node;
  for (const auto& child : node->children)
    if (const ContentsNodeTag* r = FindNode(child.get(), record)) return r;
  return nullptr;
}

}  // namespace tevarin
