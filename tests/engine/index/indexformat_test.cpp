// The index format's number codec: the varint at the edges of its lengths,
// written and read back through the decoder every reader uses.
#include "index/indexformat.h"

#include <gtest/gtest.h>

#include <vector>

namespace tevarin {

namespace {

TEST(IndexFormat, VarintRoundTripsAtTheEdgesOfItsLengths) {
  const struct {
    uint32_t value;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {0, {0x00}},
      {0x7F, {0x7F}},
      {0x80, {0x80, 0x80}},
      {0x3FFF, {0xBF, 0xFF}},
      {0x4000, {0xC0, 0x40, 0x00}},
      {kMaxVarint, {0xFF, 0xFF, 0xFF}},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> out;
    ASSERT_TRUE(AppendVarint(out, c.value)) << c.value;
    EXPECT_EQ(out, c.bytes) << c.value;
    EXPECT_EQ(VarintLength(out[0]), out.size()) << c.value;
    const uint8_t* q = out.data();
    EXPECT_EQ(DecodeVarint(q), c.value);
    EXPECT_EQ(q, out.data() + out.size());
  }
  // Beyond 22 bits nothing is written.
  std::vector<uint8_t> out = {1};
  EXPECT_FALSE(AppendVarint(out, kMaxVarint + 1));
  EXPECT_EQ(out, std::vector<uint8_t>{1});
}

TEST(IndexFormat, TablesAndNames) {
  EXPECT_EQ(LastPageEntryOffset(0), 1000000);
  EXPECT_EQ(ChainEntryOffset(1), 1400004);
  EXPECT_EQ(ChainEntryCount(kIndexHeaderTables + 11), 2u);
  EXPECT_EQ(ChainEntryCount(kIndexHeaderTables - 1), 0u);
  EXPECT_EQ(BlockCountOf(0), 0u);
  EXPECT_EQ(BlockCountOf(4097), 2u);
  EXPECT_EQ(IndexFileName("Index", IndexPart::FullText), "Index");
  EXPECT_EQ(IndexFileName("Index", IndexPart::Notes), "Index_desc");
  EXPECT_EQ(IndexFileName("Index", IndexPart::Body), "Index_content");
}

}  // namespace

}  // namespace tevarin
