// Keyword search over the open index.
//
// A keyword is cut into segments at "*" and into terms (characters with a
// slot); "?" and "？" stand for one position. A term's postings are read in
// place from the mapped postings file (see postingscursor.h); the terms walk
// the pages together, and on a page where all of them occur their positions
// are aligned so that the terms of one occurrence of a segment share one
// aligned position: aligned = position + (P - pattern position - 1).
//
// Keywords of one or two segments are examined by the terms advancing through
// their positions in a fixed order, counting each match they meet. For three
// or more segments that walk can step a middle segment past its only
// occurrence and miss the page, so those pages are examined by occurrence
// sets instead: the page is found whenever the keyword occurs on it, and its
// count is the number of occurrences of the first segment that begin a
// complete match.
//
// Keywords have no length limit: the per-term state is sized to the keyword
// once per search, so a keyword longer than 298 units or with more than 300
// terms or segments is searched whole.
#include <algorithm>
#include <numeric>

#include "index/codeconverter.h"
#include "index/index.h"

namespace {

constexpr char16_t kIdeographicSpace = u'\u3000';
constexpr char16_t kFullWidthQuestion = u'\uFF1F';
constexpr int64_t kMaxStarGap = 300;

// Number of bytes of the variable-length number that starts with byte b0.
inline uint32_t VarintLength(uint8_t b0) { return b0 < 0x80 ? 1 : b0 < 0xC0 ? 2 : 3; }

// One term's byte stream. Bytes inside the current block are read through a
// plain pointer; the PostingsCursor, which stays at the start of that run,
// moves on to the next block when the run is used up and keeps every read
// inside the mapping. After a failure (damaged chain or stream) every read
// answers false.
class TermStream {
 public:
  void Start(const CIndex& index, int slot) {
    m_base = index.PostingsData();
    m_size = index.PostingsSize();
    m_cursor = index.CursorFor(slot);
    Sync();
  }

  bool ReadByte(uint8_t& b) {
    if (m_p < m_end) {
      b = *m_p++;
      return true;
    }
    return ReadByteSlow(b);
  }

  bool ReadVarint(uint32_t& v) {
    if (m_end - m_p >= 3) {
      const uint8_t b0 = m_p[0];
      if (b0 < 0x80) {
        v = b0;
        m_p += 1;
      } else if (b0 < 0xC0) {
        v = (uint32_t(b0 & 0x3F) << 8) | m_p[1];
        m_p += 2;
      } else {
        v = (uint32_t(b0 & 0x3F) << 16) | (uint32_t(m_p[1]) << 8) | m_p[2];
        m_p += 3;
      }
      return true;
    }
    uint8_t b0, b;
    if (!ReadByte(b0)) return false;
    v = b0 < 0x80 ? b0 : b0 & 0x3Fu;
    for (uint32_t i = 1; i < VarintLength(b0); ++i) {
      if (!ReadByte(b)) return false;
      v = (v << 8) | b;
    }
    return true;
  }

  bool ReadU16(uint16_t& v) {
    if (m_end - m_p >= 2) {
      v = static_cast<uint16_t>(m_p[0] | (m_p[1] << 8));
      m_p += 2;
      return true;
    }
    uint8_t lo, hi;
    if (!ReadByte(lo) || !ReadByte(hi)) return false;
    v = static_cast<uint16_t>(lo | (hi << 8));
    return true;
  }

  // One position number of a page entry with `left` position bytes; false
  // (nothing consumed) when the entry has no whole number left.
  bool ReadPosition(uint32_t& left, uint32_t& v) {
    if (left == 0) return false;
    if (m_end - m_p >= 3) {
      const uint8_t b0 = m_p[0];
      const uint32_t n = VarintLength(b0);
      if (n > left) return false;
      v = n == 1 ? b0
          : n == 2 ? (uint32_t(b0 & 0x3F) << 8) | m_p[1]
                   : (uint32_t(b0 & 0x3F) << 16) | (uint32_t(m_p[1]) << 8) | m_p[2];
      m_p += n;
      left -= n;
      return true;
    }
    uint8_t b0, b;
    if (!ReadByte(b0)) return false;
    const uint32_t n = VarintLength(b0);
    --left;
    if (n - 1 > left) return false;
    v = n == 1 ? b0 : b0 & 0x3Fu;
    for (uint32_t i = 1; i < n; ++i) {
      if (!ReadByte(b)) return false;
      v = (v << 8) | b;
    }
    left -= n - 1;
    return true;
  }

  // Counts the whole position numbers among the `left` position bytes of a
  // page entry without decoding them, consuming them.
  uint32_t CountPositions(uint32_t& left) {
    uint32_t count = 0;
    if (m_end - m_p >= static_cast<ptrdiff_t>(left)) {
      const uint8_t* q = m_p;
      const uint8_t* const e = m_p + left;
      while (q < e) {
        const uint32_t n = VarintLength(*q);
        if (n > static_cast<uint32_t>(e - q)) break;
        q += n;
        ++count;
      }
      left -= static_cast<uint32_t>(q - m_p);
      m_p = q;
      return count;
    }
    uint32_t v;
    while (ReadPosition(left, v)) ++count;
    return count;
  }

  // Skips n bytes of the stream (the rest of a page entry).
  bool Skip(uint32_t n) {
    if (m_end - m_p >= static_cast<ptrdiff_t>(n)) {
      m_p += n;
      return true;
    }
    const bool ok = m_cursor.Skip(static_cast<uint32_t>(m_p - m_start) + n);
    Sync();
    return ok;
  }

 private:
  bool ReadByteSlow(uint8_t& b) {
    // The run of the current block is used up: the cursor catches up and
    // reads the byte, following the block chain.
    const bool ok = m_cursor.Skip(static_cast<uint32_t>(m_p - m_start)) && m_cursor.ReadByte(b);
    Sync();
    return ok;
  }

  // Points the run at the cursor's place: from its offset to the end of the
  // readable bytes of its block.
  void Sync() {
    if (m_cursor.Failed()) {
      m_start = m_p = m_end = nullptr;
      return;
    }
    const size_t blockStart = static_cast<size_t>(m_cursor.Block()) * kBlockSize;
    const size_t limit = std::min<size_t>(kBlockSize, m_size - blockStart);
    m_start = m_p = m_base + blockStart + m_cursor.Offset();
    m_end = m_base + blockStart + limit;
  }

  const uint8_t* m_p = nullptr;
  const uint8_t* m_end = nullptr;
  const uint8_t* m_start = nullptr;  // where the cursor stands
  const uint8_t* m_base = nullptr;
  size_t m_size = 0;
  PostingsCursor m_cursor;
};

struct Term {
  TermStream stream;
  uint32_t page = 0;
  uint32_t lastPage = 0;
  uint32_t bytesLeft = 0;  // position bytes left in the current page entry
  int64_t aligned = 0;
  int64_t patternPos = 0;
  int slot = -1;

  // Reads the next page entry header: page delta and position byte count.
  bool NextEntry() {
    uint32_t delta;
    uint16_t count;
    if (!stream.ReadVarint(delta) || !stream.ReadU16(count)) return false;
    page += delta;
    bytesLeft = count;
    return true;
  }
  // Moves to the first entry at or past page `to`; false when the postings
  // end first (last page reached, or a damaged stream).
  bool SkipTo(uint32_t to) {
    while (page < to) {
      if (page == lastPage || !stream.Skip(bytesLeft) || !NextEntry()) return false;
    }
    return true;
  }
  bool NextPosition(uint32_t& v) { return stream.ReadPosition(bytesLeft, v); }
};

struct Segment {
  int first = 0;  // index of its first term
  int count = 0;  // number of terms
};

bool IsSeparator(char16_t c) { return c == u' ' || c == kIdeographicSpace; }

// Leading stars dropped, runs of stars collapsed, one closing star, then every
// character that is neither a wildcard nor indexed removed; a surrogate pair is
// judged, and removed, as one character.
std::u16string NormalisePattern(std::u16string_view keyword) {
  std::u16string collapsed;
  collapsed.reserve(keyword.size() + 1);
  size_t i = 0;
  while (i < keyword.size() && keyword[i] == u'*') ++i;
  for (; i < keyword.size(); ++i) {
    if (keyword[i] == u'*' && !collapsed.empty() && collapsed.back() == u'*') continue;
    collapsed.push_back(keyword[i]);
  }
  if (!collapsed.empty() && collapsed.back() != u'*') collapsed.push_back(u'*');

  std::u16string out;
  out.reserve(collapsed.size());
  for (size_t k = 0; k < collapsed.size();) {
    const char16_t c = collapsed[k];
    if (c == u'*' || c == u'?') {
      out.push_back(c);
      ++k;
    } else if (IsHighSurrogate(c) && k + 1 < collapsed.size() && IsLowSurrogate(collapsed[k + 1])) {
      if (CharToSlot(CombineSurrogates(c, collapsed[k + 1])) >= 0) out.append(collapsed, k, 2);
      k += 2;
    } else {
      if (CharToSlot(c) >= 0) out.push_back(c);
      ++k;
    }
  }
  return out;
}

// The string up to its first NUL, as a zero-terminated buffer would end there.
size_t TerminatedLength(const std::u16string& s) {
  const size_t nul = s.find(u'\0');
  return nul == std::u16string::npos ? s.size() : nul;
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

// Both operations: each maximal run of characters other than U+0020 is one
// keyword, searched as soon as it ends; every U+0020 of the caller's string
// becomes U+3000.
int32_t CIndex::SearchKeywords(std::u16string& keywords, bool countHits, bool variants,
                               CombineMode firstMode, CombineMode laterMode) {
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
                           first ? firstMode : laterMode, countHits, variants);
      first = false;
    }
    start = i + 1;
  }
  return sum;
}

int32_t CIndex::SearchAnd(std::u16string& keywords, bool countHits, bool variants) {
  return SearchKeywords(keywords, countHits, variants, Replace, Intersect);
}

int32_t CIndex::SearchOr(std::u16string& keywords, bool countHits, bool variants) {
  return SearchKeywords(keywords, countHits, variants, Union, Union);
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

  const std::u16string pattern = NormalisePattern(keyword);

  // Terms and segments. A segment without terms (only "?" between two stars)
  // is dropped; its "?" still count in P and in the positions of later terms,
  // so they add to the gap between the neighbouring segments.
  std::vector<Term> terms;
  std::vector<Segment> segments;
  terms.reserve(pattern.size());
  int64_t counter = 0;
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
    Term& t = terms.emplace_back();
    t.patternPos = counter++;
    t.slot = slot;
    ++current.count;
  }
  const int64_t P = counter;
  if (terms.empty()) return noPages();

  // Open every term's postings at its first page entry.
  for (Term& t : terms) {
    t.stream.Start(*this, t.slot);
    t.lastPage = m_LastPage[t.slot];
    t.page = 0;
    if (!t.NextEntry()) return noPages();
  }

  std::vector<uint32_t> stepPages;
  std::vector<uint32_t> stepCounts;
  const int termCount = static_cast<int>(terms.size());
  const int segCount = static_cast<int>(segments.size());

  // Greatest aligned position among the terms of segments 0..lastSeg.
  auto maxAlignedUpTo = [&](int lastSeg) {
    const int end = segments[lastSeg].first + segments[lastSeg].count;
    int64_t a = terms[0].aligned;
    for (int k = 1; k < end; ++k) a = std::max(a, terms[k].aligned);
    return a;
  };

  // A one-character keyword matches at each of its positions: the count of a
  // page is the number of position numbers in its entry.
  auto examineSingle = [&](uint32_t M) {
    Term& t = terms[0];
    const uint32_t count = t.stream.CountPositions(t.bytesLeft);
    if (count == 0) return;
    stepPages.push_back(M);
    if (countHits) stepCounts.push_back(count);
  };

  // Keywords of one or two segments: the terms advance through their
  // positions in order, counting each match they meet.
  auto examineInOrder = [&](uint32_t M) {
    for (Term& t : terms) {
      uint32_t pos;
      if (!t.NextPosition(pos)) return;  // an entry without positions: nothing here
      t.aligned = int64_t(pos) + (P - t.patternPos - 1);
    }
    bool counted = false;
    while (true) {
      int64_t A = maxAlignedUpTo(0);
      bool match = true;
      bool gapTooBig = false;
      int f = 0;
      // Phrase test: the terms of a segment share one aligned position.
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
      // Order test: each segment begins after the previous one ends, at most
      // 300 positions later.
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
        if (!t.NextPosition(delta)) return;  // page done
        t.aligned += delta;
      }
    }
  };

  // Keywords of three or more segments: the occurrences of each segment on
  // the page, then, from the last segment back, the occurrences that some
  // kept occurrence of the next segment follows within the gap. The buffers
  // live for the whole search.
  std::vector<std::vector<int64_t>> termAligned(segCount >= 3 ? termCount : 0);
  std::vector<std::vector<int64_t>> segOcc(segCount >= 3 ? segCount : 0);
  std::vector<int64_t> scratch;
  auto examineBySets = [&](uint32_t M) {
    for (int k = 0; k < termCount; ++k) {
      Term& t = terms[k];
      auto& list = termAligned[k];
      list.clear();
      uint32_t v;
      int64_t pos = -1;
      while (t.NextPosition(v)) {
        pos = pos < 0 ? int64_t(v) : pos + v;
        list.push_back(pos + (P - t.patternPos - 1));
      }
    }
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

  // Page loop: all terms walk their pages upwards together; a page is
  // examined when every term stands on it.
  while (true) {
    uint32_t M = terms[0].page;
    bool allOnM = true;
    for (int k = 1; k < termCount; ++k) {
      const uint32_t p = terms[k].page;
      if (p != M) {
        allOnM = false;
        if (p > M) M = p;
      }
    }
    if (allOnM) {
      if (termCount == 1)
        examineSingle(M);
      else if (segCount >= 3)
        examineBySets(M);
      else
        examineInOrder(M);
      if (M == UINT32_MAX) break;
      M = M + 1;
    }
    bool ended = false;
    for (Term& t : terms)
      if (!t.SkipTo(M)) {
        ended = true;
        break;
      }
    if (ended) break;
  }

  MergeStep(mode, countHits, stepPages, stepCounts);
  return m_HitPageCount;
}

// Merges one keyword's pages (ascending) into the hit list.
//   Replace: the hit list becomes the step's pages.
//   Union: pages already listed get the step's count added; the others are
//   appended in the step's order.
//   Intersect: the step's pages that the hit list holds, in the step's order,
//   with both counts summed.
void CIndex::MergeStep(CombineMode mode, bool countHits, std::vector<uint32_t>& stepPages,
                       std::vector<uint32_t>& stepCounts) {
  if (mode == Replace) {
    m_HitPages = std::move(stepPages);
    m_HitCounts = countHits ? std::move(stepCounts) : std::vector<uint32_t>{};
    m_HitPageCount = static_cast<int32_t>(m_HitPages.size());
    return;
  }
  // The hit list in ascending page order (it usually is already); the step's
  // pages are ascending, so one walk over both pairs them up.
  const size_t before = m_HitPages.size();
  std::vector<uint32_t> order(before);
  std::iota(order.begin(), order.end(), 0u);
  if (!std::is_sorted(m_HitPages.begin(), m_HitPages.end()))
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return m_HitPages[a] < m_HitPages[b]; });
  const bool haveCounts = countHits && m_HitCounts.size() == before;

  if (mode == Union) {
    size_t o = 0;
    int32_t appended = 0;
    for (size_t i = 0; i < stepPages.size(); ++i) {
      const uint32_t page = stepPages[i];
      while (o < before && m_HitPages[order[o]] < page) ++o;
      if (o < before && m_HitPages[order[o]] == page) {
        if (haveCounts) m_HitCounts[order[o]] += stepCounts[i];
      } else {
        m_HitPages.push_back(page);
        if (countHits) m_HitCounts.push_back(stepCounts[i]);
        ++appended;
      }
    }
    m_HitPageCount += appended;
    if (!countHits) m_HitCounts.clear();
    return;
  }

  std::vector<uint32_t> pages, counts;
  size_t o = 0;
  for (size_t i = 0; i < stepPages.size(); ++i) {
    const uint32_t page = stepPages[i];
    while (o < before && m_HitPages[order[o]] < page) ++o;
    if (o == before) break;
    if (m_HitPages[order[o]] != page) continue;
    pages.push_back(page);
    if (countHits) counts.push_back(stepCounts[i] + (haveCounts ? m_HitCounts[order[o]] : 0));
  }
  m_HitPages = std::move(pages);
  m_HitCounts = std::move(counts);
  m_HitPageCount = static_cast<int32_t>(m_HitPages.size());
}
