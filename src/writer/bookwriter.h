// BookWriter: writes the book header and content files that CFileList reads
// (format in store/bookformat.h). Pages are streamed to the content file as
// they are added; the header is written by Finish.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace tevarin {

class BookWriter {
 public:
  BookWriter() = default;
  BookWriter(const BookWriter&) = delete;
  BookWriter& operator=(const BookWriter&) = delete;
  ~BookWriter();

  // Creates folder/<base>-fl.h and folder/<base>-fl.cnt. nameWidth is the width
  // of every record's name field (1..260).
  Status Create(const std::string& folder, const std::string& base, int32_t nameWidth);
  // Appends a page as the next record; the name must fit nameWidth - 1 bytes.
  Status AddPage(std::string_view name, std::string_view bytes);
  // Writes the header with the given stored value (default: the record count).
  Status Finish(int32_t storedValue = -1);

  int32_t PageCount() const { return m_pageCount; }

  // Test hook: bytes written into the 260-byte header block.
  void SetHeaderBlock(std::string_view block) { m_headerBlock = std::string(block); }

 private:
  // Closes the content file; the writer takes no more pages.
  Status Fail(Status why);

  std::string m_headerPath;
  std::FILE* m_content = nullptr;
  int32_t m_nameWidth = 0;
  int64_t m_contentSize = 0;
  std::string m_records;
  int32_t m_pageCount = 0;
  std::string m_headerBlock;
};

}  // namespace tevarin
