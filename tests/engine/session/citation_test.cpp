// The citation of "Copy with citation": which book, volume and page a page
// read is cited by, and the text put together from them.
#include "session/citation.h"

#include <gtest/gtest.h>

#include "support/testutil.h"
#include "writer/cataloguewriter.h"

namespace tevarin {

namespace {

// 集部 > 全唐詩 > 卷一百二十八; 經部 > 孝經 (a book without volumes); 史部
// (a division without books).
class CitationSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CatalogueWriter w;
    ASSERT_TRUE(w.Add(u"集部", 1, 1, 4, 1));             // 1
    ASSERT_TRUE(w.Add(u"全唐詩", 2, 1, 4, 1));           // 2
    ASSERT_TRUE(w.Add(u"卷一百二十八", 3, 1, 4, 1));     // 3
    ASSERT_TRUE(w.Add(u"經部", 1, 5, 2, 1));             // 4
    ASSERT_TRUE(w.Add(u"孝經", 2, 5, 2, 1));             // 5
    ASSERT_TRUE(w.Add(u"史部", 1, 7, 1, 1));             // 6
    ASSERT_TRUE(w.Write(m_dir.file("vok.dir")));
    ASSERT_TRUE(m_catalogue.Load(m_dir.path()));
  }
  TempDir m_dir;
  CCatalogue m_catalogue;
};

TEST_F(CitationSourceTest, NamesTheBookAndVolumeOfThePageRead) {
  struct Case {
    int entry;
    int page;
    std::u16string book, volume;
  };
  const Case cases[] = {
      {3, 3, u"全唐詩", u"卷一百二十八"},  // a volume: its book above it
      {5, 2, u"孝經", u""},               // a book read as a whole: no volume
      {4, 1, u"經部", u""},               // a division read as a whole
  };
  for (const Case& c : cases) {
    CitationSource s;
    ASSERT_TRUE(CitationSourceOf(m_catalogue, c.entry, c.page, s)) << c.entry;
    EXPECT_EQ(s.book, c.book) << c.entry;
    EXPECT_EQ(s.volume, c.volume) << c.entry;
    EXPECT_EQ(s.page, c.page) << c.entry;
  }
}

TEST_F(CitationSourceTest, NothingToCiteWithoutAnEntryOrAPage) {
  CitationSource s{u"kept", u"kept", 7};
  for (auto [entry, page] : {std::pair{0, 1}, {-1, 1}, {7, 1}, {3, 0}, {3, -2}}) {
    EXPECT_FALSE(CitationSourceOf(m_catalogue, entry, page, s)) << entry << "," << page;
    EXPECT_EQ(s.book, u"kept");
  }
}

TEST(CitationSourceOddTree, VolumeWithoutABookAboveIt) {
  // A volume straight under a division cites the division; a volume hung
  // under the root (nothing open above it) cites no book at all.
  TempDir dir;
  CatalogueWriter w;
  ASSERT_TRUE(w.Add(u"雜篇", 3, 1, 1, 1));  // 1: under the root
  ASSERT_TRUE(w.Add(u"史部", 1, 2, 1, 1));  // 2
  ASSERT_TRUE(w.Add(u"卷九", 3, 2, 1, 1));  // 3: under 史部, no book level
  ASSERT_TRUE(w.Write(dir.file("vok.dir")));
  CCatalogue c;
  ASSERT_TRUE(c.Load(dir.path()));
  CitationSource s;
  ASSERT_TRUE(CitationSourceOf(c, 3, 1, s));
  EXPECT_EQ(s.book, u"史部");
  EXPECT_EQ(s.volume, u"卷九");
  ASSERT_TRUE(CitationSourceOf(c, 1, 1, s));
  EXPECT_EQ(s.book, u"");
  EXPECT_EQ(s.volume, u"雜篇");
}

TEST(CitationText, QuotesTheTextAndNamesItsSource) {
  struct Case {
    std::u16string text;
    CitationSource source;
    std::u16string expected;
  };
  const Case cases[] = {
      {u"床前明月光", {u"全唐詩", u"卷一百二十八", 3}, u"「床前明月光」（《全唐詩》卷一百二十八，第3頁）"},
      {u"身體髮膚", {u"孝經", u"", 12}, u"「身體髮膚」（《孝經》，第12頁）"},
      {u"雜", {u"", u"雜篇", 1}, u"「雜」（雜篇，第1頁）"},
      {u"x", {u"", u"", 250}, u"「x」（第250頁）"},
      // Lines and a character beyond the Basic Multilingual Plane stay as selected.
      {u"甲\n乙𠀀", {u"書", u"卷一", 10}, u"「甲\n乙𠀀」（《書》卷一，第10頁）"},
  };
  for (const Case& c : cases) EXPECT_EQ(CitationText(c.text, c.source), c.expected);
}

}  // namespace

}  // namespace tevarin
