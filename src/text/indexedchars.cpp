#include "text/indexedchars.h"

#include <unicode/uchar.h>

#include <array>
#include <cstddef>

namespace tevarin {

namespace {

// One past the highest slot the ranges give (U+FFFF).
constexpr int kRangeSlots = 0xFFFF + 0x48B5 + 1;

bool IsTextCategory(uint32_t cp) {
  switch (u_charType(static_cast<UChar32>(cp))) {
    case U_UPPERCASE_LETTER:
    case U_LOWERCASE_LETTER:
    case U_TITLECASE_LETTER:
    case U_MODIFIER_LETTER:
    case U_OTHER_LETTER:
    case U_DECIMAL_DIGIT_NUMBER:
    case U_LETTER_NUMBER:
    case U_OTHER_NUMBER:
    case U_PRIVATE_USE_CHAR:
      return true;
    default:
      return false;
  }
}

// One bit per slot of the ranges: whether its character is indexed. Built
// once, on first use, from the categories (about 84,000 look-ups).
class IndexedSlots {
 public:
  IndexedSlots() {
    const auto mark = [&](uint32_t from, uint32_t to) {
      for (uint32_t cp = from; cp <= to; ++cp) {
        const int slot = SlotOfRange(cp);
        if (slot >= 0 && IsTextCategory(cp))
          m_bits[static_cast<size_t>(slot) / 64] |= uint64_t(1) << (slot % 64);
      }
    };
    mark(0x3042, 0x30F6);
    mark(0x3400, 0x9FFF);
    mark(0xE000, 0xFFFF);
    mark(0x20000, 0x2A6DF);
    mark(0x2F800, 0x2FA1F);
  }
  bool Has(int slot) const {
    return (m_bits[static_cast<size_t>(slot) / 64] >> (slot % 64)) & 1;
  }

 private:
  std::array<uint64_t, (kRangeSlots + 63) / 64> m_bits{};
};

}  // namespace

int SlotOfRange(uint32_t cp) {
  // Rows are tested in this order; the first match decides.
  if (cp >= 0x3400 && cp <= 0x9FFF) return static_cast<int>(cp - 0x3400);
  if (cp >= 0xF900 && cp <= 0xFAFF) return static_cast<int>(cp - 0x8C00);
  if (cp >= 0x20000 && cp <= 0x2A6DF) return static_cast<int>(cp - 0x18100);
  if (cp >= 0x2F800 && cp <= 0x2FA1F) return static_cast<int>(cp - 0x1D220);
  if (cp >= 0x3042 && cp <= 0x30F6) return static_cast<int>(cp + 0xF7BE);
  if (cp >= 0xE000 && cp <= 0xFFFF) return static_cast<int>(cp + 0x48B5);
  return -1;
}

int IndexedCharacterSlot(uint32_t cp) {
  static const IndexedSlots slots;
  const int slot = SlotOfRange(cp);
  return slot >= 0 && slots.Has(slot) ? slot : -1;
}

}  // namespace tevarin
