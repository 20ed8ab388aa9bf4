// CFileList: read access to the collection's pages, held in the book header
// file ("<base>-fl.h") and the book content file ("<base>-fl.cnt"); the
// layout of both is described in store/bookformat.h.
//
// Every record is checked against both files before it is used: an index
// outside the page table or a page range outside the content file is refused.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "store/bookformat.h"

namespace tevarin {

class CFileList {
 public:
  struct PageRecord {
    std::string name;   // up to the first NUL
    int64_t endOffset = 0;
    int32_t length = 0;
  };

  CFileList() = default;
  CFileList(const CFileList&) = delete;
  CFileList& operator=(const CFileList&) = delete;
  virtual ~CFileList();

  // Opens folder/<base>-fl.h and folder/<base>-fl.cnt; on failure nothing
  // stays open and the Status says why.
  Status Open(const std::string& folder, const std::string& base);
  void Close();

  // The first record at or after start whose page number equals page.
  // outIndex is that record, or else the last index a scan of the records
  // from start would examine (start-1 if none). The page numbers of the table
  // are read once, on the first call, into an index of the numbered records
  // (a table too large for it is scanned in large chunks on every call).
  bool FindPage(int32_t start, int32_t page, int32_t& outIndex) const;
  // The most numbered records FindPage's index holds (8 bytes each; by
  // default kMaxPageIndexEntries, 64 MiB); a table with more is scanned.
  void SetPageIndexLimit(size_t entries);
  static constexpr size_t kMaxPageIndexEntries = size_t(8) << 20;
  Status GetPageLength(int32_t index, int32_t& length) const;
  // Reads the unmasked page into buffer, which holds at least capacity bytes;
  // refuses when the page is longer than capacity.
  Status ReadPage(int32_t index, char* buffer, size_t capacity) const;
  // Convenience: the whole unmasked page.
  Status ReadPage(int32_t index, std::string& out) const;

  // The stored page of a record for a hit page, and its page number (0 when
  // its name has none). Fails, with page emptied, when the store is closed,
  // the record cannot be read or the stored page is longer than
  // kMaxHitPageSource. The hit page itself is built by the engine
  // (CIndex::BuildHitPage), which finds the matches.
  Status ReadHitPageSource(int32_t index, std::string& page, int32_t& pageNumber) const;
  static constexpr size_t kMaxHitPageSource = size_t(2) << 20;
  static constexpr size_t kMinHitPageLimit = size_t(1) << 20;
  // The most bytes a hit page of a stored page of `stored` bytes may take:
  // 16 times the page, and at least kMinHitPageLimit.
  static size_t HitPageLimit(size_t stored) {
    return stored * 16 > kMinHitPageLimit ? stored * 16 : kMinHitPageLimit;
  }

  int32_t StoredValue() const { return m_storedValue; }
  bool IsOpen() const { return m_open; }
  int32_t NameWidth() const { return m_nameWidth; }
  int32_t RecordCount() const;
  int64_t ContentSize() const { return m_contentSize; }

  // One record with its range checked against the content file. When only the
  // range is refused, rec still holds the values read (for diagnostics).
  Status ReadRecord(int32_t index, PageRecord& rec) const;

  // The page number written in a record name: the decimal number between the
  // last backslash and the last dot after it. False when there is none.
  static bool PageNumberFromName(std::string_view name, int32_t& page);

 private:
  int32_t m_storedValue = 0;
  char m_headerBlock[kHeaderBlockSize] = {};
  bool m_open = false;
  int32_t m_nameWidth = kDefaultNameWidth;
  int m_headerFd = -1;
  int m_contentFd = -1;
  int64_t m_headerSize = 0;
  int64_t m_contentSize = 0;

  // FindPage's view of the page table: the records up to the first whose name
  // the file cuts short (those a scan can read), and their page numbers.
  int64_t ScanEnd() const;     // records a scan examines: PageRecordOffset(i) < size
  int64_t NamedCount() const;  // records whose whole name is in the file
  // Calls visit(i, number) for each record i in [from, NamedCount()) that has
  // a page number, reading the table in large chunks, until visit answers
  // false; false when a read fails (failedAt is then the first record not read).
  template <typename Visit>
  bool ScanPageNumbers(int64_t from, Visit visit, int64_t& failedAt) const;
  // Builds m_pageIndex once; false when the table cannot be read or the index
  // would take more than m_pageIndexLimit entries.
  bool PageIndexReady() const;
  mutable std::mutex m_pageIndexLock;
  size_t m_pageIndexLimit = kMaxPageIndexEntries;
  mutable int m_pageIndexState = 0;  // 0 not built, 1 built, 2 not usable
  // (page number, record) of every numbered record, as page << 32 | record
  // with the page's sign bit flipped, ascending.
  mutable std::vector<uint64_t> m_pageIndex;
};

}  // namespace tevarin
