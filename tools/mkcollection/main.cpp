// tevarin-mkcollection: builds the collection's data files from the corpus.
//   tevarin-mkcollection --corpus DIR --unihan FILE --out DIR [--opencc DIR]
//                        [--variant-fields F1,F2,...]
// DIR of --corpus is the dist/ folder of the chinese-poetry package, FILE the
// Unihan_Variants data (plain or .bz2), --opencc OpenCC's data folder (the
// Japanese new forms and the conversion of simplified volume titles). The
// data files are written into a staging folder inside the out folder and
// renamed into place one by one when all of them are complete; nothing else
// in the out folder (the executables, for one) is touched.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "catalogueplan.h"
#include "collectionbuilder.h"
#include "corpus.h"
#include "inputfile.h"
#include "openccdata.h"
#include "variantgroups.h"

namespace {

constexpr const char* kUsage =
    "usage: tevarin-mkcollection --corpus DIR --unihan FILE --out DIR [--opencc DIR]\n"
    "                            [--variant-fields FIELD,...]\n"
    "  --corpus          the dist/ folder of the chinese-poetry package (2.0.1)\n"
    "  --unihan          Unihan_Variants.txt or Unihan_Variants.txt.bz2\n"
    "  --out             folder that receives the data files (created when missing)\n"
    "  --opencc          OpenCC's data folder (JPVariants, s2t.json): Japanese new forms\n"
    "                    join the variant groups and simplified volume titles are converted\n"
    "  --variant-fields  Unihan fields to join (default kTraditionalVariant,\n"
    "                    kSimplifiedVariant,kZVariant)\n";

int Usage(const std::string& why) {
  std::fprintf(stderr, "tevarin-mkcollection: %s\n%s", why.c_str(), kUsage);
  return 2;
}

int Fail(const std::string& why) {
  std::fprintf(stderr, "\ntevarin-mkcollection: %s\n", why.c_str());
  std::fprintf(stderr, "tevarin-mkcollection: nothing was changed in the out folder\n");
  return 1;
}

std::vector<std::string> SplitList(const std::string& s) {
  std::vector<std::string> out;
  std::stringstream in(s);
  std::string item;
  while (std::getline(in, item, ','))
    if (!item.empty()) out.push_back(item);
  return out;
}

// Progress on standard error: one line rewritten in place on a terminal,
// a line per phase otherwise.
class Progress {
 public:
  Progress() : m_tty(isatty(2) != 0), m_start(std::chrono::steady_clock::now()) {}
  double Elapsed() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
  }
  void Show(const std::string& phase, size_t done, size_t total) {
    if (m_tty) {
      std::fprintf(stderr, "\r[%5.1fs] %-8s %zu/%zu (%zu%%)   ", Elapsed(), phase.c_str(), done, total,
                   total ? done * 100 / total : 100);
      if (done == total) std::fprintf(stderr, "\n");
    } else if (phase != m_last || done == total) {
      std::fprintf(stderr, "[%5.1fs] %s %zu/%zu\n", Elapsed(), phase.c_str(), done, total);
    }
    m_last = phase;
    std::fflush(stderr);
  }
  void Say(const std::string& line) { std::fprintf(stderr, "[%5.1fs] %s\n", Elapsed(), line.c_str()); }

 private:
  bool m_tty;
  std::chrono::steady_clock::time_point m_start;
  std::string m_last;
};

}  // namespace

int main(int argc, char** argv) {
  std::string corpus, unihan, out, opencc;
  std::vector<std::string> fields = DefaultVariantFields();
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (i + 1 >= argc) return Usage("missing value after " + a);
    if (a == "--corpus") corpus = argv[++i];
    else if (a == "--unihan") unihan = argv[++i];
    else if (a == "--out") out = argv[++i];
    else if (a == "--opencc") opencc = argv[++i];
    else if (a == "--variant-fields") fields = SplitList(argv[++i]);
    else return Usage("unknown option " + a);
  }
  if (corpus.empty() || unihan.empty() || out.empty()) return Usage("--corpus, --unihan and --out are required");
  if (fields.empty()) return Usage("--variant-fields names no field");
  Progress progress;
  std::string error;

  // Variant groups.
  progress.Say("reading " + unihan);
  std::string text;
  if (!ReadInputFile(unihan, text, error)) return Fail(error);
  VariantGroups variants;
  if (!variants.AddUnihan(text, fields, error)) return Fail(unihan + ": " + error);
  text.clear();
  TitleConverter toTraditional;
  if (!opencc.empty()) {
    if (!ReadJapaneseVariants(opencc, text, error)) return Fail(error);
    variants.AddDictionary(text, "OpenCC JPVariants");
    if (!MakeTitleConverter(opencc, toTraditional, error))
      progress.Say("note: volume titles stay as the corpus gives them (" + error + ")");
  } else {
    progress.Say("note: no --opencc folder: Japanese new forms are not joined to their old forms");
  }
  const auto groups = variants.Groups();

  // The corpus.
  progress.Say("reading the corpus in " + corpus);
  std::vector<Division> divisions;
  if (!ReadCorpus(corpus, DefaultSources(), toTraditional, divisions, error)) return Fail(error);

  BuildOptions options;
  options.progress = [&](const std::string& phase, size_t done, size_t total) {
    progress.Show(phase, done, total);
  };
  progress.Say("building " + std::to_string(groups.size()) + " variant groups and " +
               std::to_string(CatalogueRecordCount(divisions)) + " catalogue entries into " + out);
  BuildStats stats;
  if (!BuildCollectionInto(divisions, groups, out, options, stats, error)) return Fail(error);

  const double seconds = progress.Elapsed();
  std::map<size_t, size_t> sizes;
  size_t members = 0;
  for (const auto& g : groups) {
    ++sizes[g.size()];
    members += g.size();
  }
  std::printf("collection written to %s\n", out.c_str());
  std::printf("page records:        %d\n", stats.records);
  std::printf("indexed characters:  Index %llu, Index_content %llu, Index_desc %llu\n",
              static_cast<unsigned long long>(stats.indexed[0]),
              static_cast<unsigned long long>(stats.indexed[1]),
              static_cast<unsigned long long>(stats.indexed[2]));
  std::printf("catalogue entries:   %zu\n", stats.catalogueEntries);
  std::printf("variant groups:      %zu with %zu members; by size:", stats.groups, members);
  for (const auto& [size, count] : sizes) std::printf(" %zu of %zu", count, size);
  std::printf("\nvariant relations:  ");
  for (const auto& [field, count] : variants.Relations()) std::printf(" %s %zu", field.c_str(), count);
  std::printf("\ntotal size:          %.1f MB in %zu files\n", static_cast<double>(stats.TotalBytes()) / 1e6,
              stats.fileSizes.size());
  std::printf("time:                %.1f s\n", seconds);
  return 0;
}
