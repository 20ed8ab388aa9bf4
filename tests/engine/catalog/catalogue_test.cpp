#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <vector>

#include <unistd.h>

#include "index/index.h"
#include "catalog/catalogue.h"
#include "catalog/pagedisplay.h"
#include "catalog/searchresult.h"
#include "support/testutil.h"
#include "writer/bookwriter.h"
#include "writer/cataloguewriter.h"
#include "writer/indexwriter.h"

namespace tevarin {

namespace {

// 經部 (records 0..5) > 論語 (0..4) > 學而第一 (0..1, pages 1-2), 為政第二 (2..4, pages 1-3);
// record 5 belongs to the division but to no book. 集部 (6..7) > 全唐詩 > 卷一 (6..7).
void WriteCatalogue(const TempDir& dir, CatalogueWriter& w) {
  ASSERT_TRUE(w.Add(u"經部", 1, 1, 6, 1));
  ASSERT_TRUE(w.Add(u"論語", 2, 1, 5, 1));
  ASSERT_TRUE(w.Add(u"學而第一", 3, 1, 2, 1));
  ASSERT_TRUE(w.Add(u"為政第二", 3, 3, 3, 1));
  ASSERT_TRUE(w.Add(u"集部", 1, 7, 2, 1));
  ASSERT_TRUE(w.Add(u"全唐詩", 2, 7, 2, 1));
  ASSERT_TRUE(w.Add(u"卷一", 3, 7, 2, 1));
  ASSERT_TRUE(w.Write(dir.file("vok.dir")));
}

TEST(Catalogue, LoadsTheTableTheTreeAndTheListing) {
  TempDir dir;
  CatalogueWriter w;
  WriteCatalogue(dir, w);
  CCatalogue c;
  const Status loaded = c.Load(dir.path());
  ASSERT_TRUE(loaded) << loaded.Message();
  EXPECT_EQ(c.NodeCount(), 8);
  EXPECT_EQ(c.Entry(4)->Name(), u"為政第二");
  EXPECT_EQ(c.Entry(4)->docID, 3);
  EXPECT_EQ(c.Entry(4)->docNo, 3);
  EXPECT_EQ(c.Entry(4)->curFileName, 1);
  EXPECT_EQ(c.Entry(0), nullptr);
  EXPECT_EQ(c.Entry(8), nullptr);

  const ContentsNodeTag* root = c.Root();
  ASSERT_EQ(root->children.size(), 2u);
  EXPECT_EQ(root->name, u"root");
  EXPECT_EQ(root->children[0]->children[0]->children.size(), 2u);
  EXPECT_EQ(c.NodeOf(7)->parent, c.NodeOf(6));
  EXPECT_EQ(c.RangePath(4), u"經部\\論語\\為政第二");
  EXPECT_EQ(c.RangePath(5), u"集部");

  EXPECT_EQ(c.Listing(),
            "name=經部\tdocID=1\tdocNo=6\tcurFileName=1\n"
            "\tname=論語\tdocID=1\tdocNo=5\tcurFileName=1\n"
            "\t\tname=學而第一\tdocID=1\tdocNo=2\tcurFileName=1\n"
            "\t\tname=為政第二\tdocID=3\tdocNo=3\tcurFileName=1\n"
            "name=集部\tdocID=7\tdocNo=2\tcurFileName=1\n"
            "\tname=全唐詩\tdocID=7\tdocNo=2\tcurFileName=1\n"
            "\t\tname=卷一\tdocID=7\tdocNo=2\tcurFileName=1\n");
  EXPECT_TRUE(c.WriteListing(dir.file("vok.txt")));
  EXPECT_EQ(ReadFile(dir.file("vok.txt")), c.Listing());
  EXPECT_FALSE(c.WriteListing(dir.file("no/such/folder/vok.txt")));
  // A symbolic link at the listing's name is never written through; a file
  // sharing the listing's contents through a hard link keeps its own.
  WriteFile(dir.file("elsewhere"), "keep");
  ASSERT_EQ(symlink(dir.file("elsewhere").c_str(), dir.file("linked.txt").c_str()), 0);
  EXPECT_FALSE(c.WriteListing(dir.file("linked.txt")));
  EXPECT_EQ(ReadFile(dir.file("elsewhere")), "keep");
  ASSERT_EQ(link(dir.file("vok.txt").c_str(), dir.file("twin").c_str()), 0);
  WriteFile(dir.file("twin"), "old listing");
  EXPECT_TRUE(c.WriteListing(dir.file("vok.txt")));
  EXPECT_EQ(ReadFile(dir.file("vok.txt")), c.Listing());
  EXPECT_EQ(ReadFile(dir.file("twin")), "old listing");

  // FindParentNode: the most recent node one level up; the root for level 1.
  ContentsNodeTag added;
  added.level = 3;
  EXPECT_EQ(FindParentNode(const_cast<ContentsNodeTag*>(root), added), c.NodeOf(6));
  added.level = 2;
  EXPECT_EQ(FindParentNode(const_cast<ContentsNodeTag*>(root), added), c.NodeOf(5));
  added.level = 1;
  EXPECT_EQ(FindParentNode(const_cast<ContentsNodeTag*>(root), added), root);

  // FindNode compares the four numbers, not the name.
  NodeItem probe = *c.Entry(7);
  EXPECT_EQ(FindNode(root, probe), c.NodeOf(7));
  probe.docNo = 99;
  EXPECT_EQ(FindNode(root, probe), nullptr);
}

TEST(Catalogue, OneRecordAndTwinRecords) {
  TempDir dir;
  CatalogueWriter one;
  ASSERT_TRUE(one.Add(u"甲", 1, 1, 1, 1));
  ASSERT_TRUE(one.Write(dir.file("vok.dir")));
  CCatalogue c;
  ASSERT_TRUE(c.Load(dir.path()));
  EXPECT_EQ(c.NodeCount(), 2);
  EXPECT_EQ(c.Root()->children.size(), 1u);

  CatalogueWriter twins;
  ASSERT_TRUE(twins.Add(u"甲", 1, 1, 4, 1));
  ASSERT_TRUE(twins.Add(u"乙", 1, 1, 4, 1));
  ASSERT_TRUE(twins.Write(dir.file("vok.dir")));
  ASSERT_TRUE(c.Load(dir.path()));
  EXPECT_EQ(FindNode(c.Root(), *c.Entry(2)), c.NodeOf(1));  // always the first
}

TEST(Catalogue, MalformedFilesAreReadSafely) {
  TempDir dir;
  CCatalogue c;
  EXPECT_FALSE(c.Load(dir.path()));
  EXPECT_EQ(c.NodeCount(), 1);
  EXPECT_TRUE(c.Root()->children.empty());

  // 10,001 records and a partial one: 9,999 entries, the rest reported.
  CatalogueWriter big;
  ASSERT_TRUE(big.Add(u"部", 1, 1, 10000, 1));
  for (int i = 1; i <= 10000; ++i) ASSERT_TRUE(big.Add(u"卷", 2, i, 1, 1));
  WriteFile(dir.file("vok.dir"), big.Bytes() + std::string(100, '\x01'));
  ASSERT_TRUE(c.Load(dir.path()));
  EXPECT_EQ(c.NodeCount(), 10000);
  EXPECT_EQ(c.Notes().size(), 2u);
  EXPECT_EQ(c.Root()->children[0]->children.size(), 9998u);

  // A volume with no book before it, a book with no division, a level of 25,
  // negative levels (one "below" the other), a level 0.
  CatalogueWriter odd;
  ASSERT_TRUE(odd.Add(u"卷", 3, 1, 1, 1));
  ASSERT_TRUE(odd.Add(u"部", 1, 1, 2, 1));
  ASSERT_TRUE(odd.Add(u"卷二", 3, 2, 1, 1));
  ASSERT_TRUE(odd.Add(u"深", 25, 2, 1, 1));
  ASSERT_TRUE(odd.Add(u"負五", -5, 2, 1, 1));
  ASSERT_TRUE(odd.Add(u"負四", -4, 2, 1, 1));
  ASSERT_TRUE(odd.Add(u"零", 0, 2, 1, 1));
  ASSERT_TRUE(odd.Add(u"書", 2, 2, 1, 1));
  ASSERT_TRUE(odd.Write(dir.file("vok.dir")));
  ASSERT_TRUE(c.Load(dir.path()));
  EXPECT_EQ(c.NodeCount(), 9);
  EXPECT_EQ(c.Notes().size(), 6u);
  EXPECT_EQ(c.NodeOf(1)->parent, c.Root());
  EXPECT_EQ(c.RangePath(3), u"部\\卷二");  // hung under the deepest open entry
  EXPECT_EQ(c.RangePath(4), u"部\\卷二\\深");
  EXPECT_EQ(c.RangePath(6), u"負四");
  EXPECT_EQ(c.RangePath(8), u"部\\書");
  // The content tree and the tree items (ParentEntry, RangePath) agree.
  for (int i = 1; i < c.NodeCount(); ++i) {
    const int p = c.ParentEntry(i);
    EXPECT_EQ(c.NodeOf(i)->parent, p ? c.NodeOf(p) : c.Root()) << "entry " << i;
    EXPECT_EQ(c.NodeOf(i)->level, c.Entry(i)->level);
  }
  // Every node is in the tree exactly once.
  size_t nodes = 0;
  std::vector<const ContentsNodeTag*> stack{c.Root()};
  while (!stack.empty()) {
    const ContentsNodeTag* n = stack.back();
    stack.pop_back();
    ++nodes;
    for (const auto& child : n->children) stack.push_back(child.get());
  }
  EXPECT_EQ(nodes, 9u);

  // A folder named vok.dir is no catalogue.
  TempDir other;
  std::filesystem::create_directory(other.file("vok.dir"));
  const Status refused = c.Load(other.path());
  EXPECT_FALSE(refused);
  EXPECT_FALSE(refused.Message().empty());
  EXPECT_EQ(c.NodeCount(), 1);
}

TEST(SearchResult, TitlesByRangeLevelAndSorts) {
  TempDir dir;
  CatalogueWriter w;
  WriteCatalogue(dir, w);
  CCatalogue c;
  ASSERT_TRUE(c.Load(dir.path()));
  const std::vector<uint32_t> pages = {4, 0, 5, 3, 7};
  const std::vector<uint32_t> counts = {2, 1, 5, 1, 9};
  std::vector<SearchNodeTag> r;

  // Level 1: the division. Record 5 lies in no book: empty book and volume, page 0.
  EXPECT_EQ(BuildSearchResult(c.NodeOf(1), pages, counts, r), 9);
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[0].nRecord, 5);
  EXPECT_EQ(r[0].nPageNo, 0);
  EXPECT_EQ(r[0].strBook, u"");
  EXPECT_EQ(r[0].strVolume, u"");
  EXPECT_EQ(r[0].strClass, u"經部");
  // Page 1 of each volume before any page 2.
  EXPECT_EQ(r[1].nRecord, 0);
  EXPECT_EQ(r[1].nPageNo, 1);
  EXPECT_EQ(r[1].strVolume, u"學而第一");
  EXPECT_EQ(r[1].strBook, u"論語");
  EXPECT_EQ(r[2].nPageNo, 2);  // record 3 = page 2 of 為政第二
  EXPECT_EQ(r[3].nPageNo, 3);  // record 4

  // Level 2: the book; level 3: the volume.
  EXPECT_EQ(BuildSearchResult(c.NodeOf(2), pages, counts, r), 4);
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0].strClass, u"經部");
  EXPECT_EQ(r[0].strBook, u"論語");
  EXPECT_EQ(BuildSearchResult(c.NodeOf(7), pages, counts, r), 9);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].strClass, u"集部");
  EXPECT_EQ(r[0].strBook, u"全唐詩");
  EXPECT_EQ(r[0].strVolume, u"卷一");
  EXPECT_EQ(r[0].nPageNo, 2);
  EXPECT_EQ(SummaryText(1, 9), u"全部で 1 頁で、9 箇所でした。");

  // No range node: everything, untitled.
  EXPECT_EQ(BuildSearchResult(nullptr, pages, counts, r), 18);
  EXPECT_EQ(r.size(), 5u);
  EXPECT_EQ(r[0].strClass, u"");
  EXPECT_EQ(r[0].nPageNo, 0);
  // Hit counts beyond int32 saturate instead of turning negative.
  EXPECT_EQ(BuildSearchResult(nullptr, {0, 1}, {0xFFFFFFFFu, 5}, r), INT32_MAX);
  EXPECT_EQ(r[0].nHits, INT32_MAX);

  // A volume with no book above it: no title is taken from the tree's root.
  CatalogueWriter odd;
  ASSERT_TRUE(odd.Add(u"卷", 3, 1, 2, 1));
  ASSERT_TRUE(odd.Write(dir.file("vok.dir")));
  ASSERT_TRUE(c.Load(dir.path()));
  EXPECT_EQ(BuildSearchResult(c.NodeOf(1), {1}, {3}, r), 3);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].strClass, u"");
  EXPECT_EQ(r[0].strBook, u"");
  EXPECT_EQ(r[0].strVolume, u"卷");
  EXPECT_EQ(r[0].nPageNo, 2);
}

TEST(SearchResult, Paging) {
  EXPECT_EQ(ResultPageCount(0), 0);
  EXPECT_EQ(ResultPageCount(100), 1);
  EXPECT_EQ(ResultPageCount(101), 2);
  EXPECT_EQ(ResultPageRows(2, 101), (std::pair<size_t, size_t>{100, 101}));
  EXPECT_EQ(ResultPageRows(1, 101), (std::pair<size_t, size_t>{0, 100}));
  const PagingState one = ComputePaging(1, 1);
  EXPECT_FALSE(one.prevEnabled);
  EXPECT_FALSE(one.nextEnabled);
  EXPECT_TRUE(one.editReadOnly);
  const PagingState last = ComputePaging(2, 2);
  EXPECT_TRUE(last.prevEnabled);
  EXPECT_FALSE(last.nextEnabled);

  const std::pair<const char16_t*, int32_t> typed[] = {
      {u"0", 0}, {u"", 0}, {u"abc", 0}, {u" 2", 2}, {u"+1", 1}, {u"3x", 3}, {u"-4", -4}};
  for (const auto& [text, n] : typed) EXPECT_EQ(ParseTypedNumber(text), n);
  EXPECT_FALSE(AcceptTypedPage(0, 2));
  EXPECT_FALSE(AcceptTypedPage(3, 2));
  EXPECT_TRUE(AcceptTypedPage(2, 2));
}

TEST(PageDisplay, FindsTheEntrysPagesAndRefusesOthers) {
  TempDir dir;
  BookWriter book;
  ASSERT_TRUE(book.Create(dir.path(), "Index", 32));
  const char* names[] = {"a\\0001.htm", "a\\0002.htm", "b\\0001.htm", "b\\0002.htm",
                         "c\\0001.htm", "c\\0003.htm", "d\\0002.htm"};
  for (int i = 0; i < 7; ++i) ASSERT_TRUE(book.AddPage(names[i], std::string("page") + char('0' + i)));
  ASSERT_TRUE(book.Finish());
  // An empty index is enough for page display.
  IndexWriter empty;
  ASSERT_TRUE(empty.Write(dir.file("Index")));
  CIndex index;
  const Status opened = index.Open(dir.path(), "Index", IndexPart::FullText);
  ASSERT_TRUE(opened) << opened.Message();

  NodeItem b;
  b.level = 3;
  b.docID = 3;
  b.docNo = 2;
  b.curFileName = 1;
  TocPage page;
  ASSERT_TRUE(LoadTocPage(index, b, true, 99, page));
  EXPECT_EQ(page.bytes, "page2");
  ASSERT_TRUE(LoadTocPage(index, b, false, 2, page));
  EXPECT_EQ(page.bytes, "page3");
  const Status outside = LoadTocPage(index, b, false, 3, page);
  EXPECT_EQ(outside.Code(), StatusCode::kInvalid);
  EXPECT_FALSE(outside.Message().empty());
  EXPECT_FALSE(LoadTocPage(index, b, false, 0, page));
  // Page 2 lies in c's page numbers, but c's records carry 1 and 3; the lookup
  // runs on into d, which carries 2: refused, not d's page.
  NodeItem c;
  c.level = 3;
  c.docID = 5;
  c.docNo = 2;
  c.curFileName = 1;
  ASSERT_TRUE(LoadTocPage(index, c, false, 1, page));
  EXPECT_EQ(page.bytes, "page4");
  const Status missing = LoadTocPage(index, c, false, 2, page);
  EXPECT_FALSE(missing);
  EXPECT_NE(missing.Message().find("no record"), std::string::npos) << missing.Message();
  // An entry naming no records of the collection.
  NodeItem bad = c;
  bad.docID = INT32_MIN;
  EXPECT_FALSE(LoadTocPage(index, bad, true, 1, page));

  // By entry index: entries 1..count only.
  CatalogueWriter w;
  ASSERT_TRUE(w.Add(u"甲", 1, 1, 4, 1));
  ASSERT_TRUE(w.Add(u"乙", 2, 3, 2, 1));
  ASSERT_TRUE(w.Write(dir.file("vok.dir")));
  CCatalogue cat;
  ASSERT_TRUE(cat.Load(dir.path()));
  ASSERT_TRUE(LoadTocPage(index, cat, 2, false, 2, page));
  EXPECT_EQ(page.bytes, "page3");
  EXPECT_FALSE(LoadTocPage(index, cat, 0, true, 1, page));
  EXPECT_FALSE(LoadTocPage(index, cat, 3, true, 1, page));

  index.Close();
  EXPECT_FALSE(LoadTocPage(index, b, true, 1, page));
}

}  // namespace

}  // namespace tevarin
