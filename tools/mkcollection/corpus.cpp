#include "corpus.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <nlohmann/json.hpp>

namespace fs = std::filesystem;
using json = nlohmann::json;

namespace {

struct Reader {
  std::string dist;
  std::string error;

  bool Load(const std::string& rel, json& out) {
    const fs::path path = fs::path(dist) / fs::u8path(rel);
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      error = "cannot read " + path.string();
      return false;
    }
    out = json::parse(in, nullptr, false);
    if (out.is_discarded()) {
      error = "not valid JSON: " + path.string();
      return false;
    }
    return true;
  }
};

std::string Str(const json& o, const char* key) {
  auto it = o.find(key);
  return it != o.end() && it->is_string() ? it->get<std::string>() : std::string();
}

std::vector<std::string> Lines(const json& o, std::initializer_list<const char*> keys) {
  for (const char* k : keys) {
    auto it = o.find(k);
    if (it == o.end()) continue;
    std::vector<std::string> out;
    if (it->is_array()) {
      for (const auto& v : *it)
        if (v.is_string() && !v.get<std::string>().empty()) out.push_back(v.get<std::string>());
    } else if (it->is_string() && !it->get<std::string>().empty()) {
      out.push_back(it->get<std::string>());
    }
    if (!out.empty()) return out;
  }
  return {};
}

// A work from one JSON object of the usual shapes.
Work MakeWork(const json& o, const std::string& fallbackTitle = {}) {
  Work w;
  w.title = Str(o, "title");
  const std::string rhythmic = Str(o, "rhythmic");
  const std::string chapter = Str(o, "chapter");
  if (w.title.empty()) w.title = !rhythmic.empty() ? rhythmic : chapter;
  else if (!rhythmic.empty() && rhythmic != w.title) w.title = rhythmic + "・" + w.title;
  if (w.title.empty()) w.title = fallbackTitle;
  w.author = Str(o, "author");
  w.lines = Lines(o, {"paragraphs", "content", "para"});
  for (const auto& n : Lines(o, {"notes", "comment"})) w.notes.push_back(n);
  const std::string prologue = Str(o, "prologue");
  if (!prologue.empty()) w.notes.insert(w.notes.begin(), prologue);
  return w;
}

// Cuts a run of works into volumes of about `perVolume` characters.
void CutIntoVolumes(std::vector<Work>& works, Book& book, size_t perVolume) {
  Volume v;
  size_t chars = 0;
  auto flush = [&] {
    if (v.works.empty()) return;
    v.title = "卷" + ChineseNumber(static_cast<int>(book.volumes.size()) + 1);
    book.volumes.push_back(std::move(v));
    v = Volume();
    chars = 0;
  };
  for (auto& w : works) {
    size_t n = w.title.size();
    for (const auto& l : w.lines) n += l.size();
    for (const auto& l : w.notes) n += l.size();
    n /= 3;  // UTF-8 bytes of CJK text -> characters
    if (chars > 0 && chars + n > perVolume) flush();
    chars += n;
    v.works.push_back(std::move(w));
  }
  flush();
}

std::vector<std::string> SortedFiles(const std::string& dir, const std::string& prefix) {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) {
    const std::string name = e.path().filename().string();
    if (name.rfind(prefix, 0) == 0 && e.path().extension() == ".json") out.push_back(name);
  }
  // poet.song.1000.json after poet.song.0.json: order by the number in the name.
  std::sort(out.begin(), out.end(), [](const std::string& a, const std::string& b) {
    auto num = [](const std::string& s) {
      long v = 0;
      bool any = false;
      for (char c : s)
        if (c >= '0' && c <= '9') {
          v = v * 10 + (c - '0');
          any = true;
        }
      return any ? v : -1;
    };
    return num(a) != num(b) ? num(a) < num(b) : a < b;
  });
  return out;
}

}  // namespace

std::string ChineseNumber(int n) {
  static const char* digits[] = {"〇", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
  if (n <= 0) return digits[0];
  std::string out;
  const int thousands = n / 1000, hundreds = n / 100 % 10, tens = n / 10 % 10, ones = n % 10;
  if (thousands) out += std::string(digits[thousands]) + "千";
  if (hundreds) out += std::string(digits[hundreds]) + "百";
  else if (thousands && (tens || ones)) out += digits[0];
  if (tens) out += (tens == 1 && n < 20) ? std::string("十") : std::string(digits[tens]) + "十";
  else if (hundreds && ones) out += digits[0];
  if (ones) out += digits[ones];
  return out;
}

bool ReadCorpus(const std::string& dist, std::vector<Division>& out, std::string& error) {
  if (!fs::is_directory(dist)) {
    error = "corpus folder not found: " + dist;
    return false;
  }
  Reader r{dist, {}};
  out.clear();
  json j;
  auto fail = [&] {
    error = r.error;
    return false;
  };

  // 經部: the classics, one volume per chapter or section.
  Division jing{"經部", {}};
  {
    if (!r.Load("shijing/shijing.json", j)) return fail();
    Book b{"詩經", {}};
    for (const auto& o : j) {
      const std::string sec = Str(o, "chapter") + "・" + Str(o, "section");
      if (b.volumes.empty() || b.volumes.back().title != sec) b.volumes.push_back(Volume{sec, {}});
      b.volumes.back().works.push_back(MakeWork(o));
    }
    jing.books.push_back(std::move(b));
  }
  {
    if (!r.Load("lunyu/lunyu.json", j)) return fail();
    Book b{"論語", {}};
    int n = 0;
    for (const auto& o : j) {
      std::string ch = Str(o, "chapter");
      Work w = MakeWork(o);
      w.title.clear();
      b.volumes.push_back(Volume{ch + "第" + ChineseNumber(++n), {std::move(w)}});
    }
    jing.books.push_back(std::move(b));
  }
  for (const auto& [file, title] : {std::pair<const char*, const char*>{"sishuwujing/daxue.json", "大學"},
                                    {"sishuwujing/zhongyong.json", "中庸"},
                                    {"sishuwujing/mengzi.json", "孟子"}}) {
    if (!r.Load(file, j)) return fail();
    Book b{title, {}};
    const json items = j.is_array() ? j : json::array({j});
    for (const auto& o : items) {
      Work w = MakeWork(o);
      const std::string ch = Str(o, "chapter");
      w.title.clear();
      b.volumes.push_back(Volume{ch.empty() ? title : ch, {std::move(w)}});
    }
    jing.books.push_back(std::move(b));
  }
  out.push_back(std::move(jing));

  // 子部: primers and essays.
  Division zi{"子部", {}};
  auto simpleBook = [&](const std::string& file, const std::string& title, size_t perVolume) -> bool {
    if (!r.Load(file, j)) return false;
    std::vector<Work> works;
    std::function<void(const json&, const std::string&)> walk = [&](const json& o, const std::string& group) {
      if (o.is_array()) {
        for (const auto& x : o) walk(x, group);
        return;
      }
      if (!o.is_object()) return;
      auto c = o.find("content");
      if (c != o.end() && c->is_array() && !c->empty() && c->front().is_object()) {
        const std::string g = !Str(o, "title").empty() ? Str(o, "title") : Str(o, "type");
        if (!g.empty() && g != title) works.push_back(Work{g, {}, {}, {}});
        walk(*c, g);
        return;
      }
      Work w = MakeWork(o, group);
      if (w.title == title) w.title.clear();
      if (!w.lines.empty() || !w.notes.empty()) works.push_back(std::move(w));
    };
    walk(j, title);
    // Drop group headings that ended up with nothing after them.
    Book b{title, {}};
    CutIntoVolumes(works, b, perVolume);
    zi.books.push_back(std::move(b));
    return true;
  };
  const std::pair<const char*, const char*> primers[] = {
      {"mengxue/sanzijing-traditional.json", "三字經"}, {"mengxue/baijiaxing.json", "百家姓"},
      {"mengxue/qianziwen.json", "千字文"},            {"mengxue/dizigui.json", "弟子規"},
      {"mengxue/zengguangxianwen.json", "增廣賢文"},    {"mengxue/zhuzijiaxun.json", "朱子家訓"},
      {"mengxue/shenglvqimeng.json", "聲律啟蒙"},      {"mengxue/youxueqionglin.json", "幼學瓊林"},
      {"mengxue/wenzimengqiu.json", "文字蒙求"},        {"mengxue/qianjiashi.json", "千家詩"},
      {"mengxue/tangshisanbaishou.json", "唐詩三百首"}, {"mengxue/guwenguanzhi.json", "古文觀止"},
      {"youmengying/youmengying.json", "幽夢影"},
  };
  for (const auto& [file, title] : primers)
    if (!simpleBook(file, title, 12000)) return fail();
  out.push_back(std::move(zi));

  // 集部: poetry and song lyrics.
  Division ji{"集部", {}};
  {
    if (!r.Load("chuci/chuci.json", j)) return fail();
    Book b{"楚辭", {}};
    for (const auto& o : j) {
      const std::string sec = Str(o, "section");
      if (b.volumes.empty() || b.volumes.back().title != sec) b.volumes.push_back(Volume{sec, {}});
      b.volumes.back().works.push_back(MakeWork(o));
    }
    ji.books.push_back(std::move(b));
  }
  {
    // The imperial Tang collection: one file per volume, 卷一 to 卷九百, with
    // the poets' biographies and the collection's notes.
    Book b{"御定全唐詩", {}};
    for (int v = 1; v <= 900; ++v) {
      char name[64];
      std::snprintf(name, sizeof name, "yudingquantangshi/json/%03d.json", v);
      if (!r.Load(name, j)) return fail();
      Volume vol{"卷" + ChineseNumber(v), {}};
      std::string lastAuthor;
      for (const auto& o : j) {
        Work w = MakeWork(o);
        const std::string bio = Str(o, "biography");
        // A poet's biography stands before the first of his poems in a volume.
        if (!bio.empty() && w.author != lastAuthor) w.notes.insert(w.notes.begin(), bio);
        lastAuthor = w.author;
        w.notes.erase(std::remove(w.notes.begin(), w.notes.end(), std::string()), w.notes.end());
        vol.works.push_back(std::move(w));
      }
      b.volumes.push_back(std::move(vol));
    }
    ji.books.push_back(std::move(b));
  }
  {
    Book b{"全宋詩", {}};
    std::vector<Work> works;
    for (const auto& f : SortedFiles(dist + "/quantangshi", "poet.song.")) {
      if (!r.Load("quantangshi/" + f, j)) return fail();
      for (const auto& o : j) works.push_back(MakeWork(o));
    }
    CutIntoVolumes(works, b, 5000);
    ji.books.push_back(std::move(b));
  }
  {
    Book b{"全宋詞", {}};
    std::vector<Work> works;
    for (const auto& f : SortedFiles(dist + "/songci", "ci.song.")) {
      if (!r.Load("songci/" + f, j)) return fail();
      for (const auto& o : j) works.push_back(MakeWork(o));
    }
    CutIntoVolumes(works, b, 6000);
    ji.books.push_back(std::move(b));
  }
  {
    Book b{"花間集", {}};
    for (const auto& f : SortedFiles(dist + "/wudaishici/huajianji", "huajianji-")) {
      if (!r.Load("wudaishici/huajianji/" + f, j)) return fail();
      Volume v{f.find("preface") != std::string::npos ? "序" : "卷" + ChineseNumber(static_cast<int>(b.volumes.size())), {}};
      const json items = j.is_array() ? j : json::array({j});
      for (const auto& o : items) v.works.push_back(MakeWork(o));
      b.volumes.push_back(std::move(v));
    }
    ji.books.push_back(std::move(b));
  }
  {
    if (!r.Load("wudaishici/nantang/poetrys.json", j)) return fail();
    Book b{"南唐二主詞", {}};
    std::vector<Work> works;
    for (const auto& o : j) works.push_back(MakeWork(o));
    CutIntoVolumes(works, b, 6000);
    ji.books.push_back(std::move(b));
  }
  for (const auto& [file, title, per] : {std::tuple<const char*, const char*, size_t>{"yuanqu/yuanqu.json", "元曲", 6000},
                                         {"caocaoshiji/caocao.json", "曹操詩集", 6000},
                                         {"nalanxingde/纳兰性德诗集.json", "納蘭性德詩集", 6000},
                                         {"shuimotangshi/shuimotangshi.json", "水墨唐詩", 6000}}) {
    if (!r.Load(file, j)) return fail();
    Book b{title, {}};
    std::vector<Work> works;
    for (const auto& o : j) works.push_back(MakeWork(o));
    CutIntoVolumes(works, b, per);
    ji.books.push_back(std::move(b));
  }
  out.push_back(std::move(ji));
  return true;
}
