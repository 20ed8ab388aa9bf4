#include "ui/app/splash.h"

#include <QApplication>
#include <QAudioOutput>
#include <QEvent>
#include <QKeyEvent>
#include <QMediaPlayer>
#include <QScreen>
#include <QTimerEvent>
#include <QUrl>
#include <QVBoxLayout>
#include <QVideoWidget>

#include "ui/app/resources.h"

namespace tevarin {

namespace {
bool g_enabled = false;
CSplashWnd* g_current = nullptr;
}  // namespace

void CSplashWnd::SetSplashEnabled(bool enabled) { g_enabled = enabled; }
bool CSplashWnd::SplashEnabled() { return g_enabled; }
CSplashWnd* CSplashWnd::Current() { return g_current; }

QString CSplashWnd::MoviePath() {
  const QString found = ProgramFile(QStringLiteral("main.swf"));
  // Nowhere: the name beside the executable, which then plays nothing.
  return found.isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/main.swf") : found;
}

CSplashWnd::CSplashWnd(QWidget* owner) : QWidget(owner, Qt::Window | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("Splash"));
  setAttribute(Qt::WA_DeleteOnClose);
  setCursor(Qt::ArrowCursor);
  // The window paints nothing of its own; black shows until the first frame.
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::black);
  setPalette(pal);
  setAutoFillBackground(true);
}

CSplashWnd::~CSplashWnd() {
  qApp->removeEventFilter(this);
  if (g_current == this) g_current = nullptr;
}

void CSplashWnd::OpenSplash(QWidget* owner) {
  if (!g_enabled || g_current) return;
  auto* splash = new CSplashWnd(owner);
  g_current = splash;
  if (!splash->Create()) {
    g_current = nullptr;
    delete splash;
  }
}

bool CSplashWnd::Create() {
  m_player = new QMediaPlayer(this);
  // No multimedia backend: no splash window at all.
  if (!m_player->isAvailable()) return false;
  QScreen* screen = QGuiApplication::primaryScreen();
  setGeometry(screen ? screen->geometry() : QRect(0, 0, 1024, 768));
  m_video = new QVideoWidget(this);
  m_video->setObjectName(QStringLiteral("Flash"));
  m_video->setAspectRatioMode(Qt::KeepAspectRatio);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_video);
  m_player->setVideoOutput(m_video);
  m_player->setAudioOutput(new QAudioOutput(this));
  // A missing or unreadable movie leaves the black window over the screen
  // until a key, a click or the timer closes it.
  m_player->setSource(QUrl::fromLocalFile(MoviePath()));
  m_timer = startTimer(kTimeoutMs);
  qApp->installEventFilter(this);
  showFullScreen();
  repaint();
  m_player->play();
  return true;
}

void CSplashWnd::RaiseCurrent() {
  if (g_current) g_current->raise();
}

void CSplashWnd::CloseSplash() {
  CSplashWnd* s = g_current;
  if (!s) return;
  g_current = nullptr;
  qApp->removeEventFilter(s);
  if (s->m_player) s->m_player->stop();
  QWidget* owner = s->parentWidget();
  s->close();  // deletes the window (WA_DeleteOnClose)
  if (owner && owner->isVisible()) owner->repaint();
}

CSplashWnd::FilterAction CSplashWnd::ActionFor(const QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::NonClientAreaMouseButtonPress:
      return FilterAction::Close;
    case QEvent::ShortcutOverride:
      // Comes before the key press: taken so that no shortcut fires; the
      // key press that follows closes the window.
      return FilterAction::Swallow;
    default:
      return FilterAction::Pass;
  }
}

bool CSplashWnd::SplashFilterMessage(QEvent* event) {
  if (!g_current) return false;
  switch (ActionFor(event)) {
    case FilterAction::Pass:
      return false;
    case FilterAction::Swallow:
      event->accept();
      return true;
    case FilterAction::Close:
      CloseSplash();
      return true;
  }
  return false;
}

bool CSplashWnd::eventFilter(QObject*, QEvent* event) { return SplashFilterMessage(event); }

void CSplashWnd::timerEvent(QTimerEvent* event) {
  if (event->timerId() == m_timer) CloseSplash();
}

}  // namespace tevarin
