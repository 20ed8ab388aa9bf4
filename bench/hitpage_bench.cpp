// Hit-page building on a page shaped like the collection's stored pages: a
// <title>, a table with a text cell and a margin cell, an <h4> heading, <p>
// lines of a few hundred CJK characters and note runs in the small note font.
// The matches are found over the page's indexed text by the search's
// matchers, then marked in one rendering.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "index/hitpagematches.h"
#include "index/index.h"
#include "index/keyword.h"
#include "store/pagetext.h"
#include "writer/bookwriter.h"
#include "writer/indexwriter.h"

using namespace tevarin;

namespace {

const std::string kNoteOpenTag = "<font size=-1 color=\"#993366\">";

std::string TypicalPage() {
  const char* lines[] = {
      "子曰學而時習之不亦說乎有朋自遠方來不亦樂乎人不知而不慍不亦君子乎",
      "有子曰其為人也孝弟而好犯上者鮮矣不好犯上而好作亂者未之有也",
      "君子務本本立而道生孝弟也者其為仁之本與",
      "子曰巧言令色鮮矣仁曾子曰吾日三省吾身為人謀而不忠乎與朋友交而不信乎傳不習乎",
      "子曰道千乘之國敬事而信節用而愛人使民以時",
      "子曰弟子入則孝出則弟謹而信汎愛眾而親仁行有餘力則以學文",
      "子夏曰賢賢易色事父母能竭其力事君能致其身與朋友交言而有信雖曰未學吾必謂之學矣",
  };
  const char* notes[] = {"學者將以行之也", "時者學者以時誦習之", "說者喜悅也",
                         "朋同類也", "慍怒也"};
  std::string text = "<h4>學而第一</h4>";
  for (size_t i = 0; i < std::size(lines); ++i) {
    text += "<p>";
    text += lines[i];
    text += kNoteOpenTag + notes[i % std::size(notes)] + "</font>";
    text += "</p>";
  }
  return "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">"
         "<title>論語　巻一　第2頁</title><style>td.text{width:36em}</style></head><body>"
         "<table class=\"page\"><tr><TD class=\"text\" valign=\"top\">" +
         text +
         "</TD><TD class=\"margin\" valign=\"top\">論語<br>巻一<br>2</TD></tr></table></body></html>";
}

const std::vector<std::u16string> kKeywords = {u"學", u"不亦", u"君子", u"而*信"};

// The page's indexed text: cells, runs, tags skipped, entities decoded.
void BM_ReadPageText(benchmark::State& state) {
  const std::string stored = TypicalPage();
  size_t chars = 0;
  for (auto _ : state) {
    const PageText text = ReadPageText(stored, 2);
    chars = text.chars.size();
    benchmark::DoNotOptimize(text);
  }
  state.counters["indexed_chars"] = static_cast<double>(chars);
  state.counters["page_bytes"] = static_cast<double>(stored.size());
}
BENCHMARK(BM_ReadPageText)->Unit(benchmark::kMicrosecond);

// A book of one stored page (and empty indexes) opened by the engine.
class BookFixture {
 public:
  BookFixture() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tevarin-bench-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) std::abort();
    m_dir = tmpl;
    BookWriter w;
    IndexWriter empty;
    if (!w.Create(m_dir, "Index", 100) || !w.AddPage("lunyu\\juan1\\0002.htm", TypicalPage()) ||
        !w.Finish())
      std::abort();
    for (const char* name : {"Index", "Index_content", "Index_desc"})
      if (!empty.Write(m_dir + "/" + name)) std::abort();
    m_index.UseCompanion(false);
    if (!m_index.Open(m_dir, "Index", IndexPart::FullText)) std::abort();
  }
  ~BookFixture() {
    m_index.Close();
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
  }
  const CIndex& Index() const { return m_index; }

 private:
  std::string m_dir;
  CIndex m_index;
};

// The whole operation: record read and unmasked, its text read, the first n
// keywords found and the page rendered.
void BM_BuildHitPage(benchmark::State& state) {
  BookFixture book;
  std::u16string keywords;  // the first n keywords, separated by spaces
  for (int64_t k = 0; k < state.range(0); ++k) keywords += (k ? u" " : u"") + kKeywords[static_cast<size_t>(k)];
  const bool variants = state.range(1) != 0;
  int32_t anchors = 0;
  for (auto _ : state) {
    std::string out;
    anchors = book.Index().BuildHitPage(0, out, keywords, 0, variants);
    benchmark::DoNotOptimize(out);
  }
  state.counters["anchors"] = anchors;
}
BENCHMARK(BM_BuildHitPage)
    ->Args({1, 0})->Args({2, 0})->Args({4, 0})->Args({4, 1})
    ->Unit(benchmark::kMicrosecond);

// Keywords the page holds only in its markup, after one it holds in its
// text: letters (which are no keyword characters) and thousands of forms
// that occur nowhere, as a long pasted string gives them. A keyword whose
// characters the page lacks is passed by at once.
void BM_BuildHitPageHostile(benchmark::State& state) {
  BookFixture book;
  std::u16string keywords = u"學";
  if (state.range(0) == 0) {
    keywords += u" a b c d e g k l m n o r s t";
  } else {
    for (int i = 0; i < 4096; ++i) keywords += u" 學" + std::u16string(1, static_cast<char16_t>(0x9000 + i));
  }
  int32_t anchors = 0;
  size_t bytes = 0;
  for (auto _ : state) {
    std::string out;
    anchors = book.Index().BuildHitPage(0, out, keywords, 0, false);
    bytes = out.size();
    benchmark::DoNotOptimize(out);
  }
  state.counters["anchors"] = anchors;
  state.counters["page_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_BuildHitPageHostile)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A long line where every attempt fails late: "學?時" against 學 followed by
// two characters, again and again, with one 時 only at the very end. The
// matchers walk each term's positions once, so the finding stays linear in
// the page's length.
void BM_FindFailedAttempts(benchmark::State& state) {
  std::string line;
  for (int64_t i = 0; i < state.range(0); ++i) line += "學一二";
  line += "時";
  const std::string page = "<title>t</title><TD><p>" + line + "</p></TD><TD></TD>";
  const PageText text = ReadPageText(page, 2);
  const CompiledKeyword keyword = CompileKeyword(u"學?時", nullptr);
  std::vector<PageMatchFinder::Match> matches;
  std::vector<CharRange> ranges;
  for (auto _ : state) {
    PageMatchFinder finder(text, HitScope::WholeText, nullptr);
    matches.clear();
    ranges.clear();
    benchmark::DoNotOptimize(finder.Find(keyword, 0, matches, ranges));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(line.size()));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_FindFailedAttempts)->RangeMultiplier(4)->Range(256, 65536)->Complexity();

}  // namespace

BENCHMARK_MAIN();
