// The application shell: command line, main frame (menus, accelerators,
// toolbar, enable rules, routing, "全表示"), the splitter and its saved
// value, the end program started once at exit, the empty save and the
// private page folder (its fallback name, its use through descriptors and the
// removal of folders that ended copies left).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include <QClipboard>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <memory>

#include "ui/app/book.h"
#include "ui/app/bookdoc.h"
#include "ui/app/mainfrm.h"
#include "ui/base/pagefolder.h"
#include "ui/app/st_splitterwnd.h"
#include "ui/controls/scrolltoolbar.h"
#include "guitest.h"
#include "ui/view/bookview.h"

using namespace tevarin;

namespace {

struct Frame {
  CBookDoc doc;
  QTemporaryDir tmp;
  std::unique_ptr<CPageFolder> pages{new CPageFolder(tmp.path())};
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

QString UserFolderName() { return QStringLiteral("tevarin-%1").arg(getuid()); }

mode_t ModeOf(const QString& path) {
  struct stat st;
  return lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode : 0;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
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

  void menusAcceleratorsAndToolbar() {
    Frame f;
    QVERIFY(f.frame->IsCreated());
    QCOMPARE(f.frame->windowTitle(), QStringLiteral("Tevarin"));
    QStringList popups;
    for (QAction* a : f.frame->menuBar()->actions()) popups << a->text();
    QCOMPARE(popups, (QStringList{"ファイル(&F)", "編集(&E)", "表示(&V)", "一覧", "ヘルプ(&H)"}));
    const QList<QAction*> bar = f.frame->menuBar()->actions();
    QCOMPARE(MenuTexts(bar[0]->menu()), (QStringList{"印刷設定(&S)", "印刷(&P)", "終了(&X)"}));
    QCOMPARE(MenuTexts(bar[1]->menu()), (QStringList{"コピー(&C)", "すべて選択(&Q)"}));
    QCOMPARE(MenuTexts(bar[2]->menu()), (QStringList{"ツールバー(&T)", "状態バー(&S)", "全表示(&p)"}));
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
    QVERIFY(f.pages->Write(QStringLiteral("windows.html"), "<html><body>page</body></html>"));
    m->BookView()->Navigate(f.pages->File(QStringLiteral("windows.html")));
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

  void copyGoesToTheActivePaneFirst() {
    Frame f;
    CMainFrame* m = f.frame.get();
    QVERIFY(QTest::qWaitForWindowExposed(m));
    const QString text(700, QChar(0x6F22));
    QVERIFY(f.pages->Write(QStringLiteral("windows.html"),
                           "<html><head><meta charset=\"utf-8\"></head><body>" + text.toUtf8() + "</body></html>"));
    QSignalSpy loaded(m->BookView(), &QWebEngineView::loadFinished);
    m->BookView()->Navigate(f.pages->File(QStringLiteral("windows.html")));
    QVERIFY(loaded.wait(20000));
    QSignalSpy selected(m->BookView()->page(), &QWebEnginePage::selectionChanged);
    m->Action(ID_SELECT_ALL)->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(m->BookView()->page()->selectedText(), text, 10000);
    QClipboard* cb = QApplication::clipboard();

    // The form is active: the frame's limited copy.
    QVERIFY(!m->PageViewActive());
    m->Action(ID_EDIT_COPY)->trigger();
    QCOMPARE(cb->text(), text.left(300));

    // The page view is active: the browser's copy without a limit.
    m->Action(ID_NEXT_PANE)->trigger();
    QVERIFY(m->PageViewActive());
    QSignalSpy changed(cb, &QClipboard::dataChanged);
    m->Action(ID_EDIT_COPY)->trigger();
    QVERIFY(changed.wait(10000));
    QCOMPARE(cb->text(), text);
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
    }
    QCOMPARE(QSettings().value(QStringLiteral("SplitterWnd/Panes_0")).toString(),
             QStringLiteral("-1 260 -1 %1").arg(rightWidth));
    {
      QWidget window;
      ST_SplitterWnd* s = make(&window);
      window.show();
      QVERIFY(QTest::qWaitForWindowExposed(&window));
      // The stored value is never read back.
      QCOMPARE(s->HiddenColumn(), -1);
      QCOMPARE(s->sizes().value(0), 260);
      s->Toggle(0);
    }
    // Hidden at exit: 0 first, the widths from before hiding.
    QCOMPARE(QSettings().value(QStringLiteral("SplitterWnd/Panes_0")).toString(),
             QStringLiteral("0 260 -1 %1").arg(rightWidth));
    // Never laid out: the sizes of a pane not yet shown.
    {
      ST_SplitterWnd s(0);
      QVERIFY(s.SavedValue().startsWith(QStringLiteral("-1 ")));
    }
  }

  void emptySaveWritesAnEmptyFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("book.txt"));
    {
      QFile f(path);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write("old content");
    }
    QVERIFY(CBookDoc::WriteEmpty(path));
    QCOMPARE(QFileInfo(path).size(), 0);
    QString error;
    QVERIFY(!CBookDoc::WriteEmpty(dir.filePath(QStringLiteral("no/such/folder/x")), &error));
    QVERIFY(!error.isEmpty());
  }

  void pageFolderIsPrivateAndRemovedAtExit() {
    QTemporaryDir base;
    QString path, userDir;
    {
      CPageFolder pages(base.path());
      QVERIFY2(pages.IsValid(), qPrintable(pages.Error()));
      path = pages.Path();
      userDir = QFileInfo(path).path();
      QCOMPARE(userDir, base.filePath(QStringLiteral("tevarin-%1").arg(getuid())));
      struct stat st;
      QCOMPARE(stat(QFile::encodeName(userDir).constData(), &st), 0);
      QCOMPARE(st.st_mode & 0777, 0700u);
      QCOMPARE(stat(QFile::encodeName(path).constData(), &st), 0);
      QCOMPARE(st.st_mode & 0777, 0700u);
      QVERIFY(pages.Write(QStringLiteral("windows.html"), "<html>1</html>"));
      QVERIFY(pages.Write(QStringLiteral("windows.html"), "<p>"));
      QFile page(pages.File(QStringLiteral("windows.html")));
      QVERIFY(page.open(QIODevice::ReadOnly));
      QCOMPARE(page.readAll(), QByteArray("<p>"));
      // A second running copy gets a folder of its own.
      CPageFolder other(base.path());
      QVERIFY(other.IsValid());
      QVERIFY(other.Path() != path);
      // A planted link in place of a page file is not followed.
      const QString target = base.filePath(QStringLiteral("target"));
      QVERIFY(QFile::link(target, pages.File(QStringLiteral("windows1.html"))));
      QVERIFY(!pages.Write(QStringLiteral("windows1.html"), "x"));
      QVERIFY(!QFile::exists(target));
      QVERIFY(!pages.Write(QStringLiteral("../escape.html"), "x"));
    }
    QVERIFY(!QFileInfo::exists(path));
    QVERIFY(!QFileInfo::exists(userDir));

    // The per-user folder as a symbolic link, or owned by someone else: refused.
    QTemporaryDir evil;
    QVERIFY(QFile::link(evil.path(), base.filePath(QStringLiteral("tevarin-%1").arg(getuid()))));
    CPageFolder linked(base.path());
    QVERIFY(!linked.IsValid());
    QVERIFY(!linked.Error().isEmpty());
    QVERIFY(QDir(evil.path()).isEmpty());
    if (getuid() == 0) {
      QTemporaryDir base2;
      const QByteArray foreign = QFile::encodeName(base2.filePath(QStringLiteral("tevarin-0")));
      QCOMPARE(mkdir(foreign.constData(), 0700), 0);
      QCOMPARE(chown(foreign.constData(), 12345, 12345), 0);
      CPageFolder notOurs(base2.path());
      QVERIFY(!notOurs.IsValid());
    }
  }

  void pageFolderFallsBackWhenItsNameIsTaken() {
    // A base folder everyone may write into, like the shared temporary folder,
    // where someone else made the per-user name first (here: a link).
    QTemporaryDir base, evil;
    QCOMPARE(chmod(QFile::encodeName(base.path()).constData(), 01777), 0);
    const QString taken = base.filePath(UserFolderName());
    QVERIFY(QFile::link(evil.path(), taken));
    QString fallback;
    {
      CPageFolder pages(base.path());
      QVERIFY2(pages.IsValid(), qPrintable(pages.Error()));
      fallback = QFileInfo(pages.Path()).path();
      QCOMPARE(QFileInfo(fallback).path(), base.path());
      QVERIFY(QFileInfo(fallback).fileName().startsWith(UserFolderName() + QLatin1Char('-')));
      QCOMPARE(ModeOf(fallback) & 0777, mode_t(0700));
      QVERIFY(pages.Write(QStringLiteral("windows.html"), "<p>"));
      QVERIFY(QFile::exists(pages.File(QStringLiteral("windows.html"))));
      // A second copy gets a folder of its own as well.
      CPageFolder other(base.path());
      QVERIFY(other.IsValid());
      QVERIFY(QFileInfo(other.Path()).path() != fallback);
    }
    QVERIFY(!QFileInfo::exists(fallback));
    QVERIFY(QDir(evil.path()).isEmpty());
    QVERIFY(QFileInfo(taken).isSymLink());
    if (getuid() == 0) {
      // A real folder of that name owned by another user.
      QVERIFY(QFile::remove(taken));
      QCOMPARE(mkdir(QFile::encodeName(taken).constData(), 0777), 0);
      QCOMPARE(chown(QFile::encodeName(taken).constData(), 12345, 12345), 0);
      CPageFolder pages(base.path());
      QVERIFY(pages.IsValid());
      QVERIFY(QFileInfo(pages.Path()).path() != taken);
      QVERIFY(QDir(taken).isEmpty());
    }
  }

  void pageFolderIsUsedThroughItsDescriptor() {
    QTemporaryDir base, evil;
    const QString user = base.filePath(UserFolderName());
    const QString moved = base.filePath(QStringLiteral("moved"));
    QString own;
    {
      CPageFolder pages(base.path());
      QVERIFY(pages.IsValid());
      own = QFileInfo(pages.Path()).fileName();
      // The folder's path now leads somewhere else, to a folder of the same name.
      QCOMPARE(std::rename(QFile::encodeName(user).constData(), QFile::encodeName(moved).constData()), 0);
      QVERIFY(QFile::link(evil.path(), user));
      QVERIFY(QDir(evil.path()).mkdir(own));
      QVERIFY(pages.Write(QStringLiteral("windows.html"), "<p>"));
      QVERIFY(QFile::exists(moved + QLatin1Char('/') + own + QStringLiteral("/windows.html")));
      QVERIFY(QDir(evil.filePath(own)).isEmpty());
    }
    // At exit the folder itself went, and nothing behind the new path.
    QVERIFY(!QFileInfo::exists(moved + QLatin1Char('/') + own));
    QVERIFY(QFileInfo::exists(evil.filePath(own)));
    QVERIFY(QFileInfo(user).isSymLink());
  }

  void foldersOfEndedCopiesAreRemovedAtStart() {
    QTemporaryDir base, outside;
    const QString user = base.filePath(UserFolderName());
    QCOMPARE(mkdir(QFile::encodeName(user).constData(), 0700), 0);

    // Owner records of a copy that ended, of one still running and of this one.
    QProcess ended;
    ended.start(QStringLiteral("sleep"), {QStringLiteral("0.2")});
    QVERIFY(ended.waitForStarted());
    const QByteArray endedRecord = CPageFolder::OwnerRecord(ended.processId());
    QVERIFY(ended.waitForFinished());
    QProcess running;
    running.start(QStringLiteral("sleep"), {QStringLiteral("60")});
    QVERIFY(running.waitForStarted());
    const QByteArray runningRecord = CPageFolder::OwnerRecord(running.processId());
    const QByteArray mine = CPageFolder::OwnerRecord(getpid());
    // This process's id with another start time: the id was given anew.
    QList<QByteArray> fields = mine.trimmed().split(' ');
    QCOMPARE(fields.size(), 3);
    fields[1] = QByteArray::number(fields[1].toULongLong() + 1);
    const QByteArray reused = fields.join(' ') + '\n';
    QList<QByteArray> foreign = endedRecord.trimmed().split(' ');
    foreign[2] = "pid:[1]";  // a process id of another namespace

    struct Left {
      const char* name;
      QByteArray owner;  // null: no owner file
      bool kept;
    } left[] = {
        {"pages-ended1", endedRecord, false},
        {"pages-reused", reused, false},
        {"pages-runnin", runningRecord, true},
        {"pages-mine01", mine, true},
        {"pages-noowner", QByteArray(), true},
        {"pages-garbage", "not a record\n", true},
        {"pages-othern", foreign.join(' ') + '\n', true},
        {"other-ended1", endedRecord, true},
    };
    for (const Left& l : left) {
      const QString dir = user + QLatin1Char('/') + QLatin1String(l.name);
      QVERIFY(QDir().mkdir(dir));
      QVERIFY(WriteFile(dir + QStringLiteral("/windows.html"), "<p>"));
      if (!l.owner.isNull()) QVERIFY(WriteFile(dir + QStringLiteral("/.owner"), l.owner));
    }
    // A link in the per-user folder to a folder elsewhere: never followed.
    QVERIFY(WriteFile(outside.filePath(QStringLiteral(".owner")), endedRecord));
    QVERIFY(WriteFile(outside.filePath(QStringLiteral("keep.txt")), "x"));
    QVERIFY(QFile::link(outside.path(), user + QStringLiteral("/pages-linked")));

    {
      CPageFolder pages(base.path());
      QVERIFY(pages.IsValid());
      for (const Left& l : left)
        QVERIFY2(QFileInfo::exists(user + QLatin1Char('/') + QLatin1String(l.name)) == l.kept, l.name);
      QVERIFY(QFileInfo::exists(outside.filePath(QStringLiteral("keep.txt"))));
      QVERIFY(QFileInfo(user + QStringLiteral("/pages-linked")).isSymLink());
      // While this copy runs, another one leaves its folder alone.
      const QString path = pages.Path();
      CPageFolder second(base.path());
      QVERIFY(QFileInfo::exists(path));
    }
    running.kill();
    running.waitForFinished();
    // Now that copy has ended too.
    CPageFolder later(base.path());
    QVERIFY(!QFileInfo::exists(user + QStringLiteral("/pages-runnin")));
    QVERIFY(QFileInfo::exists(user + QStringLiteral("/pages-mine01")));
  }
};

TEVARIN_GUI_TEST_MAIN(ShellTest)
#include "gui_shell_test.moc"
