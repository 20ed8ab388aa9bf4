// tevarin-cli dist: where a search's hits lie, per division, book and volume
// of the range (the whole collection without one), as TSV or CSV with a
// header line; the last row, level "total", is the range itself, its pages
// and hits the result list's summary.
#include <cstdio>
#include <iostream>

#include "catalog/hitdistribution.h"
#include "concordanceoptions.h"
#include "index/index.h"

namespace tevarin {

namespace {

// The options are kwic's, so that one command line serves both; --width,
// --sort and --limit are checked and change nothing in a distribution.
constexpr const char* kUsage =
    "dist [--range ENTRY] [--scope full|body|notes] [--variants] [--or] [--format tsv|csv] "
    "[--width N] [--sort order|right|left|book] [--limit N] KEYWORDS";

const char* LevelName(int level) {
  return level == 1 ? "division" : level == 2 ? "book" : level == 3 ? "volume" : "collection";
}

int RunDist(const CliContext& ctx, const std::vector<std::string>& args) {
  ConcordanceOptions o;
  CCatalogue catalogue;
  CIndex index;
  std::optional<Concordance> search;
  int exitCode = kExitOk;
  if (!RunConcordanceSearch(ctx, args, kUsage, o, catalogue, index, search, exitCode)) return exitCode;
  const ContentsNodeTag* range = o.query.range ? o.query.range : catalogue.Root();
  uint32_t first = 0, end = 0;
  RecordSpan(*range, first, end);
  // The characters per node come from the page texts of the range, read once.
  if (end - first > 10000)
    std::fprintf(stderr, "counting the characters of %u pages...\n", end - first);
  ScopeCharacters characters;
  if (const Status s = characters.Count(index, o.query.scope, first, end); !s) {
    std::fprintf(stderr, "tevarin-cli: %s\n", s.Message().c_str());
    return kExitDataError;
  }
  if (characters.Unreadable() > 0)
    std::fprintf(stderr, "note: %u pages could not be read; their characters count 0\n",
                 characters.Unreadable());
  const HitDistribution d =
      BuildHitDistribution(catalogue, o.query.range, search->Pages(), search->Counts(), characters);

  DelimitedWriter out(std::cout, o.format);
  out.Header({"level", "entry", "title", "hits", "pages", "characters", "per10k"});
  auto row = [&](const char* level, const DistributionRow& r) {
    char per10k[32];
    std::snprintf(per10k, sizeof per10k, "%.2f", r.per10k);
    const bool titled = r.node && r.node->parent;
    out.Row({level, std::to_string(r.entry), titled ? Utf8FromUtf16(r.node->name) : std::string(),
             std::to_string(r.hits), std::to_string(r.pages), std::to_string(r.characters), per10k});
  };
  for (const DistributionRow& r : d.rows) row(LevelName(r.node->level), r);
  row("total", d.total);
  std::cout.flush();
  if (!out.Good()) {
    std::fprintf(stderr, "tevarin-cli: the output could not be written\n");
    return kExitDataError;
  }
  return kExitOk;
}

CommandRegistrar reg("dist", kUsage, &RunDist);

}  // namespace

}  // namespace tevarin
