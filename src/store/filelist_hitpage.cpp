// CFileList's hit pages: a stored page rebuilt into the hit-page template
// with every keyword marked, pass after pass (store/hitpage.h).
#include <algorithm>
#include <cstring>
#include <set>

#include "store/filelist.h"
#include "store/highlight.h"
#include "store/hitpage.h"
#include "text/codeconverter.h"

namespace tevarin {

namespace {

// Whether a keyword could mark anything on a page: every one of its pieces
// occurs somewhere in the page's bytes. A keyword of only wildcards marks
// nothing.
bool MayOccur(std::string_view page, const std::vector<Seg>& segs) {
  if (segs.empty()) return false;
  for (const Seg& s : segs)
    if (page.size() < s.bytes.size() ||
        !memmem(page.data(), page.size(), s.bytes.data(), s.bytes.size()))
      return false;
  return true;
}

// A keyword as a note names it: in quotes, a long one cut after about 40
// characters (never inside a surrogate pair).
std::string Quote(std::u16string_view keyword) {
  size_t n = std::min<size_t>(keyword.size(), 40);
  if (n < keyword.size() && n > 0 && keyword[n - 1] >= 0xD800 && keyword[n - 1] <= 0xDBFF) --n;
  std::string bytes = "\"";
  ConvertUtf16ToUtf8(keyword.substr(0, n), bytes, true);
  if (n < keyword.size()) bytes += "...";
  return bytes + "\"";
}

}  // namespace

Status CFileList::RenderHitPage(int32_t index, std::string& out, std::u16string_view keywords,
                                HitScope scope, HitPageReport& report) const {
  report = HitPageReport();
  if (!m_open) return Status::Invalid("the book store is not open");
  PageRecord rec;
  std::string current;
  Status readable = ReadRecord(index, rec);
  if (readable && static_cast<size_t>(rec.length) > kMaxHitPageSource) {
    // A page this large is no page of text; marking it would take many
    // times its size in memory.
    readable = Status::Invalid("record " + std::to_string(index) + " holds a page of " +
                               std::to_string(rec.length) +
                               " bytes; hit pages are built from pages of at most " +
                               std::to_string(kMaxHitPageSource) + " bytes");
  }
  if (readable) {
    current.resize(static_cast<size_t>(rec.length));
    readable = ReadPage(index, current.data(), current.size());
  }
  if (!readable) {
    // An unreadable record renders nothing rather than a stale or partial page.
    out.clear();
    return readable;
  }
  if (keywords.empty()) return Status::Ok();
  int32_t pageNo = 0;
  if (!PageNumberFromName(rec.name, pageNo)) pageNo = 0;
  const int parity = pageNo % 2 != 0 ? 1 : 0;  // negative odd numbers count as odd too
  const size_t limit = HitPageLimit(current.size());
  int32_t counter = 0;
  std::set<std::string> processed;
  std::string next;
  bool rebuilt = false;  // current holds a rebuilt page
  bool any = false;      // some keyword was met
  size_t work = 0;       // bytes of page the passes have gone through
  auto isSeparator = [](char16_t c) { return c == u' ' || c == u'\u3000'; };
  size_t i = 0;
  while (i < keywords.size()) {
    while (i < keywords.size() && isSeparator(keywords[i])) ++i;
    size_t j = i;
    while (j < keywords.size() && !isSeparator(keywords[j])) ++j;
    if (j == i) break;
    any = true;
    const std::u16string_view keyword = keywords.substr(i, j - i);
    i = j;
    std::string bytes;
    ConvertUtf16ToUtf8(keyword, bytes, true);
    if (!processed.insert(bytes).second) continue;
    // Once the page is rebuilt, a pass that can mark nothing gives the page
    // back unchanged: a keyword whose pieces do not all occur is passed by.
    // (A string of thousands of variant forms mostly holds such keywords.)
    const std::vector<Seg> segs = BuildSegs(bytes);
    work += current.size() / 8;  // the look for the pieces
    const bool pass = !rebuilt || MayOccur(current, segs);
    if (pass) work += current.size();
    if (work > kHitPageWork) {
      report.note = "keywords from " + Quote(keyword) +
                    " on are not marked: marking them would take more than " +
                    std::to_string(kHitPageWork >> 20) + " MiB of passes over the page";
      break;
    }
    if (!pass) continue;
    next.clear();
    const int32_t before = counter;
    if (!RenderKeywordPass(current, bytes, parity, scope, counter, next, limit)) {
      counter = before;
      report.note = "keywords from " + Quote(keyword) +
                    " on are not marked: the hit page would pass its " + "limit of " +
                    std::to_string(limit) + " bytes (16 times the stored page, at least " +
                    std::to_string(kMinHitPageLimit >> 20) + " MiB)";
      break;
    }
    current.swap(next);
    rebuilt = true;
  }
  if (!any) return Status::Ok();
  if (!rebuilt) {
    // The first keyword already passed a bound: the page in the template,
    // unmarked.
    next.clear();
    int32_t none = 0;
    RenderKeywordPass(current, {}, parity, scope, none, next);
    current.swap(next);
  }
  out.swap(current);
  report.anchors = counter;
  return Status::Ok();
}

}  // namespace tevarin
