// Copy with citation and the exports of the result list and the concordance,
// in the main frame on a collection written by the test: what the clipboard
// gets (the text of the limited copy and the source of the page read), when
// the command has nothing to cite, the CSV and TSV files of every result of
// a search, and of every line of its concordance in the order the tab shows.
#include <QClipboard>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QTableView>
#include <QWebEnginePage>
#include <atomic>
#include <chrono>
#include <thread>

#include "guicollection.h"
#include "guitest.h"
#include "session/pagefolder.h"
#include "ui/app/bookdoc.h"
#include "ui/app/commands.h"
#include "ui/app/mainfrm.h"
#include "ui/panel/concordanceview.h"
#include "ui/panel/htmlctrl.h"
#include "ui/panel/leftform.h"
#include "ui/panel/resultexport.h"
#include "ui/panel/sessionadapter.h"
#include "ui/panel/sortlistctrl.h"
#include "ui/view/bookview.h"
#include "ui/view/safepage.h"

using namespace tevarin;

namespace {

constexpr int kLongPages = 118;

// 經部 > 論語,集解 (卷1: entry 3, two pages; 卷2: entry 4) > 孟子"章句"
// (卷1: entry 6, kLongPages pages of 學) > 長 (卷1: entry 8, one page of 400
// characters). The names hold a comma and quotes, which CSV must quote.
QList<BookOfVolumes> Books() {
  QStringList many;
  for (int i = 0; i < kLongPages; ++i) many << QStringLiteral("學");
  return {{QStringLiteral("論語,集解"), {{QStringLiteral("學而時習之"), QStringLiteral("學學而")},
                                         {QStringLiteral("温故而知新")}}},
          {QStringLiteral("孟子\"章句\""), {many}},
          {QStringLiteral("長"), {{QString(400, QChar(0x4E4B))}}}};
}

struct Frame {
  QTemporaryDir data, pagesBase;
  CBookDoc doc;
  std::unique_ptr<CPageFolder> pages;
  std::unique_ptr<CMainFrame> frame;
  Frame() {
    WriteCollection(data.path(), Books());
    pages = std::make_unique<CPageFolder>(pagesBase.path().toStdString());
    frame = std::make_unique<CMainFrame>(&doc, pages.get(), nullptr, data.path());
    frame->resize(1024, 700);
    frame->show();
  }
  CLeftForm* Form() const { return frame->LeftForm(); }
  CBookView* View() const { return frame->BookView(); }
  bool Enabled(int id) const {
    frame->UpdateCommandUI();
    return frame->Action(id)->isEnabled();
  }
  // Waits until the page view has loaded what the session asked it to show.
  bool Loaded() const {
    return WaitFor([this] { return !View()->page()->isLoading(); });
  }
  // Selects the page's text cell (the cell that is not the margin's "m") and
  // waits until the browser reports the selection. The script runs again
  // until then: a page still on its way would take no selection.
  bool SelectCell(const QString& expected) {
    for (int i = 0; i < 50; ++i) {
      View()->SafePage()->RunProgramScript(QStringLiteral(
          "var c=Array.from(document.querySelectorAll('td')).find(function(t){return t.textContent!=='m';});"
          "if(c)window.getSelection().selectAllChildren(c);"));
      if (WaitFor([&] { return View()->page()->selectedText() == expected; }, 400)) return true;
    }
    return false;
  }
  bool ClearSelection() {
    View()->SafePage()->RunProgramScript(QStringLiteral("window.getSelection().removeAllRanges();"));
    return WaitFor([&] { return View()->page()->selectedText().isEmpty(); });
  }
  // Types into the keyword field and runs the search to its end.
  bool Search(const QString& keywords) {
    CLeftForm* form = Form();
    form->Tabs()->setCurrentIndex(1);
    if (!WaitFor([&] { return form->KeywordField()->PageLoaded(); })) return false;
    bool set = false;
    form->KeywordField()->SetInputValue(keywords, [&] { set = true; });
    if (!WaitFor([&] { return set; })) return false;
    QSignalSpy done(form, &CLeftForm::searchFinished);
    form->OnSearch();
    return WaitFor([&] { return done.count() > 0; });
  }
};

// Runs copy with citation (through its menu item) and returns the clipboard's text.
QString CiteAndRead(Frame& f) {
  f.frame->Action(ID_EDIT_COPY_CITED)->trigger();
  return QApplication::clipboard()->text();
}

QList<QByteArray> LinesOf(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QList<QByteArray> lines = file.readAll().split('\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

}  // namespace

class CopyExportTest : public QObject {
  Q_OBJECT
 private slots:
  void copyWithCitationNamesTheBookVolumeAndPage() {
    Frame f;
    MessageRecorder messages;
    CReadingSession& session = f.Form()->Session();
    // Nothing shown: nothing to cite.
    QVERIFY(!f.Enabled(ID_EDIT_COPY_CITED));

    f.Form()->Tree()->setCurrentItem(f.Form()->TreeItemOf(3));
    QVERIFY(f.Enabled(ID_EDIT_COPY_CITED));
    QVERIFY(f.SelectCell(QStringLiteral("學而時習之")));
    QCOMPARE(CiteAndRead(f), QStringLiteral("「學而時習之」（《論語,集解》卷1，第1頁）"));
    f.frame->Action(ID_NEXT_PAGE)->trigger();
    QVERIFY(f.SelectCell(QStringLiteral("學學而")));
    QCOMPARE(CiteAndRead(f), QStringLiteral("「學學而」（《論語,集解》卷1，第2頁）"));

    // A hit page cites the page of its result.
    f.Form()->Tree()->setCurrentItem(f.Form()->TreeItemOf(1));
    QVERIFY(f.Search(QStringLiteral("學")));
    const std::vector<SearchNodeTag>& results = session.Results();
    const auto last = std::find_if(results.begin(), results.end(),
                                   [](const SearchNodeTag& r) { return r.nPageNo == kLongPages; });
    QVERIFY(last != results.end());
    QVERIFY(session.OpenResult(last->nRecord));
    QCOMPARE(session.CurNode(), 6);
    QVERIFY(f.SelectCell(QStringLiteral("學")));
    QCOMPARE(CiteAndRead(f), QStringLiteral("「學」（《孟子\"章句\"》卷1，第%1頁）").arg(kLongPages));

    // An empty selection leaves the clipboard as it was, as copy does.
    QVERIFY(f.ClearSelection());
    QApplication::clipboard()->setText(QStringLiteral("before"));
    QCOMPARE(CiteAndRead(f), QStringLiteral("before"));
    QVERIFY(messages.texts.isEmpty());
  }

  void longSelectionIsCitedAsCopyCutsIt() {
    Frame f;
    f.Form()->Tree()->setCurrentItem(f.Form()->TreeItemOf(8));
    const QString page(400, QChar(0x4E4B));
    QVERIFY(f.SelectCell(page));
    QVERIFY(f.Enabled(ID_EDIT_COPY));
    f.frame->Action(ID_EDIT_COPY)->trigger();
    const QString copied = QApplication::clipboard()->text();
    QCOMPARE(copied, QString(300, QChar(0x4E4B)));
    QCOMPARE(CiteAndRead(f), QStringLiteral("「") + copied + QStringLiteral("」（《長》卷1，第1頁）"));
    // The context menu's item does the same.
    QApplication::clipboard()->clear();
    QAction* item = f.View()->ContextMenu()->actions().value(2);
    QVERIFY(item);
    emit f.View()->ContextMenu()->aboutToShow();
    QVERIFY(item->isEnabled());
    item->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("「") + copied + QStringLiteral("」（《長》卷1，第1頁）"));
  }

  void nothingToCiteWithoutAVolumeRead() {
    Frame f;
    f.Form()->Tree()->setCurrentItem(f.Form()->TreeItemOf(3));
    QVERIFY(f.Loaded());
    QVERIFY(f.Enabled(ID_EDIT_COPY_CITED));
    // Back past the first volume: the page stays on screen, but no volume is
    // read any more, so its source is unknown.
    MessageRecorder messages;
    f.frame->OnPrevVolume();
    QCOMPARE(f.Form()->Session().CurNode(), 0);
    QVERIFY(f.View()->PageShown());
    QVERIFY(!f.Enabled(ID_EDIT_COPY_CITED));
    QVERIFY(f.SelectCell(QStringLiteral("學而時習之")));
    QApplication::clipboard()->setText(QStringLiteral("before"));
    f.frame->OnCopyCited();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));
  }

  void newShortcutsClashWithNone() {
    Frame f;
    QCOMPARE(f.frame->Action(ID_EDIT_COPY_CITED)->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    QCOMPARE(f.frame->Action(ID_FILE_EXPORT_RESULTS)->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    QCOMPARE(f.frame->Action(ID_FILE_EXPORT_CONCORDANCE)->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K));
    // Every key of every command of the window, once.
    QHash<QKeySequence, QString> owner;
    for (QAction* a : f.frame->findChildren<QAction*>())
      for (const QKeySequence& k : a->shortcuts()) {
        QVERIFY2(!owner.contains(k), qPrintable(k.toString() + QStringLiteral(": ") + owner.value(k) +
                                               QStringLiteral(" / ") + a->objectName()));
        owner.insert(k, a->objectName());
      }
    QVERIFY(owner.size() > 10);
  }

  void concordanceExportWritesEveryLineInTheOrderShown() {
    Frame f;
    MessageRecorder messages;
    QVERIFY(!f.Enabled(ID_FILE_EXPORT_CONCORDANCE));
    f.Form()->Tree()->setCurrentItem(f.Form()->TreeItemOf(1));
    QVERIFY(f.Search(QStringLiteral("學")));
    auto* tab = f.Form()->findChild<CConcordanceView*>();
    QVERIFY(tab);
    // The tab was never shown: not one line read, yet there are lines to export.
    QCOMPARE(tab->Model()->rowCount(), 0);
    QVERIFY(f.Enabled(ID_FILE_EXPORT_CONCORDANCE));
    // A sort asked for now waits for the last line; the export brings it.
    QHeaderView* header = tab->Table()->horizontalHeader();
    emit header->sectionClicked(CConcordanceModel::Book);

    // By book: 孟子"章句" (U+5B5F) before 論語,集解 (U+8AD6), collection
    // order within. Fields as "record|book|page|anchor|left|match|right";
    // every line is of 經部, 卷1, the body.
    QStringList byBook;
    for (int page = 1; page <= kLongPages; ++page)
      byBook << QStringLiteral("%1|孟子\"章句\"|%2|0||學|").arg(page + 2).arg(page);
    byBook << QStringLiteral("0|論語,集解|1|0||學|而時習之") << QStringLiteral("1|論語,集解|2|0||學|學而")
           << QStringLiteral("1|論語,集解|2|1|學|學|而");
    QStringList reversed(byBook.rbegin(), byBook.rend());
    auto line = [](const QString& fields, DelimitedFormat format) {
      const QStringList v = fields.split(QLatin1Char('|'));
      QByteArray out;
      const char* separator = format == DelimitedFormat::Csv ? "," : "\t";
      const QStringList all = {v[0], QStringLiteral("經部"), v[1], QStringLiteral("卷1"), v[2],
                               QStringLiteral("body"), v[3], v[4], v[5], v[6]};
      for (int i = 0; i < all.size(); ++i) {
        if (i) out += separator;
        out += QByteArray::fromStdString(DelimitedField(all[i].toStdString(), format));
      }
      return out;
    };
    QTemporaryDir out;
    struct Case {
      QString name;
      DelimitedFormat format;
      QByteArray header;
      bool clickAgain;  // the same head again: the other way round
      QStringList expected;
    } cases[] = {
        {QStringLiteral("u.csv"), DelimitedFormat::Csv, "record,division,book,volume,page,part,anchor,left,match,right",
         false, byBook},
        {QStringLiteral("u.tsv"), DelimitedFormat::Tsv,
         "record\tdivision\tbook\tvolume\tpage\tpart\tanchor\tleft\tmatch\tright", true, reversed},
    };
    for (const Case& c : cases) {
      if (c.clickAgain) emit header->sectionClicked(CConcordanceModel::Book);
      const QString path = out.filePath(c.name);
      QVERIFY(f.frame->ExportConcordanceTo(path, c.format == DelimitedFormat::Csv));
      QVERIFY(tab->Complete());
      const QList<QByteArray> lines = LinesOf(path);
      QCOMPARE(lines.size(), c.expected.size() + 1);
      QCOMPARE(lines[0], c.header);
      for (int i = 0; i < c.expected.size(); ++i) QCOMPARE(lines[i + 1], line(c.expected[i], c.format));
      // The file follows the tab line for line.
      QCOMPARE(static_cast<int>(tab->Model()->Lines().size()), c.expected.size());
      for (int i = 0; i < c.expected.size(); ++i)
        QCOMPARE(QString::number(tab->Model()->Lines()[static_cast<size_t>(i)].record),
                 c.expected[i].section(QLatin1Char('|'), 0, 0));
    }
    // The CSV quotes the names that hold a comma or quotes.
    QVERIFY(LinesOf(out.filePath(QStringLiteral("u.csv"))).contains("1,經部,\"論語,集解\",卷1,2,body,1,學,學,而"));
    QVERIFY(LinesOf(out.filePath(QStringLiteral("u.csv"))).contains("3,經部,\"孟子\"\"章句\"\"\",卷1,1,body,0,,學,"));
    QVERIFY(messages.texts.isEmpty());
  }

  void concordanceExportNeverWritesAPartialList() {
    Frame f;
    MessageRecorder messages;
    f.Form()->Tree()->setCurrentItem(f.Form()->TreeItemOf(1));
    QVERIFY(f.Search(QStringLiteral("學")));
    auto* tab = f.Form()->findChild<CConcordanceView*>();
    QVERIFY(tab && tab->HasLines() && !tab->Complete());
    QTemporaryDir out;

    // While a search runs the index is the search's: no line is read and no
    // file written, and the message says why.
    CReadingSession& session = f.Form()->Session();
    std::atomic<bool> held{false};
    session.SetSearchGate([&session, &held] {
      held = true;
      while (!session.CancelRequested()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    });
    bool set = false;
    f.Form()->KeywordField()->SetInputValue(QStringLiteral("而"), [&] { set = true; });
    QVERIFY(WaitFor([&] { return set; }));
    QSignalSpy done(f.Form(), &CLeftForm::searchFinished);
    f.Form()->OnSearch();
    QVERIFY(WaitFor([&] { return held.load(); }));
    const QString busy = out.filePath(QStringLiteral("busy.csv"));
    QVERIFY(!f.frame->ExportConcordanceTo(busy, true));
    QVERIFY(!QFile::exists(busy));
    QCOMPARE(messages.texts.size(), 1);
    QVERIFY(messages.texts[0].contains(busy));
    QCOMPARE(tab->Model()->rowCount(), 0);
    // Cancelled, the search leaves the lines' results: now every line goes out.
    f.Form()->Adapter()->CancelSearch();
    QVERIFY(WaitFor([&] { return done.count() > 0; }));
    session.SetSearchGate({});
    QVERIFY(f.frame->ExportConcordanceTo(busy, true));
    QCOMPARE(LinesOf(busy).size(), 1 + 3 + kLongPages);

    // A folder that is not there: reported, nothing written.
    messages.texts.clear();
    const QString nowhere = out.filePath(QStringLiteral("missing/u.csv"));
    QVERIFY(!f.frame->ExportConcordanceTo(nowhere, true));
    QCOMPARE(messages.texts.size(), 1);
    QVERIFY(messages.texts[0].contains(nowhere));

    // A search without hits leaves no line: the item is disabled and nothing is written.
    QVERIFY(f.Search(QStringLiteral("龍")));
    QVERIFY(!tab->HasLines());
    QVERIFY(!f.Enabled(ID_FILE_EXPORT_CONCORDANCE));
    messages.texts.clear();
    const QString none = out.filePath(QStringLiteral("none.csv"));
    QVERIFY(!f.frame->ExportConcordanceTo(none, true));
    QVERIFY(!QFile::exists(none));
    QCOMPARE(messages.texts.size(), 1);
  }

  void exportWritesEveryResultAsCsvAndTsv() {
    Frame f;
    MessageRecorder messages;
    QVERIFY(!f.Enabled(ID_FILE_EXPORT_RESULTS));
    f.Form()->Tree()->setCurrentItem(f.Form()->TreeItemOf(1));
    QVERIFY(f.Search(QStringLiteral("學")));
    // Two pages of 論語 and every page of 孟子: more than the list shows at once.
    const int expected = 2 + kLongPages;
    QCOMPARE(static_cast<int>(f.Form()->Session().Results().size()), expected);
    QCOMPARE(f.Form()->ResultList()->topLevelItemCount(), 100);
    QVERIFY(f.Enabled(ID_FILE_EXPORT_RESULTS));

    QTemporaryDir out;
    const QString csv = out.filePath(QStringLiteral("r.csv")), tsv = out.filePath(QStringLiteral("r.tsv"));
    QVERIFY(f.frame->ExportResultsTo(csv, true));
    QVERIFY(f.frame->ExportResultsTo(tsv, false));
    QVERIFY(messages.texts.isEmpty());
    struct Case {
      QString path;
      QByteArray header, twoHits, lastPage;
      char separator;
    } cases[] = {
        {csv, "類別,書名,巻,頁,レコード,箇所", "經部,\"論語,集解\",卷1,2,1,2",
         "經部,\"孟子\"\"章句\"\"\",卷1,118,120,1", ','},
        {tsv, "類別\t書名\t巻\t頁\tレコード\t箇所", "經部\t論語,集解\t卷1\t2\t1\t2", "經部\t孟子\"章句\"\t卷1\t118\t120\t1",
         '\t'},
    };
    for (const Case& c : cases) {
      const QList<QByteArray> lines = LinesOf(c.path);
      QCOMPARE(lines.size(), expected + 1);
      QCOMPARE(lines[0], c.header);
      QVERIFY(lines.contains(c.twoHits));
      QVERIFY(lines.contains(c.lastPage));
      // Every result once, in the order of the results.
      QSet<QByteArray> records;
      for (int i = 1; i < lines.size(); ++i) {
        const QByteArray record = lines[i].split(c.separator).value(lines[i].count(c.separator) - 1);
        QCOMPARE(record, QByteArray::number(f.Form()->Session().Results()[static_cast<size_t>(i - 1)].nRecord));
        records.insert(record);
      }
      QCOMPARE(records.size(), expected);
    }
  }

  void exportFailureIsReported() {
    Frame f;
    f.Form()->Tree()->setCurrentItem(f.Form()->TreeItemOf(3));
    QVERIFY(f.Search(QStringLiteral("而")));
    QTemporaryDir out;
    // A file that exists (the dialog asked before) is replaced whole.
    const QString path = out.filePath(QStringLiteral("old.csv"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(10000, 'x'));
    old.close();
    QVERIFY(f.frame->ExportResultsTo(path, true));
    QCOMPARE(LinesOf(path).size(), 3);
    QVERIFY(!LinesOf(path).join('\n').contains('x'));

    MessageRecorder messages;
    const QString nowhere = out.filePath(QStringLiteral("missing/r.csv"));
    QVERIFY(!f.frame->ExportResultsTo(nowhere, true));
    QCOMPARE(messages.texts.size(), 1);
    QVERIFY(messages.texts[0].contains(nowhere));
    QVERIFY(!QFile::exists(nowhere));
  }

  void formatFollowsTheNameThenTheTypeChosen() {
    const struct {
      const char* path;
      bool csvChosen;
      DelimitedFormat expected;
    } cases[] = {
        {"/t/a.csv", false, DelimitedFormat::Csv}, {"/t/a.TSV", true, DelimitedFormat::Tsv},
        {"/t/a.txt", true, DelimitedFormat::Csv},  {"/t/a", false, DelimitedFormat::Tsv},
        {"/t/csv", true, DelimitedFormat::Csv},
    };
    for (const auto& c : cases)
      QVERIFY2(ExportFormatFor(QString::fromUtf8(c.path), c.csvChosen) == c.expected, c.path);
  }
};

TEVARIN_GUI_TEST_MAIN(CopyExportTest)
#include "gui_copyexport_test.moc"
