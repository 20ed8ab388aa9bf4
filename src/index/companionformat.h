// The companion postings file: "<name>-idx.companion" beside an index's
// header and postings files (index/indexformat.h), written from them alone by
// the companion writer (writer/companionwriter.h), read by CompanionFile
// (index/companionfile.h) and checked by CheckCompanion (index/indexcheck.h).
//
// It holds the same postings as the index, laid out for the searches: every
// slot whose stream is sound (SlotEntries, index/slotentries.h: the walk
// reaches the slot's last page, pages ascend strictly, positions fit 32 bits)
// has its page entries in blocks of kCompanionBlockEntries with a skip table,
// so that a page list can be intersected block by block without decoding the
// rest; a position count per entry, so that a one-character search reads no
// positions; and its positions as fixed-width numbers, so that the positions
// of one entry are read without decoding any before them. A slot on many
// pages keeps its page set as a bitmap instead of page differences (when the
// bitmap takes no more bytes than they would): two such slots intersect a
// machine word at a time, and the entry of a page is its rank in the bitmap.
// A slot whose stream is not sound, or too large to decode while the file is
// written (kCompanionMaxSlotBytes), has no record: the search reads it from
// the index files.
//
// The file is mapped and read in place; opening it reads its header alone.
// Every part is covered by a checksum that is tested before the part is
// first used (the header at open, a slot's record and directory at the slot's
// first use, a block when it is decoded, a chunk of positions before its
// first read), so damage anywhere makes the search fall back to the index
// files instead of answering differently.
//
// The header binds the file to the index files it was made from: their
// sizes, a checksum of the header file's tables as the reader holds them and
// one of kCompanionSampleBlocks blocks spread over the postings file (all of
// a small one); opening fails when any of them differs. It also holds a
// checksum of the whole postings file, which only the check reads. Nothing
// in it depends on when or where the files were written: the same index
// files always give the same companion, and a collection copied or
// installed elsewhere keeps its companion in use.
//
// All numbers little-endian. Layout:
//
//   Header, kCompanionHeaderSize bytes at offset 0:
//     0   8  magic "TVCMPNN1"
//     8   4  format version (kCompanionVersion)
//     12  4  entries per block (kCompanionBlockEntries)
//     16  4  bytes per position chunk (kCompanionChunkBytes)
//     20  4  R, the number of slot records
//     24  8  size of the companion file
//     32  8  size of the index header file ("-idx.h")
//     40  8  size of the postings file ("-idx.m")
//     48  16 zero
//     64  8  checksum of the header file's tables (CompanionTablesHash)
//     72  8  checksum of the whole postings file
//     80  8  offset of the slot table
//     88  8  offset of the record table
//     96  8  page entries of all records
//     104 8  positions of all records
//     112 8  checksum of the sampled blocks of the postings file
//            (CompanionSampleBlock)
//     ... zero ...
//     kCompanionHeaderSize - 8   8  checksum of the header's bytes before it
//
//   Slot table: kSlotCount uint32, per slot 0 (no record) or its record's
//   number + 1.
//
//   Record table: R records of kCompanionRecordSize bytes, ascending by slot:
//     0   4  slot
//     4   4  n, page entries (at least 1)
//     8   4  blocks, (n + kCompanionBlockEntries - 1) / kCompanionBlockEntries
//     12  4  the slot's last page (equal to the header file's last-page entry)
//     16  4  position bits w, 0..32
//     20  4  position chunks, (position bytes + kCompanionChunkBytes - 1) / kCompanionChunkBytes
//     24  4  bitmap words: 0 (pages in the blocks) or last page / 64 + 1
//     28  4  zero
//     32  8  P, positions
//     40  8  offset of the directory
//     48  8  offset of the block data
//     56  8  bytes of block data
//     64  8  offset of the positions
//     72  8  bytes of positions: (P * w + 7) / 8 + kCompanionPadding
//     80  8  checksum of the directory
//     88  8  checksum of the record's bytes before it
//
//   Directory of a slot: per block a skip entry of kCompanionSkipEntrySize
//   bytes, then per position chunk its checksum (uint32), then zero bytes up
//   to a multiple of 8, then the bitmap words (uint64; bit p % 64 of word
//   p / 64 is set for every page p of the slot):
//     0   4  last page of the block
//     4   4  offset of the block in the slot's block data
//     8   4  index of the block's first position among the slot's P
//     12  4  checksum of the block's bytes (low 32 bits)
//
//   Block of k entries (kCompanionBlockEntries, fewer in the last block):
//     0   4  page of the first entry
//     4   1  page delta bits d, 0..32 (0 for a slot with a bitmap)
//     5   1  count bits c, 0..16
//     6   2  count base b
//     8      k - 1 page deltas (page minus the entry before's), d bits each
//            (none for a slot with a bitmap: its pages are the k set bits
//            from the first page on), then k position counts minus b, c
//            bits each; each run of numbers packed from the lowest bit up
//            and rounded up to bytes.
//   The slot's block data ends with kCompanionPadding zero bytes.
//
//   Positions: the P positions of the slot, entry after entry, each as the
//   absolute position on its page in w bits, packed from the lowest bit up;
//   then kCompanionPadding zero bytes. Chunk c is bytes
//   [c * kCompanionChunkBytes, (c + 1) * kCompanionChunkBytes) of them, the
//   last one shorter.
//
// Entry e of the slot stands in block e / kCompanionBlockEntries; its
// positions are numbers first(e) .. first(e + 1) - 1, where first(e) is the
// block's first position plus the counts of the entries before e in the
// block.
//
// Checksums are CompanionHash (below); a 32-bit checksum is its low half.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/littleendian.h"
#include "index/indexformat.h"

namespace tevarin {

static_assert(std::endian::native == std::endian::little, "the companion is read in place");

inline constexpr const char* kCompanionSuffix = "-idx.companion";
inline constexpr char kCompanionMagic[8] = {'T', 'V', 'C', 'M', 'P', 'N', 'N', '1'};
inline constexpr uint32_t kCompanionVersion = 1;
inline constexpr uint32_t kCompanionBlockEntries = 128;
inline constexpr uint32_t kCompanionChunkBytes = 4096;
inline constexpr uint64_t kCompanionHeaderSize = 4096;
inline constexpr uint64_t kCompanionRecordSize = 96;
inline constexpr uint64_t kCompanionSkipEntrySize = 16;
inline constexpr uint64_t kCompanionBlockHeaderSize = 8;
// Zero bytes after packed numbers: a number is read as the 8 bytes from the
// byte that holds its first bit.
inline constexpr uint64_t kCompanionPadding = 8;
inline constexpr uint32_t kCompanionMaxPageBits = 32;
inline constexpr uint32_t kCompanionMaxCountBits = 16;
inline constexpr uint32_t kCompanionMaxPositionBits = 32;
// Blocks of the postings file whose checksum binds the companion to it.
inline constexpr uint64_t kCompanionSampleBlocks = 16;

// The i-th sampled block of a postings file of `blocks` blocks
// (i < min(blocks, kCompanionSampleBlocks)): spread evenly from the first
// block to the last.
constexpr uint64_t CompanionSampleBlock(uint64_t i, uint64_t blocks) {
  return blocks <= kCompanionSampleBlocks ? i : i * (blocks - 1) / (kCompanionSampleBlocks - 1);
}
// A slot whose decoded entries (SlotEntries) would take more memory than this
// while the file is written gets no record.
inline constexpr size_t kCompanionMaxSlotBytes = size_t(512) << 20;

// ---- Checksum ------------------------------------------------------------

namespace companion_detail {
inline constexpr uint64_t kP1 = 0x9E3779B185EBCA87ULL;
inline constexpr uint64_t kP2 = 0xC2B2AE3D27D4EB4FULL;
inline constexpr uint64_t kP3 = 0x165667B19E3779F9ULL;
inline uint64_t Round(uint64_t lane, uint64_t word) {
  return std::rotl(lane + word * kP2, 31) * kP1;
}
inline uint64_t Avalanche(uint64_t h) {
  h ^= h >> 33;
  h *= kP2;
  h ^= h >> 29;
  h *= kP3;
  h ^= h >> 32;
  return h;
}
}  // namespace companion_detail

// A 64-bit checksum of n bytes: four multiply-rotate lanes over 32-byte
// stripes, then the words and bytes left, then an avalanche. It finds damage;
// it is no defence against a forger.
inline uint64_t CompanionHash(const void* data, size_t n, uint64_t seed = 0) {
  using namespace companion_detail;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  const uint8_t* const end = p + n;
  uint64_t h;
  if (n >= 32) {
    uint64_t a = seed + kP1 + kP2, b = seed + kP2, c = seed, d = seed - kP1;
    for (; end - p >= 32; p += 32) {
      a = Round(a, LoadLE64(p));
      b = Round(b, LoadLE64(p + 8));
      c = Round(c, LoadLE64(p + 16));
      d = Round(d, LoadLE64(p + 24));
    }
    h = std::rotl(a, 1) + std::rotl(b, 7) + std::rotl(c, 12) + std::rotl(d, 18);
  } else {
    h = seed + kP3;
  }
  h += n;
  for (; end - p >= 8; p += 8) h = std::rotl(h ^ Round(0, LoadLE64(p)), 27) * kP1 + kP3;
  for (; p < end; ++p) h = std::rotl(h ^ (uint64_t(*p) * kP3), 11) * kP1;
  return Avalanche(h);
}

inline uint32_t CompanionHash32(const void* data, size_t n) {
  return static_cast<uint32_t>(CompanionHash(data, n));
}

// ---- Packed numbers ------------------------------------------------------

// The set bits of v, without a call into the compiler's runtime (the
// engine is built for CPUs that may lack a population count instruction).
inline uint32_t PopCount64(uint64_t v) {
  v = v - ((v >> 1) & 0x5555555555555555ULL);
  v = (v & 0x3333333333333333ULL) + ((v >> 2) & 0x3333333333333333ULL);
  v = (v + (v >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
  return static_cast<uint32_t>((v * 0x0101010101010101ULL) >> 56);
}

// Bits needed for v (0 for 0).
inline uint32_t BitsFor(uint32_t v) { return v == 0 ? 0 : 32 - static_cast<uint32_t>(std::countl_zero(v)); }

// Bytes that n numbers of w bits take, rounded up.
constexpr uint64_t PackedBytes(uint64_t n, uint32_t w) { return (n * w + 7) / 8; }

// Appends n numbers of w bits (each below 2^w), lowest bit first, rounded up
// to whole bytes.
inline void AppendPacked(std::vector<uint8_t>& out, const uint32_t* v, size_t n, uint32_t w) {
  const size_t start = out.size();
  out.resize(start + PackedBytes(n, w), 0);
  if (w == 0) return;
  uint8_t* p = out.data() + start;
  uint64_t acc = 0;
  uint32_t bits = 0;
  for (size_t i = 0; i < n; ++i) {
    acc |= uint64_t(v[i]) << bits;
    bits += w;
    while (bits >= 8) {
      *p++ = static_cast<uint8_t>(acc);
      acc >>= 8;
      bits -= 8;
    }
  }
  if (bits > 0) *p = static_cast<uint8_t>(acc);
}

// Number i of w bits (w <= 32) from packed bytes at p, which must be
// followed by kCompanionPadding readable bytes past the packed numbers.
inline uint32_t PackedAt(const uint8_t* p, uint64_t i, uint32_t w) {
  const uint64_t bit = i * w;
  const uint64_t word = LoadLE64(p + (bit >> 3));
  const uint64_t mask = (uint64_t(1) << w) - 1;  // w <= 32
  return static_cast<uint32_t>((word >> (bit & 7)) & mask);
}

namespace companion_detail {
template <uint32_t W>
inline void UnpackFixed(const uint8_t* p, uint64_t start, size_t n, uint32_t* out) {
  if constexpr (W == 0) {
    for (size_t i = 0; i < n; ++i) out[i] = 0;
  } else {
    constexpr uint64_t mask = (uint64_t(1) << W) - 1;
    for (size_t i = 0; i < n; ++i) {
      const uint64_t bit = (start + i) * W;
      out[i] = static_cast<uint32_t>((LoadLE64(p + (bit >> 3)) >> (bit & 7)) & mask);
    }
  }
}
template <uint32_t... W>
inline void UnpackDispatch(uint32_t w, const uint8_t* p, uint64_t start, size_t n, uint32_t* out,
                           std::integer_sequence<uint32_t, W...>) {
  (void)((w == W ? (UnpackFixed<W>(p, start, n, out), true) : false) || ...);
}
}  // namespace companion_detail

// Numbers start .. start + n - 1 of w bits (w <= 32) from packed bytes at p
// (followed by kCompanionPadding readable bytes past the packed numbers).
inline void UnpackNumbersFrom(const uint8_t* p, uint64_t start, size_t n, uint32_t w, uint32_t* out) {
  companion_detail::UnpackDispatch(w, p, start, n, out, std::make_integer_sequence<uint32_t, 33>());
}

// The first n numbers of w bits.
inline void UnpackNumbers(const uint8_t* p, size_t n, uint32_t w, uint32_t* out) {
  UnpackNumbersFrom(p, 0, n, w, out);
}

// ---- Header --------------------------------------------------------------

struct CompanionHeader {
  uint32_t version = kCompanionVersion;
  uint32_t blockEntries = kCompanionBlockEntries;
  uint32_t chunkBytes = kCompanionChunkBytes;
  uint32_t records = 0;
  uint64_t fileSize = 0;
  uint64_t indexHeaderSize = 0;
  uint64_t postingsSize = 0;
  uint64_t tablesHash = 0;
  uint64_t postingsHash = 0;
  uint64_t slotTableOffset = kCompanionHeaderSize;
  uint64_t recordTableOffset = 0;
  uint64_t entries = 0;
  uint64_t positions = 0;
  uint64_t sampleHash = 0;
};

inline constexpr uint64_t kCompanionHeaderHashOffset = kCompanionHeaderSize - 8;

// Writes the header's kCompanionHeaderSize bytes, its checksum included.
inline void EncodeCompanionHeader(const CompanionHeader& h, uint8_t* out) {
  std::memset(out, 0, kCompanionHeaderSize);
  std::memcpy(out, kCompanionMagic, 8);
  StoreLE32(out + 8, h.version);
  StoreLE32(out + 12, h.blockEntries);
  StoreLE32(out + 16, h.chunkBytes);
  StoreLE32(out + 20, h.records);
  StoreLE64(out + 24, h.fileSize);
  StoreLE64(out + 32, h.indexHeaderSize);
  StoreLE64(out + 40, h.postingsSize);
  StoreLE64(out + 64, h.tablesHash);
  StoreLE64(out + 72, h.postingsHash);
  StoreLE64(out + 80, h.slotTableOffset);
  StoreLE64(out + 88, h.recordTableOffset);
  StoreLE64(out + 96, h.entries);
  StoreLE64(out + 104, h.positions);
  StoreLE64(out + 112, h.sampleHash);
  StoreLE64(out + kCompanionHeaderHashOffset, CompanionHash(out, kCompanionHeaderHashOffset));
}

// Reads the header from kCompanionHeaderSize bytes; an empty string when
// its magic and checksum hold, else what is wrong. (The fields are then
// checked against the file by the reader.)
inline std::string DecodeCompanionHeader(const uint8_t* in, CompanionHeader& h) {
  if (std::memcmp(in, kCompanionMagic, 8) != 0) return "it is no companion postings file";
  if (LoadLE64(in + kCompanionHeaderHashOffset) != CompanionHash(in, kCompanionHeaderHashOffset))
    return "its header does not match its checksum";
  h.version = LoadLE32(in + 8);
  h.blockEntries = LoadLE32(in + 12);
  h.chunkBytes = LoadLE32(in + 16);
  h.records = LoadLE32(in + 20);
  h.fileSize = LoadLE64(in + 24);
  h.indexHeaderSize = LoadLE64(in + 32);
  h.postingsSize = LoadLE64(in + 40);
  h.tablesHash = LoadLE64(in + 64);
  h.postingsHash = LoadLE64(in + 72);
  h.slotTableOffset = LoadLE64(in + 80);
  h.recordTableOffset = LoadLE64(in + 88);
  h.entries = LoadLE64(in + 96);
  h.positions = LoadLE64(in + 104);
  h.sampleHash = LoadLE64(in + 112);
  return {};
}

// ---- Slot records --------------------------------------------------------

struct CompanionRecord {
  uint32_t slot = 0;
  uint32_t entries = 0;
  uint32_t blocks = 0;
  uint32_t lastPage = 0;
  uint32_t positionBits = 0;
  uint32_t chunks = 0;
  uint32_t bitmapWords = 0;
  uint64_t positions = 0;
  uint64_t directoryOffset = 0;
  uint64_t blockDataOffset = 0;
  uint64_t blockDataBytes = 0;
  uint64_t positionsOffset = 0;
  uint64_t positionBytes = 0;
  uint64_t directoryHash = 0;

  // Where the bitmap starts in the directory, and the directory's bytes.
  uint64_t BitmapOffsetInDirectory() const {
    return (uint64_t(blocks) * kCompanionSkipEntrySize + uint64_t(chunks) * 4 + 7) / 8 * 8;
  }
  uint64_t DirectoryBytes() const {
    return bitmapWords ? BitmapOffsetInDirectory() + uint64_t(bitmapWords) * 8
                       : uint64_t(blocks) * kCompanionSkipEntrySize + uint64_t(chunks) * 4;
  }
};

inline constexpr uint64_t kCompanionRecordHashOffset = kCompanionRecordSize - 8;

inline uint32_t CompanionBlocksFor(uint64_t entries) {
  return static_cast<uint32_t>((entries + kCompanionBlockEntries - 1) / kCompanionBlockEntries);
}
inline uint32_t CompanionChunksFor(uint64_t positionBytes) {
  return static_cast<uint32_t>((positionBytes + kCompanionChunkBytes - 1) / kCompanionChunkBytes);
}

inline void EncodeCompanionRecord(const CompanionRecord& r, uint8_t* out) {
  std::memset(out, 0, kCompanionRecordSize);
  StoreLE32(out + 0, r.slot);
  StoreLE32(out + 4, r.entries);
  StoreLE32(out + 8, r.blocks);
  StoreLE32(out + 12, r.lastPage);
  StoreLE32(out + 16, r.positionBits);
  StoreLE32(out + 20, r.chunks);
  StoreLE32(out + 24, r.bitmapWords);
  StoreLE64(out + 32, r.positions);
  StoreLE64(out + 40, r.directoryOffset);
  StoreLE64(out + 48, r.blockDataOffset);
  StoreLE64(out + 56, r.blockDataBytes);
  StoreLE64(out + 64, r.positionsOffset);
  StoreLE64(out + 72, r.positionBytes);
  StoreLE64(out + 80, r.directoryHash);
  StoreLE64(out + kCompanionRecordHashOffset, CompanionHash(out, kCompanionRecordHashOffset));
}

// Reads a record; an empty string when its checksum holds and its fields
// agree with each other and lie inside a file of fileSize bytes, else what
// is wrong.
inline std::string DecodeCompanionRecord(const uint8_t* in, uint64_t fileSize, CompanionRecord& r) {
  if (LoadLE64(in + kCompanionRecordHashOffset) != CompanionHash(in, kCompanionRecordHashOffset))
    return "its record does not match its checksum";
  r.slot = LoadLE32(in + 0);
  r.entries = LoadLE32(in + 4);
  r.blocks = LoadLE32(in + 8);
  r.lastPage = LoadLE32(in + 12);
  r.positionBits = LoadLE32(in + 16);
  r.chunks = LoadLE32(in + 20);
  r.bitmapWords = LoadLE32(in + 24);
  r.positions = LoadLE64(in + 32);
  r.directoryOffset = LoadLE64(in + 40);
  r.blockDataOffset = LoadLE64(in + 48);
  r.blockDataBytes = LoadLE64(in + 56);
  r.positionsOffset = LoadLE64(in + 64);
  r.positionBytes = LoadLE64(in + 72);
  r.directoryHash = LoadLE64(in + 80);
  if (r.entries == 0 || r.blocks != CompanionBlocksFor(r.entries))
    return "its record has " + std::to_string(r.entries) + " entries in " + std::to_string(r.blocks) + " blocks";
  if (r.positionBits > kCompanionMaxPositionBits || r.positions > UINT32_MAX)
    return "its record has " + std::to_string(r.positions) + " positions of " +
           std::to_string(r.positionBits) + " bits";
  if (r.bitmapWords != 0 && r.bitmapWords != r.lastPage / 64 + 1)
    return "its record's bitmap of " + std::to_string(r.bitmapWords) + " words does not end at its last page";
  if (r.positionBytes != PackedBytes(r.positions, r.positionBits) + kCompanionPadding ||
      r.chunks != CompanionChunksFor(r.positionBytes))
    return "its record's position bytes do not fit its positions";
  const auto inside = [&](uint64_t offset, uint64_t bytes) {
    return offset <= fileSize && bytes <= fileSize - offset;
  };
  if (!inside(r.directoryOffset, r.DirectoryBytes()) || !inside(r.blockDataOffset, r.blockDataBytes) ||
      !inside(r.positionsOffset, r.positionBytes) || r.blockDataBytes < kCompanionPadding)
    return "its record points past the end of the file";
  return {};
}

// ---- Blocks --------------------------------------------------------------

struct CompanionBlockHeader {
  uint32_t firstPage = 0;
  uint32_t deltaBits = 0;
  uint32_t countBits = 0;
  uint32_t countBase = 0;
};

// The bytes of a block of k entries with this header.
inline uint64_t CompanionBlockBytes(const CompanionBlockHeader& h, uint32_t k) {
  return kCompanionBlockHeaderSize + PackedBytes(k - 1, h.deltaBits) + PackedBytes(k, h.countBits);
}

inline CompanionBlockHeader DecodeCompanionBlockHeader(const uint8_t* in) {
  return {LoadLE32(in), in[4], in[5], LoadLE16(in + 6)};
}

inline void EncodeCompanionBlockHeader(const CompanionBlockHeader& h, std::vector<uint8_t>& out) {
  AppendLE32(out, h.firstPage);
  out.push_back(static_cast<uint8_t>(h.deltaBits));
  out.push_back(static_cast<uint8_t>(h.countBits));
  AppendLE16(out, static_cast<uint16_t>(h.countBase));
}

}  // namespace tevarin
