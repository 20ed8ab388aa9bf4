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
  const int termCount = compiled.TermCount();
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
    const DriverOutcome outcome = RunCompanion(*companion, compiled, filter, countHits);
    if (outcome == DriverOutcome::kCancelled) return cancelled();
    if (outcome == DriverOutcome::kDone) {
      const bool found = !m_step.pages.empty();
      hits.Merge(mode, countHits, m_step);
      return found ? SearchOutcome::kHits : SearchOutcome::kNoHits;
    }
    // Not every term has a sound list in the companion: the index files.
  }

  // Open every term's postings at its first page entry: its slot's decoded
  // entries, decoded on first use, or its stream when they cannot be kept.
  m_entries.BeginSearch();
  PageTerms terms;
  terms.cursors.resize(static_cast<size_t>(termCount));
  for (int k = 0; k < termCount; ++k) {
    const int slot = compiled.terms[static_cast<size_t>(k)].slot;
    const SlotEntries* decoded = m_entries.Get(file, slot, m_cancel);
    if (CancelRequested()) return cancelled();
    if (!terms.cursors[static_cast<size_t>(k)].Start(file, slot, decoded))
      return noPages(SearchOutcome::kNoHits);
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
  if (termCount == 1 && terms.cursors[0].Decoded() && !filter.active) {
    CollectSingleList(*terms.cursors[0].Decoded(), countHits, m_step);
  } else if (entryCount(order.back()) != SIZE_MAX) {
    if (!m_intersection.Run(compiled, terms, m_matcher, filter, countHits, m_step, m_cancel))
      return cancelled();
  } else if (!RunPageLoop(compiled, terms, m_matcher, order, filter, m_cancel)) {
    return cancelled();
  }
  const bool found = !m_step.pages.empty();
  hits.Merge(mode, countHits, m_step);
  return found ? SearchOutcome::kHits : SearchOutcome::kNoHits;
}

}  // namespace tevarin
