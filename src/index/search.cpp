// Keyword search over the open index.
//
// A keyword is cut into segments at "*" and into terms (characters with a
// slot); "?" and "？" stand for one position. A term's postings are read in
// place from the mapped postings file (see postingscursor.h); the terms walk
// the pages together, and on a page where all of them occur their positions
// are aligned so that the terms of one occurrence of a segment share one
// aligned position: aligned = position + (P - pattern position - 1).
#include <algorithm>
#include <unordered_map>

#include "index/codeconverter.h"
#include "index/index.h"

namespace {

constexpr char16_t kIdeographicSpace = u'\u3000';
constexpr char16_t kFullWidthQuestion = u'\uFF1F';
constexpr int64_t kMaxStarGap = 300;

struct Term {
  int segment = 0;
  int patternPos = 0;
  int slot = -1;
  PostingsCursor cursor;
  uint32_t page = 0;
  uint32_t lastPage = 0;
  uint32_t bytesLeft = 0;  // position bytes left in the current page entry
  int64_t aligned = 0;
};

struct Segment {
  int first = 0;  // index of its first term
  int count = 0;  // number of terms
};

// Reads one varint of the current page entry's positions; false when the
// entry has no bytes left (or the stream is damaged).
inline bool NextPosition(Term& t, uint32_t& value) {
  if (t.bytesLeft == 0) return false;
  uint8_t b0;
  if (!t.cursor.ReadByte(b0)) return false;
  --t.bytesLeft;
  if (b0 < 0x80) {
    value = b0;
    return true;
  }
  const uint32_t extra = b0 < 0xC0 ? 1 : 2;
  if (t.bytesLeft < extra) return false;
  uint32_t v = b0 & 0x3F;
  for (uint32_t i = 0; i < extra; ++i) {
    uint8_t b;
    if (!t.cursor.ReadByte(b)) return false;
    v = (v << 8) | b;
  }
  t.bytesLeft -= extra;
  value = v;
  return true;
}

// Reads the next page entry header of a term: page delta and byte count.
inline bool NextEntry(Term& t) {
  uint32_t delta;
  uint16_t count;
  if (!t.cursor.ReadVarint(delta) || !t.cursor.ReadU16(count)) return false;
  t.page += delta;
  t.bytesLeft = count;
  return true;
}

bool IsSeparator(char16_t c) { return c == u' ' || c == kIdeographicSpace; }

// Removes the characters that are neither wildcards nor indexed; a surrogate
// pair is judged, and removed, as one character.
std::u16string DropUnindexed(const std::u16string& in) {
  std::u16string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size();) {
    const char16_t c = in[i];
    if (c == u'*' || c == u'?') {
      out.push_back(c);
      ++i;
      continue;
    }
    if (IsHighSurrogate(c) && i + 1 < in.size() && IsLowSurrogate(in[i + 1])) {
      if (CharToSlot(CombineSurrogates(c, in[i + 1])) >= 0) out.append(in, i, 2);
      i += 2;
      continue;
    }
    if (CharToSlot(c) >= 0) out.push_back(c);
    ++i;
  }
  return out;
}

}  // namespace

// A keyword string is searched when it is not empty, holds some character
// besides separators, and no character of U+0001..U+00FF other than space,
// "*" and "?". It ends at its first NUL, as a zero-terminated buffer would.
bool CIndex::AcceptsKeywords(std::u16string_view s) {
  const size_t nul = s.find(u'\0');
  if (nul != std::u16string_view::npos) s = s.substr(0, nul);
  bool any = false;
  for (char16_t c : s) {
    if (c >= 0x01 && c <= 0xFF && c != u' ' && c != u'*' && c != u'?') return false;
    if (!IsSeparator(c)) any = true;
  }
  return any;
}

namespace {

// The string up to its first NUL, as a zero-terminated buffer would end there.
size_t TerminatedLength(const std::u16string& s) {
  const size_t nul = s.find(u'\0');
  return nul == std::u16string::npos ? s.size() : nul;
}

}  // namespace

int32_t CIndex::SearchAnd(std::u16string& keywords, bool countHits, bool variants) {
  const size_t n = TerminatedLength(keywords);
  if (!AcceptsKeywords(std::u16string_view(keywords).substr(0, n))) return 0;
  m_HitPages.clear();
  m_HitCounts.clear();
  m_HitPageCount = 0;
  int32_t sum = 0;
  bool first = true;
  size_t start = 0;
  for (size_t i = 0; i <= n; ++i) {
    if (i < n && keywords[i] != u' ') continue;
    if (i < n) keywords[i] = kIdeographicSpace;
    if (i > start) {
      sum += SearchKeyword(std::u16string_view(keywords).substr(start, i - start),
                           first ? Replace : Intersect, countHits, variants);
      first = false;
    }
    start = i + 1;
  }
  return sum;
}

int32_t CIndex::SearchOr(std::u16string& keywords, bool countHits, bool variants) {
  const size_t n = TerminatedLength(keywords);
  if (!AcceptsKeywords(std::u16string_view(keywords).substr(0, n))) return 0;
  m_HitPages.clear();
  m_HitCounts.clear();
  m_HitPageCount = 0;
  int32_t sum = 0;
  size_t start = 0;
  for (size_t i = 0; i <= n; ++i) {
    if (i < n && keywords[i] != u' ') continue;
    if (i < n) keywords[i] = kIdeographicSpace;
    if (i > start)
      sum += SearchKeyword(std::u16string_view(keywords).substr(start, i - start), Union,
                           countHits, variants);
    start = i + 1;
  }
  return sum;
}

int32_t CIndex::SearchKeyword(std::u16string_view keyword, CombineMode mode, bool countHits,
                              bool variants) {
  auto noPages = [&]() -> int32_t {
    if (mode != Union) {
      m_HitPages.clear();
      m_HitCounts.clear();
      m_HitPageCount = 0;
    }
    return 0;
  };
  // A closed engine has nothing to search.
  if (!IsOpen()) {
    m_HitPages.clear();
    m_HitCounts.clear();
    m_HitPageCount = 0;
    return 0;
  }
  if (countHits && m_HitPages.size() != m_HitCounts.size() && mode != Union) {
    m_HitPages.clear();
    m_HitCounts.clear();
    m_HitPageCount = 0;
    return 0;
  }

  // Normalise: leading stars dropped, runs of stars collapsed, one closing
  // star, unindexed characters removed. The pattern has no length limit here:
  // the per-term state grows with the keyword instead of overflowing.
  std::u16string pattern;
  {
    size_t i = 0;
    while (i < keyword.size() && keyword[i] == u'*') ++i;
    for (; i < keyword.size(); ++i) {
      if (keyword[i] == u'*' && !pattern.empty() && pattern.back() == u'*') continue;
      pattern.push_back(keyword[i]);
    }
    if (!pattern.empty() && pattern.back() != u'*') pattern.push_back(u'*');
    pattern = DropUnindexed(pattern);
  }

  // Terms and segments. A segment without terms (only "?" between two stars)
  // is dropped; its "?" still count in P and in the positions of later terms,
  // so they add to the gap between the neighbouring segments.
  std::vector<Term> terms;
  std::vector<Segment> segments;
  terms.reserve(pattern.size());
  int counter = 0;
  Segment current{0, 0};
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char16_t c = pattern[i];
    if (c == u'*') {
      if (current.count > 0) segments.push_back(current);
      current = Segment{static_cast<int>(terms.size()), 0};
      continue;
    }
    if (c == u'?' || c == kFullWidthQuestion) {
      ++counter;
      continue;
    }
    uint32_t cp = c;
    if (IsHighSurrogate(c) && i + 1 < pattern.size() && IsLowSurrogate(pattern[i + 1]))
      cp = CombineSurrogates(c, pattern[++i]);
    int slot = CharToSlot(cp);
    if (variants) FindVariantSlot(cp, slot);
    if (!HasPostings(slot)) return noPages();
    Term t;
    t.segment = static_cast<int>(segments.size());
    t.patternPos = counter++;
    t.slot = slot;
    terms.push_back(t);
    ++current.count;
  }
  const int64_t P = counter;
  if (terms.empty()) return noPages();
  for (Term& t : terms) t.segment = 0;
  for (size_t s = 0; s < segments.size(); ++s)
    for (int k = 0; k < segments[s].count; ++k) terms[segments[s].first + k].segment = static_cast<int>(s);

  // Open every term's postings at its first page entry.
  for (Term& t : terms) {
    t.cursor = CursorFor(t.slot);
    t.lastPage = m_LastPage[t.slot];
    t.page = 0;
    if (!NextEntry(t)) return noPages();
  }

  std::vector<uint32_t> stepPages;
  std::vector<uint32_t> stepCounts;
  const int termCount = static_cast<int>(terms.size());
  const int segCount = static_cast<int>(segments.size());

  // Greatest aligned position among the terms of segments 0..last.
  auto maxAlignedUpTo = [&](int lastSeg) {
    const int end = segments[lastSeg].first + segments[lastSeg].count;
    int64_t a = terms[0].aligned;
    for (int k = 1; k < end; ++k) a = std::max(a, terms[k].aligned);
    return a;
  };

  // Examines a page for keywords of one or two segments: the terms advance
  // through their positions in order, counting each match they meet.
  auto examineInOrder = [&](uint32_t M) {
    for (Term& t : terms) {
      uint32_t pos;
      if (!NextPosition(t, pos)) return;  // an entry without positions: nothing here
      t.aligned = int64_t(pos) + (P - t.patternPos - 1);
    }
    bool counted = false;
    while (true) {
      int64_t A = maxAlignedUpTo(0);
      bool match = true;
      bool gapTooBig = false;
      int f = 0;
      for (int s = 0; s < segCount && match; ++s) {
        const Segment& seg = segments[s];
        for (int k = seg.first; k + 1 < seg.first + seg.count; ++k) {
          if (terms[k].aligned != terms[k + 1].aligned) {
            match = false;
            f = s;
            A = maxAlignedUpTo(s);
            break;
          }
        }
      }
      if (match) {
        for (int s = 0; s + 1 < segCount; ++s) {
          const int64_t e = terms[segments[s].first + segments[s].count - 1].aligned;
          const int64_t b = terms[segments[s + 1].first].aligned;
          if (b < e) {
            match = false;
            f = s;
            A = maxAlignedUpTo(s);
            break;
          }
          if (b - e > kMaxStarGap) {
            match = false;
            gapTooBig = true;
            f = s;
            A = maxAlignedUpTo(segCount - 1);
            break;
          }
        }
      }
      if (match) {
        if (!countHits) {
          stepPages.push_back(M);
          return;
        }
        if (!counted) {
          stepPages.push_back(M);
          stepCounts.push_back(1);
          counted = true;
        } else {
          ++stepCounts.back();
        }
        A = A + 1;
      }
      const int from = gapTooBig ? 0 : segments[f].first;
      for (int k = from; k < termCount; ++k) {
        Term& t = terms[k];
        if (t.aligned >= A) continue;
        uint32_t delta;
        if (!NextPosition(t, delta)) return;  // page done
        t.aligned += delta;
      }
    }
  };

  // Examines a page for keywords of three or more segments. Every occurrence
  // of the first segment that begins a complete match counts once; a page is
  // found whenever the keyword occurs on it.
  std::vector<std::vector<int64_t>> termAligned(termCount);
  std::vector<std::vector<int64_t>> segOcc(segCount);
  std::vector<int64_t> scratch;
  auto examineBySets = [&](uint32_t M) {
    for (int k = 0; k < termCount; ++k) {
      Term& t = terms[k];
      auto& list = termAligned[k];
      list.clear();
      uint32_t v;
      int64_t pos = 0;
      bool first = true;
      while (NextPosition(t, v)) {
        pos = first ? int64_t(v) : pos + v;
        first = false;
        list.push_back(pos + (P - t.patternPos - 1));
      }
    }
    // Occurrences of each segment: aligned positions shared by all its terms.
    for (int s = 0; s < segCount; ++s) {
      const Segment& seg = segments[s];
      auto& occ = segOcc[s];
      occ = termAligned[seg.first];
      for (int k = seg.first + 1; k < seg.first + seg.count && !occ.empty(); ++k) {
        scratch.clear();
        std::set_intersection(occ.begin(), occ.end(), termAligned[k].begin(),
                              termAligned[k].end(), std::back_inserter(scratch));
        occ.swap(scratch);
      }
      occ.erase(std::unique(occ.begin(), occ.end()), occ.end());
    }
    // From the last segment back: keep the occurrences that some kept
    // occurrence of the next segment follows within the gap.
    for (int s = segCount - 2; s >= 0; --s) {
      const auto& next = segOcc[s + 1];
      auto& occ = segOcc[s];
      size_t keep = 0;
      for (int64_t a : occ) {
        const auto it = std::lower_bound(next.begin(), next.end(), a);
        if (it != next.end() && *it - a <= kMaxStarGap) occ[keep++] = a;
      }
      occ.resize(keep);
    }
    const size_t count = segOcc[0].size();
    if (count == 0) return;
    stepPages.push_back(M);
    if (countHits) stepCounts.push_back(static_cast<uint32_t>(count));
  };

  // Page loop: all terms walk their pages upwards together.
  bool ended = false;
  while (!ended) {
    uint32_t M = terms[0].page;
    for (const Term& t : terms) M = std::max(M, t.page);
    bool allOnM = true;
    for (const Term& t : terms) allOnM = allOnM && t.page == M;
    if (allOnM) {
      if (segCount >= 3)
        examineBySets(M);
      else
        examineInOrder(M);
      if (M == UINT32_MAX) break;
      M = M + 1;
    }
    for (Term& t : terms) {
      while (t.page < M) {
        if (t.page == t.lastPage || !t.cursor.Skip(t.bytesLeft) || !NextEntry(t)) {
          ended = true;
          break;
        }
      }
      if (ended) break;
    }
  }

  // Merge the step's pages into the hit list.
  if (mode == Replace) {
    m_HitPages = std::move(stepPages);
    m_HitCounts = countHits ? std::move(stepCounts) : std::vector<uint32_t>{};
    m_HitPageCount = static_cast<int32_t>(m_HitPages.size());
  } else if (mode == Union) {
    const size_t before = m_HitPages.size();
    std::unordered_map<uint32_t, size_t> where;
    where.reserve(before * 2);
    for (size_t i = 0; i < before; ++i) where.emplace(m_HitPages[i], i);
    int32_t appended = 0;
    for (size_t i = 0; i < stepPages.size(); ++i) {
      const auto it = where.find(stepPages[i]);
      if (it != where.end()) {
        if (countHits && it->second < m_HitCounts.size()) m_HitCounts[it->second] += stepCounts[i];
      } else {
        m_HitPages.push_back(stepPages[i]);
        if (countHits) m_HitCounts.push_back(stepCounts[i]);
        ++appended;
      }
    }
    m_HitPageCount += appended;
    if (!countHits) m_HitCounts.clear();
  } else {
    std::unordered_map<uint32_t, size_t> where;
    where.reserve(m_HitPages.size() * 2);
    for (size_t i = 0; i < m_HitPages.size(); ++i) where.emplace(m_HitPages[i], i);
    std::vector<uint32_t> pages, counts;
    for (size_t i = 0; i < stepPages.size(); ++i) {
      const auto it = where.find(stepPages[i]);
      if (it == where.end()) continue;
      pages.push_back(stepPages[i]);
      if (countHits) counts.push_back(stepCounts[i] + m_HitCounts[it->second]);
    }
    m_HitPages = std::move(pages);
    m_HitCounts = std::move(counts);
    m_HitPageCount = static_cast<int32_t>(m_HitPages.size());
  }
  return m_HitPageCount;
}
