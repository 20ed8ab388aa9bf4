// CToolTipResourceButton: a button painted from one picture holding four
// states side by side — 0 normal, 1 pressed, 2 hover, 3 disabled — that
// tracks the mouse to show the hover state.
#pragma once

#include <QPixmap>

#include "ui/controls/tooltipbutton.h"

namespace tevarin {

class CToolTipResourceButton : public CToolTipButton {
  Q_OBJECT
 public:
  enum State { Normal = 0, Pressed = 1, Hover = 2, Disabled = 3 };

  explicit CToolTipResourceButton(QWidget* parent = nullptr);
  // Loads the picture and resizes the button to one state; always true.
  bool LoadStateBitmap(const QString& resource);
  // The state drawn: disabled outranks pressed, pressed outranks hover.
  static State ChooseState(bool enabled, bool pressed, bool hovering);
  State CurrentState() const { return ChooseState(isEnabled(), isDown(), m_hovering); }
  int StateWidth() const { return m_stateWidth; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  QPixmap m_picture;
  int m_stateWidth = 0;
  int m_stateHeight = 0;
  bool m_hovering = false;
};

}  // namespace tevarin
