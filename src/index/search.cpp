#include "index/search.h"

#include <algorithm>
#include <numeric>

#include "index/companionfile.h"
#include "index/keyword.h"
#include "index/termcursor.h"
#include "index/varianttable.h"

namespace tevarin {

DriverOutcome KeywordSearch::RunCompanion(const CompanionFile& companion,
                                          const CompiledKeyword& compiled,
                                          const PageFilter& filter, bool countHits) {
  m_lists.BeginSearch(companion);
  m_termLists.clear();
  for (const int k : compiled.listTerm) {
    CompanionList* list = m_lists.Get(companion, compiled.terms[static_cast<size_t>(k)].slot);
    if (!list) return DriverOutcome::kDamaged;
    m_termLists.push_back(list);
  }
  PageTerms terms;
  terms.cursors.resize(static_cast<size_t>(compiled.TermCount()));
  m_matcher.Start(compiled, countHits, m_step, m_cancel);
  const DriverOutcome outcome = m_companionIntersection.Run(compiled, m_termLists, terms, m_matcher,
                                                           filter, countHits, m_step, m_cancel);
  if (outcome == DriverOutcome::kDamaged) {
    m_lists.DropDamaged(companion);
    m_step.Clear();
  }
  return outcome;
}

void KeywordSearch::PromoteLists(const CompanionFile& companion) {
  // All of the keyword's lists or none: a keyword is searched over the
  // arrays only when every list is there. Only where that is the faster
  // way: a keyword of two lists, or of lists without a bitmap (several long
  // lists intersect faster as bitmaps); one list is counted from its kept
  // blocks as fast, without its positions.
  if (m_termLists.size() < 2) return;
  size_t bytes = 0;
  bool bitmap = false;
  for (const CompanionList* list : m_termLists) {
    if (list->recent < kPromoteAfter) return;
    bytes += list->DecodedBytes();
    bitmap = bitmap || list->HasBitmap();
  }
  if ((bitmap && m_termLists.size() > 2) || bytes > m_promoted.SlotLimit()) return;
  for (CompanionList* list : m_termLists) {
    const int slot = list->Slot();
    if (m_promoted.Find(slot)) continue;
    auto entries = std::make_unique<SlotEntries>();
    if (!list->DecodeAll(*entries)) {
      m_lists.DropDamaged(companion);
      return;  // the other lists of this search may be gone now
    }
    // The list's own decoded blocks are not needed beside the arrays.
    if (!m_promoted.Put(slot, std::move(entries))) return;
    m_lists.Drop(slot);
  }
}

template <typename Lookup>
SearchOutcome KeywordSearch::RunEntries(const PostingsFile& file, const CompiledKeyword& compiled,
                                        const PageFilter& filter, CombineMode mode, bool countHits,
                                        HitList& hits, Lookup lookup) {
  const int termCount = compiled.TermCount();
  // Open every term's postings at its first page entry: its slot's decoded
  // entries, or its stream when they cannot be kept.
  PageTerms terms;
  terms.cursors.resize(static_cast<size_t>(termCount));
  for (int k = 0; k < termCount; ++k) {
    const int slot = compiled.terms[static_cast<size_t>(k)].slot;
    const SlotEntries* decoded = lookup(slot);
    if (CancelRequested()) {
      hits.Clear();
      return SearchOutcome::kCancelled;
    }
    if (!terms.cursors[static_cast<size_t>(k)].Start(file, slot, decoded)) {
      if (mode != CombineMode::Union) hits.Clear();
      return SearchOutcome::kNoHits;
    }
  }

  // The term with the fewest page entries first, then the others by count.
  std::vector<int> order(static_cast<size_t>(termCount));
  std::iota(order.begin(), order.end(), 0);
  auto entryCount = [&](int k) {
    const SlotEntries* e = terms.cursors[static_cast<size_t>(k)].Decoded();
    return e ? e->pages.size() : SIZE_MAX;
  };
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return entryCount(a) < entryCount(b); });

  m_matcher.Start(compiled, countHits, m_step, m_cancel);
  bool done = true;
  if (termCount == 1 && terms.cursors[0].Decoded() && !filter.active) {
    CollectSingleList(*terms.cursors[0].Decoded(), countHits, m_step);
  } else if (entryCount(order.back()) != SIZE_MAX) {
    done = m_intersection.Run(compiled, terms, m_matcher, filter, countHits, m_step, m_cancel);
  } else {
    done = RunPageLoop(compiled, terms, m_matcher, order, filter, m_cancel);
  }
  if (!done) {
    hits.Clear();
    return SearchOutcome::kCancelled;
  }
  const bool found = !m_step.pages.empty();
  hits.Merge(mode, countHits, m_step);
  return found ? SearchOutcome::kHits : SearchOutcome::kNoHits;
}

SearchOutcome KeywordSearch::Run(const PostingsFile& file, const CompanionFile* companion,
                                 const VariantTable* variants, std::u16string_view keyword,
                                 CombineMode mode, bool countHits, HitList& hits) {
  auto noPages = [&](SearchOutcome why) {
    if (mode != CombineMode::Union) hits.Clear();
    return why;
  };
  auto cancelled = [&] {
    hits.Clear();
    return SearchOutcome::kCancelled;
  };
  if (CancelRequested()) return cancelled();
  // A closed engine has nothing to search.
  if (!file.IsOpen()) {
    hits.Clear();
    return SearchOutcome::kClosed;
  }
  // A hit list without a count for each page cannot take counted hits.
  if (countHits && hits.Pages().size() != hits.Counts().size() && mode != CombineMode::Union) {
    hits.Clear();
    return SearchOutcome::kNoHits;
  }

  const CompiledKeyword compiled = CompileKeyword(keyword, variants);
  for (const KeywordTerm& t : compiled.terms)
    if (!file.HasPostings(t.slot)) return noPages(SearchOutcome::kNoPostings);
  if (compiled.terms.empty()) return noPages(SearchOutcome::kNoHits);
  m_step.Clear();

  // A keyword that narrows the hit list down ("and") only needs the pages the
  // list already holds: the others would be dropped by the merge, and every
  // page is examined on its own, so passing them by changes no answer.
  PageFilter filter;
  filter.active = mode == CombineMode::Intersect;
  if (filter.active && hits.Pages().empty()) return noPages(SearchOutcome::kNoHits);
  std::vector<uint32_t> sortedHits;
  const std::vector<uint32_t>* filterPages = &hits.Pages();
  if (filter.active && !std::is_sorted(filterPages->begin(), filterPages->end())) {
    sortedHits = *filterPages;
    std::sort(sortedHits.begin(), sortedHits.end());
    sortedHits.erase(std::unique(sortedHits.begin(), sortedHits.end()), sortedHits.end());
    filterPages = &sortedHits;
  }
  filter.begin = filterPages->data();
  filter.end = filter.begin + filterPages->size();

  if (companion && companion->IsOpen()) {
    // Every term's list decoded in full: searched as the decoded entries.
    m_promoted.BeginSearch();
    bool promoted = true;
    for (const KeywordTerm& t : compiled.terms)
      if (!m_promoted.Find(t.slot)) promoted = false;
    if (promoted)
      return RunEntries(file, compiled, filter, mode, countHits, hits,
                        [&](int slot) { return m_promoted.Find(slot); });
    const DriverOutcome outcome = RunCompanion(*companion, compiled, filter, countHits);
    if (outcome == DriverOutcome::kCancelled) return cancelled();
    if (outcome == DriverOutcome::kDone) {
      const bool found = !m_step.pages.empty();
      hits.Merge(mode, countHits, m_step);
      PromoteLists(*companion);
      return found ? SearchOutcome::kHits : SearchOutcome::kNoHits;
    }
    // Not every term has a sound list in the companion: the index files.
  }

  // Each term's slot's decoded entries, decoded on first use, or its stream
  // when they cannot be kept.
  m_entries.BeginSearch();
  return RunEntries(file, compiled, filter, mode, countHits, hits,
                    [&](int slot) { return m_entries.Get(file, slot, m_cancel); });
}

}  // namespace tevarin
