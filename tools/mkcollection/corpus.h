// Reading the corpus: the JSON files of the chinese-poetry package turned into
// divisions, books, volumes and works (a poem, a chapter, an essay).
#pragma once

#include <string>
#include <vector>

struct Work {
  std::string title;                   // heading of the work
  std::string author;                  // shown under the heading
  std::vector<std::string> notes;      // author biography, the corpus's notes: note runs
  std::vector<std::string> lines;      // lines or paragraphs of the text
};

struct Volume {
  std::string title;  // e.g. 卷一, 學而第一
  std::vector<Work> works;
};

struct Book {
  std::string title;  // e.g. 論語
  std::vector<Volume> volumes;
};

struct Division {
  std::string title;  // 經部, 子部, 集部
  std::vector<Book> books;
};

// Reads the corpus folder (the package's dist/). False with a reason on a
// missing folder or a file that cannot be read or parsed.
bool ReadCorpus(const std::string& dist, std::vector<Division>& out, std::string& error);

// Chinese numerals for volume titles: 1 -> 一, 21 -> 二十一, 900 -> 九百.
std::string ChineseNumber(int n);
