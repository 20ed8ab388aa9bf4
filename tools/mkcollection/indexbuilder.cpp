#include "indexbuilder.h"

#include <algorithm>

#include "index/charslot.h"
#include "store/pagetext.h"

namespace tevarin {

std::vector<IndexedRun> IndexedText(std::string_view page, int pageNumber) {
  const PageText text = ReadPageText(page, pageNumber);
  std::vector<IndexedRun> runs;
  std::vector<RunChar> chars;
  for (const FilterItem& item : text.runs) {
    IndexedRun run;
    run.note = item.kind == 1;
    chars.clear();
    DecodeRunText(item.text, chars);
    for (const RunChar& c : chars) run.codePoints.push_back(c.codePoint);
    runs.push_back(std::move(run));
  }
  return runs;
}

CollectionIndexer::CollectionIndexer(const VariantGroupVector& groups)
    : m_groupOfSlot(kSlotCount, -1) {
  for (size_t g = 0; g < groups.size() && g < static_cast<size_t>(kMaxVariantGroups); ++g)
    for (uint32_t member : groups[g]) {
      const int slot = CharToSlot(member);
      if (slot >= 0 && m_groupOfSlot[slot] < 0) m_groupOfSlot[slot] = static_cast<int32_t>(g);
    }
}

bool CollectionIndexer::AddPage(uint32_t record, int pageNumber, std::string_view page,
                                std::string& error) {
  uint32_t next[3] = {0, 0, 0};
  for (auto& p : m_pairs) p.clear();
  // The page's indexed characters, exactly those a hit page finds its
  // matches over.
  const PageText text = ReadPageText(page, pageNumber);
  for (const PageChar& c : text.chars) {
    const int scope = text.IsNote(c) ? kNotes : kBody;
    const int slot = CharToSlot(c.codePoint);
    if (slot < 0) continue;  // never: the page's indexed characters all have one
    const int group = m_groupOfSlot[slot];
    for (int which : {static_cast<int>(kFull), scope}) {
      const uint32_t pos = next[which]++;
      m_pairs[which].emplace_back(slot, pos);
      if (group >= 0) m_pairs[which].emplace_back(kVariantSlotBase + group, pos);
    }
  }
  for (int which = 0; which < 3; ++which) {
    m_indexed[which] += next[which];
    if (!Post(which, record, m_pairs[which], error)) return false;
  }
  return true;
}

bool CollectionIndexer::Post(int which, uint32_t record,
                             std::vector<std::pair<int, uint32_t>>& pairs, std::string& error) {
  std::sort(pairs.begin(), pairs.end());
  for (size_t i = 0; i < pairs.size();) {
    const int slot = pairs[i].first;
    m_positions.clear();
    for (; i < pairs.size() && pairs[i].first == slot; ++i) m_positions.push_back(pairs[i].second);
    if (const Status added = m_writers[which].AddEntry(slot, record, m_positions); !added) {
      error = std::string(kNames[which]) + ", record " + std::to_string(record) + ": " +
              added.Message();
      return false;
    }
  }
  return true;
}

bool CollectionIndexer::Write(const std::string& folder, std::string& error) {
  for (int which = 0; which < 3; ++which) {
    if (const Status written = m_writers[which].Write(folder + "/" + kNames[which]); !written) {
      error = written.Message();
      return false;
    }
    m_writers[which] = IndexWriter();  // free its postings before the next one is written
  }
  return true;
}

}  // namespace tevarin
