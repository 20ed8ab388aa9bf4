#include "ui/panel/leftform.h"

#include <QButtonGroup>
#include <QElapsedTimer>
#include <cstdio>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSettings>
#include <QTabBar>
#include <QTextEdit>
#include <QTreeWidget>

#include "ui/base/messages.h"
#include "ui/controls/scrolltoolbar.h"
#include "ui/controls/tooltipresourcebutton.h"
#include "ui/panel/htmlctrl.h"
#include "ui/panel/sessionadapter.h"
#include "ui/panel/sortlistctrl.h"
#include "ui/view/bookview.h"

namespace tevarin {

namespace {

QString FromU16(const std::u16string& s) { return QString::fromStdU16String(s); }

// Measuring mode: with TEVARIN_TIMING set, the time a user waits for a search
// is written to standard error (the session reports pages and hit pages).
bool TimingOn() {
  static const bool on = qEnvironmentVariableIsSet("TEVARIN_TIMING");
  return on;
}

void ReportTiming(const char* what, const QElapsedTimer& t) {
  if (TimingOn()) std::fprintf(stderr, "timing: %s %.2f ms\n", what, t.nsecsElapsed() / 1e6);
}

// The settings the form keeps: the search options and the page read.
const QString kMethodKey = QStringLiteral("Search/Method");      // 0 and, 1 or
const QString kScopeKey = QStringLiteral("Search/Scope");        // 0 whole text, 1 body, 2 notes
const QString kVariantsKey = QStringLiteral("Search/Variants");  // true, false
const QString kVolumeKey = QStringLiteral("Reading/Volume");     // catalogue entry of the volume
const QString kPageKey = QStringLiteral("Reading/Page");         // page number in it

}  // namespace

CLeftForm::CLeftForm(const QString& dataFolder, CPageFolder* pages, QWidget* parent,
                     const QString& openFailureNote)
    : QWidget(parent), m_dataFolder(dataFolder) {
  setObjectName(QStringLiteral("LeftForm"));
  setFont(QFont(QStringLiteral("Noto Sans CJK JP"), 9));

  // The session writes its page files into the private page folder. The
  // engine opens on the whole-text index; a failure is shown and the form
  // runs on with the engine closed.
  m_adapter = new CSessionAdapter(dataFolder, pages, this);
  if (!Session().OpenEngine())
    ShowWarning(this, openFailureNote.isEmpty() ? tr("データを開けませんでした。")
                                                : tr("データを開けませんでした。") + QLatin1Char('\n') + openFailureNote);
  connect(m_adapter, &CSessionAdapter::pageRequested, this,
          [this](const QString& location, const QString& file, bool written) {
            if (m_pView) m_pView->Navigate(location);
            if (written) emit pageShown(file);
          });
  connect(m_adapter, &CSessionAdapter::searchEnded, this, &CLeftForm::OnSearchEnded);
  connect(m_adapter, &CSessionAdapter::longSearchChanged, this, &CLeftForm::OnLongSearch);
  connect(m_adapter, &CSessionAdapter::readingChanged, this, &CLeftForm::MarkReadingVolume);
  connect(m_adapter, &CSessionAdapter::readingChanged, this, &CLeftForm::SaveReading);

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
  m_variant = new QCheckBox(tr("簡繁・中日等の異体字の関連"), this);
  m_methodGroup = new QGroupBox(tr("検索方法："), this);
  m_and = new QRadioButton(tr("and"), this);
  m_or = new QRadioButton(tr("or"), this);
  m_andOrButtons = new QButtonGroup(this);
  m_andOrButtons->addButton(m_and, 0);
  m_andOrButtons->addButton(m_or, 1);
  m_scopeGroup = new QGroupBox(tr("検索対象："), this);
  const QString scopeNames[] = {tr("全文"), tr("正文"), tr("注釈")};
  m_scopeButtons = new QButtonGroup(this);
  for (int i = 0; i < 3; ++i) {
    m_scope[i] = new QRadioButton(scopeNames[i], this);
    m_scopeButtons->addButton(m_scope[i], i);
  }
  connect(m_scopeButtons, &QButtonGroup::idClicked, this, &CLeftForm::OnScopeClicked);
  // The user's choices of method and variants are kept for the next start.
  connect(m_andOrButtons, &QButtonGroup::idClicked, this, &CLeftForm::SaveOptions);
  connect(m_variant, &QCheckBox::clicked, this, &CLeftForm::SaveOptions);
  m_rangeGroup = new QGroupBox(tr("検索範囲："), this);
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

  connect(m_searchButton, &QPushButton::clicked, this, &CLeftForm::OnSearchButton);
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
  // The session first (a running search stopped, the engine closed, the page
  // files removed), then the tree and the rest go.
  delete m_adapter;
  m_adapter = nullptr;
}

CReadingSession& CLeftForm::Session() { return m_adapter->Session(); }
const CReadingSession& CLeftForm::Session() const { return m_adapter->Session(); }

void CLeftForm::SetToolBar(CSCrollToolBar* bar) {
  if (m_pToolBar) disconnect(m_adapter, nullptr, m_pToolBar, nullptr);
  m_pToolBar = bar;
  if (!bar) return;
  bar->SetSession(&Session());
  connect(m_adapter, &CSessionAdapter::readingChanged, bar, &CSCrollToolBar::ShowReading);
}

bool CLeftForm::SearchPending() const { return m_searchPending || m_adapter->Busy(); }

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

  m_tabs->insertTab(0, tr("検索"));
  m_tabs->insertTab(0, tr("目録"));
  m_summary->setText(tr("検索集計："));
  m_rangeLabel->setText(RangeLabelText());
  m_tree->setIconSize(QSize(20, 20));
  m_tabs->setCurrentIndex(0);

  // The catalogue, its listing beside the page files, and the tree: 全体
  // first, then the catalogue's entries.
  if (!Session().LoadCatalogue()) ShowWarning(this, tr("you delete data file!"));
  const CCatalogue& catalogue = Session().Catalogue();
  const QIcon closedIcon(QStringLiteral(":/res/tree_160.bmp"));
  const QIcon openIcon(QStringLiteral(":/res/tree_159.bmp"));
  QIcon icon;
  icon.addPixmap(closedIcon.pixmap(20, 20), QIcon::Normal);
  icon.addPixmap(openIcon.pixmap(20, 20), QIcon::Selected);
  m_wholeItem = new QTreeWidgetItem(m_tree);
  m_wholeItem->setText(0, WholeCollectionText());
  m_wholeItem->setIcon(0, icon);
  m_wholeItem->setData(0, Qt::UserRole, CReadingSession::kWholeCollection);
  m_treeItems.assign(static_cast<size_t>(catalogue.NodeCount()), nullptr);
  for (int i = 1; i < catalogue.NodeCount(); ++i) {
    const NodeItem& item = *catalogue.Entry(i);
    const int parent = catalogue.ParentEntry(i);
    auto* t = parent ? new QTreeWidgetItem(m_treeItems[static_cast<size_t>(parent)])
                     : new QTreeWidgetItem(m_tree);
    t->setText(0, FromU16(item.Name()));
    t->setIcon(0, icon);
    t->setData(0, Qt::UserRole, i);
    m_treeItems[static_cast<size_t>(i)] = t;
  }

  const QString prevTip = tr("前の頁"), nextTip = tr("次の頁");
  m_prev->LoadStateBitmap(QStringLiteral(":/res/prev_184.bmp"));
  m_prev->SetToolTipText(&prevTip);
  m_next->LoadStateBitmap(QStringLiteral(":/res/next_185.bmp"));
  m_next->SetToolTipText(&nextTip);

  // Enter and Esc in the form's controls (see eventFilter).
  for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
  LayoutControls();
}

QTreeWidgetItem* CLeftForm::TreeItemOf(int entry) const {
  if (entry == CReadingSession::kWholeCollection) return m_wholeItem;
  return entry >= 1 && static_cast<size_t>(entry) < m_treeItems.size() ? m_treeItems[static_cast<size_t>(entry)]
                                                                          : nullptr;
}

void CLeftForm::MarkReadingVolume() {
  QTreeWidgetItem* item = TreeItemOf(Session().CurNode());
  if (item == m_wholeItem) item = nullptr;
  if (item != m_readingItem) {
    auto setBold = [](QTreeWidgetItem* t, bool bold) {
      QFont f = t->font(0);
      f.setBold(bold);
      t->setFont(0, f);
    };
    if (m_readingItem) setBold(m_readingItem, false);
    m_readingItem = item;
    if (item) setBold(item, true);
  }
  if (!item) return;
  // The volume read is the tree's current item: the keys of the tree go on
  // from it. The selection, which is the search range, stays as chosen.
  for (QTreeWidgetItem* p = item->parent(); p; p = p->parent()) p->setExpanded(true);
  if (m_tree->currentItem() != item)
    m_tree->selectionModel()->setCurrentIndex(m_tree->indexFromItem(item), QItemSelectionModel::NoUpdate);
  m_tree->scrollToItem(item);
}

bool CLeftForm::InKeywordField(const QObject* o) const {
  if (!m_html) return false;
  for (; o; o = o->parent())
    if (o == m_html) return true;
  return false;
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

void CLeftForm::AddPage(const QString& title, QWidget* page) {
  page->setParent(this);
  page->hide();
  m_extraPages.push_back(page);
  m_tabs->addTab(title);
  LayoutControls();
}

QWidget* CLeftForm::PageOfTab(int index) const {
  // The pages added stand after 目録 and 検索, whenever they were added.
  const int extra = index - (m_tabs->count() - static_cast<int>(m_extraPages.size()));
  return index >= 2 && extra >= 0 && static_cast<size_t>(extra) < m_extraPages.size()
             ? m_extraPages[static_cast<size_t>(extra)]
             : nullptr;
}

void CLeftForm::LayoutControls() {
  const int W = width(), H = height();
  m_tabFrame->setGeometry(0, 0, W - 1, H - 1);
  m_tabs->setGeometry(0, 0, W - 1, 24);
  m_tabFrame->lower();
  QWidget* extraPage = PageOfTab(m_tabs->currentIndex());
  for (QWidget* page : m_extraPages)
    if (page != extraPage) page->hide();
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
    m_prompt->setText(tr("キーワードを入力して下さい。"));
    m_prompt->setGeometry(5, 28, W - 10, 15);
    if (field) field->setGeometry(5, 45, W - 60, 25);
    m_searchButton->setText(m_adapter->LongSearch() ? tr("中止") : tr("検索"));
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
    const int pageCount = Session().PageCount();
    const int R = pageCount > 0 ? bh + 2 : 0;
    m_list->setGeometry(5, 250, W - 10, H - 254 - R);
    for (QWidget* w : {static_cast<QWidget*>(m_methodGroup), static_cast<QWidget*>(m_scopeGroup),
                       static_cast<QWidget*>(m_rangeGroup)})
      w->lower();
    m_tabFrame->lower();
    if (pageCount > 0) PlacePaging(W, H);
  } else {
    for (QWidget* w : searchControls)
      if (w) w->hide();
    m_hiddenEdit->hide();
    for (QWidget* w : {static_cast<QWidget*>(m_prev), static_cast<QWidget*>(m_next),
                       static_cast<QWidget*>(m_pageEdit), static_cast<QWidget*>(m_pageTotal)})
      w->hide();
    if (extraPage) {
      m_tree->hide();
      extraPage->setGeometry(5, 26, W - 10, H - 30);
      extraPage->show();
    } else {
      m_tree->show();
      m_tree->setGeometry(5, 26, W - 10, H - 30);
    }
  }
  SetCaption();
}

void CLeftForm::PlacePaging(int W, int H) {
  const int bw = m_prev->width(), bh = m_prev->height();
  const int Y = H - 3 - (bh + 2);
  m_prev->show();
  m_prev->setGeometry(5, Y, bw, 32);
  m_prev->setEnabled(Session().CurPage() != 1);
  m_next->show();
  m_next->setGeometry(W - bw - 5, Y, bw, 32);
  m_next->setEnabled(Session().CurPage() != Session().PageCount());
  const int X = (W - 139) / 2 + 37;
  m_pageEdit->show();
  m_pageEdit->setGeometry(X, Y + 6, 35, 20);
  m_pageTotal->show();
  m_pageTotal->setGeometry(X + 37, Y + 8, 30, 24);
}

void CLeftForm::HidePaging() {
  for (QWidget* w : {static_cast<QWidget*>(m_prev), static_cast<QWidget*>(m_next),
                     static_cast<QWidget*>(m_pageEdit), static_cast<QWidget*>(m_pageTotal)})
    w->hide();
}

bool CLeftForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* ke = static_cast<QKeyEvent*>(event);
    if ((ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) && !ke->isAutoRepeat()) {
      // Enter acts on the control that has the focus: the keyword field
      // searches, whatever the results; other controls keep their own use.
      if (InKeywordField(watched)) {
        OnSearch();
        return true;
      }
      if (watched == m_pageEdit) {
        GoToTypedPage();
        return true;
      }
      if (watched == m_searchButton) {
        m_searchButton->click();
        return true;
      }
      if (watched == m_tree) {
        if (QTreeWidgetItem* item = m_tree->currentItem(); item && item->childCount() > 0)
          item->setExpanded(!item->isExpanded());
        return true;
      }
      return false;
    }
    // Esc stops a long search as the 中止 button does.
    if (ke->key() == Qt::Key_Escape && m_adapter->LongSearch()) {
      m_adapter->CancelSearch();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void CLeftForm::ReadOptions() { Session().SetSearchOptions(m_or->isChecked() ? 1 : 0, m_variant->isChecked()); }

void CLeftForm::OnScopeClicked(int scope) {
  // The open index changes once no search is using the engine.
  m_adapter->WhenIdle([this, scope] {
    if (!Session().SetScope(scope)) {
      ShowWarning(this, tr("データを開けませんでした。"));
      return;
    }
    SaveOptions();
  });
}

void CLeftForm::OnSearchButton() {
  if (m_adapter->LongSearch())
    m_adapter->CancelSearch();
  else
    OnSearch();
}

void CLeftForm::OnSearch() {
  // The keyword page is still being read, or a search runs.
  if (SearchPending()) return;
  m_searchTimer.start();
  Session().PrepareSearch();
  ReadOptions();
  // The hidden edit first, then the keyword page's input (read asynchronously).
  const QString hidden = m_hiddenEdit->toPlainText().replace(QChar(0x3000), QChar(u' '));
  if (!m_html) {
    ContinueSearch(false, hidden);
    return;
  }
  m_searchPending = true;
  m_html->ReadInputValue([this, hidden](bool loaded, std::optional<QString> value) {
    m_searchPending = false;
    if (!loaded) value = hidden;
    ContinueSearch(loaded, value);
  });
}

QString CLeftForm::RejectedMessage(const QString& characters, const QString& resultKeywords) {
  QString text = characters.isEmpty() ? tr("キーワードに検索できる文字がありません。")
                                      : tr("「%1」は検索できない文字です。").arg(characters);
  if (!resultKeywords.isEmpty()) text += QLatin1Char('\n') + tr("一覧は「%1」の検索結果のままです。").arg(resultKeywords);
  return text;
}

void CLeftForm::ContinueSearch(bool loaded, const std::optional<QString>& value) {
  if (loaded && !value) {  // an input element without a value: the search ends silently
    emit searchFinished();
    return;
  }
  const QString keywords = QString(*value).replace(QChar(0x3000), QChar(u' '));
  switch (m_adapter->StartSearch(keywords)) {
    case CReadingSession::SearchStart::NoRange:
      ShowWarning(this, tr("検索範囲をまた指定していません。"));
      EndSearchCommand(true);
      return;
    case CReadingSession::SearchStart::NoKeywords:
      ShowWarning(this, tr("何かキーワードを入力して検索をして下さい。"));
      emit searchFinished();
      return;
    case CReadingSession::SearchStart::Rejected: {
      // Nothing was searched: the list stays, and the summary names the
      // keywords it comes from, as the keyword field no longer shows them.
      QString characters;
      for (QChar c : QString::fromStdU16String(Session().RejectedText()))
        characters += c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0)
                          ? QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper()
                          : QString(c);
      const QString resultKeywords =
          Session().ResultGeneration() > 0 ? FromU16(Session().ResultKeyWords()) : QString();
      if (!resultKeywords.isEmpty())
        m_summary->setText(tr("「%1」%2").arg(resultKeywords, SummaryText()));
      ShowWarning(this, RejectedMessage(characters, resultKeywords));
      emit searchFinished();
      return;
    }
    case CReadingSession::SearchStart::Busy:
      return;
    case CReadingSession::SearchStart::Started:
      return;  // OnSearchEnded follows
  }
}

void CLeftForm::OnSearchEnded(bool cancelled) {
  // A cancelled search leaves the list, the summary and the paging as they were.
  if (!cancelled) {
    m_list->clear();
    m_summary->setText(SummaryText());
    m_summary->setToolTip(tr("「%1」の検索結果").arg(FromU16(Session().ResultKeyWords())));
    if (Session().PageCount() > 0) {
      LayoutControls();
      FillResultPage();
    } else {
      HidePaging();
      LayoutControls();
    }
  }
  EndSearchCommand(!cancelled);
}

void CLeftForm::EndSearchCommand(bool searched) {
  m_hiddenEdit->clear();
  if (searched) ReportTiming("search to first result page", m_searchTimer);
  emit searchFinished();
}

void CLeftForm::OnLongSearch(bool running) {
  // While a long search runs the search button stops it, and what reads the
  // collection (the tree, the result list, the scope) waits for its end.
  if (running) {
    m_summaryBefore = m_summary->text();
    m_summary->setText(tr("検索中…"));
    setCursor(Qt::BusyCursor);
  } else {
    m_summary->setText(m_summaryBefore);
    unsetCursor();
  }
  m_searchButton->setText(running ? tr("中止") : tr("検索"));
  for (QWidget* w : {static_cast<QWidget*>(m_tree), static_cast<QWidget*>(m_list),
                     static_cast<QWidget*>(m_scopeGroup), static_cast<QWidget*>(m_scope[0]),
                     static_cast<QWidget*>(m_scope[1]), static_cast<QWidget*>(m_scope[2])})
    w->setEnabled(!running);
}

void CLeftForm::FillResultPage() {
  const CReadingSession& s = Session();
  if (s.CurPage() < 1 || s.CurPage() > s.PageCount()) return;
  const bool blocked = m_list->blockSignals(true);
  m_list->clear();
  m_list->blockSignals(blocked);
  UpdatePaging();
  const auto [first, last] = s.CurrentRows();
  for (size_t i = first; i < last; ++i) {
    const SearchNodeTag& r = s.Results()[i];
    m_list->AddRow(FromU16(r.strClass), FromU16(r.strBook), FromU16(r.strVolume), r.nPageNo, r.nRecord);
  }
}

void CLeftForm::UpdatePaging() {
  const PagingState p = Session().Paging();
  m_pageEdit->setText(QString::number(Session().CurPage()));
  m_pageEdit->setReadOnly(p.editReadOnly);
  m_pageEdit->selectAll();
  m_pageTotal->setText(QStringLiteral("/%1").arg(Session().PageCount()));
  m_prev->setEnabled(p.prevEnabled);
  m_next->setEnabled(p.nextEnabled);
}

void CLeftForm::OnPrevResultPage() {
  if (Session().PrevResultPage()) FillResultPage();
}

void CLeftForm::OnNextResultPage() {
  if (Session().NextResultPage()) FillResultPage();
}

void CLeftForm::GoToTypedPage() {
  const int32_t n = ParseTypedNumber(m_pageEdit->text().toStdU16String());
  switch (Session().GoToResultPage(n)) {
    case CReadingSession::PageTurn::Refused:
      m_pageEdit->setText(QString::number(Session().CurPage()));
      m_pageEdit->selectAll();
      return;
    case CReadingSession::PageTurn::Changed:
      FillResultPage();
      return;
    case CReadingSession::PageTurn::Unchanged:
      return;
  }
}

void CLeftForm::OnTreeSelChanged() {
  const QList<QTreeWidgetItem*> sel = m_tree->selectedItems();
  if (sel.isEmpty()) return;
  const int entry = sel.first()->data(0, Qt::UserRole).toInt();
  Session().SelectRange(entry);
  m_rangeLabel->setText(RangeLabelText());
  // A volume (an entry with nothing below it) is shown at its first page,
  // once no search is using the engine.
  if (Session().IsLeaf(entry)) m_adapter->WhenIdle([this, entry] { Session().ShowEntry(entry); });
}

void CLeftForm::OpenResult() {
  const QList<QTreeWidgetItem*> sel = m_list->selectedItems();
  if (sel.isEmpty()) return;
  const int record = m_list->RecordOf(sel.first());
  const uint64_t generation = Session().ResultGeneration();
  m_adapter->WhenIdle([this, record, generation] {
    // A row of results that a search has replaced meanwhile is not opened.
    if (Session().ResultGeneration() == generation) Session().OpenResult(record);
  });
}

}  // namespace tevarin

namespace tevarin {

QString CLeftForm::WholeCollectionText() { return tr("全体"); }

QString CLeftForm::RangeLabelText() const {
  // The whole collection's label is the interface's; the titles of the
  // catalogue are data and stay as they are.
  if (Session().SearchRange() == CReadingSession::kWholeCollection) return WholeCollectionText();
  return FromU16(Session().RangeText());
}

QString CLeftForm::SummaryText() const {
  return tr("全部で %1 頁で、%2 箇所でした。").arg(Session().Results().size()).arg(Session().HitTotal());
}

void CLeftForm::SaveOptions() const {
  QSettings settings;
  settings.setValue(kMethodKey, m_or->isChecked() ? 1 : 0);
  settings.setValue(kScopeKey, std::max(0, m_scopeButtons->checkedId()));
  settings.setValue(kVariantsKey, m_variant->isChecked());
}

void CLeftForm::RestoreOptions() {
  const QSettings settings;
  (settings.value(kMethodKey, 0).toInt() == 1 ? m_or : m_and)->setChecked(true);
  m_variant->setChecked(settings.value(kVariantsKey, true).toBool());
  int scope = settings.value(kScopeKey, 0).toInt();
  if (scope < 0 || scope > 2) scope = 0;
  // The index of that scope is opened now; one that cannot be falls back to
  // the whole text, which the engine opened at start.
  if (scope != 0 && Session().Engine().IsOpen() && !Session().SetScope(scope)) {
    scope = 0;
    Session().SetScope(0);
  }
  if (!Session().Engine().IsOpen()) scope = Session().Scope();
  m_scope[scope]->setChecked(true);
}

void CLeftForm::SaveReading() const {
  const int entry = Session().CurNode();
  if (!Session().IsLeaf(entry)) return;
  QSettings settings;
  settings.setValue(kVolumeKey, entry);
  settings.setValue(kPageKey, Session().CurPageNo());
}

bool CLeftForm::RestoreReading() {
  const QSettings settings;
  if (!settings.contains(kVolumeKey)) return false;
  const int entry = settings.value(kVolumeKey).toInt();
  const int page = settings.value(kPageKey).toInt();
  // Only a volume of this collection, at one of its pages.
  if (!Session().IsLeaf(entry)) return false;
  const NodeItem* e = Session().Catalogue().Entry(entry);
  if (!e || page < e->curFileName || page > e->curFileName + e->docNo - 1) return false;
  if (!Session().ShowEntry(entry)) return false;
  if (page != Session().CurPageNo()) Session().GoToPage(page);
  return true;
}

}  // namespace tevarin
