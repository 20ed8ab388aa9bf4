// CIndex: the search engine. Owns the book store, one open full-text index, the
// variant-character groups and the hit list of the last search.
//
// Index header file ("<name>-idx.h"), little-endian:
//   offset 0        400000  first-block table: int32 per slot, -1 = no postings
//   offset 400000   200000  reserved table: uint16 per slot (kept, unused)
//   offset 600000   400000  reserved table: uint32 per slot (kept, unused)
//   offset 1000000  400000  last-page table: uint32 per slot, record index of the
//                           slot's last page entry
//   offset 1400000  4*N     block chain: uint32, N = (size - 1400000) / 4
// Postings file ("<name>-idx.m"): 4096-byte blocks, see postingscursor.h.
// Index names: "Index" (whole text), "Index_desc" (notes), "Index_content" (body).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "index/charslot.h"
#include "index/postingscursor.h"
#include "index/pageintersection.h"
#include "index/slotentries.h"
#include "index/variantgroups.h"
#include "store/filelist.h"

namespace tevarin {

enum IndexPart : int { FullText = 0, Notes = 1, Body = 2 };
enum CombineMode : int { Replace = 0, Union = 1, Intersect = 2 };

inline constexpr int64_t kIndexHeaderTables = 1400000;

class CIndex {
 public:
  CIndex() = default;
  CIndex(const CIndex&) = delete;
  CIndex& operator=(const CIndex&) = delete;
  ~CIndex();

  // Opens folder/<baseName>[_content|_desc]-idx.{h,m} and the book store
  // folder/<baseName>-fl.{h,cnt}; loads folder/yitizi.txt first. On failure
  // everything acquired is released and LastError() says why.
  bool Open(const std::string& folder, const std::string& baseName, int part);
  void Close();
  bool IsOpen() const { return m_view != nullptr; }
  const std::string& LastError() const { return m_error; }

  // Keyword search. keywords is changed in place: separating spaces become
  // U+3000. Returns the sum of the keyword searches' results, 0 when rejected.
  int32_t SearchAnd(std::u16string& keywords, bool countHits, bool variants);
  int32_t SearchOr(std::u16string& keywords, bool countHits, bool variants);
  int32_t SearchKeyword(std::u16string_view pattern, CombineMode mode, bool countHits,
                        bool variants);

  // Whether SearchAnd / SearchOr accept a keyword string (they answer 0 and
  // leave the hit list alone for one they reject).
  static bool AcceptsKeywords(std::u16string_view keywords);

  // Cancelling a search from another thread: while a search runs it reads
  // *flag now and then (per keyword, per page examined, while decoding a
  // slot) and, once it reads true, stops, empties the hit list and answers
  // 0; Cancelled() then tells that apart from a search without hits. The
  // flag must outlive the searches; nullptr (the default) means no hook.
  // A flag already true cancels the next search at its start. The caller
  // clears it before the next search it wants to run.
  void SetCancelFlag(const std::atomic<bool>* flag) { m_cancel = flag; }
  // Whether the last SearchAnd, SearchOr or SearchKeyword was cancelled.
  bool Cancelled() const { return m_cancelled; }

  const std::vector<uint32_t>& GetHitPages() const { return m_HitPages; }
  const std::vector<uint32_t>& GetHitCounts() const { return m_HitCounts; }
  int32_t GetHitPageCount() const { return m_HitPageCount; }

  // The hit page of a record, keywords expanded into their variant forms when
  // variants is set. Returns the number of anchors written. HitPageNote then
  // says what the page leaves unmarked and why (variant forms past the
  // expansion bound, keywords past the page's size or work bound), or is
  // empty; a record that renders nothing leaves the reason in
  // Files().LastError().
  int32_t BuildHitPage(int32_t recordIndex, std::string& out, std::u16string_view keywords,
                       int32_t scope, bool variants) const;
  const std::string& HitPageNote() const { return m_hitPageNote; }

  // Variant-character table (folder/yitizi.txt).
  void LoadVariantTable(const std::string& folder);
  bool FindVariantSlot(uint32_t codePoint, int& slot) const;
  // Every variant form of the keyword string, depth first (first character
  // slowest). Stops after kMaxVariantForms forms, or before the forms would
  // hold more than kMaxVariantUnits UTF-16 units in all, and then answers false.
  bool ExpandVariants(std::u16string_view keywords, std::vector<std::u16string>& out) const;
  static constexpr size_t kMaxVariantForms = 4096;
  static constexpr size_t kMaxVariantUnits = size_t(1) << 20;
  const VariantGroupList& VariantGroups() const { return m_VariantGroups; }

  // Table-of-contents pages, forwarded to the book store.
  bool FindPage(int32_t start, int32_t page, int32_t& outIndex) const {
    return m_files.FindPage(start, page, outIndex);
  }
  bool GetPageLength(int32_t index, int32_t& length) const {
    return m_files.GetPageLength(index, length);
  }
  bool ReadPage(int32_t index, char* buffer, size_t capacity) const {
    return m_files.ReadPage(index, buffer, capacity);
  }
  int32_t GetHeaderValue() const { return m_files.StoredValue(); }
  const CFileList& Files() const { return m_files; }

  // Memory for the decoded postings the search keeps between searches (by
  // default SlotEntryCache::kDefaultLimit); 0 makes every search walk the
  // postings file. The answers are the same either way.
  void SetDecodedLimit(size_t bytes) { m_entries.SetLimit(bytes); }
  size_t DecodedBytes() const { return m_entries.MemoryBytes(); }

  // Raw access to the open index, for the search and for verification.
  int32_t FirstBlock(int slot) const { return m_FirstBlock[slot]; }
  uint32_t LastPage(int slot) const { return m_LastPage[slot]; }
  // The block chain entries read: those of the blocks the postings file has
  // (ChainEntriesInFile when the header holds fewer).
  uint32_t ChainLength() const { return static_cast<uint32_t>(m_BlockChain.size()); }
  // The number of block chain entries the header holds.
  uint64_t ChainEntriesInFile() const { return m_chainEntries; }
  const uint32_t* BlockChain() const { return m_BlockChain.data(); }
  const uint8_t* PostingsData() const { return m_view; }
  size_t PostingsSize() const { return m_viewSize; }
  PostingsCursor CursorFor(int slot) const;  // started at the slot's first block
  bool HasPostings(int slot) const {
    return slot >= 0 && slot < kSlotCount && !m_FirstBlock.empty() && m_FirstBlock[slot] >= 0;
  }

 private:
  bool Fail(const std::string& why);
  // SearchAnd / SearchOr: acceptance, keyword splitting, spaces written back.
  int32_t SearchKeywords(std::u16string& keywords, bool countHits, bool variants,
                         CombineMode firstMode, CombineMode laterMode);
  // Merges one keyword's pages and counts into the hit list.
  void MergeStep(CombineMode mode, bool countHits, std::vector<uint32_t>& stepPages,
                 std::vector<uint32_t>& stepCounts);
  // Empties the hit list.
  void ClearHits();
  bool CancelRequested() const { return m_cancel && m_cancel->load(std::memory_order_relaxed); }
  // Ends a search that was cancelled: no hits, 0.
  int32_t CancelSearch();
  // The hit list's pages in ascending order with their places in it
  // (page << 32 | place), built when it is not up to date.
  const std::vector<uint64_t>& HitOrder();

  CFileList m_files;
  std::vector<uint32_t> m_BlockChain;
  uint64_t m_chainEntries = 0;
  std::vector<uint16_t> m_Reserved16;
  std::vector<uint32_t> m_Reserved32;
  std::vector<int32_t> m_FirstBlock;
  std::vector<uint32_t> m_LastPage;
  const uint8_t* m_view = nullptr;
  size_t m_viewSize = 0;

  std::vector<uint32_t> m_HitPages;
  std::vector<uint32_t> m_HitCounts;
  int32_t m_HitPageCount = 0;
  // One keyword's pages and counts before they are merged into the hit list;
  // kept between searches so that their memory is reused.
  std::vector<uint32_t> m_StepPages;
  std::vector<uint32_t> m_StepCounts;
  // The hit list in page order, kept up to date by "or" steps (which append
  // out of order) so that each keyword of an "or" search of many keywords is
  // merged in one walk; any other change of the hit list makes it stale.
  std::vector<uint64_t> m_hitOrder;
  std::vector<uint64_t> m_hitOrderScratch;
  bool m_hitOrderValid = false;
  // Page entries of the slots searches have used, decoded once.
  SlotEntryCache m_entries;
  PageIntersection m_shared;  // pages all terms of a keyword hold
  // For each distinct slot of a keyword, where each shared page stands in
  // its entries (when the intersection has not noted it itself).
  std::vector<std::vector<uint32_t>> m_located;
  const std::atomic<bool>* m_cancel = nullptr;
  bool m_cancelled = false;

  VariantGroupList m_VariantGroups;
  // Every code point of the table with the number of the first group that
  // holds it, ascending by code point (same answers as a scan of the groups
  // in order).
  struct VariantOf {
    uint32_t codePoint;
    uint32_t group;
  };
  std::vector<VariantOf> m_VariantOf;
  // The first group that holds codePoint, or nullptr.
  const VariantOf* FindVariantOf(uint32_t codePoint) const;

  std::string m_error;
  mutable std::string m_hitPageNote;
};

}  // namespace tevarin
