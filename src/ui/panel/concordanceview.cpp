#include "ui/panel/concordanceview.h"

#include <QElapsedTimer>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QShowEvent>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <unordered_set>

#include "ui/panel/leftform.h"
#include "ui/panel/sessionadapter.h"

namespace tevarin {

namespace {

// Lines are read in slices of about this many milliseconds of the windows'
// thread; the first slice runs at once.
constexpr int kSliceMs = 25;

QString FromU16(const std::u16string& s) { return QString::fromStdU16String(s); }
QString NameOf(const ContentsNodeTag* node) { return node ? FromU16(node->name) : QString(); }

// The context before the match keeps its end, next to the match, in sight.
class LeftContextDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    option->textElideMode = Qt::ElideLeft;
  }
};

}  // namespace

// ---- The model.

int CConcordanceModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_lines.size());
}

int CConcordanceModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant CConcordanceModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() < 0 || static_cast<size_t>(index.row()) >= m_lines.size()) return {};
  const ConcordanceLine& line = m_lines[static_cast<size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
      switch (index.column()) {
        case Left: return FromU16(line.left);
        case Match: return FromU16(line.match);
        case Right: return FromU16(line.right);
        case Book: return NameOf(line.place.book);
        case Volume: return NameOf(line.place.volume);
        case Page: return line.place.pageNo > 0 ? QVariant(line.place.pageNo) : QVariant();
      }
      return {};
    case Qt::ToolTipRole: {
      // The whole line, with where it stands: the columns past the
      // contexts may lie outside a narrow pane.
      QString where = NameOf(line.place.book);
      if (line.place.volume) where += QLatin1Char(' ') + NameOf(line.place.volume);
      if (line.place.pageNo > 0) where += QLatin1Char(' ') + tr("%1頁").arg(line.place.pageNo);
      return where.trimmed() + QLatin1Char('\n') + FromU16(line.left) + QStringLiteral("【") + FromU16(line.match) +
             QStringLiteral("】") + FromU16(line.right);
    }
    case Qt::TextAlignmentRole:
      if (index.column() == Left) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      if (index.column() == Match) return QVariant::fromValue(Qt::AlignHCenter | Qt::AlignVCenter);
      return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::ForegroundRole:
      if (index.column() == Match) return QColor(Qt::red);
      return {};
    default:
      return {};
  }
}

QVariant CConcordanceModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
  switch (section) {
    case Left: return tr("前文");
    case Match: return tr("キーワード");
    case Right: return tr("後文");
    case Book: return tr("書名");
    case Volume: return tr("巻");
    case Page: return tr("頁");
  }
  return {};
}

void CConcordanceModel::Clear() {
  beginResetModel();
  m_lines.clear();
  m_lines.shrink_to_fit();
  endResetModel();
}

void CConcordanceModel::Append(std::vector<ConcordanceLine>&& lines) {
  if (lines.empty()) return;
  const int first = static_cast<int>(m_lines.size());
  beginInsertRows({}, first, first + static_cast<int>(lines.size()) - 1);
  m_lines.insert(m_lines.end(), std::make_move_iterator(lines.begin()), std::make_move_iterator(lines.end()));
  endInsertRows();
}

void CConcordanceModel::SortBy(int column, bool descending) {
  beginResetModel();
  // Back to collection order first, so that every sort's ties keep it.
  SortLines(m_lines, ConcordanceSort::Collection);
  switch (column) {
    case Left: SortLines(m_lines, ConcordanceSort::Left); break;
    case Match:
      SortLines(m_lines, ConcordanceSort::Right);
      std::stable_sort(m_lines.begin(), m_lines.end(), [](const ConcordanceLine& a, const ConcordanceLine& b) {
        return CompareCodePoints(a.match, b.match) < 0;
      });
      break;
    case Right: SortLines(m_lines, ConcordanceSort::Right); break;
    case Book:
    case Volume: SortLines(m_lines, ConcordanceSort::Book); break;
    default: break;  // the page column: collection order
  }
  if (descending) std::reverse(m_lines.begin(), m_lines.end());
  endResetModel();
}

// ---- The view.

CConcordanceView::CConcordanceView(CLeftForm* form, QWidget* parent) : QWidget(parent), m_form(form) {
  setObjectName(QStringLiteral("Concordance"));
  m_status = new QLabel(this);
  m_status->setObjectName(QStringLiteral("ConcordanceStatus"));
  m_status->setTextFormat(Qt::PlainText);
  m_status->setWordWrap(true);
  m_model = new CConcordanceModel(this);
  m_table = new QTableView(this);
  m_table->setObjectName(QStringLiteral("ConcordanceTable"));
  m_table->setModel(m_model);
  m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_table->setSelectionMode(QAbstractItemView::SingleSelection);
  m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_table->setWordWrap(false);
  m_table->setShowGrid(false);
  m_table->setItemDelegateForColumn(CConcordanceModel::Left, new LeftContextDelegate(m_table));
  m_table->verticalHeader()->hide();
  m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 4);
  m_table->horizontalHeader()->setSectionsClickable(true);
  m_table->horizontalHeader()->setSortIndicatorShown(false);
  m_table->horizontalHeader()->setHighlightSections(false);
  const int em = m_table->fontMetrics().horizontalAdvance(QChar(0x4E00));
  const int widths[CConcordanceModel::ColumnCount] = {em * 10, em * 3, em * 10, em * 6, em * 4, em * 3};
  for (int c = 0; c < CConcordanceModel::ColumnCount; ++c)
    m_table->setColumnWidth(c, std::max(widths[c], m_table->horizontalHeader()->sectionSizeHint(c)));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(m_status);
  layout->addWidget(m_table, 1);
  m_table->viewport()->installEventFilter(this);

  m_timer.setInterval(0);
  connect(&m_timer, &QTimer::timeout, this, &CConcordanceView::LoadSlice);
  connect(m_table, &QTableView::activated, this, [this](const QModelIndex& index) { OpenLine(index.row()); });
  connect(m_table->horizontalHeader(), &QHeaderView::sectionClicked, this, &CConcordanceView::OnHeaderClicked);
  connect(m_form->Adapter(), &CSessionAdapter::searchEnded, this, &CConcordanceView::TakeResults);
  ShowStatus();
}

CConcordanceView::~CConcordanceView() = default;

void CConcordanceView::TakeResults(bool cancelled) {
  // A cancelled search leaves the results, and so the lines, as they were.
  if (cancelled) return;
  m_timer.stop();
  m_model->Clear();
  m_todo.clear();
  m_notes.clear();
  m_partlyMarked = 0;
  m_next = 0;
  m_total = 0;
  m_sortColumn = -1;
  m_descending = false;
  m_sortPending = false;
  m_scopeChanged = false;
  m_searched = true;
  m_table->horizontalHeader()->setSortIndicatorShown(false);
  m_concordance.reset();

  // The hit list is taken now, while the index still holds this search's:
  // a change of scope drops it. The concordance only reads the index.
  CReadingSession& session = m_form->Session();
  m_generation = session.ResultGeneration();
  if (session.Engine().IsOpen() && !session.Results().empty()) {
    m_concordance = std::make_unique<Concordance>(const_cast<CIndex&>(session.Engine()), &session.Catalogue());
    ConcordanceQuery query;
    query.keywords = session.ResultKeyWords();
    query.useOr = session.AndOr() == 1;
    query.variants = session.Variants();
    query.scope = m_scope = static_cast<HitScope>(session.Scope());
    if (Status status = m_concordance->UseHits(query); !status) {
      m_notes.push_back(status.Message());
      m_concordance.reset();
    } else {
      // The pages of the result list: the search range as it was searched.
      std::unordered_set<uint32_t> listed;
      for (const SearchNodeTag& r : session.Results()) listed.insert(static_cast<uint32_t>(r.nRecord));
      const std::vector<uint32_t>& pages = m_concordance->Pages();
      for (size_t i = 0; i < pages.size(); ++i)
        if (listed.count(pages[i])) {
          m_todo.push_back(i);
          m_total += m_concordance->Counts()[i];
        }
    }
  }
  if (isVisible() && !Complete()) LoadSlice();
  ShowStatus();
}

bool CConcordanceView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_table->viewport() && event->type() == QEvent::Resize) FitContextColumns();
  return QWidget::eventFilter(watched, event);
}

void CConcordanceView::FitContextColumns() {
  // The two contexts share the width the match column leaves, so that a
  // line reads whole in the pane; book, volume and page follow to the right.
  const int em = m_table->fontMetrics().horizontalAdvance(QChar(0x4E00));
  const int free = m_table->viewport()->width() - m_table->columnWidth(CConcordanceModel::Match) - 2;
  const int side = std::max(em * 4, free / 2);
  m_table->setColumnWidth(CConcordanceModel::Left, side);
  m_table->setColumnWidth(CConcordanceModel::Right, side);
}

void CConcordanceView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (m_concordance && !Complete() && !m_timer.isActive()) LoadSlice();
}

void CConcordanceView::LoadSlice() {
  if (!m_concordance) return;
  CSessionAdapter* adapter = m_form->Adapter();
  // The index is the running search's: loading goes on after its end,
  // unless that search replaces the results.
  if (adapter->Busy() || m_form->Session().ResultGeneration() != m_generation) {
    m_timer.stop();
    if (adapter->Busy())
      adapter->WhenIdle([this] {
        if (m_form->Session().ResultGeneration() == m_generation && isVisible() && !Complete()) LoadSlice();
      });
    return;
  }
  ReadPages(kSliceMs);
  if (Complete()) return;
  if (isVisible())
    m_timer.start();
  else
    m_timer.stop();  // goes on when the view is shown again
}

bool CConcordanceView::LoadAll() {
  if (!m_concordance || Complete()) return true;
  if (m_form->Adapter()->Busy() || m_form->Session().ResultGeneration() != m_generation) return false;
  m_timer.stop();
  ReadPages(-1);
  return true;
}

void CConcordanceView::ReadPages(qint64 budgetMs) {
  QElapsedTimer elapsed;
  elapsed.start();
  if (m_next == 0) m_loadTimer.start();
  std::vector<ConcordanceLine> lines;
  std::string note;
  while (m_next < m_todo.size() && (budgetMs < 0 || elapsed.elapsed() < budgetMs)) {
    if (Status status = m_concordance->AppendPageLines(m_todo[m_next], lines, &note); !status)
      m_notes.push_back(status.Message());
    else if (!note.empty())
      ++m_partlyMarked;
    ++m_next;
  }
  m_model->Append(std::move(lines));
  if (Complete()) {
    m_timer.stop();
    if (qEnvironmentVariableIsSet("TEVARIN_TIMING"))
      std::fprintf(stderr, "timing: concordance lines %zu loaded %.2f ms after the first slice began\n",
                   m_model->Lines().size(), m_loadTimer.nsecsElapsed() / 1e6);
    if (m_sortPending) {
      m_sortPending = false;
      m_model->SortBy(m_sortColumn, m_descending);
    }
    ShowStatus();
    emit linesComplete();
    return;
  }
  ShowStatus();
}

void CConcordanceView::OnHeaderClicked(int column) {
  m_descending = column == m_sortColumn ? !m_descending : false;
  m_sortColumn = column;
  QHeaderView* header = m_table->horizontalHeader();
  header->setSortIndicatorShown(true);
  header->setSortIndicator(column, m_descending ? Qt::DescendingOrder : Qt::AscendingOrder);
  if (!Complete()) {
    m_sortPending = true;
  } else {
    m_model->SortBy(column, m_descending);
    m_table->scrollToTop();
  }
  ShowStatus();
}

void CConcordanceView::OpenLine(int row) {
  const std::vector<ConcordanceLine>& lines = m_model->Lines();
  if (row < 0 || static_cast<size_t>(row) >= lines.size()) return;
  const ConcordanceLine& line = lines[static_cast<size_t>(row)];
  // Hit pages mark the scope chosen now; the lines were found in the one
  // searched. The page opens either way; the status line says why the
  // marked hits may differ.
  m_scopeChanged = m_form->Session().Scope() != static_cast<int>(m_scope);
  ShowStatus();
  m_form->Adapter()->OpenHit(static_cast<int32_t>(line.record), line.anchor, m_generation);
}

void CConcordanceView::ShowStatus() {
  QString text;
  if (!m_concordance) {
    text = !m_notes.empty() ? QString::fromStdString(m_notes.front())
           : m_searched     ? tr("用例はありません。")
                            : tr("検索をすると、その用例がここに並びます。");
  } else if (!Complete()) {
    text = tr("用例 %1 箇所中 %2 箇所を読み込みました…").arg(m_total).arg(m_model->rowCount());
    if (m_sortPending) text += QLatin1Char('\n') + tr("読み込みが終わってから並べ替えます。");
  } else {
    text = tr("用例 %1 箇所").arg(m_model->rowCount());
    if (!m_notes.empty()) text += QLatin1Char('\n') + tr("読めなかった頁が %1 頁あります。").arg(m_notes.size());
    // Pages whose hit page marks only some keywords (a page too large for
    // all the marks) have only those keywords' lines.
    if (m_partlyMarked > 0)
      text += QLatin1Char('\n') + tr("%1 頁ではキーワードの一部だけを挙げています。").arg(m_partlyMarked);
  }
  if (m_scopeChanged) text += QLatin1Char('\n') + tr("検索対象が変わりました。用例を合わせるには検索し直して下さい。");
  m_status->setText(text);
}

}  // namespace tevarin
