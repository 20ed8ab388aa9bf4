#include <gtest/gtest.h>

#include "store/filelist.h"
#include "store/highlight.h"
#include "store/hitpage.h"
#include "store/pagesections.h"
#include "testutil.h"
#include "writer/bookwriter.h"

namespace {

// The template pieces, spelled out independently of the renderer.
const std::string P1 =
    "<html><head>\t\t<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\"><title>";
const std::string P2 =
    "</title></head><div align=\"center\"><center><BODY>\t\t<TABLE border=1 cellPadding=0 "
    "cellSpacing=1 class=wd_gray height=477 width=635 bordercolor=\"#FFCC66\">\t\t<tr>  <TD "
    "height=477 width=80 vAlign=top align=\"center\" background=\"../Back.gif\">";
const std::string P3 = "</TD>\t\t<TD height=477 width=450 vAlign=top align=\"center\">";
const std::string P4 = "</TD> \t\t</tr></table></div></div>\t\t</center></BODY></html>";
const std::string NO = "<font size=-1 color=\"#993366\">", NC = "</font>";
const std::string B = "<b style='color:red;background:#D9D9D9;'>", BE = "</b>";

std::string A(int n) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "<a name=\"%04d\"></a>", n);
  return buf;
}
std::string Hit(int n, const std::string& s) { return A(n) + B + s + BE; }

TEST(PageSections, ParsePage) {
  const struct {
    std::string page, title, cell1, cell2;
  } cases[] = {
      {"", "", "", ""},
      {"x<title>題</title>y<TD a>學<p>而</TD>z<TD>時</TD>w", "題", "學<p>而", "時"},
      {"<title>t</title><td>小</td><TD>一</TD>", "t", "一", ""},         // lower-case td is content
      // A nested table ends the cell at its first </TD>; the nested <TD is dropped.
      {"<title>t</title><TD><table><TD>內</TD>外</TD><TD>二</TD>", "t", "<table>內", "二"},
      {"<title>t</title><TD>一</title><TD>二</TD><TD>三</TD>", "t", "一二", "三"},  // </title> resets
      {"<title>t</title><TD>一<b", "t", "一", ""},                      // unfinished tag dropped
      {"<title>a<title>b</title>", "a<title>b", "", ""},
      {"<TITLE>x</TITLE><title>t</title>", "t", "", ""},               // markers are case-sensitive
  };
  for (const auto& c : cases) {
    const auto nodes = ParsePage(c.page);
    ASSERT_EQ(nodes.size(), 3u);
    EXPECT_EQ(nodes[0].text, c.title) << c.page;
    EXPECT_EQ(nodes[1].text, c.cell1) << c.page;
    EXPECT_EQ(nodes[2].text, c.cell2) << c.page;
    EXPECT_EQ(nodes[0].kind, 2);
  }
}

TEST(PageSections, SplitNotes) {
  const struct {
    std::string cell;
    std::vector<std::pair<int, std::string>> items;
  } cases[] = {
      {"", {{0, ""}}},
      {"一" + NO + "注" + NC + "二", {{0, "一"}, {1, "注"}, {0, "二"}}},
      {NO + "注" + NC, {{0, ""}, {1, "注"}, {0, ""}}},                  // a cell beginning with a note
      {NO + "注<b>粗</font>後" + NC, {{0, ""}, {1, "注<b>粗"}, {0, "後</font>"}}},  // inner </font>
      {"一" + NO + "注", {{0, "一"}, {1, "注"}}},                       // ending inside a note
      {"一</font><p>二", {{0, "一</font><p>二"}}},                      // </font> in body text
      {NO + "甲" + NO + "乙" + NC, {{0, ""}, {1, "甲"}, {1, "乙"}, {0, ""}}},
  };
  for (const auto& c : cases) {
    const auto items = SplitNotes(c.cell);
    std::vector<std::pair<int, std::string>> got;
    for (const auto& i : items) got.emplace_back(i.kind, i.text);
    EXPECT_EQ(got, c.items) << c.cell;
  }
}

TEST(Highlight, BuildSegs) {
  const struct {
    std::string keyword;
    std::vector<std::tuple<int, std::string, int>> segs;
  } cases[] = {
      {"A", {{2, "A", 1}}},
      {"A*B", {{2, "A", 1}, {0, "B", 1}}},
      {"A?B", {{2, "A", 1}, {1, "B", 1}}},
      {"A??B*C", {{2, "A", 1}, {1, "B", 2}, {0, "C", 1}}},
      {"*A", {{0, "A", 1}}},
      {"A*", {{2, "A", 1}}},
      {"?A?", {{2, "A", 1}}},
      {"*?*", {}},
  };
  for (const auto& c : cases) {
    std::vector<std::tuple<int, std::string, int>> got;
    for (const Seg& s : BuildSegs(c.keyword)) got.emplace_back(s.kind, s.bytes, s.kind == 1 ? s.gap : 1);
    EXPECT_EQ(got, c.segs) << c.keyword;
  }
}

TEST(Highlight, MarksMatches) {
  const struct {
    std::string item, keyword, out;
    int matches;
  } cases[] = {
      {"學學", "學", Hit(0, "學") + Hit(1, "學"), 2},
      {"學學學", "學學", Hit(0, "學學") + "學", 1},
      {"學<p>而學而", "學*而", "學<p>而" + Hit(0, "學") + Hit(1, "而"), 1},
      {"學一二而", "學?而", "學一二而", 0},
      {"學", "學?而", "學", 0},
      {"學一而", "學?而", Hit(0, "學") + B + A(1) + "一" + BE + Hit(2, "而"), 1},
      {"一<p>學", "*學", "一<p>" + Hit(0, "學"), 1},
      {"<p>x</p>", "p", "<" + Hit(0, "p") + ">x</" + Hit(1, "p") + ">", 2},
      {"學而", "*?", "學而", 0},  // only wildcards: unchanged, no anchor
      {"", "學", "", 0},
  };
  for (const auto& c : cases) {
    std::string out;
    int32_t counter = 0;
    EXPECT_EQ(HighlightItem(c.item, c.keyword, out, counter), c.matches) << c.item << " " << c.keyword;
    EXPECT_EQ(out, c.out) << c.item << " " << c.keyword;
  }
  // The counter carries over from item to item.
  std::string out;
  int32_t counter = 41;
  HighlightItem("學", "學", out, counter);
  EXPECT_EQ(out, Hit(41, "學"));
  EXPECT_EQ(counter, 42);
}

class HitPage : public ::testing::Test {
 protected:
  void SetUp() override {
    BookWriter w;
    ASSERT_TRUE(w.Create(dir.path(), "Index", 40));
    // Record 0: page 2 (even): text in the first cell. Record 1: page 3 (odd).
    ASSERT_TRUE(w.AddPage("d1\\v1\\0002.htm", "<html><title>學而</title><body><TABLE><TD>學而時習之" +
                                                   NO + "學注" + NC + "學</TD><TD>卷一 學</TD></TABLE>"));
    ASSERT_TRUE(w.AddPage("d1\\v1\\0003.htm", "<title>三</title><TD>學</TD><TD>學而" + NO + "學" + NC + "</TD>"));
    ASSERT_TRUE(w.AddPage("noname", "<title>t</title><TD>學</TD><TD>學</TD>"));
    ASSERT_TRUE(w.Finish());
    ASSERT_TRUE(files.Open(dir.path(), "Index"));
  }
  TempDir dir;
  CFileList files;
};

TEST_F(HitPage, RendersWholePagesToTheByte) {
  const std::string page0 = P1 + "學而" + P2;
  const struct {
    int record;
    std::u16string keywords;
    int scope;
    std::string page;
    int anchors;
  } cases[] = {
      // Even page, whole text: body and note marked, the margin cell untouched.
      {0, u"學", 0, page0 + Hit(0, "學") + "而時習之" + NO + Hit(1, "學") + "注" + NC + Hit(2, "學") + P3 + "卷一 學" + P4, 3},
      // Body only: the note is shown but not marked.
      {0, u"學", 1, page0 + Hit(0, "學") + "而時習之" + NO + "學注" + NC + Hit(1, "學") + P3 + "卷一 學" + P4, 2},
      // Notes only.
      {0, u"學", 2, page0 + "學而時習之" + NO + Hit(0, "學") + "注" + NC + "學" + P3 + "卷一 學" + P4, 1},
      // Odd page: only the second cell.
      {1, u"學", 0, P1 + "三" + P2 + "學" + P3 + Hit(0, "學") + "而" + NO + Hit(1, "學") + NC + P4, 2},
      // No page number: treated as even.
      {2, u"學", 0, P1 + "t" + P2 + Hit(0, "學") + P3 + "學" + P4, 1},
      // No occurrence: the template page, no anchor.
      {1, u"乙", 0, P1 + "三" + P2 + "學" + P3 + "學而" + NO + "學" + NC + P4, 0},
      // A repeated keyword adds nothing; the second keyword's anchors follow the first's.
      {1, u"而　學 而", 1, P1 + "三" + P2 + "學" + P3 + Hit(1, "學") + Hit(0, "而") + NO + "學" + NC + P4, 2},
      // One keyword inside the other: the second pass marks inside the first's marks.
      {2, u"學 學", 0, P1 + "t" + P2 + Hit(0, "學") + P3 + "學" + P4, 1},
  };
  for (const auto& c : cases) {
    std::string out;
    EXPECT_EQ(files.RenderHitPage(c.record, out, c.keywords, c.scope), c.anchors) << (&c - cases);
    EXPECT_EQ(out, c.page) << (&c - cases);
  }
}

TEST_F(HitPage, NestedHighlightsAndEmptyKeywords) {
  std::string out;
  EXPECT_EQ(files.RenderHitPage(1, out, u"學而 學", 1), 2);
  // 學 is found again inside the first pass's span around 學而.
  EXPECT_EQ(out, P1 + "三" + P2 + "學" + P3 + A(0) + B + Hit(1, "學") + "而" + BE + NO + "學" + NC + P4);
  for (const char16_t* spaces : {u"", u"  ", u"\u3000 "}) {
    out = "untouched";
    EXPECT_EQ(files.RenderHitPage(0, out, spaces, 0), 0);
    EXPECT_EQ(out, spaces[0] ? "untouched" : "untouched");
  }
  out.clear();
  EXPECT_EQ(files.RenderHitPage(9, out, u"學", 0), 0);  // outside the page table
  EXPECT_TRUE(out.empty());
  files.Close();
  EXPECT_EQ(files.RenderHitPage(0, out, u"學", 0), 0);
  EXPECT_TRUE(out.empty());
}

}  // namespace
