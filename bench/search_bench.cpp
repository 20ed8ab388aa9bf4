// Keyword search on the real collection: a frequent single character, phrases
// of two and four characters, "?" and "*" patterns, a variants search and the
// and/or combinations of keywords. Every search counts hits, as the search form
// asks for.
//
// The collection is read from the folder named by TEVARIN_DATA, else from the
// folder of this program (the build's bin folder, where the run command puts
// the default collection), else from build/bin under the current folder. Without
// a collection every case is skipped with a message.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <string>

#include "index/index.h"
#include "benchdata.h"

using namespace tevarin;

namespace {

using bench::DataFolder;
using bench::HasCollection;

// One engine per index part, opened on first use and kept for all cases.
CIndex* Engine(IndexPart indexPart, std::string& why) {
  static CIndex engines[3];
  static bool tried[3] = {false, false, false};
  static std::string errors[3];
  const int part = static_cast<int>(indexPart);
  if (!tried[part]) {
    tried[part] = true;
    const std::string dir = DataFolder();
    if (!HasCollection(dir))
      errors[part] = "no collection in " + dir + " (set TEVARIN_DATA or build one with tevarin-mkcollection)";
    else if (const Status opened = engines[part].Open(dir, "Index", indexPart); !opened)
      errors[part] = "cannot open the collection in " + dir + ": " + opened.Message();
  }
  why = errors[part];
  return engines[part].IsOpen() ? &engines[part] : nullptr;
}

enum class Op { And, Or };

void RunSearch(benchmark::State& state, std::u16string keywords, Op op, bool variants, IndexPart part) {
  std::string why;
  CIndex* index = Engine(part, why);
  if (!index) {
    state.SkipWithError(why.c_str());
    return;
  }
  std::u16string buffer;
  int32_t pages = 0;
  for (auto _ : state) {
    buffer = keywords;  // the search writes U+3000 over the spaces
    if (op == Op::And)
      index->SearchAnd(buffer, true, variants);
    else
      index->SearchOr(buffer, true, variants);
    pages = index->GetHitPageCount();
    benchmark::DoNotOptimize(index->GetHitCounts().data());
  }
  uint64_t hits = 0;
  for (uint32_t c : index->GetHitCounts()) hits += c;
  state.counters["pages"] = pages;
  state.counters["hits"] = static_cast<double>(hits);
}

void BM_Search(benchmark::State& state, const char16_t* keywords, Op op, bool variants, IndexPart part) {
  RunSearch(state, keywords, op, variants, part);
}

// A frequent single character: every position of every page it is on is counted.
BENCHMARK_CAPTURE(BM_Search, single_zhi, u"之", Op::And, false, IndexPart::FullText)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Search, single_bu, u"不", Op::And, false, IndexPart::FullText)->Unit(benchmark::kMillisecond);
// Phrases: the terms meet on the pages of the rarest one.
BENCHMARK_CAPTURE(BM_Search, phrase2_tianxia, u"天下", Op::And, false, IndexPart::FullText)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Search, phrase2_buzhi, u"不知", Op::And, false, IndexPart::FullText)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Search, phrase4_buzhihechu, u"不知何處", Op::And, false, IndexPart::FullText)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Search, phrase8_chunmian, u"春眠不覺曉，處處", Op::And, false, IndexPart::FullText)->Unit(benchmark::kMillisecond);
// Wildcards.
BENCHMARK_CAPTURE(BM_Search, question_chun_hua, u"春?花", Op::And, false, IndexPart::FullText)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Search, star_chun_hua, u"春*花", Op::And, false, IndexPart::FullText)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Search, star3_chun_hua_yue, u"春*花*月", Op::And, false, IndexPart::FullText)->Unit(benchmark::kMillisecond);
// Variant groups: the group slot holds the merged postings of all forms.
BENCHMARK_CAPTURE(BM_Search, variants_xue, u"学而", Op::And, true, IndexPart::FullText)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Search, variants_guo, u"国家", Op::And, true, IndexPart::FullText)->Unit(benchmark::kMillisecond);
// Several keywords.
BENCHMARK_CAPTURE(BM_Search, and_two, u"明月 故鄉", Op::And, false, IndexPart::FullText)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Search, and_dense, u"梅花 雪", Op::And, false, IndexPart::FullText)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Search, or_two, u"明月 故鄉", Op::Or, false, IndexPart::FullText)->Unit(benchmark::kMillisecond);
// The body index.
BENCHMARK_CAPTURE(BM_Search, body_single_zhi, u"之", Op::And, false, IndexPart::Body)->Unit(benchmark::kMillisecond);

// Keywords that cost time in proportion to their length or more: a frequent
// character repeated hundreds of times (one page list to intersect, and a
// page examined only when it holds the character often enough), the same
// around a "*", and an "or" of a thousand characters (each merged into the
// hit list in one walk).
std::u16string Repeated(const char16_t* unit, int times) {
  std::u16string s;
  for (int i = 0; i < times; ++i) s += unit;
  return s;
}
std::u16string ManyCharacters(int n) {
  std::u16string s;
  for (int i = 0; i < n; ++i) {
    if (i) s += u' ';
    s += static_cast<char16_t>(0x4E00 + 2 * i);
  }
  return s;
}
void BM_LongKeyword(benchmark::State& state, std::u16string keywords, Op op) {
  RunSearch(state, std::move(keywords), op, false, IndexPart::FullText);
}
BENCHMARK_CAPTURE(BM_LongKeyword, zhi_x600, Repeated(u"之", 600), Op::And)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LongKeyword, bu_x1000, Repeated(u"不", 1000), Op::And)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LongKeyword, ming_x2000, Repeated(u"明", 2000), Op::And)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LongKeyword, bu_x1000_star_bu, Repeated(u"不", 1000) + u"*不", Op::And)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LongKeyword, bu_star_x1000, Repeated(u"不*", 1000) + u"不", Op::And)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LongKeyword, or_1000_characters, ManyCharacters(1000), Op::Or)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
