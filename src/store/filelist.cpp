#include "store/filelist.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/readat.h"
#include "store/bookformat.h"

namespace tevarin {

namespace {

int OpenReadOnly(const std::string& path) { return open(path.c_str(), O_RDONLY | O_CLOEXEC); }

int64_t FileSize(int fd) {
  struct stat st;
  return fstat(fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

}  // namespace

CFileList::~CFileList() { Close(); }

void CFileList::Close() {
  {
    std::lock_guard<std::mutex> lock(m_pageIndexLock);
    m_pageIndexState = 0;
    m_pageIndex = {};
  }
  if (m_headerFd >= 0) close(m_headerFd);
  if (m_contentFd >= 0) close(m_contentFd);
  m_headerFd = m_contentFd = -1;
  m_headerSize = m_contentSize = 0;
  m_open = false;
}

Status CFileList::Open(const std::string& folder, const std::string& base) {
  Close();
  const std::string headerPath = folder + "/" + base + kBookHeaderSuffix;
  m_headerFd = OpenReadOnly(headerPath);
  if (m_headerFd < 0) {
    const Status why = Status::FromErrno(errno, "cannot open", headerPath);
    Close();
    return why;  // the content file is never tried
  }
  const std::string contentPath = folder + "/" + base + kBookContentSuffix;
  m_contentFd = OpenReadOnly(contentPath);
  if (m_contentFd < 0) {
    const Status why = Status::FromErrno(errno, "cannot open", contentPath);
    Close();
    return why;
  }
  m_headerSize = FileSize(m_headerFd);
  m_contentSize = FileSize(m_contentFd);
  unsigned char head[kHeaderBlockOffset];
  if (m_headerSize < kBookHeaderSize || !ReadAt(m_headerFd, head, sizeof head, 0) ||
      !ReadAt(m_headerFd, m_headerBlock, sizeof m_headerBlock, kHeaderBlockOffset)) {
    Close();
    return Status::Corrupt(headerPath + " is shorter than its " + std::to_string(kBookHeaderSize) +
                           "-byte header");
  }
  const BookHeaderFields fields = DecodeBookHeader(head);
  if (fields.nameWidth < 1 || fields.nameWidth > kMaxNameWidth) {
    Close();
    return Status::Corrupt(headerPath + ": name width " + std::to_string(fields.nameWidth) +
                           " is outside 1.." + std::to_string(kMaxNameWidth));
  }
  m_storedValue = fields.storedValue;
  m_nameWidth = fields.nameWidth;
  m_open = true;
  return Status::Ok();
}

int32_t CFileList::RecordCount() const {
  if (!m_open) return 0;
  const int64_t n = PageRecordCount(m_headerSize, m_nameWidth);
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

int64_t CFileList::ScanEnd() const {
  const int64_t table = m_headerSize - kBookHeaderSize;
  if (table <= 0) return 0;
  const int64_t recordSize = PageRecordSize(m_nameWidth);
  const int64_t n = (table + recordSize - 1) / recordSize;
  // Record indices are 32-bit: nothing past INT32_MAX can be asked for.
  return n > INT32_MAX ? int64_t(INT32_MAX) + 1 : n;
}

int64_t CFileList::NamedCount() const {
  const int64_t table = m_headerSize - kBookHeaderSize;
  if (table < m_nameWidth) return 0;
  const int64_t n = (table - m_nameWidth) / PageRecordSize(m_nameWidth) + 1;
  return n < ScanEnd() ? n : ScanEnd();
}

template <typename Visit>
bool CFileList::ScanPageNumbers(int64_t from, Visit visit, int64_t& failedAt) const {
  const int64_t recordSize = PageRecordSize(m_nameWidth);
  const int64_t end = NamedCount();
  constexpr int64_t kChunkBytes = int64_t(1) << 20;
  const int64_t perChunk = std::max<int64_t>(1, kChunkBytes / recordSize);
  std::vector<char> buffer(static_cast<size_t>(perChunk * recordSize));
  for (int64_t i = from; i < end; i += perChunk) {
    const int64_t n = std::min(perChunk, end - i);
    const int64_t offset = PageRecordOffset(i, m_nameWidth);
    // The last record's end offset and length may lie past the file: only
    // its name is needed.
    const int64_t bytes = std::min(n * recordSize, m_headerSize - offset);
    if (!ReadAt(m_headerFd, buffer.data(), static_cast<size_t>(bytes), offset)) {
      failedAt = i;
      return false;
    }
    for (int64_t k = 0; k < n; ++k) {
      const char* name = buffer.data() + k * recordSize;
      int32_t number = 0;
      if (PageNumberFromName(std::string_view(name, strnlen(name, m_nameWidth)), number) &&
          !visit(i + k, number))
        return true;
    }
  }
  return true;
}

namespace {

uint64_t PageKey(int32_t page, uint32_t record) {
  return uint64_t(static_cast<uint32_t>(page) ^ 0x80000000u) << 32 | record;
}

}  // namespace

bool CFileList::PageIndexReady() const {
  std::lock_guard<std::mutex> lock(m_pageIndexLock);
  if (m_pageIndexState == 0) {
    m_pageIndexState = 2;
    std::vector<uint64_t> keys;
    bool fits = true;
    int64_t failedAt = 0;
    const bool read = ScanPageNumbers(
        0,
        [&](int64_t record, int32_t number) {
          if (keys.size() >= m_pageIndexLimit) return fits = false;
          keys.push_back(PageKey(number, static_cast<uint32_t>(record)));
          return true;
        },
        failedAt);
    if (read && fits) {
      std::sort(keys.begin(), keys.end());
      keys.shrink_to_fit();
      m_pageIndex = std::move(keys);
      m_pageIndexState = 1;
    }
  }
  return m_pageIndexState == 1;
}

void CFileList::SetPageIndexLimit(size_t entries) {
  std::lock_guard<std::mutex> lock(m_pageIndexLock);
  m_pageIndexLimit = entries;
  m_pageIndexState = 0;
  m_pageIndex = {};
}

bool CFileList::FindPage(int32_t start, int32_t page, int32_t& outIndex) const {
  if (!m_open) return false;
  outIndex = start - 1;
  if (start < 0 || start >= ScanEnd()) return false;
  // Without a match a scan from start examines every record up to the last
  // one it can reach (a record whose name the file cuts short ends it).
  const int32_t lastExamined = static_cast<int32_t>(ScanEnd() - 1);
  if (PageIndexReady()) {
    const auto it = std::lower_bound(m_pageIndex.begin(), m_pageIndex.end(),
                                     PageKey(page, static_cast<uint32_t>(start)));
    if (it != m_pageIndex.end() && *it >> 32 == PageKey(page, 0) >> 32) {
      outIndex = static_cast<int32_t>(*it & 0xFFFFFFFFu);
      return true;
    }
    outIndex = lastExamined;
    return false;
  }
  // No index (a table of more numbered records than it holds, or a read
  // error): scan from start.
  bool found = false;
  int64_t failedAt = 0;
  const bool read = ScanPageNumbers(
      start,
      [&](int64_t record, int32_t number) {
        if (number != page) return true;
        outIndex = static_cast<int32_t>(record);
        return !(found = true);
      },
      failedAt);
  if (found) return true;
  outIndex = read ? lastExamined : static_cast<int32_t>(failedAt);
  return false;
}

Status CFileList::ReadRecord(int32_t index, PageRecord& rec) const {
  if (!m_open) return Status::Invalid("the book store is not open");
  if (index < 0 || index >= RecordCount())
    return Status::Invalid("record " + std::to_string(index) + " is outside the page table (" +
                           std::to_string(RecordCount()) + " records)");
  unsigned char buf[PageRecordSize(kMaxNameWidth)];
  if (!ReadAt(m_headerFd, buf, static_cast<size_t>(PageRecordSize(m_nameWidth)),
              PageRecordOffset(index, m_nameWidth)))
    return Status::Io("cannot read record " + std::to_string(index));
  const PageRecordFields fields = DecodePageRecord(buf, m_nameWidth);
  rec.name.assign(fields.name);
  rec.endOffset = fields.endOffset;
  rec.length = fields.length;
  if (rec.length < 0 || rec.endOffset < rec.length || rec.endOffset > m_contentSize)
    return Status::Corrupt("record " + std::to_string(index) + " points outside the content file");
  return Status::Ok();
}

Status CFileList::GetPageLength(int32_t index, int32_t& length) const {
  PageRecord rec;
  if (Status s = ReadRecord(index, rec); !s) return s;
  length = rec.length;
  return Status::Ok();
}

Status CFileList::ReadPage(int32_t index, char* buffer, size_t capacity) const {
  PageRecord rec;
  if (Status s = ReadRecord(index, rec); !s) return s;
  if (static_cast<size_t>(rec.length) > capacity)
    return Status::Invalid("page buffer too small: record " + std::to_string(index) + " holds " +
                           std::to_string(rec.length) + " bytes");
  if (!ReadAt(m_contentFd, buffer, static_cast<size_t>(rec.length), rec.endOffset - rec.length))
    return Status::Io("cannot read page " + std::to_string(index));
  MaskContent(buffer, static_cast<size_t>(rec.length));
  return Status::Ok();
}

Status CFileList::ReadPage(int32_t index, std::string& out) const {
  int32_t length = 0;
  if (Status s = GetPageLength(index, length); !s) return s;
  out.resize(static_cast<size_t>(length));
  return ReadPage(index, out.data(), out.size());
}

}  // namespace tevarin
