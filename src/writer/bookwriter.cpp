#include "writer/bookwriter.h"

#include <cerrno>
#include <climits>
#include <cstring>

#include "store/bookformat.h"

namespace tevarin {

BookWriter::~BookWriter() {
  if (m_content) std::fclose(m_content);
}

Status BookWriter::Fail(Status why) {
  if (m_content) std::fclose(m_content);
  m_content = nullptr;
  return why;
}

Status BookWriter::Create(const std::string& folder, const std::string& base, int32_t nameWidth) {
  if (nameWidth < 1 || nameWidth > kMaxNameWidth)
    return Fail(Status::Invalid("name width " + std::to_string(nameWidth) + " is outside 1.." +
                                std::to_string(kMaxNameWidth)));
  m_nameWidth = nameWidth;
  m_headerPath = folder + "/" + base + kBookHeaderSuffix;
  const std::string contentPath = folder + "/" + base + kBookContentSuffix;
  m_content = std::fopen(contentPath.c_str(), "wb");
  if (!m_content) return Fail(Status::FromErrno(errno, "cannot create", contentPath));
  m_contentSize = 0;
  m_records.clear();
  m_pageCount = 0;
  return Status::Ok();
}

Status BookWriter::AddPage(std::string_view name, std::string_view bytes) {
  if (!m_content) return Fail(Status::Invalid("book files are not open for writing"));
  if (name.size() >= static_cast<size_t>(m_nameWidth))
    return Fail(Status::Invalid("page name longer than the name width: " + std::string(name)));
  if (bytes.size() > INT32_MAX || m_contentSize + int64_t(bytes.size()) > INT32_MAX)
    return Fail(Status::Invalid(
        "the content file would pass 2 GiB, which the 32-bit offsets cannot address"));
  std::string masked(bytes);
  MaskContent(masked.data(), masked.size());
  if (std::fwrite(masked.data(), 1, masked.size(), m_content) != masked.size())
    return Fail(Status::Io("cannot write the book content file"));
  m_contentSize += static_cast<int64_t>(bytes.size());
  AppendPageRecord(m_records, name, m_nameWidth, static_cast<int32_t>(m_contentSize),
                   static_cast<int32_t>(bytes.size()));
  ++m_pageCount;
  return Status::Ok();
}

Status BookWriter::Finish(int32_t storedValue) {
  if (!m_content) return Fail(Status::Invalid("book files are not open for writing"));
  if (std::fclose(m_content) != 0) {
    m_content = nullptr;
    return Fail(Status::Io("cannot finish the book content file"));
  }
  m_content = nullptr;
  std::string header;
  AppendBookHeader(header, storedValue < 0 ? PageCount() : storedValue, m_nameWidth, m_headerBlock);
  header += m_records;
  std::FILE* f = std::fopen(m_headerPath.c_str(), "wb");
  if (!f) return Fail(Status::FromErrno(errno, "cannot create", m_headerPath));
  const bool ok = std::fwrite(header.data(), 1, header.size(), f) == header.size();
  if (std::fclose(f) != 0 || !ok) return Fail(Status::Io("cannot write " + m_headerPath));
  return Status::Ok();
}

}  // namespace tevarin
