// Keyword strings and compiled keywords.
//
// A keyword string holds keywords separated by spaces. One keyword is cut
// into segments at "*" and into terms (characters with a slot: letters and
// ideographs, text/indexedchars.h); "?" and "？" stand for one position.
// Compiling a keyword normalises its pattern (leading stars dropped, runs of
// stars collapsed, one closing star, characters that are neither wildcards
// nor indexed removed) and numbers its terms by pattern position; a term's
// positions on a page are aligned to the pattern so that the terms of one
// occurrence of a segment share one aligned position:
// aligned = position + Shift(term).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tevarin {

class VariantTable;

inline constexpr char16_t kIdeographicSpace = u'\u3000';
inline constexpr char16_t kFullWidthQuestion = u'\uFF1F';
// The most positions between the end of a segment and the start of the next.
inline constexpr int64_t kMaxStarGap = 300;

inline bool IsKeywordSeparator(char16_t c) { return c == u' ' || c == kIdeographicSpace; }

// A keyword string is searched when it is not empty, holds some character
// besides separators, and no character of U+0001..U+00FF other than space,
// "*" and "?". It ends at its first NUL, as a zero-terminated buffer would.
bool AcceptsKeywordString(std::u16string_view keywords);

// The string up to its first NUL.
size_t TerminatedLength(std::u16string_view s);

// The pattern a keyword is searched by: leading stars dropped, runs of stars
// collapsed, one closing star, then every character that is neither a
// wildcard ("*", "?", "？") nor indexed removed: punctuation and symbols,
// which take no position in a page's indexed text, are dropped, so a
// quotation finds the same pages with or without them. A surrogate pair is
// judged, and removed, as one character.
std::u16string NormalisePattern(std::u16string_view keyword);

struct KeywordTerm {
  int slot = -1;
  int64_t patternPos = 0;  // position in the pattern ("?" count too)
};

struct KeywordSegment {
  int first = 0;  // index of its first term
  int count = 0;  // number of terms
};

// A keyword ready for the search.
struct CompiledKeyword {
  std::vector<KeywordTerm> terms;
  // Segments with terms; a segment of only "?" is dropped, its "?" still
  // counting in the positions of later terms.
  std::vector<KeywordSegment> segments;
  int64_t length = 0;  // P: the positions the pattern spans

  // Terms of one slot share its postings: one list per distinct slot.
  std::vector<int> listOf;    // each term's distinct slot
  std::vector<int> listTerm;  // each distinct slot's first term
  // The slots that stand more than once, with their number of terms: a page
  // can match only when such a slot has at least that many positions there.
  std::vector<std::pair<int, uint32_t>> repeated;

  int TermCount() const { return static_cast<int>(terms.size()); }
  int SegmentCount() const { return static_cast<int>(segments.size()); }
  int ListCount() const { return static_cast<int>(listTerm.size()); }
  // What aligns term k's positions: aligned = position + Shift(k).
  int64_t Shift(int k) const { return length - terms[static_cast<size_t>(k)].patternPos - 1; }
};

// Compiles keyword: its terms' slots are the characters' own, or with
// variants (non-null) their first group's slot where they have one.
CompiledKeyword CompileKeyword(std::u16string_view keyword, const VariantTable* variants);

}  // namespace tevarin
