// HitList: how one keyword's pages merge into the hit list, directly and
// through "or" searches of many keywords, which merge each keyword in one
// walk: the list comes out as merging the keywords one at a time in order
// gives it.
#include "index/hitlist.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "support/search_fixture.h"

namespace tevarin {

namespace {

using Hits = std::vector<std::pair<uint32_t, uint32_t>>;

Hits HitsOf(const HitList& list) {
  Hits out;
  for (size_t i = 0; i < list.Pages().size(); ++i)
    out.emplace_back(list.Pages()[i], i < list.Counts().size() ? list.Counts()[i] : 0);
  return out;
}

TEST(HitList, MergesByMode) {
  const struct {
    const char* what;
    std::vector<std::pair<CombineMode, Hits>> steps;
    Hits expect;
  } cases[] = {
      {"replace",
       {{CombineMode::Union, {{1, 1}}}, {CombineMode::Replace, {{2, 5}, {4, 1}}}},
       {{2, 5}, {4, 1}}},
      {"union appends new pages in the step's order and adds to listed ones",
       {{CombineMode::Union, {{5, 1}, {9, 1}}}, {CombineMode::Union, {{1, 2}, {5, 3}, {7, 1}}}},
       {{5, 4}, {9, 1}, {1, 2}, {7, 1}}},
      {"intersect keeps the step's pages the list holds, ascending, counts summed",
       {{CombineMode::Union, {{5, 1}, {9, 1}}},
        {CombineMode::Union, {{1, 2}, {7, 1}}},
        {CombineMode::Intersect, {{1, 1}, {2, 1}, {9, 4}}}},
       {{1, 3}, {9, 5}}},
      {"intersect with nothing in common empties the list",
       {{CombineMode::Replace, {{3, 1}}}, {CombineMode::Intersect, {{4, 1}}}},
       {}},
      {"an empty step", {{CombineMode::Replace, {{3, 1}}}, {CombineMode::Union, {}}}, {{3, 1}}},
  };
  for (const auto& c : cases) {
    HitList list;
    for (const auto& [mode, hits] : c.steps) {
      StepHits step;
      for (const auto& [page, count] : hits) {
        step.pages.push_back(page);
        step.counts.push_back(count);
      }
      list.Merge(mode, true, step);
    }
    EXPECT_EQ(HitsOf(list), c.expect) << c.what;
    EXPECT_EQ(list.PageCount(), static_cast<int32_t>(c.expect.size())) << c.what;
  }
  // Without counting, the list keeps pages only.
  HitList list;
  StepHits step{{2, 4}, {}};
  list.Merge(CombineMode::Union, false, step);
  EXPECT_EQ(list.Pages(), (std::vector<uint32_t>{2, 4}));
  EXPECT_TRUE(list.Counts().empty());
  list.Clear();
  EXPECT_EQ(list.PageCount(), 0);
  EXPECT_TRUE(list.Pages().empty());
}

uint32_t Occurrences(const std::u16string& text, const std::u16string& keyword) {
  uint32_t n = 0;
  for (size_t at = text.find(keyword); at != std::u16string::npos; at = text.find(keyword, at + 1))
    ++n;
  return n;
}

// The hit list of an "or" search built keyword by keyword: pages already
// listed get the keyword's count added, new ones are appended in page order.
Hits OrOneByOne(const std::vector<std::u16string>& texts,
                const std::vector<std::u16string>& keywords) {
  Hits hits;
  std::map<uint32_t, size_t> place;
  for (const auto& k : keywords)
    for (uint32_t p = 0; p < texts.size(); ++p) {
      const uint32_t n = Occurrences(texts[p], k);
      if (n == 0) continue;
      const auto it = place.find(p);
      if (it != place.end()) {
        hits[it->second].second += n;
      } else {
        place.emplace(p, hits.size());
        hits.emplace_back(p, n);
      }
    }
  return hits;
}

std::u16string Joined(const std::vector<std::u16string>& keywords) {
  std::u16string s;
  for (const auto& k : keywords) s += (s.empty() ? u"" : u" ") + k;
  return s;
}

TEST(HitList, ManyKeywordsOfAnOrSearchMergeAsOneAtATime) {
  // 300 pages over 40 characters; an "or" of every character (and some
  // pairs, and one keyword twice).
  std::u16string alphabet;
  for (char16_t c = u'\u4E00'; alphabet.size() < 40; c += 3) alphabet.push_back(c);
  std::mt19937 random(7);
  std::vector<std::u16string> texts;
  for (int p = 0; p < 300; ++p) {
    std::u16string t;
    for (size_t n = 1 + random() % 12; n > 0; --n)
      t.push_back(alphabet[random() % alphabet.size()]);
    texts.push_back(t);
  }
  SearchFixture f;
  f.Build(texts);

  std::vector<std::u16string> keywords;
  for (int i = 39; i >= 0; --i) keywords.push_back(alphabet.substr(static_cast<size_t>(i), 1));
  for (int i = 0; i < 40; i += 7) keywords.push_back(alphabet.substr(static_cast<size_t>(i), 2));
  keywords.push_back(alphabet.substr(5, 1));
  const Hits expect = OrOneByOne(texts, keywords);
  EXPECT_EQ(f.Or(Joined(keywords)), expect);
  EXPECT_EQ(f.index.GetHitPageCount(), static_cast<int32_t>(expect.size()));

  // An "and" step on that list (out of page order): the step's pages it
  // holds, ascending, counts summed.
  const std::u16string k = alphabet.substr(3, 1);
  Hits narrowed;
  for (uint32_t p = 0; p < texts.size(); ++p)
    for (const auto& [page, count] : expect)
      if (page == p && Occurrences(texts[p], k))
        narrowed.emplace_back(p, count + Occurrences(texts[p], k));
  f.index.SearchKeyword(k, CombineMode::Intersect, true, false);
  EXPECT_EQ(f.Hits(), narrowed);
  // An "or" step after it merges into the new list.
  f.index.SearchKeyword(alphabet.substr(0, 1), CombineMode::Union, true, false);
  Hits widened = narrowed;
  for (uint32_t p = 0; p < texts.size(); ++p) {
    const uint32_t n = Occurrences(texts[p], alphabet.substr(0, 1));
    if (!n) continue;
    bool listed = false;
    for (auto& [page, count] : widened)
      if (page == p) {
        count += n;
        listed = true;
      }
    if (!listed) widened.emplace_back(p, n);
  }
  EXPECT_EQ(f.Hits(), widened);
}

}  // namespace

}  // namespace tevarin
