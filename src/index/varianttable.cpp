// The variant-character table "yitizi.txt" and what the engine does with it.
//
// "yitizi.txt" is 8-bit text, one group per line (LF separated; a CR stays part
// of its line; empty lines make no group). A line holds the group's members as
// hexadecimal code points separated by commas; empty fields are skipped; a field
// is read after leading white space, with an optional "0x", up to the first
// non-hex character (no digits: 0). Group g (0-based, in file order) is searched
// under slot VariantSlotBase + g; a code point counts for the first group that
// holds it.
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "text/codeconverter.h"
#include "index/index.h"

namespace tevarin {

namespace {

uint32_t ParseHexField(const std::string& field) {
  size_t i = 0;
  while (i < field.size() && std::isspace(static_cast<unsigned char>(field[i]))) ++i;
  if (i + 1 < field.size() && field[i] == '0' && (field[i + 1] == 'x' || field[i + 1] == 'X') &&
      i + 2 < field.size() && std::isxdigit(static_cast<unsigned char>(field[i + 2])))
    i += 2;
  uint64_t v = 0;
  for (; i < field.size() && std::isxdigit(static_cast<unsigned char>(field[i])); ++i) {
    const char c = field[i];
    v = v * 16 + static_cast<uint64_t>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
    if (v > UINT32_MAX) v = UINT32_MAX;  // saturate like a C conversion
  }
  return static_cast<uint32_t>(v);
}

void AppendCodePoint(std::u16string& s, uint32_t cp) {
  if (cp >= 0x10000 && cp <= 0x10FFFF) {
    cp -= 0x10000;
    s.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    s.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    s.push_back(static_cast<char16_t>(cp));
  }
}

}  // namespace

void CIndex::LoadVariantTable(const std::string& folder) {
  m_VariantGroups.clear();
  m_VariantOf.clear();
  std::ifstream in(folder + "/yitizi.txt", std::ios::binary);
  if (!in) return;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t start = 0;
  while (start <= bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    if (end > start) {
      std::vector<uint32_t> group;
      size_t f = start;
      while (f <= end) {
        size_t comma = bytes.find(',', f);
        if (comma == std::string::npos || comma > end) comma = end;
        if (comma > f) group.push_back(ParseHexField(bytes.substr(f, comma - f)));
        f = comma + 1;
      }
      const uint32_t g = static_cast<uint32_t>(m_VariantGroups.size());
      for (uint32_t cp : group) m_VariantOf.emplace(cp, g);  // keeps the first group
      m_VariantGroups.push_back(std::move(group));
    }
    start = end + 1;
  }
}

bool CIndex::FindVariantSlot(uint32_t codePoint, int& slot) const {
  const auto it = m_VariantOf.find(codePoint);
  // Groups past the last slot cannot be searched: the index has no slot for them.
  if (it == m_VariantOf.end() || it->second >= static_cast<uint32_t>(kMaxVariantGroups))
    return false;
  slot = VariantSlotBase + static_cast<int>(it->second);
  return true;
}

bool CIndex::ExpandVariants(std::u16string_view keywords, std::vector<std::u16string>& out) const {
  out.clear();
  if (keywords.empty()) return true;
  // Each character's list of forms: its first group's members, or itself.
  std::vector<std::vector<uint32_t>> lists;
  for (size_t i = 0; i < keywords.size();) {
    uint32_t cp = keywords[i];
    size_t units = 1;
    if (IsHighSurrogate(cp) && i + 1 < keywords.size() && IsLowSurrogate(keywords[i + 1])) {
      cp = CombineSurrogates(cp, keywords[i + 1]);
      units = 2;
    }
    const auto it = m_VariantOf.find(cp);
    if (it != m_VariantOf.end())
      lists.push_back(m_VariantGroups[it->second]);
    else
      lists.push_back({cp});
    i += units;
  }
  // Depth first: the last character varies fastest. An odometer over the lists.
  std::vector<size_t> pick(lists.size(), 0);
  size_t units = 0;
  while (true) {
    if (out.size() >= kMaxVariantForms) return false;
    std::u16string form;
    form.reserve(keywords.size() + 4);
    for (size_t k = 0; k < lists.size(); ++k) AppendCodePoint(form, lists[k][pick[k]]);
    // Every form is as long as the string, or longer: a very long string stops early.
    if (units + form.size() > kMaxVariantUnits) return false;
    units += form.size();
    out.push_back(std::move(form));
    size_t k = lists.size();
    while (k > 0) {
      --k;
      if (++pick[k] < lists[k].size()) break;
      pick[k] = 0;
      if (k == 0) return true;
    }
    if (lists.empty()) return true;
  }
}

int32_t CIndex::BuildHitPage(int32_t recordIndex, std::string& out, std::u16string_view keywords,
                             int32_t scope, bool variants) const {
  if (!variants) return m_files.RenderHitPage(recordIndex, out, keywords, scope);
  std::vector<std::u16string> forms;
  std::u16string joined;
  if (ExpandVariants(keywords, forms)) {
    for (size_t i = 0; i < forms.size(); ++i) {
      if (i) joined.push_back(u' ');
      joined += forms[i];
    }
  } else {
    // The whole string has too many forms (they multiply across keywords).
    // Forms of different keywords only combine, so expanding each keyword on
    // its own marks the same keywords. Every typed keyword is kept; variant
    // forms are added while the whole list stays within kMaxVariantForms, as
    // each form costs one pass over the page (a long string of many varied
    // keywords would otherwise take minutes).
    size_t added = 0;
    size_t i = 0;
    while (i < keywords.size()) {
      while (i < keywords.size() && (keywords[i] == u' ' || keywords[i] == u'\u3000')) ++i;
      size_t j = i;
      while (j < keywords.size() && keywords[j] != u' ' && keywords[j] != u'\u3000') ++j;
      if (j > i) {
        const std::u16string_view keyword = keywords.substr(i, j - i);
        ExpandVariants(keyword, forms);
        if (!joined.empty()) joined.push_back(u' ');
        joined += keyword;
        for (const auto& f : forms) {
          if (added >= kMaxVariantForms || joined.size() + f.size() > kMaxVariantUnits) break;
          joined.push_back(u' ');
          joined += f;
          ++added;
        }
      }
      i = j;
    }
  }
  return m_files.RenderHitPage(recordIndex, out, joined, scope);
}

}  // namespace tevarin
