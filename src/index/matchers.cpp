#include "index/matchers.h"

#include <algorithm>
#include <cassert>

namespace tevarin {

int64_t TwoSegmentMatcher::MaxAlignedUpTo(const CompiledKeyword& keyword, int lastSeg) const {
  const KeywordSegment& seg = keyword.segments[static_cast<size_t>(lastSeg)];
  const int end = seg.first + seg.count;
  int64_t a = m_aligned[0];
  for (int k = 1; k < end; ++k) a = std::max(a, m_aligned[static_cast<size_t>(k)]);
  return a;
}

KeywordMatcher::Kind KeywordMatcher::KindOf(const CompiledKeyword& keyword) {
  if (keyword.TermCount() == 1) return Kind::kSingle;
  if (keyword.SegmentCount() >= 3) return Kind::kSegmentSets;
  if (keyword.SegmentCount() == 1) return Kind::kPhrase;
  return Kind::kTwoSegments;
}

void KeywordMatcher::Start(const CompiledKeyword& keyword, bool countHits, StepHits& step,
                           const std::atomic<bool>* cancel, MatchSink* sink) {
  assert(keyword.TermCount() > 0 && keyword.SegmentCount() > 0);
  m_kind = KindOf(keyword);
  m_target = MatchTarget{&keyword, countHits, &step, cancel, false, sink};
  // A new keyword starts with empty working lists (their memory from a large
  // page of the last keyword is not kept).
  m_segmentSets = SegmentSetMatcher();
}

}  // namespace tevarin
