// CMainFrame: the main window "Tevarin" — the menu bar, the toolbar with the
// page slider and the page box, and the splitter with the left pane (the
// navigation form) and the page view. It owns the commands; each has an
// enable rule, evaluated before a menu opens and whenever the event loop
// goes idle (for the toolbar buttons). A command goes to the active pane
// first: while the page view is active its own print, print setup and the
// browser's unlimited copy take the place of the frame's.
//
// The left pane and the reading commands:
//  - leftpane.cpp: CreateLeftPane(frame, parent) builds the left pane while
//    the frame is constructed (the page view, the toolbar and the page folder
//    already exist and are reachable through the frame); when the pane is a
//    CLeftForm it calls frame->SetLeftForm(form), and the frame then holds
//    the form's reading session. InitialUpdateLeftPane(frame, pane) runs once
//    the frame is complete (menus, toolbar, both panes), before the window
//    is shown.
//  - Help shows the help page in a window of the program (no desktop
//    handler is needed); save (Ctrl+S) writes the page shown, as HTML or as
//    plain text by the type chosen, and is disabled while none is shown;
//    copy is the page view's limited copy of plain text, whichever pane is
//    active.
//  - mainfrm_reading.cpp: the page, volume and hit commands, their enable
//    rules, the page box text and the slider release — the members marked
//    "reading" below. They are commands of the reading session; while a
//    search runs those that read the collection wait for its end, and are
//    disabled once it is a long one.
#pragma once

#include <QHash>
#include <QMainWindow>
#include <functional>

#include "ui/app/commands.h"

class QAction;

namespace tevarin {

class CBookDoc;
class CBookView;
class CLeftForm;
class CPageFolder;
class CReadingSession;
class CSCrollToolBar;
class ST_SplitterWnd;

class CMainFrame : public QMainWindow {
  Q_OBJECT
 public:
  // doc: the empty document; pages: the private page folder (both outlive
  // the frame); dataFolder: the collection, the executable's folder when
  // empty.
  CMainFrame(CBookDoc* doc, CPageFolder* pages, QWidget* parent = nullptr, const QString& dataFolder = {});
  // Starts the end program beside the executable: the window is gone.
  ~CMainFrame() override;

  // False when the frame could not be built (no toolbar); start-up then ends.
  bool IsCreated() const { return m_created; }

  // Panes and parts.
  ST_SplitterWnd* Splitter() const { return m_Splitter; }
  CBookView* BookView() const { return m_pBookView; }
  QWidget* LeftPane() const { return m_pLeftPane; }
  CLeftForm* LeftForm() const { return m_pLeftForm; }
  void SetLeftForm(CLeftForm* form);
  // The reading session of the left pane (null without a navigation form).
  CReadingSession* Session() const { return m_pSession; }
  CSCrollToolBar* ToolBar() const { return m_ToolBar; }
  CPageFolder* PageFolder() const { return m_pPages; }
  CBookDoc* Document() const { return m_pDoc; }
  // The folder of the collection's data files.
  const QString& DataFolder() const { return m_dataFolder; }
  QAction* Action(int id) const { return m_actions.value(id); }

  // Enable rules.
  bool CanPageShown() const;  // a page (not "about:blank") is in the page view
  bool PageViewActive() const;
  void UpdateCommandUI();

  // Frame commands.
  void OnPrint();
  void OnPrintSetup();
  void OnCopy();
  void OnSelectAll();
  void OnShowAll();
  void OnHelp();
  void OnAbout();
  // Asks for a file and a type (HTML or plain text), then SavePageAs.
  void OnFileSave();
  // Writes the page shown to path; a failure is reported in a message box.
  void SavePageAs(const QString& path, bool asText);
  // The help window (null until help was asked for).
  QWidget* HelpWindow() const { return m_helpWindow; }
  void OnNextPane();
  void OnPrevPane();

  // Reading (mainfrm_reading.cpp).
  bool CanPrevPage() const;
  bool CanNextPage() const;
  bool CanPrevVolume() const;
  bool CanNextVolume() const;
  bool CanPrevHit() const;
  bool CanNextHit() const;
  void OnPrevPage();
  void OnNextPage();
  void OnPrevVolume();
  void OnNextVolume();
  void OnPrevHit();
  void OnNextHit();
  // The slider was released on a page number.
  void OnSliderReleased(int position);
  // Writes "header/page" into the toolbar's page box.
  void WritePageBox();

  // The program started once the window is gone: "end.exe" beside the
  // executable.
  static QString EndProgramPath();
  // The help page: "help.html" beside the executable when it is there, else
  // the copy among the program's resources.
  static QString HelpFilePath();

 private:
  QAction* MakeAction(int id, const QString& text, void (CMainFrame::*slot)());
  void BuildMenus();
  void BuildAccelerators();
  bool BuildToolBar();
  // Runs a command that reads the collection now, or once the running
  // search has ended.
  void WhenIdle(std::function<void()> command);
  // No long search holds the commands that read the collection.
  bool ReadingAvailable() const;

  ST_SplitterWnd* m_Splitter = nullptr;
  CBookView* m_pBookView = nullptr;
  CLeftForm* m_pLeftForm = nullptr;
  CReadingSession* m_pSession = nullptr;
  CSCrollToolBar* m_ToolBar = nullptr;
  QWidget* m_pLeftPane = nullptr;
  CBookDoc* m_pDoc = nullptr;
  CPageFolder* m_pPages = nullptr;
  QString m_dataFolder;
  QHash<int, QAction*> m_actions;
  QWidget* m_helpWindow = nullptr;
  bool m_created = false;
};

}  // namespace tevarin
