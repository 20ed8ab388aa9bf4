// The text "Copy with citation" puts on the clipboard: the selected text in
// corner brackets followed by its source in full-width parentheses — the
// book's title in double angle brackets, the volume's name and the page
// number:
//   「關關雎鳩」（《詩經》國風·周南，第1頁）
// The names are the catalogue's, as its tree shows them; the page number is
// the one the page box shows. The text is cited as given: the caller cuts it
// to the copy limit first, exactly as the plain copy does.
#pragma once

#include <string>
#include <string_view>

#include "catalog/catalogue.h"

namespace tevarin {

struct CitationSource {
  std::u16string book;    // empty when no book holds the page
  std::u16string volume;  // empty when the page belongs to a book with no volumes
  int page = 0;           // the page number inside the volume (or book)
};

// The source of page pageNo of catalogue entry `entry` (the volume or book
// being read). The volume is the entry itself when it lies below book level;
// the book is the nearest entry at book level or above, going up from the
// entry through the tree. False when entry is no catalogue entry or pageNo
// is not positive: there is then nothing to cite.
bool CitationSourceOf(const CCatalogue& catalogue, int entry, int pageNo, CitationSource& source);

// 「text」（《book》volume，第page頁）. A part that is empty is left out with
// its marks: 「text」（volume，第page頁） without a book,
// 「text」（《book》，第page頁） without a volume.
std::u16string CitationText(std::u16string_view text, const CitationSource& source);

}  // namespace tevarin
