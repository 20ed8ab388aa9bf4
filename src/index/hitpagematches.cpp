#include "index/hitpagematches.h"

#include <algorithm>
#include <cassert>

#include "index/charslot.h"
#include "index/index.h"
#include "index/matchers.h"
#include "index/varianttable.h"
#include "text/codeconverter.h"

namespace tevarin {

namespace {

// Turns the matchers' reports into character ranges: segment s of a match
// covers the positions of its first to its last term.
class RangeSink : public MatchSink {
 public:
  RangeSink(const CompiledKeyword& keyword, uint32_t number, const std::vector<uint32_t>& scopeChars,
            std::vector<PageMatchFinder::Match>& matches, std::vector<CharRange>& ranges)
      : m_keyword(keyword), m_number(number), m_scopeChars(scopeChars), m_matches(matches),
        m_ranges(ranges) {}

  void Match(const int64_t* aligned) override {
    PageMatchFinder::Match m;
    m.keyword = m_number;
    m.rangeBegin = static_cast<uint32_t>(m_ranges.size());
    for (int s = 0; s < m_keyword.SegmentCount(); ++s) {
      const KeywordSegment& seg = m_keyword.segments[static_cast<size_t>(s)];
      const int64_t first = aligned[s] - m_keyword.Shift(seg.first);
      const int64_t last = aligned[s] - m_keyword.Shift(seg.first + seg.count - 1);
      assert(first >= 0 && first <= last && last < static_cast<int64_t>(m_scopeChars.size()));
      m_ranges.push_back(CharRange{m_scopeChars[static_cast<size_t>(first)],
                                   m_scopeChars[static_cast<size_t>(last)]});
    }
    m.rangeEnd = static_cast<uint32_t>(m_ranges.size());
    m.firstChar = m_ranges[m.rangeBegin].first;
    m_matches.push_back(m);
  }

 private:
  const CompiledKeyword& m_keyword;
  uint32_t m_number;
  const std::vector<uint32_t>& m_scopeChars;
  std::vector<PageMatchFinder::Match>& m_matches;
  std::vector<CharRange>& m_ranges;
};

}  // namespace

PageMatchFinder::PageMatchFinder(const PageText& text, HitScope scope, const VariantTable* variants)
    : m_scopeChars(text.ScopeChars(scope)) {
  // Each position under its character's slot and, with variants, under its
  // first group's slot too: the postings the builder writes for the page.
  std::vector<std::pair<int, uint32_t>> pairs;
  pairs.reserve(m_scopeChars.size() * 2);
  for (size_t p = 0; p < m_scopeChars.size(); ++p) {
    const uint32_t cp = text.chars[m_scopeChars[p]].codePoint;
    pairs.emplace_back(CharToSlot(cp), static_cast<uint32_t>(p));
    int group;
    if (variants && variants->FindSlot(cp, group)) pairs.emplace_back(group, static_cast<uint32_t>(p));
  }
  std::sort(pairs.begin(), pairs.end());
  m_positions.reserve(pairs.size());
  for (size_t i = 0; i < pairs.size(); ++i) {
    if (i == 0 || pairs[i].first != pairs[i - 1].first) {
      m_slots.push_back(pairs[i].first);
      m_first.push_back(static_cast<uint32_t>(i));
    }
    m_positions.push_back(pairs[i].second);
  }
  m_first.push_back(static_cast<uint32_t>(m_positions.size()));
}

std::pair<const uint32_t*, const uint32_t*> PageMatchFinder::Positions(int slot) const {
  const auto it = std::lower_bound(m_slots.begin(), m_slots.end(), slot);
  if (it == m_slots.end() || *it != slot) return {nullptr, nullptr};
  const size_t i = static_cast<size_t>(it - m_slots.begin());
  return {m_positions.data() + m_first[i], m_positions.data() + m_first[i + 1]};
}

uint64_t PageMatchFinder::WorkOf(const CompiledKeyword& keyword) const {
  uint64_t positions = 0;
  for (const KeywordTerm& t : keyword.terms) {
    const auto [begin, end] = Positions(t.slot);
    positions += static_cast<uint64_t>(end - begin) + 1;
  }
  // The walk of two segments compares all terms at each step.
  if (KeywordMatcher::KindOf(keyword) == KeywordMatcher::Kind::kTwoSegments)
    positions *= static_cast<uint64_t>(keyword.TermCount());
  return positions;
}

uint32_t PageMatchFinder::Find(const CompiledKeyword& keyword, uint32_t number,
                               std::vector<Match>& matches, std::vector<CharRange>& ranges) {
  if (keyword.terms.empty()) return 0;
  PositionListTerms terms;
  terms.cursors.reserve(keyword.terms.size());
  for (const KeywordTerm& t : keyword.terms) {
    const auto [begin, end] = Positions(t.slot);
    // A character the page lacks: no match here (the search passes the page by).
    if (begin == end) return 0;
    terms.cursors.emplace_back(begin, end);
  }
  StepHits step;
  RangeSink sink(keyword, number, m_scopeChars, matches, ranges);
  KeywordMatcher matcher;
  const size_t before = matches.size();
  matcher.Start(keyword, true, step, nullptr, &sink);
  matcher.Examine(terms, 0);
  const uint32_t found = static_cast<uint32_t>(matches.size() - before);
  assert(found == (step.counts.empty() ? 0 : step.counts[0]));
  return found;
}

std::vector<std::u16string_view> HitPageKeywords(std::u16string_view keywords) {
  keywords = keywords.substr(0, TerminatedLength(keywords));
  std::vector<std::u16string_view> out;
  size_t i = 0;
  while (i < keywords.size()) {
    while (i < keywords.size() && IsKeywordSeparator(keywords[i])) ++i;
    size_t j = i;
    while (j < keywords.size() && !IsKeywordSeparator(keywords[j])) ++j;
    if (j > i) out.push_back(keywords.substr(i, j - i));
    i = j;
  }
  return out;
}

void OrderMarks(const std::vector<PageMatchFinder::Match>& matches,
                const std::vector<CharRange>& ranges, uint32_t keywordCount, HitMarks& marks) {
  std::vector<const PageMatchFinder::Match*> order;
  order.reserve(matches.size());
  for (const PageMatchFinder::Match& m : matches)
    if (m.keyword < keywordCount) order.push_back(&m);
  // matches is in keyword order already: a stable sort by the first
  // character keeps that order among matches that begin together.
  std::stable_sort(order.begin(), order.end(),
                   [](const auto* a, const auto* b) { return a->firstChar < b->firstChar; });
  marks.Clear();
  marks.starts.reserve(order.size());
  for (const PageMatchFinder::Match* m : order) {
    marks.starts.push_back(static_cast<uint32_t>(marks.ranges.size()));
    marks.ranges.insert(marks.ranges.end(), ranges.begin() + m->rangeBegin,
                        ranges.begin() + m->rangeEnd);
  }
}

Status CIndex::BuildHitPage(int32_t recordIndex, std::string& out, std::u16string_view keywords,
                            int32_t scope, bool variants, HitPageReport& report) const {
  report = HitPageReport();
  // Closed: nothing is done, the output stays as it was.
  if (!m_files.IsOpen()) return Status::Invalid("the book store is not open");
  std::string stored;
  int32_t pageNumber = 0;
  if (Status readable = m_files.ReadHitPageSource(recordIndex, stored, pageNumber); !readable) {
    // An unreadable record renders nothing rather than a stale page.
    out.clear();
    return readable;
  }
  const std::vector<std::u16string_view> list = HitPageKeywords(keywords);
  if (list.empty()) return Status::Ok();  // no keyword: the output stays as it was

  const PageText text = ReadPageText(stored, pageNumber);
  const HitScope hitScope = static_cast<HitScope>(scope);
  PageMatchFinder finder(text, hitScope, variants ? &m_variants : nullptr);
  std::vector<PageMatchFinder::Match> matches;
  std::vector<CharRange> ranges;
  uint32_t marked = 0;  // keywords whose matches are found
  uint64_t work = 0;
  for (; marked < list.size(); ++marked) {
    const CompiledKeyword keyword = CompileKeyword(list[marked], variants ? &m_variants : nullptr);
    work += finder.WorkOf(keyword);
    if (work > kHitPageWork) break;
    finder.Find(keyword, marked, matches, ranges);
  }
  auto quote = [&](uint32_t k) {
    const std::u16string_view keyword = list[k];
    size_t n = std::min<size_t>(keyword.size(), 40);
    if (n < keyword.size() && n > 0 && IsHighSurrogate(keyword[n - 1])) --n;
    std::string bytes = "\"";
    ConvertUtf16ToUtf8(keyword.substr(0, n), bytes, true);
    return bytes + (n < keyword.size() ? "...\"" : "\"");
  };
  if (marked < list.size())
    report.note = "keywords from " + quote(marked) +
                  " on are not marked: finding them would read more than " +
                  std::to_string(kHitPageWork >> 20) + " million positions of the page";

  // The page stays within its bound: when all the marks do not fit, the
  // most keywords in string order whose marks fit are marked.
  const size_t limit = CFileList::HitPageLimit(stored.size());
  HitMarks marks;
  OrderMarks(matches, ranges, marked, marks);
  if (!RenderHitPage(text, marks, hitScope, out, limit)) {
    uint32_t fits = 0, fails = marked;  // RenderHitPage of no marks always fits the bound
    while (fails - fits > 1) {
      const uint32_t mid = fits + (fails - fits) / 2;
      OrderMarks(matches, ranges, mid, marks);
      if (RenderHitPage(text, marks, hitScope, out, limit)) fits = mid;
      else fails = mid;
    }
    OrderMarks(matches, ranges, fits, marks);
    RenderHitPage(text, marks, hitScope, out);
    report.note = "keywords from " + quote(fits) +
                  " on are not marked: the hit page would pass its limit of " +
                  std::to_string(limit) + " bytes (16 times the stored page, at least " +
                  std::to_string(CFileList::kMinHitPageLimit >> 20) + " MiB)";
  }
  report.anchors = static_cast<int32_t>(marks.Count());
  return Status::Ok();
}

int32_t CIndex::BuildHitPage(int32_t recordIndex, std::string& out, std::u16string_view keywords,
                             int32_t scope, bool variants) const {
  HitPageReport report;
  (void)BuildHitPage(recordIndex, out, keywords, scope, variants, report);
  m_hitPageNote = std::move(report.note);
  return report.anchors;
}

}  // namespace tevarin
