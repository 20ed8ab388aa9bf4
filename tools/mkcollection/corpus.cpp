// Reading the corpus: the JSON files of the chinese-poetry package turned into
// divisions, books, volumes and works.
//
// Shapes met in the package (all UTF-8 JSON):
//   works      objects with a heading (title | rhythmic | chapter, subchapter),
//              author, source, the text (paragraphs | para | content: a list of
//              strings or one string), notes (list), comment (list), prologue
//              (string) and, in the imperial Tang collection, biography;
//   authors    a list of {name, desc | description};
//   books      one object {title, author, abstract, preface, content | paragraphs}
//              whose content lists groups {title | type, content: [works]},
//              titled parts {title, paragraphs} or chapters {chapter, paragraphs}.
#include "corpus.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <nlohmann/json.hpp>

#include "inputfile.h"

namespace fs = std::filesystem;
using json = nlohmann::json;

namespace {

constexpr const char* kSingleVolume = "全一卷";

// Reads and parses one JSON file below the corpus folder.
bool LoadJson(const std::string& dist, const std::string& rel, json& out, std::string& error) {
  const std::string path = (fs::path(dist) / fs::u8path(rel)).string();
  std::string text;
  if (!ReadInputFile(path, text, error)) return false;
  try {
    out = json::parse(text);
  } catch (const json::exception& e) {
    // e.what() reads "[json.exception.parse_error.101] parse error at line 3, ..."
    std::string why = e.what();
    const size_t cut = why.find("] ");
    if (cut != std::string::npos) why.erase(0, cut + 2);
    error = "not valid JSON: " + path + ": " + why;
    return false;
  }
  return true;
}

std::string Trim(std::string s) {
  const char* ws = " \t\r\n";
  const size_t a = s.find_first_not_of(ws);
  if (a == std::string::npos) return {};
  const size_t b = s.find_last_not_of(ws);
  return s.substr(a, b - a + 1);
}

std::string Str(const json& o, const char* key) {
  if (!o.is_object()) return {};
  auto it = o.find(key);
  return it != o.end() && it->is_string() ? Trim(it->get<std::string>()) : std::string();
}

// Appends the non-empty paragraphs of a string (cut at line breaks).
void AppendParagraphs(const std::string& s, std::vector<std::string>& out) {
  size_t from = 0;
  while (from <= s.size()) {
    size_t nl = s.find('\n', from);
    if (nl == std::string::npos) nl = s.size();
    std::string part = Trim(s.substr(from, nl - from));
    if (!part.empty()) out.push_back(std::move(part));
    from = nl + 1;
  }
}

// The paragraphs of the first of the keys that holds a string or a list of strings.
std::vector<std::string> Paragraphs(const json& o, std::initializer_list<const char*> keys) {
  std::vector<std::string> out;
  if (!o.is_object()) return out;
  for (const char* k : keys) {
    auto it = o.find(k);
    if (it == o.end()) continue;
    if (it->is_string()) {
      AppendParagraphs(it->get<std::string>(), out);
    } else if (it->is_array()) {
      for (const auto& v : *it)
        if (v.is_string()) AppendParagraphs(v.get<std::string>(), out);
    }
    if (!out.empty()) return out;
  }
  return out;
}

// Author names of the imperial Tang collection carry numbers that tell
// namesakes apart (李曄1); the reader sees the name alone.
std::string DisplayName(std::string name) {
  while (!name.empty() && name.back() >= '0' && name.back() <= '9') name.pop_back();
  return name;
}

Work MakeWork(const json& o) {
  Work w;
  w.title = Str(o, "title");
  const std::string rhythmic = Str(o, "rhythmic");
  if (w.title.empty()) w.title = rhythmic;
  else if (!rhythmic.empty() && w.title.rfind(rhythmic, 0) != 0) w.title = rhythmic + "・" + w.title;
  if (w.title.empty()) w.title = Str(o, "chapter");
  const std::string sub = Str(o, "subchapter");
  if (!sub.empty()) w.title += (w.title.empty() ? "" : "・") + sub;
  w.byline = DisplayName(Str(o, "author"));
  const std::string source = Str(o, "source");
  if (!source.empty()) w.byline += (w.byline.empty() ? "" : "　") + source;
  w.lines = Paragraphs(o, {"paragraphs", "para", "content"});
  const std::string prologue = Str(o, "prologue");
  if (!prologue.empty()) AppendParagraphs(prologue, w.notesBefore);
  w.notesAfter = Paragraphs(o, {"notes"});
  for (auto& c : Paragraphs(o, {"comment"})) w.notesAfter.push_back(std::move(c));
  return w;
}

size_t WorkChars(const Work& w) {
  size_t n = Utf8Length(w.title) + Utf8Length(w.byline);
  for (const auto& l : w.notesBefore) n += Utf8Length(l);
  for (const auto& l : w.lines) n += Utf8Length(l);
  for (const auto& l : w.notesAfter) n += Utf8Length(l);
  return n;
}

// Cuts a run of works into volumes of about `target` characters. With
// byAuthor a volume preferably ends where the author changes, so that a poet's
// works stay together unless they fill one and a half volumes.
void CutIntoVolumes(std::vector<Work>& works, size_t target, bool byAuthor, Book& book) {
  const size_t first = book.volumes.size();
  Volume v;
  size_t chars = 0;
  auto flush = [&] {
    if (v.works.empty()) return;
    book.volumes.push_back(std::move(v));
    v = Volume();
    chars = 0;
  };
  for (auto& w : works) {
    if (chars >= target && (!byAuthor || chars >= target + target / 2 ||
                            w.byline != v.works.back().byline))
      flush();
    chars += WorkChars(w);
    v.works.push_back(std::move(w));
  }
  flush();
  const size_t made = book.volumes.size() - first;
  for (size_t i = first; i < book.volumes.size(); ++i)
    book.volumes[i].title = made == 1 ? kSingleVolume : "卷" + ChineseNumber(static_cast<int>(i - first + 1));
}

// The number a file is ordered by: the digits that follow the prefix when a
// dot or a hyphen ends them (poet.song.1000.json, huajianji-0-preface.json);
// other files (ci.song.2019y.json, huajianji-x-juan.json) come after them.
long FileNumber(const std::string& name, size_t prefixLen) {
  size_t i = prefixLen;
  long v = 0;
  while (i < name.size() && name[i] >= '0' && name[i] <= '9' && v < 100000000) v = v * 10 + (name[i++] - '0');
  if (i == prefixLen || i >= name.size() || (name[i] != '.' && name[i] != '-')) return -1;
  return v;
}

bool ListFiles(const std::string& dist, const Source& s, std::vector<std::string>& out,
               std::string& error) {
  out.clear();
  if (s.filePrefix.empty() && !fs::is_directory(fs::path(dist) / fs::u8path(s.path))) {
    out.push_back(s.path);
    return true;
  }
  const fs::path dir = fs::path(dist) / fs::u8path(s.path);
  std::error_code ec;
  std::vector<std::string> names;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.rfind(s.filePrefix, 0) == 0 && it->path().extension() == ".json") names.push_back(name);
  }
  if (ec) {
    error = "cannot list " + dir.string() + ": " + ec.message();
    return false;
  }
  if (names.empty()) {
    error = "no " + s.filePrefix + "*.json files in " + dir.string();
    return false;
  }
  const size_t p = s.filePrefix.size();
  std::sort(names.begin(), names.end(), [p](const std::string& a, const std::string& b) {
    const long na = FileNumber(a, p), nb = FileNumber(b, p);
    if ((na < 0) != (nb < 0)) return nb < 0;
    return na != nb ? na < nb : a < b;
  });
  for (const auto& n : names) out.push_back(s.path + "/" + n);
  return true;
}

class SourceReader {
 public:
  SourceReader(const std::string& dist, const TitleConverter& conv) : m_dist(dist), m_conv(conv) {}

  bool Read(const Source& s, Book& book, std::string& error) {
    m_error.clear();
    m_bios.clear();
    m_shown.clear();
    bool ok = LoadBiographies(s) && LoadIntro(s, book);
    if (ok) {
      switch (s.shape) {
        case SourceShape::Sections: ok = ReadSections(s, book); break;
        case SourceShape::Chapters: ok = ReadChapters(s, book); break;
        case SourceShape::VolumeFiles: ok = ReadVolumeFiles(s, book); break;
        case SourceShape::Anthology: ok = ReadAnthology(s, book); break;
        case SourceShape::Primer: ok = ReadPrimer(s, book); break;
      }
    }
    if (ok && book.volumes.empty()) Fail("no text found for " + s.book + " in " + s.path);
    if (!m_error.empty()) {
      error = m_error;
      return false;
    }
    // The introduction opens the first volume.
    if (!m_intro.works.empty()) {
      auto& works = book.volumes.front().works;
      works.insert(works.begin(), m_intro.works.begin(), m_intro.works.end());
    }
    return true;
  }

 private:
  bool Fail(const std::string& why) {
    if (m_error.empty()) m_error = why;
    return false;
  }
  bool Load(const std::string& rel, json& j) {
    std::string why;
    if (!LoadJson(m_dist, rel, j, why)) return Fail(why);
    return true;
  }
  bool ExpectList(const json& j, const std::string& rel) {
    if (!j.is_array()) return Fail("unexpected shape in " + rel + ": expected a list of works");
    for (const auto& o : j)
      if (!o.is_object()) return Fail("unexpected shape in " + rel + ": a list entry is not an object");
    return true;
  }
  std::string Title(const Source& s, const std::string& t) const {
    return s.simplifiedTitles && m_conv ? m_conv(t) : t;
  }

  bool LoadBiographies(const Source& s) {
    if (s.authorsFile.empty()) return true;
    json j;
    if (!Load(s.authorsFile, j) || !ExpectList(j, s.authorsFile)) return false;
    for (const auto& o : j) {
      const std::string name = Str(o, "name");
      std::vector<std::string> desc = Paragraphs(o, {"desc", "description"});
      if (!name.empty() && !desc.empty()) m_bios.emplace(name, std::move(desc));
    }
    return true;
  }

  // A heading work for the book: its title, author and introduction.
  bool LoadIntro(const Source& s, Book& book) {
    m_intro = Volume();
    if (s.introFile.empty()) return true;
    json j;
    if (!Load(s.introFile, j)) return false;
    Work w;
    w.title = Str(j, "title").empty() ? book.title : Str(j, "title");
    w.notesBefore = Paragraphs(j, {"desc", "abstract"});
    m_intro.works.push_back(std::move(w));
    return true;
  }

  // The biography goes before the first work of each poet in the book: the
  // work's own biography field when it has one, else the authors file's.
  void AddBiography(const json& o, Work& w) {
    const std::string author = Str(o, "author");
    if (author.empty() || !m_shown.insert(author).second) return;
    std::vector<std::string> bio = Paragraphs(o, {"biography"});
    if (bio.empty()) {
      auto it = m_bios.find(author);
      if (it != m_bios.end()) bio = it->second;
    }
    w.notesBefore.insert(w.notesBefore.begin(), bio.begin(), bio.end());
  }

  bool ReadSections(const Source& s, Book& book) {
    json j;
    if (!Load(s.path, j) || !ExpectList(j, s.path)) return false;
    std::string last;
    for (const auto& o : j) {
      std::string key;
      for (const auto& k : s.sectionKeys) {
        const std::string v = Str(o, k.c_str());
        if (!v.empty()) key += (key.empty() ? "" : "・") + v;
      }
      if (book.volumes.empty() || key != last) {
        book.volumes.push_back(Volume{key.empty() ? kSingleVolume : Title(s, key), {}});
        last = key;
      }
      book.volumes.back().works.push_back(MakeWork(o));
    }
    return true;
  }

  bool ReadChapters(const Source& s, Book& book) {
    json j;
    if (!Load(s.path, j)) return false;
    const bool single = j.is_object();
    const json items = single ? json::array({j}) : j;
    if (!ExpectList(items, s.path)) return false;
    int n = 0;
    for (const auto& o : items) {
      std::string chapter = Str(o, "chapter");
      if (s.numberChapters) {
        const std::string pian = "篇";
        if (chapter.size() > pian.size() && chapter.compare(chapter.size() - pian.size(), pian.size(), pian) == 0)
          chapter.resize(chapter.size() - pian.size());
        chapter = Title(s, chapter) + "第" + ChineseNumber(++n);
      } else {
        chapter = Title(s, chapter);
      }
      Work w = MakeWork(o);
      w.title = chapter.empty() ? book.title : chapter;
      const bool whole = single || chapter.empty() || chapter == book.title;
      book.volumes.push_back(Volume{whole ? kSingleVolume : chapter, {std::move(w)}});
    }
    return true;
  }

  bool ReadVolumeFiles(const Source& s, Book& book) {
    std::vector<std::string> files;
    if (!ListFiles(m_dist, s, files, m_error)) return false;
    int numbered = 0;
    for (const auto& f : files) {
      json j;
      if (!Load(f, j) || !ExpectList(j, f)) return false;
      Volume v;
      v.title = j.empty() ? std::string() : Str(j.front(), "volume");
      if (v.title.empty())
        v.title = f.find("preface") != std::string::npos ? "序" : "卷" + ChineseNumber(++numbered);
      for (const auto& o : j) {
        Work w = MakeWork(o);
        AddBiography(o, w);
        v.works.push_back(std::move(w));
      }
      book.volumes.push_back(std::move(v));
    }
    return true;
  }

  bool ReadAnthology(const Source& s, Book& book) {
    std::vector<std::string> files;
    if (!ListFiles(m_dist, s, files, m_error)) return false;
    std::vector<Work> works;
    for (const auto& f : files) {
      json j;
      if (!Load(f, j) || !ExpectList(j, f)) return false;
      for (const auto& o : j) {
        Work w = MakeWork(o);
        AddBiography(o, w);
        if (!w.lines.empty() || !w.notesBefore.empty() || !w.notesAfter.empty()) works.push_back(std::move(w));
      }
    }
    CutIntoVolumes(works, s.volumeChars, true, book);
    return true;
  }

  bool ReadPrimer(const Source& s, Book& book) {
    json j;
    if (!Load(s.path, j)) return false;
    if (!j.is_object()) return Fail("unexpected shape in " + s.path + ": expected one book object");
    Work head;
    head.title = book.title;
    head.byline = Str(j, "author");
    head.notesBefore = Paragraphs(j, {"abstract"});
    m_intro.works.push_back(std::move(head));
    std::vector<std::string> preface = Paragraphs(j, {"preface"});
    if (!preface.empty()) m_intro.works.push_back(Work{"序", {}, {}, std::move(preface), {}});

    std::vector<Work> pool;
    auto content = j.find("content");
    if (content != j.end() && content->is_array()) {
      for (const auto& e : *content) {
        if (!e.is_object()) return Fail("unexpected shape in " + s.path + ": a content entry is not an object");
        auto inner = e.find("content");
        if (inner != e.end() && inner->is_array()) {
          // A group of works: one volume.
          Volume v{Str(e, "title").empty() ? Str(e, "type") : Str(e, "title"), {}};
          for (const auto& o : *inner)
            if (o.is_object()) v.works.push_back(MakeWork(o));
          if (v.title.empty()) v.title = "卷" + ChineseNumber(static_cast<int>(book.volumes.size()) + 1);
          book.volumes.push_back(std::move(v));
        } else if (!Str(e, "title").empty() && Str(e, "chapter").empty()) {
          // A titled part: one volume of one untitled work.
          Work w = MakeWork(e);
          const std::string title = w.title;
          w.title.clear();
          book.volumes.push_back(Volume{title, {std::move(w)}});
        } else {
          pool.push_back(MakeWork(e));
        }
      }
    } else {
      Work w = MakeWork(j);
      w.title.clear();
      w.byline.clear();
      if (!w.lines.empty()) pool.push_back(std::move(w));
    }
    if (!pool.empty()) CutIntoVolumes(pool, s.volumeChars, false, book);
    return true;
  }

  const std::string& m_dist;
  const TitleConverter& m_conv;
  std::string m_error;
  std::map<std::string, std::vector<std::string>> m_bios;
  std::set<std::string> m_shown;
  Volume m_intro;
};

}  // namespace

size_t Utf8Length(const std::string& s) {
  size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

std::string ChineseNumber(int n) {
  static const char* digits[] = {"〇", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
  if (n <= 0 || n > 9999) return std::to_string(n);
  std::string out;
  const int parts[4] = {n / 1000, n / 100 % 10, n / 10 % 10, n % 10};
  static const char* units[4] = {"千", "百", "十", ""};
  bool zero = false;  // a gap to mark with 零 before the next digit
  for (int i = 0; i < 4; ++i) {
    if (parts[i] == 0) {
      zero = !out.empty();
      continue;
    }
    if (zero) out += "零";
    zero = false;
    // 十, 十一 ... 十九 without a leading 一.
    if (!(i == 2 && parts[i] == 1 && out.empty())) out += digits[parts[i]];
    out += units[i];
  }
  return out;
}

std::vector<Source> DefaultSources() {
  using S = SourceShape;
  std::vector<Source> v;
  auto add = [&](const char* div, const char* book, S shape, const char* path) -> Source& {
    Source s;
    s.division = div;
    s.book = book;
    s.shape = shape;
    s.path = path;
    v.push_back(std::move(s));
    return v.back();
  };
  // 經部: the classics, and the primer on the forms of characters.
  {
    Source& s = add("經部", "詩經", S::Sections, "shijing/shijing.json");
    s.sectionKeys = {"chapter", "section"};
    s.simplifiedTitles = true;
  }
  {
    Source& s = add("經部", "論語", S::Chapters, "lunyu/lunyu.json");
    s.numberChapters = true;
    s.simplifiedTitles = true;
  }
  add("經部", "大學", S::Chapters, "sishuwujing/daxue.json");
  add("經部", "中庸", S::Chapters, "sishuwujing/zhongyong.json");
  add("經部", "孟子", S::Chapters, "sishuwujing/mengzi.json");
  add("經部", "文字蒙求", S::Primer, "mengxue/wenzimengqiu.json");
  // 子部: primers and essays.
  add("子部", "三字經", S::Primer, "mengxue/sanzijing-traditional.json");
  add("子部", "百家姓", S::Primer, "mengxue/baijiaxing.json");
  add("子部", "千字文", S::Primer, "mengxue/qianziwen.json");
  add("子部", "弟子規", S::Primer, "mengxue/dizigui.json");
  add("子部", "朱子家訓", S::Primer, "mengxue/zhuzijiaxun.json");
  add("子部", "增廣賢文", S::Primer, "mengxue/zengguangxianwen.json");
  add("子部", "幼學瓊林", S::Primer, "mengxue/youxueqionglin.json");
  add("子部", "聲律啓蒙", S::Primer, "mengxue/shenglvqimeng.json");
  add("子部", "幽夢影", S::Anthology, "youmengying/youmengying.json");
  // 集部: poetry, song lyrics, arias and prose anthologies, roughly by age.
  {
    Source& s = add("集部", "楚辭", S::Sections, "chuci/chuci.json");
    s.sectionKeys = {"section"};
    s.simplifiedTitles = true;
  }
  add("集部", "曹操詩集", S::Anthology, "caocaoshiji/caocao.json");
  {
    Source& s = add("集部", "御定全唐詩", S::VolumeFiles, "yudingquantangshi/json");
    s.authorsFile = "quantangshi/authors.tang.json";
  }
  add("集部", "唐詩三百首", S::Primer, "mengxue/tangshisanbaishou.json");
  add("集部", "水墨唐詩", S::Anthology, "shuimotangshi/shuimotangshi.json");
  add("集部", "花間集", S::VolumeFiles, "wudaishici/huajianji").filePrefix = "huajianji-";
  {
    Source& s = add("集部", "南唐二主詞", S::Anthology, "wudaishici/nantang/poetrys.json");
    s.authorsFile = "wudaishici/nantang/authors.json";
    s.introFile = "wudaishici/nantang/intro.json";
  }
  {
    Source& s = add("集部", "全宋詩", S::Anthology, "quantangshi");
    s.filePrefix = "poet.song.";
    s.authorsFile = "quantangshi/authors.song.json";
  }
  {
    Source& s = add("集部", "全宋詞", S::Anthology, "songci");
    s.filePrefix = "ci.song.";
    s.authorsFile = "songci/author.song.json";
  }
  add("集部", "千家詩", S::Primer, "mengxue/qianjiashi.json");
  add("集部", "元曲", S::Anthology, "yuanqu/yuanqu.json");
  add("集部", "古文觀止", S::Primer, "mengxue/guwenguanzhi.json");
  add("集部", "納蘭性德詩集", S::Anthology, "nalanxingde/纳兰性德诗集.json");
  return v;
}

bool ReadCorpus(const std::string& dist, const std::vector<Source>& sources,
                const TitleConverter& toTraditional, std::vector<Division>& out,
                std::string& error) {
  out.clear();
  if (!fs::is_directory(dist)) {
    error = "corpus folder not found: " + dist;
    return false;
  }
  SourceReader reader(dist, toTraditional);
  for (const Source& s : sources) {
    auto div = std::find_if(out.begin(), out.end(), [&](const Division& d) { return d.title == s.division; });
    if (div == out.end()) {
      out.push_back(Division{s.division, {}});
      div = out.end() - 1;
    }
    Book book{s.book, {}};
    if (!reader.Read(s, book, error)) return false;
    div->books.push_back(std::move(book));
  }
  return true;
}
