// The concordance and the hit distribution on a small collection: the lines
// of each search against lines worked out by hand from the page texts
// (body and notes, context cut at the page's ends, supplementary-plane
// characters, variants, wildcards, and/or), each page's lines against its
// hit page's anchors, the sorts, and the distribution against the result
// list's totals.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "catalog/catalogue.h"
#include "catalog/concordance.h"
#include "catalog/delimitedtext.h"
#include "catalog/hitdistribution.h"
#include "catalog/searchresult.h"
#include "support/hitpage_markup.h"
#include "support/page_collection.h"
#include "writer/cataloguewriter.h"

namespace tevarin {

namespace {

const std::string kNote = "<font size=-1 color=\"#993366\">";

// Record r is page r + 2 of the book store; the catalogue numbers the pages
// inside each volume.
const std::vector<std::string> kCells = {
    "<p>床前明月光，疑是地上霜。</p>\n<p>舉頭望明月，低頭思故鄉。</p>\n",
    "<p>明月出天山" + kNote + "（月，月亮也）</font>，蒼茫雲海間。</p>",
    "<p>𠀀明月𠀁</p>",
    "<p>学而时习之，不亦说乎？</p>",
    "<p>學而時習之</p><p>月落烏啼霜滿天</p>",
};
const std::vector<std::string> kGroups = {"5B66,5B78", "65F6,6642", "4E60,7FD2", "8BF4,8AAA"};

struct Line {
  uint32_t record;
  const char* part;
  int32_t anchor;
  std::u16string left, match, right;
  bool operator==(const Line&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Line& l) {
  return os << "{" << l.record << " " << l.part << " #" << l.anchor << " [" << Utf8FromUtf16(l.left)
            << "|" << Utf8FromUtf16(l.match) << "|" << Utf8FromUtf16(l.right) << "]}";
}

class ConcordanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<StoredPage> pages;
    for (size_t r = 0; r < kCells.size(); ++r) {
      const int number = static_cast<int>(r) + 2;
      pages.push_back({"b\\v\\" + std::to_string(number) + ".htm", LaidOutPage(number, kCells[r])});
    }
    c.Build(pages, kGroups);
    CatalogueWriter w;
    // 經部 / 詩經: 卷一 = records 0-1 (pages 1-2), 卷二 = record 2 (page 5);
    // 集部 / 唐詩 / 卷三 = records 3-4 (pages 1-2).
    ASSERT_TRUE(IsOk(w.Add(u"經部", 1, 1, 3, 1)));
    ASSERT_TRUE(IsOk(w.Add(u"詩經", 2, 1, 3, 1)));
    ASSERT_TRUE(IsOk(w.Add(u"卷一", 3, 1, 2, 1)));
    ASSERT_TRUE(IsOk(w.Add(u"卷二", 3, 3, 1, 5)));
    ASSERT_TRUE(IsOk(w.Add(u"集部", 1, 4, 2, 1)));
    ASSERT_TRUE(IsOk(w.Add(u"唐詩", 2, 4, 2, 1)));
    ASSERT_TRUE(IsOk(w.Add(u"卷三", 3, 4, 2, 1)));
    ASSERT_TRUE(IsOk(w.Write(c.dir.file(kCatalogueName))));
    ASSERT_TRUE(IsOk(catalogue.Load(c.dir.path())));
  }

  std::vector<ConcordanceLine> Run(ConcordanceQuery q, Concordance& concordance) {
    EXPECT_TRUE(IsOk(c.index.SelectPart(IndexPartOf(q.scope))));
    const Status s = concordance.Search(q);
    EXPECT_TRUE(IsOk(s)) << s.Message();
    std::vector<ConcordanceLine> lines;
    std::vector<std::string> notes;
    concordance.Lines(0, lines, &notes);
    EXPECT_TRUE(notes.empty());
    return lines;
  }

  static std::vector<Line> Simple(const std::vector<ConcordanceLine>& lines) {
    std::vector<Line> out;
    for (const auto& l : lines)
      out.push_back({l.record, l.inNotes ? "notes" : "body", l.anchor, l.left, l.match, l.right});
    return out;
  }

  PageCollection c;
  CCatalogue catalogue;
};

struct Case {
  const char* name;
  std::u16string keywords;
  bool useOr;
  HitScope scope;
  bool variants;
  int width;
  std::vector<Line> lines;
};

TEST_F(ConcordanceTest, LinesAreTheHitsInTheirPageText) {
  const HitScope W = HitScope::WholeText;
  const std::vector<Case> cases = {
      // Context cut at the page's start; punctuation counts; line breaks of
      // the markup do not.
      {"phrase", u"明月", false, W, false, 3,
       {{0, "body", 0, u"床前", u"明月", u"光，疑"},
        {0, "body", 1, u"舉頭望", u"明月", u"，低頭"},
        {1, "body", 0, u"", u"明月", u"出天山"},
        {2, "body", 0, u"𠀀", u"明月", u"𠀁"}}},
      // A supplementary-plane character is one character of context.
      {"supplementary", u"明月", false, W, false, 1,
       {{0, "body", 0, u"前", u"明月", u"光"},
        {0, "body", 1, u"望", u"明月", u"，"},
        {1, "body", 0, u"", u"明月", u"出"},
        {2, "body", 0, u"𠀀", u"明月", u"𠀁"}}},
      {"supplementary keyword", u"𠀁", false, W, false, 5, {{2, "body", 0, u"𠀀明月", u"𠀁", u""}}},
      // Notes only: the body around them is still context.
      {"notes", u"月", false, HitScope::Notes, false, 3,
       {{1, "notes", 0, u"天山（", u"月", u"，月亮"}, {1, "notes", 1, u"（月，", u"月", u"亮也）"}}},
      {"body", u"亮", false, HitScope::Body, false, 3, {}},
      // Variants: each page shows its own form.
      {"variants", u"學而", false, W, true, 2,
       {{3, "body", 0, u"", u"学而", u"时习"}, {4, "body", 0, u"", u"學而", u"時習"}}},
      {"no variants", u"學而", false, W, false, 2, {{4, "body", 0, u"", u"學而", u"時習"}}},
      // Wildcards: the match runs over the punctuation and the characters
      // the wildcards stand for.
      {"question mark", u"光?是", false, W, false, 2, {{0, "body", 0, u"明月", u"光，疑是", u"地上"}}},
      {"star", u"疑*霜", false, W, false, 2, {{0, "body", 0, u"光，", u"疑是地上霜", u"。舉"}}},
      // and: pages with both, their matches in page order; or: either.
      {"and", u"月 霜", false, W, false, 1,
       {{0, "body", 0, u"明", u"月", u"光"},
        {0, "body", 1, u"上", u"霜", u"。"},
        {0, "body", 2, u"明", u"月", u"，"},
        {4, "body", 0, u"之", u"月", u"落"},
        {4, "body", 1, u"啼", u"霜", u"滿"}}},
      {"or", u"霜 山", true, W, false, 1,
       {{0, "body", 0, u"上", u"霜", u"。"},
        {1, "body", 0, u"天", u"山", u"（"},
        {4, "body", 0, u"啼", u"霜", u"滿"}}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Concordance concordance(c.index, &catalogue);
    const auto lines = Run({k.keywords, k.useOr, k.variants, k.scope, nullptr, k.width}, concordance);
    EXPECT_EQ(Simple(lines), k.lines);
    uint64_t counted = 0;
    for (uint32_t n : concordance.Counts()) counted += n;
    EXPECT_EQ(concordance.TotalHits(), counted);
    EXPECT_EQ(lines.size(), counted);
  }
}

// Every page's lines are its hit page's anchors: as many, line i at anchor
// i, and the text after anchor i begins with line i's match.
TEST_F(ConcordanceTest, LinesMatchTheHitPageAnchors) {
  struct Query {
    std::u16string keywords;
    bool useOr;
    HitScope scope;
    bool variants;
  };
  const std::vector<Query> queries = {
      {u"月", false, HitScope::WholeText, false}, {u"月", false, HitScope::Notes, false},
      {u"月", false, HitScope::Body, false},      {u"學 之", true, HitScope::WholeText, true},
      {u"明月 霜", false, HitScope::WholeText, false}, {u"疑*霜 光?是", true, HitScope::WholeText, false},
      {u"月 月亮", true, HitScope::WholeText, false},
  };
  for (const Query& q : queries) {
    SCOPED_TRACE(Utf8FromUtf16(q.keywords));
    Concordance concordance(c.index, &catalogue);
    const auto lines = Run({q.keywords, q.useOr, q.variants, q.scope, nullptr, 5}, concordance);
    ASSERT_FALSE(concordance.Pages().empty());
    std::map<uint32_t, std::vector<const ConcordanceLine*>> byPage;
    for (const auto& l : lines) byPage[l.record].push_back(&l);
    for (uint32_t record : concordance.Pages()) {
      std::string html;
      std::u16string keywords = q.keywords;
      const int32_t anchors = c.index.BuildHitPage(static_cast<int32_t>(record), html, keywords,
                                                   static_cast<int32_t>(q.scope), q.variants);
      const auto& mine = byPage[record];
      ASSERT_EQ(static_cast<size_t>(anchors), mine.size()) << "record " << record;
      for (size_t i = 0; i < mine.size(); ++i) {
        EXPECT_EQ(mine[i]->anchor, static_cast<int32_t>(i));
        const size_t at = html.find(hitpage_markup::A(static_cast<int>(i)));
        ASSERT_NE(at, std::string::npos);
        // The shown text after the anchor: tags skipped, entities decoded.
        std::vector<RunChar> after;
        DecodeRunText(std::string_view(html).substr(at), after);
        std::u16string shown;
        for (const RunChar& ch : after)
          if (ch.codePoint >= 0x10000) {
            shown.push_back(static_cast<char16_t>(0xD800 + ((ch.codePoint - 0x10000) >> 10)));
            shown.push_back(static_cast<char16_t>(0xDC00 + (ch.codePoint & 0x3FF)));
          } else if (ch.codePoint >= 0x20) {
            shown.push_back(static_cast<char16_t>(ch.codePoint));
          }
        EXPECT_EQ(shown.substr(0, mine[i]->match.size()), mine[i]->match) << "anchor " << i;
      }
    }
  }
}

TEST_F(ConcordanceTest, PlacesRangeAndLimit) {
  Concordance concordance(c.index, &catalogue);
  const auto all = Run({u"月", false, false, HitScope::WholeText, nullptr, 2}, concordance);
  ASSERT_EQ(all.size(), 7u);
  // Record 2 is page 5 of 卷二; record 4 page 2 of 卷三.
  EXPECT_EQ(all[5].record, 2u);
  EXPECT_EQ(all[5].place.division->name, u"經部");
  EXPECT_EQ(all[5].place.book->name, u"詩經");
  EXPECT_EQ(all[5].place.volume->name, u"卷二");
  EXPECT_EQ(all[5].place.pageNo, 5);
  EXPECT_EQ(all[6].place.volume->name, u"卷三");
  EXPECT_EQ(all[6].place.pageNo, 2);

  // The first lines alone: the same as the first of all the lines.
  std::vector<ConcordanceLine> first;
  concordance.Lines(3, first);
  ASSERT_EQ(first.size(), 3u);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(Simple({first[i]}), Simple({all[i]}));

  // Over a search the caller ran: the same lines, nothing searched again.
  std::u16string keywords = u"月";
  c.index.SearchAnd(keywords, true, false);
  Concordance fromHits(c.index, &catalogue);
  ASSERT_TRUE(IsOk(fromHits.UseHits({keywords, false, false, HitScope::WholeText, nullptr, 2})));
  std::vector<ConcordanceLine> again;
  fromHits.Lines(0, again);
  EXPECT_EQ(Simple(again), Simple(all));

  // A range: the pages inside it, the same lines.
  const ContentsNodeTag* volume1 = catalogue.NodeOf(3);
  ASSERT_NE(volume1, nullptr);
  const auto inRange = Run({u"月", false, false, HitScope::WholeText, volume1, 2}, concordance);
  EXPECT_EQ(Simple(inRange), Simple({all.begin(), all.begin() + 5}));
  EXPECT_EQ(concordance.Pages(), (std::vector<uint32_t>{0, 1}));
}

TEST_F(ConcordanceTest, RejectsBadQueries) {
  Concordance concordance(c.index, &catalogue);
  for (int width : {0, 101}) {
    ConcordanceQuery q{u"月", false, false, HitScope::WholeText, nullptr, width};
    EXPECT_FALSE(concordance.Search(q).IsOk()) << width;
  }
  ConcordanceQuery bad{u"abc", false, false, HitScope::WholeText, nullptr, 20};
  EXPECT_FALSE(concordance.Search(bad).IsOk());
  EXPECT_TRUE(concordance.Pages().empty());
}

// A page whose hit page would pass its size bound with every keyword
// marked: the hit page marks the first keywords that fit, and the
// concordance gives lines for exactly those, saying what it leaves out.
TEST(ConcordanceBoundTest, FollowsTheHitPageWhenItLeavesKeywordsUnmarked) {
  PageCollection c;
  std::string cell = "<p>之乎者之也之</p><p>";
  for (int i = 0; i < 20000; ++i) cell += "山";
  cell += "</p>";
  c.Build({{"b\\v\\2.htm", LaidOutPage(2, cell)}});
  std::u16string keywords = u"之 山";
  Concordance concordance(c.index, nullptr);
  ASSERT_TRUE(IsOk(concordance.Search({keywords, true, false, HitScope::WholeText, nullptr, 2})));
  ASSERT_EQ(concordance.TotalHits(), 20003u);  // the search counts every hit

  std::string html;
  const int32_t anchors = c.index.BuildHitPage(0, html, keywords, 0, false);
  ASSERT_EQ(anchors, 3);  // 山 is left unmarked
  std::vector<ConcordanceLine> lines;
  std::string note;
  ASSERT_TRUE(IsOk(concordance.AppendPageLines(0, lines, &note)));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].right, u"乎者");
  EXPECT_EQ(lines[2].left, u"之也");
  EXPECT_EQ(lines[2].right, u"山山");
  EXPECT_NE(note.find("keyword 2"), std::string::npos) << note;
}

TEST(ConcordanceSortTest, OrdersByContextBookAndCollection) {
  // Texts chosen so that code-unit order and code-point order differ
  // (U+FF0C sorts below U+20000, whose first unit is a surrogate).
  ContentsNodeTag bookA, bookB;
  bookA.name = u"毛詩";
  bookB.name = u"周易";
  auto line = [](uint32_t record, int32_t anchor, const ContentsNodeTag* book, std::u16string left,
                 std::u16string right) {
    ConcordanceLine l;
    l.record = record;
    l.anchor = anchor;
    l.place.book = book;
    l.left = std::move(left);
    l.match = u"月";
    l.right = std::move(right);
    return l;
  };
  const std::vector<ConcordanceLine> lines = {
      line(0, 0, &bookA, u"，明", u"𠀀光"),
      line(0, 1, &bookA, u"日居", u"，光"),
      line(1, 0, &bookB, u"𠀀明", u"光"),
      line(2, 0, &bookB, u"居", u""),
      line(2, 1, &bookA, u"", u"光"),
  };
  struct SortCase {
    ConcordanceSort sort;
    std::vector<std::pair<uint32_t, int32_t>> order;
  };
  const std::vector<SortCase> cases = {
      // Following context: "" < "光" (twice, collection order) < "，光" < "𠀀光".
      {ConcordanceSort::Right, {{2, 0}, {1, 0}, {2, 1}, {0, 1}, {0, 0}}},
      // Preceding context read leftwards from the match: "" < "居" < "日居"
      // < "，明" < "𠀀明".
      {ConcordanceSort::Left, {{2, 1}, {2, 0}, {0, 1}, {0, 0}, {1, 0}}},
      // Book title 周易 (U+5468) < 毛詩 (U+6BDB), each in collection order.
      {ConcordanceSort::Book, {{1, 0}, {2, 0}, {0, 0}, {0, 1}, {2, 1}}},
      {ConcordanceSort::Collection, {{0, 0}, {0, 1}, {1, 0}, {2, 0}, {2, 1}}},
  };
  for (const SortCase& k : cases) {
    std::vector<ConcordanceLine> sorted = lines;
    std::reverse(sorted.begin(), sorted.end());
    if (k.sort != ConcordanceSort::Collection) SortLines(sorted, ConcordanceSort::Collection);
    SortLines(sorted, k.sort);
    std::vector<std::pair<uint32_t, int32_t>> got;
    for (const auto& l : sorted) got.emplace_back(l.record, l.anchor);
    EXPECT_EQ(got, k.order) << static_cast<int>(k.sort);
  }
  ConcordanceSort parsed;
  EXPECT_TRUE(ParseConcordanceSort("left", parsed));
  EXPECT_EQ(parsed, ConcordanceSort::Left);
  EXPECT_FALSE(ParseConcordanceSort("Left ", parsed));
}

TEST_F(ConcordanceTest, DistributionAddsUpToTheSummary) {
  // Indexed characters per record (punctuation takes none): whole text and
  // notes.
  const uint64_t whole[5] = {20, 14, 4, 9, 12};
  const uint64_t notes[5] = {0, 4, 0, 0, 0};
  struct DistCase {
    HitScope scope;
    int rangeEntry;  // 0: the whole collection
    // entry -> hits, pages
    std::map<int, std::pair<uint64_t, uint64_t>> rows;
  };
  const std::vector<DistCase> cases = {
      {HitScope::WholeText, 0, {{1, {6, 3}}, {2, {6, 3}}, {3, {5, 2}}, {4, {1, 1}}, {5, {1, 1}},
                                {6, {1, 1}}, {7, {1, 1}}}},
      {HitScope::WholeText, 2, {{2, {6, 3}}, {3, {5, 2}}, {4, {1, 1}}}},
      {HitScope::Notes, 0, {{1, {2, 1}}, {2, {2, 1}}, {3, {2, 1}}, {4, {0, 0}}, {5, {0, 0}},
                            {6, {0, 0}}, {7, {0, 0}}}},
  };
  for (const DistCase& k : cases) {
    SCOPED_TRACE(::testing::Message() << "scope " << static_cast<int>(k.scope) << " range " << k.rangeEntry);
    const ContentsNodeTag* range = k.rangeEntry ? catalogue.NodeOf(k.rangeEntry) : nullptr;
    Concordance search(c.index, &catalogue);
    ASSERT_TRUE(IsOk(c.index.SelectPart(IndexPartOf(k.scope))));
    ASSERT_TRUE(IsOk(search.Search({u"月", false, false, k.scope, range, 20})));
    ScopeCharacters chars;
    ASSERT_TRUE(IsOk(chars.Count(c.index, k.scope, 0, 5)));
    const HitDistribution d = BuildHitDistribution(catalogue, range, search.Pages(), search.Counts(), chars);

    ASSERT_EQ(d.rows.size(), k.rows.size());
    for (const DistributionRow& row : d.rows) {
      const auto want = k.rows.at(row.entry);
      EXPECT_EQ(row.hits, want.first) << "entry " << row.entry;
      EXPECT_EQ(row.pages, want.second) << "entry " << row.entry;
      uint64_t expected = 0;
      for (uint32_t r = FirstRecordOf(*row.node); r < FirstRecordOf(*row.node) + uint32_t(row.node->docNo); ++r)
        expected += k.scope == HitScope::Notes ? notes[r] : whole[r];
      EXPECT_EQ(row.characters, expected) << "entry " << row.entry;
      EXPECT_DOUBLE_EQ(row.per10k, expected ? row.hits * 10000.0 / expected : 0.0);
    }
    // The top level adds up to the totals, and the totals are the result
    // list's summary.
    std::vector<SearchNodeTag> results;
    const int32_t hits = BuildSearchResult(range ? range : nullptr, c.index.GetHitPages(),
                                           c.index.GetHitCounts(), results);
    EXPECT_EQ(d.total.hits, static_cast<uint64_t>(hits));
    EXPECT_EQ(d.total.pages, results.size());
    const int top = range ? range->level : 1;
    uint64_t topHits = 0, topPages = 0;
    for (const DistributionRow& row : d.rows)
      if (row.node->level == top) {
        topHits += row.hits;
        topPages += row.pages;
      }
    EXPECT_EQ(topHits, d.total.hits);
    EXPECT_EQ(topPages, d.total.pages);
  }
}

}  // namespace

}  // namespace tevarin
