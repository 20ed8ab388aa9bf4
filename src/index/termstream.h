// TermStream: one term's postings byte stream, read in place from the mapped
// postings file (format in index/indexformat.h).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "base/littleendian.h"
#include "index/indexformat.h"
#include "index/postingscursor.h"
#include "index/postingsfile.h"

namespace tevarin {

// One term's byte stream. Bytes inside the current block are read through a
// plain pointer; the PostingsCursor, which stays at the start of that run,
// moves on to the next block when the run is used up and keeps every read
// inside the mapping. After a failure (damaged chain or stream) every read
// answers false, and the slot is noted on the file as cut short.
class TermStream {
 public:
  // file must have postings for slot and outlive the stream.
  void Start(const PostingsFile& file, int slot) {
    m_file = &file;
    m_slot = slot;
    m_base = file.Data();
    m_size = file.Size();
    m_cursor = file.Cursor(slot);
    Sync();
  }

  bool ReadByte(uint8_t& b) {
    if (m_p < m_end) {
      b = *m_p++;
      return true;
    }
    return ReadByteSlow(b);
  }

  bool ReadVarint(uint32_t& v) {
    if (m_end - m_p >= 3) {
      v = DecodeVarint(m_p);
      return true;
    }
    uint8_t b[3];
    if (!ReadByte(b[0])) return false;
    const uint32_t n = VarintLength(b[0]);
    for (uint32_t i = 1; i < n; ++i)
      if (!ReadByte(b[i])) return false;
    v = VarintValue(b, n);
    return true;
  }

  bool ReadU16(uint16_t& v) {
    if (m_end - m_p >= 2) {
      v = LoadLE16(m_p);
      m_p += 2;
      return true;
    }
    uint8_t b[2];
    if (!ReadByte(b[0]) || !ReadByte(b[1])) return false;
    v = LoadLE16(b);
    return true;
  }

  // One position number of a page entry with `left` position bytes; false
  // (nothing consumed) when the entry has no whole number left.
  bool ReadPosition(uint32_t& left, uint32_t& v) {
    if (left == 0) return false;
    if (m_end - m_p >= 3) {
      const uint32_t n = VarintLength(m_p[0]);
      if (n > left) return false;
      v = VarintValue(m_p, n);
      m_p += n;
      left -= n;
      return true;
    }
    uint8_t b[3];
    if (!ReadByte(b[0])) return false;
    const uint32_t n = VarintLength(b[0]);
    --left;
    if (n - 1 > left) return false;
    for (uint32_t i = 1; i < n; ++i)
      if (!ReadByte(b[i])) return false;
    v = VarintValue(b, n);
    left -= n - 1;
    return true;
  }

  // Counts the whole position numbers among the `left` position bytes of a
  // page entry without decoding them, consuming them.
  uint32_t CountPositions(uint32_t& left) {
    uint32_t count = 0;
    if (m_end - m_p >= static_cast<ptrdiff_t>(left)) {
      const uint8_t* q = m_p;
      const uint8_t* const e = m_p + left;
      while (q < e) {
        const uint32_t n = VarintLength(*q);
        if (n > static_cast<uint32_t>(e - q)) break;
        q += n;
        ++count;
      }
      left -= static_cast<uint32_t>(q - m_p);
      m_p = q;
      return count;
    }
    uint32_t v;
    while (ReadPosition(left, v)) ++count;
    return count;
  }

  // Skips `skip` bytes (the rest of a page entry), then reads the next page
  // entry's header: page delta and position byte count.
  bool NextHeader(uint32_t skip, uint32_t& delta, uint16_t& count) {
    if (m_end - m_p >= static_cast<ptrdiff_t>(skip) + 5) {
      const uint8_t* q = m_p + skip;
      delta = DecodeVarint(q);
      count = LoadLE16(q);
      m_p = q + 2;
      return true;
    }
    return Skip(skip) && ReadVarint(delta) && ReadU16(count);
  }

  // Skips n bytes of the stream (the rest of a page entry).
  bool Skip(uint32_t n) {
    if (m_end - m_p >= static_cast<ptrdiff_t>(n)) {
      m_p += n;
      return true;
    }
    const bool ok = m_cursor.Skip(static_cast<uint32_t>(m_p - m_start) + n);
    Sync();
    return ok;
  }

 private:
  bool ReadByteSlow(uint8_t& b) {
    // The run of the current block is used up: the cursor catches up and
    // reads the byte, following the block chain.
    const bool ok = m_cursor.Skip(static_cast<uint32_t>(m_p - m_start)) && m_cursor.ReadByte(b);
    Sync();
    return ok;
  }

  // Points the run at the cursor's place: from its offset to the end of the
  // readable bytes of its block.
  void Sync() {
    if (m_cursor.Failed()) {
      m_start = m_p = m_end = nullptr;
      if (m_file && m_file->HasPostings(m_slot)) m_file->NoteCutShort(m_slot);
      return;
    }
    const size_t blockStart = static_cast<size_t>(m_cursor.Block()) * kBlockSize;
    const size_t limit = std::min<size_t>(kBlockSize, m_size - blockStart);
    m_start = m_p = m_base + blockStart + m_cursor.Offset();
    m_end = m_base + blockStart + limit;
  }

  const uint8_t* m_p = nullptr;
  const uint8_t* m_end = nullptr;
  const uint8_t* m_start = nullptr;  // where the cursor stands
  const uint8_t* m_base = nullptr;
  size_t m_size = 0;
  PostingsCursor m_cursor;
  const PostingsFile* m_file = nullptr;
  int m_slot = -1;
};

}  // namespace tevarin
