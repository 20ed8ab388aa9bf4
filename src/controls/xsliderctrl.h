// CXSliderCtrl: the page slider, drawn over the toolbar's background picture.
// It reports a finished step (thumb released, channel click, arrow or page
// key) with pageChosen; dragging alone changes nothing.
#pragma once

#include <QSlider>

class CXSliderCtrl : public QSlider {
  Q_OBJECT
 public:
  explicit CXSliderCtrl(QWidget* parent = nullptr);
  void SetBackgroundBitmap(const QString& resource);

 signals:
  void pageChosen(int position);

 private:
  QString m_background;
};
