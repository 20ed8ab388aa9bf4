// The navigation and search form on a small collection written by the test:
// layout, tabs, searching from the keyword field, results and paging, the
// table of contents, result pages, and the main frame's reading commands.
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSlider>
#include <QTabBar>
#include <QTreeWidget>

#include "ui/app/bookdoc.h"
#include "ui/app/mainfrm.h"
#include "ui/base/pagefolder.h"
#include "ui/controls/scrolltoolbar.h"
#include "ui/controls/tooltipresourcebutton.h"
#include "guitest.h"
#include "index/charslot.h"
#include "text/codeconverter.h"
#include "ui/panel/htmlctrl.h"
#include "ui/panel/leftform.h"
#include "ui/panel/sortlistctrl.h"
#include "ui/view/bookview.h"
#include "writer/bookwriter.h"
#include "writer/cataloguewriter.h"
#include "writer/indexwriter.h"

using namespace tevarin;

namespace {

// A stored page: title and two cells, the text in the cell the parity picks.
std::string StoredPage(int pageNo, const QString& text) {
  const std::string t = text.toStdString();
  const std::string cell = "<TD>" + t + "</TD>", margin = "<TD>m</TD>";
  return "<html><title>p</title><table><tr>" + (pageNo % 2 ? margin + cell : cell + margin) +
         "</tr></table></html>";
}

// Writes a collection into folder: volumes of pages (texts), one division and
// one book above them, and the whole-text index over the texts.
void WriteCollection(const QString& folder, const QList<QStringList>& volumes,
                     const QString& bookName = QStringLiteral("論語")) {
  const std::string dir = folder.toStdString();
  BookWriter book;
  QVERIFY(book.Create(dir, "Index", 40));
  IndexWriter index;
  std::map<int, std::map<uint32_t, std::vector<uint32_t>>> postings;
  CatalogueWriter cat;
  int total = 0;
  for (const auto& v : volumes) total += static_cast<int>(v.size());
  cat.Add(u"經部", 1, 1, total, 1);
  cat.Add(bookName.toStdU16String(), 2, 1, total, 1);
  uint32_t record = 0;
  for (int v = 0; v < volumes.size(); ++v) {
    cat.Add(QStringLiteral("卷%1").arg(v + 1).toStdU16String(), 3, static_cast<int>(record) + 1,
            static_cast<int>(volumes[v].size()), 1);
    for (int p = 0; p < volumes[v].size(); ++p, ++record) {
      const std::string name = "d1\\b01\\v" + std::to_string(v + 1) + "\\" + std::to_string(p + 1) + ".htm";
      QVERIFY(book.AddPage(name, StoredPage(p + 1, volumes[v][p])));
      uint32_t pos = 0;
      for (char32_t cp : volumes[v][p].toStdU32String())
        if (CharToSlot(cp) >= 0) postings[CharToSlot(cp)][record].push_back(pos++);
    }
  }
  QVERIFY(book.Finish());
  for (const auto& [slot, recs] : postings)
    for (const auto& [rec, pos] : recs) QVERIFY(index.AddEntry(slot, rec, pos));
  QVERIFY(index.Write(dir + "/Index"));
  QVERIFY(cat.Write(dir + "/vok.dir"));
}

bool WaitFor(const std::function<bool()>& done, int ms = 20000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QTest::qWait(20);
  return done();
}

}  // namespace

class LeftFormTest : public QObject {
  Q_OBJECT

  struct Fixture {
    QTemporaryDir data, pagesBase;
    CPageFolder pages{pagesBase.path()};
    CBookView view;
    QAction about{QStringLiteral("about")};
    CSCrollToolBar toolbar;
    std::unique_ptr<CLeftForm> form;

    explicit Fixture(const QList<QStringList>& volumes, const QString& bookName = QStringLiteral("論語")) {
      WriteCollection(data.path(), volumes, bookName);
      toolbar.Create({&about});
      form = std::make_unique<CLeftForm>(data.path(), &pages);
      form->SetPageView(&view);
      form->SetToolBar(&toolbar);
      form->resize(260, 600);
      form->InitialUpdate();
      form->show();
    }
    // Types into the keyword field and runs the search to its end.
    bool Search(const QString& keywords) {
      if (!WaitFor([&] { return form->KeywordField()->PageLoaded(); })) return false;
      bool set = false;
      form->KeywordField()->SetInputValue(keywords, [&] { set = true; });
      if (!WaitFor([&] { return set; })) return false;
      QSignalSpy done(form.get(), &CLeftForm::searchFinished);
      form->OnSearch();
      return WaitFor([&] { return done.count() > 0; });
    }
    QTreeWidgetItem* Item(int entry) { return form->TreeItemOf(entry); }
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
    QCOMPARE(f.form->RangeLabel()->text(), QStringLiteral("ｾｭ"));
    QCOMPARE(f.form->Summary()->text(), QStringLiteral("検索集計："));
  }

  void searchFromTheKeywordField() {
    Fixture f({{QStringLiteral("學而時習之"), QStringLiteral("學而不思則罔")}, {QStringLiteral("温故而知新")}});
    MessageRecorder messages;
    f.form->Tabs()->setCurrentIndex(1);
    QVERIFY(f.Search(QStringLiteral("學而　時")));  // ideographic space: two keywords
    QCOMPARE(f.form->Summary()->text(), QStringLiteral("全部で 1 頁で、2 箇所でした。"));
    QCOMPARE(f.form->ResultList()->topLevelItemCount(), 1);
    QCOMPARE(f.form->m_strKeyWords, QStringLiteral("學而\u3000時"));
    QVERIFY(f.Search(QStringLiteral("而")));
    QCOMPARE(f.form->ResultList()->topLevelItemCount(), 3);
    // Empty keywords: the message, and the previous keyword text stays.
    QVERIFY(f.Search(QString()));
    QCOMPARE(messages.texts.value(0), QStringLiteral("何かキーワードを入力して検索をして下さい。"));
    QCOMPARE(f.form->m_strKeyWords, QStringLiteral("而"));
    // No search range.
    f.form->m_nSearchRange = 0;
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
    QCOMPARE(f.form->m_nPageCount, 2);
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
      QCOMPARE(f.form->m_nCurPage, 2);
    }
    f.form->PageEdit()->setText(QStringLiteral("1"));
    f.form->GoToTypedPage();
    QCOMPARE(f.form->m_nCurPage, 1);
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
    QCOMPARE(f.form->m_nSearchRange, uint16_t(2));
    QCOMPARE(f.form->RangeLabel()->text(), QStringLiteral("經部\\論語"));
    QCOMPARE(f.form->m_nCurNode, 0);
    // A volume: its first page in windows.html, the slider over its pages.
    f.form->Tree()->setCurrentItem(f.Item(3));
    QCOMPARE(f.form->RangeLabel()->text(), QStringLiteral("經部\\論語\\卷1"));
    QCOMPARE(f.form->m_nCurNode, 3);
    QCOMPARE(f.form->m_nCurPageNo, 1);
    QVERIFY(f.view.CurrentLocation().endsWith(QStringLiteral("/windows.html")));
    QFile toc(f.form->m_strTocFile);
    QVERIFY(toc.open(QIODevice::ReadOnly));
    QCOMPARE(toc.readAll(), QByteArray::fromStdString(StoredPage(1, QStringLiteral("學而時習之"))));
    QCOMPARE(f.toolbar.Slider()->minimum(), 1);
    QCOMPARE(f.toolbar.Slider()->maximum(), 2);
    QCOMPARE(f.toolbar.PageBox()->text(), QStringLiteral("3/1"));
    // A page number no record of the volume carries leaves the view as it was.
    const QString before = f.view.CurrentLocation();
    f.form->ShowDocument(3, false, 7);
    QCOMPARE(f.view.CurrentLocation(), before);

    // Three results opened in turn alternate between the two hit-page files.
    f.form->Tree()->setCurrentItem(f.Item(1));
    f.form->Tabs()->setCurrentIndex(1);
    QVERIFY(f.Search(QStringLiteral("學")));
    QCOMPARE(f.form->ResultList()->topLevelItemCount(), 3);
    QStringList files;
    for (int i = 0; i < 3; ++i) {
      f.form->ResultList()->setCurrentItem(f.form->ResultList()->topLevelItem(i));
      files << f.form->m_strHitPage;
      QVERIFY(f.view.CurrentLocation().endsWith(QStringLiteral("#0000")));
      QCOMPARE(f.form->m_nHitIndex, 0);
      QCOMPARE(f.form->m_nHitCount, 1);
    }
    QCOMPARE(files[0], files[2]);
    QVERIFY(files[0] != files[1]);
    QCOMPARE(QFileInfo(files[0]).dir().path(), f.pages.Path());
  }

  void rejectedKeywordsKeepTheHitPagesOfTheList() {
    Fixture f({{QStringLiteral("學而時習之"), QStringLiteral("學而")}});
    f.form->Tabs()->setCurrentIndex(1);
    QVERIFY(f.Search(QStringLiteral("學")));
    QCOMPARE(f.form->ResultList()->topLevelItemCount(), 2);
    // Latin letters: the engine refuses the string and keeps its hit list, so
    // the same results come back under a new summary.
    QVERIFY(!CIndex::AcceptsKeywords(u"abc"));
    QVERIFY(f.Search(QStringLiteral("abc")));
    QCOMPARE(f.form->m_strKeyWords, QStringLiteral("abc"));
    QCOMPARE(f.form->ResultList()->topLevelItemCount(), 2);
    QCOMPARE(f.form->Summary()->text(), QStringLiteral("全部で 2 頁で、2 箇所でした。"));
    // Their hit pages mark what the list was searched for.
    for (int i = 0; i < 2; ++i) {
      f.form->ResultList()->setCurrentItem(f.form->ResultList()->topLevelItem(i));
      QCOMPARE(f.form->m_nHitCount, 1);
      QFile page(f.form->m_strHitPage);
      QVERIFY(page.open(QIODevice::ReadOnly));
      const QByteArray bytes = page.readAll();
      QVERIFY(bytes.contains("name=\"0000\""));
      QVERIFY(!bytes.contains("abc"));
    }
    // An accepted search replaces them.
    QVERIFY(f.Search(QStringLiteral("而")));
    f.form->ResultList()->setCurrentItem(f.form->ResultList()->topLevelItem(0));
    QCOMPARE(f.form->m_nHitCount, 1);
    QFile page(f.form->m_strHitPage);
    QVERIFY(page.open(QIODevice::ReadOnly));
    QVERIFY(page.readAll().contains("而"));
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

  void scopeChangeReopensTheEngine() {
    Fixture f({{QStringLiteral("學")}});
    QVERIFY(f.form->m_Index.IsOpen());
    MessageRecorder messages;
    f.form->OnScopeClicked(1);  // 正文: the body index is not there in this fixture
    QCOMPARE(f.form->m_nSearchScope, 1);
    QVERIFY(!f.form->m_Index.IsOpen());
    QCOMPARE(messages.texts.value(0), QStringLiteral("データを開けませんでした。"));
    f.form->OnScopeClicked(0);
    QVERIFY(f.form->m_Index.IsOpen());
  }

  void missingCatalogue() {
    QTemporaryDir empty, pagesBase;
    CPageFolder pages(pagesBase.path());
    MessageRecorder messages;
    CLeftForm form(empty.path(), &pages);
    form.InitialUpdate();
    QCOMPARE(messages.texts, QStringList({QStringLiteral("データを開けませんでした。"),
                                          QStringLiteral("you delete data file!")}));
    QCOMPARE(form.Tree()->topLevelItemCount(), 0);
  }
};

TEVARIN_GUI_TEST_MAIN(LeftFormTest)
#include "gui_leftform_test.moc"
