#include "indexbuilder.h"

#include <algorithm>

#include "index/charslot.h"
#include "utf8.h"
#include "store/pagesections.h"

namespace tevarin {

namespace {

// The text of a run without its tags (a tag runs from "<" to the next ">";
// an unfinished one is dropped, as the page scanners drop it).
std::string StripTags(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '<') {
      out += s[i];
      continue;
    }
    const size_t close = s.find('>', i);
    if (close == std::string_view::npos) break;
    i = close;
  }
  return out;
}

// Appends the UTF-8 encoding of cp.
void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes the named entities the layout writes (&amp; &lt; &gt;), &quot;,
// &apos; and numeric ones; anything else stays as it is.
std::string DecodeEntities(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '&') {
      out += s[i];
      continue;
    }
    const size_t semi = s.find(';', i);
    if (semi == std::string_view::npos || semi - i > 10) {
      out += s[i];
      continue;
    }
    const std::string_view name = s.substr(i + 1, semi - i - 1);
    uint32_t cp = 0;
    if (name == "amp") cp = '&';
    else if (name == "lt") cp = '<';
    else if (name == "gt") cp = '>';
    else if (name == "quot") cp = '"';
    else if (name == "apos") cp = '\'';
    else if (name.size() > 1 && name[0] == '#') {
      const bool hex = name[1] == 'x' || name[1] == 'X';
      uint32_t v = 0;
      bool ok = name.size() > (hex ? 2u : 1u);
      for (size_t k = hex ? 2 : 1; ok && k < name.size(); ++k) {
        const char c = name[k];
        int d = c >= '0' && c <= '9' ? c - '0'
                : hex && (c | 0x20) >= 'a' && (c | 0x20) <= 'f' ? (c | 0x20) - 'a' + 10
                                                               : -1;
        if (d < 0 || v > 0x10FFFF) ok = false;
        else v = v * (hex ? 16 : 10) + static_cast<uint32_t>(d);
      }
      if (ok && v > 0 && v <= 0x10FFFF && (v < 0xD800 || v > 0xDFFF)) cp = v;
    }
    if (!cp) {
      out += s[i];
      continue;
    }
    AppendUtf8(out, cp);
    i = semi;
  }
  return out;
}

// Code points of UTF-8 text; a byte that starts no valid sequence stands for
// itself (and has no slot).
void DecodeUtf8(std::string_view s, std::vector<uint32_t>& out) {
  for (size_t i = 0; i < s.size();) {
    uint32_t cp;
    size_t n;
    const bool ok = DecodeUtf8Char(s, i, cp, n);
    if (!ok) {
      out.push_back(static_cast<unsigned char>(s[i]));
      ++i;
      continue;
    }
    out.push_back(cp);
    i += n;
  }
}

}  // namespace

std::vector<IndexedRun> IndexedText(std::string_view page, int pageNumber) {
  const std::vector<HTMLNode> nodes = ParsePage(page);
  const int parity = ((pageNumber % 2) + 2) % 2;
  std::vector<IndexedRun> runs;
  for (const FilterItem& item : SplitNotes(nodes[1 + parity].text)) {
    IndexedRun run;
    run.note = item.kind == 1;
    DecodeUtf8(DecodeEntities(StripTags(item.text)), run.codePoints);
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
  for (const IndexedRun& run : IndexedText(page, pageNumber)) {
    const int scope = run.note ? kNotes : kBody;
    for (uint32_t cp : run.codePoints) {
      const int slot = CharToSlot(cp);
      if (slot < 0) continue;
      const int group = m_groupOfSlot[slot];
      for (int which : {static_cast<int>(kFull), scope}) {
        const uint32_t pos = next[which]++;
        m_pairs[which].emplace_back(slot, pos);
        if (group >= 0) m_pairs[which].emplace_back(kVariantSlotBase + group, pos);
      }
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
