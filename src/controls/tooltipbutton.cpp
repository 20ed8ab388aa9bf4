#include "controls/tooltipbutton.h"

#include <QEvent>

void CToolTipButton::SetToolTipText(const QString* text, bool activate) {
  if (!text) return;
  setToolTip(*text);
  m_active = activate;
}

bool CToolTipButton::event(QEvent* e) {
  // A deactivated tooltip shows nothing.
  if (e->type() == QEvent::ToolTip && !m_active) return true;
  return QPushButton::event(e);
}
