#include <gtest/gtest.h>

#include "support/search_fixture.h"

namespace tevarin {

namespace {

using Hits = std::vector<std::pair<uint32_t, uint32_t>>;

// X, Y, Z: 甲 乙 丙; filler 一.
const std::u16string X = u"甲", Y = u"乙", Z = u"丙";

class Search : public ::testing::Test {
 protected:
  void SetUp() override {
    f.Build({
        X + Y + Z,                        // 0
        X + u"一" + Y,                    // 1
        Y + X,                            // 2 reversed
        X + Filler(300) + Y,              // 3: 300 between
        X + Filler(301) + Y,              // 4: 301 between
        X + X + X,                        // 5
        X + Y + u"一" + Z,                // 6
        X + u"一一" + Y + Filler(3) + Z,  // 7
    });
  }
  SearchFixture f;
};

TEST_F(Search, PatternsFindTheirPagesAndCounts) {
  const struct {
    std::u16string query;
    Hits hits;
  } cases[] = {
      {X, {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 3}, {6, 1}, {7, 1}}},
      {u"*" + X + u"*", {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 3}, {6, 1}, {7, 1}}},
      {u"**" + X + u"**", {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 3}, {6, 1}, {7, 1}}},
      {X + u"?" + Y, {{1, 1}}},
      {X + u"？" + Y, {{1, 1}}},
      {X + u"??" + Y, {{7, 1}}},
      {X + u"*" + Y, {{0, 1}, {1, 1}, {3, 1}, {6, 1}, {7, 1}}},  // not reversed, not 301 apart
      {Y + u"*" + X, {{2, 1}}},
      {X + X, {{5, 2}}},  // overlapping occurrences count
      {X + Y + u"?" + Z, {{6, 1}}},
      {X + Y + Z, {{0, 1}}},
      {X + u"、" + Y, {{0, 1}, {6, 1}}},                    // U+3001 has no slot: dropped
      {X + u"，" + Y, {{0, 1}, {6, 1}}},                    // nor has punctuation of any width
      {X + u"：！" + Y + u"。" + Z, {{0, 1}}},
      {X + u"\U0001F600、" + Y, {{0, 1}, {6, 1}}},          // unindexed pair and character
      // "?" at a segment boundary require one more position: 301 between is fine.
      {X + u"?*" + Y, {{1, 1}, {3, 1}, {4, 1}, {7, 1}}},
      {X + u"*?*" + Y, {{1, 1}, {3, 1}, {4, 1}, {7, 1}}},  // a segment of only "?" adds to the gap
      {X + u"*" + Y + u"*" + Z, {{0, 1}, {6, 1}, {7, 1}}},  // three segments
  };
  for (const auto& c : cases) {
    std::u16string q = c.query;
    EXPECT_EQ(f.And(q), c.hits) << "case " << (&c - cases);
  }
}

TEST_F(Search, OnlyWildcardsGiveNoPages) {
  EXPECT_FALSE(f.And(X).empty());
  EXPECT_EQ(f.index.LastOutcome(), SearchOutcome::kHits);
  std::u16string q = u"*?";
  EXPECT_EQ(f.index.SearchAnd(q, true, false), 0);
  EXPECT_TRUE(f.Hits().empty());
  EXPECT_EQ(f.index.GetHitPageCount(), 0);
  EXPECT_EQ(f.index.LastOutcome(), SearchOutcome::kNoHits);
}

TEST_F(Search, RejectedStringsLeaveEverythingAsItWas) {
  const Hits before = f.And(Y);
  for (std::u16string q : {X + u"a", X + u"1", X + u"\u00FF", std::u16string(), std::u16string(u" \u3000 ")}) {
    const std::u16string original = q;
    EXPECT_EQ(f.index.SearchAnd(q, true, false), 0);
    EXPECT_EQ(f.index.LastOutcome(), SearchOutcome::kRejected);
    EXPECT_EQ(f.index.SearchOr(q, true, false), 0);
    EXPECT_EQ(f.index.LastOutcome(), SearchOutcome::kRejected);
    EXPECT_EQ(q, original);
    EXPECT_EQ(f.Hits(), before);
  }
  // Full-width letters have slots: searched, not rejected; full-width
  // punctuation is dropped as other punctuation is.
  EXPECT_TRUE(f.And(X + u"\uFF21").empty());
  EXPECT_EQ(f.index.GetHitPageCount(), 0);
  EXPECT_EQ(f.And(X + u"\uFF01"), f.And(X));
}

TEST_F(Search, AndAndOrCombineKeywords) {
  // AND: ascending pages, counts summed over the keywords.
  EXPECT_EQ(f.And(Z + u" " + X), (Hits{{0, 2}, {6, 2}, {7, 2}}));
  // OR: the first keyword's pages, then the pages the next one adds; shared
  // pages counted once with the summed count.
  EXPECT_EQ(f.Or(Z + u" " + X + X),
            (Hits{{0, 1}, {6, 1}, {7, 1}, {5, 2}}));
  EXPECT_EQ(f.Or(Z + u" " + X),
            (Hits{{0, 2}, {6, 2}, {7, 2}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 3}}));
  // A keyword without pages empties an AND for good, and adds nothing to an OR;
  // a character without postings is told apart from a keyword without hits.
  EXPECT_TRUE(f.And(X + u" 丁 " + Y).empty());
  EXPECT_EQ(f.index.LastOutcome(), SearchOutcome::kNoPostings);
  EXPECT_TRUE(f.And(Z + X).empty());
  EXPECT_EQ(f.index.LastOutcome(), SearchOutcome::kNoHits);
  EXPECT_EQ(f.Or(Z + u" 丁"), (Hits{{0, 1}, {6, 1}, {7, 1}}));
  EXPECT_EQ(f.index.LastOutcome(), SearchOutcome::kHits);
}

TEST_F(Search, SpacesAreWrittenBackAsIdeographicSpaces) {
  std::u16string q = X + u" " + Y + u"  " + Z;
  f.index.SearchAnd(q, true, false);
  EXPECT_EQ(q, X + u"\u3000" + Y + u"\u3000\u3000" + Z);
  // An ideographic space inside a run stays part of the keyword (and is dropped).
  EXPECT_EQ(f.And(X + u"\u3000" + Y), (Hits{{0, 1}, {6, 1}}));
}

TEST_F(Search, WithoutCountingHitsCountsStayEmpty) {
  std::u16string q = X;
  f.index.SearchAnd(q, false, false);
  EXPECT_EQ(f.index.GetHitPageCount(), 8);
  EXPECT_TRUE(f.index.GetHitCounts().empty());
}

TEST(SearchEdges, ThreeSegmentsAreFoundWhereverTheyOccur) {
  // X at 0 and 340, Y at 350, Z at 360: only the second X begins a match.
  std::u16string page = X + Filler(339) + X + Filler(9) + Y + Filler(9) + Z;
  SearchFixture f;
  f.Build({page, X + Y + Z + X + Y + Z});
  EXPECT_EQ(f.And(X + u"*" + Y + u"*" + Z), (Hits{{0, 1}, {1, 2}}));
  // A "?" segment dropped between two segments still needs its position.
  EXPECT_EQ(f.And(X + u"*" + Y + u"*?*" + Z), (Hits{{0, 1}, {1, 1}}));
  EXPECT_TRUE(f.And(X + u"*" + Y + u"*?*" + Z + u"*" + X).empty());
}

TEST(SearchEdges, LongKeywordsAndTheClosedEngine) {
  std::u16string longText;
  for (int i = 0; i < 400; ++i) longText += (i % 2 ? X : Y);
  SearchFixture f;
  f.Build({longText, X + Y});
  // A keyword longer than 298 units is searched whole.
  EXPECT_EQ(f.And(longText), (Hits{{0, 1}}));
  std::u16string stars;
  for (int i = 0; i < 350; ++i) stars += (i % 2 ? X : Y) + u"*";
  EXPECT_EQ(f.And(stars), (Hits{{0, 26}}));  // Y*X*...: first-segment starts that complete
  f.index.Close();
  std::u16string q = X;
  EXPECT_EQ(f.index.SearchAnd(q, true, false), 0);
  EXPECT_TRUE(f.Hits().empty());
  EXPECT_EQ(f.index.LastOutcome(), SearchOutcome::kClosed);
  EXPECT_EQ(f.index.SearchKeyword(X, CombineMode::Union, true, false), 0);
  EXPECT_EQ(f.index.LastOutcome(), SearchOutcome::kClosed);
}

}  // namespace

}  // namespace tevarin
