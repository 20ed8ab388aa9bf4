// What the program keeps between runs and the languages of its interface:
// the settings file in its XDG place and the old one read once; the window,
// the left pane, the search options, the page read and the text size back
// at the next start (and the usual choices the first time); the text size
// set from the keyboard and the wheel in the page view; the menus, the form
// and the help page in Traditional Chinese and in English.
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QWheelEvent>
#include <memory>

#include "guicollection.h"
#include "guitest.h"
#include "session/pagefolder.h"
#include "ui/app/bookdoc.h"
#include "ui/app/commands.h"
#include "ui/app/language.h"
#include "ui/app/mainfrm.h"
#include "ui/app/st_splitterwnd.h"
#include "ui/panel/leftform.h"
#include "ui/panel/resultexport.h"
#include "ui/view/bookview.h"

using namespace tevarin;

namespace {

// The main frame as the program builds it, on a collection.
struct Frame {
  CBookDoc doc;
  QTemporaryDir pagesBase;
  CPageFolder pages{pagesBase.path().toStdString()};
  std::unique_ptr<CMainFrame> frame;
  explicit Frame(const QString& data = QString()) : frame(new CMainFrame(&doc, &pages, nullptr, data)) {}
  CMainFrame* operator->() const { return frame.get(); }
  CLeftForm* Form() const { return frame->LeftForm(); }
  CReadingSession& Session() const { return frame->LeftForm()->Session(); }
};

QString ReadFile(const std::string& path) {
  QFile f(QString::fromStdString(path));
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// One book in two volumes of three pages; the catalogue's entries are the
// division (1), the book (2) and the volumes (3, 4).
void WriteTwoVolumes(const QString& folder) {
  WriteCollection(folder,
                  QList<DivisionOfBooks>{{QStringLiteral("經部"),
                                          {{QStringLiteral("論語"),
                                            {{QStringLiteral("學而時習之"), QStringLiteral("有朋自遠方來"),
                                              QStringLiteral("人不知而不慍")},
                                             {QStringLiteral("為政以德"), QStringLiteral("譬如北辰"),
                                              QStringLiteral("居其所而眾星共之")}}}}}},
                  true);
}

QStringList MenuTitles(QMainWindow* window) {
  QStringList titles;
  for (QAction* a : window->menuBar()->actions()) titles << a->text();
  return titles;
}

}  // namespace

class SettingsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { QSettings().clear(); }

  void settingsLiveInTheirXdgPlaceAndTheOldOnesAreReadOnce() {
    // ~/.config/tevarin/tevarin.conf (the tests' settings folder in place of ~/.config).
    QVERIFY2(QSettings().fileName().endsWith(QStringLiteral("/tevarin/tevarin.conf")), qPrintable(QSettings().fileName()));
    QSettings old(QString::fromLatin1(kOldSettingsOrganization), QString::fromLatin1(kOldSettingsApplication));
    QVERIFY(old.fileName().endsWith(QStringLiteral("/Local AppWizard-Generated Applications/Tevarin.conf")));
    old.setValue(QStringLiteral("SplitterWnd/Panes_0"), QStringLiteral("-1 333 -1 700"));
    old.sync();
    QVERIFY(MigrateOldSettings());
    QCOMPARE(QSettings().value(QStringLiteral("SplitterWnd/Panes_0")).toString(), QStringLiteral("-1 333 -1 700"));
    // Once only: what the old file says later is not read again.
    old.setValue(QStringLiteral("SplitterWnd/Panes_0"), QStringLiteral("-1 444 -1 700"));
    old.sync();
    QVERIFY(!MigrateOldSettings());
    QCOMPARE(QSettings().value(QStringLiteral("SplitterWnd/Panes_0")).toString(), QStringLiteral("-1 333 -1 700"));
    old.clear();
    old.sync();
    // Without an old file there is nothing to copy.
    QSettings().clear();
    QVERIFY(!MigrateOldSettings());
  }

  void firstStartIsMaximizedWithTheUsualChoices() {
    QTemporaryDir data;
    WriteTwoVolumes(data.path());
    Frame f(data.path());
    f->RestoreSettings();
    f->ShowWithSavedGeometry();
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
    QVERIFY(f->isMaximized());
    QVERIFY(!f->LeftPane()->isHidden());
    QVERIFY(f.Form()->MethodButton(0)->isChecked());
    QVERIFY(f.Form()->ScopeButton(0)->isChecked());
    QVERIFY(f.Form()->VariantBox()->isChecked());
    QCOMPARE(f.Session().CurNode(), 0);
    QCOMPARE(f->BookView()->CurrentLocation(), QStringLiteral("about:blank"));
    QCOMPARE(f->BookView()->TextZoom(), 1.0);
  }

  void settingsComeBackAtTheNextStart() {
    QTemporaryDir data;
    WriteTwoVolumes(data.path());
    {
      Frame f(data.path());
      f->setGeometry(40, 30, 900, 640);
      f->show();
      QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
      // The search options, as the user clicks them.
      f.Form()->Tabs()->setCurrentIndex(1);
      f.Form()->MethodButton(1)->click();
      f.Form()->VariantBox()->click();
      f.Form()->ScopeButton(2)->click();
      QTRY_COMPARE(f.Session().Scope(), 2);
      // The second page of the second volume.
      f.Form()->Tree()->setCurrentItem(f.Form()->TreeItemOf(4));
      QTRY_COMPARE(f.Session().CurNode(), 4);
      f->OnNextPage();
      QTRY_COMPARE(f.Session().CurPageNo(), 2);
      // Larger text, a wider left pane, then the pane hidden.
      f->Action(ID_ZOOM_IN)->trigger();
      f->Action(ID_ZOOM_IN)->trigger();
      QCOMPARE(f->BookView()->TextZoom(), 1.25);
      f->Splitter()->setSizes({300, f->Splitter()->width() - 300 - f->Splitter()->handleWidth()});
      QCOMPARE(f->Splitter()->sizes().value(0), 300);
      f->Action(ID_SHOW_ALL)->trigger();
      QVERIFY(f->LeftPane()->isHidden());
      f->close();
    }
    Frame f(data.path());
    // A frame starts with the usual choices; the program restores the saved ones.
    QVERIFY(f.Form()->MethodButton(0)->isChecked());
    f->RestoreSettings();
    f->ShowWithSavedGeometry();
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
    QVERIFY(!f->isMaximized());
    QCOMPARE(f->geometry(), QRect(40, 30, 900, 640));
    QVERIFY(f->LeftPane()->isHidden());
    QVERIFY(f->PageViewActive());
    f->Action(ID_SHOW_ALL)->trigger();
    QCOMPARE(f->Splitter()->sizes().value(0), 300);
    QVERIFY(f.Form()->MethodButton(1)->isChecked());
    QVERIFY(!f.Form()->VariantBox()->isChecked());
    QVERIFY(f.Form()->ScopeButton(2)->isChecked());
    QCOMPARE(f.Session().Scope(), 2);
    // The page read last, shown and marked in the tree.
    QCOMPARE(f.Session().CurNode(), 4);
    QCOMPARE(f.Session().CurPageNo(), 2);
    QVERIFY(ReadFile(f.Session().TocFile()).contains(QStringLiteral("譬如北辰")));
    QCOMPARE(QUrl(f->BookView()->CurrentLocation()).toLocalFile(), QString::fromStdString(f.Session().TocFile()));
    QCOMPARE(f.Form()->ReadingItem(), f.Form()->TreeItemOf(4));
    QCOMPARE(f->BookView()->TextZoom(), 1.25);
    QTRY_COMPARE(f->BookView()->zoomFactor(), 1.25);
  }

  void savedPlacesOutsideTheCollectionAreIgnored() {
    QTemporaryDir data;
    WriteTwoVolumes(data.path());
    const struct {
      QVariant volume, page;
    } saved[] = {{4, 9}, {4, 0}, {2, 1}, {99, 1}, {QStringLiteral("x"), 1}};
    for (const auto& s : saved) {
      QSettings settings;
      settings.setValue(QStringLiteral("Reading/Volume"), s.volume);
      settings.setValue(QStringLiteral("Reading/Page"), s.page);
      settings.setValue(QStringLiteral("Search/Scope"), 7);
      settings.setValue(QStringLiteral("View/TextSize"), QStringLiteral("large"));
      Frame f(data.path());
      f->RestoreSettings();
      QCOMPARE(f.Session().CurNode(), 0);
      QCOMPARE(f->BookView()->CurrentLocation(), QStringLiteral("about:blank"));
      QVERIFY(f.Form()->ScopeButton(0)->isChecked());
      QCOMPARE(f->BookView()->TextZoom(), 1.0);
    }
    // A scope whose index is missing falls back to the whole text.
    QFile::remove(data.filePath(QStringLiteral("Index_desc-idx.h")));
    QSettings().setValue(QStringLiteral("Search/Scope"), 2);
    Frame f(data.path());
    f->RestoreSettings();
    QVERIFY(f.Form()->ScopeButton(0)->isChecked());
    QCOMPARE(f.Session().Scope(), 0);
    QVERIFY(f.Session().Engine().IsOpen());
  }

  void textSizeFromTheKeyboardAndTheWheelIsKept() {
    QTemporaryDir data;
    WriteTwoVolumes(data.path());
    {
      Frame f(data.path());
      f->resize(900, 640);
      f->show();
      QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
      QSignalSpy loaded(f->BookView(), &QWebEngineView::loadFinished);
      f.Form()->Tree()->setCurrentItem(f.Form()->TreeItemOf(3));
      QVERIFY(loaded.wait(20000));
      // Typed in the page view, as a user types them: Ctrl goes down, the
      // key, Ctrl comes up. The zoom keys pass the Ctrl block silently.
      QWidget* inner = f->BookView()->focusProxy();
      QVERIFY(inner);
      inner->setFocus();
      MessageRecorder messages;
      QTest::keyClick(inner, Qt::Key_Plus, Qt::ControlModifier);
      QCOMPARE(f->BookView()->TextZoom(), 1.1);
      QTest::keyClick(inner, Qt::Key_Equal, Qt::ControlModifier);
      QCOMPARE(f->BookView()->TextZoom(), 1.25);
      QTest::keyClick(inner, Qt::Key_Minus, Qt::ControlModifier);
      QCOMPARE(f->BookView()->TextZoom(), 1.1);
      QTest::keyClick(inner, Qt::Key_0, Qt::ControlModifier);
      QCOMPARE(f->BookView()->TextZoom(), 1.0);
      QWheelEvent up(QPointF(50, 50), inner->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, 240), Qt::NoButton,
                     Qt::ControlModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(inner, &up);
      QCOMPARE(f->BookView()->TextZoom(), 1.25);
      QVERIFY2(messages.texts.isEmpty(), qPrintable(messages.texts.join(QLatin1Char('|'))));
      // Any other combination is still blocked, with the message.
      QTest::keyClick(inner, Qt::Key_S, Qt::ControlModifier);
      QCOMPARE(messages.texts, QStringList{QStringLiteral("マウスの右ボタンでコピーして下さい。")});
      QCOMPARE(QSettings().value(QStringLiteral("View/TextSize")).toDouble(), 1.25);
    }
    // The next start: the text size again, on the page it shows.
    Frame f(data.path());
    f->RestoreSettings();
    QCOMPARE(f->BookView()->TextZoom(), 1.25);
    QSignalSpy loaded(f->BookView(), &QWebEngineView::loadFinished);
    f.Form()->Tree()->setCurrentItem(f.Form()->TreeItemOf(4));
    QVERIFY(loaded.wait(20000));
    QCOMPARE(f->BookView()->zoomFactor(), 1.25);
    QVERIFY(!f->Action(ID_ZOOM_RESET)->shortcut().isEmpty());
  }

  void theSystemsLanguagePicksOneOfOurs() {
    const struct {
      QStringList locales;
      const char* setting;
      const char* language;
    } cases[] = {
        {{"zh-Hant-TW"}, "", "zh_TW"}, {{"zh-TW", "en-US"}, "", "zh_TW"}, {{"zh-CN"}, "", "zh_TW"},
        {{"en-GB"}, "", "en"},         {{"de-DE", "en-US"}, "", "en"},     {{"ja-JP"}, "", "ja"},
        {{"fr-FR"}, "", "ja"},         {{"C"}, "", "ja"},                  {{}, "", "ja"},
        {{"ja-JP"}, "en", "en"},       {{"en-US"}, "ja", "ja"},            {{"en-US"}, "xx", "en"},
    };
    for (const auto& c : cases)
      QVERIFY2(ResolveLanguage(QString::fromLatin1(c.setting), c.locales) == QLatin1String(c.language),
               qPrintable(c.locales.join(QLatin1Char(',')) + QLatin1Char('/') + QLatin1String(c.setting)));
    // The choice in the menu is kept for the next start, and said to apply then.
    Frame f;
    MessageRecorder messages;
    f->findChild<QAction*>(QStringLiteral("Language_en"))->trigger();
    QCOMPARE(LanguageSetting(), QStringLiteral("en"));
    QCOMPARE(messages.texts, QStringList{QStringLiteral("表示の言語は次に起動したときから変わります。")});
    QCOMPARE(CurrentLanguage(), QStringLiteral("ja"));
    f->findChild<QAction*>(QStringLiteral("Language_system"))->trigger();
    QCOMPARE(LanguageSetting(), QString());
  }

  void interfaceInTraditionalChinese() {
    QVERIFY(UseLanguage(QStringLiteral("zh_TW")));
    QTemporaryDir data;
    WriteTwoVolumes(data.path());
    Frame f(data.path());
    QCOMPARE(MenuTitles(f.frame.get()), (QStringList{"檔案(&F)", "編輯(&E)", "檢視(&V)", "瀏覽", "說明(&H)"}));
    QCOMPARE(f->Action(ID_NEXT_VOLUME)->text(), QStringLiteral("下一卷"));
    QCOMPARE(f->Action(ID_ZOOM_IN)->text(), QStringLiteral("放大文字(&I)"));
    QCOMPARE(f.Form()->Tabs()->tabText(0), QStringLiteral("目錄"));
    QCOMPARE(f.Form()->ScopeButton(2)->text(), QStringLiteral("注釋"));
    // The data stays as it is: the catalogue's names are not translated.
    QCOMPARE(f.Form()->TreeItemOf(2)->text(0), QStringLiteral("論語"));
    QCOMPARE(f.Form()->TreeItemOf(CReadingSession::kWholeCollection)->text(0), QStringLiteral("全部"));
    QVERIFY(CMainFrame::HelpFilePath().endsWith(QStringLiteral("help_zh_TW.html")));
    MessageRecorder messages;
    f->OnPrevVolume();
    QTRY_COMPARE(messages.texts, QStringList{QStringLiteral("無法再往前，已經到了第一卷。")});
    QVERIFY(UseLanguage(QStringLiteral("ja")));
  }

  void interfaceInEnglish() {
    QVERIFY(UseLanguage(QStringLiteral("en")));
    QCOMPARE(CurrentLanguage(), QStringLiteral("en"));
    Frame f;
    QCOMPARE(MenuTitles(f.frame.get()), (QStringList{"&File", "&Edit", "&View", "&Go", "&Help"}));
    QCOMPARE(f->Action(ID_PRINT)->text(), QStringLiteral("&Print"));
    QCOMPARE(f->Action(ID_PRINT)->toolTip(), QStringLiteral("Print"));
    QCOMPARE(f.Form()->Tabs()->tabText(1), QStringLiteral("Search"));
    QCOMPARE(f.Form()->RangeLabel()->text(), QStringLiteral("Whole collection"));
    QCOMPARE(f->BookView()->ContextMenu()->actions().value(0)->text(), QStringLiteral("Copy (at most 300 characters)"));
    // The commands added later, and the header line of the exported results.
    QCOMPARE(f->BookView()->ContextMenu()->actions().value(2)->text(), QStringLiteral("Copy with Citation"));
    QCOMPARE(f->Action(ID_EDIT_COPY_CITED)->text(), QStringLiteral("Copy with Ci&tation"));
    QCOMPARE(f->Action(ID_FILE_EXPORT_RESULTS)->text(), QStringLiteral("&Export Results..."));
    QCOMPARE(ResultExportHeader(), (QStringList{"Div.", "Book", "Volume", "Page", "Record", "Hits"}));
    QVERIFY(CMainFrame::HelpFilePath().endsWith(QStringLiteral("help_en.html")));
    QVERIFY(UseLanguage(QStringLiteral("ja")));
    QCOMPARE(CurrentLanguage(), QStringLiteral("ja"));
    QCOMPARE(CMainFrame::HelpFilePath(), QStringLiteral(":/res/help.html"));
  }
};

TEVARIN_GUI_TEST_MAIN(SettingsTest)
#include "gui_settings_test.moc"
