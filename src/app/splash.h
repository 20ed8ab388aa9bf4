// CSplashWnd: the introductory movie "main.swf" beside the executable, played
// over the whole screen above the main window until a key press, a mouse
// button press anywhere in the application, or 50 seconds end it. The press
// that closes it goes no further.
#pragma once

#include <QWidget>

class QMediaPlayer;
class QVideoWidget;

class CSplashWnd : public QWidget {
  Q_OBJECT
 public:
  static void SetSplashEnabled(bool enabled);
  static bool SplashEnabled();
  // Opens the splash over owner (at most one at a time); nothing when disabled
  // or when no multimedia backend can play.
  static void OpenSplash(QWidget* owner);
  static void CloseSplash();
  static CSplashWnd* Current();
  // Whether an event closes the splash (and is consumed).
  static bool IsClosingEvent(const QEvent* event);

  ~CSplashWnd() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  explicit CSplashWnd(QWidget* owner);
  bool Create();

  QMediaPlayer* m_player = nullptr;
  QVideoWidget* m_video = nullptr;
  int m_timer = 0;
};
