// CatalogueWriter: writes the catalogue "vok.dir" (format in
// catalog/catalogueformat.h), records in pre-order as they are added.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/status.h"
#include "catalog/catalogueformat.h"

namespace tevarin {

class CatalogueWriter {
 public:
  // Appends one record; refused when the name has more than 99 UTF-16 units.
  Status Add(std::u16string_view name, int32_t level, int32_t docID, int32_t docNo,
             uint16_t curFileName);
  // Writes all records to path (replacing it).
  Status Write(const std::string& path) const;

  size_t Count() const { return m_bytes.size() / kCatalogueRecordSize; }
  const std::string& Bytes() const { return m_bytes; }

 private:
  std::string m_bytes;
};

}  // namespace tevarin
