// CollectionVerifier gathers the checkers of every format: a sound
// collection passes with the figures of each part, and a damage in any part
// comes out through Verify under that part's name (the damages themselves
// are the checkers' tests: bookcheck, indexcheck, cataloguecheck).
#include "catalog/collectioncheck.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "index/postingsfile.h"
#include "support/filedamage.h"
#include "support/robust_collection.h"

namespace tevarin {

namespace {

TEST(RobustVerify, SoundCollectionPasses) {
  TempDir dir;
  ASSERT_TRUE(robust::WriteCollection(dir.path()));
  CollectionVerifier v(dir.path());
  EXPECT_TRUE(v.Verify()) << ProblemText(v);
  EXPECT_EQ(v.ProblemCount(), 0u);
  const std::string summary = [&] {
    std::string s;
    for (const auto& l : v.Summary()) s += l + "\n";
    return s;
  }();
  EXPECT_NE(summary.find("book store: 8 records"), std::string::npos) << summary;
  EXPECT_NE(summary.find("variant table: 3 groups"), std::string::npos) << summary;
  EXPECT_NE(summary.find("index Index_desc"), std::string::npos) << summary;
  EXPECT_NE(summary.find("catalogue: 6 entries"), std::string::npos) << summary;
}

TEST(RobustVerify, EachPartsDamageComesOutUnderItsName) {
  const Damage cases[] = {
      {"truncated content file",
       [](const TempDir& d) {
         Edit(d, "Index-fl.cnt", [](std::string& s) { s.resize(s.size() / 2); });
       },
       "book store: record "},
      {"missing notes index",
       [](const TempDir& d) { std::remove(d.file("Index_desc-idx.m").c_str()); },
       "index Index_desc: cannot open"},
      {"variant member 0",
       [](const TempDir& d) {
         WriteFile(d.file("yitizi.txt"), "5B78,5B66\n7FD2,4E60,\n8AAA,,zz\n");
       },
       "variant table: group 2"},
      {"catalogue entry past the page table",
       [](const TempDir& d) {
         CatalogueWriter extra;
         ASSERT_TRUE(extra.Add(u"公孫丑", 3, 9, 2, 1));
         Edit(d, "vok.dir", [&](std::string& s) { s += extra.Bytes(); });
       },
       "catalogue: entry 7"},
      {"no book store: the others are not checked",
       [](const TempDir& d) { std::remove(d.file("Index-fl.h").c_str()); },
       "index Index: not checked: the book store does not open"},
  };
  for (const Damage& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    ASSERT_TRUE(robust::WriteCollection(dir.path()));
    c.apply(dir);
    CollectionVerifier v(dir.path());
    const Status verified = v.Verify();
    EXPECT_FALSE(verified);
    EXPECT_GT(v.ProblemCount(), 0u);
    const std::string problems = ProblemText(v);
    EXPECT_NE(problems.find(c.words), std::string::npos) << problems;
    EXPECT_NE(problems.find(verified.Message()), std::string::npos) << verified.Message();
  }
}

// An index the caller has open is checked against its own variant table.
TEST(RobustVerify, ChecksAnOpenIndex) {
  TempDir dir;
  ASSERT_TRUE(robust::WriteCollection(dir.path()));
  CIndex index;
  ASSERT_TRUE(index.Open(dir.path(), "Index", IndexPart::Body));
  CollectionVerifier v(dir.path());
  EXPECT_FALSE(
      v.CheckOpenIndex(index.Postings(), index.Variants(), IndexPart::Body));  // no book check yet
  ASSERT_TRUE(v.CheckBook());
  EXPECT_TRUE(v.CheckOpenIndex(index.Postings(), index.Variants(), IndexPart::Body))
      << ProblemText(v);
}

}  // namespace

}  // namespace tevarin
