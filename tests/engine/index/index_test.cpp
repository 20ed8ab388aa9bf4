#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "index/index.h"
#include "support/testutil.h"
#include "writer/bookwriter.h"
#include "writer/indexwriter.h"

namespace tevarin {

namespace {

using Entries = std::map<uint32_t, std::vector<uint32_t>>;  // record -> positions

void WriteMinimalBook(const TempDir& dir) {
  BookWriter w;
  ASSERT_TRUE(w.Create(dir.path(), "Index", 20));
  ASSERT_TRUE(w.AddPage("v\\1.htm", "x"));
  ASSERT_TRUE(w.Finish());
}

// Decodes a slot's whole stream through the cursor, the way the search walks it:
// stop at the slot's last page; a failed cursor ends the stream.
Entries ReadSlot(const CIndex& index, int slot, bool skipPositions = false) {
  Entries out;
  if (!index.HasPostings(slot)) return out;
  PostingsCursor c = index.CursorFor(slot);
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
        const uint32_t used = c.Block() == beforeBlock ? c.Offset() - before
                                                       : (kBlockSize - before) + c.Offset();
        left = used > left ? 0 : left - used;
        p = first ? v : p + v;
        first = false;
        pos.push_back(p);
      }
    }
    if (page == index.LastPage(slot)) break;
  }
  return out;
}

TEST(Index, OpensEachPartByItsNames) {
  TempDir dir;
  WriteMinimalBook(dir);
  const std::pair<int, const char*> parts[] = {
      {FullText, "Index"}, {Body, "Index_content"}, {Notes, "Index_desc"}};
  for (const auto& [part, name] : parts) {
    IndexWriter w;
    ASSERT_TRUE(w.AddEntry(part + 10, 0, {1}));  // a slot that names the part
    ASSERT_TRUE(w.Write(dir.file(name)));
  }
  CIndex index;
  for (const auto& [part, name] : parts) {
    ASSERT_TRUE(index.Open(dir.path(), "Index", part)) << index.LastError();
    for (int p = 0; p < 3; ++p) EXPECT_EQ(index.HasPostings(p + 10), p == part) << name;
    index.Close();
    EXPECT_FALSE(index.IsOpen());
  }
}

TEST(Index, OpenFailures) {
  TempDir dir;
  CIndex index;
  EXPECT_FALSE(index.Open(dir.path(), "Index", FullText));
  EXPECT_NE(index.LastError().find("Index-idx.h"), std::string::npos);

  IndexWriter w;
  ASSERT_TRUE(w.AddEntry(5, 0, {0}));
  ASSERT_TRUE(w.Write(dir.file("Index")));
  // No book files: the index opens but the engine does not.
  EXPECT_FALSE(index.Open(dir.path(), "Index", FullText));
  EXPECT_NE(index.LastError().find("Index-fl.h"), std::string::npos);
  EXPECT_FALSE(index.IsOpen());

  WriteMinimalBook(dir);
  ASSERT_TRUE(index.Open(dir.path(), "Index", FullText)) << index.LastError();
  index.Close();

  // A header shorter than its tables, or empty, fails.
  const std::string header = ReadFile(dir.file("Index-idx.h"));
  WriteFile(dir.file("Index-idx.h"), header.substr(0, 1399999));
  EXPECT_FALSE(index.Open(dir.path(), "Index", FullText));
  WriteFile(dir.file("Index-idx.h"), "");
  EXPECT_FALSE(index.Open(dir.path(), "Index", FullText));

  // A header of exactly the tables: no block chain, one-block slots still read.
  WriteFile(dir.file("Index-idx.h"), header.substr(0, 1400000));
  ASSERT_TRUE(index.Open(dir.path(), "Index", FullText)) << index.LastError();
  EXPECT_EQ(index.ChainLength(), 0u);
  EXPECT_EQ(ReadSlot(index, 5), (Entries{{0, {0}}}));

  // Missing postings file.
  std::remove(dir.file("Index-idx.m").c_str());
  EXPECT_FALSE(index.Open(dir.path(), "Index", FullText));
  EXPECT_NE(index.LastError().find("Index-idx.m"), std::string::npos);
}

// Streams long enough to span blocks, written in every block order, decode to
// what was written; values straddle block boundaries on the way.
TEST(Index, ChainedStreamsDecodeInEveryBlockOrder) {
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
    WriteMinimalBook(dir);
    IndexWriter w;
    for (const auto& [slot, entries] : slots)
      for (const auto& [rec, pos] : entries) ASSERT_TRUE(w.AddEntry(slot, rec, pos)) << w.Error();
    ASSERT_TRUE(w.Write(dir.file("Index"), order));
    CIndex index;
    ASSERT_TRUE(index.Open(dir.path(), "Index", FullText)) << index.LastError();
    for (const auto& [slot, entries] : slots) {
      EXPECT_EQ(ReadSlot(index, slot), entries) << "slot " << slot;
      EXPECT_EQ(index.LastPage(slot), entries.rbegin()->first);
      // Skipping entries by their byte count lands on the same pages.
      Entries skipped = ReadSlot(index, slot, true);
      EXPECT_EQ(skipped.size(), entries.size());
    }
    EXPECT_FALSE(index.HasPostings(4));
  }
}

// Hand-made streams: a count that ends exactly at a block end, and a varint
// and a count split across two blocks.
TEST(Index, ValuesStraddlingBlocks) {
  TempDir dir;
  WriteMinimalBook(dir);
  IndexWriter w;
  // Slot 7: entry 1 has 4093 bytes of positions after 3 header bytes: the
  // entry ends exactly at offset 4096; entry 2 starts in the chained block.
  std::vector<uint8_t> s7 = {0x05, 0xFD, 0x0F};  // page 5, count 4093
  s7.insert(s7.end(), 4093, 0x01);
  s7[3] = 0x00;  // first position 0, then deltas of 1
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
  CIndex index;
  ASSERT_TRUE(index.Open(dir.path(), "Index", FullText)) << index.LastError();

  Entries e7 = ReadSlot(index, 7);
  ASSERT_EQ(e7.size(), 2u);
  EXPECT_EQ(e7[5].size(), 4093u);
  EXPECT_EQ(e7[5].back(), 4092u);
  EXPECT_EQ(e7[7], (std::vector<uint32_t>{9}));
  EXPECT_EQ(ReadSlot(index, 7, true).rbegin()->first, 7u);

  Entries e8 = ReadSlot(index, 8);
  ASSERT_EQ(e8.size(), 3u);
  EXPECT_EQ(e8[65536], (std::vector<uint32_t>{2}));
  EXPECT_EQ(e8[65537], (std::vector<uint32_t>{3}));
}

// Damaged postings never lead outside the mapping and never hang.
TEST(Index, CorruptChainsEndTheStream) {
  TempDir dir;
  WriteMinimalBook(dir);
  IndexWriter w;
  std::vector<uint32_t> many;
  for (uint32_t i = 0; i < 3000; ++i) many.push_back(i);
  ASSERT_TRUE(w.AddEntry(1, 0, many));  // 3000+ bytes
  ASSERT_TRUE(w.AddEntry(1, 1, many));  // spans into a second block
  ASSERT_TRUE(w.AddEntry(2, 4, {1}));
  ASSERT_TRUE(w.Write(dir.file("Index")));
  std::string header = ReadFile(dir.file("Index-idx.h"));

  auto setI32 = [&](size_t off, int32_t v) { std::memcpy(&header[off], &v, 4); };
  CIndex index;
  // Chain loop: the first block of slot 1 names itself.
  int32_t first1;
  std::memcpy(&first1, &header[4 * 1], 4);
  setI32(1400000 + 4 * size_t(first1), first1);
  setI32(1000000 + 4 * 1, 99);  // a last page that is never reached
  WriteFile(dir.file("Index-idx.h"), header);
  ASSERT_TRUE(index.Open(dir.path(), "Index", FullText));
  // Reading ends (the loop is noticed once more blocks were followed than the
  // file has), so neither walking entries nor skipping hangs.
  ReadSlot(index, 1);
  PostingsCursor looped = index.CursorFor(1);
  EXPECT_FALSE(looped.Skip(5 * kBlockSize));
  EXPECT_TRUE(looped.Failed());
  // A chain entry past the file.
  setI32(1400000 + 4 * size_t(first1), 1000);
  WriteFile(dir.file("Index-idx.h"), header);
  ASSERT_TRUE(index.Open(dir.path(), "Index", FullText));
  PostingsCursor c = index.CursorFor(1);
  EXPECT_FALSE(c.Skip(10000));
  EXPECT_TRUE(c.Failed());
  uint8_t b;
  EXPECT_FALSE(c.ReadByte(b));
  // A first block past the file.
  setI32(4 * 2, 5000);
  WriteFile(dir.file("Index-idx.h"), header);
  ASSERT_TRUE(index.Open(dir.path(), "Index", FullText));
  EXPECT_TRUE(index.CursorFor(2).Failed());
  EXPECT_TRUE(ReadSlot(index, 2).empty());
  // A postings file cut short inside a block.
  const std::string postings = ReadFile(dir.file("Index-idx.m"));
  WriteFile(dir.file("Index-idx.m"), postings.substr(0, 4100));
  ASSERT_TRUE(index.Open(dir.path(), "Index", FullText));
  PostingsCursor cut = index.CursorFor(1);
  for (int i = 0; i < 9000 && cut.ReadByte(b); ++i) {
  }
  EXPECT_TRUE(cut.Failed());
}

}  // namespace

}  // namespace tevarin
