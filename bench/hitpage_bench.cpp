// Hit-page rendering on a page shaped like the collection's stored pages: a
// <title>, a table with a text cell and a margin cell, an <h4> heading, <p>
// lines of a few hundred CJK characters and note runs in the small note font.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "store/filelist.h"
#include "store/highlight.h"
#include "store/hitpage.h"
#include "writer/bookwriter.h"

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

const std::vector<std::string> kKeywords = {"學", "不亦", "君子", "而*信"};
const std::vector<std::u16string> kKeywords16 = {u"學", u"不亦", u"君子", u"而*信"};

// One keyword pass per keyword, each over the previous pass's page, as the
// hit page is built.
void BM_KeywordPasses(benchmark::State& state) {
  const std::string stored = TypicalPage();
  const auto n = static_cast<size_t>(state.range(0));
  int32_t anchors = 0;
  for (auto _ : state) {
    std::string current = stored, out;
    int32_t counter = 0;
    for (size_t k = 0; k < n; ++k) {
      out.clear();
      RenderKeywordPass(current, kKeywords[k], 0, HitScope::WholeText, counter, out);
      current.swap(out);
    }
    anchors = counter;
    benchmark::DoNotOptimize(current);
  }
  state.counters["anchors"] = anchors;
  state.counters["page_bytes"] = static_cast<double>(stored.size());
}
BENCHMARK(BM_KeywordPasses)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMicrosecond);

// The whole operation: record and page read from the book files, unmasked,
// keywords split and converted, passes run.
class BookFixture {
 public:
  BookFixture() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tevarin-bench-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) std::abort();
    m_dir = tmpl;
    BookWriter w;
    if (!w.Create(m_dir, "Index", 100) || !w.AddPage("lunyu\\juan1\\0002.htm", TypicalPage()) ||
        !w.Finish() || !m_files.Open(m_dir, "Index"))
      std::abort();
  }
  ~BookFixture() {
    m_files.Close();
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
  }
  const CFileList& Files() const { return m_files; }

 private:
  std::string m_dir;
  CFileList m_files;
};

void BM_RenderHitPage(benchmark::State& state) {
  BookFixture book;
  std::u16string keywords;  // the first n keywords, separated by spaces
  for (int64_t k = 0; k < state.range(0); ++k) keywords += (k ? u" " : u"") + kKeywords16[k];
  int32_t anchors = 0;
  for (auto _ : state) {
    std::string out;
    HitPageReport report;
    (void)book.Files().RenderHitPage(0, out, keywords, HitScope::WholeText, report);
    anchors = report.anchors;
    benchmark::DoNotOptimize(out);
  }
  state.counters["anchors"] = anchors;
}
BENCHMARK(BM_RenderHitPage)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMicrosecond);

// Keywords the page holds only in its markup, after one it holds in its
// text: letters (which an earlier pass's anchors and spans are full of) and
// thousands of forms that occur nowhere, as a variant expansion gives them.
// Marks go into the text only and a keyword that cannot occur is passed by,
// so the page stays the size of the one-keyword page.
void BM_RenderHitPageHostile(benchmark::State& state) {
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
    HitPageReport report;
    (void)book.Files().RenderHitPage(0, out, keywords, HitScope::WholeText, report);
    anchors = report.anchors;
    bytes = out.size();
    benchmark::DoNotOptimize(out);
  }
  state.counters["anchors"] = anchors;
  state.counters["page_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_RenderHitPageHostile)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A long item where every attempt fails late: "學?時" against 學 followed by
// two characters, again and again, with one 時 only at the very end. Each
// attempt finds 時 further on and resumes after 學; remembered searches keep
// the pass linear in the item's length.
void BM_HighlightFailedAttempts(benchmark::State& state) {
  std::string item;
  for (int64_t i = 0; i < state.range(0); ++i) item += "學一二";
  item += "時";
  for (auto _ : state) {
    std::string out;
    int32_t counter = 0;
    benchmark::DoNotOptimize(HighlightItem(item, "學?時", out, counter));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(item.size()));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_HighlightFailedAttempts)->RangeMultiplier(4)->Range(256, 65536)->Complexity();

}  // namespace

BENCHMARK_MAIN();
