// Little-endian numbers in byte buffers: every data file of the collection
// stores its numbers this way. One codec for every reader and writer.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace tevarin {

// Each is one unaligned load or store (memcpy), swapped on a big-endian host.
template <typename T>
inline T FromLittleEndian(T v) {
  if constexpr (std::endian::native == std::endian::little || sizeof(T) == 1) {
    return v;
  } else if constexpr (sizeof(T) == 2) {
    return static_cast<T>(__builtin_bswap16(v));
  } else if constexpr (sizeof(T) == 4) {
    return static_cast<T>(__builtin_bswap32(v));
  } else {
    return static_cast<T>(__builtin_bswap64(v));
  }
}

template <typename T>
inline T LoadLE(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return FromLittleEndian(v);
}

template <typename T>
inline void StoreLE(void* p, T v) {
  v = FromLittleEndian(v);  // the same swap both ways
  std::memcpy(p, &v, sizeof v);
}

inline uint16_t LoadLE16(const void* p) { return LoadLE<uint16_t>(p); }
inline uint32_t LoadLE32(const void* p) { return LoadLE<uint32_t>(p); }
inline int32_t LoadLE32Signed(const void* p) { return static_cast<int32_t>(LoadLE32(p)); }
inline uint64_t LoadLE64(const void* p) { return LoadLE<uint64_t>(p); }

inline void StoreLE16(void* p, uint16_t v) { StoreLE(p, v); }
inline void StoreLE32(void* p, uint32_t v) { StoreLE(p, v); }
inline void StoreLE64(void* p, uint64_t v) { StoreLE(p, v); }

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
