// Building a whole collection: the variant groups, then every book of the
// plan read from the corpus, laid out into pages in catalogue order, written to
// the book files and posted to the three indexes, then the index files and
// the catalogue, and last each index's companion postings file, made from the
// index files (writer/companionwriter.h).
//
// Everything is written into a fresh staging folder inside the output folder
// (which is usually the executables' folder); only when every file was
// written is each data file renamed into place. A failed build removes its
// staging folder and leaves the output folder's files as they were.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "catalogueplan.h"
#include "pagelayout.h"
#include "variantgroups.h"

namespace tevarin {

struct BuildOptions {
  std::string corpusDir;   // the corpus package's dist/ folder
  std::string unihanPath;  // Unihan_Variants.txt(.bz2)
  std::string openccDir;   // OpenCC data; empty: no Japanese forms, titles as written
  std::string outDir;      // created when missing
  std::vector<std::string> unihanFields = DefaultUnihanFields();
  LayoutOptions layout;
  int32_t nameWidth = 32;  // width of a page record's name field
  // Receives progress lines (the command line tool prints them on stderr).
  std::function<void(const std::string&)> progress;
};

struct BuildStats {
  int32_t records = 0;
  uint64_t indexed[3] = {0, 0, 0};  // Index, Index_content, Index_desc
  size_t catalogueEntries = 0;
  size_t divisions = 0, books = 0, volumes = 0;
  size_t groups = 0;
  std::map<size_t, size_t> groupSizes;             // members -> groups
  std::map<std::string, size_t> linksPerRelation;  // Unihan field or "JPVariants" -> links
  std::vector<std::pair<std::string, uint64_t>> files;  // data file -> bytes
  uint64_t totalBytes = 0;
  uint64_t companionBytes = 0;    // the three companion files
  uint64_t indexBytes = 0;        // the six index files they are made from
  double companionSeconds = 0;    // writing them
  double seconds = 0;
};

// The data files a build writes (and replaces), in the order they are moved
// into place.
const std::vector<std::string>& CollectionFileNames();

bool BuildCollection(const CollectionPlan& plan, const BuildOptions& options, BuildStats& stats,
                     std::string& error);

// Writes the companion postings file of each of the three indexes in folder
// from its index files alone (a collection built elsewhere, or before
// companions existed); progress lines go to progress when set.
bool WriteCompanions(const std::string& folder, BuildStats& stats, std::string& error,
                     const std::function<void(const std::string&)>& progress = {});

// The names of the three companion files.
const std::vector<std::string>& CompanionFileNames();

// The record name of page p of volume v of book b of division d (all from 1):
// d2\b07\v0012\0003.htm.
std::string PageRecordName(size_t d, size_t b, size_t v, int p);

// 1234567 -> "1,234,567", for the figures of a build.
std::string GroupedNumber(uint64_t n);

}  // namespace tevarin
