#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "index/charslot.h"
#include "text/codeconverter.h"
#include "text/indexedchars.h"

namespace tevarin {

namespace {

std::string Hex(const std::string& bytes) {
  std::string out;
  char buf[4];
  for (unsigned char c : bytes) {
    std::snprintf(buf, sizeof buf, "%02X", c);
    if (!out.empty()) out += ' ';
    out += buf;
  }
  return out;
}

struct Utf8Case {
  std::u16string in;
  bool lenient;
  ConvertResult result;
  const char* bytes;
};

TEST(CodeConverter, Utf8Conversions) {
  const Utf8Case cases[] = {
      {u"\u0041", true, ConvertResult::Done, "41"},
      {u"\u3042", true, ConvertResult::Done, "E3 81 82"},
      {u"\xD840\xDC00", true, ConvertResult::Done, "F0 A0 80 80"},
      {u"\u00E9", false, ConvertResult::Done, "C3 A9"},
      {u"\xDC00", true, ConvertResult::Done, "ED B0 80"},
      {u"\xD800\x0041", true, ConvertResult::Done, "ED A0 80 41"},
      {u"\xDC00", false, ConvertResult::Illegal, ""},
      {u"\x0041\xD800\x0042", false, ConvertResult::Illegal, "41"},
      {u"\x0041\xD840", true, ConvertResult::Truncated, "41"},
      {u"\x0041\xD840", false, ConvertResult::Truncated, "41"},
      {u"", true, ConvertResult::Done, ""},
  };
  for (const auto& c : cases) {
    std::string out;
    EXPECT_EQ(ConvertUtf16ToUtf8(c.in, out, c.lenient), c.result) << c.bytes;
    EXPECT_EQ(Hex(out), c.bytes);
  }
}

TEST(CodeConverter, Utf8AppendsToExistingBytes) {
  std::string out = "ab";
  ConvertUtf16ToUtf8(u"\u3042", out, true);
  EXPECT_EQ(Hex(out), "61 62 E3 81 82");
}

TEST(CodeConverter, Utf32Conversions) {
  const std::u16string in = u"A\xD840\xDC00\xDC00\x3042";
  char32_t buf[8];
  const char16_t* s = in.data();
  char32_t* t = buf;
  EXPECT_EQ(ConvertUtf16ToUtf32(s, in.data() + in.size(), t, buf + 8, true), ConvertResult::Done);
  ASSERT_EQ(t - buf, 4);
  EXPECT_EQ(buf[0], U'A');
  EXPECT_EQ(buf[1], char32_t(0x20000));
  EXPECT_EQ(buf[2], char32_t(0xDC00));
  EXPECT_EQ(buf[3], char32_t(0x3042));

  // Strict mode stops before the lone low surrogate, cursors after the last good unit.
  s = in.data();
  t = buf;
  EXPECT_EQ(ConvertUtf16ToUtf32(s, in.data() + in.size(), t, buf + 8, false), ConvertResult::Illegal);
  EXPECT_EQ(s - in.data(), 3);
  EXPECT_EQ(t - buf, 2);

  // No room: the source cursor stays before the character that did not fit.
  s = in.data();
  t = buf;
  EXPECT_EQ(ConvertUtf16ToUtf32(s, in.data() + in.size(), t, buf + 1, true),
            ConvertResult::OutputFull);
  EXPECT_EQ(s - in.data(), 1);
  EXPECT_EQ(t - buf, 1);

  // A high surrogate at the very end is left unconverted.
  const std::u16string tail = u"A\xD840";
  s = tail.data();
  t = buf;
  EXPECT_EQ(ConvertUtf16ToUtf32(s, tail.data() + tail.size(), t, buf + 8, true),
            ConvertResult::Truncated);
  EXPECT_EQ(s - tail.data(), 1);
}

TEST(CharSlot, BoundariesOfTheSlotRanges) {
  const std::pair<uint32_t, int> cases[] = {
      {0x3400, 0},      {0x9FFF, 27647},  {0x33FF, -1},     {0xA000, -1},
      {0xF900, 27904},  {0xFA6D, 28269},  {0x20000, 32512}, {0x2A6DF, 75231},
      {0x2A6E0, -1},    {0x2F800, 75232}, {0x2FA1D, 75773}, {0x3042, 75776},
      {0x30F6, 75956},  {0x3041, -1},     {0x30F7, -1},     {0xE000, 75957},
      {0xF8FF, 0xF8FF + 0x48B5},          {0xFB00, 0xFB00 + 0x48B5},
      {0xFF21, 0xFF21 + 0x48B5},          {0x41, -1},       {0x10000, -1},
  };
  for (const auto& [cp, slot] : cases) EXPECT_EQ(CharToSlot(cp), slot) << std::hex << cp;
}

TEST(CharSlot, OnlyLettersAndIdeographsOfTheRangesAreIndexed) {
  // Letters, ideographs, full-width digits and the private use area (rare
  // ideographs) have their slot; punctuation and symbols of any width,
  // marks, spaces and unassigned code points have none.
  const struct {
    uint32_t cp;
    bool indexed;
  } cases[] = {
      {U'學', true},  {U'あ', true},   {U'ア', true},   {0xFF21, true},  {0xFF41, true},
      {0xFF10, true}, {0xE817, true},  {0xFA6D, true},  {0x2A6DF, true}, {0xFF66, true},
      {U'，', false}, {U'？', false},  {U'！', false},  {U'：', false},  {U'；', false},
      {U'（', false}, {U'～', false},  {U'。', false},  {U'、', false},  {0x3000, false},
      {0x4DC0, false} /* hexagram */,  {0xFE0F, false} /* variation selector */,
      {0x309B, false} /* sound mark */, {0x30A0, false} /* double hyphen */,
      {0xFE30, false}, {0xFE51, false}, {0xFFFD, false}, {0xFFFF, false},
      {0xFA6E, false} /* unassigned */,  {0xFEFF, false} /* format */,
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CharToSlot(c.cp) >= 0, c.indexed) << std::hex << c.cp;
    EXPECT_EQ(IsIndexedCharacter(c.cp), c.indexed) << std::hex << c.cp;
    // An indexed character's slot is its range's.
    if (c.indexed) EXPECT_EQ(CharToSlot(c.cp), SlotOfRange(c.cp)) << std::hex << c.cp;
  }
}

TEST(Utf8, DecodesWellFormedSequencesOnly) {
  const struct {
    std::string bytes;
    bool ok;
    uint32_t cp;
    size_t length;
  } cases[] = {
      {"a", true, 'a', 1},
      {"\xC3\xA9", true, 0xE9, 2},
      {"學", true, 0x5B78, 3},
      {"\xF0\xA0\x80\x80", true, 0x20000, 4},
      {"\xC0\xAF", false, 0, 0},          // overlong
      {"\xE0\x80\xAF", false, 0, 0},      // overlong
      {"\xED\xA0\x80", false, 0, 0},      // a surrogate
      {"\xF4\x90\x80\x80", false, 0, 0},  // past U+10FFFF
      {"\xE5\xAD", false, 0, 0},          // cut short
      {"\x80", false, 0, 0},              // a stray continuation byte
      {"\xE5" "a" "\xB8", false, 0, 0},
  };
  for (const auto& c : cases) {
    uint32_t cp = 0;
    size_t n = 0;
    EXPECT_EQ(DecodeUtf8Char(c.bytes, 0, cp, n), c.ok) << Hex(c.bytes);
    if (c.ok) {
      EXPECT_EQ(cp, c.cp) << Hex(c.bytes);
      EXPECT_EQ(n, c.length) << Hex(c.bytes);
      std::string again;
      AppendUtf8(again, cp);
      EXPECT_EQ(again, c.bytes);
    }
  }
}

}  // namespace

}  // namespace tevarin
