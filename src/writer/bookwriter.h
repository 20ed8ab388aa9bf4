// BookWriter: writes the book header and content files that CFileList reads
// (layout in store/filelist.h). Pages are streamed to the content file as they
// are added; the header is written by Finish.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace tevarin {

class BookWriter {
 public:
  BookWriter() = default;
  BookWriter(const BookWriter&) = delete;
  BookWriter& operator=(const BookWriter&) = delete;
  ~BookWriter();

  // Creates folder/<base>-fl.h and folder/<base>-fl.cnt. nameWidth is the width
  // of every record's name field (1..260).
  bool Create(const std::string& folder, const std::string& base, int32_t nameWidth);
  // Appends a page; the name must fit nameWidth - 1 bytes. Returns its record index.
  bool AddPage(std::string_view name, std::string_view bytes);
  // Writes the header with the given stored value (default: the record count).
  bool Finish(int32_t storedValue = -1);

  int32_t PageCount() const { return static_cast<int32_t>(m_records.size() / RecordSize()); }
  const std::string& Error() const { return m_error; }

  // Test hook: bytes written into the 260-byte header block.
  void SetHeaderBlock(std::string_view block) { m_headerBlock = std::string(block.substr(0, 260)); }

 private:
  size_t RecordSize() const { return static_cast<size_t>(m_nameWidth) + 8; }
  bool Fail(const std::string& why);

  std::string m_headerPath;
  std::FILE* m_content = nullptr;
  int32_t m_nameWidth = 0;
  int64_t m_contentSize = 0;
  std::string m_records;
  std::string m_headerBlock;
  std::string m_error;
};

}  // namespace tevarin
