// CPageFolder: the private folder that holds the page files the page view
// shows ("windows.html", "windows1.html", "windows2.html"). One folder per
// user, created with mode 0700, owned by the user, never reached through a
// symbolic link; the page files are removed when the folder object goes.
#pragma once

#include <QString>

class CPageFolder {
 public:
  // Under $XDG_RUNTIME_DIR when set, else the system's temporary folder.
  CPageFolder();
  // For tests: a folder named base/tevarin-<uid>.
  explicit CPageFolder(const QString& base);
  ~CPageFolder();

  bool IsValid() const { return !m_path.isEmpty(); }
  const QString& Path() const { return m_path; }
  const QString& Error() const { return m_error; }
  QString File(const QString& name) const { return m_path + QLatin1Char('/') + name; }
  // Writes bytes to a page file of the folder (replacing it); false on failure.
  bool Write(const QString& name, const QByteArray& bytes) const;

 private:
  void Prepare(const QString& base);

  QString m_path;
  QString m_error;
};
