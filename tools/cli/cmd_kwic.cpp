// tevarin-cli kwic: every hit of a search in its context, one line per hit,
// as TSV or CSV with a header line.
#include <cstdio>
#include <iostream>

#include "catalog/concordanceexport.h"
#include "concordanceoptions.h"
#include "index/index.h"

namespace tevarin {

namespace {

constexpr const char* kUsage =
    "kwic [--width N] [--sort order|right|left|book] [--limit N] [--range ENTRY] "
    "[--scope full|body|notes] [--variants] [--or] [--format tsv|csv] KEYWORDS";

int RunKwic(const CliContext& ctx, const std::vector<std::string>& args) {
  ConcordanceOptions o;
  CCatalogue catalogue;
  CIndex index;
  std::optional<Concordance> concordance;
  int exitCode = kExitOk;
  if (!RunConcordanceSearch(ctx, args, kUsage, o, catalogue, index, concordance, exitCode)) return exitCode;

  // Collection order streams: only the pages the limit needs are read.
  // Another order needs every line before the first one is known.
  const size_t limit = static_cast<size_t>(o.limit);
  std::vector<ConcordanceLine> lines;
  std::vector<std::string> notes;
  concordance->Lines(o.sort == ConcordanceSort::Collection ? limit : 0, lines, &notes);
  for (const std::string& n : notes) std::fprintf(stderr, "note: %s\n", n.c_str());
  if (o.sort != ConcordanceSort::Collection) {
    SortLines(lines, o.sort);
    if (limit && lines.size() > limit) lines.resize(limit);
  }

  if (!WriteConcordanceExport(std::cout, lines, o.format)) {
    std::fprintf(stderr, "tevarin-cli: the output could not be written\n");
    return kExitDataError;
  }
  return kExitOk;
}

CommandRegistrar reg("kwic", kUsage, &RunKwic);

}  // namespace

}  // namespace tevarin
