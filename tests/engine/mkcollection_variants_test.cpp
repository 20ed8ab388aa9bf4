// Variant groups from a tiny Unihan excerpt and OpenCC-style dictionary text,
// the compressed input reader, and the numerals of volume titles.
#include <gtest/gtest.h>

#include <bzlib.h>

#include "corpus.h"
#include "inputfile.h"
#include "testutil.h"
#include "variantgroups.h"

namespace {

const char* kUnihan =
    "# Unihan_Variants excerpt\n"
    "U+4E7E\tkTraditionalVariant\tU+4E7E U+5E72\n"
    "U+5E72\tkTraditionalVariant\tU+4E7E U+5E72 U+5E79\n"
    "U+53D1\tkTraditionalVariant\tU+767C U+9AEE\n"
    "U+767C\tkSimplifiedVariant\tU+53D1\n"
    "U+5B78\tkSimplifiedVariant\tU+5B66\n"
    "U+5B78\tkSemanticVariant\tU+6585<kMatthews\n"      // 學 ~ 斅: semantic only
    "U+0041\tkZVariant\tU+FF21\n"                        // A has no slot: FF21 stays alone
    "U+6238\tkZVariant\tU+2A700\n"                       // 戸 - X (no slot) - 戶
    "U+2A700\tkZVariant\tU+6236\n";

TEST(MkCollectionVariants, UnionFindJoinsLinkedCharactersIntoSortedGroups) {
  VariantGroups v;
  std::string error;
  ASSERT_TRUE(v.AddUnihan(kUnihan, DefaultVariantFields(), error)) << error;
  // Transitive joins (乾-干-幹), members ascending, groups by smallest member;
  // a member without a slot is left out but still links its neighbours;
  // semantic variants are not joined by default.
  EXPECT_EQ(VariantGroups::Format(v.Groups()),
            "4E7E,5E72,5E79\n"
            "53D1,767C,9AEE\n"
            "5B66,5B78\n"
            "6236,6238\n");
  EXPECT_EQ(v.Relations().at("kTraditionalVariant"), 5u);  // self-links are no relations
  EXPECT_EQ(v.Relations().count("kSemanticVariant"), 0u);

  VariantGroups semantic;
  ASSERT_TRUE(semantic.AddUnihan(kUnihan, {"kSimplifiedVariant", "kSemanticVariant"}, error));
  EXPECT_EQ(VariantGroups::Format(semantic.Groups()), "53D1,767C\n5B66,5B78,6585\n");

  VariantGroups none;
  EXPECT_FALSE(none.AddUnihan(kUnihan, {"kSpoofingVariant"}, error));
  EXPECT_NE(error.find("no variant relations"), std::string::npos);
}

TEST(MkCollectionVariants, JapaneseNewFormsJoinFromDictionaryText) {
  VariantGroups v;
  std::string error;
  ASSERT_TRUE(v.AddUnihan(kUnihan, DefaultVariantFields(), error));
  // OpenCC's text form; entries of more than one character are skipped.
  const size_t added = v.AddDictionary("發\t発\n髮\t髪\r\n國\t国 國\n発表\t發表\nbad line\n", "jp");
  EXPECT_EQ(added, 3u);  // 國-國 is no relation
  EXPECT_EQ(VariantGroups::Format(v.Groups()),
            "4E7E,5E72,5E79\n"
            "53D1,767A,767C,9AEA,9AEE\n"
            "56FD,570B\n"
            "5B66,5B78\n"
            "6236,6238\n");
}

TEST(MkCollectionVariants, InputFilesArePlainOrBzip2) {
  TempDir dir;
  const std::string text = std::string(kUnihan) + std::string(100000, 'x');
  std::string packed(text.size() + 1000, '\0');
  unsigned int packedLen = static_cast<unsigned int>(packed.size());
  ASSERT_EQ(BZ2_bzBuffToBuffCompress(packed.data(), &packedLen, const_cast<char*>(text.data()),
                                     static_cast<unsigned int>(text.size()), 9, 0, 0),
            BZ_OK);
  packed.resize(packedLen);
  WriteFile(dir.file("v.txt.bz2"), packed);
  WriteFile(dir.file("v.txt"), text);
  WriteFile(dir.file("cut.bz2"), packed.substr(0, packed.size() / 2));

  std::string out, error;
  ASSERT_TRUE(ReadInputFile(dir.file("v.txt.bz2"), out, error)) << error;
  EXPECT_TRUE(out == text);
  ASSERT_TRUE(ReadInputFile(dir.file("v.txt"), out, error)) << error;
  EXPECT_TRUE(out == text);
  EXPECT_FALSE(ReadInputFile(dir.file("cut.bz2"), out, error));
  EXPECT_NE(error.find("cut.bz2"), std::string::npos);
  EXPECT_FALSE(ReadInputFile(dir.file("missing.txt"), out, error));
  EXPECT_NE(error.find("missing.txt"), std::string::npos);
}

TEST(MkCollectionVariants, ChineseNumeralsOfVolumeTitles) {
  const std::pair<int, const char*> cases[] = {
      {1, "一"},        {10, "十"},           {11, "十一"},         {20, "二十"},
      {21, "二十一"},   {100, "一百"},        {101, "一百零一"},    {110, "一百一十"},
      {900, "九百"},    {1001, "一千零一"},   {2345, "二千三百四十五"}};
  for (const auto& [n, s] : cases) EXPECT_EQ(ChineseNumber(n), s) << n;
}

}  // namespace
