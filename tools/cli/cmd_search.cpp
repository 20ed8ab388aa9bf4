// tevarin-cli search: a keyword search as the search form runs it.
//   Without --range: the engine's hit list in its own order.
//   With --range ENTRY: the results inside that catalogue entry, titled and
//   sorted as the result list shows them, then the summary line.
#include <climits>
#include <cstdio>

#include "cli.h"
#include "index/index.h"
#include "catalog/catalogue.h"
#include "catalog/searchresult.h"

namespace tevarin {

namespace {

constexpr const char* kUsage =
    "search [--or] [--scope full|body|notes] [--variants] [--range ENTRY] [--tsv] KEYWORDS";

int RunSearch(const CliContext& ctx, const std::vector<std::string>& args) {
  bool useOr = false, variants = false, tsv = false;
  IndexPart part = IndexPart::FullText;
  long long range = 0;
  std::vector<std::string> rest;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--or") {
      useOr = true;
    } else if (a == "--variants") {
      variants = true;
    } else if (a == "--tsv") {
      tsv = true;
    } else if (a == "--scope" && i + 1 < args.size()) {
      const std::string& s = args[++i];
      if (s == "full") part = IndexPart::FullText;
      else if (s == "body") part = IndexPart::Body;
      else if (s == "notes") part = IndexPart::Notes;
      else return UsageError(kUsage, "unknown scope " + s);
    } else if (a == "--range" && i + 1 < args.size()) {
      if (!ParseInt(args[++i], range) || range < 1) return UsageError(kUsage, "bad ENTRY");
    } else {
      rest.push_back(a);
    }
  }
  if (rest.size() != 1) return UsageError(kUsage);
  std::u16string keywords;
  if (!Utf8ToUtf16(rest[0], keywords)) return UsageError(kUsage, "KEYWORDS is not valid UTF-8");
  // As the form does: ideographic spaces become spaces before the search.
  for (char16_t& c : keywords)
    if (c == u'\u3000') c = u' ';

  CCatalogue catalogue;
  const ContentsNodeTag* rangeNode = nullptr;
  if (range > 0) {
    if (const Status loaded = catalogue.Load(ctx.dataDir); !loaded) {
      std::fprintf(stderr, "you delete data file!\n%s\n", loaded.Message().c_str());
      return kExitDataError;
    }
    const NodeItem* entry = range <= INT32_MAX ? catalogue.Entry(static_cast<int>(range)) : nullptr;
    if (!entry) {
      std::fprintf(stderr, "tevarin-cli: entry %lld is not in the catalogue (1..%d)\n", range,
                   catalogue.NodeCount() - 1);
      return kExitDataError;
    }
    rangeNode = FindNode(catalogue.Root(), *entry);
  }

  CIndex index;
  if (!OpenEngine(ctx, index, part)) return kExitDataError;
  if (!CIndex::AcceptsKeywords(keywords)) {
    std::fprintf(stderr, "%s\n", kRejectedKeywordsMessage);
    return kExitDataError;
  }
  if (useOr)
    index.SearchOr(keywords, true, variants);
  else
    index.SearchAnd(keywords, true, variants);
  // Why a search found nothing, where the reason is not plain absence; and
  // a warning when the answer came from a damaged index.
  if (index.LastOutcome() == SearchOutcome::kNoPostings)
    std::fprintf(stderr, "note: a character of the keywords occurs nowhere in this index\n");
  if (const size_t cut = index.Postings().CutShortStreams(); cut > 0)
    std::fprintf(stderr,
                 "note: %zu postings %s of this index %s before %s last page; the index is "
                 "damaged and pages may be missing (tevarin-cli verify lists the damage)\n",
                 cut, cut == 1 ? "stream" : "streams", cut == 1 ? "ends" : "end",
                 cut == 1 ? "its" : "their");
  const auto& pages = index.GetHitPages();
  const auto& counts = index.GetHitCounts();

  if (range == 0) {
    uint64_t total = 0;
    for (size_t i = 0; i < pages.size(); ++i) {
      const uint32_t count = i < counts.size() ? counts[i] : 0;
      total += count;
      if (tsv) std::printf("%u\t%u\n", pages[i], count);
      else std::printf("record %u: %u hits\n", pages[i], count);
    }
    if (!tsv) std::printf("%zu pages, %llu hits\n", pages.size(), static_cast<unsigned long long>(total));
    return kExitOk;
  }

  std::vector<SearchNodeTag> results;
  const int32_t total = BuildSearchResult(rangeNode, pages, counts, results);
  for (const SearchNodeTag& r : results) {
    const std::string cls = Utf16ToUtf8(r.strClass), book = Utf16ToUtf8(r.strBook),
                      vol = Utf16ToUtf8(r.strVolume);
    if (tsv)
      std::printf("%s\t%s\t%s\t%d\t%d\t%d\n", cls.c_str(), book.c_str(), vol.c_str(), r.nPageNo,
                  r.nRecord, r.nHits);
    else
      std::printf("%s  %s  %s  %d頁  (record %d, %d hits)\n", cls.c_str(), book.c_str(),
                  vol.c_str(), r.nPageNo, r.nRecord, r.nHits);
  }
  std::printf("%s\n",
              Utf16ToUtf8(SummaryText(static_cast<int32_t>(results.size()), total)).c_str());
  return kExitOk;
}

CommandRegistrar reg("search", kUsage, &RunSearch);

}  // namespace

}  // namespace tevarin
