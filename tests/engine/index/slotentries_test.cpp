// SlotEntries and SlotEntryCache: a slot's stream decoded once and kept
// under a memory limit, the least recently used dropped first, and only a
// sound stream ever kept.
#include "index/slotentries.h"

#include <gtest/gtest.h>

#include <atomic>

#include "index/postingsfile.h"
#include "support/search_fixture.h"

namespace tevarin {

namespace {

const std::u16string X = u"甲", Y = u"乙";

TEST(SlotEntries, ADecodingStoppedHalfWayIsNotKept) {
  SearchFixture f;
  std::vector<std::u16string> pages;
  for (int p = 0; p < 3000; ++p) pages.push_back(p % 3 ? X + Y : X);
  f.Build(pages);
  const int slot = CharToSlot(U'甲');

  SlotEntries scratch, entries;
  std::atomic<bool> cancel{true};
  EXPECT_EQ(entries.Decode(f.index.Postings(), slot, scratch, SIZE_MAX, &cancel),
            SlotEntries::Outcome::Cancelled);
  EXPECT_TRUE(entries.pages.empty());
  // Decoding stops as soon as the entries pass the bound: 3000 pages take
  // 3000 page numbers, 3001 entry starts and 3000 positions.
  EXPECT_EQ(entries.Decode(f.index.Postings(), slot, scratch, 9000 * 4),
            SlotEntries::Outcome::TooLarge);
  EXPECT_TRUE(entries.pages.empty());
  EXPECT_EQ(entries.Decode(f.index.Postings(), slot, scratch, 3000 * 4),
            SlotEntries::Outcome::TooLarge);
  EXPECT_LE(scratch.pages.size(), 1000u);
  EXPECT_EQ(entries.Decode(f.index.Postings(), slot, scratch, 9001 * 4),
            SlotEntries::Outcome::Sound);
  EXPECT_EQ(entries.pages.size(), 3000u);

  // A slot whose decoding was cancelled is decoded by the next search.
  SlotEntryCache cache;
  cache.BeginSearch();
  EXPECT_EQ(cache.Get(f.index.Postings(), slot, &cancel), nullptr);
  cancel = false;
  const SlotEntries* kept = cache.Get(f.index.Postings(), slot, &cancel);
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(kept->pages.size(), 3000u);
  // One too large for the limit is walked, and decoded once a larger limit
  // lets it fit.
  SlotEntryCache small;
  small.SetLimit(2 * 9000 * 4);
  small.BeginSearch();
  EXPECT_EQ(small.Get(f.index.Postings(), slot), nullptr);
  small.SetLimit(2 * 9001 * 4);
  small.BeginSearch();
  EXPECT_NE(small.Get(f.index.Postings(), slot), nullptr);
}

TEST(SlotEntryCache, EvictsTheLeastRecentlyUsedOfEarlierSearches) {
  SearchFixture f;
  f.Build(std::vector<std::u16string>(200, u"甲乙丙丁"));
  const PostingsFile& file = f.index.Postings();
  const int a = CharToSlot(U'甲'), b = CharToSlot(U'乙'), c = CharToSlot(U'丙'),
            d = CharToSlot(U'丁');
  SlotEntries scratch, probe;
  ASSERT_EQ(probe.Decode(file, a, scratch), SlotEntries::Outcome::Sound);
  const size_t one = probe.MemoryBytes();  // every slot here decodes to this size

  SlotEntryCache cache;
  const size_t limit = 2 * one + one / 2;  // room for two slots
  cache.SetLimit(limit);
  cache.BeginSearch();
  ASSERT_NE(cache.Get(file, a), nullptr);
  cache.BeginSearch();
  ASSERT_NE(cache.Get(file, b), nullptr);
  EXPECT_EQ(cache.MemoryBytes(), 2 * one);
  cache.BeginSearch();
  ASSERT_NE(cache.Get(file, a), nullptr);  // a used again: b is the oldest now
  cache.BeginSearch();
  ASSERT_NE(cache.Get(file, c), nullptr);  // in place of b
  EXPECT_EQ(cache.MemoryBytes(), 2 * one);
  // a and c were kept: both are handed out in one search without evicting
  // each other; a third slot finds no room that this search does not hold,
  // and is walked.
  cache.BeginSearch();
  EXPECT_NE(cache.Get(file, a), nullptr);
  EXPECT_NE(cache.Get(file, c), nullptr);
  EXPECT_EQ(cache.Get(file, d), nullptr);
  EXPECT_LE(cache.MemoryBytes(), limit);
  // A limit of 0 keeps nothing.
  cache.SetLimit(0);
  EXPECT_EQ(cache.MemoryBytes(), 0u);
  cache.BeginSearch();
  EXPECT_EQ(cache.Get(file, a), nullptr);
}

// Streams only a damaged file holds: a page listed twice, pages that wrap
// around, a last page never reached. None is kept decoded.
TEST(SlotEntryCache, UnsoundStreamsAreNeverKept) {
  TempDir dir;
  IndexWriter w;
  w.SetRawStream(1, {0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x02, 0x01, 0x01, 0x00, 0x03},
                 1);                                                       // page 0 twice
  w.SetRawStream(2, {0x05, 0x01, 0x00, 0x01, 0x03, 0x01, 0x00, 0x02}, 7);  // last page 7 never met
  w.SetRawStream(3, {0x00, 0x01, 0x00, 0x01}, 0);                          // sound
  ASSERT_TRUE(w.Write(dir.file("Index")));
  PostingsFile file;
  ASSERT_TRUE(file.Open(dir.file("Index")));
  SlotEntries scratch, entries;
  EXPECT_EQ(entries.Decode(file, 1, scratch), SlotEntries::Outcome::Unsound);
  EXPECT_EQ(entries.Decode(file, 2, scratch), SlotEntries::Outcome::Unsound);
  EXPECT_TRUE(entries.pages.empty());
  EXPECT_EQ(entries.Decode(file, 4, scratch), SlotEntries::Outcome::Unsound);  // no postings
  SlotEntryCache cache;
  for (int round = 0; round < 2; ++round) {
    cache.BeginSearch();
    EXPECT_EQ(cache.Get(file, 1), nullptr);
    EXPECT_EQ(cache.Get(file, 2), nullptr);
  }
  EXPECT_EQ(cache.MemoryBytes(), 0u);
  ASSERT_NE(cache.Get(file, 3), nullptr);
  EXPECT_GT(cache.MemoryBytes(), 0u);
}

}  // namespace

}  // namespace tevarin
