// Hit pages stay bounded whatever the keywords: marks go into the text only,
// never inside markup, so letters and "<" cannot multiply the page or break
// its tags; a pass that would take the page past its bound is left out and
// said; a stored page too large to mark is refused.
#include <gtest/gtest.h>

#include <string>

#include "support/hitpage_markup.h"
#include "text/codeconverter.h"
#include "store/filelist.h"
#include "support/testutil.h"
#include "writer/bookwriter.h"

namespace tevarin {

namespace {

using namespace hitpage_markup;

size_t CountAnchors(const std::string& page) {
  size_t n = 0;
  for (size_t at = page.find("<a name=\""); at != std::string::npos; at = page.find("<a name=\"", at + 1)) ++n;
  return n;
}

// Every "<" is closed by a ">" before the next "<".
bool TagsClose(const std::string& page) {
  bool open = false;
  for (char c : page) {
    if (c == '<') {
      if (open) return false;
      open = true;
    } else if (c == '>') {
      open = false;
    }
  }
  return !open;
}

class HitPageBounds : public ::testing::Test {
 protected:
  void Write(const std::vector<std::string>& pages) {
    BookWriter w;
    ASSERT_TRUE(w.Create(dir.path(), "Index", 20));
    for (size_t i = 0; i < pages.size(); ++i)
      ASSERT_TRUE(w.AddPage("v\\" + std::to_string(2 * i + 2) + ".htm", pages[i]));
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

TEST_F(HitPageBounds, LettersAndMarkupCharactersMarkTheTextOnly) {
  Write({"<title>學而</title><TD><p class=\"a\">學而時習之，不亦說乎？</p>" + NO + "學者覺也" + NC +
         "<br>p</TD><TD></TD>"});
  std::string plain;
  ASSERT_EQ(Render(0, plain, u"學而", 0), 1);
  // Keywords that occur only in markup mark nothing: the page is the same.
  for (const char16_t* keywords : {u"學而 a b c d e g k l m n o r s t", u"學而 <", u"學而 >", u"學而 \"",
                                   u"學而 font", u"學而 name=\"0000\""}) {
    std::string page;
    EXPECT_EQ(Render(0, page, keywords, 0), 1);
    EXPECT_EQ(page, plain);
  }
  // A letter in the text is marked there, and only there.
  std::string page;
  EXPECT_EQ(Render(0, page, u"學而 p b", 0), 2);
  EXPECT_EQ(page, Page("學而",
                       "<p class=\"a\">" + Hit(0, "學而") + "時習之，不亦說乎？</p>" + NO + "學者覺也" + NC +
                           "<br>" + Hit(1, "p"),
                       ""));
  EXPECT_EQ(CountAnchors(page), 2u);
  EXPECT_TRUE(TagsClose(page));
}

TEST_F(HitPageBounds, APassPastThePageBoundIsLeftOutAndSaid) {
  // 20,000 characters of one kind: marking them all takes 67 bytes each,
  // past 16 times the page and past 1 MiB.
  const std::string cell = std::string() + "而" + [] {
    std::string s;
    for (int i = 0; i < 20000; ++i) s += "學";
    return s;
  }();
  const std::string stored = "<title>t</title><TD>" + cell + "</TD><TD></TD>";
  Write({stored});
  const size_t limit = CFileList::HitPageLimit(stored.size());
  ASSERT_EQ(limit, CFileList::kMinHitPageLimit);

  std::string unmarked;
  ASSERT_EQ(Render(0, unmarked, u"乎", 0), 0);
  EXPECT_EQ(unmarked, Page("t", cell, ""));
  EXPECT_TRUE(note.empty());

  // The keyword before the bound is marked; the one past it, and all after
  // it, are not.
  std::string page;
  EXPECT_EQ(Render(0, page, u"而 學 乎", 0), 1);
  EXPECT_EQ(page, Page("t", Hit(0, "而") + cell.substr(3), ""));
  EXPECT_LE(page.size(), limit);
  EXPECT_NE(note.find("\"學\""), std::string::npos) << note;
  EXPECT_NE(note.find(std::to_string(limit)), std::string::npos) << note;

  // Past the bound at the first keyword: the page unmarked.
  page.clear();
  EXPECT_EQ(Render(0, page, u"學 而", 0), 0);
  EXPECT_EQ(page, unmarked);
  EXPECT_EQ(CountAnchors(page), 0u);
  EXPECT_FALSE(note.empty());

  // A rendering within the bound clears the note.
  page.clear();
  EXPECT_EQ(Render(0, page, u"而", 0), 1);
  EXPECT_TRUE(note.empty());
}

TEST_F(HitPageBounds, PassesStopAtTheirWorkBound) {
  // A page of 1 MiB holding 400 different characters once each: every
  // keyword marks one, and every pass goes over the whole page.
  std::u16string keywords;
  std::string cell(size_t(1) << 20, 'x');
  for (char16_t c = u'\u4E00'; c < u'\u4E00' + 400; ++c) {
    std::string utf8;
    ConvertUtf16ToUtf8(std::u16string(1, c), utf8, true);
    cell += utf8;
    keywords += (keywords.empty() ? u"" : u" ") + std::u16string(1, c);
  }
  Write({"<title>t</title><TD>" + cell + "</TD><TD></TD>"});
  std::string page;
  const int32_t anchors = Render(0, page, keywords, 0);
  EXPECT_GT(anchors, 100);
  EXPECT_LT(anchors, 400);
  EXPECT_EQ(CountAnchors(page), static_cast<size_t>(anchors));
  EXPECT_NE(note.find("MiB of passes"), std::string::npos) << note;
}

TEST_F(HitPageBounds, AStoredPageTooLargeToMarkIsRefused) {
  const std::string head = "<title>t</title><TD>學", tail = "</TD><TD></TD>";
  const size_t fill = CFileList::kMaxHitPageSource - head.size() - tail.size();
  Write({head + std::string(fill, 'x') + tail, head + std::string(fill + 1, 'x') + tail});
  std::string page;
  EXPECT_EQ(Render(0, page, u"學", 0), 1);
  EXPECT_TRUE(page == Page("t", Hit(0, "學") + std::string(fill, 'x'), ""));
  page = "old";
  EXPECT_EQ(Render(1, page, u"學", 0), 0);
  EXPECT_EQ(page, "");
  EXPECT_NE(status.Message().find("at most " + std::to_string(CFileList::kMaxHitPageSource)),
            std::string::npos)
      << status.Message();
}

}  // namespace

}  // namespace tevarin
