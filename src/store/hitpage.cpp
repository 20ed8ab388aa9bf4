#include "store/hitpage.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <utility>

namespace tevarin {

namespace {

constexpr std::string_view kP1 =
    "<html><head>\t\t<meta http-equiv=\"Content-Type\" content=\"text/html; "
    "charset=UTF-8\"><title>";
constexpr std::string_view kP2 =
    "</title></head><div align=\"center\"><center><BODY>\t\t<TABLE border=1 cellPadding=0 "
    "cellSpacing=1 class=wd_gray height=477 width=635 bordercolor=\"#FFCC66\">\t\t<tr>  <TD "
    "height=477 width=80 vAlign=top align=\"center\" background=\"../Back.gif\">";
constexpr std::string_view kP3 = "</TD>\t\t<TD height=477 width=450 vAlign=top align=\"center\">";
constexpr std::string_view kP4 = "</TD> \t\t</tr></table></div></div>\t\t</center></BODY></html>";

// What is marked in one run: byte ranges to highlight and anchor points.
struct RunMarks {
  std::vector<std::pair<uint32_t, uint32_t>> spans;  // [begin, end)
  std::vector<std::pair<uint32_t, int32_t>> anchors;  // (byte, anchor number)
};

// Writes run with its marks to out: the spans, joined where they touch or
// overlap, are cut at tags (which stay outside every span) and at anchors
// (each anchor opens a new span); the anchors go right before their span,
// or stand alone where no span is (a match beginning in a run the scope does
// not mark).
void AppendMarkedRun(std::string_view run, RunMarks& marks, std::string& out) {
  if (marks.spans.empty() && marks.anchors.empty()) {
    out.append(run);
    return;
  }
  std::sort(marks.spans.begin(), marks.spans.end());
  std::sort(marks.anchors.begin(), marks.anchors.end());
  // The text pieces of the joined spans, cut at tags and at anchors.
  std::vector<std::pair<size_t, size_t>> pieces;
  size_t anchor = 0;
  auto cutAtAnchors = [&](size_t from, size_t to) {
    while (anchor < marks.anchors.size() && marks.anchors[anchor].first <= from) ++anchor;
    for (; anchor < marks.anchors.size() && marks.anchors[anchor].first < to; ++anchor) {
      const size_t at = marks.anchors[anchor].first;
      if (at > from) pieces.emplace_back(from, at);
      from = at;
    }
    if (from < to) pieces.emplace_back(from, to);
  };
  for (size_t i = 0; i < marks.spans.size();) {
    size_t begin = marks.spans[i].first, end = marks.spans[i].second;
    for (++i; i < marks.spans.size() && marks.spans[i].first <= end; ++i)
      end = std::max<size_t>(end, marks.spans[i].second);
    end = std::min(end, run.size());
    while (begin < end) {
      const void* lt = std::memchr(run.data() + begin, '<', end - begin);
      const size_t open = lt ? static_cast<size_t>(static_cast<const char*>(lt) - run.data()) : end;
      cutAtAnchors(begin, open);
      if (open == end) break;
      const size_t close = run.find('>', open + 1);
      begin = close == std::string_view::npos ? end : std::min(close + 1, end);
    }
  }
  size_t copied = 0;  // run[0, copied) is written
  anchor = 0;
  auto anchorsUpTo = [&](size_t at) {  // the anchors at or before at, at their places
    for (; anchor < marks.anchors.size() && marks.anchors[anchor].first <= at; ++anchor) {
      const size_t place = std::min<size_t>(std::max(copied, size_t{marks.anchors[anchor].first}), run.size());
      out.append(run.substr(copied, place - copied));
      copied = place;
      AppendAnchor(out, marks.anchors[anchor].second);
    }
  };
  for (const auto& [from, to] : pieces) {
    anchorsUpTo(from);
    out.append(run.substr(copied, from - copied));
    out.append(kHitSpanOpen);
    out.append(run.substr(from, to - from));
    out.append(kHitSpanClose);
    copied = to;
  }
  anchorsUpTo(run.size());
  out.append(run.substr(copied));
}

}  // namespace

void AppendAnchor(std::string& out, int32_t n) {
  // The number as "%04d" would write it: at least four digits with leading
  // zeros, numbers of five digits and more in full, never cut.
  char digits[16];
  const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, n < 0 ? -int64_t(n) : int64_t(n));
  const size_t len = ec == std::errc() ? static_cast<size_t>(end - digits) : 0;
  out.append("<a name=\"");
  if (n < 0) out.push_back('-');
  if (len < 4) out.append(4 - len, '0');
  out.append(digits, len);
  out.append("\"></a>");
}

bool RenderHitPage(const PageText& text, const HitMarks& marks, HitScope scope, std::string& out,
                   size_t limit) {
  // Each run's marks: the ranges of every match, cut at the runs they cross
  // (only the runs the scope reads are marked), and each match's anchor at
  // its first character.
  std::vector<RunMarks> runMarks(text.runs.size());
  for (size_t m = 0; m < marks.starts.size(); ++m) {
    const size_t from = marks.starts[m];
    const size_t to = m + 1 < marks.starts.size() ? marks.starts[m + 1] : marks.ranges.size();
    for (size_t r = from; r < to; ++r) {
      const PageChar& first = text.chars[marks.ranges[r].first];
      const PageChar& last = text.chars[marks.ranges[r].last];
      if (r == from) runMarks[first.run].anchors.emplace_back(first.begin, static_cast<int32_t>(m));
      for (uint32_t run = first.run; run <= last.run; ++run) {
        if (!ScopeReads(scope, text.runs[run].kind == 1)) continue;
        const uint32_t begin = run == first.run ? first.begin : 0;
        const uint32_t end =
            run == last.run ? last.end : static_cast<uint32_t>(text.runs[run].text.size());
        if (begin < end) runMarks[run].spans.emplace_back(begin, end);
      }
    }
  }

  const HTMLNode& title = text.sections[0];
  const HTMLNode& margin = text.sections[static_cast<size_t>(3 - text.textSection)];
  out.clear();
  out.append(kP1);
  out.append(title.text);
  out.append(kP2);
  out.append(margin.text);
  out.append(kP3);
  if (out.size() > limit) return false;
  for (size_t r = 0; r < text.runs.size(); ++r) {
    const FilterItem& run = text.runs[r];
    if (run.kind == 1) out.append(kNoteOpen);
    AppendMarkedRun(run.text, runMarks[r], out);
    if (run.kind == 1) out.append(kNoteClose);
    if (out.size() > limit) return false;
  }
  out.append(kP4);
  return out.size() <= limit;
}

}  // namespace tevarin
