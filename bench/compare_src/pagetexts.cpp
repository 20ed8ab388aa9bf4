#include "pagetexts.h"

#include <cstdio>

#include "comparetools.h"
#include "index/charslot.h"
#include "index/index.h"
#include "store/filelist.h"
#include "store/pagesections.h"

using namespace tevarin;

namespace {

// Appends the slotted characters of a run's text. Inside a run every "<"
// opens a complete tag that ends at the next ">" (the scanners drop an
// unfinished one), and the pages escape only ASCII characters, none of which
// has a slot, so entities need no decoding.
void AppendRun(const std::string& text, std::vector<uint32_t>& whole, std::vector<uint32_t>& scoped,
               std::vector<uint32_t>& scratch) {
  size_t i = 0;
  while (i < text.size()) {
    const size_t lt = text.find('<', i);
    const size_t end = lt == std::string::npos ? text.size() : lt;
    scratch.clear();
    DecodeUtf8(std::string_view(text).substr(i, end - i), scratch);
    for (uint32_t cp : scratch)
      if (CharToSlot(cp) >= 0) {
        whole.push_back(cp);
        scoped.push_back(cp);
      }
    if (lt == std::string::npos) break;
    const size_t gt = text.find('>', lt);
    i = gt == std::string::npos ? text.size() : gt + 1;
  }
}

}  // namespace

void PageCharacters(std::string_view page, int32_t pageNumber, std::vector<uint32_t> out[3]) {
  for (int s = 0; s < 3; ++s) out[s].clear();
  const std::vector<HTMLNode> nodes = ParsePage(page);
  const std::string& cell = nodes[pageNumber % 2 != 0 ? 2 : 1].text;
  std::vector<uint32_t> scratch;
  for (const FilterItem& item : SplitNotes(cell))
    AppendRun(item.text, out[kWhole], out[item.kind == 0 ? kBody : kNotes], scratch);
}

bool ExtractTexts(const CFileList& files, ScopeText out[3], std::string& error) {
  for (int s = 0; s < 3; ++s) out[s] = ScopeText();
  const int32_t records = files.RecordCount();
  std::string page;
  std::vector<uint32_t> chars[3];
  for (int32_t r = 0; r < records; ++r) {
    CFileList::PageRecord rec;
    int32_t pageNumber = 0;
    Status read = files.ReadRecord(r, rec);
    if (read && !CFileList::PageNumberFromName(rec.name, pageNumber))
      read = Status::Corrupt("no page number in its name");
    if (read) read = files.ReadPage(r, page);
    if (!read) {
      error = "record " + std::to_string(r) + " cannot be read (" + read.Message() + ")";
      return false;
    }
    PageCharacters(page, pageNumber, chars);
    for (int s = 0; s < 3; ++s) {
      out[s].chars.insert(out[s].chars.end(), chars[s].begin(), chars[s].end());
      out[s].start.push_back(out[s].chars.size());
    }
  }
  return true;
}

bool WriteScopeFile(const ScopeText& text, const std::string& path, std::string& error) {
  std::string bytes;
  bytes.reserve(text.chars.size() * 3 + text.Pages());
  for (size_t p = 0; p < text.Pages(); ++p) {
    for (uint64_t i = text.start[p]; i < text.start[p + 1]; ++i) AppendUtf8(text.chars[i], bytes);
    bytes.push_back('\n');
  }
  return WriteWholeFile(path, bytes, error);
}

namespace {

// Reads one variable-length number of a position list, counting its bytes.
bool ReadCounted(PostingsCursor& c, uint32_t& left, uint32_t& value) {
  uint8_t b[3];
  if (left == 0 || !c.ReadByte(b[0])) return false;
  const uint32_t n = VarintLength(b[0]);
  if (n > left) return false;
  for (uint32_t k = 1; k < n; ++k)
    if (!c.ReadByte(b[k])) return false;
  left -= n;
  value = VarintValue(b, n);
  return true;
}

}  // namespace

IndexCheck CheckAgainstIndex(const CIndex& index, const ScopeText& text) {
  IndexCheck check;
  check.characters = text.chars.size();
  for (uint32_t cp : text.chars) {
    int slot = -1;
    if (index.FindVariantSlot(cp, slot)) ++check.groupedCharacters;
  }
  auto disagree = [&](const std::string& what) {
    ++check.mismatches;
    if (check.examples.size() < 8) check.examples.push_back(what);
  };
  const uint32_t pages = static_cast<uint32_t>(text.Pages());
  for (int slot = 0; slot < kSlotCount; ++slot) {
    const PostingsFile& file = index.Postings();
    if (!file.HasPostings(slot)) continue;
    const bool group = slot >= kVariantSlotBase;
    PostingsCursor c = file.Cursor(slot);
    const uint32_t last = file.LastPage(slot);
    uint32_t page = 0;
    bool firstEntry = true;
    while (true) {
      uint32_t delta;
      uint16_t count;
      if (!c.ReadVarint(delta) || !c.ReadU16(count)) {
        disagree("slot " + std::to_string(slot) + ": the stream ends before its last page");
        break;
      }
      if (!firstEntry && delta == 0) disagree("slot " + std::to_string(slot) + ": a page twice");
      firstEntry = false;
      page += delta;
      if (page >= pages) {
        disagree("slot " + std::to_string(slot) + ": page " + std::to_string(page) + " past the last record");
        break;
      }
      const uint32_t* chars = text.Page(page);
      const uint64_t length = text.PageLength(page);
      uint32_t left = count, value = 0;
      uint64_t pos = 0;
      bool firstPos = true;
      while (left > 0) {
        if (!ReadCounted(c, left, value)) {
          disagree("slot " + std::to_string(slot) + ": a broken position list on page " + std::to_string(page));
          break;
        }
        if (!firstPos && value == 0) disagree("slot " + std::to_string(slot) + ": a position twice");
        pos = firstPos ? value : pos + value;
        firstPos = false;
        ++(group ? check.groupPostings : check.postings);
        bool same = false;
        if (pos < length) {
          int expected = CharToSlot(chars[pos]);
          if (group && !index.FindVariantSlot(chars[pos], expected)) expected = -1;
          same = expected == slot;
        }
        if (!same) {
          char held[32] = "nothing (past the page's end)";
          if (pos < length) std::snprintf(held, sizeof held, "U+%04X", chars[pos]);
          char what[160];
          std::snprintf(what, sizeof what, "slot %d: page %u position %llu holds %s in the export", slot, page,
                        static_cast<unsigned long long>(pos), held);
          disagree(what);
        }
      }
      if (page >= last) break;
    }
  }
  return check;
}
