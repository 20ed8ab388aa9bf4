// CReadingSession: the reader's work on the collection, without a window.
//
// It owns the search engine (CIndex) and the catalogue (CCatalogue), the
// search options, the results of the last search and their paging, the
// volume, page and hit being read, and the page files: it writes the pages
// the page view shows ("windows.html" for a page of a volume, "windows1.html"
// and "windows2.html" in turn for hit pages) and tells its listener which
// file and anchor to show. The windows hold a session, call its commands and
// draw what it says changed; they keep no state of the collection of their own.
//
// The search range starts as the whole collection (kWholeCollection, labelled
// 全体); a keyword string the engine would refuse is not searched: the
// results stay those of the keyword that produced them, and RejectedText()
// names the characters that cannot be searched. A new search's results
// reset the hit commands (the hit page of the old results is no longer
// theirs), and opening a result makes its volume and page the ones read, so
// that the page, volume and slider commands go on from there.
//
// A search runs on a thread of its own (BeginSearch), so that a long one
// leaves the windows responsive; CancelSearch stops it, and a cancelled
// search leaves the results, the keyword text and the hit list as they were.
// While a search runs the commands that read the collection (pages, volumes,
// results, the scope) are refused: the windows hold them back or disable them
// until FinishSearch. Everything else is used from one thread, the windows'.
//
// State, and the names it had when the navigation form kept it:
//   AndOr / Variants / Scope     m_nAndOr, m_bVariant, m_nSearchScope
//   SearchRange / RangeText      m_nSearchRange, m_strRange
//   KeyWords / ResultKeyWords    m_strKeyWords, m_strResultKeyWords
//   Results / HitTotal           m_SearchResult (and the total of its summary)
//   PageCount / CurPage          m_nPageCount, m_nCurPage
//   CurNode / CurPageNo          m_nCurNode, m_nCurPageNo
//   HitCount / HitIndex / HitPage  m_nHitCount, m_nHitIndex, m_strHitPage
//   TocFile / HitFile(1|2)       m_strTocFile, m_strHitFile1, m_strHitFile2
//   Engine / Catalogue           m_Index, m_Catalogue
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "catalog/catalogue.h"
#include "catalog/searchresult.h"
#include "index/index.h"

namespace tevarin {

class CPageFolder;

class CReadingSession {
 public:
  // A page for the page view: a page file and the anchor to scroll to (empty:
  // the top). written: the file was written anew for this request; false
  // when the view only moves to another anchor of the page it has.
  struct PageRequest {
    std::string path;
    std::string anchor;
    bool written = false;
    // path, then "#" and the anchor when there is one.
    std::string Location() const { return anchor.empty() ? path : path + '#' + anchor; }
  };

  // What the session tells the windows.
  class Listener {
   public:
    virtual ~Listener() = default;
    // The page view is to show a page.
    virtual void ShowPage(const PageRequest& page) = 0;
    // The volume or the page being read changed: the page slider and the
    // page box follow CurNode and CurPageNo.
    virtual void ReadingChanged() = 0;
    // A search begun with BeginSearch has ended, finished or cancelled, and
    // waits for FinishSearch. Called on the search's own thread.
    virtual void SearchEnded() = 0;
  };

  enum class SearchStart {
    Started,     // running; FinishSearch takes its results
    NoRange,     // no search range is chosen: nothing was searched
    NoKeywords,  // the keyword text is empty: the previous one is kept
    Rejected,    // the engine cannot search the text (RejectedText() says
                 // why): the previous keyword text and results are kept
    Busy,        // another search is running
  };
  enum class SearchEnd {
    Results,    // the results, summary and paging are the new search's
    Cancelled,  // everything is as it was before the search
    NotRunning, // there was no search to finish
  };
  // The answer of a typed result page number.
  enum class PageTurn { Refused, Unchanged, Changed };

  // The search range that covers every page of the collection.
  static constexpr int kWholeCollection = -1;
  // The label of that range.
  static constexpr const char16_t* kWholeCollectionText = u"全体";

  // dataFolder holds the collection; pages (not owned, may be null or
  // invalid) receives the page files.
  CReadingSession(std::string dataFolder, CPageFolder* pages);
  // Cancels a running search and waits for it, closes the engine and removes
  // the page files.
  ~CReadingSession();
  CReadingSession(const CReadingSession&) = delete;
  CReadingSession& operator=(const CReadingSession&) = delete;

  void SetListener(Listener* listener) { m_listener = listener; }

  // Start-up. Opens the engine on the whole-text index; false when it cannot
  // be opened (EngineError() says why): the session runs on with the engine
  // closed, and searches find nothing.
  bool OpenEngine();
  // Reads the catalogue, then writes its listing ("vok.txt") into the page
  // folder, beside the page files (without a page folder there is none;
  // nothing reads it). False when the catalogue cannot be read: the
  // catalogue is then empty.
  bool LoadCatalogue();
  // Full path of the listing (empty without a page folder).
  std::string ListingFile() const;
  const std::string& EngineError() const { return m_Index.OpenStatus().Message(); }
  const std::string& DataFolder() const { return m_dataFolder; }

  // Read-only access to what the session owns. The engine is in use by the
  // search thread while SearchRunning().
  const CIndex& Engine() const { return m_Index; }
  const CCatalogue& Catalogue() const { return m_Catalogue; }
  // The stored value shown before the slash of the page box.
  int32_t HeaderValue() const { return m_Index.GetHeaderValue(); }

  // ---- Search options, scope and range.
  // The options of the next search: 0 "and", 1 "or"; variant forms too.
  void SetSearchOptions(int andOr, bool variants);
  int AndOr() const { return m_nAndOr; }
  bool Variants() const { return m_bVariant; }
  // 0 whole text, 1 body text, 2 notes: the open index changes to that part
  // (also when it is the scope in force); the book store and the variant
  // table stay. The hit list of the earlier index is dropped. False when
  // the index cannot be opened (EngineError() says why; searches then find
  // nothing and hit pages are not built until a part opens) or a search
  // runs; the scope is the new one unless a search runs.
  bool SetScope(int scope);
  int Scope() const { return m_nSearchScope; }
  // Catalogue entry of the search range (kWholeCollection: every page, the
  // start; 0: none chosen) and the label's text: 全体, or the titles from
  // the top level down separated by backslashes.
  void SelectRange(int entry);
  int SearchRange() const { return m_nSearchRange; }
  const std::u16string& RangeText() const { return m_strRange; }

  // ---- Search.
  // A search command begins: the hit commands go back to the first hit of
  // the hit page shown.
  void PrepareSearch();
  // Searches keywords (spaces between them, as typed) with the options in
  // force, inside the search range, on a thread of its own. Refused without
  // a range or keywords, or for keywords the engine cannot search (see
  // SearchStart); then no thread runs.
  SearchStart BeginSearch(std::u16string keywords);
  // Why the last BeginSearch answered Rejected: the characters of the text
  // that cannot be searched, each once, in the order typed; empty when the
  // text holds nothing to search (only spaces, say).
  const std::u16string& RejectedText() const { return m_rejected; }
  // The characters of keywords that the engine cannot search (as above).
  static std::u16string UnsearchableCharacters(std::u16string_view keywords);
  bool SearchRunning() const { return m_running; }
  // Asks the running search to stop; it ends soon after.
  void CancelSearch() { m_cancel.store(true); }
  bool CancelRequested() const { return m_cancel.load(); }
  // Waits for the search to end and takes its results (Results), or keeps
  // everything as it was when it was cancelled, also when the cancel came
  // after the engine had finished.
  SearchEnd FinishSearch();
  // BeginSearch and FinishSearch in one call.
  SearchStart Search(std::u16string keywords);
  // Runs on the search thread before the engine is asked; tests hold a
  // search with it (it should return once CancelRequested()).
  void SetSearchGate(std::function<void()> gate) { m_gate = std::move(gate); }

  // The keyword text of the last search as the engine changed it (U+3000
  // between keywords), and the one the results come from (they differ only
  // after a search refused for want of a range).
  const std::u16string& KeyWords() const { return m_strKeyWords; }
  const std::u16string& ResultKeyWords() const { return m_strResultKeyWords; }

  // ---- Results and their paging (100 to a result page).
  const std::vector<SearchNodeTag>& Results() const { return m_SearchResult; }
  // The hits inside the range, counted over all results.
  int32_t HitTotal() const { return m_nHitTotal; }
  // "全部で %d 頁で、%d 箇所でした。" of the last search.
  std::u16string Summary() const;
  // Changes whenever a search replaces the results.
  uint64_t ResultGeneration() const { return m_resultGeneration; }
  int PageCount() const { return m_nPageCount; }
  int CurPage() const { return m_nCurPage; }
  // The results [first, last) of the current result page.
  std::pair<size_t, size_t> CurrentRows() const { return ResultPageRows(m_nCurPage, m_SearchResult.size()); }
  PagingState Paging() const { return ComputePaging(m_nCurPage, m_nPageCount); }
  // True when the result page changed.
  bool NextResultPage();
  bool PrevResultPage();
  PageTurn GoToResultPage(int32_t page);

  // ---- Reading: the volume and page shown.
  int CurNode() const { return m_nCurNode; }
  int CurPageNo() const { return m_nCurPageNo; }
  // Whether selecting entry shows it: a catalogue entry with nothing below it.
  bool IsLeaf(int entry) const;
  // The volume that holds a record (the catalogue entry with nothing below
  // it, reached from the top through the first entry holding the record at
  // each level) and the record's page number there; false when no such
  // entry holds it.
  bool VolumeOfRecord(int32_t record, int& entry, int& pageNo) const;
  // Makes a leaf entry the volume read, at its first page, and shows that
  // page. False for an entry outside the catalogue, or while a search runs.
  bool ShowEntry(int entry);
  // Writes page `page` of entry (its first page when useFirstPage) to the
  // table-of-contents file and shows it. Changes no state: the callers set
  // CurNode and CurPageNo. False, with the view left as it was, for a page
  // no record of the entry carries, a closed engine, an unwritable file or
  // while a search runs.
  bool ShowDocument(int entry, bool useFirstPage, int page);
  void NextPage() { StepPage(1); }
  void PrevPage() { StepPage(-1); }
  // The next (previous) volume of the catalogue becomes the one read, at its
  // first page. False when there is none; PrevVolume then leaves no volume
  // current (CurNode 0).
  bool NextVolume();
  bool PrevVolume();
  // The page slider was released on page: shows it when a volume is read.
  void GoToPage(int page);
  // The enable rules of the page, volume and hit commands.
  bool CanPrevPage() const;
  bool CanNextPage() const;
  bool CanPrevVolume() const;
  bool CanNextVolume() const;
  bool CanPrevHit() const { return m_nHitIndex - 1 >= 0; }
  bool CanNextHit() const { return m_nHitIndex + 1 < m_nHitCount; }

  // ---- Hit pages.
  // Builds the hit page of a result's record with the results' keywords, the
  // scope in force and the variant option, writes it to the hit file whose
  // turn it is and shows it at its first hit. The record's volume and page
  // become the ones read (CurNode, CurPageNo), when a volume holds it. False
  // when the engine is closed, the file cannot be written or a search runs.
  bool OpenResult(int32_t record);
  void NextHit() { StepHit(1); }
  void PrevHit() { StepHit(-1); }
  int HitCount() const { return m_nHitCount; }
  int HitIndex() const { return m_nHitIndex; }
  const std::string& HitPage() const { return m_strHitPage; }

  // Full paths of the page files (empty without a page folder).
  const std::string& TocFile() const { return m_strTocFile; }
  const std::string& HitFile1() const { return m_strHitFile1; }
  const std::string& HitFile2() const { return m_strHitFile2; }

 private:
  // What a search thread hands to FinishSearch.
  struct SearchJob {
    std::u16string keywords;
    bool cancelled = false;
    std::vector<SearchNodeTag> results;
    int32_t total = 0;
  };

  void RunSearch(std::u16string keywords, int andOr, bool variants, const ContentsNodeTag* range);
  // The content tree node of the search range; null when the range entry
  // holds nothing (every page is kept then, untitled).
  const ContentsNodeTag* RangeNode() const;
  void StepPage(int delta);
  void StepHit(int delta);
  void ShowVolume(int entry);
  void Show(PageRequest page);
  void TellReadingChanged();

  std::string m_dataFolder;
  CPageFolder* m_pages;
  Listener* m_listener = nullptr;

  CIndex m_Index;
  CCatalogue m_Catalogue;

  int m_nAndOr = 0;
  bool m_bVariant = true;
  int m_nSearchScope = 0;
  int m_nSearchRange = kWholeCollection;
  std::u16string m_strRange = kWholeCollectionText;

  std::u16string m_strKeyWords;
  std::u16string m_strResultKeyWords;
  std::u16string m_rejected;
  std::vector<SearchNodeTag> m_SearchResult;
  int32_t m_nHitTotal = 0;
  uint64_t m_resultGeneration = 0;
  int m_nPageCount = 0;
  int m_nCurPage = 0;

  int m_nCurNode = 0;
  int m_nCurPageNo = 0;
  int m_nHitCount = 0;
  int m_nHitIndex = 0;
  std::string m_strHitPage;
  bool m_bUseHitFile1 = true;
  std::string m_strTocFile, m_strHitFile1, m_strHitFile2;
  // The catalogue entry of each content tree node.
  std::unordered_map<const ContentsNodeTag*, int> m_entryOf;

  // The running search.
  std::thread m_worker;
  bool m_running = false;
  std::atomic<bool> m_cancel{false};
  std::u16string m_previousKeyWords;
  SearchJob m_job;
  std::function<void()> m_gate;
};

}  // namespace tevarin
