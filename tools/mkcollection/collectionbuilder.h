// Building a collection: pages laid out volume by volume into the book files,
// the catalogue "vok.dir", the variant table "yitizi.txt" and the three
// indexes, all written into a fresh folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "corpus.h"

struct BuildStats {
  int32_t records = 0;
  uint64_t indexed[3] = {0, 0, 0};  // whole text, body, notes
  size_t catalogueEntries = 0;
  size_t groups = 0;
  uint64_t bytesWritten = 0;
};

// Writes every data file into folder. groups are the variant groups (group g
// is indexed under slot 88065 + g). Progress goes to standard error when
// progress is set. False with a reason on a format limit or a write failure.
bool BuildCollection(const std::vector<Division>& divisions,
                     const std::vector<std::vector<uint32_t>>& groups, const std::string& folder,
                     bool progress, BuildStats& stats, std::string& error);

// Indexed characters of a stored page, by scope: the code points of the text
// cell that have a slot, markup excluded, entities decoded. body gets the body
// runs, notes the note runs.
void IndexedCharacters(const std::string& page, int pageNo, std::vector<uint32_t>& body,
                       std::vector<uint32_t>& notes, std::vector<uint32_t>& whole);
