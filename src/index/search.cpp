// Keyword search over the open index.
//
// A keyword is cut into segments at "*" and into terms (characters with a
// slot); "?" and "？" stand for one position. A term's postings come from its
// slot's decoded entries (slotentries.h: page and position arrays, decoded on
// first use and kept) or, for a slot that cannot be kept decoded, straight
// from the mapped postings file (see postingscursor.h). The pages all terms
// occur on are found first (by intersecting the page arrays, rarest first, or
// by a page loop when some term is walked), and on each of them the terms'
// positions are aligned so that the terms of one occurrence of a segment
// share one aligned position: aligned = position + (P - pattern position - 1).
//
// A keyword of one segment (a phrase) matches at each aligned position all
// its terms share; a single character at each of its positions.
//
// Keywords of two segments are examined by the terms advancing through
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

#include "text/codeconverter.h"
#include "index/index.h"
#include "index/slotentries.h"
#include "index/termstream.h"

namespace tevarin {

namespace {

constexpr char16_t kIdeographicSpace = u'\u3000';
constexpr char16_t kFullWidthQuestion = u'\uFF1F';
constexpr int64_t kMaxStarGap = 300;

// One term of a keyword. Its page entries are read either from the slot's
// decoded entries or, for a slot without them, by walking its stream. Either
// way NextPosition answers the first position, then differences.
struct Term {
  TermStream stream;
  const SlotEntries* entries = nullptr;
  size_t entry = 0;        // index of the current entry in entries
  const uint32_t* pos = nullptr;     // decoded: the current entry's positions not yet read
  const uint32_t* posEnd = nullptr;
  uint32_t previous = 0;   // decoded: the position read last, 0 before the first
  uint32_t page = 0;
  uint32_t lastPage = 0;
  uint32_t bytesLeft = 0;  // position bytes left in the current page entry
  int64_t aligned = 0;
  int64_t patternPos = 0;
  int slot = -1;

  // Opens the term at its first page entry.
  bool Start(const CIndex& index, const SlotEntries* decoded) {
    entries = decoded;
    lastPage = index.LastPage(slot);
    if (entries) {
      entry = 0;
      Enter();
      return true;
    }
    stream.Start(index, slot);
    uint32_t delta;
    uint16_t count;
    if (!stream.ReadVarint(delta) || !stream.ReadU16(count)) return false;
    page = delta;
    bytesLeft = count;
    return true;
  }
  // Moves to the first entry at or past page `to`; false when the postings
  // end first (last page reached, or a damaged stream).
  bool SkipTo(uint32_t to) {
    if (page >= to) return true;
    if (entries) {
      const size_t n = entries->pages.size();
      entry = GallopTo(entries->pages.data(), entry, n, to);
      if (entry == n) return false;  // the last entry lies before `to`
      Enter();
      return true;
    }
    while (page < to) {
      uint32_t delta;
      uint16_t count;
      if (page == lastPage || !stream.NextHeader(bytesLeft, delta, count)) return false;
      page += delta;
      bytesLeft = count;
    }
    return true;
  }
  // Goes to entry e of the decoded entries.
  void EnterAt(size_t e) {
    entry = e;
    Enter();
  }
  bool NextPosition(uint32_t& v) {
    if (!entries) return stream.ReadPosition(bytesLeft, v);
    if (pos == posEnd) return false;
    v = *pos - previous;  // previous is 0 before the first
    previous = *pos++;
    return true;
  }
  // Before its positions are read: at least the number of positions of the
  // current entry (a walked entry holds at most one per byte).
  uint32_t PositionBound() const {
    return entries ? static_cast<uint32_t>(posEnd - pos) : bytesLeft;
  }
  uint32_t CountPositions() {
    if (!entries) return stream.CountPositions(bytesLeft);
    const uint32_t n = static_cast<uint32_t>(posEnd - pos);
    pos = posEnd;
    return n;
  }
  // Decoded: the current entry's absolute positions.
  const uint32_t* Positions() const { return entries->positions.data() + entries->first[entry]; }
  const uint32_t* PositionsEnd() const { return entries->positions.data() + entries->first[entry + 1]; }

 private:
  void Enter() {
    page = entries->pages[entry];
    pos = Positions();
    posEnd = PositionsEnd();
    previous = 0;
  }
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
  m_cancelled = false;
  const size_t n = TerminatedLength(keywords);
  if (!AcceptsKeywords(std::u16string_view(keywords).substr(0, n))) return 0;
  ClearHits();
  int32_t sum = 0;
  bool first = true;
  size_t start = 0;
  for (size_t i = 0; i <= n; ++i) {
    if (i < n && keywords[i] != u' ') continue;
    if (i < n) keywords[i] = kIdeographicSpace;
    if (i > start) {
      // A cancelled search still writes the caller's spaces back, as the
      // string's caller expects them whatever the outcome.
      if (!m_cancelled) {
        sum += SearchKeyword(std::u16string_view(keywords).substr(start, i - start),
                             first ? firstMode : laterMode, countHits, variants);
        first = false;
      }
    }
    start = i + 1;
  }
  return m_cancelled ? 0 : sum;
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
    if (mode != Union) ClearHits();
    return 0;
  };
  m_cancelled = false;
  if (CancelRequested()) return CancelSearch();
  // A closed engine has nothing to search.
  if (!IsOpen()) {
    ClearHits();
    return 0;
  }
  if (countHits && m_HitPages.size() != m_HitCounts.size() && mode != Union) {
    ClearHits();
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

  // Open every term's postings at its first page entry: its slot's decoded
  // entries, decoded on first use, or its stream when they cannot be kept.
  m_entries.BeginSearch();
  for (Term& t : terms) {
    const SlotEntries* decoded = m_entries.Get(*this, t.slot, m_cancel);
    if (CancelRequested()) return CancelSearch();
    if (!t.Start(*this, decoded)) return noPages();
  }

  std::vector<uint32_t>& stepPages = m_StepPages;
  std::vector<uint32_t>& stepCounts = m_StepCounts;
  stepPages.clear();
  stepCounts.clear();
  const int termCount = static_cast<int>(terms.size());
  const int segCount = static_cast<int>(segments.size());

  // Terms of one slot share its postings: the page lists are intersected,
  // and a page's positions read, once per distinct slot (a keyword repeating
  // a character a thousand times has one list, not a thousand).
  std::vector<int> listOf(static_cast<size_t>(termCount));  // each term's distinct slot
  std::vector<int> listTerm;                                // each distinct slot's first term
  {
    std::vector<std::pair<int, int>> bySlot;  // (slot, term)
    bySlot.reserve(static_cast<size_t>(termCount));
    for (int k = 0; k < termCount; ++k) bySlot.emplace_back(terms[k].slot, k);
    std::sort(bySlot.begin(), bySlot.end());
    for (size_t i = 0; i < bySlot.size(); ++i) {
      if (i == 0 || bySlot[i].first != bySlot[i - 1].first) listTerm.push_back(bySlot[i].second);
      listOf[static_cast<size_t>(bySlot[i].second)] = static_cast<int>(listTerm.size()) - 1;
    }
  }
  const int listCount = static_cast<int>(listTerm.size());
  // The terms of one match stand at distinct positions of the page (in
  // pattern order they only ascend), so a page can match only when each slot
  // has at least as many positions there as the keyword has terms of it.
  // The slots that stand more than once, with their number of terms:
  std::vector<std::pair<int, uint32_t>> repeated;  // (distinct slot, terms)
  {
    std::vector<uint32_t> termsOf(static_cast<size_t>(listCount), 0);
    for (int l : listOf) ++termsOf[static_cast<size_t>(l)];
    for (int l = 0; l < listCount; ++l)
      if (termsOf[static_cast<size_t>(l)] > 1) repeated.emplace_back(l, termsOf[static_cast<size_t>(l)]);
  }
  // What aligns a term's positions: aligned = position + its shift.
  auto shiftOf = [&](int k) { return P - terms[k].patternPos - 1; };

  // Cancellation is looked at every few hundred pages examined, and now and
  // then inside a long examination of one page, which then sets stopped.
  bool stopped = false;
  auto stop = [&]() {
    if (CancelRequested()) stopped = true;
    return stopped;
  };

  // The terms are set on the page being examined when they are read: at once
  // in the page loop (it moves them there), on demand when the pages come
  // from the intersection of decoded entries (entry `located` of their slot).
  bool fromIntersection = false;
  size_t candidate = 0;
  std::vector<const uint32_t*> located(static_cast<size_t>(listCount), nullptr);  // per distinct slot
  std::vector<const uint32_t*> termLocated(static_cast<size_t>(termCount), nullptr);
  auto enter = [&](int k) {
    if (fromIntersection) terms[k].EnterAt(termLocated[static_cast<size_t>(k)][candidate]);
  };
  auto enterAll = [&]() {
    for (int k = 0; k < termCount; ++k) enter(k);
  };

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
    enter(0);
    Term& t = terms[0];
    const uint32_t count = t.CountPositions();
    if (count == 0) return;
    stepPages.push_back(M);
    if (countHits) stepCounts.push_back(count);
  };

  // A keyword of one segment (a phrase, "?" allowed) matches where all its
  // terms share an aligned position. Aligned positions are counted as a
  // multiset (a repeated position, which only a damaged file holds, matches
  // as often as every term repeats it), as stepping all terms through their
  // positions together would count them. The first term's positions are
  // decoded, the others' are merged against them as they are read, and
  // reading stops as soon as no candidate is left.
  std::vector<int64_t> common;
  auto examinePhrase = [&](uint32_t M) {
    common.clear();
    {
      enter(0);
      Term& t = terms[0];
      uint32_t v;
      int64_t a = shiftOf(0);  // the first position is absolute, then differences
      while (t.NextPosition(v)) {
        a += int64_t(v);
        common.push_back(a);
      }
    }
    for (int k = 1; k < termCount && !common.empty(); ++k) {
      enter(k);
      Term& t = terms[k];
      size_t kept = 0, i = 0;
      uint32_t v;
      int64_t a = shiftOf(k);
      while (i < common.size() && t.NextPosition(v)) {
        a += int64_t(v);
        while (i < common.size() && common[i] < a) ++i;
        if (i < common.size() && common[i] == a) common[kept++] = common[i++];
      }
      common.resize(kept);
      if ((k & 63) == 0 && stop()) return;
    }
    if (common.empty()) return;
    stepPages.push_back(M);
    if (countHits) stepCounts.push_back(static_cast<uint32_t>(common.size()));
  };

  // Keywords of two segments: the terms advance through their positions in
  // order, counting each match they meet.
  auto examineInOrder = [&](uint32_t M) {
    enterAll();
    for (Term& t : terms) {
      uint32_t pos;
      if (!t.NextPosition(pos)) return;  // an entry without positions: nothing here
      t.aligned = int64_t(pos) + (P - t.patternPos - 1);
    }
    bool counted = false;
    for (uint32_t steps = 1;; ++steps) {
      if ((steps & 4095) == 0 && CancelRequested()) {
        stopped = true;
        return;
      }
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
  // kept occurrence of the next segment follows within the gap. The
  // positions of each distinct slot are read once per page; the buffers
  // live for the whole search.
  std::vector<std::vector<int64_t>> slotPositions(segCount >= 3 ? listCount : 0);
  std::vector<std::vector<int64_t>> segOcc(segCount >= 3 ? segCount : 0);
  std::vector<int64_t> scratch;
  auto examineBySets = [&](uint32_t M) {
    for (int l = 0; l < listCount; ++l) {
      const int k = listTerm[static_cast<size_t>(l)];
      enter(k);
      Term& t = terms[k];
      auto& list = slotPositions[static_cast<size_t>(l)];
      list.clear();
      uint32_t v;
      int64_t pos = -1;
      while (t.NextPosition(v)) {
        pos = pos < 0 ? int64_t(v) : pos + v;
        list.push_back(pos);
      }
    }
    for (int s = 0; s < segCount; ++s) {
      if ((s & 63) == 63 && stop()) return;
      const Segment& seg = segments[s];
      auto& occ = segOcc[s];
      occ.clear();
      const int64_t firstShift = shiftOf(seg.first);
      for (int64_t p : slotPositions[static_cast<size_t>(listOf[static_cast<size_t>(seg.first)])])
        occ.push_back(p + firstShift);
      for (int k = seg.first + 1; k < seg.first + seg.count && !occ.empty(); ++k) {
        // occ ∩ (positions of term k's slot + its shift), as multisets
        const auto& other = slotPositions[static_cast<size_t>(listOf[static_cast<size_t>(k)])];
        const int64_t shift = shiftOf(k);
        scratch.clear();
        size_t i = 0, j = 0;
        while (i < occ.size() && j < other.size()) {
          const int64_t b = other[j] + shift;
          if (occ[i] < b) {
            ++i;
          } else if (b < occ[i]) {
            ++j;
          } else {
            scratch.push_back(occ[i]);
            ++i;
            ++j;
          }
        }
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

  // A keyword that narrows the hit list down ("and") only needs the pages the
  // list already holds: the others would be dropped by the merge, and every
  // page is examined on its own, so passing them by changes no answer.
  const bool filtering = mode == Intersect;
  if (filtering && m_HitPages.empty()) return noPages();
  std::vector<uint32_t> sortedHits;
  const std::vector<uint32_t>* hits = &m_HitPages;
  if (filtering && !std::is_sorted(m_HitPages.begin(), m_HitPages.end())) {
    sortedHits = m_HitPages;
    std::sort(sortedHits.begin(), sortedHits.end());
    sortedHits.erase(std::unique(sortedHits.begin(), sortedHits.end()), sortedHits.end());
    hits = &sortedHits;
  }
  const uint32_t* filter = hits->data();
  const uint32_t* const filterEnd = filter + hits->size();

  auto examine = [&](uint32_t M) {
    if (termCount == 1)
      examineSingle(M);
    else if (segCount >= 3)
      examineBySets(M);
    else if (segCount == 1)
      examinePhrase(M);
    else
      examineInOrder(M);
  };

  // The term with the fewest page entries first, then the others by count.
  std::vector<int> order(static_cast<size_t>(termCount));
  std::iota(order.begin(), order.end(), 0);
  auto entryCount = [&](int k) {
    return terms[k].entries ? terms[k].entries->pages.size() : SIZE_MAX;
  };
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return entryCount(a) < entryCount(b); });

  // One decoded term: its page count is the number of its positions.
  if (termCount == 1 && terms[0].entries && !filtering) {
    const SlotEntries& e = *terms[0].entries;
    const size_t n = e.pages.size();
    for (size_t i = 0; i < n; ++i) {
      const uint32_t count = e.first[i + 1] - e.first[i];
      if (count == 0) continue;
      stepPages.push_back(e.pages[i]);
      if (countHits) stepCounts.push_back(count);
    }
    MergeStep(mode, countHits, stepPages, stepCounts);
    return m_HitPageCount;
  }

  // Every term decoded: the pages they all hold are found first, list
  // against list (one list per distinct slot, the shortest first), then
  // examined in ascending order with every term set on that page's entry.
  if (entryCount(order.back()) != SIZE_MAX) {
    std::vector<int> byCount(static_cast<size_t>(listCount));
    std::iota(byCount.begin(), byCount.end(), 0);
    auto listEntries = [&](int l) { return terms[listTerm[static_cast<size_t>(l)]].entries; };
    std::stable_sort(byCount.begin(), byCount.end(), [&](int a, int b) {
      return listEntries(a)->pages.size() < listEntries(b)->pages.size();
    });
    const SlotEntries* leadEntries = listEntries(byCount[0]);
    m_shared.Start(leadEntries->pages.data(), leadEntries->pages.size());
    // The hit list first: an "and" keyword usually narrows a short list.
    if (filtering) m_shared.Narrow(filter, static_cast<size_t>(filterEnd - filter));
    for (int i = 1; i < listCount && m_shared.Size() > 0; ++i) {
      if (CancelRequested()) return CancelSearch();
      const SlotEntries* e = listEntries(byCount[static_cast<size_t>(i)]);
      m_shared.Narrow(e->pages.data(), e->pages.size());
    }
    if (m_located.size() < static_cast<size_t>(listCount)) m_located.resize(static_cast<size_t>(listCount));
    for (int l = 0; l < listCount && m_shared.Size() > 0; ++l) {
      const SlotEntries* e = listEntries(l);
      located[static_cast<size_t>(l)] =
          m_shared.Locate(e->pages.data(), e->pages.size(), m_located[static_cast<size_t>(l)]);
    }
    for (int k = 0; k < termCount; ++k)
      termLocated[static_cast<size_t>(k)] = located[static_cast<size_t>(listOf[static_cast<size_t>(k)])];
    if (termCount == 2 && segCount == 1) {
      // A two-character phrase (or X?Y): a merge of the two entries'
      // positions counts the shared aligned positions, repeats included.
      const SlotEntries& e0 = *terms[0].entries;
      const SlotEntries& e1 = *terms[1].entries;
      const uint32_t* index0 = termLocated[0];
      const uint32_t* index1 = termLocated[1];
      // aligned0 == aligned1  <=>  position0 + shift == position1
      const int64_t shift = terms[1].patternPos - terms[0].patternPos;
      const size_t shared = m_shared.Size();
      for (size_t c = 0; c < shared; ++c) {
        if ((c & 1023) == 1023 && CancelRequested()) return CancelSearch();
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
        stepPages.push_back(m_shared.Page(c));
        if (countHits) stepCounts.push_back(count);
      }
    } else {
      fromIntersection = true;
      const size_t shared = m_shared.Size();
      for (size_t c = 0; c < shared; ++c) {
        if ((c & 255) == 255 && CancelRequested()) return CancelSearch();
        bool enough = true;
        for (const auto& [l, need] : repeated) {
          const SlotEntries* e = listEntries(l);
          const uint32_t at = located[static_cast<size_t>(l)][c];
          if (e->first[at + 1] - e->first[at] < need) {
            enough = false;
            break;
          }
        }
        if (!enough) continue;
        candidate = c;
        examine(m_shared.Page(c));
        if (stopped) return CancelSearch();
      }
    }
    MergeStep(mode, countHits, stepPages, stepCounts);
    return m_HitPageCount;
  }

  // Otherwise a page loop. The term with the fewest page entries leads: its
  // page is the candidate, the other terms (fewest entries first) move to
  // it, and the first that passes it moves the leader on. A page is examined
  // when every term stands on it: the examined pages are the pages all terms
  // share, in ascending order, as above.
  Term& lead = terms[order[0]];
  for (uint32_t loops = 1;; ++loops) {
    if ((loops & 255) == 0 && CancelRequested()) return CancelSearch();
    const uint32_t M = lead.page;
    if (filtering) {
      filter = std::lower_bound(filter, filterEnd, M);
      if (filter == filterEnd) break;
      if (*filter > M) {
        if (!lead.SkipTo(*filter)) break;
        continue;
      }
    }
    bool onM = true;
    bool ended = false;
    for (int i = 1; i < termCount && onM; ++i) {
      Term& t = terms[order[i]];
      if (!t.SkipTo(M)) {
        ended = true;
      } else if (t.page > M) {
        onM = false;
        ended = !lead.SkipTo(t.page);
      }
    }
    if (ended) break;
    if (!onM) continue;
    bool enough = true;
    for (const auto& [l, need] : repeated)
      if (terms[listTerm[static_cast<size_t>(l)]].PositionBound() < need) {
        enough = false;
        break;
      }
    if (enough) examine(M);
    if (stopped) return CancelSearch();
    if (M == UINT32_MAX || !lead.SkipTo(M + 1)) break;
  }

  MergeStep(mode, countHits, stepPages, stepCounts);
  return m_HitPageCount;
}

void CIndex::ClearHits() {
  m_HitPages.clear();
  m_HitCounts.clear();
  m_HitPageCount = 0;
  m_hitOrderValid = false;
}

int32_t CIndex::CancelSearch() {
  ClearHits();
  m_cancelled = true;
  return 0;
}

const std::vector<uint64_t>& CIndex::HitOrder() {
  if (!m_hitOrderValid || m_hitOrder.size() != m_HitPages.size()) {
    m_hitOrder.resize(m_HitPages.size());
    for (size_t i = 0; i < m_HitPages.size(); ++i) m_hitOrder[i] = uint64_t(m_HitPages[i]) << 32 | i;
    std::sort(m_hitOrder.begin(), m_hitOrder.end());
    m_hitOrderValid = true;
  }
  return m_hitOrder;
}

// Merges one keyword's pages (ascending) into the hit list.
//   Replace: the hit list becomes the step's pages.
//   Union: pages already listed get the step's count added; the others are
//   appended in the step's order.
//   Intersect: the step's pages that the hit list holds, in the step's order,
//   with both counts summed.
void CIndex::MergeStep(CombineMode mode, bool countHits, std::vector<uint32_t>& stepPages,
                       std::vector<uint32_t>& stepCounts) {
  // The lists swap places so that both keep their memory for the next search.
  if (mode == Replace) {
    m_HitPages.swap(stepPages);
    if (countHits)
      m_HitCounts.swap(stepCounts);
    else
      m_HitCounts.clear();
    m_HitPageCount = static_cast<int32_t>(m_HitPages.size());
    m_hitOrderValid = false;
    return;
  }
  const size_t before = m_HitPages.size();
  const bool haveCounts = countHits && m_HitCounts.size() == before;

  if (mode == Union) {
    // The hit list in page order, kept from the last "or" step: one walk
    // pairs it with the step's ascending pages, and the pages appended are
    // merged into it, so the list is never sorted again.
    const std::vector<uint64_t>& byPage = HitOrder();
    std::vector<uint64_t>& added = m_hitOrderScratch;
    added.clear();
    size_t o = 0;
    int32_t appended = 0;
    for (size_t i = 0; i < stepPages.size(); ++i) {
      const uint32_t page = stepPages[i];
      while (o < before && (byPage[o] >> 32) < page) ++o;
      if (o < before && (byPage[o] >> 32) == page) {
        if (haveCounts) m_HitCounts[byPage[o] & 0xFFFFFFFFu] += stepCounts[i];
      } else {
        added.push_back(uint64_t(page) << 32 | m_HitPages.size());
        m_HitPages.push_back(page);
        if (countHits) m_HitCounts.push_back(stepCounts[i]);
        ++appended;
      }
    }
    m_HitPageCount += appended;
    if (!countHits) m_HitCounts.clear();
    if (!added.empty()) {
      const size_t old = m_hitOrder.size();
      m_hitOrder.insert(m_hitOrder.end(), added.begin(), added.end());
      std::inplace_merge(m_hitOrder.begin(), m_hitOrder.begin() + static_cast<std::ptrdiff_t>(old),
                         m_hitOrder.end());
    }
    return;
  }

  // Intersect: the hit list in page order (it usually is already), paired
  // with the step's ascending pages in one walk; the step's lists are
  // compacted in place to the pages the hit list holds, then take its place.
  const bool sorted = std::is_sorted(m_HitPages.begin(), m_HitPages.end());
  const std::vector<uint64_t>* byPage = sorted ? nullptr : &HitOrder();
  auto pageAt = [&](size_t o) { return sorted ? m_HitPages[o] : uint32_t((*byPage)[o] >> 32); };
  auto placeAt = [&](size_t o) { return sorted ? o : size_t((*byPage)[o] & 0xFFFFFFFFu); };
  size_t kept = 0;
  size_t o = 0;
  for (size_t i = 0; i < stepPages.size(); ++i) {
    const uint32_t page = stepPages[i];
    while (o < before && pageAt(o) < page) ++o;
    if (o == before) break;
    if (pageAt(o) != page) continue;
    stepPages[kept] = page;
    if (countHits) stepCounts[kept] = stepCounts[i] + (haveCounts ? m_HitCounts[placeAt(o)] : 0);
    ++kept;
  }
  stepPages.resize(kept);
  m_HitPages.swap(stepPages);
  if (countHits) {
    stepCounts.resize(kept);
    m_HitCounts.swap(stepCounts);
  } else {
    m_HitCounts.clear();
  }
  m_HitPageCount = static_cast<int32_t>(m_HitPages.size());
  m_hitOrderValid = false;
}

}  // namespace tevarin
