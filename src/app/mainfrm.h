// CMainFrame: the main window — menu bar, toolbar with the page slider and the
// page box, and the splitter with the navigation form (left) and the page view
// (right). It owns the commands: page, volume and hit navigation, copy,
// select all, printing, hiding the left pane, help and about. Each command has
// an enable rule, evaluated before a menu opens and, for the toolbar, while
// the application is idle.
#pragma once

#include <QHash>
#include <QMainWindow>

#include "app/commands.h"

class CBookDoc;
class CBookView;
class CLeftForm;
class CPageFolder;
class CSCrollToolBar;
class ST_SplitterWnd;
class QAction;
class QTimer;

class CMainFrame : public QMainWindow {
  Q_OBJECT
 public:
  // dataFolder holds the collection; pages is the private page folder.
  CMainFrame(const QString& dataFolder, CPageFolder* pages, CBookDoc* doc);
  ~CMainFrame() override;

  CLeftForm* LeftForm() const { return m_pLeftForm; }
  CBookView* BookView() const { return m_pBookView; }
  ST_SplitterWnd* Splitter() const { return m_Splitter; }
  CSCrollToolBar* ToolBar() const { return m_ToolBar; }
  QAction* Action(int id) const { return m_actions.value(id); }

  // Enable rules.
  bool CanPageShown() const;
  bool CanPrevPage() const;
  bool CanNextPage() const;
  bool CanPrevVolume() const;
  bool CanNextVolume() const;
  bool CanPrevHit() const;
  bool CanNextHit() const;
  void UpdateCommandUI();

  // Commands.
  void OnNextPage();
  void OnPrevPage();
  void OnNextVolume();
  void OnPrevVolume();
  void OnNextHit();
  void OnPrevHit();
  void OnPrint();
  void OnPrintSetup();
  void OnCopy();
  void OnSelectAll();
  void OnShowAll();
  void OnHelp();
  void OnAbout();

  // The program started beside the executable after the window is gone.
  static QString EndProgramPath();

 private:
  QAction* MakeAction(int id, const QString& text, void (CMainFrame::*slot)());
  void BuildMenus();
  void WritePageBox();
  void StepPage(int delta);
  void StepHit(int delta);
  bool PageViewActive() const;

  ST_SplitterWnd* m_Splitter = nullptr;
  CBookView* m_pBookView = nullptr;
  CLeftForm* m_pLeftForm = nullptr;
  CSCrollToolBar* m_ToolBar = nullptr;
  CBookDoc* m_doc = nullptr;
  QHash<int, QAction*> m_actions;
  QTimer* m_idle = nullptr;
};
