// CLeftForm: the navigation and search form, the left pane of the main window.
// Two tabs — "目録" (the table of contents) and "検索" (keyword, options,
// range, results and paging) — with the controls placed by LayoutControls
// from the pane's size. The form holds the reading session (through its
// adapter), which owns the engine, the catalogue, the results and the page
// files; the form passes the user's choices to it and draws what it answers.
//
// The tree starts with the item 全体, the whole collection, the search range
// at start; the volume being read is shown in bold and is the tree's current
// item, also when a result made it the one read. Enter in the keyword field
// searches, in the page edit goes to the typed result page, on the search
// button presses it and in the tree opens or closes the current item; in the
// other controls it does what they do with it.
//
// The search options (method, scope, variants) are saved whenever the user
// changes one, and the volume and page read whenever they change; a new
// form starts with the usual choices (and, whole text, variants), and the
// program brings the saved ones back with RestoreOptions and RestoreReading.
// The form's texts go through the translation system; the names of the
// catalogue and the pages are data and are shown as they are.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QWidget>
#include <optional>
#include <vector>

#include "session/readingsession.h"

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
class CSessionAdapter;
class CSortListCtrl;
class CToolTipResourceButton;

class CLeftForm : public QWidget {
  Q_OBJECT
 public:
  // dataFolder holds the collection. openFailureNote, when not empty, is a
  // line added to the message shown when the collection cannot be opened
  // (where it was looked for).
  CLeftForm(const QString& dataFolder, CPageFolder* pages, QWidget* parent = nullptr,
            const QString& openFailureNote = {});
  ~CLeftForm() override;

  void SetPageView(CBookView* view) { m_pView = view; }
  // The toolbar's slider and page box follow the volume and page read.
  void SetToolBar(CSCrollToolBar* bar);
  // The start-up steps: keyword field, tabs, lists, catalogue and tree.
  void InitialUpdate();

  CReadingSession& Session();
  const CReadingSession& Session() const;
  CSessionAdapter* Adapter() const { return m_adapter; }

  void LayoutControls();
  // A further tab after 目録 and 検索, showing page over the pane's area
  // below the tabs while it is the current tab. The form takes page.
  void AddPage(const QString& title, QWidget* page);
  // The widget shown by tab index (null for 目録, 検索 and out of range).
  QWidget* PageOfTab(int index) const;
  // The search command: the search button (中止 while a long search runs,
  // which cancels it) and Enter.
  void OnSearch();
  void OnSearchButton();
  void FillResultPage();
  void UpdatePaging();
  void GoToTypedPage();
  void OnPrevResultPage();
  void OnNextResultPage();
  void OnScopeClicked(int scope);
  void OnTreeSelChanged();
  // The selected row of the result list is opened.
  void OpenResult();
  // The tree item of a catalogue entry, or of the whole collection (null
  // when none).
  QTreeWidgetItem* TreeItemOf(int entry) const;
  // The tree item of the volume being read (null when none).
  QTreeWidgetItem* ReadingItem() const { return m_readingItem; }
  // The message for keywords that cannot be searched: the characters that
  // cannot be, and which keywords the results shown still come from.
  static QString RejectedMessage(const QString& characters, const QString& resultKeywords);

  // The saved search options (after InitialUpdate). A scope whose index
  // cannot be opened falls back to the whole text.
  void RestoreOptions();
  void SaveOptions() const;
  // Shows the saved volume at the saved page, when the collection has that
  // volume and page; false otherwise (nothing is shown then).
  bool RestoreReading();
  void SaveReading() const;
  // The label of the whole collection (全体), in the interface's language.
  static QString WholeCollectionText();

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
  QRadioButton* ScopeButton(int scope) const { return scope >= 0 && scope < 3 ? m_scope[scope] : nullptr; }
  // 0 "and", 1 "or".
  QRadioButton* MethodButton(int method) const { return method == 0 ? m_and : method == 1 ? m_or : nullptr; }
  QCheckBox* VariantBox() const { return m_variant; }
  // The keyword page is being read or a search runs.
  bool SearchPending() const;
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
  void ContinueSearch(bool loaded, const std::optional<QString>& value);
  void OnSearchEnded(bool cancelled);
  void OnLongSearch(bool running);
  // The last steps of a search command; searched: the time it took is reported.
  void EndSearchCommand(bool searched);
  void PlacePaging(int W, int H);
  void HidePaging();
  void ReadOptions();
  void SetCaption();
  // The range label: 全体 in the interface's language, else the titles.
  QString RangeLabelText() const;
  // "全部で %1 頁で、%2 箇所でした。" of the last search.
  QString SummaryText() const;
  // The tree follows the volume being read.
  void MarkReadingVolume();
  // Whether o is the keyword field or lies inside it.
  bool InKeywordField(const QObject* o) const;

  QString m_dataFolder;
  CSessionAdapter* m_adapter = nullptr;
  CBookView* m_pView = nullptr;
  CSCrollToolBar* m_pToolBar = nullptr;
  bool m_searchPending = false;  // the keyword page is being read
  QElapsedTimer m_searchTimer;
  QString m_summaryBefore;  // the summary shown while a long search runs

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
  QTreeWidgetItem* m_wholeItem = nullptr;     // 全体
  QTreeWidgetItem* m_readingItem = nullptr;
  std::vector<QWidget*> m_extraPages;  // the tabs after 目録 and 検索, in order
};

}  // namespace tevarin
