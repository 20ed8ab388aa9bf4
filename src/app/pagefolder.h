// CPageFolder: the private folder that holds the page files the page view
// shows ("windows.html", "windows1.html", "windows2.html").
//
// Layout: <base>/tevarin-<uid>/pages-XXXXXX, where base is $XDG_RUNTIME_DIR
// when set and the system's temporary folder otherwise. The per-user folder is
// created with mode 0700 and accepted only when it is a real folder (not a
// symbolic link) owned by the user; each running copy of the program makes
// its own pages-XXXXXX inside it (mkdtemp), so two copies never overwrite or
// delete each other's pages. Page files are written through the folder's
// descriptor without following symbolic links. The object removes its page
// files and its folder when it is destroyed, at exit.
#pragma once

#include <QByteArray>
#include <QString>

class CPageFolder {
 public:
  CPageFolder();
  // For tests: the per-user folder is made under base.
  explicit CPageFolder(const QString& base);
  ~CPageFolder();
  CPageFolder(const CPageFolder&) = delete;
  CPageFolder& operator=(const CPageFolder&) = delete;

  bool IsValid() const { return m_dirFd >= 0; }
  // The folder of this running copy; empty when it could not be made.
  const QString& Path() const { return m_path; }
  // Why the folder could not be made (empty when it is valid).
  const QString& Error() const { return m_error; }
  // Full path of a page file of the folder.
  QString File(const QString& name) const { return m_path + QLatin1Char('/') + name; }
  // Writes bytes to a page file (a plain name, no folder part), replacing
  // it; false on failure, with the reason in Error().
  bool Write(const QString& name, const QByteArray& bytes);

 private:
  void Prepare(const QString& base);

  QString m_path;
  QString m_error;
  int m_dirFd = -1;
};
