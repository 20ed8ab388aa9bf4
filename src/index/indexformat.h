// The full-text index files: a header file ("<name>-idx.h") and a postings
// file ("<name>-idx.m") per index. The reader is PostingsFile
// (index/postingsfile.h), the writer IndexWriter (writer/indexwriter.h), the
// checker CheckIndexFiles (index/indexcheck.h).
//
// Index names: "Index" (whole text), "Index_desc" (notes), "Index_content"
// (body text); see IndexFileName.
//
// Character slots: every indexed character has a slot 0..99999 (CharToSlot,
// index/charslot.h); slots from kVariantSlotBase name the groups of the
// variant table (group g has slot kVariantSlotBase + g, index/variantformat.h)
// and hold the merged postings of the group's members.
//
// Header file, little-endian:
//   offset 0        400000  first-block table: int32 per slot, -1 = no postings
//   offset 400000   200000  reserved table: uint16 per slot (kept, unused)
//   offset 600000   400000  reserved table: uint32 per slot (kept, unused)
//   offset 1000000  400000  last-page table: uint32 per slot, record index of the
//                           slot's last page entry
//   offset 1400000  4*N     block chain: uint32, N = (size - 1400000) / 4; entry b
//                           names the block that follows block b
//
// Postings file: a sequence of 4096-byte blocks. A slot's stream starts at
// byte 0 of its first block and, when a block is used up, continues at byte 0
// of the block the block chain names. Any value may straddle two blocks.
// The stream is a sequence of page entries in ascending record order:
//   page delta      varint: record index minus the previous entry's (the
//                   first entry holds the record index itself)
//   position bytes  uint16 little-endian: the byte count L of what follows
//   positions       L bytes of varints: the first position, then differences
// and it ends with the entry of the slot's last page (last-page table).
//
// Varint, most significant part first:
//   0x00..0x7F  1 byte   value = b0                                (0..127)
//   0x80..0xBF  2 bytes  value = (b0 & 0x3F) << 8 | b1             (0..16383)
//   0xC0..0xFF  3 bytes  value = (b0 & 0x3F) << 16 | b1 << 8 | b2  (0..4194303)
//
// Limits that follow: at most 65535 position bytes per entry, deltas of at
// most 4194303, 100000 slots.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tevarin {

// The index that is open: whole text, notes or body text (the values the
// form and the index names use).
enum class IndexPart : int { FullText = 0, Notes = 1, Body = 2 };

inline constexpr const char* kIndexHeaderSuffix = "-idx.h";
inline constexpr const char* kPostingsSuffix = "-idx.m";

// What the part's index name adds to the base name ("Index").
inline const char* IndexPartSuffix(IndexPart part) {
  switch (part) {
    case IndexPart::Body: return "_content";
    case IndexPart::Notes: return "_desc";
    default: return "";
  }
}
inline bool IsIndexPart(IndexPart part) {
  return part == IndexPart::FullText || part == IndexPart::Notes || part == IndexPart::Body;
}
// "<baseName>[_content|_desc]": the index name, without the file suffixes.
inline std::string IndexFileName(const std::string& baseName, IndexPart part) {
  return baseName + IndexPartSuffix(part);
}

inline constexpr int kSlotCount = 100000;
inline constexpr int kVariantSlotBase = 88065;
inline constexpr int kMaxVariantGroups = kSlotCount - kVariantSlotBase;  // 11935

// The header's tables.
inline constexpr int64_t kFirstBlockOffset = 0;
inline constexpr int64_t kReserved16Offset = 400000;
inline constexpr int64_t kReserved32Offset = 600000;
inline constexpr int64_t kLastPageOffset = 1000000;
inline constexpr int64_t kBlockChainOffset = 1400000;
// The fixed tables before the block chain: the shortest header.
inline constexpr int64_t kIndexHeaderTables = kBlockChainOffset;
static_assert(kReserved16Offset == kFirstBlockOffset + 4 * kSlotCount);
static_assert(kReserved32Offset == kReserved16Offset + 2 * kSlotCount);
static_assert(kLastPageOffset == kReserved32Offset + 4 * kSlotCount);
static_assert(kBlockChainOffset == kLastPageOffset + 4 * kSlotCount);

// A first-block entry of a slot without postings.
inline constexpr int32_t kNoPostings = -1;

constexpr int64_t FirstBlockEntryOffset(int slot) { return kFirstBlockOffset + 4 * int64_t(slot); }
constexpr int64_t LastPageEntryOffset(int slot) { return kLastPageOffset + 4 * int64_t(slot); }
constexpr int64_t ChainEntryOffset(uint64_t block) {
  return kBlockChainOffset + 4 * static_cast<int64_t>(block);
}
// The block chain entries a header file of headerSize bytes holds.
constexpr uint64_t ChainEntryCount(int64_t headerSize) {
  return headerSize < kBlockChainOffset ? 0 : static_cast<uint64_t>(headerSize - kBlockChainOffset) / 4;
}

inline constexpr uint32_t kBlockSize = 4096;
// The blocks a postings file of `bytes` bytes has (a short last block counts).
constexpr uint64_t BlockCountOf(uint64_t bytes) { return (bytes + kBlockSize - 1) / kBlockSize; }

inline constexpr uint32_t kMaxVarint = 0x3FFFFF;
inline constexpr uint32_t kMaxPositionBytes = 0xFFFF;

// Number of bytes of the varint that starts with byte b0.
inline uint32_t VarintLength(uint8_t b0) { return b0 < 0x80 ? 1 : b0 < 0xC0 ? 2 : 3; }

// The value of a varint of n = VarintLength(b[0]) bytes.
inline uint32_t VarintValue(const uint8_t* b, uint32_t n) {
  return n == 1   ? b[0]
         : n == 2 ? (uint32_t(b[0] & 0x3F) << 8) | b[1]
                  : (uint32_t(b[0] & 0x3F) << 16) | (uint32_t(b[1]) << 8) | b[2];
}

// The varint at q, whose VarintLength bytes are all readable; q moves past it.
inline uint32_t DecodeVarint(const uint8_t*& q) {
  const uint32_t n = VarintLength(q[0]);
  const uint32_t v = VarintValue(q, n);
  q += n;
  return v;
}

// Writes the 1-, 2- or 3-byte varint of v to out; answers its length, or 0
// (nothing written) when v is above kMaxVarint.
inline uint32_t EncodeVarint(uint32_t v, uint8_t out[3]) {
  if (v < 0x80) {
    out[0] = static_cast<uint8_t>(v);
    return 1;
  }
  if (v < 0x4000) {
    out[0] = static_cast<uint8_t>(0x80 | (v >> 8));
    out[1] = static_cast<uint8_t>(v);
    return 2;
  }
  if (v <= kMaxVarint) {
    out[0] = static_cast<uint8_t>(0xC0 | (v >> 16));
    out[1] = static_cast<uint8_t>(v >> 8);
    out[2] = static_cast<uint8_t>(v);
    return 3;
  }
  return 0;
}

// Appends the varint of v to out; false (nothing appended) when v is above
// kMaxVarint.
inline bool AppendVarint(std::vector<uint8_t>& out, uint32_t v) {
  uint8_t bytes[3];
  const uint32_t n = EncodeVarint(v, bytes);
  out.insert(out.end(), bytes, bytes + n);
  return n > 0;
}

}  // namespace tevarin
