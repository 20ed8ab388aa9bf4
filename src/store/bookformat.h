// The book files: every page of the collection, in a header file
// ("<base>-fl.h") and a content file ("<base>-fl.cnt"). The reader is
// CFileList (store/filelist.h), the writer BookWriter (writer/bookwriter.h),
// the checker CheckBookStore (store/bookcheck.h).
//
// Book header file, all integers 32-bit signed little-endian:
//   offset 0    4        stored value (handed out unchanged, not interpreted)
//   offset 4    4        name width N (1..260)
//   offset 8    260      header block (kept, not interpreted)
//   offset 268  (N+8)*k  page table: page record 0, 1, ... back to back
// Page record i at 268 + i*(N+8):
//   +0   N  name: 8-bit, NUL-terminated, NUL-padded; "...\<page number>.<ext>"
//   +N   4  end offset: byte offset in the content file just past the page
//   +N+4 4  length: number of stored bytes of the page
// k = (header file length - 268) / (N+8); a partial last record is no record.
// The index of a record in the page table (its record index) names the page
// everywhere else: in the index files, the hit list and the catalogue.
//
// Book content file: the pages back to back, every byte XOR kContentMask.
// A page, once unmasked, is a UTF-8 HTML document.
//
// The page number of a record is the decimal number between the last
// backslash of its name and the last dot after it (CFileList::PageNumberFromName).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "base/littleendian.h"

namespace tevarin {

inline constexpr const char* kBookHeaderSuffix = "-fl.h";
inline constexpr const char* kBookContentSuffix = "-fl.cnt";

inline constexpr int64_t kStoredValueOffset = 0;
inline constexpr int64_t kNameWidthOffset = 4;
inline constexpr int64_t kHeaderBlockOffset = 8;
inline constexpr size_t kHeaderBlockSize = 260;
// The fixed header before the page table.
inline constexpr int64_t kBookHeaderSize = 268;

inline constexpr int32_t kDefaultNameWidth = 100;
inline constexpr int32_t kMaxNameWidth = 260;

// Every byte of the book content file is the page byte XOR this mask.
inline constexpr uint8_t kContentMask = 0xA7;

// The bytes of one page record when names are nameWidth bytes wide.
constexpr int64_t PageRecordSize(int32_t nameWidth) { return int64_t(nameWidth) + 8; }
// Where record `record` starts in the header file.
constexpr int64_t PageRecordOffset(int64_t record, int32_t nameWidth) {
  return kBookHeaderSize + record * PageRecordSize(nameWidth);
}
// The whole records a header file of headerSize bytes holds.
constexpr int64_t PageRecordCount(int64_t headerSize, int32_t nameWidth) {
  return headerSize < kBookHeaderSize ? 0
                                      : (headerSize - kBookHeaderSize) / PageRecordSize(nameWidth);
}

// The first eight bytes of the header file.
struct BookHeaderFields {
  int32_t storedValue = 0;
  int32_t nameWidth = 0;
};

inline BookHeaderFields DecodeBookHeader(const unsigned char* p) {
  return {LoadLE32Signed(p + kStoredValueOffset), LoadLE32Signed(p + kNameWidthOffset)};
}

// The fixed header: stored value, name width and the 260-byte block (cut or
// padded with NULs).
inline void AppendBookHeader(std::string& out, int32_t storedValue, int32_t nameWidth,
                             std::string_view block) {
  AppendLE32(out, static_cast<uint32_t>(storedValue));
  AppendLE32(out, static_cast<uint32_t>(nameWidth));
  const size_t n = block.size() < kHeaderBlockSize ? block.size() : kHeaderBlockSize;
  out.append(block.data(), n);
  out.append(kHeaderBlockSize - n, '\0');
}

// One page record as stored; name is the name field up to its first NUL.
struct PageRecordFields {
  std::string_view name;
  int32_t endOffset = 0;
  int32_t length = 0;
};

// p holds PageRecordSize(nameWidth) bytes.
inline PageRecordFields DecodePageRecord(const unsigned char* p, int32_t nameWidth) {
  const char* chars = reinterpret_cast<const char*>(p);
  return {std::string_view(chars, strnlen(chars, static_cast<size_t>(nameWidth))),
          LoadLE32Signed(p + nameWidth), LoadLE32Signed(p + nameWidth + 4)};
}

// name must be shorter than nameWidth (it is NUL-padded to it).
inline void AppendPageRecord(std::string& out, std::string_view name, int32_t nameWidth,
                             int32_t endOffset, int32_t length) {
  out.append(name);
  out.append(static_cast<size_t>(nameWidth) - name.size(), '\0');
  AppendLE32(out, static_cast<uint32_t>(endOffset));
  AppendLE32(out, static_cast<uint32_t>(length));
}

// Masks stored bytes or unmasks them (the same operation).
inline void MaskContent(char* p, size_t n) {
  for (size_t i = 0; i < n; ++i) p[i] = static_cast<char>(p[i] ^ kContentMask);
}

}  // namespace tevarin
