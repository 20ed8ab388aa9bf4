// Marking the matches of one keyword inside one run of page text.
//
// Matching is on bytes, in the text of the item only: a piece is never
// matched inside a tag (from a "<" to the next ">"), so markup, the page's
// own or what an earlier keyword inserted, is never cut by a mark. "*" joins
// pieces that must follow each other within one paragraph (never across
// "<p>" or "<h4>"); "?" stands for exactly one character of 3 UTF-8 bytes of
// text. Every match gets a numbered anchor "<a name="NNNN"></a>" and a
// highlighted span per piece.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tevarin {

// One literal piece of a keyword: kind 2 = the keyword's first piece, 0 = a
// piece after "*", 1 = a run after one or more "?" (gap = their number).
struct Seg {
  int kind = 2;
  std::string bytes;
  int gap = 0;
};

inline constexpr std::string_view kHitSpanOpen = "<b style='color:red;background:#D9D9D9;'>";
inline constexpr std::string_view kHitSpanClose = "</b>";

std::vector<Seg> BuildSegs(std::string_view keyword);

// Appends item with every match of keyword marked to out; advances counter by
// one per anchor written. Returns the number of complete matches. A keyword of
// only "*" and "?" has no pieces: the item is copied unchanged.
int HighlightItem(std::string_view item, std::string_view keyword, std::string& out,
                  int32_t& counter);
// The same with the keyword's pieces built once by the caller (one keyword
// pass marks many items with the same keyword). When out grows past limit
// the marking stops at once and out holds a partial text, which the caller
// drops.
int HighlightItem(std::string_view item, const std::vector<Seg>& segs, std::string& out,
                  int32_t& counter, size_t limit = SIZE_MAX);

// Appends the anchor "<a name="%04d"></a>" for number n.
void AppendAnchor(std::string& out, int32_t n);

}  // namespace tevarin
