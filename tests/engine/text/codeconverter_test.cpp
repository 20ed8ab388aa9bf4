#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "index/charslot.h"
#include "text/codeconverter.h"

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

TEST(CharSlot, Boundaries) {
  const std::pair<uint32_t, int> cases[] = {
      {0x3400, 0},      {0x9FFF, 27647},  {0x33FF, -1},     {0xA000, -1},
      {0xF900, 27904},  {0xFAFF, 28415},  {0x20000, 32512}, {0x2A6DF, 75231},
      {0x2A6E0, -1},    {0x2F800, 75232}, {0x2FA1F, 75775}, {0x3042, 75776},
      {0x30F6, 75956},  {0x3041, -1},     {0x30F7, -1},     {0xE000, 75957},
      {0xF8FF, 0xF8FF + 0x48B5},          {0xFB00, 0xFB00 + 0x48B5},
      {0xFFFF, 84148},  {0xFF1F, 83924},  {0x3000, -1},     {0x3001, -1},
      {0x41, -1},       {0x10000, -1},
  };
  for (const auto& [cp, slot] : cases) EXPECT_EQ(CharToSlot(cp), slot) << std::hex << cp;
}

}  // namespace

}  // namespace tevarin
