#include "pagelayout.h"

#include <cstdio>

namespace {

constexpr const char* kNoteOpen = "<font size=-1 color=\"#993366\">";
constexpr const char* kNoteClose = "</font>";

struct Run {
  std::string text;  // raw text (not escaped)
  bool note = false;
};

struct Block {
  bool heading = false;
  std::vector<Run> runs;
};

// Number of characters of UTF-8 text.
size_t CharCount(const std::string& s) {
  size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

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

// Cuts a line into body and note runs at full-width parentheses （…）.
std::vector<Run> SplitAnnotations(const std::string& line) {
  static const std::string open = "（", close = "）";
  std::vector<Run> runs;
  size_t pos = 0;
  while (pos < line.size()) {
    const size_t a = line.find(open, pos);
    if (a == std::string::npos) break;
    const size_t b = line.find(close, a + open.size());
    if (b == std::string::npos) break;
    if (a > pos) runs.push_back({line.substr(pos, a - pos), false});
    runs.push_back({line.substr(a, b + close.size() - a), true});
    pos = b + close.size();
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
  std::string out = b.heading ? "<h4>" : "<p>";
  for (const Run& r : b.runs) {
    if (r.note) out += kNoteOpen;
    out += EscapeHtml(r.text);
    if (r.note) out += kNoteClose;
  }
  out += b.heading ? "</h4>" : "</p>";
  return out;
}

// Splits a block after `chars` characters: the head fills the page, the tail
// flows on to the next.
std::pair<Block, Block> SplitBlock(const Block& b, size_t chars) {
  Block head{b.heading, {}}, tail{b.heading, {}};
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
      "h4{color:#7a1f12;margin:.6em 0 .2em;}p{margin:.15em 0;}</style></head><body>"
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

std::vector<std::string> LayOutVolume(const std::string& book, const Volume& volume) {
  std::vector<Block> blocks;
  for (const Work& w : volume.works) {
    if (!w.title.empty()) blocks.push_back({true, {{w.title, false}}});
    if (!w.author.empty()) blocks.push_back({false, {{w.author, false}}});
    for (const std::string& n : w.notes) blocks.push_back({false, {{n, true}}});
    for (const std::string& l : w.lines) blocks.push_back({false, SplitAnnotations(l)});
  }
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
    if (b.heading && used > 0 && used + n + 40 > kPageCharacters) flush();
    while (used + n > kPageCharacters) {
      const size_t room = kPageCharacters - used;
      // Short remainders move whole to the next page.
      if (room < 40 || n - room < 20) {
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
