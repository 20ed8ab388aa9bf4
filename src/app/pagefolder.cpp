#include "app/pagefolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

QString Reason() { return QString::fromLocal8Bit(std::strerror(errno)); }

}  // namespace

CPageFolder::CPageFolder() {
  const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
  Prepare(runtime.isEmpty() ? QDir::tempPath() : QFile::decodeName(runtime));
}

CPageFolder::CPageFolder(const QString& base) { Prepare(base); }

CPageFolder::~CPageFolder() {
  if (m_dirFd < 0) return;
  // Every file this copy wrote lives in its own folder: remove them all.
  if (DIR* dir = fdopendir(dup(m_dirFd))) {
    while (dirent* e = readdir(dir)) {
      if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
      unlinkat(m_dirFd, e->d_name, 0);
    }
    closedir(dir);
  }
  close(m_dirFd);
  const QByteArray own = QFile::encodeName(m_path);
  rmdir(own.constData());
  // The per-user folder goes too when no other copy is using it.
  rmdir(QFile::encodeName(QFileInfo(m_path).path()).constData());
}

void CPageFolder::Prepare(const QString& base) {
  const QString user = base + QStringLiteral("/tevarin-%1").arg(getuid());
  const QByteArray u = QFile::encodeName(user);
  if (mkdir(u.constData(), 0700) != 0 && errno != EEXIST) {
    m_error = QStringLiteral("%1: %2").arg(user, Reason());
    return;
  }
  const int userFd = open(u.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (userFd < 0) {
    m_error = QStringLiteral("%1: %2").arg(user, Reason());
    return;
  }
  struct stat st;
  if (fstat(userFd, &st) != 0 || !S_ISDIR(st.st_mode)) {
    m_error = QStringLiteral("%1: フォルダではありません").arg(user);
    close(userFd);
    return;
  }
  if (st.st_uid != getuid()) {
    m_error = QStringLiteral("%1: 他の利用者のフォルダです").arg(user);
    close(userFd);
    return;
  }
  // Our own folder left with wider rights (by hand or an old version) is
  // made private again.
  if ((st.st_mode & 0077) != 0 && fchmod(userFd, 0700) != 0) {
    m_error = QStringLiteral("%1: %2").arg(user, Reason());
    close(userFd);
    return;
  }
  close(userFd);

  QByteArray templ = u + "/pages-XXXXXX";
  if (!mkdtemp(templ.data())) {
    m_error = QStringLiteral("%1: %2").arg(user, Reason());
    return;
  }
  m_dirFd = open(templ.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (m_dirFd < 0) {
    m_error = QStringLiteral("%1: %2").arg(QFile::decodeName(templ), Reason());
    rmdir(templ.constData());
    return;
  }
  m_path = QFile::decodeName(templ);
}

bool CPageFolder::Write(const QString& name, const QByteArray& bytes) {
  if (m_dirFd < 0) return false;
  if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".") ||
      name == QLatin1String("..")) {
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
