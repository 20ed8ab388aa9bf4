// Fuzz target: the page scanners and the highlighter over any page bytes and
// keyword bytes.
// Input: [u8 flags: bit 0 parity, bits 1..2 scope][u16 length][keyword bytes]
//        [page bytes: the rest].
// Checks what the formats promise: ParsePage gives three sections that parse
// back the same from the rebuilt template; SplitNotes' items joined with
// their note markers give the cell back (less an unfinished last tag);
// HighlightItem emits every item byte once plus one anchor and one span per
// counted anchor, and leaves the item's text and tags as they were; a keyword
// pass keeps the title and leaves the other cell alone, and a pass that
// marks nothing gives a rebuilt page back unchanged.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzzsupport.h"
#include "store/highlight.h"
#include "store/hitpage.h"
#include "store/pagesections.h"

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

size_t AnchorLength(int32_t n) { return 15 + std::max<size_t>(4, std::to_string(n).size()); }

// The sections put back between the tags that open and close them.
std::string Rebuild(const std::vector<HTMLNode>& nodes) {
  return "<title>" + nodes[0].text + "</title><TD height=477>" + nodes[1].text + "</TD>\t<TD>" +
         nodes[2].text + "</TD>";
}

// The text of s (every byte outside tags) and its tags (from a "<" to the
// next ">", or to the end), less the tags a mark writes: the anchor
// "<a name="NNNN">", "</a>" and the span's "<b ...>" and "</b>".
std::pair<std::string, std::vector<std::string>> TextAndTags(std::string_view s) {
  std::string text;
  std::vector<std::string> tags;
  size_t i = 0;
  while (i < s.size()) {
    if (s[i] != '<') {
      text.push_back(s[i++]);
      continue;
    }
    const size_t gt = s.find('>', i + 1);
    const size_t end = gt == std::string_view::npos ? s.size() : gt + 1;
    const std::string_view tag = s.substr(i, end - i);
    i = end;
    const bool anchor = tag.size() > 11 && tag.substr(0, 9) == "<a name=\"" &&
                        tag.substr(tag.size() - 2) == "\">" &&
                        tag.find_first_not_of("0123456789", 9) == tag.size() - 2;
    if (anchor || tag == "</a>" || tag == kHitSpanOpen || tag == kHitSpanClose) continue;
    tags.emplace_back(tag);
  }
  return {text, tags};
}

// A short byte string that does not occur in s, or "" when none of the
// candidates is missing.
std::string Absent(std::string_view s) {
  for (const char* c : {"\xE4\xB9\x8E", "\xF0\x9F\x98\x80", "\x7Fq\x7F", "zQz9"})
    if (s.find(c) == std::string_view::npos) return c;
  return {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t flags = in.U8();
  const int parity = flags & 1;
  const HitScope scope = static_cast<HitScope>((flags >> 1) % 3);
  const std::string keyword(in.Sized());
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

    for (const FilterItem& item : items) {
      std::string out = "x";
      int32_t counter = 9990;  // anchors pass 9999 into five digits
      const int matches = HighlightItem(item.text, keyword, out, counter);
      const int32_t anchors = counter - 9990;
      FUZZ_CHECK(matches >= 0 && anchors >= matches);
      size_t expect = 1 + item.text.size();
      for (int32_t n = 9990; n < counter; ++n) expect += AnchorLength(n) + kHitSpanOpen.size() + kHitSpanClose.size();
      FUZZ_CHECK(out.size() == expect);
      if (BuildSegs(keyword).empty()) FUZZ_CHECK(anchors == 0 && out == "x" + item.text);
      // Marks go between the text's bytes only: the text and every tag of
      // the item come out as they went in.
      FUZZ_CHECK(TextAndTags(std::string_view(out).substr(1)) == TextAndTags(item.text));
    }
  }

  std::string out;
  int32_t counter = 5;
  RenderKeywordPass(page, keyword, parity, scope, counter, out);
  FUZZ_CHECK(counter >= 5);
  FUZZ_CHECK(out.compare(0, kP1Start.size(), kP1Start) == 0);
  FUZZ_CHECK(out.size() >= kP4End.size() &&
             out.compare(out.size() - kP4End.size(), kP4End.size(), kP4End) == 0);
  const std::vector<HTMLNode> after = ParsePage(out);
  FUZZ_CHECK(after[0].text == nodes[0].text);
  FUZZ_CHECK(after[parity ? 1 : 2].text == nodes[parity ? 1 : 2].text);
  // A rebuilt page is a fixed point of a pass that marks nothing (a hit page
  // passes such keywords by).
  const std::string none = Absent(out);
  if (!none.empty()) {
    std::string again;
    int32_t n = counter;
    FUZZ_CHECK(RenderKeywordPass(out, none, parity, scope, n, again));
    FUZZ_CHECK(again == out && n == counter);
  }
  // A bound of the page's size keeps it; one byte less does not.
  std::string bounded;
  int32_t m = 5;
  FUZZ_CHECK(RenderKeywordPass(page, keyword, parity, scope, m, bounded, out.size()));
  FUZZ_CHECK(bounded == out && m == counter);
  bounded.clear();
  m = 5;
  FUZZ_CHECK(!RenderKeywordPass(page, keyword, parity, scope, m, bounded, out.size() - 1));
  return 0;
}
