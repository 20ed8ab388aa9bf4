// The companion postings file: its packed numbers, the search through it held
// against the walk of the index files on a collection whose lists take every
// shape the format has (bitmaps, blocks probed through the skip table, lists
// merged whole), and companions that are stale, cut short or damaged
// anywhere: each is ignored where it is wrong, the answers stay the walk's,
// and the check names the fault.
#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <random>

#include "index/companionfile.h"
#include "index/indexcheck.h"
#include "support/filedamage.h"
#include "support/search_fixture.h"
#include "writer/companionwriter.h"

namespace tevarin {

namespace {

using Hits = std::vector<std::pair<uint32_t, uint32_t>>;

TEST(CompanionFormat, PackedNumbersRoundTripAtEveryWidth) {
  std::mt19937 random(7);
  for (uint32_t w = 0; w <= 32; ++w) {
    std::vector<uint32_t> values(301);
    for (uint32_t& v : values) v = w == 32 ? static_cast<uint32_t>(random()) : static_cast<uint32_t>(random()) & ((1u << w) - 1);
    if (w > 0) values[7] = w == 32 ? UINT32_MAX : (1u << w) - 1;  // the widest value
    std::vector<uint8_t> packed;
    AppendPacked(packed, values.data(), values.size(), w);
    ASSERT_EQ(packed.size(), PackedBytes(values.size(), w));
    packed.resize(packed.size() + kCompanionPadding, 0);
    std::vector<uint32_t> back(values.size());
    UnpackNumbers(packed.data(), back.size(), w, back.data());
    EXPECT_EQ(back, values) << w << " bits";
    for (size_t i = 0; i < values.size(); i += 37) EXPECT_EQ(PackedAt(packed.data(), i, w), values[i]);
    EXPECT_EQ(BitsFor(w == 0 ? 0 : values[7]), w);
  }
}

TEST(CompanionFormat, ChecksumSeesEveryBitAndHeaderRoundTrips) {
  std::vector<uint8_t> bytes(100, 0x5A);
  const uint64_t sum = CompanionHash(bytes.data(), bytes.size());
  for (size_t bit = 0; bit < bytes.size() * 8; bit += 13) {
    bytes[bit / 8] ^= static_cast<uint8_t>(1u << (bit % 8));
    EXPECT_NE(CompanionHash(bytes.data(), bytes.size()), sum) << bit;
    bytes[bit / 8] ^= static_cast<uint8_t>(1u << (bit % 8));
  }
  CompanionHeader h;
  h.records = 3;
  h.fileSize = 123456;
  h.postingsSize = 5;
  h.sampleHash = 0xABCDEF;
  std::vector<uint8_t> out(kCompanionHeaderSize);
  EncodeCompanionHeader(h, out.data());
  CompanionHeader back;
  EXPECT_EQ(DecodeCompanionHeader(out.data(), back), "");
  EXPECT_EQ(back.records, 3u);
  EXPECT_EQ(back.fileSize, 123456u);
  EXPECT_EQ(back.postingsSize, 5u);
  EXPECT_EQ(back.sampleHash, 0xABCDEFu);
  out[70] ^= 1;
  EXPECT_NE(DecodeCompanionHeader(out.data(), back), "");
}

// 3,000 pages of filler with 甲 on about half of them and 乙 on a third
// (lists kept as bitmaps), 丙 on one in twelve (blocks, probed when it meets
// a short list), 丁 on every 250th (one block), each one to three times at
// random places; 學 and 学 are one variant group.
std::vector<std::u16string> MixedPages() {
  std::mt19937 random(20261211);
  std::vector<std::u16string> pages;
  for (int p = 0; p < 3000; ++p) {
    std::u16string text(20 + random() % 40, u'二');
    auto sprinkle = [&](char16_t c, bool on) {
      if (!on) return;
      for (uint32_t n = 1 + random() % 3; n > 0; --n) text[random() % text.size()] = c;
    };
    sprinkle(u'甲', random() % 2 == 0);
    sprinkle(u'乙', random() % 3 == 0);
    sprinkle(u'丙', random() % 12 == 0);
    sprinkle(u'丁', p % 250 == 3);
    sprinkle(random() % 2 ? u'學' : u'学', random() % 5 == 0);
    pages.push_back(text);
  }
  return pages;
}

struct Query {
  std::u16string keywords;
  bool orMode = false;
  bool variants = false;
};

const Query kMixedQueries[] = {
    {u"甲"}, {u"乙"}, {u"丙"}, {u"丁"}, {u"學", false, true},
    {u"甲乙"}, {u"乙甲"}, {u"甲丙"}, {u"丙甲"}, {u"丁甲"}, {u"甲?乙"}, {u"丙??甲"},
    {u"甲乙丙"}, {u"甲甲"}, {u"甲?甲"}, {u"丙丙"}, {u"甲*丁"}, {u"甲*乙*丙"}, {u"甲乙*丙*丁"},
    {u"甲 乙"}, {u"丙 甲"}, {u"甲 丁"}, {u"丁 甲乙"}, {u"甲 乙 丙"},
    {u"甲 乙", true}, {u"丙 丁 甲乙", true}, {u"學甲", false, true}, {u"甲 学", false, true},
    {u"二甲二"}, {u"甲二乙", false, false},
};

Hits Search(CIndex& index, const Query& q, int32_t* result = nullptr) {
  std::u16string k = q.keywords;
  const int32_t r = q.orMode ? index.SearchOr(k, true, q.variants) : index.SearchAnd(k, true, q.variants);
  if (result) *result = r;
  Hits out;
  for (size_t i = 0; i < index.GetHitPages().size(); ++i)
    out.emplace_back(index.GetHitPages()[i], index.GetHitCounts()[i]);
  return out;
}

class CompanionSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    f.Build(MixedPages(), {"5B78,5B66"});
    ASSERT_TRUE(IsOk(WriteCompanion(f.dir.file("Index"))));
    walked.UseCompanion(false);
    ASSERT_TRUE(IsOk(walked.Open(f.dir.path(), "Index", IndexPart::FullText)));
    walked.SetDecodedLimit(0);
  }

  // Every query answers on index as the walk does.
  void ExpectWalkAnswers(CIndex& index) {
    for (const Query& q : kMixedQueries) {
      int32_t a = 0, b = 0;
      EXPECT_EQ(Search(index, q, &a), Search(walked, q, &b))
          << std::string(q.orMode ? "or" : "and") << " query " << (&q - kMixedQueries);
      EXPECT_EQ(a, b);
    }
  }

  std::string Path() const { return f.dir.file(std::string("Index") + kCompanionSuffix); }

  // The check's problems for the companion in the fixture's folder.
  std::string CheckProblems() {
    PostingsFile file;
    EXPECT_TRUE(IsOk(file.Open(f.dir.file("Index"))));
    CheckReport report;
    (void)CheckCompanion(file, f.dir.file("Index"), "Index", report);
    return ProblemText(report);
  }

  SearchFixture f;
  CIndex walked;
};

TEST_F(CompanionSearch, AnswersAsTheWalkThroughEveryShapeOfList) {
  CIndex index;
  ASSERT_TRUE(IsOk(index.Open(f.dir.path(), "Index", IndexPart::FullText)));
  ASSERT_TRUE(index.CompanionInUse()) << index.CompanionStatus().Message();
  // The fixture has what it is meant to have: bitmaps for the two frequent
  // characters, blocks for the others, several blocks for 丙.
  auto record = [&](char32_t c) {
    CompanionRecord r;
    std::string why;
    EXPECT_EQ(index.Companion().Find(CharToSlot(c), r, why), CompanionFile::Lookup::kFound) << why;
    return r;
  };
  EXPECT_GT(record(U'甲').bitmapWords, 0u);
  EXPECT_GT(record(U'乙').bitmapWords, 0u);
  EXPECT_EQ(record(U'丙').bitmapWords, 0u);
  EXPECT_GT(record(U'丙').blocks, 1u);
  EXPECT_EQ(record(U'丁').blocks, 1u);
  for (const char32_t c : {U'甲', U'乙', U'丙', U'丁'}) {
    const CompanionRecord r = record(c);
    EXPECT_LE(r.positionsOffset + r.positionBytes - r.directoryOffset, CompanionList::kCopyBytes);
  }

  // Every list of the fixture is small enough to be copied out of the file
  // when it is opened; with no copying, every list is read through the
  // mapping. A list's first search decodes into its window and reads packed
  // positions, a later one keeps its blocks and unpacks their positions.
  for (const uint64_t copyLimit : {CompanionList::kCopyBytes, uint64_t(0)}) {
    SCOPED_TRACE(copyLimit);
    CIndex searched;
    ASSERT_TRUE(IsOk(searched.Open(f.dir.path(), "Index", IndexPart::FullText)));
    searched.SetCompanionCopyLimit(copyLimit);
    for (int round = 0; round < 3; ++round) ExpectWalkAnswers(searched);  // later rounds find lists decoded
    EXPECT_EQ(searched.DecodedBytes(), 0u);  // nothing was read from the index files
    EXPECT_GT(searched.CompanionListBytes(), 0u);
    // The lists of the keywords searched again and again soon after were
    // decoded in full, and the later rounds answered from them.
    EXPECT_GT(searched.CompanionPromotedBytes(), 0u);

    // Without room to keep any list, every search decodes its blocks again.
    searched.SetCompanionListLimit(0);
    ExpectWalkAnswers(searched);
  }
  EXPECT_EQ(CheckProblems(), "");
}

TEST_F(CompanionSearch, AStaleCompanionIsIgnored) {
  // The index written again with other texts of the same shape (each page's
  // text reversed), the companion left as it was.
  std::vector<std::u16string> reversed = MixedPages();
  for (std::u16string& t : reversed) std::reverse(t.begin(), t.end());
  const std::string old = ReadFile(Path());
  SearchFixture g;
  g.Build(reversed, {"5B78,5B66"});
  for (const char* name : {"Index-idx.h", "Index-idx.m", "Index-fl.h", "Index-fl.cnt"})
    WriteFile(f.dir.file(name), ReadFile(g.dir.file(name)));
  WriteFile(Path(), old);
  ASSERT_TRUE(IsOk(walked.Open(f.dir.path(), "Index", IndexPart::FullText)));
  walked.SetDecodedLimit(0);

  CIndex index;
  ASSERT_TRUE(IsOk(index.Open(f.dir.path(), "Index", IndexPart::FullText)));
  EXPECT_FALSE(index.CompanionInUse());
  EXPECT_EQ(index.CompanionStatus().Code(), StatusCode::kInvalid);
  EXPECT_NE(index.CompanionStatus().Message().find("was made from other index files"), std::string::npos)
      << index.CompanionStatus().Message();
  ExpectWalkAnswers(index);
  EXPECT_NE(CheckProblems().find("was made from other index files"), std::string::npos);
}

TEST_F(CompanionSearch, ACopiedCollectionKeepsItsCompanion) {
  // A copy or an installation gives the files new modification times; the
  // companion binds to their contents, so it stays in use.
  const struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
  for (const char* name : {"Index-idx.h", "Index-idx.m"})
    ASSERT_EQ(utimensat(AT_FDCWD, f.dir.file(name).c_str(), times, 0), 0);
  CIndex index;
  ASSERT_TRUE(IsOk(index.Open(f.dir.path(), "Index", IndexPart::FullText)));
  EXPECT_TRUE(index.CompanionInUse()) << index.CompanionStatus().Message();
  EXPECT_EQ(CheckProblems(), "");
}

TEST_F(CompanionSearch, ACompanionCutShortIsIgnored) {
  Edit(f.dir, std::string("Index") + kCompanionSuffix, [](std::string& s) { s.resize(s.size() / 2); });
  CIndex index;
  ASSERT_TRUE(IsOk(index.Open(f.dir.path(), "Index", IndexPart::FullText)));
  EXPECT_FALSE(index.CompanionInUse());
  EXPECT_EQ(index.CompanionStatus().Code(), StatusCode::kCorrupt);
  ExpectWalkAnswers(index);
  EXPECT_NE(CheckProblems().find("cut short"), std::string::npos);
}

TEST_F(CompanionSearch, ABitFlippedAnywhereChangesNoAnswerAndIsNamed) {
  const std::string intact = ReadFile(Path());
  CompanionRecord jia, yi, bing;
  {
    CIndex index;
    ASSERT_TRUE(IsOk(index.Open(f.dir.path(), "Index", IndexPart::FullText)));
    std::string why;
    ASSERT_EQ(index.Companion().Find(CharToSlot(U'甲'), jia, why), CompanionFile::Lookup::kFound);
    ASSERT_EQ(index.Companion().Find(CharToSlot(U'乙'), yi, why), CompanionFile::Lookup::kFound);
    ASSERT_EQ(index.Companion().Find(CharToSlot(U'丙'), bing, why), CompanionFile::Lookup::kFound);
  }
  CompanionHeader header;
  ASSERT_EQ(DecodeCompanionHeader(reinterpret_cast<const uint8_t*>(intact.data()), header), "");
  const uint64_t bingEntry = header.slotTableOffset + 4 * uint64_t(CharToSlot(U'丙'));
  const uint32_t bingRecord = LoadLE32(&intact[bingEntry]) - 1;
  const struct {
    const char* what;
    uint64_t offset;
    bool opens;  // the flip is found only when the slot is read
    const char* words;
  } cases[] = {
      {"header", 40, false, "header does not match its checksum"},
      {"slot table", bingEntry + 1, true, "slot table names record"},
      {"record", header.recordTableOffset + bingRecord * kCompanionRecordSize + 4, true,
       "record does not match its checksum"},
      {"directory", bing.directoryOffset + 2, true, "directory does not match its checksum"},
      {"bitmap", jia.directoryOffset + jia.BitmapOffsetInDirectory() + 5, true,
       "directory does not match its checksum"},
      {"block", jia.blockDataOffset + 1, true, "block 0 does not match its checksum"},
      {"block of pages", bing.blockDataOffset + 10, true, "block 0 does not match its checksum"},
      {"positions", yi.positionsOffset + 3, true, "chunk 0 does not match its checksum"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string damaged = intact;
    damaged[c.offset] = static_cast<char>(damaged[c.offset] ^ 0x10);
    WriteFile(Path(), damaged);
    for (const uint64_t copyLimit : {CompanionList::kCopyBytes, uint64_t(0)}) {
      CIndex index;
      ASSERT_TRUE(IsOk(index.Open(f.dir.path(), "Index", IndexPart::FullText)));
      index.SetCompanionCopyLimit(copyLimit);
      EXPECT_EQ(index.CompanionInUse(), c.opens);
      for (int round = 0; round < 2; ++round) ExpectWalkAnswers(index);
    }
    const std::string problems = CheckProblems();
    EXPECT_NE(problems.find(c.words), std::string::npos) << problems;
  }
  WriteFile(Path(), intact);
  EXPECT_EQ(CheckProblems(), "");
}

TEST_F(CompanionSearch, TheCheckHoldsTheCompanionAgainstThePostingsFile) {
  // The postings file changed in place under a companion that still binds
  // to it by size, tables and sampled blocks: only the check's full checksum
  // sees it. (Here the change is a byte of the zero fill after a stream.)
  PostingsFile file;
  ASSERT_TRUE(IsOk(file.Open(f.dir.file("Index"))));
  const uint64_t blocks = BlockCountOf(file.Size());
  ASSERT_GT(blocks, kCompanionSampleBlocks);
  auto sampled = [&](uint64_t b) {
    for (uint64_t i = 0; i < kCompanionSampleBlocks; ++i)
      if (CompanionSampleBlock(i, blocks) == b) return true;
    return false;
  };
  uint64_t unsampled = 1;
  while (sampled(unsampled)) ++unsampled;
  ASSERT_LT(unsampled, blocks);
  Edit(f.dir, "Index-idx.m", [&](std::string& s) { s[unsampled * kBlockSize + kBlockSize - 1] ^= 1; });
  EXPECT_NE(CheckProblems().find("the postings file is not the one it was made from"), std::string::npos);
}

}  // namespace

}  // namespace tevarin
