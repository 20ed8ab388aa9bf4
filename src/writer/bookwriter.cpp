#include "writer/bookwriter.h"

#include <cerrno>
#include <climits>
#include <cstring>

#include "store/bookformat.h"

namespace tevarin {

namespace {
void PutI32(std::string& out, int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}
}  // namespace

BookWriter::~BookWriter() {
  if (m_content) std::fclose(m_content);
}

bool BookWriter::Fail(const std::string& why) {
  m_error = why;
  if (m_content) std::fclose(m_content);
  m_content = nullptr;
  return false;
}

bool BookWriter::Create(const std::string& folder, const std::string& base, int32_t nameWidth) {
  if (nameWidth < 1 || nameWidth > kMaxNameWidth)
    return Fail("name width " + std::to_string(nameWidth) + " is outside 1..260");
  m_nameWidth = nameWidth;
  m_headerPath = folder + "/" + base + kBookHeaderSuffix;
  const std::string contentPath = folder + "/" + base + kBookContentSuffix;
  m_content = std::fopen(contentPath.c_str(), "wb");
  if (!m_content) return Fail("cannot create " + contentPath + ": " + std::strerror(errno));
  m_contentSize = 0;
  m_records.clear();
  return true;
}

bool BookWriter::AddPage(std::string_view name, std::string_view bytes) {
  if (!m_content) return Fail("book files are not open for writing");
  if (name.size() >= static_cast<size_t>(m_nameWidth))
    return Fail("page name longer than the name width: " + std::string(name));
  if (bytes.size() > INT32_MAX || m_contentSize + int64_t(bytes.size()) > INT32_MAX)
    return Fail("the content file would pass 2 GiB, which the 32-bit offsets cannot address");
  std::string masked(bytes);
  for (char& c : masked) c = static_cast<char>(c ^ kContentMask);
  if (std::fwrite(masked.data(), 1, masked.size(), m_content) != masked.size())
    return Fail("cannot write the book content file");
  m_contentSize += static_cast<int64_t>(bytes.size());
  std::string rec(name);
  rec.resize(static_cast<size_t>(m_nameWidth), '\0');
  PutI32(rec, static_cast<int32_t>(m_contentSize));
  PutI32(rec, static_cast<int32_t>(bytes.size()));
  m_records += rec;
  return true;
}

bool BookWriter::Finish(int32_t storedValue) {
  if (!m_content) return Fail("book files are not open for writing");
  if (std::fclose(m_content) != 0) {
    m_content = nullptr;
    return Fail("cannot finish the book content file");
  }
  m_content = nullptr;
  std::string header;
  PutI32(header, storedValue < 0 ? PageCount() : storedValue);
  PutI32(header, m_nameWidth);
  std::string block = m_headerBlock;
  block.resize(260, '\0');
  header += block;
  header += m_records;
  std::FILE* f = std::fopen(m_headerPath.c_str(), "wb");
  if (!f) return Fail("cannot create " + m_headerPath + ": " + std::strerror(errno));
  const bool ok = std::fwrite(header.data(), 1, header.size(), f) == header.size();
  if (std::fclose(f) != 0 || !ok) return Fail("cannot write " + m_headerPath);
  return true;
}

}  // namespace tevarin
