#include "catalog/pageplace.h"

#include <algorithm>
#include <functional>

namespace tevarin {

PagePlaces::PagePlaces(const ContentsNodeTag* root) {
  if (!root) return;
  std::function<void(const ContentsNodeTag&)> walk = [&](const ContentsNodeTag& node) {
    for (const auto& child : node.children) {
      // A node holding no record (docID < 1 or docNo < 1) is left out.
      if (child->level >= 1 && child->level <= 3 && child->docID >= 1 && child->docNo >= 1) {
        Level& level = m_levels[child->level - 1];
        const uint32_t first = static_cast<uint32_t>(child->docID - 1);
        const uint32_t last = first + static_cast<uint32_t>(child->docNo - 1);
        if (!level.spans.empty() && level.spans.back().last >= first) level.sorted = false;
        level.spans.push_back(Span{first, last, child.get()});
      }
      walk(*child);
    }
  };
  walk(*root);
}

const ContentsNodeTag* PagePlaces::FindIn(const Level& level, uint32_t record) const {
  if (level.sorted) {
    auto it = std::upper_bound(level.spans.begin(), level.spans.end(), record,
                               [](uint32_t r, const Span& s) { return r < s.first; });
    if (it == level.spans.begin()) return nullptr;
    --it;
    return record <= it->last ? it->node : nullptr;
  }
  // A catalogue whose ranges overlap or run backwards: the first node in
  // catalogue order holding the record, as the result list takes it.
  for (const Span& s : level.spans)
    if (s.first <= record && record <= s.last) return s.node;
  return nullptr;
}

PagePlace PagePlaces::Find(uint32_t record) const {
  PagePlace p;
  p.division = FindIn(m_levels[0], record);
  p.book = FindIn(m_levels[1], record);
  p.volume = FindIn(m_levels[2], record);
  if (p.volume)
    p.pageNo = static_cast<int32_t>(record + p.volume->curFileName + 1 -
                                    static_cast<uint32_t>(p.volume->docID));
  return p;
}

}  // namespace tevarin
