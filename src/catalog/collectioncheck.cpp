#include "catalog/collectioncheck.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "index/charslot.h"
#include "text/codeconverter.h"
#include "index/index.h"
#include "index/postingscursor.h"
#include "catalog/catalogue.h"
#include "store/bookformat.h"
#include "store/filelist.h"
#include "base/readat.h"

namespace tevarin {

namespace {

constexpr int32_t kNoPageNumber = INT32_MIN;

int32_t LoadI32(const unsigned char* p) {
  return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                              uint32_t(p[3]) << 24);
}

int64_t FileSizeOf(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

std::string Hex(uint32_t cp) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", cp);
  return buf;
}

std::string Quoted(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c >= 0x20 && c < 0x7F) {
      out.push_back(static_cast<char>(c));
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
  }
  return out + "\"";
}

// Slots that some code point maps to: the only slots the search can ask for,
// apart from the variant group slots.
const std::vector<bool>& CharacterSlots() {
  static const std::vector<bool> slots = [] {
    std::vector<bool> s(kSlotCount, false);
    for (uint32_t cp = 0; cp < 0x30000; ++cp) {
      const int slot = CharToSlot(cp);
      if (slot >= 0 && slot < kSlotCount) s[static_cast<size_t>(slot)] = true;
    }
    return s;
  }();
  return slots;
}

// Decodes and checks one slot's postings stream. Keys are record << 32 |
// position, ascending when the stream is sound.
class SlotWalker {
 public:
  SlotWalker(const CIndex& index, int32_t recordCount)
      : m_index(index), m_recordCount(recordCount),
        m_blockCount(static_cast<uint32_t>((index.PostingsSize() + kBlockSize - 1) / kBlockSize)),
        m_stamp(m_blockCount, 0) {}

  uint32_t BlockCount() const { return m_blockCount; }
  uint64_t Entries() const { return m_entries; }
  uint64_t Positions() const { return m_positions; }

  // False with why set at the first defect of the stream.
  bool Walk(int slot, std::vector<uint64_t>* keys, std::string& why) {
    ++m_generation;
    const int32_t first = m_index.FirstBlock(slot);
    const uint32_t lastPage = m_index.LastPage(slot);
    if (first < 0 || static_cast<uint32_t>(first) >= m_blockCount) {
      why = "its first block " + std::to_string(first) + " lies outside the postings file (" +
            std::to_string(m_blockCount) + " blocks)";
      return false;
    }
    m_cursor = m_index.CursorFor(slot);
    m_block = static_cast<uint32_t>(first);
    m_offset = 0;
    m_stamp[m_block] = m_generation;
    uint64_t record = 0;
    for (bool firstEntry = true;; firstEntry = false) {
      uint32_t delta = 0;
      uint16_t count = 0;
      if (!ReadVarint(delta, why) || !ReadU16(count, why)) return false;
      if (!firstEntry && delta == 0) {
        why = "its page entries do not ascend: record " + std::to_string(record) + " comes twice";
        return false;
      }
      record += delta;
      if (record >= static_cast<uint64_t>(m_recordCount)) {
        why = "it names record " + std::to_string(record) + ", beyond the page table (" +
              std::to_string(m_recordCount) + " records)";
        return false;
      }
      if (record > lastPage) {
        why = "it passes its last page " + std::to_string(lastPage) + " (at record " +
              std::to_string(record) + ") without an entry for it";
        return false;
      }
      if (count == 0) {
        why = "record " + std::to_string(record) + ": a page entry without positions";
        return false;
      }
      ++m_entries;
      uint32_t left = count;
      uint64_t position = 0;
      for (bool firstPos = true; left > 0; firstPos = false) {
        uint32_t value = 0;
        int used = 0;
        if (!ReadVarint(value, why, &used)) return false;
        if (static_cast<uint32_t>(used) > left) {
          why = "record " + std::to_string(record) +
                ": a position number runs past the entry's byte count " + std::to_string(count);
          return false;
        }
        left -= static_cast<uint32_t>(used);
        if (!firstPos && value == 0) {
          why = "record " + std::to_string(record) + ": positions do not ascend (" +
                std::to_string(position) + " twice)";
          return false;
        }
        position += value;
        ++m_positions;
        if (keys) keys->push_back(record << 32 | (position & 0xFFFFFFFFu));
      }
      if (record == lastPage) return true;
    }
  }

 private:
  // Keeps track of the block the cursor is in, so that a chain that comes back
  // to a block of the same stream is caught at once and a failed read can be
  // explained.
  bool Track(bool ok, std::string& why) {
    if (ok) {
      // A new block is entered when the block number changes or, for a block
      // that chains to itself, when the offset falls back.
      const uint32_t b = m_cursor.Block();
      const uint32_t offset = m_cursor.Offset();
      const bool entered = b != m_block || offset < m_offset;
      m_offset = offset;
      if (entered) {
        if (m_stamp[b] == m_generation) {
          why = "its block chain loops: block " + std::to_string(m_block) + " leads back to block " +
                std::to_string(b);
          return false;
        }
        m_stamp[b] = m_generation;
        m_block = b;
      }
      return true;
    }
    const uint32_t chainLen = m_index.ChainLength();
    if (m_block >= chainLen) {
      why = "its stream runs on past block " + std::to_string(m_block) +
            ", which has no entry in the block chain (" + std::to_string(chainLen) + " entries)";
    } else if (m_index.BlockChain()[m_block] >= m_blockCount) {
      why = "the block chain leads from block " + std::to_string(m_block) + " to block " +
            std::to_string(m_index.BlockChain()[m_block]) + ", past the end of the postings file (" +
            std::to_string(m_blockCount) + " blocks)";
    } else if (static_cast<uint64_t>(m_block + 1) * kBlockSize > m_index.PostingsSize()) {
      why = "its stream runs past the end of the postings file";
    } else {
      why = "its block chain is longer than the postings file has blocks (a loop)";
    }
    return false;
  }
  bool ReadVarint(uint32_t& v, std::string& why, int* used = nullptr) {
    uint8_t b[3] = {0, 0, 0};
    if (!Track(m_cursor.ReadByte(b[0]), why)) return false;
    const int n = b[0] < 0x80 ? 1 : b[0] < 0xC0 ? 2 : 3;
    for (int i = 1; i < n; ++i)
      if (!Track(m_cursor.ReadByte(b[i]), why)) return false;
    v = n == 1 ? b[0] : n == 2 ? (uint32_t(b[0] & 0x3F) << 8 | b[1])
                               : (uint32_t(b[0] & 0x3F) << 16 | uint32_t(b[1]) << 8 | b[2]);
    if (used) *used = n;
    return true;
  }
  bool ReadU16(uint16_t& v, std::string& why) {
    uint8_t lo = 0, hi = 0;
    if (!Track(m_cursor.ReadByte(lo), why) || !Track(m_cursor.ReadByte(hi), why)) return false;
    v = static_cast<uint16_t>(lo | hi << 8);
    return true;
  }

  const CIndex& m_index;
  int32_t m_recordCount;
  uint32_t m_blockCount;
  std::vector<uint32_t> m_stamp;  // generation of the last stream that entered a block
  uint32_t m_generation = 0;
  PostingsCursor m_cursor;
  uint32_t m_block = 0;
  uint32_t m_offset = 0;
  uint64_t m_entries = 0;
  uint64_t m_positions = 0;
};

std::string KeyText(uint64_t key) {
  return "record " + std::to_string(key >> 32) + " position " + std::to_string(key & 0xFFFFFFFFu);
}

}  // namespace

void CollectionVerifier::Problem(Part& part, const std::string& what) {
  ++part.count;
  ++m_problemCount;
  if (part.count <= static_cast<size_t>(kListedPerPart)) m_problems.push_back(part.name + ": " + what);
}

bool CollectionVerifier::FinishPart(const Part& part) {
  if (part.count > static_cast<size_t>(kListedPerPart))
    m_problems.push_back(part.name + ": " + std::to_string(part.count - kListedPerPart) +
                         " more problems");
  return part.count == 0;
}

bool CollectionVerifier::Verify() {
  m_problems.clear();
  m_summary.clear();
  m_problemCount = 0;
  CheckBook();
  CheckVariants();
  CheckIndex(FullText);
  CheckIndex(Body);
  CheckIndex(Notes);
  CheckCatalogue();
  return m_problemCount == 0;
}

bool CollectionVerifier::CheckBook() {
  Part part{"book store"};
  CFileList files;
  m_bookOpen = false;
  m_recordCount = 0;
  m_pageNumbers.clear();
  if (!files.Open(m_folder, m_base)) {
    Problem(part, files.LastError());
    return FinishPart(part);
  }
  m_bookOpen = true;
  const int32_t width = files.NameWidth();
  const int64_t headerSize = FileSizeOf(m_folder + "/" + m_base + kBookHeaderSuffix);
  const int64_t tableBytes = headerSize - kBookHeaderSize;
  if (tableBytes % (width + 8) != 0)
    Problem(part, "the page table ends in a partial record of " +
                      std::to_string(tableBytes % (width + 8)) + " bytes (records are " +
                      std::to_string(width + 8) + " bytes)");
  m_recordCount = files.RecordCount();
  m_pageNumbers.assign(static_cast<size_t>(m_recordCount), kNoPageNumber);
  int64_t pageBytes = 0;
  // One pass over the page table in large reads: a table can hold tens of
  // millions of records, and a read per record would take minutes.
  const int fd = ::open((m_folder + "/" + m_base + kBookHeaderSuffix).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    Problem(part, "cannot read the page table of " + m_base + kBookHeaderSuffix);
    return FinishPart(part);
  }
  const int64_t recordSize = width + 8;
  const int64_t perChunk = std::max<int64_t>(1, (int64_t(1) << 20) / recordSize);
  std::vector<unsigned char> chunk(static_cast<size_t>(perChunk * recordSize));
  for (int64_t first = 0; first < m_recordCount; first += perChunk) {
    const int64_t n = std::min<int64_t>(perChunk, m_recordCount - first);
    if (!ReadAt(fd, chunk.data(), static_cast<size_t>(n * recordSize), kBookHeaderSize + first * recordSize)) {
      Problem(part, "cannot read records " + std::to_string(first) + " and after");
      break;
    }
    for (int64_t k = 0; k < n; ++k) {
      const int32_t i = static_cast<int32_t>(first + k);
      const unsigned char* r = chunk.data() + k * recordSize;
      const char* chars = reinterpret_cast<const char*>(r);
      const std::string_view name(chars, strnlen(chars, static_cast<size_t>(width)));
      const int64_t endOffset = LoadI32(r + width);
      const int32_t length = LoadI32(r + width + 4);
      auto which = [&] { return "record " + std::to_string(i); };
      // The range checks of the reader (CFileList::ReadRecord).
      if (length < 0) {
        CountedProblem(part, [&] {
          return which() + " " + Quoted(std::string(name)) + " has a negative length " + std::to_string(length);
        });
        continue;
      }
      if (endOffset > files.ContentSize() || endOffset < length) {
        CountedProblem(part, [&] {
          return which() + " " + Quoted(std::string(name)) + ": its bytes " + std::to_string(endOffset - length) +
                 ".." + std::to_string(endOffset) + " lie outside the content file (" +
                 std::to_string(files.ContentSize()) + " bytes)";
        });
        continue;
      }
      pageBytes += length;
      if (name.size() >= static_cast<size_t>(width))
        CountedProblem(part, [&] {
          return which() + ": its name fills all " + std::to_string(width) + " bytes without a terminating NUL";
        });
      int32_t number = 0;
      if (!CFileList::PageNumberFromName(name, number)) {
        CountedProblem(part, [&] {
          return which() + " " + Quoted(std::string(name)) +
                 " has no page number (no backslash, or no dot after the last one)";
        });
        continue;
      }
      const size_t slash = name.rfind('\\');
      const size_t dot = name.rfind('.');
      if (dot - slash - 1 > 11)
        CountedProblem(part, [&] {
          return which() + " " + Quoted(std::string(name)) + ": its page number text is longer than 11 characters";
        });
      m_pageNumbers[static_cast<size_t>(i)] = number;
    }
  }
  ::close(fd);
  m_summary.push_back("book store: " + std::to_string(m_recordCount) + " records, " +
                      std::to_string(pageBytes) + " page bytes in a content file of " +
                      std::to_string(files.ContentSize()) + " bytes");
  return FinishPart(part);
}

bool CollectionVerifier::CheckVariants() {
  Part part{"variant table"};
  m_groupCount = 0;
  m_variantsLoaded = false;
  const std::string path = m_folder + "/yitizi.txt";
  if (FileSizeOf(path) < 0) {
    Problem(part, path + " is missing: searches with variants find only the characters typed");
    return FinishPart(part);
  }
  CIndex reader;
  reader.LoadVariantTable(m_folder);
  const auto& groups = reader.VariantGroups();
  m_groupCount = groups.size();
  m_variantsLoaded = true;
  if (groups.size() > static_cast<size_t>(kMaxVariantGroups))
    Problem(part, std::to_string(groups.size()) + " groups, but only " +
                      std::to_string(kMaxVariantGroups) + " group slots exist (88065..99999)");
  size_t members = 0, unindexed = 0;
  for (size_t g = 0; g < groups.size(); ++g) {
    for (uint32_t cp : groups[g]) {
      ++members;
      if (cp == 0)
        Problem(part, "group " + std::to_string(g) + " (line " + std::to_string(g + 1) +
                          " of the non-empty lines) has a member 0: a field that is no hexadecimal number");
      else if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        Problem(part, "group " + std::to_string(g) + " has the member " + Hex(cp) +
                          ", which is no character");
      else if (CharToSlot(cp) < 0)
        ++unindexed;
    }
  }
  m_summary.push_back("variant table: " + std::to_string(groups.size()) + " groups, " +
                      std::to_string(members) + " members (" + std::to_string(unindexed) +
                      " of them never indexed)");
  return FinishPart(part);
}

bool CollectionVerifier::CheckIndex(int indexPart) {
  const std::string name =
      m_base + (indexPart == Body ? "_content" : indexPart == Notes ? "_desc" : "");
  Part part{"index " + name};
  if (!m_bookOpen) {
    Problem(part, "not checked: the book store does not open");
    return FinishPart(part);
  }
  CIndex index;
  if (!index.Open(m_folder, m_base, indexPart)) {
    Problem(part, index.LastError());
    return FinishPart(part);
  }
  return CheckOpenIndex(index, indexPart);
}

bool CollectionVerifier::CheckOpenIndex(const CIndex& index, int indexPart) {
  const std::string name =
      m_base + (indexPart == Body ? "_content" : indexPart == Notes ? "_desc" : "");
  Part part{"index " + name};
  if (!m_bookOpen || !index.IsOpen()) {
    Problem(part, "not checked: the book store or the index is not open");
    return FinishPart(part);
  }
  const int64_t headerSize = FileSizeOf(m_folder + "/" + name + "-idx.h");
  if (headerSize >= kIndexHeaderTables && (headerSize - kIndexHeaderTables) % 4 != 0)
    Problem(part, "the header ends in " + std::to_string((headerSize - kIndexHeaderTables) % 4) +
                      " bytes that make no block chain entry");

  const std::vector<bool>& charSlots = CharacterSlots();
  const auto& groups = index.VariantGroups();
  SlotWalker walker(index, m_recordCount);
  // Entry b of the chain belongs to block b: entries past the postings
  // file's blocks belong to no block (a writer writes one per block).
  if (index.ChainEntriesInFile() > walker.BlockCount())
    Problem(part, "the block chain has " + std::to_string(index.ChainEntriesInFile()) +
                      " entries, but the postings file has only " +
                      std::to_string(walker.BlockCount()) + " blocks");
  std::vector<bool> sound(kSlotCount, false);
  size_t slots = 0;
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (index.FirstBlock(slot) < 0) continue;
    ++slots;
    const std::string which = "slot " + std::to_string(slot);
    if (slot >= VariantSlotBase) {
      if (static_cast<size_t>(slot - VariantSlotBase) >= groups.size()) {
        Problem(part, which + " has postings but names no variant group (the table has " +
                          std::to_string(groups.size()) + " groups)");
        continue;
      }
    } else if (!charSlots[static_cast<size_t>(slot)]) {
      Problem(part, which + " has postings but is no character's slot");
      continue;
    }
    std::string why;
    if (walker.Walk(slot, nullptr, why))
      sound[static_cast<size_t>(slot)] = true;
    else
      Problem(part, which + ": " + why);
  }

  const std::string figures = std::to_string(slots) + " slots with postings, " +
                              std::to_string(walker.Entries()) + " page entries, " +
                              std::to_string(walker.Positions()) + " positions in " +
                              std::to_string(walker.BlockCount()) + " blocks";

  // A group slot holds the postings of its members: at least those of the
  // members for which it is the first group, and nothing no member has.
  // Each member's postings are read once and held against the group slot's,
  // never gathered: a group can hold every character of the index.
  const size_t checkedGroups = std::min(groups.size(), static_cast<size_t>(kMaxVariantGroups));
  std::vector<uint32_t> seenIn(kSlotCount, UINT32_MAX);  // the group that last met each slot
  std::vector<uint64_t> own, keys;
  std::vector<bool> covered;
  for (size_t g = 0; g < checkedGroups; ++g) {
    const int gslot = VariantSlotBase + static_cast<int>(g);
    if (index.FirstBlock(gslot) >= 0 && !sound[static_cast<size_t>(gslot)]) continue;
    own.clear();
    std::string why;
    if (index.FirstBlock(gslot) >= 0) walker.Walk(gslot, &own, why);
    covered.assign(own.size(), false);
    bool usable = true;
    bool lacking = false;
    uint64_t lacks = 0;  // the smallest key of a first-group member the group slot lacks
    for (uint32_t cp : groups[g]) {
      const int slot = CharToSlot(cp);
      if (slot < 0 || index.FirstBlock(slot) < 0) continue;
      if (seenIn[static_cast<size_t>(slot)] == g) continue;  // a member listed twice
      seenIn[static_cast<size_t>(slot)] = static_cast<uint32_t>(g);
      if (!sound[static_cast<size_t>(slot)]) {
        usable = false;
        break;
      }
      keys.clear();
      walker.Walk(slot, &keys, why);
      int groupSlot = -1;
      const bool firstGroupIsThis = index.FindVariantSlot(cp, groupSlot) && groupSlot == gslot;
      auto at = own.begin();
      for (uint64_t k : keys) {
        at = std::lower_bound(at, own.end(), k);
        if (at != own.end() && *at == k) {
          covered[static_cast<size_t>(at - own.begin())] = true;
        } else if (firstGroupIsThis && (!lacking || k < lacks)) {
          lacking = true;
          lacks = k;
        }
      }
    }
    if (!usable) continue;
    const std::string which = "group slot " + std::to_string(gslot) + " (group " + std::to_string(g) +
                              (groups[g].empty() ? std::string(")") : ", " + Hex(groups[g][0]) + "...)");
    if (lacking) {
      Problem(part, which + " lacks " + KeyText(lacks) + " that one of its members has");
      continue;
    }
    const auto extra = std::find(covered.begin(), covered.end(), false);
    if (extra != covered.end())
      Problem(part, which + " holds " + KeyText(own[static_cast<size_t>(extra - covered.begin())]) +
                        " that none of its members has");
  }
  m_summary.push_back("index " + name + ": " + figures);
  return FinishPart(part);
}

namespace {

std::string Utf8(const std::u16string& s) {
  std::string out;
  ConvertUtf16ToUtf8(s, out, true);
  return out;
}

}  // namespace

bool CollectionVerifier::CheckCatalogue() {
  Part part{"catalogue"};
  const std::string path = m_folder + "/vok.dir";
  const int64_t size = FileSizeOf(path);
  CCatalogue catalogue;
  if (size < 0 || !catalogue.Load(m_folder)) {
    Problem(part, path + " is missing or unreadable: the table of contents is empty");
    return FinishPart(part);
  }
  // Entries 1.. of the reader's table, in file order.
  const std::vector<NodeItem> entries(catalogue.Items().begin() + 1, catalogue.Items().end());
  if (!m_bookOpen) {
    Problem(part, "not checked: the book store does not open");
    return FinishPart(part);
  }
  if (size % 216 != 0)
    Problem(part, "the file ends in a partial record of " + std::to_string(size % 216) +
                      " bytes, which the reader ignores");
  if (size / 216 > CCatalogue::kMaxEntries)
    Problem(part, std::to_string(size / 216) + " records, but the table holds " +
                      std::to_string(CCatalogue::kMaxEntries) + ": the rest are ignored");
  if (entries.empty()) Problem(part, "no entries: the table of contents is empty");

  // Which leaf entry (volume) holds each record, to find records no volume holds.
  std::vector<bool> covered(static_cast<size_t>(m_recordCount), false);
  std::vector<int> path_;  // entry numbers of the open ancestors, by level - 1
  std::vector<int> lastChild;  // per open entry depth: its last child so far
  int counts[4] = {0, 0, 0, 0};
  const size_t n = entries.size();
  for (size_t k = 0; k < n; ++k) {
    const NodeItem& e = entries[k];
    const int number = static_cast<int>(k) + 1;  // 1-based entry index
    const std::string which = "entry " + std::to_string(number) + " \"" + Utf8(e.Name()) + "\"";
    if (e.name[99] != 0) Problem(part, which + ": its name fills all 100 characters without a terminating NUL");
    if (e.level < 1 || e.level > 3) {
      Problem(part, which + ": level " + std::to_string(e.level) + " is none of 1 (division), 2 (book), 3 (volume)");
      continue;
    }
    ++counts[e.level];
    if (static_cast<size_t>(e.level) > path_.size() + 1) {
      Problem(part, which + ": a level-" + std::to_string(e.level) + " entry without a level-" +
                        std::to_string(e.level - 1) + " entry before it");
      continue;
    }
    path_.resize(static_cast<size_t>(e.level - 1));
    lastChild.resize(static_cast<size_t>(e.level));
    const int64_t first = int64_t(e.docID) - 1;
    const int64_t last = first + e.docNo - 1;
    bool inTable = true;
    if (e.docID < 1 || e.docNo < 1) {
      Problem(part, which + ": docID " + std::to_string(e.docID) + " and docNo " +
                        std::to_string(e.docNo) + " name no pages");
      inTable = false;
    } else if (last >= m_recordCount) {
      Problem(part, which + ": records " + std::to_string(first) + ".." + std::to_string(last) +
                        " lie outside the page table (" + std::to_string(m_recordCount) + " records)");
      inTable = false;
    }
    if (!path_.empty()) {
      const NodeItem& parent = entries[static_cast<size_t>(path_.back() - 1)];
      const int64_t pFirst = int64_t(parent.docID) - 1, pLast = pFirst + parent.docNo - 1;
      if (first < pFirst || last > pLast)
        Problem(part, which + ": records " + std::to_string(first) + ".." + std::to_string(last) +
                          " are not inside those of its parent, entry " + std::to_string(path_.back()) +
                          " (" + std::to_string(pFirst) + ".." + std::to_string(pLast) + ")");
    }
    const int prev = lastChild[static_cast<size_t>(e.level - 1)];
    if (prev > 0) {
      const NodeItem& p = entries[static_cast<size_t>(prev - 1)];
      const int64_t prevLast = int64_t(p.docID) - 1 + p.docNo - 1;
      if (first <= prevLast)
        Problem(part, which + ": records " + std::to_string(first) + ".." + std::to_string(last) +
                          " do not follow those of the entry before it at its level, entry " +
                          std::to_string(prev) + " (up to " + std::to_string(prevLast) + ")");
    }
    lastChild[static_cast<size_t>(e.level - 1)] = number;
    path_.push_back(number);

    if (!inTable) continue;
    if (m_pageNumbers[static_cast<size_t>(first)] != e.curFileName)
      Problem(part, which + ": curFileName " + std::to_string(e.curFileName) +
                        " is not the page number of its first record " + std::to_string(first) +
                        " (" + (m_pageNumbers[static_cast<size_t>(first)] == kNoPageNumber
                                    ? std::string("none")
                                    : std::to_string(m_pageNumbers[static_cast<size_t>(first)])) + ")");
    const bool leaf = k + 1 >= n || entries[k + 1].level <= e.level;
    if (!leaf) continue;
    for (int64_t r = first; r <= last; ++r) {
      covered[static_cast<size_t>(r)] = true;
      const int64_t expect = int64_t(e.curFileName) + (r - first);
      if (m_pageNumbers[static_cast<size_t>(r)] != expect) {
        Problem(part, which + ": record " + std::to_string(r) + " should carry page number " +
                          std::to_string(expect) + " but carries " +
                          (m_pageNumbers[static_cast<size_t>(r)] == kNoPageNumber
                               ? std::string("none")
                               : std::to_string(m_pageNumbers[static_cast<size_t>(r)])));
        break;
      }
    }
  }
  for (int64_t r = 0; r < m_recordCount;) {
    if (covered[static_cast<size_t>(r)]) {
      ++r;
      continue;
    }
    int64_t end = r;
    while (end + 1 < m_recordCount && !covered[static_cast<size_t>(end + 1)]) ++end;
    Problem(part, "records " + std::to_string(r) + ".." + std::to_string(end) +
                      " lie in no volume: the table of contents cannot show them");
    r = end + 1;
  }
  m_summary.push_back("catalogue: " + std::to_string(entries.size()) + " entries (" +
                      std::to_string(counts[1]) + " divisions, " + std::to_string(counts[2]) +
                      " books, " + std::to_string(counts[3]) + " volumes)");
  return FinishPart(part);
}

}  // namespace tevarin
