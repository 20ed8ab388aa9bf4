#include "ui/base/pagefolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace tevarin {

namespace {

QString Reason() { return QString::fromLocal8Bit(std::strerror(errno)); }

QString Reason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// Reads a small file whole (at most max bytes); empty on failure.
QByteArray ReadSmall(int fd, size_t max) {
  QByteArray out(static_cast<qsizetype>(max), '\0');
  size_t got = 0;
  while (got < max) {
    const ssize_t n = read(fd, out.data() + got, max - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  out.truncate(static_cast<qsizetype>(got));
  return out;
}

QByteArray ReadSmallFile(const char* path, size_t max) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  QByteArray out = ReadSmall(fd, max);
  close(fd);
  return out;
}

// The start time of a process (field 22 of /proc/<pid>/stat, in clock ticks
// since boot); 0 when it cannot be read.
unsigned long long StartTime(long pid) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%ld/stat", pid);
  const QByteArray stat = ReadSmallFile(path, 4096);
  // The command name in parentheses may hold spaces: count fields after it.
  const qsizetype close = stat.lastIndexOf(')');
  if (close < 0) return 0;
  const QList<QByteArray> fields = stat.mid(close + 1).simplified().split(' ');
  // fields[0] is field 3 (the state), so field 22 is fields[19].
  if (fields.size() < 20) return 0;
  bool ok = false;
  const unsigned long long start = fields[19].toULongLong(&ok);
  return ok ? start : 0;
}

// The process-id namespace of this process ("pid:[4026531836]"), so that a
// process id is never compared across namespaces; empty when unknown.
QByteArray PidNamespace() {
  char link[128];
  const ssize_t n = readlink("/proc/self/ns/pid", link, sizeof link - 1);
  if (n <= 0) return {};
  QByteArray ns(link, static_cast<qsizetype>(n));
  ns.replace(' ', '_');
  return ns;
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Makes a new folder prefix + six random letters or digits inside parentFd,
// mode 0700; its name goes to name. False with errno set on failure.
bool MakeUniqueFolder(int parentFd, const QByteArray& prefix, QByteArray& name) {
  static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = prefix;
    for (int i = 0; i < 6; ++i) name += kChars[QRandomGenerator::system()->bounded(int(sizeof kChars - 1))];
    if (mkdirat(parentFd, name.constData(), 0700) == 0) return true;
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
  QByteArray record;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == getuid()) record = ReadSmall(fd, 256);
  close(fd);
  const QList<QByteArray> fields = record.simplified().split(' ');
  if (fields.size() < 3) return OwnerState::Unknown;
  bool pidOk = false, startOk = false;
  const long pid = fields[0].toLong(&pidOk);
  const unsigned long long start = fields[1].toULongLong(&startOk);
  if (!pidOk || !startOk || pid <= 0) return OwnerState::Unknown;
  // A process id of another namespace says nothing here.
  if (fields[2] != PidNamespace() || fields[2].isEmpty()) return OwnerState::Unknown;
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

}  // namespace

QByteArray CPageFolder::OwnerRecord(long pid) {
  return QByteArray::number(static_cast<qlonglong>(pid)) + ' ' +
         QByteArray::number(StartTime(pid)) + ' ' + PidNamespace() + '\n';
}

CPageFolder::CPageFolder() {
  const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
  Prepare(runtime.isEmpty() ? QDir::tempPath() : QFile::decodeName(runtime));
}

CPageFolder::CPageFolder(const QString& base) { Prepare(base); }

CPageFolder::~CPageFolder() {
  if (m_dirFd >= 0) {
    // Every file this copy wrote lives in its own folder: remove them all.
    RemoveFiles(m_dirFd);
    close(m_dirFd);
    unlinkat(m_userFd, m_ownName.constData(), AT_REMOVEDIR);
  }
  if (m_userFd >= 0) {
    // The per-user folder goes too when no other copy is using it, as long
    // as its name still leads to the folder this copy used.
    struct stat used, named;
    if (fstat(m_userFd, &used) == 0 &&
        fstatat(m_baseFd, m_userName.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(used, named))
      unlinkat(m_baseFd, m_userName.constData(), AT_REMOVEDIR);
    close(m_userFd);
  }
  if (m_baseFd >= 0) close(m_baseFd);
}

bool CPageFolder::OpenUserFolder(const QString& base, bool sharedBase) {
  m_userName = "tevarin-" + QByteArray::number(getuid());
  const QString user = base + QLatin1Char('/') + QFile::decodeName(m_userName);
  QString problem;
  if (mkdirat(m_baseFd, m_userName.constData(), 0700) != 0 && errno != EEXIST) {
    problem = QStringLiteral("%1: %2").arg(user, Reason());
  } else {
    const int fd = openat(m_baseFd, m_userName.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat st;
    if (fd < 0) {
      problem = QStringLiteral("%1: %2").arg(user, Reason());
    } else if (fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode)) {
      problem = QStringLiteral("%1: フォルダではありません").arg(user);
      close(fd);
    } else if (st.st_uid != getuid()) {
      problem = QStringLiteral("%1: 他の利用者のフォルダです").arg(user);
      close(fd);
    } else if ((st.st_mode & 0077) != 0 && fchmod(fd, 0700) != 0) {
      // Our own folder left with wider rights (by hand or an old version) is
      // made private again; when that fails it is not used.
      problem = QStringLiteral("%1: %2").arg(user, Reason());
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
  QByteArray fresh;
  if (!MakeUniqueFolder(m_baseFd, m_userName + '-', fresh)) {
    m_error = QStringLiteral("%1\n%2: %3").arg(problem, base, Reason());
    return false;
  }
  m_userFd = OpenOwnFolder(m_baseFd, fresh.constData());
  if (m_userFd < 0) {
    m_error = QStringLiteral("%1\n%2/%3: %4").arg(problem, base, QFile::decodeName(fresh), Reason());
    return false;
  }
  m_userName = fresh;
  return true;
}

void CPageFolder::Prepare(const QString& base) {
  const QByteArray b = QFile::encodeName(base);
  m_baseFd = open(b.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  struct stat st;
  if (m_baseFd < 0 || fstat(m_baseFd, &st) != 0) {
    m_error = QStringLiteral("%1: %2").arg(base, Reason());
    return;
  }
  // Others may make names in the base folder: the shared temporary folder.
  const bool sharedBase = (st.st_mode & (S_IWGRP | S_IWOTH)) != 0 || st.st_uid != getuid();

  if (sharedBase) {
    // Folders made there by earlier copies in place of a taken name: their
    // left page folders go, and the folder itself once it is empty.
    const QByteArray prefix = "tevarin-" + QByteArray::number(getuid()) + '-';
    ForEachEntry(m_baseFd, [&](const char* name) {
      if (std::strncmp(name, prefix.constData(), static_cast<size_t>(prefix.size())) != 0) return;
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
      m_error = QStringLiteral("%1/%2: %3").arg(base, QFile::decodeName(m_userName), Reason(error));
      return;
    }
  }
  const QString user = base + QLatin1Char('/') + QFile::decodeName(m_userName);
  m_dirFd = openat(m_userFd, m_ownName.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (m_dirFd < 0) {
    m_error = QStringLiteral("%1/%2: %3").arg(user, QFile::decodeName(m_ownName), Reason());
    unlinkat(m_userFd, m_ownName.constData(), AT_REMOVEDIR);
    return;
  }
  m_path = user + QLatin1Char('/') + QFile::decodeName(m_ownName);
  // The owner file tells a later copy whether this folder is still in use.
  // Without it the folder is simply never removed by another copy.
  const int owner =
      openat(m_dirFd, OwnerFileName(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (owner >= 0) {
    const QByteArray record = OwnerRecord(getpid());
    if (write(owner, record.constData(), static_cast<size_t>(record.size())) != record.size())
      unlinkat(m_dirFd, OwnerFileName(), 0);
    close(owner);
  }
}

bool CPageFolder::IsPageName(const QString& name) {
  // A plain name; names starting with a dot are the folder's own (".owner").
  return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.startsWith(QLatin1Char('.'));
}

void CPageFolder::Remove(const QString& name) {
  if (m_dirFd >= 0 && IsPageName(name)) unlinkat(m_dirFd, QFile::encodeName(name).constData(), 0);
}

bool CPageFolder::Write(const QString& name, const QByteArray& bytes) {
  if (m_dirFd < 0) return false;
  if (!IsPageName(name)) {
    m_error = QStringLiteral("%1: 頁ファイルの名前ではありません").arg(name);
    return false;
  }
  const QByteArray n = QFile::encodeName(name);
  const int fd = openat(m_dirFd, n.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    m_error = QStringLiteral("%1: %2").arg(File(name), Reason());
    return false;
  }
  const char* data = bytes.constData();
  qsizetype left = bytes.size();
  while (left > 0) {
    const ssize_t w = write(fd, data, static_cast<size_t>(left));
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      m_error = QStringLiteral("%1: %2").arg(File(name), Reason());
      close(fd);
      return false;
    }
    data += w;
    left -= w;
  }
  if (close(fd) != 0) {
    m_error = QStringLiteral("%1: %2").arg(File(name), Reason());
    return false;
  }
  return true;
}

}  // namespace tevarin
