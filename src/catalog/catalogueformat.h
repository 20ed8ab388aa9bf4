// The catalogue "vok.dir": the divisions, books and volumes of the collection.
// The reader is CCatalogue (catalog/catalogue.h), the writer CatalogueWriter
// (writer/cataloguewriter.h), the checker CheckCatalogue
// (catalog/cataloguecheck.h).
//
// A sequence of 216-byte records, no header, no trailer, little-endian:
//   +0   200  name: UTF-16LE, NUL-terminated inside the 200 bytes (<= 99 chars)
//   +200 4    level: int32, 1 division, 2 book, 3 volume
//   +204 4    docID: int32, record index of the entry's first page + 1
//   +208 4    docNo: int32, number of page records of the entry
//   +212 2    curFileName: uint16, page number of the entry's first page
//   +214 2    reserved, not read (written as 0)
// Records are in pre-order; an entry of level L > 1 belongs to the nearest
// preceding entry of level L - 1. Entry i is the i-th record (from 1). An
// entry covers the records docID - 1 .. docID + docNo - 2 of the book store
// and the page numbers curFileName .. curFileName + docNo - 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/littleendian.h"

namespace tevarin {

inline constexpr const char* kCatalogueName = "vok.dir";

inline constexpr size_t kCatalogueRecordSize = 216;
inline constexpr size_t kCatalogueNameUnits = 100;  // UTF-16 units of the name field
inline constexpr size_t kCatalogueMaxNameLength = kCatalogueNameUnits - 1;
inline constexpr size_t kCatalogueLevelOffset = 200;
inline constexpr size_t kCatalogueDocIdOffset = 204;
inline constexpr size_t kCatalogueDocNoOffset = 208;
inline constexpr size_t kCatalogueFirstPageOffset = 212;
inline constexpr size_t kCatalogueReservedOffset = 214;

// One catalogue entry: a record's fields as stored; name holds all 100
// units of the field.
struct NodeItem {
  char16_t name[kCatalogueNameUnits] = {};
  int32_t level = 0;
  int32_t docID = 0;
  int32_t docNo = 0;
  uint16_t curFileName = 0;
  uint16_t reserved = 0;

  // The name up to its first NUL.
  std::u16string Name() const {
    size_t n = 0;
    while (n < kCatalogueNameUnits && name[n] != 0) ++n;
    return std::u16string(name, n);
  }
};

// p holds kCatalogueRecordSize bytes.
inline NodeItem DecodeCatalogueRecord(const unsigned char* p) {
  NodeItem r;
  for (size_t i = 0; i < kCatalogueNameUnits; ++i)
    r.name[i] = static_cast<char16_t>(LoadLE16(p + 2 * i));
  r.level = LoadLE32Signed(p + kCatalogueLevelOffset);
  r.docID = LoadLE32Signed(p + kCatalogueDocIdOffset);
  r.docNo = LoadLE32Signed(p + kCatalogueDocNoOffset);
  r.curFileName = LoadLE16(p + kCatalogueFirstPageOffset);
  r.reserved = LoadLE16(p + kCatalogueReservedOffset);
  return r;
}

// Appends one record; name must hold at most kCatalogueMaxNameLength units
// (the rest of the field is NULs).
inline void AppendCatalogueRecord(std::string& out, std::u16string_view name, int32_t level,
                                  int32_t docID, int32_t docNo, uint16_t curFileName) {
  unsigned char rec[kCatalogueRecordSize] = {};
  for (size_t i = 0; i < name.size() && i < kCatalogueMaxNameLength; ++i)
    StoreLE16(rec + 2 * i, static_cast<uint16_t>(name[i]));
  StoreLE32(rec + kCatalogueLevelOffset, static_cast<uint32_t>(level));
  StoreLE32(rec + kCatalogueDocIdOffset, static_cast<uint32_t>(docID));
  StoreLE32(rec + kCatalogueDocNoOffset, static_cast<uint32_t>(docNo));
  StoreLE16(rec + kCatalogueFirstPageOffset, curFileName);
  out.append(reinterpret_cast<const char*>(rec), sizeof rec);
}

}  // namespace tevarin
