#include "catalog/searchresult.h"

#include <algorithm>
#include <climits>
#include <string>

namespace tevarin {

namespace {

// The title of a catalogue node; the root (and a missing ancestor of a
// malformed catalogue's entry) has none.
std::u16string Title(const ContentsNodeTag* node) {
  return node && node->parent ? node->name : std::u16string();
}

}  // namespace

int32_t BuildSearchResult(const ContentsNodeTag* rangeNode, const std::vector<uint32_t>& pages,
                          const std::vector<uint32_t>& counts,
                          std::vector<SearchNodeTag>& results) {
  results.clear();
  // Counts are unsigned 32-bit; the total and each count saturate at the
  // largest int32 instead of wrapping to a negative number.
  int64_t total = 0;
  for (size_t i = 0; i < pages.size(); ++i) {
    const uint32_t r = pages[i];
    const int32_t hits =
        i < counts.size() ? static_cast<int32_t>(std::min<uint32_t>(counts[i], INT32_MAX)) : 0;
    SearchNodeTag t;
    if (rangeNode) {
      if (!rangeNode->Holds(r)) continue;
      const int level = rangeNode->level;
      const ContentsNodeTag* parent = rangeNode->parent;
      const ContentsNodeTag* grandparent = parent ? parent->parent : nullptr;
      if (level == 1)
        t.strClass = rangeNode->name;
      else if (level == 2)
        t.strClass = Title(parent);
      else
        t.strClass = Title(grandparent);

      const ContentsNodeTag* volume = nullptr;
      if (level == 1) {
        for (const auto& book : rangeNode->children) {
          if (t.strBook.empty() && book->Holds(r)) t.strBook = book->name;
        }
        for (const auto& book : rangeNode->children) {
          for (const auto& vol : book->children)
            if (vol->Holds(r)) {
              volume = vol.get();
              break;
            }
          if (volume) break;
        }
      } else if (level == 2) {
        t.strBook = rangeNode->name;
        for (const auto& vol : rangeNode->children)
          if (vol->Holds(r)) {
            volume = vol.get();
            break;
          }
      } else {
        if (level == 3) t.strBook = Title(parent);
        volume = rangeNode;
      }
      if (volume) {
        t.strVolume = volume->name;
        t.nPageNo = static_cast<int32_t>(r + volume->curFileName + 1 - static_cast<uint32_t>(volume->docID));
      }
    }
    t.nRecord = static_cast<int32_t>(r);
    t.nHits = hits;
    total = std::min<int64_t>(total + hits, INT32_MAX);
    results.push_back(std::move(t));
  }
  std::sort(results.begin(), results.end(), [](const SearchNodeTag& a, const SearchNodeTag& b) {
    return static_cast<uint32_t>(a.nPageNo) < static_cast<uint32_t>(b.nPageNo);
  });
  return static_cast<int32_t>(total);
}

PagingState ComputePaging(int curPage, int pageCount) {
  PagingState s;
  if (pageCount == 1) {
    s.prevEnabled = s.nextEnabled = false;
    s.editReadOnly = true;
  }
  if (curPage == 1) s.prevEnabled = false;
  if (curPage == pageCount) s.nextEnabled = false;
  return s;
}

int32_t ParseTypedNumber(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  int64_t v = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    v = v * 10 + (text[i] - u'0');
    if (v > INT32_MAX) v = INT32_MAX;
  }
  return static_cast<int32_t>(negative ? -v : v);
}

std::u16string SummaryText(int32_t pages, int32_t hits) {
  const std::string p = std::to_string(pages), h = std::to_string(hits);
  return u"全部で " + std::u16string(p.begin(), p.end()) + u" 頁で、" +
         std::u16string(h.begin(), h.end()) + u" 箇所でした。";
}

}  // namespace tevarin
