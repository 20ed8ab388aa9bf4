// tevarin-mkcollection: builds the collection's data files (book files, the
// three indexes, the variant table and the catalogue) from the chinese-poetry
// corpus. Progress goes to stderr, the figures of the result to stdout.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "collectionbuilder.h"
#include "indexbuilder.h"

using namespace tevarin;

namespace {

constexpr const char* kUsage =
    "usage: tevarin-mkcollection --corpus DIR --unihan FILE --out DIR [--opencc DIR]\n"
    "                            [--unihan-fields FIELD,FIELD,...]\n"
    "       tevarin-mkcollection --companion DIR\n"
    "  --corpus DIR     the dist/ folder of the chinese-poetry package\n"
    "  --unihan FILE    Unihan_Variants.txt or Unihan_Variants.txt.bz2\n"
    "  --out DIR        where the data files go (created when missing)\n"
    "  --opencc DIR     OpenCC data (JPVariants, s2t.json): Japanese new forms in the\n"
    "                   variant groups, traditional catalogue titles\n"
    "  --unihan-fields  Unihan relations that join variant groups\n"
    "                   (default kTraditionalVariant,kSimplifiedVariant,kZVariant)\n"
    "  --companion DIR  only (re)writes the companion postings files of the\n"
    "                   collection in DIR from its index files (a full build\n"
    "                   writes them too)\n";

std::vector<std::string> SplitCommas(const std::string& s) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= s.size()) {
    size_t end = s.find(',', start);
    if (end == std::string::npos) end = s.size();
    if (end > start) out.push_back(s.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

void PrintCompanionStats(const BuildStats& s) {
  std::printf("companion files: %s bytes, %.0f%% of the index files, written in %.1f s\n",
              GroupedNumber(s.companionBytes).c_str(),
              s.indexBytes ? 100.0 * static_cast<double>(s.companionBytes) / static_cast<double>(s.indexBytes) : 0.0,
              s.companionSeconds);
}

void PrintStats(const BuildStats& s) {
  std::printf("records (pages): %s\n", GroupedNumber(static_cast<uint64_t>(s.records)).c_str());
  for (int i = 0; i < 3; ++i)
    std::printf("indexed characters, %s: %s\n", CollectionIndexer::kNames[i],
                GroupedNumber(s.indexed[i]).c_str());
  std::printf("catalogue entries: %zu (%zu divisions, %zu books, %zu volumes)\n",
              s.catalogueEntries, s.divisions, s.books, s.volumes);
  std::printf("variant groups: %zu; by size:", s.groups);
  for (const auto& [size, count] : s.groupSizes) std::printf(" %zu:%zu", size, count);
  std::printf("\nvariant links:");
  for (const auto& [field, count] : s.linksPerRelation) std::printf(" %s %zu", field.c_str(), count);
  std::printf("\n");
  for (const auto& [name, bytes] : s.files)
    std::printf("  %-22s %15s bytes\n", name.c_str(), GroupedNumber(bytes).c_str());
  std::printf("total size: %s bytes (%.1f MiB)\n", GroupedNumber(s.totalBytes).c_str(),
              static_cast<double>(s.totalBytes) / (1024.0 * 1024.0));
  PrintCompanionStats(s);
  std::printf("time: %.1f s\n", s.seconds);
}

int WriteCompanionsOnly(const std::string& folder) {
  BuildStats stats;
  std::string error;
  const auto progress = [](const std::string& line) {
    std::fprintf(stderr, "tevarin-mkcollection: %s\n", line.c_str());
  };
  if (!WriteCompanions(folder, stats, error, progress)) {
    std::fprintf(stderr, "tevarin-mkcollection: %s\n", error.c_str());
    return 1;
  }
  PrintCompanionStats(stats);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  BuildOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "tevarin-mkcollection: %s needs a value\n%s", arg.c_str(), kUsage);
      return 2;
    }
    const std::string value = argv[++i];
    if (arg == "--companion") {
      if (argc != 3) {
        std::fprintf(stderr, "tevarin-mkcollection: --companion takes no other option\n%s", kUsage);
        return 2;
      }
      return WriteCompanionsOnly(value);
    }
    if (arg == "--corpus") options.corpusDir = value;
    else if (arg == "--unihan") options.unihanPath = value;
    else if (arg == "--out") options.outDir = value;
    else if (arg == "--opencc") options.openccDir = value;
    else if (arg == "--unihan-fields") options.unihanFields = SplitCommas(value);
    else {
      std::fprintf(stderr, "tevarin-mkcollection: unknown option %s\n%s", arg.c_str(), kUsage);
      return 2;
    }
  }
  if (options.corpusDir.empty() || options.unihanPath.empty() || options.outDir.empty()) {
    std::fprintf(stderr, "tevarin-mkcollection: --corpus, --unihan and --out are required\n%s",
                 kUsage);
    return 2;
  }
  options.progress = [](const std::string& line) {
    std::fprintf(stderr, "tevarin-mkcollection: %s\n", line.c_str());
  };
  BuildStats stats;
  std::string error;
  if (!BuildCollection(StandardPlan(), options, stats, error)) {
    std::fprintf(stderr, "tevarin-mkcollection: %s\nnothing was changed in %s\n", error.c_str(),
                 options.outDir.c_str());
    return 1;
  }
  PrintStats(stats);
  return 0;
}
