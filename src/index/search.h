// KeywordSearch: one keyword searched over an open postings file and merged
// into a hit list.
//
// The keyword is compiled (index/keyword.h). When the index has a companion
// file (index/companionfile.h) that holds every term's slot, the terms are
// read from it (index/companionlists.h): a list's blocks are decoded as the
// intersection reaches them and only the shared pages' positions are read. A
// list searched again and again soon after (a search repeated, paged
// through, or refined) is decoded in full into plain arrays, kept within a
// memory limit of their own, and a keyword all of whose lists are kept so is
// searched over those arrays as the index files' decoded entries are.
// Otherwise, or when a companion list turns out damaged, each term's
// postings come from its slot's decoded entries (index/slotentries.h,
// decoded on first use and kept between searches) or, for a slot that cannot
// be kept decoded, straight from the mapped postings file. A driver
// (index/searchdrivers.h) finds the pages all terms occur on and a matcher
// (index/matchers.h) examines each; the keyword's pages are then merged into
// the hit list (index/hitlist.h). Every way answers the same.
//
// Keywords have no length limit: the per-term state is sized to the keyword
// once per search, so a keyword of any number of terms or segments is
// searched whole.
#pragma once

#include <atomic>
#include <cstddef>
#include <string_view>
#include <vector>

#include "index/companionlists.h"
#include "index/hitlist.h"
#include "index/matchers.h"
#include "index/postingsfile.h"
#include "index/searchdrivers.h"
#include "index/slotentries.h"

namespace tevarin {

class CompanionFile;
class VariantTable;

// Why a search answered what it did.
enum class SearchOutcome {
  kHits,        // the hit list holds pages
  kNoHits,      // searched; nothing found
  kClosed,      // no index is open
  kRejected,    // the keyword string is not one the search takes
  kNoPostings,  // a character of a keyword occurs nowhere in the index
  kCancelled,   // stopped by the cancellation flag; the hit list is empty
};

class KeywordSearch {
 public:
  // The flag a search reads now and then (nullptr: none); it must outlive
  // the searches.
  void SetCancelFlag(const std::atomic<bool>* flag) { m_cancel = flag; }
  bool CancelRequested() const { return m_cancel && m_cancel->load(std::memory_order_relaxed); }

  // Searches keyword in file (with variants when given) and merges its pages
  // into hits, reading the terms from companion when it is given and open
  // (it must be file's). The answer says how this keyword went: kHits when
  // it found pages, kNoHits, kNoPostings, kClosed (hits emptied) or
  // kCancelled (hits emptied). A keyword that finds nothing empties the hit
  // list unless it is merged by Union.
  SearchOutcome Run(const PostingsFile& file, const CompanionFile* companion,
                    const VariantTable* variants, std::u16string_view keyword, CombineMode mode,
                    bool countHits, HitList& hits);

  SlotEntryCache& DecodedCache() { return m_entries; }
  const SlotEntryCache& DecodedCache() const { return m_entries; }
  CompanionListCache& CompanionLists() { return m_lists; }
  const CompanionListCache& CompanionLists() const { return m_lists; }
  // The companion lists decoded in full; cleared with the lists.
  SlotEntryCache& PromotedLists() { return m_promoted; }
  const SlotEntryCache& PromotedLists() const { return m_promoted; }
  void ClearCompanionLists() {
    m_lists.Clear();
    m_promoted.Clear();
  }
  // The memory for lists decoded in full, and how often a list must have
  // been used recently (CompanionList::recent) to be decoded so.
  static constexpr size_t kPromotedLimit = size_t(3) << 20;
  static constexpr uint32_t kPromoteAfter = 2;

 private:
  // The keyword from the companion: kDamaged also when a term's slot has no
  // usable list (nothing is kept then).
  DriverOutcome RunCompanion(const CompanionFile& companion, const CompiledKeyword& compiled,
                             const PageFilter& filter, bool countHits);
  // Decodes in full the lists of the last companion search when each was
  // used often enough and they fit together.
  void PromoteLists(const CompanionFile& companion);
  // The keyword over each term's decoded entries (lookup(slot)), or over
  // its stream where lookup gives none; the pages merged into hits.
  template <typename Lookup>
  SearchOutcome RunEntries(const PostingsFile& file, const CompiledKeyword& compiled,
                           const PageFilter& filter, CombineMode mode, bool countHits,
                           HitList& hits, Lookup lookup);

  const std::atomic<bool>* m_cancel = nullptr;
  SlotEntryCache m_entries;
  CompanionListCache m_lists;
  SlotEntryCache m_promoted = [] {
    SlotEntryCache promoted;
    promoted.SetLimit(kPromotedLimit);
    return promoted;
  }();
  CompanionIntersection m_companionIntersection;
  std::vector<CompanionList*> m_termLists;
  DecodedIntersection m_intersection;
  KeywordMatcher m_matcher;
  // One keyword's pages before they are merged; kept between searches so
  // that its memory is reused.
  StepHits m_step;
};

}  // namespace tevarin
