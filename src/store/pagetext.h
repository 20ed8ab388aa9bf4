// A stored page's text as the index reads it.
//
// The page is cut into its sections (ParsePage) and its text cell (the first
// cell for even page numbers, the second for odd ones and pages without a
// number) into body and note runs (SplitNotes). In each run the tags are
// skipped and the entities decoded (&amp; &lt; &gt; &quot; &apos; and
// numeric ones); the characters that are left are the page's text, and the
// indexed ones among them (text/indexedchars.h: letters and ideographs) are
// its indexed text. Positions count the indexed characters of a scope from 0:
//   whole text  body and note runs, in page order;
//   body        body runs only;
//   notes       note runs only.
// The collection builder indexes exactly these characters, and the hit page
// finds and marks its matches over them, so the two always agree.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "store/pagesections.h"

namespace tevarin {

// Which runs of the text cell a scope reads, with the numbers the form
// passes: the whole text, body runs only or note runs only (another number
// reads the whole text).
enum class HitScope : int32_t { WholeText = 0, Body = 1, Notes = 2 };

inline bool ScopeReads(HitScope scope, bool noteRun) {
  if (scope == HitScope::Body) return !noteRun;
  if (scope == HitScope::Notes) return noteRun;
  return true;
}

// One character of a run: its code point and the bytes [begin, end) of the
// run's text it stands for (a UTF-8 sequence, an entity, or one byte that
// starts no well-formed sequence, which stands for its own value).
struct RunChar {
  uint32_t codePoint = 0;
  uint32_t begin = 0;
  uint32_t end = 0;
};

// Appends every character of a run's text to out, tags skipped (a tag runs
// from "<" to the next ">"; one without ">" runs to the end) and entities
// decoded.
void DecodeRunText(std::string_view run, std::vector<RunChar>& out);

// An indexed character of the text cell: its code point, its run and its
// bytes in that run's text.
struct PageChar {
  uint32_t codePoint = 0;
  uint32_t run = 0;
  uint32_t begin = 0;
  uint32_t end = 0;
};

struct PageText {
  std::vector<HTMLNode> sections;  // [0] title, [1] first cell, [2] second cell
  int textSection = 1;             // the text cell: 1 or 2
  std::vector<FilterItem> runs;    // the text cell's body (kind 0) and note (kind 1) runs
  std::vector<PageChar> chars;     // its indexed characters, in page order

  bool IsNote(const PageChar& c) const { return runs[c.run].kind == 1; }
  // The indexed characters of a scope in position order: position p is
  // chars[ScopeChars(scope)[p]].
  std::vector<uint32_t> ScopeChars(HitScope scope) const;
};

// The text cell's section for a page number: 1 for even numbers, 2 for odd
// ones (negative odd numbers too).
inline int TextSectionOf(int32_t pageNumber) { return pageNumber % 2 != 0 ? 2 : 1; }

PageText ReadPageText(std::string_view page, int32_t pageNumber);

}  // namespace tevarin
