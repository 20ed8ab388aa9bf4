#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "store/bookformat.h"
#include "store/filelist.h"
#include "support/testutil.h"
#include "writer/bookwriter.h"

namespace tevarin {

namespace {

// Writes a book with the given name width and pages (name, bytes).
void WriteBook(const TempDir& dir, int32_t width,
               const std::vector<std::pair<std::string, std::string>>& pages,
               int32_t storedValue = -1) {
  BookWriter w;
  ASSERT_TRUE(w.Create(dir.path(), "Index", width));
  for (const auto& [name, bytes] : pages) {
    const Status added = w.AddPage(name, bytes);
    ASSERT_TRUE(added) << added.Message();
  }
  ASSERT_TRUE(w.Finish(storedValue));
}

TEST(FileList, MissingHeaderFailsBeforeTheContentFile) {
  TempDir dir;
  CFileList files;
  Status opened = files.Open(dir.path(), "Index");
  EXPECT_EQ(opened.Code(), StatusCode::kNotFound);
  EXPECT_NE(opened.Message().find("Index-fl.h"), std::string::npos);
  EXPECT_FALSE(files.IsOpen());
  int32_t out = 5;
  EXPECT_FALSE(files.FindPage(0, 1, out));
  EXPECT_EQ(files.StoredValue(), 0);

  // Header present, content missing: the content file is named.
  WriteFile(dir.file("Index-fl.h"), std::string(kBookHeaderSize, '\0'));
  opened = files.Open(dir.path(), "Index");
  EXPECT_FALSE(opened);
  EXPECT_NE(opened.Message().find("Index-fl.cnt"), std::string::npos);
  EXPECT_FALSE(files.IsOpen());
}

TEST(FileList, ReadsPagesWithTheHeadersOwnNameWidth) {
  TempDir dir;
  const std::string withNul("a\0b\0\xA7\xFF", 6);  // NULs and the mask value itself
  WriteBook(dir, 40,
            {{"d1\\b01\\v0001\\0001.htm", "<p>學而</p>"},
             {"d1\\b01\\v0001\\0002.htm", ""},
             {"d1\\b01\\v0001\\0007.htm", withNul}},
            1234);
  CFileList files;
  const Status opened = files.Open(dir.path(), "Index");
  ASSERT_TRUE(opened) << opened.Message();
  EXPECT_EQ(files.NameWidth(), 40);
  EXPECT_EQ(files.RecordCount(), 3);
  EXPECT_EQ(files.StoredValue(), 1234);

  std::string page;
  ASSERT_TRUE(files.ReadPage(0, page));
  EXPECT_EQ(page, "<p>學而</p>");
  int32_t len = -1;
  ASSERT_TRUE(files.GetPageLength(1, len));
  EXPECT_EQ(len, 0);
  char untouched[2] = {'x', 'y'};
  EXPECT_TRUE(files.ReadPage(1, untouched, sizeof untouched));
  EXPECT_EQ(untouched[0], 'x');
  ASSERT_TRUE(files.ReadPage(2, page));
  EXPECT_EQ(page, withNul);

  // The stored bytes really are masked.
  const std::string raw = ReadFile(dir.file("Index-fl.cnt"));
  ASSERT_EQ(raw.size(), std::strlen("<p>學而</p>") + withNul.size());
  EXPECT_EQ(static_cast<unsigned char>(raw[0]), '<' ^ kContentMask);

  // Re-open after close works.
  files.Close();
  EXPECT_FALSE(files.ReadPage(0, page));
  ASSERT_TRUE(files.Open(dir.path(), "Index"));
  EXPECT_TRUE(files.ReadPage(0, page));
}

TEST(FileList, FindPage) {
  TempDir dir;
  WriteBook(dir, 24,
            {{"v1\\0001.htm", "a"},
             {"nobackslash0.htm", "b"},
             {"v1\\noext", "c"},
             {"v1\\0007.htm", "d"},
             {"v2\\0001.htm", "e"},
             {"v2\\ -2.htm", "f"}});
  CFileList files;
  ASSERT_TRUE(files.Open(dir.path(), "Index"));
  struct Case {
    int32_t start, page;
    bool found;
    int32_t out;
  } cases[] = {
      {0, 1, true, 0},   {1, 1, true, 4},    {0, 7, true, 3},  // leading zeros
      {0, 0, false, 5},                                        // names without number never match
      {0, 9, false, 5},  {6, 1, false, 5},   {9, 1, false, 8},  // start past the end
      {0, -2, true, 5},                                         // white space and sign
  };
  for (const auto& c : cases) {
    int32_t out = -100;
    EXPECT_EQ(files.FindPage(c.start, c.page, out), c.found) << c.start << " " << c.page;
    EXPECT_EQ(out, c.out) << c.start << " " << c.page;
  }
}

TEST(FileList, PageNumberFromName) {
  const std::pair<const char*, int> cases[] = {
      {"a\\0012.htm", 12}, {"a\\b.c\\5.htm", 5}, {"a\\x.htm", 0}, {"a\\12x3.htm", 12},
      {"a\\.htm", 0},      {"a\\+4.htm", 4},
  };
  for (const auto& [name, page] : cases) {
    int32_t n = -1;
    EXPECT_TRUE(CFileList::PageNumberFromName(name, n)) << name;
    EXPECT_EQ(n, page) << name;
  }
  int32_t n = -1;
  EXPECT_FALSE(CFileList::PageNumberFromName("0012.htm", n));
  EXPECT_FALSE(CFileList::PageNumberFromName("a.b\\0012", n));
}

// Records whose index or page range lies outside the files are refused.
TEST(FileList, RefusesRecordsOutsideTheFiles) {
  TempDir dir;
  WriteBook(dir, 16, {{"v\\1.htm", "abcdef"}, {"v\\2.htm", "gh"}});
  // Corrupt record 1: end offset past the content file.
  std::string header = ReadFile(dir.file("Index-fl.h"));
  const size_t rec1 = static_cast<size_t>(PageRecordOffset(1, 16));
  header[rec1 + 16] = 100;  // end offset 100 > content size 8
  // Append a partial record (not counted).
  header += std::string(10, 'x');
  WriteFile(dir.file("Index-fl.h"), header);

  CFileList files;
  ASSERT_TRUE(files.Open(dir.path(), "Index"));
  EXPECT_EQ(files.RecordCount(), 2);
  std::string page;
  int32_t len;
  EXPECT_TRUE(files.ReadPage(0, page));
  EXPECT_FALSE(files.ReadPage(1, page));
  EXPECT_FALSE(files.GetPageLength(1, len));
  for (int32_t bad : {-1, 2, 1 << 30}) {
    EXPECT_FALSE(files.GetPageLength(bad, len)) << bad;
    EXPECT_FALSE(files.ReadPage(bad, page)) << bad;
  }
  char small[3];
  EXPECT_FALSE(files.ReadPage(0, small, sizeof small));  // page longer than the buffer

  // Length longer than the end offset (range starts before the file).
  header = ReadFile(dir.file("Index-fl.h"));
  header[rec1 + 16] = 8;
  header[rec1 + 20] = 9;
  WriteFile(dir.file("Index-fl.h"), header);
  ASSERT_TRUE(files.Open(dir.path(), "Index"));
  EXPECT_FALSE(files.ReadPage(1, page));
}

TEST(FileList, RefusesBadHeaders) {
  TempDir dir;
  WriteFile(dir.file("Index-fl.cnt"), "");
  CFileList files;
  WriteFile(dir.file("Index-fl.h"), std::string(kBookHeaderSize - 1, '\0'));
  EXPECT_EQ(files.Open(dir.path(), "Index").Code(), StatusCode::kCorrupt);
  std::string header(kBookHeaderSize, '\0');
  header[4] = 0x05;
  header[5] = 0x01;  // width 261
  WriteFile(dir.file("Index-fl.h"), header);
  EXPECT_FALSE(files.Open(dir.path(), "Index"));
  header[5] = 0x00;  // width 5
  WriteFile(dir.file("Index-fl.h"), header);
  EXPECT_TRUE(files.Open(dir.path(), "Index"));
  EXPECT_EQ(files.RecordCount(), 0);
}

}  // namespace

namespace {

// FindPage as a record-by-record scan of the header bytes: the first record
// at or after start whose page number is page; out is the last record looked
// at, and a record whose name the file cuts short ends the scan.
bool ScanForPage(const std::string& header, int32_t width, int32_t start, int32_t page, int32_t& out) {
  out = start - 1;
  if (start < 0) return false;
  const int64_t size = static_cast<int64_t>(header.size());
  for (int64_t i = start; PageRecordOffset(i, width) < size; ++i) {
    const int64_t offset = PageRecordOffset(i, width);
    out = static_cast<int32_t>(i);
    if (offset + width > size) return false;
    const char* name = header.data() + offset;
    int32_t number = 0;
    if (CFileList::PageNumberFromName(std::string_view(name, strnlen(name, width)), number) && number == page)
      return true;
  }
  return false;
}

}  // namespace

// A page table of several read chunks, with repeated page numbers, records
// without a number and a last record cut short, looked up through the index
// of page numbers and by a scan (an index limit of 0): both give the answers
// of a record-by-record scan.
TEST(FileList, FindPageAgreesWithARecordByRecordScan) {
  constexpr int32_t kWidth = 12;
  constexpr int32_t kRecords = 150000;  // 3 MB of records: more than two chunks of 1 MiB
  std::string header(kBookHeaderSize, '\0');
  header[kNameWidthOffset] = kWidth;
  for (int32_t i = 0; i < kRecords; ++i) {
    char name[kWidth] = {};
    if (i % 7 == 3)
      std::snprintf(name, sizeof name, "v%d", i % 100);  // no backslash: no page number
    else
      std::snprintf(name, sizeof name, "v\\%d.htm", (i * 37) % 5000 - 100);  // each number ~30 times
    header.append(name, kWidth);
    header.append(8, '\0');
  }
  TempDir dir;
  WriteFile(dir.file("Index-fl.cnt"), "");
  const std::vector<std::pair<int32_t, int32_t>> queries = [] {
    std::vector<std::pair<int32_t, int32_t>> q;
    for (int32_t start : {-5, 0, 1, 52428, 52429, 104856, 149999, 150000, 150001, 160000})
      for (int32_t page : {-100, -1, 0, 1, 7, 4899, 4900, 99999, 50, 3700}) q.emplace_back(start, page);
    for (int32_t k = 0; k < 60; ++k) q.emplace_back((k * 7919) % kRecords, (k * 613) % 5200 - 150);
    return q;
  }();
  // As written; then with a last record whose name is whole but whose
  // offsets are cut off (it is looked at); then one whose name is cut short.
  const std::string shapes[] = {header, header + std::string("v\\55.htm\0\0\0\0\0\0", 12) + "abc",
                                header + "v\\55.h"};
  for (const std::string& h : shapes) {
    WriteFile(dir.file("Index-fl.h"), h);
    for (size_t limit : {CFileList::kMaxPageIndexEntries, size_t(0)}) {
      CFileList files;
      files.SetPageIndexLimit(limit);
      ASSERT_TRUE(files.Open(dir.path(), "Index"));
      for (const auto& [start, page] : queries) {
        int32_t want = -7, got = -7;
        const bool expected = ScanForPage(h, kWidth, start, page, want);
        EXPECT_EQ(files.FindPage(start, page, got), expected) << start << " " << page << " limit " << limit;
        EXPECT_EQ(got, want) << start << " " << page << " limit " << limit;
      }
      int32_t out = 0;
      EXPECT_TRUE(files.FindPage(0, 55, out));
      if (h.size() > header.size() + 6) {
        // the whole name of the last record: found from past all others
        EXPECT_EQ(files.FindPage(kRecords, 55, out), h.size() == header.size() + 15);
        EXPECT_EQ(out, kRecords);
      }
    }
  }
}
}  // namespace tevarin
