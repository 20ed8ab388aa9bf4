#include "ui/panel/distributionview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <unordered_map>
#include <unordered_set>

#include "ui/panel/leftform.h"
#include "ui/panel/sessionadapter.h"

namespace tevarin {

namespace {

// Paints the bar column: a bar as long as the row's share, over the
// selection's background when selected.
class BarDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    const double share = std::clamp(index.data(CDistributionView::kBarRole).toDouble(), 0.0, 1.0);
    if (share <= 0) return;
    QRect r = option.rect.adjusted(2, 3, -2, -3);
    r.setWidth(std::max(1, static_cast<int>(r.width() * share + 0.5)));
    painter->save();
    painter->fillRect(r, QColor(0xD9, 0x53, 0x4F));
    painter->restore();
  }
};

}  // namespace

CDistributionView::CDistributionView(CLeftForm* form, QWidget* parent) : QWidget(parent), m_form(form) {
  setObjectName(QStringLiteral("Distribution"));
  m_status = new QLabel(this);
  m_status->setObjectName(QStringLiteral("DistributionStatus"));
  m_status->setTextFormat(Qt::PlainText);
  m_status->setWordWrap(true);
  m_status->setText(tr("検索をすると、その分布がここに出ます。"));
  m_tree = new QTreeWidget(this);
  m_tree->setObjectName(QStringLiteral("DistributionTree"));
  m_tree->setColumnCount(ColumnCount);
  m_tree->setHeaderLabels({tr("名称"), tr("箇所"), tr("頁"), tr("密度"), tr("分布")});
  m_tree->headerItem()->setToolTip(Rate, tr("1万字あたりの箇所数"));
  m_tree->setItemDelegateForColumn(Bar, new BarDelegate(m_tree));
  m_tree->setUniformRowHeights(true);
  m_tree->setAllColumnsShowFocus(true);
  const int em = m_tree->fontMetrics().horizontalAdvance(QChar(0x4E00));
  // The figures first, the bar last, taking the width left.
  const int widths[ColumnCount] = {em * 7, em * 7 / 2, em * 3, em * 3, em * 3};
  for (int c = 0; c < ColumnCount; ++c) m_tree->setColumnWidth(c, widths[c]);
  m_tree->header()->setStretchLastSection(true);
  m_tree->header()->setMinimumSectionSize(em * 2);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(m_status);
  layout->addWidget(m_tree, 1);

  connect(m_tree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) { OnRowChosen(item); });
  connect(m_tree, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item, int) { OnRowChosen(item); });
  connect(m_form->Adapter(), &CSessionAdapter::searchEnded, this, &CDistributionView::TakeResults);
}

void CDistributionView::TakeResults(bool cancelled) {
  if (cancelled) return;
  // The hit list now, while the index holds this search's: a change of
  // scope drops it. Only the pages of the result list count.
  const CReadingSession& session = m_form->Session();
  m_generation = session.ResultGeneration();
  m_rangeEntry = session.SearchRange();
  m_scope = static_cast<HitScope>(session.Scope());
  m_pages.clear();
  m_counts.clear();
  std::unordered_set<uint32_t> listed;
  for (const SearchNodeTag& r : session.Results()) listed.insert(static_cast<uint32_t>(r.nRecord));
  const std::vector<uint32_t>& pages = session.Engine().GetHitPages();
  const std::vector<uint32_t>& counts = session.Engine().GetHitCounts();
  for (size_t i = 0; i < pages.size(); ++i)
    if (listed.count(pages[i])) {
      m_pages.push_back(pages[i]);
      m_counts.push_back(i < counts.size() ? counts[i] : 0);
    }
  m_haveSearch = true;
  m_built = false;
  m_tree->clear();
  if (isVisible()) Build();
}

void CDistributionView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (m_haveSearch && !m_built) Build();
}

void CDistributionView::Build() {
  if (!m_haveSearch || m_built) return;
  const CReadingSession& session = m_form->Session();
  // Counting reads the index: never beside a running search.
  if (m_form->Adapter()->Busy()) {
    m_form->Adapter()->WhenIdle([this] {
      if (isVisible()) Build();
    });
    return;
  }
  if (session.ResultGeneration() != m_generation) return;  // the next search's rows follow
  const CCatalogue& catalogue = session.Catalogue();
  const ContentsNodeTag* range = m_rangeEntry == CReadingSession::kWholeCollection ? catalogue.Root()
                                                                                   : catalogue.NodeOf(m_rangeEntry);
  if (!range) {
    m_status->setText(tr("検索範囲が目録にありません。"));
    return;
  }
  if (m_pages.empty()) {
    // Nothing to place: no count of characters for it.
    m_tree->clear();
    m_built = true;
    m_status->setText(tr("検索結果がありません。"));
    return;
  }
  QElapsedTimer timer;
  timer.start();
  uint32_t first = 0, end = 0;
  RecordSpan(*range, first, end);
  if (!m_counted || m_characters.Scope() != m_scope || first < m_countedFirst || end > m_countedEnd) {
    // The first count of a range: the whole collection's pages are read once.
    m_status->setText(tr("文字数を数えています…"));
    m_status->repaint();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Status status = m_characters.Count(session.Engine(), m_scope, first, end);
    QApplication::restoreOverrideCursor();
    m_counted = static_cast<bool>(status);
    if (!status) {
      m_status->setText(QString::fromStdString(status.Message()));
      return;
    }
    m_countedFirst = first;
    m_countedEnd = end;
  }

  const HitDistribution d = BuildHitDistribution(catalogue, range, m_pages, m_counts, m_characters);
  m_tree->clear();
  auto fill = [](QTreeWidgetItem* item, const DistributionRow& row) {
    item->setText(Hits, QString::number(row.hits));
    item->setText(Pages, QString::number(row.pages));
    item->setText(Rate, row.characters ? QString::number(row.per10k, 'f', row.per10k < 100 ? 2 : 1) : QString());
    for (int c : {Hits, Pages, Rate}) item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
  };
  auto* top = new QTreeWidgetItem(m_tree);
  top->setText(Name, m_rangeEntry == CReadingSession::kWholeCollection ? CLeftForm::WholeCollectionText()
                                                                       : QString::fromStdU16String(range->name));
  top->setData(Name, kEntryRole, m_rangeEntry);
  top->setData(Bar, kBarRole, d.total.hits > 0 ? 1.0 : 0.0);
  fill(top, d.total);

  std::unordered_map<const ContentsNodeTag*, QTreeWidgetItem*> itemOf;
  itemOf.emplace(range, top);
  // Each row's bar against the most hits among its siblings.
  std::unordered_map<const ContentsNodeTag*, uint64_t> mostOf;
  for (const DistributionRow& row : d.rows)
    if (row.node != range) mostOf[row.node->parent] = std::max(mostOf[row.node->parent], row.hits);
  for (const DistributionRow& row : d.rows) {
    if (row.node == range || row.hits == 0) continue;
    const auto parent = itemOf.find(row.node->parent);
    auto* item = new QTreeWidgetItem(parent != itemOf.end() ? parent->second : top);
    item->setText(Name, QString::fromStdU16String(row.node->name));
    item->setToolTip(Name, QString::fromStdU16String(catalogue.RangePath(row.entry)));
    item->setData(Name, kEntryRole, row.entry);
    const uint64_t most = mostOf[row.node->parent];
    item->setData(Bar, kBarRole, most ? static_cast<double>(row.hits) / static_cast<double>(most) : 0.0);
    fill(item, row);
    itemOf.emplace(row.node, item);
  }
  // The range and the level below it open; books and volumes on demand.
  top->setExpanded(true);
  m_built = true;
  QString text = tr("%1 頁で %2 箇所（万字あたり %3）")
                     .arg(d.total.pages)
                     .arg(d.total.hits)
                     .arg(QString::number(d.total.per10k, 'f', 2));
  if (m_characters.Unreadable() > 0) text += QLatin1Char('\n') + tr("読めなかった頁が %1 頁あります。").arg(m_characters.Unreadable());
  m_status->setText(text);
  if (qEnvironmentVariableIsSet("TEVARIN_TIMING"))
    std::fprintf(stderr, "timing: distribution built %.2f ms\n", timer.nsecsElapsed() / 1e6);
}

void CDistributionView::OnRowChosen(QTreeWidgetItem* item) {
  if (!item) return;
  const int entry = item->data(Name, kEntryRole).toInt();
  if (QTreeWidgetItem* tocItem = m_form->TreeItemOf(entry)) m_form->Tree()->setCurrentItem(tocItem);
}

}  // namespace tevarin
