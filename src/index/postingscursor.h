// PostingsCursor: reads one slot's byte stream from the mapped postings file
// (format in index/indexformat.h), following the block chain.
//
// The cursor never reads outside the mapping: a block or chain entry past the
// file, or a chain longer than the file has blocks (a loop), puts it into the
// failed state, and every read after that fails.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>

#include "base/littleendian.h"
#include "index/indexformat.h"

namespace tevarin {

class PostingsCursor {
 public:
  PostingsCursor() = default;
  PostingsCursor(const uint8_t* data, size_t size, const uint32_t* chain, uint32_t chainLen)
      : m_data(data), m_size(size), m_chain(chain), m_chainLen(chainLen),
        m_blockCount(static_cast<uint32_t>((size + kBlockSize - 1) / kBlockSize)) {}

  // Positions the cursor at byte 0 of block first; false when it lies outside.
  bool Start(int64_t first) {
    m_steps = 0;
    if (first < 0 || static_cast<uint64_t>(first) >= m_blockCount) return Fail();
    m_failed = false;
    Enter(static_cast<uint32_t>(first));
    return true;
  }

  bool ReadByte(uint8_t& b) {
    if (m_offset >= m_limit && !NextBlock()) return false;
    b = m_data[static_cast<size_t>(m_block) * kBlockSize + m_offset++];
    return true;
  }

  // A varint; `used`, when given, receives its length in bytes.
  bool ReadVarint(uint32_t& v, uint32_t* used = nullptr) {
    uint8_t b[3];
    if (!ReadByte(b[0])) return false;
    const uint32_t n = VarintLength(b[0]);
    for (uint32_t i = 1; i < n; ++i)
      if (!ReadByte(b[i])) return false;
    v = VarintValue(b, n);
    if (used) *used = n;
    return true;
  }

  bool ReadU16(uint16_t& v) {
    uint8_t b[2];
    if (!ReadByte(b[0]) || !ReadByte(b[1])) return false;
    v = LoadLE16(b);
    return true;
  }

  // Skips n bytes of the stream, following the chain as needed. An offset of
  // exactly 4096 stays in the block; the next read moves on.
  bool Skip(uint32_t n) {
    if (m_failed) return false;
    uint64_t off = uint64_t(m_offset) + n;
    while (off > kBlockSize) {
      m_offset = kBlockSize;
      if (!NextBlock()) return false;
      off -= kBlockSize;
    }
    if (off > m_limit) return Fail();  // skips past the end of the file
    m_offset = static_cast<uint32_t>(off);
    return true;
  }

  bool Failed() const { return m_failed; }
  uint32_t Block() const { return m_block; }
  uint32_t Offset() const { return m_offset; }

 private:
  // Called when the current block is used up (or the file ended inside it).
  bool NextBlock() {
    if (m_failed) return false;
    if (m_limit < kBlockSize) return Fail();  // the last, short block of the file
    if (m_block >= m_chainLen) return Fail();
    const uint32_t next = m_chain[m_block];
    // A stream can use every block at most once; more steps mean a loop.
    if (next >= m_blockCount || ++m_steps > m_blockCount) return Fail();
    Enter(next);
    return true;
  }
  void Enter(uint32_t block) {
    assert(block < m_blockCount);
    m_block = block;
    m_offset = 0;
    const size_t start = static_cast<size_t>(block) * kBlockSize;
    m_limit = static_cast<uint32_t>(m_size - start < kBlockSize ? m_size - start : kBlockSize);
  }
  bool Fail() {
    m_failed = true;
    m_offset = kBlockSize;
    m_limit = kBlockSize;
    m_block = 0;
    return false;
  }

  const uint8_t* m_data = nullptr;
  size_t m_size = 0;
  const uint32_t* m_chain = nullptr;
  uint32_t m_chainLen = 0;
  uint32_t m_blockCount = 0;
  uint32_t m_block = 0;
  uint32_t m_offset = kBlockSize;
  uint32_t m_limit = kBlockSize;   // readable bytes of the current block
  uint32_t m_steps = 0;
  bool m_failed = true;
};

}  // namespace tevarin
