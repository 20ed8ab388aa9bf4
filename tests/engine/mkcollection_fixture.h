// A tiny corpus in the shapes of the chinese-poetry package, written into a
// temporary folder, and helpers to read a built collection back.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "corpus.h"
#include "index/index.h"
#include "testutil.h"

// Sources of the tiny corpus:
//   集部 / 唐詩   one file per volume (tang/json/001.json, 002.json), biographies
//                 from the work itself or from tang/authors.json
//   經部 / 論語   chapters {chapter, paragraphs}, numbered 學而第一, 為政第二
//   集部 / 宋詩   files poems/poet.song.2.json and poet.song.10.json, cut by size
struct TinyCorpus {
  TempDir dir;
  std::vector<Source> sources;

  TinyCorpus() {
    namespace fs = std::filesystem;
    fs::create_directories(dir.path() + "/tang/json");
    fs::create_directories(dir.path() + "/classic");
    fs::create_directories(dir.path() + "/poems");
    // 。 (U+3002) and ASCII have no slot; （ ） and ， have one.
    WriteFile(dir.path() + "/tang/json/001.json", R"([
      {"title": "靜夜思", "author": "李白", "biography": "白字太白",
       "paragraphs": ["床前明月光（一作看月光），", "疑是地上霜。舉頭望明月，", "a<b&c"],
       "notes": [""], "volume": "卷一"},
      {"title": "春曉", "author": "孟浩然", "biography": "",
       "paragraphs": ["春眠不覺曉"], "notes": ["（此詩一作春晴）"], "volume": "卷一"}
    ])");
    std::string many;
    for (int i = 0; i < 200; ++i) many += "學学";
    WriteFile(dir.path() + "/tang/json/002.json",
              R"([{"title": "長篇", "author": "孟浩然", "paragraphs": [")" + many + R"("], "volume": "卷二"}])");
    WriteFile(dir.path() + "/tang/authors.json",
              R"([{"name": "孟浩然", "desc": "襄陽人"}, {"name": "李白", "desc": "不用"}])");
    WriteFile(dir.path() + "/classic/lunyu.json", R"([
      {"chapter": "學而篇", "paragraphs": ["子曰學而時習之"]},
      {"chapter": "為政篇", "paragraphs": ["子曰為政以德"]}
    ])");
    // Numeric file order: 2 before 10. Volumes of about 12 characters.
    WriteFile(dir.path() + "/poems/poet.song.10.json", R"([
      {"title": "丙", "author": "乙", "paragraphs": ["三三三三三三"]}])");
    WriteFile(dir.path() + "/poems/poet.song.2.json", R"([
      {"title": "甲", "author": "甲", "paragraphs": ["一一一一一一一一一一"]},
      {"title": "乙", "author": "乙", "paragraphs": ["二二二二二二二二二二"]}])");

    Source tang;
    tang.division = "集部";
    tang.book = "唐詩";
    tang.shape = SourceShape::VolumeFiles;
    tang.path = "tang/json";
    tang.authorsFile = "tang/authors.json";
    Source lunyu;
    lunyu.division = "經部";
    lunyu.book = "論語";
    lunyu.shape = SourceShape::Chapters;
    lunyu.path = "classic/lunyu.json";
    lunyu.numberChapters = true;
    Source song;
    song.division = "集部";
    song.book = "宋詩";
    song.shape = SourceShape::Anthology;
    song.path = "poems";
    song.filePrefix = "poet.song.";
    song.volumeChars = 12;
    sources = {tang, lunyu, song};
  }
  std::string Path() const { return dir.path(); }
};

// Every page entry of a slot: record -> positions.
inline std::map<uint32_t, std::vector<uint32_t>> ReadPostings(const CIndex& index, int slot) {
  std::map<uint32_t, std::vector<uint32_t>> out;
  if (!index.HasPostings(slot)) return out;
  PostingsCursor c = index.CursorFor(slot);
  uint32_t page = 0;
  bool first = true;
  while (true) {
    uint32_t delta;
    uint16_t count;
    if (!c.ReadVarint(delta) || !c.ReadU16(count)) {
      ADD_FAILURE() << "postings of slot " << slot << " end early";
      break;
    }
    page = first ? delta : page + delta;
    first = false;
    auto& list = out[page];
    uint32_t used = 0, pos = 0;
    while (used < count) {
      uint8_t b0 = 0, b = 0;
      if (!c.ReadByte(b0)) break;
      const uint32_t extra = b0 < 0x80 ? 0 : b0 < 0xC0 ? 1 : 2;
      uint32_t v = extra ? b0 & 0x3F : b0;
      for (uint32_t k = 0; k < extra && c.ReadByte(b); ++k) v = v << 8 | b;
      used += 1 + extra;
      pos = list.empty() ? v : pos + v;
      list.push_back(pos);
    }
    EXPECT_EQ(used, count) << "slot " << slot << " record " << page;
    if (page == index.LastPage(slot)) break;
  }
  return out;
}

// One record of vok.dir, read directly from its 216 bytes.
struct RawCatalogueRecord {
  std::u16string name;
  int32_t level, docID, docNo;
  uint16_t curFileName;
};

inline std::vector<RawCatalogueRecord> ReadVokDir(const std::string& path) {
  const std::string bytes = ReadFile(path);
  EXPECT_EQ(bytes.size() % 216, 0u);
  std::vector<RawCatalogueRecord> out;
  for (size_t off = 0; off + 216 <= bytes.size(); off += 216) {
    const char* r = bytes.data() + off;
    RawCatalogueRecord rec{};
    for (size_t i = 0; i < 100; ++i) {
      const char16_t c = static_cast<char16_t>(static_cast<unsigned char>(r[2 * i]) |
                                               static_cast<unsigned char>(r[2 * i + 1]) << 8);
      if (c == 0) break;
      rec.name.push_back(c);
    }
    std::memcpy(&rec.level, r + 200, 4);
    std::memcpy(&rec.docID, r + 204, 4);
    std::memcpy(&rec.docNo, r + 208, 4);
    std::memcpy(&rec.curFileName, r + 212, 2);
    out.push_back(rec);
  }
  return out;
}
