// CDistributionView: where the current search's hits lie. A tree of the
// search range's divisions, books and volumes, each with a bar of its hits
// (against the most hits among its siblings), its hits, its pages with hits
// and its hits per 10,000 indexed characters of the searched scope. Nodes
// without hits are left out.
//
// The hits are taken from the hit list when the search ends (limited to the
// result list's pages); the rows are built when the view is shown. The
// characters of a scope are counted once and kept for later searches; the
// first count of a large range takes a moment, which the status line says.
// Clicking a row (or Enter on it) makes its node the search range, as
// choosing it in the table of contents does.
#pragma once

#include <QWidget>
#include <cstdint>
#include <vector>

#include "catalog/hitdistribution.h"

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace tevarin {

class CLeftForm;

class CDistributionView : public QWidget {
  Q_OBJECT
 public:
  enum Column { Name, Hits, Pages, Rate, Bar, ColumnCount };
  // The bar's share of its column (0..1) in the Bar column's item data.
  static constexpr int kBarRole = Qt::UserRole + 1;
  // The catalogue entry of a row (CReadingSession::kWholeCollection for the
  // whole collection) in the Name column's item data.
  static constexpr int kEntryRole = Qt::UserRole;

  explicit CDistributionView(CLeftForm* form, QWidget* parent = nullptr);

  QTreeWidget* Tree() const { return m_tree; }
  QLabel* StatusLine() const { return m_status; }
  // The rows show the current search.
  bool Built() const { return m_built; }
  // Builds the rows now when they are not yet built.
  void Build();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void TakeResults(bool cancelled);
  void OnRowChosen(QTreeWidgetItem* item);

  CLeftForm* m_form;
  QLabel* m_status = nullptr;
  QTreeWidget* m_tree = nullptr;

  bool m_haveSearch = false;
  bool m_built = false;
  uint64_t m_generation = 0;
  int m_rangeEntry = 0;  // the search range the search had
  HitScope m_scope = HitScope::WholeText;
  std::vector<uint32_t> m_pages, m_counts;

  // The characters counted so far: scope and records [m_countedFirst, m_countedEnd).
  ScopeCharacters m_characters;
  bool m_counted = false;
  uint32_t m_countedFirst = 0, m_countedEnd = 0;
};

}  // namespace tevarin
