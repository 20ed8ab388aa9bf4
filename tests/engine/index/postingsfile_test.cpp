// PostingsFile and PostingsCursor: the index files opened, and slot streams
// read across blocks in every block order, through values straddling blocks
// and through damaged chains, which end the stream instead of leaving the
// mapping.
#include "index/postingsfile.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "base/littleendian.h"
#include "index/indexcheck.h"
#include "index/slotentries.h"
#include "index/termstream.h"
#include "support/testutil.h"
#include "writer/indexwriter.h"

namespace tevarin {

namespace {

using Entries = std::map<uint32_t, std::vector<uint32_t>>;  // record -> positions

// Decodes a slot's whole stream through the cursor, the way the search walks it:
// stop at the slot's last page; a failed cursor ends the stream.
Entries ReadSlot(const PostingsFile& file, int slot, bool skipPositions = false) {
  Entries out;
  if (!file.HasPostings(slot)) return out;
  PostingsCursor c = file.Cursor(slot);
  uint32_t page = 0;
  for (int guard = 0; guard < 1000000; ++guard) {
    uint32_t delta;
    uint16_t count;
    if (!c.ReadVarint(delta) || !c.ReadU16(count)) break;
    page += delta;
    std::vector<uint32_t>& pos = out[page];
    if (skipPositions) {
      pos.push_back(count);
      if (!c.Skip(count)) break;
    } else {
      uint32_t left = count, p = 0;
      bool first = true;
      while (left > 0) {
        const uint32_t before = c.Offset();
        const uint32_t beforeBlock = c.Block();
        uint32_t v;
        if (!c.ReadVarint(v)) return out;
        // Bytes consumed: works across a block change too.
        const uint32_t used =
            c.Block() == beforeBlock ? c.Offset() - before : (kBlockSize - before) + c.Offset();
        left = used > left ? 0 : left - used;
        p = first ? v : p + v;
        first = false;
        pos.push_back(p);
      }
    }
    if (page == file.LastPage(slot)) break;
  }
  return out;
}

// Streams long enough to span blocks, written in every block order, decode to
// what was written; values straddle block boundaries on the way.
TEST(PostingsFile, ChainedStreamsDecodeInEveryBlockOrder) {
  std::map<int, Entries> slots;
  // Slot 1: many pages with a few positions (page deltas of 1..3 bytes).
  for (uint32_t r = 0; r < 3000; ++r) slots[1][r * 37] = {r % 7, r % 7 + 200, r % 7 + 20000};
  // Slot 2: one page with a long position list (values straddle blocks).
  for (uint32_t i = 0; i < 5000; ++i) slots[2][3].push_back(i * 5 + (i % 5));
  // Slot 3: a single small entry.
  slots[3][70000] = {4194303};
  for (auto order : {IndexWriter::BlockOrder::Sequential, IndexWriter::BlockOrder::Interleaved,
                     IndexWriter::BlockOrder::Reversed}) {
    TempDir dir;
    IndexWriter w;
    for (const auto& [slot, entries] : slots)
      for (const auto& [rec, pos] : entries) ASSERT_TRUE(w.AddEntry(slot, rec, pos));
    ASSERT_TRUE(w.Write(dir.file("Index"), order));
    PostingsFile file;
    ASSERT_TRUE(file.Open(dir.file("Index")));
    for (const auto& [slot, entries] : slots) {
      EXPECT_EQ(ReadSlot(file, slot), entries) << "slot " << slot;
      EXPECT_EQ(file.LastPage(slot), entries.rbegin()->first);
      // Skipping entries by their byte count lands on the same pages.
      Entries skipped = ReadSlot(file, slot, true);
      EXPECT_EQ(skipped.size(), entries.size());
    }
    EXPECT_FALSE(file.HasPostings(4));
  }
}

// Hand-made streams: a count that ends exactly at a block end, and a varint
// and a count split across two blocks.
TEST(PostingsFile, ValuesStraddlingBlocks) {
  TempDir dir;
  IndexWriter w;
  // Slot 7: entry 1 has 4093 bytes of positions after 3 header bytes: the
  // entry ends exactly at offset 4096; entry 2 starts in the chained block.
  std::vector<uint8_t> s7 = {0x05, 0xFD, 0x0F};  // page 5, count 4093
  s7.insert(s7.end(), 4093, 0x01);
  s7[3] = 0x00;                                   // first position 0, then deltas of 1
  s7.insert(s7.end(), {0x02, 0x01, 0x00, 0x09});  // page 7, one position 9
  w.SetRawStream(7, s7, 7);
  // Slot 8: a 3-byte page delta beginning at offset 4094 (straddles), then a
  // count split 1 + 1 in the next entry.
  std::vector<uint8_t> s8 = {0x00, 0xFB, 0x0F};  // page 0, 4091 bytes
  s8.insert(s8.end(), 4091, 0x01);
  s8[3] = 0x00;
  s8.insert(s8.end(), {0xC1, 0x00, 0x00, 0x01, 0x00, 0x02});  // delta 65536
  s8.insert(s8.end(), {0x01, 0x01, 0x00, 0x03});
  w.SetRawStream(8, s8, 65537);
  ASSERT_TRUE(w.Write(dir.file("Index"), IndexWriter::BlockOrder::Interleaved));
  PostingsFile file;
  ASSERT_TRUE(file.Open(dir.file("Index")));

  Entries e7 = ReadSlot(file, 7);
  ASSERT_EQ(e7.size(), 2u);
  EXPECT_EQ(e7[5].size(), 4093u);
  EXPECT_EQ(e7[5].back(), 4092u);
  EXPECT_EQ(e7[7], (std::vector<uint32_t>{9}));
  EXPECT_EQ(ReadSlot(file, 7, true).rbegin()->first, 7u);

  Entries e8 = ReadSlot(file, 8);
  ASSERT_EQ(e8.size(), 3u);
  EXPECT_EQ(e8[65536], (std::vector<uint32_t>{2}));
  EXPECT_EQ(e8[65537], (std::vector<uint32_t>{3}));
}

// Damaged postings never lead outside the mapping and never hang.
TEST(PostingsFile, CorruptChainsEndTheStream) {
  TempDir dir;
  IndexWriter w;
  std::vector<uint32_t> many;
  for (uint32_t i = 0; i < 3000; ++i) many.push_back(i);
  ASSERT_TRUE(w.AddEntry(1, 0, many));  // 3000+ bytes
  ASSERT_TRUE(w.AddEntry(1, 1, many));  // spans into a second block
  ASSERT_TRUE(w.AddEntry(2, 4, {1}));
  ASSERT_TRUE(w.Write(dir.file("Index")));
  std::string header = ReadFile(dir.file("Index-idx.h"));

  auto setI32 = [&](int64_t off, int32_t v) {
    StoreLE32(&header[static_cast<size_t>(off)], static_cast<uint32_t>(v));
  };
  PostingsFile file;
  // Chain loop: the first block of slot 1 names itself.
  const int32_t first1 = LoadLE32Signed(&header[FirstBlockEntryOffset(1)]);
  setI32(ChainEntryOffset(first1), first1);
  setI32(LastPageEntryOffset(1), 99);  // a last page that is never reached
  WriteFile(dir.file("Index-idx.h"), header);
  ASSERT_TRUE(file.Open(dir.file("Index")));
  // Reading ends (the loop is noticed once more blocks were followed than the
  // file has), so neither walking entries nor skipping hangs.
  ReadSlot(file, 1);
  PostingsCursor looped = file.Cursor(1);
  EXPECT_FALSE(looped.Skip(5 * kBlockSize));
  EXPECT_TRUE(looped.Failed());
  // A chain entry past the file.
  setI32(ChainEntryOffset(first1), 1000);
  WriteFile(dir.file("Index-idx.h"), header);
  ASSERT_TRUE(file.Open(dir.file("Index")));
  PostingsCursor c = file.Cursor(1);
  EXPECT_FALSE(c.Skip(10000));
  EXPECT_TRUE(c.Failed());
  uint8_t b;
  EXPECT_FALSE(c.ReadByte(b));
  // A first block past the file.
  setI32(FirstBlockEntryOffset(2), 5000);
  WriteFile(dir.file("Index-idx.h"), header);
  ASSERT_TRUE(file.Open(dir.file("Index")));
  EXPECT_TRUE(file.Cursor(2).Failed());
  EXPECT_TRUE(ReadSlot(file, 2).empty());
  // A postings file cut short inside a block.
  const std::string postings = ReadFile(dir.file("Index-idx.m"));
  WriteFile(dir.file("Index-idx.m"), postings.substr(0, 4100));
  ASSERT_TRUE(file.Open(dir.file("Index")));
  PostingsCursor cut = file.Cursor(1);
  for (int i = 0; i < 9000 && cut.ReadByte(b); ++i) {
  }
  EXPECT_TRUE(cut.Failed());
}

// A stream cut short is noted on the file once per slot, by whichever reader
// meets the cut; a sound stream read to its end is not; a new Open forgets.
TEST(PostingsFile, StreamsCutShortAreCountedOncePerSlot) {
  TempDir dir;
  IndexWriter w;
  std::vector<uint32_t> many;
  for (uint32_t i = 0; i < 3000; ++i) many.push_back(i);
  ASSERT_TRUE(w.AddEntry(1, 0, many));  // two blocks
  ASSERT_TRUE(w.AddEntry(1, 1, many));
  ASSERT_TRUE(w.AddEntry(2, 4, {1}));
  ASSERT_TRUE(w.AddEntry(3, 5, many));
  ASSERT_TRUE(w.AddEntry(3, 6, many));
  ASSERT_TRUE(w.Write(dir.file("Index"), IndexWriter::BlockOrder::Sequential));
  PostingsFile file;
  ASSERT_TRUE(file.Open(dir.file("Index")));
  EXPECT_EQ(SweepCutShortStreams(file), 0u);

  // Slot 1's second block chained past the file; slot 3's first block too.
  std::string header = ReadFile(dir.file("Index-idx.h"));
  for (int slot : {1, 3}) {
    const uint32_t first = LoadLE32(&header[FirstBlockEntryOffset(slot)]);
    StoreLE32(&header[ChainEntryOffset(first)], 999);
  }
  WriteFile(dir.file("Index-idx.h"), header);
  ASSERT_TRUE(file.Open(dir.file("Index")));
  SlotEntries scratch, entries;
  for (int pass = 0; pass < 2; ++pass)
    EXPECT_EQ(entries.Decode(file, 1, scratch), SlotEntries::Outcome::Unsound);
  EXPECT_EQ(file.CutShortStreams(), 1u);
  TermStream sound;
  sound.Start(file, 2);
  uint32_t delta;
  uint16_t count;
  ASSERT_TRUE(sound.ReadVarint(delta) && sound.ReadU16(count) && sound.Skip(count));
  EXPECT_EQ(file.CutShortStreams(), 1u);
  EXPECT_EQ(SweepCutShortStreams(file), 2u);
  ASSERT_TRUE(file.Open(dir.file("Index")));
  EXPECT_EQ(file.CutShortStreams(), 0u);
}

TEST(PostingsFile, OpenFailuresSayWhich) {
  TempDir dir;
  PostingsFile file;
  Status opened = file.Open(dir.file("Index"));
  EXPECT_EQ(opened.Code(), StatusCode::kNotFound);
  EXPECT_NE(opened.Message().find("Index-idx.h"), std::string::npos);
  EXPECT_FALSE(file.IsOpen());

  IndexWriter w;
  ASSERT_TRUE(w.AddEntry(5, 0, {0}));
  ASSERT_TRUE(w.Write(dir.file("Index")));
  const std::string header = ReadFile(dir.file("Index-idx.h"));
  WriteFile(dir.file("Index-idx.h"), header.substr(0, kIndexHeaderTables - 1));
  EXPECT_EQ(file.Open(dir.file("Index")).Code(), StatusCode::kCorrupt);
  WriteFile(dir.file("Index-idx.h"), header);
  std::remove(dir.file("Index-idx.m").c_str());
  opened = file.Open(dir.file("Index"));
  EXPECT_NE(opened.Message().find("Index-idx.m"), std::string::npos);
  EXPECT_FALSE(file.IsOpen());
  EXPECT_FALSE(file.HasPostings(5));
  EXPECT_EQ(file.FirstBlock(5), kNoPostings);
}

}  // namespace

}  // namespace tevarin
