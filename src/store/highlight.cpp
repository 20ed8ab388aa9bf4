#include "store/highlight.h"

#include <cstdio>

std::vector<Seg> BuildSegs(std::string_view keyword) {
  std::vector<Seg> segs;
  size_t pos = 0;
  while (pos <= keyword.size()) {
    size_t star = keyword.find('*', pos);
    if (star == std::string_view::npos) star = keyword.size();
    if (star > pos) {
      const std::string_view piece = keyword.substr(pos, star - pos);
      segs.push_back(Seg{pos == 0 ? 2 : 0, {}, 0});
      int q = 1;
      size_t p = 0;
      while (p < piece.size()) {
        size_t question = piece.find('?', p);
        if (question == std::string_view::npos) question = piece.size();
        if (question != p) {
          segs.back().bytes.append(piece.substr(p, question - p));
          segs.back().gap = q;
          segs.push_back(Seg{1, {}, 0});
          q = 1;
        } else {
          ++q;
        }
        p = question + 1;
      }
      segs.pop_back();  // the unfilled last one
    }
    pos = star + 1;
  }
  return segs;
}

void AppendAnchor(std::string& out, int32_t n) {
  char buf[48];
  const int len = std::snprintf(buf, sizeof buf, "<a name=\"%04d\"></a>", n);
  out.append(buf, static_cast<size_t>(len));
}

int HighlightItem(std::string_view item, std::string_view keyword, std::string& out,
                  int32_t& counter) {
  const std::vector<Seg> segs = BuildSegs(keyword);
  if (segs.empty()) {
    out.append(item);
    return 0;
  }
  const size_t E = item.size();
  auto find = [&](std::string_view what, size_t from) {
    const size_t at = item.find(what, from);
    return at == std::string_view::npos ? E : at;
  };
  std::vector<size_t> rec;
  rec.reserve(segs.size());
  size_t m = 0, j = 0;
  int count = 0;
  while (m < E) {
    rec.clear();
    for (const Seg& s : segs) {
      const size_t len = s.bytes.size();
      auto pastMatch = [&]() { j = j + len < E ? j + len : E; };
      if (s.kind == 2) {
        j = find(s.bytes, j);
        if (j != E) {
          rec.push_back(j);
          pastMatch();
        }
      } else if (s.kind == 0) {
        if (j == E) continue;
        const size_t g = j;
        j = find(s.bytes, g);
        const size_t P = find("<p>", g);
        const size_t H = find("<h4>", g);
        if (P < j) {
          j = P + 3 < E ? P + 3 : E;
        } else if (H < j) {
          j = H + 4 < E ? H + 4 : E;
        } else if (j != E) {
          rec.push_back(j);
          pastMatch();
        }
      } else {
        const size_t skip = 3 * static_cast<size_t>(s.gap);
        if (j == E || j + skip >= E) continue;
        const size_t g = j + skip;
        j = find(s.bytes, g);
        if (j == g) {
          rec.push_back(j);
          pastMatch();
        } else if (j != E) {
          j = g - skip;
        }
      }
    }
    if (rec.size() == segs.size()) {
      ++count;
      out.append(item.substr(m, rec[0] - m));
      for (size_t i = 0; i < segs.size(); ++i) {
        const size_t r = rec[i], len = segs[i].bytes.size();
        AppendAnchor(out, counter++);
        out.append(kHitSpanOpen);
        out.append(item.substr(r, len));
        out.append(kHitSpanClose);
        if (i + 1 < segs.size()) {
          const std::string_view between = item.substr(r + len, rec[i + 1] - (r + len));
          if (segs[i + 1].kind == 0) {
            out.append(between);
          } else {
            out.append(kHitSpanOpen);
            AppendAnchor(out, counter++);
            out.append(between);
            out.append(kHitSpanClose);
          }
        }
      }
    } else {
      out.append(item.substr(m, j - m));
    }
    m = j;
  }
  return count;
}
