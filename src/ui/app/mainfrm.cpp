#include "ui/app/mainfrm.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDebug>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QKeySequence>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QSettings>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "ui/app/book.h"
#include "ui/app/bookdoc.h"
#include "ui/app/language.h"
#include "ui/app/leftpane.h"
#include "ui/app/resources.h"
#include "ui/base/messages.h"
#include "ui/app/splash.h"
#include "ui/app/st_splitterwnd.h"
#include "ui/controls/scrolltoolbar.h"
#include "session/citation.h"
#include "ui/panel/concordanceview.h"
#include "ui/panel/leftform.h"
#include "ui/panel/resultexport.h"
#include "ui/panel/sessionadapter.h"
#include "ui/view/bookview.h"

namespace tevarin {

namespace {
const QString kGeometryKey = QStringLiteral("MainFrame/Geometry");
const QString kTextSizeKey = QStringLiteral("View/TextSize");
}  // namespace

CMainFrame::CMainFrame(CBookDoc* doc, CPageFolder* pages, QWidget* parent, const QString& dataFolder,
                       const QString& openFailureNote)
    : QMainWindow(parent),
      m_pDoc(doc),
      m_pPages(pages),
      m_dataFolder(dataFolder.isEmpty() ? QCoreApplication::applicationDirPath() : dataFolder),
      m_openFailureNote(openFailureNote) {
  setObjectName(QStringLiteral("MainFrame"));
  setWindowTitle(QString::fromLatin1(kAppTitle));
  setWindowIcon(QIcon(QStringLiteral(":/res/tevarin.png")));
  // The movie covers the screen first, while the rest is built behind it.
  CSplashWnd::OpenSplash(this);

  m_ToolBar = new CSCrollToolBar(this);
  m_ToolBar->setWindowTitle(tr("ツールバー"));
  BuildMenus();
  if (!BuildToolBar()) {
    qDebug("Failed to create toolbar");
    return;
  }
  addToolBar(Qt::TopToolBarArea, m_ToolBar);
  connect(m_ToolBar, &CSCrollToolBar::pageReleased, this, &CMainFrame::OnSliderReleased);

  // The splitter with the navigation form (left) and the page view (right).
  m_Splitter = new ST_SplitterWnd(0, this);
  m_pBookView = new CBookView(m_Splitter);
  // The source of the page read, for copy with citation.
  m_pBookView->SetCiter([this](const QString& text, QString* cited) {
    if (!m_pSession) return false;
    CitationSource source;
    if (!CitationSourceOf(m_pSession->Catalogue(), m_pSession->CurNode(), m_pSession->CurPageNo(), source))
      return false;
    if (cited) *cited = QString::fromStdU16String(CitationText(text.toStdU16String(), source));
    return true;
  });
  // The text size is kept for the next start whenever it changes.
  connect(m_pBookView, &CBookView::textZoomChanged, this, [](double factor) {
    QSettings().setValue(kTextSizeKey, factor);
  });
  m_pLeftPane = CreateLeftPane(this, m_Splitter);
  m_Splitter->Create(m_pLeftPane, m_pBookView, true);
  setCentralWidget(m_Splitter);
  // The end of a drag of the splitter bar: the form lays its controls out anew.
  connect(m_Splitter, &QSplitter::splitterMoved, this, [this] {
    if (m_pLeftPane) m_pLeftPane->update();
  });

  BuildAccelerators();
  // Enable rules: before a menu opens, and whenever the event loop is about
  // to wait (the idle time in which the toolbar buttons follow them).
  for (QMenu* m : menuBar()->findChildren<QMenu*>())
    connect(m, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
  if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance())
    connect(d, &QAbstractEventDispatcher::aboutToBlock, this, &CMainFrame::UpdateCommandUI);

  InitialUpdateLeftPane(this, m_pLeftPane);
  // The navigation form is the active pane from the start.
  m_pLeftPane->setFocus(Qt::OtherFocusReason);
  m_Splitter->SetActivePane(0);
  m_created = true;
  UpdateCommandUI();
}

CMainFrame::~CMainFrame() {
  // The window is gone: start the end program once. Nothing waits for it and
  // a missing program is not reported. The splitter saves its pane sizes
  // after this, when it is destroyed with the frame's children.
  QProcess::startDetached(EndProgramPath(), {}, QString());
}

QString CMainFrame::EndProgramPath() {
  return QCoreApplication::applicationDirPath() + QStringLiteral("/end.exe");
}

QString CMainFrame::HelpFilePath() {
  const QString language = CurrentLanguage();
  const QString name = language == QLatin1String("ja") ? QStringLiteral("help.html")
                                                        : QStringLiteral("help_%1.html").arg(language);
  const QString file = ProgramFile(name);
  if (!file.isEmpty()) return file;
  const QString own = QStringLiteral(":/res/") + name;
  return QFileInfo::exists(own) ? own : QStringLiteral(":/res/help.html");
}

void CMainFrame::SetLeftForm(CLeftForm* form) {
  m_pLeftForm = form;
  m_pSession = form ? &form->Session() : nullptr;
  if (!form) return;
  if (m_ToolBar) form->SetToolBar(m_ToolBar);
  // A long search disables the reading commands at once, not at the next idle time.
  connect(form->Adapter(), &CSessionAdapter::longSearchChanged, this, &CMainFrame::UpdateCommandUI);
}

QAction* CMainFrame::MakeAction(int id, const QString& text, void (CMainFrame::*slot)()) {
  auto* a = new QAction(text, this);
  a->setData(id);
  a->setObjectName(QStringLiteral("Command%1").arg(id));
  if (slot) connect(a, &QAction::triggered, this, slot);
  m_actions.insert(id, a);
  return a;
}

void CMainFrame::BuildMenus() {
  QMenu* file = menuBar()->addMenu(tr("ファイル(&F)"));
  file->addAction(MakeAction(ID_PRINT_SETUP, tr("印刷設定(&S)"), &CMainFrame::OnPrintSetup));
  file->addAction(MakeAction(ID_PRINT, tr("印刷(&P)"), &CMainFrame::OnPrint));
  file->addAction(MakeAction(ID_APP_EXIT, tr("終了(&X)"), nullptr));
  connect(Action(ID_APP_EXIT), &QAction::triggered, this, &QWidget::close);
  file->addSeparator();
  file->addAction(MakeAction(ID_FILE_EXPORT_RESULTS, tr("検索結果をエクスポート(&E)..."),
                             &CMainFrame::OnExportResults));
  Action(ID_FILE_EXPORT_RESULTS)->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
  file->addAction(MakeAction(ID_FILE_EXPORT_CONCORDANCE, tr("用例をエクスポート(&K)..."),
                             &CMainFrame::OnExportConcordance));
  Action(ID_FILE_EXPORT_CONCORDANCE)->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K));

  QMenu* edit = menuBar()->addMenu(tr("編集(&E)"));
  edit->addAction(MakeAction(ID_EDIT_COPY, tr("コピー(&C)"), &CMainFrame::OnCopy));
  edit->addAction(MakeAction(ID_SELECT_ALL, tr("すべて選択(&Q)"), &CMainFrame::OnSelectAll));
  edit->addAction(MakeAction(ID_EDIT_COPY_CITED, tr("出典付きでコピー(&R)"), &CMainFrame::OnCopyCited));
  Action(ID_EDIT_COPY_CITED)->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));

  QMenu* view = menuBar()->addMenu(tr("表示(&V)"));
  QAction* toolbar = m_ToolBar->toggleViewAction();
  toolbar->setText(tr("ツールバー(&T)"));
  toolbar->setData(ID_VIEW_TOOLBAR);
  toolbar->setObjectName(QStringLiteral("Command%1").arg(ID_VIEW_TOOLBAR));
  m_actions.insert(ID_VIEW_TOOLBAR, toolbar);
  view->addAction(toolbar);
  // There is no status bar: the item is there and does nothing.
  view->addAction(MakeAction(ID_VIEW_STATUS_BAR, tr("状態バー(&S)"), nullptr));
  view->addAction(MakeAction(ID_SHOW_ALL, tr("全表示(&p)"), &CMainFrame::OnShowAll));
  // The text size of the page view.
  view->addSeparator();
  view->addAction(MakeAction(ID_ZOOM_IN, tr("文字を大きく(&I)"), &CMainFrame::OnZoomIn));
  view->addAction(MakeAction(ID_ZOOM_OUT, tr("文字を小さく(&D)"), &CMainFrame::OnZoomOut));
  view->addAction(MakeAction(ID_ZOOM_RESET, tr("標準の大きさ(&R)"), &CMainFrame::OnZoomReset));
  // Ctrl++ as typed on any keyboard (with Shift or on the keypad), and Ctrl+=.
  Action(ID_ZOOM_IN)->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
  Action(ID_ZOOM_OUT)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
  Action(ID_ZOOM_RESET)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
  // The interface language: the system's, or one of the languages in their
  // own names.
  view->addSeparator();
  QMenu* languages = view->addMenu(tr("言語(&L)"));
  languages->setObjectName(QStringLiteral("LanguageMenu"));
  m_languages = new QActionGroup(this);
  const QString chosen = LanguageSetting();
  auto addLanguage = [&](const QString& code, const QString& name) {
    QAction* a = languages->addAction(name);
    a->setObjectName(QStringLiteral("Language_") + (code.isEmpty() ? QStringLiteral("system") : code));
    a->setData(code);
    a->setCheckable(true);
    a->setChecked(code == (IsInterfaceLanguage(chosen) ? chosen : QString()));
    m_languages->addAction(a);
    connect(a, &QAction::triggered, this, [this, code] { OnLanguageChosen(code); });
  };
  addLanguage(QString(), tr("システムの言語"));
  languages->addSeparator();
  for (const InterfaceLanguage& l : InterfaceLanguages())
    addLanguage(QString::fromLatin1(l.code), QString::fromUtf8(l.name));

  QMenu* list = menuBar()->addMenu(tr("一覧"));
  list->addAction(MakeAction(ID_PREV_PAGE, tr("上の頁へ(&P)"), &CMainFrame::OnPrevPage));
  list->addAction(MakeAction(ID_NEXT_PAGE, tr("次の頁へ(&N)"), &CMainFrame::OnNextPage));
  list->addSeparator();
  list->addAction(MakeAction(ID_PREV_VOLUME, tr("上の巻へ"), &CMainFrame::OnPrevVolume));
  list->addAction(MakeAction(ID_NEXT_VOLUME, tr("次の巻へ"), &CMainFrame::OnNextVolume));
  list->addSeparator();
  list->addAction(MakeAction(ID_PREV_HIT, tr("上の検索結果"), &CMainFrame::OnPrevHit));
  list->addAction(MakeAction(ID_NEXT_HIT, tr("次の検索結果"), &CMainFrame::OnNextHit));

  QMenu* help = menuBar()->addMenu(tr("ヘルプ(&H)"));
  help->addAction(MakeAction(ID_APP_ABOUT, tr("バージョン(&A)..."), &CMainFrame::OnAbout));
  help->addAction(MakeAction(ID_HELP_FILE, tr("ヘルプ"), &CMainFrame::OnHelp));

  // Toolbar tips: the short names of the commands.
  const std::pair<int, const char*> tips[] = {
      {ID_PRINT, QT_TR_NOOP("印刷")},           {ID_EDIT_COPY, QT_TR_NOOP("コピー")},
      {ID_SELECT_ALL, QT_TR_NOOP("すべて選択")}, {ID_PREV_PAGE, QT_TR_NOOP("上の頁")},
      {ID_NEXT_PAGE, QT_TR_NOOP("次の頁")},     {ID_PREV_VOLUME, QT_TR_NOOP("上の巻へ")},
      {ID_NEXT_VOLUME, QT_TR_NOOP("次の巻へ")}, {ID_PREV_HIT, QT_TR_NOOP("上の検索結果")},
      {ID_NEXT_HIT, QT_TR_NOOP("次の検索結果")}, {ID_APP_ABOUT, QT_TR_NOOP("情報")}};
  for (const auto& [id, tip] : tips) Action(id)->setToolTip(tr(tip));
}

bool CMainFrame::BuildToolBar() {
  // Toolbar 128: the ten command buttons and their separators.
  return m_ToolBar->Create({Action(ID_SELECT_ALL), Action(ID_EDIT_COPY), nullptr, Action(ID_PRINT),
                            nullptr, Action(ID_PREV_VOLUME), Action(ID_PREV_PAGE),
                            Action(ID_NEXT_PAGE), Action(ID_NEXT_VOLUME), nullptr,
                            Action(ID_PREV_HIT), Action(ID_NEXT_HIT), nullptr,
                            Action(ID_APP_ABOUT)});
}

void CMainFrame::BuildAccelerators() {
  // Accelerator table 128. Undo, new and open have no handler and are left
  // to the widget that has the focus.
  Action(ID_EDIT_COPY)->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
  Action(ID_PREV_HIT)->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F3));
  Action(ID_NEXT_HIT)->setShortcut(QKeySequence(Qt::Key_F3));

  auto accel = [this](int id, const QList<QKeySequence>& keys, void (CMainFrame::*slot)()) {
    QAction* a = MakeAction(id, QString(), slot);
    a->setShortcuts(keys);
    addAction(a);
    return a;
  };
  // Save: the page shown, written to a file the user names.
  accel(ID_FILE_SAVE, {QKeySequence(Qt::CTRL | Qt::Key_S)}, &CMainFrame::OnFileSave);
  // Next and previous pane of the splitter.
  accel(ID_NEXT_PANE, {QKeySequence(Qt::Key_F6)}, &CMainFrame::OnNextPane);
  accel(ID_PREV_PANE, {QKeySequence(Qt::SHIFT | Qt::Key_F6)}, &CMainFrame::OnPrevPane);
  // The browser view's own print (with its dialog), cut and paste: only
  // while the page view is the active pane.
  connect(accel(ID_FILE_PRINT, {QKeySequence(Qt::CTRL | Qt::Key_P)}, nullptr), &QAction::triggered,
          this, [this] { m_pBookView->PrintWithDialog(); });
  connect(accel(ID_EDIT_CUT, {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)},
                nullptr),
          &QAction::triggered, this, [this] { m_pBookView->Cut(); });
  connect(accel(ID_EDIT_PASTE, {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)},
                nullptr),
          &QAction::triggered, this, [this] { m_pBookView->Paste(); });
}

bool CMainFrame::PageViewActive() const { return m_Splitter && m_Splitter->ActivePane() == 1; }

bool CMainFrame::CanPageShown() const { return m_pBookView && m_pBookView->PageShown(); }

void CMainFrame::UpdateCommandUI() {
  if (!m_created) return;
  const bool shown = CanPageShown();
  for (int id : {ID_PRINT_SETUP, ID_PRINT, ID_EDIT_COPY, ID_SELECT_ALL, ID_FILE_SAVE}) Action(id)->setEnabled(shown);
  Action(ID_PREV_PAGE)->setEnabled(CanPrevPage());
  Action(ID_NEXT_PAGE)->setEnabled(CanNextPage());
  Action(ID_PREV_VOLUME)->setEnabled(CanPrevVolume());
  Action(ID_NEXT_VOLUME)->setEnabled(CanNextVolume());
  Action(ID_PREV_HIT)->setEnabled(CanPrevHit());
  Action(ID_NEXT_HIT)->setEnabled(CanNextHit());
  Action(ID_ZOOM_IN)->setEnabled(m_pBookView->CanZoomIn());
  Action(ID_ZOOM_OUT)->setEnabled(m_pBookView->CanZoomOut());
  Action(ID_EDIT_COPY_CITED)->setEnabled(CanCopyCited());
  Action(ID_FILE_EXPORT_RESULTS)->setEnabled(CanExportResults());
  Action(ID_FILE_EXPORT_CONCORDANCE)->setEnabled(CanExportConcordance());
  if (m_ToolBar->Slider()) m_ToolBar->Slider()->setEnabled(ReadingAvailable());
  const bool viewActive = PageViewActive();
  Action(ID_FILE_PRINT)->setEnabled(viewActive && shown);
  Action(ID_EDIT_CUT)->setEnabled(viewActive);
  Action(ID_EDIT_PASTE)->setEnabled(viewActive);
}

// Print: the page at once on the default printer, whichever pane is active.
void CMainFrame::OnPrint() { m_pBookView->PrintNow(); }

// Print setup: the page view's page setup while it is active, else the
// frame's preview of the printed page.
void CMainFrame::OnPrintSetup() {
  if (PageViewActive())
    m_pBookView->PageSetup();
  else
    m_pBookView->PrintPreview();
}

// Copy: the limited copy of plain text, whichever pane is active.
void CMainFrame::OnCopy() { m_pBookView->LimitedCopy(); }

// Copy with citation: the same text as copy, whichever pane is active, and
// the source of the page read after it.
void CMainFrame::OnCopyCited() { m_pBookView->CitedCopy(); }

bool CMainFrame::CanCopyCited() const { return m_pBookView && m_pBookView->CanCite(); }

bool CMainFrame::CanExportResults() const { return m_pSession && !m_pSession->Results().empty(); }

QString CMainFrame::AskExportPath(const QString& title, const QString& defaultName, bool* csv) {
  const QString csvType = tr("CSV (カンマ区切り) (*.csv)"), tsvType = tr("TSV (タブ区切り) (*.tsv)");
  QString chosen = csvType;
  QString path = QFileDialog::getSaveFileName(this, title, defaultName, csvType + QStringLiteral(";;") + tsvType,
                                              &chosen);
  if (path.isEmpty()) return {};
  *csv = ExportFormatFor(path, chosen != tsvType) == DelimitedFormat::Csv;
  // A name without the type's extension gets it; the dialog asked about the
  // name as typed, so a file of the longer name is asked about here.
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix != QLatin1String("csv") && suffix != QLatin1String("tsv")) {
    path += *csv ? QStringLiteral(".csv") : QStringLiteral(".tsv");
    if (QFileInfo::exists(path) && !AskYesNo(this, tr("ファイル「%1」は既にあります。上書きしますか？").arg(path)))
      return {};
  }
  return path;
}

void CMainFrame::OnExportResults() {
  if (!CanExportResults()) return;
  bool asCsv = true;
  const QString path = AskExportPath(tr("検索結果をエクスポート"), QStringLiteral("results.csv"), &asCsv);
  if (!path.isEmpty()) ExportResultsTo(path, asCsv);
}

bool CMainFrame::ExportResultsTo(const QString& path, bool csv) {
  if (!m_pSession) return false;
  QString error;
  if (!WriteResultExport(path, m_pSession->Results(), csv ? DelimitedFormat::Csv : DelimitedFormat::Tsv, &error)) {
    ShowWarning(this, tr("検索結果をファイル %1 に書き出せませんでした。\n%2").arg(path, error));
    return false;
  }
  return true;
}

CConcordanceView* CMainFrame::ConcordanceTab() const {
  return m_pLeftForm ? m_pLeftForm->findChild<CConcordanceView*>() : nullptr;
}

bool CMainFrame::CanExportConcordance() const {
  const CConcordanceView* tab = ConcordanceTab();
  return tab && tab->HasLines() && ReadingAvailable();
}

void CMainFrame::OnExportConcordance() {
  if (!CanExportConcordance()) return;
  bool asCsv = true;
  const QString path = AskExportPath(tr("用例をエクスポート"), QStringLiteral("concordance.csv"), &asCsv);
  // The remaining lines are read from the index, which a running search
  // holds: the export waits for its end.
  if (!path.isEmpty()) WhenIdle([this, path, asCsv] { ExportConcordanceTo(path, asCsv); });
}

bool CMainFrame::ExportConcordanceTo(const QString& path, bool csv) {
  CConcordanceView* tab = ConcordanceTab();
  if (!tab) return false;
  QString error;
  bool written = false;
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  // A list cut short is never written as if it were whole: without every
  // line there is no file.
  if (!tab->LoadAll())
    error = tr("検索中のため用例を読み込めません。検索が終わってからもう一度エクスポートして下さい。");
  else if (!tab->HasLines())
    error = tr("用例はありません。");
  else
    written = WriteConcordanceFile(path, tab->Model()->Lines(), csv ? DelimitedFormat::Csv : DelimitedFormat::Tsv,
                                   &error);
  QGuiApplication::restoreOverrideCursor();
  if (!written) {
    ShowWarning(this, tr("用例をファイル %1 に書き出せませんでした。\n%2").arg(path, error));
    return false;
  }
  // Lines the tab does not have either are named, so that the file is not
  // taken for the whole concordance unawares.
  QStringList missing;
  if (tab->UnreadPages() > 0)
    missing << tr("読めなかった頁が %1 頁あり、その用例は含まれていません。").arg(tab->UnreadPages());
  if (tab->PartlyMarkedPages() > 0)
    missing << tr("%1 頁ではキーワードの一部だけを挙げています。").arg(tab->PartlyMarkedPages());
  if (!missing.isEmpty())
    ShowWarning(this, tr("用例をファイル %1 に書き出しました。").arg(path) + QLatin1Char('\n') +
                          missing.join(QLatin1Char('\n')));
  return true;
}

void CMainFrame::OnSelectAll() { m_pBookView->SelectAll(); }

void CMainFrame::OnShowAll() { m_Splitter->Toggle(0); }

void CMainFrame::OnHelp() {
  // The help page in a window of the program, which stays open beside the
  // main window; asking again brings it forward.
  if (!m_helpWindow) {
    auto* window = new QDialog(this);
    window->setObjectName(QStringLiteral("HelpWindow"));
    window->setWindowTitle(tr("Tevarin ヘルプ"));
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* text = new QTextBrowser(window);
    text->setObjectName(QStringLiteral("HelpText"));
    // The page is the program's own; it leads nowhere else.
    text->setOpenLinks(false);
    QFile page(HelpFilePath());
    if (page.open(QIODevice::ReadOnly))
      text->setHtml(QString::fromUtf8(page.readAll()));
    else
      text->setPlainText(tr("ヘルプの頁 %1 を開けませんでした。").arg(HelpFilePath()));
    layout->addWidget(text);
    window->resize(640, 560);
    m_helpWindow = window;
  }
  m_helpWindow->show();
  m_helpWindow->raise();
  m_helpWindow->activateWindow();
}

void CMainFrame::OnAbout() {
  CAboutDlg dlg(this);
  dlg.exec();
}

void CMainFrame::OnFileSave() {
  if (!CanPageShown()) return;
  const QString html = QStringLiteral("HTML (*.html *.htm)"), text = tr("テキスト (*.txt)");
  QString chosen;
  const QString path = QFileDialog::getSaveFileName(this, tr("名前を付けて保存"),
                                                    QStringLiteral("page.html"), html + QStringLiteral(";;") + text,
                                                    &chosen);
  if (path.isEmpty()) return;
  SavePageAs(path, chosen == text);
}

void CMainFrame::SavePageAs(const QString& path, bool asText) {
  m_pBookView->SavePage(path, asText, [this, path](bool ok, const QString& error) {
    if (!ok) ShowWarning(this, tr("ファイル %1 を保存できませんでした。\n%2").arg(path, error));
  });
}

void CMainFrame::OnNextPane() { m_Splitter->ActivateNextPane(); }
void CMainFrame::OnPrevPane() { m_Splitter->ActivateNextPane(); }

void CMainFrame::OnZoomIn() { m_pBookView->ZoomIn(); }
void CMainFrame::OnZoomOut() { m_pBookView->ZoomOut(); }
void CMainFrame::OnZoomReset() { m_pBookView->ZoomReset(); }

void CMainFrame::OnLanguageChosen(const QString& code) {
  const bool changes = ResolveLanguage(code, QLocale::system().uiLanguages()) != CurrentLanguage();
  SaveLanguageSetting(code);
  if (changes) ShowInformation(this, tr("表示の言語は次に起動したときから変わります。"));
}

void CMainFrame::RestoreSettings() {
  const QSettings settings;
  // The left pane, hidden when the program ended with it hidden.
  const int hidden = m_Splitter->SavedHiddenPane();
  if (hidden >= 0 && m_Splitter->HiddenColumn() == -1) m_Splitter->Toggle(hidden);
  bool isNumber = false;
  const double textSize = settings.value(kTextSizeKey).toDouble(&isNumber);
  if (isNumber) m_pBookView->SetTextZoom(textSize);
  if (m_pLeftForm) {
    m_pLeftForm->RestoreOptions();
    m_pLeftForm->RestoreReading();
  }
  UpdateCommandUI();
}

void CMainFrame::ShowWithSavedGeometry() {
  const QByteArray geometry = QSettings().value(kGeometryKey).toByteArray();
  if (!geometry.isEmpty() && restoreGeometry(geometry)) {
    show();
    return;
  }
  showMaximized();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  QSettings().setValue(kGeometryKey, saveGeometry());
  QMainWindow::closeEvent(event);
}

}  // namespace tevarin
