// Writes the seed corpora under fuzz/corpus/<target>/: small valid inputs
// (made with the project's own writers) and a few near misses, framed the way
// each target reads its input. Usage: make_fuzz_seeds CORPUS_FOLDER
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzzsupport.h"
#include "writer/bookwriter.h"

namespace {

std::string g_root;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Seed(const std::string& target, const std::string& name, const std::string& bytes) {
  const std::filesystem::path dir = std::filesystem::path(g_root) / target;
  std::filesystem::create_directories(dir);
  std::ofstream(dir / name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void PutU8(std::string& s, uint32_t v) { s.push_back(static_cast<char>(v & 0xFF)); }
void PutU16(std::string& s, uint32_t v) { PutU8(s, v); PutU8(s, v >> 8); }
void PutU32(std::string& s, uint32_t v) { PutU16(s, v); PutU16(s, v >> 16); }
void PutSized(std::string& s, const std::string& bytes) {
  PutU16(s, static_cast<uint32_t>(bytes.size()));
  s += bytes;
}
std::string Units(const std::u16string& u) {
  std::string s;
  for (char16_t c : u) PutU16(s, c);
  return s;
}

// A stored page as the collection holds them: title, two text cells, notes.
std::string StoredPage(const std::string& title, const std::string& cell1, const std::string& cell2) {
  return "<html><head><meta charset=\"UTF-8\"><title>" + title +
         "</title></head><body><TABLE><tr><TD width=80>" + cell1 + "</TD><TD width=450>" + cell2 +
         "</TD></tr></TABLE></body></html>";
}

const std::string kNote = "<font size=-1 color=\"#993366\">";

void CodeConverterSeeds() {
  const std::u16string cases[] = {
      u"A\u3042\U00020000", u"\xD800", u"\xDC00xyz", u"ab\xD800\xD800\xDC00",
      u"\u5B78\u800C\u6642\u7FD2\u4E4B", u"", u"\xD83D\xDE00\xDBFF"};
  int n = 0;
  for (const auto& c : cases) {
    std::string s;
    PutU8(s, static_cast<uint32_t>(n % 8));
    s += Units(c);
    Seed("codeconverter", "seed" + std::to_string(n++), s);
  }
}

void BookSeeds() {
  const std::string dir = ScratchDir();
  const std::vector<std::pair<std::string, std::string>> pages = {
      {"d1\\b01\\v0001\\0001.htm", StoredPage("學而第一", "子曰學而時習之" + kNote + "注也</font>不亦說乎", "")},
      {"d1\\b01\\v0001\\0002.htm", StoredPage("學而第一", "", "有朋自遠方來")},
      {"d1\\b01\\v0001\\0003.htm", ""},
      {"noslash.htm", "<p>x</p>"},
  };
  const int32_t widths[] = {40, 1, 260};
  int n = 0;
  for (int32_t width : widths) {
    BookWriter w;
    if (!w.Create(dir, "Index", width)) continue;
    for (const auto& [name, bytes] : pages)
      if (!w.AddPage(name.substr(0, static_cast<size_t>(width - 1)), bytes)) break;
    if (!w.Finish()) continue;
    const std::string header = ReadAll(dir + "/Index-fl.h");
    const std::string content = ReadAll(dir + "/Index-fl.cnt");
    const std::u16string keywords[] = {u"學 時", u"子*乎", u"學?時"};
    for (const auto& k : keywords) {
      std::string s;
      PutSized(s, header);
      PutSized(s, Units(k));
      PutU8(s, static_cast<uint32_t>(n % 3));
      s += content;
      Seed("book", "seed" + std::to_string(n++), s);
    }
    // The same book with its content file cut short.
    std::string cut;
    PutSized(cut, header);
    PutSized(cut, Units(u"學"));
    PutU8(cut, 0);
    cut += content.substr(0, content.size() / 2);
    Seed("book", "seed" + std::to_string(n++), cut);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_seeds CORPUS_FOLDER\n");
    return 2;
  }
  g_root = argv[1];
  CodeConverterSeeds();
  BookSeeds();
  return 0;
}
