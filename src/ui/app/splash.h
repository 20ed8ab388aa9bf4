// CSplashWnd: the introductory movie. A frameless window covering the whole
// screen above the main window plays "main.swf", beside the executable or in
// the installed share folder (see ProgramFile), in any format the multimedia
// backend can play, whatever the file's name. Any key
// press or mouse-button press anywhere in the application closes it and goes
// no further; so does the 50-second timer. Without a multimedia backend no
// window opens; with a missing or unplayable file the window still covers the
// screen until it is closed.
#pragma once

#include <QWidget>

class QMediaPlayer;
class QVideoWidget;

namespace tevarin {

class CSplashWnd : public QWidget {
  Q_OBJECT
 public:
  // Set once at start-up from the command line; false: never shown.
  static void SetSplashEnabled(bool enabled);
  static bool SplashEnabled();
  // Opens the splash over owner; nothing when disabled, already open, or
  // when no multimedia backend is there.
  static void OpenSplash(QWidget* owner);
  // Stops the movie, closes the window and repaints the owner.
  static void CloseSplash();
  // The open splash window, null when none.
  static CSplashWnd* Current();
  // Puts the open splash window back above its owner (after the owner has
  // been shown).
  static void RaiseCurrent();

  // What the application-wide filter does with an event while the splash is
  // open: close it (and consume the event), consume it only, or let it pass.
  enum class FilterAction { Pass, Swallow, Close };
  static FilterAction ActionFor(const QEvent* event);
  // The application-wide filter itself: true when the event was consumed.
  static bool SplashFilterMessage(QEvent* event);

  // The path of the movie: "main.swf" where ProgramFile finds it, else the
  // name in the executable's folder.
  static QString MoviePath();
  // The 50-second limit in milliseconds.
  static constexpr int kTimeoutMs = 50000;

  QMediaPlayer* Player() const { return m_player; }
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

}  // namespace tevarin
