// CollectionVerifier on the sound fixture collection and on damaged copies of
// it: each damage must be reported in words that name what is wrong.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "catalog/collectioncheck.h"
#include "support/robust_collection.h"
#include "support/testutil.h"

namespace tevarin {

namespace {

std::string Problems(const CollectionVerifier& v) {
  std::string all;
  for (const auto& p : v.Problems()) all += p + "\n";
  return all;
}

uint32_t GetU32(const std::string& s, size_t at) {
  uint32_t v;
  std::memcpy(&v, s.data() + at, 4);
  return v;
}
void PutU32(std::string& s, size_t at, uint32_t v) { std::memcpy(s.data() + at, &v, 4); }

void Edit(const TempDir& dir, const std::string& name, const std::function<void(std::string&)>& f) {
  std::string bytes = ReadFile(dir.file(name));
  f(bytes);
  WriteFile(dir.file(name), bytes);
}

constexpr int kSlotZhi = 0x4E4B - 0x3400;  // 之: two pages of it, several blocks
constexpr int kSlotBu = 0x4E0D - 0x3400;   // 不: records 0 and 1 once, record 2 three times
constexpr size_t kRecordSize = 40 + 8;     // the fixture's name width + 8
size_t RecordAt(int i) { return 268 + static_cast<size_t>(i) * kRecordSize; }

TEST(RobustVerify, SoundCollectionPasses) {
  TempDir dir;
  ASSERT_TRUE(robust::WriteCollection(dir.path()));
  CollectionVerifier v(dir.path());
  EXPECT_TRUE(v.Verify()) << Problems(v);
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

struct Damage {
  const char* what;
  std::function<void(const TempDir&)> apply;
  const char* words;  // must appear in one problem line
};

TEST(RobustVerify, DamagedCopiesFailWithTheirCause) {
  const Damage cases[] = {
      {"truncated content file",
       [](const TempDir& d) { Edit(d, "Index-fl.cnt", [](std::string& s) { s.resize(s.size() / 2); }); },
       "lie outside the content file"},
      {"bit flip in a record's end offset",
       [](const TempDir& d) {
         Edit(d, "Index-fl.h", [](std::string& s) { s[RecordAt(3) + 40 + 2] ^= 0x10; });
       },
       "record 3 \"d1\\b1\\v2\\1.htm\": its bytes"},
      {"bit flip in a record's length sign",
       [](const TempDir& d) {
         Edit(d, "Index-fl.h", [](std::string& s) { s[RecordAt(1) + 44 + 3] ^= 0x80; });
       },
       "negative length"},
      {"record name without a page number",
       [](const TempDir& d) { Edit(d, "Index-fl.h", [](std::string& s) { s[RecordAt(4) + 10] = '_'; }); },
       "record 4 \"d1\\b1\\v2\\2_htm\" has no page number"},
      {"partial last record",
       [](const TempDir& d) { Edit(d, "Index-fl.h", [](std::string& s) { s += "abc"; }); },
       "partial record of 3 bytes"},
      {"chain loop",
       [](const TempDir& d) {
         Edit(d, "Index-idx.h", [](std::string& s) {
           const uint32_t first = GetU32(s, 4 * kSlotZhi);
           PutU32(s, 1400000 + 4 * first, first);  // the first block chains to itself
         });
       },
       "slot 6731: its block chain loops"},
      {"chain past the postings file",
       [](const TempDir& d) {
         Edit(d, "Index_content-idx.h", [](std::string& s) {
           PutU32(s, 1400000 + 4 * GetU32(s, 4 * kSlotZhi), 70000);
         });
       },
       "index Index_content: slot 6731: the block chain leads from block"},
      {"chain cut short",
       [](const TempDir& d) {
         Edit(d, "Index-idx.h", [](std::string& s) { s.resize(1400000); });
       },
       "which has no entry in the block chain"},
      {"block chain longer than the postings file has blocks",
       [](const TempDir& d) {
         Edit(d, "Index_desc-idx.h", [](std::string& s) { s.append(4 * 4096, '\0'); });
       },
       "index Index_desc: the block chain has "},
      {"descending positions",
       [](const TempDir& d) {
         Edit(d, "Index-idx.m", [&](std::string& s) {
           const std::string h = ReadFile(d.file("Index-idx.h"));
           const size_t at = size_t(GetU32(h, 4 * kSlotBu)) * 4096;
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
         Edit(d, "Index-idx.h", [](std::string& s) { PutU32(s, 1000000 + 4 * kSlotZhi, 4); });
       },
       "slot 6731: it passes its last page 4 (at record 6)"},
      {"postings of a slot that no character has",
       [](const TempDir& d) {
         Edit(d, "Index-idx.h", [](std::string& s) { PutU32(s, 4 * 30000, 0); });
       },
       "slot 30000 has postings but is no character's slot"},
      {"postings of a group slot beyond the table",
       [](const TempDir& d) {
         Edit(d, "Index_desc-idx.h", [](std::string& s) { PutU32(s, 4 * (VariantSlotBase + 3), 0); });
       },
       "slot 88068 has postings but names no variant group"},
      {"group slot without a member's page",
       [](const TempDir& d) {
         // 習/习 (group 1) loses its last page: record 5 becomes its end.
         Edit(d, "Index-idx.h", [](std::string& s) {
           PutU32(s, 1000000 + 4 * (VariantSlotBase + 1), 3);
         });
       },
       "group slot 88066 (group 1, U+7FD2...) lacks record 5"},
      {"group slot with postings none of its members has",
       // Group 1 now names a character no page holds; its slot still holds 習's postings.
       [](const TempDir& d) { WriteFile(d.file("yitizi.txt"), "5B78,5B66\n9F98\n8AAA,8BF4\n"); },
       "group slot 88066 (group 1, U+9F98...) holds record "},
      {"missing notes index",
       [](const TempDir& d) { std::remove(d.file("Index_desc-idx.m").c_str()); },
       "index Index_desc: cannot open"},
      {"catalogue entry past the page table",
       [](const TempDir& d) {
         CatalogueWriter extra;
         ASSERT_TRUE(extra.Add(u"公孫丑", 3, 9, 2, 1));
         Edit(d, "vok.dir", [&](std::string& s) { s += extra.Bytes(); });
       },
       "outside the page table"},
      {"volume directly under a division",
       [](const TempDir& d) { Edit(d, "vok.dir", [](std::string& s) { s[216 + 200] = 3; }); },
       "entry 3 \"學而\": a level-3 entry without a level-2 entry before it"},
      {"volume whose first page number is wrong",
       [](const TempDir& d) { Edit(d, "vok.dir", [](std::string& s) { s[3 * 216 + 212] = 5; }); },
       "entry 4 \"為政\": curFileName 5 is not the page number of its first record 3 (1)"},
  };
  for (const Damage& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    ASSERT_TRUE(robust::WriteCollection(dir.path()));
    c.apply(dir);
    CollectionVerifier v(dir.path());
    EXPECT_FALSE(v.Verify());
    const std::string problems = Problems(v);
    EXPECT_NE(problems.find(c.words), std::string::npos) << problems;
  }
}

}  // namespace

}  // namespace tevarin
