// CXEdit: the read-only page box of the main toolbar ("header/page"), drawn
// without a frame over the toolbar's background picture.
#pragma once

#include <QLineEdit>
#include <QPixmap>

namespace tevarin {

class CXEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit CXEdit(QWidget* parent = nullptr);
  // Sets (or with an empty name removes) the background picture.
  void SetBackgroundBitmap(const QString& resource);
  bool HasBackground() const { return !m_background.isNull(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap m_background;
};

}  // namespace tevarin
