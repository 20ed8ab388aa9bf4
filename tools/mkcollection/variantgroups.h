// Variant-character groups for "yitizi.txt": characters linked by variant
// relations are joined with union-find; every connected set of characters
// becomes one group.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The Unihan fields joined by default: traditional/simplified forms and
// Z-variants (the same abstract character). Semantic variants are left out:
// they chain loosely related characters into large groups.
std::vector<std::string> DefaultVariantFields();

class VariantGroups {
 public:
  // Reads Unihan_Variants text (lines "U+XXXX<TAB>field<TAB>U+YYYY[<source>] ...")
  // and joins every character with each variant listed in one of the fields.
  // False when the text holds no line of those fields.
  bool AddUnihan(const std::string& text, const std::vector<std::string>& fields, std::string& error);
  // Joins the single characters of a dictionary in OpenCC's text form: lines
  // "<key><TAB><value>[ <value>...]"; entries of more than one character are
  // skipped. Answers the number of relations added.
  size_t AddDictionary(const std::string& text, const std::string& label);
  void Join(uint32_t a, uint32_t b, const std::string& label = "pairs");

  // Groups of at least two members, members ascending, groups ordered by their
  // smallest member. Only characters that have a slot are listed: the others
  // are never indexed, so no search can find them, but they still link the
  // characters around them (A-X-B with X unindexed gives the group A, B).
  std::vector<std::vector<uint32_t>> Groups() const;
  // "yitizi.txt": one group a line, uppercase hex joined by commas, LF endings.
  static std::string Format(const std::vector<std::vector<uint32_t>>& groups);

  // Relations joined, by Unihan field or dictionary label.
  const std::map<std::string, size_t>& Relations() const { return m_relations; }

 private:
  uint32_t Find(uint32_t x) const;
  mutable std::map<uint32_t, uint32_t> m_parent;
  std::map<std::string, size_t> m_relations;
};
