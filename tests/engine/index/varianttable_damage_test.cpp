// Bounds of the variant expansion found by fuzzing: a keyword string of many
// varied keywords made one hit page take a pass over the page per variant
// form without limit (tens of seconds for a 1 KB string), and a very long
// string was copied once per form (gigabytes for a long pasted text).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "index/index.h"
#include "index/varianttable.h"
#include "support/testutil.h"
#include "writer/bookwriter.h"
#include "writer/indexwriter.h"

namespace tevarin {

namespace {

TEST(RobustVariants, ExpansionOfALongStringStopsAtTheUnitBound) {
  TempDir dir;
  WriteFile(dir.file("yitizi.txt"), "4E7E,5E72,5E79\n");
  VariantTable table;
  ASSERT_TRUE(table.Load(dir.path()));
  // 27 forms of 400,003 units each would be 10.8 million units.
  const std::u16string keywords = u"乾乾乾" + std::u16string(400000, u'之');
  std::vector<std::u16string> out;
  EXPECT_FALSE(table.Expand(keywords, out));
  size_t units = 0;
  for (const auto& f : out) units += f.size();
  EXPECT_LE(units, VariantTable::kMaxUnits);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[1].substr(0, 3), u"乾乾干");
}

TEST(RobustVariants, HitPageVariantsNeedNoFormsAcrossKeywords) {
  TempDir dir;
  WriteFile(dir.file("yitizi.txt"), "4E7E,5E72,5E79\n5764,5803\n");  // 乾干幹, 坤堃
  BookWriter book;
  ASSERT_TRUE(book.Create(dir.path(), "Index", 20));
  ASSERT_TRUE(book.AddPage("v\\2.htm", "<title>t</title><TD>堃 坤</TD><TD></TD>"));
  ASSERT_TRUE(book.Finish());
  IndexWriter empty;
  ASSERT_TRUE(empty.Write(dir.file("Index")));
  CIndex index;
  const Status opened = index.Open(dir.path(), "Index", IndexPart::FullText);
  ASSERT_TRUE(opened) << opened.Message();

  // The first keyword alone has 3^8 = 6561 forms. The hit page matches a
  // keyword character against its whole group, as the search does, without
  // writing out forms: the second keyword's variant is marked too, and
  // nothing is left unmarked.
  std::string page;
  EXPECT_EQ(index.BuildHitPage(0, page, u"乾乾乾乾乾乾乾乾 坤", 0, true), 2);
  EXPECT_NE(page.find("坤</b>"), std::string::npos);
  EXPECT_NE(page.find("堃</b>"), std::string::npos);
  EXPECT_TRUE(index.HitPageNote().empty()) << index.HitPageNote();

  page.clear();
  EXPECT_EQ(index.BuildHitPage(0, page, u"乾 坤", 0, true), 2);
  EXPECT_NE(page.find("堃</b>"), std::string::npos);
  EXPECT_TRUE(index.HitPageNote().empty());
}

// One group of a million members and a keyword of 400 of them: the forms are
// taken from the group where it lies (a copy per character was 1.6 GB), and
// stop at the bounds; the hit page marks the keyword.
TEST(RobustVariants, AHugeGroupExpandsWithinTheBounds) {
  TempDir dir;
  std::string table = "5B78";
  for (uint32_t i = 0; i < 1000000; ++i) {
    char field[8];
    std::snprintf(field, sizeof field, ",%X", 0x4E00 + i % 0x5200);
    table += field;
  }
  WriteFile(dir.file("yitizi.txt"), table + "\n");
  const std::u16string keyword(400, u'學');
  BookWriter book;
  ASSERT_TRUE(book.Create(dir.path(), "Index", 20));
  std::string text;
  for (int i = 0; i < 400; ++i) text += "學";
  ASSERT_TRUE(book.AddPage("v\\2.htm", "<title>t</title><TD>" + text + "</TD><TD></TD>"));
  ASSERT_TRUE(book.Finish());
  IndexWriter empty;
  ASSERT_TRUE(empty.Write(dir.file("Index")));
  CIndex index;
  const Status opened = index.Open(dir.path(), "Index", IndexPart::FullText);
  ASSERT_TRUE(opened) << opened.Message();
  ASSERT_EQ(index.VariantGroups().size(), 1u);
  ASSERT_EQ(index.VariantGroups()[0].size(), 1000001u);

  std::vector<std::u16string> forms;
  EXPECT_FALSE(index.ExpandVariants(keyword, forms));
  size_t units = 0;
  for (const auto& f : forms) units += f.size();
  EXPECT_LE(forms.size(), CIndex::kMaxVariantForms);
  EXPECT_LE(units, CIndex::kMaxVariantUnits);
  ASSERT_FALSE(forms.empty());
  EXPECT_EQ(forms[0], keyword);  // 學 is the group's first member

  // The hit page reads the group, not its forms: the keyword is marked and
  // nothing is left out.
  std::string page;
  EXPECT_EQ(index.BuildHitPage(0, page, keyword, 0, true), 1);
  EXPECT_NE(page.find("<a name=\"0000\"></a><b style='color:red;background:#D9D9D9;'>學學"), std::string::npos);
  EXPECT_TRUE(index.HitPageNote().empty()) << index.HitPageNote();
}

}  // namespace

}  // namespace tevarin
