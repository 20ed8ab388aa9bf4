// Fuzz target: the catalogue "vok.dir" through everything that reads it: the
// table, the listing, the content tree, FindNode, range paths, the search
// results inside a range, table-of-contents pages and the verifier.
// Input: [u8 n][n x (u32 record index, u16 hit count)] hit list for the
//        results; [vok.dir bytes: the rest].
// The book store and index are the sound fixture collection, opened once.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/robust_collection.h"
#include "fuzzsupport.h"
#include "index/index.h"
#include "catalog/collectioncheck.h"
#include "catalog/catalogue.h"
#include "catalog/pagedisplay.h"
#include "catalog/searchresult.h"

using namespace tevarin;

namespace {

size_t CountNodes(const ContentsNodeTag* node, int depth) {
  FUZZ_CHECK(depth < 64);
  size_t n = 1;
  for (const auto& child : node->children) {
    FUZZ_CHECK(child->parent == node);
    n += CountNodes(child.get(), depth + 1);
  }
  return n;
}

bool Same(const ContentsNodeTag* node, const NodeItem& item) {
  return node->level == item.level && node->docID == item.docID && node->docNo == item.docNo &&
         node->curFileName == item.curFileName;
}

// The first node in pre-order with the entry's numbers, found by walking.
const ContentsNodeTag* FirstSame(const ContentsNodeTag* node, const NodeItem& item) {
  if (Same(node, item)) return node;
  for (const auto& child : node->children)
    if (const ContentsNodeTag* r = FirstSame(child.get(), item)) return r;
  return nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string dir = [] {
    const std::string d = ScratchDir() + "/collection";
    std::filesystem::create_directories(d);
    FUZZ_CHECK(robust::WriteCollection(d));
    return d;
  }();
  static CIndex* index = [] {
    auto* idx = new CIndex;
    FUZZ_CHECK(idx->Open(dir, "Index", IndexPart::FullText));
    return idx;
  }();
  const int32_t records = index->Files().RecordCount();

  FuzzInput in(data, size);
  std::vector<uint32_t> pages, counts;
  for (int n = in.U8() % 32; n > 0; --n) {
    pages.push_back(in.U32());
    counts.push_back(in.U16());
  }
  const std::string_view bytes = in.Rest();
  WriteScratchFile(dir + "/vok.dir", bytes);

  CCatalogue catalogue;
  FUZZ_CHECK(catalogue.Load(dir));
  const size_t expectEntries =
      std::min<size_t>(bytes.size() / kCatalogueRecordSize, CCatalogue::kMaxEntries);
  FUZZ_CHECK(catalogue.NodeCount() == static_cast<int>(expectEntries) + 1);
  FUZZ_CHECK(CountNodes(catalogue.Root(), 0) == expectEntries + 1);

  // The listing: one line per entry.
  const std::string listing = catalogue.Listing();
  size_t lines = 0;
  for (char c : listing) lines += c == '\n';
  FUZZ_CHECK(lines >= expectEntries);  // a name may hold a line feed of its own

  for (int i = 1; i < catalogue.NodeCount() && i <= 64; ++i) {
    const NodeItem* item = catalogue.Entry(i);
    FUZZ_CHECK(item != nullptr);
    const ContentsNodeTag* node = catalogue.NodeOf(i);
    FUZZ_CHECK(node && Same(node, *item));
    const ContentsNodeTag* found = FindNode(catalogue.Root(), *item);
    FUZZ_CHECK(found == FirstSame(catalogue.Root(), *item));
    const std::u16string path = catalogue.RangePath(i);
    FUZZ_CHECK(path.size() >= item->Name().size());

    // Results inside the entry: only its pages, the hits of those counted.
    std::vector<SearchNodeTag> results;
    const int32_t total = BuildSearchResult(node, pages, counts, results);
    int64_t want = 0;
    size_t kept = 0;
    for (size_t k = 0; k < pages.size(); ++k)
      if (node->Holds(pages[k])) {
        want += counts[k];
        ++kept;
      }
    FUZZ_CHECK(results.size() == kept);
    FUZZ_CHECK(total == want);
    for (size_t k = 0; k < results.size(); ++k) {
      FUZZ_CHECK(node->Holds(static_cast<uint32_t>(results[k].nRecord)));
      if (k) FUZZ_CHECK(uint32_t(results[k - 1].nPageNo) <= uint32_t(results[k].nPageNo));
    }

    // Table-of-contents pages: a page shown is the entry's and carries the number asked.
    for (int32_t page : {int32_t(item->curFileName), int32_t(item->curFileName) + 1, 0, -1}) {
      TocPage toc;
      if (!LoadTocPage(*index, *item, page == 0, page, toc)) continue;
      FUZZ_CHECK(toc.record >= int64_t(item->docID) - 1 &&
                 toc.record <= int64_t(item->docID) + item->docNo - 2 && toc.record < records);
      CFileList::PageRecord rec;
      int32_t number = 0;
      FUZZ_CHECK(index->Files().ReadRecord(toc.record, rec) &&
                 CFileList::PageNumberFromName(rec.name, number) && number == toc.pageNo);
    }
  }
  std::vector<SearchNodeTag> all;
  BuildSearchResult(nullptr, pages, counts, all);
  FUZZ_CHECK(all.size() == pages.size());

  CollectionVerifier verifier(dir);
  FUZZ_CHECK(verifier.CheckBook());
  (void)verifier.CheckCatalogue();
  return 0;
}
