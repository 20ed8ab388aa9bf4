// The search and the hit page agree: on every page of a result list the hit
// page writes one anchor per hit the search counted there, whatever the
// keyword (punctuation in it or in the text, "*" across lines and titles,
// "?" and "？", variants, and/or, scope); and punctuation takes no position,
// so quotations are found with or without it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/hitpage_markup.h"
#include "support/page_collection.h"

namespace tevarin {

namespace {

using namespace hitpage_markup;
using Hits = std::vector<std::pair<uint32_t, uint32_t>>;

const std::string kNote = "<font size=-1 color=\"#993366\">";

// Record r is page r + 2: records 0, 2, 4 even (text in the first cell), 1
// and 3 odd.
const std::vector<std::string> kCells = {
    "<h4>學而第一</h4>\n<p>子曰：學而時習之，不亦說乎？</p>\n<p>有朋自遠方來" + kNote +
        "（朋，同門也）</font>，不亦樂乎？</p>\n",
    "<p>床前明月光，</p><p>疑是地上霜。</p><p>舉頭望明月，</p><p>低頭思故鄉。</p>",
    "<h4>春曉</h4><p>春眠不覺曉，</p><p>處處聞啼鳥。</p><p>夜來風雨聲，</p><p>花落知多少。</p>"
    "<h4>春江花月夜</h4>",
    "<p>之之之</p><p>&#x4E4B;&amp;之</p><p>𠀀之</p>",
    "<p>学而时习之，不亦说乎？</p>",
};
const std::vector<std::string> kGroups = {"5B66,5B78", "65F6,6642", "4E60,7FD2", "8BF4,8AAA"};

class HitPageAgreement : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<StoredPage> pages;
    for (size_t r = 0; r < kCells.size(); ++r) {
      const int number = static_cast<int>(r) + 2;
      pages.push_back({"b\\v\\" + std::to_string(number) + ".htm", LaidOutPage(number, kCells[r])});
    }
    c.Build(pages, kGroups);
  }

  // The search's hits (record, count), in hit-list order.
  Hits Search(std::u16string keywords, bool useOr, int scope, bool variants) {
    EXPECT_TRUE(IsOk(c.index.SelectPart(PageCollection::PartOf(scope))));
    if (useOr)
      c.index.SearchOr(keywords, true, variants);
    else
      c.index.SearchAnd(keywords, true, variants);
    Hits hits;
    for (size_t i = 0; i < c.index.GetHitPages().size(); ++i)
      hits.emplace_back(c.index.GetHitPages()[i], c.index.GetHitCounts()[i]);
    keywordsAfter = keywords;
    return hits;
  }

  // Checks a hit page: anchors 0000, 0001, ... once each in page order,
  // every tag closed before the next opens; answers the anchors.
  static int32_t CheckedAnchors(const std::string& page, int32_t reported) {
    std::vector<int> seen;
    for (size_t at = page.find("<a name=\""); at != std::string::npos;
         at = page.find("<a name=\"", at + 1))
      seen.push_back(std::stoi(page.substr(at + 9, 8)));
    EXPECT_EQ(static_cast<int32_t>(seen.size()), reported);
    for (size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i], static_cast<int>(i));
    bool open = false;
    for (char ch : page) {
      if (ch == '<') {
        EXPECT_FALSE(open) << "a tag broken in " << page;
        open = true;
      } else if (ch == '>') {
        open = false;
      }
    }
    return reported;
  }

  int32_t HitPage(uint32_t record, const std::u16string& keywords, int scope, bool variants,
                  std::string& page) {
    page.clear();
    const int32_t anchors =
        c.index.BuildHitPage(static_cast<int32_t>(record), page, keywords, scope, variants);
    return CheckedAnchors(page, anchors);
  }

  PageCollection c;
  std::u16string keywordsAfter;  // the keyword string as the search left it
};

TEST_F(HitPageAgreement, AnchorsAreTheSearchsHitsOnEveryResultPage) {
  const struct {
    std::u16string keywords;
    bool useOr;
    int scope;
    bool variants;
    Hits hits;
  } cases[] = {
      // Quotations with or without their punctuation.
      {u"學而時習之不亦說乎", false, 0, false, {{0, 1}}},
      {u"學而時習之，不亦說乎", false, 0, false, {{0, 1}}},
      {u"學而時習之。不亦說乎", false, 0, false, {{0, 1}}},
      {u"學而時習之不亦說乎", false, 0, true, {{0, 1}, {4, 1}}},
      {u"子曰學而", false, 0, false, {{0, 1}}},
      {u"子曰：學而", false, 0, false, {{0, 1}}},
      {u"床前明月光疑是地上霜", false, 0, false, {{1, 1}}},
      {u"，", false, 0, false, {}},  // punctuation alone is no keyword
      // Phrases over line ends, titles and notes; overlapping occurrences.
      {u"明月", false, 0, false, {{1, 2}}},
      {u"月光疑是", false, 0, false, {{1, 1}}},
      {u"學而第一子曰", false, 0, false, {{0, 1}}},
      {u"方來朋同", false, 0, false, {{0, 1}}},
      {u"之之", false, 0, false, {{3, 4}}},
      {u"之𠀀之", false, 0, false, {{3, 1}}},  // a character outside the BMP
      {u"之?之", false, 0, false, {{3, 4}}},
      // Wildcards: "*" across lines and titles, "?" and "？" alike.
      {u"春*花", false, 0, false, {{2, 3}}},
      {u"春？花", false, 0, false, {{2, 1}}},
      {u"春?花", false, 0, false, {{2, 1}}},
      {u"眠?覺*啼", false, 0, false, {{2, 1}}},
      {u"子*時*樂", false, 0, false, {{0, 1}}},
      {u"學*習", false, 0, true, {{0, 2}, {4, 1}}},
      // and / or, variants, scope.
      {u"明月 床前", false, 0, false, {{1, 3}}},
      {u"學 之", false, 0, false, {{0, 3}}},
      {u"春 明月 之之", true, 0, false, {{2, 3}, {1, 2}, {3, 4}}},
      {u"學 學", false, 0, true, {{0, 4}, {4, 2}}},
      {u"朋", false, 0, false, {{0, 2}}},
      {u"朋", false, 1, false, {{0, 1}}},
      {u"朋", false, 2, false, {{0, 1}}},
      {u"來朋", false, 1, false, {}},
      {u"不亦", false, 1, false, {{0, 2}, {4, 1}}},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << (&k - cases));
    const Hits hits = Search(k.keywords, k.useOr, k.scope, k.variants);
    EXPECT_EQ(hits, k.hits);
    for (const auto& [record, count] : hits) {
      std::string page;
      EXPECT_EQ(HitPage(record, keywordsAfter, k.scope, k.variants, page), static_cast<int32_t>(count))
          << "record " << record;
    }
  }
}

TEST_F(HitPageAgreement, HitPagesToTheByte) {
  const std::string margin = "卷<br>頁";
  const struct {
    const char* what;
    uint32_t record;
    std::u16string keywords;
    int scope;
    bool variants;
    std::string text;  // the text cell as marked
  } cases[] = {
      {"a plain keyword on an odd page: as it always was", 1, u"明月", 0, false,
       "<p>床前" + Hit(0, "明月") + "光，</p><p>疑是地上霜。</p><p>舉頭望" + Hit(1, "明月") +
           "，</p><p>低頭思故鄉。</p>"},
      {"over punctuation and a line end: a span per text run", 1, u"月光疑是", 0, false,
       "<p>床前明" + A(0) + B + "月光，" + BE + "</p><p>" + B + "疑是" + BE +
           "地上霜。</p><p>舉頭望明月，</p><p>低頭思故鄉。</p>"},
      {"？ is a wildcard: one anchor, the character it stands for inside the span", 2, u"春？花",
       0, false,
       "<h4>春曉</h4><p>春眠不覺曉，</p><p>處處聞啼鳥。</p><p>夜來風雨聲，</p><p>花落知多少。</p>"
       "<h4>" + Hit(0, "春江花") + "月夜</h4>"},
      {"overlapping matches, an entity and a line end", 3, u"之之", 0, false,
       "<p>" + Hit(0, "之") + Hit(1, "之") + Hit(2, "之") + "</p><p>" + Hit(3, "&#x4E4B;&amp;之") +
           "</p><p>𠀀之</p>"},
      {"? standing for a character outside the BMP", 3, u"之？之", 0, false,
       "<p>" + Hit(0, "之") + Hit(1, "之") + Hit(2, "之") + "</p><p>" + B + "&#x4E4B;&amp;" + BE +
           Hit(3, "之") + "</p><p>" + B + "𠀀之" + BE + "</p>"},
      {"variants: the other forms are marked", 4, u"學而", 0, true,
       "<p>" + Hit(0, "学而") + "时习之，不亦说乎？</p>"},
      {"keywords of an and are marked in page order", 1, u"明月\u3000床前", 0, false,
       "<p>" + Hit(0, "床前") + Hit(1, "明月") + "光，</p><p>疑是地上霜。</p><p>舉頭望" +
           Hit(2, "明月") + "，</p><p>低頭思故鄉。</p>"},
      {"a keyword not on the page: the page unmarked", 1, u"乎", 0, false,
       "<p>床前明月光，</p><p>疑是地上霜。</p><p>舉頭望明月，</p><p>低頭思故鄉。</p>"},
      {"a keyword of only wildcards marks nothing", 1, u"*?？", 0, false,
       "<p>床前明月光，</p><p>疑是地上霜。</p><p>舉頭望明月，</p><p>低頭思故鄉。</p>"},
      {"letters and markup characters are no keyword characters", 1, u"p b < 明月", 0, false,
       "<p>床前" + Hit(0, "明月") + "光，</p><p>疑是地上霜。</p><p>舉頭望" + Hit(1, "明月") +
           "，</p><p>低頭思故鄉。</p>"},
      {"an even page: the text in the wide cell, body only", 0, u"朋", 1, false,
       "<h4>學而第一</h4>\n<p>子曰：學而時習之，不亦說乎？</p>\n<p>有" + Hit(0, "朋") + "自遠方來" +
           NO + "（朋，同門也）" + NC + "，不亦樂乎？</p>\n"},
  };
  for (const auto& k : cases) {
    std::string page;
    const int32_t anchors = HitPage(k.record, k.keywords, k.scope, k.variants, page);
    const int number = static_cast<int>(k.record) + 2;
    EXPECT_EQ(page, Page("書 卷 " + std::to_string(number), margin, k.text)) << k.what;
    size_t written = 0;
    for (size_t at = k.text.find("<a name="); at != std::string::npos; at = k.text.find("<a name=", at + 1))
      ++written;
    EXPECT_EQ(static_cast<size_t>(anchors), written) << k.what;
  }
}


// A hit page stays bounded whatever the keywords: the marks that would take
// the page past its size bound, or the matching past its work bound, are
// left out, keyword by keyword from the end of the string, and the note says
// so; a record that cannot be read renders nothing.
class HitPageBounds : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string many;
    for (int i = 0; i < 20000; ++i) many += "學";
    cell = "而" + many;
    c.Build({{"b\2.htm", LaidOutPage(2, cell)}});
  }
  int32_t Render(std::u16string_view keywords, std::string& page) {
    HitPageReport report;
    page.clear();
    status = c.index.BuildHitPage(0, page, keywords, 0, false, report);
    note = report.note;
    return report.anchors;
  }
  PageCollection c;
  std::string cell;
  Status status;
  std::string note;
};

TEST_F(HitPageBounds, MarksPastTheSizeBoundAreLeftOutAndSaid) {
  // Marking 20,000 characters takes 64 bytes each: past 1 MiB.
  std::string page;
  EXPECT_EQ(Render(u"而 學 乎", page), 1);
  EXPECT_EQ(page, Page("書 卷 2", "卷<br>頁", Hit(0, "而") + cell.substr(3)));
  EXPECT_NE(note.find("\"學\""), std::string::npos) << note;
  EXPECT_NE(note.find(std::to_string(CFileList::kMinHitPageLimit)), std::string::npos) << note;
  // Past the bound at the first keyword: the page unmarked.
  EXPECT_EQ(Render(u"學 而", page), 0);
  EXPECT_EQ(page, Page("書 卷 2", "卷<br>頁", cell));
  // A rendering within the bound has no note.
  EXPECT_EQ(Render(u"而", page), 1);
  EXPECT_TRUE(note.empty()) << note;
}

TEST_F(HitPageBounds, MatchingStopsAtItsWorkBound) {
  // Each 而學 reads the 20,000 positions of 學 to find one match.
  std::u16string keywords;
  for (int i = 0; i < 900; ++i) keywords += u"而學 ";
  std::string page;
  const int32_t anchors = Render(keywords, page);
  EXPECT_GT(anchors, 500);
  EXPECT_LT(anchors, 900);
  EXPECT_NE(note.find("million positions"), std::string::npos) << note;
}

TEST_F(HitPageBounds, NoKeywordsBadRecordsAndAClosedEngine) {
  // No keyword at all: 0 anchors and the output left as it was.
  // (A string ends at its first NUL, as it does for the search.)
  for (const std::u16string& keywords :
       {std::u16string(), std::u16string(u"  "), std::u16string(u"\u3000 \u3000"),
        std::u16string(u"\0學", 2)}) {
    std::string out = "old page";
    EXPECT_EQ(c.index.BuildHitPage(0, out, keywords, 0, false), 0);
    EXPECT_EQ(out, "old page");
  }
  // A record outside the page table: 0 anchors and an empty output.
  for (int32_t record : {1, -1}) {
    std::string out = "old page";
    EXPECT_EQ(c.index.BuildHitPage(record, out, u"學", 0, false), 0);
    EXPECT_EQ(out, "");
  }
  // A closed engine does not touch the output.
  c.index.Close();
  std::string out = "old page";
  EXPECT_EQ(c.index.BuildHitPage(0, out, u"學", 0, false), 0);
  EXPECT_EQ(out, "old page");
}

// HitPageMarks is the one source of a hit page's marks: asked without the
// page (as a list of a page's hits asks) it gives the marks, the keywords
// marked and the note the hit page itself is built from, also where the
// cheap size estimate passes the bound but the page fits, and where only
// bisecting by rendering finds how many keywords fit.
TEST(HitPageMarksTest, MarksWithoutThePageAreTheHitPagesMarks) {
  PageCollection c;
  std::string learn, zhi;
  for (int i = 0; i < 20000; ++i) learn += "學";
  for (int i = 0; i < 9000; ++i) zhi += "之";
  c.Build({{"b\\v\\2.htm", LaidOutPage(2, "而" + learn)}, {"b\\v\\4.htm", LaidOutPage(4, zhi + "而")}});
  // Each mark of a single character takes an anchor (19 bytes) and a span
  // (45): 9,000 marks of 之 fit in 1 MiB, 27,000 do, 36,000 do not; 20,000
  // marks of 學 take 1.28 MB.
  struct Case {
    int32_t record;
    std::u16string keywords;
    uint32_t marked;
    size_t anchors;
    std::string note;  // words of the note; empty: no note
  };
  const Case cases[] = {
      {0, u"而", 1, 1, ""},
      {0, u"而 學 乎", 1, 1, "keywords from \"學\" on are not marked: the hit page would pass"},
      {0, u"學 而", 0, 0, "keywords from \"學\" on are not marked"},
      {1, u"之", 1, 9000, ""},
      {1, u"之 而", 2, 9001, ""},
      {1, u"之 之 之 之 而", 3, 27000, "keywords from \"之\" on are not marked: the hit page"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& k = cases[i];
    SCOPED_TRACE("case " + std::to_string(i));
    const HitPageKeywordList list = c.index.HitPageKeywordsOf(k.keywords, false);
    HitPageMarking bare, rendered;
    std::string page;
    ASSERT_TRUE(IsOk(c.index.HitPageMarks(k.record, list, HitScope::WholeText, bare)));
    ASSERT_TRUE(IsOk(c.index.HitPageMarks(k.record, list, HitScope::WholeText, rendered, &page)));
    std::string html;
    HitPageReport report;
    ASSERT_TRUE(IsOk(c.index.BuildHitPage(k.record, html, k.keywords, 0, false, report)));

    EXPECT_EQ(bare.marked, k.marked);
    EXPECT_EQ(bare.marks.Count(), k.anchors);
    if (k.note.empty()) EXPECT_TRUE(bare.note.empty()) << bare.note;
    else EXPECT_NE(bare.note.find(k.note), std::string::npos) << bare.note;
    // The same marks, page and note as the hit page, with or without it.
    for (const HitPageMarking* m : {&bare, &rendered}) {
      EXPECT_EQ(m->marked, bare.marked);
      EXPECT_EQ(m->note, report.note);
      EXPECT_EQ(m->marks.starts, rendered.marks.starts);
      ASSERT_EQ(m->marks.ranges.size(), rendered.marks.ranges.size());
      for (size_t r = 0; r < m->marks.ranges.size(); ++r) {
        EXPECT_EQ(m->marks.ranges[r].first, rendered.marks.ranges[r].first);
        EXPECT_EQ(m->marks.ranges[r].last, rendered.marks.ranges[r].last);
      }
    }
    EXPECT_EQ(static_cast<size_t>(report.anchors), k.anchors);
    EXPECT_EQ(page, html);
    EXPECT_LE(html.size(), CFileList::kMinHitPageLimit);
  }
  // A record that cannot be read: the reason, and no marks.
  HitPageMarking none;
  const Status missing =
      c.index.HitPageMarks(2, c.index.HitPageKeywordsOf(u"之", false), HitScope::WholeText, none);
  EXPECT_FALSE(missing.IsOk());
  EXPECT_EQ(none.marks.Count(), 0u);
  EXPECT_TRUE(none.text.chars.empty());
}

}  // namespace

}  // namespace tevarin
