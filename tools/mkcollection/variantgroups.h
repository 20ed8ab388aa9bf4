// Variant-character groups for "yitizi.txt", built from Unihan's variant
// relations (and optionally Japanese new forms) with union-find.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

class VariantGroups {
 public:
  // Reads Unihan_Variants (plain text lines "U+XXXX<TAB>field<TAB>U+YYYY ...")
  // and joins a character with each listed variant of the given fields.
  bool AddUnihan(const std::string& text, const std::set<std::string>& fields, std::string& error);
  // Joins pairs listed as "<char><TAB><char>[ <char>...]" lines (UTF-8).
  void AddPairs(const std::string& text);
  void Join(uint32_t a, uint32_t b);

  // Groups of at least two members that have a slot, members ascending, groups
  // ordered by their smallest member.
  std::vector<std::vector<uint32_t>> Groups() const;
  // "yitizi.txt": one group a line, uppercase hex joined by commas, LF endings.
  static std::string Format(const std::vector<std::vector<uint32_t>>& groups);
  size_t Relations() const { return m_relations; }

 private:
  uint32_t Find(uint32_t x);
  std::map<uint32_t, uint32_t> m_parent;
  size_t m_relations = 0;
};

// Decompresses a .bz2 file with bzip2; false with a reason when it fails.
bool ReadBzip2(const std::string& path, std::string& out, std::string& error);
