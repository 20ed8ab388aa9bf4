// The page view: blank page and navigation, its own context menu, the Ctrl
// block, and the copy limited to 600 bytes of CP932 text; the counting and
// cutting of that limit on their own.
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEnginePage>

#include "guitest.h"
#include "view/bookview.h"
#include "view/limitedcopy.h"

namespace {

const QChar kKan(0x6F22);  // 漢: two bytes in CP932

QString Repeat(QChar c, int n) { return QString(n, c); }

}  // namespace

class ViewTest : public QObject {
  Q_OBJECT

  QTemporaryDir m_dir;
  CBookView* m_view = nullptr;
  QWidget* m_window = nullptr;

  // Writes a page holding exactly text in its body and shows it.
  QString ShowPage(const QString& name, const QString& text, const QString& anchor = QString()) {
    const QString path = m_dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return QString();
    f.write("<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head><body>");
    f.write(text.toUtf8());
    f.write("<a name=\"0001\"></a></body></html>");
    f.close();
    QSignalSpy loaded(m_view, &QWebEngineView::loadFinished);
    m_view->Navigate(anchor.isEmpty() ? path : path + QLatin1Char('#') + anchor);
    if (!loaded.wait(20000)) return QString();
    return path;
  }

  // The widget inside the view that receives the browser's input.
  QWidget* Inner() const { return m_view->focusProxy() ? m_view->focusProxy() : m_view; }

  // Selects the whole page and waits until the browser reports it.
  bool SelectAllOnPage(const QString& expected) {
    QSignalSpy changed(m_view->page(), &QWebEnginePage::selectionChanged);
    m_view->SelectAll();
    for (int i = 0; i < 10 && m_view->page()->selectedText() != expected; ++i) changed.wait(5000);
    return m_view->page()->selectedText() == expected;
  }

  // Runs the limited copy and returns the clipboard's data afterwards.
  const QMimeData* CopyAndRead(bool expectBrowserCopy) {
    QClipboard* cb = QApplication::clipboard();
    cb->clear();
    QSignalSpy changed(cb, &QClipboard::dataChanged);
    m_view->LimitedCopy();
    if (expectBrowserCopy && changed.isEmpty()) changed.wait(10000);
    return cb->mimeData();
  }

 private slots:
  void initTestCase() {
    QVERIFY(m_dir.isValid());
    m_window = new QWidget;
    m_window->resize(800, 600);
    m_view = new CBookView(m_window);
    m_view->resize(800, 600);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
  }
  void cleanupTestCase() { delete m_window; }

  void countsCp932Bytes() {
    QCOMPARE(Cp932Length(QStringLiteral("abc")), 3);
    QCOMPARE(Cp932Length(Repeat(kKan, 3)), 6);
    QCOMPARE(Cp932Length(QStringLiteral("ｱｲ")), 2);          // half-width katakana: one byte
    QCOMPARE(Cp932Length(QStringLiteral("あ\n")), 3);
    QCOMPARE(Cp932CharBytes(0x4E7E), 2);                      // 乾, in CP932
    QCOMPARE(Cp932CharBytes(0x4E7F), 2);                      // 乿: no CP932 form, counted 2
    QCOMPARE(Cp932Length(QString::fromUcs4(U"\U00020000\U0002A6D6")), 4);  // beyond the BMP
    QCOMPARE(Cp932Length(QString()), 0);
  }

  void cutsBetweenCharacters() {
    // 600 bytes fit; 601 are cut.
    QCOMPARE(CutToCp932Bytes(Repeat(kKan, 300)), Repeat(kKan, 300));
    QCOMPARE(CutToCp932Bytes(Repeat(kKan, 301)), Repeat(kKan, 300));
    // One byte before the double-byte characters: byte 600 would be the
    // first half of a character, so the cut ends one byte early.
    const QString odd = QStringLiteral("a") + Repeat(kKan, 300);
    QCOMPARE(Cp932Length(odd), 601);
    QCOMPARE(CutToCp932Bytes(odd), QStringLiteral("a") + Repeat(kKan, 299));
    // A character beyond the BMP (a surrogate pair) is never split.
    const QString ext = Repeat(QLatin1Char('a'), 599) + QString::fromUcs4(U"\U00020000");
    QCOMPARE(CutToCp932Bytes(ext), Repeat(QLatin1Char('a'), 599));
    QCOMPARE(CutToCp932Bytes(QStringLiteral("abc"), 2), QStringLiteral("ab"));
  }

  void startsBlankAndShowsFilesWithAnchors() {
    CBookView fresh;
    QCOMPARE(fresh.CurrentLocation(), QStringLiteral("about:blank"));
    QVERIFY(!fresh.PageShown());

    const QString path = ShowPage(QStringLiteral("windows1.html"), QStringLiteral("頁"), QStringLiteral("0001"));
    QVERIFY(!path.isEmpty());
    QVERIFY(m_view->PageShown());
    const QUrl url(m_view->CurrentLocation());
    QCOMPARE(url.toLocalFile(), path);
    QCOMPARE(url.fragment(), QStringLiteral("0001"));
    // The same file at another anchor.
    m_view->Navigate(path + QStringLiteral("#0000"));
    QCOMPARE(QUrl(m_view->CurrentLocation()).fragment(), QStringLiteral("0000"));
  }

  void contextMenuOnlyOnAShownPage() {
    CBookView blank(m_window);
    blank.resize(200, 200);
    blank.show();
    QSignalSpy blankMenus(&blank, &CBookView::contextMenuShown);
    QTest::mousePress(&blank, Qt::RightButton, {}, QPoint(20, 20));
    QCOMPARE(blankMenus.count(), 0);
    QVERIFY(!blank.ContextMenu()->isVisible());
    blank.hide();

    QVERIFY(!ShowPage(QStringLiteral("menu.html"), QStringLiteral("本文")).isEmpty());
    QSignalSpy menus(m_view, &CBookView::contextMenuShown);
    QTest::mousePress(Inner(), Qt::RightButton, {}, QPoint(30, 40));
    QCOMPARE(menus.count(), 1);
    QMenu* menu = m_view->ContextMenu();
    QTRY_VERIFY(menu->isVisible());
    const QList<QAction*> items = menu->actions();
    QCOMPARE(items.size(), 2);
    QCOMPARE(items[0]->text(), QStringLiteral("コピー(300字以内に制限しています。)"));
    QCOMPARE(items[1]->text(), QStringLiteral("すべて選択。"));
    QVERIFY(items[0]->isEnabled() && items[1]->isEnabled());
    menu->hide();
  }

  void ctrlKeyIsBlockedWithOneMessagePerPress() {
    QVERIFY(!ShowPage(QStringLiteral("ctrl.html"), QStringLiteral("本文")).isEmpty());
    MessageRecorder messages;
    QTest::keyPress(Inner(), Qt::Key_Control);
    QCOMPARE(messages.texts, QStringList{QStringLiteral("マウスの右ボタンでコピーして下さい。")});
    // The key held down repeats without further messages.
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier, QString(), true);
    QApplication::sendEvent(Inner(), &repeat);
    QCOMPARE(messages.texts.size(), 1);
    QTest::keyRelease(Inner(), Qt::Key_Control);
    // The combinations never reach the browser.
    using A = CBookView::KeyAction;
    QCOMPARE(CBookView::ActionForKey(Qt::Key_C, Qt::ControlModifier, false), A::Block);
    QCOMPARE(CBookView::ActionForKey(Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier, false), A::Block);
    QCOMPARE(CBookView::ActionForKey(Qt::Key_F3, Qt::NoModifier, false), A::Pass);
    QCOMPARE(CBookView::ActionForKey(Qt::Key_C, Qt::NoModifier, false), A::Pass);
    QKeyEvent ctrlA(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
    QVERIFY(m_view->eventFilter(Inner(), &ctrlA));
    // Keys outside the view are not its business.
    QWidget elsewhere;
    QVERIFY(!m_view->eventFilter(&elsewhere, &ctrlA));
    QCOMPARE(messages.texts.size(), 1);
  }

  void copyOfAtMost600BytesKeepsEveryFormat() {
    const QString text = Repeat(kKan, 300);
    QVERIFY(!ShowPage(QStringLiteral("copy600.html"), text).isEmpty());
    QVERIFY(SelectAllOnPage(text));
    const QMimeData* data = CopyAndRead(true);
    QVERIFY(data);
    QCOMPARE(data->text(), text);
    QVERIFY(data->hasHtml());
  }

  void longerCopyIsCutToPlainText() {
    struct Case {
      QString page, expected;
    } cases[] = {
        {Repeat(kKan, 301), Repeat(kKan, 300)},
        {Repeat(kKan, 1000), Repeat(kKan, 300)},
        {QStringLiteral("a") + Repeat(kKan, 300), QStringLiteral("a") + Repeat(kKan, 299)},
    };
    int n = 0;
    for (const Case& c : cases) {
      QVERIFY(!ShowPage(QStringLiteral("long%1.html").arg(n++), c.page).isEmpty());
      QVERIFY(SelectAllOnPage(c.page));
      const QMimeData* data = CopyAndRead(false);
      QVERIFY(data);
      QCOMPARE(data->text(), c.expected);
      QVERIFY(!data->hasHtml());
      QVERIFY(Cp932Length(data->text()) <= 600);
    }
  }
};

TEVARIN_GUI_TEST_MAIN(ViewTest)
#include "gui_view_test.moc"
