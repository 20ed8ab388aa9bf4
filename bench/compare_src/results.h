// The answers and times of one engine over the query set, as the run step
// writes them for the report ("<results>/<engine>.tsv"), tab-separated:
//   engine   NAME
//   open_ms  time to open the engine's index
//   maxrss_kb, children_maxrss_kb  peak resident memory of the run (and of
//            the processes it started)
//   query    ID  EXACT  CANDIDATES  INDEX_BYTES  FIRST_MS  MS,MS,...  COUNT  PAGE,PAGE,...
//   error    ID  MESSAGE
//   note     TEXT  what the engine says about how it answered (optional)
// EXACT is 1 when the engine's native query answered alone, CANDIDATES the
// pages whose text it checked, FIRST_MS the time of the query's first run in
// the process (before any warm-up), pages ascending.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct QueryResult {
  bool answered = false;
  std::string error;
  bool nativeExact = true;
  uint64_t candidates = 0;
  uint64_t indexBytes = 0;
  double firstMs = 0;  // the first run, before the warm-up runs
  std::vector<double> ms;
  std::vector<uint32_t> pages;
};

struct EngineResults {
  std::string engine;
  double openMs = 0;
  long maxRssKb = 0;
  long childrenMaxRssKb = 0;
  std::string note;
  std::map<std::string, QueryResult> queries;
};

bool WriteEngineResults(const EngineResults& r, const std::string& path, std::string& error);
bool ReadEngineResults(const std::string& path, EngineResults& r, std::string& error);

// key=value lines (build figures, bandwidth, export check).
std::map<std::string, std::string> ReadKeyValues(const std::string& path);
bool WriteKeyValues(const std::map<std::string, std::string>& kv, const std::string& path, std::string& error);
