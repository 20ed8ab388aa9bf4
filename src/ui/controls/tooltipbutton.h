// CToolTipButton: a push button that shows one fixed tooltip text.
#pragma once

#include <QPushButton>

namespace tevarin {

class CToolTipButton : public QPushButton {
  Q_OBJECT
 public:
  explicit CToolTipButton(QWidget* parent = nullptr) : QPushButton(parent) {}
  // Sets the tooltip text (a null text leaves it unchanged) and turns the
  // tooltip on or off.
  void SetToolTipText(const QString* text, bool activate = true);
  bool ToolTipActive() const { return m_active; }

 protected:
  bool event(QEvent* e) override;

 private:
  bool m_active = true;
};

}  // namespace tevarin
