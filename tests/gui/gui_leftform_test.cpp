// The navigation and search form on a small collection written by the test:
// layout, tabs, searching from the keyword field (over the whole collection
// at first), keywords that cannot be searched, Enter in each control,
// results and paging, the table of contents, result pages, reading on from
// a result with the frame's commands, and a long search that stays
// responsive and can be cancelled. What the reading session does on its own
// is tested with the session.
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <QTreeWidget>
#include <atomic>
#include <chrono>
#include <thread>

#include "ui/app/bookdoc.h"
#include "ui/app/commands.h"
#include "ui/app/mainfrm.h"
#include "session/pagefolder.h"
#include "ui/controls/scrolltoolbar.h"
#include "ui/controls/tooltipresourcebutton.h"
#include "guicollection.h"
#include "guitest.h"
#include "text/codeconverter.h"
#include "ui/panel/htmlctrl.h"
#include "ui/panel/leftform.h"
#include "ui/panel/sessionadapter.h"
#include "ui/panel/sortlistctrl.h"
#include "ui/view/bookview.h"

using namespace tevarin;

namespace {

// Types into the form's keyword field.
bool Type(CLeftForm* form, const QString& keywords) {
  if (!WaitFor([&] { return form->KeywordField()->PageLoaded(); })) return false;
  bool set = false;
  form->KeywordField()->SetInputValue(keywords, [&] { set = true; });
  return WaitFor([&] { return set; });
}

// Types into the keyword field and runs the search to its end.
bool Search(CLeftForm* form, const QString& keywords) {
  if (!Type(form, keywords)) return false;
  QSignalSpy done(form, &CLeftForm::searchFinished);
  form->OnSearch();
  return WaitFor([&] { return done.count() > 0; });
}

// Holds the session's next searches on their thread until they are cancelled.
void HoldSearches(CReadingSession& session, std::atomic<bool>& held) {
  session.SetSearchGate([&session, &held] {
    held = true;
    while (!session.CancelRequested()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  });
}

}  // namespace

class LeftFormTest : public QObject {
  Q_OBJECT

  struct Fixture {
    QTemporaryDir data, pagesBase;
    CPageFolder pages{pagesBase.path().toStdString()};
    CBookView view;
    QAction about{QStringLiteral("about")};
    CSCrollToolBar toolbar;
    std::unique_ptr<CLeftForm> form;

    explicit Fixture(const QList<QStringList>& volumes, const QString& bookName = QStringLiteral("論語"))
        : Fixture(QList<DivisionOfBooks>{{QStringLiteral("經部"), {{bookName, volumes}}}}) {}
    explicit Fixture(const QList<DivisionOfBooks>& divisions) {
      WriteCollection(data.path(), divisions);
      toolbar.Create({&about});
      form = std::make_unique<CLeftForm>(data.path(), &pages);
      form->SetPageView(&view);
      form->SetToolBar(&toolbar);
      form->resize(260, 600);
      form->InitialUpdate();
      form->show();
    }
    bool Type(const QString& keywords) { return ::Type(form.get(), keywords); }
    bool Search(const QString& keywords) { return ::Search(form.get(), keywords); }
    QTreeWidgetItem* Item(int entry) { return form->TreeItemOf(entry); }
    CReadingSession& Session() { return form->Session(); }
    QString KeyWords() { return QString::fromStdU16String(Session().KeyWords()); }
    QString HitPage() { return QString::fromStdString(Session().HitPage()); }
  };

 private slots:
  void layoutFollowsThePaneSize() {
    Fixture f({{QStringLiteral("學而時習之")}});
    f.form->Tabs()->setCurrentIndex(1);
    for (QSize size : {QSize(260, 600), QSize(400, 700)}) {
      f.form->resize(size);
      f.form->LayoutControls();
      const int W = size.width(), H = size.height();
      QCOMPARE(f.form->KeywordField()->geometry(), QRect(5, 45, W - 60, 25));
      QCOMPARE(f.form->SearchButton()->geometry(), QRect(W - 50, 45, 45, 25));
      QCOMPARE(f.form->RangeLabel()->geometry(), QRect(10, 205, W - 30, 20));
      QCOMPARE(f.form->ResultList()->geometry(), QRect(5, 250, W - 10, H - 254));
      QVERIFY(!f.form->Tree()->isVisible());
    }
    f.form->Tabs()->setCurrentIndex(0);
    QVERIFY(f.form->Tree()->isVisible());
    QVERIFY(!f.form->ResultList()->isVisible());
    QCOMPARE(f.form->Tree()->geometry(), QRect(5, 26, 400 - 10, 700 - 30));
    QCOMPARE(f.form->RangeLabel()->text(), QStringLiteral("全体"));
    QCOMPARE(f.form->Summary()->text(), QStringLiteral("検索集計："));
    // The result paging buttons speak the interface's language.
    QCOMPARE(f.form->PrevButton()->toolTip(), QStringLiteral("前の頁"));
    QCOMPARE(f.form->NextButton()->toolTip(), QStringLiteral("次の頁"));
  }

  void firstSearchCoversTheWholeCollection() {
    Fixture f(QList<DivisionOfBooks>{
        {QStringLiteral("經部"), {{QStringLiteral("論語"), {{QStringLiteral("學而時習之")}}}}},
        {QStringLiteral("子部"), {{QStringLiteral("荘子"), {{QStringLiteral("明月")}}}}},
        {QStringLiteral("集部"), {{QStringLiteral("全唐詩"), {{QStringLiteral("明月光"), QStringLiteral("床前明月")}}}}}});
    // 全体 stands first in the tree, above the divisions.
    QTreeWidget* tree = f.form->Tree();
    QCOMPARE(tree->topLevelItemCount(), 4);
    QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("全体"));
    QCOMPARE(tree->topLevelItem(0), f.Item(CReadingSession::kWholeCollection));
    QCOMPARE(tree->topLevelItem(1), f.Item(1));
    f.form->Tabs()->setCurrentIndex(1);
    QCOMPARE(f.form->RangeLabel()->text(), QStringLiteral("全体"));

    // The first search finds every division's pages, titled as any range titles them.
    QVERIFY(f.Search(QStringLiteral("明月")));
    QCOMPARE(f.form->Summary()->text(), QStringLiteral("全部で 3 頁で、3 箇所でした。"));
    QStringList rows;
    for (int i = 0; i < f.form->ResultList()->topLevelItemCount(); ++i) {
      const QTreeWidgetItem* row = f.form->ResultList()->topLevelItem(i);
      rows << QStringList{row->text(0), row->text(1), row->text(2), row->text(3)}.join(QLatin1Char('|'));
    }
    rows.sort();
    QCOMPARE(rows, (QStringList{"子部|荘子|卷1|1", "集部|全唐詩|卷1|1", "集部|全唐詩|卷1|2"}));

    // A division narrows it; 全体 brings the whole collection back.
    tree->setCurrentItem(f.Item(7));
    QCOMPARE(f.form->RangeLabel()->text(), QStringLiteral("集部"));
    QVERIFY(f.Search(QStringLiteral("明月")));
    QCOMPARE(f.form->ResultList()->topLevelItemCount(), 2);
    tree->setCurrentItem(f.Item(CReadingSession::kWholeCollection));
    QCOMPARE(f.form->RangeLabel()->text(), QStringLiteral("全体"));
    QCOMPARE(f.Session().SearchRange(), CReadingSession::kWholeCollection);
    QVERIFY(f.Search(QStringLiteral("明月")));
    QCOMPARE(f.form->ResultList()->topLevelItemCount(), 3);
    // Choosing 全体 shows no page.
    QCOMPARE(f.view.CurrentLocation(), QStringLiteral("about:blank"));
  }

  void searchFromTheKeywordField() {
    Fixture f({{QStringLiteral("學而時習之"), QStringLiteral("學而不思則罔")}, {QStringLiteral("温故而知新")}});
    MessageRecorder messages;
    f.form->Tabs()->setCurrentIndex(1);
    QVERIFY(f.Search(QStringLiteral("學而　時")));  // ideographic space: two keywords
    QCOMPARE(f.form->Summary()->text(), QStringLiteral("全部で 1 頁で、2 箇所でした。"));
    QCOMPARE(f.form->ResultList()->topLevelItemCount(), 1);
    QCOMPARE(f.KeyWords(), QStringLiteral("學而\u3000時"));
    QCOMPARE(f.form->SearchButton()->text(), QStringLiteral("検索"));
    QVERIFY(f.Search(QStringLiteral("而")));
    QCOMPARE(f.form->ResultList()->topLevelItemCount(), 3);
    // Empty keywords: the message, and the previous keyword text stays.
    QVERIFY(f.Search(QString()));
    QCOMPARE(messages.texts.value(0), QStringLiteral("何かキーワードを入力して検索をして下さい。"));
    QCOMPARE(f.KeyWords(), QStringLiteral("而"));
    QCOMPARE(f.form->ResultList()->topLevelItemCount(), 3);
    // No search range.
    f.Session().SelectRange(0);
    QVERIFY(f.Search(QStringLiteral("而")));
    QCOMPARE(messages.texts.value(1), QStringLiteral("検索範囲をまた指定していません。"));
  }

  void resultPagesAndTheColumnSort() {
    // 101 pages that all hold 之, in volumes whose page numbers interleave.
    QStringList a, b;
    for (int i = 0; i < 60; ++i) a << QStringLiteral("之");
    for (int i = 0; i < 41; ++i) b << QStringLiteral("之");
    Fixture f({a, b});
    f.form->Tabs()->setCurrentIndex(1);
    QVERIFY(f.Search(QStringLiteral("之")));
    QCOMPARE(f.Session().PageCount(), 2);
    QCOMPARE(f.form->ResultList()->topLevelItemCount(), 100);
    QCOMPARE(f.form->PageTotal()->text(), QStringLiteral("/2"));
    QVERIFY(!f.form->PrevButton()->isEnabled());
    QVERIFY(f.form->NextButton()->isEnabled());
    f.form->OnNextResultPage();
    QCOMPARE(f.form->ResultList()->topLevelItemCount(), 1);
    QVERIFY(!f.form->NextButton()->isEnabled());
    for (const QString& typed : {QStringLiteral("0"), QString(), QStringLiteral("abc"), QStringLiteral("3")}) {
      f.form->PageEdit()->setText(typed);
      f.form->GoToTypedPage();
      QCOMPARE(f.form->PageEdit()->text(), QStringLiteral("2"));
      QCOMPARE(f.Session().CurPage(), 2);
    }
    f.form->PageEdit()->setText(QStringLiteral("1"));
    f.form->GoToTypedPage();
    QCOMPARE(f.Session().CurPage(), 1);
    // Sorted by page number already; scramble, then the "頁" heading sorts again.
    CSortListCtrl* list = f.form->ResultList();
    QTreeWidgetItem* last = list->takeTopLevelItem(99);
    list->insertTopLevelItem(0, last);
    list->OnColumnClick(1);  // "書名": nothing
    QCOMPARE(list->topLevelItem(0), last);
    list->OnColumnClick(3);
    int previous = 0;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
      QVERIFY(list->topLevelItem(i)->text(3).toInt() >= previous);
      previous = list->topLevelItem(i)->text(3).toInt();
    }
  }

  void tableOfContentsAndResultPages() {
    Fixture f({{QStringLiteral("學而時習之"), QStringLiteral("學而")}, {QStringLiteral("學")}});
    // A book: only the range changes.
    f.form->Tree()->setCurrentItem(f.Item(2));
    QCOMPARE(f.Session().SearchRange(), 2);
    QCOMPARE(f.form->RangeLabel()->text(), QStringLiteral("經部\\論語"));
    QCOMPARE(f.Session().CurNode(), 0);
    // A volume: its first page in windows.html, the slider over its pages.
    f.form->Tree()->setCurrentItem(f.Item(3));
    QCOMPARE(f.form->RangeLabel()->text(), QStringLiteral("經部\\論語\\卷1"));
    QCOMPARE(f.Session().CurNode(), 3);
    QCOMPARE(f.Session().CurPageNo(), 1);
    QVERIFY(f.view.CurrentLocation().endsWith(QStringLiteral("/windows.html")));
    QFile toc(QString::fromStdString(f.Session().TocFile()));
    QVERIFY(toc.open(QIODevice::ReadOnly));
    QCOMPARE(toc.readAll(), QByteArray::fromStdString(StoredPage(1, QStringLiteral("學而時習之"))));
    QCOMPARE(f.toolbar.Slider()->minimum(), 1);
    QCOMPARE(f.toolbar.Slider()->maximum(), 2);
    QCOMPARE(f.toolbar.PageBox()->text(), QStringLiteral("3/1"));
    // A page number no record of the volume carries leaves the view as it was.
    const QString before = f.view.CurrentLocation();
    QVERIFY(!f.Session().ShowDocument(3, false, 7));
    QCOMPARE(f.view.CurrentLocation(), before);
    // The frame's page commands go through the session; the slider and the
    // page box follow it.
    f.Session().NextPage();
    QCOMPARE(f.toolbar.Slider()->value(), 2);
    QCOMPARE(f.toolbar.PageBox()->text(), QStringLiteral("3/2"));
    f.Session().GoToPage(1);
    QCOMPARE(f.toolbar.PageBox()->text(), QStringLiteral("3/1"));

    // Three results opened in turn alternate between the two hit-page files.
    f.form->Tree()->setCurrentItem(f.Item(1));
    f.form->Tabs()->setCurrentIndex(1);
    QVERIFY(f.Search(QStringLiteral("學")));
    QCOMPARE(f.form->ResultList()->topLevelItemCount(), 3);
    QStringList files;
    for (int i = 0; i < 3; ++i) {
      f.form->ResultList()->setCurrentItem(f.form->ResultList()->topLevelItem(i));
      files << f.HitPage();
      QVERIFY(f.view.CurrentLocation().endsWith(QStringLiteral("#0000")));
      QCOMPARE(f.Session().HitIndex(), 0);
      QCOMPARE(f.Session().HitCount(), 1);
    }
    QCOMPARE(files[0], files[2]);
    QVERIFY(files[0] != files[1]);
    QCOMPARE(QFileInfo(files[0]).dir().path(), QString::fromStdString(f.pages.Path()));
  }

  void rejectedKeywordsAreReportedAndTheListStays() {
    Fixture f({{QStringLiteral("學而時習之"), QStringLiteral("學而")}});
    MessageRecorder messages;
    f.form->Tabs()->setCurrentIndex(1);
    // Refused before any search: the reason alone.
    QVERIFY(f.Search(QStringLiteral("ab")));
    QCOMPARE(messages.texts, QStringList{QStringLiteral("「ab」は検索できない文字です。")});
    QCOMPARE(f.form->Summary()->text(), QStringLiteral("検索集計："));
    QVERIFY(f.Search(QStringLiteral("學")));
    QCOMPARE(f.form->ResultList()->topLevelItemCount(), 2);
    QCOMPARE(f.form->Summary()->text(), QStringLiteral("全部で 2 頁で、2 箇所でした。"));

    // The message names the characters and the keywords the list still holds;
    // the list stays, labelled with them.
    const struct {
      QString typed, message;
    } cases[] = {
        {QStringLiteral("abc"), QStringLiteral("「abc」は検索できない文字です。\n一覧は「學」の検索結果のままです。")},
        {QStringLiteral("學a 而#"), QStringLiteral("「a#」は検索できない文字です。\n一覧は「學」の検索結果のままです。")},
        {QStringLiteral("學\t"), QStringLiteral("「U+0009」は検索できない文字です。\n一覧は「學」の検索結果のままです。")},
        {QStringLiteral("\u3000"), QStringLiteral("キーワードに検索できる文字がありません。\n一覧は「學」の検索結果のままです。")},
    };
    for (const auto& c : cases) {
      messages.texts.clear();
      QVERIFY(f.Search(c.typed));
      QCOMPARE(messages.texts, QStringList{c.message});
      QCOMPARE(f.KeyWords(), QStringLiteral("學"));
      QCOMPARE(f.form->ResultList()->topLevelItemCount(), 2);
      QCOMPARE(f.form->Summary()->text(), QStringLiteral("「學」全部で 2 頁で、2 箇所でした。"));
    }
    // Their hit pages mark what the list was searched for.
    for (int i = 0; i < 2; ++i) {
      f.form->ResultList()->setCurrentItem(f.form->ResultList()->topLevelItem(i));
      QCOMPARE(f.Session().HitCount(), 1);
      QFile page(f.HitPage());
      QVERIFY(page.open(QIODevice::ReadOnly));
      const QByteArray bytes = page.readAll();
      QVERIFY(bytes.contains("name=\"0000\""));
      QVERIFY(!bytes.contains("abc"));
    }
    // An accepted search replaces them, under the plain summary.
    QVERIFY(f.Search(QStringLiteral("而")));
    QCOMPARE(f.form->Summary()->text(), QStringLiteral("全部で 2 頁で、2 箇所でした。"));
    f.form->ResultList()->setCurrentItem(f.form->ResultList()->topLevelItem(0));
    QCOMPARE(f.Session().HitCount(), 1);
    QFile page(f.HitPage());
    QVERIFY(page.open(QIODevice::ReadOnly));
    QVERIFY(page.readAll().contains("而"));
  }

  void enterActsOnTheFocusedControl() {
    // 101 pages with 之 (two result pages) and one with 乎.
    QStringList a, b;
    for (int i = 0; i < 60; ++i) a << QStringLiteral("之");
    for (int i = 0; i < 41; ++i) b << QStringLiteral("之");
    b << QStringLiteral("乎");
    Fixture f({a, b});
    MessageRecorder messages;
    f.form->Tabs()->setCurrentIndex(1);
    QVERIFY(WaitFor([&] { return f.form->KeywordField()->PageLoaded(); }));
    QWidget* field = f.form->KeywordField()->focusProxy() ? f.form->KeywordField()->focusProxy()
                                                          : static_cast<QWidget*>(f.form->KeywordField());
    const struct {
      const char* where;
      QWidget* target;
      bool searches;
    } cases[] = {
        {"keyword field", field, true},
        {"search button", f.form->SearchButton(), true},
        {"page edit", f.form->PageEdit(), false},
        {"result list", f.form->ResultList(), false},
    };
    for (const auto& c : cases) {
      QVERIFY(f.Search(QStringLiteral("之")));
      QCOMPARE(f.Session().PageCount(), 2);
      QVERIFY(f.Type(QStringLiteral("乎")));
      f.form->PageEdit()->setText(QStringLiteral("2"));
      QSignalSpy done(f.form.get(), &CLeftForm::searchFinished);
      QTest::keyClick(c.target, Qt::Key_Return);
      if (c.searches) {
        QVERIFY2(WaitFor([&] { return done.count() > 0; }), c.where);
        QCOMPARE(f.form->ResultList()->topLevelItemCount(), 1);
        QCOMPARE(f.KeyWords(), QStringLiteral("乎"));
      } else {
        QTest::qWait(300);
        QVERIFY2(done.isEmpty(), c.where);
        QCOMPARE(f.KeyWords(), QStringLiteral("之"));
      }
    }
    // The page edit went to the page typed.
    QVERIFY(f.Search(QStringLiteral("之")));
    f.form->PageEdit()->setText(QStringLiteral("2"));
    QTest::keyClick(f.form->PageEdit(), Qt::Key_Return);
    QCOMPARE(f.Session().CurPage(), 2);
    QCOMPARE(f.form->ResultList()->topLevelItemCount(), 1);
    // In the tree Enter opens and closes the current item; nothing is searched.
    f.form->Tabs()->setCurrentIndex(0);
    QTreeWidgetItem* book = f.Item(2);
    f.form->Tree()->setCurrentItem(book);
    const bool open = book->isExpanded();
    QSignalSpy done(f.form.get(), &CLeftForm::searchFinished);
    QTest::keyClick(f.form->Tree(), Qt::Key_Return);
    QCOMPARE(book->isExpanded(), !open);
    QTest::keyClick(f.form->Tree(), Qt::Key_Enter);
    QCOMPARE(book->isExpanded(), open);
    QTest::qWait(300);
    QVERIFY(done.isEmpty());
    QVERIFY(messages.texts.isEmpty());
  }

  void catalogueNamesShowAsPlainText() {
    // A name that, read as markup, would load a picture from a local file.
    QTemporaryDir elsewhere;
    const QString picture = elsewhere.filePath(QStringLiteral("big.png"));
    QImage big(400, 400, QImage::Format_RGB32);
    big.fill(Qt::blue);
    QVERIFY(big.save(picture));
    const QString name = QStringLiteral("<img src=\"%1\"><b>論語</b>").arg(picture);
    Fixture f({{QStringLiteral("學")}}, name);
    f.form->Tabs()->setCurrentIndex(1);
    f.form->Tree()->setCurrentItem(f.Item(2));
    QCOMPARE(f.form->RangeLabel()->text(), QStringLiteral("經部\\") + name);
    QVERIFY(f.form->RangeLabel()->sizeHint().height() < 100);
    // Every label of the form shows its text as it is.
    for (QLabel* label : f.form->findChildren<QLabel*>())
      QVERIFY2(label->textFormat() == Qt::PlainText, qPrintable(label->objectName() + label->text()));
  }

  void scopeRadiosSwitchTheIndex() {
    Fixture f({{QStringLiteral("學")}});
    QVERIFY(f.Session().Engine().IsOpen());
    MessageRecorder messages;
    f.form->Tabs()->setCurrentIndex(1);
    f.form->ScopeButton(1)->click();  // 正文: the body index is not there in this fixture
    QCOMPARE(f.Session().Scope(), 1);
    QVERIFY(!f.Session().Engine().IsOpen());
    QCOMPARE(messages.texts, QStringList{QStringLiteral("データを開けませんでした。")});
    f.form->ScopeButton(0)->click();
    QCOMPARE(f.Session().Scope(), 0);
    QVERIFY(f.Session().Engine().IsOpen());
    QCOMPARE(messages.texts.size(), 1);
  }

  void aLongSearchCanBeCancelled() {
    Fixture f({{QStringLiteral("學而時習之"), QStringLiteral("學而")}, {QStringLiteral("學")}});
    MessageRecorder messages;
    f.form->Tabs()->setCurrentIndex(1);
    QVERIFY(f.Search(QStringLiteral("學")));
    QCOMPARE(f.form->ResultList()->topLevelItemCount(), 3);
    const QString summary = f.form->Summary()->text();

    // The next search is held on its thread until it is cancelled.
    std::atomic<bool> held{false};
    HoldSearches(f.Session(), held);
    QVERIFY(f.Type(QStringLiteral("而")));
    QSignalSpy done(f.form.get(), &CLeftForm::searchFinished);
    QElapsedTimer clock;
    clock.start();
    f.form->OnSearch();
    QVERIFY(WaitFor([&] { return held.load(); }));
    // The window keeps running its events; nothing is offered before the delay.
    QVERIFY(f.form->SearchPending());
    QCOMPARE(f.form->SearchButton()->text(), QStringLiteral("検索"));
    QVERIFY(f.form->Tree()->isEnabled());
    // A volume chosen meanwhile sets the range at once and is shown once the search has ended.
    f.form->Tree()->setCurrentItem(f.Item(4));
    QCOMPARE(f.Session().SearchRange(), 4);
    QCOMPARE(f.Session().CurNode(), 0);
    QVERIFY(WaitFor([&] { return f.form->SearchButton()->text() == QStringLiteral("中止"); }));
    QVERIFY(clock.elapsed() >= CSessionAdapter::kCancelDelayMs);
    QCOMPARE(f.form->Summary()->text(), QStringLiteral("検索中…"));
    QVERIFY(!f.form->Tree()->isEnabled());
    QVERIFY(!f.form->ResultList()->isEnabled());
    QVERIFY(!f.form->ScopeButton(1)->isEnabled());
    QCOMPARE(done.count(), 0);
    // Enter does not start another search meanwhile.
    f.form->OnSearch();
    QVERIFY(f.Session().SearchRunning());

    f.form->SearchButton()->click();  // 中止
    QVERIFY(WaitFor([&] { return done.count() > 0; }));
    QCOMPARE(done.count(), 1);
    QVERIFY(!f.Session().SearchRunning());
    // Everything as it was: list, summary, keywords; the controls are back.
    QCOMPARE(f.form->ResultList()->topLevelItemCount(), 3);
    QCOMPARE(f.form->Summary()->text(), summary);
    QCOMPARE(f.KeyWords(), QStringLiteral("學"));
    QCOMPARE(f.form->SearchButton()->text(), QStringLiteral("検索"));
    QVERIFY(f.form->Tree()->isEnabled() && f.form->ResultList()->isEnabled() && f.form->ScopeButton(1)->isEnabled());
    QVERIFY(messages.texts.isEmpty());
    // The volume chosen during the search is shown now.
    QCOMPARE(f.Session().CurNode(), 4);
    QVERIFY(f.view.CurrentLocation().endsWith(QStringLiteral("/windows.html")));

    // Without the gate the search runs through and replaces the results;
    // Esc has nothing to stop then.
    f.Session().SetSearchGate({});
    QVERIFY(f.Search(QStringLiteral("而")));
    QCOMPARE(f.form->ResultList()->topLevelItemCount(), 0);  // the range is 卷2 now
    QCOMPARE(f.form->Summary()->text(), QStringLiteral("全部で 0 頁で、0 箇所でした。"));
    QCOMPARE(f.KeyWords(), QStringLiteral("而"));
  }

  void frameReadingCommands() {
    // 經部 > 論語 (卷1: entry 3, two pages; 卷2: entry 4) > 孟子 (卷1: entry 6).
    QTemporaryDir data, pagesBase;
    WriteCollection(data.path(), QList<BookOfVolumes>{
                                     {QStringLiteral("論語"), {{QStringLiteral("學而時習之"), QStringLiteral("學學而")},
                                                               {QStringLiteral("温故而知新")}}},
                                     {QStringLiteral("孟子"), {{QStringLiteral("學")}}}});
    CPageFolder pages(pagesBase.path().toStdString());
    CBookDoc doc;
    CMainFrame frame(&doc, &pages, nullptr, data.path());
    frame.resize(1024, 700);
    frame.show();
    MessageRecorder messages;
    CLeftForm* form = frame.LeftForm();
    QVERIFY(form);
    CReadingSession& session = form->Session();
    QCOMPARE(frame.Session(), &session);
    auto enabled = [&](int id) {
      frame.UpdateCommandUI();
      return frame.Action(id)->isEnabled();
    };
    auto selected = [&] { return form->Tree()->selectedItems().value(0); };
    const QString box = QStringLiteral("%1/").arg(session.HeaderValue());
    for (int id : {ID_PREV_PAGE, ID_NEXT_PAGE, ID_PREV_VOLUME, ID_NEXT_VOLUME, ID_PREV_HIT, ID_NEXT_HIT})
      QVERIFY2(!enabled(id), qPrintable(QString::number(id)));
    frame.OnSliderReleased(2);  // no volume yet: nothing
    QCOMPARE(frame.BookView()->CurrentLocation(), QStringLiteral("about:blank"));

    form->Tree()->setCurrentItem(form->TreeItemOf(3));
    QCOMPARE(session.CurNode(), 3);
    QVERIFY(!enabled(ID_PREV_PAGE) && enabled(ID_NEXT_PAGE) && !enabled(ID_PREV_VOLUME) && enabled(ID_NEXT_VOLUME));
    frame.Action(ID_NEXT_PAGE)->trigger();
    QCOMPARE(session.CurPageNo(), 2);
    QCOMPARE(frame.ToolBar()->Slider()->value(), 2);
    QCOMPARE(frame.ToolBar()->PageBox()->text(), box + QStringLiteral("2"));
    QVERIFY(enabled(ID_PREV_PAGE) && !enabled(ID_NEXT_PAGE));
    emit frame.ToolBar()->pageReleased(1);
    QCOMPARE(session.CurPageNo(), 1);
    QCOMPARE(frame.ToolBar()->PageBox()->text(), box + QStringLiteral("1"));

    // Volume to volume; the tree's selection moves along, across books.
    frame.Action(ID_NEXT_VOLUME)->trigger();
    QCOMPARE(session.CurNode(), 4);
    QCOMPARE(selected(), form->TreeItemOf(4));
    frame.Action(ID_NEXT_VOLUME)->trigger();
    QCOMPARE(session.CurNode(), 6);
    QCOMPARE(selected(), form->TreeItemOf(6));
    QCOMPARE(form->RangeLabel()->text(), QStringLiteral("經部\\孟子\\卷1"));
    QCOMPARE(frame.ToolBar()->Slider()->maximum(), 1);
    QVERIFY(!enabled(ID_NEXT_VOLUME));
    frame.OnNextVolume();  // the rule is not checked again: the message says why
    QCOMPARE(messages.texts, QStringList{QStringLiteral("もう最後の巻まで至りました。")});
    QCOMPARE(session.CurNode(), 6);
    frame.Action(ID_PREV_VOLUME)->trigger();
    QCOMPARE(selected(), form->TreeItemOf(4));
    frame.Action(ID_PREV_VOLUME)->trigger();
    QCOMPARE(session.CurNode(), 3);
    QCOMPARE(selected(), form->TreeItemOf(3));
    QCOMPARE(frame.ToolBar()->Slider()->maximum(), 2);
    // A book chosen while a volume is read: the next volume, its tree item
    // and the search range move together.
    form->Tree()->setCurrentItem(form->TreeItemOf(5));  // 孟子
    QCOMPARE(form->RangeLabel()->text(), QStringLiteral("經部\\孟子"));
    QCOMPARE(session.CurNode(), 3);
    QVERIFY(enabled(ID_NEXT_VOLUME));
    frame.Action(ID_NEXT_VOLUME)->trigger();
    QCOMPARE(session.CurNode(), 4);
    QCOMPARE(selected(), form->TreeItemOf(4));
    QCOMPARE(form->RangeLabel()->text(), QStringLiteral("經部\\論語\\卷2"));
    QCOMPARE(session.SearchRange(), 4);
    QVERIFY(enabled(ID_PREV_VOLUME));
    frame.Action(ID_PREV_VOLUME)->trigger();
    QCOMPARE(selected(), form->TreeItemOf(3));
    frame.OnPrevVolume();
    QCOMPARE(messages.texts.value(1), QStringLiteral("これ以上戻れません。もう巻一に至っています。"));
    QCOMPARE(session.CurNode(), 0);
    QVERIFY(!enabled(ID_NEXT_VOLUME) && !enabled(ID_NEXT_PAGE));

    // Hits: a result opened, then F3 and Alt+F3 through its anchors.
    form->Tree()->setCurrentItem(form->TreeItemOf(1));  // the whole division
    form->Tabs()->setCurrentIndex(1);
    QVERIFY(Search(form, QStringLiteral("學")));
    QCOMPARE(form->ResultList()->topLevelItemCount(), 3);
    int twoHits = -1;
    for (int i = 0; i < 3; ++i)
      if (form->ResultList()->topLevelItem(i)->data(0, Qt::UserRole).toInt() == 1) twoHits = i;
    QVERIFY(twoHits >= 0);
    form->ResultList()->setCurrentItem(form->ResultList()->topLevelItem(twoHits));
    QCOMPARE(session.HitCount(), 2);
    QVERIFY(!enabled(ID_PREV_HIT) && enabled(ID_NEXT_HIT));
    frame.Action(ID_NEXT_HIT)->trigger();
    QVERIFY(frame.BookView()->CurrentLocation().endsWith(QStringLiteral("#0001")));
    QVERIFY(enabled(ID_PREV_HIT) && !enabled(ID_NEXT_HIT));
    frame.Action(ID_PREV_HIT)->trigger();
    QVERIFY(frame.BookView()->CurrentLocation().endsWith(QStringLiteral("#0000")));

    // Reading on from the hit: its volume (論語 卷1) and page 2 are the ones
    // read by the slider, the page box, the page and volume commands and the
    // tree, whose selection (the search range) stays as chosen.
    QCOMPARE(session.CurNode(), 3);
    QCOMPARE(session.CurPageNo(), 2);
    QCOMPARE(frame.ToolBar()->Slider()->maximum(), 2);
    QCOMPARE(frame.ToolBar()->Slider()->value(), 2);
    QCOMPARE(frame.ToolBar()->PageBox()->text(), box + QStringLiteral("2"));
    QCOMPARE(form->ReadingItem(), form->TreeItemOf(3));
    QVERIFY(form->TreeItemOf(3)->font(0).bold());
    QCOMPARE(form->Tree()->currentItem(), form->TreeItemOf(3));
    QCOMPARE(selected(), form->TreeItemOf(1));
    QCOMPARE(form->RangeLabel()->text(), QStringLiteral("經部"));
    QVERIFY(enabled(ID_PREV_PAGE) && !enabled(ID_NEXT_PAGE) && enabled(ID_NEXT_VOLUME));
    frame.Action(ID_PREV_PAGE)->trigger();
    QCOMPARE(session.CurPageNo(), 1);
    QVERIFY(frame.BookView()->CurrentLocation().endsWith(QStringLiteral("/windows.html")));
    QFile toc(QString::fromStdString(session.TocFile()));
    QVERIFY(toc.open(QIODevice::ReadOnly));
    QCOMPARE(toc.readAll(), QByteArray::fromStdString(StoredPage(1, QStringLiteral("學而時習之"))));
    form->ResultList()->setCurrentItem(form->ResultList()->topLevelItem(twoHits == 0 ? 1 : 0));
    form->ResultList()->setCurrentItem(form->ResultList()->topLevelItem(twoHits));
    frame.Action(ID_NEXT_VOLUME)->trigger();
    QCOMPARE(session.CurNode(), 4);
    QCOMPARE(selected(), form->TreeItemOf(4));
    QCOMPARE(form->ReadingItem(), form->TreeItemOf(4));
    QVERIFY(!form->TreeItemOf(3)->font(0).bold());

    // A new search: the hit commands no longer lead to the old hit page.
    form->ResultList()->setCurrentItem(form->ResultList()->topLevelItem(twoHits));
    QVERIFY(enabled(ID_NEXT_HIT));
    form->Tree()->setCurrentItem(form->TreeItemOf(1));
    QVERIFY(Search(form, QStringLiteral("而")));
    QVERIFY(!enabled(ID_NEXT_HIT) && !enabled(ID_PREV_HIT));
    const QString shownBefore = frame.BookView()->CurrentLocation();
    frame.OnNextHit();
    QCOMPARE(frame.BookView()->CurrentLocation(), shownBefore);
    QVERIFY(Search(form, QStringLiteral("學")));
    form->ResultList()->setCurrentItem(form->ResultList()->topLevelItem(twoHits));
    QVERIFY(enabled(ID_NEXT_HIT));

    // A long search: the commands that read the collection are disabled, the
    // hit commands stay; a command given before they were waits for its end.
    form->Tree()->setCurrentItem(form->TreeItemOf(3));
    std::atomic<bool> held{false};
    HoldSearches(session, held);
    QVERIFY(Type(form, QStringLiteral("而")));
    QSignalSpy done(form, &CLeftForm::searchFinished);
    form->OnSearch();
    QVERIFY(WaitFor([&] { return held.load(); }));
    frame.OnNextPage();
    QCOMPARE(session.CurPageNo(), 1);
    QVERIFY(WaitFor([&] { return form->Adapter()->LongSearch(); }));
    QVERIFY(!frame.Action(ID_NEXT_PAGE)->isEnabled());  // at once, not at the next idle time
    QVERIFY(!enabled(ID_NEXT_PAGE) && !enabled(ID_NEXT_VOLUME));
    QVERIFY(!frame.ToolBar()->Slider()->isEnabled());
    QVERIFY(enabled(ID_NEXT_HIT));
    QTest::keyClick(form->SearchButton(), Qt::Key_Escape);  // Esc stops it as 中止 does
    QVERIFY(WaitFor([&] { return done.count() > 0; }));
    QVERIFY(!session.SearchRunning());
    QCOMPARE(session.CurPageNo(), 2);
    QVERIFY(enabled(ID_PREV_PAGE) && enabled(ID_NEXT_VOLUME));
    QVERIFY(frame.ToolBar()->Slider()->isEnabled());
    QCOMPARE(messages.texts.size(), 2);
  }

  void missingCatalogue() {
    QTemporaryDir empty, pagesBase;
    CPageFolder pages(pagesBase.path().toStdString());
    MessageRecorder messages;
    CLeftForm form(empty.path(), &pages);
    form.InitialUpdate();
    QCOMPARE(messages.texts, QStringList({QStringLiteral("データを開けませんでした。"),
                                          QStringLiteral("you delete data file!")}));
    // Only 全体 is left to choose.
    QCOMPARE(form.Tree()->topLevelItemCount(), 1);
    QCOMPARE(form.Tree()->topLevelItem(0)->text(0), QStringLiteral("全体"));
  }
};

TEVARIN_GUI_TEST_MAIN(LeftFormTest)
#include "gui_leftform_test.moc"
