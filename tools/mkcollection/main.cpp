// tevarin-mkcollection: builds the collection's data files from the corpus.
//   tevarin-mkcollection --corpus DIR --unihan FILE --out DIR [--jp FILE]
// The files are written into a new folder inside DIR and moved into place one
// by one only when all of them were written, so a failed build never leaves a
// half-built collection over a good one.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <unistd.h>

#include "collectionbuilder.h"
#include "corpus.h"
#include "variantgroups.h"

namespace fs = std::filesystem;

namespace {

int Usage(const char* why) {
  if (why) std::fprintf(stderr, "tevarin-mkcollection: %s\n", why);
  std::fprintf(stderr,
               "usage: tevarin-mkcollection --corpus DIR --unihan FILE --out DIR [--jp FILE]\n"
               "  DIR of --corpus is the dist/ folder of the chinese-poetry package;\n"
               "  --unihan names Unihan_Variants.txt(.bz2); --jp a file of \"old<TAB>new\" pairs.\n");
  return 2;
}

int Fail(const std::string& why) {
  std::fprintf(stderr, "tevarin-mkcollection: %s\n", why.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string corpus, unihan, out, jp;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (i + 1 >= argc) return Usage(("missing value after " + a).c_str());
    if (a == "--corpus") corpus = argv[++i];
    else if (a == "--unihan") unihan = argv[++i];
    else if (a == "--out") out = argv[++i];
    else if (a == "--jp") jp = argv[++i];
    else return Usage(("unknown option " + a).c_str());
  }
  if (corpus.empty() || unihan.empty() || out.empty()) return Usage("--corpus, --unihan and --out are required");
  const auto start = std::chrono::steady_clock::now();

  // Variant groups: traditional/simplified and Z-variants (semantic variants
  // join unrelated characters into large groups, so they are left out).
  std::string text, error;
  if (unihan.size() > 4 && unihan.compare(unihan.size() - 4, 4, ".bz2") == 0) {
    if (!ReadBzip2(unihan, text, error)) return Fail(error);
  } else {
    std::ifstream in(unihan, std::ios::binary);
    if (!in) return Fail("cannot read " + unihan);
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  VariantGroups variants;
  if (!variants.AddUnihan(text, {"kTraditionalVariant", "kSimplifiedVariant", "kZVariant"}, error))
    return Fail(error);
  if (!jp.empty()) {
    std::ifstream in(jp, std::ios::binary);
    if (!in) return Fail("cannot read " + jp);
    variants.AddPairs(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
  }
  const auto groups = variants.Groups();
  std::fprintf(stderr, "variant groups: %zu from %zu relations\n", groups.size(), variants.Relations());

  std::vector<Division> divisions;
  std::fprintf(stderr, "reading the corpus\n");
  if (!ReadCorpus(corpus, divisions, error)) return Fail(error);

  std::error_code ec;
  fs::create_directories(out, ec);
  const std::string staging = out + "/.tevarin-build-" + std::to_string(getpid());
  fs::remove_all(staging, ec);
  if (!fs::create_directory(staging, ec)) return Fail("cannot create " + staging);
  BuildStats stats;
  if (!BuildCollection(divisions, groups, staging, isatty(2) || true, stats, error)) {
    fs::remove_all(staging, ec);
    return Fail(error);
  }
  for (const auto& e : fs::directory_iterator(staging)) {
    fs::rename(e.path(), fs::path(out) / e.path().filename(), ec);
    if (ec) return Fail("cannot move " + e.path().string() + " into " + out + ": " + ec.message());
  }
  fs::remove(staging, ec);

  std::map<size_t, size_t> sizes;
  for (const auto& g : groups) ++sizes[g.size()];
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("records: %d\n", stats.records);
  std::printf("indexed characters: whole text %llu, body %llu, notes %llu\n",
              static_cast<unsigned long long>(stats.indexed[0]),
              static_cast<unsigned long long>(stats.indexed[1]),
              static_cast<unsigned long long>(stats.indexed[2]));
  std::printf("catalogue entries: %zu\n", stats.catalogueEntries);
  std::printf("variant groups: %zu (sizes:", stats.groups);
  for (const auto& [size, count] : sizes) std::printf(" %zux%zu", count, size);
  std::printf(")\n");
  std::printf("total size: %.1f MB\n", static_cast<double>(stats.bytesWritten) / 1e6);
  std::printf("time: %.1f s\n", seconds);
  return 0;
}
