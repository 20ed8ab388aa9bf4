#include "session/readingsession.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "catalog/contenttree.h"
#include "catalog/pagedisplay.h"
#include "session/pagefolder.h"

namespace tevarin {

namespace {

constexpr const char* kTocName = "windows.html";
constexpr const char* kHitName1 = "windows1.html";
constexpr const char* kHitName2 = "windows2.html";

// The index part of a search scope (0 whole text, 1 body text, 2 notes).
constexpr IndexPart kParts[3] = {IndexPart::FullText, IndexPart::Body, IndexPart::Notes};

// Measuring mode: with TEVARIN_TIMING set, the time a user waits for a page
// or a hit page is written to standard error.
class Timing {
 public:
  Timing() : m_start(std::chrono::steady_clock::now()) {}
  void Report(const char* what) const {
    static const bool on = std::getenv("TEVARIN_TIMING") != nullptr;
    if (!on) return;
    const std::chrono::duration<double, std::milli> ms = std::chrono::steady_clock::now() - m_start;
    std::fprintf(stderr, "timing: %s %.2f ms\n", what, ms.count());
  }

 private:
  std::chrono::steady_clock::time_point m_start;
};

std::string FileName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

CReadingSession::CReadingSession(std::string dataFolder, CPageFolder* pages)
    : m_dataFolder(std::move(dataFolder)), m_pages(pages) {
  if (m_pages && m_pages->IsValid()) {
    m_strTocFile = m_pages->File(kTocName);
    m_strHitFile1 = m_pages->File(kHitName1);
    m_strHitFile2 = m_pages->File(kHitName2);
  }
  // A search stops soon after CancelSearch sets the flag.
  m_Index.SetCancelFlag(&m_cancel);
}

CReadingSession::~CReadingSession() {
  if (m_worker.joinable()) {
    m_cancel.store(true);
    m_worker.join();
  }
  m_Index.Close();
  if (m_pages)
    for (const std::string* f : {&m_strTocFile, &m_strHitFile1, &m_strHitFile2})
      if (!f->empty()) m_pages->Remove(FileName(*f));
}

bool CReadingSession::OpenEngine() {
  return m_Index.Open(m_dataFolder, "Index", IndexPart::FullText).IsOk();
}

bool CReadingSession::LoadCatalogue() {
  const bool loaded = m_Catalogue.Load(m_dataFolder).IsOk();
  m_Catalogue.WriteListing(CCatalogue::kListingName);  // a read-only current folder is no obstacle
  return loaded;
}

// ---- Options, scope and range.

void CReadingSession::SetSearchOptions(int andOr, bool variants) {
  m_nAndOr = andOr ? 1 : 0;
  m_bVariant = variants;
}

bool CReadingSession::SetScope(int scope) {
  if (m_running || scope < 0 || scope > 2) return false;
  m_nSearchScope = scope;
  // The hit list belongs to the index it came from.
  m_ResultPages.clear();
  m_ResultCounts.clear();
  // Only the index changes: the book store and the variant table stay.
  return m_Index.SelectPart(kParts[scope]).IsOk();
}

void CReadingSession::SelectRange(int entry) {
  m_nSearchRange = static_cast<uint16_t>(entry);
  m_strRange = m_Catalogue.RangePath(entry);
}

// ---- Search.

void CReadingSession::PrepareSearch() { m_nHitIndex = 0; }

CReadingSession::SearchStart CReadingSession::BeginSearch(std::u16string keywords) {
  if (m_running) return SearchStart::Busy;
  std::u16string previous = std::move(m_strKeyWords);
  m_strKeyWords = std::move(keywords);
  if (m_nSearchRange == 0) return SearchStart::NoRange;
  if (m_strKeyWords.empty()) {
    m_strKeyWords = std::move(previous);
    return SearchStart::NoKeywords;
  }
  m_previousKeyWords = std::move(previous);
  // The range, the options and the keywords are those of this moment; the
  // search thread reads the catalogue's tree, which never changes.
  const NodeItem* rangeEntry = m_Catalogue.Entry(m_nSearchRange);
  const ContentsNodeTag* range = rangeEntry ? FindNode(m_Catalogue.Root(), *rangeEntry) : nullptr;
  m_cancel.store(false);
  m_running = true;
  m_job = SearchJob();
  m_worker = std::thread(&CReadingSession::RunSearch, this, m_strKeyWords, m_nAndOr, m_bVariant, range);
  return SearchStart::Started;
}

void CReadingSession::RunSearch(std::u16string keywords, int andOr, bool variants,
                                const ContentsNodeTag* range) {
  SearchJob& job = m_job;
  if (m_gate) m_gate();
  // A string the engine rejects leaves its hit list alone: the results are
  // then built again from the hit list of the search they came from.
  job.accepted = CIndex::AcceptsKeywords(keywords);
  if (andOr == 0)
    m_Index.SearchAnd(keywords, true, variants);
  else
    m_Index.SearchOr(keywords, true, variants);
  job.keywords = std::move(keywords);
  job.cancelled = m_Index.Cancelled() || m_cancel.load();
  if (!job.cancelled) {
    if (job.accepted) {
      job.pages = m_Index.GetHitPages();
      job.counts = m_Index.GetHitCounts();
    }
    // m_ResultPages is left alone by the other thread while a search runs.
    const std::vector<uint32_t>& pages = job.accepted ? job.pages : m_ResultPages;
    const std::vector<uint32_t>& counts = job.accepted ? job.counts : m_ResultCounts;
    job.total = BuildSearchResult(range, pages, counts, job.results);
    job.cancelled = m_cancel.load();
  }
  if (m_listener) m_listener->SearchEnded();
}

CReadingSession::SearchEnd CReadingSession::FinishSearch() {
  if (!m_running) return SearchEnd::NotRunning;
  m_worker.join();
  m_running = false;
  SearchJob job = std::move(m_job);
  m_job = SearchJob();
  if (job.cancelled || m_cancel.load()) {
    m_strKeyWords = std::move(m_previousKeyWords);
    return SearchEnd::Cancelled;
  }
  m_strKeyWords = std::move(job.keywords);
  if (job.accepted) {
    m_strResultKeyWords = m_strKeyWords;
    m_ResultPages = std::move(job.pages);
    m_ResultCounts = std::move(job.counts);
  }
  m_SearchResult = std::move(job.results);
  m_nHitTotal = job.total;
  ++m_resultGeneration;
  m_nPageCount = ResultPageCount(m_SearchResult.size());
  m_nCurPage = m_nPageCount > 0 ? 1 : 0;
  return SearchEnd::Results;
}

CReadingSession::SearchStart CReadingSession::Search(std::u16string keywords) {
  const SearchStart start = BeginSearch(std::move(keywords));
  if (start == SearchStart::Started) FinishSearch();
  return start;
}

std::u16string CReadingSession::Summary() const {
  return SummaryText(static_cast<int32_t>(m_SearchResult.size()), m_nHitTotal);
}

// ---- Result paging.

bool CReadingSession::NextResultPage() {
  if (m_nCurPage >= m_nPageCount) return false;
  ++m_nCurPage;
  return true;
}

bool CReadingSession::PrevResultPage() {
  if (m_nCurPage <= 1) return false;
  --m_nCurPage;
  return true;
}

CReadingSession::PageTurn CReadingSession::GoToResultPage(int32_t page) {
  if (!AcceptTypedPage(page, m_nPageCount)) return PageTurn::Refused;
  if (page == m_nCurPage) return PageTurn::Unchanged;
  m_nCurPage = page;
  return PageTurn::Changed;
}

// ---- Reading.

bool CReadingSession::IsLeaf(int entry) const {
  const ContentsNodeTag* node = m_Catalogue.NodeOf(entry);
  return node && node->children.empty();
}

bool CReadingSession::ShowDocument(int entry, bool useFirstPage, int page) {
  if (m_running) return false;
  const Timing timing;
  const NodeItem* e = m_Catalogue.Entry(entry);
  if (!e || m_strTocFile.empty()) return false;
  TocPage toc;
  // A page number no record of the entry carries leaves the view as it was.
  if (!LoadTocPage(m_Index, *e, useFirstPage, page, toc)) return false;
  if (!m_pages->Write(kTocName, toc.bytes)) return false;
  Show({m_strTocFile, std::string(), true});
  timing.Report("page shown");
  return true;
}

bool CReadingSession::ShowEntry(int entry) {
  if (m_running) return false;
  const NodeItem* e = m_Catalogue.Entry(entry);
  if (!e) return false;
  m_nCurNode = entry;
  m_nCurPageNo = e->curFileName;
  ShowDocument(m_nCurNode, true, 1);
  TellReadingChanged();
  return true;
}

void CReadingSession::StepPage(int delta) {
  if (m_running) return;
  m_nCurPageNo += delta;
  ShowDocument(m_nCurNode, false, m_nCurPageNo);
  TellReadingChanged();
}

void CReadingSession::ShowVolume(int entry) {
  m_nCurNode = entry;
  ShowDocument(entry, true, 1);
  m_nCurPageNo = m_Catalogue.Entry(entry)->curFileName;
  TellReadingChanged();
}

bool CReadingSession::NextVolume() {
  if (m_running) return false;
  for (int i = m_nCurNode + 1; i < m_Catalogue.NodeCount(); ++i)
    if (m_Catalogue.Entry(i)->level == 3) {
      ShowVolume(i);
      return true;
    }
  return false;
}

bool CReadingSession::PrevVolume() {
  if (m_running) return false;
  for (int i = m_nCurNode - 1; i >= 1; --i)
    if (m_Catalogue.Entry(i) && m_Catalogue.Entry(i)->level == 3) {
      ShowVolume(i);
      return true;
    }
  m_nCurNode = 0;
  return false;
}

void CReadingSession::GoToPage(int page) {
  if (m_running || m_nCurNode == 0) return;
  ShowDocument(m_nCurNode, false, page);
  m_nCurPageNo = page;
  TellReadingChanged();
}

bool CReadingSession::CanPrevPage() const {
  const NodeItem* e = m_Catalogue.Entry(m_nCurNode);
  return m_nCurPageNo - (e ? e->curFileName : 0) >= 1;  // entry 0 holds nothing
}

bool CReadingSession::CanNextPage() const {
  if (m_nCurNode == 0) return false;
  const NodeItem* e = m_Catalogue.Entry(m_nCurNode);
  return e && static_cast<uint32_t>(m_nCurPageNo - e->curFileName + 1) < static_cast<uint32_t>(e->docNo);
}

bool CReadingSession::CanPrevVolume() const {
  if (m_nCurNode == 0) return false;
  for (int i = 1; i < m_nCurNode && i < m_Catalogue.NodeCount(); ++i)
    if (m_Catalogue.Entry(i)->level == 3) return true;
  return false;
}

bool CReadingSession::CanNextVolume() const {
  if (m_nCurNode == 0) return false;
  for (int i = m_nCurNode + 1; i < m_Catalogue.NodeCount(); ++i)
    if (m_Catalogue.Entry(i)->level == 3) return true;
  return false;
}

// ---- Hit pages.

bool CReadingSession::OpenResult(int32_t record) {
  if (m_running) return false;
  const Timing timing;
  const std::string& file = m_bUseHitFile1 ? m_strHitFile1 : m_strHitFile2;
  if (file.empty() || !m_Index.IsOpen()) return false;  // nothing to render from a closed engine
  std::string bytes;
  const int32_t anchors = m_Index.BuildHitPage(record, bytes, m_strResultKeyWords, m_nSearchScope, m_bVariant);
  if (!m_pages->Write(FileName(file), bytes)) return false;
  m_nHitCount = anchors;
  m_nHitIndex = 0;
  m_strHitPage = file;
  m_bUseHitFile1 = !m_bUseHitFile1;
  Show({m_strHitPage, "0000", true});
  timing.Report("hit page shown");
  return true;
}

void CReadingSession::StepHit(int delta) {
  m_nHitIndex += delta;
  char anchor[16];
  std::snprintf(anchor, sizeof anchor, "%04d", m_nHitIndex);
  Show({m_strHitPage, anchor, false});
}

void CReadingSession::Show(PageRequest page) {
  if (m_listener) m_listener->ShowPage(page);
}

void CReadingSession::TellReadingChanged() {
  if (m_listener) m_listener->ReadingChanged();
}

}  // namespace tevarin
