#include "writer/cataloguewriter.h"

#include <cerrno>
#include <cstdio>

namespace tevarin {

Status CatalogueWriter::Add(std::u16string_view name, int32_t level, int32_t docID, int32_t docNo,
                            uint16_t curFileName) {
  if (name.size() > kCatalogueMaxNameLength)
    return Status::Invalid("a catalogue name of " + std::to_string(name.size()) +
                           " UTF-16 units; the record holds " +
                           std::to_string(kCatalogueMaxNameLength));
  AppendCatalogueRecord(m_bytes, name, level, docID, docNo, curFileName);
  return Status::Ok();
}

Status CatalogueWriter::Write(const std::string& path) const {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return Status::FromErrno(errno, "cannot create", path);
  const bool ok = std::fwrite(m_bytes.data(), 1, m_bytes.size(), f) == m_bytes.size();
  if (std::fclose(f) != 0 || !ok) return Status::Io("cannot write " + path);
  return Status::Ok();
}

}  // namespace tevarin
