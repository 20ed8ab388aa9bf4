// CompanionList: one slot's postings as the companion file holds them
// (index/companionformat.h), decoded block by block as a search needs them.
//
// Opening a list checks the slot's directory (skip table, chunk checksums,
// bitmap) against its checksum and its order; a block is checked against its
// checksum when it is decoded, a chunk of positions before its first read. A
// small list is copied out of the file with one read when it is opened; a
// larger one is read through the mapping.
//
// The first searches of a list decode what they need and read positions
// packed, a fixed-width number each, so that they write little memory of
// their own (on a first search, fresh memory costs more in page faults than
// the decoding). A list searched again and again (Keeps) keeps the decoded
// page numbers and first-position indexes of the blocks a search touched, so
// that the next search of the same slot decodes nothing, and unpacks the
// positions of the blocks it reads, once each.
//
// Any check that fails marks the list damaged; the search then answers from
// the index files (and the cache keeps the slot out of the companion's use).
//
// CompanionListCache keeps the lists of one companion file, within a memory
// limit: at the start of a search the least recently used lists go until the
// rest fit in three quarters of it, and the companion's mapping is released
// when much of it was read (CompanionFile::Release). The cache keeps a
// running count of what its lists hold, updated for the lists the last
// search used, so that a search costs the same however many lists are kept.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "index/companionformat.h"
#include "index/slotentries.h"

namespace tevarin {

class CompanionFile;

class CompanionList {
 public:
  // Sets the list up from a slot's record (found by CompanionFile::Find):
  // checks its directory and builds the bitmap's rank table. False (why
  // says how) when the directory is damaged.
  // A record spanning at most copyBytes is read into the list's memory.
  bool Open(const CompanionFile& file, const CompanionRecord& record, std::string& why,
            uint64_t copyBytes = kCopyBytes);

  uint32_t Size() const { return m_record.entries; }
  uint32_t Blocks() const { return m_record.blocks; }
  int Slot() const { return static_cast<int>(m_record.slot); }
  bool Damaged() const { return m_damaged; }
  const std::string& Damage() const { return m_damage; }

  // The page set as a bitmap (a slot on many pages), with its rank table.
  bool HasBitmap() const { return m_bitmap != nullptr; }
  uint32_t BitmapWords() const { return m_record.bitmapWords; }
  uint64_t BitmapWord(uint32_t w) const { return LoadWord(w); }
  bool Contains(uint32_t page) const {
    const uint64_t w = page >> 6;
    return w < m_record.bitmapWords && (LoadWord(static_cast<uint32_t>(w)) >> (page & 63)) & 1;
  }
  // The entry of a page of the bitmap: the number of pages before it. (The
  // search calls it from code built for the population count instruction.)
  uint32_t Rank(uint32_t page) const {
    const uint32_t w = page >> 6;
    const uint64_t below = (uint64_t(1) << (page & 63)) - 1;
    return m_rank[w] + static_cast<uint32_t>(std::popcount(LoadWord(w) & below));
  }

  // Decodes block b's pages, or the first-position indexes of its entries
  // (First()[e] and First()[e + 1] for every entry e of the block), once;
  // false when the block is damaged.
  bool EnsurePages(uint32_t b) { return IsSet(m_pagesDone, b) || DecodePages(b); }
  bool EnsureFirst(uint32_t b) { return IsSet(m_firstDone, b) || DecodeFirst(b); }
  // Decodes block b into the caller's pages (BlockEntries(b) numbers) and
  // first-position indexes (one more), keeping nothing; false when the
  // block is damaged.
  bool DecodeBlockTo(uint32_t b, uint32_t* pages, uint32_t* first) {
    return DecodePagesTo(b, pages) && DecodeFirstTo(b, first);
  }
  uint32_t BlockEntries(uint32_t b) const {
    return b + 1 < m_record.blocks ? kCompanionBlockEntries
                                   : m_record.entries - b * kCompanionBlockEntries;
  }
  bool EnsureAllPages();
  bool EnsureAllFirst();
  // Valid where the blocks are decoded.
  const uint32_t* Pages() const { return m_pages.get(); }
  const uint32_t* First() const { return m_first.get(); }

  // A first search of the list decodes the first-position indexes of one
  // block at a time into a window of the list's instead (the blocks of a
  // search ascend), keeping nothing: a no-op when block b is decoded.
  bool EnsureFirstWindow(uint32_t b) {
    if (IsSet(m_firstDone, b) || b == m_windowBlock) return true;
    if (!DecodeFirstTo(b, m_window)) return false;
    m_windowBlock = b;
    return true;
  }
  // Entry e's positions are [from, to): from the window when it holds e's
  // block, else from the decoded blocks.
  void EntryPositions(uint32_t e, uint32_t& from, uint32_t& to) const {
    const uint32_t b = e / kCompanionBlockEntries;
    const uint32_t* first =
        b == m_windowBlock ? m_window + (e - b * kCompanionBlockEntries) : m_first.get() + e;
    from = first[0];
    to = first[1];
  }
  uint32_t Count(uint32_t e) const {
    uint32_t from, to;
    EntryPositions(e, from, to);
    return to - from;
  }

  // Moves e (at or after its value, which must be an entry index or Size())
  // to the first entry whose page is not below `page`, Size() when none,
  // decoding the block it lands in; false when a block is damaged.
  bool Seek(uint32_t page, uint32_t& e);

  // Checks the chunks that hold positions [from, to) against their
  // checksums (each chunk once); false when one is damaged.
  bool EnsurePositions(uint64_t from, uint64_t to) {
    const uint32_t w = m_record.positionBits;
    if (to <= from || w == 0) return !m_damaged;
    if ((to * w - 1) / 8 / kCompanionChunkBytes < m_chunksBelow) return true;
    return CheckChunks(from, to);
  }
  // Position i of the slot: checked with EnsurePositions first, or, while
  // unpacking, with EnsureBlockPositions of its block.
  uint32_t Position(uint64_t i) const {
    return m_unpacked ? m_unpacked[i] : PackedAt(m_positions, i, m_record.positionBits);
  }
  // From now on reads positions unpacked, each block's unpacked by
  // EnsureBlockPositions before it is read; false (and the list stays
  // packed) for a list whose positions would take more than
  // kMaxUnpackedBytes.
  bool StartUnpacking();
  void StopUnpacking() { m_unpacked = nullptr; }
  bool Unpacking() const { return m_unpacked != nullptr; }
  bool EnsureBlockPositions(uint32_t b) { return IsSet(m_positionsDone, b) || UnpackBlockPositions(b); }
  static constexpr size_t kMaxUnpackedBytes = size_t(4) << 20;
  // A list whose record spans at most this many bytes is copied at open
  // (one read of the file costs less than the page faults of first reading
  // so many bytes through the mapping).
  static constexpr uint64_t kCopyBytes = 8192;

  // The whole list decoded into plain arrays (every block and chunk checked
  // on the way), keeping nothing in the list; false when a part is damaged.
  bool DecodeAll(SlotEntries& out);
  // The bytes DecodeAll's arrays take.
  size_t DecodedBytes() const {
    return (2 * size_t(m_record.entries) + 1 + m_record.positions) * sizeof(uint32_t);
  }

  // Memory the list holds: the decoded blocks and its tables.
  size_t MemoryBytes() const;
  uint64_t lastUse = 0;
  // The searches in a row that used the list, this one included: a use
  // counts on when at most CompanionListCache::kRecentSearches searches
  // passed since the use before, else the count starts again at 1.
  uint32_t recent = 0;
  // A list used this often recently keeps what its searches decode (and
  // unpacks its positions); before, a search decodes into the list's
  // windows and reads positions packed, writing no fresh memory: a list
  // used once or twice costs less that way.
  static constexpr uint32_t kKeepAfter = 3;
  bool Keeps() const { return recent >= kKeepAfter; }
  size_t counted = 0;  // MemoryBytes() as the cache last counted it

 private:
  static bool IsSet(const std::vector<uint64_t>& bits, uint64_t i) { return (bits[i >> 6] >> (i & 63)) & 1; }
  static void Set(std::vector<uint64_t>& bits, uint64_t i) { bits[i >> 6] |= uint64_t(1) << (i & 63); }
  uint64_t LoadWord(uint32_t w) const { return LoadLE64(m_bitmap + 8 * uint64_t(w)); }
  uint32_t SkipField(uint32_t b, uint32_t field) const {
    return LoadLE32(m_directory + b * kCompanionSkipEntrySize + 4 * field);
  }
  // The block's bytes checked against their checksum, and its header; false
  // when damaged (the list is then marked).
  bool Block(uint32_t b, const uint8_t*& at, CompanionBlockHeader& header);
  bool DecodePages(uint32_t b);
  bool DecodeFirst(uint32_t b);
  bool DecodePagesTo(uint32_t b, uint32_t* pages);
  bool DecodeFirstTo(uint32_t b, uint32_t* first);
  bool UnpackBlockPositions(uint32_t b);
  bool CheckChunks(uint64_t from, uint64_t to);
  bool Fail(std::string why);

  const CompanionFile* m_file = nullptr;
  CompanionRecord m_record;
  const uint8_t* m_directory = nullptr;
  const uint8_t* m_blockData = nullptr;
  const uint8_t* m_positions = nullptr;
  const uint8_t* m_bitmap = nullptr;
  std::vector<uint32_t> m_rank;  // pages before each bitmap word
  std::unique_ptr<uint32_t[]> m_pages;
  std::unique_ptr<uint32_t[]> m_first;  // entries + 1
  uint32_t m_window[kCompanionBlockEntries + 1];
  uint32_t m_windowBlock = UINT32_MAX;
  std::vector<uint8_t> m_copy;  // a small list's record, read at open
  std::unique_ptr<uint32_t[]> m_unpackedPositions;  // P, written block by block
  const uint32_t* m_unpacked = nullptr;  // m_unpackedPositions while unpacking
  size_t m_unpackedCount = 0;
  std::vector<uint64_t> m_pagesDone, m_firstDone, m_chunksDone, m_positionsDone;
  uint64_t m_chunksBelow = 0;  // every chunk below this one is checked
  size_t m_decodedBlocks = 0;
  bool m_damaged = false;
  std::string m_damage;
};

class CompanionListCache {
 public:
  static constexpr size_t kDefaultLimit = size_t(3) << 20;
  // A use of a list counts as recent when at most this many searches passed
  // since its use before.
  static constexpr uint64_t kRecentSearches = 4;

  // Starts a search: drops the least recently used lists until the rest fit
  // the limit, and lets the file release its resident pages.
  void BeginSearch(const CompanionFile& file);
  // The list of slot, opened on first use; nullptr when the slot has no
  // record or its record or directory is damaged (reported once, and the
  // slot is not tried again).
  CompanionList* Get(const CompanionFile& file, int slot);
  // Drops the lists found damaged during the search, reporting each.
  void DropDamaged(const CompanionFile& file);
  // Forgets the list of slot (its entries are kept decoded elsewhere).
  void Drop(int slot);
  void Clear();
  void SetLimit(size_t bytes) { m_limit = bytes; }
  // The record size up to which a list is copied out of the file when it
  // is opened (CompanionList::kCopyBytes unless set; 0 reads every list
  // through the mapping).
  void SetCopyLimit(uint64_t bytes) { m_copyLimit = bytes; }
  size_t MemoryBytes() const;

 private:
  void Report(const CompanionFile& file, int slot, const std::string& why);

  std::unordered_map<int, std::unique_ptr<CompanionList>> m_lists;
  std::unordered_set<int> m_damaged;
  std::vector<CompanionList*> m_used;  // the lists of the current search
  size_t m_total = 0;                  // their counted bytes, all lists
  size_t m_limit = kDefaultLimit;
  uint64_t m_copyLimit = CompanionList::kCopyBytes;
  uint64_t m_search = 1;
};

}  // namespace tevarin
