// Writes the seed corpora under fuzz/corpus/<target>/: small valid inputs
// (made with the project's own writers) and a few near misses, framed the way
// each target reads its input. Usage: make_fuzz_seeds CORPUS_FOLDER
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <iterator>
#include <string>
#include <vector>

#include "base/littleendian.h"
#include "fuzzsupport.h"
#include "index/charslot.h"
#include "index/index.h"
#include "writer/bookwriter.h"
#include "writer/cataloguewriter.h"
#include "writer/indexwriter.h"

using namespace tevarin;

namespace {

std::string g_root;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A seed made with a writer that refused its input would be no seed.
void Must(const Status& s) {
  if (s) return;
  std::fprintf(stderr, "make_fuzz_seeds: %s\n", s.Message().c_str());
  std::exit(1);
}

void Seed(const std::string& target, const std::string& name, const std::string& bytes) {
  const std::filesystem::path dir = std::filesystem::path(g_root) / target;
  std::filesystem::create_directories(dir);
  std::ofstream(dir / name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The framing of the fuzz inputs: little-endian numbers (fuzzsupport.h reads them).
void PutU8(std::string& s, uint32_t v) { s.push_back(static_cast<char>(v & 0xFF)); }
void PutU16(std::string& s, uint32_t v) { AppendLE16(s, static_cast<uint16_t>(v)); }
void PutU32(std::string& s, uint32_t v) { AppendLE32(s, v); }
uint32_t GetU32(const std::string& s, int64_t at) { return LoadLE32(&s[static_cast<size_t>(at)]); }
void PutSized(std::string& s, const std::string& bytes) {
  PutU16(s, static_cast<uint32_t>(bytes.size()));
  s += bytes;
}
std::string Units(const std::u16string& u) {
  std::string s;
  for (char16_t c : u) PutU16(s, c);
  return s;
}

// A stored page as the collection holds them: title, two text cells, notes.
std::string StoredPage(const std::string& title, const std::string& cell1, const std::string& cell2) {
  return "<html><head><meta charset=\"UTF-8\"><title>" + title +
         "</title></head><body><TABLE><tr><TD width=80>" + cell1 + "</TD><TD width=450>" + cell2 +
         "</TD></tr></TABLE></body></html>";
}

const std::string kNote = "<font size=-1 color=\"#993366\">";

void CodeConverterSeeds() {
  const std::u16string cases[] = {
      u"A\u3042\U00020000", u"\xD800", u"\xDC00xyz", u"ab\xD800\xD800\xDC00",
      u"\u5B78\u800C\u6642\u7FD2\u4E4B", u"", u"\xD83D\xDE00\xDBFF"};
  int n = 0;
  for (const auto& c : cases) {
    std::string s;
    PutU8(s, static_cast<uint32_t>(n % 8));
    s += Units(c);
    Seed("codeconverter", "seed" + std::to_string(n++), s);
  }
}

void BookSeeds() {
  const std::string dir = ScratchDir();
  const std::vector<std::pair<std::string, std::string>> pages = {
      {"d1\\b01\\v0001\\0001.htm", StoredPage("學而第一", "子曰學而時習之" + kNote + "注也</font>不亦說乎", "")},
      {"d1\\b01\\v0001\\0002.htm", StoredPage("學而第一", "", "有朋自遠方來")},
      {"d1\\b01\\v0001\\0003.htm", ""},
      {"noslash.htm", "<p>x</p>"},
  };
  const int32_t widths[] = {40, 1, 260};
  int n = 0;
  for (int32_t width : widths) {
    BookWriter w;
    if (!w.Create(dir, "Index", width)) continue;
    for (const auto& [name, bytes] : pages)
      if (!w.AddPage(name.substr(0, static_cast<size_t>(width - 1)), bytes)) break;
    if (!w.Finish()) continue;
    const std::string header = ReadAll(dir + "/Index-fl.h");
    const std::string content = ReadAll(dir + "/Index-fl.cnt");
    const std::u16string keywords[] = {u"學 時", u"子*乎", u"學?時"};
    for (const auto& k : keywords) {
      std::string s;
      PutSized(s, header);
      PutSized(s, Units(k));
      PutU8(s, static_cast<uint32_t>(n % 3));
      s += content;
      Seed("book", "seed" + std::to_string(n++), s);
    }
    // The same book with its content file cut short.
    std::string cut;
    PutSized(cut, header);
    PutSized(cut, Units(u"學"));
    PutU8(cut, 0);
    cut += content.substr(0, content.size() / 2);
    Seed("book", "seed" + std::to_string(n++), cut);
  }
}

// Index target: frames an index written by IndexWriter for the slots of
// 一, 二, 三 and the group slot {一, 壹}; each block as head, fill byte, tail
// around its longest run of one byte value.
using Entries = std::map<uint32_t, std::vector<uint32_t>>;
std::string FrameIndex(const std::map<int, Entries>& slots, IndexWriter::BlockOrder order,
                       const std::function<void(std::string& header, std::string& postings)>& damage = {}) {
  const std::string dir = ScratchDir();
  IndexWriter w;
  for (const auto& [slot, entries] : slots)
    for (const auto& [record, positions] : entries) Must(w.AddEntry(slot, record, positions));
  if (!w.Write(dir + "/Seed", order)) return {};
  std::string header = ReadAll(dir + "/Seed-idx.h");
  std::string postings = ReadAll(dir + "/Seed-idx.m");
  if (damage) damage(header, postings);
  const int order4[4] = {CharToSlot(u'一'), CharToSlot(u'二'), CharToSlot(u'三'), kVariantSlotBase};
  std::string s;
  for (int slot : order4) {
    PutU32(s, GetU32(header, FirstBlockEntryOffset(slot)));
    PutU32(s, GetU32(header, LastPageEntryOffset(slot)));
  }
  const size_t chain = ChainEntryCount(static_cast<int64_t>(header.size()));
  PutU8(s, static_cast<uint32_t>(chain));
  for (size_t i = 0; i < chain; ++i) PutU16(s, GetU32(header, ChainEntryOffset(i)));
  PutU8(s, static_cast<uint32_t>((header.size() - kIndexHeaderTables) % 4));
  const size_t blocks = (postings.size() + kBlockSize - 1) / kBlockSize;
  PutU8(s, static_cast<uint32_t>(blocks));
  for (size_t b = 0; b < blocks; ++b) {
    std::string block = postings.substr(b * kBlockSize, kBlockSize);
    block.resize(kBlockSize, '\0');
    size_t bestAt = 0, bestLen = 0;
    for (size_t i = 0; i < block.size();) {
      size_t j = i;
      while (j < block.size() && block[j] == block[i]) ++j;
      if (j - i > bestLen) bestAt = i, bestLen = j - i;
      i = j;
    }
    PutSized(s, block.substr(0, bestAt));
    PutU8(s, static_cast<uint8_t>(block[bestAt]));
    PutSized(s, block.substr(bestAt + bestLen));
  }
  PutU16(s, static_cast<uint32_t>(postings.size() % kBlockSize));
  return s;
}

void IndexSeeds() {
  const int one = CharToSlot(u'一'), two = CharToSlot(u'二'), three = CharToSlot(u'三');
  // Phrases: 一二 on records 0 and 2, 一?三 on record 0, 二 and 三 together on 0, 2, 3.
  std::map<int, Entries> small = {
      {one, {{0, {0, 5}}, {2, {1}}, {5, {7}}}},
      {two, {{0, {1, 9}}, {2, {2}}, {3, {0}}}},
      {three, {{0, {2}}, {2, {9}}, {3, {4, 6}}}},
  };
  small[kVariantSlotBase] = small[one];
  std::vector<uint32_t> many(3000), more(1500);
  for (uint32_t i = 0; i < many.size(); ++i) many[i] = i * 2;
  for (uint32_t i = 0; i < more.size(); ++i) more[i] = i * 2 + 1;
  std::map<int, Entries> large = {
      {one, {{0, many}, {1, more}, {4, {3}}}},
      {two, {{1, more}, {4, {4}}}},
      {three, {{0, {5}}}},
  };
  large[kVariantSlotBase] = large[one];
  int n = 0;
  for (auto order : {IndexWriter::BlockOrder::Sequential, IndexWriter::BlockOrder::Interleaved,
                     IndexWriter::BlockOrder::Reversed}) {
    Seed("index", "seed" + std::to_string(n++), FrameIndex(small, order));
    Seed("index", "seed" + std::to_string(n++), FrameIndex(large, order));
  }
  // Damaged: a chain loop, a cut postings file, a last page never reached.
  Seed("index", "seed" + std::to_string(n++),
       FrameIndex(large, IndexWriter::BlockOrder::Sequential, [&](std::string& h, std::string&) {
         const uint32_t first = GetU32(h, FirstBlockEntryOffset(one));
         StoreLE32(&h[static_cast<size_t>(ChainEntryOffset(first))], first);
       }));
  Seed("index", "seed" + std::to_string(n++),
       FrameIndex(large, IndexWriter::BlockOrder::Interleaved,
                  [](std::string&, std::string& m) { m.resize(m.size() - 3000); }));
  Seed("index", "seed" + std::to_string(n++),
       FrameIndex(small, IndexWriter::BlockOrder::Sequential, [&](std::string& h, std::string&) {
         StoreLE32(&h[static_cast<size_t>(LastPageEntryOffset(two))], 4);
       }));
}

void KeywordSeeds() {
  const std::u16string cases[] = {
      u"學",          u"學 時",        u"子?學",         u"學*習",      u"之之",
      u"学而",        u"說　乎",       u"\U00020000學", u"？學",       u"??",
      u"學 abc",      u"之*之*之",     u"乎 不",         u"學\u3001而", u"不亦?乎",
      std::u16string(300, u'之'), std::u16string(u"學\0時", 3), u"\xD840學", u"習 习 学",
  };
  int n = 0;
  for (const auto& c : cases) {
    std::string s;
    PutU8(s, static_cast<uint32_t>(n % 16));
    s += Units(c);
    Seed("keywords", "seed" + std::to_string(n++), s);
  }
}

void PageSeeds() {
  const std::string pages[] = {
      StoredPage("學而", "子曰學而時習之" + kNote + "注<b>也</b></font>不亦說乎", "<p>有朋</p><h4>自遠方來</h4>"),
      StoredPage("t", "<TD>nested</TD>學</TD>", "<title>x</title>學習"),
      "<html><title>only a title</title>",
      "<TD>" + kNote + "note first</font></font>學",
      "<title>unfinished<TD>學而<TD",
  };
  const std::string keywords[] = {"學", "學*習", "學?時", "*", "??", "而*", "</font>", "<p>"};
  int n = 0;
  for (const auto& page : pages)
    for (const auto& k : keywords) {
      if ((n++ % 3) != 0) continue;  // a sample of the pairs is enough
      std::string s;
      PutU8(s, static_cast<uint32_t>(n % 8));
      PutSized(s, k);
      s += page;
      Seed("pages", "seed" + std::to_string(n), s);
    }
}

void VariantSeeds() {
  const std::pair<std::u16string, std::string> cases[] = {
      {u"乾坤", "4E7E,5E72,5E79\n5764,5803\n"},
      {u"干 發", "4E7E,5E72,5E79\r\n767C,53D1,9AEE\r\n"},
      {u"\U00020000學", "20000,4E00\n\n,5B78,,5B66,\n0x4E00, 4E01\nzz\n"},
      {u"學學學學學學學學學學學學學", "5B78,5B66,5B7F\n"},
      {u"", "\n\n\n"},
      // Members past U+10FFFF: no keyword holds them, but they are members.
      {u"乾", "4E7E,756974,5E72\n110000,FFFFFFFF,4E7E\n"},
  };
  int n = 0;
  for (const auto& [k, table] : cases) {
    std::string s;
    PutSized(s, Units(k));
    s += table;
    Seed("variants", "seed" + std::to_string(n++), s);
  }
}

void CatalogueSeeds() {
  const std::string dir = ScratchDir() + "/seedcat";
  std::filesystem::create_directories(dir);
  CatalogueWriter cat;
  Must(cat.Add(u"經部", 1, 1, 8, 1));
  Must(cat.Add(u"論語", 2, 1, 5, 1));
  Must(cat.Add(u"學而", 3, 1, 3, 1));
  Must(cat.Add(u"為政", 3, 4, 2, 1));
  Must(cat.Add(u"孟子", 2, 6, 3, 1));
  Must(cat.Add(u"梁惠王", 3, 6, 3, 1));
  const std::string good = cat.Bytes();
  std::string hits;
  PutU8(hits, 4);
  for (uint32_t r : {0u, 2u, 5u, 7u}) {
    PutU32(hits, r);
    PutU16(hits, r + 1);
  }
  Seed("catalogue", "seed0", hits + good);
  Seed("catalogue", "seed1", hits + good.substr(0, good.size() - 100));  // partial last record
  std::string bad = good;
  bad[kCatalogueRecordSize + kCatalogueLevelOffset] = 3;  // a volume right under a division
  bad[4 * kCatalogueRecordSize + kCatalogueDocIdOffset] = static_cast<char>(0xFF);  // a docID far outside
  Seed("catalogue", "seed2", hits + bad);
  CatalogueWriter odd;
  Must(odd.Add(u"", 0, 0, 0, 0));
  Must(odd.Add(u"x", 25, 1, 1, 1));
  Must(odd.Add(u"y", 2, -5, 7, 65535));
  Seed("catalogue", "seed3", hits + odd.Bytes());
}

// Companion target: damage to the companion of the target's own fixture,
// [u8 mode][u8 n] n x ([u32 offset][u8 xor]) [u32 length]; offsets are taken
// modulo the file's size, so these fall in the header, the slot and record
// tables and the lists' data of any companion of some megabytes.
void CompanionSeeds() {
  struct Damage {
    uint32_t mode;
    std::vector<std::pair<uint32_t, uint32_t>> flips;
    uint32_t length;
  };
  const Damage cases[] = {
      {0, {}, 0},                                   // intact
      {2, {}, 0},                                   // intact, no list kept between searches
      {0, {{40, 0x01}}, 0},                         // the postings file's size in the header
      {1, {{20, 0xFF}}, 0},                         // the record count, sealed again
      {0, {{4096 + 4 * 0x7532, 0x01}}, 0},          // the slot table
      {1, {{4096 + 4 * kSlotCount + 5, 0x10}}, 0},  // a record, sealed again
      {1, {{400000, 0x04}, {700000, 0x80}}, 0},     // lists' data, sealed again
      {0, {{400000, 0x04}}, 0},                     // lists' data
      {1, {}, 360000},                              // cut short, sealed again
      {0, {}, 5000},                                // cut inside the slot table
  };
  int n = 0;
  for (const Damage& d : cases) {
    std::string s;
    PutU8(s, d.mode);
    PutU8(s, static_cast<uint32_t>(d.flips.size()));
    for (const auto& [offset, mask] : d.flips) {
      PutU32(s, offset);
      PutU8(s, mask);
    }
    PutU32(s, d.length);
    Seed("companion", "seed" + std::to_string(n++), s);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_seeds CORPUS_FOLDER\n");
    return 2;
  }
  g_root = argv[1];
  CodeConverterSeeds();
  BookSeeds();
  IndexSeeds();
  KeywordSeeds();
  PageSeeds();
  VariantSeeds();
  CatalogueSeeds();
  CompanionSeeds();
  return 0;
}
