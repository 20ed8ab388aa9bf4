#include "session/readingsession.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "catalog/contenttree.h"
#include "catalog/pagedisplay.h"
#include "session/pagefolder.h"
#include "text/codeconverter.h"

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

// The results over the whole collection: each top-level node titles the
// pages it holds as it would as the range (division, book, volume); a page
// that no top-level node holds is kept untitled. Sorted by page number, as
// the results of any range are. Returns the total number of hits.
int32_t BuildWholeCollectionResult(const ContentsNodeTag& root, const std::vector<uint32_t>& pages,
                                   const std::vector<uint32_t>& counts, std::vector<SearchNodeTag>& results) {
  results.clear();
  const auto& tops = root.children;
  // Each page goes to the first top-level node that holds it. Top-level
  // nodes of a sound catalogue hold disjoint runs of records: then a binary
  // search finds it; otherwise every node is asked in turn.
  struct Span {
    uint32_t first, last;
    size_t node;
  };
  std::vector<Span> spans;
  bool disjoint = true;
  for (size_t k = 0; k < tops.size() && disjoint; ++k) {
    const ContentsNodeTag& n = *tops[k];
    const int64_t last = int64_t{n.docID} + n.docNo - 2;
    if (n.docID < 1 || n.docNo < 1 || last > int64_t{UINT32_MAX} - 1) disjoint = false;
    else spans.push_back({static_cast<uint32_t>(n.docID - 1), static_cast<uint32_t>(last), k});
  }
  if (disjoint) {
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.first < b.first; });
    for (size_t i = 1; i < spans.size() && disjoint; ++i) disjoint = spans[i].first > spans[i - 1].last;
  }
  const size_t none = tops.size();
  std::vector<std::vector<uint32_t>> ownPages(tops.size() + 1), ownCounts(tops.size() + 1);
  for (size_t i = 0; i < pages.size(); ++i) {
    const uint32_t r = pages[i];
    size_t owner = none;
    if (disjoint) {
      auto it = std::upper_bound(spans.begin(), spans.end(), r,
                                 [](uint32_t v, const Span& s) { return v < s.first; });
      if (it != spans.begin() && r <= (it - 1)->last) owner = (it - 1)->node;
    } else {
      for (size_t k = 0; k < tops.size(); ++k)
        if (tops[k]->Holds(r)) {
          owner = k;
          break;
        }
    }
    ownPages[owner].push_back(r);
    ownCounts[owner].push_back(i < counts.size() ? counts[i] : 0);
  }
  int64_t total = 0;
  std::vector<SearchNodeTag> part;
  for (size_t k = 0; k <= tops.size(); ++k) {
    if (ownPages[k].empty()) continue;
    total += BuildSearchResult(k < none ? tops[k].get() : nullptr, ownPages[k], ownCounts[k], part);
    results.insert(results.end(), std::make_move_iterator(part.begin()), std::make_move_iterator(part.end()));
  }
  std::sort(results.begin(), results.end(), [](const SearchNodeTag& a, const SearchNodeTag& b) {
    return static_cast<uint32_t>(a.nPageNo) < static_cast<uint32_t>(b.nPageNo);
  });
  return static_cast<int32_t>(std::min<int64_t>(total, INT32_MAX));
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
  if (m_pages) {
    for (const std::string* f : {&m_strTocFile, &m_strHitFile1, &m_strHitFile2})
      if (!f->empty()) m_pages->Remove(FileName(*f));
    m_pages->Remove(CCatalogue::kListingName);
  }
}

bool CReadingSession::OpenEngine() {
  return m_Index.Open(m_dataFolder, "Index", IndexPart::FullText).IsOk();
}

bool CReadingSession::LoadCatalogue() {
  const bool loaded = m_Catalogue.Load(m_dataFolder).IsOk();
  m_entryOf.clear();
  for (int i = 1; i < m_Catalogue.NodeCount(); ++i) m_entryOf[m_Catalogue.NodeOf(i)] = i;
  // The listing goes beside the page files, never into the folder the
  // program was started from; nothing depends on it, so a failure is no
  // obstacle.
  if (m_pages && m_pages->IsValid()) m_pages->Write(CCatalogue::kListingName, m_Catalogue.Listing());
  return loaded;
}

std::string CReadingSession::ListingFile() const {
  return m_pages && m_pages->IsValid() ? m_pages->File(CCatalogue::kListingName) : std::string();
}

// ---- Options, scope and range.

void CReadingSession::SetSearchOptions(int andOr, bool variants) {
  m_nAndOr = andOr ? 1 : 0;
  m_bVariant = variants;
}

bool CReadingSession::SetScope(int scope) {
  if (m_running || scope < 0 || scope > 2) return false;
  m_nSearchScope = scope;
  // Only the index changes: the book store and the variant table stay.
  return m_Index.SelectPart(kParts[scope]).IsOk();
}

void CReadingSession::SelectRange(int entry) {
  m_nSearchRange = entry;
  m_strRange = entry == kWholeCollection ? std::u16string(kWholeCollectionText) : m_Catalogue.RangePath(entry);
}

const ContentsNodeTag* CReadingSession::RangeNode() const {
  if (m_nSearchRange == kWholeCollection) return m_Catalogue.Root();
  const NodeItem* rangeEntry = m_Catalogue.Entry(m_nSearchRange);
  return rangeEntry ? FindNode(m_Catalogue.Root(), *rangeEntry) : nullptr;
}

// ---- Search.

void CReadingSession::PrepareSearch() { m_nHitIndex = 0; }

std::u16string CReadingSession::UnsearchableCharacters(std::u16string_view keywords) {
  // A character cannot be searched when the engine refuses it beside a
  // character it searches; the engine's rule decides, whatever it is.
  std::u16string out;
  for (size_t i = 0; i < keywords.size();) {
    const size_t units = IsHighSurrogate(keywords[i]) && i + 1 < keywords.size() && IsLowSurrogate(keywords[i + 1]) ? 2 : 1;
    const std::u16string_view c = keywords.substr(i, units);
    i += units;
    if (c[0] == u'\0' || out.find(c) != std::u16string::npos) continue;
    if (!CIndex::AcceptsKeywords(std::u16string(c) + u"\u4E00")) out.append(c);
  }
  return out;
}

CReadingSession::SearchStart CReadingSession::BeginSearch(std::u16string keywords) {
  if (m_running) return SearchStart::Busy;
  std::u16string previous = std::move(m_strKeyWords);
  m_strKeyWords = std::move(keywords);
  if (m_nSearchRange == 0) return SearchStart::NoRange;
  if (m_strKeyWords.empty()) {
    m_strKeyWords = std::move(previous);
    return SearchStart::NoKeywords;
  }
  // A text the engine would refuse is not searched: the results stay those
  // of the keywords that produced them.
  if (!CIndex::AcceptsKeywords(m_strKeyWords)) {
    m_rejected = UnsearchableCharacters(m_strKeyWords);
    m_strKeyWords = std::move(previous);
    return SearchStart::Rejected;
  }
  m_previousKeyWords = std::move(previous);
  // The range, the options and the keywords are those of this moment; the
  // search thread reads the catalogue's tree, which never changes.
  const ContentsNodeTag* range = RangeNode();
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
  if (andOr == 0)
    m_Index.SearchAnd(keywords, true, variants);
  else
    m_Index.SearchOr(keywords, true, variants);
  job.keywords = std::move(keywords);
  job.cancelled = m_Index.Cancelled() || m_cancel.load();
  if (!job.cancelled) {
    const std::vector<uint32_t>& pages = m_Index.GetHitPages();
    const std::vector<uint32_t>& counts = m_Index.GetHitCounts();
    if (range && range == m_Catalogue.Root())
      job.total = BuildWholeCollectionResult(*range, pages, counts, job.results);
    else
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
  m_strResultKeyWords = m_strKeyWords;
  m_SearchResult = std::move(job.results);
  m_nHitTotal = job.total;
  ++m_resultGeneration;
  m_nPageCount = ResultPageCount(m_SearchResult.size());
  m_nCurPage = m_nPageCount > 0 ? 1 : 0;
  // The hit page shown belongs to the results just replaced: the hit
  // commands have nothing to step through until a new result is opened.
  m_nHitCount = 0;
  m_nHitIndex = 0;
  m_strHitPage.clear();
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

bool CReadingSession::VolumeOfRecord(int32_t record, int& entry, int& pageNo) const {
  if (record < 0) return false;
  const uint32_t r = static_cast<uint32_t>(record);
  const ContentsNodeTag* node = m_Catalogue.Root();
  while (node && !node->children.empty()) {
    const ContentsNodeTag* next = nullptr;
    for (const auto& child : node->children)
      if (child->Holds(r)) {
        next = child.get();
        break;
      }
    if (!next) return false;  // held by an entry with something below it, but by none of those
    node = next;
  }
  const auto found = m_entryOf.find(node);
  if (found == m_entryOf.end()) return false;  // the root of an empty catalogue
  entry = found->second;
  pageNo = static_cast<int>(static_cast<int64_t>(r) + node->curFileName + 1 - node->docID);
  return true;
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
  // Reading goes on from the hit: its volume and page are the ones read.
  int entry = 0, pageNo = 0;
  if (VolumeOfRecord(record, entry, pageNo)) {
    m_nCurNode = entry;
    m_nCurPageNo = pageNo;
    TellReadingChanged();
  }
  timing.Report("hit page shown");
  return true;
}

void CReadingSession::StepHit(int delta) {
  // Only anchors of the hit page shown last: none after a new search.
  if (m_strHitPage.empty() || m_nHitIndex + delta < 0 || m_nHitIndex + delta >= m_nHitCount) return;
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
