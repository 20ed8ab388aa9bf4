#include "text/codeconverter.h"

namespace tevarin {

namespace {

// Reads one character at source. Returns Done with the character and the number
// of units it takes, or Truncated / Illegal without consuming anything.
ConvertResult ReadChar(const char16_t* source, const char16_t* end, bool lenient,
                       uint32_t& ch, int& units) {
  const uint32_t u = *source;
  if (IsHighSurrogate(u)) {
    if (source + 1 >= end) return ConvertResult::Truncated;
    const uint32_t next = source[1];
    if (IsLowSurrogate(next)) {
      ch = CombineSurrogates(u, next);
      units = 2;
      return ConvertResult::Done;
    }
    if (!lenient) return ConvertResult::Illegal;
  } else if (IsLowSurrogate(u) && !lenient) {
    return ConvertResult::Illegal;
  }
  ch = u;
  units = 1;
  return ConvertResult::Done;
}

}  // namespace

ConvertResult ConvertUtf16ToUtf32(const char16_t*& source, const char16_t* sourceEnd,
                                  char32_t*& target, char32_t* targetEnd, bool lenient) {
  while (source < sourceEnd) {
    uint32_t ch = 0;
    int units = 0;
    const ConvertResult r = ReadChar(source, sourceEnd, lenient, ch, units);
    if (r != ConvertResult::Done) return r;
    if (target >= targetEnd) return ConvertResult::OutputFull;
    *target++ = static_cast<char32_t>(ch);
    source += units;
  }
  return ConvertResult::Done;
}

ConvertResult ConvertUtf16ToUtf8(std::u16string_view source, std::string& target, bool lenient) {
  target.reserve(target.size() + source.size() * 4);
  const char16_t* p = source.data();
  const char16_t* end = p + source.size();
  static constexpr uint8_t kLeadMark[5] = {0x00, 0x00, 0xC0, 0xE0, 0xF0};
  while (p < end) {
    uint32_t ch = 0;
    int units = 0;
    const ConvertResult r = ReadChar(p, end, lenient, ch, units);
    if (r != ConvertResult::Done) return r;
    p += units;
    int len;
    if (ch < 0x80) len = 1;
    else if (ch < 0x800) len = 2;
    else if (ch < 0x10000) len = 3;
    else if (ch < 0x110000) len = 4;
    else { ch = 0xFFFD; len = 3; }
    const size_t at = target.size();
    target.resize(at + len);
    for (int i = len - 1; i > 0; --i) {
      target[at + i] = static_cast<char>(0x80 | (ch & 0x3F));
      ch >>= 6;
    }
    target[at] = static_cast<char>(kLeadMark[len] | ch);
  }
  return ConvertResult::Done;
}

bool DecodeUtf8Char(std::string_view s, size_t i, uint32_t& cp, size_t& n) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  uint32_t least;  // the smallest code point of this length: shorter forms are overlong
  if (c < 0x80) {
    cp = c;
    n = 1;
    return true;
  } else if ((c >> 5) == 0x6) {
    n = 2, cp = c & 0x1Fu, least = 0x80;
  } else if ((c >> 4) == 0xE) {
    n = 3, cp = c & 0x0Fu, least = 0x800;
  } else if ((c >> 3) == 0x1E) {
    n = 4, cp = c & 0x07u, least = 0x10000;
  } else {
    return false;
  }
  if (n > s.size() - i) return false;
  for (size_t k = 1; k < n; ++k) {
    const unsigned char b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (b & 0x3Fu);
  }
  return cp >= least && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace tevarin
