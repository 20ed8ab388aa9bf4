// CPageFolder: the private folder that holds the page files the page view
// shows ("windows.html", "windows1.html", "windows2.html").
//
// Layout: <base>/tevarin-<uid>/pages-XXXXXX, where base is $XDG_RUNTIME_DIR
// when set and the system's temporary folder ($TMPDIR, else /tmp) otherwise.
// The per-user folder is created with mode 0700 and accepted only when it is a
// real folder (not a symbolic link) owned by the user. In a base folder that
// other users may write into (the shared temporary folder) someone else can
// take that name first; then a fresh folder with an unpredictable name,
// <base>/tevarin-<uid>-XXXXXX, takes its place. In a base only the user can
// write into, a per-user folder that is not acceptable is reported instead.
//
// Each running copy of the program makes its own pages-XXXXXX inside the
// per-user folder, so two copies never overwrite or delete each other's
// pages, and leaves its process id (with the process's start time) in the
// file ".owner" there. Once checked, the folders are used only through their
// descriptors: page files are written with openat, without following symbolic
// links, so a path swapped afterwards leads nowhere. The object removes its
// page files and its folder when it is destroyed, at exit; folders left by a
// copy that was killed are removed at the next start, once their owner
// process is gone. A folder whose owner is alive, a folder without an owner
// file, and anything not owned by the user are never touched.
//
// Paths and messages are bytes as the system gives them (UTF-8 here).
#pragma once

#include <string>
#include <string_view>

namespace tevarin {

class CPageFolder {
 public:
  CPageFolder();
  // The per-user folder is made under base (the tests use their own).
  explicit CPageFolder(const std::string& base);
  ~CPageFolder();
  CPageFolder(const CPageFolder&) = delete;
  CPageFolder& operator=(const CPageFolder&) = delete;

  bool IsValid() const { return m_dirFd >= 0; }
  // The folder of this running copy; empty when it could not be made.
  const std::string& Path() const { return m_path; }
  // Why the folder could not be made, or why the last Write failed.
  const std::string& Error() const { return m_error; }
  // Full path of a page file of the folder.
  std::string File(std::string_view name) const { return m_path + '/' + std::string(name); }
  // Writes bytes to a page file (a plain name, no folder part, not starting
  // with a dot), replacing it; false on failure, with the reason in Error().
  bool Write(std::string_view name, std::string_view bytes);
  // Removes a page file; a missing file is no error.
  void Remove(std::string_view name);

  // The name of the owner file in each pages-XXXXXX folder.
  static const char* OwnerFileName() { return ".owner"; }
  // The owner file's text for a process: "<pid> <start time> <pid namespace>\n",
  // the start time as the system counts it (0 when it cannot be read).
  static std::string OwnerRecord(long pid);

 private:
  void Prepare(const std::string& base);
  static bool IsPageName(std::string_view name);
  bool OpenUserFolder(const std::string& base, bool sharedBase);

  std::string m_path;
  std::string m_error;
  std::string m_userName;  // the per-user folder's name in the base folder
  std::string m_ownName;   // this copy's pages-XXXXXX in the per-user folder
  int m_baseFd = -1;
  int m_userFd = -1;
  int m_dirFd = -1;
};

}  // namespace tevarin
