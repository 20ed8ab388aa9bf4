#include "pagelayout.h"

#include <algorithm>
#include <cstdint>

#include "store/pagesections.h"

namespace tevarin {

namespace {

// Width units: a body character is 4 units wide, a note character 3 (notes
// are set in a smaller font).
constexpr int kBodyUnits = 4;
constexpr int kNoteUnits = 3;
// How far back from the end of a page a cut looks for a punctuation mark.
constexpr int kCutLookBack = 12;

// The length of the UTF-8 sequence starting at s[i] (1 for a stray byte).
size_t SequenceLength(std::string_view s, size_t i) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
  if (i + n > s.size()) return 1;
  for (size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 1;
  return n;
}

bool IsCutAfter(std::string_view ch) {
  static const std::string_view kMarks[] = {"，", "。", "；", "：", "！", "？", "、",
                                            "」", "』", "）", "》", ",", ".", ";"};
  return std::find(std::begin(kMarks), std::end(kMarks), ch) != std::end(kMarks);
}

enum class Tag { H4, P, Byline };

// A paragraph being set: its runs and how far they have been set on earlier
// pages. A cut only moves the start forward, and the width still to set is
// kept as a running figure, so a paragraph of any length is set in time
// proportional to its length.
struct Paragraph {
  Tag tag = Tag::P;
  std::vector<TextRun> runs;
  size_t run = 0;      // the first run not yet set
  size_t offset = 0;   // bytes of runs[run] already set
  int64_t units = 0;   // width of what is not yet set
};

int64_t UnitsOf(const TextRun& r, size_t from) {
  int64_t chars = 0;
  for (size_t i = from; i < r.text.size(); i += SequenceLength(r.text, i)) ++chars;
  return chars * (r.note ? kNoteUnits : kBodyUnits);
}

// Lines a paragraph takes; a title takes one more for the space around it.
int64_t LinesOf(const Paragraph& p, const LayoutOptions& o) {
  const int64_t lineUnits = int64_t{std::max(1, o.lineWidth)} * kBodyUnits;
  const int64_t lines = std::max<int64_t>(1, (p.units + lineUnits - 1) / lineUnits);
  return p.tag == Tag::H4 ? lines + 1 : lines;
}

// Moves p's start past its fully set runs.
void SkipSetRuns(Paragraph& p) {
  while (p.run < p.runs.size() && p.offset >= p.runs[p.run].text.size()) {
    ++p.run;
    p.offset = 0;
  }
}

// Cuts the head off p that takes at most budget units; the rest stays in p.
// The cut falls after a punctuation mark among the last kCutLookBack
// characters that fit, if there is one. False when not even one character
// fits. Looks at no more of p than fits in the budget.
bool CutParagraph(Paragraph& p, int64_t budget, Paragraph& head) {
  struct Pos {
    size_t run, offset;
    int64_t used;
    bool markBefore;
  };
  std::vector<Pos> cuts;  // positions after each character that fits
  int64_t used = 0;
  for (size_t r = p.run; r < p.runs.size(); ++r) {
    const std::string& t = p.runs[r].text;
    const int w = p.runs[r].note ? kNoteUnits : kBodyUnits;
    for (size_t i = r == p.run ? p.offset : 0; i < t.size();) {
      const size_t n = SequenceLength(t, i);
      if (used + w > budget) goto done;
      used += w;
      i += n;
      cuts.push_back({r, i, used, IsCutAfter(std::string_view(t).substr(i - n, n))});
    }
  }
done:
  if (cuts.empty()) return false;
  size_t pick = cuts.size() - 1;
  for (size_t k = cuts.size(); k-- > 0 && cuts.size() - k <= static_cast<size_t>(kCutLookBack);)
    if (cuts[k].markBefore) {
      pick = k;
      break;
    }
  const Pos at = cuts[pick];
  head = Paragraph{};
  head.tag = p.tag;
  for (size_t r = p.run; r <= at.run; ++r) {
    const TextRun& src = p.runs[r];
    const size_t from = r == p.run ? p.offset : 0;
    const size_t to = r == at.run ? at.offset : src.text.size();
    head.runs.push_back({src.note, src.text.substr(from, to - from)});
  }
  head.units = at.used;
  p.run = at.run;
  p.offset = at.offset;
  p.units -= at.used;
  SkipSetRuns(p);
  if (p.tag == Tag::H4) p.tag = Tag::P;  // the rest of a cut title is no new title
  return true;
}

// Writes what is not yet set of p.
void AppendParagraph(std::string& cell, const Paragraph& p) {
  cell += p.tag == Tag::H4 ? "<h4>" : p.tag == Tag::Byline ? "<p><span class=\"au\">" : "<p>";
  for (size_t r = p.run; r < p.runs.size(); ++r) {
    const TextRun& run = p.runs[r];
    if (run.note) cell += kNoteOpen;
    AppendEscaped(cell, std::string_view(run.text).substr(r == p.run ? p.offset : 0));
    if (run.note) cell += kNoteClose;
  }
  cell += p.tag == Tag::H4 ? "</h4>\n" : p.tag == Tag::Byline ? "</span></p>\n" : "</p>\n";
}

Paragraph ParagraphOf(const Block& b) {
  Paragraph p;
  switch (b.kind) {
    case BlockKind::Heading:
      p.tag = Tag::H4;
      p.runs.push_back({false, b.text});
      break;
    case BlockKind::Byline:
      p.tag = Tag::Byline;
      p.runs.push_back({false, b.text});
      break;
    case BlockKind::Line:
      p.runs = SplitAnnotations(b.text);
      break;
    case BlockKind::Note:
      p.runs.push_back({true, b.text});
      break;
  }
  for (const TextRun& r : p.runs) p.units += UnitsOf(r, 0);
  return p;
}

}  // namespace

std::vector<TextRun> SplitAnnotations(std::string_view line) {
  static constexpr std::string_view kOpen = "（", kClose = "）";
  std::vector<TextRun> runs;
  auto current = [&](bool note) -> std::string& {
    if (runs.empty() || runs.back().note != note) runs.push_back({note, {}});
    return runs.back().text;
  };
  int depth = 0;
  for (size_t i = 0; i < line.size();) {
    const size_t n = SequenceLength(line, i);
    const std::string_view ch = line.substr(i, n);
    if (ch == kOpen) {
      if (depth == 0) runs.push_back({true, {}});  // a new annotation, even right after one
      ++depth;
      current(true) += ch;
    } else if (depth > 0) {
      current(true) += ch;
      if (ch == "(") ++depth;
      if (ch == kClose || ch == ")") --depth;
    } else {
      current(false) += ch;
    }
    i += n;
  }
  if (runs.empty()) runs.push_back({false, {}});
  return runs;
}

void AppendEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += c;
    }
  }
}

std::string PageDocument(std::string_view book, std::string_view volume, int pageNumber,
                         std::string_view textCell) {
  const std::string number = std::to_string(pageNumber);
  std::string margin = "<TD class=\"margin\">";
  AppendEscaped(margin, book);
  margin += "<br>";
  AppendEscaped(margin, volume);
  margin += "<br>" + number + "</TD>";
  std::string text = "<TD class=\"text\">\n";
  text += textCell;
  text += "</TD>";

  std::string page;
  page.reserve(textCell.size() + 1024);
  page += "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">";
  page += "<title>";
  AppendEscaped(page, book);
  page += " ";
  AppendEscaped(page, volume);
  page += " " + number + "</title>\n";
  // Presentation only; everything outside the title and the cells is dropped
  // when a page is taken apart for a hit page.
  page +=
      "<style>body{background:#fbf8ef;margin:0}"
      "table.leaf{margin:1em auto;border-collapse:collapse;border:1px solid #c9b98f}"
      "td{vertical-align:top}"
      "td.text{width:34em;padding:1em 2em;font-family:'Noto Serif CJK TC','Noto Serif CJK JP',serif;"
      "font-size:large;line-height:1.8}"
      "td.margin{width:4em;padding:1em .5em;text-align:center;color:#7a5c3a;background:#f3ecd8}"
      "h4{margin:.8em 0 .2em}p{margin:0 0 .3em}span.au{display:block;text-align:right}"
      "</style></head>\n<body><table class=\"leaf\"><tr>";
  // Even page numbers: text cell first; odd: second.
  if (pageNumber % 2 == 0)
    page += text + margin;
  else
    page += margin + text;
  page += "</tr></table></body></html>\n";
  return page;
}

std::vector<std::string> LayoutVolume(const Volume& volume, const LayoutOptions& options) {
  const int64_t capacity = std::max(3, options.linesPerPage);
  const int64_t lineUnits = int64_t{std::max(1, options.lineWidth)} * kBodyUnits;
  std::vector<std::string> pages;
  std::string cell;
  int64_t used = 0;
  auto flush = [&] {
    if (used == 0) return;
    pages.push_back(std::move(cell));
    cell.clear();
    used = 0;
  };
  for (size_t b = 0; b < volume.blocks.size(); ++b) {
    Paragraph p = ParagraphOf(volume.blocks[b]);
    int64_t lines = LinesOf(p, options);
    // A title or byline is kept with at least two lines of what follows.
    if ((p.tag == Tag::H4 || p.tag == Tag::Byline) && used > 0 && used + lines + 2 > capacity)
      flush();
    while (used + lines > capacity) {
      const int64_t remaining = capacity - used;
      // Cut only where at least two lines are left, or on an empty page (the
      // paragraph is longer than a page).
      if (used == 0 || remaining >= 2) {
        const int64_t budget = (p.tag == Tag::H4 ? remaining - 1 : remaining) * lineUnits;
        Paragraph head;
        if (budget > 0 && CutParagraph(p, budget, head)) {
          AppendParagraph(cell, head);
          used = capacity;
          flush();
          lines = LinesOf(p, options);
          continue;
        }
      }
      if (used == 0) break;  // nothing fits on an empty page: set it whole
      flush();
    }
    AppendParagraph(cell, p);
    used += lines;
  }
  flush();
  return pages;
}

}  // namespace tevarin
