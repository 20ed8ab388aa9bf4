// Damage sweep: writes the sound fixture collection, then damaged copies of it
// (every data file truncated at several lengths, single bits flipped in the
// records, tables and chains the readers follow, block chains bent into
// loops) and runs every tevarin-cli command on each copy. Every run must end
// by itself within the time limit, with exit code 0 (an answer) or 1 (a
// refusal), and without a sanitizer report; verify must refuse every damage
// that always breaks the collection (truncation, a chain loop).
//
// Then hostile shapes: copies of the fixture, or of a collection of 100,000
// small pages, whose files are sound in form but of sizes or contents that
// cost time or memory in a careless reader, and keywords of the same kind,
// each with the commands that reach them:
//   - a block chain of 1 GiB (a sparse file) after an index header whose
//     postings file has a few blocks: verify must refuse it;
//   - a page table of 30,000,000 records of name width 1, none with a page
//     number, so that a page lookup meets all of them (a scan record by
//     record takes about 1 s per million): verify must refuse it;
//   - a page of 200 MiB of text with notes;
//   - one slot's postings stream of 64 MiB (a position per byte);
//   - variant tables of 28 MiB: one line without commas, one line of
//     fields, lines without commas;
//   - one variant group of a million members and a keyword of 400 of them;
//   - keywords of 600, 1,000 and 2,000 times a character that stands on
//     every page, and an "or" search of 1,000 single characters;
//   - hit pages of 學而 with 14 single Latin letters, and of "學而 <".
// Limits of a hostile shape's run: 10 s of CPU time (user + system, so that
// a machine busy with other work does not fail a sound run), 30 s in all,
// and 512 MiB above the baseline (the largest peak of the runs on the sound
// fixture: the tool's own size and, in the sanitizer build, what the
// sanitizers take for themselves). The test command runs the sweep under
// AddressSanitizer + UBSan, which make the engine 2-5 times slower and
// larger: a sound engine stays a few times below these limits there, while
// a cost that grows faster than the data (a keyword's terms intersected
// against each other, a search for a separator that runs on to the end of
// the file each time, a record-by-record scan of a large table) or a file
// or an expansion held whole in memory passes them by far. Each run must
// also answer (exit 0) or refuse (exit 1) with a message, and verify must
// refuse the shapes that break the collection. Every run of the sweep,
// damaged copies included, must stay within the same memory limit; the
// damaged copies keep their own time limit of 30 s.
//
// A child's times are read from /proc while it runs and from wait4() when it
// ends. Its memory is its peak resident size as wait4() reports it (an
// address-space limit cannot be used: AddressSanitizer reserves terabytes of
// it). A child's peak counts from its parent's size at the fork, so the
// shapes' files are written by children of their own and this process stays
// small; AddressSanitizer holds freed memory back for 32 MiB of frees, not
// 256, so that the peak counts what a run holds rather than what it freed.
// A run that passes a time limit, or grows past the memory limit by another
// 512 MiB, is killed.
//
// Usage: damage_sweep TEVARIN_CLI [--full] [--shapes] [--only TEXT] [--verbose]
//                     [--time-limit SECONDS] [--memory-limit MIB]
//   --full flips eight times as many bits and runs every command on every
//   copy (the quick sweep, which the test command runs, runs verify and two
//   other commands in turn); run the full one after a change to a reader.
//   --shapes runs the hostile shapes only, --only TEXT those whose name holds
//   TEXT (e.g. "page table"); --verbose prints every run with its times, peak
//   memory and output size; --time-limit (CPU seconds) and --memory-limit
//   replace the hostile shapes' limits, to measure how far a fault goes.
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "index/postingscursor.h"
#include "base/littleendian.h"
#include "catalog/catalogueformat.h"
#include "index/indexformat.h"
#include "store/bookformat.h"
#include "support/robust_collection.h"

using namespace tevarin;

namespace fs = std::filesystem;

// The commands' peaks count from this process's size (see above): under
// AddressSanitizer this process holds back only 8 MiB of its own frees, not
// 256, so that reading and writing the damaged copies does not make it grow.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=8"; }

namespace {

constexpr int kTimeLimitSeconds = 30;       // a damaged copy's run
constexpr double kShapeCpuSeconds = 10;     // a hostile shape's run, in CPU time
constexpr double kShapeWallFactor = 3;      // and its wall-clock time, times that
constexpr long kMemoryAboveBaselineMiB = 512;
constexpr long kKillAboveLimitMiB = 512;    // the watchdog's margin
// Exit codes the sanitizers are told to use, so that a report is told apart
// from a refusal (1).
constexpr int kAsanExit = 86;
constexpr int kUbsanExit = 87;

struct Invocation {
  std::vector<std::string> args;  // after --data DIR
  int soundExit = 0;              // its exit code on the sound collection
};

// Every command with arguments that reach the data: searches with wildcards
// and variants, pages inside and outside the page table.
const std::vector<Invocation>& Invocations() {
  static const std::vector<Invocation> list = {
      {{"stats"}},
      {{"verify"}},
      {{"toc"}},
      {{"page", "3"}},
      {{"page", "6", "3"}},
      {{"page", "2", "9"}, 1},
      {{"search", "學 習"}},
      {{"search", "--or", "--variants", "--range", "2", "学?而 之*之"}},
      {{"search", "--scope", "body", "之之之"}},
      {{"search", "--scope", "notes", "--variants", "說"}},
      {{"hitpage", "0", "學 說"}},
      {{"hitpage", "--scope", "notes", "--variants", "5", "學*習"}},
      {{"hitpage", "7", "之"}},
      {{"hitpage", "100", "之"}, 1},
  };
  return list;
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
bool WriteAll(const fs::path& p, const std::string& s) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(s.data(), static_cast<std::streamsize>(s.size()));
  out.close();
  return static_cast<bool>(out);
}

struct Limits {
  double seconds = kTimeLimitSeconds;  // wall-clock time
  double cpuSeconds = 0;               // 0: no limit of CPU time
  long memoryKiB = 0;                  // 0: no memory limit (the baseline runs)
};

struct Outcome {
  bool finished = false;      // ended by itself
  bool memoryKilled = false;  // killed by the watchdog for its memory
  bool cpuKilled = false;     // killed for its CPU time
  bool signalled = false;
  int code = -1;
  double seconds = 0;
  double cpuSeconds = 0;      // user + system time
  long peakKiB = 0;           // peak resident size
  uint64_t outBytes = 0;      // bytes written to standard output
  uint64_t errBytes = 0;
  std::string outHead;        // the first bytes of standard output
  std::string errHead;        // and of standard error
};

// User + system time of a running process.
double CpuSeconds(pid_t pid) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
  const std::string stat = ReadAll(path);
  const size_t close = stat.rfind(')');  // the command name may hold spaces
  if (close == std::string::npos) return 0;
  // Fields after the name, from field 3 (state) on; utime and stime are 14 and 15.
  unsigned long long utime = 0, stime = 0;
  if (std::sscanf(stat.c_str() + close + 1,
                  " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime, &stime) != 2)
    return 0;
  return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

long ResidentKiB(pid_t pid) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/statm", static_cast<int>(pid));
  std::FILE* f = std::fopen(path, "r");
  if (!f) return 0;
  long size = 0, resident = 0;
  const int n = std::fscanf(f, "%ld %ld", &size, &resident);
  std::fclose(f);
  return n == 2 ? resident * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

double TimeOf(const struct rusage& u) {
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Runs the command on the collection in dir under the limits. Its output is
// read through pipes (counted, the start of each kept) so that a page of
// hundreds of MiB costs no disk.
Outcome Run(const std::string& cli, const std::string& dir, const std::vector<std::string>& args,
            const Limits& limits) {
  std::vector<std::string> argv = {cli, "--data", dir};
  argv.insert(argv.end(), args.begin(), args.end());
  int outPipe[2], errPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0) return {};
  if (pipe2(errPipe, O_CLOEXEC) != 0) {
    close(outPipe[0]);
    close(outPipe[1]);
    return {};
  }
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    // Leaks are the engine tests' business; the exit-time scan would double
    // the cost of every run here. Freed memory is held back for 32 MiB of
    // frees, not 256: a run's peak then counts what it holds, not what it
    // has freed.
    setenv("ASAN_OPTIONS",
           ("detect_leaks=0:quarantine_size_mb=32:exitcode=" + std::to_string(kAsanExit)).c_str(), 1);
    setenv("UBSAN_OPTIONS", ("halt_on_error=1:exitcode=" + std::to_string(kUbsanExit)).c_str(), 1);
    std::vector<char*> cargv;
    for (auto& a : argv) cargv.push_back(a.data());
    cargv.push_back(nullptr);
    execv(cli.c_str(), cargv.data());
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  if (pid < 0) {
    close(outPipe[0]);
    close(errPipe[0]);
    return {};
  }
  int fds[2] = {outPipe[0], errPipe[0]};
  for (int fd : fds) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  fcntl(outPipe[0], F_SETPIPE_SZ, 1 << 20);  // fewer wake-ups for a large page

  Outcome out;
  std::vector<char> buf(1 << 16);
  auto drain = [&] {
    for (int k = 0; k < 2; ++k) {
      while (fds[k] >= 0) {
        const ssize_t n = read(fds[k], buf.data(), buf.size());
        if (n > 0) {
          (k == 0 ? out.outBytes : out.errBytes) += static_cast<uint64_t>(n);
          std::string& head = k == 0 ? out.outHead : out.errHead;
          if (head.size() < 300) head.append(buf.data(), std::min<size_t>(static_cast<size_t>(n), 300));
          continue;
        }
        if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
          close(fds[k]);
          fds[k] = -1;
        }
        break;
      }
    }
  };
  const long killKiB = limits.memoryKiB > 0 ? limits.memoryKiB + kKillAboveLimitMiB * 1024 : 0;
  long watched = 0;
  int status = 0;
  struct rusage usage;
  for (;;) {
    pollfd p[2];
    nfds_t n = 0;
    for (int fd : fds)
      if (fd >= 0) p[n++] = pollfd{fd, POLLIN, 0};
    poll(p, n, 5);
    drain();
    const pid_t r = wait4(pid, &status, WNOHANG, &usage);
    out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (r == pid) break;
    const long resident = ResidentKiB(pid);
    watched = std::max(watched, resident);
    const bool overMemory = killKiB > 0 && resident > killKiB;
    const bool overCpu = limits.cpuSeconds > 0 && CpuSeconds(pid) > limits.cpuSeconds;
    if (out.seconds > limits.seconds || overMemory || overCpu) {
      kill(pid, SIGKILL);
      wait4(pid, &status, 0, &usage);
      for (int& fd : fds)
        if (fd >= 0) close(fd);
      out.memoryKilled = overMemory;
      out.cpuKilled = overCpu && !overMemory;
      out.peakKiB = std::max(watched, static_cast<long>(usage.ru_maxrss));
      out.cpuSeconds = TimeOf(usage);
      return out;  // not finished: a hang or a runaway
    }
  }
  drain();  // what is left in the pipes; the writer has gone, so they end
  for (int& fd : fds)
    if (fd >= 0) close(fd);
  out.finished = true;
  out.peakKiB = std::max(watched, static_cast<long>(usage.ru_maxrss));
  out.cpuSeconds = TimeOf(usage);
  out.signalled = WIFSIGNALED(status);
  out.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

Outcome Run(const std::string& cli, const std::string& dir, const Invocation& inv,
            const Limits& limits) {
  return Run(cli, dir, inv.args, limits);
}

struct Damage {
  std::string what;
  std::string file;
  std::function<void(std::string&)> apply;
  bool alwaysBroken;  // verify must refuse it
};

// A little-endian number of a file's bytes; 0 (reading), nothing (writing)
// past the end.
uint32_t U32(const std::string& s, int64_t at) {
  return at >= 0 && static_cast<size_t>(at) + 4 <= s.size() ? LoadLE32(&s[static_cast<size_t>(at)]) : 0;
}
void SetU32(std::string& s, int64_t at, uint32_t v) {
  if (at >= 0 && static_cast<size_t>(at) + 4 <= s.size()) StoreLE32(&s[static_cast<size_t>(at)], v);
}

std::vector<Damage> Damages(const fs::path& sound, int flipFactor) {
  std::vector<Damage> list;
  const char* files[] = {"Index-fl.h",          "Index-fl.cnt",        "Index-idx.h",
                         "Index-idx.m",         "Index_content-idx.h", "Index_content-idx.m",
                         "Index_desc-idx.h",    "Index_desc-idx.m",    "yitizi.txt",
                         "vok.dir"};
  for (const char* f : files) {
    const size_t size = fs::file_size(sound / f);
    const size_t cuts[] = {0, size / 2, size - 1};
    for (size_t cut : cuts) {
      if (cut >= size) continue;
      // The variant table may lose only its last line feed, and the postings
      // file only padding after the last stream's end.
      const std::string name = f;
      const bool broken = !(name == "yitizi.txt" && cut > size / 2) &&
                          !(name.size() > 6 && name.substr(name.size() - 6) == "-idx.m" && cut == size - 1);
      list.push_back({"truncated to " + std::to_string(cut) + " bytes", f,
                      [cut](std::string& s) { s.resize(cut); }, broken});
    }
  }

  // Bit flips where the readers look: the book header's fields and records,
  // the used entries of the index tables and chains, the postings streams,
  // the catalogue's numbers and the variant table's text.
  std::mt19937 rng(20240601);
  auto flips = [&](const std::string& file, std::vector<size_t> offsets, int count) {
    for (int i = 0; i < count * flipFactor && !offsets.empty(); ++i) {
      const size_t at = offsets[rng() % offsets.size()];
      const int bit = static_cast<int>(rng() % 8);
      list.push_back({"bit " + std::to_string(bit) + " of byte " + std::to_string(at) + " flipped",
                      file, [at, bit](std::string& s) { if (at < s.size()) s[at] ^= char(1 << bit); },
                      false});
    }
  };
  {
    std::vector<size_t> offs;
    const std::string h = ReadAll(sound / "Index-fl.h");
    for (size_t i = 0; i < h.size(); ++i)
      if (i < static_cast<size_t>(kHeaderBlockOffset) || i >= static_cast<size_t>(kBookHeaderSize))
        offs.push_back(i);
    flips("Index-fl.h", offs, 8);
  }
  for (const char* idx : {"Index", "Index_content", "Index_desc"}) {
    const std::string h = ReadAll(sound / (std::string(idx) + "-idx.h"));
    std::vector<size_t> offs;
    for (int slot = 0; slot < kSlotCount; ++slot) {
      if (static_cast<int32_t>(U32(h, FirstBlockEntryOffset(slot))) < 0) continue;
      for (size_t k = 0; k < 4; ++k) {
        offs.push_back(static_cast<size_t>(FirstBlockEntryOffset(slot)) + k);
        offs.push_back(static_cast<size_t>(LastPageEntryOffset(slot)) + k);
      }
    }
    for (size_t i = kBlockChainOffset; i < h.size(); ++i) offs.push_back(i);  // chain
    flips(std::string(idx) + "-idx.h", offs, 4);

    // Postings: the first bytes of every slot's stream.
    const std::string m = ReadAll(sound / (std::string(idx) + "-idx.m"));
    std::vector<size_t> moffs;
    for (int slot = 0; slot < kSlotCount; ++slot) {
      const int32_t first = static_cast<int32_t>(U32(h, FirstBlockEntryOffset(slot)));
      if (first < 0) continue;
      for (size_t k = 0; k < 16; ++k) moffs.push_back(size_t(first) * kBlockSize + k);
    }
    flips(std::string(idx) + "-idx.m", moffs, 4);

    // Chain loops: every multi-block stream's first block chained to itself
    // and its second block chained back to the first.
    for (int slot = 0; slot < kSlotCount; ++slot) {
      const int32_t first = static_cast<int32_t>(U32(h, FirstBlockEntryOffset(slot)));
      if (first < 0) continue;
      const uint32_t second = U32(h, ChainEntryOffset(uint32_t(first)));
      if (second == static_cast<uint32_t>(first)) continue;  // a one-block stream
      list.push_back({"slot " + std::to_string(slot) + ": block " + std::to_string(first) +
                          " chained to itself",
                      std::string(idx) + "-idx.h",
                      [first](std::string& s) { SetU32(s, ChainEntryOffset(uint32_t(first)), uint32_t(first)); },
                      true});
      list.push_back({"slot " + std::to_string(slot) + ": block " + std::to_string(second) +
                          " chained back to " + std::to_string(first),
                      std::string(idx) + "-idx.h",
                      [first, second](std::string& s) {
                        SetU32(s, ChainEntryOffset(second), uint32_t(first));
                      },
                      false});  // harmless when the stream ends inside the second block
    }
  }
  {
    std::vector<size_t> offs;
    const size_t n = fs::file_size(sound / "vok.dir") / kCatalogueRecordSize;
    for (size_t r = 0; r < n; ++r)  // level, docID, docNo and curFileName
      for (size_t k = kCatalogueLevelOffset; k < kCatalogueReservedOffset; ++k)
        offs.push_back(r * kCatalogueRecordSize + k);
    flips("vok.dir", offs, 4);
  }
  {
    std::vector<size_t> offs;
    for (size_t i = 0; i < fs::file_size(sound / "yitizi.txt"); ++i) offs.push_back(i);
    flips("yitizi.txt", offs, 3);
  }
  return list;
}


// ---- Hostile shapes ----

// A file of the copy made anew: the copy's files are hard links to the sound
// collection's, which must never be written through.
fs::path Fresh(const fs::path& dir, const char* file) {
  fs::remove(dir / file);
  return dir / file;
}

// Makes path `size` bytes long; what lies past its end now reads as zeros and
// takes no disk (a sparse file).
bool Extend(const fs::path& path, uint64_t size) {
  std::error_code ec;
  fs::resize_file(path, size, ec);
  return !ec;
}

std::string Repeat(const std::string& unit, size_t times) {
  std::string s;
  s.reserve(unit.size() * times);
  for (size_t i = 0; i < times; ++i) s += unit;
  return s;
}

// A character of the Basic Multilingual Plane in UTF-8.
std::string Utf8(uint32_t cp) {
  std::string s;
  ConvertUtf16ToUtf8(std::u16string(1, static_cast<char16_t>(cp)), s, true);
  return s;
}


// The character that stands on every page of the many-page collection (and
// fills two pages of the fixture), and a thousand others, eight of which
// stand on each of its pages.
constexpr uint32_t kCommon = 0x4E4B;  // 之
uint32_t Scattered(size_t i) { return 0x5000 + 2 * static_cast<uint32_t>(i); }
constexpr size_t kScatteredCount = 1000;
constexpr uint32_t kWidePages = 100000;

std::vector<robust::FixturePage> WidePages() {
  std::vector<robust::FixturePage> pages;
  pages.reserve(kWidePages);
  for (uint32_t r = 0; r < kWidePages; ++r) {
    robust::FixturePage p;
    p.name = "w1\\b1\\v1\\" + std::to_string(r + 1) + ".htm";
    p.body.push_back(static_cast<char16_t>(kCommon));
    for (uint32_t j = 0; j < 8; ++j)
      p.body.push_back(static_cast<char16_t>(Scattered((r * (2 * j + 3) + 17 * j) % kScatteredCount)));
    p.note.push_back(static_cast<char16_t>(Scattered((r * 11 + 5) % kScatteredCount)));
    pages.push_back(std::move(p));
  }
  return pages;
}

bool WriteWideCollection(const fs::path& dir) {
  const std::vector<robust::CatalogueRecord> catalogue = {
      {u"集部", 1, 1, static_cast<int32_t>(kWidePages), 1},
      {u"雜記", 2, 1, static_cast<int32_t>(kWidePages), 1},
      {u"卷一", 3, 1, static_cast<int32_t>(kWidePages), 1},
  };
  return robust::WriteCollection(dir.string(), WidePages(), robust::FixtureGroups(), catalogue);
}

struct ShapeCommand {
  std::vector<std::string> args;  // after --data DIR
  std::string shown{};            // how messages name it; empty: the arguments
  bool mustRefuse = false;        // the shape breaks the collection: exit 1
};

struct Shape {
  std::string name;
  bool wide = false;  // a copy of the many-page collection, else of the fixture
  // Writes the shape's files into the copy (hard links to the sound files).
  std::function<bool(const fs::path& dir)> make;
  std::vector<ShapeCommand> commands;
};

// A block chain of 1 GiB after the index header: 268 million entries for a
// postings file of a few blocks.
bool MakeLongChain(const fs::path& dir) {
  const std::string h = ReadAll(dir / "Index-idx.h");
  const fs::path path = Fresh(dir, "Index-idx.h");
  return WriteAll(path, h) && Extend(path, h.size() + (uint64_t(1) << 30));
}

// The page table rewritten with name width 1 (a record is then a NUL for its
// name, an end offset and a length: 9 bytes) and 30,000,000 records. The
// fixture's records keep their pages; the rest are empty pages. No record has
// a page number, so every page lookup meets all of them.
constexpr uint32_t kManyRecords = 30000000;
bool MakeLongPageTable(const fs::path& dir) {
  const std::string h = ReadAll(dir / "Index-fl.h");
  const uint32_t width = U32(h, kNameWidthOffset);
  const size_t count = static_cast<size_t>(PageRecordCount(static_cast<int64_t>(h.size()), width));
  std::string t = h.substr(0, kBookHeaderSize);
  SetU32(t, kStoredValueOffset, kManyRecords);
  SetU32(t, kNameWidthOffset, 1);
  for (size_t i = 0; i < count; ++i) {
    t.push_back('\0');
    t.append(h, static_cast<size_t>(PageRecordOffset(i, width)) + width, 8);
  }
  const fs::path path = Fresh(dir, "Index-fl.h");
  return WriteAll(path, t) && Extend(path, kBookHeaderSize + uint64_t(kManyRecords) * 9);
}

// Record 0 (page 1 of 學而) becomes a page of 200 MiB: text with a note every
// 4 KiB, appended to the content file (written for real: a page of zeros
// would not be text).
bool MakeHugePage(const fs::path& dir) {
  const std::string h = ReadAll(dir / "Index-fl.h");
  const std::string c = ReadAll(dir / "Index-fl.cnt");
  const uint32_t width = U32(h, kNameWidthOffset);
  const std::string head =
      "<html><head><title>d1\\b1\\v1\\1.htm</title></head><body><TABLE><tr><TD width=80></TD>"
      "<TD width=450>";
  const std::string tail = "</TD></tr></TABLE></body></html>";
  const std::string unit = Repeat("有朋自遠方來不亦樂乎人不知而不慍", 85) +
                           "<font size=-1 color=\"#993366\">學者覺也</font>";
  const size_t units = (size_t(200) << 20) / unit.size();
  const uint64_t length = head.size() + units * unit.size() + tail.size();
  auto masked = [](std::string s) {
    MaskContent(s.data(), s.size());
    return s;
  };
  std::ofstream out(Fresh(dir, "Index-fl.cnt"), std::ios::binary | std::ios::trunc);
  out << c << masked(head);
  const std::string block = masked(Repeat(unit, 64));
  size_t left = units;
  for (; left >= 64; left -= 64) out << block;
  out << masked(Repeat(unit, left)) << masked(tail);
  out.close();
  std::string t = h;
  SetU32(t, PageRecordOffset(0, width) + width, static_cast<uint32_t>(c.size() + length));
  SetU32(t, PageRecordOffset(0, width) + width + 4, static_cast<uint32_t>(length));
  return static_cast<bool>(out) && WriteAll(Fresh(dir, "Index-fl.h"), t);
}

// The whole-text slot of 之 becomes one stream of 64 MiB: 1,024 page entries
// of 65,535 positions (one byte each), appended to the postings file and
// chained block after block. The page table grows to 1,024 records (empty
// pages) so that every entry names a record.
bool MakeHugeStream(const fs::path& dir) {
  constexpr uint32_t kEntries = 1024;
  const int slot = CharToSlot(kCommon);
  std::string h = ReadAll(dir / "Index-idx.h");
  std::string m = ReadAll(dir / "Index-idx.m");
  m.resize((m.size() + kBlockSize - 1) / kBlockSize * kBlockSize, '\0');
  const uint32_t firstNew = static_cast<uint32_t>(m.size() / kBlockSize);
  for (uint32_t r = 0; r < kEntries; ++r) {
    m.push_back(static_cast<char>(r == 0 ? 0 : 1));  // page delta
    m.push_back('\xFF');                              // 65,535 position bytes
    m.push_back('\xFF');
    m.push_back('\0');                                // position 0, then +1 each
    m.append(65534, '\x01');
  }
  m.resize((m.size() + kBlockSize - 1) / kBlockSize * kBlockSize, '\0');
  const uint32_t blocks = static_cast<uint32_t>(m.size() / kBlockSize);
  h.resize(static_cast<size_t>(ChainEntryOffset(blocks)), '\0');
  for (uint32_t b = firstNew; b < blocks; ++b) SetU32(h, ChainEntryOffset(b), b + 1 < blocks ? b + 1 : b);
  SetU32(h, FirstBlockEntryOffset(slot), firstNew);
  SetU32(h, LastPageEntryOffset(slot), kEntries - 1);
  const std::string fl = ReadAll(dir / "Index-fl.h");
  const uint32_t width = U32(fl, kNameWidthOffset);
  return WriteAll(Fresh(dir, "Index-idx.m"), m) && WriteAll(Fresh(dir, "Index-idx.h"), h) &&
         WriteAll(Fresh(dir, "Index-fl.h"), fl) &&
         Extend(dir / "Index-fl.h", static_cast<uint64_t>(PageRecordOffset(kEntries, width)));
}

// Variant tables of 28 MiB. Fields cycle through U+4E00..U+9FFF after 學 and
// 学, so that the first group holds the characters the commands use.
constexpr size_t kTableBytes = size_t(28) << 20;
std::string CyclingFields(size_t bytes, char separator) {
  std::string s = "5B78,5B66";
  s.push_back(separator);
  char field[16];
  for (uint32_t cp = 0x4E00; s.size() < bytes; cp = cp == 0x9FFF ? 0x4E00 : cp + 1) {
    std::snprintf(field, sizeof field, "%X%c", cp, separator);
    s += field;
  }
  return s;
}
std::function<bool(const fs::path&)> VariantTableShape(std::function<std::string()> text) {
  return [text](const fs::path& dir) { return WriteAll(Fresh(dir, "yitizi.txt"), text()); };
}

std::string Times(uint32_t cp, size_t n) { return Repeat(Utf8(cp), n); }

std::vector<Shape> Shapes() {
  const std::string k400 = Times(0x5B78, 400);  // 學
  std::string scattered;                         // 1,000 one-character keywords
  for (size_t i = 0; i < kScatteredCount; ++i) scattered += (i ? " " : "") + Utf8(Scattered(i));
  const std::string letters = "學而 a b c d e g k l m n o r s t";

  std::vector<Shape> list;
  list.push_back({"block chain of 1 GiB after the index header", false, MakeLongChain,
                  {{{"verify"}, "", true},
                   {{"stats"}},
                   {{"search", "學 習"}},
                   {{"search", "--or", "--variants", "學 之"}},
                   {{"hitpage", "0", "學"}}}});
  list.push_back({"page table of 30,000,000 records of name width 1", false, MakeLongPageTable,
                  {{{"page", "3"}},
                   {{"page", "6", "3"}},
                   {{"stats"}},
                   {{"verify"}, "", true},
                   {{"search", "學"}},
                   {{"hitpage", "7", "之"}}}});
  list.push_back({"page of 200 MiB", false, MakeHugePage,
                  {{{"page", "3"}},
                   {{"hitpage", "0", "學"}},
                   {{"hitpage", "--variants", "--scope", "body", "0", "學 覺"}},
                   {{"verify"}},
                   {{"search", "學"}}}});
  list.push_back({"postings stream of 64 MiB in one slot", false, MakeHugeStream,
                  {{{"search", "之"}},
                   {{"search", "之之"}},
                   {{"search", "學 之"}},
                   {{"search", "--or", "之 學"}},
                   {{"verify"}}}});
  const std::vector<ShapeCommand> variantCommands = {
      {{"search", "--variants", "學"}},
      {{"search", "--or", "--variants", "學 而"}},
      {{"hitpage", "--variants", "0", "學而"}},
      {{"verify"}},
      {{"stats"}},
  };
  list.push_back({"variant table of one 28 MiB line without commas", false,
                  VariantTableShape([] { return Repeat("5B78", kTableBytes / 4); }), variantCommands});
  list.push_back({"variant table of one 28 MiB line of fields", false,
                  VariantTableShape([] { return CyclingFields(kTableBytes, ','); }), variantCommands});
  list.push_back({"variant table of 28 MiB of lines without commas", false,
                  VariantTableShape([] { return CyclingFields(kTableBytes, '\n'); }), variantCommands});
  list.push_back({"variant group of 1,000,000 members", false,
                  VariantTableShape([] {
                    return CyclingFields(size_t(5) * 1000000, ',') + "\n" +
                           robust::VariantTableText({robust::FixtureGroups()[1],
                                                     robust::FixtureGroups()[2]});
                  }),
                  {{{"hitpage", "--variants", "0", k400}, "hitpage --variants 0 學×400"},
                   {{"search", "--variants", k400}, "search --variants 學×400"},
                   {{"hitpage", "--variants", "0", "學而 時習"}},
                   {{"search", "--variants", "學而"}}}});
  list.push_back({"long keywords and an 'or' of 1,000 characters on 100,000 pages", true, nullptr,
                  {{{"search", Times(kCommon, 600)}, "search 之×600"},
                   {{"search", Times(kCommon, 1000)}, "search 之×1000"},
                   {{"search", Times(kCommon, 2000)}, "search 之×2000"},
                   {{"search", "--variants", Times(kCommon, 1000)}, "search --variants 之×1000"},
                   {{"search", "--or", scattered}, "search --or (1,000 single characters)"},
                   {{"hitpage", "0", Times(kCommon, 2000)}, "hitpage 0 之×2000"}}});
  list.push_back({"keywords of the hit page", false, nullptr,
                  {{{"hitpage", "0", letters}},
                   {{"hitpage", "0", "學而 <"}},
                   {{"hitpage", "--variants", "0", letters}},
                   {{"hitpage", "6", Times(kCommon, 2000)}, "hitpage 6 之×2000"},
                   {{"search", Times(kCommon, 2000)}, "search 之×2000"}}});
  return list;
}

// Runs work in a child process, so that the memory it takes never adds to
// this process's size: a command started from this process begins at that
// size, and the peak wait4() reports for it would include it.
bool InChild(const std::function<bool()>& work) {
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) _exit(work() ? 0 : 1);
  int status = 0;
  return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string MiB(long kib) { return std::to_string((kib + 512) / 1024) + " MiB"; }

std::string Figures(const Outcome& o) {
  char buf[160];
  std::snprintf(buf, sizeof buf, "%s%.2f s (%.2f s CPU), %s peak, %llu bytes out",
                o.finished ? ("exit " + std::to_string(o.code) + ", ").c_str() : "", o.seconds,
                o.cpuSeconds, MiB(o.peakKiB).c_str(), static_cast<unsigned long long>(o.outBytes));
  return buf;
}

// What is wrong with a run, or "" when nothing is.
std::string Fault(const Outcome& o, const Limits& limits, bool mustRefuse) {
  char buf[128];
  if (o.memoryKilled) {
    std::snprintf(buf, sizeof buf, "grew past %s and was killed",
                  MiB(limits.memoryKiB + kKillAboveLimitMiB * 1024).c_str());
    return buf;
  }
  if (o.cpuKilled || (limits.cpuSeconds > 0 && o.cpuSeconds > limits.cpuSeconds)) {
    std::snprintf(buf, sizeof buf, "took more than %g s of CPU time", limits.cpuSeconds);
    return buf;
  }
  if (!o.finished) {
    std::snprintf(buf, sizeof buf, "did not finish within %g s", limits.seconds);
    return buf;
  }
  if (o.signalled) return "was killed by a signal (crash)";
  if (o.code == kAsanExit) return "AddressSanitizer report";
  if (o.code == kUbsanExit) return "UndefinedBehaviorSanitizer report";
  if (o.code != 0 && o.code != 1) return "exit code " + std::to_string(o.code);
  if (limits.memoryKiB > 0 && o.peakKiB > limits.memoryKiB)
    return "used more than the limit of " + MiB(limits.memoryKiB);
  if (mustRefuse && o.code != 1) return "accepted a broken collection";
  return "";
}

std::string FirstLine(const std::string& s) {
  std::string line = s.substr(0, s.find('\n'));
  return line.size() > 160 ? line.substr(0, 160) + "..." : line;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: damage_sweep TEVARIN_CLI [--full] [--shapes] [--only TEXT] [--verbose] "
                 "[--time-limit SECONDS] [--memory-limit MIB]\n");
    return 2;
  }
  const std::string cli = argv[1];
  bool verbose = false, full = false, shapesOnly = false;
  std::string only;  // runs only the hostile shapes whose name holds it
  double shapeSeconds = kShapeCpuSeconds;
  long shapeMiB = -1;  // -1: baseline + kMemoryAboveBaselineMiB
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--verbose") == 0) verbose = true;
    else if (std::strcmp(argv[i], "--full") == 0) full = true;
    else if (std::strcmp(argv[i], "--shapes") == 0) shapesOnly = true;
    else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
      only = argv[++i];
      shapesOnly = true;
    }
    else if (std::strcmp(argv[i], "--time-limit") == 0 && i + 1 < argc) shapeSeconds = std::atof(argv[++i]);
    else if (std::strcmp(argv[i], "--memory-limit") == 0 && i + 1 < argc) shapeMiB = std::atol(argv[++i]);
  }
  const int flipFactor = full ? 8 : 1;
  char tmpl[] = "/tmp/tevarin-sweep-XXXXXX";
  if (!mkdtemp(tmpl)) return 2;
  const fs::path root = tmpl;
  const fs::path sound = root / "sound";
  const fs::path work = root / "damaged";
  fs::create_directories(sound);
  if (!robust::WriteCollection(sound.string())) {
    std::fprintf(stderr, "damage_sweep: cannot write the fixture collection\n");
    return 2;
  }

  int failures = 0, runs = 0;
  std::vector<Invocation> others;  // every command but verify, taken in turn
  for (const Invocation& inv : Invocations())
    if (inv.args[0] != "verify") others.push_back(inv);
  size_t turn = 0;
  Limits damageLimits;  // the memory limit is set once the baseline is known
  auto check = [&](const std::string& label, const Invocation& inv, const Outcome& o, bool mustRefuse) {
    ++runs;
    std::string cmd;
    for (const auto& a : inv.args) cmd += " " + a;
    const std::string fault = Fault(o, damageLimits, mustRefuse);
    if (!fault.empty()) {
      ++failures;
      std::printf("FAIL %s:%s %s (%s)\n", label.c_str(), cmd.c_str(), fault.c_str(), Figures(o).c_str());
    } else if (verbose) {
      std::printf("ok   %s:%s %s\n", label.c_str(), cmd.c_str(), Figures(o).c_str());
    }
  };

  // The sound collection, which also gives the baseline of memory: what the
  // tool (and the sanitizers, in their build) take for a small collection.
  long baselineKiB = 0;
  for (const Invocation& inv : Invocations()) {
    const Outcome o = Run(cli, sound.string(), inv, Limits{});
    check("sound collection", inv, o, false);
    baselineKiB = std::max(baselineKiB, o.peakKiB);
    if (o.finished && o.code != inv.soundExit) {
      ++failures;
      std::printf("FAIL sound collection: %s exits %d, not %d\n", inv.args[0].c_str(), o.code,
                  inv.soundExit);
    }
  }
  damageLimits.memoryKiB = baselineKiB + kMemoryAboveBaselineMiB * 1024;
  const Limits shapeLimits{shapeSeconds * kShapeWallFactor, shapeSeconds,
                           shapeMiB >= 0 ? shapeMiB * 1024 : damageLimits.memoryKiB};
  if (verbose)
    std::printf("baseline %s; hostile shapes: %g s of CPU time, %g s in all and %s per run\n",
                MiB(baselineKiB).c_str(), shapeLimits.cpuSeconds, shapeLimits.seconds,
                MiB(shapeLimits.memoryKiB).c_str());

  for (const Damage& d : shapesOnly ? std::vector<Damage>{} : Damages(sound, flipFactor)) {
    // Hard links for the sound files; the damaged one is written anew.
    fs::remove_all(work);
    fs::copy(sound, work, fs::copy_options::recursive | fs::copy_options::create_hard_links);
    std::string bytes = ReadAll(work / d.file);
    d.apply(bytes);
    fs::remove(work / d.file);
    WriteAll(work / d.file, bytes);
    const std::string label = d.file + " " + d.what;
    // verify on every copy; of the other commands all (--full) or two in
    // turn, so that each meets a share of the damages.
    for (const Invocation& inv : Invocations()) {
      const bool isVerify = inv.args[0] == "verify";
      if (!full && !isVerify) continue;
      check(label, inv, Run(cli, work.string(), inv, damageLimits), d.alwaysBroken && isVerify);
    }
    for (int k = 0; k < 2 && !full; ++k) {
      const Invocation& inv = others[turn++ % others.size()];
      check(label, inv, Run(cli, work.string(), inv, damageLimits), false);
    }
  }

  // Hostile shapes: each on a fresh copy, removed after its commands.
  const fs::path wide = root / "wide";
  bool wideWritten = false;
  for (const Shape& shape : Shapes()) {
    if (shape.name.find(only) == std::string::npos) continue;
    const fs::path base = shape.wide ? wide : sound;
    if (shape.wide && !wideWritten) {
      fs::create_directories(wide);
      wideWritten = InChild([&] { return WriteWideCollection(wide); });
      if (!wideWritten) {
        ++failures;
        std::printf("FAIL hostile shape '%s': cannot write the collection of %u pages\n",
                    shape.name.c_str(), kWidePages);
        continue;
      }
    }
    fs::remove_all(work);
    fs::copy(base, work, fs::copy_options::recursive | fs::copy_options::create_hard_links);
    if (shape.make && !InChild([&] { return shape.make(work); })) {
      ++failures;
      std::printf("FAIL hostile shape '%s': cannot write its files\n", shape.name.c_str());
      continue;
    }
    for (const ShapeCommand& c : shape.commands) {
      ++runs;
      std::string cmd = c.shown;
      for (size_t k = 0; cmd.empty() && k < c.args.size(); ++k) cmd += (k ? " " : "") + c.args[k];
      const Outcome o = Run(cli, work.string(), c.args, shapeLimits);
      std::string fault = Fault(o, shapeLimits, c.mustRefuse);
      if (fault.empty() && o.code == 1 && o.errBytes == 0 && o.outBytes == 0)
        fault = "refused without a message";
      if (!fault.empty()) {
        ++failures;
        std::printf("FAIL hostile shape '%s': %s: %s (%s)\n", shape.name.c_str(), cmd.c_str(),
                    fault.c_str(), Figures(o).c_str());
      } else if (verbose) {
        std::printf("ok   hostile shape '%s': %s: %s%s%s\n", shape.name.c_str(), cmd.c_str(),
                    Figures(o).c_str(), o.code == 1 ? ": " : "",
                    o.code == 1 ? FirstLine(o.errHead.empty() ? o.outHead : o.errHead).c_str() : "");
      }
    }
    fs::remove_all(work);
  }
  fs::remove_all(root);
  if (verbose) std::printf("this process's own size at the end: %s\n", MiB(ResidentKiB(getpid())).c_str());
  std::printf("damage sweep: %d runs, %d failures\n", runs, failures);
  return failures == 0 ? 0 : 1;
}
