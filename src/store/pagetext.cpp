#include "store/pagetext.h"

#include <cstring>

#include "text/codeconverter.h"
#include "text/indexedchars.h"

namespace tevarin {

namespace {

// The code point of the entity that starts at s[i] ("&" ... ";", at most 10
// bytes apart) and its length, or 0 when none starts there.
uint32_t EntityAt(std::string_view s, size_t i, size_t& length) {
  const size_t semi = s.find(';', i);
  if (semi == std::string_view::npos || semi - i > 10) return 0;
  const std::string_view name = s.substr(i + 1, semi - i - 1);
  length = semi + 1 - i;
  if (name == "amp") return '&';
  if (name == "lt") return '<';
  if (name == "gt") return '>';
  if (name == "quot") return '"';
  if (name == "apos") return '\'';
  if (name.size() < 2 || name[0] != '#') return 0;
  const bool hex = name[1] == 'x' || name[1] == 'X';
  const size_t first = hex ? 2 : 1;
  if (name.size() <= first) return 0;
  uint32_t v = 0;
  for (size_t k = first; k < name.size(); ++k) {
    const char c = name[k];
    const int d = c >= '0' && c <= '9'                                    ? c - '0'
                  : hex && (c | 0x20) >= 'a' && (c | 0x20) <= 'f' ? (c | 0x20) - 'a' + 10
                                                                          : -1;
    if (d < 0 || v > 0x10FFFF) return 0;
    v = v * (hex ? 16 : 10) + static_cast<uint32_t>(d);
  }
  if (v == 0 || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
  return v;
}

// Appends the characters of [from, to) of s, a stretch without tags.
void DecodeText(std::string_view s, size_t from, size_t to, std::vector<RunChar>& out) {
  const std::string_view text = s.substr(0, to);
  for (size_t i = from; i < to;) {
    uint32_t cp = 0;
    size_t n = 1;
    if (text[i] == '&') {
      cp = EntityAt(text, i, n);
      if (!cp) {
        cp = '&';
        n = 1;
      }
    } else if (!DecodeUtf8Char(text, i, cp, n)) {
      cp = static_cast<unsigned char>(text[i]);
      n = 1;
    }
    out.push_back(RunChar{cp, static_cast<uint32_t>(i), static_cast<uint32_t>(i + n)});
    i += n;
  }
}

}  // namespace

void DecodeRunText(std::string_view run, std::vector<RunChar>& out) {
  size_t at = 0;
  while (at < run.size()) {
    const void* lt = std::memchr(run.data() + at, '<', run.size() - at);
    const size_t open = lt ? static_cast<size_t>(static_cast<const char*>(lt) - run.data()) : run.size();
    DecodeText(run, at, open, out);
    if (open == run.size()) break;
    const size_t close = run.find('>', open + 1);
    if (close == std::string_view::npos) break;
    at = close + 1;
  }
}

std::vector<uint32_t> PageText::ScopeChars(HitScope scope) const {
  std::vector<uint32_t> out;
  out.reserve(chars.size());
  for (size_t i = 0; i < chars.size(); ++i)
    if (ScopeReads(scope, IsNote(chars[i]))) out.push_back(static_cast<uint32_t>(i));
  return out;
}

PageText ReadPageText(std::string_view page, int32_t pageNumber) {
  PageText text;
  text.sections = ParsePage(page);
  text.textSection = TextSectionOf(pageNumber);
  text.runs = SplitNotes(text.sections[static_cast<size_t>(text.textSection)].text);
  std::vector<RunChar> decoded;
  for (size_t r = 0; r < text.runs.size(); ++r) {
    decoded.clear();
    DecodeRunText(text.runs[r].text, decoded);
    for (const RunChar& c : decoded)
      if (IsIndexedCharacter(c.codePoint))
        text.chars.push_back(PageChar{c.codePoint, static_cast<uint32_t>(r), c.begin, c.end});
  }
  return text;
}

}  // namespace tevarin
