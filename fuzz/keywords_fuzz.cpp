// Fuzz target: keyword strings (any UTF-16 units) against the small sound
// fixture collection, opened once.
// Input: [u8 flags][UTF-16LE keyword string: the rest].
//   flags bit 0: variants; bit 1: count hits; bits 2..3: hit-page scope.
// SearchAnd and SearchOr must leave a consistent hit list, change the string
// only by turning separating spaces into U+3000 (nothing for a rejected
// string), and, for strings without "*", find exactly the pages and matches
// that a direct scan of the fixture's page texts finds. BuildHitPage, with and
// without variants, must number its anchors 0000, 0001, ... once each, and
// on every page a counting search lists it must write exactly as many anchors
// as the search counted there ("*" keywords included).
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/robust_collection.h"
#include "fuzzsupport.h"
#include "index/index.h"

using namespace tevarin;

namespace {

using Hits = std::map<uint32_t, uint32_t>;  // record -> matches

// The whole-text sequence of indexed characters of each fixture page.
const std::vector<std::vector<uint32_t>>& PageTexts() {
  static const std::vector<std::vector<uint32_t>> texts = [] {
    std::vector<std::vector<uint32_t>> out;
    for (const auto& p : robust::FixturePages()) {
      std::vector<uint32_t> seq;
      for (uint32_t cp : robust::detail::CodePoints(p.body + p.note))
        if (CharToSlot(cp) >= 0) seq.push_back(cp);
      out.push_back(std::move(seq));
    }
    return out;
  }();
  return texts;
}

int GroupOf(uint32_t cp) {
  const auto& groups = robust::FixtureGroups();
  for (size_t g = 0; g < groups.size(); ++g)
    if (std::find(groups[g].begin(), groups[g].end(), cp) != groups[g].end()) return static_cast<int>(g);
  return -1;
}

bool SlotHasPostings(const CIndex& index, uint32_t cp, bool variants) {
  int slot = CharToSlot(cp);
  if (variants && GroupOf(cp) >= 0) slot = kVariantSlotBase + GroupOf(cp);
  return index.Postings().HasPostings(slot);
}

// Pages and match counts of one keyword without "*", by scanning the texts.
Hits ScanKeyword(const CIndex& index, std::u16string_view keyword, bool variants) {
  struct Term {
    uint32_t cp;
    int64_t at;
  };
  std::vector<Term> terms;
  int64_t counter = 0;
  for (size_t i = 0; i < keyword.size(); ++i) {
    uint32_t c = keyword[i];
    if (c == u'?' || c == u'\uFF1F') {
      ++counter;
      continue;
    }
    if (IsHighSurrogate(c) && i + 1 < keyword.size() && IsLowSurrogate(keyword[i + 1]))
      c = CombineSurrogates(c, keyword[++i]);
    if (CharToSlot(c) < 0) continue;  // dropped before the search
    if (!SlotHasPostings(index, c, variants)) return {};
    terms.push_back({c, counter++});
  }
  Hits hits;
  if (terms.empty()) return hits;
  const auto& texts = PageTexts();
  for (uint32_t r = 0; r < texts.size(); ++r) {
    const auto& s = texts[r];
    uint32_t n = 0;
    for (int64_t q = 0; q < static_cast<int64_t>(s.size()); ++q) {
      bool all = true;
      for (const Term& t : terms) {
        const int64_t at = q + (t.at - terms[0].at);
        if (at < 0 || at >= static_cast<int64_t>(s.size())) {
          all = false;
          break;
        }
        const uint32_t c = s[static_cast<size_t>(at)];
        const bool same = c == t.cp || (variants && GroupOf(t.cp) >= 0 && GroupOf(c) == GroupOf(t.cp));
        if (!same) {
          all = false;
          break;
        }
      }
      if (all) ++n;
    }
    if (n) hits[r] = n;
  }
  return hits;
}

void CheckHitList(const CIndex& index, bool countHits) {
  const auto& pages = index.GetHitPages();
  FUZZ_CHECK(index.GetHitPageCount() == static_cast<int32_t>(pages.size()));
  if (countHits) FUZZ_CHECK(index.GetHitCounts().size() == pages.size());
  else FUZZ_CHECK(index.GetHitCounts().empty());
  for (uint32_t p : pages) FUZZ_CHECK(p < PageTexts().size());
  std::vector<uint32_t> sorted(pages);
  std::sort(sorted.begin(), sorted.end());
  FUZZ_CHECK(std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end());
}

// Anchors "<a name="NNNN"></a>" of a hit page: numbered 0..n-1, once each.
void CheckAnchors(const std::string& page, int32_t anchors) {
  std::vector<int> seen;
  size_t at = 0;
  while ((at = page.find("<a name=\"", at)) != std::string::npos) {
    at += 9;
    int n = 0;
    while (at < page.size() && page[at] >= '0' && page[at] <= '9') n = n * 10 + (page[at++] - '0');
    seen.push_back(n);
  }
  FUZZ_CHECK(static_cast<int32_t>(seen.size()) == anchors);
  std::sort(seen.begin(), seen.end());
  for (size_t i = 0; i < seen.size(); ++i) FUZZ_CHECK(seen[i] == static_cast<int>(i));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static CIndex* index = [] {
    const std::string dir = ScratchDir() + "/collection";
    std::filesystem::create_directories(dir);
    FUZZ_CHECK(robust::WriteCollection(dir));
    auto* idx = new CIndex;
    FUZZ_CHECK(idx->Open(dir, "Index", IndexPart::FullText));
    return idx;
  }();

  FuzzInput in(data, size);
  const uint8_t flags = in.U8();
  const bool variants = flags & 1, countHits = flags & 2;
  const int32_t scope = (flags >> 2) % 3;
  const std::u16string keywords = FuzzInput::Units(in.Rest());

  // The string as the engine sees it: up to its first NUL.
  const std::u16string text = keywords.substr(0, std::min(keywords.find(u'\0'), keywords.size()));
  const bool accepted = CIndex::AcceptsKeywords(text);
  std::u16string expectChanged = keywords;
  if (accepted)
    for (size_t i = 0; i < text.size(); ++i)
      if (expectChanged[i] == u' ') expectChanged[i] = u'\u3000';

  // The scan's answer, for strings without "*": And intersects, Or unites.
  std::vector<Hits> perKeyword;
  const bool scannable = text.find(u'*') == std::u16string::npos;
  for (size_t i = 0; i < text.size();) {
    size_t j = text.find(u' ', i);
    if (j == std::u16string::npos) j = text.size();
    if (j > i && scannable) perKeyword.push_back(ScanKeyword(*index, std::u16string_view(text).substr(i, j - i), variants));
    i = j + 1;
  }

  for (int op = 0; op < 2; ++op) {
    // A known hit list before, to see that a rejected string leaves it alone.
    std::u16string probe = u"之";
    index->SearchAnd(probe, true, false);
    const std::vector<uint32_t> before = index->GetHitPages();

    std::u16string k = keywords;
    if (op == 0)
      index->SearchAnd(k, countHits, variants);
    else
      index->SearchOr(k, countHits, variants);
    FUZZ_CHECK(k == expectChanged);
    // The hit page of each listed page marks the hits counted there. (The
    // search splits keywords at spaces only, the hit page at the ideographic
    // spaces the search wrote back too; the form turns typed ideographic
    // spaces into spaces, so only a string without them reaches both.)
    if (accepted && countHits && text.find(u'\u3000') == std::u16string::npos) {
      const std::vector<uint32_t> listed = index->GetHitPages();
      const std::vector<uint32_t> counts = index->GetHitCounts();
      for (size_t i = 0; i < listed.size(); ++i) {
        std::string out;
        const int32_t anchors = index->BuildHitPage(static_cast<int32_t>(listed[i]), out, k, 0, variants);
        // (Past the page's size or work bound some keywords are left
        // unmarked, and the note says so.)
        if (index->HitPageNote().empty())
          FUZZ_CHECK(anchors == static_cast<int32_t>(counts[i]));
        else
          FUZZ_CHECK(anchors <= static_cast<int32_t>(counts[i]));
        CheckAnchors(out, anchors);
      }
    }
    if (!accepted) {
      FUZZ_CHECK(index->GetHitPages() == before);
      FUZZ_CHECK(index->LastOutcome() == SearchOutcome::kRejected);
      continue;
    }
    CheckHitList(*index, countHits);
    // The outcome says whether the hit list holds pages, and nothing else
    // stops a search of the open fixture.
    const SearchOutcome outcome = index->LastOutcome();
    FUZZ_CHECK((outcome == SearchOutcome::kHits) == (index->GetHitPageCount() > 0));
    FUZZ_CHECK(outcome == SearchOutcome::kHits || outcome == SearchOutcome::kNoHits ||
               outcome == SearchOutcome::kNoPostings);
    if (!scannable) continue;

    std::vector<std::pair<uint32_t, uint32_t>> expect;  // in hit-list order
    if (op == 0) {
      Hits all = perKeyword.empty() ? Hits{} : perKeyword[0];
      for (size_t w = 1; w < perKeyword.size(); ++w) {
        Hits next;
        for (const auto& [r, c] : all)
          if (perKeyword[w].count(r)) next[r] = c + perKeyword[w].at(r);
        all = next;
      }
      expect.assign(all.begin(), all.end());
    } else {
      for (const Hits& h : perKeyword)
        for (const auto& entry : h) {
          const uint32_t r = entry.first;
          auto it = std::find_if(expect.begin(), expect.end(), [r](const auto& e) { return e.first == r; });
          if (it == expect.end()) expect.push_back(entry);
          else it->second += entry.second;
        }
    }
    const auto& pages = index->GetHitPages();
    FUZZ_CHECK(pages.size() == expect.size());
    for (size_t i = 0; i < expect.size(); ++i) {
      FUZZ_CHECK(pages[i] == expect[i].first);
      if (countHits) FUZZ_CHECK(index->GetHitCounts()[i] == expect[i].second);
    }
  }

  // A search cancelled before it starts: no hits, told apart from none, the
  // string changed as by any search.
  if (accepted) {
    std::atomic<bool> cancel{true};
    index->SetCancelFlag(&cancel);
    std::u16string k = keywords;
    FUZZ_CHECK(index->SearchOr(k, countHits, variants) == 0);
    FUZZ_CHECK(index->Cancelled() && index->GetHitPages().empty() && index->GetHitPageCount() == 0);
    FUZZ_CHECK(index->LastOutcome() == SearchOutcome::kCancelled);
    FUZZ_CHECK(k == expectChanged);
    index->SetCancelFlag(nullptr);
  }

  // Hit pages of any page and scope: marks go into the text only, whatever
  // the keywords (letters and "<" included), so the anchors counted are the
  // anchors in the page.
  for (int32_t record : {0, 2, 5, 7, 8, -1}) {
    for (bool v : {false, variants}) {
      std::string out;
      const int32_t anchors = index->BuildHitPage(record, out, keywords, scope, v);
      FUZZ_CHECK(anchors >= 0);
      if (record < 0 || record >= 8) {
        FUZZ_CHECK(anchors == 0 && out.empty());
        continue;
      }
      CheckAnchors(out, anchors);
    }
  }
  return 0;
}
