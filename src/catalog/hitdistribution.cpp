#include "catalog/hitdistribution.h"

#include <algorithm>
#include <functional>
#include <unordered_map>

#include "catalog/catalogue.h"
#include "catalog/pageplace.h"
#include "index/index.h"

namespace tevarin {

Status ScopeCharacters::Count(const CIndex& index, HitScope scope, uint32_t first, uint32_t end) {
  m_scope = scope;
  m_first = first;
  m_sums.assign(1, 0);
  m_unreadable = 0;
  const CFileList& files = index.Files();
  if (!files.IsOpen()) return Status::Invalid("the book store is not open");
  const uint32_t records = static_cast<uint32_t>(std::max(files.RecordCount(), 0));
  end = std::min(end, records);
  if (first > end) first = end;
  m_first = first;
  m_sums.reserve(end - first + 1);
  std::string stored;
  for (uint32_t r = first; r < end; ++r) {
    int32_t pageNumber = 0;
    uint64_t n = 0;
    if (files.ReadHitPageSource(static_cast<int32_t>(r), stored, pageNumber)) {
      const PageText text = ReadPageText(stored, pageNumber);
      for (const PageChar& c : text.chars)
        if (ScopeReads(scope, text.IsNote(c))) ++n;
    } else {
      ++m_unreadable;
    }
    m_sums.push_back(m_sums.back() + n);
  }
  return Status::Ok();
}

uint64_t ScopeCharacters::Of(uint32_t first, uint32_t count) const {
  const uint64_t have = m_sums.size() - 1;
  auto at = [&](uint64_t r) -> uint64_t {
    if (r <= m_first) return 0;
    return m_sums[static_cast<size_t>(std::min<uint64_t>(r - m_first, have))];
  };
  return at(uint64_t(first) + count) - at(first);
}

void RecordSpan(const ContentsNodeTag& node, uint32_t& first, uint32_t& end) {
  if (node.parent) {
    first = node.docID >= 1 ? static_cast<uint32_t>(node.docID - 1) : 0;
    end = node.docID >= 1 && node.docNo >= 1 ? first + static_cast<uint32_t>(node.docNo) : first;
    return;
  }
  // The root spans its children's records.
  first = UINT32_MAX;
  end = 0;
  for (const auto& child : node.children) {
    uint32_t f, e;
    RecordSpan(*child, f, e);
    if (f < e) {
      first = std::min(first, f);
      end = std::max(end, e);
    }
  }
  if (first > end) first = end = 0;
}

HitDistribution BuildHitDistribution(const CCatalogue& catalogue, const ContentsNodeTag* range,
                                     const std::vector<uint32_t>& pages,
                                     const std::vector<uint32_t>& counts,
                                     const ScopeCharacters& characters) {
  HitDistribution d;
  const ContentsNodeTag* root = catalogue.Root();
  if (!range) range = root;
  if (!range) return d;

  std::unordered_map<const ContentsNodeTag*, int> entries;
  for (int i = 1; i < catalogue.NodeCount(); ++i)
    if (const ContentsNodeTag* n = catalogue.NodeOf(i)) entries.emplace(n, i);

  // The nodes of the range in catalogue order, each with its row.
  std::unordered_map<const ContentsNodeTag*, size_t> rowOf;
  std::function<void(const ContentsNodeTag&)> walk = [&](const ContentsNodeTag& node) {
    if (node.parent && node.level >= 1 && node.level <= 3) {
      DistributionRow row;
      row.node = &node;
      const auto e = entries.find(&node);
      row.entry = e != entries.end() ? e->second : 0;
      uint32_t first, end;
      RecordSpan(node, first, end);
      row.characters = characters.Of(first, end - first);
      rowOf.emplace(&node, d.rows.size());
      d.rows.push_back(row);
    }
    for (const auto& child : node.children) walk(*child);
  };
  walk(*range);

  // Each page's hits go to its division, book and volume, those of them
  // inside the range.
  const PagePlaces places(root);
  for (size_t i = 0; i < pages.size(); ++i) {
    const uint32_t r = pages[i];
    if (range->parent && !range->Holds(r)) continue;
    const uint64_t hits = i < counts.size() ? counts[i] : 0;
    d.total.pages += 1;
    d.total.hits += hits;
    const PagePlace place = places.Find(r);
    for (const ContentsNodeTag* node : {place.division, place.book, place.volume}) {
      if (!node) continue;
      if (const auto it = rowOf.find(node); it != rowOf.end()) {
        d.rows[it->second].hits += hits;
        d.rows[it->second].pages += 1;
      }
    }
  }

  d.total.node = range;
  const auto e = entries.find(range);
  d.total.entry = e != entries.end() ? e->second : 0;
  uint32_t first, end;
  RecordSpan(*range, first, end);
  d.total.characters = characters.Of(first, end - first);
  auto per10k = [](DistributionRow& row) {
    row.per10k = row.characters ? static_cast<double>(row.hits) * 10000.0 / static_cast<double>(row.characters) : 0;
  };
  per10k(d.total);
  for (DistributionRow& row : d.rows) per10k(row);
  return d;
}

}  // namespace tevarin
