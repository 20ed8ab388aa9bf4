// Fuzz target: the companion postings file's reader, the search through it
// and its check. A small collection and its companion are made once (the
// companion by the companion writer: bitmaps, lists of several blocks,
// positions in more than one chunk); the fuzz input damages a copy of it:
//   [u8 mode] [u8 n] n x ([u32 offset][u8 xor mask]) [u32 length]
// Each patch flips bits of the byte at offset (modulo the file's size); a
// length below the file's size cuts it there. Mode bit 0 then seals the copy
// again: every checksum the damaged bytes fall under is computed anew
// (header, records, directories, blocks, chunks of positions), so that the
// decoding behind the checksums is reached too.
// Invariants: every search ends with a consistent hit list; a copy that is
// not sealed again answers every query exactly as the index files do (damage
// makes the search fall back, never answer otherwise); a sealed copy may
// hold other postings, but then the check must name a problem: a copy the
// check passes answers as the index files do.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "base/checkreport.h"
#include "fuzzsupport.h"
#include "index/charslot.h"
#include "index/companionformat.h"
#include "index/index.h"
#include "index/indexcheck.h"
#include "index/varianttable.h"
#include "writer/bookwriter.h"
#include "writer/companionwriter.h"
#include "writer/indexwriter.h"

using namespace tevarin;

namespace {

constexpr uint32_t kPages = 700;
// 甲 on most pages (a bitmap), 乙 on every third (blocks), 丙 on every
// fiftieth, each several times; 學 and 学 are one variant group.
constexpr char16_t kChars[] = {u'甲', u'乙', u'丙', u'學', u'学'};

struct Query {
  std::u16string text;
  bool orMode;
  bool variants;
};
const Query kQueries[] = {
    {u"甲", false, false},  {u"乙", false, false},   {u"丙", false, false},    {u"學", false, true},
    {u"甲乙", false, false}, {u"乙?甲", false, false}, {u"丙*甲", false, false}, {u"甲 丙", false, false},
    {u"乙 丙", true, false}, {u"甲甲", false, false},  {u"學甲", false, true},
};

struct Answer {
  int32_t result = 0;
  std::vector<uint32_t> pages, counts;
  bool operator==(const Answer&) const = default;
};

Answer Ask(CIndex& index, const Query& q) {
  std::u16string k = q.text;
  Answer a;
  a.result = q.orMode ? index.SearchOr(k, true, q.variants) : index.SearchAnd(k, true, q.variants);
  a.pages = index.GetHitPages();
  a.counts = index.GetHitCounts();
  FUZZ_CHECK(a.pages.size() == a.counts.size());
  for (size_t i = 1; !q.orMode && i < a.pages.size(); ++i) FUZZ_CHECK(a.pages[i - 1] < a.pages[i]);
  for (uint32_t c : a.counts) FUZZ_CHECK(c > 0);
  return a;
}

struct Fixture {
  std::string dir;
  std::string companion;  // the sound companion's bytes
  std::vector<Answer> expected;
};

const Fixture& Setup() {
  static const Fixture f = [] {
    Fixture x;
    x.dir = ScratchDir();
    WriteScratchFile(x.dir + "/yitizi.txt", "5B78,5B66\n");
    VariantTable variants;
    FUZZ_CHECK(variants.Load(x.dir));
    BookWriter book;
    FUZZ_CHECK(book.Create(x.dir, "Index", 40));
    IndexWriter writer;
    std::vector<std::vector<std::vector<uint32_t>>> postings(kPages);  // page -> char -> positions
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
    std::map<int, std::map<uint32_t, std::vector<uint32_t>>> slots;
    for (uint32_t p = 0; p < kPages; ++p) {
      std::u16string text(30 + next() % 40, u'二');
      auto put = [&](char16_t c, bool on) {
        if (!on) return;
        for (uint32_t n = 1 + next() % 4; n > 0; --n) text[next() % text.size()] = c;
      };
      put(kChars[0], next() % 8 != 0);
      put(kChars[1], p % 3 == 0);
      put(kChars[2], p % 50 == 7);
      put(next() % 2 ? kChars[3] : kChars[4], next() % 6 == 0);
      std::string utf8;
      for (char16_t c : text) {  // every character here is one UTF-8 sequence of three bytes
        utf8.push_back(static_cast<char>(0xE0 | (c >> 12)));
        utf8.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
      }
      FUZZ_CHECK(book.AddPage("v\\" + std::to_string(p + 1) + ".htm", utf8));
      for (uint32_t pos = 0; pos < text.size(); ++pos) {
        const int slot = CharToSlot(text[pos]);
        slots[slot][p].push_back(pos);
        int group;
        if (variants.FindSlot(text[pos], group)) slots[group][p].push_back(pos);
      }
    }
    FUZZ_CHECK(book.Finish());
    for (const auto& [slot, pages] : slots)
      for (const auto& [page, pos] : pages) FUZZ_CHECK(writer.AddEntry(slot, page, pos));
    FUZZ_CHECK(writer.Write(x.dir + "/Index", IndexWriter::BlockOrder::Interleaved));
    FUZZ_CHECK(WriteCompanion(x.dir + "/Index"));
    const std::string path = x.dir + "/Index" + kCompanionSuffix;
    FILE* in = std::fopen(path.c_str(), "rb");
    FUZZ_CHECK(in);
    char buf[65536];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, in)) > 0;) x.companion.append(buf, n);
    std::fclose(in);
    CIndex walked;
    walked.UseCompanion(false);
    FUZZ_CHECK(walked.Open(x.dir, "Index", IndexPart::FullText));
    walked.SetDecodedLimit(0);
    for (const Query& q : kQueries) x.expected.push_back(Ask(walked, q));
    return x;
  }();
  return f;
}

// ---- Sealing a damaged copy again ---------------------------------------

bool Inside(const std::string& s, uint64_t offset, uint64_t bytes) {
  return offset <= s.size() && bytes <= s.size() - offset;
}

uint32_t Hash32At(const std::string& s, uint64_t offset, uint64_t bytes) {
  return CompanionHash32(s.data() + offset, bytes);
}

// Recomputes every checksum whose covered bytes lie inside the file, from
// the inside out: blocks and chunks, then directories, records, header.
void Seal(std::string& s) {
  if (s.size() < kCompanionHeaderSize) return;
  auto* bytes = reinterpret_cast<uint8_t*>(s.data());
  const uint32_t records = LoadLE32(bytes + 20);
  uint64_t recordTable;
  std::memcpy(&recordTable, bytes + 88, 8);
  for (uint32_t i = 0; i < std::min<uint32_t>(records, 1u << 16); ++i) {
    const uint64_t at = recordTable + uint64_t(i) * kCompanionRecordSize;
    if (recordTable > s.size() || !Inside(s, at, kCompanionRecordSize)) break;
    uint8_t* rec = bytes + at;
    CompanionRecord r;
    r.blocks = LoadLE32(rec + 8);
    r.chunks = LoadLE32(rec + 20);
    r.bitmapWords = LoadLE32(rec + 24);
    r.entries = LoadLE32(rec + 4);
    std::memcpy(&r.directoryOffset, rec + 40, 8);
    std::memcpy(&r.blockDataOffset, rec + 48, 8);
    std::memcpy(&r.blockDataBytes, rec + 56, 8);
    std::memcpy(&r.positionsOffset, rec + 64, 8);
    std::memcpy(&r.positionBytes, rec + 72, 8);
    const uint64_t directoryBytes = r.DirectoryBytes();
    if (r.blocks <= (1u << 20) && r.chunks <= (1u << 20) && Inside(s, r.directoryOffset, directoryBytes)) {
      uint8_t* dir = bytes + r.directoryOffset;
      for (uint32_t b = 0; b < r.blocks; ++b) {
        uint8_t* skip = dir + uint64_t(b) * kCompanionSkipEntrySize;
        const uint64_t offset = r.blockDataOffset + LoadLE32(skip + 4);
        if (!Inside(s, offset, kCompanionBlockHeaderSize)) continue;
        const CompanionBlockHeader h = DecodeCompanionBlockHeader(bytes + offset);
        const uint32_t k = b + 1 < r.blocks ? kCompanionBlockEntries
                                            : r.entries - std::min(r.entries, b * kCompanionBlockEntries);
        if (k == 0) continue;
        const uint64_t n = CompanionBlockBytes(h, k);
        if (Inside(s, offset, n)) StoreLE32(skip + 12, Hash32At(s, offset, n));
      }
      for (uint32_t c = 0; c < r.chunks; ++c) {
        const uint64_t start = uint64_t(c) * kCompanionChunkBytes;
        if (start >= r.positionBytes) break;
        const uint64_t n = std::min<uint64_t>(kCompanionChunkBytes, r.positionBytes - start);
        if (Inside(s, r.positionsOffset + start, n))
          StoreLE32(dir + uint64_t(r.blocks) * kCompanionSkipEntrySize + 4 * uint64_t(c),
                    Hash32At(s, r.positionsOffset + start, n));
      }
      const uint64_t h = CompanionHash(dir, directoryBytes);
      std::memcpy(rec + 80, &h, 8);
    }
    const uint64_t h = CompanionHash(rec, kCompanionRecordHashOffset);
    std::memcpy(rec + kCompanionRecordHashOffset, &h, 8);
  }
  const uint64_t h = CompanionHash(bytes, kCompanionHeaderHashOffset);
  std::memcpy(bytes + kCompanionHeaderHashOffset, &h, 8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Fixture& f = Setup();
  FuzzInput in(data, size);
  const uint8_t mode = in.U8();
  std::string copy = f.companion;
  for (int n = in.U8(); n > 0; --n) {
    const uint32_t offset = in.U32();
    copy[offset % copy.size()] ^= static_cast<char>(in.U8());
  }
  const uint32_t length = in.U32();
  if (length > 0 && length < copy.size()) copy.resize(length);
  const bool sealed = mode & 1;
  if (sealed) Seal(copy);
  WriteScratchFile(f.dir + "/Index" + kCompanionSuffix, copy);

  CIndex index;
  FUZZ_CHECK(index.Open(f.dir, "Index", IndexPart::FullText));
  if (mode & 2) index.SetCompanionListLimit(0);  // every search decodes its blocks again
  bool same = true;
  for (size_t i = 0; i < std::size(kQueries); ++i) {
    const Answer a = Ask(index, kQueries[i]);
    same = same && a == f.expected[i];
    FUZZ_CHECK(sealed || a == f.expected[i]);
  }
  // The same searches again, on the lists the first round kept.
  for (size_t i = 0; i < std::size(kQueries); ++i) {
    const Answer a = Ask(index, kQueries[i]);
    same = same && a == f.expected[i];
    FUZZ_CHECK(sealed || a == f.expected[i]);
  }
  if (!same) {
    CheckReport report;
    FUZZ_CHECK(!CheckCompanion(index.Postings(), f.dir + "/Index", "Index", report).IsOk());
  }
  return 0;
}
