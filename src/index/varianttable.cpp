#include "index/varianttable.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <span>

#include "index/indexformat.h"
#include "index/variantformat.h"
#include "text/codeconverter.h"

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

}  // namespace

Status VariantTable::Load(const std::string& folder) {
  Clear();
  const std::string path = folder + "/" + kVariantTableName;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return Status::FromErrno(errno, "cannot open", path);
  VariantTableParser parser(m_groups);
  std::vector<unsigned char> buffer(size_t(1) << 16);
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), f)) > 0) parser.Feed(buffer.data(), n);
  const bool readError = std::ferror(f) != 0;
  std::fclose(f);
  parser.Finish();
  BuildFirstGroups();
  return readError ? Status::Io("cannot read " + path) : Status::Ok();
}

void VariantTable::Clear() {
  m_groups.clear();
  m_firstGroups = {};
}

void VariantTable::BuildFirstGroups() {
  // Every code point with its first group, found in one walk over the
  // groups: a code point's first sighting is its first group. Characters (up
  // to U+10FFFF) are told apart by a bit each; a member past them, which no
  // keyword holds but which FindSlot can still be asked about, is
  // sorted out with the others like it. Group numbers are 32-bit; a table
  // with more groups would be gigabytes, and its later groups are never
  // looked up.
  const size_t groups = std::min<size_t>(m_groups.size(), UINT32_MAX);
  std::vector<bool> seen(kMaxCodePoint + 1, false);
  std::vector<FirstGroup> first;
  std::vector<uint64_t> beyond;  // code point << 32 | group, for members past U+10FFFF
  for (size_t g = 0; g < groups; ++g)
    for (uint32_t cp : m_groups[g]) {
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
            [](const FirstGroup& a, const FirstGroup& b) { return a.codePoint < b.codePoint; });
  first.shrink_to_fit();
  m_firstGroups = std::move(first);
}

const VariantTable::FirstGroup* VariantTable::FindFirstGroup(uint32_t codePoint) const {
  const auto it =
      std::lower_bound(m_firstGroups.begin(), m_firstGroups.end(), codePoint,
                       [](const FirstGroup& v, uint32_t cp) { return v.codePoint < cp; });
  return it != m_firstGroups.end() && it->codePoint == codePoint ? &*it : nullptr;
}

bool VariantTable::FindSlot(uint32_t codePoint, int& slot) const {
  const FirstGroup* v = FindFirstGroup(codePoint);
  // Groups past the last slot cannot be searched: the index has no slot for them.
  if (!v || v->group >= static_cast<uint32_t>(kMaxVariantGroups)) return false;
  slot = kVariantSlotBase + static_cast<int>(v->group);
  return true;
}

bool VariantTable::Expand(std::u16string_view keywords, std::vector<std::u16string>& out) const {
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
    const FirstGroup* v = FindFirstGroup(cp);
    if (v && !m_groups[v->group].empty()) {
      lists.push_back(m_groups[v->group]);
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
    if (out.size() >= kMaxForms) return false;
    std::u16string form;
    form.reserve(keywords.size() + 4);
    for (size_t k = 0; k < lists.size(); ++k) AppendCodePoint(form, lists[k][pick[k]]);
    // Every form is as long as the string, or longer: a very long string stops early.
    if (units + form.size() > kMaxUnits) return false;
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

}  // namespace tevarin
