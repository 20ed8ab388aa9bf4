#include "index/matchers.h"

#include <algorithm>
#include <cassert>

namespace tevarin {

// Each position of the one term is a match: the count of a page is the number
// of position numbers in its entry.
void SingleMatcher::Examine(MatchTarget& target, PageTerms& terms, uint32_t page) {
  terms.Enter(0);
  const uint32_t count = terms.cursors[0].CountPositions();
  if (count == 0) return;
  target.Add(page, count);
}

// Aligned positions are counted as a multiset (a repeated position, which
// only a damaged file holds, matches as often as every term repeats it), as
// stepping all terms through their positions together would count them. The
// first term's positions are decoded, the others' are merged against them as
// they are read, and reading stops as soon as no candidate is left.
void PhraseMatcher::Examine(MatchTarget& target, PageTerms& terms, uint32_t page) {
  const CompiledKeyword& keyword = *target.keyword;
  std::vector<int64_t>& common = m_common;
  common.clear();
  {
    terms.Enter(0);
    TermCursor& t = terms.cursors[0];
    uint32_t v;
    int64_t a = keyword.Shift(0);  // the first position is absolute, then differences
    while (t.NextPosition(v)) {
      a += int64_t(v);
      common.push_back(a);
    }
  }
  const int termCount = keyword.TermCount();
  for (int k = 1; k < termCount && !common.empty(); ++k) {
    terms.Enter(k);
    TermCursor& t = terms.cursors[static_cast<size_t>(k)];
    size_t kept = 0, i = 0;
    uint32_t v;
    int64_t a = keyword.Shift(k);
    while (i < common.size() && t.NextPosition(v)) {
      a += int64_t(v);
      while (i < common.size() && common[i] < a) ++i;
      if (i < common.size() && common[i] == a) common[kept++] = common[i++];
    }
    common.resize(kept);
    if ((k & 63) == 0 && target.Stop()) return;
  }
  if (common.empty()) return;
  target.Add(page, static_cast<uint32_t>(common.size()));
}

int64_t TwoSegmentMatcher::MaxAlignedUpTo(const CompiledKeyword& keyword, int lastSeg) const {
  const KeywordSegment& seg = keyword.segments[static_cast<size_t>(lastSeg)];
  const int end = seg.first + seg.count;
  int64_t a = m_aligned[0];
  for (int k = 1; k < end; ++k) a = std::max(a, m_aligned[static_cast<size_t>(k)]);
  return a;
}

void TwoSegmentMatcher::Examine(MatchTarget& target, PageTerms& terms, uint32_t page) {
  const CompiledKeyword& keyword = *target.keyword;
  const int termCount = keyword.TermCount();
  const int segCount = keyword.SegmentCount();
  m_aligned.resize(static_cast<size_t>(termCount));
  for (int k = 0; k < termCount; ++k) terms.Enter(k);
  for (int k = 0; k < termCount; ++k) {
    uint32_t pos;
    // An entry without positions: nothing here.
    if (!terms.cursors[static_cast<size_t>(k)].NextPosition(pos)) return;
    m_aligned[static_cast<size_t>(k)] = int64_t(pos) + keyword.Shift(k);
  }
  const auto aligned = [&](int k) { return m_aligned[static_cast<size_t>(k)]; };
  bool counted = false;
  for (uint32_t steps = 1;; ++steps) {
    if ((steps & 4095) == 0 && target.Stop()) return;
    int64_t goal = MaxAlignedUpTo(keyword, 0);
    bool match = true;
    bool gapTooBig = false;
    int f = 0;
    // Phrase test: the terms of a segment share one aligned position.
    for (int s = 0; s < segCount && match; ++s) {
      const KeywordSegment& seg = keyword.segments[static_cast<size_t>(s)];
      for (int k = seg.first; k + 1 < seg.first + seg.count; ++k) {
        if (aligned(k) != aligned(k + 1)) {
          match = false;
          f = s;
          goal = MaxAlignedUpTo(keyword, s);
          break;
        }
      }
    }
    // Order test: each segment begins after the previous one ends, at most
    // kMaxStarGap positions later.
    if (match) {
      for (int s = 0; s + 1 < segCount; ++s) {
        const KeywordSegment& seg = keyword.segments[static_cast<size_t>(s)];
        const int64_t e = aligned(seg.first + seg.count - 1);
        const int64_t b = aligned(keyword.segments[static_cast<size_t>(s) + 1].first);
        if (b < e) {
          match = false;
          f = s;
          goal = MaxAlignedUpTo(keyword, s);
          break;
        }
        if (b - e > kMaxStarGap) {
          match = false;
          gapTooBig = true;
          f = s;
          goal = MaxAlignedUpTo(keyword, segCount - 1);
          break;
        }
      }
    }
    if (match) {
      if (!target.countHits) {
        target.Add(page, 0);
        return;
      }
      if (!counted) {
        target.Add(page, 1);
        counted = true;
      } else {
        ++target.step->counts.back();
      }
      goal = goal + 1;
    }
    const int from = gapTooBig ? 0 : keyword.segments[static_cast<size_t>(f)].first;
    for (int k = from; k < termCount; ++k) {
      if (aligned(k) >= goal) continue;
      uint32_t delta;
      if (!terms.cursors[static_cast<size_t>(k)].NextPosition(delta)) return;  // page done
      m_aligned[static_cast<size_t>(k)] += delta;
    }
  }
}

// The positions of each distinct slot are read once per page; then, from the
// last segment back, the occurrences that some kept occurrence of the next
// segment follows within the gap.
void SegmentSetMatcher::Examine(MatchTarget& target, PageTerms& terms, uint32_t page) {
  const CompiledKeyword& keyword = *target.keyword;
  const int listCount = keyword.ListCount();
  const int segCount = keyword.SegmentCount();
  if (m_slotPositions.size() < static_cast<size_t>(listCount))
    m_slotPositions.resize(static_cast<size_t>(listCount));
  if (m_occurrences.size() < static_cast<size_t>(segCount))
    m_occurrences.resize(static_cast<size_t>(segCount));
  for (int l = 0; l < listCount; ++l) {
    const int k = keyword.listTerm[static_cast<size_t>(l)];
    terms.Enter(k);
    TermCursor& t = terms.cursors[static_cast<size_t>(k)];
    std::vector<int64_t>& list = m_slotPositions[static_cast<size_t>(l)];
    list.clear();
    uint32_t v;
    int64_t pos = -1;
    while (t.NextPosition(v)) {
      pos = pos < 0 ? int64_t(v) : pos + v;
      list.push_back(pos);
    }
  }
  auto positionsOf = [&](int term) -> const std::vector<int64_t>& {
    return m_slotPositions[static_cast<size_t>(keyword.listOf[static_cast<size_t>(term)])];
  };
  for (int s = 0; s < segCount; ++s) {
    if ((s & 63) == 63 && target.Stop()) return;
    const KeywordSegment& seg = keyword.segments[static_cast<size_t>(s)];
    std::vector<int64_t>& occ = m_occurrences[static_cast<size_t>(s)];
    occ.clear();
    const int64_t firstShift = keyword.Shift(seg.first);
    for (int64_t p : positionsOf(seg.first)) occ.push_back(p + firstShift);
    for (int k = seg.first + 1; k < seg.first + seg.count && !occ.empty(); ++k) {
      // occ ∩ (positions of term k's slot + its shift), as multisets
      const std::vector<int64_t>& other = positionsOf(k);
      const int64_t shift = keyword.Shift(k);
      m_scratch.clear();
      size_t i = 0, j = 0;
      while (i < occ.size() && j < other.size()) {
        const int64_t b = other[j] + shift;
        if (occ[i] < b) {
          ++i;
        } else if (b < occ[i]) {
          ++j;
        } else {
          m_scratch.push_back(occ[i]);
          ++i;
          ++j;
        }
      }
      occ.swap(m_scratch);
    }
    occ.erase(std::unique(occ.begin(), occ.end()), occ.end());
  }
  for (int s = segCount - 2; s >= 0; --s) {
    const std::vector<int64_t>& next = m_occurrences[static_cast<size_t>(s) + 1];
    std::vector<int64_t>& occ = m_occurrences[static_cast<size_t>(s)];
    size_t keep = 0;
    for (int64_t a : occ) {
      const auto it = std::lower_bound(next.begin(), next.end(), a);
      if (it != next.end() && *it - a <= kMaxStarGap) occ[keep++] = a;
    }
    occ.resize(keep);
  }
  const size_t count = m_occurrences[0].size();
  if (count == 0) return;
  target.Add(page, static_cast<uint32_t>(count));
}

KeywordMatcher::Kind KeywordMatcher::KindOf(const CompiledKeyword& keyword) {
  if (keyword.TermCount() == 1) return Kind::kSingle;
  if (keyword.SegmentCount() >= 3) return Kind::kSegmentSets;
  if (keyword.SegmentCount() == 1) return Kind::kPhrase;
  return Kind::kTwoSegments;
}

void KeywordMatcher::Start(const CompiledKeyword& keyword, bool countHits, StepHits& step,
                           const std::atomic<bool>* cancel) {
  assert(keyword.TermCount() > 0 && keyword.SegmentCount() > 0);
  m_kind = KindOf(keyword);
  m_target = MatchTarget{&keyword, countHits, &step, cancel, false};
  // A new keyword starts with empty working lists (their memory from a large
  // page of the last keyword is not kept).
  m_segmentSets = SegmentSetMatcher();
}

}  // namespace tevarin
