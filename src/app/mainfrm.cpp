#include "app/mainfrm.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QSlider>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include "app/book.h"
#include "app/bookdoc.h"
#include "app/messages.h"
#include "app/splash.h"
#include "app/st_splitterwnd.h"
#include "controls/scrolltoolbar.h"
#include "panel/leftform.h"
#include "view/bookview.h"

CMainFrame::CMainFrame(const QString& dataFolder, CPageFolder* pages, CBookDoc* doc) : m_doc(doc) {
  setObjectName(QStringLiteral("MainFrame"));
  setWindowTitle(QString::fromLatin1(kAppTitle));
  setWindowIcon(QIcon(QStringLiteral(":/res/tevarin.png")));
  // The splash covers the screen first, while the rest is built behind it.
  CSplashWnd::OpenSplash(this);

  m_ToolBar = new CSCrollToolBar(this);
  m_ToolBar->setWindowTitle(QStringLiteral("ツールバー"));
  addToolBar(Qt::TopToolBarArea, m_ToolBar);

  m_Splitter = new ST_SplitterWnd(0, this);
  m_pLeftForm = new CLeftForm(dataFolder, pages, m_Splitter);
  m_pBookView = new CBookView(m_Splitter);
  m_Splitter->CreatePanes(m_pLeftForm, m_pBookView);
  setCentralWidget(m_Splitter);
  m_pLeftForm->SetPageView(m_pBookView);
  m_pLeftForm->SetToolBar(m_ToolBar);
  m_ToolBar->SetLeftForm(m_pLeftForm);

  BuildMenus();
  m_ToolBar->Create({Action(ID_SELECT_ALL), Action(ID_EDIT_COPY), nullptr, Action(ID_PRINT), nullptr,
                     Action(ID_PREV_VOLUME), Action(ID_PREV_PAGE), Action(ID_NEXT_PAGE),
                     Action(ID_NEXT_VOLUME), nullptr, Action(ID_PREV_HIT), Action(ID_NEXT_HIT),
                     nullptr, Action(ID_APP_ABOUT)});
  m_pLeftForm->InitialUpdate();
  m_pLeftForm->setFocus();

  // Toolbar buttons follow their enable rules while the application is idle.
  m_idle = new QTimer(this);
  m_idle->setInterval(200);
  connect(m_idle, &QTimer::timeout, this, &CMainFrame::UpdateCommandUI);
  m_idle->start();
  UpdateCommandUI();
}

CMainFrame::~CMainFrame() {
  // The window is gone: start the end program beside the executable, once.
  QProcess::startDetached(EndProgramPath(), {});
}

QString CMainFrame::EndProgramPath() {
  return QCoreApplication::applicationDirPath() + QStringLiteral("/end.exe");
}

QAction* CMainFrame::MakeAction(int id, const QString& text, void (CMainFrame::*slot)()) {
  auto* a = new QAction(text, this);
  a->setData(id);
  if (slot) connect(a, &QAction::triggered, this, slot);
  m_actions.insert(id, a);
  return a;
}

void CMainFrame::BuildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
  file->addAction(MakeAction(ID_PRINT_SETUP, QStringLiteral("印刷設定(&S)"), &CMainFrame::OnPrintSetup));
  file->addAction(MakeAction(ID_PRINT, QStringLiteral("印刷(&P)"), &CMainFrame::OnPrint));
  file->addAction(MakeAction(ID_APP_EXIT, QStringLiteral("終了(&X)"), nullptr));
  connect(Action(ID_APP_EXIT), &QAction::triggered, this, &QWidget::close);

  QMenu* edit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
  edit->addAction(MakeAction(ID_EDIT_COPY, QStringLiteral("コピー(&C)"), &CMainFrame::OnCopy));
  edit->addAction(MakeAction(ID_SELECT_ALL, QStringLiteral("すべて選択(&Q)"), &CMainFrame::OnSelectAll));

  QMenu* view = menuBar()->addMenu(QStringLiteral("表示(&V)"));
  QAction* toolbar = m_ToolBar->toggleViewAction();
  toolbar->setText(QStringLiteral("ツールバー(&T)"));
  toolbar->setData(ID_VIEW_TOOLBAR);
  m_actions.insert(ID_VIEW_TOOLBAR, toolbar);
  view->addAction(toolbar);
  view->addAction(MakeAction(ID_VIEW_STATUS_BAR, QStringLiteral("状態バー(&S)"), nullptr));
  view->addAction(MakeAction(ID_SHOW_ALL, QStringLiteral("全表示(&p)"), &CMainFrame::OnShowAll));

  QMenu* list = menuBar()->addMenu(QStringLiteral("一覧"));
  list->addAction(MakeAction(ID_PREV_PAGE, QStringLiteral("上の頁へ(&P)"), &CMainFrame::OnPrevPage));
  list->addAction(MakeAction(ID_NEXT_PAGE, QStringLiteral("次の頁へ(&N)"), &CMainFrame::OnNextPage));
  list->addSeparator();
  list->addAction(MakeAction(ID_PREV_VOLUME, QStringLiteral("上の巻へ"), &CMainFrame::OnPrevVolume));
  list->addAction(MakeAction(ID_NEXT_VOLUME, QStringLiteral("次の巻へ"), &CMainFrame::OnNextVolume));
  list->addSeparator();
  list->addAction(MakeAction(ID_PREV_HIT, QStringLiteral("上の検索結果"), &CMainFrame::OnPrevHit));
  list->addAction(MakeAction(ID_NEXT_HIT, QStringLiteral("次の検索結果"), &CMainFrame::OnNextHit));

  QMenu* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
  help->addAction(MakeAction(ID_APP_ABOUT, QStringLiteral("バージョン(&A)..."), &CMainFrame::OnAbout));
  help->addAction(MakeAction(ID_HELP_FILE, QStringLiteral("ヘルプ"), &CMainFrame::OnHelp));

  // Toolbar tips: the text after the line break of each command's string.
  const std::pair<int, const char*> tips[] = {
      {ID_PRINT, "印刷"},         {ID_EDIT_COPY, "コピー"},         {ID_SELECT_ALL, "すべて選択"},
      {ID_PREV_PAGE, "上の頁"},   {ID_NEXT_PAGE, "次の頁"},         {ID_PREV_VOLUME, "上の巻へ"},
      {ID_NEXT_VOLUME, "次の巻へ"}, {ID_PREV_HIT, "上の検索結果"}, {ID_NEXT_HIT, "次の検索結果"},
      {ID_APP_ABOUT, "情報"}};
  for (const auto& [id, tip] : tips) Action(id)->setToolTip(QString::fromUtf8(tip));

  // Accelerator table.
  Action(ID_EDIT_COPY)->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
  Action(ID_PREV_HIT)->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F3));
  Action(ID_NEXT_HIT)->setShortcut(QKeySequence(Qt::Key_F3));
  auto accel = [this](QList<QKeySequence> keys, std::function<void()> f) {
    auto* a = new QAction(this);
    a->setShortcuts(keys);
    a->setShortcutContext(Qt::WindowShortcut);
    connect(a, &QAction::triggered, this, f);
    addAction(a);
  };
  // Save: the empty document written to a file the user names.
  accel({QKeySequence(Qt::CTRL | Qt::Key_S)}, [this] { m_doc->OnFileSave(this); });
  // Next and previous pane of the splitter.
  accel({QKeySequence(Qt::Key_F6), QKeySequence(Qt::SHIFT | Qt::Key_F6)}, [this] {
    const int next = m_Splitter->ActivePane() == 0 ? 1 : 0;
    if (m_Splitter->HiddenColumn() == next) return;
    m_Splitter->SetActivePane(next);
    (next == 0 ? static_cast<QWidget*>(m_pLeftForm) : m_pBookView)->setFocus();
  });
  // The browser's print with its dialog, only while the page view is active.
  accel({QKeySequence(Qt::CTRL | Qt::Key_P)}, [this] {
    if (!PageViewActive()) return;
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted) m_pBookView->print(&printer);
  });
  for (QMenu* m : menuBar()->findChildren<QMenu*>())
    connect(m, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
}

bool CMainFrame::PageViewActive() const { return m_Splitter->ActivePane() == 1; }

bool CMainFrame::CanPageShown() const { return m_pBookView->PageShown(); }

bool CMainFrame::CanPrevPage() const {
  const NodeItem* e = m_pLeftForm->NodeItemAt(m_pLeftForm->m_nCurNode);
  const int cur = e ? e->curFileName : 0;  // entry 0 holds nothing
  return m_pLeftForm->m_nCurPageNo - cur >= 1;
}

bool CMainFrame::CanNextPage() const {
  const NodeItem* e = m_pLeftForm->NodeItemAt(m_pLeftForm->m_nCurNode);
  if (m_pLeftForm->m_nCurNode == 0 || !e) return false;
  return static_cast<uint32_t>(m_pLeftForm->m_nCurPageNo - e->curFileName + 1) <
         static_cast<uint32_t>(e->docNo);
}

bool CMainFrame::CanPrevVolume() const {
  if (m_pLeftForm->m_nCurNode == 0) return false;
  for (int i = 1; i < m_pLeftForm->m_nCurNode; ++i)
    if (const NodeItem* e = m_pLeftForm->NodeItemAt(i); e && e->level == 3) return true;
  return false;
}

bool CMainFrame::CanNextVolume() const {
  if (m_pLeftForm->m_nCurNode == 0) return false;
  for (int i = m_pLeftForm->m_nCurNode + 1; i < m_pLeftForm->NodeCount(); ++i)
    if (const NodeItem* e = m_pLeftForm->NodeItemAt(i); e && e->level == 3) return true;
  return false;
}

bool CMainFrame::CanPrevHit() const { return m_pLeftForm->m_nHitIndex - 1 >= 0; }
bool CMainFrame::CanNextHit() const { return m_pLeftForm->m_nHitIndex + 1 < m_pLeftForm->m_nHitCount; }

void CMainFrame::UpdateCommandUI() {
  const bool shown = CanPageShown();
  for (int id : {ID_PRINT_SETUP, ID_PRINT, ID_EDIT_COPY, ID_SELECT_ALL}) Action(id)->setEnabled(shown);
  Action(ID_PREV_PAGE)->setEnabled(CanPrevPage());
  Action(ID_NEXT_PAGE)->setEnabled(CanNextPage());
  Action(ID_PREV_VOLUME)->setEnabled(CanPrevVolume());
  Action(ID_NEXT_VOLUME)->setEnabled(CanNextVolume());
  Action(ID_PREV_HIT)->setEnabled(CanPrevHit());
  Action(ID_NEXT_HIT)->setEnabled(CanNextHit());
}

void CMainFrame::WritePageBox() {
  if (m_ToolBar->PageBox())
    m_ToolBar->PageBox()->setText(
        CSCrollToolBar::PageBoxText(m_pLeftForm->m_Index.GetHeaderValue(), m_pLeftForm->m_nCurPageNo));
}

void CMainFrame::StepPage(int delta) {
  m_pLeftForm->m_nCurPageNo += delta;
  m_pLeftForm->ShowDocument(m_pLeftForm->m_nCurNode, false, m_pLeftForm->m_nCurPageNo);
  if (m_ToolBar->Slider()) m_ToolBar->Slider()->setValue(m_pLeftForm->m_nCurPageNo);
  WritePageBox();
}

void CMainFrame::OnNextPage() { StepPage(1); }
void CMainFrame::OnPrevPage() { StepPage(-1); }

void CMainFrame::OnNextVolume() {
  CLeftForm* f = m_pLeftForm;
  int found = 0;
  for (int i = f->m_nCurNode + 1; i < f->NodeCount(); ++i)
    if (f->NodeItemAt(i)->level == 3) {
      found = i;
      break;
    }
  if (!found) {
    ShowWarning(this, QStringLiteral("もう最後の巻まで至りました。"));
    return;
  }
  f->m_nCurNode = found;
  f->ShowDocument(found, true, 1);
  const NodeItem* e = f->NodeItemAt(found);
  f->m_nCurPageNo = e->curFileName;
  if (m_ToolBar->Slider()) {
    m_ToolBar->Slider()->setRange(e->curFileName, e->curFileName + e->docNo - 1);
    m_ToolBar->Slider()->setValue(e->curFileName);
  }
  // Select the neighbouring item in the tree: the next sibling, or the first
  // child of the parent's next sibling.
  QTreeWidget* tree = f->Tree();
  QTreeWidgetItem* sel = tree->selectedItems().value(0);
  QTreeWidgetItem* target = nullptr;
  if (sel) {
    QTreeWidgetItem* parent = sel->parent();
    const int idx = parent ? parent->indexOfChild(sel) : tree->indexOfTopLevelItem(sel);
    const int siblings = parent ? parent->childCount() : tree->topLevelItemCount();
    if (idx + 1 < siblings) {
      target = parent ? parent->child(idx + 1) : tree->topLevelItem(idx + 1);
    } else if (parent) {
      QTreeWidgetItem* gp = parent->parent();
      const int pidx = gp ? gp->indexOfChild(parent) : tree->indexOfTopLevelItem(parent);
      const int psib = gp ? gp->childCount() : tree->topLevelItemCount();
      if (pidx + 1 < psib) {
        QTreeWidgetItem* next = gp ? gp->child(pidx + 1) : tree->topLevelItem(pidx + 1);
        target = next->childCount() ? next->child(0) : nullptr;
      }
    }
  }
  // Without a selection to step from, select the volume itself.
  if (!target) target = f->TreeItemOf(found);
  if (target) {
    if (target->parent()) target->parent()->setExpanded(true);
    tree->setCurrentItem(target);
  }
  WritePageBox();
}

void CMainFrame::OnPrevVolume() {
  CLeftForm* f = m_pLeftForm;
  int found = 0;
  for (int i = f->m_nCurNode - 1; i >= 1; --i)
    if (f->NodeItemAt(i)->level == 3) {
      found = i;
      break;
    }
  if (!found) {
    ShowWarning(this, QStringLiteral("これ以上戻れません。もう巻一に至っています。"));
    f->m_nCurNode = 0;
    return;
  }
  f->m_nCurNode = found;
  f->ShowDocument(found, true, 1);
  const NodeItem* e = f->NodeItemAt(found);
  f->m_nCurPageNo = e->curFileName;
  if (m_ToolBar->Slider()) {
    m_ToolBar->Slider()->setRange(e->curFileName, e->curFileName + e->docNo - 1);
    m_ToolBar->Slider()->setValue(e->curFileName);
  }
  // The previous sibling, or the last child of the parent's previous sibling.
  QTreeWidget* tree = f->Tree();
  QTreeWidgetItem* sel = tree->selectedItems().value(0);
  QTreeWidgetItem* target = nullptr;
  if (sel) {
    QTreeWidgetItem* parent = sel->parent();
    const int idx = parent ? parent->indexOfChild(sel) : tree->indexOfTopLevelItem(sel);
    if (idx > 0) {
      target = parent ? parent->child(idx - 1) : tree->topLevelItem(idx - 1);
    } else if (parent) {
      QTreeWidgetItem* gp = parent->parent();
      const int pidx = gp ? gp->indexOfChild(parent) : tree->indexOfTopLevelItem(parent);
      if (pidx > 0) {
        QTreeWidgetItem* prev = gp ? gp->child(pidx - 1) : tree->topLevelItem(pidx - 1);
        target = prev->childCount() ? prev->child(prev->childCount() - 1) : nullptr;
      }
    }
  }
  if (!target) target = f->TreeItemOf(found);
  if (target) {
    if (target->parent()) target->parent()->setExpanded(true);
    tree->setCurrentItem(target);
  }
  WritePageBox();
}

void CMainFrame::StepHit(int delta) {
  m_pLeftForm->m_nHitIndex += delta;
  m_pBookView->Navigate(m_pLeftForm->m_strHitPage +
                        QStringLiteral("#%1").arg(m_pLeftForm->m_nHitIndex, 4, 10, QLatin1Char('0')));
}

void CMainFrame::OnNextHit() { StepHit(1); }
void CMainFrame::OnPrevHit() { StepHit(-1); }

// While the page view is the active pane its own handlers take over.
void CMainFrame::OnPrint() { m_pBookView->PrintNow(); }

void CMainFrame::OnPrintSetup() {
  if (PageViewActive())
    m_pBookView->PageSetup();
  else
    m_pBookView->PrintPreview();
}

void CMainFrame::OnCopy() {
  if (PageViewActive())
    m_pBookView->UnlimitedCopy();
  else
    m_pBookView->LimitedCopy();
}

void CMainFrame::OnSelectAll() { m_pBookView->SelectAll(); }

void CMainFrame::OnShowAll() { m_Splitter->Toggle(0); }

void CMainFrame::OnHelp() {
  const QString dir = QCoreApplication::applicationDirPath();
  const QString chm = dir + QStringLiteral("/help.chm");
  const QString path = QFileInfo::exists(chm) ? chm : dir + QStringLiteral("/help.html");
  QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void CMainFrame::OnAbout() {
  CAboutDlg dlg(this);
  dlg.exec();
}
