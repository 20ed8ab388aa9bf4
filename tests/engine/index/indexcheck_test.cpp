// The checks of the index files and of the variant table on the sound fixture
// collection and on damaged copies of it: each damage must be reported in
// words that name what is wrong.
#include "index/indexcheck.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/littleendian.h"
#include "index/varianttable.h"
#include "support/filedamage.h"
#include "support/robust_collection.h"

namespace tevarin {

namespace {

constexpr int kSlotZhi = 0x4E4B - 0x3400;  // 之: two pages of it, several blocks
constexpr int kSlotBu = 0x4E0D - 0x3400;   // 不: records 0 and 1 once, record 2 three times
constexpr int32_t kRecords = 8;

uint32_t GetU32(const std::string& s, int64_t at) { return LoadLE32(&s[static_cast<size_t>(at)]); }
void PutU32(std::string& s, int64_t at, uint32_t v) { StoreLE32(&s[static_cast<size_t>(at)], v); }

// Every check of the variant table and of the three indexes.
Status CheckAll(const std::string& folder, CheckReport& report) {
  VariantTable variants;
  Status first = CheckVariantTable(folder, variants, report);
  for (IndexPart part : {IndexPart::FullText, IndexPart::Body, IndexPart::Notes}) {
    const Status s = CheckIndexFiles(folder, "Index", part, kRecords, variants, report);
    if (first) first = s;
  }
  return first;
}

TEST(IndexCheck, SoundIndexesPass) {
  TempDir dir;
  ASSERT_TRUE(robust::WriteCollection(dir.path()));
  CheckReport report;
  EXPECT_TRUE(CheckAll(dir.path(), report)) << ProblemText(report);
  std::string summary;
  for (const auto& l : report.Summary()) summary += l + "\n";
  EXPECT_NE(summary.find("variant table: 3 groups"), std::string::npos) << summary;
  EXPECT_NE(summary.find("index Index_desc"), std::string::npos) << summary;
  EXPECT_NE(summary.find("0 streams cut short"), std::string::npos) << summary;
}

TEST(IndexCheck, DamagedCopiesFailWithTheirCause) {
  const Damage cases[] = {
      {"chain loop",
       [](const TempDir& d) {
         Edit(d, "Index-idx.h", [](std::string& s) {
           const uint32_t first = GetU32(s, FirstBlockEntryOffset(kSlotZhi));
           PutU32(s, ChainEntryOffset(first), first);  // the first block chains to itself
         });
       },
       "slot 6731: its block chain loops"},
      {"chain past the postings file",
       [](const TempDir& d) {
         Edit(d, "Index_content-idx.h", [](std::string& s) {
           PutU32(s, ChainEntryOffset(GetU32(s, FirstBlockEntryOffset(kSlotZhi))), 70000);
         });
       },
       "index Index_content: slot 6731: the block chain leads from block"},
      {"chain cut short",
       [](const TempDir& d) {
         Edit(d, "Index-idx.h", [](std::string& s) { s.resize(kIndexHeaderTables); });
       },
       "which has no entry in the block chain"},
      {"block chain longer than the postings file has blocks",
       [](const TempDir& d) {
         Edit(d, "Index_desc-idx.h", [](std::string& s) { s.append(4 * kBlockSize, '\0'); });
       },
       "index Index_desc: the block chain has "},
      {"descending positions",
       [](const TempDir& d) {
         Edit(d, "Index-idx.m", [&](std::string& s) {
           const std::string h = ReadFile(d.file("Index-idx.h"));
           const size_t at = size_t(GetU32(h, FirstBlockEntryOffset(kSlotBu))) * kBlockSize;
           // record 0: one position (7); record 2: positions 1, 4, 6
           const std::string expect("\x00\x01\x00\x07\x01\x01\x00\x06\x01\x03\x00\x01\x03\x02", 14);
           ASSERT_EQ(s.substr(at, 14), expect);
           s[at + 12] = 0;  // position 4 becomes a second 1
         });
       },
       "slot 6669: record 2: positions do not ascend"},
      {"last page that the stream never reaches",
       [](const TempDir& d) {
         // 之 is on records 0, 3, 6 and 7; record 4 is none of them.
         Edit(d, "Index-idx.h",
              [](std::string& s) { PutU32(s, LastPageEntryOffset(kSlotZhi), 4); });
       },
       "slot 6731: it passes its last page 4 (at record 6)"},
      {"postings of a slot that no character has",
       [](const TempDir& d) {
         Edit(d, "Index-idx.h", [](std::string& s) { PutU32(s, FirstBlockEntryOffset(30000), 0); });
       },
       "slot 30000 has postings but is no character's slot"},
      {"postings of a group slot beyond the table",
       [](const TempDir& d) {
         Edit(d, "Index_desc-idx.h",
              [](std::string& s) { PutU32(s, FirstBlockEntryOffset(kVariantSlotBase + 3), 0); });
       },
       "slot 88068 has postings but names no variant group"},
      {"group slot without a member's page",
       [](const TempDir& d) {
         // 習/习 (group 1) loses its last page: record 5 becomes its end.
         Edit(d, "Index-idx.h",
              [](std::string& s) { PutU32(s, LastPageEntryOffset(kVariantSlotBase + 1), 3); });
       },
       "group slot 88066 (group 1, U+7FD2...) lacks record 5"},
      {"group slot with postings none of its members has",
       // Group 1 now names a character no page holds; its slot still holds 習's postings.
       [](const TempDir& d) { WriteFile(d.file("yitizi.txt"), "5B78,5B66\n9F98\n8AAA,8BF4\n"); },
       "group slot 88066 (group 1, U+9F98...) holds record "},
      {"missing notes index",
       [](const TempDir& d) { std::remove(d.file("Index_desc-idx.m").c_str()); },
       "index Index_desc: cannot open"},
      {"a variant member that is no number",
       [](const TempDir& d) {
         WriteFile(d.file("yitizi.txt"), "5B78,5B66\n7FD2,xyz\n8AAA,8BF4\n");
       },
       "variant table: group 1 (line 2 of the non-empty lines) has a member 0"},
      {"missing variant table", [](const TempDir& d) { std::remove(d.file("yitizi.txt").c_str()); },
       "yitizi.txt is missing"},
  };
  for (const Damage& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    ASSERT_TRUE(robust::WriteCollection(dir.path()));
    c.apply(dir);
    CheckReport report;
    EXPECT_FALSE(CheckAll(dir.path(), report));
    const std::string problems = ProblemText(report);
    EXPECT_NE(problems.find(c.words), std::string::npos) << problems;
  }
}

// A collection from a builder that still indexed punctuation has postings
// in the slots of punctuation: the check fails, saying so once per index
// with the advice to build the collection again, while a slot of no
// character at all keeps its own report.
TEST(IndexCheck, PunctuationSlotsOfAnOlderBuilderAreReportedOnce) {
  constexpr int kSlotComma = 83905;  // U+FF0C ，
  constexpr int kSlotColon = 83919;  // U+FF1A ：
  struct Case {
    std::vector<int> slots;
    std::vector<std::string> words;  // each must be reported
    int noCharacterReports;          // "is no character's slot" lines expected
  };
  const Case cases[] = {
      {{kSlotComma}, {"index Index: slot 83905 (U+FF0C) holds postings of punctuation"}, 0},
      {{kSlotColon, 30000, kSlotComma},
       {"index Index: slot 83905 (U+FF0C) and 1 more slots hold postings of punctuation",
        "index Index: slot 30000 has postings but is no character's slot"},
       1},
  };
  auto count = [](const std::string& text, const std::string& words) {
    int n = 0;
    for (size_t at = text.find(words); at != std::string::npos; at = text.find(words, at + 1)) ++n;
    return n;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.words.front());
    TempDir dir;
    ASSERT_TRUE(robust::WriteCollection(dir.path()));
    Edit(dir, "Index-idx.h", [&](std::string& s) {
      for (int slot : c.slots) PutU32(s, FirstBlockEntryOffset(slot), 0);
    });
    CheckReport report;
    EXPECT_FALSE(CheckAll(dir.path(), report));
    const std::string problems = ProblemText(report);
    for (const std::string& words : c.words)
      EXPECT_NE(problems.find(words), std::string::npos) << problems;
    EXPECT_EQ(count(problems, "build it again (scripts/build-collection.sh)"), 1) << problems;
    EXPECT_EQ(count(problems, "is no character's slot"), c.noCharacterReports) << problems;
  }
}

}  // namespace

}  // namespace tevarin
