// A small but complete collection for the robustness tests and the fuzz
// targets: book files, the three indexes (built from the pages' own text, with
// variant group slots merged from their members), "yitizi.txt" and "vok.dir".
//
// Each page has a body text and a note text. The whole-text index numbers the
// indexed characters of body then note consecutively; the body and notes
// indexes number their own text. One character (之) fills two long pages, so
// its postings span several blocks and the block chain is exercised.
//
// The same writer also makes collections of other pages, groups and
// catalogues (the damage sweep's many-page collection).
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "index/charslot.h"
#include "text/codeconverter.h"
#include "index/index.h"
#include "index/variantformat.h"
#include "writer/bookwriter.h"
#include "writer/cataloguewriter.h"
#include "writer/indexwriter.h"

namespace tevarin {

namespace robust {

struct FixturePage {
  std::string name;  // record name, "...\<page number>.htm"
  std::u16string body;
  std::u16string note;
};

// Variant groups of the fixture, one line each of "yitizi.txt".
inline const std::vector<std::vector<uint32_t>>& FixtureGroups() {
  static const std::vector<std::vector<uint32_t>> groups = {
      {0x5B78, 0x5B66},  // 學 学
      {0x7FD2, 0x4E60},  // 習 习
      {0x8AAA, 0x8BF4},  // 說 说
  };
  return groups;
}

inline std::vector<FixturePage> FixturePages() {
  std::vector<FixturePage> pages = {
      {"d1\\b1\\v1\\1.htm", u"子曰學而時習之不亦說乎", u"學者覺也"},
      {"d1\\b1\\v1\\2.htm", u"有朋自遠方來不亦樂乎", u""},
      {"d1\\b1\\v1\\3.htm", u"人不知而不慍不亦君子乎", u"慍怒也"},
      {"d1\\b1\\v2\\1.htm", u"学而时习之", u"简体"},
      {"d1\\b1\\v2\\2.htm", u"", u""},
      {"d1\\b2\\v1\\1.htm", u"\U00020000學\U0002A6DF習", u"說"},
      {"d1\\b2\\v1\\2.htm", std::u16string(2500, u'之'), u"之"},
      {"d1\\b2\\v1\\3.htm", std::u16string(2500, u'之') + u"學", u""},
  };
  return pages;
}

// The stored HTML of a page: title, body in the first text cell with the note
// set in the note font (odd page numbers use the second cell).
inline std::string FixtureHtml(const FixturePage& p, bool oddPage) {
  std::string body, note;
  ConvertUtf16ToUtf8(p.body, body, true);
  ConvertUtf16ToUtf8(p.note, note, true);
  std::string cell = body;
  if (!note.empty()) cell += "<font size=-1 color=\"#993366\">" + note + "</font>";
  const std::string first = oddPage ? "" : cell;
  const std::string second = oddPage ? cell : "";
  return "<html><head><title>" + p.name + "</title></head><body><TABLE><tr><TD width=80>" + first +
         "</TD><TD width=450>" + second + "</TD></tr></TABLE></body></html>";
}

namespace detail {

inline std::vector<uint32_t> CodePoints(const std::u16string& s) {
  std::vector<uint32_t> out;
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t c = s[i];
    if (IsHighSurrogate(c) && i + 1 < s.size() && IsLowSurrogate(s[i + 1]))
      c = CombineSurrogates(c, s[++i]);
    out.push_back(c);
  }
  return out;
}

// slot -> record -> positions
using Postings = std::map<int, std::map<uint32_t, std::vector<uint32_t>>>;

inline void AddText(Postings& post, uint32_t record, const std::u16string& text, uint32_t& pos,
                    const std::vector<std::vector<uint32_t>>& groups) {
  for (uint32_t cp : CodePoints(text)) {
    const int slot = CharToSlot(cp);
    if (slot < 0) continue;
    post[slot][record].push_back(pos);
    for (size_t g = 0; g < groups.size(); ++g)
      for (uint32_t member : groups[g])
        if (member == cp) post[kVariantSlotBase + static_cast<int>(g)][record].push_back(pos);
    ++pos;
  }
}

inline void AddText(Postings& post, uint32_t record, const std::u16string& text, uint32_t& pos) {
  AddText(post, record, text, pos, FixtureGroups());
}

inline bool AddPostings(const Postings& post, IndexWriter& w) {
  for (const auto& [slot, entries] : post)
    for (const auto& [record, positions] : entries)
      if (!w.AddEntry(slot, record, positions)) return false;
  return true;
}

inline bool WriteIndex(const Postings& post, const std::string& path, IndexWriter::BlockOrder order) {
  IndexWriter w;
  return AddPostings(post, w) && w.Write(path, order);
}

}  // namespace detail

// One record of the catalogue "vok.dir": level 1 division, 2 book, 3 volume;
// docID is the first record index + 1, docNo the number of records and
// firstPage the page number of the first record.
struct CatalogueRecord {
  std::u16string name;
  int32_t level;
  int32_t docID;
  int32_t docNo;
  uint16_t firstPage;
};

// 論語 (records 0..4): 學而 = records 0..2, pages 1..3; 為政 = 3..4, pages 1..2.
// 孟子 (records 5..7): 梁惠王 = pages 1..3.
inline const std::vector<CatalogueRecord>& FixtureCatalogue() {
  static const std::vector<CatalogueRecord> records = {
      {u"經部", 1, 1, 8, 1}, {u"論語", 2, 1, 5, 1}, {u"學而", 3, 1, 3, 1},
      {u"為政", 3, 4, 2, 1}, {u"孟子", 2, 6, 3, 1}, {u"梁惠王", 3, 6, 3, 1},
  };
  return records;
}

// The text of "yitizi.txt" for these groups: one line of comma-separated
// hexadecimal code points per group.
inline std::string VariantTableText(const std::vector<std::vector<uint32_t>>& groups) {
  std::string table;
  for (const auto& group : groups) AppendVariantLine(table, group);
  return table;
}

// Writes a collection of these pages (record i = pages[i]; odd page numbers
// keep their text in the second cell), the three indexes built from the
// pages' text with the group slots merged from their members, the variant
// table of the groups and the catalogue; false on any writer failure.
inline bool WriteCollection(const std::string& folder, const std::vector<FixturePage>& pages,
                            const std::vector<std::vector<uint32_t>>& groups,
                            const std::vector<CatalogueRecord>& catalogue,
                            IndexWriter::BlockOrder order = IndexWriter::BlockOrder::Interleaved) {
  BookWriter book;
  if (!book.Create(folder, "Index", 40)) return false;
  // Page by page: each slot's entries reach the writers in record order.
  IndexWriter whole, body, notes;
  for (uint32_t r = 0; r < pages.size(); ++r) {
    int32_t number = 0;
    CFileList::PageNumberFromName(pages[r].name, number);
    if (!book.AddPage(pages[r].name, FixtureHtml(pages[r], number % 2 != 0))) return false;
    detail::Postings pw, pb, pn;
    uint32_t pos = 0, bodyPos = 0, notePos = 0;
    detail::AddText(pw, r, pages[r].body, pos, groups);
    detail::AddText(pw, r, pages[r].note, pos, groups);
    detail::AddText(pb, r, pages[r].body, bodyPos, groups);
    detail::AddText(pn, r, pages[r].note, notePos, groups);
    if (!detail::AddPostings(pw, whole) || !detail::AddPostings(pb, body) ||
        !detail::AddPostings(pn, notes))
      return false;
  }
  if (!book.Finish()) return false;
  if (!whole.Write(folder + "/Index", order) || !body.Write(folder + "/Index_content", order) ||
      !notes.Write(folder + "/Index_desc", order))
    return false;

  const std::string table = VariantTableText(groups);
  std::FILE* f = std::fopen((folder + "/" + kVariantTableName).c_str(), "wb");
  if (!f) return false;
  const bool written = std::fwrite(table.data(), 1, table.size(), f) == table.size();
  if (std::fclose(f) != 0 || !written) return false;

  CatalogueWriter cat;
  for (const CatalogueRecord& r : catalogue)
    if (!cat.Add(r.name, r.level, r.docID, r.docNo, r.firstPage)) return false;
  return cat.Write(folder + "/" + kCatalogueName).IsOk();
}

// Writes the fixture collection into folder; false on any writer failure.
inline bool WriteCollection(const std::string& folder,
                            IndexWriter::BlockOrder order = IndexWriter::BlockOrder::Interleaved) {
  return WriteCollection(folder, FixturePages(), FixtureGroups(), FixtureCatalogue(), order);
}

}  // namespace robust

}  // namespace tevarin
