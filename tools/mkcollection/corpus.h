// The corpus as the collection sees it: divisions, books, volumes and works
// (a poem, a chapter, an essay), and the list of sources that says which JSON
// files of the chinese-poetry package make which book and how they are cut
// into volumes.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

struct Work {
  std::string title;                     // heading (<h4>)
  std::string byline;                    // author (and source) under the heading
  std::vector<std::string> notesBefore;  // biography, abstract, preface notes: note runs
  std::vector<std::string> lines;        // lines or paragraphs of the text
  std::vector<std::string> notesAfter;   // the corpus's notes and comments: note runs
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

// How a source's JSON is shaped and how it becomes volumes.
enum class SourceShape {
  Sections,     // a list of works; a new volume whenever the section fields change (詩經, 楚辭)
  Chapters,     // a list of {chapter, paragraphs} (or one such object): one volume per chapter
  VolumeFiles,  // one file per volume, each a list of works (御定全唐詩, 花間集)
  Anthology,    // a list of works, cut into volumes of about volumeChars characters
  Primer,       // one book object {title, author, abstract, preface, content | paragraphs}
};

struct Source {
  std::string division;                  // title of the division the book goes into
  std::string book;                      // title of the book
  SourceShape shape = SourceShape::Anthology;
  std::string path;                      // a file, or with filePrefix a folder, below the corpus folder
  std::string filePrefix;                // set: every "<prefix>*.json" file of the folder, in numeric order
  std::vector<std::string> sectionKeys;  // Sections: the fields that name a volume
  bool numberChapters = false;           // Chapters: "學而第一" (trailing 篇 dropped)
  bool simplifiedTitles = false;         // volume titles are converted to traditional forms
  std::string authorsFile;               // biographies: a list of {name, desc | description}
  std::string introFile;                 // an introduction to the book: {desc}
  size_t volumeChars = 6000;             // Anthology and long primers: characters per volume
};

// The sources of the chinese-poetry package 2.0.1, in catalogue order. The
// metadata folders (rank, strains), the duplicate Tang poems of quantangshi
// and the selections that repeat other books' works are left out.
std::vector<Source> DefaultSources();

// Turns a volume title written in simplified characters into traditional ones
// (identity when no converter is available).
using TitleConverter = std::function<std::string(const std::string&)>;

// Reads the sources from the corpus folder (the package's dist/). False with a
// reason naming the file on a missing folder or file, a file that cannot be
// read or parsed, or a file of an unexpected shape.
bool ReadCorpus(const std::string& dist, const std::vector<Source>& sources,
                const TitleConverter& toTraditional, std::vector<Division>& out,
                std::string& error);

// Chinese numerals for volume titles: 1 -> 一, 12 -> 十二, 101 -> 一百零一.
std::string ChineseNumber(int n);

// Number of characters of UTF-8 text (continuation bytes not counted).
size_t Utf8Length(const std::string& s);
