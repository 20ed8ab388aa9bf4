// Cutting a page into title and text cells, and a cell into body and note runs.
#include <gtest/gtest.h>

#include "support/hitpage_markup.h"
#include "store/pagesections.h"

namespace tevarin {

namespace {

using namespace hitpage_markup;

TEST(HitPageSections, ParsePage) {
  const struct {
    const char* what;
    std::string page, title, cell1, cell2;
  } cases[] = {
      {"empty page", "", "", "", ""},
      {"text outside the sections is lost",
       "前<title>學而</title>中<TABLE><TD a=1>學<p>而</TD>間<TD>時</TD>後<TD>習</TD>末", "學而",
       "學<p>而", "時"},
      {"lower-case td opens no cell and is content inside one",
       "<title>t</title><td>小</td><TD>一<td>二</td></TD>", "t", "一<td>二</td>", ""},
      {"one cell only", "<title>t</title><TD>𠀀</TD>", "t", "𠀀", ""},
      {"a nested table ends the cell at its first </TD>; nested <TD dropped",
       "<title>t</title><TD><table><tr><TD>內</TD>外</TD><TD>二</TD>", "t", "<table><tr>內", "二"},
      {"</title> inside a cell sends the next <TD back to the first cell",
       "<title>t</title><TD>一</title>失<TD>二</TD><TD>三</TD>", "t", "一二", "三"},
      {"an unfinished last tag is dropped", "<title>t</title><TD>一<b class=", "t", "一", ""},
      {"<title> after the title is content", "<title>a<title>b</title>", "a<title>b", "", ""},
      {"markers are case-sensitive", "<TITLE>x</TITLE><title>t</title><td>y<TD>z", "t", "z", ""},
      {"a tag beginning with a marker counts, one containing it later does not",
       "<title id=1>t</title><TDx>一<x <TD>>二</TD>", "t", "一<x <TD>>二", ""},
      {"closing markers must be the whole tag", "<title>t</title ><TD>一</TD >二</TD>", "t</title >一</TD >二", "", ""},
      {"> in text is a text byte, < in a tag a tag byte", "<title>a>b</title><TD><b<i>c</TD>", "a>b", "<b<i>c", ""},
  };
  for (const auto& c : cases) {
    const auto nodes = ParsePage(c.page);
    ASSERT_EQ(nodes.size(), 3u) << c.what;
    EXPECT_EQ(nodes[0].text, c.title) << c.what;
    EXPECT_EQ(nodes[1].text, c.cell1) << c.what;
    EXPECT_EQ(nodes[2].text, c.cell2) << c.what;
    for (const auto& n : nodes) EXPECT_EQ(n.kind, 2) << c.what;
  }
}

TEST(HitPageSections, SplitNotes) {
  using Items = std::vector<std::pair<int, std::string>>;
  const struct {
    const char* what;
    std::string cell;
    Items items;
  } cases[] = {
      {"empty cell", "", {{0, ""}}},
      {"body, note, body", "學" + NO + "注" + NC + "而", {{0, "學"}, {1, "注"}, {0, "而"}}},
      {"a cell beginning with a note", NO + "注" + NC, {{0, ""}, {1, "注"}, {0, ""}}},
      {"a note ends at its first </font>",
       NO + "注<font color=red>粗</font>後" + NC, {{0, ""}, {1, "注<font color=red>粗"}, {0, "後</font>"}}},
      {"a cell ending inside a note", "學" + NO + "注", {{0, "學"}, {1, "注"}}},
      {"</font> in body text is content", "一</font><p>二", {{0, "一</font><p>二"}}},
      {"a second note opening inside a note starts another note",
       NO + "甲" + NO + "乙" + NC, {{0, ""}, {1, "甲"}, {1, "乙"}, {0, ""}}},
      {"an opening tag with more attributes is no note",
       "<font size=-1 color=\"#993366\" id=n>注</font>", {{0, "<font size=-1 color=\"#993366\" id=n>注</font>"}}},
      {"closing marker is case-sensitive and whole", NO + "注</FONT></font >" + NC + "後",
       {{0, ""}, {1, "注</FONT></font >"}, {0, "後"}}},
      {"an unfinished tag at the end is dropped", "學" + NO + "注<font", {{0, "學"}, {1, "注"}}},
  };
  for (const auto& c : cases) {
    Items got;
    for (const auto& i : SplitNotes(c.cell)) got.emplace_back(i.kind, i.text);
    EXPECT_EQ(got, c.items) << c.what;
  }
}

}  // namespace

}  // namespace tevarin
