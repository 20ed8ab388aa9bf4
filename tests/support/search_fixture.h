// A tiny collection for search tests: pages given as UTF-16 text, indexed the
// way the builder indexes them (characters with a slot numbered 0, 1, 2, ...;
// variant groups under their group slot with the merged postings).
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "index/charslot.h"
#include "text/codeconverter.h"
#include "index/index.h"
#include "index/variantformat.h"
#include "index/varianttable.h"
#include "support/testutil.h"
#include "writer/bookwriter.h"
#include "writer/indexwriter.h"

namespace tevarin {

struct SearchFixture {
  TempDir dir;
  CIndex index;

  // groups: lines of yitizi.txt ("4E7E,5E72,5E79").
  void Build(const std::vector<std::u16string>& pages, const std::vector<std::string>& groups = {}) {
    std::string table;
    for (const auto& g : groups) table += g + "\n";
    WriteFile(dir.file(kVariantTableName), table);
    VariantTable loader;  // parse the groups the same way the engine does
    (void)loader.Load(dir.path());

    BookWriter book;
    ASSERT_TRUE(book.Create(dir.path(), "Index", 40));
    std::map<int, std::map<uint32_t, std::vector<uint32_t>>> postings;  // slot -> record -> pos
    for (uint32_t r = 0; r < pages.size(); ++r) {
      std::string utf8;
      ConvertUtf16ToUtf8(pages[r], utf8, true);
      ASSERT_TRUE(book.AddPage("v\\" + std::to_string(r + 1) + ".htm", utf8));
      const char16_t* s = pages[r].data();
      const char16_t* end = s + pages[r].size();
      std::vector<char32_t> cps(pages[r].size());
      char32_t* t = cps.data();
      ConvertUtf16ToUtf32(s, end, t, cps.data() + cps.size(), true);
      cps.resize(static_cast<size_t>(t - cps.data()));
      uint32_t pos = 0;
      for (char32_t cp : cps) {
        const int slot = CharToSlot(cp);
        if (slot < 0) continue;
        postings[slot][r].push_back(pos);
        int group;
        if (loader.FindSlot(cp, group)) postings[group][r].push_back(pos);
        ++pos;
      }
    }
    ASSERT_TRUE(book.Finish());
    IndexWriter w;
    for (const auto& [slot, recs] : postings)
      for (const auto& [rec, pos] : recs) {
        const Status added = w.AddEntry(slot, rec, pos);
        ASSERT_TRUE(added) << added.Message();
      }
    ASSERT_TRUE(w.Write(dir.file("Index"), IndexWriter::BlockOrder::Interleaved));
    const Status opened = index.Open(dir.path(), "Index", IndexPart::FullText);
    ASSERT_TRUE(opened) << opened.Message();
  }

  // (record, count) pairs of the hit list.
  std::vector<std::pair<uint32_t, uint32_t>> Hits() const {
    std::vector<std::pair<uint32_t, uint32_t>> out;
    const auto& pages = index.GetHitPages();
    const auto& counts = index.GetHitCounts();
    for (size_t i = 0; i < pages.size(); ++i)
      out.emplace_back(pages[i], i < counts.size() ? counts[i] : 0);
    return out;
  }

  std::vector<std::pair<uint32_t, uint32_t>> And(std::u16string q, bool variants = false) {
    index.SearchAnd(q, true, variants);
    return Hits();
  }
  std::vector<std::pair<uint32_t, uint32_t>> Or(std::u16string q, bool variants = false) {
    index.SearchOr(q, true, variants);
    return Hits();
  }
};

// A filler of n characters that match nothing the tests search for.
inline std::u16string Filler(size_t n) { return std::u16string(n, u'\u4E00'); }

}  // namespace tevarin
