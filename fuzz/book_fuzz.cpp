// Fuzz target: the book store over a damaged book header and content file.
// Input: [u16 length][book header bytes][u16 length][keyword string, UTF-16LE]
//        [u8 scope][content file bytes: the rest].
// Opens the store and asks for every record (and a few outside the table):
// lengths, pages, page lookups and the stored pages of hit pages, which are
// rendered with the characters the keyword string's units pick marked. Every answer must be a refusal or
// agree with the records: a page read is exactly the record's length and lies
// inside the content file, a lookup lands on a record carrying that number.
// The verifier's book check runs too; when it passes, every record must read.
// Page lookups must give the answers of a record-by-record scan of the
// header, through the index of page numbers and without it.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzzsupport.h"
#include "catalog/collectioncheck.h"
#include "store/bookformat.h"
#include "store/filelist.h"
#include "store/hitpage.h"
#include "store/pagetext.h"

using namespace tevarin;

namespace {

// FindPage as a record-by-record scan of the header bytes: the first record
// at or after start whose page number is page; out is the last record looked
// at, and a record whose name the file cuts short ends the scan.
bool ScanForPage(std::string_view header, int32_t width, int32_t start, int32_t page, int32_t& out) {
  out = start - 1;
  if (start < 0) return false;
  const int64_t size = static_cast<int64_t>(header.size());
  for (int64_t i = start; PageRecordOffset(i, width) < size; ++i) {
    const int64_t offset = PageRecordOffset(i, width);
    out = static_cast<int32_t>(i);
    if (offset + width > size) return false;
    const std::string_view field = header.substr(static_cast<size_t>(offset), static_cast<size_t>(width));
    int32_t number = 0;
    if (CFileList::PageNumberFromName(field.substr(0, field.find('\0')), number) && number == page)
      return true;
  }
  return false;
}

size_t CountAnchors(const std::string& page) {
  size_t n = 0;
  for (size_t at = page.find("<a name=\""); at != std::string::npos; at = page.find("<a name=\"", at + 1)) ++n;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const std::string_view header = in.Sized();
  const std::u16string keywords = FuzzInput::Units(in.Sized());
  const HitScope scope = static_cast<HitScope>(in.U8() % 4);  // 3 is no scope the form passes
  const std::string_view content = in.Rest();
  const std::string& dir = ScratchDir();
  WriteScratchFile(dir + "/Index-fl.h", header);
  WriteScratchFile(dir + "/Index-fl.cnt", content);

  CFileList files;
  if (!files.Open(dir, "Index")) {
    FUZZ_CHECK(!files.IsOpen());
    int32_t out = 0;
    FUZZ_CHECK(!files.FindPage(0, 1, out));
    std::string page = "old";
    int32_t number = 5;
    FUZZ_CHECK(!files.ReadHitPageSource(0, page, number) && page.empty());
    return 0;
  }
  const int32_t count = files.RecordCount();
  FUZZ_CHECK(count >= 0);
  // The page lookup without its index of page numbers: scanned every time.
  CFileList scanning;
  scanning.SetPageIndexLimit(0);
  FUZZ_CHECK(scanning.Open(dir, "Index"));
  CollectionVerifier verifier(dir);
  const bool sound = verifier.CheckBook().IsOk();
  FUZZ_CHECK(files.ContentSize() == static_cast<int64_t>(content.size()));
  const int32_t probe = count < 40 ? count : 40;
  for (int32_t i = -2; i < probe + 2; ++i) {
    CFileList::PageRecord rec;
    const bool inTable = i >= 0 && i < count;
    const bool ok = files.ReadRecord(i, rec).IsOk();
    if (!inTable) FUZZ_CHECK(!ok);
    if (sound && inTable) FUZZ_CHECK(ok);
    if (ok) {
      FUZZ_CHECK(rec.length >= 0 && rec.endOffset >= rec.length);
      FUZZ_CHECK(rec.endOffset <= static_cast<int64_t>(content.size()));
    }
    int32_t length = -1;
    FUZZ_CHECK(files.GetPageLength(i, length).IsOk() == ok);
    if (ok) FUZZ_CHECK(length == rec.length);

    std::string page;
    FUZZ_CHECK(files.ReadPage(i, page).IsOk() == ok);
    if (ok) {
      FUZZ_CHECK(page.size() == static_cast<size_t>(rec.length));
      const size_t from = static_cast<size_t>(rec.endOffset - rec.length);
      for (size_t k = 0; k < page.size(); ++k)
        FUZZ_CHECK(static_cast<uint8_t>(page[k] ^ content[from + k]) == kContentMask);
      // A buffer one byte short is refused, never overrun.
      if (rec.length > 0) {
        std::vector<char> small(static_cast<size_t>(rec.length) - 1);
        FUZZ_CHECK(!files.ReadPage(i, small.data(), small.size()));
      }
    }

    // The page lookup lands on a record that carries the number asked for.
    int32_t number = 0;
    const bool hasNumber = ok && CFileList::PageNumberFromName(rec.name, number);
    int32_t found = -7;
    const int32_t start = i < 0 ? 0 : i;
    if (hasNumber && files.FindPage(start, number, found)) {
      FUZZ_CHECK(found >= start && found <= i);
      CFileList::PageRecord hit;
      int32_t hitNumber = 0;
      if (files.ReadRecord(found, hit))
        FUZZ_CHECK(CFileList::PageNumberFromName(hit.name, hitNumber) && hitNumber == number);
    }
    found = -7;
    if (!files.FindPage(i, 12345, found)) FUZZ_CHECK(found >= i - 1 && found <= count);
    // Both ways of looking up give the scan's answers.
    for (const int32_t page : {number, 12345, 0, -1}) {
      int32_t want = -7, got = -7, scanned = -7;
      const bool expected = ScanForPage(header, files.NameWidth(), i, page, want);
      FUZZ_CHECK(files.FindPage(i, page, got) == expected && got == want);
      FUZZ_CHECK(scanning.FindPage(i, page, scanned) == expected && scanned == want);
    }

    // The stored page of a hit page: the page read, when it is not too large
    // to mark, with the number its name carries; a refusal leaves none.
    std::string source = "old";
    int32_t pageNumber = -7;
    const bool readable = files.ReadHitPageSource(i, source, pageNumber).IsOk();
    FUZZ_CHECK(readable == (ok && static_cast<size_t>(rec.length) <= CFileList::kMaxHitPageSource));
    if (!readable) {
      FUZZ_CHECK(source.empty());
      continue;
    }
    FUZZ_CHECK(source == page);
    int32_t named = 0;
    if (!CFileList::PageNumberFromName(rec.name, named)) named = 0;
    FUZZ_CHECK(pageNumber == named);
    // Its hit page is the template, with one anchor per match marked.
    const PageText text = ReadPageText(source, pageNumber);
    HitMarks marks;
    for (char16_t unit : keywords) {
      if (text.chars.empty()) break;
      const uint32_t at = unit % text.chars.size();
      marks.starts.push_back(static_cast<uint32_t>(marks.ranges.size()));
      marks.ranges.push_back(CharRange{at, std::min<uint32_t>(at + unit / 4096, static_cast<uint32_t>(text.chars.size()) - 1)});
    }
    std::string out;
    FUZZ_CHECK(RenderHitPage(text, marks, scope, out));
    FUZZ_CHECK(out.compare(0, 6, "<html>") == 0);
    if (page.find("<a name=\"") == std::string::npos) FUZZ_CHECK(CountAnchors(out) == marks.Count());
  }
  return 0;
}
