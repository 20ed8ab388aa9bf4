// Conversions between UTF-16 keywords and the code points / UTF-8 bytes the
// search and the page renderer work on. Stateless free functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tevarin {

enum class ConvertResult : int {
  Done = 0,        // all input converted
  Truncated = 1,   // the input ends in the middle of a character
  OutputFull = 2,  // the output has no room for the next character
  Illegal = 3,     // an unpaired surrogate in strict mode
};

// Reads UTF-16 units from [source, sourceEnd) and writes one code point per
// character to [target, targetEnd). Both cursors are left after the last unit
// consumed and the last code point written. In lenient mode an unpaired
// surrogate is taken as a character of its own value.
ConvertResult ConvertUtf16ToUtf32(const char16_t*& source, const char16_t* sourceEnd,
                                  char32_t*& target, char32_t* targetEnd, bool lenient);

// Appends the UTF-8 form of source to target (whatever target holds stays).
ConvertResult ConvertUtf16ToUtf8(std::u16string_view source, std::string& target, bool lenient);

// Decodes the UTF-8 character at s[i]: true with its code point and byte
// length; false when the byte starts no well-formed sequence (a stray or
// cut-short byte, an overlong form, a surrogate, a value past U+10FFFF).
bool DecodeUtf8Char(std::string_view s, size_t i, uint32_t& codePoint, size_t& length);

// Appends the UTF-8 form of a code point (at most U+10FFFF).
void AppendUtf8(std::string& out, uint32_t codePoint);

inline bool IsHighSurrogate(uint32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
inline bool IsLowSurrogate(uint32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }
inline uint32_t CombineSurrogates(uint32_t hi, uint32_t lo) {
  return (hi - 0xD800) * 0x400 + (lo - 0xDC00) + 0x10000;
}

}  // namespace tevarin
