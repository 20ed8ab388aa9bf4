// The collection builder end to end: a tiny corpus in the package's shapes,
// built through the builder's library, read back through the engine (CFileList,
// CIndex) and a direct read of vok.dir.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "collectionbuilder.h"
#include "index/charslot.h"
#include "index/index.h"
#include "mkcollection_fixture.h"
#include "store/pagesections.h"

namespace {

struct Built {
  TinyCorpus corpus;
  TempDir out;
  BuildStats stats;
  std::vector<Division> divisions;
  std::vector<std::vector<uint32_t>> groups = {{0x5B66, 0x5B78}};  // 学 學: group slot 88065

  Built() {
    std::string error;
    if (!ReadCorpus(corpus.Path(), corpus.sources, nullptr, divisions, error)) {
      ADD_FAILURE() << error;
      return;
    }
    BuildOptions options;
    options.pageChars = 100;
    if (!BuildCollectionInto(divisions, groups, out.path(), options, stats, error)) ADD_FAILURE() << error;
  }
};

std::string TextCell(const std::string& page, int32_t pageNo) {
  return ParsePage(page)[pageNo % 2 ? 2 : 1].text;
}

TEST(MkCollectionBuild, CatalogueCoversTheVolumesInPreOrder) {
  Built b;
  const auto cat = ReadVokDir(b.out.file("vok.dir"));
  struct Row {
    const char16_t* name;
    int32_t level, docID, docNo;
  };
  // 唐詩 卷二 holds 400 characters: five pages of 100. 宋詩 is cut where the
  // author changes (甲 | 乙 乙), its files read in numeric order (2 before 10).
  const Row expected[] = {
      {u"集部", 1, 1, 8},  {u"唐詩", 2, 1, 6},      {u"卷一", 3, 1, 1},      {u"卷二", 3, 2, 5},
      {u"宋詩", 2, 7, 2},  {u"卷一", 3, 7, 1},      {u"卷二", 3, 8, 1},      {u"經部", 1, 9, 2},
      {u"論語", 2, 9, 2},  {u"學而第一", 3, 9, 1}, {u"為政第二", 3, 10, 1},
  };
  ASSERT_EQ(cat.size(), std::size(expected));
  EXPECT_EQ(b.stats.catalogueEntries, cat.size());
  EXPECT_EQ(b.stats.records, 10);
  for (size_t i = 0; i < cat.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(cat[i].name, expected[i].name);
    EXPECT_EQ(cat[i].level, expected[i].level);
    EXPECT_EQ(cat[i].docID, expected[i].docID);
    EXPECT_EQ(cat[i].docNo, expected[i].docNo);
    EXPECT_EQ(cat[i].curFileName, 1);
  }

  // The arithmetic the reader relies on: a volume's pages are the records
  // docID-1 .. docID+docNo-2 with page numbers curFileName .. curFileName+docNo-1,
  // and every entry covers exactly the entries below it.
  CFileList files;
  ASSERT_TRUE(files.Open(b.out.path(), "Index"));
  EXPECT_EQ(files.StoredValue(), files.RecordCount());
  for (size_t i = 0; i < cat.size(); ++i) {
    int64_t below = 0;
    size_t j = i + 1;
    for (; j < cat.size() && cat[j].level > cat[i].level; ++j)
      if (cat[j].level == cat[i].level + 1) below += cat[j].docNo;
    if (cat[i].level < 3) {
      EXPECT_EQ(below, cat[i].docNo) << i;
      EXPECT_EQ(cat[i + 1].docID, cat[i].docID) << i;
      continue;
    }
    for (int32_t k = 0; k < cat[i].docNo; ++k) {
      int32_t rec = -1, page = -1;
      ASSERT_TRUE(files.FindPage(cat[i].docID - 1, cat[i].curFileName + k, rec));
      EXPECT_EQ(rec, cat[i].docID - 1 + k);
      CFileList::PageRecord r;
      ASSERT_TRUE(files.ReadRecord(rec, r));
      ASSERT_TRUE(CFileList::PageNumberFromName(r.name, page));
      EXPECT_EQ(page, k + 1);
    }
  }
  CFileList::PageRecord r;
  ASSERT_TRUE(files.ReadRecord(3, r));
  EXPECT_EQ(r.name, "d1\\b01\\v0002\\0003.htm");
  ASSERT_TRUE(files.ReadRecord(9, r));
  EXPECT_EQ(r.name, "d2\\b01\\v0002\\0001.htm");
}

TEST(MkCollectionBuild, PagesCarryTheirTextInTheCellOfTheirParity) {
  Built b;
  CFileList files;
  ASSERT_TRUE(files.Open(b.out.path(), "Index"));
  for (int32_t rec = 0; rec < files.RecordCount(); ++rec) {
    SCOPED_TRACE(rec);
    CFileList::PageRecord r;
    int32_t pageNo = 0;
    std::string page;
    ASSERT_TRUE(files.ReadRecord(rec, r));
    ASSERT_TRUE(CFileList::PageNumberFromName(r.name, pageNo));
    ASSERT_TRUE(files.ReadPage(rec, page));
    const auto nodes = ParsePage(page);
    EXPECT_FALSE(nodes[0].text.empty());  // the title
    const std::string& text = nodes[pageNo % 2 ? 2 : 1].text;
    const std::string& margin = nodes[pageNo % 2 ? 1 : 2].text;
    EXPECT_TRUE(text.rfind("<h4>", 0) == 0 || text.rfind("<p", 0) == 0) << text;
    EXPECT_EQ(margin.find("<p"), std::string::npos);
    EXPECT_NE(margin.find("<br>" + std::to_string(pageNo)), std::string::npos) << margin;
  }
  // The first page of 宋詩 starts with 甲, read from poet.song.2.json.
  std::string page;
  ASSERT_TRUE(files.ReadPage(6, page));
  EXPECT_EQ(TextCell(page, 1).rfind("<h4>甲</h4>", 0), 0u);
}

TEST(MkCollectionBuild, BiographiesNotesAndAnnotationsAreNoteRuns) {
  Built b;
  CFileList files;
  ASSERT_TRUE(files.Open(b.out.path(), "Index"));
  std::string page;
  ASSERT_TRUE(files.ReadPage(0, page));
  std::vector<std::string> notes, body;
  for (const FilterItem& item : SplitNotes(TextCell(page, 1))) {
    (item.kind ? notes : body).push_back(item.text);
    EXPECT_EQ(item.text.find("</font>"), std::string::npos);
  }
  // The poet's own biography, the authors file's for the next poet (李白's
  // own field wins over the file), the annotation in a line, the corpus's note.
  const std::vector<std::string> expected = {"白字太白", "（一作看月光）", "襄陽人", "（此詩一作春晴）"};
  EXPECT_EQ(notes, expected);
  std::string joined;
  for (const auto& s : body) joined += s;
  EXPECT_NE(joined.find("<p>床前明月光"), std::string::npos);
  EXPECT_NE(joined.find("a&lt;b&amp;c"), std::string::npos);  // corpus text is escaped
  // 孟浩然's biography is given once in the book: not again in 卷二.
  ASSERT_TRUE(files.ReadPage(1, page));
  EXPECT_EQ(page.find("襄陽人"), std::string::npos);
}

TEST(MkCollectionBuild, EachIndexNumbersItsOwnScopeSkippingCharactersWithoutSlot) {
  Built b;
  // Record 0, text cell in reading order:
  //   靜夜思 李白 [白字太白] 床前明月光[（一作看月光）]， 疑是地上霜。舉頭望明月， a<b&c
  //   春曉 孟浩然 [襄陽人] 春眠不覺曉 [（此詩一作春晴）]
  // 。 and ASCII have no slot and take no position.
  struct Case {
    int part;
    uint32_t cp;
    std::vector<uint32_t> positions;
  };
  const Case cases[] = {
      {FullText, 0x767D, {4, 5, 8}},    // 白: byline, biography twice
      {FullText, 0x6708, {12, 18, 31}}, // 月
      {FullText, 0x971C, {26}},         // 霜
      {FullText, 0x8209, {27}},         // 舉: right after 霜 although 。 stands between
      {Body, 0x767D, {4}},
      {Body, 0x6708, {8, 20}},
      {Body, 0x8209, {16}},
      {Body, 0x4E00, {}},               // 一 only in notes
      {Notes, 0x767D, {0, 3}},
      {Notes, 0x4E00, {5, 17}},
      {Notes, 0x6708, {8}},
      {Notes, 0x9759, {}},              // 靜 only in the body
  };
  for (int part : {FullText, Body, Notes}) {
    CIndex index;
    ASSERT_TRUE(index.Open(b.out.path(), "Index", part)) << index.LastError();
    for (const Case& c : cases) {
      if (c.part != part) continue;
      SCOPED_TRACE(testing::Message() << "part " << part << " U+" << std::hex << c.cp);
      const auto postings = ReadPostings(index, CharToSlot(c.cp));
      if (c.positions.empty()) {
        EXPECT_EQ(postings.count(0), 0u);
      } else {
        ASSERT_EQ(postings.count(0), 1u);
        EXPECT_EQ(postings.at(0), c.positions);
      }
    }
  }
  EXPECT_EQ(b.stats.indexed[0], b.stats.indexed[1] + b.stats.indexed[2]);
}

TEST(MkCollectionBuild, GroupSlotHoldsTheMergedPostingsOfItsMembers) {
  Built b;
  CIndex index;
  ASSERT_TRUE(index.Open(b.out.path(), "Index", FullText)) << index.LastError();
  const auto group = ReadPostings(index, VariantSlotBase);
  const auto traditional = ReadPostings(index, CharToSlot(0x5B78));
  const auto simplified = ReadPostings(index, CharToSlot(0x5B66));
  std::map<uint32_t, std::vector<uint32_t>> merged = traditional;
  for (const auto& [rec, pos] : simplified) {
    auto& list = merged[rec];
    list.insert(list.end(), pos.begin(), pos.end());
    std::sort(list.begin(), list.end());
  }
  EXPECT_EQ(group, merged);
  // 卷二 (records 1..5) holds the 400 characters 學学學学...; the first page
  // has 長篇 and 孟浩然 before them.
  ASSERT_EQ(group.size(), 6u);  // records 1..5 and 學 of 學而第一 (record 8)
  std::vector<uint32_t> first(95);
  for (uint32_t i = 0; i < 95; ++i) first[i] = 5 + i;
  EXPECT_EQ(group.at(1), first);

  // Searching through the engine: the phrase across 。, and the variant search.
  std::u16string q = u"霜舉";
  index.SearchAnd(q, true, false);
  EXPECT_EQ(index.GetHitPages(), std::vector<uint32_t>{0});
  q = u"學學";
  index.SearchAnd(q, true, false);
  EXPECT_TRUE(index.GetHitPages().empty());  // the text alternates 學学
  q = u"學學";
  index.SearchAnd(q, true, true);
  EXPECT_EQ(index.GetHitPages(), (std::vector<uint32_t>{1, 2, 3, 4, 5}));
}

TEST(MkCollectionBuild, SameInputsGiveByteIdenticalFiles) {
  Built a, b;
  for (const std::string& name : CollectionFileNames()) {
    SCOPED_TRACE(name);
    const std::string x = ReadFile(a.out.file(name)), y = ReadFile(b.out.file(name));
    EXPECT_FALSE(x.empty());
    EXPECT_TRUE(x == y);
  }
  EXPECT_EQ(ReadFile(a.out.file("yitizi.txt")), "5B66,5B78\n");
}

}  // namespace
