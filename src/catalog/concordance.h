// The concordance of a search: every hit with its page, its part (body or
// notes), the matched text as the page shows it, context on each side, and
// the number of the anchor the hit page gives it.
//
// The matches of a page are its hit page's own marks (CIndex::HitPageMarks,
// which the hit page is rendered from, under the same work and size
// bounds), so a page has as many lines as its hit page has anchors, line i
// carries anchor i, and opening the hit page at that anchor lands on that
// hit.
//
// The page's text as shown is its text cell's characters in page order,
// body and note runs alike, tags skipped and entities decoded, without the
// control characters (line feeds, tabs) of the stored markup. Punctuation
// and spaces belong to it: they count as context characters, since a reader
// reads the context with them. A match runs from the first character of its
// first segment to the last character of its last one, with whatever lies
// between (punctuation, the characters "?" and "*" stand for). Context is
// counted in characters (code points: a supplementary-plane character is
// one, never split) and stops at the page's start and end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "catalog/pageplace.h"
#include "index/hitpagematches.h"
#include "index/indexformat.h"
#include "index/keyword.h"
#include "store/pagetext.h"

namespace tevarin {

class CIndex;
class CCatalogue;

inline constexpr int kDefaultContextWidth = 20;
inline constexpr int kMinContextWidth = 1;
inline constexpr int kMaxContextWidth = 100;

struct ConcordanceLine {
  uint32_t record = 0;  // record index in the book store
  PagePlace place;      // division, book, volume, page number
  bool inNotes = false;  // the match begins in a note run
  int32_t anchor = 0;    // the hit page's anchor number ("<a name=...>") of this hit
  std::u16string left;   // context before the match, in reading order
  std::u16string match;
  std::u16string right;  // context after the match
};

struct ConcordanceQuery {
  std::u16string keywords;  // as typed: keywords separated by spaces
  bool useOr = false;
  bool variants = false;
  HitScope scope = HitScope::WholeText;
  const ContentsNodeTag* range = nullptr;  // only pages inside it; null: the whole collection
  int width = kDefaultContextWidth;         // context characters on each side
};

// The index part a scope searches.
inline IndexPart IndexPartOf(HitScope scope) {
  return scope == HitScope::Body ? IndexPart::Body
         : scope == HitScope::Notes ? IndexPart::Notes
                                    : IndexPart::FullText;
}

class Concordance {
 public:
  // catalogue may be null: lines then have no titles and no page numbers.
  // Both must outlive the concordance.
  Concordance(CIndex& index, const CCatalogue* catalogue);

  // Runs the search of query on the index, which must have the part of
  // query.scope open (IndexPartOf). Fails, with the reason, for a width out
  // of 1..100, keywords the search rejects, or a closed index.
  Status Search(const ConcordanceQuery& query);

  // The same over the hit list the index holds now, left by a search the
  // caller ran with query's keywords, and/or, variants and scope (the
  // result list's own search, say): nothing is searched again.
  Status UseHits(const ConcordanceQuery& query);

  // The pages the search found inside the range, in collection (record)
  // order, with the search's hit counts; TotalHits is their sum.
  const std::vector<uint32_t>& Pages() const { return m_pages; }
  const std::vector<uint32_t>& Counts() const { return m_counts; }
  uint64_t TotalHits() const { return m_totalHits; }

  // Appends the lines of Pages()[i] in anchor order. Fails when the page
  // cannot be read; note then or otherwise says what it leaves out (the
  // keywords the hit page leaves unmarked) or is empty.
  Status AppendPageLines(size_t i, std::vector<ConcordanceLine>& out, std::string* note = nullptr) const;

  // Lines in collection order, page by page, stopping once limit lines are
  // there (0: every line), so the first lines come without reading every
  // page. A page that cannot be read is passed by and named in notes.
  void Lines(size_t limit, std::vector<ConcordanceLine>& out, std::vector<std::string>* notes = nullptr) const;

 private:
  CIndex& m_index;
  const CCatalogue* m_catalogue;
  PagePlaces m_places;
  HitPageKeywordList m_hitKeywords;  // the query's keywords, compiled once
  HitScope m_scope = HitScope::WholeText;
  int m_width = kDefaultContextWidth;
  std::vector<uint32_t> m_pages;
  std::vector<uint32_t> m_counts;
  uint64_t m_totalHits = 0;
};

// Concordance sorts; each is stable, ties keep collection order.
enum class ConcordanceSort {
  Collection,  // record order, anchor order within a page
  Right,       // by the following context (then the match)
  Left,        // by the preceding context read backwards, from the match leftwards (then the match)
  Book,        // by book title (then collection order)
};

// "order", "right", "left" or "book".
bool ParseConcordanceSort(std::string_view name, ConcordanceSort& out);

// Sorts lines that Lines gave in collection order. Texts compare by code
// point.
void SortLines(std::vector<ConcordanceLine>& lines, ConcordanceSort sort);

// Code-point order of UTF-16 strings, forwards, and backwards from their
// ends (a surrogate pair is one character either way): <0, 0, >0.
int CompareCodePoints(std::u16string_view a, std::u16string_view b);
int CompareCodePointsBackward(std::u16string_view a, std::u16string_view b);

// The shown text of a page and where its indexed characters lie in it.
struct ShownText {
  std::u16string text;
  std::vector<uint32_t> starts;   // code point i is text[starts[i], starts[i + 1])
  std::vector<uint32_t> ofChar;   // PageText::chars[k] is code point ofChar[k]
};
ShownText ShowPageText(const PageText& page);

}  // namespace tevarin
