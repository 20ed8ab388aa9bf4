#include "controls/xedit.h"

CXEdit::CXEdit(QWidget* parent) : QLineEdit(parent) {
  setReadOnly(true);
  setFocusPolicy(Qt::NoFocus);
}

void CXEdit::SetBackgroundBitmap(const QString& resource) {
  setStyleSheet(QStringLiteral("QLineEdit { background-image: url(%1); border: none; "
                               "font-weight: bold; color: #4a2c12; }")
                    .arg(resource));
}
