// Page layout: a volume's text blocks set into pages, each page a complete
// HTML document in the shape the reader expects of a stored page:
//
//   <html><head><meta ... charset=UTF-8><title>book volume page</title>
//   <style>...</style></head><body><table class="leaf"><tr>
//   <TD class="text">...text...</TD><TD class="margin">book<br>volume<br>page</TD>
//   </tr></table></body></html>
//
// The text cell is the first cell on pages with an even page number and the
// second on odd ones (the margin cell takes the other place, on the outer
// side of the leaf). In the text cell every title is an <h4>, every line or
// paragraph a <p>; author biographies, the corpus's notes and full-width
// parenthesised annotations inside a line (（…）) are note runs,
// <font size=-1 color="#993366">…</font>, holding text only. Text is written
// with &, < and > escaped and nothing else.
//
// A page holds about one printed page: a grid of kLinesPerPage lines of
// kLineWidth characters (notes in a smaller font fit more to a line). A
// paragraph that does not fit flows on to the next page, cut after a
// punctuation mark near the end of the page where there is one; a title is
// kept with the lines that follow it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "corpus.h"

namespace tevarin {

struct LayoutOptions {
  int lineWidth = 24;     // body characters to a line
  int linesPerPage = 18;  // lines to a page
};

// One run of a paragraph: body text or a note, unescaped.
struct TextRun {
  bool note = false;
  std::string text;
};

// Cuts a line into body runs and note runs: every full-width parenthesised
// annotation, brackets included, is a note run. Nested brackets stay in the
// note; an annotation that is not closed runs to the end of the line; inside
// an annotation a half-width ")" closes too (the corpus mixes them).
std::vector<TextRun> SplitAnnotations(std::string_view line);

// Appends text with &, < and > escaped.
void AppendEscaped(std::string& out, std::string_view text);

// The complete page document around a text cell's inner HTML.
std::string PageDocument(std::string_view book, std::string_view volume, int pageNumber,
                         std::string_view textCell);

// Lays out one volume; answers the text cells of its pages in order (page
// numbers from 1). A volume without blocks gives no page.
std::vector<std::string> LayoutVolume(const Volume& volume, const LayoutOptions& options = {});

}  // namespace tevarin
