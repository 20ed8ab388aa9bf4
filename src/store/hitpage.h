// Rebuilding a stored page into the hit-page template with a keyword marked.
//
// A rebuilt page is P1 + title + P2 + first text cell + P3 + second text cell
// + P4; the template's own "<title>" and "<TD" tags parse back into the same
// three sections, so passes can be chained. The text cell is the first for
// even page numbers, the second for odd ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tevarin {

// Which runs of the text cell a hit page marks, with the numbers the form
// passes: the whole text, body runs only or note runs only (another number
// marks the whole text). Note runs are always shown.
enum class HitScope : int32_t { WholeText = 0, Body = 1, Notes = 2 };

// What a rendering did besides writing the page.
struct HitPageReport {
  int32_t anchors = 0;  // hit anchors written
  std::string note;     // what was left unmarked and why; empty when nothing
};

// One highlighting pass of keyword (UTF-8) over page; appends to out. False
// when out would grow past limit bytes: out then holds part of a page and the
// counter has advanced for anchors it holds; the caller drops both.
bool RenderKeywordPass(std::string_view page, std::string_view keyword, int parity,
                       HitScope scope, int32_t& counter, std::string& out,
                       size_t limit = SIZE_MAX);

// The most work the passes of one hit page may do, in bytes of page passed
// over: a pass reads and rebuilds the whole page, and a keyword string can
// hold thousands of keywords (variant forms). Far above what a stored page of
// text needs; keywords past it are not marked.
inline constexpr size_t kHitPageWork = size_t(256) << 20;

}  // namespace tevarin
