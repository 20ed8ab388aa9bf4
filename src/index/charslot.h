// Character slots: the number 0..99999 under which the index files keep the
// postings of one indexed character. Slots from VariantSlotBase name groups of
// variant characters (group g has slot VariantSlotBase + g).
#pragma once

#include <cstdint>

namespace tevarin {

inline constexpr int kSlotCount = 100000;
inline constexpr int VariantSlotBase = 88065;
inline constexpr int kMaxVariantGroups = kSlotCount - VariantSlotBase;  // 11935

// The slot of a code point, or -1 when the character is never indexed.
int CharToSlot(uint32_t codePoint);

}  // namespace tevarin
