#include "ui/panel/sessionadapter.h"

#include "session/pagefolder.h"

namespace tevarin {

CSessionAdapter::CSessionAdapter(const QString& dataFolder, CPageFolder* pages, QObject* parent)
    : QObject(parent), m_session(std::make_unique<CReadingSession>(dataFolder.toStdString(), pages)) {
  m_session->SetListener(this);
  m_longTimer.setSingleShot(true);
  m_longTimer.setInterval(kCancelDelayMs);
  connect(&m_longTimer, &QTimer::timeout, this, [this] {
    if (!Busy() || m_long) return;
    m_long = true;
    emit longSearchChanged(true);
  });
}

CSessionAdapter::~CSessionAdapter() {
  // The session's end waits for its search thread, whose last word is posted
  // to this object while it is still whole; the posted call is dropped with it.
  m_session.reset();
}

CReadingSession::SearchStart CSessionAdapter::StartSearch(const QString& keywords) {
  const CReadingSession::SearchStart start = m_session->BeginSearch(keywords.toStdU16String());
  if (start == CReadingSession::SearchStart::Started) m_longTimer.start();
  return start;
}

void CSessionAdapter::WhenIdle(std::function<void()> command) {
  if (Busy())
    m_heldBack.push_back(std::move(command));
  else
    command();
}

void CSessionAdapter::OpenHit(int32_t record, int anchor, uint64_t generation) {
  WhenIdle([this, record, anchor, generation] {
    if (m_session->ResultGeneration() != generation) return;
    m_gathering = true;
    m_gathered = false;
    if (m_session->OpenResult(record))
      for (int i = 0; i < anchor && m_session->CanNextHit(); ++i) m_session->NextHit();
    m_gathering = false;
    if (m_gathered) ShowPage(m_lastRequest);
    m_gathered = false;
  });
}

void CSessionAdapter::ShowPage(const CReadingSession::PageRequest& page) {
  if (m_gathering) {
    const bool written = page.written || (m_gathered && m_lastRequest.written);
    m_lastRequest = page;
    m_lastRequest.written = written;
    m_gathered = true;
    return;
  }
  emit pageRequested(QString::fromStdString(page.Location()), QString::fromStdString(page.path), page.written);
}

void CSessionAdapter::ReadingChanged() { emit readingChanged(); }

void CSessionAdapter::SearchEnded() {
  QMetaObject::invokeMethod(this, &CSessionAdapter::OnSearchEnded, Qt::QueuedConnection);
}

void CSessionAdapter::OnSearchEnded() {
  if (!Busy()) return;
  m_longTimer.stop();
  const bool cancelled = m_session->FinishSearch() != CReadingSession::SearchEnd::Results;
  if (m_long) {
    m_long = false;
    emit longSearchChanged(false);
  }
  emit searchEnded(cancelled);
  // The commands that waited for the search, unless one of them started
  // another (the rest then wait for that one).
  std::vector<std::function<void()>> waiting;
  waiting.swap(m_heldBack);
  for (size_t i = 0; i < waiting.size(); ++i) {
    if (Busy()) {
      m_heldBack.insert(m_heldBack.begin(), waiting.begin() + static_cast<std::ptrdiff_t>(i), waiting.end());
      break;
    }
    waiting[i]();
  }
}

}  // namespace tevarin
