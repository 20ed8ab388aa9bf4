#include "indexbuilder.h"

#include <algorithm>

#include "index/charslot.h"
#include "store/pagesections.h"

namespace {

// Appends the slotted code points of a run's text, tags skipped. The pages
// escape only ASCII characters (&amp; &lt; &gt;), which never have a slot,
// so entities need no decoding.
void AppendIndexed(const std::string& text, std::vector<uint32_t>& whole, std::vector<uint32_t>& scoped) {
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '<') {
      const size_t gt = text.find('>', i);
      i = gt == std::string::npos ? text.size() : gt + 1;
      continue;
    }
    const int len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    uint32_t v = len == 1 ? c : len == 2 ? c & 0x1F : len == 3 ? c & 0x0F : c & 0x07;
    for (int k = 1; k < len && i + k < text.size(); ++k)
      v = (v << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    i += static_cast<size_t>(len);
    if (CharToSlot(v) >= 0) {
      whole.push_back(v);
      scoped.push_back(v);
    }
  }
}

}  // namespace

void IndexedCharacters(std::string_view page, int32_t pageNo, PageCharacters& out) {
  for (auto& s : out.scope) s.clear();
  const std::vector<HTMLNode> nodes = ParsePage(page);
  const std::string& cell = nodes[pageNo % 2 != 0 ? 2 : 1].text;
  for (const FilterItem& item : SplitNotes(cell))
    AppendIndexed(item.text, out.scope[0], out.scope[item.kind == 0 ? 1 : 2]);
}

IndexBuilder::IndexBuilder(const std::vector<std::vector<uint32_t>>& groups)
    : m_groupOfSlot(kSlotCount, -1) {
  for (size_t g = 0; g < groups.size() && g < static_cast<size_t>(kMaxVariantGroups); ++g)
    for (uint32_t cp : groups[g]) {
      const int slot = CharToSlot(cp);
      // A character in two groups counts for the first, as the reader does.
      if (slot >= 0 && m_groupOfSlot[slot] < 0) m_groupOfSlot[slot] = VariantSlotBase + static_cast<int32_t>(g);
    }
}

bool IndexBuilder::Post(int scope, uint32_t record, const std::vector<uint32_t>& chars, std::string& error) {
  m_hits.clear();
  for (uint32_t pos = 0; pos < chars.size(); ++pos) {
    const int slot = CharToSlot(chars[pos]);
    m_hits.emplace_back(slot, pos);
    if (m_groupOfSlot[slot] >= 0) m_hits.emplace_back(m_groupOfSlot[slot], pos);
  }
  // Positions ascend within each slot: a stable sort keeps them in page order.
  std::stable_sort(m_hits.begin(), m_hits.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (size_t i = 0; i < m_hits.size();) {
    size_t j = i;
    m_positions.clear();
    while (j < m_hits.size() && m_hits[j].first == m_hits[i].first) m_positions.push_back(m_hits[j++].second);
    if (!m_writers[scope].AddEntry(m_hits[i].first, record, m_positions)) {
      error = std::string(kIndexNames[scope]) + ": " + m_writers[scope].Error();
      return false;
    }
    i = j;
  }
  m_indexed[scope] += chars.size();
  return true;
}

bool IndexBuilder::AddPage(uint32_t record, std::string_view page, int32_t pageNo, std::string& error) {
  IndexedCharacters(page, pageNo, m_chars);
  for (int s = 0; s < 3; ++s)
    if (!Post(s, record, m_chars.scope[s], error)) return false;
  return true;
}

bool IndexBuilder::Write(const std::string& folder, std::string& error) {
  // IndexWriter writes the two reserved header tables as zeros: readers keep
  // them and never consult them.
  for (int s = 0; s < 3; ++s) {
    if (!m_writers[s].Write(folder + "/" + kIndexNames[s])) {
      error = m_writers[s].Error();
      return false;
    }
    m_writers[s] = IndexWriter();  // free the postings before the next index is encoded
  }
  return true;
}
