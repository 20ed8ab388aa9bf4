#include "index/slotentries.h"

#include <cassert>

#include "index/postingsfile.h"
#include "index/termstream.h"

namespace tevarin {

SlotEntries::Outcome SlotEntries::Decode(const PostingsFile& file, int slot, SlotEntries& scratch,
                                         size_t maxBytes, const std::atomic<bool>* cancel) {
  // Decoded into the scratch arrays, which keep their memory from slot to
  // slot, then copied at their final size: growing the arrays in place
  // costs more than the decoding.
  std::vector<uint32_t>& pages = scratch.pages;
  std::vector<uint32_t>& first = scratch.first;
  std::vector<uint32_t>& positions = scratch.positions;
  pages.clear();
  first.clear();
  positions.clear();
  this->pages = {};
  this->first = {};
  this->positions = {};
  auto unsound = [] { return Outcome::Unsound; };
  if (!file.HasPostings(slot)) return unsound();
  // The entries' size once decoded (the closing entry of first included),
  // in numbers; decoding stops as soon as it passes the bound.
  const size_t maxNumbers = maxBytes / sizeof(uint32_t);
  auto tooLarge = [&] { return pages.size() + first.size() + positions.size() + 1 > maxNumbers; };
  TermStream stream;
  stream.Start(file, slot);
  const uint32_t lastPage = file.LastPage(slot);
  uint32_t delta;
  uint16_t count;
  if (!stream.ReadVarint(delta) || !stream.ReadU16(count)) return unsound();
  uint32_t page = delta;
  while (true) {
    // Pages ascend strictly in a sound stream. A page number not above the
    // one before is a repeated entry or a sum that wrapped around (a delta is
    // at most 22 bits, so a wrap always lands lower).
    if (!pages.empty() && page <= pages.back()) return unsound();
    if (cancel && cancel->load(std::memory_order_relaxed)) return Outcome::Cancelled;
    pages.push_back(page);
    first.push_back(static_cast<uint32_t>(positions.size()));
    uint32_t left = count;
    uint32_t v;
    uint64_t pos = 0;
    bool any = false;
    while (stream.ReadPosition(left, v)) {
      pos = any ? pos + v : v;
      any = true;
      if (pos > UINT32_MAX) return unsound();
      positions.push_back(static_cast<uint32_t>(pos));
    }
    if (positions.size() > UINT32_MAX) return unsound();
    if (tooLarge()) return Outcome::TooLarge;
    if (page == lastPage) {
      if (!stream.Skip(left)) return unsound();
      break;
    }
    uint16_t next;
    if (!stream.NextHeader(left, delta, next)) return unsound();
    page += delta;
    count = next;
  }
  first.push_back(static_cast<uint32_t>(positions.size()));
  this->pages.assign(pages.begin(), pages.end());
  this->first.assign(first.begin(), first.end());
  this->positions.assign(positions.begin(), positions.end());
  return Outcome::Sound;
}

const SlotEntries* SlotEntryCache::Get(const PostingsFile& file, int slot,
                                       const std::atomic<bool>* cancel) {
  if (m_limit == 0) return nullptr;
  const auto found = m_slots.find(slot);
  if (found != m_slots.end()) {
    found->second.lastUse = m_search;
    return found->second.entries.get();
  }
  auto entries = std::make_unique<SlotEntries>();
  const SlotEntries::Outcome outcome = entries->Decode(file, slot, m_scratch, SlotLimit(), cancel);
  // The working space of a large slot is not kept for the next one.
  if (m_scratch.MemoryBytes() > kKeptScratch) m_scratch = SlotEntries();
  if (outcome == SlotEntries::Outcome::Cancelled) return nullptr;
  if (outcome != SlotEntries::Outcome::Sound) {
    m_slots.emplace(slot, Slot{nullptr, m_search});
    return nullptr;
  }
  const size_t bytes = entries->MemoryBytes();
  if (!MakeRoom(bytes)) return nullptr;  // this search holds the room; walk it
  m_bytes += bytes;
  assert(m_bytes <= m_limit);
  return m_slots.emplace(slot, Slot{std::move(entries), m_search}).first->second.entries.get();
}

const SlotEntries* SlotEntryCache::Find(int slot) {
  const auto found = m_slots.find(slot);
  if (found == m_slots.end()) return nullptr;
  found->second.lastUse = m_search;
  return found->second.entries.get();
}

bool SlotEntryCache::Put(int slot, std::unique_ptr<SlotEntries> entries) {
  const size_t bytes = entries->MemoryBytes();
  if (m_slots.count(slot) || bytes > SlotLimit() || !MakeRoom(bytes)) return false;
  m_bytes += bytes;
  m_slots.emplace(slot, Slot{std::move(entries), m_search});
  return true;
}

void SlotEntryCache::SetLimit(size_t bytes) {
  m_limit = bytes;
  ++m_search;  // no entry is held by a search now
  MakeRoom(0);
  if (bytes == 0) m_slots.clear();
  // A slot found too large for the old limit may fit the new one (an
  // unsound one is found unsound again).
  std::erase_if(m_slots, [](const auto& s) { return !s.second.entries; });
}

bool SlotEntryCache::MakeRoom(size_t bytes) {
  while (m_bytes + bytes > m_limit) {
    auto oldest = m_slots.end();
    for (auto it = m_slots.begin(); it != m_slots.end(); ++it)
      if (it->second.entries && it->second.lastUse < m_search &&
          (oldest == m_slots.end() || it->second.lastUse < oldest->second.lastUse))
        oldest = it;
    if (oldest == m_slots.end()) return false;
    m_bytes -= oldest->second.entries->MemoryBytes();
    m_slots.erase(oldest);
  }
  return true;
}

}  // namespace tevarin
