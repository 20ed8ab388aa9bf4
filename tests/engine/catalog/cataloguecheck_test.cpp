// CheckCatalogue on the sound fixture collection and on damaged copies of its
// catalogue: each damage must be reported in words that name what is wrong.
#include "catalog/cataloguecheck.h"

#include <gtest/gtest.h>

#include "catalog/catalogueformat.h"
#include "support/filedamage.h"
#include "support/robust_collection.h"

namespace tevarin {

namespace {

// The catalogue check after the book store's, which gives it the page table.
Status CheckFixtureCatalogue(const std::string& folder, CheckReport& report) {
  CheckReport bookReport;
  BookFacts book;
  (void)CheckBookStore(folder, "Index", bookReport, book);
  return CheckCatalogue(folder, book, report);
}

size_t FieldAt(size_t entry, size_t offset) { return (entry - 1) * kCatalogueRecordSize + offset; }

TEST(CatalogueCheck, SoundCataloguePasses) {
  TempDir dir;
  ASSERT_TRUE(robust::WriteCollection(dir.path()));
  CheckReport report;
  EXPECT_TRUE(CheckFixtureCatalogue(dir.path(), report)) << ProblemText(report);
  ASSERT_EQ(report.Summary().size(), 1u);
  EXPECT_EQ(report.Summary()[0], "catalogue: 6 entries (1 divisions, 2 books, 3 volumes)");
}

TEST(CatalogueCheck, DamagedCopiesFailWithTheirCause) {
  const Damage cases[] = {
      {"catalogue entry past the page table",
       [](const TempDir& d) {
         CatalogueWriter extra;
         ASSERT_TRUE(extra.Add(u"公孫丑", 3, 9, 2, 1));
         Edit(d, "vok.dir", [&](std::string& s) { s += extra.Bytes(); });
       },
       "outside the page table"},
      {"volume directly under a division",
       [](const TempDir& d) {
         Edit(d, "vok.dir", [](std::string& s) { s[FieldAt(2, kCatalogueLevelOffset)] = 3; });
       },
       "entry 3 \"學而\": a level-3 entry without a level-2 entry before it"},
      {"volume whose first page number is wrong",
       [](const TempDir& d) {
         Edit(d, "vok.dir", [](std::string& s) { s[FieldAt(4, kCatalogueFirstPageOffset)] = 5; });
       },
       "entry 4 \"為政\": curFileName 5 is not the page number of its first record 3 (1)"},
      {"partial last record",
       [](const TempDir& d) { Edit(d, "vok.dir", [](std::string& s) { s += "xyz"; }); },
       "partial record of 3 bytes"},
      {"missing catalogue", [](const TempDir& d) { std::remove(d.file("vok.dir").c_str()); },
       "vok.dir is missing or unreadable"},
  };
  for (const Damage& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    ASSERT_TRUE(robust::WriteCollection(dir.path()));
    c.apply(dir);
    CheckReport report;
    EXPECT_FALSE(CheckFixtureCatalogue(dir.path(), report));
    const std::string problems = ProblemText(report);
    EXPECT_NE(problems.find(c.words), std::string::npos) << problems;
  }
}

}  // namespace

}  // namespace tevarin
