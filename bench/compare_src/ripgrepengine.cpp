// ripgrep, run as a whole process per query over the exported text of the
// scope (one page a line), the page set read from the line numbers it prints.
// Every keyword is one regular expression that says it exactly: "?" is ".",
// the gap of "*" is ".{n,n+300}" (n = the "?" at the boundary), a character
// with variant forms is a class of them. Keywords combine the way a shell user
// combines them: OR as several -e patterns of one run, AND as a pipeline that
// filters the first keyword's lines by each further keyword.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "comparetools.h"
#include "engine.h"
#include "pagetexts.h"
#include "peerquery.h"

using namespace tevarin;

extern char** environ;

namespace {

std::string TermRegex(const PatternTerm& t) {
  std::string out;
  if (t.forms.size() > 1) out.push_back('[');
  for (uint32_t cp : t.forms) AppendUtf8(cp, out);
  if (t.forms.size() > 1) out.push_back(']');
  return out;
}

std::string KeywordRegex(const KeywordPattern& p) {
  std::string out;
  for (size_t s = 0; s < p.segments.size(); ++s) {
    const auto& terms = p.segments[s].terms;
    if (s > 0) {
      const int need = terms.front().pos - p.segments[s - 1].terms.back().pos - 1;
      out += ".{" + std::to_string(need) + "," + std::to_string(need + kStarGap) + "}";
    }
    for (size_t k = 0; k < terms.size(); ++k) {
      if (k > 0)
        for (int gap = terms[k - 1].pos + 1; gap < terms[k].pos; ++gap) out.push_back('.');
      out += TermRegex(terms[k]);
    }
  }
  return out;
}

class RipgrepEngine : public Engine {
 public:
  bool Open(const EngineConfig& config, std::string& error) override {
    m_cache = config.cache;
    for (int s = 0; s < 3; ++s) {
      const std::string path = m_cache + "/" + kScopeNames[s] + ".txt";
      if (access(path.c_str(), R_OK) != 0) {
        error = "ripgrep: cannot read " + path;
        return false;
      }
    }
    return LoadVariantForms(config.data, m_forms);
  }

  bool Run(const Query& q, QueryAnswer& answer, std::string& error) override {
    const ParsedQuery parsed = ParseQuery(q, m_forms);
    std::vector<std::string> regexes;
    for (const auto& p : parsed.keywords) {
      if (!p.HasTerms()) {
        if (q.orMode) continue;
        return true;
      }
      regexes.push_back(KeywordRegex(p));
    }
    if (regexes.empty()) return true;
    const std::string file = m_cache + "/" + kScopeNames[q.scope] + ".txt";
    // Large counted repetitions of "." need more room than the default limits give.
    const std::string common = "rg --no-config --color never --regex-size-limit 1G --dfa-size-limit 1G";
    std::vector<std::string> argv;
    if (q.orMode || regexes.size() == 1) {
      argv = {"rg", "--no-config", "--color", "never", "--regex-size-limit", "1G", "--dfa-size-limit", "1G",
              "-n", "--no-heading"};
      for (const auto& r : regexes) {
        argv.push_back("-e");
        argv.push_back(r);
      }
      argv.push_back("--");
      argv.push_back(file);
    } else {
      // sh -c 'rg ... -n -e "$1" -- "$0" | rg ... -e "$2" | ...' FILE R1 R2 ...
      std::string script = common + " -n --no-heading -e \"$1\" -- \"$0\"";
      for (size_t i = 1; i < regexes.size(); ++i) script += " | " + common + " -e \"$" + std::to_string(i + 1) + "\"";
      argv = {"sh", "-c", script, file};
      argv.insert(argv.end(), regexes.begin(), regexes.end());
    }
    if (!RunAndCollect(argv, answer, error)) return false;
    return true;
  }

 private:
  // Runs argv with its standard output on a pipe and takes the number before
  // the first ":" of every line as a 1-based page line.
  bool RunAndCollect(const std::vector<std::string>& args, QueryAnswer& answer, std::string& error) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
      error = std::string("ripgrep: pipe: ") + std::strerror(errno);
      return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
      close(fds[0]);
      error = "ripgrep: cannot start " + args[0] + ": " + std::strerror(rc);
      return false;
    }
    // Parse as the bytes arrive: the digits at a line start up to ":" are
    // the line number; the rest of the line is skipped.
    char buf[1 << 16];
    bool inNumber = true;
    uint64_t number = 0;
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) != 0) {
      if (n < 0) {
        if (errno == EINTR) continue;
        break;
      }
      for (ssize_t i = 0; i < n;) {
        if (inNumber) {
          const char c = buf[i++];
          if (c >= '0' && c <= '9') {
            number = number * 10 + static_cast<uint64_t>(c - '0');
            continue;
          }
          if (c == ':' && number > 0) answer.pages.push_back(static_cast<uint32_t>(number - 1));
          number = 0;
          inNumber = c == '\n';
          continue;
        }
        const void* nl = std::memchr(buf + i, '\n', static_cast<size_t>(n - i));
        if (!nl) break;
        i = static_cast<const char*>(nl) - buf + 1;
        inNumber = true;
      }
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    // rg answers 1 when nothing matched; 2 is an error.
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) {
      error = "ripgrep: " + args[0] + " failed (status " + std::to_string(status) + ")";
      return false;
    }
    return true;
  }

  std::string m_cache;
  VariantForms m_forms;
};

}  // namespace

std::unique_ptr<Engine> MakeRipgrepEngine() { return std::make_unique<RipgrepEngine>(); }
