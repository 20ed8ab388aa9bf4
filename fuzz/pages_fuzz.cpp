// Fuzz target: the page scanners, a page's indexed text and the hit-page
// renderer over any page bytes and any marks.
// Input: [u8 flags: bit 0 page number parity, bits 1..2 scope][u16 length]
//        [mark bytes][page bytes: the rest].
// The mark bytes pick the matches to mark: each 3 bytes give a match's
// number of ranges (1..3) and its first character; the ranges follow one
// another from there.
// Checks what the formats promise: ParsePage gives three sections that parse
// back the same from the rebuilt template; SplitNotes' items joined with
// their note markers give the cell back (less an unfinished last tag); every
// indexed character stands for bytes of its run's text, in order, outside
// tags; a hit page keeps the title, puts the margin in the narrow cell and
// the text in the wide one, writes one anchor per match, numbered once each,
// and changes neither the text nor the tags of the page (marks removed, it is
// the unmarked page); a bound of the page's size keeps it, one byte less not.
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "fuzzsupport.h"
#include "store/hitpage.h"
#include "store/pagesections.h"
#include "store/pagetext.h"
#include "text/codeconverter.h"
#include "text/indexedchars.h"

using namespace tevarin;

namespace {

constexpr std::string_view kP1Start = "<html><head>";
constexpr std::string_view kP4End = "</center></BODY></html>";

// The cell as the scanner keeps it: without a last tag that never closes.
std::string WithoutUnfinishedTag(std::string_view s) {
  size_t i = 0, keep = s.size();
  while (i < s.size()) {
    const size_t lt = s.find('<', i);
    if (lt == std::string_view::npos) break;
    const size_t gt = s.find('>', lt + 1);
    if (gt == std::string_view::npos) {
      keep = lt;
      break;
    }
    i = gt + 1;
  }
  return std::string(s.substr(0, keep));
}

// The sections put back between the tags that open and close them.
std::string Rebuild(const std::vector<HTMLNode>& nodes) {
  return "<title>" + nodes[0].text + "</title><TD height=477>" + nodes[1].text + "</TD>\t<TD>" +
         nodes[2].text + "</TD>";
}

// s without the tags a mark writes: the anchors "<a name="NNNN"></a>" and the
// span's "<b ...>" and "</b>"; the numbers of the anchors go to anchors.
std::string WithoutMarks(std::string_view s, std::vector<long>& anchors) {
  std::string out;
  size_t i = 0;
  while (i < s.size()) {
    size_t digits = 0;
    if (s.substr(i, 9) == "<a name=\"")
      while (digits < 10 && i + 9 + digits < s.size() && s[i + 9 + digits] >= '0' &&
             s[i + 9 + digits] <= '9')
        ++digits;
    if (digits >= 4 && s.substr(i + 9 + digits, 6) == "\"></a>") {
      anchors.push_back(std::stol(std::string(s.substr(i + 9, digits))));
      i += 15 + digits;
    } else if (s.substr(i, kHitSpanOpen.size()) == kHitSpanOpen) {
      i += kHitSpanOpen.size();
    } else if (s.substr(i, kHitSpanClose.size()) == kHitSpanClose) {
      i += kHitSpanClose.size();
    } else {
      out.push_back(s[i++]);
    }
  }
  return out;
}

// Every "<" closed by a ">" before the next "<".
bool TagsClose(std::string_view s) {
  bool open = false;
  for (char c : s) {
    if (c == '<') {
      if (open) return false;
      open = true;
    } else if (c == '>') {
      open = false;
    }
  }
  return !open;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t flags = in.U8();
  const int32_t pageNumber = 2 + (flags & 1);
  const HitScope scope = static_cast<HitScope>((flags >> 1) % 3);
  const std::string_view picks = in.Sized();
  const std::string_view page = in.Rest();

  const std::vector<HTMLNode> nodes = ParsePage(page);
  FUZZ_CHECK(nodes.size() == 3);
  const std::vector<HTMLNode> again = ParsePage(Rebuild(nodes));
  for (int k = 0; k < 3; ++k) FUZZ_CHECK(again[k].text == nodes[k].text);

  for (int k = 1; k <= 2; ++k) {
    const std::string& cell = nodes[k].text;
    const std::vector<FilterItem> items = SplitNotes(cell);
    FUZZ_CHECK(!items.empty() && items[0].kind == 0);
    std::string joined;
    for (size_t i = 0; i < items.size(); ++i) {
      if (items[i].kind == 1) {
        joined += kNoteOpen;
        joined += items[i].text;
        if (i + 1 < items.size() && items[i + 1].kind == 0) joined += kNoteClose;
      } else {
        joined += items[i].text;
      }
    }
    FUZZ_CHECK(joined == WithoutUnfinishedTag(cell));
  }

  // The indexed text: characters with a slot, each on bytes of its run that
  // lie outside tags, in page order.
  const PageText text = ReadPageText(page, pageNumber);
  FUZZ_CHECK(text.textSection == 1 + (pageNumber % 2));
  for (size_t i = 0; i < text.chars.size(); ++i) {
    const PageChar& c = text.chars[i];
    FUZZ_CHECK(IsIndexedCharacter(c.codePoint));
    FUZZ_CHECK(c.run < text.runs.size() && c.begin < c.end && c.end <= text.runs[c.run].text.size());
    const std::string_view bytes = std::string_view(text.runs[c.run].text).substr(c.begin, c.end - c.begin);
    FUZZ_CHECK(bytes.find('<') == std::string_view::npos && bytes.find('>') == std::string_view::npos);
    uint32_t cp = 0;
    size_t n = 0;
    if (bytes[0] != '&') FUZZ_CHECK(DecodeUtf8Char(bytes, 0, cp, n) && n == bytes.size() && cp == c.codePoint);
    if (i > 0) {
      const PageChar& p = text.chars[i - 1];
      FUZZ_CHECK(p.run < c.run || (p.run == c.run && p.end <= c.begin));
    }
  }

  // Marks: matches of one to three ranges over the characters.
  HitMarks marks;
  const uint32_t total = static_cast<uint32_t>(text.chars.size());
  for (size_t i = 0; total > 0 && i + 3 <= picks.size(); i += 3) {
    const uint8_t b0 = static_cast<uint8_t>(picks[i]);
    uint32_t at = (static_cast<uint8_t>(picks[i + 1]) | static_cast<uint8_t>(picks[i + 2]) << 8) % total;
    marks.starts.push_back(static_cast<uint32_t>(marks.ranges.size()));
    for (int r = 0; r < 1 + b0 % 3 && at < total; ++r) {
      const uint32_t last = std::min(total - 1, at + (b0 >> 2) % 5);
      marks.ranges.push_back(CharRange{at, last});
      at = last + 1 + (b0 >> 5);
    }
  }

  std::string unmarked, out;
  FUZZ_CHECK(RenderHitPage(text, HitMarks(), scope, unmarked));
  FUZZ_CHECK(RenderHitPage(text, marks, scope, out));
  for (const std::string* p : {&unmarked, &out}) {
    FUZZ_CHECK(p->compare(0, kP1Start.size(), kP1Start) == 0);
    FUZZ_CHECK(p->size() >= kP4End.size() &&
               p->compare(p->size() - kP4End.size(), kP4End.size(), kP4End) == 0);
  }
  // The title and the margin as they were, the margin in the narrow cell.
  const std::vector<HTMLNode> after = ParsePage(unmarked);
  FUZZ_CHECK(after[0].text == nodes[0].text);
  FUZZ_CHECK(after[1].text == nodes[3 - text.textSection].text);
  // One anchor per match, each number once; the marks changed nothing else
  // and broke no tag the page did not break itself.
  // (The stored page may hold such markup itself: it is in both.)
  std::vector<long> anchors, own;
  FUZZ_CHECK(WithoutMarks(out, anchors) == WithoutMarks(unmarked, own));
  std::sort(anchors.begin(), anchors.end());
  std::sort(own.begin(), own.end());
  std::vector<long> written;
  std::set_difference(anchors.begin(), anchors.end(), own.begin(), own.end(),
                      std::back_inserter(written));
  FUZZ_CHECK(written.size() == marks.Count() && anchors.size() == own.size() + written.size());
  for (size_t i = 0; i < written.size(); ++i) FUZZ_CHECK(written[i] == static_cast<long>(i));
  if (TagsClose(unmarked)) FUZZ_CHECK(TagsClose(out));

  // A bound of the page's size keeps it; one byte less does not.
  std::string bounded;
  FUZZ_CHECK(RenderHitPage(text, marks, scope, bounded, out.size()));
  FUZZ_CHECK(bounded == out);
  FUZZ_CHECK(!RenderHitPage(text, marks, scope, bounded, out.size() - 1));
  return 0;
}
