// CIndex: the search engine, the front of the engine for the reader. It owns
// the book store (CFileList), one open index (PostingsFile) with its
// companion postings file when it has a usable one (CompanionFile), the
// variant table (VariantTable), the keyword search (KeywordSearch) and the
// hit list of the last search (HitList), and forwards to them.
//
// The formats: store/bookformat.h (book files), index/indexformat.h (index
// files), index/variantformat.h (variant table).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "index/companionfile.h"
#include "index/hitlist.h"
#include "index/hitpagematches.h"
#include "index/indexformat.h"
#include "index/postingsfile.h"
#include "index/search.h"
#include "index/variantgroups.h"
#include "index/varianttable.h"
#include "store/filelist.h"
#include "store/hitpage.h"

namespace tevarin {

class CIndex {
 public:
  CIndex() = default;
  CIndex(const CIndex&) = delete;
  CIndex& operator=(const CIndex&) = delete;
  ~CIndex();

  // Opens folder/<baseName>[_content|_desc]-idx.{h,m} and the book store
  // folder/<baseName>-fl.{h,cnt}; loads folder/yitizi.txt first (a missing
  // table is no failure). The hit list is emptied. On failure everything
  // acquired is released and the Status says why.
  Status Open(const std::string& folder, const std::string& baseName, IndexPart part);
  // Switches to another part's index, keeping the book store and the variant
  // table; the hit list is emptied. On failure the book store stays
  // readable and searches answer nothing (kClosed) until a part opens.
  Status SelectPart(IndexPart part);
  // Releases the index and the book store; the variant table and the hit
  // list stay.
  void Close();
  // Whether an index is open (searches can run).
  bool IsOpen() const { return m_postings.IsOpen(); }
  // The outcome of the last Open or SelectPart.
  const Status& OpenStatus() const { return m_status; }

  // Keyword search. keywords is changed in place: separating spaces become
  // U+3000. Returns the sum of the keyword searches' results, 0 when rejected.
  int32_t SearchAnd(std::u16string& keywords, bool countHits, bool variants);
  int32_t SearchOr(std::u16string& keywords, bool countHits, bool variants);
  // One keyword merged into the hit list; returns the hit list's page count,
  // or 0 when the keyword finds nothing (the list is then emptied unless
  // mode is Union).
  int32_t SearchKeyword(std::u16string_view pattern, CombineMode mode, bool countHits,
                        bool variants);
  // Why the last SearchAnd, SearchOr or SearchKeyword answered what it did.
  SearchOutcome LastOutcome() const { return m_outcome; }

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
  void SetCancelFlag(const std::atomic<bool>* flag) { m_search.SetCancelFlag(flag); }
  // Whether the last SearchAnd, SearchOr or SearchKeyword was cancelled.
  bool Cancelled() const { return m_outcome == SearchOutcome::kCancelled; }

  const std::vector<uint32_t>& GetHitPages() const { return m_hits.Pages(); }
  const std::vector<uint32_t>& GetHitCounts() const { return m_hits.Counts(); }
  int32_t GetHitPageCount() const { return m_hits.PageCount(); }

  // The hit page of a record (HitPageMarks rendered): each keyword's
  // matches found over the page's own indexed text by the search's matchers,
  // with variants when set; scope 0 whole text, 1 body, 2 notes (HitScope).
  // One anchor per match, numbered in page order, so the anchors of a page
  // of a search's results are the hits the search counted there. Returns
  // the number of anchors written. HitPageNote then says what the page
  // leaves unmarked and why (keywords past the page's size or work bound),
  // or is empty; a record that renders nothing leaves out empty, and a
  // string without keywords leaves it untouched.
  int32_t BuildHitPage(int32_t recordIndex, std::string& out, std::u16string_view keywords,
                       int32_t scope, bool variants) const;
  const std::string& HitPageNote() const { return m_hitPageNote; }
  // The same with the reason a record renders nothing, and the anchors and
  // the note in report.
  Status BuildHitPage(int32_t recordIndex, std::string& out, std::u16string_view keywords,
                      int32_t scope, bool variants, HitPageReport& report) const;

  // The keyword string of a hit page split and compiled (with the variant
  // table when variants is set), for HitPageMarks.
  HitPageKeywordList HitPageKeywordsOf(std::u16string_view keywords, bool variants) const;
  // The marks of a record's hit page, the one source of them for the hit
  // page and for whatever lists a page's hits by its anchors: each keyword's
  // matches found over the page's own indexed text in scope, in anchor
  // order, within the work bound (kHitPageWork) and the size bound
  // (CFileList::HitPageLimit). Keywords from the first one past a bound on
  // are left unmarked, and out.note says which and why. page, when given,
  // receives the hit page of these marks (deciding the size bound may take
  // rendering it, so it is rendered once here). Fails, with the reason, when
  // the record cannot be read; page is then left as it was.
  Status HitPageMarks(int32_t recordIndex, const HitPageKeywordList& keywords, HitScope scope,
                      HitPageMarking& out, std::string* page = nullptr) const;

  // Variant-character table (folder/yitizi.txt); Open loads it.
  Status LoadVariantTable(const std::string& folder) { return m_variants.Load(folder); }
  bool FindVariantSlot(uint32_t codePoint, int& slot) const {
    return m_variants.FindSlot(codePoint, slot);
  }
  // Every variant form of the keyword string, depth first (first character
  // slowest). Stops after kMaxVariantForms forms, or before the forms would
  // hold more than kMaxVariantUnits UTF-16 units in all, and then answers false.
  bool ExpandVariants(std::u16string_view keywords, std::vector<std::u16string>& out) const {
    return m_variants.Expand(keywords, out);
  }
  static constexpr size_t kMaxVariantForms = VariantTable::kMaxForms;
  static constexpr size_t kMaxVariantUnits = VariantTable::kMaxUnits;
  const VariantGroupList& VariantGroups() const { return m_variants.Groups(); }
  const VariantTable& Variants() const { return m_variants; }

  // Table-of-contents pages, forwarded to the book store.
  bool FindPage(int32_t start, int32_t page, int32_t& outIndex) const {
    return m_files.FindPage(start, page, outIndex);
  }
  bool GetPageLength(int32_t index, int32_t& length) const {
    return m_files.GetPageLength(index, length).IsOk();
  }
  bool ReadPage(int32_t index, char* buffer, size_t capacity) const {
    return m_files.ReadPage(index, buffer, capacity).IsOk();
  }
  int32_t GetHeaderValue() const { return m_files.StoredValue(); }
  const CFileList& Files() const { return m_files; }

  // The open index, for its figures and its checks.
  const PostingsFile& Postings() const { return m_postings; }

  // Memory for the decoded postings the search keeps between searches (by
  // default SlotEntryCache::kDefaultLimit); 0 makes every search walk the
  // postings file. The answers are the same either way. With the companion
  // in use only the slots it lacks are decoded so.
  void SetDecodedLimit(size_t bytes) { m_search.DecodedCache().SetLimit(bytes); }
  size_t DecodedBytes() const { return m_search.DecodedCache().MemoryBytes(); }

  // The companion postings file (index/companionfile.h): opened with each
  // index when UseCompanion is on (the default). One that is missing, stale,
  // foreign or damaged is ignored, with one line on standard error, and
  // CompanionStatus says why; the searches then read the index files alone.
  // The answers are the same either way.
  bool CompanionInUse() const { return m_companion.IsOpen(); }
  const Status& CompanionStatus() const { return m_companionStatus; }
  const CompanionFile& Companion() const { return m_companion; }
  // Off, the open companion is closed and none is opened; on again, the open
  // index's is opened.
  void UseCompanion(bool use);
  // Memory for the companion lists' decoded blocks kept between searches
  // (CompanionListCache::kDefaultLimit), and what they hold.
  void SetCompanionListLimit(size_t bytes) { m_search.CompanionLists().SetLimit(bytes); }
  size_t CompanionListBytes() const { return m_search.CompanionLists().MemoryBytes(); }
  // What the lists searched again and again take, decoded in full.
  size_t CompanionPromotedBytes() const { return m_search.PromotedLists().MemoryBytes(); }
  // Lists whose record spans at most this many bytes are read out of the
  // companion when first used instead of through its mapping (0: none).
  void SetCompanionCopyLimit(uint64_t bytes) { m_search.CompanionLists().SetCopyLimit(bytes); }

 private:
  Status Fail(Status why);
  // Opens the index files of part beside the book store (m_folder,
  // m_baseName); ClosePart releases them and the decoded postings.
  Status OpenPart(IndexPart part);
  void ClosePart();
  void OpenCompanion();
  void CloseCompanion();
  // SearchAnd / SearchOr: acceptance, keyword splitting, spaces written back.
  int32_t SearchKeywords(std::u16string& keywords, bool countHits, bool variants,
                         CombineMode firstMode, CombineMode laterMode);
  // One keyword; also tells whether it met a character without postings.
  int32_t SearchOne(std::u16string_view keyword, CombineMode mode, bool countHits, bool variants,
                    bool& noPostings);
  // The outcome of a search that ran to its end.
  SearchOutcome FinalOutcome(bool noPostings) const;

  CFileList m_files;
  PostingsFile m_postings;
  CompanionFile m_companion;
  Status m_companionStatus = Status::NotFound("no index is open");
  bool m_useCompanion = true;
  std::string m_indexPath;  // of the open index, without the suffixes
  VariantTable m_variants;
  KeywordSearch m_search;
  HitList m_hits;
  Status m_status;
  SearchOutcome m_outcome = SearchOutcome::kNoHits;
  std::string m_folder;  // of the open book store
  std::string m_baseName;
  mutable std::string m_hitPageNote;
};

}  // namespace tevarin
