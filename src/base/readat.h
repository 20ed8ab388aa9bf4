// Positioned reads of whole ranges, shared by the readers of the data files.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <unistd.h>

namespace tevarin {

// Reads exactly n bytes at offset into buf; false on an error or a short read.
inline bool ReadAt(int fd, void* buf, size_t n, int64_t offset) {
  auto* p = static_cast<char*>(buf);
  while (n > 0) {
    const ssize_t r = pread(fd, p, n, offset);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    p += r;
    n -= static_cast<size_t>(r);
    offset += r;
  }
  return true;
}

}  // namespace tevarin
