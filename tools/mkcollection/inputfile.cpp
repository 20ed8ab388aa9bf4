#include "inputfile.h"

#include <bzlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

bool ReadBzip2(std::FILE* f, const std::string& path, std::string& out, std::string& error) {
  int bzerr = BZ_OK;
  BZFILE* bz = BZ2_bzReadOpen(&bzerr, f, 0, 0, nullptr, 0);
  if (bzerr != BZ_OK) {
    error = "cannot decompress " + path;
    return false;
  }
  char buf[1 << 16];
  out.clear();
  while (bzerr == BZ_OK) {
    const int n = BZ2_bzRead(&bzerr, bz, buf, sizeof buf);
    if (n > 0 && (bzerr == BZ_OK || bzerr == BZ_STREAM_END)) out.append(buf, static_cast<size_t>(n));
  }
  const int readStatus = bzerr;
  BZ2_bzReadClose(&bzerr, bz);
  if (readStatus != BZ_STREAM_END) {
    error = "cannot decompress " + path + ": damaged or truncated bzip2 data";
    return false;
  }
  return true;
}

}  // namespace

bool ReadInputFile(const std::string& path, std::string& out, std::string& error) {
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
  if (!f) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  char magic[3] = {};
  const size_t got = std::fread(magic, 1, 3, f.get());
  std::rewind(f.get());
  if (got == 3 && std::memcmp(magic, "BZh", 3) == 0) {
    // Only the first bzip2 stream is read: Debian's files hold one.
    return ReadBzip2(f.get(), path, out, error);
  }
  out.clear();
  char buf[1 << 16];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) out.append(buf, n);
  if (std::ferror(f.get())) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}
