// One engine of the comparison: opens its index (or text) once, then answers
// queries with the set of pages they occur on. The engines are tevarin (the
// collection's own index through CIndex) and the peers: SQLite FTS5, Xapian,
// ripgrep as a whole process, and a brute-force scan in process. A peer that
// cannot express a keyword exactly runs its nearest native query and checks
// the candidate pages' text; that check is part of its answer time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "queryset.h"

struct EngineConfig {
  std::string data;   // the collection's folder
  std::string cache;  // the comparison's cache folder (exported texts, peer indexes)
};

struct QueryAnswer {
  std::vector<uint32_t> pages;  // record indices, any order (compared as a set)
  uint64_t candidates = 0;      // pages whose text the engine had to check
  bool nativeExact = true;      // answered by the engine's own query alone
};

class Engine {
 public:
  virtual ~Engine() = default;
  virtual bool Open(const EngineConfig& config, std::string& error) = 0;
  virtual bool Run(const Query& query, QueryAnswer& answer, std::string& error) = 0;
  // Bytes of index data the query's terms own (tevarin: whole postings streams), 0 if unknown.
  virtual uint64_t IndexBytes(const Query&) { return 0; }
  // After the run: anything worth saying about how the engine answered.
  virtual std::string Note() const { return {}; }
};

inline constexpr const char* kEngineNames[] = {"tevarin", "fts5", "xapian", "ripgrep", "scan"};

// tevarin with its companion postings files (as the reader opens the
// collection), or reading the index files alone ("tevarin-nocompanion": how
// it answered before the companion, shown beside it but no peer).
std::unique_ptr<Engine> MakeTevarinEngine(bool companion = true);
std::unique_ptr<Engine> MakeFts5Engine();
std::unique_ptr<Engine> MakeXapianEngine();
std::unique_ptr<Engine> MakeRipgrepEngine();
std::unique_ptr<Engine> MakeScanEngine();

// Peer index builds from the exported texts in the cache folder; each writes
// its index beside them (fts5.db, xapian/) and answers false with a reason.
bool BuildFts5Index(const std::string& cache, std::string& error);
bool BuildXapianIndex(const std::string& cache, std::string& error);
