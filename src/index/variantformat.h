// The variant-character table "yitizi.txt": groups of characters that a
// search with variants treats as one. The reader is VariantTable
// (index/varianttable.h), the writer the collection builder
// (FormatVariantTable), the checker CheckVariantTable (index/indexcheck.h).
//
// 8-bit text, one group per line (LF separated; a CR stays part of its line;
// empty lines make no group). A line holds the group's members as hexadecimal
// code points separated by commas; empty fields are skipped; a field is read
// like a C hexadecimal conversion: leading white space, an optional "0x" when
// a hex digit follows it, then hex digits up to the first other byte (none:
// 0), the value saturating at UINT32_MAX. Group g (0-based, in file order) is
// searched under slot kVariantSlotBase + g (index/indexformat.h), so only the
// first kMaxVariantGroups groups can be searched; a code point counts for the
// first group that holds it. Writers put the members as uppercase hex joined
// by commas, one group a line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "index/variantgroups.h"

namespace tevarin {

inline constexpr const char* kVariantTableName = "yitizi.txt";

// Reads the table byte by byte in one pass, field by field, without holding
// the file or a line: the cost is linear in the file, whatever its shape.
// The groups are appended to the list given.
class VariantTableParser {
 public:
  explicit VariantTableParser(VariantGroupList& groups) : m_groups(groups) {}

  void Feed(const unsigned char* p, size_t n);
  // Ends the last line (a table need not end in LF).
  void Finish() { EndLine(); }

 private:
  enum class State { kLead, kZero, kZeroX, kDigits, kDone };

  void StartLine();
  void EndField();
  void EndLine();
  void Digit(int d);
  void Field(unsigned char c);

  VariantGroupList& m_groups;
  bool m_inLine = false;
  size_t m_fieldLength = 0;
  uint64_t m_value = 0;
  State m_state = State::kLead;
};

// Appends one group's line: its members as uppercase hex joined by commas,
// then LF.
void AppendVariantLine(std::string& out, std::span<const uint32_t> group);

}  // namespace tevarin
