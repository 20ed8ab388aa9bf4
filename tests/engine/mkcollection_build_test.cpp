#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "collectionbuilder.h"
#include "corpus.h"
#include "index/index.h"
#include "pagelayout.h"
#include "panel/catalogue.h"
#include "store/pagesections.h"
#include "testutil.h"
#include "variantgroups.h"

namespace {

// Reads every page entry of a slot: record -> positions.
std::map<uint32_t, std::vector<uint32_t>> Postings(const CIndex& index, int slot) {
  std::map<uint32_t, std::vector<uint32_t>> out;
  if (!index.HasPostings(slot)) return out;
  PostingsCursor c = index.CursorFor(slot);
  uint32_t page = 0;
  while (true) {
    uint32_t delta;
    uint16_t count;
    if (!c.ReadVarint(delta) || !c.ReadU16(count)) break;
    page += delta;
    uint32_t pos = 0;
    auto& list = out[page];
    for (uint32_t left = count; left > 0;) {
      uint8_t b0;
      c.ReadByte(b0);
      uint32_t v = b0, extra = b0 < 0x80 ? 0 : b0 < 0xC0 ? 1 : 2;
      if (extra) v = b0 & 0x3F;
      for (uint32_t k = 0; k < extra; ++k) {
        uint8_t b;
        c.ReadByte(b);
        v = v << 8 | b;
      }
      left -= 1 + extra;
      pos = list.empty() ? v : pos + v;
      list.push_back(pos);
    }
    if (page == index.LastPage(slot)) break;
  }
  return out;
}

std::vector<Division> TinyCorpus() {
  Work poem{"靜夜思", "李白", {"白字太白"}, {"床前明月光（一作看月光），", "疑是地上霜。"}};
  Work second{"春曉", "孟浩然", {}, {"春眠不覺曉，處處聞啼鳥。"}};
  Work longWork{"長篇", "", {}, {std::string(3 * 500, 'x')}};  // filled below
  longWork.lines[0].clear();
  for (int i = 0; i < 500; ++i) longWork.lines[0] += "學";
  return {Division{"集部", {Book{"唐詩", {Volume{"卷一", {poem, second}}, Volume{"卷二", {longWork}}}}}}};
}

TEST(MkCollection, BuildsFilesTheEngineReads) {
  TempDir dir;
  const std::vector<std::vector<uint32_t>> groups = {{0x5B66, 0x5B78}};  // 学 學
  BuildStats stats;
  std::string error;
  ASSERT_TRUE(BuildCollection(TinyCorpus(), groups, dir.path(), false, stats, error)) << error;
  // 卷一 fits one page; 卷二's 500 characters flow over two pages.
  EXPECT_EQ(stats.records, 3);
  EXPECT_EQ(stats.catalogueEntries, 4u);

  CCatalogue cat;
  ASSERT_TRUE(cat.Load(dir.path()));
  ASSERT_EQ(cat.NodeCount(), 5);
  const NodeItem& div = *cat.Entry(1);
  const NodeItem& vol2 = *cat.Entry(4);
  EXPECT_EQ(div.Name(), u"集部");
  EXPECT_EQ(div.docID, 1);
  EXPECT_EQ(div.docNo, 3);
  EXPECT_EQ(vol2.Name(), u"卷二");
  EXPECT_EQ(vol2.level, 3);
  EXPECT_EQ(vol2.docID, 2);
  EXPECT_EQ(vol2.docNo, 2);
  EXPECT_EQ(vol2.curFileName, 1);

  CIndex index;
  ASSERT_TRUE(index.Open(dir.path(), "Index", FullText)) << index.LastError();
  EXPECT_EQ(index.GetHeaderValue(), 3);
  int32_t rec = -1;
  ASSERT_TRUE(index.FindPage(1, 2, rec));
  EXPECT_EQ(rec, 2);

  // Page 1 is odd: its text sits in the second cell; page 2 in the first.
  std::string page;
  ASSERT_TRUE(index.Files().ReadPage(0, page));
  EXPECT_NE(ParsePage(page)[2].text.find("靜夜思"), std::string::npos);
  EXPECT_NE(ParsePage(page)[2].text.find("<font size=-1 color=\"#993366\">白字太白</font>"), std::string::npos);
  EXPECT_NE(ParsePage(page)[2].text.find("<font size=-1 color=\"#993366\">（一作看月光）</font>"), std::string::npos);
  ASSERT_TRUE(index.Files().ReadPage(2, page));
  EXPECT_NE(ParsePage(page)[1].text.find("學"), std::string::npos);

  // Positions count only characters with a slot: 靜夜思 李白 白字太白 床前明月光（一作看月光），...
  // 月 (U+6708) of 明月光 stands after 靜夜思李白白字太白床前明 = 12 characters.
  const auto moon = Postings(index, CharToSlot(0x6708));
  ASSERT_EQ(moon.count(0), 1u);
  EXPECT_EQ(moon.at(0).front(), 12u);
  // The group slot merges 學 over both pages of 卷二.
  const auto learn = Postings(index, VariantSlotBase);
  EXPECT_EQ(learn.size(), 2u);
  EXPECT_EQ(learn.at(1).front(), 2u);  // after 長篇

  // The three scopes: the annotation is a note, 一 is indexed in the notes index only.
  std::vector<uint32_t> body, notes, whole;
  ASSERT_TRUE(index.Files().ReadPage(0, page));
  IndexedCharacters(page, 1, body, notes, whole);
  EXPECT_EQ(whole.size(), body.size() + notes.size());
  EXPECT_EQ(notes.size(), 4u + 7u);  // 白字太白, （一作看月光） without the parentheses
  index.Close();
  ASSERT_TRUE(index.Open(dir.path(), "Index", Notes));
  EXPECT_TRUE(index.HasPostings(CharToSlot(0x4E00)));
  EXPECT_FALSE(index.HasPostings(CharToSlot(0x9759)));  // 靜 is body text only
  index.Close();
  ASSERT_TRUE(index.Open(dir.path(), "Index", Body));
  EXPECT_FALSE(index.HasPostings(CharToSlot(0x4E00)));
}

TEST(MkCollection, VariantGroupsFromUnihan) {
  const std::string unihan =
      "# comment\n"
      "U+4E7E\tkTraditionalVariant\tU+4E7E U+5E72\n"
      "U+5E72\tkTraditionalVariant\tU+4E7E U+5E72 U+5E79\n"
      "U+53D1\tkTraditionalVariant\tU+767C U+9AEE\n"
      "U+5B66\tkTraditionalVariant\tU+5B78\n"
      "U+5B78\tkSemanticVariant\tU+6559<kMatthews\n"
      "U+0041\tkZVariant\tU+FF21\n";
  VariantGroups v;
  std::string error;
  ASSERT_TRUE(v.AddUnihan(unihan, {"kTraditionalVariant", "kZVariant"}, error)) << error;
  v.AddPairs("發\t発\n");
  const auto groups = v.Groups();
  // Sorted by smallest member; members ascending; A (no slot) is left out.
  EXPECT_EQ(VariantGroups::Format(groups), "4E7E,5E72,5E79\n53D1,767A,767C,9AEE\n5B66,5B78\n");
}

TEST(MkCollection, RefusesBadInput) {
  std::vector<Division> divisions;
  std::string error;
  EXPECT_FALSE(ReadCorpus("/nonexistent/dist", divisions, error));
  EXPECT_NE(error.find("not found"), std::string::npos);

  TempDir dir;
  WriteFile(dir.file("x.json"), "{");
  std::filesystem::create_directories(dir.path() + "/shijing");
  WriteFile(dir.path() + "/shijing/shijing.json", "[{\"title\": ");
  EXPECT_FALSE(ReadCorpus(dir.path(), divisions, error));
  EXPECT_NE(error.find("not valid JSON"), std::string::npos);

  // More than 9,999 catalogue entries break the format: refused.
  Book big{"大", {}};
  for (int i = 0; i < 10000; ++i) big.volumes.push_back(Volume{"卷", {Work{"", "", {}, {"一"}}}});
  BuildStats stats;
  EXPECT_FALSE(BuildCollection({Division{"部", {big}}}, {}, dir.path(), false, stats, error));
  EXPECT_NE(error.find("9,999"), std::string::npos);
}

TEST(MkCollection, ChineseNumbers) {
  const std::pair<int, const char*> cases[] = {{1, "一"}, {10, "十"}, {11, "十一"}, {21, "二十一"},
                                               {100, "一百"}, {105, "一百〇五"}, {900, "九百"}, {110, "一百一十"}};
  for (const auto& [n, s] : cases) EXPECT_EQ(ChineseNumber(n), s) << n;
}

}  // namespace
