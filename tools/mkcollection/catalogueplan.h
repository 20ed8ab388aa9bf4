// The catalogue plan: the "vok.dir" records of a collection, divisions ->
// books -> volumes in pre-order (levels 1, 2, 3). Every volume's pages are
// consecutive page records; a volume's record has docID = its first record
// index + 1, docNo = its page count and curFileName = its first page number
// (1: a volume's pages are numbered from 1). A division or a book covers the
// records of everything below it: docID of its first page, docNo = all its
// pages, curFileName = the first page's number.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "corpus.h"

inline constexpr size_t kMaxCatalogueRecords = 9999;

struct CatalogueRecord {
  std::string title;  // UTF-8
  int32_t level = 0;
  int32_t docID = 0;
  int32_t docNo = 0;
  uint16_t curFileName = 0;
};

// Page counts of the volumes: counts[d][b][v] for volume v of book b of division d.
using VolumePages = std::vector<std::vector<std::vector<int32_t>>>;

// Number of catalogue records the collection needs.
size_t CatalogueRecordCount(const std::vector<Division>& divisions);

// The records for the given page counts, pages numbered in catalogue order
// from record 0. False with a reason when a format limit would be passed:
// more than 9,999 records, a volume of more than 65,535 pages, a title of
// more than 99 UTF-16 units.
bool PlanCatalogue(const std::vector<Division>& divisions, const VolumePages& counts,
                   std::vector<CatalogueRecord>& out, std::string& error);

// Writes the records to path through CatalogueWriter.
bool WriteCatalogue(const std::vector<CatalogueRecord>& records, const std::string& path,
                    std::string& error);

// UTF-8 to UTF-16 (the text is well-formed: it comes from the JSON reader).
std::u16string Utf8ToUtf16(const std::string& s);
