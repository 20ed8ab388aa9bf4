#include "controls/xsliderctrl.h"

CXSliderCtrl::CXSliderCtrl(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  setTickPosition(QSlider::TicksBelow);
  setFocusPolicy(Qt::StrongFocus);
  setRange(0, 0);
  setPageStep(1);
  // Releasing the thumb ends a drag; a click in the channel or a key moves one
  // step without a drag. Both end the step and show the page.
  connect(this, &QSlider::sliderReleased, this, [this] { emit pageChosen(value()); });
  connect(this, &QSlider::actionTriggered, this, [this](int action) {
    if (action == QAbstractSlider::SliderMove) return;
    // The new value is applied after actionTriggered; report it afterwards.
    QMetaObject::invokeMethod(this, [this] {
      if (!isSliderDown()) emit pageChosen(value());
    }, Qt::QueuedConnection);
  });
}

void CXSliderCtrl::SetBackgroundBitmap(const QString& resource) {
  m_background = resource;
  setStyleSheet(QStringLiteral("QSlider { background-image: url(%1); }").arg(resource));
}
