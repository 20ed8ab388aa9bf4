// Laying a volume out into stored pages (the page shape is described in
// pagelayout.cpp): about one printed page of text each, long texts flowing on
// to the next page.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "corpus.h"

inline constexpr size_t kPageCharacters = 420;  // about one printed page

// The pages of one volume, page numbers 1, 2, ...; pageChars is the number of
// characters of text a page holds.
std::vector<std::string> LayOutVolume(const std::string& book, const Volume& volume,
                                      size_t pageChars = kPageCharacters);

// HTML-escapes &, < and >.
std::string EscapeHtml(const std::string& text);
