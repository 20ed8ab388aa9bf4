// Rebuilding a stored page into the hit-page template with its matches
// marked.
//
// A hit page is P1 + title + P2 + narrow cell + P3 + wide cell + P4: the
// page's text cell always goes into the wide cell (450 pixels) and the other
// cell, the margin, into the narrow one (80 pixels), whatever the parity of
// the page number. The template's own "<title>" and "<TD" tags parse back
// into the same sections.
//
// The matches come from the search's own matchers run over the page's
// indexed text (store/pagetext.h), so a hit page marks exactly the
// occurrences the search counted there. Each match is given as ranges of
// indexed characters (one per segment of its keyword) and is marked by one
// numbered anchor "<a name="NNNN"></a>" before its first character and by
// highlighted spans over its text: where a range runs over markup (a line or
// title break, a note marker) each text run of it gets a span of its own
// inside that markup, so no tag is ever broken. The characters between the
// first and last character of a range are marked with them (punctuation a
// phrase runs over, the characters "?" stands for); what lies between two
// ranges of a "*" keyword is not. Overlapping matches each keep their anchor:
// a span is closed and opened again where an anchor falls inside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/pagetext.h"

namespace tevarin {

inline constexpr std::string_view kHitSpanOpen = "<b style='color:red;background:#D9D9D9;'>";
inline constexpr std::string_view kHitSpanClose = "</b>";

// Appends the anchor "<a name="%04d"></a>" for number n.
void AppendAnchor(std::string& out, int32_t n);

// Indexed characters first..last of a page (indices into PageText::chars).
struct CharRange {
  uint32_t first = 0;
  uint32_t last = 0;
};

// The matches of a hit page in anchor order: match m is ranges
// [starts[m], starts[m + 1]) (the last one runs to the end of ranges).
struct HitMarks {
  std::vector<CharRange> ranges;
  std::vector<uint32_t> starts;

  size_t Count() const { return starts.size(); }
  void Clear() {
    ranges.clear();
    starts.clear();
  }
};

// What a rendering did besides writing the page.
struct HitPageReport {
  int32_t anchors = 0;  // hit anchors written
  std::string note;     // what was left unmarked and why; empty when nothing
};

// Writes the hit page of text with marks into out (replacing what it held);
// only runs that scope reads are marked, note runs are always shown inside
// the note markers. Every range must lie in text's characters. False when
// the page would pass limit bytes: out then holds part of it.
bool RenderHitPage(const PageText& text, const HitMarks& marks, HitScope scope, std::string& out,
                   size_t limit = SIZE_MAX);

}  // namespace tevarin
