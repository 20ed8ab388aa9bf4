#include "app/st_splitterwnd.h"

#include <QApplication>
#include <QSettings>

#include "app/settings.h"

ST_SplitterWnd::ST_SplitterWnd(int level, QWidget* parent)
    : QSplitter(Qt::Horizontal, parent), m_level(level) {
  setObjectName(QStringLiteral("Splitter"));
  setChildrenCollapsible(false);
  connect(qApp, &QApplication::focusChanged, this, &ST_SplitterWnd::OnFocusChanged);
}

ST_SplitterWnd::~ST_SplitterWnd() {
  QSettings settings;
  settings.beginGroup(QStringLiteral("SplitterWnd"));
  settings.setValue(QStringLiteral("Panes_%1").arg(m_level), SavedValue());
  settings.endGroup();
}

void ST_SplitterWnd::CreatePanes(QWidget* first, QWidget* second) {
  addWidget(first);
  addWidget(second);
  setStretchFactor(0, 0);
  setStretchFactor(1, 1);
  first->resize(260, first->height());
  setSizes({260, qMax(100, width() - 260)});
}

void ST_SplitterWnd::CaptureSizes() {
  if (m_hiddenColumn != -1 || count() < 2) return;
  const QList<int> s = sizes();
  m_paneSize[0] = s.value(0, -1);
  m_paneSize[1] = s.value(1, -1);
}

void ST_SplitterWnd::Toggle(int index) {
  if (index < 0 || index >= count()) return;
  if (m_hiddenColumn == -1) {
    CaptureSizes();
    m_hiddenColumn = index;
    if (m_activePane == index) {
      const int other = (index + 1) % count();
      SetActivePane(other);
      widget(other)->setFocus();
    }
    widget(index)->hide();
  } else if (m_hiddenColumn == index) {
    m_hiddenColumn = -1;
    widget(index)->show();  // activation is not handed back
    QList<int> s = {m_paneSize[0], m_paneSize[1]};
    const int total = width() - handleWidth();
    if (index == 0) s[1] = qMax(0, total - s[0]);
    else s[0] = qMax(0, total - s[1]);
    setSizes(s);
  }
}

QString ST_SplitterWnd::SavedValue() {
  CaptureSizes();
  for (int& s : m_paneSize)
    if (s == -1) s = 100;
  return QStringLiteral("%1 %2 %3 %4").arg(m_hiddenColumn).arg(m_paneSize[0]).arg(m_hiddenRow).arg(m_paneSize[1]);
}

void ST_SplitterWnd::SetActivePane(int pane) { m_activePane = pane; }

void ST_SplitterWnd::OnFocusChanged(QWidget*, QWidget* now) {
  for (int i = 0; i < count() && now; ++i)
    if (widget(i) == now || widget(i)->isAncestorOf(now)) m_activePane = i;
}
