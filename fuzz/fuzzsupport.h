// Shared helpers of the fuzz targets: a per-process scratch folder for the data
// files a target writes, a reader that takes typed values from the fuzz input,
// and a check that aborts (so libFuzzer and the replay both report it) when an
// invariant of a reader's answer does not hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "base/littleendian.h"

namespace tevarin {

#define FUZZ_CHECK(cond)                                                              \
  do {                                                                                \
    if (!(cond)) {                                                                    \
      std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                   \
    }                                                                                 \
  } while (0)

// A folder of this process under /dev/shm (or /tmp), removed at exit.
const std::string& ScratchDir();

// Replaces path with bytes; aborts when the scratch folder cannot be written
// (that is a broken machine, not a finding).
void WriteScratchFile(const std::string& path, std::string_view bytes);
void RemoveScratchFile(const std::string& path);

// Takes values from the front of the fuzz input; past the end every value is 0
// and every byte run is empty, so a target never reads outside the input.
class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : m_p(data), m_end(data + size) {}

  size_t Left() const { return static_cast<size_t>(m_end - m_p); }
  uint8_t U8() { return m_p < m_end ? *m_p++ : 0; }
  // Little-endian: the low byte first. (The two reads are sequenced: the
  // operands of "|" may be evaluated in either order.)
  uint16_t U16() {
    const uint8_t lo = U8();
    return static_cast<uint16_t>(lo | U8() << 8);
  }
  uint32_t U32() {
    const uint16_t lo = U16();
    return lo | static_cast<uint32_t>(U16()) << 16;
  }
  // n bytes, or fewer when the input ends first.
  std::string_view Bytes(size_t n) {
    if (n > Left()) n = Left();
    std::string_view s(reinterpret_cast<const char*>(m_p), n);
    m_p += n;
    return s;
  }
  // A run prefixed by its 16-bit length.
  std::string_view Sized() { return Bytes(U16()); }
  std::string_view Rest() { return Bytes(Left()); }
  // UTF-16 units from a byte run (little-endian pairs, an odd last byte dropped).
  static std::u16string Units(std::string_view bytes) {
    std::u16string out(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char16_t>(LoadLE16(&bytes[2 * i]));
    return out;
  }

 private:
  const uint8_t* m_p;
  const uint8_t* m_end;
};

}  // namespace tevarin
