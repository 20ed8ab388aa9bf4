// Character slots: the number 0..99999 under which the index files keep the
// postings of one indexed character (index/indexformat.h). Slots from
// kVariantSlotBase name groups of variant characters.
#pragma once

#include <cstdint>

#include "index/indexformat.h"

namespace tevarin {

// The slot of a code point, or -1 when the character is never indexed: only
// the letters and ideographs of the slot ranges are (text/indexedchars.h).
int CharToSlot(uint32_t codePoint);

}  // namespace tevarin
