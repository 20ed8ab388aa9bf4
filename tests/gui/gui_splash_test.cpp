// The splash window: which events close it, that the closing press goes no
// further, and that the intro movie beside the program really plays.
#include <QLineEdit>
#include <QMediaPlayer>
#include <QSignalSpy>

#include "ui/app/splash.h"
#include "guitest.h"

using namespace tevarin;

class SplashTest : public QObject {
  Q_OBJECT

  // Opens the splash over owner; false when this machine has no multimedia
  // backend (then no splash window exists at all).
  static bool Open(QWidget* owner) {
    CSplashWnd::SetSplashEnabled(true);
    CSplashWnd::OpenSplash(owner);
    return CSplashWnd::Current() != nullptr;
  }

 private slots:
  void cleanup() {
    CSplashWnd::CloseSplash();
    CSplashWnd::SetSplashEnabled(false);
  }

  void eventsThatCloseIt() {
    using A = CSplashWnd::FilterAction;
    const struct {
      QEvent::Type type;
      A action;
    } cases[] = {
        {QEvent::KeyPress, A::Close},
        {QEvent::MouseButtonPress, A::Close},
        {QEvent::NonClientAreaMouseButtonPress, A::Close},
        {QEvent::ShortcutOverride, A::Swallow},
        {QEvent::KeyRelease, A::Pass},
        {QEvent::MouseButtonRelease, A::Pass},
        {QEvent::MouseMove, A::Pass},
        {QEvent::Wheel, A::Pass},
        {QEvent::Paint, A::Pass},
    };
    for (const auto& c : cases) {
      QEvent e(c.type);
      QCOMPARE(CSplashWnd::ActionFor(&e), c.action);
    }
  }

  void disabledSplashNeverOpens() {
    QWidget owner;
    CSplashWnd::SetSplashEnabled(false);
    CSplashWnd::OpenSplash(&owner);
    QVERIFY(!CSplashWnd::Current());
    // With nothing open the filter lets everything pass.
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QVERIFY(!CSplashWnd::SplashFilterMessage(&key));
  }

  void keyPressClosesAndGoesNoFurther() {
    QWidget owner;
    auto* edit = new QLineEdit(&owner);
    owner.show();
    if (!Open(&owner)) QSKIP("no multimedia backend here: the program shows no splash");
    QVERIFY(CSplashWnd::Current()->isVisible());
    // Moving the mouse and releasing a button do not close it.
    QTest::mouseMove(edit, QPoint(3, 3));
    QTest::mouseRelease(edit, Qt::LeftButton);
    QVERIFY(CSplashWnd::Current());
    // The key that closes it is not typed into the field.
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A);
    QVERIFY(!CSplashWnd::Current());
    QVERIFY(edit->text().isEmpty());
    QTest::keyClick(edit, Qt::Key_B);
    QCOMPARE(edit->text(), QStringLiteral("b"));
  }

  void mouseClickAnywhereCloses() {
    QWidget owner;
    owner.resize(200, 200);
    owner.show();
    if (!Open(&owner)) QSKIP("no multimedia backend here: the program shows no splash");
    QTest::mousePress(&owner, Qt::RightButton, {}, QPoint(10, 10));
    QVERIFY(!CSplashWnd::Current());
    // Opens at most once at a time, and again only when asked.
    QVERIFY(Open(&owner));
    CSplashWnd* first = CSplashWnd::Current();
    CSplashWnd::OpenSplash(&owner);
    QCOMPARE(CSplashWnd::Current(), first);
  }

  void introMoviePlays() {
    QVERIFY2(QFileInfo::exists(CSplashWnd::MoviePath()), qPrintable(CSplashWnd::MoviePath()));
    QWidget owner;
    owner.show();
    if (!Open(&owner)) QSKIP("no multimedia backend here: the program shows no splash");
    QMediaPlayer* player = CSplashWnd::Current()->Player();
    QSignalSpy errors(player, &QMediaPlayer::errorOccurred);
    QTRY_VERIFY_WITH_TIMEOUT(player->mediaStatus() == QMediaPlayer::BufferedMedia ||
                                 player->mediaStatus() == QMediaPlayer::EndOfMedia ||
                                 player->mediaStatus() == QMediaPlayer::InvalidMedia,
                             20000);
    QCOMPARE(player->mediaStatus() == QMediaPlayer::InvalidMedia, false);
    QCOMPARE(errors.count(), 0);
    QCOMPARE(player->error(), QMediaPlayer::NoError);
    QVERIFY(player->hasVideo());
    QVERIFY(player->duration() >= 4000);
    QTRY_VERIFY_WITH_TIMEOUT(player->position() > 0, 10000);
    QCOMPARE(CSplashWnd::kTimeoutMs, 50000);
  }
};

TEVARIN_GUI_TEST_MAIN(SplashTest)
#include "gui_splash_test.moc"
