// Fuzz target: UTF-16 to UTF-32 and UTF-16 to UTF-8 in strict and lenient mode.
// Input: UTF-16LE units (any values), the first byte choosing the UTF-32
// target's capacity. Checks that both conversions agree with each other and
// with the reading rules: cursors stay in their buffers, a conversion split by
// a full target resumes to the same result, appending keeps what the target
// held, and the UTF-8 bytes decode back to the code points.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzzsupport.h"
#include "text/codeconverter.h"

using namespace tevarin;

namespace {

// Code points of the UTF-8 produced by the converter (which may encode
// surrogates); an independent decoder, not the one under test.
std::vector<char32_t> DecodeUtf8(const std::string& s) {
  std::vector<char32_t> out;
  size_t i = 0;
  while (i < s.size()) {
    const uint8_t b0 = static_cast<uint8_t>(s[i]);
    size_t len = b0 < 0x80 ? 1 : b0 < 0xE0 ? 2 : b0 < 0xF0 ? 3 : 4;
    FUZZ_CHECK(b0 < 0x80 || b0 >= 0xC0);  // never a stray continuation byte
    FUZZ_CHECK(i + len <= s.size());
    char32_t cp = len == 1 ? b0 : len == 2 ? (b0 & 0x1F) : len == 3 ? (b0 & 0x0F) : (b0 & 0x07);
    for (size_t k = 1; k < len; ++k) {
      const uint8_t b = static_cast<uint8_t>(s[i + k]);
      FUZZ_CHECK((b & 0xC0) == 0x80);
      cp = (cp << 6) | (b & 0x3F);
    }
    out.push_back(cp);
    i += len;
  }
  return out;
}

void CheckMode(const std::u16string& units, size_t capacity, bool lenient) {
  const char16_t* const begin = units.data();
  const char16_t* const end = begin + units.size();

  // Whole conversion into a target with room for every unit.
  std::vector<char32_t> whole(units.size() + 1);
  const char16_t* src = begin;
  char32_t* dst = whole.data();
  const ConvertResult r32 = ConvertUtf16ToUtf32(src, end, dst, whole.data() + whole.size(), lenient);
  FUZZ_CHECK(src >= begin && src <= end);
  FUZZ_CHECK(dst >= whole.data() && dst <= whole.data() + whole.size());
  FUZZ_CHECK(r32 != ConvertResult::OutputFull);
  whole.resize(static_cast<size_t>(dst - whole.data()));
  const size_t consumed = static_cast<size_t>(src - begin);
  if (r32 == ConvertResult::Done) FUZZ_CHECK(consumed == units.size());
  if (r32 == ConvertResult::Truncated) {
    // Only a high surrogate as the very last unit stops a conversion short.
    FUZZ_CHECK(consumed + 1 == units.size() && IsHighSurrogate(units.back()));
  }
  if (r32 == ConvertResult::Illegal) {
    FUZZ_CHECK(!lenient);
    FUZZ_CHECK(consumed < units.size() &&
               (IsHighSurrogate(units[consumed]) || IsLowSurrogate(units[consumed])));
  }
  if (lenient) FUZZ_CHECK(r32 != ConvertResult::Illegal);
  size_t expectUnits = 0;
  for (char32_t c : whole) {
    FUZZ_CHECK(c <= 0x10FFFF);
    expectUnits += c >= 0x10000 ? 2 : 1;
  }
  FUZZ_CHECK(expectUnits == consumed);

  // The same conversion through a small target, resumed after each OutputFull.
  if (capacity > 0) {
    std::vector<char32_t> pieces;
    std::vector<char32_t> buf(capacity);
    src = begin;
    ConvertResult r = ConvertResult::OutputFull;
    for (size_t rounds = 0; r == ConvertResult::OutputFull; ++rounds) {
      FUZZ_CHECK(rounds <= units.size() + 1);
      char32_t* t = buf.data();
      r = ConvertUtf16ToUtf32(src, end, t, buf.data() + buf.size(), lenient);
      FUZZ_CHECK(t >= buf.data() && t <= buf.data() + buf.size());
      pieces.insert(pieces.end(), buf.data(), t);
    }
    FUZZ_CHECK(r == r32);
    FUZZ_CHECK(pieces == whole);
    FUZZ_CHECK(src == begin + consumed);
  }

  // UTF-8, appended after bytes the target already holds.
  std::string target = "prefix";
  const ConvertResult r8 = ConvertUtf16ToUtf8(units, target, lenient);
  FUZZ_CHECK(r8 == r32);
  FUZZ_CHECK(target.compare(0, 6, "prefix") == 0);
  FUZZ_CHECK(DecodeUtf8(target.substr(6)) == whole);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const size_t capacity = in.U8() % 8;
  const std::u16string units = FuzzInput::Units(in.Rest());
  CheckMode(units, capacity, true);
  CheckMode(units, capacity, false);
  return 0;
}
