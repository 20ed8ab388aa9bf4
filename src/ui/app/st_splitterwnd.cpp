#include "ui/app/st_splitterwnd.h"

#include <QApplication>
#include <QSettings>

namespace tevarin {

ST_SplitterWnd::ST_SplitterWnd(int level, QWidget* parent)
    : QSplitter(Qt::Horizontal, parent), m_level(level) {
  setObjectName(QStringLiteral("Splitter"));
  setChildrenCollapsible(false);
  connect(qApp, &QApplication::focusChanged, this, &ST_SplitterWnd::OnFocusChanged);
}

ST_SplitterWnd::~ST_SplitterWnd() { Save(); }

bool ST_SplitterWnd::Create(QWidget* first, QWidget* second, bool vertical) {
  m_vertical = vertical;
  setOrientation(vertical ? Qt::Horizontal : Qt::Vertical);
  if (first) insertWidget(0, first);
  if (second) addWidget(second);
  if (count() == 2) {
    // The first pane keeps its size when the window grows.
    setStretchFactor(0, 0);
    setStretchFactor(1, 1);
    QSettings settings;
    const int saved =
        FirstPaneSizeOf(settings.value(m_section + QStringLiteral("/Panes_%1").arg(m_level)).toString());
    const int firstSize = saved > 0 ? saved : vertical ? 260 : 100;
    const int total = vertical ? width() : height();
    setSizes({firstSize, qMax(100, total - firstSize - handleWidth())});
    m_paneSize[0] = firstSize;
    m_paneSize[1] = qMax(100, total - firstSize - handleWidth());
  }
  return true;
}

int ST_SplitterWnd::FirstPaneSizeOf(const QString& saved) {
  const QStringList parts = saved.split(QLatin1Char(' '));
  if (parts.size() != 4) return 0;
  for (const QString& p : parts) {
    bool ok = false;
    p.toInt(&ok);
    if (!ok) return 0;
  }
  const int size = parts[1].toInt();
  return size >= kMinSavedSize && size <= kMaxSavedSize ? size : 0;
}

int ST_SplitterWnd::HiddenPaneOf(const QString& saved) {
  if (FirstPaneSizeOf(saved) == 0) return -1;
  const int hidden = saved.section(QLatin1Char(' '), 0, 0).toInt();
  return hidden == 0 || hidden == 1 ? hidden : -1;
}

int ST_SplitterWnd::SavedHiddenPane() const {
  return HiddenPaneOf(QSettings().value(m_section + QStringLiteral("/Panes_%1").arg(m_level)).toString());
}

void ST_SplitterWnd::showEvent(QShowEvent* event) {
  QSplitter::showEvent(event);
  m_shown = true;
}

void ST_SplitterWnd::CaptureSizes() {
  const int hidden = m_vertical ? m_hiddenColumn : m_hiddenRow;
  if (hidden != -1 || count() < 2 || !m_shown) return;
  const QList<int> s = sizes();
  m_paneSize[0] = s.value(0, -1);
  m_paneSize[1] = s.value(1, -1);
}

void ST_SplitterWnd::Toggle(int index) {
  int& hidden = m_vertical ? m_hiddenColumn : m_hiddenRow;
  if (count() < 2) return;
  if (hidden == -1) {
    if (index < 0 || index >= count()) return;
    CaptureSizes();
    hidden = index;
    // A hidden pane cannot stay active: the next one takes over.
    if (m_activePane == index) {
      const int other = (index + 1) % count();
      SetActivePane(other);
      widget(other)->setFocus(Qt::OtherFocusReason);
    }
    widget(index)->hide();
  } else if (hidden == index) {
    hidden = -1;
    // Shown without taking the activation back.
    widget(index)->show();
    const int total = (m_vertical ? width() : height()) - handleWidth();
    QList<int> s = {m_paneSize[0], m_paneSize[1]};
    if (index == 0)
      s[1] = qMax(0, total - s[0]);
    else
      s[0] = qMax(0, total - s[1]);
    setSizes(s);
  }
}

QString ST_SplitterWnd::SavedValue() {
  CaptureSizes();
  for (int& s : m_paneSize)
    if (s == -1) s = 100;
  return QStringLiteral("%1 %2 %3 %4")
      .arg(m_hiddenColumn)
      .arg(m_paneSize[0])
      .arg(m_hiddenRow)
      .arg(m_paneSize[1]);
}

void ST_SplitterWnd::Save() {
  QSettings settings;
  settings.beginGroup(m_section);
  settings.setValue(QStringLiteral("Panes_%1").arg(m_level), SavedValue());
  settings.endGroup();
}

void ST_SplitterWnd::SetActivePane(int pane) {
  if (pane == m_activePane) return;
  m_activePane = pane;
  emit activePaneChanged(pane);
}

void ST_SplitterWnd::ActivateNextPane() {
  if (count() < 2) return;
  const int next = (m_activePane + 1) % count();
  if (widget(next)->isHidden()) return;
  SetActivePane(next);
  widget(next)->setFocus(Qt::OtherFocusReason);
}

void ST_SplitterWnd::OnFocusChanged(QWidget*, QWidget* now) {
  for (int i = 0; i < count() && now; ++i)
    if (widget(i) == now || widget(i)->isAncestorOf(now)) SetActivePane(i);
}

}  // namespace tevarin
