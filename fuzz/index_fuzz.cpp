// Fuzz target: the index reader, the verifier and the search over a damaged
// index. A valid book store and variant table are fixed; the fuzz input
// supplies the index around a valid skeleton, so that it gets deep quickly:
//   4 x [i32 first block][u32 last page]   for the slots of 一, 二, 三 and
//                                          the group slot of {一, 壹}
//   [u8 n][n x u16 chain entries][u8 trailing header bytes 0..3]
//   [u8 blocks 0..7] blocks x ([u16 len][bytes at the block's start][u8 fill]
//                              [u16 len][bytes at the block's end])
//                   (the rest of a block is the fill byte, so that long
//                   streams of small numbers cost little input)
//   [u16 length of the last block, 0 = whole]
// The files are written to this process's scratch folder, with the companion
// postings file the companion writer makes from them, and opened with
// CIndex::Open three ways: through the companion, through the decoded
// postings it keeps, and walking the postings file every time. Every search
// must end and leave a consistent hit list, the three ways must answer
// alike, sound index or not; when the verifier finds the index sound, its
// companion must be in use, pass its check, and the hit lists must equal the
// pages and counts computed straight from the decoded postings.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "base/checkreport.h"
#include "base/littleendian.h"
#include "fuzzsupport.h"
#include "index/charslot.h"
#include "index/index.h"
#include "index/indexcheck.h"
#include "catalog/collectioncheck.h"
#include "index/companionformat.h"
#include "writer/companionwriter.h"
#include "writer/bookwriter.h"

using namespace tevarin;

namespace {

constexpr uint32_t kPages = 6;
constexpr char16_t kOne = u'一', kTwo = u'二', kThree = u'三';

using Postings = std::map<uint32_t, std::vector<uint32_t>>;  // record -> positions

const int kSlots[4] = {CharToSlot(kOne), CharToSlot(kTwo), CharToSlot(kThree), kVariantSlotBase};

void WriteSkeleton(const std::string& dir) {
  BookWriter book;
  FUZZ_CHECK(book.Create(dir, "Index", 20));
  for (uint32_t i = 0; i < kPages; ++i)
    FUZZ_CHECK(book.AddPage("v\\" + std::to_string(i + 1) + ".htm",
                            "<title>t</title><TD>一二三</TD><TD>壹二三</TD>"));
  FUZZ_CHECK(book.Finish());
  WriteScratchFile(dir + "/yitizi.txt", "4E00,58F9\n");
}

// Decodes a slot the way a sound index reads; only used when the verifier
// accepted the index, so every read succeeds.
Postings Decode(const PostingsFile& file, int slot) {
  Postings out;
  if (!file.HasPostings(slot)) return out;
  PostingsCursor c = file.Cursor(slot);
  uint32_t record = 0;
  for (;;) {
    uint32_t delta = 0;
    uint16_t count = 0;
    FUZZ_CHECK(c.ReadVarint(delta) && c.ReadU16(count));
    record += delta;
    std::vector<uint32_t>& pos = out[record];
    uint32_t p = 0;
    for (uint32_t left = count; left > 0;) {
      uint32_t v = 0, n = 0;
      FUZZ_CHECK(c.ReadVarint(v, &n));
      FUZZ_CHECK(n <= left);
      left -= n;
      p = pos.empty() ? v : p + v;
      pos.push_back(p);
    }
    if (record == file.LastPage(slot)) return out;
  }
}

// Pages (and match counts) where b stands exactly gap positions after a.
Postings Phrase(const Postings& a, const Postings& b, uint32_t gap) {
  Postings out;
  for (const auto& [record, pa] : a) {
    const auto it = b.find(record);
    if (it == b.end()) continue;
    for (uint32_t p : pa)  // positions ascend in a sound index
      if (std::binary_search(it->second.begin(), it->second.end(), p + gap))
        out[record].push_back(p);
  }
  return out;
}

void ExpectHits(const CIndex& index, const Postings& expect) {
  const auto& pages = index.GetHitPages();
  const auto& counts = index.GetHitCounts();
  FUZZ_CHECK(pages.size() == expect.size());
  size_t i = 0;
  for (const auto& [record, pos] : expect) {
    FUZZ_CHECK(pages[i] == record);
    FUZZ_CHECK(counts[i] == pos.size());
    ++i;
  }
}

void CheckHitList(const CIndex& index, bool ascending) {
  const auto& pages = index.GetHitPages();
  FUZZ_CHECK(index.GetHitCounts().size() == pages.size());
  FUZZ_CHECK(index.GetHitPageCount() == static_cast<int32_t>(pages.size()));
  for (size_t i = 1; ascending && i < pages.size(); ++i) FUZZ_CHECK(pages[i - 1] < pages[i]);
  for (uint32_t c : index.GetHitCounts()) FUZZ_CHECK(c > 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string dir = ScratchDir();
  static bool skeleton = (WriteSkeleton(dir), true);
  (void)skeleton;
  static std::string header = [] {
    std::string h(kIndexHeaderTables, '\0');
    for (int s = 0; s < kSlotCount; ++s)
      StoreLE32(&h[FirstBlockEntryOffset(s)], static_cast<uint32_t>(kNoPostings));
    return h;
  }();

  FuzzInput in(data, size);
  header.resize(kIndexHeaderTables);
  for (int k = 0; k < 4; ++k) {
    const uint32_t first = in.U32(), last = in.U32();
    StoreLE32(&header[FirstBlockEntryOffset(kSlots[k])], first);
    StoreLE32(&header[LastPageEntryOffset(kSlots[k])], last);
  }
  const int chainLen = in.U8();
  for (int i = 0; i < chainLen; ++i) {
    AppendLE32(header, in.U16());
  }
  header.append(in.U8() % 4, '\x01');
  const int blocks = in.U8() % 8;
  std::string postings;
  for (int b = 0; b < blocks; ++b) {
    const std::string_view head = in.Sized();
    const char fill = static_cast<char>(in.U8());
    const std::string_view tail = in.Sized();
    const size_t base = static_cast<size_t>(b) * kBlockSize;
    postings.append(kBlockSize, fill);
    postings.replace(base, std::min<size_t>(head.size(), kBlockSize), head.substr(0, kBlockSize));
    const size_t t = std::min<size_t>(tail.size(), kBlockSize);
    postings.replace(base + kBlockSize - t, t, tail.substr(0, t));
  }
  const uint32_t lastLen = in.U16() % (kBlockSize + 1);
  if (blocks > 0 && lastLen > 0) postings.resize(postings.size() - kBlockSize + lastLen);
  WriteScratchFile(dir + "/Index-idx.h", header);
  WriteScratchFile(dir + "/Index-idx.m", postings);
  // The companion of these files, or none when the writer refuses them (an
  // index it cannot open): never one of an earlier input.
  RemoveScratchFile(dir + "/Index" + kCompanionSuffix);
  const bool companionWritten = WriteCompanion(dir + "/Index").IsOk();

  CIndex index;
  index.UseCompanion(false);
  FUZZ_CHECK(index.Open(dir, "Index", IndexPart::FullText));
  CollectionVerifier verifier(dir);
  FUZZ_CHECK(verifier.CheckBook() && verifier.CheckVariants());
  const bool sound =
      verifier.CheckOpenIndex(index.Postings(), index.Variants(), IndexPart::FullText).IsOk();

  struct Query {
    std::u16string text;
    bool variants;
  };
  const Query queries[] = {
      {u"一", false}, {u"一", true},     {u"一二", false},   {u"一?三", false},
      {u"二 三", false}, {u"一*三", false}, {u"三 壹", true}, {u"*二*?", false},
  };
  Postings one, two, three, group;
  if (sound) {
    one = Decode(index.Postings(), kSlots[0]);
    two = Decode(index.Postings(), kSlots[1]);
    three = Decode(index.Postings(), kSlots[2]);
    group = Decode(index.Postings(), kSlots[3]);
  }
  // The same index searched by walking the postings file every time: the
  // decoded entries the first one keeps must not change a single answer,
  // sound index or not.
  CIndex walked;
  walked.UseCompanion(false);
  FUZZ_CHECK(walked.Open(dir, "Index", IndexPart::FullText));
  walked.SetDecodedLimit(0);
  // And through the companion, whose lists must not change an answer either.
  CIndex companion;
  FUZZ_CHECK(companion.Open(dir, "Index", IndexPart::FullText));
  FUZZ_CHECK(!companion.CompanionInUse() || companionWritten);
  auto sameAnswers = [&](int32_t a, int32_t b, int32_t c) {
    FUZZ_CHECK(a == b && a == c);
    FUZZ_CHECK(index.GetHitPages() == walked.GetHitPages());
    FUZZ_CHECK(index.GetHitCounts() == walked.GetHitCounts());
    FUZZ_CHECK(companion.GetHitPages() == walked.GetHitPages());
    FUZZ_CHECK(companion.GetHitCounts() == walked.GetHitCounts());
  };
  // Twice: the second pass finds the companion's lists searched again and
  // again, kept decoded in full.
  for (int pass = 0; pass < 2; ++pass)
  for (const Query& q : queries) {
    std::u16string k = q.text, w = q.text, c = q.text;
    const int32_t a = index.SearchAnd(k, true, q.variants), b = walked.SearchAnd(w, true, q.variants);
    sameAnswers(a, b, companion.SearchAnd(c, true, q.variants));
    CheckHitList(index, true);
    k = w = c = q.text;
    const int32_t d = index.SearchOr(k, true, q.variants), e = walked.SearchOr(w, true, q.variants);
    sameAnswers(d, e, companion.SearchOr(c, true, q.variants));
    CheckHitList(index, false);
  }
  if (sound) {
    // A sound index gets a companion that is used and passes its check.
    FUZZ_CHECK(companionWritten && companion.CompanionInUse());
    CheckReport report;
    FUZZ_CHECK(CheckCompanion(companion.Postings(), dir + "/Index", "Index", report).IsOk());
  }
  if (sound) {
    std::u16string k = u"一";
    index.SearchAnd(k, true, false);
    ExpectHits(index, one);
    k = u"一";
    index.SearchAnd(k, true, true);
    ExpectHits(index, group);
    k = u"一二";
    index.SearchAnd(k, true, false);
    ExpectHits(index, Phrase(one, two, 1));
    k = u"一?三";
    index.SearchAnd(k, true, false);
    ExpectHits(index, Phrase(one, three, 2));
    // 二 and 三 on a page: the counts add up.
    Postings both;
    for (const auto& [record, pos] : two)
      if (three.count(record)) {
        both[record] = pos;
        both[record].insert(both[record].end(), three[record].begin(), three[record].end());
      }
    k = u"二 三";
    index.SearchAnd(k, true, false);
    ExpectHits(index, both);
    // A sound index has no stream a search finds cut short.
    FUZZ_CHECK(index.Postings().CutShortStreams() == 0 && walked.Postings().CutShortStreams() == 0);
  }
  return 0;
}
