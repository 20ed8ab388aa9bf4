// CXEdit: the read-only page box, drawn over the toolbar's background picture.
#pragma once

#include <QLineEdit>

class CXEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit CXEdit(QWidget* parent = nullptr);
  void SetBackgroundBitmap(const QString& resource);
};
