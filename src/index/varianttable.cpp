// The variant-character table "yitizi.txt" and what the engine does with it.
//
// "yitizi.txt" is 8-bit text, one group per line (LF separated; a CR stays part
// of its line; empty lines make no group). A line holds the group's members as
// hexadecimal code points separated by commas; empty fields are skipped; a field
// is read after leading white space, with an optional "0x", up to the first
// non-hex character (no digits: 0). Group g (0-based, in file order) is searched
// under slot VariantSlotBase + g; a code point counts for the first group that
// holds it.
#include <algorithm>
#include <cstdio>

#include "text/codeconverter.h"
#include "index/index.h"

namespace tevarin {

namespace {

constexpr uint32_t kMaxCodePoint = 0x10FFFF;

void AppendCodePoint(std::u16string& s, uint32_t cp) {
  if (cp >= 0x10000 && cp <= 0x10FFFF) {
    cp -= 0x10000;
    s.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    s.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    s.push_back(static_cast<char16_t>(cp));
  }
}

int HexDigit(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') return (c | 0x20) - 'a' + 10;
  return -1;
}

bool IsSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Reads the table byte by byte in one pass, field by field, without holding
// the file or a line: the cost is linear in the file, whatever its shape.
// A field is read like a C hexadecimal conversion: leading white space, an
// optional "0x" when a hex digit follows it, then hex digits up to the first
// other byte (none: 0), the value saturating at UINT32_MAX.
class TableParser {
 public:
  explicit TableParser(VariantGroupList& groups) : m_groups(groups) {}

  void Feed(const unsigned char* p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
      const unsigned char c = p[i];
      if (c == '\n') {
        EndLine();
      } else if (c == ',') {
        StartLine();
        EndField();
      } else {
        StartLine();
        ++m_fieldLength;
        Field(c);
      }
    }
  }
  void Finish() { EndLine(); }

 private:
  enum State { kLead, kZero, kZeroX, kDigits, kDone };

  void StartLine() {
    if (m_inLine) return;
    m_inLine = true;
    m_groups.NewGroup();
  }
  void EndField() {
    if (m_fieldLength > 0) m_groups.Add(static_cast<uint32_t>(m_value));
    m_fieldLength = 0;
    m_value = 0;
    m_state = kLead;
  }
  void EndLine() {
    if (m_inLine) EndField();
    m_inLine = false;
    m_fieldLength = 0;
    m_value = 0;
    m_state = kLead;
  }
  void Digit(int d) {
    m_value = m_value * 16 + static_cast<uint64_t>(d);
    if (m_value > UINT32_MAX) m_value = UINT32_MAX;
  }
  void Field(unsigned char c) {
    const int d = HexDigit(c);
    switch (m_state) {
      case kLead:
        if (IsSpace(c)) return;
        if (c == '0') {
          m_state = kZero;  // a digit 0, or the start of "0x"
        } else if (d >= 0) {
          Digit(d);
          m_state = kDigits;
        } else {
          m_state = kDone;
        }
        return;
      case kZero:
        if (c == 'x' || c == 'X') {
          m_state = kZeroX;
        } else if (d >= 0) {
          Digit(d);
          m_state = kDigits;
        } else {
          m_state = kDone;
        }
        return;
      case kZeroX:
        // "0x" is a prefix only before a hex digit; else the field read "0".
        if (d >= 0) {
          Digit(d);
          m_state = kDigits;
        } else {
          m_state = kDone;
        }
        return;
      case kDigits:
        if (d >= 0)
          Digit(d);
        else
          m_state = kDone;
        return;
      case kDone:
        return;
    }
  }

  VariantGroupList& m_groups;
  bool m_inLine = false;
  size_t m_fieldLength = 0;
  uint64_t m_value = 0;
  State m_state = kLead;
};

}  // namespace

void CIndex::LoadVariantTable(const std::string& folder) {
  m_VariantGroups.clear();
  m_VariantOf = {};
  std::FILE* f = std::fopen((folder + "/yitizi.txt").c_str(), "rb");
  if (!f) return;
  TableParser parser(m_VariantGroups);
  std::vector<unsigned char> buffer(size_t(1) << 16);
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), f)) > 0) parser.Feed(buffer.data(), n);
  std::fclose(f);
  parser.Finish();

  // Every code point with its first group, found in one walk over the
  // groups: a code point's first sighting is its first group. Characters (up
  // to U+10FFFF) are told apart by a bit each; a member past them, which no
  // keyword holds but which FindVariantSlot can still be asked about, is
  // sorted out with the others like it. Group numbers are 32-bit; a table
  // with more groups would be gigabytes, and its later groups are never
  // looked up.
  const size_t groups = std::min<size_t>(m_VariantGroups.size(), UINT32_MAX);
  std::vector<bool> seen(kMaxCodePoint + 1, false);
  std::vector<VariantOf> first;
  std::vector<uint64_t> beyond;  // code point << 32 | group, for members past U+10FFFF
  for (size_t g = 0; g < groups; ++g)
    for (uint32_t cp : m_VariantGroups[g]) {
      if (cp > kMaxCodePoint) {
        beyond.push_back(uint64_t(cp) << 32 | g);
      } else if (!seen[cp]) {
        seen[cp] = true;
        first.push_back({cp, static_cast<uint32_t>(g)});
      }
    }
  std::sort(beyond.begin(), beyond.end());
  for (size_t i = 0; i < beyond.size(); ++i)
    if (i == 0 || beyond[i] >> 32 != beyond[i - 1] >> 32)
      first.push_back({static_cast<uint32_t>(beyond[i] >> 32), static_cast<uint32_t>(beyond[i])});
  std::sort(first.begin(), first.end(),
            [](const VariantOf& a, const VariantOf& b) { return a.codePoint < b.codePoint; });
  first.shrink_to_fit();
  m_VariantOf = std::move(first);
}

const CIndex::VariantOf* CIndex::FindVariantOf(uint32_t codePoint) const {
  const auto it = std::lower_bound(
      m_VariantOf.begin(), m_VariantOf.end(), codePoint,
      [](const VariantOf& v, uint32_t cp) { return v.codePoint < cp; });
  return it != m_VariantOf.end() && it->codePoint == codePoint ? &*it : nullptr;
}

bool CIndex::FindVariantSlot(uint32_t codePoint, int& slot) const {
  const VariantOf* v = FindVariantOf(codePoint);
  // Groups past the last slot cannot be searched: the index has no slot for them.
  if (!v || v->group >= static_cast<uint32_t>(kMaxVariantGroups)) return false;
  slot = VariantSlotBase + static_cast<int>(v->group);
  return true;
}

bool CIndex::ExpandVariants(std::u16string_view keywords, std::vector<std::u16string>& out) const {
  out.clear();
  if (keywords.empty()) return true;
  // Each character's list of forms: its first group's members, or itself.
  // The lists point into the table (a group can hold millions of members:
  // copying it for every character of a long keyword would cost gigabytes).
  std::vector<uint32_t> alone;  // the characters that stand alone
  alone.reserve(keywords.size());
  std::vector<std::span<const uint32_t>> lists;
  for (size_t i = 0; i < keywords.size();) {
    uint32_t cp = keywords[i];
    size_t units = 1;
    if (IsHighSurrogate(cp) && i + 1 < keywords.size() && IsLowSurrogate(keywords[i + 1])) {
      cp = CombineSurrogates(cp, keywords[i + 1]);
      units = 2;
    }
    const VariantOf* v = FindVariantOf(cp);
    if (v && !m_VariantGroups[v->group].empty()) {
      lists.push_back(m_VariantGroups[v->group]);
    } else {
      alone.push_back(cp);
      lists.push_back(std::span<const uint32_t>(&alone.back(), 1));
    }
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
  m_hitPageNote.clear();
  auto finish = [&](int32_t anchors) {
    const std::string& pageNote = m_files.RenderNote();
    if (!pageNote.empty()) {
      if (!m_hitPageNote.empty()) m_hitPageNote += "; ";
      m_hitPageNote += pageNote;
    }
    return anchors;
  };
  if (!variants) return finish(m_files.RenderHitPage(recordIndex, out, keywords, scope));
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
    bool cut = false;
    size_t i = 0;
    while (i < keywords.size()) {
      while (i < keywords.size() && (keywords[i] == u' ' || keywords[i] == u'\u3000')) ++i;
      size_t j = i;
      while (j < keywords.size() && keywords[j] != u' ' && keywords[j] != u'\u3000') ++j;
      if (j > i) {
        const std::u16string_view keyword = keywords.substr(i, j - i);
        if (!ExpandVariants(keyword, forms)) cut = true;
        if (!joined.empty()) joined.push_back(u' ');
        joined += keyword;
        for (const auto& f : forms) {
          if (added >= kMaxVariantForms || joined.size() + f.size() > kMaxVariantUnits) {
            cut = true;
            break;
          }
          joined.push_back(u' ');
          joined += f;
          ++added;
        }
      }
      i = j;
    }
    if (cut)
      m_hitPageNote = "not every variant form is marked: the keywords have more than " +
                      std::to_string(kMaxVariantForms) + " forms";
  }
  return finish(m_files.RenderHitPage(recordIndex, out, joined, scope));
}

}  // namespace tevarin
