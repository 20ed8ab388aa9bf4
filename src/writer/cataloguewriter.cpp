#include "writer/cataloguewriter.h"

#include <cstdio>
#include <cstring>

namespace tevarin {

namespace {
void PutLE(char* p, uint32_t v, int n) {
  for (int i = 0; i < n; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
}  // namespace

bool CatalogueWriter::Add(std::u16string_view name, int32_t level, int32_t docID, int32_t docNo,
                          uint16_t curFileName) {
  if (name.size() > 99) return false;
  char rec[216];
  std::memset(rec, 0, sizeof rec);
  for (size_t i = 0; i < name.size(); ++i) PutLE(rec + 2 * i, name[i], 2);
  PutLE(rec + 200, static_cast<uint32_t>(level), 4);
  PutLE(rec + 204, static_cast<uint32_t>(docID), 4);
  PutLE(rec + 208, static_cast<uint32_t>(docNo), 4);
  PutLE(rec + 212, curFileName, 2);
  m_bytes.append(rec, sizeof rec);
  return true;
}

bool CatalogueWriter::Write(const std::string& path) const {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(m_bytes.data(), 1, m_bytes.size(), f) == m_bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace tevarin
