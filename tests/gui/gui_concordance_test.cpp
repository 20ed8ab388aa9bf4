// The concordance and distribution tabs of the navigation form on a small
// collection written by the test: the lines of the result list's search (its
// pages only, not read while the tab is hidden), sorting by the column
// heads, opening a line, by double-click and by Enter, on its hit page at
// that hit's anchor; the hits, pages and rates per division, book and
// volume, and a row chosen as the search range.
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTabBar>
#include <QTableView>
#include <QTreeWidget>
#include <atomic>
#include <chrono>
#include <thread>

#include "guicollection.h"
#include "guitest.h"
#include "session/pagefolder.h"
#include "ui/panel/concordanceview.h"
#include "ui/panel/distributionview.h"
#include "ui/panel/htmlctrl.h"
#include "ui/panel/leftform.h"
#include "ui/panel/sessionadapter.h"
#include "ui/view/bookview.h"

using namespace tevarin;

namespace {

bool Search(CLeftForm* form, const QString& keywords) {
  if (!WaitFor([&] { return form->KeywordField()->PageLoaded(); })) return false;
  bool set = false;
  form->KeywordField()->SetInputValue(keywords, [&] { set = true; });
  if (!WaitFor([&] { return set; })) return false;
  QSignalSpy done(form, &CLeftForm::searchFinished);
  form->OnSearch();
  return WaitFor([&] { return done.count() > 0; });
}

// A line as "left|match|right|book|volume|page".
QString Row(const CConcordanceModel* model, int row) {
  QStringList cells;
  for (int c = 0; c < CConcordanceModel::ColumnCount; ++c) cells << model->index(row, c).data().toString();
  return cells.join(QLatin1Char('|'));
}

// Holds the session's next searches on their thread until they are cancelled.
void HoldSearches(CReadingSession& session, std::atomic<bool>& held) {
  session.SetSearchGate([&session, &held] {
    held = true;
    while (!session.CancelRequested()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  });
}

QStringList Rows(const CConcordanceModel* model) {
  QStringList rows;
  for (int r = 0; r < model->rowCount(); ++r) rows << Row(model, r);
  return rows;
}

}  // namespace

class ConcordanceTest : public QObject {
  Q_OBJECT

  struct Fixture {
    QTemporaryDir data, pagesBase;
    CPageFolder pages{pagesBase.path().toStdString()};
    CBookView view;
    std::unique_ptr<CLeftForm> form;
    CConcordanceView* concordance = nullptr;
    CDistributionView* distribution = nullptr;

    Fixture() {
      // 經部 論語: 卷1 two pages, 卷2 one; 子部 荘子 one page.
      WriteCollection(data.path(),
                      QList<DivisionOfBooks>{
                          {QStringLiteral("經部"),
                           {{QStringLiteral("論語"),
                             {{QStringLiteral("學而時習之亦學"), QStringLiteral("不亦說乎")},
                              {QStringLiteral("甲學乙學丙學丁")}}}}},
                          {QStringLiteral("子部"), {{QStringLiteral("荘子"), {{QStringLiteral("明學月")}}}}}});
      form = std::make_unique<CLeftForm>(data.path(), &pages);
      form->SetPageView(&view);
      concordance = new CConcordanceView(form.get());
      form->AddPage(QStringLiteral("用例"), concordance);
      distribution = new CDistributionView(form.get());
      form->AddPage(QStringLiteral("分布"), distribution);
      form->resize(500, 600);
      form->InitialUpdate();
      form->show();
    }
    // Shows the concordance tab and waits for all its lines.
    bool ShowLines() {
      form->Tabs()->setCurrentIndex(2);
      return WaitFor([&] { return concordance->Complete(); });
    }
    CConcordanceModel* Model() { return concordance->Model(); }
  };

 private slots:
  void linesFollowTheResultListsSearch() {
    Fixture f;
    QCOMPARE(f.form->Tabs()->count(), 4);
    QCOMPARE(f.form->PageOfTab(2), f.concordance);
    QCOMPARE(f.form->PageOfTab(3), f.distribution);
    f.form->Tabs()->setCurrentIndex(1);
    QVERIFY(Search(f.form.get(), QStringLiteral("學")));
    // Hidden, the tab reads no page: the result list's search costs what it did.
    QCOMPARE(f.Model()->rowCount(), 0);
    QVERIFY(!f.concordance->Complete());
    QVERIFY(f.ShowLines());
    QVERIFY(f.concordance->isVisible());
    QVERIFY(!f.form->Tree()->isVisible());
    QCOMPARE(f.concordance->TotalHits(), 6u);
    QCOMPARE(Rows(f.Model()), (QStringList{
                                  QStringLiteral("|學|而時習之亦學|論語|卷1|1"),
                                  QStringLiteral("學而時習之亦|學||論語|卷1|1"),
                                  QStringLiteral("甲|學|乙學丙學丁|論語|卷2|1"),
                                  QStringLiteral("甲學乙|學|丙學丁|論語|卷2|1"),
                                  QStringLiteral("甲學乙學丙|學|丁|論語|卷2|1"),
                                  QStringLiteral("明|學|月|荘子|卷1|1"),
                              }));
    QVERIFY(f.concordance->StatusLine()->text().contains(QLatin1String("6")));

    // A new search in a narrower range replaces the lines: the range's pages only.
    f.form->Tabs()->setCurrentIndex(0);
    f.form->Tree()->setCurrentItem(f.form->TreeItemOf(1));  // 經部
    f.form->Tabs()->setCurrentIndex(1);
    QVERIFY(Search(f.form.get(), QStringLiteral("學")));
    QVERIFY(f.ShowLines());
    QCOMPARE(f.Model()->rowCount(), 5);
    for (int r = 0; r < 5; ++r) QCOMPARE(f.Model()->index(r, CConcordanceModel::Book).data().toString(), QStringLiteral("論語"));

    // A search without hits leaves none.
    f.form->Tabs()->setCurrentIndex(1);
    QVERIFY(Search(f.form.get(), QStringLiteral("龍")));
    QVERIFY(f.form->Session().Results().empty());
    f.form->Tabs()->setCurrentIndex(2);
    QCOMPARE(f.Model()->rowCount(), 0);
    QCOMPARE(f.concordance->StatusLine()->text(), QStringLiteral("用例はありません。"));
  }

  void linesWaitWhileASearchRuns() {
    // The lines are read from the index the search thread uses: never
    // while a search runs. A cancelled search keeps the lines' results.
    Fixture f;
    f.form->Tabs()->setCurrentIndex(1);
    QVERIFY(Search(f.form.get(), QStringLiteral("學")));
    std::atomic<bool> held{false};
    HoldSearches(f.form->Session(), held);
    bool set = false;
    f.form->KeywordField()->SetInputValue(QStringLiteral("明"), [&] { set = true; });
    QVERIFY(WaitFor([&] { return set; }));
    QSignalSpy done(f.form.get(), &CLeftForm::searchFinished);
    f.form->OnSearch();
    QVERIFY(WaitFor([&] { return held.load(); }));
    f.form->Tabs()->setCurrentIndex(2);
    QTest::qWait(100);
    QVERIFY(f.form->Adapter()->Busy());
    QCOMPARE(f.Model()->rowCount(), 0);
    f.form->Adapter()->CancelSearch();
    QVERIFY(WaitFor([&] { return done.count() > 0; }));
    QVERIFY(WaitFor([&] { return f.concordance->Complete(); }));
    QCOMPARE(f.Model()->rowCount(), 6);
    f.form->Session().SetSearchGate({});
  }

  void columnHeadsSort() {
    Fixture f;
    f.form->Tabs()->setCurrentIndex(1);
    QVERIFY(Search(f.form.get(), QStringLiteral("學")));
    QHeaderView* header = f.concordance->Table()->horizontalHeader();
    // Asked before the lines are there, the sort waits for the last of them.
    emit header->sectionClicked(CConcordanceModel::Book);
    QVERIFY(f.concordance->StatusLine()->text().contains(QStringLiteral("読み込みが終わってから並べ替えます")));
    QVERIFY(f.ShowLines());
    QCOMPARE(f.Model()->index(0, CConcordanceModel::Book).data().toString(), QStringLiteral("荘子"));
    QVERIFY(!f.concordance->StatusLine()->text().contains(QStringLiteral("並べ替えます")));
    emit header->sectionClicked(CConcordanceModel::Page);
    const QStringList collection = Rows(f.Model());
    QCOMPARE(f.Model()->index(0, CConcordanceModel::Book).data().toString(), QStringLiteral("論語"));
    auto column = [&](int c) {
      QStringList cells;
      for (int r = 0; r < f.Model()->rowCount(); ++r) cells << f.Model()->index(r, c).data().toString();
      return cells;
    };
    struct Case {
      int column;
      QStringList expected;  // that column from top to bottom
    };
    const Case cases[] = {
        // Following context, by code point.
        {CConcordanceModel::Right,
         {QString(), QStringLiteral("丁"), QStringLiteral("丙學丁"), QStringLiteral("乙學丙學丁"),
          QStringLiteral("月"), QStringLiteral("而時習之亦學")}},
        // The same head again: the other way round.
        {CConcordanceModel::Right,
         {QStringLiteral("而時習之亦學"), QStringLiteral("月"), QStringLiteral("乙學丙學丁"),
          QStringLiteral("丙學丁"), QStringLiteral("丁"), QString()}},
        // Preceding context read from the match leftwards: "" < 丙… (U+4E19)
        // < 乙… (U+4E59) < 亦… (U+4EA6) < 明 (U+660E) < 甲 (U+7532).
        {CConcordanceModel::Left,
         {QString(), QStringLiteral("甲學乙學丙"), QStringLiteral("甲學乙"), QStringLiteral("學而時習之亦"),
          QStringLiteral("明"), QStringLiteral("甲")}},
        // Book title: 荘 (U+8358) before 論 (U+8AD6), collection order within.
        {CConcordanceModel::Book,
         {QStringLiteral("荘子"), QStringLiteral("論語"), QStringLiteral("論語"), QStringLiteral("論語"),
          QStringLiteral("論語"), QStringLiteral("論語")}},
    };
    for (const Case& c : cases) {
      emit header->sectionClicked(c.column);
      QCOMPARE(column(c.column), c.expected);
    }
    // Sorted by book, the 論語 lines keep collection order.
    QCOMPARE(Rows(f.Model()).mid(1), collection.mid(0, 5));
    // The page column: collection order again.
    emit header->sectionClicked(CConcordanceModel::Page);
    QCOMPARE(Rows(f.Model()), collection);
  }

  void openingALineShowsItsHitAtItsAnchor() {
    Fixture f;
    f.form->Tabs()->setCurrentIndex(1);
    QVERIFY(Search(f.form.get(), QStringLiteral("學")));
    QVERIFY(f.ShowLines());
    // Sorted by the preceding context, rows and anchors no longer follow the page.
    emit f.concordance->Table()->horizontalHeader()->sectionClicked(CConcordanceModel::Left);
    QTableView* table = f.concordance->Table();
    QSignalSpy requests(f.form->Adapter(), &CSessionAdapter::pageRequested);
    for (int row = 0; row < f.Model()->rowCount(); ++row) {
      const ConcordanceLine line = f.Model()->Lines()[static_cast<size_t>(row)];
      requests.clear();
      const bool byEnter = row % 2 == 1;
      if (byEnter) {
        table->setFocus();
        table->setCurrentIndex(f.Model()->index(row, CConcordanceModel::Match));
        QTest::keyClick(table, Qt::Key_Return);
      } else {
        const QRect cell = table->visualRect(f.Model()->index(row, CConcordanceModel::Match));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
      }
      const QString anchor = QStringLiteral("%1").arg(line.anchor, 4, 10, QLatin1Char('0'));
      QVERIFY2(f.view.CurrentLocation().endsWith(QLatin1Char('#') + anchor),
               qPrintable(QStringLiteral("row %1: %2").arg(row).arg(f.view.CurrentLocation())));
      // One request reaches the view, for a hit page written anew.
      QCOMPARE(requests.count(), 1);
      QVERIFY(requests.first().at(2).toBool());
      QCOMPARE(f.form->Session().HitIndex(), line.anchor);
      // Reading goes on from the hit's volume and page, those of its line.
      int entry = 0, pageNo = 0;
      QVERIFY(f.form->Session().VolumeOfRecord(static_cast<int32_t>(line.record), entry, pageNo));
      QCOMPARE(f.form->Session().CurNode(), entry);
      QCOMPARE(f.form->Session().CurPageNo(), line.place.pageNo);
      // The hit page's anchor stands right before this hit's text.
      QFile page(QString::fromStdString(f.form->Session().HitPage()));
      QVERIFY(page.open(QIODevice::ReadOnly));
      const QString html = QString::fromUtf8(page.readAll());
      const QRegularExpression anchored(QStringLiteral("name=\"?%1\"?[^>]*>(?:<[^>]*>)*%2")
                                            .arg(anchor, QRegularExpression::escape(QString::fromStdU16String(line.match))));
      const QRegularExpressionMatch hit = anchored.match(html);
      QVERIFY2(hit.hasMatch(), qPrintable(html));
      const QString after = html.mid(hit.capturedEnd()).remove(QRegularExpression(QStringLiteral("<[^>]*>")));
      QVERIFY(after.startsWith(QString::fromStdU16String(line.right).left(1)));
    }
  }

  void distributionCountsPerNodeAndNarrowsTheRange() {
    Fixture f;
    f.form->Tabs()->setCurrentIndex(1);
    QVERIFY(Search(f.form.get(), QStringLiteral("學")));
    QVERIFY(!f.distribution->Built());  // hidden: nothing counted yet
    f.form->Tabs()->setCurrentIndex(3);
    QVERIFY(f.distribution->isVisible());
    QVERIFY(f.distribution->Built());
    // Every row as "depth name hits pages rate"; 不亦說乎 has no hit, so
    // 卷1 counts 2 hits in 11 characters.
    QStringList rows;
    std::function<void(QTreeWidgetItem*, int)> walk = [&](QTreeWidgetItem* item, int depth) {
      rows << QStringLiteral("%1 %2 %3 %4 %5")
                  .arg(depth)
                  .arg(item->text(CDistributionView::Name), item->text(CDistributionView::Hits),
                       item->text(CDistributionView::Pages), item->text(CDistributionView::Rate));
      for (int i = 0; i < item->childCount(); ++i) walk(item->child(i), depth + 1);
    };
    QTreeWidget* tree = f.distribution->Tree();
    QCOMPARE(tree->topLevelItemCount(), 1);
    walk(tree->topLevelItem(0), 0);
    QCOMPARE(rows, (QStringList{
                       QStringLiteral("0 全体 6 3 2857.1"),  // 6 in 21
                       QStringLiteral("1 經部 5 2 2777.8"),  // 5 in 18
                       QStringLiteral("2 論語 5 2 2777.8"),
                       QStringLiteral("3 卷1 2 1 1818.2"),  // 2 in 11
                       QStringLiteral("3 卷2 3 1 4285.7"),  // 3 in 7
                       QStringLiteral("1 子部 1 1 3333.3"),  // 1 in 3
                       QStringLiteral("2 荘子 1 1 3333.3"),
                       QStringLiteral("3 卷1 1 1 3333.3"),
                   }));
    // Bars against the most hits among siblings: 卷2 is the longest of 論語's.
    QTreeWidgetItem* volumes = tree->topLevelItem(0)->child(0)->child(0);
    QCOMPARE(volumes->child(1)->data(CDistributionView::Bar, CDistributionView::kBarRole).toDouble(), 1.0);
    QCOMPARE(volumes->child(0)->data(CDistributionView::Bar, CDistributionView::kBarRole).toDouble(), 2.0 / 3.0);

    // A row clicked is the search range, as in the table of contents.
    struct Case {
      QTreeWidgetItem* item;
      int entry;
      QString label;
    };
    const Case cases[] = {
        {volumes->child(1), 4, QStringLiteral("經部\\論語\\卷2")},
        {tree->topLevelItem(0)->child(1), 5, QStringLiteral("子部")},
        {tree->topLevelItem(0), CReadingSession::kWholeCollection, QStringLiteral("全体")},
    };
    for (const Case& c : cases) {
      for (QTreeWidgetItem* p = c.item->parent(); p; p = p->parent()) p->setExpanded(true);
      const QRect cell = tree->visualItemRect(c.item);
      QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, cell.center());
      QCOMPARE(f.form->Session().SearchRange(), c.entry);
      QCOMPARE(f.form->RangeLabel()->text(), c.label);
    }

    // A search in the narrower range shows that range only.
    f.form->Tree()->setCurrentItem(f.form->TreeItemOf(5));
    f.form->Tabs()->setCurrentIndex(1);
    QVERIFY(Search(f.form.get(), QStringLiteral("學")));
    f.form->Tabs()->setCurrentIndex(3);
    rows.clear();
    walk(tree->topLevelItem(0), 0);
    QCOMPARE(rows, (QStringList{QStringLiteral("0 子部 1 1 3333.3"), QStringLiteral("1 荘子 1 1 3333.3"),
                                QStringLiteral("2 卷1 1 1 3333.3")}));

    // A search without hits: no rows, and the status line says so.
    f.form->Tabs()->setCurrentIndex(1);
    QVERIFY(Search(f.form.get(), QStringLiteral("龍")));
    f.form->Tabs()->setCurrentIndex(3);
    QCOMPARE(tree->topLevelItemCount(), 0);
    QCOMPARE(f.distribution->StatusLine()->text(), QStringLiteral("検索結果がありません。"));
  }
};

TEVARIN_GUI_TEST_MAIN(ConcordanceTest)
#include "gui_concordance_test.moc"
