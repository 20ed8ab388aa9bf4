// The reading session on small collections the tests write: search and its
// options, range (the whole collection at first) and scope, keywords that
// cannot be searched, results and their paging, the search thread and its
// cancelling, the volume and page read with the enable rules, hit pages and
// hit stepping, reading on from an opened result, and the page files with
// the catalogue's listing.
#include "session/readingsession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <thread>

#include "index/charslot.h"
#include "session/pagefolder.h"
#include "support/testutil.h"
#include "text/codeconverter.h"
#include "writer/bookwriter.h"
#include "writer/cataloguewriter.h"
#include "writer/indexwriter.h"

namespace tevarin {

namespace {

using Volume = std::vector<std::u16string>;  // the texts of its pages, page numbers from 1
struct Book {
  std::u16string name;
  std::vector<Volume> volumes;
};
struct Division {
  std::u16string name;
  std::vector<Book> books;
};

std::string Utf8(const std::u16string& s) {
  std::string out;
  ConvertUtf16ToUtf8(s, out, true);
  return out;
}

// A stored page: title and two cells, the text in the cell the parity picks.
std::string StoredPage(int pageNo, const std::u16string& text) {
  const std::string cell = "<TD>" + Utf8(text) + "</TD>", margin = "<TD>m</TD>";
  return "<html><title>p</title><table><tr>" + (pageNo % 2 ? margin + cell : cell + margin) +
         "</tr></table></html>";
}

// Writes the book files, the catalogue and the whole-text index of the
// divisions into folder; the body-text index ("Index_content") holds the
// pages of the first volume only, and there is no notes index.
void WriteCollection(const std::string& folder, const std::vector<Division>& divisions) {
  BookWriter book;
  ASSERT_TRUE(book.Create(folder, "Index", 40));
  CatalogueWriter cat;
  std::map<int, std::map<uint32_t, std::vector<uint32_t>>> whole, body;
  int32_t record = 0;
  auto pagesOf = [](const auto& volumes) {
    int32_t n = 0;
    for (const Volume& v : volumes) n += static_cast<int32_t>(v.size());
    return n;
  };
  for (const Division& d : divisions) {
    int32_t divisionPages = 0;
    for (const Book& b : d.books) divisionPages += pagesOf(b.volumes);
    ASSERT_TRUE(cat.Add(d.name, 1, record + 1, divisionPages, 1));
    for (const Book& b : d.books) {
      ASSERT_TRUE(cat.Add(b.name, 2, record + 1, pagesOf(b.volumes), 1));
      for (size_t v = 0; v < b.volumes.size(); ++v) {
        ASSERT_TRUE(cat.Add(u"卷" + std::u16string(1, static_cast<char16_t>(u'1' + v)), 3, record + 1,
                            static_cast<int32_t>(b.volumes[v].size()), 1));
        for (size_t p = 0; p < b.volumes[v].size(); ++p, ++record) {
          const std::string name = "v" + std::to_string(record) + "\\" + std::to_string(p + 1) + ".htm";
          ASSERT_TRUE(book.AddPage(name, StoredPage(static_cast<int>(p + 1), b.volumes[v][p])));
          uint32_t pos = 0;
          for (char16_t c : b.volumes[v][p]) {
            const int slot = CharToSlot(c);
            if (slot < 0) continue;
            whole[slot][static_cast<uint32_t>(record)].push_back(pos);
            if (record < static_cast<int32_t>(divisions[0].books[0].volumes[0].size()))
              body[slot][static_cast<uint32_t>(record)].push_back(pos);
            ++pos;
          }
        }
      }
    }
  }
  ASSERT_TRUE(book.Finish(12345));
  for (auto* index : {&whole, &body}) {
    IndexWriter w;
    for (const auto& [slot, recs] : *index)
      for (const auto& [rec, pos] : recs) ASSERT_TRUE(w.AddEntry(slot, rec, pos));
    ASSERT_TRUE(w.Write(folder + (index == &whole ? "/Index" : "/Index_content")));
  }
  ASSERT_TRUE(cat.Write(folder + "/vok.dir"));
}

// What the session told its windows.
struct Recorder : CReadingSession::Listener {
  std::vector<CReadingSession::PageRequest> pages;
  int readingChanged = 0;
  std::atomic<int> searchEnded{0};
  std::atomic<bool> endedOnOtherThread{false};
  std::thread::id mainThread = std::this_thread::get_id();

  void ShowPage(const CReadingSession::PageRequest& page) override { pages.push_back(page); }
  void ReadingChanged() override { ++readingChanged; }
  void SearchEnded() override {
    endedOnOtherThread = std::this_thread::get_id() != mainThread;
    ++searchEnded;
  }
  std::string LastLocation() const { return pages.empty() ? std::string() : pages.back().Location(); }
};

// 經部 > 論語 > 卷1 (entry 3: 學而時習之, 學而不思則罔), 卷2 (entry 4: 温故而知新)
// 集部 > 全唐詩 > 卷1 (entry 7: 學學學而)
std::vector<Division> Analects() {
  return {{u"經部", {{u"論語", {{u"學而時習之", u"學而不思則罔"}, {u"温故而知新"}}}}},
          {u"集部", {{u"全唐詩", {{u"學學學而"}}}}}};
}

struct Session {
  TempDir data, pagesBase;
  CPageFolder pages{pagesBase.path()};
  Recorder events;
  std::unique_ptr<CReadingSession> session;

  explicit Session(const std::vector<Division>& divisions = Analects()) {
    WriteCollection(data.path(), divisions);
    session = std::make_unique<CReadingSession>(data.path(), &pages);
    session->SetListener(&events);
    EXPECT_TRUE(session->OpenEngine()) << session->EngineError();
    EXPECT_TRUE(session->LoadCatalogue());
  }
  CReadingSession* operator->() { return session.get(); }
  std::vector<int32_t> Records() const {
    std::vector<int32_t> out;
    for (const SearchNodeTag& r : session->Results()) out.push_back(r.nRecord);
    std::sort(out.begin(), out.end());
    return out;
  }
};

bool WaitFor(const std::function<bool()>& done) {
  for (int i = 0; i < 2000 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return done();
}

using Start = CReadingSession::SearchStart;
using End = CReadingSession::SearchEnd;

}  // namespace

TEST(ReadingSession, TheFirstSearchCoversTheWholeCollection) {
  Session s;
  EXPECT_EQ(s->SearchRange(), CReadingSession::kWholeCollection);
  EXPECT_EQ(s->RangeText(), u"全体");
  EXPECT_EQ(s->PageCount(), 0);
  EXPECT_EQ(s->CurPage(), 0);

  // Every division's pages, each titled by its division, book and volume.
  ASSERT_EQ(s->Search(u"學"), Start::Started);
  EXPECT_EQ(s.Records(), (std::vector<int32_t>{0, 1, 3}));
  EXPECT_EQ(s->Summary(), u"全部で 3 頁で、5 箇所でした。");
  struct Row {
    int32_t record;
    std::u16string division, book, volume;
    int32_t pageNo;
  };
  const Row rows[] = {{0, u"經部", u"論語", u"卷1", 1}, {1, u"經部", u"論語", u"卷1", 2}, {3, u"集部", u"全唐詩", u"卷1", 1}};
  for (const Row& want : rows) {
    const auto got = std::find_if(s->Results().begin(), s->Results().end(),
                                  [&](const SearchNodeTag& t) { return t.nRecord == want.record; });
    ASSERT_NE(got, s->Results().end()) << want.record;
    EXPECT_EQ(got->strClass, want.division) << want.record;
    EXPECT_EQ(got->strBook, want.book) << want.record;
    EXPECT_EQ(got->strVolume, want.volume) << want.record;
    EXPECT_EQ(got->nPageNo, want.pageNo) << want.record;
  }
  // Sorted by page number across the divisions.
  EXPECT_EQ(s->Results()[2].nPageNo, 2);

  // A division, then back to the whole collection.
  s->SelectRange(5);
  ASSERT_EQ(s->Search(u"學"), Start::Started);
  EXPECT_EQ(s.Records(), (std::vector<int32_t>{3}));
  s->SelectRange(CReadingSession::kWholeCollection);
  EXPECT_EQ(s->RangeText(), u"全体");
  ASSERT_EQ(s->Search(u"學"), Start::Started);
  EXPECT_EQ(s.Records(), (std::vector<int32_t>{0, 1, 3}));
}

TEST(ReadingSession, SearchesWithTheOptionsInsideTheRange) {
  Session s;
  s->SelectRange(1);
  EXPECT_EQ(s->SearchRange(), 1);
  EXPECT_EQ(s->RangeText(), u"經部");

  EXPECT_EQ(s->Search(u"學而 時"), Start::Started);
  EXPECT_EQ(s->KeyWords(), u"學而\u3000時");  // the engine's separator
  EXPECT_EQ(s->ResultKeyWords(), u"學而\u3000時");
  EXPECT_EQ(s.Records(), (std::vector<int32_t>{0}));
  EXPECT_EQ(s->Summary(), u"全部で 1 頁で、2 箇所でした。");
  EXPECT_EQ(s->PageCount(), 1);
  EXPECT_EQ(s->CurPage(), 1);
  EXPECT_EQ(s.events.searchEnded, 1);
  EXPECT_TRUE(s.events.endedOnOtherThread);

  EXPECT_EQ(s->Search(u"而"), Start::Started);
  EXPECT_EQ(s.Records(), (std::vector<int32_t>{0, 1, 2}));
  s->SetSearchOptions(1, false);
  EXPECT_EQ(s->Search(u"温 不"), Start::Started);
  EXPECT_EQ(s.Records(), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(s->AndOr(), 1);
  EXPECT_FALSE(s->Variants());

  // The range: a volume of another division; the whole collection's hits
  // outside it are neither listed nor counted.
  s->SetSearchOptions(0, true);
  s->SelectRange(7);
  EXPECT_EQ(s->RangeText(), u"集部\\全唐詩\\卷1");
  EXPECT_EQ(s->Search(u"學"), Start::Started);
  ASSERT_EQ(s->Results().size(), 1u);
  EXPECT_EQ(s->Results()[0].nRecord, 3);
  EXPECT_EQ(s->Results()[0].strBook, u"全唐詩");
  EXPECT_EQ(s->Summary(), u"全部で 1 頁で、3 箇所でした。");
  const uint64_t generation = s->ResultGeneration();

  // Refused searches: no thread runs and the results stay.
  EXPECT_EQ(s->Search(u""), Start::NoKeywords);
  EXPECT_EQ(s->KeyWords(), u"學");  // the previous text is kept
  s->SelectRange(0);
  EXPECT_EQ(s->Search(u"而"), Start::NoRange);
  EXPECT_EQ(s->KeyWords(), u"而");  // read, but nothing searched
  EXPECT_EQ(s->ResultGeneration(), generation);
  EXPECT_EQ(s->Results().size(), 1u);
  EXPECT_EQ(s.events.searchEnded, 4);
}

TEST(ReadingSession, RejectedKeywordsAreNotSearchedAndSayWhy) {
  Session s;
  s->SelectRange(2);  // 論語
  ASSERT_EQ(s->Search(u"學"), Start::Started);
  EXPECT_EQ(s.Records(), (std::vector<int32_t>{0, 1}));
  const uint64_t generation = s->ResultGeneration();
  const int ended = s.events.searchEnded;
  s->SelectRange(5);  // 集部: no search runs, so the results stay those of 論語

  // The text, and the characters named as the reason.
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"abc", u"abc"},
      {u"學a 而b a", u"ab"},   // each once, in the order typed
      {u"\t學", u"\t"},
      {u"學,", u","},
      {u"\u3000\u3000", u""},  // nothing to search
      {u"  ", u""},
  };
  for (const auto& [text, reason] : cases) {
    EXPECT_EQ(s->Search(text), Start::Rejected) << Utf8(text);
    EXPECT_EQ(s->RejectedText(), reason) << Utf8(text);
    EXPECT_EQ(CReadingSession::UnsearchableCharacters(text), reason) << Utf8(text);
    EXPECT_EQ(s->KeyWords(), u"學") << Utf8(text);
    EXPECT_EQ(s->ResultKeyWords(), u"學") << Utf8(text);
    EXPECT_EQ(s.Records(), (std::vector<int32_t>{0, 1})) << Utf8(text);
  }
  EXPECT_EQ(s->ResultGeneration(), generation);
  EXPECT_EQ(s.events.searchEnded, ended);
  // Characters the engine takes are never named.
  EXPECT_EQ(CReadingSession::UnsearchableCharacters(u"學 * ? \U00020000"), u"");
  // An accepted search then replaces the results as usual.
  ASSERT_EQ(s->Search(u"學"), Start::Started);
  EXPECT_EQ(s.Records(), (std::vector<int32_t>{3}));
}

TEST(ReadingSession, ScopeSwitchesTheOpenIndex) {
  Session s;
  s->SelectRange(1);
  auto count = [&](const std::u16string& k) {
    EXPECT_EQ(s->Search(k), Start::Started);
    return s->Results().size();
  };
  EXPECT_EQ(count(u"學"), 2u);
  // The body-text index of this collection holds the first volume only.
  EXPECT_TRUE(s->SetScope(1));
  EXPECT_EQ(s->Scope(), 1);
  EXPECT_EQ(count(u"温"), 0u);
  EXPECT_EQ(count(u"學"), 2u);
  // No notes index: reported; searches find nothing and no hit page is
  // built, while the pages can still be read.
  EXPECT_FALSE(s->SetScope(2));
  EXPECT_FALSE(s->EngineError().empty());
  EXPECT_EQ(s->Scope(), 2);
  EXPECT_EQ(count(u"學"), 0u);
  EXPECT_FALSE(s->OpenResult(0));
  EXPECT_TRUE(s->ShowDocument(3, true, 1));
  EXPECT_TRUE(s->SetScope(0));
  EXPECT_EQ(count(u"温"), 1u);
  EXPECT_FALSE(s->SetScope(3));
  EXPECT_EQ(s->Scope(), 0);
}

TEST(ReadingSession, ResultPagesOfAHundred) {
  // 101 pages that all hold 之.
  Volume a(60, u"之"), b(41, u"之");
  Session s({{u"經部", {{u"書", {a, b}}}}});
  ASSERT_EQ(s->Search(u"之"), Start::Started);
  EXPECT_EQ(s->PageCount(), 2);
  EXPECT_EQ(s->CurPage(), 1);
  EXPECT_EQ(s->CurrentRows(), (std::pair<size_t, size_t>{0, 100}));
  EXPECT_FALSE(s->Paging().prevEnabled);
  EXPECT_TRUE(s->Paging().nextEnabled);
  EXPECT_FALSE(s->PrevResultPage());
  EXPECT_TRUE(s->NextResultPage());
  EXPECT_EQ(s->CurrentRows(), (std::pair<size_t, size_t>{100, 101}));
  EXPECT_FALSE(s->Paging().nextEnabled);
  EXPECT_FALSE(s->NextResultPage());
  EXPECT_EQ(s->CurPage(), 2);
  using Turn = CReadingSession::PageTurn;
  const std::pair<int32_t, Turn> typed[] = {
      {0, Turn::Refused}, {-1, Turn::Refused}, {3, Turn::Refused}, {2, Turn::Unchanged}, {1, Turn::Changed},
  };
  for (const auto& [page, turn] : typed) EXPECT_EQ(s->GoToResultPage(page), turn) << page;
  EXPECT_EQ(s->CurPage(), 1);
  // Sorted by page number: the first volume's page 1 and the second's side by side.
  EXPECT_EQ(s->Results()[0].nPageNo, 1);
  EXPECT_EQ(s->Results()[1].nPageNo, 1);
  EXPECT_EQ(s->Results()[2].nPageNo, 2);
}

TEST(ReadingSession, ACancelledSearchLeavesEverythingAsItWas) {
  Session s;
  s->SelectRange(1);  // 經部
  ASSERT_EQ(s->Search(u"學"), Start::Started);
  const std::vector<int32_t> before = s.Records();
  const uint64_t generation = s->ResultGeneration();
  ASSERT_TRUE(s->OpenResult(0));
  ASSERT_TRUE(s->ShowEntry(3));

  // A search held on its thread until it is cancelled.
  std::atomic<bool> holding{false};
  s->SetSearchGate([&] {
    holding = true;
    while (!s->CancelRequested()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  s->PrepareSearch();
  ASSERT_EQ(s->BeginSearch(u"而"), Start::Started);
  ASSERT_TRUE(WaitFor([&] { return holding.load(); }));
  EXPECT_TRUE(s->SearchRunning());
  // Meanwhile what reads the collection is refused, and nothing else waits.
  const size_t shown = s.events.pages.size();
  EXPECT_EQ(s->BeginSearch(u"之"), Start::Busy);
  EXPECT_FALSE(s->ShowEntry(4));
  EXPECT_FALSE(s->ShowDocument(3, false, 2));
  EXPECT_FALSE(s->OpenResult(1));
  EXPECT_FALSE(s->SetScope(1));
  EXPECT_FALSE(s->NextVolume());
  s->NextPage();
  s->GoToPage(2);
  EXPECT_EQ(s->CurNode(), 3);
  EXPECT_EQ(s->CurPageNo(), 1);
  EXPECT_EQ(s.events.pages.size(), shown);
  s->CancelSearch();
  EXPECT_EQ(s->FinishSearch(), End::Cancelled);
  EXPECT_FALSE(s->SearchRunning());
  EXPECT_EQ(s.Records(), before);
  EXPECT_EQ(s->ResultGeneration(), generation);
  EXPECT_EQ(s->KeyWords(), u"學");
  EXPECT_EQ(s->ResultKeyWords(), u"學");
  EXPECT_EQ(s->Scope(), 0);
  EXPECT_EQ(s->FinishSearch(), End::NotRunning);

  // A cancel that comes after the engine has finished counts as well.
  s->SetSearchGate({});
  const int ended = s.events.searchEnded;
  ASSERT_EQ(s->BeginSearch(u"而"), Start::Started);
  ASSERT_TRUE(WaitFor([&] { return s.events.searchEnded > ended; }));
  s->CancelSearch();
  EXPECT_EQ(s->FinishSearch(), End::Cancelled);
  EXPECT_EQ(s.Records(), before);

  // The cancelled searches are as if they never ran: a rejected string
  // keeps the results of "學".
  ASSERT_EQ(s->Search(u"abc"), Start::Rejected);
  EXPECT_EQ(s.Records(), before);
  EXPECT_EQ(s->KeyWords(), u"學");
  // And the next search runs as usual.
  ASSERT_EQ(s->Search(u"而"), Start::Started);
  EXPECT_EQ(s.Records(), (std::vector<int32_t>{0, 1, 2}));
}

TEST(ReadingSession, VolumesPagesAndTheirEnableRules) {
  Session s;
  const CReadingSession& r = *s.session;
  // Nothing read yet: every reading command is disabled.
  EXPECT_FALSE(r.CanPrevPage() || r.CanNextPage() || r.CanPrevVolume() || r.CanNextVolume());
  EXPECT_FALSE(r.CanPrevHit() || r.CanNextHit());
  s->GoToPage(2);  // the slider before any volume: nothing
  EXPECT_TRUE(s.events.pages.empty());

  EXPECT_FALSE(s->IsLeaf(2));  // a book: selecting it changes the range only
  EXPECT_TRUE(s->IsLeaf(3));
  EXPECT_FALSE(s->ShowEntry(0));
  ASSERT_TRUE(s->ShowEntry(3));
  EXPECT_EQ(r.CurNode(), 3);
  EXPECT_EQ(r.CurPageNo(), 1);
  EXPECT_EQ(r.HeaderValue(), 12345);
  ASSERT_EQ(s.events.pages.size(), 1u);
  EXPECT_EQ(s.events.pages[0].Location(), r.TocFile());
  EXPECT_TRUE(s.events.pages[0].written);
  EXPECT_EQ(s.events.readingChanged, 1);
  EXPECT_EQ(r.TocFile(), s.pages.File("windows.html"));
  EXPECT_EQ(ReadFile(r.TocFile()), StoredPage(1, u"學而時習之"));

  struct Rules {
    bool prevPage, nextPage, prevVolume, nextVolume;
  };
  auto expect = [&](Rules want, const char* where) {
    EXPECT_EQ(r.CanPrevPage(), want.prevPage) << where;
    EXPECT_EQ(r.CanNextPage(), want.nextPage) << where;
    EXPECT_EQ(r.CanPrevVolume(), want.prevVolume) << where;
    EXPECT_EQ(r.CanNextVolume(), want.nextVolume) << where;
  };
  expect({false, true, false, true}, "first page of the first volume");
  s->NextPage();
  EXPECT_EQ(r.CurPageNo(), 2);
  EXPECT_EQ(ReadFile(r.TocFile()), StoredPage(2, u"學而不思則罔"));
  expect({true, false, false, true}, "last page of the first volume");
  s->PrevPage();
  EXPECT_EQ(ReadFile(r.TocFile()), StoredPage(1, u"學而時習之"));
  s->GoToPage(2);
  EXPECT_EQ(r.CurPageNo(), 2);
  EXPECT_EQ(ReadFile(r.TocFile()), StoredPage(2, u"學而不思則罔"));
  EXPECT_EQ(s.events.readingChanged, 4);

  // A page no record of the volume carries leaves the view as it was.
  const size_t shown = s.events.pages.size();
  EXPECT_FALSE(s->ShowDocument(3, false, 7));
  EXPECT_EQ(s.events.pages.size(), shown);
  EXPECT_EQ(ReadFile(r.TocFile()), StoredPage(2, u"學而不思則罔"));
  EXPECT_TRUE(s->ShowDocument(3, true, 7));  // from the first page: the number is not used
  EXPECT_EQ(ReadFile(r.TocFile()), StoredPage(1, u"學而時習之"));

  // Volumes in catalogue order, across books and divisions.
  EXPECT_TRUE(s->NextVolume());
  EXPECT_EQ(r.CurNode(), 4);
  EXPECT_EQ(r.CurPageNo(), 1);
  EXPECT_EQ(ReadFile(r.TocFile()), StoredPage(1, u"温故而知新"));
  expect({false, false, true, true}, "the one page of the second volume");
  EXPECT_TRUE(s->NextVolume());
  EXPECT_EQ(r.CurNode(), 7);
  expect({false, false, true, false}, "the last volume");
  EXPECT_FALSE(s->NextVolume());
  EXPECT_EQ(r.CurNode(), 7);
  EXPECT_TRUE(s->PrevVolume());
  EXPECT_TRUE(s->PrevVolume());
  EXPECT_EQ(r.CurNode(), 3);
  expect({false, true, false, true}, "back at the first volume");
  // Past the first volume no volume is current.
  EXPECT_FALSE(s->PrevVolume());
  EXPECT_EQ(r.CurNode(), 0);
  expect({true, false, false, false}, "no volume, page number left");
}

TEST(ReadingSession, HitPagesTakeTurnsAndTheHitCommandsStepThroughThem) {
  Session s;
  s->SelectRange(5);
  ASSERT_EQ(s->Search(u"學"), Start::Started);
  const int32_t record = s->Results()[0].nRecord;  // 學學學而: three hits
  std::vector<std::string> files;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(s->OpenResult(record));
    files.push_back(s->HitPage());
    EXPECT_EQ(s.events.LastLocation(), s->HitPage() + "#0000");
    EXPECT_EQ(s->HitCount(), 3);
    EXPECT_EQ(s->HitIndex(), 0);
  }
  EXPECT_EQ(files[0], files[2]);
  EXPECT_NE(files[0], files[1]);
  EXPECT_TRUE(files[0] == s->HitFile1() || files[0] == s->HitFile2());
  const std::string page = ReadFile(s->HitPage());
  for (const char* anchor : {"name=\"0000\"", "name=\"0001\"", "name=\"0002\""})
    EXPECT_NE(page.find(anchor), std::string::npos) << anchor;

  // Forward to the last anchor, back to the first; each step only moves the view.
  std::vector<std::string> steps;
  while (s->CanNextHit()) {
    s->NextHit();
    steps.push_back(s.events.pages.back().anchor);
    EXPECT_FALSE(s.events.pages.back().written);
  }
  while (s->CanPrevHit()) {
    s->PrevHit();
    steps.push_back(s.events.pages.back().anchor);
  }
  EXPECT_EQ(steps, (std::vector<std::string>{"0001", "0002", "0001", "0000"}));

  // A page of a volume leaves the hit commands on the hit page shown last.
  s->NextHit();
  ASSERT_TRUE(s->ShowEntry(3));
  EXPECT_TRUE(s->CanNextHit());
  s->NextHit();
  EXPECT_EQ(s.events.LastLocation(), files[2] + "#0002");
  // A new search command goes back to the first hit of that page.
  s->PrepareSearch();
  EXPECT_EQ(s->HitIndex(), 0);
  EXPECT_EQ(s->HitCount(), 3);
  EXPECT_EQ(s->HitPage(), files[2]);
  s->NextHit();

  // A search that is refused or cancelled leaves the hit commands as they were.
  EXPECT_EQ(s->Search(u"abc"), Start::Rejected);
  s->SetSearchGate([&] {
    while (!s->CancelRequested()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  ASSERT_EQ(s->BeginSearch(u"而"), Start::Started);
  s->CancelSearch();
  ASSERT_EQ(s->FinishSearch(), End::Cancelled);
  s->SetSearchGate({});
  EXPECT_EQ(s->HitIndex(), 1);
  EXPECT_EQ(s->HitCount(), 3);
  // New results: the old hit page is not theirs, and nothing is left to step through.
  ASSERT_EQ(s->Search(u"而"), Start::Started);
  EXPECT_EQ(s->HitCount(), 0);
  EXPECT_EQ(s->HitIndex(), 0);
  EXPECT_TRUE(s->HitPage().empty());
  EXPECT_FALSE(s->CanNextHit() || s->CanPrevHit());
  const size_t shown = s.events.pages.size();
  s->NextHit();  // sent regardless of the rule: nothing to show
  EXPECT_EQ(s.events.pages.size(), shown);
  EXPECT_EQ(s->HitIndex(), 0);
}

TEST(ReadingSession, ReadingGoesOnFromAnOpenedResult) {
  Session s;
  // Where each record lies: catalogue entry of its volume and page number.
  const struct {
    int32_t record;
    bool held;
    int entry, pageNo;
  } where[] = {{0, true, 3, 1}, {1, true, 3, 2}, {2, true, 4, 1}, {3, true, 7, 1}, {4, false, 0, 0}, {-1, false, 0, 0}};
  for (const auto& w : where) {
    int entry = 0, pageNo = 0;
    EXPECT_EQ(s->VolumeOfRecord(w.record, entry, pageNo), w.held) << w.record;
    if (w.held) {
      EXPECT_EQ(std::make_pair(entry, pageNo), std::make_pair(w.entry, w.pageNo)) << w.record;
    }
  }

  // A volume chosen first, then a result in another volume opened: its
  // volume and page are the ones read.
  ASSERT_TRUE(s->ShowEntry(4));
  ASSERT_EQ(s->Search(u"學"), Start::Started);
  const int changes = s.events.readingChanged;
  ASSERT_TRUE(s->OpenResult(1));
  EXPECT_EQ(s->CurNode(), 3);
  EXPECT_EQ(s->CurPageNo(), 2);
  EXPECT_EQ(s.events.readingChanged, changes + 1);
  EXPECT_EQ(s.events.LastLocation(), s->HitPage() + "#0000");  // the hit page is what is shown
  EXPECT_TRUE(s->CanPrevPage());
  EXPECT_FALSE(s->CanNextPage());
  s->PrevPage();
  EXPECT_EQ(s->CurPageNo(), 1);
  EXPECT_EQ(ReadFile(s->TocFile()), StoredPage(1, u"學而時習之"));
  // The next volume after the result's, not after the one chosen before.
  ASSERT_TRUE(s->OpenResult(1));
  ASSERT_TRUE(s->NextVolume());
  EXPECT_EQ(s->CurNode(), 4);
  ASSERT_TRUE(s->OpenResult(3));
  EXPECT_EQ(s->CurNode(), 7);
  EXPECT_FALSE(s->CanNextVolume());
  ASSERT_TRUE(s->PrevVolume());
  EXPECT_EQ(s->CurNode(), 4);
}

TEST(ReadingSession, PageFilesGoWithTheSession) {
  TempDir data, pagesBase, startFolder;
  WriteCollection(data.path(), Analects());
  CPageFolder pages(pagesBase.path());
  std::vector<std::string> files;
  {
    // The listing goes beside the page files, not into the folder the
    // program was started from.
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(startFolder.path());
    CReadingSession s(data.path(), &pages);
    ASSERT_TRUE(s.OpenEngine());
    ASSERT_TRUE(s.LoadCatalogue());
    std::filesystem::current_path(before);
    EXPECT_TRUE(std::filesystem::is_empty(startFolder.path()));
    EXPECT_EQ(s.ListingFile(), pages.File("vok.txt"));
    EXPECT_EQ(ReadFile(s.ListingFile()), s.Catalogue().Listing());
    files.push_back(s.ListingFile());
    ASSERT_EQ(s.Search(u"學"), Start::Started);
    ASSERT_TRUE(s.ShowEntry(3));
    ASSERT_TRUE(s.OpenResult(0));
    ASSERT_TRUE(s.OpenResult(1));
    for (const std::string& f : {s.TocFile(), s.HitFile1(), s.HitFile2()}) files.push_back(f);
    for (const std::string& f : files) EXPECT_TRUE(std::filesystem::exists(f)) << f;
    // Ending with a search held on its thread: it is stopped and waited for.
    s.SetSearchGate([&] {
      while (!s.CancelRequested()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    ASSERT_EQ(s.BeginSearch(u"而"), Start::Started);
  }
  for (const std::string& f : files) EXPECT_FALSE(std::filesystem::exists(f)) << f;
  EXPECT_TRUE(std::filesystem::exists(pages.Path()));

  // Without a page folder, or with a collection that is not there, nothing
  // is shown and nothing breaks.
  CReadingSession bare(data.path(), nullptr);
  ASSERT_TRUE(bare.OpenEngine());
  ASSERT_TRUE(bare.LoadCatalogue());
  EXPECT_TRUE(bare.ListingFile().empty());
  EXPECT_TRUE(bare.ShowEntry(3));
  EXPECT_EQ(bare.CurNode(), 3);
  EXPECT_FALSE(bare.ShowDocument(3, true, 1));
  EXPECT_FALSE(bare.OpenResult(0));
  TempDir empty;
  CReadingSession missing(empty.path(), &pages);
  EXPECT_FALSE(missing.OpenEngine());
  EXPECT_FALSE(missing.EngineError().empty());
  EXPECT_FALSE(missing.LoadCatalogue());
  EXPECT_EQ(missing.Catalogue().NodeCount(), 1);
  EXPECT_EQ(missing.Search(u"學"), Start::Started);  // the range entry holds nothing: every page, none here
  EXPECT_TRUE(missing.Results().empty());
  EXPECT_FALSE(missing.ShowEntry(1));
}

}  // namespace tevarin
