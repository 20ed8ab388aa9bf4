#include "report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>
#include <utility>

#include "comparetools.h"
#include "engine.h"
#include "pagetexts.h"
#include "queryset.h"
#include "results.h"

using namespace tevarin;

namespace {

struct Stat {
  double median = 0, p95 = 0;
  bool valid = false;
};

Stat Summarise(std::vector<double> v) {
  Stat s;
  if (v.empty()) return s;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  s.median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
  s.p95 = v[static_cast<size_t>(std::ceil(0.95 * static_cast<double>(n))) - 1];
  s.valid = true;
  return s;
}

std::string Ms(double v) {
  char buf[32];
  if (v < 0.1) std::snprintf(buf, sizeof buf, "%.4f", v);
  else if (v < 10) std::snprintf(buf, sizeof buf, "%.3f", v);
  else std::snprintf(buf, sizeof buf, "%.1f", v);
  return buf;
}

std::string Num(double v, int digits) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.*f", digits, v);
  return buf;
}

std::string Mb(const std::string& bytes) {
  if (bytes.empty()) return "?";
  return Num(std::atof(bytes.c_str()) / 1e6, 1) + " MB";
}

std::string FirstLineOf(const std::string& path, const std::string& key) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(key, 0) == 0) {
      const size_t colon = line.find(':');
      if (colon != std::string::npos) {
        std::string v = line.substr(colon + 1);
        v.erase(0, v.find_first_not_of(" \t"));
        return v;
      }
    }
  return "";
}

// Pages of a that b lacks, at most limit of them listed.
std::vector<uint32_t> Missing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, size_t& count) {
  std::vector<uint32_t> out;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
  count = out.size();
  if (out.size() > 5) out.resize(5);
  return out;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The first runs of an engine's queries of one class.
std::vector<double> FirstRuns(const EngineResults& e, const std::vector<Query>& queries, const std::string& cls) {
  std::vector<double> firsts;
  for (const Query& q : queries) {
    if (q.cls != cls) continue;
    const auto it = e.queries.find(q.id);
    if (it != e.queries.end() && it->second.answered) firsts.push_back(it->second.firstMs);
  }
  return firsts;
}

// All measured (hot) runs of an engine's queries of one class.
std::vector<double> HotRuns(const EngineResults& e, const std::vector<Query>& queries, const std::string& cls) {
  std::vector<double> all;
  for (const Query& q : queries) {
    if (q.cls != cls) continue;
    const auto it = e.queries.find(q.id);
    if (it != e.queries.end() && it->second.answered) all.insert(all.end(), it->second.ms.begin(), it->second.ms.end());
  }
  return all;
}

std::string List(const std::vector<uint32_t>& v) {
  std::string s;
  for (size_t i = 0; i < v.size(); ++i) s += (i ? "," : "") + std::to_string(v[i]);
  return s;
}

}  // namespace

int WriteReport(const ReportOptions& o) {
  std::vector<Query> queries;
  std::string error;
  if (!ReadQueries(o.queries, queries, error)) {
    std::fprintf(stderr, "tevarin-compare: %s\n", error.c_str());
    return 1;
  }
  const auto classes = QueryClasses(queries);
  std::vector<EngineResults> engines;
  for (const char* name : kEngineNames) {
    EngineResults r;
    if (ReadEngineResults(o.results + "/" + name + ".tsv", r, error)) engines.push_back(std::move(r));
  }
  if (engines.empty() || engines[0].engine != "tevarin") {
    std::fprintf(stderr, "tevarin-compare: no results of tevarin in %s\n", o.results.c_str());
    return 1;
  }
  const EngineResults& tev = engines[0];
  // tevarin reading the index files alone: shown beside tevarin, never a peer.
  EngineResults plain;
  const bool havePlain = ReadEngineResults(o.results + "/tevarin-nocompanion.tsv", plain, error);
  const auto companionBuild = ReadKeyValues(o.cache + "/companion.build");
  const auto bandwidth = ReadKeyValues(o.results + "/bandwidth.txt");
  const auto exportCheck = ReadKeyValues(o.cache + "/export.check");

  // Page sets: every peer against tevarin, query by query.
  std::ostringstream disagreements;
  int disagreementCount = 0;
  std::map<std::string, bool> classAgrees;
  for (const auto& c : classes) classAgrees[c] = true;
  for (const Query& q : queries) {
    const auto tq = tev.queries.find(q.id);
    const bool tevOk = tq != tev.queries.end() && tq->second.answered;
    if (!tevOk) {
      ++disagreementCount;
      classAgrees[q.cls] = false;
      disagreements << "- " << q.id << " `" << q.keywords << "`: tevarin gave no answer ("
                    << (tq == tev.queries.end() ? "not run" : tq->second.error) << ")\n";
      continue;
    }
    for (size_t e = 1; e < engines.size(); ++e) {
      const auto pq = engines[e].queries.find(q.id);
      if (pq == engines[e].queries.end() || !pq->second.answered) {
        ++disagreementCount;
        classAgrees[q.cls] = false;
        disagreements << "- " << q.id << " `" << q.keywords << "`: " << engines[e].engine << " gave no answer ("
                      << (pq == engines[e].queries.end() ? "not run" : pq->second.error) << ")\n";
        continue;
      }
      if (pq->second.pages == tq->second.pages) continue;
      ++disagreementCount;
      classAgrees[q.cls] = false;
      size_t onlyTev = 0, onlyPeer = 0;
      const auto a = Missing(tq->second.pages, pq->second.pages, onlyTev);
      const auto b = Missing(pq->second.pages, tq->second.pages, onlyPeer);
      disagreements << "- " << q.id << " `" << q.keywords << "` (" << kScopeNames[q.scope] << "): " << engines[e].engine
                    << " " << pq->second.pages.size() << " pages, tevarin " << tq->second.pages.size()
                    << "; only tevarin: " << onlyTev << (onlyTev ? " (" + List(a) + (onlyTev > 5 ? ", ..." : "") + ")" : "")
                    << ", only " << engines[e].engine << ": " << onlyPeer
                    << (onlyPeer ? " (" + List(b) + (onlyPeer > 5 ? ", ..." : "") + ")" : "") << "\n";
    }
  }

  // Times per class and engine.
  std::map<std::string, std::map<std::string, Stat>> stats;  // class -> engine -> stat
  std::map<std::string, std::map<std::string, bool>> complete;
  for (const auto& c : classes)
    for (const auto& e : engines) {
      std::vector<double> all;
      bool full = true;
      for (const Query& q : queries) {
        if (q.cls != c) continue;
        const auto it = e.queries.find(q.id);
        if (it == e.queries.end() || !it->second.answered) {
          full = false;
          continue;
        }
        all.insert(all.end(), it->second.ms.begin(), it->second.ms.end());
      }
      stats[c][e.engine] = Summarise(all);
      complete[c][e.engine] = full;
    }

  std::ostringstream md, tail;
  char date[64];
  const std::time_t now = std::time(nullptr);
  std::strftime(date, sizeof date, "%Y-%m-%d %H:%M UTC", std::gmtime(&now));
  md << "# tevarin against other engines on the real collection\n\n";
  md << "Written by `bench/compare` on " << date << ". Machine: "
     << FirstLineOf("/proc/cpuinfo", "model name") << ", " << FirstLineOf("/proc/meminfo", "MemTotal")
     << " memory. Hot cache: each query runs " << o.warmup << " time(s) unmeasured, then " << o.reps
     << " measured times in a row; every engine runs in its own process, " << o.rounds
     << " time(s), the engines in turn (the measured runs of all rounds together). Times in milliseconds.\n\n";
  md << "Collection: `" << (o.collection.empty() ? "?" : o.collection) << "`. Engine source: " << o.source
     << ". The whole comparison (peer indexes cached) took " << o.seconds << " s up to this report.\n\n";

  md << "## The texts\n\n";
  md << "Every engine searches the same texts: exported from the collection itself, for each of the "
     << (exportCheck.count("pages") ? exportCheck.at("pages") : "?")
     << " pages and each scope the characters the index was built from. The export was held against the three "
        "indexes posting by posting:\n\n";
  md << "| scope | characters | character postings | grouped characters | group postings | mismatches | agrees |\n";
  md << "|---|---:|---:|---:|---:|---:|---|\n";
  for (const char* s : {"whole", "body", "notes"}) {
    auto get = [&](const std::string& k) {
      const auto it = exportCheck.find(std::string(s) + "." + k);
      return it == exportCheck.end() ? std::string("?") : it->second;
    };
    md << "| " << s << " | " << get("characters") << " | " << get("postings") << " | " << get("grouped_characters")
       << " | " << get("group_postings") << " | " << get("mismatches") << " | " << get("agrees") << " |\n";
  }
  md << "\n";

  md << "## Indexes\n\n";
  md << "| engine | build time | size on disk | peak memory (build) | what |\n|---|---:|---:|---:|---|\n";
  const std::map<std::string, std::string> what{
      {"tevarin", "the whole collection build (`tevarin-mkcollection`: corpus, book store, three indexes, "
                  "catalogue, variant table); size = the six index files"},
      {"fts5", "one database, three columns, stored text included (the check reads it)"},
      {"xapian", "one compacted database, three term prefixes, the texts as document data"},
      {"ripgrep", "no index: the three exported text files"},
      {"scan", "no index: the three exported text files, mapped"}};
  for (const auto& e : engines) {
    const auto b = ReadKeyValues(o.cache + "/" + e.engine + ".build");
    auto get = [&](const std::string& k) {
      const auto it = b.find(k);
      return it == b.end() ? std::string() : it->second;
    };
    std::string seconds = get("seconds");
    std::string size = get("size_bytes");
    if (e.engine == "ripgrep" || e.engine == "scan") {  // no index: the text files they read
      int64_t sum = 0;
      for (const char* s : kScopeNames) sum += std::max<int64_t>(0, PathSize(o.cache + "/" + s + ".txt"));
      size = std::to_string(sum);
    }
    md << "| " << e.engine << " | " << (seconds.empty() ? "-" : seconds + " s") << " | " << Mb(size)
       << " | " << (get("maxrss_kb").empty() ? "-" : Num(std::atof(get("maxrss_kb").c_str()) / 1024, 0) + " MB")
       << " | " << what.at(e.engine) << " |\n";
    if (e.engine == "tevarin" && companionBuild.count("size_bytes")) {
      auto cget = [&](const std::string& k) {
        const auto it = companionBuild.find(k);
        return it == companionBuild.end() ? std::string() : it->second;
      };
      const double share = std::atof(cget("index_bytes").c_str()) > 0
                               ? 100 * std::atof(cget("size_bytes").c_str()) / std::atof(cget("index_bytes").c_str())
                               : 0;
      md << "| tevarin companion | " << (cget("seconds").empty() ? "-" : cget("seconds") + " s") << " | "
         << Mb(cget("size_bytes")) << " | "
         << (cget("maxrss_kb").empty() ? "-" : Num(std::atof(cget("maxrss_kb").c_str()) / 1024, 0) + " MB")
         << " | the three companion postings files alone, written from the index files "
            "(`tevarin-mkcollection --companion`; the whole build above writes them too): "
         << Num(share, 0) << " % of the six index files |\n";
    }
  }
  md << "\nPeak memory while answering the query set (resident, the process's own mappings included):";
  for (const auto& e : engines) {
    md << " " << e.engine << " " << Num(e.maxRssKb / 1024.0, 0) << " MB";
    if (e.childrenMaxRssKb > 0) md << " (its processes " << Num(e.childrenMaxRssKb / 1024.0, 0) << " MB)";
    md << ";";
  }
  md << " open: ";
  for (const auto& e : engines) md << e.engine << " " << Ms(e.openMs) << " ms; ";
  md << "\n\n";
  if (!tev.note.empty()) md << "tevarin: " << tev.note << ".\n\n";

  md << "## Answer times per class\n\nMedian / p95 over all measured runs of the class's queries.\n\n";
  md << "| class | queries |";
  for (const auto& e : engines) md << " " << e.engine << " |";
  md << " best peer | speedup | pages agree |\n|---|---:|";
  for (size_t i = 0; i < engines.size(); ++i) md << "---:|";
  md << "---|---:|---|\n";
  std::vector<double> speedups;
  for (const auto& c : classes) {
    const size_t n = std::count_if(queries.begin(), queries.end(), [&](const Query& q) { return q.cls == c; });
    md << "| " << c << " | " << n << " |";
    for (const auto& e : engines) {
      const Stat& s = stats[c][e.engine];
      md << " " << (s.valid ? Ms(s.median) + " / " + Ms(s.p95) : "-") << (complete[c][e.engine] ? "" : " (incomplete)")
         << " |";
    }
    std::string best;
    double bestMs = 0;
    for (size_t e = 1; e < engines.size(); ++e) {
      const Stat& s = stats[c][engines[e].engine];
      if (!s.valid || !complete[c][engines[e].engine]) continue;
      if (best.empty() || s.median < bestMs) {
        best = engines[e].engine;
        bestMs = s.median;
      }
    }
    const Stat& t = stats[c]["tevarin"];
    const double speedup = t.valid && t.median > 0 && !best.empty() ? bestMs / t.median : 0;
    if (speedup > 0) speedups.push_back(speedup);
    md << " " << (best.empty() ? "-" : best) << " | " << Num(speedup, 1) << "x | " << (classAgrees[c] ? "yes" : "no")
       << " |\n";
    tail << "class=" << c << " tevarin_ms=" << (t.valid ? Ms(t.median) : "-") << " best_peer=" << (best.empty() ? "-" : best)
         << " best_peer_ms=" << (best.empty() ? "-" : Ms(bestMs)) << " speedup=" << Num(speedup, 2)
         << " pages_agree=" << (classAgrees[c] ? "yes" : "no") << "\n";
  }
  std::vector<double> sorted = speedups;
  std::sort(sorted.begin(), sorted.end());
  const double minSpeedup = sorted.empty() ? 0 : sorted.front();
  const double medSpeedup = sorted.empty() ? 0
                            : sorted.size() % 2 ? sorted[sorted.size() / 2]
                                                : (sorted[sorted.size() / 2 - 1] + sorted[sorted.size() / 2]) / 2;
  md << "\n";

  // First runs: what a query costs the first time a process answers it,
  // before anything of it is held decoded or cached by the engine (the
  // operating system's page cache is warm, as for the measured runs).
  md << "## First runs\n\nMedian / slowest over the class's queries of each query's first run in the engine's process "
        "(the median over the " << o.rounds << " round(s)), before its warm-up runs: nothing the query needs is decoded or cached by the engine yet, unless an earlier "
        "query of the set used it (tevarin keeps the blocks of the companion lists it decoded, within a memory limit; "
        "the other engines keep their own caches). The operating system's page cache is warm. Speedup = the best "
        "peer's median first run over tevarin's.\n\n";
  md << "| class |";
  for (const auto& e : engines) md << " " << e.engine << " |";
  md << " best peer | speedup |\n|---|";
  for (size_t i = 0; i < engines.size(); ++i) md << "---:|";
  md << "---|---:|\n";
  std::vector<double> firstSpeedups;
  std::ostringstream firstTail;
  for (const auto& c : classes) {
    md << "| " << c << " |";
    for (const auto& e : engines) {
      const std::vector<double> firsts = FirstRuns(e, queries, c);
      const Stat f = Summarise(firsts);
      md << " " << (f.valid ? Ms(f.median) + " / " + Ms(*std::max_element(firsts.begin(), firsts.end())) : "-") << " |";
    }
    // The best peer here is the one with the lowest median first run.
    std::string best;
    double bestMs = 0;
    for (size_t e = 1; e < engines.size(); ++e) {
      const std::vector<double> firsts = FirstRuns(engines[e], queries, c);
      if (firsts.empty() || !complete[c][engines[e].engine]) continue;
      const double m = Median(firsts);
      if (best.empty() || m < bestMs) {
        best = engines[e].engine;
        bestMs = m;
      }
    }
    const std::vector<double> tevFirsts = FirstRuns(tev, queries, c);
    const double tevMs = Median(tevFirsts);
    const double speedup = !tevFirsts.empty() && tevMs > 0 && !best.empty() ? bestMs / tevMs : 0;
    if (speedup > 0) firstSpeedups.push_back(speedup);
    md << " " << (best.empty() ? "-" : best) << " | " << Num(speedup, 1) << "x |\n";
    firstTail << "first-run class=" << c << " tevarin_ms=" << (tevFirsts.empty() ? "-" : Ms(tevMs))
              << " best_peer=" << (best.empty() ? "-" : best) << " best_peer_ms=" << (best.empty() ? "-" : Ms(bestMs))
              << " speedup=" << Num(speedup, 2) << "\n";
  }
  const double minFirstSpeedup =
      firstSpeedups.empty() ? 0 : *std::min_element(firstSpeedups.begin(), firstSpeedups.end());
  const double medFirstSpeedup = Median(firstSpeedups);
  md << "\n";

  // tevarin with and without its companion postings files, side by side.
  if (havePlain) {
    md << "## tevarin with and without the companion\n\n";
    md << "The same query set in two processes: tevarin as the reader opens the collection (with the companion "
          "postings files), and tevarin reading the index files alone, as it did before them (it keeps the "
          "postings of the characters it searched decoded). Median ms.\n\n";
    md << "| class | hot, companion | hot, index files | first run, companion | first run, index files |\n";
    md << "|---|---:|---:|---:|---:|\n";
    for (const auto& c : classes) {
      const auto hw = HotRuns(tev, queries, c), hp = HotRuns(plain, queries, c);
      const auto fw = FirstRuns(tev, queries, c), fp = FirstRuns(plain, queries, c);
      auto cell = [](const std::vector<double>& v) { return v.empty() ? std::string("-") : Ms(Median(v)); };
      md << "| " << c << " | " << cell(hw) << " | " << cell(hp) << " | " << cell(fw) << " | " << cell(fp) << " |\n";
    }
    int plainDiffers = 0;
    for (const Query& q : queries) {
      const auto a = tev.queries.find(q.id);
      const auto b = std::as_const(plain).queries.find(q.id);
      if (a == tev.queries.end() || b == plain.queries.end() || !a->second.answered || !b->second.answered ||
          a->second.pages != b->second.pages) {
        ++plainDiffers;
        disagreements << "- " << q.id << " `" << q.keywords << "`: tevarin without the companion answered other "
                      << "pages than with it\n";
      }
    }
    md << "\nOpen (three indexes, the book store and the variant table): " << Ms(tev.openMs)
       << " ms with the companion, " << Ms(plain.openMs) << " ms without. Peak resident memory while answering "
       << "the set: " << Num(tev.maxRssKb / 1024.0, 0) << " MB with the companion, "
       << Num(plain.maxRssKb / 1024.0, 0) << " MB without. Queries whose pages differ between the two: "
       << plainDiffers << ".\n\n";
    firstTail << "tevarin open_ms: companion=" << Ms(tev.openMs) << " index_files=" << Ms(plain.openMs)
              << "; peak_rss_mb: companion=" << Num(tev.maxRssKb / 1024.0, 0)
              << " index_files=" << Num(plain.maxRssKb / 1024.0, 0) << "; pages differ: " << plainDiffers << "\n";
    disagreementCount += plainDiffers;
  }
  if (companionBuild.count("size_bytes"))
    firstTail << "companion: " << Mb(companionBuild.at("size_bytes")) << " of " << Mb(companionBuild.count("index_bytes") ? companionBuild.at("index_bytes") : "")
              << " index files, written in " << (companionBuild.count("seconds") ? companionBuild.at("seconds") : "?")
              << " s\n";

  md << "## Disagreements\n\n";
  if (disagreementCount == 0)
    md << "None: every engine found exactly tevarin's pages for every query.\n\n";
  else
    md << disagreementCount << " (query, engine) pairs differ from tevarin's page set:\n\n" << disagreements.str() << "\n";

  md << "## tevarin's postings throughput\n\n";
  const double readGBs = bandwidth.count("read_gbs") ? std::atof(bandwidth.at("read_gbs").c_str()) : 0;
  const double copyGBs = bandwidth.count("copy_gbs") ? std::atof(bandwidth.at("copy_gbs").c_str()) : 0;
  md << "Memory bandwidth measured in this run: sequential read " << Num(readGBs, 2) << " GB/s, memcpy "
     << Num(copyGBs, 2)
     << " GB/s. Bytes = the whole postings streams of the query's terms in the file: what a search that walks the "
        "postings reads at most. A hot search reads the same postings from the arrays it keeps decoded (page "
        "numbers and positions, 4 bytes each), so GB/s here is the rate at which the query's postings are answered, "
        "not bytes moved.\n\n";
  md << "| class | postings bytes per query (median) | tevarin ms (median) | GB/s | of read bandwidth |\n";
  md << "|---|---:|---:|---:|---:|\n";
  for (const auto& c : classes) {
    std::vector<double> bytes, rates;
    for (const Query& q : queries) {
      if (q.cls != c) continue;
      const auto it = tev.queries.find(q.id);
      if (it == tev.queries.end() || !it->second.answered) continue;
      const Stat s = Summarise(it->second.ms);
      bytes.push_back(static_cast<double>(it->second.indexBytes));
      if (s.median > 0) rates.push_back(static_cast<double>(it->second.indexBytes) / (s.median / 1000) / 1e9);
    }
    const Stat b = Summarise(bytes), r = Summarise(rates);
    md << "| " << c << " | " << Num(b.median, 0) << " | " << (stats[c]["tevarin"].valid ? Ms(stats[c]["tevarin"].median) : "-")
       << " | " << Num(r.median, 2) << " | " << (readGBs > 0 ? Num(100 * r.median / readGBs, 0) + " %" : "-") << " |\n";
  }
  md << "\n";

  md << "## Queries\n\nMedian ms per engine; pages = tevarin's page count; a peer marked * answered with its "
        "nearest native query plus a check of N candidate pages' text.\n\n";
  md << "| query | scope | mode | variants | keywords | pages |";
  for (const auto& e : engines) md << " " << e.engine << " |";
  md << "\n|---|---|---|---|---|---:|";
  for (size_t i = 0; i < engines.size(); ++i) md << "---:|";
  md << "\n";
  for (const Query& q : queries) {
    const auto tq = tev.queries.find(q.id);
    md << "| " << q.id << " | " << kScopeNames[q.scope] << " | " << (q.orMode ? "or" : "and") << " | "
       << (q.variants ? "yes" : "no") << " | `" << q.keywords << "` | "
       << (tq != tev.queries.end() && tq->second.answered ? std::to_string(tq->second.pages.size()) : "-") << " |";
    for (const auto& e : engines) {
      const auto it = e.queries.find(q.id);
      if (it == e.queries.end() || !it->second.answered) {
        md << " failed |";
        continue;
      }
      md << " " << Ms(Summarise(it->second.ms).median);
      if (!it->second.nativeExact) md << " *" << it->second.candidates;
      md << " |";
    }
    md << "\n";
  }
  md << "\n## Summary\n\n```\n" << tail.str() << firstTail.str() << "speedup-vs-best-peer: min=" << Num(minSpeedup, 2)
     << " median=" << Num(medSpeedup, 2) << " disagreements=" << disagreementCount << "\n"
     << "first-run-speedup-vs-best-peer: min=" << Num(minFirstSpeedup, 2) << " median=" << Num(medFirstSpeedup, 2)
     << "\n```\n";

  if (!WriteWholeFile(o.out, md.str(), error)) {
    std::fprintf(stderr, "tevarin-compare: %s\n", error.c_str());
    return 1;
  }
  if (disagreementCount) std::printf("disagreements:\n%s", disagreements.str().c_str());
  std::printf("%s%sspeedup-vs-best-peer: min=%s median=%s disagreements=%d\n", tail.str().c_str(),
              firstTail.str().c_str(), Num(minSpeedup, 2).c_str(), Num(medSpeedup, 2).c_str(), disagreementCount);
  std::printf("first-run-speedup-vs-best-peer: min=%s median=%s\n", Num(minFirstSpeedup, 2).c_str(),
              Num(medFirstSpeedup, 2).c_str());
  return 0;
}
