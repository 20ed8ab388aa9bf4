#include "ui/panel/sortlistctrl.h"

#include <QHeaderView>
#include <algorithm>

#include "catalog/searchresult.h"

namespace tevarin {

CSortListCtrl::CSortListCtrl(QWidget* parent) : QTreeWidget(parent) {
  setObjectName(QStringLiteral("ResultList"));
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setAllColumnsShowFocus(true);
  setHeaderLabels(Headings());
  const int widths[] = {45, 80, 60, 60};
  for (int c = 0; c < 4; ++c) setColumnWidth(c, widths[c]);
  header()->setSectionsClickable(true);
  header()->setStretchLastSection(false);
  connect(header(), &QHeaderView::sectionClicked, this, &CSortListCtrl::OnColumnClick);
}

void CSortListCtrl::AddRow(const QString& cls, const QString& book, const QString& volume,
                           int pageNo, int record) {
  auto* item = new QTreeWidgetItem({cls, book, volume, QString::number(pageNo)});
  item->setData(0, Qt::UserRole, record);
  addTopLevelItem(item);
}

int CSortListCtrl::RecordOf(const QTreeWidgetItem* item) const {
  return item ? item->data(0, Qt::UserRole).toInt() : -1;
}

void CSortListCtrl::OnColumnClick(int column) {
  if (column == 3) SortByPage();
}

void CSortListCtrl::SortByPage() {
  const bool blocked = blockSignals(true);
  QList<QTreeWidgetItem*> rows;
  while (topLevelItemCount() > 0) rows << takeTopLevelItem(0);
  std::stable_sort(rows.begin(), rows.end(), [](QTreeWidgetItem* a, QTreeWidgetItem* b) {
    return ParseTypedNumber(a->text(3).toStdU16String()) < ParseTypedNumber(b->text(3).toStdU16String());
  });
  addTopLevelItems(rows);
  blockSignals(blocked);
}

QStringList CSortListCtrl::Headings() { return {tr("類別"), tr("書名"), tr("巻"), tr("頁")}; }

}  // namespace tevarin
