// The search keeps slots' postings decoded between searches, or reads them
// from the companion postings file. These tests hold its answers both ways
// against a search that walks the postings file every time (no companion,
// SetDecodedLimit(0)) and against a count of the pattern in the page texts,
// on a sound index, on hand-made damaged streams, and with a cache too small
// for all the slots a search session uses.
#include <gtest/gtest.h>

#include <random>

#include "support/search_fixture.h"
#include "writer/companionwriter.h"

namespace tevarin {

namespace {

using Hits = std::vector<std::pair<uint32_t, uint32_t>>;

Hits HitsOf(const CIndex& index) {
  Hits out;
  const auto& pages = index.GetHitPages();
  const auto& counts = index.GetHitCounts();
  for (size_t i = 0; i < pages.size(); ++i) out.emplace_back(pages[i], i < counts.size() ? counts[i] : 0);
  return out;
}

struct Query {
  std::u16string keywords;
  bool orMode = false;
  bool variants = false;
};

Hits Search(CIndex& index, const Query& q, int32_t* result = nullptr) {
  std::u16string k = q.keywords;
  const int32_t r = q.orMode ? index.SearchOr(k, true, q.variants) : index.SearchAnd(k, true, q.variants);
  if (result) *result = r;
  return HitsOf(index);
}

// Occurrences of a pattern of characters and "?" in a text (every character
// of these texts is indexed, so positions are indexes into the text).
uint32_t Occurrences(const std::u16string& text, const std::u16string& pattern) {
  uint32_t n = 0;
  for (size_t at = 0; at + pattern.size() <= text.size(); ++at) {
    bool match = true;
    for (size_t k = 0; k < pattern.size() && match; ++k)
      match = pattern[k] == u'?' || pattern[k] == text[at + k];
    n += match;
  }
  return n;
}

class DecodedSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    // Texts over a small alphabet, so that phrases recur: a fixed seed keeps
    // the pages the same from run to run.
    const std::u16string alphabet = u"甲乙丙丁一學学";
    std::mt19937 random(20261210);
    for (int p = 0; p < 240; ++p) {
      // Every seventh page holds a single character.
      const size_t length = p % 7 == 0 ? 1 : 1 + random() % 60;
      std::u16string text(length, u'甲');
      for (size_t i = 0; i < length && p % 7 != 0; ++i) text[i] = alphabet[random() % alphabet.size()];
      texts.push_back(text);
    }
    f.Build(texts, {"5B78,5B66"});  // f.index has no companion: it decodes
    walked.UseCompanion(false);
    ASSERT_TRUE(IsOk(walked.Open(f.dir.path(), "Index", IndexPart::FullText)));
    walked.SetDecodedLimit(0);
    ASSERT_TRUE(IsOk(WriteCompanion(f.dir.file("Index"))));
    ASSERT_TRUE(IsOk(companion.Open(f.dir.path(), "Index", IndexPart::FullText)));
    ASSERT_TRUE(companion.CompanionInUse()) << companion.CompanionStatus().Message();
  }

  std::vector<std::u16string> texts;
  SearchFixture f;
  CIndex walked;
  CIndex companion;
};

const Query kQueries[] = {
    {u"甲"},          {u"學"},          {u"学", false, true}, {u"甲乙"},
    {u"乙甲"},        {u"甲乙丙"},      {u"甲乙丙丁甲"},      {u"甲?丙"},
    {u"?甲??乙"},     {u"甲*乙"},       {u"甲*乙*丙"},        {u"甲*乙*丙*丁"},
    {u"甲乙 丙丁"},   {u"甲乙 丙丁", true}, {u"丙 甲乙 一", true}, {u"學甲", false, true},
    {u"一一一"},      {u"甲乙 乙甲 甲乙"},
    // A character repeated: its page list is intersected once, and a page is
    // examined only when it holds the character often enough.
    {u"甲甲"},        {u"甲甲甲"},      {u"甲?甲"},           {u"甲甲*甲"},
    {u"甲*甲甲"},     {u"甲*甲*甲"},    {u"甲乙甲*乙甲乙"},   {u"甲甲甲甲甲甲甲甲甲甲甲甲*甲"},
};

TEST_F(DecodedSearch, AnswersAsTheWalkAndTheTextsDo) {
  for (int round = 0; round < 2; ++round) {  // the second round finds the slots decoded
    for (const Query& q : kQueries) {
      SCOPED_TRACE(std::string(q.orMode ? "or " : "and ") + std::to_string(round));
      int32_t a = 0, b = 0, c = 0;
      const Hits decoded = Search(f.index, q, &a);
      EXPECT_EQ(decoded, Search(walked, q, &b));
      EXPECT_EQ(decoded, Search(companion, q, &c));
      EXPECT_EQ(a, b);
      EXPECT_EQ(a, c);
    }
  }
  EXPECT_GT(f.index.DecodedBytes(), 0u);
  EXPECT_EQ(walked.DecodedBytes(), 0u);
  EXPECT_EQ(companion.DecodedBytes(), 0u);  // every slot came from the companion

  // Phrases with "?" inside against the texts themselves.
  for (const std::u16string pattern :
       {u"甲", u"甲乙", u"乙甲", u"甲?丙", u"甲??乙", u"甲乙丙", u"甲甲", u"甲甲甲", u"甲?甲", u"甲乙甲"}) {
    Hits expect;
    for (uint32_t p = 0; p < texts.size(); ++p)
      if (const uint32_t n = Occurrences(texts[p], pattern)) expect.emplace_back(p, n);
    EXPECT_EQ(Search(f.index, {pattern}), expect);
  }
}

TEST_F(DecodedSearch, ASmallCacheEvictsAndStillAnswersTheSame) {
  CIndex small;
  small.UseCompanion(false);
  ASSERT_TRUE(small.Open(f.dir.path(), "Index", IndexPart::FullText));
  Search(small, {u"甲"});
  const size_t oneSlot = small.DecodedBytes();
  ASSERT_GT(oneSlot, 0u);
  // Room for about three slots: a five-character keyword must walk some of
  // its terms, and every new keyword evicts the oldest slots.
  const size_t limit = 3 * oneSlot;
  small.SetDecodedLimit(limit);
  for (int round = 0; round < 2; ++round)
    for (const Query& q : kQueries) {
      EXPECT_EQ(Search(small, q), Search(walked, q));
      EXPECT_LE(small.DecodedBytes(), limit);
    }
}

// Hand-made streams that only a damaged file holds, searched with the cache
// and by walking: a slot that cannot be kept decoded is walked, beside
// decoded ones in the same keyword.
TEST(DecodedSearchDamage, StreamsOnlyADamagedFileHoldsAnswerAsTheWalkDoes) {
  TempDir dir;
  BookWriter book;
  ASSERT_TRUE(book.Create(dir.path(), "Index", 20));
  for (int p = 0; p < 6; ++p)
    ASSERT_TRUE(book.AddPage("v\\" + std::to_string(p + 1) + ".htm", "<title>t</title><TD>x</TD>"));
  ASSERT_TRUE(book.Finish());
  WriteFile(dir.file("yitizi.txt"), "");

  const int jia = CharToSlot(U'甲'), yi = CharToSlot(U'乙'), bing = CharToSlot(U'丙'),
            ding = CharToSlot(U'丁'), one = CharToSlot(U'一');
  IndexWriter w;
  // 甲: page 0 holds position 1 twice (a difference of 0), page 2 position 3.
  w.SetRawStream(jia, {0x00, 0x02, 0x00, 0x01, 0x00, 0x02, 0x01, 0x00, 0x03}, 2);
  // 乙: page 0 position 2 twice, page 2 position 4.
  w.SetRawStream(yi, {0x00, 0x02, 0x00, 0x02, 0x00, 0x02, 0x01, 0x00, 0x04}, 2);
  // 丙: page 0 listed twice (a page difference of 0), then page 2.
  w.SetRawStream(bing, {0x00, 0x01, 0x00, 0x02, 0x00, 0x01, 0x00, 0x05, 0x02, 0x01, 0x00, 0x04}, 2);
  // 丁: its last page is never reached; the stream runs into the zero fill
  // of its block, entries of page difference 0 with no positions.
  w.SetRawStream(ding, {0x00, 0x01, 0x00, 0x03, 0x02, 0x01, 0x00, 0x05}, 5);
  // 一: page 0's one position byte starts a two-byte number.
  w.SetRawStream(one, {0x00, 0x01, 0x00, 0x81, 0x02, 0x01, 0x00, 0x05}, 2);
  ASSERT_TRUE(w.Write(dir.file("Index"), IndexWriter::BlockOrder::Interleaved));

  CIndex decoded, walked, companion;
  decoded.UseCompanion(false);
  walked.UseCompanion(false);
  ASSERT_TRUE(IsOk(decoded.Open(dir.path(), "Index", IndexPart::FullText)));
  ASSERT_TRUE(walked.Open(dir.path(), "Index", IndexPart::FullText));
  walked.SetDecodedLimit(0);
  // The companion holds the sound streams only (甲, 乙 and 一): the others
  // are read from the index files, beside companion lists in one keyword.
  ASSERT_TRUE(IsOk(WriteCompanion(dir.file("Index"))));
  ASSERT_TRUE(IsOk(companion.Open(dir.path(), "Index", IndexPart::FullText)));
  ASSERT_TRUE(companion.CompanionInUse());
  EXPECT_EQ(companion.Companion().Header().records, 3u);

  const Query queries[] = {{u"甲"}, {u"甲乙"}, {u"甲?乙"}, {u"甲丙"}, {u"丙乙"}, {u"乙丁"},
                           {u"甲一"}, {u"一"}, {u"甲 丙"}, {u"甲 丁", true}, {u"丙*乙"},
                           {u"甲*乙*丙"}};
  for (const Query& q : queries) {
    int32_t a = 0, b = 0, c = 0;
    const Hits walkedHits = Search(walked, q, &b);
    EXPECT_EQ(Search(decoded, q, &a), walkedHits);
    EXPECT_EQ(Search(companion, q, &c), walkedHits);
    EXPECT_EQ(a, b);
    EXPECT_EQ(c, b);
  }
  // A position repeated on both terms matches twice, as stepping the terms
  // through their positions together counts it.
  EXPECT_EQ(Search(decoded, {u"甲乙"}), (Hits{{0, 2}, {2, 1}}));
  EXPECT_EQ(Search(decoded, {u"甲"}), (Hits{{0, 2}, {2, 1}}));
  EXPECT_EQ(Search(companion, {u"甲乙"}), (Hits{{0, 2}, {2, 1}}));
}

}  // namespace

}  // namespace tevarin
