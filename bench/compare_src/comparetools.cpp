#include "comparetools.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>

double NowSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

long MaxRssKb() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return ru.ru_maxrss;
}

long ChildrenMaxRssKb() {
  rusage ru{};
  getrusage(RUSAGE_CHILDREN, &ru);
  return ru.ru_maxrss;
}

void DecodeUtf8(std::string_view s, std::vector<uint32_t>& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const size_t n = s.size();
  for (size_t i = 0; i < n;) {
    const unsigned c = p[i];
    if (c < 0x80) {
      out.push_back(c);
      ++i;
      continue;
    }
    int len = c >= 0xF0 && c < 0xF8 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    if (c >= 0xF8) len = 0;
    uint32_t v = len == 2 ? c & 0x1F : len == 3 ? c & 0x0F : c & 0x07;
    bool ok = len > 0 && i + static_cast<size_t>(len) <= n;
    for (int k = 1; ok && k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) ok = false;
      v = (v << 6) | (p[i + k] & 0x3F);
    }
    if (!ok) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    out.push_back(v);
    i += static_cast<size_t>(len);
  }
}

void AppendUtf8(uint32_t cp, std::string& out) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string EncodeUtf8(const std::vector<uint32_t>& cps) {
  std::string out;
  for (uint32_t cp : cps) AppendUtf8(cp, out);
  return out;
}

bool ReadWholeFile(const std::string& path, std::string& out, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool WriteWholeFile(const std::string& path, std::string_view data, std::string& error) {
  const std::string tmp = path + ".part";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    if (!out) {
      error = "cannot write " + tmp + ": " + std::strerror(errno);
      return false;
    }
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    error = "cannot rename " + tmp + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

int64_t PathSize(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return -1;
  if (!S_ISDIR(st.st_mode)) return st.st_size;
  int64_t sum = 0;
  DIR* d = opendir(path.c_str());
  if (!d) return -1;
  while (dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    const int64_t s = PathSize(path + "/" + name);
    if (s > 0) sum += s;
  }
  closedir(d);
  return sum;
}

std::vector<std::string> SplitString(std::string_view s, char sep) {
  std::vector<std::string> out;
  size_t start = 0;
  while (true) {
    const size_t at = s.find(sep, start);
    out.emplace_back(s.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
    if (at == std::string_view::npos) break;
    start = at + 1;
  }
  return out;
}

MappedFile::~MappedFile() {
  if (m_data && m_size) munmap(const_cast<char*>(m_data), m_size);
}

bool MappedFile::Open(const std::string& path, std::string& error) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  struct stat st;
  if (fstat(fd, &st) != 0) {
    error = "cannot stat " + path;
    close(fd);
    return false;
  }
  m_size = static_cast<size_t>(st.st_size);
  if (m_size > 0) {
    void* p = mmap(nullptr, m_size, PROT_READ, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) {
      error = "cannot map " + path + ": " + std::strerror(errno);
      close(fd);
      m_size = 0;
      return false;
    }
    m_data = static_cast<const char*>(p);
  }
  close(fd);
  return true;
}
