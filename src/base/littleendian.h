// Little-endian numbers in byte buffers: every data file of the collection
// stores its numbers this way. One codec for every reader and writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tevarin {

inline uint16_t LoadLE16(const void* p) {
  const auto* b = static_cast<const unsigned char*>(p);
  return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

inline uint32_t LoadLE32(const void* p) {
  const auto* b = static_cast<const unsigned char*>(p);
  return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

inline int32_t LoadLE32Signed(const void* p) { return static_cast<int32_t>(LoadLE32(p)); }

inline uint64_t LoadLE64(const void* p) {
  const auto* b = static_cast<const unsigned char*>(p);
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | b[i];
  return v;
}

inline void StoreLE16(void* p, uint16_t v) {
  auto* b = static_cast<unsigned char*>(p);
  b[0] = static_cast<unsigned char>(v);
  b[1] = static_cast<unsigned char>(v >> 8);
}

inline void StoreLE32(void* p, uint32_t v) {
  auto* b = static_cast<unsigned char*>(p);
  for (int i = 0; i < 4; ++i) b[i] = static_cast<unsigned char>(v >> (8 * i));
}

inline void StoreLE64(void* p, uint64_t v) {
  auto* b = static_cast<unsigned char*>(p);
  for (int i = 0; i < 8; ++i) b[i] = static_cast<unsigned char>(v >> (8 * i));
}

inline void AppendLE16(std::string& out, uint16_t v) {
  char b[2];
  StoreLE16(b, v);
  out.append(b, 2);
}

inline void AppendLE32(std::string& out, uint32_t v) {
  char b[4];
  StoreLE32(b, v);
  out.append(b, 4);
}

inline void AppendLE16(std::vector<uint8_t>& out, uint16_t v) {
  uint8_t b[2];
  StoreLE16(b, v);
  out.insert(out.end(), b, b + 2);
}

inline void AppendLE32(std::vector<uint8_t>& out, uint32_t v) {
  uint8_t b[4];
  StoreLE32(b, v);
  out.insert(out.end(), b, b + 4);
}

}  // namespace tevarin
