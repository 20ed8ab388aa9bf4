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
//    active; copy with citation (Edit menu, Ctrl+Shift+C) adds the source of
//    the page read to the same text.
//  - File → export writes the whole result list to a CSV or TSV file
//    (Ctrl+Shift+E), disabled while there are no results; the item after it
//    writes every line of the concordance tab in the order it shows
//    (Ctrl+Shift+K), disabled while the tab has no lines.
//  - The View menu also sets the text size of the page view (Ctrl++, Ctrl+-,
//    Ctrl+0, and Ctrl with the wheel in the page view) and the interface
//    language (which takes effect at the next start).
//  - Settings: the window's size and place are saved when it closes, the
//    text size when it changes; RestoreSettings brings back, once at start,
//    the left pane hidden or shown, the text size, the search options and
//    the volume and page read last, and ShowWithSavedGeometry shows the
//    window as it was (maximized the first time).
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
class QActionGroup;

namespace tevarin {

class CBookDoc;
class CBookView;
class CConcordanceView;
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
  // empty; openFailureNote: a line for the message shown when the
  // collection cannot be opened (where it was looked for).
  CMainFrame(CBookDoc* doc, CPageFolder* pages, QWidget* parent = nullptr, const QString& dataFolder = {},
             const QString& openFailureNote = {});
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
  const QString& OpenFailureNote() const { return m_openFailureNote; }
  QAction* Action(int id) const { return m_actions.value(id); }

  // Enable rules.
  bool CanPageShown() const;  // a page (not "about:blank") is in the page view
  bool PageViewActive() const;
  void UpdateCommandUI();

  // Frame commands.
  void OnPrint();
  void OnPrintSetup();
  void OnCopy();
  // Copy with citation: the limited copy's text followed by its source (see
  // session/citation.h). Enabled while a page is shown whose volume or book
  // is known.
  void OnCopyCited();
  bool CanCopyCited() const;
  // Export of the result list: asks for a file and a type (CSV or TSV), then
  // ExportResultsTo. Enabled while there are results.
  void OnExportResults();
  bool CanExportResults() const;
  // Writes every result of the last search to path; a failure is reported
  // in a message box. True when the file was written.
  bool ExportResultsTo(const QString& path, bool csv);
  // Export of the concordance: asks for a file and a type as the result
  // list's export does, then ExportConcordanceTo once no search runs.
  // Enabled while the concordance tab has lines (read or still to read)
  // and no long search holds the collection.
  void OnExportConcordance();
  bool CanExportConcordance() const;
  // Reads the concordance's remaining lines (with a wait cursor) and writes
  // every line to path in the order the tab shows. Nothing is written while
  // a search runs or without lines; that, a failure to write, and pages
  // that could not be read (whose lines are missing) are reported in a
  // message box. True when the file was written.
  bool ExportConcordanceTo(const QString& path, bool csv);
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
  // Text size of the page view.
  void OnZoomIn();
  void OnZoomOut();
  void OnZoomReset();
  // View → Language: code is one of InterfaceLanguages(), or empty for the
  // system's. Saved for the next start, which it takes effect at.
  void OnLanguageChosen(const QString& code);
  QActionGroup* LanguageActions() const { return m_languages; }

  // The saved settings, once at start (see the head of this file).
  void RestoreSettings();
  // Shows the window with its saved size, place and state, or maximized
  // when none was saved.
  void ShowWithSavedGeometry();

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
  // The help page in the interface's language ("help.html" for Japanese,
  // "help_<language>.html" for the others): the file beside the executable
  // or in the installed share folder when there is one, else the copy among
  // the program's resources.
  static QString HelpFilePath();

 private:
  void closeEvent(QCloseEvent* event) override;

  QAction* MakeAction(int id, const QString& text, void (CMainFrame::*slot)());
  void BuildMenus();
  void BuildAccelerators();
  bool BuildToolBar();
  // The save dialog of the exports: a file name and CSV or TSV (by the
  // name's extension, else the type chosen, whose extension a bare name
  // gets). Empty when cancelled.
  QString AskExportPath(const QString& title, const QString& defaultName, bool* csv);
  // The concordance tab of the left pane, or null.
  CConcordanceView* ConcordanceTab() const;
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
  QString m_openFailureNote;
  QHash<int, QAction*> m_actions;
  QActionGroup* m_languages = nullptr;
  QWidget* m_helpWindow = nullptr;
  bool m_created = false;
};

}  // namespace tevarin
