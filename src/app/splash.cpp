#include "app/splash.h"

#include <QApplication>
#include <QAudioOutput>
#include <QEvent>
#include <QMediaPlayer>
#include <QScreen>
#include <QTimerEvent>
#include <QUrl>
#include <QVBoxLayout>
#include <QVideoWidget>

namespace {
bool g_enabled = false;
CSplashWnd* g_current = nullptr;
constexpr int kSplashMilliseconds = 50000;
}  // namespace

void CSplashWnd::SetSplashEnabled(bool enabled) { g_enabled = enabled; }
bool CSplashWnd::SplashEnabled() { return g_enabled; }
CSplashWnd* CSplashWnd::Current() { return g_current; }

CSplashWnd::CSplashWnd(QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("Splash"));
  setAttribute(Qt::WA_DeleteOnClose);
  setCursor(Qt::ArrowCursor);
  setStyleSheet(QStringLiteral("background: black;"));
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
  const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry()
                                                        : QRect(0, 0, 1024, 768);
  setGeometry(screen);
  m_video = new QVideoWidget(this);
  m_video->setObjectName(QStringLiteral("Flash"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_video);
  m_player->setVideoOutput(m_video);
  m_player->setAudioOutput(new QAudioOutput(this));
  // A missing movie leaves the black window over the screen until it is closed.
  m_player->setSource(QUrl::fromLocalFile(QCoreApplication::applicationDirPath() +
                                          QStringLiteral("/main.swf")));
  m_timer = startTimer(kSplashMilliseconds);
  qApp->installEventFilter(this);
  showFullScreen();
  m_player->play();
  return true;
}

void CSplashWnd::CloseSplash() {
  CSplashWnd* s = g_current;
  if (!s) return;
  g_current = nullptr;
  if (s->m_player) s->m_player->stop();
  s->close();
  if (QWidget* owner = s->parentWidget()) owner->repaint();
}

bool CSplashWnd::IsClosingEvent(const QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonDblClick:
      return true;
    default:
      return false;
  }
}

bool CSplashWnd::eventFilter(QObject*, QEvent* event) {
  if (g_current != this || !IsClosingEvent(event)) return false;
  CloseSplash();
  return true;
}

void CSplashWnd::timerEvent(QTimerEvent* event) {
  if (event->timerId() == m_timer) CloseSplash();
}
