// ST_SplitterWnd: the two-pane splitter of the main window. The left pane can
// be hidden so the page view fills the window and shown again at its previous
// width; the pane sizes are written to the settings when it is destroyed
// ("Panes_<level>" = "hiddenColumn size0 hiddenRow size1"), never read back.
#pragma once

#include <QSplitter>

class ST_SplitterWnd : public QSplitter {
  Q_OBJECT
 public:
  explicit ST_SplitterWnd(int level, QWidget* parent = nullptr);
  ~ST_SplitterWnd() override;

  // Puts the two panes side by side, the first 260 pixels wide.
  void CreatePanes(QWidget* first, QWidget* second);
  // Hides column index, or shows it again when it is the hidden one.
  void Toggle(int index);
  int HiddenColumn() const { return m_hiddenColumn; }
  // The value written at destruction, e.g. "-1 260 -1 764".
  QString SavedValue();
  // The pane that has (or last had) the focus: 0 left, 1 right.
  int ActivePane() const { return m_activePane; }
  void SetActivePane(int pane);

 private:
  void CaptureSizes();
  void OnFocusChanged(QWidget* old, QWidget* now);

  int m_level;
  int m_hiddenColumn = -1;
  int m_hiddenRow = -1;
  int m_paneSize[2] = {100, 100};
  int m_activePane = 0;
};
