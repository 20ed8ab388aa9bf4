#include "index/index.h"

#include "index/keyword.h"

namespace tevarin {

CIndex::~CIndex() { Close(); }

Status CIndex::Fail(Status why) {
  Close();
  m_status = why;
  return why;
}

Status CIndex::Open(const std::string& folder, const std::string& baseName, IndexPart part) {
  Close();
  m_status = Status::Ok();
  if (!IsIndexPart(part))
    return Fail(Status::Invalid("unknown index part " + std::to_string(static_cast<int>(part))));
  // A missing or unreadable table is no failure: searches with variants then
  // find only the characters typed.
  (void)m_variants.Load(folder);
  m_folder = folder;
  m_baseName = baseName;
  m_hits.Clear();
  if (Status s = OpenPart(part); !s) return Fail(s);
  if (Status s = m_files.Open(folder, baseName); !s) return Fail(s);
  return m_status;
}

Status CIndex::SelectPart(IndexPart part) {
  ClosePart();
  m_hits.Clear();
  if (!m_files.IsOpen())
    m_status = Status::Invalid("the collection is not open");
  else if (!IsIndexPart(part))
    m_status = Status::Invalid("unknown index part " + std::to_string(static_cast<int>(part)));
  else
    m_status = OpenPart(part);
  return m_status;
}

Status CIndex::OpenPart(IndexPart part) {
  m_indexPath = m_folder + "/" + IndexFileName(m_baseName, part);
  if (Status s = m_postings.Open(m_indexPath); !s) return s;
  OpenCompanion();
  return Status::Ok();
}

void CIndex::OpenCompanion() {
  CloseCompanion();
  if (!m_useCompanion || !m_postings.IsOpen()) return;
  m_companionStatus = m_companion.Open(m_indexPath, m_postings);
  if (!m_companionStatus) ReportCompanionProblem(CompanionIgnoredLine(m_companionStatus));
}

void CIndex::CloseCompanion() {
  // The lists point into the companion's mapping.
  m_search.ClearCompanionLists();
  m_companion.Close();
  m_companionStatus = Status::NotFound(m_useCompanion ? "no index is open" : "the companion is not used");
}

void CIndex::UseCompanion(bool use) {
  m_useCompanion = use;
  if (use && m_postings.IsOpen())
    OpenCompanion();
  else
    CloseCompanion();
}

void CIndex::ClosePart() {
  CloseCompanion();
  m_postings.Close();
  m_search.DecodedCache().Clear();
}

void CIndex::Close() {
  ClosePart();
  m_files.Close();
}

bool CIndex::AcceptsKeywords(std::u16string_view keywords) {
  return AcceptsKeywordString(keywords);
}

SearchOutcome CIndex::FinalOutcome(bool noPostings) const {
  if (m_hits.PageCount() > 0) return SearchOutcome::kHits;
  return noPostings ? SearchOutcome::kNoPostings : SearchOutcome::kNoHits;
}

int32_t CIndex::SearchOne(std::u16string_view keyword, CombineMode mode, bool countHits,
                          bool variants, bool& noPostings) {
  const SearchOutcome outcome =
      m_search.Run(m_postings, m_companion.IsOpen() ? &m_companion : nullptr,
                   variants ? &m_variants : nullptr, keyword, mode, countHits, m_hits);
  switch (outcome) {
    case SearchOutcome::kCancelled:
    case SearchOutcome::kClosed:
      m_outcome = outcome;
      return 0;
    case SearchOutcome::kNoPostings:
      noPostings = true;
      return 0;
    case SearchOutcome::kHits:
      return m_hits.PageCount();
    default:
      return 0;
  }
}

int32_t CIndex::SearchKeyword(std::u16string_view keyword, CombineMode mode, bool countHits,
                              bool variants) {
  m_outcome = SearchOutcome::kNoHits;
  bool noPostings = false;
  const int32_t result = SearchOne(keyword, mode, countHits, variants, noPostings);
  if (m_outcome != SearchOutcome::kCancelled && m_outcome != SearchOutcome::kClosed)
    m_outcome = FinalOutcome(noPostings);
  return result;
}

// Both operations: each maximal run of characters other than U+0020 is one
// keyword, searched as soon as it ends; every U+0020 of the caller's string
// becomes U+3000.
int32_t CIndex::SearchKeywords(std::u16string& keywords, bool countHits, bool variants,
                               CombineMode firstMode, CombineMode laterMode) {
  m_outcome = SearchOutcome::kNoHits;
  const size_t n = TerminatedLength(keywords);
  if (!AcceptsKeywords(std::u16string_view(keywords).substr(0, n))) {
    m_outcome = SearchOutcome::kRejected;
    return 0;
  }
  m_hits.Clear();
  int32_t sum = 0;
  bool first = true;
  bool noPostings = false;
  size_t start = 0;
  for (size_t i = 0; i <= n; ++i) {
    if (i < n && keywords[i] != u' ') continue;
    if (i < n) keywords[i] = kIdeographicSpace;
    // A stopped search still writes the caller's spaces back, as the
    // string's caller expects them whatever the outcome.
    if (i > start && m_outcome != SearchOutcome::kCancelled &&
        m_outcome != SearchOutcome::kClosed) {
      sum += SearchOne(std::u16string_view(keywords).substr(start, i - start),
                       first ? firstMode : laterMode, countHits, variants, noPostings);
      first = false;
    }
    start = i + 1;
  }
  if (m_outcome == SearchOutcome::kCancelled) return 0;
  if (m_outcome != SearchOutcome::kClosed) m_outcome = FinalOutcome(noPostings);
  return sum;
}

int32_t CIndex::SearchAnd(std::u16string& keywords, bool countHits, bool variants) {
  return SearchKeywords(keywords, countHits, variants, CombineMode::Replace,
                        CombineMode::Intersect);
}

int32_t CIndex::SearchOr(std::u16string& keywords, bool countHits, bool variants) {
  return SearchKeywords(keywords, countHits, variants, CombineMode::Union, CombineMode::Union);
}

}  // namespace tevarin
