// ST_SplitterWnd: the two-pane splitter of the main window. One of its panes
// can be hidden, so that the other fills the splitter, and shown again at its
// previous size. When the splitter is destroyed it writes its pane sizes to
// the settings, group "SplitterWnd", value "Panes_<level>", as
// "hiddenColumn size0 hiddenRow size1" (e.g. "-1 260 -1 764"); the next
// start gives the first pane that size again (both panes shown), so the
// width the user chose stays.
#pragma once

#include <QSplitter>

namespace tevarin {

class ST_SplitterWnd : public QSplitter {
  Q_OBJECT
 public:
  explicit ST_SplitterWnd(int level, QWidget* parent = nullptr);
  ~ST_SplitterWnd() override;

  // Puts the two panes in: side by side when vertical (one row, two columns),
  // else one above the other. The first pane starts at its saved size, or
  // 260 pixels wide (100 high) without a usable one; the second takes the
  // rest.
  bool Create(QWidget* first, QWidget* second, bool vertical = true);
  // Hides the column (row) with that index, or shows it again when it is the
  // hidden one; any other index does nothing.
  void Toggle(int index);
  int HiddenColumn() const { return m_hiddenColumn; }
  int HiddenRow() const { return m_hiddenRow; }
  // The pane sizes as last captured (before hiding, while a pane is hidden).
  int PaneSize(int i) const { return m_paneSize[i]; }
  // The value written at destruction.
  QString SavedValue();
  // The first pane's size in a saved value; 0 when the value is not one the
  // splitter wrote or the size is out of bounds (kMinSavedSize ..
  // kMaxSavedSize).
  static int FirstPaneSizeOf(const QString& saved);
  static constexpr int kMinSavedSize = 50;
  static constexpr int kMaxSavedSize = 10000;
  void Save();

  // The active pane: the one that has, or last had, the keyboard focus.
  int ActivePane() const { return m_activePane; }
  void SetActivePane(int pane);
  // The next-pane and previous-pane commands: activate the other visible pane.
  void ActivateNextPane();

 signals:
  void activePaneChanged(int pane);

 private:
  void CaptureSizes();
  void OnFocusChanged(QWidget* old, QWidget* now);

  const QString m_section = QStringLiteral("SplitterWnd");
  int m_level;
  bool m_vertical = true;
  int m_hiddenColumn = -1;
  int m_hiddenRow = -1;
  int m_paneSize[2] = {100, 100};
  int m_activePane = 0;
};

}  // namespace tevarin
