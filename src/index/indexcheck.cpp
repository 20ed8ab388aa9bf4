#include "index/indexcheck.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "index/charslot.h"
#include "index/companionfile.h"
#include "index/companionlists.h"
#include "index/postingscursor.h"
#include "index/postingsfile.h"
#include "index/slotentries.h"
#include "index/termstream.h"
#include "index/variantformat.h"
#include "index/varianttable.h"
#include "text/indexedchars.h"

namespace tevarin {

namespace {

int64_t FileSizeOf(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

std::string Hex(uint32_t cp) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", cp);
  return buf;
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

// The code point the slot ranges (text/indexedchars.h) give a slot, whether
// or not the builder indexes it; -1 for a slot outside the ranges.
int32_t RangeCodePoint(int slot) {
  static const std::vector<int32_t> codePoints = [] {
    std::vector<int32_t> c(kSlotCount, -1);
    for (uint32_t cp = 0; cp < 0x30000; ++cp) {
      const int s = SlotOfRange(cp);
      if (s >= 0 && s < kSlotCount) c[static_cast<size_t>(s)] = static_cast<int32_t>(cp);
    }
    return c;
  }();
  return slot >= 0 && slot < kSlotCount ? codePoints[static_cast<size_t>(slot)] : -1;
}

// Decodes and checks one slot's postings stream. Keys are record << 32 |
// position, ascending when the stream is sound.
class SlotWalker {
 public:
  SlotWalker(const PostingsFile& file, int32_t recordCount)
      : m_file(file),
        m_recordCount(recordCount),
        m_blockCount(file.BlockCount()),
        m_stamp(m_blockCount, 0) {}

  uint32_t BlockCount() const { return m_blockCount; }
  uint64_t Entries() const { return m_entries; }
  uint64_t Positions() const { return m_positions; }
  // Walks that ended because the chain or the file ended first.
  uint64_t CutShort() const { return m_cutShort; }

  // Ok, or the first defect of the stream in words.
  Status Walk(int slot, std::vector<uint64_t>* keys) {
    ++m_generation;
    const int32_t first = m_file.FirstBlock(slot);
    const uint32_t lastPage = m_file.LastPage(slot);
    if (first < 0 || static_cast<uint32_t>(first) >= m_blockCount) {
      ++m_cutShort;
      return Status::Corrupt("its first block " + std::to_string(first) +
                             " lies outside the postings file (" + std::to_string(m_blockCount) +
                             " blocks)");
    }
    m_cursor = m_file.Cursor(slot);
    m_block = static_cast<uint32_t>(first);
    m_offset = 0;
    m_stamp[m_block] = m_generation;
    uint64_t record = 0;
    for (bool firstEntry = true;; firstEntry = false) {
      uint32_t delta = 0;
      uint16_t count = 0;
      if (Status s = ReadVarint(delta); !s) return s;
      if (Status s = ReadU16(count); !s) return s;
      if (!firstEntry && delta == 0) {
        return Status::Corrupt("its page entries do not ascend: record " + std::to_string(record) +
                               " comes twice");
      }
      record += delta;
      if (record >= static_cast<uint64_t>(m_recordCount)) {
        return Status::Corrupt("it names record " + std::to_string(record) +
                               ", beyond the page table (" + std::to_string(m_recordCount) +
                               " records)");
      }
      if (record > lastPage) {
        return Status::Corrupt("it passes its last page " + std::to_string(lastPage) +
                               " (at record " + std::to_string(record) +
                               ") without an entry for it");
      }
      if (count == 0) {
        return Status::Corrupt("record " + std::to_string(record) +
                               ": a page entry without positions");
      }
      ++m_entries;
      uint32_t left = count;
      uint64_t position = 0;
      for (bool firstPos = true; left > 0; firstPos = false) {
        uint32_t value = 0;
        uint32_t used = 0;
        if (Status s = ReadVarint(value, &used); !s) return s;
        if (used > left) {
          return Status::Corrupt("record " + std::to_string(record) +
                                 ": a position number runs past the entry's byte count " +
                                 std::to_string(count));
        }
        left -= used;
        if (!firstPos && value == 0) {
          return Status::Corrupt("record " + std::to_string(record) +
                                 ": positions do not ascend (" + std::to_string(position) +
                                 " twice)");
        }
        position += value;
        ++m_positions;
        if (keys) keys->push_back(record << 32 | (position & 0xFFFFFFFFu));
      }
      if (record == lastPage) return Status::Ok();
    }
  }

 private:
  // Keeps track of the block the cursor is in, so that a chain that comes back
  // to a block of the same stream is caught at once and a failed read can be
  // explained.
  Status Track(bool ok) {
    if (ok) {
      // A new block is entered when the block number changes or, for a block
      // that chains to itself, when the offset falls back.
      const uint32_t b = m_cursor.Block();
      const uint32_t offset = m_cursor.Offset();
      const bool entered = b != m_block || offset < m_offset;
      m_offset = offset;
      if (entered) {
        if (m_stamp[b] == m_generation) {
          ++m_cutShort;
          return Status::Corrupt("its block chain loops: block " + std::to_string(m_block) +
                                 " leads back to block " + std::to_string(b));
        }
        m_stamp[b] = m_generation;
        m_block = b;
      }
      return Status::Ok();
    }
    ++m_cutShort;
    const std::span<const uint32_t> chain = m_file.Chain();
    if (m_block >= chain.size())
      return Status::Corrupt("its stream runs on past block " + std::to_string(m_block) +
                             ", which has no entry in the block chain (" +
                             std::to_string(chain.size()) + " entries)");
    if (chain[m_block] >= m_blockCount)
      return Status::Corrupt("the block chain leads from block " + std::to_string(m_block) +
                             " to block " + std::to_string(chain[m_block]) +
                             ", past the end of the postings file (" +
                             std::to_string(m_blockCount) + " blocks)");
    if (static_cast<uint64_t>(m_block + 1) * kBlockSize > m_file.Size())
      return Status::Corrupt("its stream runs past the end of the postings file");
    return Status::Corrupt("its block chain is longer than the postings file has blocks (a loop)");
  }
  Status ReadVarint(uint32_t& v, uint32_t* used = nullptr) {
    uint8_t b[3] = {0, 0, 0};
    if (Status s = Track(m_cursor.ReadByte(b[0])); !s) return s;
    const uint32_t n = VarintLength(b[0]);
    for (uint32_t i = 1; i < n; ++i)
      if (Status s = Track(m_cursor.ReadByte(b[i])); !s) return s;
    v = VarintValue(b, n);
    if (used) *used = n;
    return Status::Ok();
  }
  Status ReadU16(uint16_t& v) {
    uint8_t b[2] = {0, 0};
    for (uint8_t& byte : b)
      if (Status s = Track(m_cursor.ReadByte(byte)); !s) return s;
    v = LoadLE16(b);
    return Status::Ok();
  }

  const PostingsFile& m_file;
  int32_t m_recordCount;
  uint32_t m_blockCount;
  std::vector<uint32_t> m_stamp;  // generation of the last stream that entered a block
  uint32_t m_generation = 0;
  PostingsCursor m_cursor;
  uint32_t m_block = 0;
  uint32_t m_offset = 0;
  uint64_t m_entries = 0;
  uint64_t m_positions = 0;
  uint64_t m_cutShort = 0;
};

std::string KeyText(uint64_t key) {
  return "record " + std::to_string(key >> 32) + " position " + std::to_string(key & 0xFFFFFFFFu);
}

}  // namespace

Status CheckVariantTable(const std::string& folder, VariantTable& variants, CheckReport& report) {
  CheckReport::Part part(report, "variant table");
  const std::string path = folder + "/" + kVariantTableName;
  const Status loaded = variants.Load(folder);
  if (loaded.Code() == StatusCode::kNotFound) {
    part.Problem(path + " is missing: searches with variants find only the characters typed",
                 StatusCode::kNotFound);
    return part.Finish();
  }
  if (!loaded) part.Problem(loaded.Message(), loaded.Code());
  const VariantGroupList& groups = variants.Groups();
  if (groups.size() > static_cast<size_t>(kMaxVariantGroups))
    part.Problem(std::to_string(groups.size()) + " groups, but only " +
                 std::to_string(kMaxVariantGroups) + " group slots exist (" +
                 std::to_string(kVariantSlotBase) + ".." + std::to_string(kSlotCount - 1) + ")");
  size_t members = 0, unindexed = 0;
  for (size_t g = 0; g < groups.size(); ++g) {
    for (uint32_t cp : groups[g]) {
      ++members;
      if (cp == 0)
        part.Problem(
            "group " + std::to_string(g) + " (line " + std::to_string(g + 1) +
            " of the non-empty lines) has a member 0: a field that is no hexadecimal number");
      else if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        part.Problem("group " + std::to_string(g) + " has the member " + Hex(cp) +
                     ", which is no character");
      else if (CharToSlot(cp) < 0)
        ++unindexed;
    }
  }
  report.AddSummary("variant table: " + std::to_string(groups.size()) + " groups, " +
                    std::to_string(members) + " members (" + std::to_string(unindexed) +
                    " of them never indexed)");
  return part.Finish();
}

Status CheckIndexFiles(const std::string& folder, const std::string& baseName, IndexPart part,
                       int32_t recordCount, const VariantTable& variants, CheckReport& report) {
  const std::string name = IndexFileName(baseName, part);
  PostingsFile file;
  if (Status opened = file.Open(folder + "/" + name); !opened) {
    CheckReport::Part failed(report, "index " + name);
    failed.Problem(opened.Message(), opened.Code());
    return failed.Finish();
  }
  return CheckPostings(file, name, FileSizeOf(folder + "/" + name + kIndexHeaderSuffix),
                       recordCount, variants, report);
}

Status CheckPostings(const PostingsFile& file, const std::string& indexName, int64_t headerSize,
                     int32_t recordCount, const VariantTable& variants, CheckReport& report) {
  CheckReport::Part part(report, "index " + indexName);
  if (!file.IsOpen()) {
    part.Problem("not checked: the index is not open", StatusCode::kInvalid);
    return part.Finish();
  }
  if (headerSize >= kIndexHeaderTables && (headerSize - kIndexHeaderTables) % 4 != 0)
    part.Problem("the header ends in " + std::to_string((headerSize - kIndexHeaderTables) % 4) +
                 " bytes that make no block chain entry");

  const std::vector<bool>& charSlots = CharacterSlots();
  const VariantGroupList& groups = variants.Groups();
  SlotWalker walker(file, recordCount);
  // Entry b of the chain belongs to block b: entries past the postings
  // file's blocks belong to no block (a writer writes one per block).
  if (file.ChainEntriesInFile() > walker.BlockCount())
    part.Problem("the block chain has " + std::to_string(file.ChainEntriesInFile()) +
                 " entries, but the postings file has only " + std::to_string(walker.BlockCount()) +
                 " blocks");
  std::vector<bool> sound(kSlotCount, false);
  // Slots of characters this version does not index (punctuation, symbols,
  // spaces) with postings: an older builder indexed them. Said once, with
  // what to do, rather than slot by slot.
  std::vector<int> unindexed;
  size_t slots = 0;
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (file.FirstBlock(slot) < 0) continue;
    ++slots;
    const std::string which = "slot " + std::to_string(slot);
    if (slot >= kVariantSlotBase) {
      if (static_cast<size_t>(slot - kVariantSlotBase) >= groups.size()) {
        part.Problem(which + " has postings but names no variant group (the table has " +
                     std::to_string(groups.size()) + " groups)");
        continue;
      }
    } else if (!charSlots[static_cast<size_t>(slot)]) {
      if (RangeCodePoint(slot) >= 0) unindexed.push_back(slot);
      else part.Problem(which + " has postings but is no character's slot");
      continue;
    }
    if (const Status walked = walker.Walk(slot, nullptr); walked)
      sound[static_cast<size_t>(slot)] = true;
    else
      part.Problem(which + ": " + walked.Message());
  }

  if (!unindexed.empty()) {
    // The search never asks for these slots, but the index disagrees with
    // what this version builds: the result stays a failure.
    const int first = unindexed.front();
    std::string words = "slot " + std::to_string(first) + " (" +
                        Hex(static_cast<uint32_t>(RangeCodePoint(first))) + ")";
    if (unindexed.size() > 1)
      words += " and " + std::to_string(unindexed.size() - 1) + " more slots";
    part.Problem(words + (unindexed.size() > 1 ? " hold" : " holds") +
                 " postings of punctuation or other characters this version does not "
                 "index: the collection was built by an older builder; build it again "
                 "(scripts/build-collection.sh)");
  }

  const std::string figures = std::to_string(slots) + " slots with postings, " +
                              std::to_string(walker.Entries()) + " page entries, " +
                              std::to_string(walker.Positions()) + " positions in " +
                              std::to_string(walker.BlockCount()) + " blocks, " +
                              std::to_string(walker.CutShort()) + " streams cut short";

  // A group slot holds the postings of its members: at least those of the
  // members for which it is the first group, and nothing no member has.
  // Each member's postings are read once and held against the group slot's,
  // never gathered: a group can hold every character of the index.
  const size_t checkedGroups = std::min(groups.size(), static_cast<size_t>(kMaxVariantGroups));
  std::vector<uint32_t> seenIn(kSlotCount, UINT32_MAX);  // the group that last met each slot
  std::vector<uint64_t> own, keys;
  std::vector<bool> covered;
  for (size_t g = 0; g < checkedGroups; ++g) {
    const int gslot = kVariantSlotBase + static_cast<int>(g);
    if (file.FirstBlock(gslot) >= 0 && !sound[static_cast<size_t>(gslot)]) continue;
    own.clear();
    // Sound streams (only those are walked here) walk to their end.
    if (file.FirstBlock(gslot) >= 0) (void)walker.Walk(gslot, &own);
    covered.assign(own.size(), false);
    bool usable = true;
    bool lacking = false;
    uint64_t lacks = 0;  // the smallest key of a first-group member the group slot lacks
    for (uint32_t cp : groups[g]) {
      const int slot = CharToSlot(cp);
      if (slot < 0 || file.FirstBlock(slot) < 0) continue;
      if (seenIn[static_cast<size_t>(slot)] == g) continue;  // a member listed twice
      seenIn[static_cast<size_t>(slot)] = static_cast<uint32_t>(g);
      if (!sound[static_cast<size_t>(slot)]) {
        usable = false;
        break;
      }
      keys.clear();
      (void)walker.Walk(slot, &keys);
      int groupSlot = -1;
      const bool firstGroupIsThis = variants.FindSlot(cp, groupSlot) && groupSlot == gslot;
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
    const std::string which =
        "group slot " + std::to_string(gslot) + " (group " + std::to_string(g) +
        (groups[g].empty() ? std::string(")") : ", " + Hex(groups[g][0]) + "...)");
    if (lacking) {
      part.Problem(which + " lacks " + KeyText(lacks) + " that one of its members has");
      continue;
    }
    const auto extra = std::find(covered.begin(), covered.end(), false);
    if (extra != covered.end())
      part.Problem(which + " holds " + KeyText(own[static_cast<size_t>(extra - covered.begin())]) +
                   " that none of its members has");
  }
  report.AddSummary("index " + indexName + ": " + figures);
  return part.Finish();
}

Status CheckCompanion(const PostingsFile& file, const std::string& indexPath,
                      const std::string& indexName, CheckReport& report) {
  CheckReport::Part part(report, "companion " + indexName);
  if (!file.IsOpen()) {
    part.Problem("not checked: the index is not open", StatusCode::kInvalid);
    return part.Finish();
  }
  CompanionFile companion;
  const Status opened = companion.Open(indexPath, file);
  if (opened.Code() == StatusCode::kNotFound) {
    report.AddSummary("companion " + indexName + ": none (the searches read the index files alone)");
    return part.Finish();
  }
  if (!opened) {
    part.Problem(opened.Message() + " (it is ignored)", opened.Code());
    return part.Finish();
  }
  const CompanionHeader& h = companion.Header();
  if (CompanionHash(file.Data(), file.Size()) != h.postingsHash)
    part.Problem("the postings file is not the one it was made from (its checksum differs): the "
                 "companion answers from other postings",
                 StatusCode::kInvalid);

  // The slot table: every record named once, by its own slot.
  const uint8_t* slotTable = companion.Data() + h.slotTableOffset;
  std::vector<uint32_t> namedBy(h.records, UINT32_MAX);
  for (int slot = 0; slot < kSlotCount; ++slot) {
    const uint32_t entry = LoadLE32(slotTable + 4 * uint64_t(slot));
    if (entry == 0) continue;
    if (entry > h.records) {
      part.Problem("slot " + std::to_string(slot) + ": the slot table names record " +
                   std::to_string(entry - 1) + " of " + std::to_string(h.records));
    } else if (namedBy[entry - 1] != UINT32_MAX) {
      part.Problem("record " + std::to_string(entry - 1) + " is named by slots " +
                   std::to_string(namedBy[entry - 1]) + " and " + std::to_string(slot));
    } else {
      namedBy[entry - 1] = static_cast<uint32_t>(slot);
    }
  }
  for (uint32_t r = 0; r < h.records; ++r)
    if (namedBy[r] == UINT32_MAX) part.Problem("record " + std::to_string(r) + " is named by no slot");

  // Every slot against the index.
  SlotEntries entries, scratch;
  uint64_t records = 0, bitmaps = 0, entryCount = 0, positionCount = 0;
  for (int slot = 0; slot < kSlotCount; ++slot) {
    const std::string which = "slot " + std::to_string(slot);
    const bool sound = file.HasPostings(slot) &&
                       entries.Decode(file, slot, scratch, kCompanionMaxSlotBytes) == SlotEntries::Outcome::Sound;
    CompanionRecord record;
    std::string why;
    const CompanionFile::Lookup lookup = companion.Find(slot, record, why);
    if (lookup == CompanionFile::Lookup::kDamaged) {
      part.Problem(which + ": " + why);
      continue;
    }
    if (lookup == CompanionFile::Lookup::kNone) {
      if (sound) part.Problem(which + " has a sound stream in the index but no record");
      continue;
    }
    if (!sound) {
      part.Problem(which + " has a record, but its stream in the index is not sound");
      continue;
    }
    ++records;
    bitmaps += record.bitmapWords ? 1 : 0;
    entryCount += record.entries;
    positionCount += record.positions;
    CompanionList list;
    if (!list.Open(companion, record, why)) {
      part.Problem(which + ": " + why);
      continue;
    }
    if (!list.EnsureAllPages() || !list.EnsureAllFirst() || !list.EnsurePositions(0, record.positions)) {
      part.Problem(which + ": " + list.Damage());
      continue;
    }
    const size_t n = entries.pages.size();
    if (record.entries != n || record.positions != entries.positions.size()) {
      part.Problem(which + " holds " + std::to_string(record.entries) + " entries and " +
                   std::to_string(record.positions) + " positions; the index " + std::to_string(n) +
                   " and " + std::to_string(entries.positions.size()));
      continue;
    }
    for (size_t e = 0; e < n; ++e) {
      bool same = list.Pages()[e] == entries.pages[e] && list.Count(static_cast<uint32_t>(e)) == entries.first[e + 1] - entries.first[e];
      for (uint32_t i = entries.first[e]; same && i < entries.first[e + 1]; ++i)
        same = list.Position(i) == entries.positions[i];
      if (!same) {
        part.Problem(which + ": entry " + std::to_string(e) + " (record " + std::to_string(entries.pages[e]) +
                     " in the index) differs from the index's");
        break;
      }
    }
  }
  const uint64_t indexBytes = static_cast<uint64_t>(file.HeaderFileSize()) + file.Size();
  char share[32];
  std::snprintf(share, sizeof share, "%.0f%%", indexBytes ? 100.0 * double(companion.Size()) / double(indexBytes) : 0.0);
  report.AddSummary("companion " + indexName + ": " + std::to_string(records) + " slots (" +
                    std::to_string(bitmaps) + " as bitmaps), " + std::to_string(entryCount) +
                    " page entries, " + std::to_string(positionCount) + " positions, " +
                    std::to_string(companion.Size()) + " bytes (" + share + " of the index files)");
  return part.Finish();
}

size_t SweepCutShortStreams(const PostingsFile& file) {
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (!file.HasPostings(slot)) continue;
    const uint32_t lastPage = file.LastPage(slot);
    TermStream stream;
    stream.Start(file, slot);
    uint32_t delta;
    uint16_t count;
    if (!stream.ReadVarint(delta) || !stream.ReadU16(count)) continue;
    uint32_t page = delta;
    while (page != lastPage) {
      uint16_t next;
      if (!stream.NextHeader(count, delta, next)) break;
      page += delta;
      count = next;
    }
    if (page == lastPage) (void)stream.Skip(count);
  }
  return file.CutShortStreams();
}

}  // namespace tevarin
