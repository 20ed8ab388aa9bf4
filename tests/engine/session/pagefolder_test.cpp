// The private page folder: private and removed at exit, its fallback name in
// a shared base folder, its use through descriptors, and the removal of the
// folders that ended copies left.
#include "session/pagefolder.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/testutil.h"

namespace tevarin {

namespace {

namespace fs = std::filesystem;

std::string UserFolderName() { return "tevarin-" + std::to_string(getuid()); }

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

std::string Parent(const std::string& path) { return fs::path(path).parent_path().string(); }
std::string Name(const std::string& path) { return fs::path(path).filename().string(); }

bool IsEmptyFolder(const std::string& path) { return fs::is_directory(path) && fs::is_empty(path); }

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// A child process running `sleep seconds`.
pid_t StartSleep(const char* seconds) {
  const pid_t pid = fork();
  if (pid == 0) {
    execlp("sleep", "sleep", seconds, static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

void Reap(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
}

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> out;
  std::string word;
  for (char c : text) {
    if (c == ' ' || c == '\n') {
      if (!word.empty()) out.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) out.push_back(word);
  return out;
}

std::string Join(const std::vector<std::string>& words) {
  std::string out;
  for (const std::string& w : words) out += (out.empty() ? "" : " ") + w;
  return out + '\n';
}

}  // namespace

TEST(PageFolder, IsPrivateAndRemovedAtExit) {
  TempDir base;
  std::string path, userDir;
  {
    CPageFolder pages(base.path());
    ASSERT_TRUE(pages.IsValid()) << pages.Error();
    path = pages.Path();
    userDir = Parent(path);
    EXPECT_EQ(userDir, base.file(UserFolderName()));
    EXPECT_EQ(ModeOf(userDir) & 0777, 0700u);
    EXPECT_EQ(ModeOf(path) & 0777, 0700u);
    EXPECT_TRUE(pages.Write("windows.html", "<html>1</html>"));
    EXPECT_TRUE(pages.Write("windows.html", "<p>"));
    EXPECT_EQ(ReadFile(pages.File("windows.html")), "<p>");
    EXPECT_EQ(ModeOf(pages.File("windows.html")) & 0777, 0600u);
    // A second running copy gets a folder of its own.
    CPageFolder other(base.path());
    EXPECT_TRUE(other.IsValid());
    EXPECT_NE(other.Path(), path);
    // A planted link in place of a page file is not followed; names with a
    // folder part or of the folder's own files are refused.
    const std::string target = base.file("target");
    ASSERT_EQ(symlink(target.c_str(), pages.File("windows1.html").c_str()), 0);
    EXPECT_FALSE(pages.Write("windows1.html", "x"));
    EXPECT_FALSE(pages.Error().empty());
    EXPECT_FALSE(Exists(target));
    for (const char* name : {"../escape.html", ".owner", "", "a/b"}) EXPECT_FALSE(pages.Write(name, "x")) << name;
    EXPECT_FALSE(Exists(base.file(UserFolderName() + "/escape.html")));
    EXPECT_NE(ReadFile(pages.File(".owner")), "x");
    // Removing a page file that is not there is no error.
    pages.Remove("windows2.html");
    pages.Remove("windows.html");
    EXPECT_FALSE(Exists(pages.File("windows.html")));
  }
  EXPECT_FALSE(Exists(path));
  EXPECT_FALSE(Exists(userDir));

  // The per-user folder as a symbolic link: refused, nothing written behind it.
  TempDir evil;
  ASSERT_EQ(symlink(evil.path().c_str(), base.file(UserFolderName()).c_str()), 0);
  CPageFolder linked(base.path());
  EXPECT_FALSE(linked.IsValid());
  EXPECT_FALSE(linked.Error().empty());
  EXPECT_FALSE(linked.Write("windows.html", "x"));
  EXPECT_TRUE(IsEmptyFolder(evil.path()));
  // A base folder that is not there.
  CPageFolder nowhere(base.file("no/such/folder"));
  EXPECT_FALSE(nowhere.IsValid());
  EXPECT_NE(nowhere.Error().find("no/such/folder"), std::string::npos);
  if (getuid() == 0) {
    // Owned by someone else.
    TempDir base2;
    const std::string foreign = base2.file("tevarin-0");
    ASSERT_EQ(mkdir(foreign.c_str(), 0700), 0);
    ASSERT_EQ(chown(foreign.c_str(), 12345, 12345), 0);
    CPageFolder notOurs(base2.path());
    EXPECT_FALSE(notOurs.IsValid());
  }
}

TEST(PageFolder, FallsBackWhenItsNameIsTakenInASharedBase) {
  // A base folder everyone may write into, like the shared temporary folder,
  // where someone else made the per-user name first (here: a link).
  TempDir base, evil;
  ASSERT_EQ(chmod(base.path().c_str(), 01777), 0);
  const std::string taken = base.file(UserFolderName());
  ASSERT_EQ(symlink(evil.path().c_str(), taken.c_str()), 0);
  std::string fallback;
  {
    CPageFolder pages(base.path());
    ASSERT_TRUE(pages.IsValid()) << pages.Error();
    fallback = Parent(pages.Path());
    EXPECT_EQ(Parent(fallback), base.path());
    EXPECT_EQ(Name(fallback).rfind(UserFolderName() + "-", 0), 0u) << fallback;
    EXPECT_EQ(ModeOf(fallback) & 0777, 0700u);
    EXPECT_TRUE(pages.Write("windows.html", "<p>"));
    EXPECT_TRUE(Exists(pages.File("windows.html")));
    // A second copy gets a folder of its own as well.
    CPageFolder other(base.path());
    EXPECT_TRUE(other.IsValid());
    EXPECT_NE(Parent(other.Path()), fallback);
  }
  EXPECT_FALSE(Exists(fallback));
  EXPECT_TRUE(IsEmptyFolder(evil.path()));
  EXPECT_TRUE(fs::is_symlink(taken));
  if (getuid() == 0) {
    // A real folder of that name owned by another user.
    ASSERT_TRUE(fs::remove(taken));
    ASSERT_EQ(mkdir(taken.c_str(), 0777), 0);
    ASSERT_EQ(chown(taken.c_str(), 12345, 12345), 0);
    CPageFolder pages(base.path());
    EXPECT_TRUE(pages.IsValid());
    EXPECT_NE(Parent(pages.Path()), taken);
    EXPECT_TRUE(IsEmptyFolder(taken));
  }
}

TEST(PageFolder, IsUsedThroughItsDescriptor) {
  TempDir base, evil;
  const std::string user = base.file(UserFolderName());
  const std::string moved = base.file("moved");
  std::string own;
  {
    CPageFolder pages(base.path());
    ASSERT_TRUE(pages.IsValid());
    own = Name(pages.Path());
    // The folder's path now leads somewhere else, to a folder of the same name.
    ASSERT_EQ(std::rename(user.c_str(), moved.c_str()), 0);
    ASSERT_EQ(symlink(evil.path().c_str(), user.c_str()), 0);
    ASSERT_EQ(mkdir(evil.file(own).c_str(), 0700), 0);
    EXPECT_TRUE(pages.Write("windows.html", "<p>"));
    EXPECT_TRUE(Exists(moved + "/" + own + "/windows.html"));
    EXPECT_TRUE(IsEmptyFolder(evil.file(own)));
  }
  // At exit the folder itself went, and nothing behind the new path.
  EXPECT_FALSE(Exists(moved + "/" + own));
  EXPECT_TRUE(Exists(evil.file(own)));
  EXPECT_TRUE(fs::is_symlink(user));
}

TEST(PageFolder, FoldersOfEndedCopiesAreRemovedAtStart) {
  TempDir base, outside;
  const std::string user = base.file(UserFolderName());
  ASSERT_EQ(mkdir(user.c_str(), 0700), 0);

  // Owner records of a copy that ended, of one still running and of this one.
  const pid_t ended = StartSleep("0.2");
  ASSERT_GT(ended, 0);
  const std::string endedRecord = CPageFolder::OwnerRecord(ended);
  Reap(ended);
  const pid_t running = StartSleep("60");
  ASSERT_GT(running, 0);
  const std::string runningRecord = CPageFolder::OwnerRecord(running);
  const std::string mine = CPageFolder::OwnerRecord(getpid());
  // This process's id with another start time: the id was given anew.
  std::vector<std::string> fields = Split(mine);
  ASSERT_EQ(fields.size(), 3u);
  fields[1] = std::to_string(std::stoull(fields[1]) + 1);
  const std::string reused = Join(fields);
  std::vector<std::string> foreign = Split(endedRecord);
  ASSERT_EQ(foreign.size(), 3u);
  foreign[2] = "pid:[1]";  // a process id of another namespace

  struct Left {
    const char* name;
    std::string owner;
    bool hasOwner;
    bool kept;
  } left[] = {
      {"pages-ended1", endedRecord, true, false},
      {"pages-reused", reused, true, false},
      {"pages-runnin", runningRecord, true, true},
      {"pages-mine01", mine, true, true},
      {"pages-noowner", "", false, true},
      {"pages-garbage", "not a record\n", true, true},
      {"pages-othern", Join(foreign), true, true},
      {"other-ended1", endedRecord, true, true},
  };
  for (const Left& l : left) {
    const std::string dir = user + "/" + l.name;
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
    WriteFile(dir + "/windows.html", "<p>");
    if (l.hasOwner) WriteFile(dir + "/.owner", l.owner);
  }
  // A link in the per-user folder to a folder elsewhere: never followed.
  WriteFile(outside.file(".owner"), endedRecord);
  WriteFile(outside.file("keep.txt"), "x");
  ASSERT_EQ(symlink(outside.path().c_str(), (user + "/pages-linked").c_str()), 0);

  {
    CPageFolder pages(base.path());
    ASSERT_TRUE(pages.IsValid());
    for (const Left& l : left) EXPECT_EQ(Exists(user + "/" + l.name), l.kept) << l.name;
    EXPECT_TRUE(Exists(outside.file("keep.txt")));
    EXPECT_TRUE(fs::is_symlink(user + "/pages-linked"));
    // While this copy runs, another one leaves its folder alone.
    const std::string path = pages.Path();
    CPageFolder second(base.path());
    EXPECT_TRUE(Exists(path));
  }
  kill(running, SIGKILL);
  Reap(running);
  // Now that copy has ended too.
  CPageFolder later(base.path());
  EXPECT_FALSE(Exists(user + "/pages-runnin"));
  EXPECT_TRUE(Exists(user + "/pages-mine01"));
}

}  // namespace tevarin
