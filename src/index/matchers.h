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
#pragma once

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

// What every matcher shares: the keyword, where the pages go, and the
// cancellation, which a long examination of one page looks at now and then
// (and then sets stopped).
struct MatchTarget {
  const CompiledKeyword* keyword = nullptr;
  bool countHits = false;
  StepHits* step = nullptr;
  const std::atomic<bool>* cancel = nullptr;
  bool stopped = false;

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
  void Examine(MatchTarget& target, PageTerms& terms, uint32_t page);
};

class PhraseMatcher {
 public:
  void Examine(MatchTarget& target, PageTerms& terms, uint32_t page);

 private:
  std::vector<int64_t> m_common;
};

class TwoSegmentMatcher {
 public:
  void Examine(MatchTarget& target, PageTerms& terms, uint32_t page);

 private:
  // Greatest aligned position among the terms of segments 0..lastSeg.
  int64_t MaxAlignedUpTo(const CompiledKeyword& keyword, int lastSeg) const;
  std::vector<int64_t> m_aligned;  // per term
};

class SegmentSetMatcher {
 public:
  void Examine(MatchTarget& target, PageTerms& terms, uint32_t page);

 private:
  std::vector<std::vector<int64_t>> m_slotPositions;  // per distinct slot
  std::vector<std::vector<int64_t>> m_occurrences;    // per segment
  std::vector<int64_t> m_scratch;
};

class KeywordMatcher {
 public:
  enum class Kind { kSingle, kPhrase, kTwoSegments, kSegmentSets };
  static Kind KindOf(const CompiledKeyword& keyword);

  // Starts a keyword's examination: pages go to step.
  void Start(const CompiledKeyword& keyword, bool countHits, StepHits& step,
             const std::atomic<bool>* cancel);
  void Examine(PageTerms& terms, uint32_t page) {
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

}  // namespace tevarin
