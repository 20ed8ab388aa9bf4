// Hit pages from given matches: the template with the text cell in the wide
// cell, one anchor per match, spans that never break a tag; and the stored
// page a hit page is built from.
#include <gtest/gtest.h>

#include "store/filelist.h"
#include "store/hitpage.h"
#include "support/hitpage_markup.h"
#include "support/testutil.h"
#include "writer/bookwriter.h"

namespace tevarin {

namespace {

using namespace hitpage_markup;

// Matches given as lists of ranges of indexed characters, in anchor order.
HitMarks Marks(const std::vector<std::vector<CharRange>>& matches) {
  HitMarks marks;
  for (const auto& m : matches) {
    marks.starts.push_back(static_cast<uint32_t>(marks.ranges.size()));
    marks.ranges.insert(marks.ranges.end(), m.begin(), m.end());
  }
  return marks;
}

std::string Render(const PageText& text, const HitMarks& marks, HitScope scope = HitScope::WholeText) {
  std::string out = "old";
  EXPECT_TRUE(RenderHitPage(text, marks, scope, out));
  return out;
}

std::string Span(const std::string& s) { return B + s + BE; }

TEST(HitPageRender, TheTextCellGoesIntoTheWideCellOnBothParities) {
  const std::string stored = "前<title>學</title><TABLE><TD>學而" + NO + "學" + NC +
                             "</TD><TD>卷一</TD><TD>三</TD></TABLE>後";
  // Page 2: the text is the first cell; page 3: the second. Either way the
  // margin goes into the narrow cell (P2..P3), the text into the wide one
  // (P3..P4); what lies outside the title and the two cells is dropped.
  EXPECT_EQ(Render(ReadPageText(stored, 2), {}), Page("學", "卷一", "學而" + NO + "學" + NC));
  EXPECT_EQ(Render(ReadPageText(stored, 3), {}), Page("學", "學而" + NO + "學" + NC, "卷一"));
}

TEST(HitPageRender, MarksMatchesToTheByte) {
  // Indexed characters: 0 學 1 而 2 時 3 習 4 之 | 5 學 6 注 (note) | 7 𠀀 8 說 9 乎
  const std::string cell = "<h4>學而</h4><p>時，習之" + NO + "學注" + NC + "</p><p>𠀀說&amp;乎</p>";
  const PageText text = ReadPageText("<title>t</title><TD></TD><TD>" + cell + "</TD>", 1);
  ASSERT_EQ(text.chars.size(), 10u);
  const struct {
    const char* what;
    std::vector<std::vector<CharRange>> matches;
    HitScope scope;
    std::string cell;
  } cases[] = {
      {"a phrase in contiguous text: one anchor, one span", {{{0, 1}}}, HitScope::WholeText,
       "<h4>" + Hit(0, "學而") + "</h4><p>時，習之" + NO + "學注" + NC + "</p><p>𠀀說&amp;乎</p>"},
      {"matches side by side each get an anchor", {{{0, 0}}, {{1, 1}}}, HitScope::WholeText,
       "<h4>" + Hit(0, "學") + Hit(1, "而") + "</h4><p>時，習之" + NO + "學注" + NC + "</p><p>𠀀說&amp;乎</p>"},
      {"across a heading and a line: a span per text run, the punctuation inside marked",
       {{{1, 3}}}, HitScope::WholeText,
       "<h4>學" + A(0) + Span("而") + "</h4><p>" + Span("時，習") + "之" + NO + "學注" + NC +
           "</p><p>𠀀說&amp;乎</p>"},
      {"across the note markers in the whole text", {{{4, 6}}}, HitScope::WholeText,
       "<h4>學而</h4><p>時，習" + Hit(0, "之") + NO + Span("學注") + NC + "</p><p>𠀀說&amp;乎</p>"},
      {"body only: the note a match runs over stays unmarked", {{{4, 7}}}, HitScope::Body,
       "<h4>學而</h4><p>時，習" + Hit(0, "之") + NO + "學注" + NC + "</p><p>" + Span("𠀀") +
           "說&amp;乎</p>"},
      {"two ranges of one match (a \"*\" keyword): one anchor, the gap unmarked",
       {{{2, 2}, {8, 9}}}, HitScope::WholeText,
       "<h4>學而</h4><p>" + Hit(0, "時") + "，習之" + NO + "學注" + NC + "</p><p>𠀀" +
           Span("說&amp;乎") + "</p>"},
      {"overlapping matches: each anchor opens a span of its own", {{{7, 8}}, {{8, 9}}},
       HitScope::WholeText,
       "<h4>學而</h4><p>時，習之" + NO + "學注" + NC + "</p><p>" + Hit(0, "𠀀") + Hit(1, "說&amp;乎") +
           "</p>"},
      {"two matches beginning together: both anchors before the span", {{{0, 1}}, {{0, 0}}},
       HitScope::WholeText,
       "<h4>" + A(0) + Hit(1, "學而") + "</h4><p>時，習之" + NO + "學注" + NC + "</p><p>𠀀說&amp;乎</p>"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Render(text, Marks(c.matches), c.scope), Page("t", "", c.cell)) << c.what;
}

TEST(HitPageRender, AnchorsUseTheFullNumberAndThePageItsBound) {
  std::string cell;
  for (int i = 0; i < 10001; ++i) cell += "之";
  const PageText text = ReadPageText("<title>t</title><TD>" + cell + "</TD><TD></TD>", 2);
  std::vector<std::vector<CharRange>> each;
  for (uint32_t i = 0; i < 10001; ++i) each.push_back({{i, i}});
  const HitMarks marks = Marks(each);
  const std::string page = Render(text, marks);
  EXPECT_NE(page.find(Hit(9999, "之") + Hit(10000, "之") + P4), std::string::npos);
  // Past a bound the rendering stops and says so.
  std::string out;
  EXPECT_FALSE(RenderHitPage(text, marks, HitScope::WholeText, out, page.size() - 1));
  EXPECT_TRUE(RenderHitPage(text, marks, HitScope::WholeText, out, page.size()));
  EXPECT_EQ(out, page);
}

class HitPageSource : public ::testing::Test {
 protected:
  void SetUp() override {
    BookWriter w;
    ASSERT_TRUE(w.Create(dir.path(), "Index", 40));
    ASSERT_TRUE(w.AddPage("d1\\v1\\0002.htm", "<title>二</title>"));
    ASSERT_TRUE(w.AddPage("noname", "<title>t</title>"));
    ASSERT_TRUE(w.AddPage("d1\\-3.htm", "<title>t</title>"));
    const std::string head = "<title>t</title><TD>學", tail = "</TD><TD></TD>";
    const size_t fill = CFileList::kMaxHitPageSource - head.size() - tail.size();
    ASSERT_TRUE(w.AddPage("d1\\4.htm", head + std::string(fill, 'x') + tail));
    ASSERT_TRUE(w.AddPage("d1\\5.htm", head + std::string(fill + 1, 'x') + tail));
    ASSERT_TRUE(w.Finish());
    ASSERT_TRUE(files.Open(dir.path(), "Index"));
  }
  TempDir dir;
  CFileList files;
};

TEST_F(HitPageSource, ReadsThePageAndItsNumber) {
  std::string page;
  int32_t number = -1;
  ASSERT_TRUE(IsOk(files.ReadHitPageSource(0, page, number)));
  EXPECT_EQ(page, "<title>二</title>");
  EXPECT_EQ(number, 2);
  ASSERT_TRUE(IsOk(files.ReadHitPageSource(1, page, number)));
  EXPECT_EQ(number, 0);  // no number: read as even
  ASSERT_TRUE(IsOk(files.ReadHitPageSource(2, page, number)));
  EXPECT_EQ(number, -3);
  ASSERT_TRUE(IsOk(files.ReadHitPageSource(3, page, number)));
  EXPECT_EQ(page.size(), CFileList::kMaxHitPageSource);
}

TEST_F(HitPageSource, RefusesWhatCannotBeMarked) {
  std::string page = "old";
  int32_t number = 7;
  // A stored page past the bound: too large to be a page of text.
  const Status large = files.ReadHitPageSource(4, page, number);
  EXPECT_EQ(large.Code(), StatusCode::kInvalid);
  EXPECT_NE(large.Message().find("at most " + std::to_string(CFileList::kMaxHitPageSource)),
            std::string::npos)
      << large.Message();
  EXPECT_EQ(page, "");
  for (int32_t record : {5, -1}) {
    page = "old";
    EXPECT_FALSE(files.ReadHitPageSource(record, page, number)) << record;
    EXPECT_EQ(page, "");
  }
  files.Close();
  EXPECT_FALSE(files.ReadHitPageSource(0, page, number));
}

}  // namespace

}  // namespace tevarin
