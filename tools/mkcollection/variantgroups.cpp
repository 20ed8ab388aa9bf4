#include "variantgroups.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "index/charslot.h"

namespace {

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// Reads "U+XXXX" at s[i...] and advances i past it; 0 when there is none.
uint32_t ParseCodePoint(const std::string& s, size_t& i) {
  if (s.compare(i, 2, "U+") != 0) return 0;
  i += 2;
  uint32_t v = 0;
  while (i < s.size() && IsHex(s[i]) && v <= 0x10FFFF) {
    const char c = s[i++];
    v = v * 16 + static_cast<uint32_t>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
  }
  return v <= 0x10FFFF ? v : 0;
}

// Decodes the UTF-8 characters of s; false when s is not well-formed.
bool DecodeUtf8(const std::string& s, std::vector<uint32_t>& out) {
  out.clear();
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > s.size()) return false;
    uint32_t v = len == 1 ? c : len == 2 ? c & 0x1F : len == 3 ? c & 0x0F : c & 0x07;
    for (int k = 1; k < len; ++k) {
      const unsigned char d = static_cast<unsigned char>(s[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      v = (v << 6) | (d & 0x3F);
    }
    out.push_back(v);
    i += static_cast<size_t>(len);
  }
  return true;
}

}  // namespace

std::vector<std::string> DefaultVariantFields() {
  return {"kTraditionalVariant", "kSimplifiedVariant", "kZVariant"};
}

uint32_t VariantGroups::Find(uint32_t x) const {
  auto it = m_parent.find(x);
  if (it == m_parent.end()) {
    m_parent.emplace(x, x);
    return x;
  }
  uint32_t root = x;
  while (m_parent[root] != root) root = m_parent[root];
  while (m_parent[x] != root) {  // path compression
    const uint32_t next = m_parent[x];
    m_parent[x] = root;
    x = next;
  }
  return root;
}

void VariantGroups::Join(uint32_t a, uint32_t b, const std::string& label) {
  if (a == 0 || b == 0 || a == b) return;
  ++m_relations[label];
  const uint32_t ra = Find(a), rb = Find(b);
  if (ra != rb) m_parent[std::max(ra, rb)] = std::min(ra, rb);
}

bool VariantGroups::AddUnihan(const std::string& text, const std::vector<std::string>& fields,
                              std::string& error) {
  const std::set<std::string> wanted(fields.begin(), fields.end());
  size_t used = 0;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    if (line.empty() || line[0] == '#') continue;
    const size_t t1 = line.find('\t');
    const size_t t2 = t1 == std::string::npos ? t1 : line.find('\t', t1 + 1);
    if (t2 == std::string::npos) continue;
    const std::string field = line.substr(t1 + 1, t2 - t1 - 1);
    if (!wanted.count(field)) continue;
    size_t i = 0;
    const uint32_t from = ParseCodePoint(line, i);
    for (i = t2 + 1; i < line.size();) {
      if (line.compare(i, 2, "U+") == 0) Join(from, ParseCodePoint(line, i), field);
      else ++i;
    }
    ++used;
  }
  if (used == 0) {
    error = "no variant relations of the chosen fields in the Unihan data";
    return false;
  }
  return true;
}

size_t VariantGroups::AddDictionary(const std::string& text, const std::string& label) {
  const size_t before = m_relations[label];
  std::vector<uint32_t> key, value;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    if (!DecodeUtf8(line.substr(0, tab), key) || key.size() != 1) continue;
    const std::string values = line.substr(tab + 1);
    for (size_t vs = 0; vs <= values.size();) {
      size_t ve = values.find(' ', vs);
      if (ve == std::string::npos) ve = values.size();
      if (DecodeUtf8(values.substr(vs, ve - vs), value) && value.size() == 1) Join(key[0], value[0], label);
      vs = ve + 1;
    }
  }
  return m_relations[label] - before;
}

std::vector<std::vector<uint32_t>> VariantGroups::Groups() const {
  std::map<uint32_t, std::vector<uint32_t>> byRoot;
  for (const auto& [cp, parent] : m_parent)
    if (CharToSlot(cp) >= 0) byRoot[Find(cp)].push_back(cp);
  std::vector<std::vector<uint32_t>> groups;
  for (auto& [root, members] : byRoot) {
    if (members.size() < 2) continue;
    std::sort(members.begin(), members.end());
    groups.push_back(std::move(members));
  }
  std::sort(groups.begin(), groups.end(),
            [](const auto& a, const auto& b) { return a.front() < b.front(); });
  return groups;
}

std::string VariantGroups::Format(const std::vector<std::vector<uint32_t>>& groups) {
  std::string out;
  char buf[16];
  for (const auto& g : groups) {
    for (size_t i = 0; i < g.size(); ++i) {
      std::snprintf(buf, sizeof buf, i ? ",%X" : "%X", static_cast<unsigned>(g[i]));
      out += buf;
    }
    out += '\n';
  }
  return out;
}
