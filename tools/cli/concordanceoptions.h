// The options of kwic and dist: the search (keywords, --or, --variants,
// --scope, --range), the output format, and the lines' --width, --sort and
// --limit.
#pragma once

#include <climits>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "catalog/catalogue.h"
#include "catalog/concordance.h"
#include "catalog/delimitedtext.h"
#include "cli.h"
#include "index/index.h"

namespace tevarin {

struct ConcordanceOptions {
  ConcordanceQuery query;
  long long range = 0;  // catalogue entry; 0: the whole collection
  DelimitedFormat format = DelimitedFormat::Tsv;
  ConcordanceSort sort = ConcordanceSort::Collection;
  long long limit = 0;  // 0: every line
};

// Parses args; on a bad argument prints the usage and sets exitCode.
inline bool ParseConcordanceOptions(const std::vector<std::string>& args, const char* usage,
                                    ConcordanceOptions& o, int& exitCode) {
  std::vector<std::string> rest;
  auto fail = [&](const std::string& why) {
    exitCode = UsageError(usage, why);
    return false;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--or") {
      o.query.useOr = true;
    } else if (a == "--variants") {
      o.query.variants = true;
    } else if (a == "--scope" && hasValue) {
      const std::string& s = args[++i];
      if (s == "full") o.query.scope = HitScope::WholeText;
      else if (s == "body") o.query.scope = HitScope::Body;
      else if (s == "notes") o.query.scope = HitScope::Notes;
      else return fail("unknown scope " + s);
    } else if (a == "--range" && hasValue) {
      if (!ParseInt(args[++i], o.range) || o.range < 1) return fail("bad ENTRY");
    } else if (a == "--format" && hasValue) {
      if (!ParseDelimitedFormat(args[++i], o.format)) return fail("the format is tsv or csv");
    } else if (a == "--width" && hasValue) {
      long long w = 0;
      if (!ParseInt(args[++i], w) || w < kMinContextWidth || w > kMaxContextWidth)
        return fail("the width is 1 to 100 characters");
      o.query.width = static_cast<int>(w);
    } else if (a == "--sort" && hasValue) {
      if (!ParseConcordanceSort(args[++i], o.sort))
        return fail("the sort is order, right, left or book");
    } else if (a == "--limit" && hasValue) {
      if (!ParseInt(args[++i], o.limit) || o.limit < 1) return fail("the limit is a number from 1");
    } else if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      return fail("unknown option or missing value: " + a);
    } else {
      rest.push_back(a);
    }
  }
  if (rest.size() != 1) return fail("");
  if (!Utf8ToUtf16(rest[0], o.query.keywords)) return fail("KEYWORDS is not valid UTF-8");
  // As the search form does: ideographic spaces become spaces.
  for (char16_t& c : o.query.keywords)
    if (c == u'\u3000') c = u' ';
  return true;
}

// Loads the catalogue and finds the range entry; prints why not and sets
// exitCode on failure.
inline bool LoadRange(const CliContext& ctx, long long range, CCatalogue& catalogue,
                      const ContentsNodeTag*& node, int& exitCode) {
  node = nullptr;
  if (const Status loaded = catalogue.Load(ctx.dataDir); !loaded) {
    std::fprintf(stderr, "tevarin-cli: the catalogue cannot be read: %s\n", loaded.Message().c_str());
    exitCode = kExitDataError;
    return false;
  }
  if (range == 0) return true;
  const NodeItem* entry = range <= INT32_MAX ? catalogue.Entry(static_cast<int>(range)) : nullptr;
  if (entry) node = FindNode(catalogue.Root(), *entry);
  if (!node) {
    std::fprintf(stderr, "tevarin-cli: entry %lld is not in the catalogue (1..%d)\n", range,
                 catalogue.NodeCount() - 1);
    exitCode = kExitDataError;
    return false;
  }
  return true;
}

// What kwic and dist share: parses args, loads the catalogue and the range,
// opens the index of the scope and runs the search into search. On failure
// prints why and sets exitCode. catalogue and index must outlive search.
inline bool RunConcordanceSearch(const CliContext& ctx, const std::vector<std::string>& args,
                                 const char* usage, ConcordanceOptions& o, CCatalogue& catalogue,
                                 CIndex& index, std::optional<Concordance>& search, int& exitCode) {
  if (!ParseConcordanceOptions(args, usage, o, exitCode)) return false;
  if (!LoadRange(ctx, o.range, catalogue, o.query.range, exitCode)) return false;
  exitCode = kExitDataError;
  if (!OpenEngine(ctx, index, IndexPartOf(o.query.scope))) return false;
  search.emplace(index, &catalogue);
  if (const Status s = search->Search(o.query); !s) {
    std::fprintf(stderr, "tevarin-cli: %s\n", s.Message().c_str());
    return false;
  }
  if (index.LastOutcome() == SearchOutcome::kNoPostings)
    std::fprintf(stderr, "note: a character of the keywords occurs nowhere in this index\n");
  exitCode = kExitOk;
  return true;
}

}  // namespace tevarin
