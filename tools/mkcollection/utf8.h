// Decoding one UTF-8 character of the corpus's text, shared by the catalogue
// titles and the index building.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tevarin {

// Decodes the character at s[i]: true with its code point and byte length, or
// false when the byte starts no complete sequence.
inline bool DecodeUtf8Char(std::string_view s, size_t i, uint32_t& cp, size_t& n) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
  cp = n == 1 ? c : n == 2 ? (c & 0x1Fu) : n == 3 ? (c & 0x0Fu) : (c & 0x07u);
  bool ok = n > 0 && i + n <= s.size();
  for (size_t k = 1; ok && k < n; ++k) {
    const unsigned char b = static_cast<unsigned char>(s[i + k]);
    ok = (b & 0xC0) == 0x80;
    cp = (cp << 6) | (b & 0x3Fu);
  }
  return ok;
}

}  // namespace tevarin
