#include "index/searchdrivers.h"

#include <algorithm>
#include <cassert>
#include <numeric>

namespace tevarin {

namespace {

bool Cancelled(const std::atomic<bool>* cancel) {
  return cancel && cancel->load(std::memory_order_relaxed);
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
