#include "ui/panel/leftform.h"

#include <QButtonGroup>
#include <QElapsedTimer>
#include <cstdio>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QTabBar>
#include <QTextEdit>
#include <QTreeWidget>

#include "ui/base/messages.h"
#include "ui/base/pagefolder.h"
#include "ui/controls/scrolltoolbar.h"
#include "ui/controls/tooltipresourcebutton.h"
#include "ui/panel/htmlctrl.h"
#include "catalog/pagedisplay.h"
#include "ui/panel/sortlistctrl.h"
#include "ui/view/bookview.h"

namespace tevarin {

namespace {

QString FromU16(const std::u16string& s) { return QString::fromStdU16String(s); }

// Measuring mode: with TEVARIN_TIMING set, the time a user waits for a search,
// a hit page and a turned page is written to standard error.
bool TimingOn() {
  static const bool on = qEnvironmentVariableIsSet("TEVARIN_TIMING");
  return on;
}

void ReportTiming(const char* what, const QElapsedTimer& t) {
  if (TimingOn()) std::fprintf(stderr, "timing: %s %.2f ms\n", what, t.nsecsElapsed() / 1e6);
}

}  // namespace

CLeftForm::CLeftForm(const QString& dataFolder, CPageFolder* pages, QWidget* parent)
    : QWidget(parent), m_dataFolder(dataFolder), m_pages(pages) {
  setObjectName(QStringLiteral("LeftForm"));
  setFont(QFont(QStringLiteral("Noto Sans CJK JP"), 9));

  // Page files live in the private page folder.
  if (m_pages && m_pages->IsValid()) {
    m_strTocFile = m_pages->File(QStringLiteral("windows.html"));
    m_strHitFile1 = m_pages->File(QStringLiteral("windows1.html"));
    m_strHitFile2 = m_pages->File(QStringLiteral("windows2.html"));
  }

  // The engine opens on the whole-text index; a failure is shown and the form
  // runs on with the engine closed.
  if (!m_Index.Open(m_dataFolder.toStdString(), "Index", FullText))
    ShowWarning(this, QStringLiteral("データを開けませんでした。"));

  m_tabFrame = new QFrame(this);
  m_tabFrame->setFrameShape(QFrame::StyledPanel);
  m_tabs = new QTabBar(this);
  m_tabs->setObjectName(QStringLiteral("Tabs"));
  m_tabs->setDrawBase(false);
  m_prompt = new QLabel(this);
  m_prompt->setTextFormat(Qt::PlainText);
  m_placeholder = new QWidget(this);
  m_placeholder->setObjectName(QStringLiteral("KeywordField"));
  m_placeholder->hide();
  m_hiddenEdit = new QTextEdit(this);
  m_hiddenEdit->hide();
  m_searchButton = new QPushButton(this);
  m_searchButton->setObjectName(QStringLiteral("SearchButton"));
  m_separator = new QFrame(this);
  m_separator->setFrameShape(QFrame::HLine);
  m_separator->setFrameShadow(QFrame::Sunken);
  m_variant = new QCheckBox(QStringLiteral("簡繁・中日等の異体字の関連"), this);
  m_methodGroup = new QGroupBox(QStringLiteral("検索方法："), this);
  m_and = new QRadioButton(QStringLiteral("and"), this);
  m_or = new QRadioButton(QStringLiteral("or"), this);
  m_andOrButtons = new QButtonGroup(this);
  m_andOrButtons->addButton(m_and, 0);
  m_andOrButtons->addButton(m_or, 1);
  m_scopeGroup = new QGroupBox(QStringLiteral("検索対象："), this);
  const char* scopeNames[] = {"全文", "正文", "注釈"};
  m_scopeButtons = new QButtonGroup(this);
  for (int i = 0; i < 3; ++i) {
    m_scope[i] = new QRadioButton(QString::fromUtf8(scopeNames[i]), this);
    m_scopeButtons->addButton(m_scope[i], i);
  }
  connect(m_scopeButtons, &QButtonGroup::idClicked, this, &CLeftForm::OnScopeClicked);
  m_rangeGroup = new QGroupBox(QStringLiteral("検索範囲："), this);
  m_rangeLabel = new QLabel(QStringLiteral("Static"), this);
  m_rangeLabel->setObjectName(QStringLiteral("RangeLabel"));
  // Catalogue names are data: shown as they are, never as markup.
  m_rangeLabel->setTextFormat(Qt::PlainText);
  m_rangeLabel->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
  m_summary = new QLabel(QStringLiteral("Static"), this);
  m_summary->setObjectName(QStringLiteral("Summary"));
  m_summary->setTextFormat(Qt::PlainText);
  m_tree = new QTreeWidget(this);
  m_tree->setObjectName(QStringLiteral("Tree"));
  m_tree->setHeaderHidden(true);
  m_tree->setRootIsDecorated(false);
  m_tree->setItemsExpandable(true);
  m_tree->setExpandsOnDoubleClick(true);
  m_tree->setIconSize(QSize(20, 20));
  m_list = new CSortListCtrl(this);
  m_prev = new CToolTipResourceButton(this);
  m_prev->setObjectName(QStringLiteral("PrevPage"));
  m_next = new CToolTipResourceButton(this);
  m_next->setObjectName(QStringLiteral("NextPage"));
  m_pageEdit = new QLineEdit(this);
  m_pageEdit->setObjectName(QStringLiteral("PageEdit"));
  m_pageEdit->setAlignment(Qt::AlignCenter);
  m_pageEdit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_pageEdit));
  m_pageTotal = new QLabel(this);
  m_pageTotal->setObjectName(QStringLiteral("PageTotal"));
  m_pageTotal->setTextFormat(Qt::PlainText);
  for (QWidget* w : std::initializer_list<QWidget*>{m_prev, m_next, m_pageEdit, m_pageTotal}) w->hide();

  connect(m_searchButton, &QPushButton::clicked, this, &CLeftForm::OnSearch);
  connect(m_tabs, &QTabBar::currentChanged, this, [this](int) { LayoutControls(); });
  connect(m_tree, &QTreeWidget::itemSelectionChanged, this, &CLeftForm::OnTreeSelChanged);
  connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CLeftForm::OpenResult);
  connect(m_prev, &QPushButton::clicked, this, &CLeftForm::OnPrevResultPage);
  connect(m_next, &QPushButton::clicked, this, &CLeftForm::OnNextResultPage);
  connect(m_pageEdit, &QLineEdit::editingFinished, this, [this] {
    if (!m_pageEdit->hasFocus()) GoToTypedPage();
  });
}

CLeftForm::~CLeftForm() {
  // Engine closed, page files removed, then the tree and the rest go.
  m_Index.Close();
  if (m_pages)
    for (const QString& f : {m_strTocFile, m_strHitFile1, m_strHitFile2})
      if (!f.isEmpty()) m_pages->Remove(QFileInfo(f).fileName());
}

void CLeftForm::InitialUpdate() {
  m_and->setChecked(true);
  m_scope[0]->setChecked(true);
  m_variant->setChecked(true);

  m_html = CHtmlCtrl::CreateInPlaceOf(m_placeholder);
  m_placeholder = nullptr;
  m_html->LoadInputPage();
  m_html->installEventFilter(this);
  connect(m_html, &CHtmlCtrl::inputPageReady, this, [this] {
    if (m_html->focusProxy()) m_html->focusProxy()->installEventFilter(this);
  });

  m_tabs->insertTab(0, QStringLiteral("検索"));
  m_tabs->insertTab(0, QStringLiteral("目録"));
  m_summary->setText(QStringLiteral("検索集計："));
  m_rangeLabel->setText(m_strRange);
  m_tree->setIconSize(QSize(20, 20));
  m_tabs->setCurrentIndex(0);

  // The catalogue, its listing in the current folder, and the tree.
  if (!m_Catalogue.Load(m_dataFolder.toStdString()))
    ShowWarning(this, QStringLiteral("you delete data file!"));
  m_Catalogue.WriteListing("vok.txt");  // a read-only current folder is no obstacle
  const QIcon closedIcon(QStringLiteral(":/res/tree_160.bmp"));
  const QIcon openIcon(QStringLiteral(":/res/tree_159.bmp"));
  m_treeItems.assign(static_cast<size_t>(m_Catalogue.NodeCount()), nullptr);
  for (int i = 1; i < m_Catalogue.NodeCount(); ++i) {
    const NodeItem& item = *m_Catalogue.Entry(i);
    const int parent = m_Catalogue.ParentEntry(i);
    auto* t = parent ? new QTreeWidgetItem(m_treeItems[static_cast<size_t>(parent)])
                     : new QTreeWidgetItem(m_tree);
    t->setText(0, FromU16(item.Name()));
    QIcon icon;
    icon.addPixmap(closedIcon.pixmap(20, 20), QIcon::Normal);
    icon.addPixmap(openIcon.pixmap(20, 20), QIcon::Selected);
    t->setIcon(0, icon);
    t->setData(0, Qt::UserRole, i);
    m_treeItems[static_cast<size_t>(i)] = t;
  }

  const QString prevTip = QStringLiteral("Previous Page"), nextTip = QStringLiteral("Next Page");
  m_prev->LoadStateBitmap(QStringLiteral(":/res/prev_184.bmp"));
  m_prev->SetToolTipText(&prevTip);
  m_next->LoadStateBitmap(QStringLiteral(":/res/next_185.bmp"));
  m_next->SetToolTipText(&nextTip);

  // Enter anywhere in the form runs the search or goes to the typed page.
  for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
  LayoutControls();
}

QTreeWidgetItem* CLeftForm::TreeItemOf(int entry) const {
  return entry >= 1 && static_cast<size_t>(entry) < m_treeItems.size() ? m_treeItems[static_cast<size_t>(entry)]
                                                                          : nullptr;
}

void CLeftForm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayoutControls();
}

void CLeftForm::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  SetCaption();
}

void CLeftForm::SetCaption() {
  if (QWidget* top = window(); top && top != this) top->setWindowTitle(QString::fromLatin1(kAppTitle));
}

void CLeftForm::LayoutControls() {
  const int W = width(), H = height();
  m_tabFrame->setGeometry(0, 0, W - 1, H - 1);
  m_tabs->setGeometry(0, 0, W - 1, 24);
  m_tabFrame->lower();
  QWidget* field = m_html ? static_cast<QWidget*>(m_html) : m_placeholder;
  const QList<QWidget*> searchControls = {m_prompt, field, m_searchButton, m_separator, m_variant,
                                          m_methodGroup, m_and, m_or, m_scopeGroup, m_scope[0],
                                          m_scope[1], m_scope[2], m_rangeGroup, m_rangeLabel,
                                          m_summary, m_list};
  if (m_tabs->currentIndex() == 1) {
    m_tree->hide();
    m_hiddenEdit->hide();
    for (QWidget* w : searchControls)
      if (w && w != m_placeholder) w->show();
    m_prompt->setText(QStringLiteral("キーワードを入力して下さい。"));
    m_prompt->setGeometry(5, 28, W - 10, 15);
    if (field) field->setGeometry(5, 45, W - 60, 25);
    m_searchButton->setText(QStringLiteral("検索"));
    m_searchButton->setGeometry(W - 50, 45, 45, 25);
    m_separator->setGeometry(4, 75, W - 8, 1);
    m_variant->setGeometry(5, 80, W - 15, 15);
    m_methodGroup->setGeometry(5, 100, W - 10, 40);
    m_and->setGeometry(10, 115, 50, 20);
    m_or->setGeometry(W - 70, 115, 50, 20);
    m_scopeGroup->setGeometry(5, 145, W - 10, 40);
    m_scope[0]->setGeometry(10, 160, 60, 20);
    m_scope[1]->setGeometry(97, 160, 60, 20);
    m_scope[2]->setGeometry(189, 160, 60, 20);
    m_rangeGroup->setGeometry(5, 190, W - 10, 40);
    m_rangeLabel->setGeometry(10, 205, W - 30, 20);
    m_summary->setGeometry(5, 235, W - 15, 15);
    const int bh = m_prev->height();
    const int R = m_nPageCount > 0 ? bh + 2 : 0;
    m_list->setGeometry(5, 250, W - 10, H - 254 - R);
    for (QWidget* w : {static_cast<QWidget*>(m_methodGroup), static_cast<QWidget*>(m_scopeGroup),
                       static_cast<QWidget*>(m_rangeGroup)})
      w->lower();
    m_tabFrame->lower();
    if (m_nPageCount > 0) PlacePaging(W, H);
  } else {
    for (QWidget* w : searchControls)
      if (w) w->hide();
    m_hiddenEdit->hide();
    for (QWidget* w : {static_cast<QWidget*>(m_prev), static_cast<QWidget*>(m_next),
                       static_cast<QWidget*>(m_pageEdit), static_cast<QWidget*>(m_pageTotal)})
      w->hide();
    m_tree->show();
    m_tree->setGeometry(5, 26, W - 10, H - 30);
  }
  SetCaption();
}

void CLeftForm::PlacePaging(int W, int H) {
  const int bw = m_prev->width(), bh = m_prev->height();
  const int Y = H - 3 - (bh + 2);
  m_prev->show();
  m_prev->setGeometry(5, Y, bw, 32);
  m_prev->setEnabled(m_nCurPage != 1);
  m_next->show();
  m_next->setGeometry(W - bw - 5, Y, bw, 32);
  m_next->setEnabled(m_nCurPage != m_nPageCount);
  const int X = (W - 139) / 2 + 37;
  m_pageEdit->show();
  m_pageEdit->setGeometry(X, Y + 6, 35, 20);
  m_pageTotal->show();
  m_pageTotal->setGeometry(X + 37, Y + 8, 30, 24);
}

bool CLeftForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* ke = static_cast<QKeyEvent*>(event);
    if ((ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) && !ke->isAutoRepeat()) {
      if (m_nPageCount > 1)
        GoToTypedPage();
      else
        OnSearch();
      // The key goes on to the control that has the focus as well.
      return watched == m_pageEdit ? true : false;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void CLeftForm::ReadOptions() {
  m_nAndOr = m_or->isChecked() ? 1 : 0;
  m_nScopeRadio = m_scopeButtons->checkedId() < 0 ? 0 : m_scopeButtons->checkedId();
  m_bVariant = m_variant->isChecked() ? 1 : 0;
}

void CLeftForm::WriteOptions() {
  (m_nAndOr ? m_or : m_and)->setChecked(true);
  if (m_nScopeRadio >= 0 && m_nScopeRadio < 3) m_scope[m_nScopeRadio]->setChecked(true);
  m_variant->setChecked(m_bVariant != 0);
}

void CLeftForm::OnScopeClicked(int scope) {
  static constexpr int kParts[3] = {FullText, Body, Notes};
  m_Index.Close();
  if (!m_Index.Open(m_dataFolder.toStdString(), "Index", kParts[scope]))
    ShowWarning(this, QStringLiteral("データを開けませんでした。"));
  m_nSearchScope = scope;
}

void CLeftForm::OnSearch() {
  if (m_searchPending) return;  // the keyword page is still being read
  m_searchTimer.start();
  m_nHitIndex = 0;
  ReadOptions();
  const QString previous = m_strKeyWords;
  // The hidden edit first, then the keyword page's input (read asynchronously).
  m_strKeyWords = m_hiddenEdit->toPlainText().replace(QChar(0x3000), QChar(u' '));
  if (!m_html) {
    ContinueSearch(previous, false, std::nullopt);
    return;
  }
  m_searchPending = true;
  m_html->ReadInputValue([this, previous](bool loaded, std::optional<QString> value) {
    m_searchPending = false;
    ContinueSearch(previous, loaded, value);
  });
}

void CLeftForm::ContinueSearch(const QString& previous, bool loaded,
                               const std::optional<QString>& value) {
  if (loaded) {
    if (!value) {  // an input element without a value: the search ends silently
      emit searchFinished();
      return;
    }
    m_strKeyWords = QString(*value).replace(QChar(0x3000), QChar(u' '));
  }
  if (m_nSearchRange == 0) {
    ShowWarning(this, QStringLiteral("検索範囲をまた指定していません。"));
  } else if (m_strKeyWords.isEmpty()) {
    m_strKeyWords = previous;
    ShowWarning(this, QStringLiteral("何かキーワードを入力して検索をして下さい。"));
    emit searchFinished();
    return;
  } else {
    std::u16string keywords = m_strKeyWords.toStdU16String();
    // A string the engine rejects leaves its hit list, and so the results
    // shown, as they were: their hit pages keep the keywords they came from.
    const bool accepted = CIndex::AcceptsKeywords(keywords);
    if (m_nAndOr == 0)
      m_Index.SearchAnd(keywords, true, m_bVariant != 0);
    else
      m_Index.SearchOr(keywords, true, m_bVariant != 0);
    m_strKeyWords = QString::fromStdU16String(keywords);
    if (accepted) m_strResultKeyWords = m_strKeyWords;
    m_list->clear();
    const NodeItem* rangeEntry = m_Catalogue.Entry(m_nSearchRange);
    const ContentsNodeTag* rangeNode = rangeEntry ? FindNode(m_Catalogue.Root(), *rangeEntry) : nullptr;
    m_ResultPages = m_Index.GetHitPages();
    m_ResultCounts = m_Index.GetHitCounts();
    const int32_t total = BuildSearchResult(rangeNode, m_ResultPages, m_ResultCounts, m_SearchResult);
    m_ResultPages.clear();
    m_ResultCounts.clear();
    m_nPageCount = ResultPageCount(m_SearchResult.size());
    m_summary->setText(FromU16(SummaryText(static_cast<int32_t>(m_SearchResult.size()), total)));
    if (m_nPageCount > 0) {
      m_nCurPage = 1;
      LayoutControls();
      FillResultPage();
    } else {
      m_nCurPage = 0;
      for (QWidget* w : {static_cast<QWidget*>(m_prev), static_cast<QWidget*>(m_next),
                         static_cast<QWidget*>(m_pageEdit), static_cast<QWidget*>(m_pageTotal)})
        w->hide();
      LayoutControls();
    }
  }
  WriteOptions();
  m_hiddenEdit->clear();
  ReportTiming("search to first result page", m_searchTimer);
  emit searchFinished();
}

void CLeftForm::FillResultPage() {
  if (m_nCurPage < 1 || m_nCurPage > m_nPageCount) return;
  const bool blocked = m_list->blockSignals(true);
  m_list->clear();
  m_list->blockSignals(blocked);
  UpdatePaging();
  const auto [first, last] = ResultPageRows(m_nCurPage, m_SearchResult.size());
  for (size_t i = first; i < last; ++i) {
    const SearchNodeTag& r = m_SearchResult[i];
    m_list->AddRow(FromU16(r.strClass), FromU16(r.strBook), FromU16(r.strVolume), r.nPageNo, r.nRecord);
  }
}

void CLeftForm::UpdatePaging() {
  const PagingState s = ComputePaging(m_nCurPage, m_nPageCount);
  m_pageEdit->setText(QString::number(m_nCurPage));
  m_pageEdit->setReadOnly(s.editReadOnly);
  m_pageEdit->selectAll();
  m_pageTotal->setText(QStringLiteral("/%1").arg(m_nPageCount));
  m_prev->setEnabled(s.prevEnabled);
  m_next->setEnabled(s.nextEnabled);
}

void CLeftForm::OnPrevResultPage() {
  if (m_nCurPage > 1) {
    --m_nCurPage;
    FillResultPage();
  }
}

void CLeftForm::OnNextResultPage() {
  if (m_nCurPage < m_nPageCount) {
    ++m_nCurPage;
    FillResultPage();
  }
}

void CLeftForm::GoToTypedPage() {
  const int32_t n = ParseTypedNumber(m_pageEdit->text().toStdU16String());
  if (!AcceptTypedPage(n, m_nPageCount)) {
    m_pageEdit->setText(QString::number(m_nCurPage));
    m_pageEdit->selectAll();
    return;
  }
  if (n != m_nCurPage) {
    m_nCurPage = n;
    FillResultPage();
  }
}

void CLeftForm::OnTreeSelChanged() {
  const QList<QTreeWidgetItem*> sel = m_tree->selectedItems();
  if (sel.isEmpty()) return;
  QTreeWidgetItem* item = sel.first();
  const int entry = item->data(0, Qt::UserRole).toInt();
  m_nSearchRange = static_cast<uint16_t>(entry);
  m_strRange = item->text(0);
  for (QTreeWidgetItem* p = item->parent(); p; p = p->parent())
    m_strRange = p->text(0) + QLatin1Char('\\') + m_strRange;
  m_rangeLabel->setText(m_strRange);
  if (item->childCount() == 0) {
    const NodeItem* e = m_Catalogue.Entry(entry);
    if (!e) return;
    m_nCurNode = entry;
    m_nCurPageNo = e->curFileName;
    ShowDocument(m_nCurNode, true, 1);
    if (m_pToolBar && m_pToolBar->Slider()) {
      m_pToolBar->Slider()->setRange(e->curFileName, e->curFileName + e->docNo - 1);
      m_pToolBar->Slider()->setValue(e->curFileName);
      m_pToolBar->PageBox()->setText(CSCrollToolBar::PageBoxText(m_Index.GetHeaderValue(), m_nCurPageNo));
    }
  }
}

void CLeftForm::ShowDocument(int entry, bool useFirstPage, int page) {
  QElapsedTimer timer;
  timer.start();
  const NodeItem* e = m_Catalogue.Entry(entry);
  if (!e || m_strTocFile.isEmpty()) return;
  TocPage toc;
  std::string error;
  // A page number no record of the entry carries leaves the view as it was.
  if (!LoadTocPage(m_Index, *e, useFirstPage, page, toc, error)) return;
  if (!m_pages->Write(QStringLiteral("windows.html"), QByteArray::fromStdString(toc.bytes))) return;
  if (m_pView) m_pView->Navigate(m_strTocFile);
  ReportTiming("page shown", timer);
  emit pageShown(m_strTocFile);
}

void CLeftForm::OpenResult() {
  QElapsedTimer timer;
  timer.start();
  const QString file = m_bUseHitFile1 ? m_strHitFile1 : m_strHitFile2;
  const QList<QTreeWidgetItem*> sel = m_list->selectedItems();
  if (sel.isEmpty() || file.isEmpty()) return;
  const int record = m_list->RecordOf(sel.first());
  const std::u16string keywords = m_strResultKeyWords.toStdU16String();
  if (!m_Index.IsOpen()) return;  // nothing to render from a closed engine
  std::string bytes;
  const int32_t anchors = m_Index.BuildHitPage(record, bytes, keywords, m_nSearchScope, m_bVariant != 0);
  if (!m_pages->Write(QFileInfo(file).fileName(), QByteArray::fromStdString(bytes))) return;
  m_nHitCount = anchors;
  m_nHitIndex = 0;
  if (m_pView) m_pView->Navigate(file + QStringLiteral("#0000"));
  m_bUseHitFile1 = !m_bUseHitFile1;
  m_strHitPage = file;
  ReportTiming("hit page shown", timer);
  emit pageShown(file);
}

}  // namespace tevarin
