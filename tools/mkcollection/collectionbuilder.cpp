#include "collectionbuilder.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <unordered_map>

#include "index/charslot.h"
#include "pagelayout.h"
#include "store/pagesections.h"
#include "variantgroups.h"
#include "writer/bookwriter.h"
#include "writer/cataloguewriter.h"
#include "writer/indexwriter.h"

namespace fs = std::filesystem;

namespace {

constexpr int kNameWidth = 32;

std::u16string ToU16(const std::string& s) {
  std::u16string out;
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const int len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    uint32_t v = len == 1 ? c : len == 2 ? c & 0x1F : len == 3 ? c & 0x0F : c & 0x07;
    for (int k = 1; k < len && i + k < s.size(); ++k) v = (v << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    i += static_cast<size_t>(len);
    if (v >= 0x10000) {
      v -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(v));
    }
  }
  return out;
}

// Appends the slotted code points of an item's text (tags skipped, the three
// entities the layout writes decoded).
void AppendIndexed(const std::string& text, std::vector<uint32_t>& out) {
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '<') {
      const size_t gt = text.find('>', i);
      i = gt == std::string::npos ? text.size() : gt + 1;
      continue;
    }
    if (c == '&') {
      for (const char* e : {"&amp;", "&lt;", "&gt;"})
        if (text.compare(i, std::char_traits<char>::length(e), e) == 0) {
          i += std::char_traits<char>::length(e);
          goto next;  // ASCII: never indexed
        }
    }
    {
      const int len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
      uint32_t v = len == 1 ? c : len == 2 ? c & 0x1F : len == 3 ? c & 0x0F : c & 0x07;
      for (int k = 1; k < len && i + k < text.size(); ++k)
        v = (v << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
      i += static_cast<size_t>(len);
      if (CharToSlot(v) >= 0) out.push_back(v);
    }
  next:;
  }
}

}  // namespace

void IndexedCharacters(const std::string& page, int pageNo, std::vector<uint32_t>& body,
                       std::vector<uint32_t>& notes, std::vector<uint32_t>& whole) {
  body.clear();
  notes.clear();
  whole.clear();
  const std::vector<HTMLNode> nodes = ParsePage(page);
  const std::string& cell = nodes[1 + (pageNo % 2 != 0 ? 1 : 0)].text;
  for (const FilterItem& item : SplitNotes(cell)) {
    const size_t before = whole.size();
    AppendIndexed(item.text, whole);
    (item.kind == 0 ? body : notes).insert((item.kind == 0 ? body : notes).end(), whole.begin() + static_cast<long>(before), whole.end());
  }
}

bool BuildCollection(const std::vector<Division>& divisions,
                     const std::vector<std::vector<uint32_t>>& groups, const std::string& folder,
                     bool progress, BuildStats& stats, std::string& error) {
  if (groups.size() > static_cast<size_t>(kMaxVariantGroups)) {
    error = "too many variant groups for the slot range: " + std::to_string(groups.size());
    return false;
  }
  std::unordered_map<uint32_t, int> groupSlot;
  for (size_t g = 0; g < groups.size(); ++g)
    for (uint32_t cp : groups[g]) groupSlot.emplace(cp, VariantSlotBase + static_cast<int>(g));

  // Catalogue plan: count the pages of every volume first.
  struct Planned {
    size_t d, b, v;
    std::vector<std::string> pages;
  };
  size_t totalVolumes = 0;
  for (const auto& d : divisions)
    for (const auto& b : d.books) totalVolumes += b.volumes.size();
  const size_t catalogueRecords = totalVolumes + divisions.size() + [&] {
    size_t n = 0;
    for (const auto& d : divisions) n += d.books.size();
    return n;
  }();
  if (catalogueRecords > 9999) {
    error = "the catalogue would need " + std::to_string(catalogueRecords) + " entries (at most 9,999)";
    return false;
  }

  BookWriter book;
  if (!book.Create(folder, "Index", kNameWidth)) {
    error = book.Error();
    return false;
  }
  IndexWriter index[3];  // whole text, body, notes
  CatalogueWriter catalogue;
  std::vector<uint32_t> body, notes, whole;
  std::vector<std::pair<int, uint32_t>> hits;  // slot, position
  std::vector<uint32_t> positions;
  int32_t record = 0;
  size_t volumesDone = 0;

  auto indexPage = [&](int which, const std::vector<uint32_t>& chars, uint32_t rec) -> bool {
    hits.clear();
    for (uint32_t pos = 0; pos < chars.size(); ++pos) {
      hits.emplace_back(CharToSlot(chars[pos]), pos);
      const auto g = groupSlot.find(chars[pos]);
      if (g != groupSlot.end()) hits.emplace_back(g->second, pos);
    }
    std::stable_sort(hits.begin(), hits.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 0; i < hits.size();) {
      size_t j = i;
      positions.clear();
      while (j < hits.size() && hits[j].first == hits[i].first) positions.push_back(hits[j++].second);
      if (!index[which].AddEntry(hits[i].first, rec, positions)) {
        error = index[which].Error();
        return false;
      }
      i = j;
    }
    stats.indexed[which] += chars.size();
    return true;
  };

  for (size_t d = 0; d < divisions.size(); ++d) {
    const Division& div = divisions[d];
    // Lay out the division's volumes first: the catalogue records of a
    // division and a book need the page counts below them.
    std::vector<std::vector<std::vector<std::string>>> laid(div.books.size());
    int32_t divPages = 0;
    for (size_t b = 0; b < div.books.size(); ++b)
      for (const Volume& v : div.books[b].volumes) {
        laid[b].push_back(LayOutVolume(div.books[b].title, v));
        divPages += static_cast<int32_t>(laid[b].back().size());
      }
    catalogue.Add(ToU16(div.title), 1, record + 1, divPages, 1);
    for (size_t b = 0; b < div.books.size(); ++b) {
      int32_t bookPages = 0;
      for (const auto& pages : laid[b]) bookPages += static_cast<int32_t>(pages.size());
      catalogue.Add(ToU16(div.books[b].title), 2, record + 1, bookPages, 1);
      for (size_t v = 0; v < laid[b].size(); ++v) {
        const auto& pages = laid[b][v];
        if (pages.size() > 65535) {
          error = "a volume has more pages than a page number can hold";
          return false;
        }
        if (!catalogue.Add(ToU16(div.books[b].volumes[v].title), 3, record + 1,
                           static_cast<int32_t>(pages.size()), 1)) {
          error = "a volume title is longer than 99 characters";
          return false;
        }
        for (size_t p = 0; p < pages.size(); ++p) {
          char name[96];
          std::snprintf(name, sizeof name, "d%zu\\b%02zu\\v%04zu\\%04zu.htm", d + 1, b + 1, v + 1, p + 1);
          if (!book.AddPage(name, pages[p])) {
            error = book.Error();
            return false;
          }
          IndexedCharacters(pages[p], static_cast<int>(p + 1), body, notes, whole);
          const uint32_t rec = static_cast<uint32_t>(record);
          if (!indexPage(0, whole, rec) || !indexPage(1, body, rec) || !indexPage(2, notes, rec))
            return false;
          ++record;
        }
        ++volumesDone;
        if (progress && (volumesDone % 50 == 0 || volumesDone == totalVolumes))
          std::fprintf(stderr, "\rpages: %d  volumes: %zu/%zu", record, volumesDone, totalVolumes);
      }
    }
  }
  if (progress) std::fprintf(stderr, "\n");
  if (!book.Finish()) {
    error = book.Error();
    return false;
  }
  const char* names[3] = {"Index", "Index_content", "Index_desc"};
  for (int i = 0; i < 3; ++i) {
    if (progress) std::fprintf(stderr, "writing %s\n", names[i]);
    if (!index[i].Write(folder + "/" + names[i])) {
      error = index[i].Error();
      return false;
    }
  }
  if (!catalogue.Write(folder + "/vok.dir")) {
    error = "cannot write " + folder + "/vok.dir";
    return false;
  }
  const std::string table = VariantGroups::Format(groups);
  std::FILE* f = std::fopen((folder + "/yitizi.txt").c_str(), "wb");
  if (!f || std::fwrite(table.data(), 1, table.size(), f) != table.size() || std::fclose(f) != 0) {
    error = "cannot write " + folder + "/yitizi.txt";
    return false;
  }
  stats.records = record;
  stats.catalogueEntries = catalogue.Count();
  stats.groups = groups.size();
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) stats.bytesWritten += e.file_size(ec);
  return true;
}
