// The plan of the collection: which divisions it has, which books each holds
// and which reader makes each book from the corpus, and the catalogue
// "vok.dir" built from the pages as they are laid out.
//
// Catalogue arithmetic: the pages of a volume are consecutive records, numbered
// from 1; its entry has docID = record index of its first page + 1, docNo = its
// page count, curFileName = 1 (its first page's number). A division or book
// covers the records of everything below it: docID of its first page, docNo
// = all its pages, curFileName = its first page's number. Entries are written
// in pre-order (division, its first book, that book's volumes, the next book,
// ...). A book or division without pages gets no entry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "corpus.h"

namespace tevarin {

struct BookPlan {
  std::string title;  // catalogue title, e.g. 御定全唐詩
  BookReader read;
};

struct DivisionPlan {
  std::string title;  // 經部, 子部, 集部
  std::vector<BookPlan> books;
};

using CollectionPlan = std::vector<DivisionPlan>;

// The collection made of the chinese-poetry corpus: 經部 (the Book of Songs,
// the Four Books), 子部 (primers and 幽夢影), 集部 (poetry and anthologies).
// Left out: the metadata folders rank and strains, and the Tang poems of
// quantangshi (poet.tang.*, 唐诗三百首.json), which duplicate the imperial
// collection of yudingquantangshi with its biographies and notes.
CollectionPlan StandardPlan();

class CatalogueBuilder {
 public:
  static constexpr size_t kMaxEntries = 9999;   // the reader's table
  static constexpr size_t kMaxTitleUnits = 99;  // UTF-16 units of a title

  struct Entry {
    std::string title;
    int32_t level = 0;
    int32_t docID = 0;
    int32_t docNo = 0;
    uint16_t curFileName = 0;
  };

  void BeginDivision(const std::string& title);
  void BeginBook(const std::string& title);
  // A volume of pageCount pages starting at record firstRecord (0-based).
  void AddVolume(const std::string& title, int32_t firstRecord, int32_t pageCount);
  void EndBook();
  void EndDivision();

  // Checks the format limits (entries, title lengths) and writes path.
  bool Write(const std::string& path, std::string& error) const;

  const std::vector<Entry>& Entries() const { return m_entries; }

 private:
  void Close(size_t& open);
  std::vector<Entry> m_entries;
  size_t m_division = SIZE_MAX;
  size_t m_book = SIZE_MAX;
};

}  // namespace tevarin
