// CXSliderCtrl: the page slider of the main toolbar, drawn over the toolbar's
// background picture. It reports a finished step with pageChosen: the thumb
// released after a drag, a click in the channel, an arrow or page key.
// Dragging alone changes no page; while dragging, a tooltip shows the
// position under the thumb.
#pragma once

#include <QPixmap>
#include <QSlider>

namespace tevarin {

class CXSliderCtrl : public QSlider {
  Q_OBJECT
 public:
  explicit CXSliderCtrl(QWidget* parent = nullptr);
  // Sets (or with an empty name removes) the background picture.
  void SetBackgroundBitmap(const QString& resource);
  bool HasBackground() const { return !m_background.isNull(); }

 signals:
  void pageChosen(int position);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap m_background;
};

}  // namespace tevarin
