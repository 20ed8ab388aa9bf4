#include "catalogueplan.h"

#include <climits>

#include "writer/cataloguewriter.h"

std::u16string Utf8ToUtf16(const std::string& s) {
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

size_t CatalogueRecordCount(const std::vector<Division>& divisions) {
  size_t n = 0;
  for (const auto& d : divisions) {
    n += 1 + d.books.size();
    for (const auto& b : d.books) n += b.volumes.size();
  }
  return n;
}

bool PlanCatalogue(const std::vector<Division>& divisions, const VolumePages& counts,
                   std::vector<CatalogueRecord>& out, std::string& error) {
  out.clear();
  const size_t needed = CatalogueRecordCount(divisions);
  if (needed > kMaxCatalogueRecords) {
    error = "the catalogue would need " + std::to_string(needed) +
            " records; the reader holds at most 9,999 (cut the books into fewer volumes)";
    return false;
  }
  if (counts.size() != divisions.size()) {
    error = "page counts do not match the divisions";
    return false;
  }
  auto add = [&](const std::string& title, int32_t level, int64_t first, int64_t pages) {
    if (Utf8ToUtf16(title).size() > 99) {
      error = "the title \"" + title + "\" is longer than the 99 characters a catalogue record holds";
      return false;
    }
    if (first + pages > INT32_MAX) {
      error = "too many pages for 32-bit record numbers";
      return false;
    }
    out.push_back({title, level, static_cast<int32_t>(first + 1), static_cast<int32_t>(pages), 1});
    return true;
  };
  int64_t record = 0;
  for (size_t d = 0; d < divisions.size(); ++d) {
    const Division& div = divisions[d];
    if (counts[d].size() != div.books.size()) {
      error = "page counts do not match the books of " + div.title;
      return false;
    }
    int64_t divPages = 0;
    for (size_t b = 0; b < div.books.size(); ++b) {
      if (counts[d][b].size() != div.books[b].volumes.size()) {
        error = "page counts do not match the volumes of " + div.books[b].title;
        return false;
      }
      for (int32_t n : counts[d][b]) divPages += n;
    }
    if (!add(div.title, 1, record, divPages)) return false;
    for (size_t b = 0; b < div.books.size(); ++b) {
      int64_t bookPages = 0;
      for (int32_t n : counts[d][b]) bookPages += n;
      if (!add(div.books[b].title, 2, record, bookPages)) return false;
      for (size_t v = 0; v < counts[d][b].size(); ++v) {
        const int32_t pages = counts[d][b][v];
        if (pages < 1 || pages > 65535) {
          error = div.books[b].title + " " + div.books[b].volumes[v].title + " has " + std::to_string(pages) +
                  " pages; a volume holds 1 to 65,535 (page numbers are 16-bit)";
          return false;
        }
        if (!add(div.books[b].volumes[v].title, 3, record, pages)) return false;
        record += pages;
      }
    }
  }
  return true;
}

bool WriteCatalogue(const std::vector<CatalogueRecord>& records, const std::string& path,
                    std::string& error) {
  CatalogueWriter writer;
  for (const auto& r : records)
    if (!writer.Add(Utf8ToUtf16(r.title), r.level, r.docID, r.docNo, r.curFileName)) {
      error = "the title \"" + r.title + "\" does not fit a catalogue record";
      return false;
    }
  if (!writer.Write(path)) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}
