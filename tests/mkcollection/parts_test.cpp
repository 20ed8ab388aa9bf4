// The collection builder's parts on their own: annotations and page flow,
// the indexed text of a page, variant grouping from Unihan and OpenCC data,
// volume numerals.
#include <gtest/gtest.h>

#include "corpus.h"
#include "indexbuilder.h"
#include "mkcollection_fixture.h"
#include "openccdata.h"
#include "pagelayout.h"
#include "store/pagesections.h"
#include "variantgroups.h"

namespace tevarin {

namespace {

std::string Runs(const std::vector<TextRun>& runs) {
  std::string s;
  for (const TextRun& r : runs) s += (r.note ? "[" : "{") + r.text + (r.note ? "]" : "}");
  return s;
}

TEST(MkCollectionLayout, AnnotationsBecomeNoteRuns) {
  struct Case {
    const char* line;
    const char* runs;
  } cases[] = {
      {"秦川雄帝宅", "{秦川雄帝宅}"},
      {"有朋（朋，同门也），不亦乐乎", "{有朋}[（朋，同门也）]{，不亦乐乎}"},
      {"（注）正文", "[（注）]{正文}"},
      {"甲（乙（丙）丁）戊", "{甲}[（乙（丙）丁）]{戊}"},         // nested brackets stay in the note
      {"甲（見某書，", "{甲}[（見某書，]"},                     // unclosed: to the end of the line
      {"簏（lù）簌（sù)。", "{簏}[（lù）]{簌}[（sù)]{。}"},      // a half-width closer closes too
      {"甲（一）（二）", "{甲}[（一）][（二）]"},                // adjacent annotations stay apart
      {"(正末唱）我", "{(正末唱）我}"},                          // only the full-width opener opens
      {"甲）乙", "{甲）乙}"},
  };
  for (const Case& c : cases) EXPECT_EQ(Runs(SplitAnnotations(c.line)), c.runs) << c.line;
}

TEST(MkCollectionLayout, PagesKeepTitlesWithTextAndCutAfterPunctuation) {
  Volume v;
  v.blocks = {{BlockKind::Heading, "題"},
              {BlockKind::Line, "一二三四五六七八九十，甲乙丙丁戊己庚辛"},
              {BlockKind::Note, "注<&>"},
              {BlockKind::Heading, "次題"},
              {BlockKind::Line, "末"}};
  LayoutOptions o;
  o.lineWidth = 6;
  o.linesPerPage = 4;
  const std::vector<std::string> pages = LayoutVolume(v, o);
  ASSERT_EQ(pages.size(), 3u);
  // Title (2 lines) and two lines of the paragraph, cut after the comma.
  EXPECT_EQ(pages[0], "<h4>題</h4>\n<p>一二三四五六七八九十，</p>\n");
  EXPECT_EQ(pages[1], "<p>甲乙丙丁戊己庚辛</p>\n<p><font size=-1 color=\"#993366\">注&lt;&amp;&gt;</font></p>\n");
  // The second title does not fit with a line after it: it opens a page.
  EXPECT_EQ(pages[2], "<h4>次題</h4>\n<p>末</p>\n");
  EXPECT_TRUE(LayoutVolume(Volume{}, o).empty());
}

TEST(MkCollectionLayout, ParagraphLongerThanAPageIsSplitEverywhere) {
  Volume v;
  std::string line;
  for (int i = 0; i < 50; ++i) line += "字";
  v.blocks = {{BlockKind::Line, line}};
  LayoutOptions o;
  o.lineWidth = 5;
  o.linesPerPage = 3;
  const std::vector<std::string> pages = LayoutVolume(v, o);
  ASSERT_EQ(pages.size(), 4u);  // 15 + 15 + 15 + 5 characters
  std::string joined;
  for (const std::string& p : pages) {
    for (const FilterItem& item : SplitNotes(p)) joined += item.text;
  }
  std::string expect;
  for (int i = 0; i < 4; ++i) expect += "<p>" + line.substr(i * 45, i < 3 ? 45 : 15) + "</p>\n";
  EXPECT_EQ(joined, expect);
}

TEST(MkCollectionLayout, VeryLongLineWithNotesFlowsWholeAndInOrder) {
  // One line of 160,000 characters, annotations all along it: every page
  // but the last is filled to within a cut's look-back, none overfills, and
  // the pages give back the line, notes in place.
  const std::string unit = "春眠不覺曉（注文）處處聞啼鳥。夜來風雨聲";
  std::string line;
  for (int i = 0; i < 8000; ++i) line += unit;
  Volume v;
  v.blocks = {{BlockKind::Line, line}};
  LayoutOptions o;
  o.lineWidth = 10;
  o.linesPerPage = 5;
  const int pageUnits = 10 * 5 * 4;  // body characters are 4 units, note characters 3
  const std::vector<std::string> pages = LayoutVolume(v, o);
  ASSERT_GT(pages.size(), 2000u);
  std::string joined;  // notes in [ ]
  for (size_t i = 0; i < pages.size(); ++i) {
    SCOPED_TRACE(i);
    const std::string& p = pages[i];
    ASSERT_EQ(p.rfind("<p>", 0), 0u);
    ASSERT_EQ(p.find("<p>", 1), std::string::npos);  // one piece of the line a page
    ASSERT_EQ(p.substr(p.size() - 5), "</p>\n");
    int units = 0;
    for (const FilterItem& item : SplitNotes(p.substr(3, p.size() - 8))) {
      units += static_cast<int>(item.text.size() / 3) * (item.kind == 1 ? 3 : 4);
      joined += item.kind == 1 ? "[" + item.text + "]" : item.text;
    }
    ASSERT_LE(units, pageUnits);
    if (i + 1 < pages.size()) {
      ASSERT_GT(units, pageUnits - 12 * 4);
    }
  }
  std::string expect;
  for (const TextRun& r : SplitAnnotations(line)) expect += r.note ? "[" + r.text + "]" : r.text;
  // A note cut by a page end is closed on one page and opened again on the next.
  for (size_t at = 0; (at = joined.find("][", at)) != std::string::npos;) joined.erase(at, 2);
  EXPECT_EQ(joined, expect);
}

TEST(MkCollectionLayout, PageDocumentParsesIntoTitleAndCells) {
  for (int number : {1, 2}) {
    const std::string page = PageDocument("書&名", "卷一", number, "<p>正文</p>\n");
    const std::vector<HTMLNode> nodes = ParsePage(page);
    EXPECT_EQ(nodes[0].text, "書&amp;名 卷一 " + std::to_string(number));
    EXPECT_EQ(nodes[1 + number % 2].text, "\n<p>正文</p>\n");
    EXPECT_EQ(nodes[2 - number % 2].text, "書&amp;名<br>卷一<br>" + std::to_string(number));
  }
}

TEST(MkCollectionIndexedText, TagsStrippedEntitiesDecodedRunsKept) {
  const std::string page = PageDocument(
      "書", "卷", 2,
      "<h4>題</h4><p>a&lt;b&amp;&#x4E00;&unknown;<font size=-1 color=\"#993366\">注</font>尾</p>");
  const std::vector<IndexedRun> runs = IndexedText(page, 2);
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_FALSE(runs[0].note);
  const std::u32string first(runs[0].codePoints.begin(), runs[0].codePoints.end());
  EXPECT_EQ(first, U"\n題a<b&一&unknown;");
  EXPECT_TRUE(runs[1].note);
  EXPECT_EQ(runs[1].codePoints, std::vector<uint32_t>{U'注'});
  EXPECT_EQ(runs[2].codePoints, std::vector<uint32_t>{U'尾'});
  // The odd page number reads the other cell: the margin, without notes.
  const std::vector<IndexedRun> margin = IndexedText(page, 1);
  ASSERT_EQ(margin.size(), 1u);
  EXPECT_EQ(std::u32string(margin[0].codePoints.begin(), margin[0].codePoints.end()), U"書卷2");
}

TEST(MkCollectionVariants, UnihanRelationsJoinIntoSortedGroups) {
  TempDir dir;
  WriteFile(dir.file("u.txt"), mkc::kUnihan);
  std::vector<VariantLink> links;
  std::map<std::string, size_t> perField;
  std::string error;
  ASSERT_TRUE(ReadUnihanLinks(dir.file("u.txt"), DefaultUnihanFields(), links, perField, error))
      << error;
  EXPECT_EQ(perField["kSemanticVariant"], 0u);
  // 乾干幹 and 学學; 一 and 丁 through an unindexed character; 七 alone (its
  // partner has no slot) is no group.
  EXPECT_EQ(FormatVariantTable(GroupVariants(links)), "4E00,4E01\n4E7E,5E72,5E79\n5B66,5B78\n");

  links.clear();
  ASSERT_TRUE(ReadUnihanLinks(dir.file("u.txt"),
                              {"kTraditionalVariant", "kSimplifiedVariant", "kSemanticVariant"},
                              links, perField, error));
  const VariantGroupVector groups = GroupVariants(links);
  EXPECT_EQ(FormatVariantTable(groups), "4E7E,5E72,5E79\n5B66,5B78,6588\n");
  EXPECT_EQ(GroupSizeDistribution(groups), (std::map<size_t, size_t>{{3, 2}}));
}

TEST(MkCollectionVariants, UnreadableUnihanFilesAreRefused) {
  TempDir dir;
  std::vector<VariantLink> links;
  std::map<std::string, size_t> perField;
  std::string error;
  EXPECT_FALSE(ReadUnihanLinks(dir.file("missing.txt"), DefaultUnihanFields(), links, perField, error));
  EXPECT_NE(error.find("missing.txt"), std::string::npos);
  WriteFile(dir.file("broken.bz2"), "BZh9 not really bzip2");
  EXPECT_FALSE(ReadUnihanLinks(dir.file("broken.bz2"), DefaultUnihanFields(), links, perField, error));
  EXPECT_NE(error.find("bzip2"), std::string::npos);
  WriteFile(dir.file("empty.txt"), "# nothing\n");
  EXPECT_FALSE(ReadUnihanLinks(dir.file("empty.txt"), DefaultUnihanFields(), links, perField, error));
}

TEST(MkCollectionVariants, TextBeyondTheCapIsRefused) {
  // 100,008 bytes of "U+4E00<TAB>kZVariant<TAB>U+4E01" lines, as plain text and
  // bzip2-compressed to 115 bytes.
  static const char kBzip2[] =
      "\x42\x5a\x68\x39\x31\x41\x59\x26\x53\x59\x1d\x93\x21\x27\x00\x71\xf0\xdf\x80\x00\x30\x00"
      "\x08\x64\x00\x02\x00\x03\x10\x20\x29\x14\x00\x30\x00\xd8\x05\x30\x00\x4d\x0a\x60\x00\x9a"
      "\x05\x2a\x88\xc9\xfa\xa0\xcd\x4d\x54\x20\x79\xa8\x40\xe2\xa1\x03\x15\x08\x1b\xd4\x20\x62"
      "\xa1\x03\x6a\x84\x0f\x4a\x84\x0c\x54\x20\x65\x42\x06\x54\x20\x7c\xa8\x40\xea\xa1\x03\xaa"
      "\x84\x0f\xd5\x08\x1a\xa8\x40\xe2\xa1\x03\xb5\x42\x06\xaa\x10\x3f\x8b\xb9\x22\x9c\x28\x48"
      "\x0e\xc9\x90\x93\x80";
  const std::string line = "U+4E00\tkZVariant\tU+4E01\n";
  std::string plain;
  while (plain.size() < 100000) plain += line;
  TempDir dir;
  WriteFile(dir.file("u.txt.bz2"), std::string(kBzip2, sizeof kBzip2 - 1));
  WriteFile(dir.file("u.txt"), plain);
  for (const char* name : {"u.txt.bz2", "u.txt"}) {
    SCOPED_TRACE(name);
    std::vector<VariantLink> links;
    std::map<std::string, size_t> perField;
    std::string error;
    EXPECT_FALSE(ReadUnihanLinks(dir.file(name), DefaultUnihanFields(), links, perField, error,
                                 4096));
    EXPECT_NE(error.find("more than 4096 bytes"), std::string::npos) << error;
    EXPECT_TRUE(links.empty());
    // The whole text exactly at the cap, and under the default cap, is read.
    ASSERT_TRUE(ReadUnihanLinks(dir.file(name), DefaultUnihanFields(), links, perField, error,
                                plain.size()))
        << error;
    EXPECT_EQ(links.size(), plain.size() / line.size());
    links.clear();
    ASSERT_TRUE(ReadUnihanLinks(dir.file(name), DefaultUnihanFields(), links, perField, error))
        << error;
    EXPECT_EQ(links.size(), plain.size() / line.size());
  }
}

TEST(MkCollectionVariants, JapaneseFormsJoinTheirTraditionalGroups) {
  TempDir dir;
  WriteFile(dir.file("JPVariants.txt"), "發\t発\n髮\t髪\n國\t国\n傳\t伝 傳\n一二\t一\n");
  std::vector<VariantLink> links = {{0x53D1, 0x767C}, {0x53D1, 0x9AEE}};  // 发: 發 髮
  std::string source, error;
  ASSERT_TRUE(ReadJapaneseVariants(dir.path(), links, source, error)) << error;
  EXPECT_EQ(source, dir.file("JPVariants.txt"));
  EXPECT_EQ(FormatVariantTable(GroupVariants(links)),
            "4F1D,50B3\n53D1,767A,767C,9AEA,9AEE\n56FD,570B\n");
  TempDir empty;
  EXPECT_FALSE(ReadJapaneseVariants(empty.path(), links, source, error));
  EXPECT_NE(error.find("JPVariants"), std::string::npos);
}

TEST(MkCollectionCorpus, VolumeNumerals) {
  struct Case {
    int n;
    const char* text;
  } cases[] = {{1, "一"},     {10, "十"},       {11, "十一"},       {20, "二十"},
               {101, "一百零一"}, {110, "一百一十"}, {255, "二百五十五"}, {900, "九百"},
               {1005, "一千零五"}};
  for (const Case& c : cases) EXPECT_EQ(ChineseNumber(c.n), c.text) << c.n;
  EXPECT_EQ(JuanTitle(3), "卷三");
}

TEST(MkCollectionCorpus, NumberedFilesInNumericOrder) {
  TempDir dir;
  for (const char* name : {"ci.song.2000.json", "ci.song.0.json", "ci.song.10000.json",
                           "ci.song.2019y.json", "author.song.json"})
    WriteFile(dir.file(name), "[]");
  std::vector<std::string> names;
  std::string error;
  ASSERT_TRUE(NumberedFiles(dir.path(), "ci.song.", names, error)) << error;
  EXPECT_EQ(names, (std::vector<std::string>{"ci.song.0.json", "ci.song.2000.json",
                                             "ci.song.10000.json"}));
  EXPECT_FALSE(NumberedFiles(dir.path(), "poet.tang.", names, error));
}

}  // namespace

}  // namespace tevarin
