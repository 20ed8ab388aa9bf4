// The application shell: command line, main frame (menus, accelerators,
// toolbar, enable rules, routing, "全表示"), the splitter and its saved
// value read back at the next start, the end program started once at exit,
// the help page shown in the program and saving the page shown.
#include <QClipboard>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QWebEnginePage>
#include <memory>

#include "base/collectionlocator.h"
#include "ui/app/book.h"
#include "ui/app/bookdoc.h"
#include "ui/app/mainfrm.h"
#include "session/pagefolder.h"
#include "ui/app/st_splitterwnd.h"
#include "ui/controls/scrolltoolbar.h"
#include "guitest.h"
#include "ui/view/bookview.h"

using namespace tevarin;

namespace {

struct Frame {
  CBookDoc doc;
  QTemporaryDir tmp;
  std::unique_ptr<CPageFolder> pages{new CPageFolder(tmp.path().toStdString())};
  std::unique_ptr<CMainFrame> frame{new CMainFrame(&doc, pages.get())};
  Frame() {
    frame->resize(1024, 700);
    frame->show();
  }
};

QStringList MenuTexts(QMenu* menu) {
  QStringList out;
  for (QAction* a : menu->actions()) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
  return out;
}

int LinesOf(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return 0;
  return f.readAll().count('\n');
}

}  // namespace

class ShellTest : public QObject {
  Q_OBJECT
 private slots:
  void commandLineSwitchesTurnTheSplashOff() {
    const struct {
      QStringList args;
      bool splash;
    } cases[] = {
        {{"tevarin"}, true},
        {{"tevarin", "file.txt"}, true},
        {{"tevarin", "/Embedding"}, false},
        {{"tevarin", "-embedding"}, false},
        {{"tevarin", "/Automation"}, false},
        {{"tevarin", "-Automation"}, false},
        {{"tevarin", "-Embeddingx"}, true},
    };
    for (const auto& c : cases) QCOMPARE(ShowSplashFromArguments(c.args), c.splash);
  }

  void commandLineNamesTheDataFolder() {
    const struct {
      QStringList args;
      const char* folder;
    } cases[] = {
        {{"tevarin"}, ""},
        {{"tevarin", "--data", "/srv/texts"}, "/srv/texts"},
        {{"tevarin", "--data=/srv/texts"}, "/srv/texts"},
        {{"tevarin", "-Embedding", "--data", "/a", "--data", "/b"}, "/b"},
        {{"tevarin", "--data"}, ""},
        {{"tevarin", "/srv/texts", "--database"}, ""},
    };
    for (const auto& c : cases) QCOMPARE(DataOptionFromArguments(c.args), QString::fromLatin1(c.folder));
  }

  void missingCollectionSaysWhereItLookedAndHowToBuildOne() {
    QTemporaryDir root;
    CollectionPlaces places;
    places.executableFolder = root.filePath(QStringLiteral("bin")).toStdString();
    places.home = root.filePath(QStringLiteral("home")).toStdString();
    places.xdgDataDirs = root.filePath(QStringLiteral("share")).toStdString();
    const CollectionLocation location = LocateCollection(places);
    QVERIFY(!location.found);
    const QString note = MissingCollectionNote(location, places);
    const QString user = root.filePath(QStringLiteral("home/.local/share/tevarin/collection"));
    for (const QString& place : {root.filePath(QStringLiteral("bin")), user,
                                 root.filePath(QStringLiteral("share/tevarin/collection"))})
      QVERIFY2(note.contains(place), qPrintable(note));
    QVERIFY2(note.contains(QStringLiteral("--out ") + user), qPrintable(note));
    QVERIFY(!note.contains(QLatin1Char('\n')));
    // The frame on that folder says the program's message, then the note.
    MessageRecorder messages;
    CBookDoc doc;
    QTemporaryDir tmp;
    CPageFolder pages(tmp.path().toStdString());
    CMainFrame frame(&doc, &pages, nullptr, QString::fromStdString(location.folder), note);
    QCOMPARE(messages.texts.value(0), QStringLiteral("データを開けませんでした。\n") + note);
    QCOMPARE(frame.DataFolder(), user);
  }

  void menusAcceleratorsAndToolbar() {
    Frame f;
    QVERIFY(f.frame->IsCreated());
    QCOMPARE(f.frame->windowTitle(), QStringLiteral("Tevarin"));
    QStringList popups;
    for (QAction* a : f.frame->menuBar()->actions()) popups << a->text();
    QCOMPARE(popups, (QStringList{"ファイル(&F)", "編集(&E)", "表示(&V)", "一覧", "ヘルプ(&H)"}));
    const QList<QAction*> bar = f.frame->menuBar()->actions();
    // New items come after the ones each menu had.
    QCOMPARE(MenuTexts(bar[0]->menu()),
             (QStringList{"印刷設定(&S)", "印刷(&P)", "終了(&X)", "-", "検索結果をエクスポート(&E)...",
                          "用例をエクスポート(&K)..."}));
    QCOMPARE(MenuTexts(bar[1]->menu()), (QStringList{"コピー(&C)", "すべて選択(&Q)", "出典付きでコピー(&R)"}));
    QCOMPARE(MenuTexts(bar[2]->menu()), (QStringList{"ツールバー(&T)", "状態バー(&S)", "全表示(&p)", "-",
                                                      "文字を大きく(&I)", "文字を小さく(&D)", "標準の大きさ(&R)", "-",
                                                      "言語(&L)"}));
    QCOMPARE(MenuTexts(f.frame->findChild<QMenu*>(QStringLiteral("LanguageMenu"))),
             (QStringList{"システムの言語", "-", "日本語", "繁體中文", "English"}));
    QCOMPARE(MenuTexts(bar[3]->menu()),
             (QStringList{"上の頁へ(&P)", "次の頁へ(&N)", "-", "上の巻へ", "次の巻へ", "-", "上の検索結果",
                          "次の検索結果"}));
    QCOMPARE(MenuTexts(bar[4]->menu()), (QStringList{"バージョン(&A)...", "ヘルプ"}));

    QCOMPARE(f.frame->Action(ID_EDIT_COPY)->shortcuts(),
             (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)}));
    QCOMPARE(f.frame->Action(ID_NEXT_HIT)->shortcut(), QKeySequence(Qt::Key_F3));
    QCOMPARE(f.frame->Action(ID_PREV_HIT)->shortcut(), QKeySequence(Qt::ALT | Qt::Key_F3));
    QCOMPARE(f.frame->Action(ID_FILE_SAVE)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    QCOMPARE(f.frame->Action(ID_NEXT_PANE)->shortcut(), QKeySequence(Qt::Key_F6));
    QCOMPARE(f.frame->Action(ID_PREV_PANE)->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F6));
    QCOMPARE(f.frame->Action(ID_FILE_PRINT)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    QCOMPARE(f.frame->Action(ID_ZOOM_IN)->shortcuts(),
             (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)}));
    QCOMPARE(f.frame->Action(ID_ZOOM_OUT)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Minus));
    QCOMPARE(f.frame->Action(ID_ZOOM_RESET)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_0));

    // Toolbar 128: buttons in order with their tips.
    QList<CXToolButton*> buttons = f.frame->ToolBar()->findChildren<CXToolButton*>();
    std::sort(buttons.begin(), buttons.end(), [](auto* a, auto* b) { return a->x() < b->x(); });
    QStringList tips;
    for (CXToolButton* b : buttons) tips << b->defaultAction()->toolTip();
    QCOMPARE(tips, (QStringList{"すべて選択", "コピー", "印刷", "上の巻へ", "上の頁", "次の頁", "次の巻へ",
                                "上の検索結果", "次の検索結果", "情報"}));
  }

  void enableRulesAtStartAndWithAPage() {
    Frame f;
    CMainFrame* m = f.frame.get();
    QVERIFY(QTest::qWaitForWindowExposed(m));
    // Evaluated while the loop is idle.
    QCoreApplication::processEvents();
    for (int id : {ID_PRINT_SETUP, ID_PRINT, ID_EDIT_COPY, ID_SELECT_ALL, ID_PREV_PAGE, ID_NEXT_PAGE,
                   ID_PREV_VOLUME, ID_NEXT_VOLUME, ID_PREV_HIT, ID_NEXT_HIT})
      QVERIFY2(!m->Action(id)->isEnabled(), qPrintable(QString::number(id)));
    for (int id : {ID_APP_EXIT, ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_SHOW_ALL, ID_APP_ABOUT, ID_HELP_FILE})
      QVERIFY2(m->Action(id)->isEnabled(), qPrintable(QString::number(id)));
    QVERIFY(m->Action(ID_VIEW_TOOLBAR)->isChecked());
    QCOMPARE(m->BookView()->CurrentLocation(), QStringLiteral("about:blank"));

    // A page in the view: the rules are evaluated again before a menu opens.
    QVERIFY(f.pages->Write("windows.html", "<html><body>page</body></html>"));
    m->BookView()->Navigate(QString::fromStdString(f.pages->File("windows.html")));
    QMenu* edit = m->menuBar()->actions()[1]->menu();
    emit edit->aboutToShow();
    for (int id : {ID_PRINT_SETUP, ID_PRINT, ID_EDIT_COPY, ID_SELECT_ALL}) QVERIFY(m->Action(id)->isEnabled());
    // The toolbar shows it too.
    QVERIFY(!m->ToolBar()->findChildren<CXToolButton*>().isEmpty());
    for (CXToolButton* b : m->ToolBar()->findChildren<CXToolButton*>())
      if (b->defaultAction() == m->Action(ID_EDIT_COPY)) QVERIFY(b->isEnabled());

    // Hiding the toolbar clears the check mark.
    m->Action(ID_VIEW_TOOLBAR)->trigger();
    QVERIFY(!m->ToolBar()->isVisible());
    QVERIFY(!m->Action(ID_VIEW_TOOLBAR)->isChecked());
    m->Action(ID_VIEW_TOOLBAR)->trigger();
    QVERIFY(m->ToolBar()->isVisible());
  }

  void showAllHidesAndRestoresTheLeftPane() {
    Frame f;
    CMainFrame* m = f.frame.get();
    QVERIFY(QTest::qWaitForWindowExposed(m));
    ST_SplitterWnd* s = m->Splitter();
    QCOMPARE(s->sizes().value(0), 260);
    QCOMPARE(s->ActivePane(), 0);
    m->Action(ID_SHOW_ALL)->trigger();
    QVERIFY(m->LeftPane()->isHidden());
    QCOMPARE(s->HiddenColumn(), 0);
    // The form was active: the page view takes over.
    QCOMPARE(s->ActivePane(), 1);
    QVERIFY(m->PageViewActive());
    m->Action(ID_SHOW_ALL)->trigger();
    QVERIFY(!m->LeftPane()->isHidden());
    QCOMPARE(s->sizes().value(0), 260);
    QCOMPARE(s->HiddenColumn(), -1);
    // Showing it again does not give the form its activation back.
    QCOMPARE(s->ActivePane(), 1);
    // F6 moves to the other pane.
    m->Action(ID_NEXT_PANE)->trigger();
    QCOMPARE(s->ActivePane(), 0);
  }

  void copyIsLimitedWhicheverPaneIsActive() {
    Frame f;
    CMainFrame* m = f.frame.get();
    QVERIFY(QTest::qWaitForWindowExposed(m));
    const QString text(700, QChar(0x6F22));
    QVERIFY(f.pages->Write("windows.html",
                           ("<html><head><meta charset=\"utf-8\"></head><body>" + text.toUtf8() + "</body></html>")
                               .toStdString()));
    QSignalSpy loaded(m->BookView(), &QWebEngineView::loadFinished);
    m->BookView()->Navigate(QString::fromStdString(f.pages->File("windows.html")));
    QVERIFY(loaded.wait(20000));
    QSignalSpy selected(m->BookView()->page(), &QWebEnginePage::selectionChanged);
    m->Action(ID_SELECT_ALL)->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(m->BookView()->page()->selectedText(), text, 10000);
    QClipboard* cb = QApplication::clipboard();

    // The form is active: the frame's limited copy.
    QVERIFY(!m->PageViewActive());
    m->Action(ID_EDIT_COPY)->trigger();
    QCOMPARE(cb->text(), text.left(300));

    // The page view is active: the same limit, and plain text only.
    cb->clear();
    m->Action(ID_NEXT_PANE)->trigger();
    QVERIFY(m->PageViewActive());
    m->Action(ID_EDIT_COPY)->trigger();
    QCOMPARE(cb->text(), text.left(300));
    QVERIFY(!cb->mimeData()->hasHtml());
  }

  void helpShowsThePageInTheProgram() {
    Frame f;
    CMainFrame* m = f.frame.get();
    QVERIFY(QTest::qWaitForWindowExposed(m));
    // No help page beside the test program: the program's own copy.
    QCOMPARE(CMainFrame::HelpFilePath(), QStringLiteral(":/res/help.html"));
    QVERIFY(!m->HelpWindow());
    m->Action(ID_HELP_FILE)->trigger();
    QWidget* help = m->HelpWindow();
    QVERIFY(help);
    QVERIFY(help->isVisible());
    auto* text = help->findChild<QTextBrowser*>();
    QVERIFY(text);
    QVERIFY(text->toPlainText().contains(QStringLiteral("Tevarin ヘルプ")));
    QVERIFY(text->toPlainText().contains(QStringLiteral("全体")));
    // Asked again: the same window comes forward.
    help->hide();
    m->Action(ID_HELP_FILE)->trigger();
    QCOMPARE(m->HelpWindow(), help);
    QVERIFY(help->isVisible());
  }

  void endProgramStartsOnceWhenTheWindowIsGone() {
    const QString script = CMainFrame::EndProgramPath();
    QTemporaryDir logDir;
    const QString log = logDir.filePath(QStringLiteral("end.log"));
    {
      QFile f(script);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write("#!/bin/sh\necho started >> \"$TEVARIN_END_LOG\"\n");
      f.close();
      QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    qputenv("TEVARIN_END_LOG", QFile::encodeName(log));
    {
      Frame f;
      QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
      f.frame->Action(ID_APP_EXIT)->trigger();
      QVERIFY(!f.frame->isVisible());
      // Closing alone does not start it; the frame's end does.
      QCOMPARE(LinesOf(log), 0);
    }
    QTRY_COMPARE_WITH_TIMEOUT(LinesOf(log), 1, 10000);
    // Nothing starts it a second time.
    QTest::qWait(300);
    QCOMPARE(LinesOf(log), 1);
    QFile::remove(script);
    qunsetenv("TEVARIN_END_LOG");
  }

  void splitterTogglesAndSavesItsSizes() {
    QSettings settings;
    settings.remove(QStringLiteral("SplitterWnd"));
    auto make = [](QWidget* window) {
      auto* s = new ST_SplitterWnd(0, window);
      s->Create(new QWidget, new QWidget, true);
      s->resize(1000, 400);
      return s;
    };
    int rightWidth = 0;
    {
      QWidget window;
      ST_SplitterWnd* s = make(&window);
      window.show();
      QVERIFY(QTest::qWaitForWindowExposed(&window));
      const QList<int> start = s->sizes();
      QCOMPARE(start.value(0), 260);
      rightWidth = start.value(1);
      // Toggle twice: back to the starting layout.
      s->Toggle(0);
      QVERIFY(s->widget(0)->isHidden());
      s->Toggle(1);  // neither hideable now nor the hidden one
      QVERIFY(!s->widget(1)->isHidden());
      s->Toggle(0);
      QCOMPARE(s->sizes(), start);
      QCOMPARE(s->SavedValue(), QStringLiteral("-1 260 -1 %1").arg(rightWidth));
      // The user widens the left pane.
      s->setSizes({300, rightWidth - 40});
      rightWidth = s->sizes().value(1);
    }
    QCOMPARE(QSettings().value(QStringLiteral("SplitterWnd/Panes_0")).toString(),
             QStringLiteral("-1 300 -1 %1").arg(rightWidth));
    {
      QWidget window;
      ST_SplitterWnd* s = make(&window);
      window.show();
      QVERIFY(QTest::qWaitForWindowExposed(&window));
      // The stored width is read back; both panes are shown.
      QCOMPARE(s->HiddenColumn(), -1);
      QCOMPARE(s->sizes().value(0), 300);
      rightWidth = s->sizes().value(1);
      s->Toggle(0);
    }
    // Hidden at exit: 0 first, the widths from before hiding.
    QCOMPARE(QSettings().value(QStringLiteral("SplitterWnd/Panes_0")).toString(),
             QStringLiteral("0 300 -1 %1").arg(rightWidth));
    {
      QWidget window;
      ST_SplitterWnd* s = make(&window);
      window.show();
      QVERIFY(QTest::qWaitForWindowExposed(&window));
      QCOMPARE(s->HiddenColumn(), -1);
      QCOMPARE(s->sizes().value(0), 300);
    }
    // Values the splitter did not write give the first pane its usual size.
    const struct {
      const char* saved;
      int size;
    } values[] = {{"-1 300 -1 700", 300}, {"0 80 -1 20", 80},  {"-1 20 -1 700", 0}, {"-1 99999 -1 1", 0},
                  {"-1 300 -1", 0},       {"a b c d", 0},       {"", 0},             {"-1 3x0 -1 700", 0}};
    for (const auto& v : values)
      QVERIFY2(ST_SplitterWnd::FirstPaneSizeOf(QString::fromLatin1(v.saved)) == v.size, v.saved);
    QSettings().setValue(QStringLiteral("SplitterWnd/Panes_0"), QStringLiteral("-1 20 -1 700"));
    {
      QWidget window;
      ST_SplitterWnd* s = make(&window);
      window.show();
      QVERIFY(QTest::qWaitForWindowExposed(&window));
      QCOMPARE(s->sizes().value(0), 260);
    }
    // Never laid out: the sizes of a pane not yet shown.
    {
      ST_SplitterWnd s(0);
      QVERIFY(s.SavedValue().startsWith(QStringLiteral("-1 ")));
    }
    // A window never shown writes back the width it read, not the sizes of
    // a splitter never laid out; a pane hidden before the window appears
    // comes back at that width.
    QSettings().setValue(QStringLiteral("SplitterWnd/Panes_0"), QStringLiteral("-1 300 -1 700"));
    {
      QWidget window;
      make(&window);
    }
    QVERIFY(QSettings().value(QStringLiteral("SplitterWnd/Panes_0")).toString().startsWith(QStringLiteral("-1 300 ")));
    {
      QWidget window;
      ST_SplitterWnd* s = make(&window);
      s->Toggle(0);
      window.show();
      QVERIFY(QTest::qWaitForWindowExposed(&window));
      QVERIFY(s->widget(0)->isHidden());
      s->Toggle(0);
      QCOMPARE(s->sizes().value(0), 300);
    }
  }

  void saveWritesThePageShown() {
    Frame f;
    CMainFrame* m = f.frame.get();
    QVERIFY(QTest::qWaitForWindowExposed(m));
    // Nothing shown: nothing to save.
    m->UpdateCommandUI();
    QVERIFY(!m->Action(ID_FILE_SAVE)->isEnabled());
    MessageRecorder messages;
    QTemporaryDir dir;
    const QString early = dir.filePath(QStringLiteral("early.html"));
    m->SavePageAs(early, false);
    QVERIFY(!QFileInfo::exists(early));
    QCOMPARE(messages.texts.size(), 1);

    const std::string page = "<html><head><meta charset=\"utf-8\"></head><body><p>學而<b>時習</b>之</p></body></html>";
    QVERIFY(f.pages->Write("windows1.html", page));
    QSignalSpy loaded(m->BookView(), &QWebEngineView::loadFinished);
    m->BookView()->Navigate(QString::fromStdString(f.pages->File("windows1.html")) + QStringLiteral("#0000"));
    QVERIFY(loaded.wait(20000));
    m->UpdateCommandUI();
    QVERIFY(m->Action(ID_FILE_SAVE)->isEnabled());

    // HTML: the page file as it is, replacing what was there.
    const QString html = dir.filePath(QStringLiteral("page.html"));
    {
      QFile old(html);
      QVERIFY(old.open(QIODevice::WriteOnly));
      old.write("old content that is longer than nothing");
    }
    m->SavePageAs(html, false);
    QFile saved(html);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray::fromStdString(page));
    // Plain text: the words of the page, without markup.
    const QString txt = dir.filePath(QStringLiteral("page.txt"));
    m->SavePageAs(txt, true);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(txt).size() > 0, 10000);
    QFile text(txt);
    QVERIFY(text.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(text.readAll()).trimmed(), QStringLiteral("學而時習之"));
    // A file that cannot be written is reported.
    messages.texts.clear();
    const QString nowhere = dir.filePath(QStringLiteral("no/such/folder/x.html"));
    m->SavePageAs(nowhere, false);
    QCOMPARE(messages.texts.size(), 1);
    QVERIFY(messages.texts.first().startsWith(QStringLiteral("ファイル %1 を保存できませんでした。").arg(nowhere)));
  }
};

TEVARIN_GUI_TEST_MAIN(ShellTest)
#include "gui_shell_test.moc"
