#include "index/keyword.h"

#include <algorithm>
#include <cassert>

#include "index/charslot.h"
#include "index/varianttable.h"
#include "text/codeconverter.h"

namespace tevarin {

bool AcceptsKeywordString(std::u16string_view s) {
  s = s.substr(0, TerminatedLength(s));
  bool any = false;
  for (char16_t c : s) {
    if (c >= 0x01 && c <= 0xFF && c != u' ' && c != u'*' && c != u'?') return false;
    if (!IsKeywordSeparator(c)) any = true;
  }
  return any;
}

size_t TerminatedLength(std::u16string_view s) {
  const size_t nul = s.find(u'\0');
  return nul == std::u16string_view::npos ? s.size() : nul;
}

std::u16string NormalisePattern(std::u16string_view keyword) {
  std::u16string collapsed;
  collapsed.reserve(keyword.size() + 1);
  size_t i = 0;
  while (i < keyword.size() && keyword[i] == u'*') ++i;
  for (; i < keyword.size(); ++i) {
    if (keyword[i] == u'*' && !collapsed.empty() && collapsed.back() == u'*') continue;
    collapsed.push_back(keyword[i]);
  }
  if (!collapsed.empty() && collapsed.back() != u'*') collapsed.push_back(u'*');

  std::u16string out;
  out.reserve(collapsed.size());
  for (size_t k = 0; k < collapsed.size();) {
    const char16_t c = collapsed[k];
    if (c == u'*' || c == u'?' || c == kFullWidthQuestion) {
      out.push_back(c);
      ++k;
    } else if (IsHighSurrogate(c) && k + 1 < collapsed.size() && IsLowSurrogate(collapsed[k + 1])) {
      if (CharToSlot(CombineSurrogates(c, collapsed[k + 1])) >= 0) out.append(collapsed, k, 2);
      k += 2;
    } else {
      if (CharToSlot(c) >= 0) out.push_back(c);
      ++k;
    }
  }
  return out;
}

CompiledKeyword CompileKeyword(std::u16string_view keyword, const VariantTable* variants) {
  const std::u16string pattern = NormalisePattern(keyword);
  CompiledKeyword k;
  k.terms.reserve(pattern.size());
  int64_t counter = 0;
  KeywordSegment current{0, 0};
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char16_t c = pattern[i];
    if (c == u'*') {
      if (current.count > 0) k.segments.push_back(current);
      current = KeywordSegment{static_cast<int>(k.terms.size()), 0};
      continue;
    }
    if (c == u'?' || c == kFullWidthQuestion) {
      ++counter;
      continue;
    }
    uint32_t cp = c;
    if (IsHighSurrogate(c) && i + 1 < pattern.size() && IsLowSurrogate(pattern[i + 1]))
      cp = CombineSurrogates(c, pattern[++i]);
    int slot = CharToSlot(cp);
    if (variants) variants->FindSlot(cp, slot);
    k.terms.push_back(KeywordTerm{slot, counter++});
    ++current.count;
  }
  k.length = counter;
  assert(k.segments.empty() == k.terms.empty());  // the pattern ends in "*"

  // One list per distinct slot (a keyword repeating a character a thousand
  // times has one list, not a thousand).
  const int termCount = k.TermCount();
  k.listOf.assign(static_cast<size_t>(termCount), 0);
  std::vector<std::pair<int, int>> bySlot;  // (slot, term)
  bySlot.reserve(static_cast<size_t>(termCount));
  for (int t = 0; t < termCount; ++t) bySlot.emplace_back(k.terms[static_cast<size_t>(t)].slot, t);
  std::sort(bySlot.begin(), bySlot.end());
  for (size_t i = 0; i < bySlot.size(); ++i) {
    if (i == 0 || bySlot[i].first != bySlot[i - 1].first) k.listTerm.push_back(bySlot[i].second);
    k.listOf[static_cast<size_t>(bySlot[i].second)] = static_cast<int>(k.listTerm.size()) - 1;
  }
  // The terms of one match stand at distinct positions of the page (in
  // pattern order they only ascend), so a page can match only when each slot
  // has at least as many positions there as the keyword has terms of it.
  std::vector<uint32_t> termsOf(k.listTerm.size(), 0);
  for (int l : k.listOf) ++termsOf[static_cast<size_t>(l)];
  for (size_t l = 0; l < termsOf.size(); ++l)
    if (termsOf[l] > 1) k.repeated.emplace_back(static_cast<int>(l), termsOf[l]);
  return k;
}

}  // namespace tevarin
