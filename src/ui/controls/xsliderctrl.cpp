#include "ui/controls/xsliderctrl.h"

#include <QPainter>
#include <QToolTip>

#include "ui/controls/xtoolbar.h"

namespace tevarin {

CXSliderCtrl::CXSliderCtrl(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  setObjectName(QStringLiteral("PageSlider"));
  setTickPosition(QSlider::TicksBelow);
  setTickInterval(0);  // ticks at every step
  setFocusPolicy(Qt::StrongFocus);
  setRange(0, 0);
  setSingleStep(1);
  setPageStep(1);
  setTracking(true);
  // Releasing the thumb ends a drag.
  connect(this, &QSlider::sliderReleased, this, [this] { emit pageChosen(value()); });
  // A click in the channel or a key moves one step without a drag; the new
  // value is applied after actionTriggered, so it is reported afterwards.
  connect(this, &QSlider::actionTriggered, this, [this](int action) {
    if (action == QAbstractSlider::SliderMove || action == QAbstractSlider::SliderNoAction) return;
    QMetaObject::invokeMethod(
        this, [this] {
          if (!isSliderDown()) emit pageChosen(value());
        },
        Qt::QueuedConnection);
  });
  // The position under the thumb while it is dragged.
  connect(this, &QSlider::sliderMoved, this, [this](int position) {
    QToolTip::showText(mapToGlobal(QPoint(width() / 2, height())), QString::number(position), this);
  });
}

void CXSliderCtrl::SetBackgroundBitmap(const QString& resource) {
  m_background = resource.isEmpty() ? QPixmap() : QPixmap(resource);
  update();
}

void CXSliderCtrl::paintEvent(QPaintEvent* event) {
  PaintUnderToolBar(this, m_background);  // the toolbar's picture runs on behind it
  QSlider::paintEvent(event);
}

}  // namespace tevarin
