// Laying a volume out into stored pages.
//
// A stored page is a complete UTF-8 HTML document:
//   <html><head><meta charset><title>BOOK　VOLUME　第N頁</title><style></head><body>
//   <table class="page"><tr><TD class="text">…</TD><TD class="margin">…</TD></tr></table>
// with the two cells swapped on odd pages: the text cell is the first <TD on
// even page numbers and the second on odd ones; the margin cell carries the
// book, the volume and the page number. In the text cell a heading is an
// <h4>, the byline a <p class="by">, a line or paragraph a <p>; note runs are
// wrapped in <font size=-1 color="#993366"> … </font> and hold no other font
// tag. Text is escaped (&, <, >), so no markup comes from the corpus.
#include "pagelayout.h"

#include <cstdio>

#include "store/pagesections.h"

namespace {

struct Run {
  std::string text;  // raw text (not escaped)
  bool note = false;
};

enum class BlockKind { Heading, Byline, Paragraph };

struct Block {
  BlockKind kind = BlockKind::Paragraph;
  std::vector<Run> runs;
};

// Number of characters of UTF-8 text.
size_t CharCount(const std::string& s) { return Utf8Length(s); }

// Byte offset of the character number `chars` in s.
size_t ByteOffset(const std::string& s, size_t chars) {
  size_t i = 0;
  while (i < s.size() && chars > 0) {
    ++i;
    while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
    --chars;
  }
  return i;
}

// Cuts a line into body and note runs: every outermost full-width
// parenthesised annotation （…）, nested ones included, is a note run. An
// opening parenthesis without its closing one stays body text.
std::vector<Run> SplitAnnotations(const std::string& line, bool note) {
  static const std::string open = "（", close = "）";
  std::vector<Run> runs;
  if (note) {
    runs.push_back({line, true});
    return runs;
  }
  size_t pos = 0;  // start of the text not yet emitted
  size_t i = 0;
  while (true) {
    const size_t a = line.find(open, i);
    if (a == std::string::npos) break;
    int depth = 0;
    size_t j = a, end = std::string::npos;
    while (j < line.size()) {
      if (line.compare(j, open.size(), open) == 0) {
        ++depth;
        j += open.size();
      } else if (line.compare(j, close.size(), close) == 0) {
        j += close.size();
        if (--depth == 0) {
          end = j;
          break;
        }
      } else {
        ++j;
      }
    }
    if (end == std::string::npos) break;
    if (a > pos) runs.push_back({line.substr(pos, a - pos), false});
    runs.push_back({line.substr(a, end - a), true});
    pos = i = end;
  }
  if (pos < line.size()) runs.push_back({line.substr(pos), false});
  return runs;
}

size_t BlockChars(const Block& b) {
  size_t n = 0;
  for (const Run& r : b.runs) n += CharCount(r.text);
  return n;
}

std::string RenderBlock(const Block& b) {
  std::string out = b.kind == BlockKind::Heading ? "<h4>" : b.kind == BlockKind::Byline ? "<p class=\"by\">" : "<p>";
  for (const Run& r : b.runs) {
    if (r.note) out += std::string(kNoteOpen);
    out += EscapeHtml(r.text);
    if (r.note) out += std::string(kNoteClose);
  }
  out += b.kind == BlockKind::Heading ? "</h4>" : "</p>";
  return out;
}

// Splits a block after `chars` characters: the head fills the page, the tail
// flows on to the next.
std::pair<Block, Block> SplitBlock(const Block& b, size_t chars) {
  Block head{b.kind, {}}, tail{b.kind, {}};
  for (const Run& r : b.runs) {
    const size_t n = CharCount(r.text);
    if (chars >= n) {
      head.runs.push_back(r);
      chars -= n;
    } else if (chars > 0) {
      const size_t cut = ByteOffset(r.text, chars);
      head.runs.push_back({r.text.substr(0, cut), r.note});
      tail.runs.push_back({r.text.substr(cut), r.note});
      chars = 0;
    } else {
      tail.runs.push_back(r);
    }
  }
  return {head, tail};
}

std::string PageHtml(const std::string& book, const std::string& volume, int pageNo,
                     const std::string& text) {
  char num[32];
  std::snprintf(num, sizeof num, "%d", pageNo);
  const std::string title = EscapeHtml(book) + "　" + EscapeHtml(volume) + "　第" + num + "頁";
  const std::string textCell =
      "<TD class=\"text\" valign=\"top\">" + text + "</TD>";
  const std::string marginCell = "<TD class=\"margin\" valign=\"top\">" + EscapeHtml(book) + "<br>" +
                                 EscapeHtml(volume) + "<br>" + num + "</TD>";
  std::string html =
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">"
      "<title>" + title + "</title>"
      "<style>body{background:#faf3e0;color:#2b1a0e;font-family:\"Noto Serif CJK JP\",\"HanaMinA\",\"HanaMinB\",serif;}"
      "table.page{margin:1em auto;border-collapse:collapse;}td.text{width:36em;padding:1em 2em;"
      "line-height:1.9;font-size:17px;border:1px solid #d6c092;background:#fffaf0;}"
      "td.margin{width:4em;padding:1em .5em;color:#8a6a42;font-size:13px;text-align:center;}"
      "h4{color:#7a1f12;margin:.6em 0 .2em;}p{margin:.15em 0;}p.by{text-align:right;color:#5a4632;}</style></head><body>"
      "<table class=\"page\"><tr>";
  // Even pages carry the text in the first cell, odd pages in the second.
  html += pageNo % 2 == 0 ? textCell + marginCell : marginCell + textCell;
  html += "</tr></table></body></html>";
  return html;
}

}  // namespace

std::string EscapeHtml(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += c;
    }
  }
  return out;
}

std::vector<std::string> LayOutVolume(const std::string& book, const Volume& volume,
                                      size_t pageChars) {
  std::vector<Block> blocks;
  auto add = [&](BlockKind kind, const std::string& text, bool note) {
    if (!text.empty()) blocks.push_back({kind, SplitAnnotations(text, note)});
  };
  // A byline is shown where the author changes, as a printed collection
  // names a poet once above his poems.
  const std::string* lastByline = nullptr;
  for (const Work& w : volume.works) {
    add(BlockKind::Heading, w.title, false);
    if (!lastByline || *lastByline != w.byline) add(BlockKind::Byline, w.byline, false);
    lastByline = &w.byline;
    for (const std::string& n : w.notesBefore) add(BlockKind::Paragraph, n, true);
    for (const std::string& l : w.lines) add(BlockKind::Paragraph, l, false);
    for (const std::string& n : w.notesAfter) add(BlockKind::Paragraph, n, true);
  }
  // A heading needs room for a few lines after it; a block is not split
  // when only a sliver of it would go to either page.
  const size_t minRoom = pageChars / 10, minTail = pageChars / 20;
  std::vector<std::string> pages;
  std::string text;
  size_t used = 0;
  auto flush = [&] {
    pages.push_back(PageHtml(book, volume.title, static_cast<int>(pages.size()) + 1, text));
    text.clear();
    used = 0;
  };
  for (size_t i = 0; i < blocks.size(); ++i) {
    Block b = blocks[i];
    size_t n = BlockChars(b);
    // A heading never ends a page.
    if (b.kind == BlockKind::Heading && used > 0 && used + n + minRoom > pageChars) flush();
    while (used + n > pageChars) {
      const size_t room = pageChars - used;
      // Short remainders move whole to the next page.
      if (room < minRoom || n - room < minTail) {
        if (used == 0) break;
        flush();
        continue;
      }
      auto [head, tail] = SplitBlock(b, room);
      text += RenderBlock(head);
      flush();
      b = tail;
      n = BlockChars(b);
    }
    text += RenderBlock(b);
    used += n;
  }
  if (!text.empty() || pages.empty()) flush();
  return pages;
}
