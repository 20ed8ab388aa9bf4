#include "ui/controls/tooltipresourcebutton.h"

#include <QPainter>

namespace tevarin {

CToolTipResourceButton::CToolTipResourceButton(QWidget* parent) : CToolTipButton(parent) {
  setAttribute(Qt::WA_Hover);
  setFlat(true);
}

bool CToolTipResourceButton::LoadStateBitmap(const QString& resource) {
  m_picture = QPixmap(resource);
  if (m_picture.isNull()) return true;
  m_stateWidth = m_picture.width() / 4;
  m_stateHeight = m_picture.height();
  setFixedSize(m_stateWidth, m_stateHeight);
  raise();
  return true;
}

CToolTipResourceButton::State CToolTipResourceButton::ChooseState(bool enabled, bool pressed,
                                                                  bool hovering) {
  if (!enabled) return Disabled;
  if (pressed) return Pressed;
  if (hovering) return Hover;
  return Normal;
}

void CToolTipResourceButton::paintEvent(QPaintEvent*) {
  if (m_picture.isNull()) return;
  QPainter painter(this);
  const int state = CurrentState();
  painter.drawPixmap(0, 0, m_picture, state * m_stateWidth, 0, m_stateWidth, m_stateHeight);
}

void CToolTipResourceButton::enterEvent(QEnterEvent* event) {
  m_hovering = true;
  update();
  CToolTipButton::enterEvent(event);
}

void CToolTipResourceButton::leaveEvent(QEvent* event) {
  m_hovering = false;
  update();
  CToolTipButton::leaveEvent(event);
}

}  // namespace tevarin
