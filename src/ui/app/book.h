// CBookApp: the application object — start-up in its fixed order, the main
// window shown as it was left (maximized the first time), and the about
// command. CAboutDlg: the about box, one
// picture of 500 x 350 pixels without caption or buttons, closed by Enter or
// Esc.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QStringList>
#include <memory>

namespace tevarin {

struct CollectionLocation;
struct CollectionPlaces;
class CBookDoc;
class CMainFrame;
class CPageFolder;

// Whether the command line leaves the splash window on: only the embedding
// and automation switches ("/Embedding", "-Embedding", "/Automation",
// "-Automation", in any letter case) turn it off. arguments[0] is the program.
bool ShowSplashFromArguments(const QStringList& arguments);
// The folder given with "--data DIR" or "--data=DIR" (the last one when
// given more than once); empty when none is given.
QString DataOptionFromArguments(const QStringList& arguments);
// The line added to the message of a collection that cannot be opened when
// no place held one: where the program looked and how to build one.
QString MissingCollectionNote(const CollectionLocation& location, const CollectionPlaces& places);

class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

class CBookApp : public QApplication {
  Q_OBJECT
 public:
  CBookApp(int& argc, char** argv);
  ~CBookApp() override;

  // The start-up steps: splash flag from the command line, the settings root
  // (and the settings of earlier versions, once), the interface language,
  // the collection (--data DIR, $TEVARIN_DATA, the executable's folder, the
  // XDG data folders), the empty document, the main frame (which opens the
  // splash first and builds its panes), the saved settings, then the main
  // window shown as it was left, maximized the first time. False ends the
  // process at once.
  bool InitInstance();
  // InitInstance, then the event loop; returns the process exit code.
  int Run();

  CMainFrame* MainFrame() const { return m_pMainWnd; }
  CBookDoc* Document() const { return m_pDoc.get(); }

 private:
  std::unique_ptr<CBookDoc> m_pDoc;
  std::unique_ptr<CPageFolder> m_pPages;
  CMainFrame* m_pMainWnd = nullptr;  // deletes itself when closed
};

}  // namespace tevarin
