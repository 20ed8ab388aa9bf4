// Markup of rendered hit pages, spelled out independently of the renderer so
// that the tests compare whole pages byte for byte.
#pragma once

#include <cstdio>
#include <string>

namespace tevarin {

namespace hitpage_markup {

inline const std::string P1 =
    "<html><head>\t\t<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\"><title>";
inline const std::string P2 =
    "</title></head><div align=\"center\"><center><BODY>\t\t<TABLE border=1 cellPadding=0 "
    "cellSpacing=1 class=wd_gray height=477 width=635 bordercolor=\"#FFCC66\">\t\t<tr>  <TD "
    "height=477 width=80 vAlign=top align=\"center\" background=\"../Back.gif\">";
inline const std::string P3 = "</TD>\t\t<TD height=477 width=450 vAlign=top align=\"center\">";
inline const std::string P4 = "</TD> \t\t</tr></table></div></div>\t\t</center></BODY></html>";
// Note markers and the highlight span.
inline const std::string NO = "<font size=-1 color=\"#993366\">", NC = "</font>";
inline const std::string B = "<b style='color:red;background:#D9D9D9;'>", BE = "</b>";

// Anchor number n.
inline std::string A(int n) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "<a name=\"%04d\"></a>", n);
  return buf;
}
// A plain hit: anchor n, then the span around s.
inline std::string Hit(int n, const std::string& s) { return A(n) + B + s + BE; }
// A whole rebuilt page.
inline std::string Page(const std::string& title, const std::string& cell1, const std::string& cell2) {
  return P1 + title + P2 + cell1 + P3 + cell2 + P4;
}

}  // namespace hitpage_markup

}  // namespace tevarin
