#include "index/companionlists.h"

#include <algorithm>
#include <bit>

#include "index/companionfile.h"

namespace tevarin {

bool CompanionList::Fail(std::string why) {
  if (!m_damaged) {
    m_damaged = true;
    m_damage = std::move(why);
  }
  return false;
}

bool CompanionList::Open(const CompanionFile& file, const CompanionRecord& record, std::string& why,
                         uint64_t copyBytes) {
  m_file = &file;
  m_record = record;
  const uint8_t* data = file.Data();
  m_directory = data + record.directoryOffset;
  m_blockData = data + record.blockDataOffset;
  m_positions = data + record.positionsOffset;
  const uint64_t directoryBytes = record.DirectoryBytes();
  // A small record, laid out as the writer does (directory, block data,
  // positions), is read into memory of the list's own.
  const uint64_t end = record.positionsOffset + record.positionBytes;
  if (record.directoryOffset + directoryBytes <= record.blockDataOffset &&
      record.blockDataOffset + record.blockDataBytes <= record.positionsOffset &&
      end - record.directoryOffset <= copyBytes) {
    m_copy.resize(end - record.directoryOffset);
    if (!file.ReadAt(record.directoryOffset, m_copy.size(), m_copy.data())) {
      why = "its record could not be read";
      return false;
    }
    m_directory = m_copy.data();
    m_blockData = m_copy.data() + (record.blockDataOffset - record.directoryOffset);
    m_positions = m_copy.data() + (record.positionsOffset - record.directoryOffset);
  } else {
    file.NoteRead(directoryBytes);
  }
  m_bitmap = record.bitmapWords ? m_directory + record.BitmapOffsetInDirectory() : nullptr;
  if (CompanionHash(m_directory, directoryBytes) != record.directoryHash) {
    why = "its directory does not match its checksum";
    return false;
  }
  // The skip table is searched by its last pages, and blocks are read at
  // its offsets: they must ascend and stay inside the block data.
  const uint64_t dataEnd = record.blockDataBytes - kCompanionPadding;
  for (uint32_t b = 0; b < record.blocks; ++b) {
    const uint32_t last = SkipField(b, 0), offset = SkipField(b, 1), base = SkipField(b, 2);
    if (b > 0 && last <= SkipField(b - 1, 0)) {
      why = "its skip table's pages do not ascend at block " + std::to_string(b);
      return false;
    }
    if (offset + kCompanionBlockHeaderSize > dataEnd || base > record.positions ||
        (b > 0 && base < SkipField(b - 1, 2)) || (b == 0 && base != 0)) {
      why = "its skip entry of block " + std::to_string(b) + " points outside its data";
      return false;
    }
  }
  if (SkipField(record.blocks - 1, 0) != record.lastPage) {
    why = "its last block does not end at its last page";
    return false;
  }
  if (m_bitmap) {
    // Pages before each word; the bitmap's last set bit is the last page,
    // and it holds exactly one bit per entry.
    const uint32_t words = record.bitmapWords;
    m_rank.resize(words);
    uint64_t total = 0;
    for (uint32_t w = 0; w < words; ++w) {
      m_rank[w] = static_cast<uint32_t>(total);
      total += PopCount64(LoadWord(w));
    }
    const uint64_t lastWord = LoadWord(words - 1);
    if (total != record.entries || (lastWord >> (record.lastPage & 63)) != 1) {
      why = "its bitmap holds " + std::to_string(total) + " pages for " +
            std::to_string(record.entries) + " entries";
      return false;
    }
  }
  const size_t n = record.entries;
  m_pages.reset(new uint32_t[n]);
  m_first.reset(new uint32_t[n + 1]);
  const size_t bitWords = (record.blocks + 63) / 64;
  m_pagesDone.assign(bitWords, 0);
  m_firstDone.assign(bitWords, 0);
  m_chunksDone.assign((uint64_t(record.chunks) + 63) / 64, 0);
  m_positionsDone.assign(bitWords, 0);
  return true;
}

bool CompanionList::Block(uint32_t b, const uint8_t*& at, CompanionBlockHeader& header) {
  if (m_damaged) return false;
  const uint32_t offset = SkipField(b, 1);
  at = m_blockData + offset;
  header = DecodeCompanionBlockHeader(at);
  const uint32_t k = BlockEntries(b);
  if (header.deltaBits > kCompanionMaxPageBits || header.countBits > kCompanionMaxCountBits ||
      (m_bitmap && header.deltaBits != 0))
    return Fail("block " + std::to_string(b) + " has numbers of " +
                std::to_string(header.deltaBits) + " and " + std::to_string(header.countBits) +
                " bits");
  const uint64_t bytes = CompanionBlockBytes(header, k);
  if (offset + bytes > m_record.blockDataBytes - kCompanionPadding)
    return Fail("block " + std::to_string(b) + " runs past its data");
  if (m_copy.empty()) m_file->NoteRead(bytes);
  if (CompanionHash32(at, bytes) != SkipField(b, 3))
    return Fail("block " + std::to_string(b) + " does not match its checksum");
  return true;
}

bool CompanionList::DecodePages(uint32_t b) {
  if (!DecodePagesTo(b, m_pages.get() + uint64_t(b) * kCompanionBlockEntries)) return false;
  Set(m_pagesDone, b);
  ++m_decodedBlocks;
  return true;
}

bool CompanionList::DecodeFirst(uint32_t b) {
  if (!DecodeFirstTo(b, m_first.get() + uint64_t(b) * kCompanionBlockEntries)) return false;
  Set(m_firstDone, b);
  ++m_decodedBlocks;
  return true;
}

bool CompanionList::DecodePagesTo(uint32_t b, uint32_t* pages) {
  const uint8_t* at;
  CompanionBlockHeader h;
  if (!Block(b, at, h)) return false;
  const uint32_t k = BlockEntries(b);
  const uint32_t last = SkipField(b, 0);
  if (b > 0 && h.firstPage <= SkipField(b - 1, 0))
    return Fail("block " + std::to_string(b) + " starts before the block before it ends");
  if (m_bitmap) {
    // The block's pages: the k set bits from its first page on.
    if (!Contains(h.firstPage)) return Fail("block " + std::to_string(b) + "'s first page is not in the bitmap");
    uint32_t w = h.firstPage >> 6;
    uint64_t bits = LoadWord(w) & (~uint64_t(0) << (h.firstPage & 63));
    for (uint32_t i = 0; i < k; ++i) {
      while (bits == 0) {
        if (++w >= m_record.bitmapWords) return Fail("block " + std::to_string(b) + " runs past the bitmap");
        bits = LoadWord(w);
      }
      pages[i] = w * 64 + static_cast<uint32_t>(std::countr_zero(bits));
      bits &= bits - 1;
    }
  } else {
    UnpackNumbers(at + kCompanionBlockHeaderSize, k - 1, h.deltaBits, pages + 1);
    uint64_t page = h.firstPage;
    pages[0] = h.firstPage;
    for (uint32_t i = 1; i < k; ++i) {
      const uint32_t delta = pages[i];
      page += delta;
      if (delta == 0 || page > UINT32_MAX)
        return Fail("block " + std::to_string(b) + "'s pages do not ascend");
      pages[i] = static_cast<uint32_t>(page);
    }
  }
  if (pages[k - 1] != last) return Fail("block " + std::to_string(b) + " does not end at its skip entry's page");
  return true;
}

bool CompanionList::DecodeFirstTo(uint32_t b, uint32_t* first) {
  const uint8_t* at;
  CompanionBlockHeader h;
  if (!Block(b, at, h)) return false;
  const uint32_t k = BlockEntries(b);
  UnpackNumbers(at + kCompanionBlockHeaderSize + PackedBytes(k - 1, h.deltaBits), k, h.countBits, first);
  uint64_t index = SkipField(b, 2);
  for (uint32_t i = 0; i < k; ++i) {
    const uint64_t count = uint64_t(first[i]) + h.countBase;
    first[i] = static_cast<uint32_t>(index);
    index += count;
  }
  const uint64_t end = b + 1 < m_record.blocks ? SkipField(b + 1, 2) : m_record.positions;
  if (index != end) return Fail("block " + std::to_string(b) + "'s counts do not add up to its positions");
  first[k] = static_cast<uint32_t>(end);  // the next block's first entry holds the same index
  return true;
}

bool CompanionList::EnsureAllPages() {
  for (uint32_t b = 0; b < m_record.blocks; ++b)
    if (!EnsurePages(b)) return false;
  return true;
}

bool CompanionList::EnsureAllFirst() {
  for (uint32_t b = 0; b < m_record.blocks; ++b)
    if (!EnsureFirst(b)) return false;
  return true;
}

bool CompanionList::Seek(uint32_t page, uint32_t& e) {
  const uint32_t n = m_record.entries;
  if (e >= n) return true;
  uint32_t b = e / kCompanionBlockEntries;
  // The block that holds the page: galloping over the skip table's last pages.
  if (SkipField(b, 0) < page) {
    uint32_t lo = b, step = 1, hi = b + 1;
    while (hi < m_record.blocks && SkipField(hi, 0) < page) {
      lo = hi;
      step *= 2;
      hi = lo + step;
    }
    if (hi > m_record.blocks) hi = m_record.blocks;
    // The first block in (lo, hi] whose last page is not below `page`.
    uint32_t a = lo + 1, z = hi;
    while (a < z) {
      const uint32_t mid = a + (z - a) / 2;
      if (SkipField(mid, 0) < page) a = mid + 1;
      else z = mid;
    }
    if (a >= m_record.blocks) {
      e = n;
      return true;
    }
    b = a;
    e = b * kCompanionBlockEntries;
  }
  if (!EnsurePages(b)) return false;
  const uint32_t* pages = m_pages.get();
  const uint32_t end = b * kCompanionBlockEntries + BlockEntries(b);
  // The pages a search seeks ascend, often to one of the next few entries:
  // those are looked at first.
  for (const uint32_t near = std::min(end, e + 4); e < near; ++e)
    if (pages[e] >= page) return true;
  e = static_cast<uint32_t>(std::lower_bound(pages + e, pages + end, page) - pages);
  return true;  // the block's last page is not below `page`: e < end
}

bool CompanionList::CheckChunks(uint64_t from, uint64_t to) {
  const uint32_t w = m_record.positionBits;
  if (m_damaged) return false;
  const uint64_t firstByte = from * w / 8, lastByte = (to * w - 1) / 8;
  for (uint64_t c = firstByte / kCompanionChunkBytes; c <= lastByte / kCompanionChunkBytes; ++c) {
    if (IsSet(m_chunksDone, c)) continue;
    const uint64_t start = c * kCompanionChunkBytes;
    const uint64_t bytes = std::min<uint64_t>(kCompanionChunkBytes, m_record.positionBytes - start);
    if (m_copy.empty()) m_file->NoteRead(bytes);
    const uint32_t expect = LoadLE32(m_directory + uint64_t(m_record.blocks) * kCompanionSkipEntrySize + 4 * c);
    if (CompanionHash32(m_positions + start, bytes) != expect)
      return Fail("its positions' chunk " + std::to_string(c) + " does not match its checksum");
    Set(m_chunksDone, c);
  }
  while (m_chunksBelow < m_record.chunks && IsSet(m_chunksDone, m_chunksBelow)) ++m_chunksBelow;
  return true;
}

bool CompanionList::StartUnpacking() {
  if (m_damaged) return false;
  const uint64_t n = m_record.positions;
  if (n * sizeof(uint32_t) > kMaxUnpackedBytes) {
    m_unpacked = nullptr;
    return false;
  }
  // Not initialised: only the blocks unpacked are written, and only their
  // memory becomes resident.
  if (!m_unpackedPositions) m_unpackedPositions.reset(new uint32_t[n + 1]);
  m_unpacked = m_unpackedPositions.get();
  return true;
}

bool CompanionList::UnpackBlockPositions(uint32_t b) {
  const uint64_t from = SkipField(b, 2);
  const uint64_t to = b + 1 < m_record.blocks ? SkipField(b + 1, 2) : m_record.positions;
  if (!EnsurePositions(from, to)) return false;
  UnpackNumbersFrom(m_positions, from, to - from, m_record.positionBits, m_unpackedPositions.get() + from);
  Set(m_positionsDone, b);
  m_unpackedCount += to - from;
  return true;
}

bool CompanionList::DecodeAll(SlotEntries& out) {
  const uint32_t n = m_record.entries;
  const uint64_t p = m_record.positions;
  out.pages.resize(n);
  out.first.resize(size_t(n) + 1);
  out.positions.resize(p);
  for (uint32_t b = 0; b < m_record.blocks; ++b) {
    const uint64_t e0 = uint64_t(b) * kCompanionBlockEntries;
    // Each block's first-position indexes end with the next block's first.
    if (!DecodeBlockTo(b, out.pages.data() + e0, out.first.data() + e0)) return false;
  }
  if (!EnsurePositions(0, p)) return false;
  UnpackNumbers(m_positions, p, m_record.positionBits, out.positions.data());
  return true;
}

size_t CompanionList::MemoryBytes() const {
  return m_decodedBlocks * kCompanionBlockEntries * sizeof(uint32_t) +
         (m_rank.size() + m_unpackedCount) * sizeof(uint32_t) + m_copy.size() +
         (m_pagesDone.size() + m_firstDone.size() + m_chunksDone.size() + m_positionsDone.size()) *
             sizeof(uint64_t) +
         sizeof(*this);
}

void CompanionListCache::BeginSearch(const CompanionFile& file) {
  // What the last search's lists decoded.
  for (CompanionList* list : m_used) {
    const size_t now = list->MemoryBytes();
    m_total = m_total - list->counted + now;
    list->counted = now;
  }
  m_used.clear();
  ++m_search;
  if (m_total > m_limit) {
    // The least recently used first, down to three quarters of the limit,
    // so that a full cache does not sort its lists on every search.
    std::vector<std::pair<uint64_t, int>> byUse;
    byUse.reserve(m_lists.size());
    for (const auto& [slot, list] : m_lists) byUse.emplace_back(list->lastUse, slot);
    std::sort(byUse.begin(), byUse.end());
    const size_t target = m_limit - m_limit / 4;
    for (const auto& [use, slot] : byUse) {
      if (m_total <= target) break;
      const auto it = m_lists.find(slot);
      m_total -= it->second->counted;
      m_lists.erase(it);
    }
  }
  file.Release();
}

CompanionList* CompanionListCache::Get(const CompanionFile& file, int slot) {
  if (const auto found = m_lists.find(slot); found != m_lists.end()) {
    CompanionList& list = *found->second;
    if (list.lastUse != m_search) {
      m_used.push_back(&list);
      list.recent = m_search - list.lastUse <= kRecentSearches ? list.recent + 1 : 1;
    }
    list.lastUse = m_search;
    return &list;
  }
  if (m_damaged.count(slot)) return nullptr;
  CompanionRecord record;
  std::string why;
  const CompanionFile::Lookup lookup = file.Find(slot, record, why);
  if (lookup == CompanionFile::Lookup::kNone) return nullptr;
  auto list = std::make_unique<CompanionList>();
  if (lookup == CompanionFile::Lookup::kDamaged || !list->Open(file, record, why, m_copyLimit)) {
    Report(file, slot, why);
    return nullptr;
  }
  list->lastUse = m_search;
  list->recent = 1;
  list->counted = list->MemoryBytes();
  m_total += list->counted;
  m_used.push_back(list.get());
  return m_lists.emplace(slot, std::move(list)).first->second.get();
}

void CompanionListCache::DropDamaged(const CompanionFile& file) {
  for (auto it = m_lists.begin(); it != m_lists.end();) {
    if (it->second->Damaged()) {
      Report(file, it->first, it->second->Damage());
      std::erase(m_used, it->second.get());
      m_total -= it->second->counted;
      it = m_lists.erase(it);
    } else {
      ++it;
    }
  }
}

void CompanionListCache::Drop(int slot) {
  const auto it = m_lists.find(slot);
  if (it == m_lists.end()) return;
  std::erase(m_used, it->second.get());
  m_total -= it->second->counted;
  m_lists.erase(it);
}

void CompanionListCache::Report(const CompanionFile& file, int slot, const std::string& why) {
  m_damaged.insert(slot);
  ReportCompanionProblem(file.Path() + ": slot " + std::to_string(slot) + " is damaged (" + why +
                         "); its postings are read from the index files");
}

void CompanionListCache::Clear() {
  m_lists.clear();
  m_damaged.clear();
  m_used.clear();
  m_total = 0;
}

size_t CompanionListCache::MemoryBytes() const {
  size_t total = 0;
  for (const auto& [slot, list] : m_lists) total += list->MemoryBytes();
  return total;
}

}  // namespace tevarin
