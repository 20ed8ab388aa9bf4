// TermCursor: one term of a keyword, reading its slot's page entries from
// the slot's decoded entries (index/slotentries.h), from its list in the
// companion file (index/companionlists.h) or, for a slot without either, by
// walking its stream in the postings file (index/termstream.h). Either way
// NextPosition answers the first position of the current entry, then
// differences.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>

#include "index/companionlists.h"
#include "index/pageintersection.h"
#include "index/postingsfile.h"
#include "index/slotentries.h"
#include "index/termstream.h"

namespace tevarin {

class TermCursor {
 public:
  // Opens the term at the first page entry of slot (which has postings):
  // decoded's when given, else the stream's. False when the stream is cut
  // before its first entry.
  bool Start(const PostingsFile& file, int slot, const SlotEntries* decoded) {
    m_list = nullptr;
    m_entries = decoded;
    m_lastPage = file.LastPage(slot);
    if (m_entries) {
      m_entry = 0;
      Enter();
      return true;
    }
    m_stream.Start(file, slot);
    uint32_t delta;
    uint16_t count;
    if (!m_stream.ReadVarint(delta) || !m_stream.ReadU16(count)) return false;
    m_page = delta;
    m_bytesLeft = count;
    return true;
  }

  // Opens the term on its slot's companion list, whose entries are entered
  // with EnterAt only (the search has decoded the first-position indexes of
  // their blocks and checked their positions); Page() is not kept then.
  void StartCompanion(const CompanionList& list) {
    m_list = &list;
    m_entries = nullptr;
    m_posIndex = m_posStop = 0;
  }

  // The page of the current entry.
  uint32_t Page() const { return m_page; }
  // The decoded entries read, or nullptr when the stream is walked.
  const SlotEntries* Decoded() const { return m_entries; }

  // Moves to the first entry at or past page `to`; false when the postings
  // end first (last page reached, or a damaged stream).
  bool SkipTo(uint32_t to) {
    if (m_page >= to) return true;
    if (m_entries) {
      const size_t n = m_entries->pages.size();
      m_entry = GallopTo(m_entries->pages.data(), m_entry, n, to);
      if (m_entry == n) return false;  // the last entry lies before `to`
      Enter();
      return true;
    }
    while (m_page < to) {
      uint32_t delta;
      uint16_t count;
      if (m_page == m_lastPage || !m_stream.NextHeader(m_bytesLeft, delta, count)) return false;
      m_page += delta;
      m_bytesLeft = count;
    }
    return true;
  }
  // Goes to entry e of the decoded entries or of the companion list.
  void EnterAt(size_t e) {
    if (m_list) {
      assert(e < m_list->Size());
      m_list->EntryPositions(static_cast<uint32_t>(e), m_posIndex, m_posStop);
      m_previous = 0;
      return;
    }
    assert(m_entries && e < m_entries->pages.size());
    m_entry = e;
    Enter();
  }
  bool NextPosition(uint32_t& v) {
    if (m_list) {
      if (m_posIndex == m_posStop) return false;
      const uint32_t p = m_list->Position(m_posIndex++);
      v = p - m_previous;
      m_previous = p;
      return true;
    }
    if (!m_entries) return m_stream.ReadPosition(m_bytesLeft, v);
    if (m_pos == m_posEnd) return false;
    v = *m_pos - m_previous;  // m_previous is 0 before the first
    m_previous = *m_pos++;
    return true;
  }
  // Before its positions are read: at least the number of positions of the
  // current entry (a walked entry holds at most one per byte).
  uint32_t PositionBound() const {
    if (m_list) return m_posStop - m_posIndex;
    return m_entries ? static_cast<uint32_t>(m_posEnd - m_pos) : m_bytesLeft;
  }
  uint32_t CountPositions() {
    if (m_list) {
      const uint32_t n = m_posStop - m_posIndex;
      m_posIndex = m_posStop;
      return n;
    }
    if (!m_entries) return m_stream.CountPositions(m_bytesLeft);
    const uint32_t n = static_cast<uint32_t>(m_posEnd - m_pos);
    m_pos = m_posEnd;
    return n;
  }

 private:
  void Enter() {
    m_page = m_entries->pages[m_entry];
    m_pos = m_entries->positions.data() + m_entries->first[m_entry];
    m_posEnd = m_entries->positions.data() + m_entries->first[m_entry + 1];
    m_previous = 0;
  }

  TermStream m_stream;
  const CompanionList* m_list = nullptr;
  uint32_t m_posIndex = 0;  // companion: the next position of the current entry
  uint32_t m_posStop = 0;   // companion: past the current entry's last position
  const SlotEntries* m_entries = nullptr;
  size_t m_entry = 0;               // index of the current entry in m_entries
  const uint32_t* m_pos = nullptr;  // decoded: the current entry's positions not yet read
  const uint32_t* m_posEnd = nullptr;
  uint32_t m_previous = 0;  // decoded: the position read last, 0 before the first
  uint32_t m_page = 0;
  uint32_t m_lastPage = 0;
  uint32_t m_bytesLeft = 0;  // walked: position bytes left in the current entry
};

}  // namespace tevarin
