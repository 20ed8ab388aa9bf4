// Building a collection: the volumes laid out into pages in catalogue order,
// written to the book files and posted to the three indexes, then the
// catalogue "vok.dir" and the variant table "yitizi.txt".
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "corpus.h"
#include "pagelayout.h"

// The data files of a collection, the files a build writes and replaces.
const std::vector<std::string>& CollectionFileNames();

// The record name of page p of volume v of book b of division d (all from 1):
// d2\b07\v0012\0003.htm.
std::string PageName(size_t d, size_t b, size_t v, size_t p);

struct BuildOptions {
  size_t pageChars = kPageCharacters;  // characters of text per page
  int32_t nameWidth = 32;              // width of a page record's name field
  // Called now and then with the phase, the work done and the whole work.
  std::function<void(const std::string& phase, size_t done, size_t total)> progress;
};

struct BuildStats {
  int32_t records = 0;
  uint64_t indexed[3] = {0, 0, 0};  // Index, Index_content, Index_desc
  size_t catalogueEntries = 0;
  size_t groups = 0;
  std::map<std::string, uint64_t> fileSizes;  // data file -> bytes
  uint64_t TotalBytes() const;
};

// Writes every data file into folder (replacing files of the same names).
// groups[g] is variant group g, posted under slot 88065 + g. False with a
// reason when a format limit would be passed or a file cannot be written.
bool WriteCollection(const std::vector<Division>& divisions,
                     const std::vector<std::vector<uint32_t>>& groups, const std::string& folder,
                     const BuildOptions& options, BuildStats& stats, std::string& error);

// WriteCollection into a fresh staging folder inside outDir, then every data
// file renamed into outDir, one by one. Only the data files are touched: the
// folder may hold the executables too. On failure the staging folder is
// removed and outDir keeps its previous files.
bool BuildCollectionInto(const std::vector<Division>& divisions,
                         const std::vector<std::vector<uint32_t>>& groups, const std::string& outDir,
                         const BuildOptions& options, BuildStats& stats, std::string& error);
