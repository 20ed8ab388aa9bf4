#include "session/citation.h"

namespace tevarin {

namespace {
// The book level of the catalogue (1 division, 2 book, 3 volume).
constexpr int32_t kBookLevel = 2;
}  // namespace

bool CitationSourceOf(const CCatalogue& catalogue, int entry, int pageNo, CitationSource& source) {
  const NodeItem* item = catalogue.Entry(entry);
  if (!item || pageNo <= 0) return false;
  CitationSource found;
  found.page = pageNo;
  int bookEntry = entry;
  if (item->level > kBookLevel) {
    found.volume = item->Name();
    // Up the tree to the first entry at book level or above. ParentEntry
    // always names an earlier entry (or 0, the root), so this ends.
    bookEntry = catalogue.ParentEntry(entry);
    while (const NodeItem* up = catalogue.Entry(bookEntry)) {
      if (up->level <= kBookLevel) break;
      bookEntry = catalogue.ParentEntry(bookEntry);
    }
  }
  if (const NodeItem* book = catalogue.Entry(bookEntry)) found.book = book->Name();
  source = std::move(found);
  return true;
}

std::u16string CitationText(std::u16string_view text, const CitationSource& source) {
  std::u16string out;
  out += u'「';
  out += text;
  out += u"」（";
  if (!source.book.empty()) {
    out += u'《';
    out += source.book;
    out += u'》';
  }
  out += source.volume;
  if (!source.book.empty() || !source.volume.empty()) out += u'，';
  out += u'第';
  for (char c : std::to_string(source.page)) out += static_cast<char16_t>(c);
  out += u"頁）";
  return out;
}

}  // namespace tevarin
