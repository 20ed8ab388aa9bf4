// Matchers: how a keyword is found on one page on which all its terms stand.
//
// Every matcher examines a page through the keyword's term cursors set on
// that page and, when the keyword occurs there, appends the page (and its
// count, when hits are counted) to the step.
//
//   SingleMatcher      one term: each of its positions is a match.
//   PhraseMatcher      one segment (a phrase, "?" allowed): a match wherever
//                      all its terms share an aligned position.
//   TwoSegmentMatcher  two segments: the terms advance through their
//                      positions in a fixed order, counting each match they
//                      meet.
//   SegmentSetMatcher  three or more segments: the occurrences of each
//                      segment, kept when some kept occurrence of the next
//                      segment follows within the gap. (The walk of two
//                      segments can step a middle segment past its only
//                      occurrence and miss the page.) The count is the number
//                      of occurrences of the first segment that begin a
//                      complete match.
//
// KeywordMatcher picks the one for a keyword's shape.
//
// The matchers read positions through cursors: over a slot's postings in
// the search (PageTerms), and over the positions of one page's own indexed
// text for a hit page (PositionListTerms). Given a MatchSink they also report
// each match they count, by the aligned position of each segment, so that a
// hit page marks exactly the matches the search counted.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "index/hitlist.h"
#include "index/keyword.h"
#include "index/termcursor.h"

namespace tevarin {

// A keyword's terms set on the page being examined. The page loop moves the
// cursors there itself; when the pages come from the intersection of decoded
// entries, Enter sets a term on its entry of the candidate page on demand.
struct PageTerms {
  std::vector<TermCursor> cursors;
  // Per term: the index of its slot's entry for each candidate page, or
  // null when the cursors are moved by the caller.
  std::vector<const uint32_t*> located;
  size_t candidate = 0;
  bool fromIntersection = false;

  void Enter(int k) {
    if (fromIntersection)
      cursors[static_cast<size_t>(k)].EnterAt(located[static_cast<size_t>(k)][candidate]);
  }
};

// A position list read as a term cursor reads a page entry: the first
// position, then differences.
class PositionListCursor {
 public:
  PositionListCursor(const uint32_t* begin, const uint32_t* end) : m_pos(begin), m_end(end) {}
  bool NextPosition(uint32_t& v) {
    if (m_pos == m_end) return false;
    v = *m_pos - m_previous;
    m_previous = *m_pos++;
    return true;
  }
  uint32_t CountPositions() {
    const uint32_t n = static_cast<uint32_t>(m_end - m_pos);
    m_pos = m_end;
    return n;
  }

 private:
  const uint32_t* m_pos;
  const uint32_t* m_end;
  uint32_t m_previous = 0;
};

// A keyword's terms over given position lists (one page's own text): term k
// reads cursors[k].
struct PositionListTerms {
  std::vector<PositionListCursor> cursors;
  void Enter(int) {}
};

// Where a matcher reports each match it counts: aligned[s] is the aligned
// position of segment s's occurrence, so the characters of segment s stand
// at aligned[s] - Shift(k) for its terms k.
class MatchSink {
 public:
  virtual ~MatchSink() = default;
  virtual void Match(const int64_t* aligned) = 0;
};

// What every matcher shares: the keyword, where the pages go (and each
// match, when a sink is given), and the cancellation, which a long
// examination of one page looks at now and then (and then sets stopped).
struct MatchTarget {
  const CompiledKeyword* keyword = nullptr;
  bool countHits = false;
  StepHits* step = nullptr;
  const std::atomic<bool>* cancel = nullptr;
  bool stopped = false;
  MatchSink* sink = nullptr;

  void Add(uint32_t page, uint32_t count) {
    step->pages.push_back(page);
    if (countHits) step->counts.push_back(count);
  }
  bool Stop() {
    if (cancel && cancel->load(std::memory_order_relaxed)) stopped = true;
    return stopped;
  }
};

class SingleMatcher {
 public:
  template <class Terms>
  void Examine(MatchTarget& target, Terms& terms, uint32_t page);
};

class PhraseMatcher {
 public:
  template <class Terms>
  void Examine(MatchTarget& target, Terms& terms, uint32_t page);

 private:
  std::vector<int64_t> m_common;
};

class TwoSegmentMatcher {
 public:
  template <class Terms>
  void Examine(MatchTarget& target, Terms& terms, uint32_t page);

 private:
  // Greatest aligned position among the terms of segments 0..lastSeg.
  int64_t MaxAlignedUpTo(const CompiledKeyword& keyword, int lastSeg) const;
  std::vector<int64_t> m_aligned;  // per term
  std::vector<int64_t> m_report;   // per segment, for the sink
};

class SegmentSetMatcher {
 public:
  template <class Terms>
  void Examine(MatchTarget& target, Terms& terms, uint32_t page);

 private:
  std::vector<std::vector<int64_t>> m_slotPositions;  // per distinct slot
  std::vector<std::vector<int64_t>> m_occurrences;    // per segment
  std::vector<int64_t> m_scratch;
  std::vector<int64_t> m_report;  // per segment, for the sink
};

class KeywordMatcher {
 public:
  enum class Kind { kSingle, kPhrase, kTwoSegments, kSegmentSets };
  static Kind KindOf(const CompiledKeyword& keyword);

  // Starts a keyword's examination: pages go to step, and each match to
  // sink when one is given.
  void Start(const CompiledKeyword& keyword, bool countHits, StepHits& step,
             const std::atomic<bool>* cancel, MatchSink* sink = nullptr);
  // Terms: PageTerms or PositionListTerms.
  template <class Terms>
  void Examine(Terms& terms, uint32_t page) {
    switch (m_kind) {
      case Kind::kSingle: m_single.Examine(m_target, terms, page); break;
      case Kind::kPhrase: m_phrase.Examine(m_target, terms, page); break;
      case Kind::kTwoSegments: m_twoSegments.Examine(m_target, terms, page); break;
      case Kind::kSegmentSets: m_segmentSets.Examine(m_target, terms, page); break;
    }
  }
  // Whether an examination stopped for a cancellation.
  bool Stopped() const { return m_target.stopped; }

 private:
  Kind m_kind = Kind::kSingle;
  MatchTarget m_target;
  SingleMatcher m_single;
  PhraseMatcher m_phrase;
  TwoSegmentMatcher m_twoSegments;
  SegmentSetMatcher m_segmentSets;
};

// The examinations, for any terms type (a cursor per term with
// NextPosition and CountPositions, and Enter).

// Each position of the one term is a match: the count of a page is the number
// of position numbers in its entry.
template <class Terms>
void SingleMatcher::Examine(MatchTarget& target, Terms& terms, uint32_t page) {
  terms.Enter(0);
  auto& t = terms.cursors[0];
  uint32_t count = 0;
  if (target.sink) {
    uint32_t v;
    int64_t aligned = target.keyword->Shift(0);
    while (t.NextPosition(v)) {
      aligned += int64_t(v);
      target.sink->Match(&aligned);
      ++count;
    }
  } else {
    count = t.CountPositions();
  }
  if (count == 0) return;
  target.Add(page, count);
}

// Aligned positions are counted as a multiset (a repeated position, which
// only a damaged file holds, matches as often as every term repeats it), as
// stepping all terms through their positions together would count them. The
// first term's positions are decoded, the others' are merged against them as
// they are read, and reading stops as soon as no candidate is left.
template <class Terms>
void PhraseMatcher::Examine(MatchTarget& target, Terms& terms, uint32_t page) {
  const CompiledKeyword& keyword = *target.keyword;
  std::vector<int64_t>& common = m_common;
  common.clear();
  {
    terms.Enter(0);
    auto& t = terms.cursors[0];
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
    auto& t = terms.cursors[static_cast<size_t>(k)];
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
  if (target.sink)
    for (const int64_t& a : common) target.sink->Match(&a);
  target.Add(page, static_cast<uint32_t>(common.size()));
}

template <class Terms>
void TwoSegmentMatcher::Examine(MatchTarget& target, Terms& terms, uint32_t page) {
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
      if (target.sink) {
        m_report.resize(static_cast<size_t>(segCount));
        for (int s = 0; s < segCount; ++s)
          m_report[static_cast<size_t>(s)] = aligned(keyword.segments[static_cast<size_t>(s)].first);
        target.sink->Match(m_report.data());
      }
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
template <class Terms>
void SegmentSetMatcher::Examine(MatchTarget& target, Terms& terms, uint32_t page) {
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
    auto& t = terms.cursors[static_cast<size_t>(k)];
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
  if (target.sink) {
    // Each kept occurrence of the first segment with the nearest kept
    // occurrence of each next segment, the one the filtering above kept it for.
    m_report.resize(static_cast<size_t>(segCount));
    for (int64_t a : m_occurrences[0]) {
      m_report[0] = a;
      for (int s = 1; s < segCount; ++s) {
        const std::vector<int64_t>& occ = m_occurrences[static_cast<size_t>(s)];
        m_report[static_cast<size_t>(s)] = *std::lower_bound(occ.begin(), occ.end(), a);
        a = m_report[static_cast<size_t>(s)];
      }
      target.sink->Match(m_report.data());
    }
  }
  target.Add(page, static_cast<uint32_t>(count));
}

}  // namespace tevarin
