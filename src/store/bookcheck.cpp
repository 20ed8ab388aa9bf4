#include "store/bookcheck.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "base/readat.h"
#include "store/bookformat.h"
#include "store/filelist.h"

namespace tevarin {

std::string QuotedBytes(std::string_view s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c >= 0x20 && c < 0x7F) {
      out.push_back(static_cast<char>(c));
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
  }
  return out + "\"";
}

Status CheckBookStore(const std::string& folder, const std::string& baseName, CheckReport& report,
                      BookFacts& facts) {
  CheckReport::Part part(report, "book store");
  facts = BookFacts();
  CFileList files;
  if (Status opened = files.Open(folder, baseName); !opened) {
    part.Problem(opened.Message(), opened.Code());
    return part.Finish();
  }
  facts.open = true;
  const std::string headerPath = folder + "/" + baseName + kBookHeaderSuffix;
  const int32_t width = files.NameWidth();
  const int64_t recordSize = PageRecordSize(width);
  const int fd = ::open(headerPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    part.Problem("cannot read the page table of " + baseName + kBookHeaderSuffix, StatusCode::kIo);
    return part.Finish();
  }
  const int64_t headerSize = ::lseek(fd, 0, SEEK_END);
  const int64_t tableBytes = headerSize - kBookHeaderSize;
  if (tableBytes % recordSize != 0)
    part.Problem("the page table ends in a partial record of " +
                 std::to_string(tableBytes % recordSize) + " bytes (records are " +
                 std::to_string(recordSize) + " bytes)");
  facts.recordCount = files.RecordCount();
  facts.pageNumbers.assign(static_cast<size_t>(facts.recordCount), BookFacts::kNoPageNumber);
  int64_t pageBytes = 0;
  // One pass over the page table in large reads: a table can hold tens of
  // millions of records, and a read per record would take minutes.
  const int64_t perChunk = std::max<int64_t>(1, (int64_t(1) << 20) / recordSize);
  std::vector<unsigned char> chunk(static_cast<size_t>(perChunk * recordSize));
  for (int64_t first = 0; first < facts.recordCount; first += perChunk) {
    const int64_t n = std::min<int64_t>(perChunk, facts.recordCount - first);
    if (!ReadAt(fd, chunk.data(), static_cast<size_t>(n * recordSize),
                PageRecordOffset(first, width))) {
      part.Problem("cannot read records " + std::to_string(first) + " and after", StatusCode::kIo);
      break;
    }
    for (int64_t k = 0; k < n; ++k) {
      const int32_t i = static_cast<int32_t>(first + k);
      const PageRecordFields r = DecodePageRecord(chunk.data() + k * recordSize, width);
      const std::string_view name = r.name;
      const int64_t endOffset = r.endOffset;
      const int32_t length = r.length;
      auto which = [&] { return "record " + std::to_string(i); };
      // The range checks of the reader (CFileList::ReadRecord).
      if (length < 0) {
        part.CountedProblem([&] {
          return which() + " " + QuotedBytes(name) + " has a negative length " +
                 std::to_string(length);
        });
        continue;
      }
      if (endOffset > files.ContentSize() || endOffset < length) {
        part.CountedProblem([&] {
          return which() + " " + QuotedBytes(name) + ": its bytes " +
                 std::to_string(endOffset - length) + ".." + std::to_string(endOffset) +
                 " lie outside the content file (" + std::to_string(files.ContentSize()) +
                 " bytes)";
        });
        continue;
      }
      pageBytes += length;
      if (name.size() >= static_cast<size_t>(width))
        part.CountedProblem([&] {
          return which() + ": its name fills all " + std::to_string(width) +
                 " bytes without a terminating NUL";
        });
      int32_t number = 0;
      if (!CFileList::PageNumberFromName(name, number)) {
        part.CountedProblem([&] {
          return which() + " " + QuotedBytes(name) +
                 " has no page number (no backslash, or no dot after the last one)";
        });
        continue;
      }
      const size_t slash = name.rfind('\\');
      const size_t dot = name.rfind('.');
      if (dot - slash - 1 > 11)
        part.CountedProblem([&] {
          return which() + " " + QuotedBytes(name) +
                 ": its page number text is longer than 11 characters";
        });
      facts.pageNumbers[static_cast<size_t>(i)] = number;
    }
  }
  ::close(fd);
  report.AddSummary("book store: " + std::to_string(facts.recordCount) + " records, " +
                    std::to_string(pageBytes) + " page bytes in a content file of " +
                    std::to_string(files.ContentSize()) + " bytes");
  return part.Finish();
}

}  // namespace tevarin
