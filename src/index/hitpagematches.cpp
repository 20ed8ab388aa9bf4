#include "index/hitpagematches.h"

#include <algorithm>
#include <cassert>
#include <string>
#include <string_view>
#include <utility>

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

// A bound on the size of the hit page RenderHitPage writes for text and
// marks: the stored page (the title, the cells and the runs are parts of it),
// the template and note markers, each anchor, and each highlighted piece,
// whose number is at most the ranges, runs, tags and anchors together (a
// joined span begins at a range's first character or at a run's start, and
// each tag or anchor inside it cuts it once more).
size_t HitPageSizeBound(std::string_view stored, const PageText& text, const HitMarks& marks) {
  const size_t tags = static_cast<size_t>(std::count(stored.begin(), stored.end(), '<'));
  const size_t pieces = marks.ranges.size() + text.runs.size() + tags + marks.Count();
  return stored.size() + 1024 + text.runs.size() * 64 + marks.Count() * 32 + pieces * 64;
}

// A keyword as a note quotes it: its first 40 UTF-16 units (a surrogate
// pair never cut), in quotes, "..." marking the cut.
std::string QuoteKeyword(std::u16string_view keyword) {
  size_t n = std::min<size_t>(keyword.size(), 40);
  if (n < keyword.size() && n > 0 && IsHighSurrogate(keyword[n - 1])) --n;
  std::string bytes = "\"";
  ConvertUtf16ToUtf8(keyword.substr(0, n), bytes, true);
  return bytes + (n < keyword.size() ? "...\"" : "\"");
}

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

HitPageKeywordList CIndex::HitPageKeywordsOf(std::u16string_view keywords, bool variants) const {
  HitPageKeywordList list;
  list.variants = variants;
  for (std::u16string_view keyword : HitPageKeywords(keywords)) {
    list.keywords.emplace_back(keyword);
    list.compiled.push_back(CompileKeyword(keyword, variants ? &m_variants : nullptr));
  }
  return list;
}

Status CIndex::HitPageMarks(int32_t recordIndex, const HitPageKeywordList& keywords, HitScope scope,
                            HitPageMarking& out, std::string* page) const {
  out.marks.Clear();
  out.marked = 0;
  out.note.clear();
  std::string stored;
  int32_t pageNumber = 0;
  if (Status readable = m_files.ReadHitPageSource(recordIndex, stored, pageNumber); !readable) {
    out.text = PageText();
    return readable;
  }
  out.text = ReadPageText(stored, pageNumber);
  const PageText& text = out.text;

  PageMatchFinder finder(text, scope, keywords.variants ? &m_variants : nullptr);
  std::vector<PageMatchFinder::Match> matches;
  std::vector<CharRange> ranges;
  uint32_t marked = 0;  // keywords whose matches are found
  uint64_t work = 0;
  for (; marked < keywords.Count(); ++marked) {
    const CompiledKeyword& keyword = keywords.compiled[marked];
    work += finder.WorkOf(keyword);
    if (work > kHitPageWork) break;
    finder.Find(keyword, marked, matches, ranges);
  }
  if (marked < keywords.Count())
    out.note = "keywords from " + QuoteKeyword(keywords.keywords[marked]) +
               " on are not marked: finding them would read more than " +
               std::to_string(kHitPageWork >> 20) + " million positions of the page";

  // The page stays within its bound: when all the marks do not fit, the
  // most keywords in string order whose marks fit are marked. Far from the
  // bound a cheap upper bound on the size tells; near it only rendering does
  // (and a page asked for is rendered anyway).
  const size_t limit = CFileList::HitPageLimit(stored.size());
  OrderMarks(matches, ranges, marked, out.marks);
  std::string scratch;
  std::string& rendered = page ? *page : scratch;
  const bool mayPass = page || (marked > 0 && HitPageSizeBound(stored, text, out.marks) > limit);
  if (mayPass && !RenderHitPage(text, out.marks, scope, rendered, limit)) {
    uint32_t fits = 0, fails = marked;  // RenderHitPage of no marks always fits the bound
    while (fails - fits > 1) {
      const uint32_t mid = fits + (fails - fits) / 2;
      OrderMarks(matches, ranges, mid, out.marks);
      if (RenderHitPage(text, out.marks, scope, rendered, limit)) fits = mid;
      else fails = mid;
    }
    marked = fits;
    OrderMarks(matches, ranges, marked, out.marks);
    if (page) RenderHitPage(text, out.marks, scope, *page);
    out.note = "keywords from " + QuoteKeyword(keywords.keywords[marked]) +
               " on are not marked: the hit page would pass its limit of " + std::to_string(limit) +
               " bytes (16 times the stored page, at least " +
               std::to_string(CFileList::kMinHitPageLimit >> 20) + " MiB)";
  }
  out.marked = marked;
  return Status::Ok();
}

Status CIndex::BuildHitPage(int32_t recordIndex, std::string& out, std::u16string_view keywords,
                            int32_t scope, bool variants, HitPageReport& report) const {
  report = HitPageReport();
  // Closed: nothing is done, the output stays as it was.
  if (!m_files.IsOpen()) return Status::Invalid("the book store is not open");
  const HitPageKeywordList list = HitPageKeywordsOf(keywords, variants);
  HitPageMarking marking;
  // Without keywords the record is still read, and the output stays as it
  // was unless the record cannot be read.
  if (Status readable = HitPageMarks(recordIndex, list, static_cast<HitScope>(scope), marking,
                                     list.Empty() ? nullptr : &out);
      !readable) {
    // An unreadable record renders nothing rather than a stale page.
    out.clear();
    return readable;
  }
  if (list.Empty()) return Status::Ok();
  report.anchors = static_cast<int32_t>(marking.marks.Count());
  report.note = std::move(marking.note);
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
