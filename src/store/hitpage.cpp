#include "store/hitpage.h"

#include <set>

#include "text/codeconverter.h"
#include "store/filelist.h"
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

void RenderKeywordPass(std::string_view page, std::string_view keyword, int parity,
                       int32_t scope, int32_t& counter, std::string& out) {
  std::vector<HTMLNode> nodes = ParsePage(page);
  HTMLNode& cell = nodes[parity ? 2 : 1];
  const std::vector<FilterItem> items = SplitNotes(cell.text);
  const std::vector<Seg> segs = BuildSegs(keyword);
  // Scope 0 marks every item, 1 only body items, 2 only note items; notes are
  // always shown, inside the note markers.
  const bool markBody = scope != kScopeNotes;
  const bool markNotes = scope != kScopeBody;
  std::string text;
  text.reserve(cell.text.size() + cell.text.size() / 2 + 1024);
  for (const FilterItem& item : items) {
    if (item.kind == 1) text.append(kNoteOpen);
    if (item.kind == 1 ? markNotes : markBody)
      HighlightItem(item.text, segs, text, counter);
    else
      text.append(item.text);
    if (item.kind == 1) text.append(kNoteClose);
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
}

int32_t CFileList::RenderHitPage(int32_t index, std::string& out, std::u16string_view keywords,
                                 int32_t scope) const {
  if (!m_open) return 0;
  PageRecord rec;
  std::string current;
  bool readable = ReadRecord(index, rec);
  if (readable) {
    current.resize(static_cast<size_t>(rec.length));
    readable = ReadPage(index, current.data(), current.size());
  }
  if (!readable) {
    // An unreadable record renders nothing rather than a stale or partial page.
    out.clear();
    return 0;
  }
  if (keywords.empty()) return 0;
  int32_t pageNo = 0;
  if (!PageNumberFromName(rec.name, pageNo)) pageNo = 0;
  const int parity = pageNo % 2 != 0 ? 1 : 0;  // negative odd numbers count as odd too
  int32_t counter = 0;
  std::set<std::string> processed;
  auto isSeparator = [](char16_t c) { return c == u' ' || c == u'\u3000'; };
  size_t i = 0;
  while (i < keywords.size()) {
    while (i < keywords.size() && isSeparator(keywords[i])) ++i;
    size_t j = i;
    while (j < keywords.size() && !isSeparator(keywords[j])) ++j;
    if (j > i) {
      std::string bytes;
      ConvertUtf16ToUtf8(keywords.substr(i, j - i), bytes, true);
      if (processed.insert(bytes).second) {
        out.clear();
        RenderKeywordPass(current, bytes, parity, scope, counter, out);
        current.assign(out);
      }
    }
    i = j;
  }
  return counter;
}

}  // namespace tevarin
