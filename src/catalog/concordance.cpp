#include "catalog/concordance.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "catalog/catalogue.h"
#include "index/index.h"
#include "text/codeconverter.h"

namespace tevarin {

namespace {

void AppendUtf16(std::u16string& out, uint32_t cp) {
  if (cp > 0x10FFFF) cp = 0xFFFD;
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(cp));
  }
}

// Reads one code point backwards from s[0, i): i moves before it.
uint32_t PreviousCodePoint(std::u16string_view s, size_t& i) {
  const uint32_t u = s[--i];
  if (IsLowSurrogate(u) && i > 0 && IsHighSurrogate(s[i - 1])) {
    --i;
    return CombineSurrogates(s[i], u);
  }
  return u;
}

}  // namespace

ShownText ShowPageText(const PageText& page) {
  ShownText shown;
  shown.ofChar.assign(page.chars.size(), 0);
  size_t k = 0;  // the next indexed character to place
  std::vector<RunChar> decoded;
  for (size_t r = 0; r < page.runs.size(); ++r) {
    decoded.clear();
    DecodeRunText(page.runs[r].text, decoded);
    for (const RunChar& c : decoded) {
      // The markup's own line layout is no part of what the page shows.
      if (c.codePoint < 0x20 || c.codePoint == 0x7F) continue;
      const uint32_t index = static_cast<uint32_t>(shown.starts.size());
      while (k < page.chars.size() && page.chars[k].run == r && page.chars[k].begin <= c.begin)
        shown.ofChar[k++] = index;
      shown.starts.push_back(static_cast<uint32_t>(shown.text.size()));
      AppendUtf16(shown.text, c.codePoint);
    }
    // Characters of this run not met above (none, for text ReadPageText read).
    const uint32_t end = static_cast<uint32_t>(shown.starts.size());
    while (k < page.chars.size() && page.chars[k].run == r)
      shown.ofChar[k++] = end > 0 ? end - 1 : 0;
  }
  shown.starts.push_back(static_cast<uint32_t>(shown.text.size()));
  return shown;
}

Concordance::Concordance(CIndex& index, const CCatalogue* catalogue)
    : m_index(index), m_catalogue(catalogue), m_places(catalogue ? catalogue->Root() : nullptr) {}

Status Concordance::Search(const ConcordanceQuery& query) {
  m_pages.clear();
  m_counts.clear();
  m_hitKeywords = HitPageKeywordList();
  m_totalHits = 0;
  if (query.width < kMinContextWidth || query.width > kMaxContextWidth)
    return Status::Invalid("the context width must be 1 to 100 characters");
  if (!m_index.IsOpen()) return Status::Invalid("no index is open");
  std::u16string keywords = query.keywords;
  if (!CIndex::AcceptsKeywords(keywords))
    return Status::Invalid(
        "the keyword string was rejected: it is empty or holds a character from U+0001 to U+00FF "
        "other than space, \"*\" and \"?\"");
  if (query.useOr)
    m_index.SearchOr(keywords, true, query.variants);
  else
    m_index.SearchAnd(keywords, true, query.variants);
  if (m_index.Cancelled()) return Status::Invalid("the search was cancelled");
  ConcordanceQuery searched = query;
  searched.keywords = keywords;
  return UseHits(searched);
}

Status Concordance::UseHits(const ConcordanceQuery& query) {
  m_pages.clear();
  m_counts.clear();
  m_hitKeywords = HitPageKeywordList();
  m_totalHits = 0;
  if (query.width < kMinContextWidth || query.width > kMaxContextWidth)
    return Status::Invalid("the context width must be 1 to 100 characters");
  m_scope = query.scope;
  m_width = query.width;
  m_hitKeywords = m_index.HitPageKeywordsOf(query.keywords, query.variants);

  const auto& pages = m_index.GetHitPages();
  const auto& counts = m_index.GetHitCounts();
  std::vector<size_t> order;
  for (size_t i = 0; i < pages.size(); ++i)
    if (!query.range || query.range->Holds(pages[i])) order.push_back(i);
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return pages[a] < pages[b]; });
  m_pages.reserve(order.size());
  m_counts.reserve(order.size());
  for (size_t i : order) {
    m_pages.push_back(pages[i]);
    m_counts.push_back(i < counts.size() ? counts[i] : 0);
    m_totalHits += m_counts.back();
  }
  return Status::Ok();
}

Status Concordance::AppendPageLines(size_t i, std::vector<ConcordanceLine>& out,
                                    std::string* note) const {
  if (note) note->clear();
  if (i >= m_pages.size()) return Status::Invalid("no such page in the concordance");
  const uint32_t record = m_pages[i];
  // The hit page's own marks, under its bounds: line m is anchor m.
  HitPageMarking marking;
  if (Status read = m_index.HitPageMarks(static_cast<int32_t>(record), m_hitKeywords, m_scope, marking);
      !read)
    return read;
  const PageText& text = marking.text;
  const HitMarks& marks = marking.marks;
  if (note && marking.marked < m_hitKeywords.Count())
    *note = "record " + std::to_string(record) + ": the hits of keyword " +
            std::to_string(marking.marked + 1) + " and those after it have no lines, as the page's hit "
            "page leaves them unmarked (past its work or size bound)";

  const ShownText shown = ShowPageText(text);
  const PagePlace place = m_places.Find(record);
  const uint32_t shownCount = static_cast<uint32_t>(shown.starts.size() - 1);
  const uint32_t width = static_cast<uint32_t>(m_width);
  for (size_t m = 0; m < marks.Count(); ++m) {
    const size_t from = marks.starts[m];
    const size_t to = m + 1 < marks.Count() ? marks.starts[m + 1] : marks.ranges.size();
    const uint32_t firstChar = marks.ranges[from].first, lastChar = marks.ranges[to - 1].last;
    // [s0, s1) is the match (clamped to the shown text, which holds every
    // indexed character, so the clamps never cut a real match).
    const uint32_t s0 = std::min(shown.ofChar[firstChar], shownCount);
    const uint32_t s1 = std::min(std::max(s0, shown.ofChar[lastChar]) + 1, shownCount);
    const uint32_t l0 = s0 > width ? s0 - width : 0;
    const uint32_t r1 = std::min(shownCount, s1 + width);
    ConcordanceLine line;
    line.record = record;
    line.place = place;
    line.inNotes = text.IsNote(text.chars[firstChar]);
    line.anchor = static_cast<int32_t>(m);
    auto piece = [&](uint32_t a, uint32_t b) {
      return shown.text.substr(shown.starts[a], shown.starts[b] - shown.starts[a]);
    };
    line.left = piece(l0, s0);
    line.match = piece(s0, s1);
    line.right = piece(s1, r1);
    out.push_back(std::move(line));
  }
  return Status::Ok();
}

void Concordance::Lines(size_t limit, std::vector<ConcordanceLine>& out,
                        std::vector<std::string>* notes) const {
  std::string note;
  for (size_t i = 0; i < m_pages.size(); ++i) {
    if (limit && out.size() >= limit) break;
    const Status s = AppendPageLines(i, out, &note);
    if (!s && notes)
      notes->push_back("record " + std::to_string(m_pages[i]) + " is left out: " + s.Message());
    else if (!note.empty() && notes)
      notes->push_back(note);
  }
  if (limit && out.size() > limit) out.resize(limit);
}

bool ParseConcordanceSort(std::string_view name, ConcordanceSort& out) {
  if (name == "order") out = ConcordanceSort::Collection;
  else if (name == "right") out = ConcordanceSort::Right;
  else if (name == "left") out = ConcordanceSort::Left;
  else if (name == "book") out = ConcordanceSort::Book;
  else return false;
  return true;
}

int CompareCodePoints(std::u16string_view a, std::u16string_view b) {
  // Surrogates moved above the rest of the basic plane: UTF-16 units then
  // compare in code-point order.
  auto key = [](char16_t u) -> uint32_t {
    return u >= 0xE000 ? u - 0x800u : u >= 0xD800 ? u + 0x2000u : u;
  };
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return key(a[i]) < key(b[i]) ? -1 : 1;
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

int CompareCodePointsBackward(std::u16string_view a, std::u16string_view b) {
  size_t i = a.size(), j = b.size();
  while (i > 0 && j > 0) {
    const uint32_t x = PreviousCodePoint(a, i), y = PreviousCodePoint(b, j);
    if (x != y) return x < y ? -1 : 1;
  }
  return i > 0 ? 1 : j > 0 ? -1 : 0;
}

void SortLines(std::vector<ConcordanceLine>& lines, ConcordanceSort sort) {
  switch (sort) {
    case ConcordanceSort::Collection:
      std::stable_sort(lines.begin(), lines.end(), [](const auto& a, const auto& b) {
        return a.record != b.record ? a.record < b.record : a.anchor < b.anchor;
      });
      break;
    case ConcordanceSort::Right:
      std::stable_sort(lines.begin(), lines.end(), [](const auto& a, const auto& b) {
        const int c = CompareCodePoints(a.right, b.right);
        return c != 0 ? c < 0 : CompareCodePoints(a.match, b.match) < 0;
      });
      break;
    case ConcordanceSort::Left:
      std::stable_sort(lines.begin(), lines.end(), [](const auto& a, const auto& b) {
        const int c = CompareCodePointsBackward(a.left, b.left);
        return c != 0 ? c < 0 : CompareCodePoints(a.match, b.match) < 0;
      });
      break;
    case ConcordanceSort::Book:
      std::stable_sort(lines.begin(), lines.end(), [](const auto& a, const auto& b) {
        const std::u16string_view x = a.place.book ? std::u16string_view(a.place.book->name) : u"";
        const std::u16string_view y = b.place.book ? std::u16string_view(b.place.book->name) : u"";
        return CompareCodePoints(x, y) < 0;
      });
      break;
  }
}

}  // namespace tevarin
