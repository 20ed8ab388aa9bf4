// CheckBookStore on the sound fixture collection and on damaged copies of it:
// each damage must be reported in words that name what is wrong.
#include "store/bookcheck.h"

#include <gtest/gtest.h>

#include "store/bookformat.h"
#include "support/filedamage.h"
#include "support/robust_collection.h"

namespace tevarin {

namespace {

constexpr int32_t kWidth = 40;  // the fixture's name width
size_t RecordAt(int i) { return static_cast<size_t>(PageRecordOffset(i, kWidth)); }

TEST(BookCheck, SoundBookPassesAndGivesItsFacts) {
  TempDir dir;
  ASSERT_TRUE(robust::WriteCollection(dir.path()));
  CheckReport report;
  BookFacts facts;
  EXPECT_TRUE(CheckBookStore(dir.path(), "Index", report, facts)) << ProblemText(report);
  EXPECT_TRUE(facts.open);
  EXPECT_EQ(facts.recordCount, 8);
  EXPECT_EQ(facts.pageNumbers, (std::vector<int32_t>{1, 2, 3, 1, 2, 1, 2, 3}));
  ASSERT_EQ(report.Summary().size(), 1u);
  EXPECT_EQ(report.Summary()[0].rfind("book store: 8 records", 0), 0u) << report.Summary()[0];
}

TEST(BookCheck, DamagedCopiesFailWithTheirCause) {
  const Damage cases[] = {
      {"truncated content file",
       [](const TempDir& d) {
         Edit(d, "Index-fl.cnt", [](std::string& s) { s.resize(s.size() / 2); });
       },
       "lie outside the content file"},
      {"bit flip in a record's end offset",
       [](const TempDir& d) {
         Edit(d, "Index-fl.h", [](std::string& s) { s[RecordAt(3) + kWidth + 2] ^= 0x10; });
       },
       "record 3 \"d1\\b1\\v2\\1.htm\": its bytes"},
      {"bit flip in a record's length sign",
       [](const TempDir& d) {
         Edit(d, "Index-fl.h", [](std::string& s) { s[RecordAt(1) + kWidth + 4 + 3] ^= 0x80; });
       },
       "negative length"},
      {"record name without a page number",
       [](const TempDir& d) {
         Edit(d, "Index-fl.h", [](std::string& s) { s[RecordAt(4) + 10] = '_'; });
       },
       "record 4 \"d1\\b1\\v2\\2_htm\" has no page number"},
      {"partial last record",
       [](const TempDir& d) { Edit(d, "Index-fl.h", [](std::string& s) { s += "abc"; }); },
       "partial record of 3 bytes"},
      {"missing content file",
       [](const TempDir& d) { std::remove(d.file("Index-fl.cnt").c_str()); },
       "book store: cannot open"},
  };
  for (const Damage& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    ASSERT_TRUE(robust::WriteCollection(dir.path()));
    c.apply(dir);
    CheckReport report;
    BookFacts facts;
    const Status checked = CheckBookStore(dir.path(), "Index", report, facts);
    EXPECT_FALSE(checked);
    const std::string problems = ProblemText(report);
    EXPECT_NE(problems.find(c.words), std::string::npos) << problems;
    EXPECT_NE(problems.find(checked.Message()), std::string::npos) << checked.Message();
  }
}

}  // namespace

}  // namespace tevarin
