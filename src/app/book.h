// CBookApp: start-up and exit of the program; CAboutDlg: the about box.
#pragma once

#include <QDialog>
#include <QStringList>

class CMainFrame;

// Whether the command line asks for the splash: every switch but the
// embedding and automation ones leaves it on.
bool ShowSplashFromArguments(const QStringList& arguments);

class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

// Runs the program: splash flag, settings root, main window shown maximized;
// returns the exit code of the event loop.
int RunBookApp(int argc, char** argv);
