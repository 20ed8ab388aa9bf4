#include "store/filelist.h"
#include "base/readat.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "store/bookformat.h"

namespace tevarin {

namespace {

int32_t LoadI32(const unsigned char* p) {
  return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                              uint32_t(p[3]) << 24);
}


int OpenReadOnly(const std::string& path) { return open(path.c_str(), O_RDONLY | O_CLOEXEC); }

int64_t FileSize(int fd) {
  struct stat st;
  return fstat(fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

}  // namespace

CFileList::~CFileList() { Close(); }

void CFileList::Close() {
  if (m_headerFd >= 0) close(m_headerFd);
  if (m_contentFd >= 0) close(m_contentFd);
  m_headerFd = m_contentFd = -1;
  m_headerSize = m_contentSize = 0;
  m_open = false;
}

bool CFileList::Open(const std::string& folder, const std::string& base) {
  Close();
  m_error.clear();
  const std::string headerPath = folder + "/" + base + kBookHeaderSuffix;
  m_headerFd = OpenReadOnly(headerPath);
  if (m_headerFd < 0) {
    m_error = "cannot open " + headerPath + ": " + std::strerror(errno);
    return false;  // the content file is never tried
  }
  const std::string contentPath = folder + "/" + base + kBookContentSuffix;
  m_contentFd = OpenReadOnly(contentPath);
  if (m_contentFd < 0) {
    m_error = "cannot open " + contentPath + ": " + std::strerror(errno);
    return false;
  }
  m_headerSize = FileSize(m_headerFd);
  m_contentSize = FileSize(m_contentFd);
  unsigned char head[8];
  if (m_headerSize < kBookHeaderSize || !ReadAt(m_headerFd, head, sizeof head, 0) ||
      !ReadAt(m_headerFd, m_headerBlock, sizeof m_headerBlock, 8)) {
    m_error = headerPath + " is shorter than its 268-byte header";
    Close();
    return false;
  }
  const int32_t width = LoadI32(head + 4);
  if (width < 1 || width > kMaxNameWidth) {
    m_error = headerPath + ": name width " + std::to_string(width) + " is outside 1..260";
    Close();
    return false;
  }
  m_storedValue = LoadI32(head);
  m_nameWidth = width;
  m_open = true;
  return true;
}

int32_t CFileList::RecordCount() const {
  if (!m_open) return 0;
  const int64_t n = (m_headerSize - kBookHeaderSize) / (m_nameWidth + 8);
  return n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n);
}

bool CFileList::PageNumberFromName(std::string_view name, int32_t& page) {
  const size_t slash = name.rfind('\\');
  if (slash == std::string_view::npos) return false;
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot < slash) return false;
  // The number text: optional white space, optional sign, leading digits.
  std::string_view t = name.substr(slash + 1, dot - slash - 1);
  size_t i = 0;
  while (i < t.size() && (t[i] == ' ' || (t[i] >= '\t' && t[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  int64_t v = 0;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
    v = v * 10 + (t[i++] - '0');
    if (v > INT32_MAX) v = INT32_MAX;  // saturate like a C conversion would overflow
  }
  page = static_cast<int32_t>(negative ? -v : v);
  return true;
}

bool CFileList::FindPage(int32_t start, int32_t page, int32_t& outIndex) const {
  if (!m_open) return false;
  outIndex = start - 1;
  if (start < 0) return false;
  const int64_t recordSize = m_nameWidth + 8;
  char name[kMaxNameWidth + 1];
  for (int64_t i = start; kBookHeaderSize + i * recordSize < m_headerSize; ++i) {
    const int64_t offset = kBookHeaderSize + i * recordSize;
    outIndex = static_cast<int32_t>(i);
    // A record cut short by the end of the file has no complete name.
    if (offset + m_nameWidth > m_headerSize || !ReadAt(m_headerFd, name, m_nameWidth, offset))
      return false;
    name[m_nameWidth] = '\0';
    int32_t number = 0;
    if (PageNumberFromName(std::string_view(name, std::strlen(name)), number) && number == page)
      return true;
  }
  return false;
}

bool CFileList::ReadRecord(int32_t index, PageRecord& rec) const {
  if (!m_open) return false;
  if (index < 0 || index >= RecordCount()) {
    m_error = "record " + std::to_string(index) + " is outside the page table (" +
              std::to_string(RecordCount()) + " records)";
    return false;
  }
  const int64_t offset = kBookHeaderSize + int64_t(index) * (m_nameWidth + 8);
  unsigned char buf[kMaxNameWidth + 8];
  if (!ReadAt(m_headerFd, buf, m_nameWidth + 8, offset)) {
    m_error = "cannot read record " + std::to_string(index);
    return false;
  }
  const char* name = reinterpret_cast<const char*>(buf);
  rec.name.assign(name, strnlen(name, m_nameWidth));
  rec.endOffset = LoadI32(buf + m_nameWidth);
  rec.length = LoadI32(buf + m_nameWidth + 4);
  if (rec.length < 0 || rec.endOffset < rec.length || rec.endOffset > m_contentSize) {
    m_error = "record " + std::to_string(index) + " points outside the content file";
    return false;
  }
  return true;
}

bool CFileList::GetPageLength(int32_t index, int32_t& length) const {
  PageRecord rec;
  if (!ReadRecord(index, rec)) return false;
  length = rec.length;
  return true;
}

bool CFileList::ReadPage(int32_t index, char* buffer, size_t capacity) const {
  PageRecord rec;
  if (!ReadRecord(index, rec)) return false;
  if (static_cast<size_t>(rec.length) > capacity) {
    m_error = "page buffer too small";
    return false;
  }
  if (!ReadAt(m_contentFd, buffer, static_cast<size_t>(rec.length), rec.endOffset - rec.length)) {
    m_error = "cannot read page " + std::to_string(index);
    return false;
  }
  for (int32_t i = 0; i < rec.length; ++i) buffer[i] = static_cast<char>(buffer[i] ^ kContentMask);
  return true;
}

bool CFileList::ReadPage(int32_t index, std::string& out) const {
  int32_t length = 0;
  if (!GetPageLength(index, length)) return false;
  out.resize(static_cast<size_t>(length));
  return ReadPage(index, out.data(), out.size());
}

}  // namespace tevarin
