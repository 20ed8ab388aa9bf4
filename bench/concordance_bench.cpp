// The concordance and the hit distribution on the real collection: the first
// 100 lines of a frequent character, every line of a phrase, sorting 100,000
// lines by their following and preceding context, and the distribution of a
// frequent character over the whole collection. Each case times the search
// too, from the keyword string to the lines.
//
// The distribution's characters per node are counted once from the page
// texts (ScopeCharacters, the case "count_characters" times that) and kept,
// as a program keeps them for the session; the distribution case times the
// search and the sums.
//
// The collection is read from the folder named by TEVARIN_DATA, else from the
// folder of this program, else from build/bin under the current folder.
// Without a collection every case is skipped with a message.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "catalog/catalogue.h"
#include "catalog/concordance.h"
#include "catalog/hitdistribution.h"
#include "index/index.h"
#include "benchdata.h"

using namespace tevarin;

namespace {

using bench::DataFolder;
using bench::HasCollection;

// The whole-text engine and the catalogue, opened once for every case.
struct Collection {
  CIndex index;
  CCatalogue catalogue;
  std::string why;
};

Collection& Shared() {
  static Collection c;
  return c;
}

Collection* Open() {
  Collection& c = Shared();
  static bool tried = false;
  if (!tried) {
    tried = true;
    const std::string dir = DataFolder();
    if (!HasCollection(dir)) {
      c.why = "no collection in " + dir + " (set TEVARIN_DATA)";
    } else if (const Status opened = c.index.Open(dir, "Index", IndexPart::FullText); !opened) {
      c.why = "cannot open the collection in " + dir + ": " + opened.Message();
    } else if (const Status loaded = c.catalogue.Load(dir); !loaded) {
      c.why = "cannot read the catalogue in " + dir + ": " + loaded.Message();
      c.index.Close();
    }
  }
  return c.index.IsOpen() ? &c : nullptr;
}

void BM_Lines(benchmark::State& state, const char16_t* keywords, size_t limit) {
  Collection* c = Open();
  if (!c) {
    state.SkipWithError(Shared().why.c_str());
    return;
  }
  size_t lines = 0;
  for (auto _ : state) {
    Concordance concordance(c->index, &c->catalogue);
    ConcordanceQuery q;
    q.keywords = keywords;
    if (!concordance.Search(q)) {
      state.SkipWithError("the search failed");
      return;
    }
    std::vector<ConcordanceLine> out;
    concordance.Lines(limit, out);
    lines = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["lines"] = static_cast<double>(lines);
}

// The first 100 lines in collection order: only the first pages are read.
BENCHMARK_CAPTURE(BM_Lines, first100_yue, u"月", 100)->Unit(benchmark::kMillisecond);
// Every hit of a phrase.
BENCHMARK_CAPTURE(BM_Lines, all_mingyue, u"明月", 0)->Unit(benchmark::kMillisecond);

// 100,000 lines of a frequent character (不: 209,659 hits on the collection
// the figures were taken on), gathered once.
const std::vector<ConcordanceLine>* HundredThousandLines() {
  static std::vector<ConcordanceLine> lines;
  static bool made = false;
  if (!made) {
    made = true;
    if (Collection* c = Open()) {
      Concordance concordance(c->index, &c->catalogue);
      ConcordanceQuery q;
      q.keywords = u"不";
      if (concordance.Search(q)) concordance.Lines(100000, lines);
    }
  }
  return lines.size() == 100000 ? &lines : nullptr;
}

void BM_Sort(benchmark::State& state, ConcordanceSort sort) {
  const std::vector<ConcordanceLine>* lines = HundredThousandLines();
  if (!lines) {
    state.SkipWithError("no collection, or fewer than 100,000 lines of 不");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<ConcordanceLine> copy = *lines;
    state.ResumeTiming();
    SortLines(copy, sort);
    benchmark::DoNotOptimize(copy.data());
  }
  state.counters["lines"] = static_cast<double>(lines->size());
}
BENCHMARK_CAPTURE(BM_Sort, right_100k, ConcordanceSort::Right)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Sort, left_100k, ConcordanceSort::Left)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Sort, book_100k, ConcordanceSort::Book)->Unit(benchmark::kMillisecond);

// The whole collection's characters, counted once and kept.
const ScopeCharacters* WholeCharacters(Collection& c) {
  static ScopeCharacters characters;
  static bool counted = false;
  if (!counted) {
    counted = true;
    uint32_t first = 0, end = 0;
    RecordSpan(*c.catalogue.Root(), first, end);
    (void)characters.Count(c.index, HitScope::WholeText, first, end);
  }
  return &characters;
}

void BM_CountCharacters(benchmark::State& state) {
  Collection* c = Open();
  if (!c) {
    state.SkipWithError(Shared().why.c_str());
    return;
  }
  uint32_t first = 0, end = 0;
  RecordSpan(*c->catalogue.Root(), first, end);
  for (auto _ : state) {
    ScopeCharacters characters;
    benchmark::DoNotOptimize(characters.Count(c->index, HitScope::WholeText, first, end));
  }
  state.counters["pages"] = static_cast<double>(end - first);
}
BENCHMARK(BM_CountCharacters)->Name("count_characters")->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_Distribution(benchmark::State& state, const char16_t* keywords) {
  Collection* c = Open();
  if (!c) {
    state.SkipWithError(Shared().why.c_str());
    return;
  }
  const ScopeCharacters* characters = WholeCharacters(*c);
  size_t rows = 0;
  uint64_t hits = 0;
  for (auto _ : state) {
    Concordance search(c->index, &c->catalogue);
    ConcordanceQuery q;
    q.keywords = keywords;
    if (!search.Search(q)) {
      state.SkipWithError("the search failed");
      return;
    }
    const HitDistribution d =
        BuildHitDistribution(c->catalogue, nullptr, search.Pages(), search.Counts(), *characters);
    rows = d.rows.size();
    hits = d.total.hits;
    benchmark::DoNotOptimize(d.rows.data());
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["hits"] = static_cast<double>(hits);
}
BENCHMARK_CAPTURE(BM_Distribution, shan, u"山")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
