#include "index/searchdrivers.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <numeric>

#include "index/companionlists.h"

namespace tevarin {

namespace {

bool Cancelled(const std::atomic<bool>* cancel) {
  return cancel && cancel->load(std::memory_order_relaxed);
}

// Keeps the pages of cand (ascending) that the ascending list also holds.
void KeepShared(std::vector<uint32_t>& cand, const uint32_t* list, size_t n) {
  const size_t m = cand.size();
  size_t kept = 0;
  if (n / 8 > m) {
    size_t j = 0;
    for (size_t c = 0; c < m; ++c) {
      const uint32_t p = cand[c];
      j = GallopTo(list, j, n, p);
      if (j == n) break;
      if (list[j] == p) cand[kept++] = p;
    }
  } else {
    size_t c = 0, j = 0;
    while (c < m && j < n) {
      const uint32_t p = cand[c];
      const uint32_t q = list[j];
      cand[kept] = p;
      kept += p == q;
      c += p <= q;
      j += q <= p;
    }
  }
  cand.resize(kept);
}


// The shared pages of CompanionIntersection::Run examined one by one. Built
// twice, with and without the population count instruction (a bitmap's rank
// is one per page and list); the loader picks the one the CPU runs.
#if defined(__x86_64__)
__attribute__((target_clones("popcnt", "default")))
#endif
DriverOutcome ExamineShared(const CompiledKeyword& keyword, const std::vector<CompanionList*>& lists,
                            const std::vector<uint32_t>& cand, PageTerms& terms,
                            KeywordMatcher& matcher, bool countHits, StepHits& step,
                            const std::atomic<bool>* cancel, std::vector<uint32_t>& entry,
                            std::vector<uint32_t>& block, std::vector<uint32_t>& hint) {
  const int listCount = keyword.ListCount();
  const int termCount = keyword.TermCount();
  const size_t shared = cand.size();
  auto listOfTerm = [&](int k) -> CompanionList& {
    return *lists[static_cast<size_t>(keyword.listOf[static_cast<size_t>(k)])];
  };
  // Each shared page in turn: every list's entry of it (its rank in a
  // bitmap, else found from the entry before), the first-position indexes
  // of the entry's block, the entry's positions checked when they are read;
  // then the page examined. A damaged part found on the way ends the run:
  // the caller drops what was found and searches the index files.
  const bool readsPositions = termCount > 1;
  // A list searched again and again (a search repeated, or paged through)
  // unpacks the positions of the blocks it reads and keeps them for the
  // next search; otherwise a search reads just the positions it examines,
  // packed.
  for (CompanionList* list : lists)
    if (!readsPositions || !list->Keeps() || !list->StartUnpacking()) list->StopUnpacking();
  entry.assign(static_cast<size_t>(listCount), 0);
  block.assign(static_cast<size_t>(listCount), UINT32_MAX);
  terms.located.assign(static_cast<size_t>(termCount), nullptr);
  for (int k = 0; k < termCount; ++k)
    terms.located[static_cast<size_t>(k)] = &entry[static_cast<size_t>(keyword.listOf[static_cast<size_t>(k)])];
  terms.candidate = 0;
  terms.fromIntersection = true;
  const bool phraseOfTwo = termCount == 2 && keyword.SegmentCount() == 1;
  const int64_t shift = phraseOfTwo ? keyword.terms[1].patternPos - keyword.terms[0].patternPos : 0;
  hint.assign(static_cast<size_t>(listCount), 0);
  for (size_t c = 0; c < shared; ++c) {
    if ((c & 1023) == 1023 && Cancelled(cancel)) return DriverOutcome::kCancelled;
    const uint32_t page = cand[c];
    for (int l = 0; l < listCount; ++l) {
      CompanionList& list = *lists[static_cast<size_t>(l)];
      uint32_t e;
      if (list.HasBitmap()) {
        e = list.Rank(page);
      } else {
        e = hint[static_cast<size_t>(l)];
        if (!list.Seek(page, e) || e == list.Size() || list.Pages()[e] != page)
          return DriverOutcome::kDamaged;
        hint[static_cast<size_t>(l)] = e;
      }
      const uint32_t b = e / kCompanionBlockEntries;
      if (b != block[static_cast<size_t>(l)]) {
        // A list searched again and again keeps what it decodes; otherwise
        // a search decodes one block at a time into the list's window.
        if (!(list.Keeps() ? list.EnsureFirst(b) : list.EnsureFirstWindow(b)) ||
            (list.Unpacking() && !list.EnsureBlockPositions(b)))
          return DriverOutcome::kDamaged;
        block[static_cast<size_t>(l)] = b;
      }
      if (readsPositions && !list.Unpacking()) {
        uint32_t from, to;
        list.EntryPositions(e, from, to);
        if (!list.EnsurePositions(from, to)) return DriverOutcome::kDamaged;
      }
      entry[static_cast<size_t>(l)] = e;
    }

    if (phraseOfTwo) {
      // A two-character phrase (or X?Y): a merge of the two entries'
      // positions counts the shared aligned positions, repeats included.
      const CompanionList& l0 = listOfTerm(0);
      const CompanionList& l1 = listOfTerm(1);
      uint32_t a32, aEnd32, b32, bEnd32;
      l0.EntryPositions(*terms.located[0], a32, aEnd32);
      l1.EntryPositions(*terms.located[1], b32, bEnd32);
      uint64_t a = a32, b = b32;
      const uint64_t aEnd = aEnd32, bEnd = bEnd32;
      uint32_t count = 0;
      if (aEnd - a == 1 && bEnd - b == 1) {
        // The usual case: one position each.
        count = int64_t(l0.Position(a)) + shift == int64_t(l1.Position(b));
      } else {
        while (a < aEnd && b < bEnd) {
          const int64_t x = int64_t(l0.Position(a)) + shift;
          const int64_t y = l1.Position(b);
          count += x == y;
          a += x <= y;
          b += y <= x;
        }
      }
      if (count == 0) continue;
      step.pages.push_back(page);
      if (countHits) step.counts.push_back(count);
      continue;
    }

    bool enough = true;
    for (const auto& [l, need] : keyword.repeated)
      if (lists[static_cast<size_t>(l)]->Count(entry[static_cast<size_t>(l)]) < need) {
        enough = false;
        break;
      }
    if (!enough) continue;
    matcher.Examine(terms, page);
    if (matcher.Stopped()) return DriverOutcome::kCancelled;
  }
  return DriverOutcome::kDone;
}

}  // namespace

void CollectSingleList(const SlotEntries& e, bool countHits, StepHits& step) {
  const size_t n = e.pages.size();
  for (size_t i = 0; i < n; ++i) {
    const uint32_t count = e.first[i + 1] - e.first[i];
    if (count == 0) continue;
    step.pages.push_back(e.pages[i]);
    if (countHits) step.counts.push_back(count);
  }
}

bool DecodedIntersection::Run(const CompiledKeyword& keyword, PageTerms& terms,
                              KeywordMatcher& matcher, const PageFilter& filter, bool countHits,
                              StepHits& step, const std::atomic<bool>* cancel) {
  const int listCount = keyword.ListCount();
  const int termCount = keyword.TermCount();
  assert(listCount > 0 && static_cast<int>(terms.cursors.size()) == termCount);
  auto listEntries = [&](int l) {
    return terms.cursors[static_cast<size_t>(keyword.listTerm[static_cast<size_t>(l)])].Decoded();
  };
  std::vector<int> byCount(static_cast<size_t>(listCount));
  std::iota(byCount.begin(), byCount.end(), 0);
  std::stable_sort(byCount.begin(), byCount.end(), [&](int a, int b) {
    return listEntries(a)->pages.size() < listEntries(b)->pages.size();
  });
  const SlotEntries* leadEntries = listEntries(byCount[0]);
  m_shared.Start(leadEntries->pages.data(), leadEntries->pages.size());
  // The hit list first: an "and" keyword usually narrows a short list.
  if (filter.active) m_shared.Narrow(filter.begin, static_cast<size_t>(filter.end - filter.begin));
  for (int i = 1; i < listCount && m_shared.Size() > 0; ++i) {
    if (Cancelled(cancel)) return false;
    const SlotEntries* e = listEntries(byCount[static_cast<size_t>(i)]);
    m_shared.Narrow(e->pages.data(), e->pages.size());
  }
  if (m_located.size() < static_cast<size_t>(listCount))
    m_located.resize(static_cast<size_t>(listCount));
  std::vector<const uint32_t*> located(static_cast<size_t>(listCount),
                                       nullptr);  // per distinct slot
  for (int l = 0; l < listCount && m_shared.Size() > 0; ++l) {
    const SlotEntries* e = listEntries(l);
    located[static_cast<size_t>(l)] =
        m_shared.Locate(e->pages.data(), e->pages.size(), m_located[static_cast<size_t>(l)]);
  }
  terms.located.assign(static_cast<size_t>(termCount), nullptr);
  for (int k = 0; k < termCount; ++k)
    terms.located[static_cast<size_t>(k)] =
        located[static_cast<size_t>(keyword.listOf[static_cast<size_t>(k)])];
  const size_t shared = m_shared.Size();

  if (termCount == 2 && keyword.SegmentCount() == 1) {
    // A two-character phrase (or X?Y): a merge of the two entries'
    // positions counts the shared aligned positions, repeats included.
    const SlotEntries& e0 = *terms.cursors[0].Decoded();
    const SlotEntries& e1 = *terms.cursors[1].Decoded();
    const uint32_t* index0 = terms.located[0];
    const uint32_t* index1 = terms.located[1];
    // aligned0 == aligned1  <=>  position0 + shift == position1
    const int64_t shift = keyword.terms[1].patternPos - keyword.terms[0].patternPos;
    for (size_t c = 0; c < shared; ++c) {
      if ((c & 1023) == 1023 && Cancelled(cancel)) return false;
      const uint32_t* a = e0.positions.data() + e0.first[index0[c]];
      const uint32_t* const aEnd = e0.positions.data() + e0.first[index0[c] + 1];
      const uint32_t* b = e1.positions.data() + e1.first[index1[c]];
      const uint32_t* const bEnd = e1.positions.data() + e1.first[index1[c] + 1];
      uint32_t count = 0;
      while (a < aEnd && b < bEnd) {
        const int64_t x = int64_t(*a) + shift;
        const int64_t y = *b;
        count += x == y;
        a += x <= y;
        b += y <= x;
      }
      if (count == 0) continue;
      step.pages.push_back(m_shared.Page(c));
      if (countHits) step.counts.push_back(count);
    }
    return true;
  }

  terms.fromIntersection = true;
  for (size_t c = 0; c < shared; ++c) {
    if ((c & 255) == 255 && Cancelled(cancel)) return false;
    bool enough = true;
    for (const auto& [l, need] : keyword.repeated) {
      const SlotEntries* e = listEntries(l);
      const uint32_t at = located[static_cast<size_t>(l)][c];
      if (e->first[at + 1] - e->first[at] < need) {
        enough = false;
        break;
      }
    }
    if (!enough) continue;
    terms.candidate = c;
    matcher.Examine(terms, m_shared.Page(c));
    if (matcher.Stopped()) return false;
  }
  return true;
}

bool RunPageLoop(const CompiledKeyword& keyword, PageTerms& terms, KeywordMatcher& matcher,
                 const std::vector<int>& order, PageFilter filter,
                 const std::atomic<bool>* cancel) {
  const int termCount = keyword.TermCount();
  assert(static_cast<int>(order.size()) == termCount && termCount > 0 && !terms.fromIntersection);
  auto cursor = [&](int k) -> TermCursor& { return terms.cursors[static_cast<size_t>(k)]; };
  TermCursor& lead = cursor(order[0]);
  for (uint32_t loops = 1;; ++loops) {
    if ((loops & 255) == 0 && Cancelled(cancel)) return false;
    const uint32_t page = lead.Page();
    if (filter.active) {
      filter.begin = std::lower_bound(filter.begin, filter.end, page);
      if (filter.begin == filter.end) break;
      if (*filter.begin > page) {
        if (!lead.SkipTo(*filter.begin)) break;
        continue;
      }
    }
    bool onM = true;
    bool ended = false;
    for (int i = 1; i < termCount && onM; ++i) {
      TermCursor& t = cursor(order[static_cast<size_t>(i)]);
      if (!t.SkipTo(page)) {
        ended = true;
      } else if (t.Page() > page) {
        onM = false;
        ended = !lead.SkipTo(t.Page());
      }
    }
    if (ended) break;
    if (!onM) continue;
    bool enough = true;
    for (const auto& [l, need] : keyword.repeated)
      if (cursor(keyword.listTerm[static_cast<size_t>(l)]).PositionBound() < need) {
        enough = false;
        break;
      }
    if (enough) matcher.Examine(terms, page);
    if (matcher.Stopped()) return false;
    if (page == UINT32_MAX || !lead.SkipTo(page + 1)) break;
  }
  return true;
}

}  // namespace tevarin

namespace tevarin {

DriverOutcome CompanionIntersection::Run(const CompiledKeyword& keyword,
                                         const std::vector<CompanionList*>& lists,
                                         PageTerms& terms, KeywordMatcher& matcher,
                                         const PageFilter& filter, bool countHits,
                                         StepHits& step, const std::atomic<bool>* cancel) {
  const int listCount = keyword.ListCount();
  const int termCount = keyword.TermCount();
  assert(listCount > 0 && static_cast<int>(lists.size()) == listCount &&
         static_cast<int>(terms.cursors.size()) == termCount);
  auto listOfTerm = [&](int k) -> CompanionList& {
    return *lists[static_cast<size_t>(keyword.listOf[static_cast<size_t>(k)])];
  };
  for (int k = 0; k < termCount; ++k) terms.cursors[static_cast<size_t>(k)].StartCompanion(listOfTerm(k));

  if (termCount == 1 && !filter.active) {
    // Every page of the one term, counted by its positions: no position is read.
    CompanionList& list = *lists[0];
    if (!list.Keeps()) {
      // Until the list is searched again and again, a search streams the
      // blocks through a buffer of its own instead of keeping them.
      uint32_t pages[kCompanionBlockEntries], first[kCompanionBlockEntries + 1];
      for (uint32_t b = 0; b < list.Blocks(); ++b) {
        if ((b & 63) == 63 && Cancelled(cancel)) return DriverOutcome::kCancelled;
        if (!list.DecodeBlockTo(b, pages, first)) return DriverOutcome::kDamaged;
        const uint32_t k = list.BlockEntries(b);
        for (uint32_t i = 0; i < k; ++i) {
          const uint32_t count = first[i + 1] - first[i];
          if (count == 0) continue;
          step.pages.push_back(pages[i]);
          if (countHits) step.counts.push_back(count);
        }
      }
      return DriverOutcome::kDone;
    }
    for (uint32_t b = 0; b < list.Blocks(); ++b) {
      if ((b & 63) == 63 && Cancelled(cancel)) return DriverOutcome::kCancelled;
      if (!list.EnsurePages(b) || !list.EnsureFirst(b)) return DriverOutcome::kDamaged;
    }
    const uint32_t* pages = list.Pages();
    const uint32_t* first = list.First();
    for (uint32_t e = 0; e < list.Size(); ++e) {
      const uint32_t count = first[e + 1] - first[e];
      if (count == 0) continue;
      step.pages.push_back(pages[e]);
      if (countHits) step.counts.push_back(count);
    }
    return DriverOutcome::kDone;
  }

  // The candidates: the hit list when it filters and is the shortest, else
  // the pages of the shortest list (or of all the bitmaps at once, when the
  // shortest has one: then every longer list has one too, or is probed).
  std::vector<int> order(static_cast<size_t>(listCount));
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return lists[static_cast<size_t>(a)]->Size() < lists[static_cast<size_t>(b)]->Size();
  });
  m_done.assign(static_cast<size_t>(listCount), 0);
  std::vector<uint32_t>& cand = m_candidates;
  cand.clear();
  CompanionList& lead = *lists[static_cast<size_t>(order[0])];
  const size_t filterSize = filter.active ? static_cast<size_t>(filter.end - filter.begin) : 0;
  if (filter.active && filterSize <= lead.Size()) {
    cand.assign(filter.begin, filter.end);
  } else {
    if (lead.HasBitmap()) {
      uint32_t words = UINT32_MAX;
      for (const CompanionList* l : lists)
        if (l->HasBitmap()) words = std::min(words, l->BitmapWords());
      m_words.resize(words);
      for (uint32_t w = 0; w < words; ++w) m_words[w] = lead.BitmapWord(w);
      for (int l = 0; l < listCount; ++l) {
        const CompanionList& other = *lists[static_cast<size_t>(l)];
        if (!other.HasBitmap()) continue;
        m_done[static_cast<size_t>(l)] = 1;
        if (&other == &lead) continue;
        for (uint32_t w = 0; w < words; ++w) m_words[w] &= other.BitmapWord(w);
      }
      for (uint32_t w = 0; w < words; ++w)
        for (uint64_t bits = m_words[w]; bits; bits &= bits - 1)
          cand.push_back(w * 64 + static_cast<uint32_t>(std::countr_zero(bits)));
    } else {
      for (uint32_t b = 0; b < lead.Blocks(); ++b) {
        if ((b & 63) == 63 && Cancelled(cancel)) return DriverOutcome::kCancelled;
        if (!lead.EnsurePages(b)) return DriverOutcome::kDamaged;
      }
      cand.assign(lead.Pages(), lead.Pages() + lead.Size());
      m_done[static_cast<size_t>(order[0])] = 1;
    }
    if (filter.active) KeepShared(cand, filter.begin, filterSize);
  }
  for (const int i : order) {
    if (m_done[static_cast<size_t>(i)] || cand.empty()) continue;
    if (Cancelled(cancel)) return DriverOutcome::kCancelled;
    CompanionList& list = *lists[static_cast<size_t>(i)];
    if (list.HasBitmap()) {
      size_t kept = 0;
      for (const uint32_t p : cand)
        if (list.Contains(p)) cand[kept++] = p;
      cand.resize(kept);
    } else if (list.Size() / 8 > cand.size()) {
      // Much longer than the candidates: only the blocks that may hold them.
      size_t kept = 0;
      uint32_t e = 0;
      for (const uint32_t p : cand) {
        if (!list.Seek(p, e)) return DriverOutcome::kDamaged;
        if (e == list.Size()) break;
        if (list.Pages()[e] == p) cand[kept++] = p;
      }
      cand.resize(kept);
    } else {
      for (uint32_t b = 0; b < list.Blocks(); ++b)
        if (!list.EnsurePages(b)) return DriverOutcome::kDamaged;
      KeepShared(cand, list.Pages(), list.Size());
    }
  }
  const size_t shared = cand.size();
  if (shared == 0) return DriverOutcome::kDone;

  return ExamineShared(keyword, lists, cand, terms, matcher, countHits, step, cancel, m_entry, m_block,
                       m_hint);
}

}  // namespace tevarin
