// Keyword pieces and the marking of matches inside one run of page text.
#include <gtest/gtest.h>

#include <tuple>

#include "support/hitpage_markup.h"
#include "store/highlight.h"

namespace tevarin {

namespace {

using namespace hitpage_markup;

TEST(HitPageHighlight, BuildSegs) {
  // (kind, bytes, gap); the gap only means something for kind 1.
  using Segs = std::vector<std::tuple<int, std::string, int>>;
  const struct {
    std::string keyword;
    Segs segs;
  } cases[] = {
      {"學", {{2, "學", 0}}},
      {"學*而", {{2, "學", 0}, {0, "而", 0}}},
      {"學?而", {{2, "學", 0}, {1, "而", 1}}},
      {"學而??時*習", {{2, "學而", 0}, {1, "時", 2}, {0, "習", 0}}},
      {"*學", {{0, "學", 0}}},
      {"學*", {{2, "學", 0}}},
      {"?學?", {{2, "學", 0}}},           // "?" at a piece's ends adds nothing
      {"**學**而?", {{0, "學", 0}, {0, "而", 0}}},
      {"學*?而", {{2, "學", 0}, {0, "而", 0}}},
      {"𠀀?學？而＊", {{2, "𠀀", 0}, {1, "學？而＊", 1}}},  // full-width forms are literal
      {"*?*", {}},
      {"??", {}},
      {"", {}},
  };
  for (const auto& c : cases) {
    Segs got;
    for (const Seg& s : BuildSegs(c.keyword)) got.emplace_back(s.kind, s.bytes, s.kind == 1 ? s.gap : 0);
    EXPECT_EQ(got, c.segs) << c.keyword;
  }
}

TEST(HitPageHighlight, MarksMatches) {
  const struct {
    const char* what;
    std::string item, keyword, out;
    int matches;
  } cases[] = {
      {"twice in a row", "學學", "學", Hit(0, "學") + Hit(1, "學"), 2},
      {"no overlap", "學學學", "學學", Hit(0, "學學") + "學", 1},
      {"4-byte characters", "一𠀀二𠀀", "𠀀", "一" + Hit(0, "𠀀") + "二" + Hit(1, "𠀀"), 2},
      {"* joins within a paragraph", "學一而", "學*而", Hit(0, "學") + "一" + Hit(1, "而"), 1},
      {"* never across <p>; the scan resumes after it", "學<p>而學時而", "學*而",
       "學<p>而" + Hit(0, "學") + "時" + Hit(1, "而"), 1},
      {"* never across <h4>", "學<h4>而", "學*而", "學<h4>而", 0},
      {"<P> and <p class> are no boundaries", "學<P>時<p class=x>而", "學*而",
       Hit(0, "學") + "<P>時<p class=x>" + Hit(1, "而"), 1},
      {"? is one 3-byte character", "學一而", "學?而", Hit(0, "學") + B + A(1) + "一" + BE + Hit(2, "而"), 1},
      {"? does not stand for a 4-byte character", "學𠀀而", "學?而", "學𠀀而", 0},
      {"?? is two characters", "學一二而", "學??而", Hit(0, "學") + B + A(1) + "一二" + BE + Hit(2, "而"), 1},
      {"two characters between A?B: the scan resumes right after A", "學一二而學三而", "學?而",
       "學一二而" + Hit(0, "學") + B + A(1) + "三" + BE + Hit(2, "而"), 1},
      {"a failed A?B resumes right after A, so the next A may be the skipped character", "學學一而",
       "學?而", "學" + Hit(0, "學") + B + A(1) + "一" + BE + Hit(2, "而"), 1},
      {"A?B with the text ending right after A", "時學", "學?而", "時學", 0},
      {"A?B with one character left after A", "學一", "學?而", "學一", 0},
      {"? and * together", "學一二而三習", "學??而*習",
       Hit(0, "學") + B + A(1) + "一二" + BE + Hit(2, "而") + "三" + Hit(3, "習"), 1},
      {"A* is A", "學而", "學*", Hit(0, "學") + "而", 1},
      {"*A resumes after a <p> before the match", "一<p>學", "*學", "一<p>" + Hit(0, "學"), 1},
      {"*A resumes after a <h4> before the match", "<h4>學", "*學", "<h4>" + Hit(0, "學"), 1},
      // Marks never go inside a tag: the page's markup, or an earlier keyword's.
      {"a letter is marked in the text, never inside a tag", "<p>p</p>", "p",
       "<p>" + Hit(0, "p") + "</p>", 1},
      {"nor inside the markup of an earlier mark", B + "學" + BE + "a", "a",
       B + "學" + BE + Hit(0, "a"), 1},
      {"a keyword holding \"<\" lies in no text", "a<b>c", "a<", "a<b>c", 0},
      {"a piece that begins in a tag and ends in text is no match", "<b x>學", "x>學", "<b x>學", 0},
      {"? stands for characters, never a tag", "學<p>而學一而", "學?而",
       "學<p>而" + Hit(0, "學") + B + A(1) + "一" + BE + Hit(2, "而"), 1},
      {"a \"<\" without a \">\" runs to the end", "學<學", "學", Hit(0, "學") + "<學", 1},
      {"a keyword of only wildcards leaves the text unchanged", "學<p>而", "*?*", "學<p>而", 0},
      {"a lone ?", "學而", "?", "學而", 0},
      {"empty item", "", "學", "", 0},
      {"no occurrence", "學而時習之", "乎", "學而時習之", 0},
  };
  for (const auto& c : cases) {
    std::string out = "[";  // the highlighted text is appended
    int32_t counter = 0;
    EXPECT_EQ(HighlightItem(c.item, c.keyword, out, counter), c.matches) << c.what;
    EXPECT_EQ(out, "[" + c.out) << c.what;
    // The counter advances by exactly the anchors written.
    int32_t anchors = 0;
    for (size_t at = c.out.find("<a name="); at != std::string::npos; at = c.out.find("<a name=", at + 1))
      ++anchors;
    EXPECT_EQ(counter, anchors) << c.what;
  }
}

TEST(HitPageHighlight, AnchorsContinueAndUseTheFullNumber) {
  std::string out;
  int32_t counter = 41;
  EXPECT_EQ(HighlightItem("學", "學", out, counter), 1);
  EXPECT_EQ(HighlightItem("而學", "學", out, counter), 1);
  EXPECT_EQ(out, Hit(41, "學") + "而" + Hit(42, "學"));
  EXPECT_EQ(counter, 43);

  out.clear();
  counter = 9999;
  EXPECT_EQ(HighlightItem("學學學", "學", out, counter), 3);
  EXPECT_EQ(out, Hit(9999, "學") + Hit(10000, "學") + Hit(10001, "學"));
  EXPECT_NE(out.find("<a name=\"10000\"></a>"), std::string::npos);
  EXPECT_EQ(counter, 10002);

  // A keyword of only wildcards writes no anchor.
  out.clear();
  counter = 7;
  EXPECT_EQ(HighlightItem("學", "**??", out, counter), 0);
  EXPECT_EQ(out, "學");
  EXPECT_EQ(counter, 7);
}

}  // namespace

}  // namespace tevarin
