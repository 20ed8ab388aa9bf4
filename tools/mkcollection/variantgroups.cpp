#include "variantgroups.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sstream>

#include "index/charslot.h"

namespace {

// Reads "U+XXXX" at s[i...]; advances i. 0 when there is none.
uint32_t ParseCodePoint(const std::string& s, size_t& i) {
  if (s.compare(i, 2, "U+") != 0) return 0;
  i += 2;
  uint32_t v = 0;
  while (i < s.size() && std::isxdigit(static_cast<unsigned char>(s[i]))) {
    const char c = s[i++];
    v = v * 16 + static_cast<uint32_t>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
  }
  return v;
}

// Decodes one UTF-8 character at s[i...]; advances i.
uint32_t DecodeUtf8(const std::string& s, size_t& i) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  int len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
  uint32_t v = len == 1 ? c : len == 2 ? c & 0x1F : len == 3 ? c & 0x0F : c & 0x07;
  for (int k = 1; k < len && i + k < s.size(); ++k) v = (v << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
  i += static_cast<size_t>(len);
  return v;
}

}  // namespace

bool ReadBzip2(const std::string& path, std::string& out, std::string& error) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    error = "cannot read " + path;
    return false;
  }
  std::fclose(f);
  const std::string cmd = "bzip2 -dc -- '" + path + "'";
  std::FILE* p = popen(cmd.c_str(), "r");
  if (!p) {
    error = "cannot run bzip2 for " + path;
    return false;
  }
  char buf[65536];
  size_t n;
  out.clear();
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  if (pclose(p) != 0 || out.empty()) {
    error = "cannot decompress " + path;
    return false;
  }
  return true;
}

uint32_t VariantGroups::Find(uint32_t x) {
  auto it = m_parent.find(x);
  if (it == m_parent.end()) {
    m_parent.emplace(x, x);
    return x;
  }
  uint32_t root = x;
  while (m_parent[root] != root) root = m_parent[root];
  while (m_parent[x] != root) {
    const uint32_t next = m_parent[x];
    m_parent[x] = root;
    x = next;
  }
  return root;
}

void VariantGroups::Join(uint32_t a, uint32_t b) {
  if (a == b || CharToSlot(a) < 0 || CharToSlot(b) < 0) return;
  ++m_relations;
  const uint32_t ra = Find(a), rb = Find(b);
  if (ra != rb) m_parent[std::max(ra, rb)] = std::min(ra, rb);
}

bool VariantGroups::AddUnihan(const std::string& text, const std::set<std::string>& fields,
                              std::string& error) {
  std::istringstream in(text);
  std::string line;
  size_t used = 0;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const size_t t1 = line.find('\t');
    const size_t t2 = t1 == std::string::npos ? t1 : line.find('\t', t1 + 1);
    if (t2 == std::string::npos) continue;
    if (!fields.count(line.substr(t1 + 1, t2 - t1 - 1))) continue;
    size_t i = 0;
    const uint32_t from = ParseCodePoint(line, i);
    for (i = t2 + 1; i < line.size();) {
      if (line.compare(i, 2, "U+") == 0) {
        const uint32_t to = ParseCodePoint(line, i);
        if (from && to) Join(from, to);
      } else {
        ++i;
      }
    }
    ++used;
  }
  if (used == 0) {
    error = "no variant relations found in the Unihan data";
    return false;
  }
  return true;
}

void VariantGroups::AddPairs(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    size_t i = 0;
    if (line.empty()) continue;
    const uint32_t from = DecodeUtf8(line, i);
    while (i < line.size()) {
      if (line[i] == '\t' || line[i] == ' ' || line[i] == '\r') {
        ++i;
        continue;
      }
      Join(from, DecodeUtf8(line, i));
    }
  }
}

std::vector<std::vector<uint32_t>> VariantGroups::Groups() const {
  auto* self = const_cast<VariantGroups*>(this);
  std::map<uint32_t, std::vector<uint32_t>> byRoot;
  for (const auto& [cp, parent] : m_parent) byRoot[self->Find(cp)].push_back(cp);
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
      std::snprintf(buf, sizeof buf, i ? ",%X" : "%X", g[i]);
      out += buf;
    }
    out += '\n';
  }
  return out;
}
