// tevarin-compare: the steps of the comparison against other engines, run in
// turn by bench/compare.
//   export    --data DIR --cache DIR
//   build     --engine fts5|xapian --cache DIR
//   measure   --out FILE -- COMMAND ARGS...
//   run       --engine NAME --data DIR --cache DIR --queries FILE --reps N --warmup N --out FILE
//   bandwidth --out FILE
//   report    --queries FILE --results DIR --cache DIR --out FILE --reps N --warmup N
//             [--source TEXT] [--collection DIR] [--seconds N]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#include "bandwidth.h"
#include "comparetools.h"
#include "engine.h"
#include "index/index.h"
#include "pagetexts.h"
#include "report.h"
#include "results.h"

using namespace tevarin;

namespace {

constexpr const char* kUsage =
    "usage: tevarin-compare export --data DIR --cache DIR\n"
    "       tevarin-compare build --engine fts5|xapian --cache DIR\n"
    "       tevarin-compare measure --out FILE -- COMMAND [ARGS...]\n"
    "       tevarin-compare run --engine NAME --data DIR --cache DIR --queries FILE --reps N --warmup N --out FILE\n"
    "       tevarin-compare merge --out FILE -- ROUND_FILE...\n"
    "       tevarin-compare bandwidth --out FILE\n"
    "       tevarin-compare report --queries FILE --results DIR --cache DIR --out FILE --reps N --warmup N\n"
    "                              [--rounds N] [--source TEXT] [--collection DIR] [--seconds N]\n";

int Usage(const std::string& why) {
  std::fprintf(stderr, "tevarin-compare: %s\n%s", why.c_str(), kUsage);
  return 2;
}

int Fail(const std::string& why) {
  std::fprintf(stderr, "tevarin-compare: %s\n", why.c_str());
  return 1;
}

std::string Fixed(double v, int digits) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", digits, v);
  return buf;
}

int Export(std::map<std::string, std::string>& opt) {
  const std::string data = opt["data"], cache = opt["cache"];
  if (data.empty() || cache.empty()) return Usage("export needs --data and --cache");
  const double t0 = NowSeconds();
  CIndex index[3];
  const IndexPart parts[3] = {IndexPart::FullText, IndexPart::Body, IndexPart::Notes};
  for (int s = 0; s < 3; ++s)
    if (const Status opened = index[s].Open(data, "Index", parts[s]); !opened) return Fail(opened.Message());
  ScopeText texts[3];
  std::string error;
  if (!ExtractTexts(index[0].Files(), texts, error)) return Fail(error);
  std::map<std::string, std::string> check;
  check["pages"] = std::to_string(texts[0].Pages());
  bool agree = true;
  for (int s = 0; s < 3; ++s) {
    if (!WriteScopeFile(texts[s], cache + "/" + kScopeNames[s] + ".txt", error)) return Fail(error);
    const IndexCheck c = CheckAgainstIndex(index[s], texts[s]);
    const std::string k = kScopeNames[s];
    check[k + ".characters"] = std::to_string(c.characters);
    check[k + ".postings"] = std::to_string(c.postings);
    check[k + ".grouped_characters"] = std::to_string(c.groupedCharacters);
    check[k + ".group_postings"] = std::to_string(c.groupPostings);
    check[k + ".mismatches"] = std::to_string(c.mismatches);
    check[k + ".agrees"] = c.Agrees() ? "yes" : "no";
    std::printf("export %-5s: %llu characters, %llu character postings, %llu grouped characters, %llu group postings, "
                "%llu mismatches: %s\n",
                kScopeNames[s], static_cast<unsigned long long>(c.characters),
                static_cast<unsigned long long>(c.postings), static_cast<unsigned long long>(c.groupedCharacters),
                static_cast<unsigned long long>(c.groupPostings), static_cast<unsigned long long>(c.mismatches),
                c.Agrees() ? "the export equals the index" : "THE EXPORT DISAGREES WITH THE INDEX");
    for (size_t i = 0; i < c.examples.size(); ++i) {
      std::printf("  %s\n", c.examples[i].c_str());
      check[k + ".example" + std::to_string(i)] = c.examples[i];
    }
    agree = agree && c.Agrees();
  }
  check["agrees"] = agree ? "yes" : "no";
  check["seconds"] = Fixed(NowSeconds() - t0, 1);
  if (!WriteKeyValues(check, cache + "/export.check", error)) return Fail(error);
  std::printf("export: %zu pages written to %s in %s s\n", texts[0].Pages(), cache.c_str(), check["seconds"].c_str());
  return agree ? 0 : 1;
}

int Build(std::map<std::string, std::string>& opt) {
  const std::string engine = opt["engine"], cache = opt["cache"];
  if (cache.empty() || (engine != "fts5" && engine != "xapian")) return Usage("build needs --engine fts5|xapian and --cache");
  const double t0 = NowSeconds();
  std::string error;
  const bool ok = engine == "fts5" ? BuildFts5Index(cache, error) : BuildXapianIndex(cache, error);
  if (!ok) return Fail(error);
  const double seconds = NowSeconds() - t0;
  const std::string path = cache + (engine == "fts5" ? "/fts5.db" : "/xapian");
  std::map<std::string, std::string> kv{{"seconds", Fixed(seconds, 1)},
                                        {"maxrss_kb", std::to_string(MaxRssKb())},
                                        {"size_bytes", std::to_string(PathSize(path))}};
  if (!WriteKeyValues(kv, cache + "/" + engine + ".build", error)) return Fail(error);
  std::printf("build %s: %.1f s, peak memory %ld MB, %s on disk %.1f MB\n", engine.c_str(), seconds, MaxRssKb() / 1024,
              path.c_str(), PathSize(path) / 1e6);
  return 0;
}

int Measure(const std::string& out, char** argv) {
  const double t0 = NowSeconds();
  const pid_t pid = fork();
  if (pid < 0) return Fail(std::string("fork: ") + std::strerror(errno));
  if (pid == 0) {
    execvp(argv[0], argv);
    std::fprintf(stderr, "tevarin-compare: cannot run %s: %s\n", argv[0], std::strerror(errno));
    _exit(127);
  }
  int status = 0;
  rusage ru{};
  while (wait4(pid, &status, 0, &ru) < 0 && errno == EINTR) {
  }
  const double seconds = NowSeconds() - t0;
  std::map<std::string, std::string> kv{{"seconds", Fixed(seconds, 1)},
                                        {"maxrss_kb", std::to_string(ChildrenMaxRssKb())},
                                        {"status", std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : 128)}};
  std::string error;
  if (!WriteKeyValues(kv, out, error)) return Fail(error);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

int Run(std::map<std::string, std::string>& opt) {
  const std::string name = opt["engine"];
  EngineConfig config{opt["data"], opt["cache"]};
  const int reps = std::atoi(opt["reps"].c_str()), warmup = std::atoi(opt["warmup"].c_str());
  if (config.data.empty() || config.cache.empty() || opt["queries"].empty() || opt["out"].empty() || reps < 1 ||
      warmup < 0)
    return Usage("run needs --engine, --data, --cache, --queries, --reps >= 1, --warmup >= 0 and --out");
  std::unique_ptr<Engine> engine;
  if (name == "tevarin") engine = MakeTevarinEngine();
  else if (name == "tevarin-nocompanion") engine = MakeTevarinEngine(false);
  else if (name == "fts5") engine = MakeFts5Engine();
  else if (name == "xapian") engine = MakeXapianEngine();
  else if (name == "ripgrep") engine = MakeRipgrepEngine();
  else if (name == "scan") engine = MakeScanEngine();
  else return Usage("unknown engine " + name);
  std::vector<Query> queries;
  std::string error;
  if (!ReadQueries(opt["queries"], queries, error)) return Fail(error);
  EngineResults results;
  results.engine = name;
  double t0 = NowSeconds();
  if (!engine->Open(config, error)) return Fail(error);
  results.openMs = (NowSeconds() - t0) * 1000;
  int failures = 0;
  for (const Query& q : queries) {
    QueryResult& r = results.queries[q.id];
    r.answered = true;
    std::vector<uint32_t> first;
    for (int i = 0; i < warmup + reps && r.answered; ++i) {
      QueryAnswer answer;
      t0 = NowSeconds();
      const bool ok = engine->Run(q, answer, error);
      const double ms = (NowSeconds() - t0) * 1000;
      if (!ok) {
        r.answered = false;
        r.error = error;
        ++failures;
        std::fprintf(stderr, "%s %s: %s\n", name.c_str(), q.id.c_str(), error.c_str());
        break;
      }
      std::sort(answer.pages.begin(), answer.pages.end());
      answer.pages.erase(std::unique(answer.pages.begin(), answer.pages.end()), answer.pages.end());
      if (i == 0) {
        first = answer.pages;
        r.nativeExact = answer.nativeExact;
        r.candidates = answer.candidates;
      } else if (answer.pages != first) {
        r.answered = false;
        r.error = "the answer changed between repetitions";
        ++failures;
        break;
      }
      if (i == 0) r.firstMs = ms;
      if (i >= warmup) r.ms.push_back(ms);
    }
    r.pages = std::move(first);
  }
  // The peak memory of answering the set, taken before the throughput
  // figures below walk the terms' whole postings (which answering does not).
  results.maxRssKb = MaxRssKb();
  results.childrenMaxRssKb = ChildrenMaxRssKb();
  for (const Query& q : queries) {
    QueryResult& r = results.queries[q.id];
    if (r.answered) r.indexBytes = engine->IndexBytes(q);
  }
  results.note = engine->Note();
  if (!results.note.empty()) std::printf("run %s: %s\n", name.c_str(), results.note.c_str());
  if (!WriteEngineResults(results, opt["out"], error)) return Fail(error);
  std::printf("run %s: %zu queries, %d failed, open %.1f ms, peak memory %ld MB\n", name.c_str(), queries.size(), failures,
              results.openMs, results.maxRssKb / 1024);
  return 0;
}

// One engine's results of several rounds (a fresh process each) as one:
// a query's first run is the median of its rounds' first runs, its measured
// runs are all the rounds' together; open time the median, peak memory the
// highest. Every round must have found the same pages.
int Merge(const std::string& out, const std::vector<std::string>& rounds) {
  if (out.empty() || rounds.empty()) return Usage("merge needs --out and at least one round's file");
  std::vector<EngineResults> in(rounds.size());
  std::string error;
  for (size_t i = 0; i < rounds.size(); ++i)
    if (!ReadEngineResults(rounds[i], in[i], error)) return Fail(error);
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
  };
  EngineResults merged = in[0];
  std::vector<double> opens;
  for (const EngineResults& r : in) {
    opens.push_back(r.openMs);
    merged.maxRssKb = std::max(merged.maxRssKb, r.maxRssKb);
    merged.childrenMaxRssKb = std::max(merged.childrenMaxRssKb, r.childrenMaxRssKb);
  }
  merged.openMs = median(opens);
  for (auto& [id, q] : merged.queries) {
    if (!q.answered) continue;
    std::vector<double> firsts;
    q.ms.clear();
    for (const EngineResults& r : in) {
      const auto it = r.queries.find(id);
      if (it == r.queries.end() || !it->second.answered) {
        q.answered = false;
        q.error = it == r.queries.end() ? "missing in a round" : it->second.error;
        break;
      }
      if (it->second.pages != q.pages) {
        q.answered = false;
        q.error = "the answer changed between rounds";
        break;
      }
      firsts.push_back(it->second.firstMs);
      q.ms.insert(q.ms.end(), it->second.ms.begin(), it->second.ms.end());
    }
    if (q.answered) q.firstMs = median(firsts);
  }
  if (!WriteEngineResults(merged, out, error)) return Fail(error);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage("no step named");
  const std::string step = argv[1];
  std::map<std::string, std::string> opt;
  int i = 2;
  for (; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--") {
      ++i;
      break;
    }
    if (a.rfind("--", 0) != 0 || i + 1 >= argc) return Usage("bad argument " + a);
    opt[a.substr(2)] = argv[++i];
  }
  if (step == "export") return Export(opt);
  if (step == "build") return Build(opt);
  if (step == "measure") {
    if (opt["out"].empty() || i >= argc) return Usage("measure needs --out FILE -- COMMAND");
    return Measure(opt["out"], argv + i);
  }
  if (step == "run") return Run(opt);
  if (step == "merge") return Merge(opt["out"], std::vector<std::string>(argv + i, argv + argc));
  if (step == "bandwidth") {
    if (opt["out"].empty()) return Usage("bandwidth needs --out");
    const Bandwidth b = MeasureBandwidth();
    std::string error;
    if (!WriteKeyValues({{"read_gbs", Fixed(b.readGBs, 2)}, {"copy_gbs", Fixed(b.copyGBs, 2)}}, opt["out"], error))
      return Fail(error);
    std::printf("memory bandwidth: read %.2f GB/s, memcpy %.2f GB/s\n", b.readGBs, b.copyGBs);
    return 0;
  }
  if (step == "report") {
    ReportOptions r{opt["queries"],
                    opt["results"],
                    opt["cache"],
                    opt["out"],
                    std::atoi(opt["reps"].c_str()),
                    std::atoi(opt["warmup"].c_str()),
                    opt["rounds"].empty() ? 1 : std::atoi(opt["rounds"].c_str()),
                    opt["source"],
                    opt["collection"],
                    std::atoi(opt["seconds"].c_str())};
    if (r.queries.empty() || r.results.empty() || r.cache.empty() || r.out.empty())
      return Usage("report needs --queries, --results, --cache and --out");
    return WriteReport(r);
  }
  return Usage("unknown step " + step);
}
