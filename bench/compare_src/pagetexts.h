// The texts every engine of the comparison searches: for each page and each
// scope the characters the collection's index was built from. They are the
// characters with a slot (CharToSlot) of the page's text cell (the first cell
// for even page numbers, the second for odd ones), markup excluded, in page
// order; the body scope keeps the body runs of the cell, the notes scope its
// note runs, the whole scope both.
//
// Exported text file ("<cache>/<scope>.txt"): UTF-8, one line per page in
// record order, the line holding exactly the page's indexed characters of
// that scope ("\n" after every page, an empty line for a page without any).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tevarin {
class CFileList;
class CIndex;
}  // namespace tevarin
using tevarin::CFileList;
using tevarin::CIndex;

enum Scope : int { kWhole = 0, kBody = 1, kNotes = 2 };
inline constexpr const char* kScopeNames[3] = {"whole", "body", "notes"};

// One scope's characters of every page, the pages back to back.
struct ScopeText {
  std::vector<uint32_t> chars;
  std::vector<uint64_t> start{0};  // page i is chars[start[i] .. start[i+1])
  size_t Pages() const { return start.size() - 1; }
  size_t PageLength(size_t page) const { return start[page + 1] - start[page]; }
  const uint32_t* Page(size_t page) const { return chars.data() + start[page]; }
};

// The indexed characters of one stored page, per scope (cleared first).
void PageCharacters(std::string_view page, int32_t pageNumber, std::vector<uint32_t> out[3]);

// Every page of the book store. False, with the first reason, when a record
// cannot be read or carries no page number.
bool ExtractTexts(const CFileList& files, ScopeText out[3], std::string& error);

bool WriteScopeFile(const ScopeText& text, const std::string& path, std::string& error);

// The export held against an open index: every posting of every slot must name
// a page and position whose exported character has that slot (or, for a group
// slot, belongs to that group), and the character postings must add up to the
// exported characters, the group postings to the exported grouped characters.
struct IndexCheck {
  uint64_t characters = 0;          // exported characters of the scope
  uint64_t postings = 0;            // character-slot postings read
  uint64_t groupedCharacters = 0;   // exported characters that belong to a searchable group
  uint64_t groupPostings = 0;       // group-slot postings read
  uint64_t mismatches = 0;          // postings that disagree with the export
  std::vector<std::string> examples;  // the first few disagreements
  bool Agrees() const {
    return mismatches == 0 && postings == characters && groupPostings == groupedCharacters;
  }
};
IndexCheck CheckAgainstIndex(const CIndex& index, const ScopeText& text);
