// CSortListCtrl: the result list — four columns "類別", "書名", "巻", "頁",
// full-row single selection; a click on the "頁" heading sorts the rows on
// screen by page number (the other headings do nothing).
#pragma once

#include <QTreeWidget>

namespace tevarin {

class CSortListCtrl : public QTreeWidget {
  Q_OBJECT
 public:
  explicit CSortListCtrl(QWidget* parent = nullptr);
  // The column headings, in the interface's language.
  static QStringList Headings();
  // Adds a row; its item data is the record index.
  void AddRow(const QString& cls, const QString& book, const QString& volume, int pageNo, int record);
  int RecordOf(const QTreeWidgetItem* item) const;
  // Sorts the rows by the number in column 3, ascending.
  void SortByPage();
  void OnColumnClick(int column);
};

}  // namespace tevarin
