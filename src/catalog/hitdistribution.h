// Where a search's hits lie: per division, book and volume of a range, the
// hits, the pages with hits, the node's indexed characters in the searched
// scope and the hits per 10,000 of them.
#pragma once

#include <cstdint>
#include <vector>

#include "base/status.h"
#include "catalog/contenttree.h"
#include "store/pagetext.h"

namespace tevarin {

class CCatalogue;
class CIndex;

// The indexed characters of each record in one scope (the characters the
// index posts: store/pagetext.h), counted from the page texts over a span
// of records once and kept as running sums, so a node's figure is one
// subtraction.
class ScopeCharacters {
 public:
  // Reads every page of records [first, end) (clamped to the book store).
  // A page that cannot be read counts 0 and is counted in Unreadable.
  Status Count(const CIndex& index, HitScope scope, uint32_t first, uint32_t end);

  // The characters of records [first, first + count) that were counted.
  uint64_t Of(uint32_t first, uint32_t count) const;
  HitScope Scope() const { return m_scope; }
  uint32_t Unreadable() const { return m_unreadable; }

 private:
  HitScope m_scope = HitScope::WholeText;
  uint32_t m_first = 0;
  std::vector<uint64_t> m_sums;  // m_sums[i]: records [m_first, m_first + i)
  uint32_t m_unreadable = 0;
};

struct DistributionRow {
  const ContentsNodeTag* node = nullptr;
  int entry = 0;  // catalogue entry number (as --range takes it); 0 for the root
  uint64_t hits = 0;
  uint64_t pages = 0;       // pages with hits
  uint64_t characters = 0;  // indexed characters of the node in the scope
  double per10k = 0;        // hits per 10,000 characters; 0 without characters
};

struct HitDistribution {
  // The range node and every division, book and volume below it, in
  // catalogue order (the range node first, when it is not the root).
  std::vector<DistributionRow> rows;
  DistributionRow total;  // the range: its pages and hits are the result list's totals
};

// pages and counts: a search's hit pages and counts (any order). range null:
// the catalogue's root, the whole collection. characters must have counted
// the range's records for the figures per 10,000.
HitDistribution BuildHitDistribution(const CCatalogue& catalogue, const ContentsNodeTag* range,
                                     const std::vector<uint32_t>& pages,
                                     const std::vector<uint32_t>& counts,
                                     const ScopeCharacters& characters);

// The records a node (or the root: every record of the catalogue) spans:
// [first, end).
void RecordSpan(const ContentsNodeTag& node, uint32_t& first, uint32_t& end);

}  // namespace tevarin
