// A search can be stopped from another thread through a flag; a cancelled
// search is told apart from one without hits. "Or" searches of many keywords
// merge each keyword into the hit list in one walk: the list comes out as
// merging the keywords one at a time in order gives it.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <random>

#include "index/slotentries.h"
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
    EXPECT_TRUE(f.Hits().empty());
    EXPECT_EQ(f.index.GetHitPageCount(), 0);
    EXPECT_EQ(q, X + u"\u3000" + Y);  // the spaces are written back all the same
    std::u16string one = X;
    EXPECT_EQ(f.index.SearchKeyword(one, Replace, true, false), 0);
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

TEST(SearchCancel, ADecodingStoppedHalfWayIsNotKept) {
  SearchFixture f;
  std::vector<std::u16string> pages;
  for (int p = 0; p < 3000; ++p) pages.push_back(p % 3 ? X + Y : X);
  f.Build(pages);
  const int slot = CharToSlot(U'甲');

  SlotEntries scratch, entries;
  std::atomic<bool> cancel{true};
  EXPECT_EQ(entries.Decode(f.index, slot, scratch, SIZE_MAX, &cancel), SlotEntries::Outcome::Cancelled);
  EXPECT_TRUE(entries.pages.empty());
  // Decoding stops as soon as the entries pass the bound: 3000 pages take
  // 3000 page numbers, 3001 entry starts and 3000 positions.
  EXPECT_EQ(entries.Decode(f.index, slot, scratch, 9000 * 4), SlotEntries::Outcome::TooLarge);
  EXPECT_TRUE(entries.pages.empty());
  EXPECT_EQ(entries.Decode(f.index, slot, scratch, 3000 * 4), SlotEntries::Outcome::TooLarge);
  EXPECT_LE(scratch.pages.size(), 1000u);
  EXPECT_EQ(entries.Decode(f.index, slot, scratch, 9001 * 4), SlotEntries::Outcome::Sound);
  EXPECT_EQ(entries.pages.size(), 3000u);

  // A slot whose decoding was cancelled is decoded by the next search.
  SlotEntryCache cache;
  cache.BeginSearch();
  EXPECT_EQ(cache.Get(f.index, slot, &cancel), nullptr);
  cancel = false;
  const SlotEntries* kept = cache.Get(f.index, slot, &cancel);
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(kept->pages.size(), 3000u);
  // One too large for the limit is walked, and decoded once a larger limit
  // lets it fit.
  SlotEntryCache small;
  small.SetLimit(2 * 9000 * 4);
  small.BeginSearch();
  EXPECT_EQ(small.Get(f.index, slot), nullptr);
  small.SetLimit(2 * 9001 * 4);
  small.BeginSearch();
  EXPECT_NE(small.Get(f.index, slot), nullptr);
}

uint32_t Occurrences(const std::u16string& text, const std::u16string& keyword) {
  uint32_t n = 0;
  for (size_t at = text.find(keyword); at != std::u16string::npos; at = text.find(keyword, at + 1)) ++n;
  return n;
}

// The hit list of an "or" search built keyword by keyword: pages already
// listed get the keyword's count added, new ones are appended in page order.
Hits OrOneByOne(const std::vector<std::u16string>& texts, const std::vector<std::u16string>& keywords) {
  Hits hits;
  std::map<uint32_t, size_t> place;
  for (const auto& k : keywords)
    for (uint32_t p = 0; p < texts.size(); ++p) {
      const uint32_t n = Occurrences(texts[p], k);
      if (n == 0) continue;
      const auto it = place.find(p);
      if (it != place.end()) {
        hits[it->second].second += n;
      } else {
        place.emplace(p, hits.size());
        hits.emplace_back(p, n);
      }
    }
  return hits;
}

std::u16string Joined(const std::vector<std::u16string>& keywords) {
  std::u16string s;
  for (const auto& k : keywords) s += (s.empty() ? u"" : u" ") + k;
  return s;
}

TEST(SearchOrMerge, ManyKeywordsMergeAsOneAtATime) {
  // 300 pages over 40 characters; an "or" of every character (and some
  // pairs, and one keyword twice).
  std::u16string alphabet;
  for (char16_t c = u'\u4E00'; alphabet.size() < 40; c += 3) alphabet.push_back(c);
  std::mt19937 random(7);
  std::vector<std::u16string> texts;
  for (int p = 0; p < 300; ++p) {
    std::u16string t;
    for (size_t n = 1 + random() % 12; n > 0; --n) t.push_back(alphabet[random() % alphabet.size()]);
    texts.push_back(t);
  }
  SearchFixture f;
  f.Build(texts);

  std::vector<std::u16string> keywords;
  for (int i = 39; i >= 0; --i) keywords.push_back(alphabet.substr(static_cast<size_t>(i), 1));
  for (int i = 0; i < 40; i += 7) keywords.push_back(alphabet.substr(static_cast<size_t>(i), 2));
  keywords.push_back(alphabet.substr(5, 1));
  const Hits expect = OrOneByOne(texts, keywords);
  EXPECT_EQ(f.Or(Joined(keywords)), expect);
  EXPECT_EQ(f.index.GetHitPageCount(), static_cast<int32_t>(expect.size()));

  // An "and" step on that list (out of page order): the step's pages it
  // holds, ascending, counts summed.
  const std::u16string k = alphabet.substr(3, 1);
  Hits narrowed;
  for (uint32_t p = 0; p < texts.size(); ++p)
    for (const auto& [page, count] : expect)
      if (page == p && Occurrences(texts[p], k)) narrowed.emplace_back(p, count + Occurrences(texts[p], k));
  f.index.SearchKeyword(k, Intersect, true, false);
  EXPECT_EQ(f.Hits(), narrowed);
  // An "or" step after it merges into the new list.
  f.index.SearchKeyword(alphabet.substr(0, 1), Union, true, false);
  Hits widened = narrowed;
  for (uint32_t p = 0; p < texts.size(); ++p) {
    const uint32_t n = Occurrences(texts[p], alphabet.substr(0, 1));
    if (!n) continue;
    bool listed = false;
    for (auto& [page, count] : widened)
      if (page == p) {
        count += n;
        listed = true;
      }
    if (!listed) widened.emplace_back(p, n);
  }
  EXPECT_EQ(f.Hits(), widened);
}

}  // namespace

}  // namespace tevarin
