#include "session/pagefolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

namespace tevarin {

namespace {

std::string Reason(int error) { return std::strerror(error); }
std::string Reason() { return Reason(errno); }

// Reads a small file whole (at most max bytes); empty on failure.
std::string ReadSmall(int fd, size_t max) {
  std::string out(max, '\0');
  size_t got = 0;
  while (got < max) {
    const ssize_t n = read(fd, out.data() + got, max - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  out.resize(got);
  return out;
}

std::string ReadSmallFile(const char* path, size_t max) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  std::string out = ReadSmall(fd, max);
  close(fd);
  return out;
}

// The words of a text separated by white space.
std::vector<std::string> Fields(std::string_view text) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    const size_t start = i;
    while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    if (i > start) out.emplace_back(text.substr(start, i - start));
  }
  return out;
}

// A whole field as a decimal number.
template <typename T>
bool ParseNumber(const std::string& s, T& value) {
  const char* end = s.data() + s.size();
  const auto [ptr, ec] = std::from_chars(s.data(), end, value);
  return ec == std::errc() && ptr == end && !s.empty();
}

// The start time of a process (field 22 of /proc/<pid>/stat, in clock ticks
// since boot); 0 when it cannot be read.
unsigned long long StartTime(long pid) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%ld/stat", pid);
  const std::string stat = ReadSmallFile(path, 4096);
  // The command name in parentheses may hold spaces: count fields after it.
  const size_t close = stat.rfind(')');
  if (close == std::string::npos) return 0;
  const std::vector<std::string> fields = Fields(std::string_view(stat).substr(close + 1));
  // fields[0] is field 3 (the state), so field 22 is fields[19].
  if (fields.size() < 20) return 0;
  unsigned long long start = 0;
  return ParseNumber(fields[19], start) ? start : 0;
}

// The process-id namespace of this process ("pid:[4026531836]"), so that a
// process id is never compared across namespaces; empty when unknown.
std::string PidNamespace() {
  char link[128];
  const ssize_t n = readlink("/proc/self/ns/pid", link, sizeof link - 1);
  if (n <= 0) return {};
  std::string ns(link, static_cast<size_t>(n));
  for (char& c : ns)
    if (c == ' ') c = '_';
  return ns;
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A number nobody can foresee below bound.
unsigned RandomBelow(unsigned bound) {
  unsigned value = 0;
  if (getrandom(&value, sizeof value, 0) != static_cast<ssize_t>(sizeof value)) {
    static std::random_device device;
    value = device();
  }
  return value % bound;
}

// Makes a new folder prefix + six random letters or digits inside parentFd,
// mode 0700; its name goes to name. False with errno set on failure.
bool MakeUniqueFolder(int parentFd, const std::string& prefix, std::string& name) {
  static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = prefix;
    for (int i = 0; i < 6; ++i) name += kChars[RandomBelow(sizeof kChars - 1)];
    if (mkdirat(parentFd, name.c_str(), 0700) == 0) return true;
    if (errno != EEXIST) return false;
  }
  errno = EEXIST;
  return false;
}

// Opens the folder name inside parentFd without following a symbolic link;
// -1 unless it is a folder owned by this user.
int OpenOwnFolder(int parentFd, const char* name) {
  struct stat before;
  if (fstatat(parentFd, name, &before, AT_SYMLINK_NOFOLLOW) != 0) return -1;
  if (!S_ISDIR(before.st_mode) || before.st_uid != getuid()) return -1;
  const int fd = openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat after;
  if (fstat(fd, &after) != 0 || !SameFile(before, after)) {
    close(fd);
    return -1;
  }
  return fd;
}

// Calls f with the name of every entry of a folder but "." and "..".
void ForEachEntry(int dirFd, const std::function<void(const char*)>& f) {
  const int copy = dup(dirFd);
  if (copy < 0) return;
  DIR* dir = fdopendir(copy);
  if (!dir) {
    close(copy);
    return;
  }
  rewinddir(dir);
  while (dirent* e = readdir(dir)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    f(e->d_name);
  }
  closedir(dir);
}

// Removes the files (and links) of a folder; folders inside it stay.
void RemoveFiles(int dirFd) {
  ForEachEntry(dirFd, [dirFd](const char* name) { unlinkat(dirFd, name, 0); });
}

enum class OwnerState { Alive, Gone, Unknown };

// Whether the copy that made the pages folder dirFd is still running, from
// the folder's owner file.
OwnerState StateOfOwner(int dirFd) {
  const int fd = openat(dirFd, CPageFolder::OwnerFileName(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return OwnerState::Unknown;
  struct stat st;
  std::string record;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == getuid()) record = ReadSmall(fd, 256);
  close(fd);
  const std::vector<std::string> fields = Fields(record);
  if (fields.size() < 3) return OwnerState::Unknown;
  long pid = 0;
  unsigned long long start = 0;
  if (!ParseNumber(fields[0], pid) || !ParseNumber(fields[1], start) || pid <= 0)
    return OwnerState::Unknown;
  // A process id of another namespace says nothing here.
  if (fields[2] != PidNamespace() || fields[2].empty()) return OwnerState::Unknown;
  if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return OwnerState::Gone;
  // A process with that id runs; it is the owner unless it started at
  // another time (the id was given to a new process).
  const unsigned long long now = StartTime(pid);
  if (start != 0 && now != 0 && now != start) return OwnerState::Gone;
  return OwnerState::Alive;
}

// Removes the pages-XXXXXX folders inside userFd whose owner is gone. True
// when at least one was removed.
bool RemoveLeftFolders(int userFd) {
  bool removed = false;
  ForEachEntry(userFd, [&](const char* name) {
    if (std::strncmp(name, "pages-", 6) != 0) return;
    const int fd = OpenOwnFolder(userFd, name);
    if (fd < 0) return;
    if (StateOfOwner(fd) == OwnerState::Gone) {
      RemoveFiles(fd);
      if (unlinkat(userFd, name, AT_REMOVEDIR) == 0) removed = true;
    }
    close(fd);
  });
  return removed;
}

// The system's temporary folder, without a trailing slash.
std::string TempFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string path = tmp && *tmp ? tmp : "/tmp";
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

std::string CPageFolder::OwnerRecord(long pid) {
  return std::to_string(pid) + ' ' + std::to_string(StartTime(pid)) + ' ' + PidNamespace() + '\n';
}

CPageFolder::CPageFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  Prepare(runtime && *runtime ? std::string(runtime) : TempFolder());
}

CPageFolder::CPageFolder(const std::string& base) { Prepare(base); }

CPageFolder::~CPageFolder() {
  if (m_dirFd >= 0) {
    // Every file this copy wrote lives in its own folder: remove them all.
    RemoveFiles(m_dirFd);
    close(m_dirFd);
    unlinkat(m_userFd, m_ownName.c_str(), AT_REMOVEDIR);
  }
  if (m_userFd >= 0) {
    // The per-user folder goes too when no other copy is using it, as long
    // as its name still leads to the folder this copy used.
    struct stat used, named;
    if (fstat(m_userFd, &used) == 0 &&
        fstatat(m_baseFd, m_userName.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(used, named))
      unlinkat(m_baseFd, m_userName.c_str(), AT_REMOVEDIR);
    close(m_userFd);
  }
  if (m_baseFd >= 0) close(m_baseFd);
}

bool CPageFolder::OpenUserFolder(const std::string& base, bool sharedBase) {
  m_userName = "tevarin-" + std::to_string(getuid());
  const std::string user = base + '/' + m_userName;
  std::string problem;
  if (mkdirat(m_baseFd, m_userName.c_str(), 0700) != 0 && errno != EEXIST) {
    problem = user + ": " + Reason();
  } else {
    const int fd = openat(m_baseFd, m_userName.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat st;
    if (fd < 0) {
      problem = user + ": " + Reason();
    } else if (fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode)) {
      problem = user + ": フォルダではありません";
      close(fd);
    } else if (st.st_uid != getuid()) {
      problem = user + ": 他の利用者のフォルダです";
      close(fd);
    } else if ((st.st_mode & 0077) != 0 && fchmod(fd, 0700) != 0) {
      // Our own folder left with wider rights (by hand or an old version) is
      // made private again; when that fails it is not used.
      problem = user + ": " + Reason();
      close(fd);
    } else {
      m_userFd = fd;
      return true;
    }
  }
  if (!sharedBase) {
    m_error = problem;
    return false;
  }
  // In a shared folder the name may have been taken by someone else: a new
  // folder with a name nobody can foresee takes its place.
  std::string fresh;
  if (!MakeUniqueFolder(m_baseFd, m_userName + '-', fresh)) {
    m_error = problem + '\n' + base + ": " + Reason();
    return false;
  }
  m_userFd = OpenOwnFolder(m_baseFd, fresh.c_str());
  if (m_userFd < 0) {
    m_error = problem + '\n' + base + '/' + fresh + ": " + Reason();
    return false;
  }
  m_userName = fresh;
  return true;
}

void CPageFolder::Prepare(const std::string& base) {
  m_baseFd = open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  struct stat st;
  if (m_baseFd < 0 || fstat(m_baseFd, &st) != 0) {
    m_error = base + ": " + Reason();
    return;
  }
  // Others may make names in the base folder: the shared temporary folder.
  const bool sharedBase = (st.st_mode & (S_IWGRP | S_IWOTH)) != 0 || st.st_uid != getuid();

  if (sharedBase) {
    // Folders made there by earlier copies in place of a taken name: their
    // left page folders go, and the folder itself once it is empty.
    const std::string prefix = "tevarin-" + std::to_string(getuid()) + '-';
    ForEachEntry(m_baseFd, [&](const char* name) {
      if (std::strncmp(name, prefix.c_str(), prefix.size()) != 0) return;
      const int fd = OpenOwnFolder(m_baseFd, name);
      if (fd < 0) return;
      if (RemoveLeftFolders(fd)) unlinkat(m_baseFd, name, AT_REMOVEDIR);
      close(fd);
    });
  }

  // Another copy ending at this moment may remove an empty per-user folder
  // between its opening and the making of the pages folder: then again.
  for (int attempt = 0;; ++attempt) {
    if (!OpenUserFolder(base, sharedBase)) return;
    RemoveLeftFolders(m_userFd);
    if (MakeUniqueFolder(m_userFd, "pages-", m_ownName)) break;
    const int error = errno;
    close(m_userFd);
    m_userFd = -1;
    if (error != ENOENT || attempt == 2) {
      m_error = base + '/' + m_userName + ": " + Reason(error);
      return;
    }
  }
  const std::string user = base + '/' + m_userName;
  m_dirFd = openat(m_userFd, m_ownName.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (m_dirFd < 0) {
    m_error = user + '/' + m_ownName + ": " + Reason();
    unlinkat(m_userFd, m_ownName.c_str(), AT_REMOVEDIR);
    return;
  }
  m_path = user + '/' + m_ownName;
  // The owner file tells a later copy whether this folder is still in use.
  // Without it the folder is simply never removed by another copy.
  const int owner = openat(m_dirFd, OwnerFileName(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (owner >= 0) {
    const std::string record = OwnerRecord(getpid());
    if (write(owner, record.data(), record.size()) != static_cast<ssize_t>(record.size()))
      unlinkat(m_dirFd, OwnerFileName(), 0);
    close(owner);
  }
}

bool CPageFolder::IsPageName(std::string_view name) {
  // A plain name; names starting with a dot are the folder's own (".owner").
  return !name.empty() && name.find('/') == std::string_view::npos && name.front() != '.' &&
         name.find('\0') == std::string_view::npos;
}

void CPageFolder::Remove(std::string_view name) {
  if (m_dirFd >= 0 && IsPageName(name)) unlinkat(m_dirFd, std::string(name).c_str(), 0);
}

bool CPageFolder::Write(std::string_view name, std::string_view bytes) {
  if (m_dirFd < 0) return false;
  if (!IsPageName(name)) {
    m_error = std::string(name) + ": 頁ファイルの名前ではありません";
    return false;
  }
  const std::string n(name);
  const int fd = openat(m_dirFd, n.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    m_error = File(n) + ": " + Reason();
    return false;
  }
  const char* data = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const ssize_t w = write(fd, data, left);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      m_error = File(n) + ": " + Reason();
      close(fd);
      return false;
    }
    data += w;
    left -= static_cast<size_t>(w);
  }
  if (close(fd) != 0) {
    m_error = File(n) + ": " + Reason();
    return false;
  }
  return true;
}

}  // namespace tevarin
