// A collection of stored pages indexed the way the collection builder
// indexes them: each page's indexed text (store/pagetext.h) posted in the
// whole-text, body and notes indexes, every character under its slot and
// its first variant group's slot. Hit pages and searches over it must agree.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "index/charslot.h"
#include "index/index.h"
#include "index/variantformat.h"
#include "index/varianttable.h"
#include "store/pagetext.h"
#include "support/testutil.h"
#include "writer/bookwriter.h"
#include "writer/indexwriter.h"

namespace tevarin {

struct StoredPage {
  std::string name;  // record name, "...\<page number>.htm"
  std::string html;
};

// A stored page in the collection's layout: the text cell first on even
// page numbers, second on odd ones, the margin cell in the other place.
inline std::string LaidOutPage(int pageNumber, const std::string& textCell,
                               const std::string& margin = "卷<br>頁") {
  const std::string text = "<TD class=\"text\">" + textCell + "</TD>";
  const std::string side = "<TD class=\"margin\">" + margin + "</TD>";
  return "<html><head><title>書 卷 " + std::to_string(pageNumber) +
         "</title></head><body><table><tr>" + (pageNumber % 2 == 0 ? text + side : side + text) +
         "</tr></table></body></html>";
}

struct PageCollection {
  TempDir dir;
  CIndex index;

  // groups: lines of yitizi.txt ("5B66,5B78").
  void Build(const std::vector<StoredPage>& pages, const std::vector<std::string>& groups = {}) {
    std::string table;
    for (const auto& g : groups) table += g + "\n";
    WriteFile(dir.file(kVariantTableName), table);
    VariantTable variants;
    (void)variants.Load(dir.path());

    BookWriter book;
    ASSERT_TRUE(book.Create(dir.path(), "Index", 40));
    // whole, body, notes: slot -> record -> positions
    std::map<int, std::map<uint32_t, std::vector<uint32_t>>> postings[3];
    for (uint32_t r = 0; r < pages.size(); ++r) {
      ASSERT_TRUE(book.AddPage(pages[r].name, pages[r].html));
      int32_t number = 0;
      CFileList::PageNumberFromName(pages[r].name, number);
      const PageText text = ReadPageText(pages[r].html, number);
      uint32_t next[3] = {0, 0, 0};
      for (const PageChar& c : text.chars) {
        const int slot = CharToSlot(c.codePoint);
        ASSERT_GE(slot, 0);
        int group = -1;
        const bool grouped = variants.FindSlot(c.codePoint, group);
        for (int which : {0, text.IsNote(c) ? 2 : 1}) {
          const uint32_t pos = next[which]++;
          postings[which][slot][r].push_back(pos);
          if (grouped) postings[which][group][r].push_back(pos);
        }
      }
    }
    ASSERT_TRUE(book.Finish());
    const char* names[3] = {"Index", "Index_content", "Index_desc"};
    for (int which = 0; which < 3; ++which) {
      IndexWriter w;
      for (const auto& [slot, recs] : postings[which])
        for (const auto& [rec, pos] : recs) ASSERT_TRUE(w.AddEntry(slot, rec, pos));
      ASSERT_TRUE(w.Write(dir.file(names[which])));
    }
    const Status opened = index.Open(dir.path(), "Index", IndexPart::FullText);
    ASSERT_TRUE(opened) << opened.Message();
  }

  // The index part a hit-page scope (0 whole text, 1 body, 2 notes) searches.
  static IndexPart PartOf(int scope) {
    return scope == 1 ? IndexPart::Body : scope == 2 ? IndexPart::Notes : IndexPart::FullText;
  }
};

}  // namespace tevarin
