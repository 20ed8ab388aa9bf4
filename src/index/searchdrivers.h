// Search drivers: which pages of the postings a keyword is examined on.
//
// The pages all terms occur on are found first, and each is examined by the
// keyword's matcher (index/matchers.h) with every term set on that page.
//
//   CollectSingleList   one decoded term and no filter: every page of its
//                       entries, counted by its number of positions.
//   DecodedIntersection every term decoded: the page arrays are intersected,
//                       one per distinct slot, the shortest first (the hit
//                       list first when it filters), then each shared page
//                       is examined; a two-character phrase is counted by a
//                       merge of the two entries' positions.
//   RunPageLoop         some term walked: the term with the fewest page
//                       entries leads, its page is the candidate, the others
//                       (fewest entries first) move to it, and the first that
//                       passes it moves the leader on. A page is examined
//                       when every term stands on it.
//   CompanionIntersection every term from the companion file: the slots
//                       with a bitmap are intersected a word at a time, the
//                       others narrow the candidates block by block (a list
//                       much longer than the candidates is probed through
//                       its skip table, decoding only the blocks that may
//                       hold them); each shared page is then examined as
//                       above, with only its entries' positions read.
// Either way the examined pages are the pages all terms share, in ascending
// order. A page is examined only when each slot that stands more than once
// in the keyword has at least as many positions there.
//
// The drivers look at the cancellation flag every few hundred pages and
// answer false when they stopped for it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "index/hitlist.h"
#include "index/keyword.h"
#include "index/matchers.h"
#include "index/pageintersection.h"
#include "index/slotentries.h"

namespace tevarin {

// The pages an "and" keyword may keep: those of the hit list, ascending.
// An inactive filter keeps every page.
struct PageFilter {
  bool active = false;
  const uint32_t* begin = nullptr;
  const uint32_t* end = nullptr;
};

void CollectSingleList(const SlotEntries& entries, bool countHits, StepHits& step);

class CompanionList;

enum class DriverOutcome {
  kDone,
  kCancelled,
  kDamaged,  // a companion list failed a check: nothing of the keyword is kept
};

class CompanionIntersection {
 public:
  // lists: the companion list of each distinct slot of the keyword, in the
  // order of keyword.listTerm.
  DriverOutcome Run(const CompiledKeyword& keyword, const std::vector<CompanionList*>& lists,
                    PageTerms& terms, KeywordMatcher& matcher, const PageFilter& filter,
                    bool countHits, StepHits& step, const std::atomic<bool>* cancel);

 private:
  std::vector<uint32_t> m_candidates;
  std::vector<uint64_t> m_words;  // the bitmaps' intersection
  std::vector<uint32_t> m_entry;  // per list, its entry of the page examined
  std::vector<uint32_t> m_block;  // per list, the block whose first indexes were made sure of last
  std::vector<uint32_t> m_hint;   // per list without a bitmap, where the last entry was found
  std::vector<char> m_done;
};

class DecodedIntersection {
 public:
  bool Run(const CompiledKeyword& keyword, PageTerms& terms, KeywordMatcher& matcher,
           const PageFilter& filter, bool countHits, StepHits& step,
           const std::atomic<bool>* cancel);

 private:
  PageIntersection m_shared;  // pages all terms of a keyword hold
  // For each distinct slot of a keyword, where each shared page stands in
  // its entries (when the intersection has not noted it itself).
  std::vector<std::vector<uint32_t>> m_located;
};

// order: the terms, the one with the fewest page entries first.
bool RunPageLoop(const CompiledKeyword& keyword, PageTerms& terms, KeywordMatcher& matcher,
                 const std::vector<int>& order, PageFilter filter,
                 const std::atomic<bool>* cancel);

}  // namespace tevarin
