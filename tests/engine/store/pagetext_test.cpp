// A page's text as the index reads it: the text cell by parity, its runs,
// tags skipped, entities decoded, and only letters and ideographs indexed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/pagetext.h"
#include "support/hitpage_markup.h"

namespace tevarin {

namespace {

using namespace hitpage_markup;

TEST(PageText, IndexedCharactersOfTheTextCell) {
  const std::string cell = "<h4>題</h4><p>a&lt;學，&#x4E00;&#20108;&unknown;\xFF" + NO + "注。" + NC +
                           "尾𠀀</p>";
  const std::string page = "前<title>t</title><TD>" + cell + "</TD><TD>字</TD>後";
  const PageText text = ReadPageText(page, 2);
  EXPECT_EQ(text.textSection, 1);
  ASSERT_EQ(text.runs.size(), 3u);
  // Each indexed character with its run and the bytes it stands for there.
  const struct {
    uint32_t cp;
    uint32_t run;
    std::string bytes;
  } expected[] = {
      {U'題', 0, "題"},         {U'學', 0, "學"}, {U'一', 0, "&#x4E00;"}, {U'二', 0, "&#20108;"},
      {U'注', 1, "注"},         {U'尾', 2, "尾"}, {0x20000, 2, "𠀀"},
  };
  ASSERT_EQ(text.chars.size(), std::size(expected));
  for (size_t i = 0; i < text.chars.size(); ++i) {
    const PageChar& c = text.chars[i];
    EXPECT_EQ(c.codePoint, expected[i].cp) << i;
    EXPECT_EQ(c.run, expected[i].run) << i;
    EXPECT_EQ(text.runs[c.run].text.substr(c.begin, c.end - c.begin), expected[i].bytes) << i;
  }
  // Positions of each scope: the whole text, body runs, note runs.
  EXPECT_EQ(text.ScopeChars(HitScope::WholeText), (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(text.ScopeChars(HitScope::Body), (std::vector<uint32_t>{0, 1, 2, 3, 5, 6}));
  EXPECT_EQ(text.ScopeChars(HitScope::Notes), (std::vector<uint32_t>{4}));

  // An odd page number reads the second cell; so does a negative odd one.
  for (int32_t number : {3, -3}) {
    const PageText odd = ReadPageText(page, number);
    EXPECT_EQ(odd.textSection, 2);
    ASSERT_EQ(odd.chars.size(), 1u);
    EXPECT_EQ(odd.chars[0].codePoint, U'字');
  }
}

TEST(PageText, RunTextKeepsEveryCharacterWithItsBytes) {
  // Every character, indexed or not: tags skipped, entities decoded (an
  // unknown or unfinished one is its "&"), a byte that starts no character
  // standing for itself, a "<" without ">" running to the end.
  const std::string run = "a&lt;<b x>學</b>&amp\xE5&#xD800;，<i";
  std::vector<RunChar> chars;
  DecodeRunText(run, chars);
  const std::vector<std::pair<uint32_t, std::string>> expected = {
      {'a', "a"}, {'<', "&lt;"}, {U'學', "學"}, {'&', "&"},  {'a', "a"},  {'m', "m"},
      {'p', "p"}, {0xE5, "\xE5"}, {'&', "&"},  {'#', "#"},  {'x', "x"},  {'D', "D"},
      {'8', "8"}, {'0', "0"},     {'0', "0"},  {';', ";"},  {U'，', "，"},
  };
  ASSERT_EQ(chars.size(), expected.size());
  for (size_t i = 0; i < chars.size(); ++i) {
    EXPECT_EQ(chars[i].codePoint, expected[i].first) << i;
    EXPECT_EQ(run.substr(chars[i].begin, chars[i].end - chars[i].begin), expected[i].second) << i;
  }
}

TEST(PageText, PagesWithoutCellsOrText) {
  for (const std::string page : {std::string(), std::string("<title>t</title>"),
                                 std::string("<title>t</title><TD>，。！？ 1 a</TD><TD>x</TD>")}) {
    const PageText text = ReadPageText(page, 0);
    EXPECT_TRUE(text.chars.empty()) << page;
    EXPECT_EQ(text.sections.size(), 3u);
    EXPECT_FALSE(text.runs.empty());  // always one body run at least
  }
}

}  // namespace

}  // namespace tevarin
