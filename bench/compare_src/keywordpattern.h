// A keyword as the collection's search reads it, for the engines of the
// comparison that do not read the collection's index: they search their own
// indexes or the exported texts and use this to build their nearest native
// query and to check candidate pages exactly.
//
// The rules are those of the keyword search: leading "*" dropped, runs of "*"
// collapsed, characters without a slot removed; "*" separates segments, "?"
// and "？" take one position each; every other character is a term at its
// pattern position, matching itself or, with the variants option, every
// character the index posts under the same variant-group slot. Within a
// segment the terms stand at exactly their pattern distances; the next
// segment starts after the previous one ends, with at most 300 positions more
// between them than the "?" at the boundary need. "?" before the first term
// or after the last one constrain nothing.
#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tevarin {
class CIndex;
}  // namespace tevarin
using tevarin::CIndex;

inline constexpr int kStarGap = 300;

// The characters that one term matches, from the collection's variant table.
class VariantForms {
 public:
  // Reads the groups that index (its variant table loaded) searches by slot.
  void Build(const CIndex& index);
  // The forms of a typed character: itself first, then the other members
  // of its group slot when variants is set.
  std::vector<uint32_t> FormsOf(uint32_t cp, bool variants) const;

 private:
  std::unordered_map<uint32_t, int> m_slotOf;
  std::unordered_map<int, std::vector<uint32_t>> m_members;
};

struct PatternTerm {
  int pos = 0;                   // pattern position
  std::vector<uint32_t> forms;   // forms[0] is the typed character
};

struct PatternSegment {
  std::vector<PatternTerm> terms;  // ascending positions, at least one
};

// Terms of one segment at adjacent positions: what a phrase can express.
struct LiteralRun {
  int segment = 0;
  int first = 0;  // index of the first term in the segment
  int count = 0;
};

struct KeywordPattern {
  std::vector<PatternSegment> segments;

  bool HasTerms() const { return !segments.empty(); }
  std::vector<LiteralRun> Runs() const;
  // One segment without "?" between its terms: a plain phrase.
  bool IsPhrase() const { return segments.size() == 1 && Runs().size() == 1; }
  bool HasAlternatives() const;
  // The greatest distance between the first and the last term of a match.
  int MaxSpan() const;
  const PatternTerm& Term(const LiteralRun& run, int k) const {
    return segments[run.segment].terms[run.first + k];
  }
  // Whether the keyword occurs in a page's text.
  bool Matches(const uint32_t* text, size_t n) const;
};

KeywordPattern ParseKeyword(const std::vector<uint32_t>& keyword, bool variants, const VariantForms& forms);

// A keyword string cut at its spaces (U+0020) into code-point keywords;
// empty keywords are left out.
std::vector<std::vector<uint32_t>> SplitKeywords(std::string_view utf8);
