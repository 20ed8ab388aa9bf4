// The collection builder end to end: a tiny corpus built through the library
// and read back through the engine (CFileList, CIndex, the verifier) and a
// direct read of vok.dir.
#include <gtest/gtest.h>

#include <dirent.h>

#include <cstring>

#include "index/charslot.h"
#include "text/indexedchars.h"
#include "catalog/catalogueformat.h"
#include "catalog/collectioncheck.h"
#include "indexbuilder.h"
#include "mkcollection_fixture.h"
#include "store/filelist.h"
#include "store/pagesections.h"

namespace tevarin {

using mkc::Entries;
using mkc::ReadSlot;
using mkc::TinyBuild;

namespace {

struct CatalogueRecord {
  std::u16string name;
  int32_t level, docID, docNo;
  uint16_t curFileName;
};

std::vector<CatalogueRecord> ReadCatalogue(const std::string& path) {
  const std::string bytes = ReadFile(path);
  std::vector<CatalogueRecord> out;
  for (size_t off = 0; off + kCatalogueRecordSize <= bytes.size(); off += kCatalogueRecordSize) {
    const NodeItem f =
        DecodeCatalogueRecord(reinterpret_cast<const unsigned char*>(bytes.data()) + off);
    CatalogueRecord r;
    for (size_t i = 0; i < kCatalogueNameUnits && f.name[i]; ++i) r.name += f.name[i];
    r.level = f.level;
    r.docID = f.docID;
    r.docNo = f.docNo;
    r.curFileName = f.curFileName;
    out.push_back(r);
  }
  return out;
}

std::string PageOf(const CFileList& files, int32_t record) {
  std::string page;
  EXPECT_TRUE(files.ReadPage(record, page));
  return page;
}

int32_t PageNumber(const CFileList& files, int32_t record) {
  CFileList::PageRecord rec;
  int32_t n = -1;
  EXPECT_TRUE(files.ReadRecord(record, rec));
  EXPECT_TRUE(CFileList::PageNumberFromName(rec.name, n)) << rec.name;
  return n;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += {char(0xC0 | (cp >> 6)), char(0x80 | (cp & 0x3F))};
  } else if (cp < 0x10000) {
    out += {char(0xE0 | (cp >> 12)), char(0x80 | ((cp >> 6) & 0x3F)), char(0x80 | (cp & 0x3F))};
  } else {
    out += {char(0xF0 | (cp >> 18)), char(0x80 | ((cp >> 12) & 0x3F)),
            char(0x80 | ((cp >> 6) & 0x3F)), char(0x80 | (cp & 0x3F))};
  }
}

// The text of a record's text cell as indexed: tags stripped, entities
// decoded, body and notes in page order.
std::string CellText(const CFileList& files, int32_t record) {
  std::string text;
  for (const IndexedRun& run : IndexedText(PageOf(files, record), PageNumber(files, record)))
    for (uint32_t cp : run.codePoints) AppendUtf8(text, cp);
  return text;
}

bool HasStagingLeftovers(const std::string& folder) {
  DIR* d = opendir(folder.c_str());
  if (!d) return false;
  bool found = false;
  while (dirent* e = readdir(d)) found |= std::strncmp(e->d_name, ".mkcollection-", 14) == 0;
  closedir(d);
  return found;
}

class MkCollectionBuild : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_build = new TinyBuild();
    ASSERT_TRUE(s_build->Build()) << s_build->error;
  }
  static void TearDownTestSuite() {
    delete s_build;
    s_build = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(s_build, nullptr);
    ASSERT_TRUE(IsOk(files.Open(s_build->Out(), "Index")));
    catalogue = ReadCatalogue(s_build->Out() + "/vok.dir");
    ASSERT_EQ(catalogue.size(), 8u);
  }
  // First record of the catalogue entry i (0-based).
  int32_t FirstRecordOf(size_t i) const { return catalogue[i].docID - 1; }

  static TinyBuild* s_build;
  CFileList files;
  std::vector<CatalogueRecord> catalogue;
};
TinyBuild* MkCollectionBuild::s_build = nullptr;

TEST_F(MkCollectionBuild, CatalogueCoversVolumesInPreOrder) {
  // 論語 has two volumes (2 pages, then the flowing chapter), 全唐詩 two
  // (2 pages, 1 page); titles stay simplified without a converter.
  const int32_t n = catalogue[3].docNo;
  ASSERT_GE(n, 3);
  struct Want {
    const char16_t* name;
    int32_t level, docID, docNo;
  } want[] = {{u"經部", 1, 1, 2 + n},      {u"論語", 2, 1, 2 + n},       {u"学而第一", 3, 1, 2},
              {u"为政第二", 3, 3, n},      {u"集部", 1, 3 + n, 3},       {u"御定全唐詩", 2, 3 + n, 3},
              {u"卷一", 3, 3 + n, 2},      {u"卷二", 3, 5 + n, 1}};
  for (size_t i = 0; i < 8; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(catalogue[i].name, want[i].name);
    EXPECT_EQ(catalogue[i].level, want[i].level);
    EXPECT_EQ(catalogue[i].docID, want[i].docID);
    EXPECT_EQ(catalogue[i].docNo, want[i].docNo);
    EXPECT_EQ(catalogue[i].curFileName, 1);
  }
  EXPECT_EQ(files.RecordCount(), 5 + n);
  EXPECT_EQ(files.StoredValue(), files.RecordCount());
  EXPECT_EQ(s_build->stats.records, files.RecordCount());
  EXPECT_EQ(s_build->stats.catalogueEntries, 8u);
}

TEST_F(MkCollectionBuild, VolumePagesAreConsecutiveAndNumberedFromOne) {
  for (size_t i = 0; i < catalogue.size(); ++i) {
    if (catalogue[i].level != 3) continue;
    for (int32_t k = 0; k < catalogue[i].docNo; ++k) {
      const int32_t record = FirstRecordOf(i) + k;
      EXPECT_EQ(PageNumber(files, record), catalogue[i].curFileName + k);
      int32_t found = -1;
      ASSERT_TRUE(files.FindPage(FirstRecordOf(i), catalogue[i].curFileName + k, found));
      EXPECT_EQ(found, record);
    }
  }
  CFileList::PageRecord rec;
  ASSERT_TRUE(files.ReadRecord(FirstRecordOf(7), rec));
  EXPECT_EQ(rec.name, "d2\\b01\\v0002\\0001.htm");
  ASSERT_TRUE(files.ReadRecord(1, rec));
  EXPECT_EQ(rec.name, "d1\\b01\\v0001\\0002.htm");
}

TEST_F(MkCollectionBuild, TextCellFollowsPageParity) {
  for (int32_t r = 0; r < files.RecordCount(); ++r) {
    const std::string page = PageOf(files, r);
    const int32_t number = PageNumber(files, r);
    const std::vector<HTMLNode> nodes = ParsePage(page);
    const std::string& text = nodes[1 + number % 2].text;
    const std::string& margin = nodes[2 - number % 2].text;
    EXPECT_NE(text.find("<p>"), std::string::npos) << r;
    EXPECT_EQ(margin.find("<p>"), std::string::npos) << r;
    // The margin names the book, the volume and the page.
    EXPECT_NE(margin.find("<br>" + std::to_string(number)), std::string::npos) << margin;
    EXPECT_FALSE(nodes[0].text.empty());
  }
  const std::string first = PageOf(files, FirstRecordOf(6));
  EXPECT_NE(first.find("<TD class=\"margin\">御定全唐詩<br>卷一<br>1</TD>"), std::string::npos);
}

TEST_F(MkCollectionBuild, NotesAndAnnotationsAreNoteRuns) {
  // Page 1 of 卷一: title, byline, biography note; page 2: lines and the note.
  const int32_t tang = FirstRecordOf(6);
  auto notesOf = [&](int32_t r) {
    std::vector<std::string> notes;
    const std::vector<HTMLNode> nodes = ParsePage(PageOf(files, r));
    for (const FilterItem& item : SplitNotes(nodes[1 + PageNumber(files, r) % 2].text))
      if (item.kind == 1) notes.push_back(item.text);
    return notes;
  };
  EXPECT_EQ(notesOf(tang), std::vector<std::string>{"帝姓李氏。"});
  EXPECT_EQ(notesOf(tang + 1), std::vector<std::string>{"一作宮。"});
  EXPECT_EQ(notesOf(1), std::vector<std::string>{"（朋，同门也）"});
  EXPECT_TRUE(notesOf(0).empty());
  // Text is escaped in the page and decoded for the index.
  EXPECT_NE(PageOf(files, tang + 1).find("<p>A&amp;B&lt;c&gt;𠀀</p>"), std::string::npos);
  EXPECT_NE(CellText(files, tang + 1).find("A&B<c>𠀀"), std::string::npos);
}

TEST_F(MkCollectionBuild, LongParagraphFlowsOverPagesWithoutLoss) {
  std::string joined;
  for (int32_t k = 0; k < catalogue[3].docNo; ++k) joined += CellText(files, FirstRecordOf(3) + k);
  std::erase(joined, '\n');  // the line breaks of the page source
  EXPECT_EQ(joined,
            "为政篇子曰：为政以德，譬如北辰，居其所而众星共之。子曰：诗三百，一言以蔽之，曰：思无邪。"
            "子曰：道之以政，齐之以刑，民免而无耻。");
}

TEST_F(MkCollectionBuild, PositionsCountOnlyCharactersWithSlots) {
  CIndex index;
  ASSERT_TRUE(IsOk(index.Open(s_build->Out(), "Index", IndexPart::FullText)));
  const uint32_t page2 = static_cast<uint32_t>(FirstRecordOf(6) + 1);
  // 秦川雄帝宅。函谷壯皇居。A&B<c>𠀀 then the note 一作宮。: 。 and ASCII take no
  // position, the character beyond the BMP does.
  EXPECT_EQ(ReadSlot(index.Postings(), CharToSlot(U'宅'))[page2], std::vector<uint32_t>{4});
  EXPECT_EQ(ReadSlot(index.Postings(), CharToSlot(U'函'))[page2], std::vector<uint32_t>{5});
  EXPECT_EQ(ReadSlot(index.Postings(), CharToSlot(0x20000))[page2], std::vector<uint32_t>{10});
  EXPECT_EQ(ReadSlot(index.Postings(), CharToSlot(U'宮'))[page2], std::vector<uint32_t>{13});
  // A search across the unindexed 。 finds the page.
  std::u16string keywords = u"宅函";
  EXPECT_GT(index.SearchAnd(keywords, true, false), 0);
  EXPECT_EQ(index.GetHitPages(), std::vector<uint32_t>{page2});
  // Full-width punctuation takes no position either (子曰：学而 reads 子曰学而):
  // a quotation is found with or without it.
  EXPECT_FALSE(index.Postings().HasPostings(SlotOfRange(U'：')));
  for (std::u16string quotation : {u"子曰学而", u"子曰：学而", u"子曰，学而"}) {
    EXPECT_EQ(index.SearchAnd(quotation, true, false), 1);
    EXPECT_EQ(index.GetHitPages(), std::vector<uint32_t>{0});
  }
}

TEST_F(MkCollectionBuild, EachIndexNumbersItsOwnScope) {
  const int zhu = CharToSlot(U'朋');
  const int gong = CharToSlot(U'宮');
  const int qin = CharToSlot(U'秦');
  const uint32_t page2 = static_cast<uint32_t>(FirstRecordOf(6) + 1);
  struct Case {
    IndexPart part;
    std::vector<uint32_t> peng;  // 朋 on page 2 of 学而第一 (record 1)
    bool hasGong, hasQin;
    std::vector<uint32_t> gongPositions;
  } cases[] = {
      {IndexPart::FullText, {1, 6}, true, true, {13}},
      {IndexPart::Body, {1}, false, true, {}},
      {IndexPart::Notes, {0}, true, false, {2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.part));
    CIndex index;
    ASSERT_TRUE(IsOk(index.Open(s_build->Out(), "Index", c.part)));
    EXPECT_EQ(ReadSlot(index.Postings(), zhu)[1], c.peng);
    EXPECT_EQ(index.Postings().HasPostings(gong), c.hasGong);
    EXPECT_EQ(index.Postings().HasPostings(qin), c.hasQin);
    if (c.hasGong) {
      EXPECT_EQ(ReadSlot(index.Postings(), gong)[page2], c.gongPositions);
    }
  }
  EXPECT_EQ(s_build->stats.indexed[0], s_build->stats.indexed[1] + s_build->stats.indexed[2]);
  EXPECT_GT(s_build->stats.indexed[2], 0u);
}

TEST_F(MkCollectionBuild, GroupSlotsMergeTheirMembersPostings) {
  EXPECT_EQ(ReadFile(s_build->Out() + "/yitizi.txt"), "4E00,4E01\n4E7E,5E72,5E79\n5B66,5B78\n");
  CIndex index;
  ASSERT_TRUE(IsOk(index.Open(s_build->Out(), "Index", IndexPart::FullText)));
  ASSERT_EQ(index.VariantGroups().size(), 3u);
  const Entries simplified = ReadSlot(index.Postings(), CharToSlot(U'学'));
  const Entries traditional = ReadSlot(index.Postings(), CharToSlot(U'學'));
  const Entries group = ReadSlot(index.Postings(), kVariantSlotBase + 2);
  Entries merged = simplified;
  for (const auto& [record, positions] : traditional) {
    auto& m = merged[record];
    m.insert(m.end(), positions.begin(), positions.end());
    std::sort(m.begin(), m.end());
  }
  EXPECT_EQ(group, merged);
  EXPECT_EQ(group.at(0), (std::vector<uint32_t>{0, 5}));  // 学而篇 / 子曰：学而…
  EXPECT_EQ(group.at(static_cast<uint32_t>(FirstRecordOf(7))), (std::vector<uint32_t>{1, 4}));
  // The variant search finds both forms; the plain search only one.
  std::u16string plain = u"學而";
  EXPECT_EQ(index.SearchAnd(plain, true, false), 1);
  std::u16string varied = u"學而";
  index.SearchAnd(varied, true, true);
  EXPECT_EQ(index.GetHitPages().size(), 2u);
}

// The hit pages of the builder's own pages (lines that wrap every six
// characters, notes, entities, both parities) mark exactly what its index
// lets the search count, with the text in the wide cell.
TEST_F(MkCollectionBuild, HitPagesMarkWhatTheSearchCounts) {
  const struct {
    std::u16string keywords;
    bool useOr;
    int scope;  // 0 whole text, 1 body, 2 notes
    bool variants;
  } cases[] = {
      {u"子曰学而", false, 0, false},    {u"子曰：学而", false, 0, false},
      {u"学而时习之", false, 0, false},  {u"宅函", false, 0, false},
      {u"为政*北辰", false, 0, false},   {u"子？为", false, 0, false},
      {u"子?为", false, 0, false},       {u"之", false, 0, false},
      {u"朋", false, 0, false},          {u"朋", false, 1, false},
      {u"朋", false, 2, false},          {u"學而", false, 0, true},
      {u"子曰 之", false, 0, false},     {u"帝 宮 学", true, 0, false},
      {u"来朋同", false, 0, false},      {u"宅*宮", false, 0, false},
  };
  const IndexPart parts[] = {IndexPart::FullText, IndexPart::Body, IndexPart::Notes};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << (&c - cases));
    CIndex index;
    ASSERT_TRUE(IsOk(index.Open(s_build->Out(), "Index", parts[c.scope])));
    std::u16string keywords = c.keywords;
    if (c.useOr)
      index.SearchOr(keywords, true, c.variants);
    else
      index.SearchAnd(keywords, true, c.variants);
    const std::vector<uint32_t> pages = index.GetHitPages();
    EXPECT_FALSE(pages.empty());
    for (size_t i = 0; i < pages.size(); ++i) {
      std::string out;
      const int32_t anchors =
          index.BuildHitPage(static_cast<int32_t>(pages[i]), out, keywords, c.scope, c.variants);
      EXPECT_EQ(anchors, static_cast<int32_t>(index.GetHitCounts()[i])) << "record " << pages[i];
      size_t written = 0;
      for (size_t at = out.find("<a name=\""); at != std::string::npos;
           at = out.find("<a name=\"", at + 1))
        ++written;
      EXPECT_EQ(written, static_cast<size_t>(anchors));
      const std::vector<HTMLNode> cells = ParsePage(out);
      EXPECT_EQ(cells[1].text.find("<p>"), std::string::npos) << "record " << pages[i];
      EXPECT_NE(cells[2].text.find("<p>"), std::string::npos) << "record " << pages[i];
    }
  }
}

TEST_F(MkCollectionBuild, VerifierFindsTheCollectionSound) {
  CollectionVerifier verifier(s_build->Out());
  EXPECT_TRUE(verifier.Verify());
  for (const std::string& p : verifier.Problems()) ADD_FAILURE() << p;
}

// 全宋詞 in small: an authors file with an author without ci (冯延巳, 温庭筠),
// a name entered three times with two texts and a placeholder (张), a name
// entered twice with the same text (苏轼), a short description repeating the
// description and one adding to it, and a supplement whose author (李从周)
// first appears in a numbered volume.
const char* kSongCiAuthors = R"([
 {"name": "苏轼", "description": "苏轼字子瞻。", "short_description": "苏轼字子瞻。"},
 {"name": "冯延巳", "description": "冯延巳又名延嗣。", "short_description": null},
 {"name": "张", "description": "--", "short_description": null},
 {"name": "张", "description": "张先字子野。\n乌程人。", "short_description": "晚号安陆。"},
 {"name": "无名氏", "description": "--", "short_description": null},
 {"name": "李从周", "description": "李从周字肩吾。", "short_description": null},
 {"name": "张", "description": "张炎字叔夏。", "short_description": null},
 {"name": "温庭筠", "description": "温庭筠本名岐。", "short_description": null},
 {"name": "苏轼", "description": "苏轼字子瞻。", "short_description": null}
])";
const char* kSongCi0 = R"([
 {"author": "苏轼", "rhythmic": "水调歌头", "paragraphs": ["明月几时有。"]},
 {"author": "张", "rhythmic": "天仙子", "paragraphs": ["水调数声持酒听。"]},
 {"author": "无名氏", "rhythmic": "失调名", "paragraphs": ["残句。"]},
 {"author": "苏轼", "rhythmic": "定风波", "paragraphs": ["莫听穿林打叶声。"]}
])";
const char* kSongCi1000 = R"([
 {"author": "李从周", "rhythmic": "抛球乐", "paragraphs": ["风罥蔫红雨易晴。"]}
])";
const char* kSongCiSupplement = R"([
 {"author": "李从周", "rhythmic": "清平乐", "paragraphs": ["美人娇小。"]},
 {"author": "苏轼", "rhythmic": "浣溪沙", "paragraphs": ["山下兰芽短浸溪。"]}
])";

TEST(MkCollectionBiographies, EveryBiographyReachesTheBookOnce) {
  TinyBuild t;
  const std::string songci = t.dir.file("corpus/songci");
  mkdir(songci.c_str(), 0755);
  WriteFile(songci + "/author.song.json", kSongCiAuthors);
  WriteFile(songci + "/ci.song.0.json", kSongCi0);
  WriteFile(songci + "/ci.song.1000.json", kSongCi1000);
  WriteFile(songci + "/ci.song.2019y.json", kSongCiSupplement);
  const CollectionPlan plan = {{"集部", {{"全宋詞", books::QuanSongCi}}}};
  ASSERT_TRUE(BuildCollection(plan, t.options, t.stats, t.error)) << t.error;

  CFileList files;
  ASSERT_TRUE(IsOk(files.Open(t.Out(), "Index")));
  const std::vector<CatalogueRecord> catalogue = ReadCatalogue(t.Out() + "/vok.dir");
  std::vector<std::u16string> volumes;
  for (const CatalogueRecord& e : catalogue)
    if (e.level == 3) volumes.push_back(e.name);
  EXPECT_EQ(volumes, (std::vector<std::u16string>{u"卷一", u"卷二", u"補遺", u"作者補遺"}));
  std::string text;  // the whole book, as indexed
  for (int32_t r = 0; r < files.RecordCount(); ++r) text += CellText(files, r);
  std::erase(text, '\n');

  auto count = [&](const std::string& s) {
    size_t n = 0;
    for (size_t at = text.find(s); at != std::string::npos; at = text.find(s, at + s.size())) ++n;
    return n;
  };
  for (const char* bio : {"苏轼字子瞻。", "冯延巳又名延嗣。", "张先字子野。", "乌程人。", "晚号安陆。",
                          "张炎字叔夏。", "李从周字肩吾。", "温庭筠本名岐。"})
    EXPECT_EQ(count(bio), 1u) << bio;
  EXPECT_EQ(count("--"), 0u);  // a placeholder is no biography
  // Under the byline of the author's first ci, every text of the name in the
  // file's order; the authors without ci in 作者補遺, in the file's order.
  EXPECT_EQ(count("水调歌头苏轼苏轼字子瞻。明月几时有。"), 1u);
  EXPECT_EQ(count("天仙子张张先字子野。乌程人。晚号安陆。张炎字叔夏。水调数声持酒听。"), 1u);
  EXPECT_EQ(count("抛球乐李从周李从周字肩吾。风罥蔫红雨易晴。"), 1u);
  EXPECT_EQ(count("清平乐李从周美人娇小。"), 1u);
  const CatalogueRecord& appendix = catalogue.back();
  ASSERT_EQ(appendix.name, u"作者補遺");
  std::string appendixText;
  for (int32_t k = 0; k < appendix.docNo; ++k) appendixText += CellText(files, appendix.docID - 1 + k);
  std::erase(appendixText, '\n');
  EXPECT_EQ(appendixText, "冯延巳冯延巳又名延嗣。温庭筠温庭筠本名岐。");

  // A phrase of a biography without ci is found.
  CIndex index;
  ASSERT_TRUE(IsOk(index.Open(t.Out(), "Index", IndexPart::FullText)));
  std::u16string phrase = u"又名延嗣";
  EXPECT_EQ(index.SearchAnd(phrase, true, false), 1);
  EXPECT_EQ(index.GetHitPages(), std::vector<uint32_t>{static_cast<uint32_t>(appendix.docID - 1)});
}

TEST(MkCollectionBuildRuns, SameInputGivesTheSameBytes) {
  TinyBuild a, b;
  ASSERT_TRUE(a.Build()) << a.error;
  ASSERT_TRUE(b.Build()) << b.error;
  for (const std::string& name : CollectionFileNames())
    EXPECT_EQ(ReadFile(a.Out() + "/" + name), ReadFile(b.Out() + "/" + name)) << name;
  EXPECT_FALSE(HasStagingLeftovers(a.Out()));
}

TEST(MkCollectionBuildRuns, BadInputStopsAndKeepsTheGoodCollection) {
  TinyBuild t;
  ASSERT_TRUE(t.Build()) << t.error;
  std::map<std::string, std::string> good;
  for (const std::string& name : CollectionFileNames()) good[name] = ReadFile(t.Out() + "/" + name);

  struct Case {
    const char* what;
    std::function<void(TinyBuild&)> spoil;
    const char* message;
  } cases[] = {
      {"missing corpus folder", [](TinyBuild& b) { b.options.corpusDir = b.dir.file("nowhere"); },
       "nowhere"},
      {"invalid JSON",
       [](TinyBuild& b) { WriteFile(b.dir.file("corpus/lunyu/lunyu.json"), "[{\"chapter\": "); },
       "lunyu/lunyu.json"},
      {"unexpected structure",
       [](TinyBuild& b) {
         WriteFile(b.dir.file("corpus/lunyu/lunyu.json"), R"([{"chapter":"x","paragraphs":7}])");
       },
       "paragraphs"},
      {"no volume files",
       [](TinyBuild& b) {
         std::remove(b.dir.file("corpus/yudingquantangshi/json/001.json").c_str());
         std::remove(b.dir.file("corpus/yudingquantangshi/json/002.json").c_str());
       },
       "yudingquantangshi/json"},
      {"title beyond the catalogue's 99 characters",
       [](TinyBuild& b) {
         std::string chapter;
         for (int i = 0; i < 120; ++i) chapter += "長";
         WriteFile(b.dir.file("corpus/lunyu/lunyu.json"),
                   "[{\"chapter\":\"" + chapter + "\",\"paragraphs\":[\"子曰\"]}]");
       },
       "99"},
      {"missing Unihan file", [](TinyBuild& b) { b.options.unihanPath = b.dir.file("none.txt"); },
       "none.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TinyBuild bad;
    bad.options.outDir = t.Out();
    c.spoil(bad);
    EXPECT_FALSE(bad.Build());
    EXPECT_NE(bad.error.find(c.message), std::string::npos) << bad.error;
    for (const auto& [name, bytes] : good) EXPECT_EQ(ReadFile(t.Out() + "/" + name), bytes) << name;
    EXPECT_FALSE(HasStagingLeftovers(t.Out()));
  }
}

}  // namespace

}  // namespace tevarin
