// CatalogueWriter: writes the catalogue "vok.dir", a sequence of 216-byte
// records in pre-order (layout described with the reader, panel/catalogue.h):
//   +0   200  name, UTF-16LE, NUL-terminated (at most 99 characters)
//   +200 4    level (int32: 1 division, 2 book, 3 volume)
//   +204 4    docID (int32: record index of the first page + 1)
//   +208 4    docNo (int32: number of page records)
//   +212 2    curFileName (uint16: page number of the first page)
//   +214 2    reserved (written as 0)
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tevarin {

class CatalogueWriter {
 public:
  // Appends one record; false when the name has more than 99 UTF-16 units.
  bool Add(std::u16string_view name, int32_t level, int32_t docID, int32_t docNo,
           uint16_t curFileName);
  // Writes all records to path (replacing it).
  bool Write(const std::string& path) const;

  size_t Count() const { return m_bytes.size() / 216; }
  const std::string& Bytes() const { return m_bytes; }

 private:
  std::string m_bytes;
};

}  // namespace tevarin
