// Rebuilding a stored page into the hit-page template with a keyword marked.
//
// A rebuilt page is P1 + title + P2 + first text cell + P3 + second text cell
// + P4; the template's own "<title>" and "<TD" tags parse back into the same
// three sections, so passes can be chained. The text cell is the first for
// even page numbers, the second for odd ones.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tevarin {

// Search scopes as the form passes them.
inline constexpr int32_t kScopeWholeText = 0;
inline constexpr int32_t kScopeBody = 1;
inline constexpr int32_t kScopeNotes = 2;

// One highlighting pass of keyword (UTF-8) over page; appends to out.
void RenderKeywordPass(std::string_view page, std::string_view keyword, int parity,
                       int32_t scope, int32_t& counter, std::string& out);

}  // namespace tevarin
