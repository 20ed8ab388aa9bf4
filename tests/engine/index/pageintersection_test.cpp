// PageIntersection: the pages several ascending lists all hold, with where
// each kept page stands in every list, by merging lists of similar length
// and galloping through a list much longer than the pages kept.
#include "index/pageintersection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace tevarin {

namespace {

using List = std::vector<uint32_t>;

// The intersection of the lists as a plain set operation.
List Shared(const std::vector<List>& lists) {
  List out = lists[0];
  for (size_t k = 1; k < lists.size(); ++k) {
    List next;
    std::set_intersection(out.begin(), out.end(), lists[k].begin(), lists[k].end(),
                          std::back_inserter(next));
    out.swap(next);
  }
  return out;
}

// Narrows over all the lists and checks the pages kept and, for every list,
// that Locate names each kept page's place in it.
void CheckIntersection(const std::vector<List>& lists, const char* what) {
  PageIntersection shared;
  shared.Start(lists[0].data(), lists[0].size());
  for (size_t k = 1; k < lists.size(); ++k) shared.Narrow(lists[k].data(), lists[k].size());
  const List expect = Shared(lists);
  List got;
  for (size_t c = 0; c < shared.Size(); ++c) got.push_back(shared.Page(c));
  EXPECT_EQ(got, expect) << what;
  std::vector<uint32_t> scratch;
  for (size_t k = 0; k < lists.size(); ++k) {
    if (expect.empty()) break;
    const uint32_t* at = shared.Locate(lists[k].data(), lists[k].size(), scratch);
    for (size_t c = 0; c < expect.size(); ++c)
      ASSERT_EQ(lists[k][at[c]], expect[c]) << what << ": list " << k << " page " << c;
  }
}

TEST(PageIntersection, EmptyListsKeepNothing) {
  const List some = {1, 4, 9};
  CheckIntersection({{}, some}, "empty first");
  CheckIntersection({some, {}}, "empty second");
  CheckIntersection({some, {2, 3}, some}, "nothing in common, then more");
  PageIntersection shared;
  shared.Start(some.data(), some.size());
  EXPECT_EQ(shared.Size(), 3u);  // Start's list alone is kept whole
  std::vector<uint32_t> scratch;
  const uint32_t* at = shared.Locate(some.data(), some.size(), scratch);
  EXPECT_EQ(std::vector<uint32_t>(at, at + 3), (std::vector<uint32_t>{0, 1, 2}));
}

// A list more than eight times as long as the pages kept is galloped
// through, a shorter one merged; both give the same pages and places, for
// the lists whose places are carried along and for those looked up after.
TEST(PageIntersection, GallopingAndMergingAgreeAcrossTheThreshold) {
  std::mt19937 random(5);
  const List kept = {3, 50, 51, 700, 999};
  // kept's pages inside a list of n pages: a merge up to n = 47, galloping
  // from n = 48 (n / 8 above the 5 pages kept).
  auto around = [&](size_t n, uint32_t range) {
    List l = kept;
    while (l.size() < n) {
      const uint32_t p = random() % range;
      if (std::find(l.begin(), l.end(), p) == l.end()) l.push_back(p);
    }
    std::sort(l.begin(), l.end());
    return l;
  };
  for (size_t n : {size_t(5), size_t(47), size_t(48), size_t(49), size_t(400)}) {
    const List other = around(n, 1000);
    CheckIntersection({kept, other}, "one long list");
    CheckIntersection({other, kept}, "the long list first");
    CheckIntersection({kept, other, around(n, 1000)}, "two long lists");
  }
  // Many lists: the first eight carry their places along, the rest are
  // looked up.
  std::vector<List> lists;
  for (int k = 0; k < 12; ++k) lists.push_back(around(k % 2 ? 3000 : 200, 5000));
  CheckIntersection(lists, "twelve lists");
}

TEST(PageIntersection, GallopToFindsTheFirstPageNotBelow) {
  const List l = {2, 4, 6, 8, 10, 12, 14, 16, 18, 20};
  EXPECT_EQ(GallopTo(l.data(), 0, l.size(), 1), 0u);
  EXPECT_EQ(GallopTo(l.data(), 0, l.size(), 2), 0u);
  EXPECT_EQ(GallopTo(l.data(), 0, l.size(), 3), 1u);
  EXPECT_EQ(GallopTo(l.data(), 3, l.size(), 3), 3u);  // never moves back
  EXPECT_EQ(GallopTo(l.data(), 0, l.size(), 19), 9u);
  EXPECT_EQ(GallopTo(l.data(), 0, l.size(), 21), l.size());
  EXPECT_EQ(GallopTo(l.data(), l.size(), l.size(), 0), l.size());
}

}  // namespace

}  // namespace tevarin
