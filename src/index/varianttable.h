// VariantTable: the groups of the variant-character table (format in
// index/variantformat.h) and what the engine does with them: the group slot
// of a character for a search with variants, and the variant forms of a
// keyword string for a hit page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "index/variantgroups.h"

namespace tevarin {

class VariantTable {
 public:
  // Reads folder/yitizi.txt, replacing the groups held. A missing file
  // leaves the table empty and answers kNotFound; a read error keeps the
  // groups read so far and answers kIo.
  Status Load(const std::string& folder);
  void Clear();

  const VariantGroupList& Groups() const { return m_groups; }

  // The slot of the first group that holds codePoint; false (slot
  // unchanged) when none does, or when that group is past the last group
  // slot.
  bool FindSlot(uint32_t codePoint, int& slot) const;

  // Every variant form of the keyword string, depth first (first character
  // slowest). Stops after kMaxForms forms, or before the forms would hold
  // more than kMaxUnits UTF-16 units in all, and then answers false.
  bool Expand(std::u16string_view keywords, std::vector<std::u16string>& out) const;
  static constexpr size_t kMaxForms = 4096;
  static constexpr size_t kMaxUnits = size_t(1) << 20;

 private:
  // Every code point of the table with the number of the first group that
  // holds it, ascending by code point (same answers as a scan of the groups
  // in order).
  struct FirstGroup {
    uint32_t codePoint;
    uint32_t group;
  };
  const FirstGroup* FindFirstGroup(uint32_t codePoint) const;
  void BuildFirstGroups();

  VariantGroupList m_groups;
  std::vector<FirstGroup> m_firstGroups;
};

}  // namespace tevarin
