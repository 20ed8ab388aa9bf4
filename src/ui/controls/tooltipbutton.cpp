#include "ui/controls/tooltipbutton.h"

#include <QEvent>
#include <QHelpEvent>
#include <QTextDocument>
#include <QToolTip>

namespace tevarin {

void CToolTipButton::SetToolTipText(const QString* text, bool activate) {
  if (!text) return;
  setToolTip(*text);
  m_active = activate;
}

bool CToolTipButton::event(QEvent* e) {
  // A deactivated tooltip shows nothing.
  if (e->type() == QEvent::ToolTip && !m_active) return true;
  if (e->type() == QEvent::ToolTip && !toolTip().isEmpty()) {
    // The text is shown as it is, never read as markup.
    const auto* help = static_cast<QHelpEvent*>(e);
    QToolTip::showText(help->globalPos(), Qt::convertFromPlainText(toolTip(), Qt::WhiteSpaceNoWrap), this);
    return true;
  }
  return QPushButton::event(e);
}

}  // namespace tevarin
