// CConcordanceView: every hit of the current search on a line of its own,
// the matched text in a column between the context before it (right-aligned)
// and the context after it, with the book, volume and page of the hit.
//
// The lines come from the hit list the result list's search left in the
// index (no second search), limited to the pages of the result list. They
// are read page by page on the windows' thread in short slices of a timer,
// so the first lines show at once and the program stays responsive while a
// frequent character's lines load; the loading starts when the view is
// shown and pauses while a search runs (the index is then the search's).
//
// A click on a column head sorts the lines by that column (again: the other
// way round); sorting asked for while lines still load is done once all are
// there, and the status line says so. Double-click or Enter on a line opens
// its hit page at that hit, through the same path as a result row and the
// next-hit command.
#pragma once

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <vector>

#include "catalog/concordance.h"

class QLabel;
class QTableView;

namespace tevarin {

class CLeftForm;

class CConcordanceModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { Left, Match, Right, Book, Volume, Page, ColumnCount };

  using QAbstractTableModel::QAbstractTableModel;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void Clear();
  void Append(std::vector<ConcordanceLine>&& lines);
  // Sorts every line by column (descending: the reverse of that order).
  void SortBy(int column, bool descending);
  const std::vector<ConcordanceLine>& Lines() const { return m_lines; }

 private:
  std::vector<ConcordanceLine> m_lines;
};

class CConcordanceView : public QWidget {
  Q_OBJECT
 public:
  explicit CConcordanceView(CLeftForm* form, QWidget* parent = nullptr);
  ~CConcordanceView() override;

  QTableView* Table() const { return m_table; }
  QLabel* StatusLine() const { return m_status; }
  CConcordanceModel* Model() const { return m_model; }
  // Every line of the current search is loaded.
  bool Complete() const { return m_concordance && m_next >= m_todo.size(); }
  // The hits of the current search, as its summary counts them.
  uint64_t TotalHits() const { return m_total; }
  // There are lines, shown or still to be read.
  bool HasLines() const { return m_model->rowCount() > 0 || (m_concordance && !Complete()); }
  // Reads every line not read yet at once, and applies the sort asked for
  // meanwhile, so that Model()->Lines() is the whole concordance in the
  // order shown. False, with nothing read, when lines remain while a
  // search runs or once a search has replaced the lines' results (the
  // index is no longer theirs).
  bool LoadAll();
  // Pages passed by because they could not be read (their lines are
  // missing), and pages whose hit page marks only some keywords.
  size_t UnreadPages() const { return m_concordance ? m_notes.size() : 0; }
  size_t PartlyMarkedPages() const { return m_partlyMarked; }

  // Opens the hit page of a line at its hit.
  void OpenLine(int row);

 signals:
  // Every line of the current search is there (and sorted as asked).
  void linesComplete();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Takes the results of the search just ended: its hit list, its pages.
  void TakeResults(bool cancelled);
  void LoadSlice();
  // Reads pages for at most budgetMs milliseconds (negative: until every
  // page is read), then shows what was read; the end of the loading when
  // it is complete.
  void ReadPages(qint64 budgetMs);
  void OnHeaderClicked(int column);
  void ShowStatus();
  void FitContextColumns();

  CLeftForm* m_form;
  QLabel* m_status = nullptr;
  QTableView* m_table = nullptr;
  CConcordanceModel* m_model = nullptr;
  QTimer m_timer;
  QElapsedTimer m_loadTimer;  // since the first slice, for the timing report

  std::unique_ptr<Concordance> m_concordance;
  uint64_t m_generation = 0;        // the results the lines belong to
  std::vector<size_t> m_todo;       // indices into the concordance's pages, in the result list
  size_t m_next = 0;                // the next of m_todo to read
  uint64_t m_total = 0;             // hits of m_todo's pages
  std::vector<std::string> m_notes;  // pages that could not be read
  size_t m_partlyMarked = 0;         // pages whose hit page leaves keywords unmarked
  int m_sortColumn = -1;            // -1: collection order
  bool m_descending = false;
  bool m_sortPending = false;
  HitScope m_scope = HitScope::WholeText;  // the scope the lines were found in
  bool m_scopeChanged = false;             // a line was opened under another scope
  bool m_searched = false;                 // a search has ended since the view began
};

}  // namespace tevarin
