// Variant-character groups for "yitizi.txt", from the Unicode Han database
// (Unihan_Variants.txt, plain or bzip2-compressed) and, optionally, the
// Japanese new forms of OpenCC's JPVariants dictionary.
//
// Unihan_Variants.txt lines: "U+5E72<TAB>kTraditionalVariant<TAB>U+4E7E U+5E72 U+5E79";
// a value may carry sources ("U+6588<kLau,kMatthews"); lines starting with #
// are comments. Every listed relation of the chosen fields links the two
// characters; linked characters form one group (union-find, so links chain).
// Members without an index slot are dropped after the groups are formed (two
// indexed characters linked through an unindexed one stay together); groups
// of fewer than two members are dropped.
//
// yitizi.txt: one group a line, members as uppercase hexadecimal code points
// joined by commas, ascending; groups ordered by their smallest member; LF
// line ends. Group g is posted under index slot 88065 + g.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tevarin {

using VariantLink = std::pair<uint32_t, uint32_t>;
using VariantGroupVector = std::vector<std::vector<uint32_t>>;

// The Unihan fields joined by default: traditional/simplified pairs and
// Z-variants (the same character in another glyph). Semantic variants are
// left out: chained through union-find they join characters of different
// meaning (柜 "cupboard" with 饋 "to present food", through 櫃 and 匱).
std::vector<std::string> DefaultUnihanFields();

// The most text a Unihan file may hold, decompressed: a generous bound (the
// Unicode 15 Unihan_Variants.txt is about 650 KB) that keeps a damaged or
// hostile bzip2 file from unpacking into all of memory.
inline constexpr size_t kMaxUnihanTextBytes = size_t{64} * 1024 * 1024;

// Reads the links of the given fields. False with a reason when the file
// cannot be read or decompressed, holds more than maxTextBytes of text, or
// holds no line of any of the fields. perField counts the links read per
// field.
bool ReadUnihanLinks(const std::string& path, const std::vector<std::string>& fields,
                     std::vector<VariantLink>& links, std::map<std::string, size_t>& perField,
                     std::string& error, size_t maxTextBytes = kMaxUnihanTextBytes);

// Joins linked characters into groups as described above.
VariantGroupVector GroupVariants(const std::vector<VariantLink>& links);

// The text of yitizi.txt for the groups.
std::string FormatVariantTable(const VariantGroupVector& groups);

// Group sizes: size -> number of groups.
std::map<size_t, size_t> GroupSizeDistribution(const VariantGroupVector& groups);

}  // namespace tevarin
