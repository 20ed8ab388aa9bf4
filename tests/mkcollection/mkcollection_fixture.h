// A tiny corpus in the layout of the chinese-poetry package, a Unihan excerpt,
// and a small collection built from them through the builder's library.
#pragma once

#include <sys/stat.h>

#include <map>
#include <string>
#include <vector>

#include "catalogueplan.h"
#include "collectionbuilder.h"
#include "index/index.h"
#include "support/testutil.h"

namespace tevarin {

namespace mkc {

// 論語 (simplified, as the corpus writes it): a chapter with an inline
// annotation and a second chapter long enough to flow over several pages.
inline const char* kLunYu = R"([
 {"chapter": "学而篇", "paragraphs": ["子曰：学而时习之。", "有朋自远方来（朋，同门也），不亦乐乎？"]},
 {"chapter": "为政篇", "paragraphs": ["子曰：为政以德，譬如北辰，居其所而众星共之。子曰：诗三百，一言以蔽之，曰：思无邪。子曰：道之以政，齐之以刑，民免而无耻。"]}
])";

// 御定全唐詩 volume 1: a biography, notes, text with & < > and a character
// beyond the Basic Multilingual Plane; volume 2: the traditional 學.
inline const char* kTang1 = R"([
 {"title": "帝京篇", "author": "李世民", "biography": "帝姓李氏。",
  "paragraphs": ["秦川雄帝宅。函谷壯皇居。", "A&B<c>𠀀"], "notes": ["一作宮。"], "volume": "卷一", "no#": 1}
])";
inline const char* kTang2 = R"([
 {"title": "勸學", "author": "李治", "biography": "", "paragraphs": ["學而不厭。"], "notes": [""],
  "volume": "卷二", "no#": 1}
])";

// Traditional/simplified pairs (學/学, 乾/干/幹), a semantic variant that is
// not joined by default, two indexed characters linked only through an
// unindexed one (U+2B740, outside every slot range), and a character whose
// only partner has no slot.
inline const char* kUnihan =
    "# Unihan_Variants.txt excerpt\n"
    "U+4E7E\tkSimplifiedVariant\tU+4E7E U+5E72\n"
    "U+5B66\tkTraditionalVariant\tU+5B78\n"
    "U+5B78\tkSemanticVariant\tU+6588<kLau,kMatthews\n"
    "U+5B78\tkSimplifiedVariant\tU+5B66\n"
    "U+5E72\tkTraditionalVariant\tU+4E7E U+5E72 U+5E79\n"
    "U+5E79\tkSimplifiedVariant\tU+5E72\n"
    "U+4E00\tkZVariant\tU+2B740\n"
    "U+2B740\tkZVariant\tU+4E01\n"
    "U+4E03\tkZVariant\tU+2B741\n";

inline void WriteCorpus(const std::string& root) {
  for (const char* d : {"lunyu", "yudingquantangshi", "yudingquantangshi/json"})
    mkdir((root + "/" + d).c_str(), 0755);
  WriteFile(root + "/lunyu/lunyu.json", kLunYu);
  WriteFile(root + "/yudingquantangshi/json/001.json", kTang1);
  WriteFile(root + "/yudingquantangshi/json/002.json", kTang2);
}

inline CollectionPlan TinyPlan() {
  return {{"經部", {{"論語", books::LunYu}}}, {"集部", {{"御定全唐詩", books::QuanTangShi}}}};
}

// Corpus, Unihan excerpt and output folder in one temporary folder; small
// pages (6 characters to a line, 5 lines) so that texts flow.
struct TinyBuild {
  TempDir dir;
  BuildOptions options;
  BuildStats stats;
  std::string error;

  TinyBuild() {
    mkdir(dir.file("corpus").c_str(), 0755);
    WriteCorpus(dir.file("corpus"));
    WriteFile(dir.file("Unihan_Variants.txt"), kUnihan);
    options.corpusDir = dir.file("corpus");
    options.unihanPath = dir.file("Unihan_Variants.txt");
    options.outDir = dir.file("out");
    options.layout.lineWidth = 6;
    options.layout.linesPerPage = 5;
  }
  bool Build() { return BuildCollection(TinyPlan(), options, stats, error); }
  std::string Out() const { return options.outDir; }
};

using Entries = std::map<uint32_t, std::vector<uint32_t>>;  // record -> positions

// Decodes a slot's postings through the reader's cursor.
inline Entries ReadSlot(const PostingsFile& file, int slot) {
  Entries out;
  if (!file.HasPostings(slot)) return out;
  PostingsCursor c = file.Cursor(slot);
  uint32_t page = 0;
  for (int guard = 0; guard < 100000; ++guard) {
    uint32_t delta;
    uint16_t count;
    if (!c.ReadVarint(delta) || !c.ReadU16(count)) break;
    page += delta;
    std::vector<uint32_t>& pos = out[page];
    uint32_t left = count, p = 0;
    while (left > 0) {
      uint32_t v, used;
      if (!c.ReadVarint(v, &used) || used > left) return out;
      left -= used;
      p = pos.empty() ? v : p + v;
      pos.push_back(p);
    }
    if (page == file.LastPage(slot)) break;
  }
  return out;
}

}  // namespace mkc

}  // namespace tevarin
