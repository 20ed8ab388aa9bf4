// CSessionAdapter: the reading session in the Qt event loop. It owns the
// CReadingSession, turns what the session says into signals (a page for the
// page view, a change of the volume or page read, the end of a search, which
// the session reports from its search thread and the adapter brings to the
// windows' thread), and holds back the commands that read the collection
// while a search runs.
//
// A search that is still running after kCancelDelayMs is a long one:
// longSearchChanged(true) tells the windows to offer its cancelling and to
// disable the commands that read the collection until it ends.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "session/readingsession.h"

namespace tevarin {

class CPageFolder;

class CSessionAdapter : public QObject, private CReadingSession::Listener {
  Q_OBJECT
 public:
  static constexpr int kCancelDelayMs = 300;

  CSessionAdapter(const QString& dataFolder, CPageFolder* pages, QObject* parent = nullptr);
  // Cancels a running search and waits for its end.
  ~CSessionAdapter() override;

  CReadingSession& Session() { return *m_session; }
  const CReadingSession& Session() const { return *m_session; }

  // BeginSearch of the session; when the search started, searchEnded follows
  // on this thread once it has ended.
  CReadingSession::SearchStart StartSearch(const QString& keywords);
  bool Busy() const { return m_session->SearchRunning(); }
  bool LongSearch() const { return m_long; }
  void CancelSearch() { m_session->CancelSearch(); }
  // Runs command now, or, while a search runs, once it has ended and its end
  // has been handled; commands held back run in the order they came.
  void WhenIdle(std::function<void()> command);
  // Opens the hit page of record as a result row does and goes on to its
  // hit number anchor as the next-hit command does; only the last page
  // request reaches the view. Runs once no search is running, and not at
  // all when a search has replaced the results of generation meanwhile.
  void OpenHit(int32_t record, int anchor, uint64_t generation);

 signals:
  // The page view is to show location (a file, maybe with "#anchor"); written:
  // file was written anew.
  void pageRequested(const QString& location, const QString& file, bool written);
  void readingChanged();
  void longSearchChanged(bool running);
  // The search has ended; its results are taken (cancelled: everything is
  // as it was before it).
  void searchEnded(bool cancelled);

 private:
  void ShowPage(const CReadingSession::PageRequest& page) override;
  void ReadingChanged() override;
  void SearchEnded() override;  // on the search thread
  void OnSearchEnded();

  std::unique_ptr<CReadingSession> m_session;
  QTimer m_longTimer;
  bool m_long = false;
  std::vector<std::function<void()>> m_heldBack;
  // While OpenHit steps through a hit page: the last page request, with
  // written set when any of the requests wrote the file.
  bool m_gathering = false;
  bool m_gathered = false;
  CReadingSession::PageRequest m_lastRequest;
};

}  // namespace tevarin
