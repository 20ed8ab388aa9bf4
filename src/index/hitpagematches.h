// The matches a hit page marks: each keyword searched over one page's own
// indexed text (store/pagetext.h) by the search's matchers
// (index/matchers.h), fed with the page's positions instead of postings.
// The positions are those the collection builder indexes, the keywords are
// compiled as the search compiles them (variant group slots included), so a
// page gets exactly as many matches as the search counted on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "index/keyword.h"
#include "store/hitpage.h"
#include "store/pagetext.h"

namespace tevarin {

class VariantTable;

// The most positions the matching for one hit page may read (over all its
// keywords); keywords past it are not marked. Far above what a page of text
// and the keywords typed for it need.
inline constexpr uint64_t kHitPageWork = uint64_t(16) << 20;

class PageMatchFinder {
 public:
  // One found match: the ranges of indexed characters (indices into the
  // page's chars) of each segment, in order.
  struct Match {
    uint32_t keyword = 0;     // its keyword's number, from 0 in string order
    uint32_t firstChar = 0;   // where it begins
    uint32_t rangeBegin = 0;  // its ranges: ranges[rangeBegin, rangeEnd)
    uint32_t rangeEnd = 0;
  };

  // The page's positions of scope; variants, when given, makes a keyword
  // character match every member of its group, as the search does.
  PageMatchFinder(const PageText& text, HitScope scope, const VariantTable* variants);

  // The work Find(keyword) will take: the positions its terms read.
  uint64_t WorkOf(const CompiledKeyword& keyword) const;
  // Appends the matches of keyword (numbered `number`) to matches and
  // ranges; answers how many there are, the count the search gives this
  // page for the keyword.
  uint32_t Find(const CompiledKeyword& keyword, uint32_t number, std::vector<Match>& matches,
                std::vector<CharRange>& ranges);

  // The positions of a slot on the page (ascending), empty when it has none.
  std::pair<const uint32_t*, const uint32_t*> Positions(int slot) const;

 private:
  std::vector<uint32_t> m_scopeChars;  // position -> index into the page's chars
  std::vector<int> m_slots;            // slots with positions, ascending
  std::vector<uint32_t> m_first;       // slot i's positions: m_positions[m_first[i], m_first[i + 1])
  std::vector<uint32_t> m_positions;
};

// Splits a keyword string as a hit page reads it: up to its first NUL, at
// spaces and ideographic spaces.
std::vector<std::u16string_view> HitPageKeywords(std::u16string_view keywords);

// The marks of the matches of keywords [0, keywordCount), in page order
// (ties in keyword order): one anchor per match.
void OrderMarks(const std::vector<PageMatchFinder::Match>& matches,
                const std::vector<CharRange>& ranges, uint32_t keywordCount, HitMarks& marks);

// The keywords a hit page marks: the keyword string split as a hit page
// reads it (HitPageKeywords), each keyword compiled as the search compiles
// it, with the variant table when variants are on. Made once by
// CIndex::HitPageKeywordsOf, the list serves every page of a search.
struct HitPageKeywordList {
  std::vector<std::u16string> keywords;  // as typed, for the notes
  std::vector<CompiledKeyword> compiled;  // compiled[k] is keywords[k]
  bool variants = false;                  // compiled with the variant table

  bool Empty() const { return keywords.empty(); }
  uint32_t Count() const { return static_cast<uint32_t>(keywords.size()); }
};

// One page's marks as its hit page sets them (CIndex::HitPageMarks).
struct HitPageMarking {
  PageText text;        // the page's text, which the marks index
  HitMarks marks;       // one per match of the marked keywords, in anchor order
  uint32_t marked = 0;  // keywords [0, marked) are marked; the rest lie past a bound
  std::string note;     // why keywords are left unmarked; empty when none is
};

}  // namespace tevarin
