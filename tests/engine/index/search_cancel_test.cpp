// A search can be stopped from another thread through a flag; a cancelled
// search is told apart from one without hits.
#include <gtest/gtest.h>

#include <atomic>
#include "support/search_fixture.h"

namespace tevarin {

namespace {

using Hits = std::vector<std::pair<uint32_t, uint32_t>>;

const std::u16string X = u"甲", Y = u"乙";

TEST(SearchCancel, AFlagSetBeforehandCancelsAndAnUnsetFlagChangesNothing) {
  SearchFixture f;
  f.Build({X + Y, X, Y + X + X, u"丙"});
  const Hits both = f.And(X + u" " + Y), either = f.Or(X + u" " + Y);
  ASSERT_EQ(both, (Hits{{0, 2}, {2, 3}}));

  std::atomic<bool> cancel{false};
  f.index.SetCancelFlag(&cancel);
  EXPECT_EQ(f.And(X + u" " + Y), both);
  EXPECT_FALSE(f.index.Cancelled());
  EXPECT_EQ(f.Or(X + u" " + Y), either);
  EXPECT_FALSE(f.index.Cancelled());
  // No hits is not a cancellation.
  EXPECT_TRUE(f.And(u"丁").empty());
  EXPECT_FALSE(f.index.Cancelled());

  cancel = true;
  for (bool orMode : {false, true}) {
    f.And(X);  // a hit list to be dropped
    std::u16string q = X + u" " + Y;
    EXPECT_EQ(orMode ? f.index.SearchOr(q, true, false) : f.index.SearchAnd(q, true, false), 0);
    EXPECT_TRUE(f.index.Cancelled());
    EXPECT_EQ(f.index.LastOutcome(), SearchOutcome::kCancelled);
    EXPECT_TRUE(f.Hits().empty());
    EXPECT_EQ(f.index.GetHitPageCount(), 0);
    EXPECT_EQ(q, X + u"\u3000" + Y);  // the spaces are written back all the same
    std::u16string one = X;
    EXPECT_EQ(f.index.SearchKeyword(one, CombineMode::Replace, true, false), 0);
    EXPECT_TRUE(f.index.Cancelled());
  }

  // The next search after the flag is cleared runs whole.
  cancel = false;
  EXPECT_EQ(f.And(X + u" " + Y), both);
  EXPECT_FALSE(f.index.Cancelled());
  // A rejected string neither searches nor counts as cancelled.
  cancel = true;
  std::u16string rejected = u"a";
  EXPECT_EQ(f.index.SearchAnd(rejected, true, false), 0);
  EXPECT_FALSE(f.index.Cancelled());
  EXPECT_EQ(f.Hits(), both);
  // Without a hook the flag is not read.
  f.index.SetCancelFlag(nullptr);
  EXPECT_EQ(f.And(X + u" " + Y), both);
  EXPECT_FALSE(f.index.Cancelled());
}

}  // namespace

}  // namespace tevarin
