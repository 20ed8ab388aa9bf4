// Whole hit pages: the keyword passes over a stored page and the rebuilt
// template, compared byte for byte.
#include <gtest/gtest.h>

#include "support/hitpage_markup.h"
#include "store/filelist.h"
#include "store/hitpage.h"
#include "support/testutil.h"
#include "writer/bookwriter.h"

namespace tevarin {

namespace {

using namespace hitpage_markup;

TEST(HitPageRender, KeywordPassRebuildsThePageAndSharesTheCounter) {
  const std::string stored = "前<title>學</title><TABLE><TD>學而" + NO + "學" + NC + "</TD><TD>學</TD></TABLE>後";
  std::string out;
  int32_t counter = 5;
  RenderKeywordPass(stored, "學", 0, HitScope::WholeText, counter, out);
  EXPECT_EQ(out, Page("學", Hit(5, "學") + "而" + NO + Hit(6, "學") + NC, "學"));
  EXPECT_EQ(counter, 7);
  // The rebuilt page parses back into the same sections: a pass with a
  // keyword that does not occur reproduces it exactly.
  std::string again;
  RenderKeywordPass(out, "乎", 0, HitScope::WholeText, counter, again);
  EXPECT_EQ(again, out);
  EXPECT_EQ(counter, 7);
  // Parity 1 marks the second cell only.
  std::string odd;
  counter = 0;
  RenderKeywordPass(stored, "學", 1, HitScope::WholeText, counter, odd);
  EXPECT_EQ(odd, Page("學", "學而" + NO + "學" + NC, Hit(0, "學")));
}

class HitPageRenderBook : public ::testing::Test {
 protected:
  void SetUp() override {
    BookWriter w;
    ASSERT_TRUE(w.Create(dir.path(), "Index", 40));
    // 0: page 2 (even), text in the first cell, margin text in the second.
    ASSERT_TRUE(w.AddPage("d1\\v1\\0002.htm",
                          "<html>序<title>學而</title><body><TABLE><TD>學而時習之" + NO + "學注" + NC +
                              "<p>𠀀學</TD><TD>卷一 學</TD></TABLE>跋</body></html>"));
    // 1: page 3 (odd), text in the second cell.
    ASSERT_TRUE(w.AddPage("d1\\v1\\0003.htm", "<title>三</title><TD>學</TD><TD>學而" + NO + "學" + NC + "</TD>"));
    // 2: no page number (no backslash): treated as even.
    ASSERT_TRUE(w.AddPage("noname", "<title>t</title><TD>學</TD><TD>學</TD>"));
    // 3: page -3: odd.
    ASSERT_TRUE(w.AddPage("d1\\-3.htm", "<title>t</title><TD>學</TD><TD>學</TD>"));
    ASSERT_TRUE(w.Finish());
    ASSERT_TRUE(files.Open(dir.path(), "Index"));
  }
  TempDir dir;
  CFileList files;
  // RenderHitPage's anchors; its note and status are kept.
  int32_t Render(int32_t record, std::string& out, std::u16string_view keywords, int scope = 0) {
    HitPageReport report;
    status = files.RenderHitPage(record, out, keywords, static_cast<HitScope>(scope), report);
    note = report.note;
    return report.anchors;
  }
  Status status;
  std::string note;
};

TEST_F(HitPageRenderBook, RendersWholePagesToTheByte) {
  const std::string margin = "卷一 學";
  const struct {
    const char* what;
    int record;
    std::u16string keywords;
    int scope;
    std::string page;
    int anchors;
  } cases[] = {
      {"even page, whole text: body and notes marked, the other cell untouched", 0, u"學", 0,
       Page("學而", Hit(0, "學") + "而時習之" + NO + Hit(1, "學") + "注" + NC + "<p>𠀀" + Hit(2, "學"), margin), 3},
      {"body only: the note is shown unmarked", 0, u"學", 1,
       Page("學而", Hit(0, "學") + "而時習之" + NO + "學注" + NC + "<p>𠀀" + Hit(1, "學"), margin), 2},
      {"notes only: the body is unmarked", 0, u"學", 2,
       Page("學而", "學而時習之" + NO + Hit(0, "學") + "注" + NC + "<p>𠀀學", margin), 1},
      {"odd page: only the second cell", 1, u"學", 0,
       Page("三", "學", Hit(0, "學") + "而" + NO + Hit(1, "學") + NC), 2},
      {"no page number counts as even", 2, u"學", 0, Page("t", Hit(0, "學"), "學"), 1},
      {"a negative odd page number counts as odd", 3, u"學", 0, Page("t", "學", Hit(0, "學")), 1},
      {"no occurrence: the template page with the sections", 1, u"乎", 0,
       Page("三", "學", "學而" + NO + "學" + NC), 0},
      {"a character outside the BMP", 0, u"\U00020000", 0,
       Page("學而", "學而時習之" + NO + "學注" + NC + "<p>" + Hit(0, "𠀀") + "學", margin), 1},
      {"keywords in order; a repeated one adds nothing", 1, u" 而\u3000學  而 ", 1,
       Page("三", "學", Hit(1, "學") + Hit(0, "而") + NO + "學" + NC), 2},
      {"keywords compared by their bytes: a dropped final high surrogate repeats 學", 2,
       u"學\xD800 學", 0, Page("t", Hit(0, "學"), "學"), 1},
      {"a keyword of only wildcards still rebuilds the page", 1, u"*?", 0,
       Page("三", "學", "學而" + NO + "學" + NC), 0},
      {"one keyword containing the other: the second marks inside the first's spans", 1,
       u"學而 學", 1, Page("三", "學", A(0) + B + Hit(1, "學") + "而" + BE + NO + "學" + NC), 2},
      {"the shorter first: the longer one no longer occurs", 1, u"學 學而", 1,
       Page("三", "學", Hit(0, "學") + "而" + NO + "學" + NC), 1},
  };
  for (const auto& c : cases) {
    std::string out;
    EXPECT_EQ(Render(c.record, out, c.keywords, c.scope), c.anchors) << c.what;
    EXPECT_EQ(out, c.page) << c.what;
  }
}

TEST_F(HitPageRenderBook, EmptyKeywordsUnreadableRecordsAndAClosedStore) {
  // No keyword at all: 0 anchors and the output left as supplied (empty).
  for (const char16_t* keywords : {u"", u"  ", u"\u3000 \u3000"}) {
    std::string out;
    EXPECT_EQ(Render(0, out, keywords, 0), 0);
    EXPECT_EQ(out, "");
  }
  // A record outside the page table: 0 anchors and an empty output.
  std::string out = "old page";
  EXPECT_EQ(Render(4, out, u"學", 0), 0);
  EXPECT_EQ(out, "");
  out = "old page";
  EXPECT_EQ(Render(-1, out, u"學", 0), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(status.Code(), StatusCode::kInvalid);
  // A closed store does not touch the output.
  files.Close();
  out = "old page";
  EXPECT_EQ(Render(0, out, u"學", 0), 0);
  EXPECT_EQ(out, "old page");
  EXPECT_FALSE(status);
}

}  // namespace

}  // namespace tevarin
