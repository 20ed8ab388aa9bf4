#include "variantgroups.h"

#include <bzlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <set>
#include <unordered_map>

#include "index/charslot.h"
#include "index/variantformat.h"

namespace tevarin {

namespace {

std::string Megabytes(size_t bytes) {
  return std::to_string(bytes / (1024 * 1024)) + " MB";
}

// The whole file, decompressed when it starts with the bzip2 signature; a
// text longer than maxBytes is refused (a bzip2 file can unpack to far more
// than its own size), so the read never holds more than maxBytes.
bool ReadMaybeBzip2(const std::string& path, size_t maxBytes, std::string& out,
                    std::string& error) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    error = "cannot open the Unihan file " + path + ": " + std::strerror(errno);
    return false;
  }
  const std::string tooLong = "the Unihan file " + path + " holds more than " +
                              (maxBytes >= 1024 * 1024 ? Megabytes(maxBytes)
                                                       : std::to_string(maxBytes) + " bytes") +
                              " of text; the variant data is far smaller, so it is refused";
  char magic[3] = {};
  const size_t got = std::fread(magic, 1, 3, f);
  std::rewind(f);
  out.clear();
  if (got == 3 && std::memcmp(magic, "BZh", 3) == 0) {
    int bzerr = BZ_OK;
    bool over = false;
    BZFILE* bz = BZ2_bzReadOpen(&bzerr, f, 0, 0, nullptr, 0);
    if (bzerr == BZ_OK) {
      char buf[1 << 16];
      while (bzerr == BZ_OK) {
        const int n = BZ2_bzRead(&bzerr, bz, buf, sizeof buf);
        if (n > 0) {
          if (static_cast<size_t>(n) > maxBytes - out.size()) {
            over = true;
            break;
          }
          out.append(buf, static_cast<size_t>(n));
        }
      }
      // A file of several bzip2 streams ends each with BZ_STREAM_END; the
      // Unicode files are one stream.
    }
    int closeErr = BZ_OK;
    BZ2_bzReadClose(&closeErr, bz);
    std::fclose(f);
    if (over) {
      out.clear();
      error = tooLong;
      return false;
    }
    if (bzerr != BZ_STREAM_END) {
      error = "the Unihan file " + path + " is not a readable bzip2 file (error " +
              std::to_string(bzerr) + ")";
      return false;
    }
    return true;
  }
  char buf[1 << 16];
  size_t n;
  bool over = false;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
    if (n > maxBytes - out.size()) {
      over = true;
      break;
    }
    out.append(buf, n);
  }
  const bool bad = std::ferror(f);
  std::fclose(f);
  if (over) {
    out.clear();
    error = tooLong;
    return false;
  }
  if (bad) {
    error = "cannot read the Unihan file " + path;
    return false;
  }
  return true;
}

// Parses "U+XXXX" at s[i]; advances i past it.
bool ParseCodePoint(const std::string& s, size_t& i, uint32_t& cp) {
  if (i + 2 >= s.size() || s[i] != 'U' || s[i + 1] != '+') return false;
  size_t j = i + 2;
  uint32_t v = 0;
  int digits = 0;
  while (j < s.size() && std::isxdigit(static_cast<unsigned char>(s[j])) && digits < 7) {
    const char c = s[j];
    v = v * 16 + static_cast<uint32_t>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
    ++j;
    ++digits;
  }
  if (digits < 4 || v > 0x10FFFF) return false;
  cp = v;
  i = j;
  return true;
}

class UnionFind {
 public:
  uint32_t Find(uint32_t x) {
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
  void Join(uint32_t a, uint32_t b) {
    const uint32_t ra = Find(a), rb = Find(b);
    if (ra != rb) m_parent[std::max(ra, rb)] = std::min(ra, rb);
  }
  const std::unordered_map<uint32_t, uint32_t>& Members() const { return m_parent; }

 private:
  std::unordered_map<uint32_t, uint32_t> m_parent;
};

}  // namespace

std::vector<std::string> DefaultUnihanFields() {
  return {"kTraditionalVariant", "kSimplifiedVariant", "kZVariant"};
}

bool ReadUnihanLinks(const std::string& path, const std::vector<std::string>& fields,
                     std::vector<VariantLink>& links, std::map<std::string, size_t>& perField,
                     std::string& error, size_t maxTextBytes) {
  std::string text;
  if (!ReadMaybeBzip2(path, maxTextBytes, text, error)) return false;
  const std::set<std::string> wanted(fields.begin(), fields.end());
  size_t lines = 0;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const size_t t1 = line.find('\t');
    const size_t t2 = t1 == std::string::npos ? t1 : line.find('\t', t1 + 1);
    if (t2 == std::string::npos) continue;
    size_t i = 0;
    uint32_t from;
    if (!ParseCodePoint(line, i, from) || i != t1) continue;
    ++lines;
    const std::string field = line.substr(t1 + 1, t2 - t1 - 1);
    if (!wanted.count(field)) continue;
    for (i = t2 + 1; i < line.size();) {
      uint32_t to;
      if (ParseCodePoint(line, i, to)) {
        if (to != from) {
          links.emplace_back(from, to);
          ++perField[field];
        }
      } else {
        ++i;
      }
    }
  }
  if (lines == 0) {
    error = "the Unihan file " + path + " holds no variant data (U+XXXX<TAB>field<TAB>values)";
    return false;
  }
  return true;
}

VariantGroupVector GroupVariants(const std::vector<VariantLink>& links) {
  UnionFind uf;
  for (const auto& [a, b] : links) uf.Join(a, b);
  std::map<uint32_t, std::vector<uint32_t>> byRoot;
  for (const auto& [member, parent] : uf.Members()) {
    (void)parent;
    if (CharToSlot(member) < 0) continue;  // never indexed, never searched
    byRoot[uf.Find(member)].push_back(member);
  }
  VariantGroupVector groups;
  for (auto& [root, members] : byRoot) {
    if (members.size() < 2) continue;
    std::sort(members.begin(), members.end());
    groups.push_back(std::move(members));
  }
  std::sort(groups.begin(), groups.end(),
            [](const auto& x, const auto& y) { return x.front() < y.front(); });
  return groups;
}

std::string FormatVariantTable(const VariantGroupVector& groups) {
  std::string out;
  for (const auto& g : groups) AppendVariantLine(out, g);
  return out;
}

std::map<size_t, size_t> GroupSizeDistribution(const VariantGroupVector& groups) {
  std::map<size_t, size_t> d;
  for (const auto& g : groups) ++d[g.size()];
  return d;
}

}  // namespace tevarin
