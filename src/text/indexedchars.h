// Which characters of a page's text are indexed, and the slot each takes.
//
// A page's indexed text is its letters and ideographs: the characters of
// the slot ranges below whose Unicode general category is a letter (L*), a
// number (N*: full-width digits) or private use (Co: the collection sets rare
// ideographs in the private use area). Punctuation, symbols, spaces,
// combining marks (variation selectors among them), format characters and
// unassigned code points take no position, whatever their width: a quotation
// reads the same with or without its punctuation.
//
// The slot numbering is the index files' (index/indexformat.h); it lives here
// so that the collection builder, the search and the hit page, which sits
// below the index, all read a page's text the same way.
//
//   code points                      slot
//   U+3400..U+9FFF                   code point - 0x3400
//   U+F900..U+FAFF                   code point - 0x8C00
//   U+20000..U+2A6DF                 code point - 0x18100
//   U+2F800..U+2FA1F                 code point - 0x1D220
//   U+3042..U+30F6                   code point + 0xF7BE
//   U+E000..U+FFFF (but F900..FAFF)  code point + 0x48B5
//
// The categories come from ICU (u_charType), so the builder and the reader
// built against the same ICU agree on every code point.
#pragma once

#include <cstdint>

namespace tevarin {

// The slot of a code point the index holds, or -1 for every other one.
int IndexedCharacterSlot(uint32_t codePoint);

inline bool IsIndexedCharacter(uint32_t codePoint) { return IndexedCharacterSlot(codePoint) >= 0; }

// The slot the table above gives a code point, whatever its category; -1
// outside the ranges.
int SlotOfRange(uint32_t codePoint);

}  // namespace tevarin
