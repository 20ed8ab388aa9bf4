// Damage sweep: writes the sound fixture collection, then damaged copies of it
// (every data file truncated at several lengths, single bits flipped in the
// records, tables and chains the readers follow, block chains bent into
// loops) and runs every tevarin-cli command on each copy. Every run must end
// by itself within the time limit, with exit code 0 (an answer) or 1 (a
// refusal), and without a sanitizer report; verify must refuse every damage
// that always breaks the collection (truncation, a chain loop).
// Usage: damage_sweep TEVARIN_CLI [--full] [--verbose]
//   --full flips eight times as many bits and runs every command on every
//   copy (the quick sweep, which the test command runs, runs verify and two
//   other commands in turn); run the full one after a change to a reader.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/robust_collection.h"

using namespace tevarin;

namespace fs = std::filesystem;

namespace {

constexpr int kTimeLimitSeconds = 30;
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
void WriteAll(const fs::path& p, const std::string& s) {
  std::ofstream(p, std::ios::binary | std::ios::trunc).write(s.data(), static_cast<std::streamsize>(s.size()));
}

struct Outcome {
  bool finished = false;
  bool signalled = false;
  int code = -1;
  double seconds = 0;
};

Outcome Run(const std::string& cli, const std::string& dir, const Invocation& inv) {
  std::vector<std::string> argv = {cli, "--data", dir};
  argv.insert(argv.end(), inv.args.begin(), inv.args.end());
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int devnull = open("/dev/null", O_WRONLY);
    if (devnull >= 0) {
      dup2(devnull, 1);
      dup2(devnull, 2);
    }
    // Leaks are the engine tests' business; the exit-time scan would double
    // the cost of every run here.
    setenv("ASAN_OPTIONS", ("detect_leaks=0:exitcode=" + std::to_string(kAsanExit)).c_str(), 1);
    setenv("UBSAN_OPTIONS", ("halt_on_error=1:exitcode=" + std::to_string(kUbsanExit)).c_str(), 1);
    std::vector<char*> cargv;
    for (auto& a : argv) cargv.push_back(a.data());
    cargv.push_back(nullptr);
    execv(cli.c_str(), cargv.data());
    _exit(127);
  }
  Outcome out;
  int status = 0;
  for (;;) {
    const pid_t r = waitpid(pid, &status, WNOHANG);
    out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (r == pid) break;
    if (out.seconds > kTimeLimitSeconds) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return out;  // not finished: a hang
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  out.finished = true;
  out.signalled = WIFSIGNALED(status);
  out.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

struct Damage {
  std::string what;
  std::string file;
  std::function<void(std::string&)> apply;
  bool alwaysBroken;  // verify must refuse it
};

uint32_t U32(const std::string& s, size_t at) {
  uint32_t v = 0;
  if (at + 4 <= s.size()) std::memcpy(&v, s.data() + at, 4);
  return v;
}
void SetU32(std::string& s, size_t at, uint32_t v) {
  if (at + 4 <= s.size()) std::memcpy(s.data() + at, &v, 4);
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
      if (i < 8 || i >= 268) offs.push_back(i);
    flips("Index-fl.h", offs, 8);
  }
  for (const char* idx : {"Index", "Index_content", "Index_desc"}) {
    const std::string h = ReadAll(sound / (std::string(idx) + "-idx.h"));
    std::vector<size_t> offs;
    for (int slot = 0; slot < kSlotCount; ++slot) {
      if (static_cast<int32_t>(U32(h, 4 * size_t(slot))) < 0) continue;
      for (size_t k = 0; k < 4; ++k) {
        offs.push_back(4 * size_t(slot) + k);               // first block
        offs.push_back(1000000 + 4 * size_t(slot) + k);     // last page
      }
    }
    for (size_t i = 1400000; i < h.size(); ++i) offs.push_back(i);  // chain
    flips(std::string(idx) + "-idx.h", offs, 4);

    // Postings: the first bytes of every slot's stream.
    const std::string m = ReadAll(sound / (std::string(idx) + "-idx.m"));
    std::vector<size_t> moffs;
    for (int slot = 0; slot < kSlotCount; ++slot) {
      const int32_t first = static_cast<int32_t>(U32(h, 4 * size_t(slot)));
      if (first < 0) continue;
      for (size_t k = 0; k < 16; ++k) moffs.push_back(size_t(first) * 4096 + k);
    }
    flips(std::string(idx) + "-idx.m", moffs, 4);

    // Chain loops: every multi-block stream's first block chained to itself
    // and its second block chained back to the first.
    for (int slot = 0; slot < kSlotCount; ++slot) {
      const int32_t first = static_cast<int32_t>(U32(h, 4 * size_t(slot)));
      if (first < 0) continue;
      const uint32_t second = U32(h, 1400000 + 4 * size_t(first));
      if (second == static_cast<uint32_t>(first)) continue;  // a one-block stream
      list.push_back({"slot " + std::to_string(slot) + ": block " + std::to_string(first) +
                          " chained to itself",
                      std::string(idx) + "-idx.h",
                      [first](std::string& s) { SetU32(s, 1400000 + 4 * size_t(first), uint32_t(first)); },
                      true});
      list.push_back({"slot " + std::to_string(slot) + ": block " + std::to_string(second) +
                          " chained back to " + std::to_string(first),
                      std::string(idx) + "-idx.h",
                      [first, second](std::string& s) {
                        SetU32(s, 1400000 + 4 * size_t(second), uint32_t(first));
                      },
                      false});  // harmless when the stream ends inside the second block
    }
  }
  {
    std::vector<size_t> offs;
    const size_t n = fs::file_size(sound / "vok.dir") / 216;
    for (size_t r = 0; r < n; ++r)
      for (size_t k = 200; k < 214; ++k) offs.push_back(r * 216 + k);
    flips("vok.dir", offs, 4);
  }
  {
    std::vector<size_t> offs;
    for (size_t i = 0; i < fs::file_size(sound / "yitizi.txt"); ++i) offs.push_back(i);
    flips("yitizi.txt", offs, 3);
  }
  return list;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: damage_sweep TEVARIN_CLI [--full] [--verbose]\n");
    return 2;
  }
  const std::string cli = argv[1];
  bool verbose = false, full = false;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--verbose") == 0) verbose = true;
    if (std::strcmp(argv[i], "--full") == 0) full = true;
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
  auto check = [&](const std::string& label, const Invocation& inv, const Outcome& o, bool mustRefuse) {
    ++runs;
    std::string cmd;
    for (const auto& a : inv.args) cmd += " " + a;
    std::string fault;
    if (!o.finished) fault = "did not finish within " + std::to_string(kTimeLimitSeconds) + " s";
    else if (o.signalled) fault = "was killed by a signal (crash)";
    else if (o.code == kAsanExit) fault = "AddressSanitizer report";
    else if (o.code == kUbsanExit) fault = "UndefinedBehaviorSanitizer report";
    else if (o.code != 0 && o.code != 1) fault = "exit code " + std::to_string(o.code);
    else if (mustRefuse && o.code != 1) fault = "accepted a broken collection";
    if (!fault.empty()) {
      ++failures;
      std::printf("FAIL %s:%s %s\n", label.c_str(), cmd.c_str(), fault.c_str());
    } else if (verbose) {
      std::printf("ok   %s:%s exit %d, %.2f s\n", label.c_str(), cmd.c_str(), o.code, o.seconds);
    }
  };

  for (const Invocation& inv : Invocations()) {
    const Outcome o = Run(cli, sound.string(), inv);
    check("sound collection", inv, o, false);
    if (o.finished && o.code != inv.soundExit) {
      ++failures;
      std::printf("FAIL sound collection: %s exits %d, not %d\n", inv.args[0].c_str(), o.code,
                  inv.soundExit);
    }
  }

  for (const Damage& d : Damages(sound, flipFactor)) {
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
      check(label, inv, Run(cli, work.string(), inv), d.alwaysBroken && isVerify);
    }
    for (int k = 0; k < 2 && !full; ++k) {
      const Invocation& inv = others[turn++ % others.size()];
      check(label, inv, Run(cli, work.string(), inv), false);
    }
  }
  fs::remove_all(root);
  std::printf("damage sweep: %d runs, %d failures\n", runs, failures);
  return failures == 0 ? 0 : 1;
}
