#include "app/pagefolder.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const char* const kPageFiles[] = {"windows.html", "windows1.html", "windows2.html"};
}

CPageFolder::CPageFolder() {
  const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
  Prepare(runtime.isEmpty() ? QDir::tempPath() : QString::fromLocal8Bit(runtime));
}

CPageFolder::CPageFolder(const QString& base) { Prepare(base); }

CPageFolder::~CPageFolder() {
  if (m_path.isEmpty()) return;
  for (const char* name : kPageFiles) QFile::remove(File(QString::fromLatin1(name)));
  rmdir(QFile::encodeName(m_path).constData());
}

void CPageFolder::Prepare(const QString& base) {
  const QString path = base + QStringLiteral("/tevarin-%1").arg(getuid());
  const QByteArray p = QFile::encodeName(path);
  if (mkdir(p.constData(), 0700) != 0 && errno != EEXIST) {
    m_error = QStringLiteral("cannot create %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    return;
  }
  // Never through a symbolic link, only the user's own folder, private.
  struct stat st;
  if (lstat(p.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    m_error = QStringLiteral("%1 is not a folder").arg(path);
    return;
  }
  if (st.st_uid != getuid()) {
    m_error = QStringLiteral("%1 belongs to another user").arg(path);
    return;
  }
  if ((st.st_mode & 0077) != 0 && chmod(p.constData(), 0700) != 0) {
    m_error = QStringLiteral("%1 cannot be made private").arg(path);
    return;
  }
  m_path = path;
}

bool CPageFolder::Write(const QString& name, const QByteArray& bytes) const {
  if (m_path.isEmpty()) return false;
  const QByteArray p = QFile::encodeName(File(name));
  // O_NOFOLLOW: a planted link in place of a page file is refused.
  const int fd = open(p.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const char* data = bytes.constData();
  qsizetype left = bytes.size();
  while (left > 0) {
    const ssize_t n = write(fd, data, static_cast<size_t>(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      close(fd);
      return false;
    }
    data += n;
    left -= n;
  }
  return close(fd) == 0;
}
