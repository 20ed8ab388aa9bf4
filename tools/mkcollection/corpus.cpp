#include "corpus.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <map>
#include <set>
#include <string>

#include <simdjson.h>

namespace tevarin {

using simdjson::dom::array;
using simdjson::dom::element;
using simdjson::dom::object;

namespace {

constexpr size_t kVolumeCharacters = 60000;  // books cut by size: about 150 pages a volume

// One parsed JSON file; elements stay valid while the file lives.
class JsonFile {
 public:
  bool Load(const CorpusContext& ctx, std::string_view relative, std::string& error) {
    m_path = std::string(relative);
    const std::string full = ctx.Path(relative);
    struct stat st;
    if (stat(full.c_str(), &st) != 0) {
      error = "corpus file " + m_path + " is missing (" + std::strerror(errno) + ")";
      return false;
    }
    if (!S_ISREG(st.st_mode)) {
      error = "corpus file " + m_path + " is not a regular file";
      return false;
    }
    const auto err = m_parser.load(full).get(m_root);
    if (err) {
      error = "corpus file " + m_path + " cannot be read as JSON: " + simdjson::error_message(err);
      return false;
    }
    return true;
  }
  element Root() const { return m_root; }
  bool Fail(std::string& error, const std::string& what) const {
    error = "corpus file " + m_path + ": " + what;
    return false;
  }

 private:
  simdjson::dom::parser m_parser;
  element m_root;
  std::string m_path;
};

bool AsArray(const JsonFile& f, element e, array& out, std::string_view what, std::string& error) {
  if (e.get_array().get(out)) return f.Fail(error, std::string(what) + " is not a list");
  return true;
}

bool AsObject(const JsonFile& f, element e, object& out, std::string_view what, std::string& error) {
  if (e.get_object().get(out)) return f.Fail(error, std::string(what) + " is not an object");
  return true;
}

// A string field: absent or null gives "", a string gives its text; any other
// type is an error.
bool StringField(const JsonFile& f, object o, std::string_view key, std::string& out,
                 std::string& error) {
  out.clear();
  element v;
  if (o[key].get(v) || v.is_null()) return true;
  std::string_view s;
  if (v.get_string().get(s)) return f.Fail(error, "field \"" + std::string(key) + "\" is not text");
  out.assign(s);
  return true;
}

// A text or list-of-texts field, appended to out; absent or null adds nothing.
bool StringsField(const JsonFile& f, object o, std::string_view key, std::vector<std::string>& out,
                  std::string& error) {
  element v;
  if (o[key].get(v) || v.is_null()) return true;
  std::string_view s;
  if (!v.get_string().get(s)) {
    out.emplace_back(s);
    return true;
  }
  array a;
  if (v.get_array().get(a))
    return f.Fail(error, "field \"" + std::string(key) + "\" is neither text nor a list");
  for (element x : a) {
    if (x.get_string().get(s))
      return f.Fail(error, "field \"" + std::string(key) + "\" holds something else than text");
    out.emplace_back(s);
  }
  return true;
}

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n')) --e;
  return std::string(s.substr(b, e - b));
}

// Adds a block per line of text (the corpus writes line breaks into some
// biographies and notes); empty lines add nothing.
void AddBlocks(Volume& v, BlockKind kind, std::string_view text) {
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string piece = Trim(text.substr(start, end - start));
    if (!piece.empty()) v.blocks.push_back({kind, std::move(piece)});
    start = end + 1;
  }
}

// The lines of a text field: a text, or a list whose entries are texts or
// parts of a poem cycle ({subchapter, paragraphs}: a subtitle and its lines).
bool AppendLines(const JsonFile& f, object o, std::string_view key, Volume& v, std::string& error) {
  element value;
  if (o[key].get(value) || value.is_null()) return true;
  std::string_view s;
  if (!value.get_string().get(s)) {
    AddBlocks(v, BlockKind::Line, s);
    return true;
  }
  array a;
  if (value.get_array().get(a))
    return f.Fail(error, "field \"" + std::string(key) + "\" is neither text nor a list");
  for (element x : a) {
    object part;
    if (!x.get_string().get(s)) {
      AddBlocks(v, BlockKind::Line, s);
    } else if (!x.get_object().get(part)) {
      std::string subtitle;
      if (!StringField(f, part, "subchapter", subtitle, error)) return false;
      AddBlocks(v, BlockKind::Heading, subtitle);
      for (const char* inner : {"paragraphs", "content"})
        if (!AppendLines(f, part, inner, v, error)) return false;
    } else {
      return f.Fail(error, "field \"" + std::string(key) + "\" holds something else than text");
    }
  }
  return true;
}

// The biographies of a book's authors file, in the file's order.
struct AuthorFile {
  struct Entry {
    std::string name;
    std::vector<std::string> texts;  // one or more notes, none empty
  };
  std::vector<Entry> entries;
  std::map<std::string, std::vector<size_t>> byName;  // name -> its entries, in order
};

// How the poem objects of a list become blocks.
struct PoemStyle {
  // Biographies shown as notes under the byline at an author's first poem in
  // the book; null for none.
  const AuthorFile* biographies = nullptr;
  // An author to name when the object names none (a one-author book).
  std::string defaultAuthor;
};

// Remembers, across the volumes of one book, which authors were introduced.
struct PoemState {
  std::string lastAuthor;  // cleared at every volume: each volume names its first author
  std::set<std::string> introduced;
};

// Appends the blocks of one poem, chapter or essay object: its title (title,
// rhythmic or chapter, with a subchapter), a byline when the author changes
// (with the source of an essay), the author's biography (its own field, or
// from the book's biographies on first appearance), a prologue, the lines
// (paragraphs, content or para), then the notes and comments.
bool AppendPoem(const JsonFile& f, element e, const PoemStyle& style, PoemState& state, Volume& v,
                std::string& error) {
  object o;
  if (!AsObject(f, e, o, "an entry", error)) return false;
  std::string title, sub, author, source, biography, prologue;
  for (const char* key : {"title", "rhythmic", "chapter"}) {
    if (!StringField(f, o, key, title, error)) return false;
    if (!Trim(title).empty()) break;
  }
  if (!StringField(f, o, "subchapter", sub, error) || !StringField(f, o, "author", author, error) ||
      !StringField(f, o, "source", source, error) ||
      !StringField(f, o, "biography", biography, error) ||
      !StringField(f, o, "prologue", prologue, error))
    return false;
  title = Trim(title);
  sub = Trim(sub);
  author = Trim(author);
  if (author.empty()) author = style.defaultAuthor;
  source = Trim(source);
  if (!sub.empty()) {
    if (!title.empty()) title += "·";
    title += sub;
  }
  if (!title.empty()) AddBlocks(v, BlockKind::Heading, title);
  if (!author.empty() && author != state.lastAuthor) {
    AddBlocks(v, BlockKind::Byline, source.empty() ? author : source + "　" + author);
    state.lastAuthor = author;
  } else if (!source.empty()) {
    AddBlocks(v, BlockKind::Byline, source);
  }
  if (!author.empty() && state.introduced.insert(author).second && style.biographies) {
    auto it = style.biographies->byName.find(author);
    if (it != style.biographies->byName.end())
      for (size_t i : it->second)
        for (const std::string& text : style.biographies->entries[i].texts)
          AddBlocks(v, BlockKind::Note, text);
  }
  AddBlocks(v, BlockKind::Note, biography);
  AddBlocks(v, BlockKind::Note, prologue);
  for (const char* key : {"paragraphs", "content", "para"})
    if (!AppendLines(f, o, key, v, error)) return false;
  std::vector<std::string> notes;
  for (const char* key : {"notes", "comment"})
    if (!StringsField(f, o, key, notes, error)) return false;
  for (const std::string& n : notes) AddBlocks(v, BlockKind::Note, n);
  return true;
}

// Every poem object of a list into one volume.
bool AppendPoemList(const JsonFile& f, element list, const PoemStyle& style, PoemState& state,
                    Volume& v, std::string& error) {
  array a;
  if (!AsArray(f, list, a, "the file's top level", error)) return false;
  for (element e : a)
    if (!AppendPoem(f, e, style, state, v, error)) return false;
  return true;
}

// Every poem object of a list, cut into volumes of about kVolumeCharacters
// characters between two poems, titled 卷一, 卷二, ...
bool AppendPoemListBySize(const JsonFile& f, element list, const PoemStyle& style,
                          PoemState& state, Book& book, std::string& error) {
  array a;
  if (!AsArray(f, list, a, "the file's top level", error)) return false;
  size_t chars = 0;
  for (element e : a) {
    if (book.volumes.empty() || chars >= kVolumeCharacters) {
      book.volumes.push_back({JuanTitle(static_cast<int>(book.volumes.size()) + 1), {}});
      state.lastAuthor.clear();
      chars = 0;
    }
    Volume& v = book.volumes.back();
    const size_t before = v.blocks.size();
    if (!AppendPoem(f, e, style, state, v, error)) return false;
    for (size_t i = before; i < v.blocks.size(); ++i) chars += CountCharacters(v.blocks[i].text);
  }
  return true;
}

// One poem list file as one volume.
bool ReadSingleVolume(const CorpusContext& ctx, std::string_view file, const std::string& title,
                      const PoemStyle& style, Book& book, std::string& error) {
  JsonFile f;
  if (!f.Load(ctx, file, error)) return false;
  PoemState state;
  book.volumes.push_back({title, {}});
  return AppendPoemList(f, f.Root(), style, state, book.volumes.back(), error);
}

// A list of poem objects cut into volumes whenever the joined values of the
// given fields change; the volume is titled with those values (in traditional
// characters), joined by "·".
bool ReadVolumesByField(const CorpusContext& ctx, std::string_view file,
                        const std::vector<std::string>& keys, Book& book, std::string& error) {
  JsonFile f;
  if (!f.Load(ctx, file, error)) return false;
  array a;
  if (!AsArray(f, f.Root(), a, "the file's top level", error)) return false;
  PoemState state;
  PoemStyle style;
  std::string current;
  bool first = true;
  for (element e : a) {
    object o;
    if (!AsObject(f, e, o, "an entry", error)) return false;
    std::string key;
    for (const std::string& k : keys) {
      std::string part;
      if (!StringField(f, o, k, part, error)) return false;
      part = Trim(part);
      if (part.empty()) continue;
      if (!key.empty()) key += "·";
      key += part;
    }
    if (first || key != current) {
      book.volumes.push_back({key.empty() ? JuanTitle(int(book.volumes.size()) + 1)
                                          : ctx.Traditional(key),
                              {}});
      state.lastAuthor.clear();
      current = key;
      first = false;
    }
    if (!AppendPoem(f, e, style, state, book.volumes.back(), error)) return false;
  }
  return true;
}

// "学而篇" → "學而第一": a chapter named in the classical way.
std::string OrdinalTitle(const CorpusContext& ctx, std::string_view chapter, int n) {
  std::string t = Trim(chapter);
  const std::string pian = "篇";
  if (t.size() > pian.size() && t.compare(t.size() - pian.size(), pian.size(), pian) == 0)
    t.resize(t.size() - pian.size());
  return ctx.Traditional(t) + "第" + ChineseNumber(n);
}

// A list of chapter objects ({chapter, paragraphs}), one volume each, titled
// by the chapter (ordinal: 學而第一), headed by the chapter's own title.
bool ReadChapterVolumes(const CorpusContext& ctx, std::string_view file, bool ordinal, Book& book,
                        std::string& error) {
  JsonFile f;
  if (!f.Load(ctx, file, error)) return false;
  array a;
  if (!AsArray(f, f.Root(), a, "the file's top level", error)) return false;
  PoemState state;
  for (element e : a) {
    object o;
    if (!AsObject(f, e, o, "a chapter", error)) return false;
    std::string chapter;
    if (!StringField(f, o, "chapter", chapter, error)) return false;
    const int n = static_cast<int>(book.volumes.size()) + 1;
    std::string title = chapter.empty() ? JuanTitle(n)
                        : ordinal       ? OrdinalTitle(ctx, chapter, n)
                                        : ctx.Traditional(Trim(chapter));
    book.volumes.push_back({std::move(title), {}});
    if (!AppendPoem(f, e, PoemStyle{}, state, book.volumes.back(), error)) return false;
  }
  return true;
}

// One chapter object ({chapter, paragraphs}) as the whole book.
bool ReadOneChapter(const CorpusContext& ctx, std::string_view file, Book& book,
                    std::string& error) {
  JsonFile f;
  if (!f.Load(ctx, file, error)) return false;
  PoemState state;
  book.volumes.push_back({"全一卷", {}});
  return AppendPoem(f, f.Root(), PoemStyle{}, state, book.volumes.back(), error);
}

// The front matter of a primer object: its title, author and abstract.
bool AppendFrontMatter(const JsonFile& f, object top, Volume& v, std::string& error) {
  std::string title, author;
  std::vector<std::string> abstract;
  if (!StringField(f, top, "title", title, error) || !StringField(f, top, "author", author, error) ||
      !StringsField(f, top, "abstract", abstract, error))
    return false;
  AddBlocks(v, BlockKind::Heading, title);
  AddBlocks(v, BlockKind::Byline, author);
  for (const std::string& a : abstract) AddBlocks(v, BlockKind::Note, a);
  return true;
}

// A primer object whose "content" is a list of parts, one volume each: a part
// is titled by its title, type or chapter and holds either a list of poem
// objects ("content") or its own lines ("paragraphs"). The primer's front
// matter opens the first volume (or, with a preface, a volume 序 of its own).
bool ReadPrimerVolumes(const CorpusContext& ctx, std::string_view file, Book& book,
                       std::string& error) {
  JsonFile f;
  if (!f.Load(ctx, file, error)) return false;
  object top;
  if (!AsObject(f, f.Root(), top, "the file's top level", error)) return false;
  Volume front;
  if (!AppendFrontMatter(f, top, front, error)) return false;
  std::vector<std::string> preface;
  if (!StringsField(f, top, "preface", preface, error)) return false;
  if (!preface.empty()) {
    front.title = "序";
    for (const std::string& p : preface) AddBlocks(front, BlockKind::Line, p);
    book.volumes.push_back(std::move(front));
    front = Volume{};
  }
  element content;
  if (top["content"].get(content)) return f.Fail(error, "field \"content\" is missing");
  array parts;
  if (!AsArray(f, content, parts, "field \"content\"", error)) return false;
  PoemState state;
  for (element p : parts) {
    object part;
    if (!AsObject(f, p, part, "a part of \"content\"", error)) return false;
    std::string title;
    for (const char* key : {"title", "type", "chapter"}) {
      if (!StringField(f, part, key, title, error)) return false;
      if (!Trim(title).empty()) break;
    }
    Volume v = std::move(front);
    front = Volume{};
    v.title = Trim(title).empty() ? JuanTitle(int(book.volumes.size()) + 1)
                                  : ctx.Traditional(Trim(title));
    state.lastAuthor.clear();
    element inner;
    array items;
    if (!part["content"].get(inner) && !inner.get_array().get(items) && items.size() > 0 &&
        items.at(0).is_object()) {
      for (element item : items)
        if (!AppendPoem(f, item, PoemStyle{}, state, v, error)) return false;
    } else {
      std::vector<std::string> lines;
      if (!StringsField(f, part, "paragraphs", lines, error) ||
          !StringsField(f, part, "content", lines, error))
        return false;
      for (const std::string& l : lines) AddBlocks(v, BlockKind::Line, l);
    }
    book.volumes.push_back(std::move(v));
  }
  return true;
}

// A primer object whose "content" is a list of chapters, all in one volume.
bool ReadPrimerChapters(const CorpusContext& ctx, std::string_view file, Book& book,
                        std::string& error) {
  JsonFile f;
  if (!f.Load(ctx, file, error)) return false;
  object top;
  if (!AsObject(f, f.Root(), top, "the file's top level", error)) return false;
  book.volumes.push_back({"全一卷", {}});
  Volume& v = book.volumes.back();
  if (!AppendFrontMatter(f, top, v, error)) return false;
  element content;
  if (top["content"].get(content)) return f.Fail(error, "field \"content\" is missing");
  array chapters;
  if (!AsArray(f, content, chapters, "field \"content\"", error)) return false;
  PoemState state;
  for (element c : chapters)
    if (!AppendPoem(f, c, PoemStyle{}, state, v, error)) return false;
  return true;
}

// A primer object with its own lines ("paragraphs") as one volume with the
// given title; extra notes may follow.
bool ReadPrimerText(const CorpusContext& ctx, std::string_view file, const std::string& title,
                    Book& book, std::string& error) {
  JsonFile f;
  if (!f.Load(ctx, file, error)) return false;
  PoemState state;
  book.volumes.push_back({title, {}});
  return AppendPoem(f, f.Root(), PoemStyle{}, state, book.volumes.back(), error);
}

// A text that only stands for a missing one: empty, or nothing but dashes
// (the Song ci authors file writes "--" for an author without a biography).
bool IsPlaceholder(std::string_view text) {
  return text.find_first_not_of('-') == std::string_view::npos;
}

// Biographies from an authors file: a list of objects with the name in "name"
// and the texts in textKeys, in that order. Every text of every entry is
// kept, in the file's order, except texts that repeat one already kept for
// the same name (a short description that is part of the description, a
// name entered twice with the same text) and placeholders.
bool ReadBiographies(const CorpusContext& ctx, std::string_view file,
                     std::initializer_list<std::string_view> textKeys, AuthorFile& out,
                     std::string& error) {
  JsonFile f;
  if (!f.Load(ctx, file, error)) return false;
  array a;
  if (!AsArray(f, f.Root(), a, "the file's top level", error)) return false;
  for (element e : a) {
    object o;
    if (!AsObject(f, e, o, "an author entry", error)) return false;
    std::string name;
    if (!StringField(f, o, "name", name, error)) return false;
    name = Trim(name);
    if (name.empty()) continue;
    std::vector<size_t>& same = out.byName[name];
    auto repeats = [&](const std::string& text) {
      for (size_t i : same)
        for (const std::string& kept : out.entries[i].texts)
          if (kept.find(text) != std::string::npos) return true;
      return false;
    };
    AuthorFile::Entry entry{name, {}};
    for (std::string_view key : textKeys) {
      std::string text;
      if (!StringField(f, o, key, text, error)) return false;
      text = Trim(text);
      if (IsPlaceholder(text) || repeats(text)) continue;
      bool inEntry = false;
      for (const std::string& kept : entry.texts) inEntry |= kept.find(text) != std::string::npos;
      if (!inEntry) entry.texts.push_back(std::move(text));
    }
    if (entry.texts.empty()) continue;
    same.push_back(out.entries.size());
    out.entries.push_back(std::move(entry));
  }
  for (auto it = out.byName.begin(); it != out.byName.end();)
    it = it->second.empty() ? out.byName.erase(it) : std::next(it);
  return true;
}

// The authors of the file that no poem of the book named, with their
// biographies, as a last volume 作者補遺 in the file's order: each name a
// title, its texts notes under it. Nothing when every author was introduced.
void AppendUnintroducedAuthors(const AuthorFile& authors, const PoemState& state, Book& book) {
  Volume v{"作者補遺", {}};
  for (const AuthorFile::Entry& entry : authors.entries) {
    if (state.introduced.count(entry.name)) continue;
    AddBlocks(v, BlockKind::Heading, entry.name);
    for (const std::string& text : entry.texts) AddBlocks(v, BlockKind::Note, text);
  }
  if (!v.blocks.empty()) book.volumes.push_back(std::move(v));
}

// Numbered files of a folder, one volume each, titled by the title function.
template <typename TitleOf>
bool ReadVolumeFiles(const CorpusContext& ctx, const std::string& folder, std::string_view prefix,
                     const PoemStyle& style, PoemState& state, TitleOf titleOf, Book& book,
                     std::string& error) {
  std::vector<std::string> names;
  if (!NumberedFiles(ctx.Path(folder), prefix, names, error)) return false;
  for (size_t i = 0; i < names.size(); ++i) {
    JsonFile f;
    if (!f.Load(ctx, folder + "/" + names[i], error)) return false;
    book.volumes.push_back({titleOf(f, static_cast<int>(i) + 1), {}});
    state.lastAuthor.clear();
    if (!AppendPoemList(f, f.Root(), style, state, book.volumes.back(), error)) return false;
  }
  return true;
}

}  // namespace

bool NumberedFiles(const std::string& folder, std::string_view prefix,
                   std::vector<std::string>& names, std::string& error) {
  DIR* d = opendir(folder.c_str());
  if (!d) {
    error = "corpus folder " + folder + " cannot be read (" + std::strerror(errno) + ")";
    return false;
  }
  std::vector<std::pair<unsigned long long, std::string>> found;
  while (dirent* e = readdir(d)) {
    std::string_view name = e->d_name;
    if (name.size() <= prefix.size() + 5 || name.substr(0, prefix.size()) != prefix ||
        name.substr(name.size() - 5) != ".json")
      continue;
    std::string_view digits = name.substr(prefix.size(), name.size() - prefix.size() - 5);
    if (digits.size() > 12 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
      continue;
    found.emplace_back(std::stoull(std::string(digits)), std::string(name));
  }
  closedir(d);
  std::sort(found.begin(), found.end());
  if (found.empty()) {
    error = "corpus folder " + folder + " holds no file " + std::string(prefix) + "<number>.json";
    return false;
  }
  names.clear();
  for (auto& [n, name] : found) names.push_back(std::move(name));
  return true;
}

std::string ChineseNumber(int n) {
  static const char* const kDigits[] = {"零", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
  if (n <= 0 || n > 9999) return std::to_string(n);
  static const int kUnits[] = {1000, 100, 10, 1};
  static const char* const kNames[] = {"千", "百", "十", ""};
  std::string s;
  bool started = false, gap = false;
  for (int i = 0; i < 4; ++i) {
    const int q = n / kUnits[i] % 10;
    if (q == 0) {
      gap = started;
      continue;
    }
    if (gap) s += kDigits[0];
    gap = false;
    if (!(q == 1 && i == 2 && !started)) s += kDigits[q];  // 十一, not 一十一
    s += kNames[i];
    started = true;
  }
  return s;
}

std::string JuanTitle(int n) { return "卷" + ChineseNumber(n); }

size_t CountCharacters(std::string_view utf8) {
  size_t n = 0;
  for (unsigned char c : utf8) n += (c & 0xC0) != 0x80;
  return n;
}

namespace books {

bool ShiJing(const CorpusContext& ctx, Book& book, std::string& error) {
  return ReadVolumesByField(ctx, "shijing/shijing.json", {"chapter", "section"}, book, error);
}

bool LunYu(const CorpusContext& ctx, Book& book, std::string& error) {
  return ReadChapterVolumes(ctx, "lunyu/lunyu.json", true, book, error);
}

bool DaXue(const CorpusContext& ctx, Book& book, std::string& error) {
  return ReadOneChapter(ctx, "sishuwujing/daxue.json", book, error);
}

bool ZhongYong(const CorpusContext& ctx, Book& book, std::string& error) {
  return ReadOneChapter(ctx, "sishuwujing/zhongyong.json", book, error);
}

bool MengZi(const CorpusContext& ctx, Book& book, std::string& error) {
  return ReadChapterVolumes(ctx, "sishuwujing/mengzi.json", false, book, error);
}

bool YouMengYing(const CorpusContext& ctx, Book& book, std::string& error) {
  JsonFile f;
  if (!f.Load(ctx, "youmengying/youmengying.json", error)) return false;
  PoemState state;
  PoemStyle style;
  style.defaultAuthor = "張潮";
  return AppendPoemListBySize(f, f.Root(), style, state, book, error);
}

bool SanZiJing(const CorpusContext& ctx, Book& book, std::string& error) {
  return ReadPrimerText(ctx, "mengxue/sanzijing-traditional.json", "傳統版", book, error) &&
         ReadPrimerText(ctx, "mengxue/sanzijing-new.json", "新版", book, error);
}

bool BaiJiaXing(const CorpusContext& ctx, Book& book, std::string& error) {
  if (!ReadPrimerText(ctx, "mengxue/baijiaxing.json", "全一卷", book, error)) return false;
  // The places of origin of the surnames, as one note after the text.
  JsonFile f;
  if (!f.Load(ctx, "mengxue/baijiaxing.json", error)) return false;
  object top;
  if (!AsObject(f, f.Root(), top, "the file's top level", error)) return false;
  element origin;
  if (top["origin"].get(origin)) return true;
  array a;
  if (!AsArray(f, origin, a, "field \"origin\"", error)) return false;
  std::string note;
  for (element e : a) {
    object o;
    if (!AsObject(f, e, o, "an origin entry", error)) return false;
    std::string surname, place;
    if (!StringField(f, o, "surname", surname, error) || !StringField(f, o, "place", place, error))
      return false;
    if (surname.empty()) continue;
    if (!note.empty()) note += "；";
    note += surname + "：" + place;
  }
  if (!note.empty()) book.volumes.back().blocks.push_back({BlockKind::Note, note});
  return true;
}

bool QianZiWen(const CorpusContext& ctx, Book& book, std::string& error) {
  return ReadPrimerText(ctx, "mengxue/qianziwen.json", "全一卷", book, error);
}

bool DiZiGui(const CorpusContext& ctx, Book& book, std::string& error) {
  return ReadPrimerChapters(ctx, "mengxue/dizigui.json", book, error);
}

bool ZhuZiJiaXun(const CorpusContext& ctx, Book& book, std::string& error) {
  return ReadPrimerText(ctx, "mengxue/zhuzijiaxun.json", "全一卷", book, error);
}

bool ZengGuangXianWen(const CorpusContext& ctx, Book& book, std::string& error) {
  return ReadPrimerVolumes(ctx, "mengxue/zengguangxianwen.json", book, error);
}

bool YouXueQiongLin(const CorpusContext& ctx, Book& book, std::string& error) {
  return ReadPrimerVolumes(ctx, "mengxue/youxueqionglin.json", book, error);
}

bool ShengLvQiMeng(const CorpusContext& ctx, Book& book, std::string& error) {
  return ReadPrimerVolumes(ctx, "mengxue/shenglvqimeng.json", book, error);
}

bool WenZiMengQiu(const CorpusContext& ctx, Book& book, std::string& error) {
  return ReadPrimerVolumes(ctx, "mengxue/wenzimengqiu.json", book, error);
}

bool ChuCi(const CorpusContext& ctx, Book& book, std::string& error) {
  return ReadVolumesByField(ctx, "chuci/chuci.json", {"section"}, book, error);
}

bool CaoCao(const CorpusContext& ctx, Book& book, std::string& error) {
  PoemStyle style;
  style.defaultAuthor = "曹操";
  return ReadSingleVolume(ctx, "caocaoshiji/caocao.json", "全一卷", style, book, error);
}

bool QuanTangShi(const CorpusContext& ctx, Book& book, std::string& error) {
  // One file per volume (001.json .. 900.json); the title is the volume field
  // of its poems (卷一 .. 卷九百).
  auto titleOf = [](const JsonFile& f, int n) {
    array a;
    object o;
    std::string_view s;
    if (!f.Root().get_array().get(a) && a.size() > 0 && !a.at(0).get_object().get(o) &&
        !o["volume"].get_string().get(s) && !Trim(s).empty())
      return Trim(s);
    return JuanTitle(n);
  };
  PoemState state;
  return ReadVolumeFiles(ctx, "yudingquantangshi/json", "", PoemStyle{}, state, titleOf, book,
                         error);
}

bool HuaJianJi(const CorpusContext& ctx, Book& book, std::string& error) {
  static const char* const kFiles[] = {"0-preface", "1-juan", "2-juan", "3-juan", "4-juan", "5-juan",
                                       "6-juan",    "7-juan", "8-juan", "9-juan", "x-juan"};
  PoemState state;
  for (int i = 0; i < 11; ++i) {
    JsonFile f;
    if (!f.Load(ctx, std::string("wudaishici/huajianji/huajianji-") + kFiles[i] + ".json", error))
      return false;
    book.volumes.push_back({i == 0 ? std::string("序") : JuanTitle(i), {}});
    state.lastAuthor.clear();
    if (!AppendPoemList(f, f.Root(), PoemStyle{}, state, book.volumes.back(), error)) return false;
  }
  return true;
}

bool NanTang(const CorpusContext& ctx, Book& book, std::string& error) {
  AuthorFile bios;
  if (!ReadBiographies(ctx, "wudaishici/nantang/authors.json", {"desc"}, bios, error)) return false;
  book.volumes.push_back({"全一卷", {}});
  Volume& v = book.volumes.back();
  {
    JsonFile f;
    if (!f.Load(ctx, "wudaishici/nantang/intro.json", error)) return false;
    object top;
    if (!AsObject(f, f.Root(), top, "the file's top level", error)) return false;
    std::vector<std::string> desc;
    if (!StringsField(f, top, "desc", desc, error)) return false;
    for (const std::string& d : desc) AddBlocks(v, BlockKind::Note, d);
  }
  JsonFile f;
  if (!f.Load(ctx, "wudaishici/nantang/poetrys.json", error)) return false;
  PoemState state;
  PoemStyle style;
  style.biographies = &bios;
  if (!AppendPoemList(f, f.Root(), style, state, v, error)) return false;
  AppendUnintroducedAuthors(bios, state, book);
  return true;
}

bool QuanSongShi(const CorpusContext& ctx, Book& book, std::string& error) {
  AuthorFile bios;
  if (!ReadBiographies(ctx, "quantangshi/authors.song.json", {"desc"}, bios, error)) return false;
  PoemStyle style;
  style.biographies = &bios;
  PoemState state;
  if (!ReadVolumeFiles(ctx, "quantangshi", "poet.song.", style, state,
                       [](const JsonFile&, int n) { return JuanTitle(n); }, book, error))
    return false;
  AppendUnintroducedAuthors(bios, state, book);
  return true;
}

bool QuanSongCi(const CorpusContext& ctx, Book& book, std::string& error) {
  AuthorFile bios;
  if (!ReadBiographies(ctx, "songci/author.song.json", {"description", "short_description"}, bios,
                       error))
    return false;
  PoemStyle style;
  style.biographies = &bios;
  // One bookkeeping of introduced authors for the numbered volumes and the
  // supplement: an author's biographies come once, at the first ci.
  PoemState state;
  if (!ReadVolumeFiles(ctx, "songci", "ci.song.", style, state,
                       [](const JsonFile&, int n) { return JuanTitle(n); }, book, error))
    return false;
  // Poems added to the corpus later, as a supplement.
  JsonFile f;
  if (!f.Load(ctx, "songci/ci.song.2019y.json", error)) return false;
  book.volumes.push_back({"補遺", {}});
  state.lastAuthor.clear();
  if (!AppendPoemList(f, f.Root(), style, state, book.volumes.back(), error)) return false;
  AppendUnintroducedAuthors(bios, state, book);
  return true;
}

bool YuanQu(const CorpusContext& ctx, Book& book, std::string& error) {
  JsonFile f;
  if (!f.Load(ctx, "yuanqu/yuanqu.json", error)) return false;
  PoemState state;
  return AppendPoemListBySize(f, f.Root(), PoemStyle{}, state, book, error);
}

bool NaLan(const CorpusContext& ctx, Book& book, std::string& error) {
  return ReadSingleVolume(ctx, "nalanxingde/纳兰性德诗集.json", "全一卷", PoemStyle{}, book, error);
}

bool GuWenGuanZhi(const CorpusContext& ctx, Book& book, std::string& error) {
  return ReadPrimerVolumes(ctx, "mengxue/guwenguanzhi.json", book, error);
}

bool QianJiaShi(const CorpusContext& ctx, Book& book, std::string& error) {
  return ReadPrimerVolumes(ctx, "mengxue/qianjiashi.json", book, error);
}

bool TangShiSanBaiShou(const CorpusContext& ctx, Book& book, std::string& error) {
  return ReadPrimerVolumes(ctx, "mengxue/tangshisanbaishou.json", book, error);
}

bool ShuiMoTangShi(const CorpusContext& ctx, Book& book, std::string& error) {
  return ReadSingleVolume(ctx, "shuimotangshi/shuimotangshi.json", "全一卷", PoemStyle{}, book,
                          error);
}

}  // namespace books

}  // namespace tevarin
