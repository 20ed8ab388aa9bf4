// Laying a volume out into stored pages: complete UTF-8 HTML documents with a
// <title> and a table of two <TD cells, the text cell and the margin cell.
// The text cell is the first cell on even pages and the second on odd ones.
// Titles are <h4>, lines <p>; biographies, notes and full-width parenthesised
// annotations are note runs <font size=-1 color="#993366">…</font>.
#pragma once

#include <string>
#include <vector>

#include "corpus.h"

inline constexpr size_t kPageCharacters = 420;  // about one printed page

// The pages of one volume, page numbers 1, 2, ...
std::vector<std::string> LayOutVolume(const std::string& book, const Volume& volume);

// HTML-escapes &, < and >.
std::string EscapeHtml(const std::string& text);
