// ST_SplitterWnd: the two-pane splitter of the main window. One of its panes
// can be hidden, so that the other fills the splitter, and shown again at its
// previous size. When the splitter is destroyed it writes its pane sizes to
// the settings, group "SplitterWnd", value "Panes_<level>", as
// "hiddenColumn size0 hiddenRow size1" (e.g. "-1 260 -1 764"); the next
// splitter gives the first pane that size again (both panes shown), so the
// width the user chose stays. Whether a pane was hidden is read back by the
// main frame at start (SavedHiddenPane), which hides it again.
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
  // Until the splitter is first shown they are the sizes Create gave, since
  // a splitter never laid out has no sizes of its own to capture: a pane
  // hidden before the window appears comes back at its saved size, and a
  // window never shown writes back what it read.
  int PaneSize(int i) const { return m_paneSize[i]; }
  // The value written at destruction.
  QString SavedValue();
  // The first pane's size in a saved value; 0 when the value is not one the
  // splitter wrote or the size is out of bounds (kMinSavedSize ..
  // kMaxSavedSize).
  static int FirstPaneSizeOf(const QString& saved);
  // The pane hidden in a saved value (0 or 1; -1 for none, or for a value
  // the splitter did not write).
  static int HiddenPaneOf(const QString& saved);
  // That of the value saved last.
  int SavedHiddenPane() const;
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

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void CaptureSizes();
  void OnFocusChanged(QWidget* old, QWidget* now);

  const QString m_section = QStringLiteral("SplitterWnd");
  int m_level;
  bool m_vertical = true;
  int m_hiddenColumn = -1;
  int m_hiddenRow = -1;
  int m_paneSize[2] = {100, 100};
  // Shown at least once, so that sizes() are those of a laid-out splitter.
  bool m_shown = false;
  int m_activePane = 0;
};

}  // namespace tevarin
