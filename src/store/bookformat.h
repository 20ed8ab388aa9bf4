// Constants of the book files shared by the reader (CFileList) and the writer.
#pragma once

#include <cstdint>

namespace tevarin {

// Every byte of the book content file is the page byte XOR this mask.
inline constexpr uint8_t kContentMask = 0xA7;

// Book header layout: stored value, name width, 260-byte header block, page table.
inline constexpr int64_t kBookHeaderSize = 268;
inline constexpr int32_t kDefaultNameWidth = 100;
inline constexpr int32_t kMaxNameWidth = 260;

inline constexpr const char* kBookHeaderSuffix = "-fl.h";
inline constexpr const char* kBookContentSuffix = "-fl.cnt";

}  // namespace tevarin
