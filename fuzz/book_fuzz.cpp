// Fuzz target: the book store over a damaged book header and content file.
// Input: [u16 length][book header bytes][u16 length][keyword string, UTF-16LE]
//        [u8 scope][content file bytes: the rest].
// Opens the store and asks for every record (and a few outside the table):
// lengths, pages, page lookups and hit pages. Every answer must be a refusal or
// agree with the records: a page read is exactly the record's length and lies
// inside the content file, a lookup lands on a record carrying that number.
// The verifier's book check runs too; when it passes, every record must read.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzzsupport.h"
#include "catalog/collectioncheck.h"
#include "store/filelist.h"

using namespace tevarin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const std::string_view header = in.Sized();
  const std::u16string keywords = FuzzInput::Units(in.Sized());
  const int32_t scope = in.U8() % 4;  // 3 is no scope the form passes
  const std::string_view content = in.Rest();
  const std::string& dir = ScratchDir();
  WriteScratchFile(dir + "/Index-fl.h", header);
  WriteScratchFile(dir + "/Index-fl.cnt", content);

  CFileList files;
  if (!files.Open(dir, "Index")) {
    FUZZ_CHECK(!files.IsOpen());
    int32_t out = 0;
    FUZZ_CHECK(!files.FindPage(0, 1, out));
    std::string page = "untouched";
    FUZZ_CHECK(files.RenderHitPage(0, page, u"一", 0) == 0 && page == "untouched");
    return 0;
  }
  const int32_t count = files.RecordCount();
  FUZZ_CHECK(count >= 0);
  CollectionVerifier verifier(dir);
  const bool sound = verifier.CheckBook();
  FUZZ_CHECK(files.ContentSize() == static_cast<int64_t>(content.size()));
  const int32_t probe = count < 40 ? count : 40;
  for (int32_t i = -2; i < probe + 2; ++i) {
    CFileList::PageRecord rec;
    const bool inTable = i >= 0 && i < count;
    const bool ok = files.ReadRecord(i, rec);
    if (!inTable) FUZZ_CHECK(!ok);
    if (sound && inTable) FUZZ_CHECK(ok);
    if (ok) {
      FUZZ_CHECK(rec.length >= 0 && rec.endOffset >= rec.length);
      FUZZ_CHECK(rec.endOffset <= static_cast<int64_t>(content.size()));
    }
    int32_t length = -1;
    FUZZ_CHECK(files.GetPageLength(i, length) == ok);
    if (ok) FUZZ_CHECK(length == rec.length);

    std::string page;
    FUZZ_CHECK(files.ReadPage(i, page) == ok);
    if (ok) {
      FUZZ_CHECK(page.size() == static_cast<size_t>(rec.length));
      const size_t from = static_cast<size_t>(rec.endOffset - rec.length);
      for (size_t k = 0; k < page.size(); ++k)
        FUZZ_CHECK(static_cast<uint8_t>(page[k] ^ content[from + k]) == 0xA7);
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

    // The hit page: a refusal leaves no page behind; a rendered page is the
    // template, whatever the stored bytes were.
    std::string out;
    const int32_t anchors = files.RenderHitPage(i, out, keywords, scope);
    FUZZ_CHECK(anchors >= 0);
    if (!ok) FUZZ_CHECK(anchors == 0);
    if (!out.empty()) FUZZ_CHECK(out.compare(0, 6, "<html>") == 0);
  }
  return 0;
}
