#include "ui/controls/xedit.h"

#include <QPainter>

#include "ui/controls/xtoolbar.h"

namespace tevarin {

CXEdit::CXEdit(QWidget* parent) : QLineEdit(parent) {
  setObjectName(QStringLiteral("PageBox"));
  setReadOnly(true);
  setFocusPolicy(Qt::NoFocus);
  setFrame(false);
  QFont f = font();
  f.setBold(true);
  f.setPointSize(f.pointSize() + 1);
  setFont(f);
}

void CXEdit::SetBackgroundBitmap(const QString& resource) {
  m_background = resource.isEmpty() ? QPixmap() : QPixmap(resource);
  QPalette pal = palette();
  if (m_background.isNull()) {
    pal = QPalette();
  } else {
    // Transparent text background over the picture, ink-coloured text.
    pal.setBrush(QPalette::Base, Qt::transparent);
    pal.setColor(QPalette::Text, QColor(0x3b, 0x24, 0x14));
  }
  setPalette(pal);
  update();
}

void CXEdit::paintEvent(QPaintEvent* event) {
  PaintUnderToolBar(this, m_background);  // the toolbar's picture runs on behind it
  QLineEdit::paintEvent(event);
}

}  // namespace tevarin
