#include "controls/xtoolbar.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPalette>
#include <QStyle>
#include <QToolButton>
#include <QWidgetAction>

QImage LoadStoredRows(const QString& resource) {
  QImage img(resource);
  if (img.isNull()) return img;
  return img.convertToFormat(QImage::Format_RGB888).mirrored(false, true);
}

QImage FromStoredRows(const QImage& stored) { return stored.mirrored(false, true); }

CXToolBar::CXToolBar(QWidget* parent) : QToolBar(parent) {}

void CXToolBar::SetImageSize(int width, int height) {
  m_imageWidth = width;
  m_imageHeight = height;
  setIconSize(QSize(width, height));
}

void CXToolBar::SetBackgroundBitmap(const QString& resource) {
  m_background = LoadStoredRows(resource);
  m_backgroundPixmap = m_background.isNull() ? QPixmap() : QPixmap::fromImage(FromStoredRows(m_background));
  update();
}

void CXToolBar::Blend(QImage& strip, QColor mask, const QImage& background,
                      const QList<LayoutItem>& layout, int imageWidth, int imageHeight,
                      QColor fallback) {
  if (background.isNull() || strip.isNull()) return;
  const int images = strip.width() / imageWidth;
  int x = 3;
  const int y = 4;
  int n = 0;
  for (const LayoutItem& item : layout) {
    if (item.separator) {
      x += 6;
      continue;
    }
    if (n < images) {
      for (int j = 0; j < imageWidth; ++j) {
        for (int k = 0; k < imageHeight && k < strip.height(); ++k) {
          uchar* p = strip.scanLine(k) + 3 * (n * imageWidth + j);
          // RGB888 keeps red, green, blue in that order.
          if (p[0] != mask.red() || p[1] != mask.green() || p[2] != mask.blue()) continue;
          const int bx = x + j, by = k + y;
          if (bx >= 0 && bx < background.width() && by >= 0 && by < background.height()) {
            const uchar* b = background.constScanLine(by) + 3 * bx;
            p[0] = b[0];
            p[1] = b[1];
            p[2] = b[2];
          } else {
            p[0] = static_cast<uchar>(fallback.red());
            p[1] = static_cast<uchar>(fallback.green());
            p[2] = static_cast<uchar>(fallback.blue());
          }
        }
      }
    }
    x += imageWidth + 7;
    ++n;
  }
}

void CXToolBar::Grey(QImage& picture) {
  for (int y = 0; y < picture.height(); ++y) {
    uchar* p = picture.scanLine(y);
    for (int x = 0; x < picture.width(); ++x, p += 3) {
      const int r = p[0], g = p[1], b = p[2];
      const uchar v = static_cast<uchar>((117 * b + 601 * g + 306 * r) >> 10);
      p[0] = p[1] = p[2] = v;
    }
  }
}

QList<QAction*> CXToolBar::ButtonActions() const {
  QList<QAction*> out;
  for (QAction* a : actions())
    if (!a->isSeparator() && !qobject_cast<QWidgetAction*>(a)) out << a;
  return out;
}

QList<CXToolBar::LayoutItem> CXToolBar::Layout() const {
  QList<LayoutItem> layout;
  for (QAction* a : actions()) layout << LayoutItem{a->isSeparator()};
  return layout;
}

void CXToolBar::LoadColorImages(int count, QColor mask, const QString& normal,
                                const QString& disabled, const QString& hot) {
  if (count <= 0) return;
  m_imageCount = count;
  const QList<LayoutItem> layout = Layout();
  const QColor face = QApplication::palette().color(QPalette::Button);
  auto blended = [&](const QString& name, bool grey) {
    QImage strip = LoadStoredRows(name);
    if (grey) Grey(strip);
    Blend(strip, mask, m_background, layout, m_imageWidth, m_imageHeight, face);
    return FromStoredRows(strip);
  };
  const QImage normalStrip = blended(normal, false);
  const QImage disabledStrip = disabled.isEmpty() ? blended(normal, true) : blended(disabled, false);
  const QImage hotStrip = hot.isEmpty() ? QImage() : blended(hot, false);
  int n = 0;
  for (QAction* a : ButtonActions()) {
    if (n >= count || n * m_imageWidth >= normalStrip.width()) break;
    const QRect r(n * m_imageWidth, 0, m_imageWidth, m_imageHeight);
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(normalStrip.copy(r)), QIcon::Normal);
    icon.addPixmap(QPixmap::fromImage(disabledStrip.copy(r)), QIcon::Disabled);
    if (!hotStrip.isNull()) icon.addPixmap(QPixmap::fromImage(hotStrip.copy(r)), QIcon::Active);
    a->setIcon(icon);
    ++n;
  }
}

void CXToolBar::paintEvent(QPaintEvent* event) {
  if (m_backgroundPixmap.isNull()) {
    QToolBar::paintEvent(event);
    return;
  }
  QPainter painter(this);
  painter.fillRect(rect(), QBrush(m_backgroundPixmap));
}
