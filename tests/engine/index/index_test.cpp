// CIndex as the front of the engine: opening each part by its file names,
// what a failed open says and leaves, and switching parts with SelectPart.
#include "index/index.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/testutil.h"
#include "writer/bookwriter.h"
#include "writer/indexwriter.h"

namespace tevarin {

namespace {

void WriteMinimalBook(const TempDir& dir) {
  BookWriter w;
  ASSERT_TRUE(w.Create(dir.path(), "Index", 20));
  ASSERT_TRUE(w.AddPage("v\\1.htm", "x"));
  ASSERT_TRUE(w.Finish());
}

// Each part's index holds slot 10 + its number only.
void WriteParts(const TempDir& dir) {
  for (IndexPart part : {IndexPart::FullText, IndexPart::Body, IndexPart::Notes}) {
    IndexWriter w;
    ASSERT_TRUE(w.AddEntry(static_cast<int>(part) + 10, 0, {1}));
    ASSERT_TRUE(w.Write(dir.file(IndexFileName("Index", part))));
  }
}

const std::pair<IndexPart, const char*> kParts[] = {{IndexPart::FullText, "Index"},
                                                    {IndexPart::Body, "Index_content"},
                                                    {IndexPart::Notes, "Index_desc"}};

TEST(Index, OpensEachPartByItsNames) {
  TempDir dir;
  WriteMinimalBook(dir);
  WriteParts(dir);
  CIndex index;
  for (const auto& [part, name] : kParts) {
    const Status opened = index.Open(dir.path(), "Index", part);
    ASSERT_TRUE(opened) << opened.Message();
    EXPECT_EQ(IndexFileName("Index", part), name);
    for (int p = 0; p < 3; ++p)
      EXPECT_EQ(index.Postings().HasPostings(p + 10), p == static_cast<int>(part)) << name;
    index.Close();
    EXPECT_FALSE(index.IsOpen());
  }
}

TEST(Index, OpenFailures) {
  TempDir dir;
  CIndex index;
  Status opened = index.Open(dir.path(), "Index", IndexPart::FullText);
  EXPECT_EQ(opened.Code(), StatusCode::kNotFound);
  EXPECT_NE(opened.Message().find("Index-idx.h"), std::string::npos);
  EXPECT_EQ(index.OpenStatus().Message(), opened.Message());

  IndexWriter w;
  ASSERT_TRUE(w.AddEntry(5, 0, {0}));
  ASSERT_TRUE(w.Write(dir.file("Index")));
  // No book files: the index opens but the engine does not.
  opened = index.Open(dir.path(), "Index", IndexPart::FullText);
  EXPECT_NE(opened.Message().find("Index-fl.h"), std::string::npos);
  EXPECT_FALSE(index.IsOpen());
  EXPECT_FALSE(index.Files().IsOpen());

  WriteMinimalBook(dir);
  opened = index.Open(dir.path(), "Index", IndexPart::FullText);
  ASSERT_TRUE(opened) << opened.Message();
  index.Close();

  // A header shorter than its tables, or empty, fails.
  const std::string header = ReadFile(dir.file("Index-idx.h"));
  WriteFile(dir.file("Index-idx.h"), header.substr(0, kIndexHeaderTables - 1));
  EXPECT_FALSE(index.Open(dir.path(), "Index", IndexPart::FullText));
  WriteFile(dir.file("Index-idx.h"), "");
  EXPECT_FALSE(index.Open(dir.path(), "Index", IndexPart::FullText));

  // A header of exactly the tables: no block chain, one-block slots still read.
  WriteFile(dir.file("Index-idx.h"), header.substr(0, kIndexHeaderTables));
  opened = index.Open(dir.path(), "Index", IndexPart::FullText);
  ASSERT_TRUE(opened) << opened.Message();
  EXPECT_TRUE(index.Postings().Chain().empty());
  PostingsCursor c = index.Postings().Cursor(5);
  uint32_t delta = 9, position = 9;
  uint16_t count = 0;
  EXPECT_TRUE(c.ReadVarint(delta) && c.ReadU16(count) && c.ReadVarint(position));
  EXPECT_EQ(delta, 0u);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(position, 0u);

  // Missing postings file.
  std::remove(dir.file("Index-idx.m").c_str());
  opened = index.Open(dir.path(), "Index", IndexPart::FullText);
  EXPECT_NE(opened.Message().find("Index-idx.m"), std::string::npos);
  EXPECT_FALSE(index.IsOpen());
  EXPECT_EQ(index.Open(dir.path(), "Index", static_cast<IndexPart>(7)).Code(),
            StatusCode::kInvalid);
}

// SelectPart changes the index and nothing else: the book store stays open
// and the variant table loaded; the hit list of the old index is dropped. A
// part that does not open leaves the book store readable and searches
// answering nothing until a part opens again.
TEST(Index, SelectPartKeepsTheBookStoreAndTheVariantTable) {
  TempDir dir;
  WriteMinimalBook(dir);
  WriteFile(dir.file("yitizi.txt"), "340A,340B\n");  // slots 10 and 11
  WriteParts(dir);
  CIndex index;
  ASSERT_TRUE(index.Open(dir.path(), "Index", IndexPart::FullText));
  std::u16string k = u"\u340A";
  EXPECT_EQ(index.SearchAnd(k, true, false), 1);
  ASSERT_EQ(index.VariantGroups().size(), 1u);

  // The table is not read again: a change to it shows only after Open.
  WriteFile(dir.file("yitizi.txt"), "");
  const Status selected = index.SelectPart(IndexPart::Notes);
  ASSERT_TRUE(selected) << selected.Message();
  EXPECT_TRUE(index.GetHitPages().empty());
  EXPECT_TRUE(index.Postings().HasPostings(11));
  EXPECT_FALSE(index.Postings().HasPostings(10));
  EXPECT_EQ(index.VariantGroups().size(), 1u);
  k = u"\u340B";
  EXPECT_EQ(index.SearchAnd(k, true, false), 1);

  std::remove(dir.file("Index_content-idx.m").c_str());
  const Status failed = index.SelectPart(IndexPart::Body);
  EXPECT_NE(failed.Message().find("Index_content-idx.m"), std::string::npos);
  EXPECT_FALSE(index.IsOpen());
  EXPECT_TRUE(index.GetHitPages().empty());
  std::string page;
  EXPECT_TRUE(index.Files().ReadPage(0, page));
  EXPECT_EQ(page, "x");
  k = u"\u340B";
  EXPECT_EQ(index.SearchAnd(k, true, false), 0);
  EXPECT_EQ(index.LastOutcome(), SearchOutcome::kClosed);

  ASSERT_TRUE(index.SelectPart(IndexPart::FullText));
  k = u"\u340A";
  EXPECT_EQ(index.SearchAnd(k, true, false), 1);

  // Without a book store there is nothing to switch.
  index.Close();
  EXPECT_EQ(index.SelectPart(IndexPart::Notes).Code(), StatusCode::kInvalid);
  EXPECT_FALSE(index.IsOpen());
}

}  // namespace

}  // namespace tevarin
