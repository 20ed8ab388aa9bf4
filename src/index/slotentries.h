// SlotEntries: one slot's postings stream, decoded once.
//
// The postings format has no skip pointers and stores positions as
// variable-length differences: to reach the entry of page N a reader must
// decode every entry before it, and a search spends most of its time doing
// that. The first search that needs a slot walks its whole stream once and
// keeps the page numbers and the positions as plain arrays; later searches
// find the entry of a page by a search over the pages and read its positions
// from the array.
//
// The positions of an entry are the whole numbers among its position bytes,
// read as a walk reads them (a number cut short by the entry's end ends
// them), summed into absolute positions.
//
// Only a sound stream is kept: one whose walk reaches the slot's last page
// entry and the end of that entry's position bytes without a failure, with
// page numbers that strictly ascend and positions that fit 32 bits. A search over
// a kept stream therefore sees exactly what a walk from the start would have
// read; any other stream is searched by walking it, so damaged files answer
// as they did.
//
// SlotEntryCache holds the decoded slots of one postings file, up to a memory
// cap; beyond the cap slots are walked. A slot whose entries would take more
// than half the cap is not decoded past that point.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace tevarin {

class PostingsFile;

struct SlotEntries {
  std::vector<uint32_t> pages;      // page number of each entry, strictly ascending
  std::vector<uint32_t> first;      // entry e's positions: positions[first[e] .. first[e + 1])
  std::vector<uint32_t> positions;  // absolute positions, entry after entry

  enum class Outcome { Sound, Unsound, TooLarge, Cancelled };
  // Walks the slot's stream of the postings file, using scratch's arrays as
  // working space. Anything but Sound leaves the entries empty: Unsound for
  // a stream that is not sound as described above, TooLarge as soon as the
  // entries would take more than maxBytes (decoding stops there: a huge
  // stream costs no more memory than the bound), Cancelled when *cancel
  // became true (read at every page entry).
  Outcome Decode(const PostingsFile& file, int slot, SlotEntries& scratch,
                 size_t maxBytes = SIZE_MAX, const std::atomic<bool>* cancel = nullptr);
  size_t MemoryBytes() const {
    return (pages.capacity() + first.capacity() + positions.capacity()) * sizeof(uint32_t);
  }
};

class SlotEntryCache {
 public:
  // Decoded entries of all slots together stay under the limit (by default
  // this many bytes); the least recently used make room for new ones.
  static constexpr size_t kDefaultLimit = size_t(64) << 20;

  // A new limit; entries beyond it are dropped. 0 keeps nothing decoded:
  // every stream is walked.
  void SetLimit(size_t bytes);

  // Starts a search: entries handed out from now on stay in the cache until
  // the next BeginSearch.
  void BeginSearch() { ++m_search; }
  // The decoded entries of slot, decoding them on first use; nullptr when
  // the stream is not sound or they do not fit, or when *cancel became true
  // while decoding (nothing is kept of that slot then).
  const SlotEntries* Get(const PostingsFile& file, int slot,
                         const std::atomic<bool>* cancel = nullptr);
  // The kept entries of slot without decoding anything: nullptr when none
  // are kept. (Marks them used by this search, as Get does.)
  const SlotEntries* Find(int slot);
  // Keeps entries decoded elsewhere (from the companion file) for slot;
  // false, keeping nothing, when they do not fit beside this search's.
  bool Put(int slot, std::unique_ptr<SlotEntries> entries);
  void Clear() {
    m_slots.clear();
    m_bytes = 0;
    m_scratch = SlotEntries();
  }
  // The most memory one slot's decoded entries may take: half the limit
  // (decoding a slot stops once its entries pass it).
  size_t SlotLimit() const { return m_limit / 2; }
  size_t MemoryBytes() const { return m_bytes; }

 private:
  struct Slot {
    std::unique_ptr<SlotEntries> entries;  // nullptr: not sound, or too large to fit the limit
    uint64_t lastUse = 0;                  // the search that used it last
  };
  // Evicts least recently used entries of earlier searches until `bytes`
  // more fit; false when they cannot.
  bool MakeRoom(size_t bytes);

  std::unordered_map<int, Slot> m_slots;
  size_t m_bytes = 0;
  size_t m_limit = kDefaultLimit;
  uint64_t m_search = 1;
  SlotEntries m_scratch;  // working space of Decode
  static constexpr size_t kKeptScratch = size_t(4) << 20;
};

}  // namespace tevarin
