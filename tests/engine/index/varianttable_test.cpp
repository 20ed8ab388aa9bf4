#include <gtest/gtest.h>

#include "index/varianttable.h"
#include "support/search_fixture.h"

namespace tevarin {

namespace {

using Hits = std::vector<std::pair<uint32_t, uint32_t>>;

TEST(VariantTable, ParsesTheFileFormat) {
  TempDir dir;
  WriteFile(dir.file("yitizi.txt"),
            "\n4E7E,5E72,5E79\r\n,,0x767C,,53D1 , 9AEE,\n\n\r\nzz,20000\n5E72,6F22");
  VariantTable table;
  ASSERT_TRUE(table.Load(dir.path()));
  const std::vector<std::vector<uint32_t>> expected = {
      {0x4E7E, 0x5E72, 0x5E79},  // the CR is part of the last field: hex reading stops there
      {0x767C, 0x53D1, 0x9AEE},
      {0},                       // a line holding only a CR
      {0, 0x20000},
      {0x5E72, 0x6F22},
  };
  EXPECT_EQ(table.Groups(), expected);
  // Reloading replaces the groups instead of appending.
  ASSERT_TRUE(table.Load(dir.path()));
  EXPECT_EQ(table.Groups().size(), expected.size());

  int slot = -7;
  EXPECT_TRUE(table.FindSlot(0x5E72, slot));  // first group wins
  EXPECT_EQ(slot, kVariantSlotBase + 0);
  EXPECT_TRUE(table.FindSlot(0x6F22, slot));
  EXPECT_EQ(slot, kVariantSlotBase + 4);
  slot = -7;
  EXPECT_FALSE(table.FindSlot(0x4E00, slot));
  EXPECT_EQ(slot, -7);

  std::remove(dir.file("yitizi.txt").c_str());
  EXPECT_EQ(table.Load(dir.path()).Code(), StatusCode::kNotFound);
  EXPECT_TRUE(table.Groups().empty());
  EXPECT_FALSE(table.FindSlot(0x5E72, slot));
}

// Each field as a C hexadecimal conversion reads it, whatever bytes come.
TEST(VariantTable, ReadsFieldsAsHexadecimalNumbers) {
  const struct {
    const char* line;
    std::vector<uint32_t> group;
  } cases[] = {
      {"0x1F,0X1f, \t0x1F,1F", {0x1F, 0x1F, 0x1F, 0x1F}},
      {"0x,0xg,0x0x5,00x5,x12,0", {0, 0, 0, 0, 0, 0}},  // "0x" counts only before a digit
      {"12g3,4E00\r", {0x12, 0x4E00}},                   // reading stops at the first other byte
      {" ,\t", {0, 0}},                                   // a field of white space is 0
      {"1ffffffff,FFFFFFFF,00000000000000000000000000000000000041", {UINT32_MAX, UINT32_MAX, 0x41}},
      {",,,", {}},                                         // a line of empty fields: an empty group
  };
  TempDir dir;
  std::string table;
  std::vector<std::vector<uint32_t>> expected;
  for (const auto& c : cases) {
    table += std::string(c.line) + "\n";
    expected.push_back(c.group);
  }
  WriteFile(dir.file("yitizi.txt"), table);
  VariantTable variants;
  ASSERT_TRUE(variants.Load(dir.path()));
  EXPECT_EQ(variants.Groups(), expected);
  // A member past U+10FFFF is no character, but a member all the same.
  int slot = -1;
  EXPECT_TRUE(variants.FindSlot(UINT32_MAX, slot));
  EXPECT_EQ(slot, kVariantSlotBase + 4);
  // A field never runs on into the next line, however long the lines.
  WriteFile(dir.file("yitizi.txt"), std::string(200000, '5') + "\n" + std::string(100000, ',') + "4E00\n5B78");
  ASSERT_TRUE(variants.Load(dir.path()));
  EXPECT_EQ(variants.Groups(), (std::vector<std::vector<uint32_t>>{{UINT32_MAX}, {0x4E00}, {0x5B78}}));
}

TEST(VariantTable, ExpandsDepthFirst) {
  TempDir dir;
  WriteFile(dir.file("yitizi.txt"), "4E7E,5E72,5E79\n767C,53D1,9AEE\n4E00,20000\n");
  VariantTable table;
  ASSERT_TRUE(table.Load(dir.path()));
  std::vector<std::u16string> out;
  EXPECT_TRUE(table.Expand(u"\u5E72\u767C", out));
  const std::vector<std::u16string> nine = {
      u"\u4E7E\u767C", u"\u4E7E\u53D1", u"\u4E7E\u9AEE", u"\u5E72\u767C", u"\u5E72\u53D1",
      u"\u5E72\u9AEE", u"\u5E79\u767C", u"\u5E79\u53D1", u"\u5E79\u9AEE"};
  EXPECT_EQ(out, nine);
  EXPECT_TRUE(table.Expand(u"", out));
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(table.Expand(u"\u5B66*?", out));
  EXPECT_EQ(out, (std::vector<std::u16string>{u"\u5B66*?"}));
  // Members above U+FFFF match and come out as surrogate pairs; a space stays.
  EXPECT_TRUE(table.Expand(u"\xD840\xDC00 \u5E72", out));
  EXPECT_EQ(out.size(), 6u);
  EXPECT_EQ(out[0], u"\u4E00 \u4E7E");
  EXPECT_EQ(out[3], u"\xD840\xDC00 \u4E7E");
}

TEST(VariantTable, ExpansionIsBounded) {
  TempDir dir;
  WriteFile(dir.file("yitizi.txt"), "4E7E,5E72,5E79\n");
  VariantTable table;
  ASSERT_TRUE(table.Load(dir.path()));
  std::vector<std::u16string> out;
  const std::u16string eight(8, u'\u5E72');  // 3^8 = 6561 forms
  EXPECT_FALSE(table.Expand(eight, out));
  EXPECT_EQ(out.size(), VariantTable::kMaxForms);
  EXPECT_EQ(out.front(), std::u16string(8, u'\u4E7E'));
}

TEST(VariantTable, SearchAndHitPagesUseTheGroups) {
  SearchFixture f;
  // Record r is page r + 1: the text sits in the cell its parity selects.
  f.Build({u"<title>a</title><TD></TD><TD><p>學而時習之</p></TD>",
           u"<title>b</title><TD><p>学而时习之</p></TD><TD></TD>",
           u"<title>c</title><TD></TD><TD><p>乾坤</p></TD>"},
          {"5B66,5B78", "6642,65F6", "4E7E,5E72,5E79"});
  EXPECT_EQ(f.And(u"學而"), (Hits{{0, 1}}));
  EXPECT_EQ(f.And(u"學而", true), (Hits{{0, 1}, {1, 1}}));
  EXPECT_EQ(f.And(u"学而?習", true), (Hits{{0, 1}}));  // 習 has no group here
  EXPECT_EQ(f.And(u"学*时", true), (Hits{{0, 1}, {1, 1}}));
  EXPECT_EQ(f.And(u"干坤", true), (Hits{{2, 1}}));
  EXPECT_TRUE(f.And(u"干坤").empty());  // 干 itself occurs nowhere

  std::string page;
  EXPECT_EQ(f.index.BuildHitPage(1, page, u"學而", 0, true), 1);
  EXPECT_EQ(page.rfind("<html><head>", 0), 0u);
  EXPECT_NE(page.find("<b style='color:red;background:#D9D9D9;'>学而</b>"), std::string::npos);
  page.clear();
  EXPECT_EQ(f.index.BuildHitPage(1, page, u"學而", 0, false), 0);

  // Past the expansion bound the page is still rendered, every typed keyword marked.
  page.clear();
  const std::u16string many = u"乾乾乾乾乾乾乾乾 坤";
  EXPECT_GE(f.index.BuildHitPage(2, page, many, 0, true), 1);
  EXPECT_NE(page.find("坤</b>"), std::string::npos);
}

}  // namespace

}  // namespace tevarin
