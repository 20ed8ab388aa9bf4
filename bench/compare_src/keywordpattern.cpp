#include "keywordpattern.h"

#include <algorithm>

#include "comparetools.h"
#include "index/charslot.h"
#include "index/index.h"

using namespace tevarin;

void VariantForms::Build(const CIndex& index) {
  m_slotOf.clear();
  m_members.clear();
  for (const auto& group : index.VariantGroups())
    for (uint32_t cp : group) {
      int slot = -1;
      if (CharToSlot(cp) < 0 || !index.FindVariantSlot(cp, slot) || m_slotOf.count(cp)) continue;
      m_slotOf.emplace(cp, slot);
      m_members[slot].push_back(cp);
    }
}

std::vector<uint32_t> VariantForms::FormsOf(uint32_t cp, bool variants) const {
  std::vector<uint32_t> out{cp};
  if (!variants) return out;
  const auto it = m_slotOf.find(cp);
  if (it == m_slotOf.end()) return out;
  for (uint32_t m : m_members.at(it->second))
    if (m != cp) out.push_back(m);
  return out;
}

KeywordPattern ParseKeyword(const std::vector<uint32_t>& keyword, bool variants, const VariantForms& forms) {
  // Stars: leading ones dropped, runs collapsed, one closing star.
  std::vector<uint32_t> p;
  size_t i = 0;
  while (i < keyword.size() && keyword[i] == '*') ++i;
  for (; i < keyword.size(); ++i) {
    if (keyword[i] == '*' && !p.empty() && p.back() == '*') continue;
    p.push_back(keyword[i]);
  }
  if (!p.empty() && p.back() != '*') p.push_back('*');
  KeywordPattern out;
  PatternSegment current;
  int counter = 0;
  for (uint32_t c : p) {
    if (c == '*') {
      if (!current.terms.empty()) out.segments.push_back(std::move(current));
      current = PatternSegment();
      continue;
    }
    if (c == '?' || c == 0xFF1F) {
      ++counter;
      continue;
    }
    if (CharToSlot(c) < 0) continue;  // removed before the search
    current.terms.push_back(PatternTerm{counter++, forms.FormsOf(c, variants)});
  }
  return out;
}

std::vector<LiteralRun> KeywordPattern::Runs() const {
  std::vector<LiteralRun> runs;
  for (int s = 0; s < static_cast<int>(segments.size()); ++s) {
    const auto& terms = segments[s].terms;
    for (int k = 0; k < static_cast<int>(terms.size()); ++k) {
      if (k > 0 && terms[k].pos == terms[k - 1].pos + 1)
        ++runs.back().count;
      else
        runs.push_back(LiteralRun{s, k, 1});
    }
  }
  return runs;
}

bool KeywordPattern::HasAlternatives() const {
  for (const auto& seg : segments)
    for (const auto& t : seg.terms)
      if (t.forms.size() > 1) return true;
  return false;
}

int KeywordPattern::MaxSpan() const {
  if (segments.empty()) return 0;
  return segments.back().terms.back().pos - segments.front().terms.front().pos +
         kStarGap * static_cast<int>(segments.size() - 1);
}

namespace {

bool TermAt(const PatternTerm& t, uint32_t c) {
  return std::find(t.forms.begin(), t.forms.end(), c) != t.forms.end();
}

}  // namespace

bool KeywordPattern::Matches(const uint32_t* text, size_t n) const {
  if (segments.empty()) return false;
  // Starts of every occurrence of each segment.
  std::vector<std::vector<size_t>> occ(segments.size());
  for (size_t s = 0; s < segments.size(); ++s) {
    const auto& terms = segments[s].terms;
    const size_t width = static_cast<size_t>(terms.back().pos - terms.front().pos) + 1;
    if (width > n) return false;
    for (size_t start = 0; start + width <= n; ++start) {
      bool all = true;
      for (const auto& t : terms)
        if (!TermAt(t, text[start + static_cast<size_t>(t.pos - terms.front().pos)])) {
          all = false;
          break;
        }
      if (all) occ[s].push_back(start);
    }
    if (occ[s].empty()) return false;
  }
  // From the last segment back, keep the occurrences that an occurrence of
  // the next segment follows within the gap.
  for (size_t s = segments.size() - 1; s-- > 0;) {
    const auto& terms = segments[s].terms;
    const size_t lastOffset = static_cast<size_t>(terms.back().pos - terms.front().pos);
    const size_t need = static_cast<size_t>(segments[s + 1].terms.front().pos - terms.back().pos);
    std::vector<size_t> kept;
    for (size_t start : occ[s]) {
      const size_t lo = start + lastOffset + need;  // earliest start of the next segment
      const auto it = std::lower_bound(occ[s + 1].begin(), occ[s + 1].end(), lo);
      if (it != occ[s + 1].end() && *it - lo <= static_cast<size_t>(kStarGap)) kept.push_back(start);
    }
    if (kept.empty()) return false;
    occ[s].swap(kept);
  }
  return true;
}

std::vector<std::vector<uint32_t>> SplitKeywords(std::string_view utf8) {
  std::vector<std::vector<uint32_t>> out;
  for (const std::string& part : SplitString(utf8, ' ')) {
    if (part.empty()) continue;
    out.emplace_back();
    DecodeUtf8(part, out.back());
  }
  return out;
}
