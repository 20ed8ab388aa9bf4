#include "fuzzsupport.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace tevarin {

namespace {

struct Scratch {
  std::string path;
  Scratch() {
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string tmpl = std::string(base) + "/tevarin-fuzz-XXXXXX";
    if (!mkdtemp(tmpl.data())) {
      std::perror("mkdtemp");
      std::abort();
    }
    path = tmpl;
  }
  ~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

}  // namespace

const std::string& ScratchDir() {
  static Scratch scratch;
  return scratch.path;
}

void WriteScratchFile(const std::string& path, std::string_view bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) {
    std::perror(path.c_str());
    std::abort();
  }
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t w = write(fd, bytes.data() + done, bytes.size() - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      std::perror(path.c_str());
      std::abort();
    }
    done += static_cast<size_t>(w);
  }
  close(fd);
}

void RemoveScratchFile(const std::string& path) { unlink(path.c_str()); }

}  // namespace tevarin
