// CLeftForm: the navigation and search form, the left pane of the main window.
// Two tabs — "目録" (the table of contents) and "検索" (keyword, options,
// range, results and paging) — with the controls placed by LayoutControls
// from the pane's size. The form owns the search engine, the catalogue and
// the results, and writes the pages the page view shows.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QWidget>
#include <vector>

#include "index/index.h"
#include "catalog/catalogue.h"
#include "catalog/searchresult.h"

class QButtonGroup;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabBar;
class QTextEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace tevarin {

class CBookView;
class CHtmlCtrl;
class CPageFolder;
class CSCrollToolBar;
class CSortListCtrl;
class CToolTipResourceButton;

class CLeftForm : public QWidget {
  Q_OBJECT
 public:
  // dataFolder holds the collection (the executable's folder in the program).
  CLeftForm(const QString& dataFolder, CPageFolder* pages, QWidget* parent = nullptr);
  ~CLeftForm() override;

  void SetPageView(CBookView* view) { m_pView = view; }
  void SetToolBar(CSCrollToolBar* bar) { m_pToolBar = bar; }
  // The start-up steps: keyword field, tabs, lists, catalogue and tree.
  void InitialUpdate();

  void LayoutControls();
  void OnSearch();
  void ShowDocument(int entry, bool useFirstPage, int page);
  void OpenResult();
  void FillResultPage();
  void UpdatePaging();
  void GoToTypedPage();
  void OnPrevResultPage();
  void OnNextResultPage();
  void OnScopeClicked(int scope);
  void OnTreeSelChanged();
  // The tree item of a catalogue entry (null when none).
  QTreeWidgetItem* TreeItemOf(int entry) const;

  // State shared with the main frame and the toolbar.
  int m_nAndOr = 0;
  int m_nScopeRadio = 0;
  int m_bVariant = 1;
  int m_nHitCount = 0;
  int m_nHitIndex = 0;
  QString m_strHitPage;
  QString m_strKeyWords;
  // The keyword text of the search the results come from, as the engine
  // accepted and changed it; the hit pages of the results are built with it.
  QString m_strResultKeyWords;
  std::vector<SearchNodeTag> m_SearchResult;
  std::vector<uint32_t> m_ResultPages;
  std::vector<uint32_t> m_ResultCounts;
  int m_nPageCount = 0;
  int m_nCurPage = 0;
  uint16_t m_nSearchRange = 1;
  QString m_strRange = QStringLiteral("ｾｭ");
  int m_nCurPageNo = 0;
  int m_nCurNode = 0;
  QString m_strTocFile, m_strHitFile1, m_strHitFile2;
  CIndex m_Index;
  CCatalogue m_Catalogue;  // m_NodeItem, m_nNodeCount and the content tree
  int m_nSearchScope = 0;
  bool m_bUseHitFile1 = true;

  const NodeItem* NodeItemAt(int entry) const { return m_Catalogue.Entry(entry); }
  int NodeCount() const { return m_Catalogue.NodeCount(); }
  QTreeWidget* Tree() const { return m_tree; }
  CSortListCtrl* ResultList() const { return m_list; }
  CHtmlCtrl* KeywordField() const { return m_html; }
  QTabBar* Tabs() const { return m_tabs; }
  QLabel* Summary() const { return m_summary; }
  QLabel* RangeLabel() const { return m_rangeLabel; }
  QLineEdit* PageEdit() const { return m_pageEdit; }
  QLabel* PageTotal() const { return m_pageTotal; }
  CToolTipResourceButton* PrevButton() const { return m_prev; }
  CToolTipResourceButton* NextButton() const { return m_next; }
  QPushButton* SearchButton() const { return m_searchButton; }
  bool SearchPending() const { return m_searchPending; }
  const QString& DataFolder() const { return m_dataFolder; }

 signals:
  // A search has finished (results and summary shown, or ended early).
  void searchFinished();
  void pageShown(const QString& file);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ContinueSearch(const QString& previous, bool loaded, const std::optional<QString>& value);
  void PlacePaging(int W, int H);
  void ReadOptions();
  void WriteOptions();
  void SetCaption();

  QString m_dataFolder;
  CPageFolder* m_pages;
  CBookView* m_pView = nullptr;
  CSCrollToolBar* m_pToolBar = nullptr;
  bool m_searchPending = false;
  QElapsedTimer m_searchTimer;

  QFrame* m_tabFrame = nullptr;
  QTabBar* m_tabs = nullptr;
  QLabel* m_prompt = nullptr;
  QWidget* m_placeholder = nullptr;
  CHtmlCtrl* m_html = nullptr;
  QTextEdit* m_hiddenEdit = nullptr;
  QPushButton* m_searchButton = nullptr;
  QFrame* m_separator = nullptr;
  QCheckBox* m_variant = nullptr;
  QGroupBox* m_methodGroup = nullptr;
  QRadioButton* m_and = nullptr;
  QRadioButton* m_or = nullptr;
  QGroupBox* m_scopeGroup = nullptr;
  QRadioButton* m_scope[3] = {};
  QButtonGroup* m_andOrButtons = nullptr;
  QButtonGroup* m_scopeButtons = nullptr;
  QGroupBox* m_rangeGroup = nullptr;
  QLabel* m_rangeLabel = nullptr;
  QLabel* m_summary = nullptr;
  QTreeWidget* m_tree = nullptr;
  CSortListCtrl* m_list = nullptr;
  CToolTipResourceButton* m_prev = nullptr;
  CToolTipResourceButton* m_next = nullptr;
  QLineEdit* m_pageEdit = nullptr;
  QLabel* m_pageTotal = nullptr;
  std::vector<QTreeWidgetItem*> m_treeItems;  // per catalogue entry
};

}  // namespace tevarin
