#include "writer/indexwriter.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/littleendian.h"
#include "index/indexformat.h"

namespace tevarin {

IndexWriter::Slot& IndexWriter::SlotAt(int slot) {
  if (m_slots.empty()) m_slots.resize(kSlotCount);
  Slot& s = m_slots[static_cast<size_t>(slot)];
  if (!s.present) {
    s.present = true;
    ++m_present;
  }
  return s;
}

Status IndexWriter::AddEntry(int slot, uint32_t record, const std::vector<uint32_t>& positions) {
  if (slot < 0 || slot >= kSlotCount)
    return Status::Invalid("slot " + std::to_string(slot) + " is outside 0.." +
                           std::to_string(kSlotCount - 1));
  if (positions.empty()) return Status::Ok();
  Slot& s = SlotAt(slot);
  if (s.any && record <= s.lastPage)
    return Status::Invalid("page entries of slot " + std::to_string(slot) + " must ascend");
  std::vector<uint8_t> pos;
  uint32_t prev = 0;
  for (size_t i = 0; i < positions.size(); ++i) {
    if (i > 0 && positions[i] <= prev) return Status::Invalid("positions of an entry must ascend");
    if (!AppendVarint(pos, i == 0 ? positions[i] : positions[i] - prev))
      return Status::Invalid("a position is beyond " + std::to_string(kMaxVarint));
    prev = positions[i];
  }
  if (pos.size() > kMaxPositionBytes)
    return Status::Invalid("slot " + std::to_string(slot) + ", record " + std::to_string(record) +
                           ": more than " + std::to_string(kMaxPositionBytes) +
                           " bytes of positions in one page entry");
  if (!AppendVarint(s.stream, s.any ? record - s.lastPage : record))
    return Status::Invalid("a page delta is beyond " + std::to_string(kMaxVarint));
  uint8_t count[2];
  StoreLE16(count, static_cast<uint16_t>(pos.size()));
  s.stream.insert(s.stream.end(), count, count + 2);
  s.stream.insert(s.stream.end(), pos.begin(), pos.end());
  s.lastPage = record;
  s.any = true;
  return Status::Ok();
}

void IndexWriter::SetRawStream(int slot, std::vector<uint8_t> stream, uint32_t lastPage) {
  if (slot < 0 || slot >= kSlotCount) return;
  Slot& s = SlotAt(slot);
  s.stream = std::move(stream);
  s.lastPage = lastPage;
  s.any = true;
}

uint64_t IndexWriter::PostingsBytes() const {
  uint64_t n = 0;
  for (const Slot& s : m_slots) n += s.stream.size();
  return n;
}

Status IndexWriter::Write(const std::string& indexPath, BlockOrder order) {
  // Blocks each slot needs (a stream of 0 bytes still owns its first block).
  std::vector<std::pair<int, uint32_t>> needs;  // slot, blocks
  uint64_t total = 0;
  for (int slot = 0; slot < static_cast<int>(m_slots.size()); ++slot) {
    const Slot& s = m_slots[static_cast<size_t>(slot)];
    if (!s.present) continue;
    const uint32_t n = std::max<uint32_t>(1, (s.stream.size() + kBlockSize - 1) / kBlockSize);
    needs.emplace_back(slot, n);
    total += n;
  }
  if (total > 0x7FFFFFFF)
    return Status::Invalid("the postings need more blocks than the format can number");
  // Allocate block numbers: blocks[k] lists the blocks of slot needs[k] in stream order.
  std::vector<std::vector<uint32_t>> blocks(needs.size());
  uint32_t next = 0;
  if (order == BlockOrder::Interleaved) {
    bool more = true;
    for (uint32_t round = 0; more; ++round) {
      more = false;
      for (size_t k = 0; k < needs.size(); ++k)
        if (round < needs[k].second) {
          blocks[k].push_back(next++);
          more = true;
        }
    }
  } else {
    for (size_t k = 0; k < needs.size(); ++k)
      for (uint32_t i = 0; i < needs[k].second; ++i) blocks[k].push_back(next++);
    if (order == BlockOrder::Reversed)
      for (auto& list : blocks)
        for (auto& b : list) b = static_cast<uint32_t>(total - 1 - b);
  }

  std::vector<int32_t> first(kSlotCount, kNoPostings);
  std::vector<uint32_t> lastPage(kSlotCount, 0);
  std::vector<uint32_t> chain(total, 0);
  std::vector<uint8_t> postings(total * kBlockSize, 0);
  for (size_t k = 0; k < needs.size(); ++k) {
    const Slot& s = m_slots[static_cast<size_t>(needs[k].first)];
    const auto& list = blocks[k];
    first[needs[k].first] = static_cast<int32_t>(list[0]);
    lastPage[needs[k].first] = s.lastPage;
    for (size_t i = 0; i < list.size(); ++i) {
      // The last block of a stream chains to itself; the reader stops at the
      // slot's last page before it would follow it.
      chain[list[i]] = i + 1 < list.size() ? list[i + 1] : list[i];
      const size_t from = i * kBlockSize;
      const size_t n = std::min<size_t>(kBlockSize, s.stream.size() - std::min(from, s.stream.size()));
      if (n) std::memcpy(&postings[size_t(list[i]) * kBlockSize], &s.stream[from], n);
    }
  }

  // Header: first-block table, two reserved tables (written as zeros: readers
  // keep them and never consult them), last-page table, block chain.
  std::string header(static_cast<size_t>(ChainEntryOffset(chain.size())), '\0');
  for (int slot = 0; slot < kSlotCount; ++slot) {
    StoreLE32(&header[static_cast<size_t>(FirstBlockEntryOffset(slot))],
              static_cast<uint32_t>(first[static_cast<size_t>(slot)]));
    StoreLE32(&header[static_cast<size_t>(LastPageEntryOffset(slot))], lastPage[static_cast<size_t>(slot)]);
  }
  for (size_t b = 0; b < chain.size(); ++b)
    StoreLE32(&header[static_cast<size_t>(ChainEntryOffset(b))], chain[b]);

  auto writeFile = [&](const std::string& path, const void* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return Status::FromErrno(errno, "cannot create", path);
    const bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    if (std::fclose(f) != 0 || !ok) return Status::Io("cannot write " + path);
    return Status::Ok();
  };
  if (Status s = writeFile(indexPath + kIndexHeaderSuffix, header.data(), header.size()); !s)
    return s;
  return writeFile(indexPath + kPostingsSuffix, postings.data(), postings.size());
}

}  // namespace tevarin
