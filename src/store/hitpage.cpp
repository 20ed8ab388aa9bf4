#include "store/hitpage.h"

#include <algorithm>

#include "store/highlight.h"
#include "store/pagesections.h"

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

}  // namespace

bool RenderKeywordPass(std::string_view page, std::string_view keyword, int parity,
                       HitScope scope, int32_t& counter, std::string& out, size_t limit) {
  std::vector<HTMLNode> nodes = ParsePage(page);
  HTMLNode& cell = nodes[parity ? 2 : 1];
  const std::vector<FilterItem> items = SplitNotes(cell.text);
  const std::vector<Seg> segs = BuildSegs(keyword);
  // The whole text marks every item, Body only body items, Notes only note
  // items; notes are always shown, inside the note markers.
  const bool markBody = scope != HitScope::Notes;
  const bool markNotes = scope != HitScope::Body;
  // The page around the cell: the new cell text may take the rest of limit.
  const size_t fixed = out.size() + kP1.size() + kP2.size() + kP3.size() + kP4.size() +
                       nodes[0].text.size() + nodes[1].text.size() + nodes[2].text.size() -
                       cell.text.size();
  if (fixed > limit) return false;
  const size_t cellLimit = limit - fixed;
  std::string text;
  text.reserve(std::min(cellLimit, cell.text.size() + cell.text.size() / 2 + 1024));
  for (const FilterItem& item : items) {
    if (item.kind == 1) text.append(kNoteOpen);
    if (item.kind == 1 ? markNotes : markBody)
      HighlightItem(item.text, segs, text, counter, cellLimit);
    else
      text.append(item.text);
    if (item.kind == 1) text.append(kNoteClose);
    if (text.size() > cellLimit) return false;
  }
  cell.text.swap(text);
  out.reserve(out.size() + kP1.size() + kP2.size() + kP3.size() + kP4.size() +
              nodes[0].text.size() + nodes[1].text.size() + nodes[2].text.size());
  out.append(kP1);
  out.append(nodes[0].text);
  out.append(kP2);
  out.append(nodes[1].text);
  out.append(kP3);
  out.append(nodes[2].text);
  out.append(kP4);
  return true;
}

}  // namespace tevarin
