#include "store/highlight.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace tevarin {

namespace {

constexpr std::string_view kParagraph = "<p>";
constexpr std::string_view kHeading = "<h4>";

// Where the tags of an item lie. Text never holds a "<": each "<" opens a tag
// that the next ">" closes (the page scanners keep complete tags only; a "<"
// with no ">" after it is taken to run to the end of the item).
class TagSpans {
 public:
  explicit TagSpans(std::string_view item) {
    size_t at = 0;
    while (at < item.size()) {
      const void* lt = std::memchr(item.data() + at, '<', item.size() - at);
      if (!lt) break;
      const size_t open = static_cast<size_t>(static_cast<const char*>(lt) - item.data());
      const void* gt = std::memchr(item.data() + open + 1, '>', item.size() - open - 1);
      const size_t close =
          gt ? static_cast<size_t>(static_cast<const char*>(gt) - item.data()) : item.size() - 1;
      m_open.push_back(open);
      m_close.push_back(close);
      at = close + 1;
    }
  }
  bool Empty() const { return m_open.empty(); }
  // Past the end of the tag that holds byte at, or npos when at is text.
  size_t TagEndAt(size_t at) const {
    const auto it = std::upper_bound(m_open.begin(), m_open.end(), at);
    if (it == m_open.begin()) return std::string_view::npos;
    const size_t k = static_cast<size_t>(it - m_open.begin()) - 1;
    return m_close[k] >= at ? m_close[k] + 1 : std::string_view::npos;
  }

 private:
  std::vector<size_t> m_open, m_close;  // "<" and ">" of each tag, ascending
};

// Forward search for one fixed byte string in the item, remembering its last
// answer. The matcher's scan position only moves forward, so a remembered
// occurrence at or after the new start is still the first one there; the
// item is then searched again only past it, which keeps a whole pass linear
// in the item's length however many attempts fail.
//
// A finder given the item's tags finds occurrences in the text only: one
// that begins inside a tag is passed over (and one holding a "<" would run
// into a tag), so a keyword is never marked inside markup, neither the
// page's own nor what an earlier keyword's pass inserted. The boundary tags
// "<p>" and "<h4>" are searched without them.
class Finder {
 public:
  Finder(std::string_view item, std::string_view what, const TagSpans* tags = nullptr)
      : m_item(item), m_what(what), m_tags(tags && !tags->Empty() ? tags : nullptr),
        m_never(m_tags && what.find('<') != std::string_view::npos) {}

  // First occurrence in [from, end), or the item's end when there is none.
  size_t Find(size_t from) {
    if (m_valid && from >= m_from && m_found >= from) return m_found;
    m_from = from;
    m_found = Search(from);
    m_valid = true;
    return m_found;
  }

 private:
  size_t Search(size_t from) const {
    const size_t end = m_item.size();
    if (m_never) return end;
    while (true) {
      if (from >= end || m_what.size() > end - from) return end;
      const void* at = memmem(m_item.data() + from, end - from, m_what.data(), m_what.size());
      if (!at) return end;
      const size_t found = static_cast<size_t>(static_cast<const char*>(at) - m_item.data());
      if (!m_tags) return found;
      const size_t tagEnd = m_tags->TagEndAt(found);
      if (tagEnd == std::string_view::npos) return found;
      from = tagEnd;  // every occurrence that begins inside this tag is passed over
    }
  }

  std::string_view m_item, m_what;
  const TagSpans* m_tags;
  bool m_never;  // a keyword holding "<" never lies in text
  bool m_valid = false;
  size_t m_from = 0, m_found = 0;
};

}  // namespace

std::vector<Seg> BuildSegs(std::string_view keyword) {
  std::vector<Seg> segs;
  size_t pos = 0;
  while (pos <= keyword.size()) {
    size_t star = keyword.find('*', pos);
    if (star == std::string_view::npos) star = keyword.size();
    if (star > pos) {
      const std::string_view piece = keyword.substr(pos, star - pos);
      segs.push_back(Seg{pos == 0 ? 2 : 0, {}, 0});
      // Literal runs between "?": each run fills the last Seg and opens the
      // next one (kind 1); q counts the "?" before the following run.
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
      segs.pop_back();  // the one left unfilled (a piece of only "?" leaves nothing)
    }
    pos = star + 1;
  }
  return segs;
}

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

int HighlightItem(std::string_view item, std::string_view keyword, std::string& out,
                  int32_t& counter) {
  return HighlightItem(item, BuildSegs(keyword), out, counter);
}

int HighlightItem(std::string_view item, const std::vector<Seg>& segs, std::string& out,
                  int32_t& counter, size_t limit) {
  if (segs.empty()) {
    // A keyword of only "*" and "?" has nothing to match: an empty match would
    // never move the scan forward. The item is copied unchanged.
    out.append(item);
    return 0;
  }
  const size_t end = item.size();
  const TagSpans tags(item);
  std::vector<Finder> finders;
  finders.reserve(segs.size());
  for (const Seg& s : segs) finders.emplace_back(item, s.bytes, &tags);
  Finder paragraph(item, kParagraph), heading(item, kHeading);
  // The characters a "?" stands for are text too: none of them is a tag's "<".
  auto textBetween = [&](size_t from, size_t to) {
    return tags.Empty() || std::memchr(item.data() + from, '<', to - from) == nullptr;
  };

  std::vector<size_t> rec;
  rec.reserve(segs.size());
  size_t m = 0, j = 0;
  int count = 0;
  while (m < end) {
    rec.clear();
    for (size_t k = 0; k < segs.size(); ++k) {
      const Seg& s = segs[k];
      const size_t len = s.bytes.size();
      auto recordAndPass = [&]() {
        rec.push_back(j);
        j = j + len < end ? j + len : end;
      };
      if (s.kind == 2) {
        j = finders[k].Find(j);
        if (j != end) recordAndPass();
      } else if (s.kind == 0) {
        if (j == end) continue;
        const size_t g = j;
        j = finders[k].Find(g);
        const size_t paragraphAt = paragraph.Find(g);
        const size_t headingAt = heading.Find(g);
        if (paragraphAt < j) {
          j = paragraphAt + kParagraph.size() < end ? paragraphAt + kParagraph.size() : end;
        } else if (headingAt < j) {
          j = headingAt + kHeading.size() < end ? headingAt + kHeading.size() : end;
        } else if (j != end) {
          recordAndPass();
        }
      } else {
        // Every "?" stands for one character of 3 UTF-8 bytes.
        const size_t skip = 3 * static_cast<size_t>(s.gap);
        if (j == end || skip >= end - j) continue;
        const size_t g = j + skip;
        j = finders[k].Find(g);
        if (j == g && textBetween(g - skip, g)) {
          recordAndPass();
        } else if (j != end) {
          j = g - skip;  // found further on (or after a tag): back to the end of the previous run
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
            // The characters the "?" stood for get a span and an anchor of their own.
            out.append(kHitSpanOpen);
            AppendAnchor(out, counter++);
            out.append(between);
            out.append(kHitSpanClose);
          }
        }
      }
      if (out.size() > limit) return count;  // the caller drops what was written
    } else {
      out.append(item.substr(m, j - m));
    }
    m = j;
  }
  return count;
}

}  // namespace tevarin
