#include "ui/controls/xtoolbar.h"

#include <QAction>
#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QProxyStyle>
#include <QStyleOptionToolBar>

namespace tevarin {

QImage LoadStoredRows(const QString& resource) {
  QImage img(resource);
  if (img.isNull()) return img;
  return img.convertToFormat(QImage::Format_RGB888).mirrored(false, true);
}

QImage FromStoredRows(const QImage& stored) { return stored.mirrored(false, true); }

namespace {

constexpr int kFirstImageX = 3;   // the first image's left edge
constexpr int kImageRowOffset = 4;  // stored rows between background and image
constexpr int kButtonPadding = 7;   // a button is image width + 7 wide
constexpr int kSeparatorWidth = 6;

// Lays the toolbar's items edge to edge, with no frame, margin or spacing, so
// that buttons and separators sit where the blending put their images.
class ToolBarMetrics : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    switch (metric) {
      case PM_ToolBarItemSpacing:
      case PM_ToolBarItemMargin:
      case PM_ToolBarFrameWidth:
        return 0;
      case PM_ToolBarSeparatorExtent:
        return kSeparatorWidth;
      default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
  }
};

// A separator of the toolbar: 6 pixels with an etched line in the middle.
class CXToolSeparator : public QWidget {
 public:
  explicit CXToolSeparator(QWidget* parent) : QWidget(parent) {
    setFixedWidth(kSeparatorWidth);
    setProperty("xtoolbarSeparator", true);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const int x = width() / 2 - 1;
    p.setPen(QColor(0, 0, 0, 60));
    p.drawLine(x, 8, x, height() - 9);
    p.setPen(QColor(255, 255, 255, 140));
    p.drawLine(x + 1, 8, x + 1, height() - 9);
  }
};

}  // namespace

CXToolButton::CXToolButton(QAction* action, int width, int height, QWidget* parent)
    : QToolButton(parent) {
  setDefaultAction(action);
  setAutoRaise(true);
  setFocusPolicy(Qt::NoFocus);
  setToolButtonStyle(Qt::ToolButtonIconOnly);
  setFixedSize(width + kButtonPadding, height);
  setAttribute(Qt::WA_Hover);
}

void CXToolButton::SetImages(const QPixmap& normal, const QPixmap& disabled, const QPixmap& hot) {
  m_images[0] = normal;
  m_images[1] = disabled;
  m_images[2] = hot;
  update();
}

int CXToolButton::ChooseImage(bool enabled, bool hovering, bool pressed, bool hasHot) {
  if (!enabled) return 1;
  if ((hovering || pressed) && hasHot) return 2;
  return 0;
}

void CXToolButton::paintEvent(QPaintEvent* event) {
  if (m_images[0].isNull()) {
    QToolButton::paintEvent(event);
    return;
  }
  const int which = ChooseImage(isEnabled(), underMouse(), isDown(), !m_images[2].isNull());
  const QPixmap& img = m_images[which].isNull() ? m_images[0] : m_images[which];
  // The image's top row in the toolbar: the background's bottom-up row
  // offset turned into a top-down position.
  int top = (height() - img.height()) / 2;
  if (auto* bar = qobject_cast<CXToolBar*>(parentWidget()); bar && bar->HasBackground())
    top = bar->BackgroundPixmap().height() - img.height() - kImageRowOffset - y() + bar->BackgroundOrigin().y();
  QPainter p(this);
  const int shift = isDown() ? 1 : 0;
  p.drawPixmap(kFirstImageX + shift, top + shift, img);
}

CXToolBar::CXToolBar(QWidget* parent) : QToolBar(parent) {
  auto* metrics = new ToolBarMetrics;
  metrics->setParent(this);
  setStyle(metrics);
}

CXToolBar::~CXToolBar() = default;

CXToolButton* CXToolBar::AddButton(QAction* action) {
  auto* button = new CXToolButton(action, m_imageWidth, m_imageHeight, this);
  addWidget(button);
  return button;
}

void CXToolBar::AddSeparator() { addWidget(new CXToolSeparator(this)); }

void CXToolBar::SetImageSize(int width, int height) {
  m_imageWidth = width;
  m_imageHeight = height;
  setIconSize(QSize(width, height));
  for (CXToolButton* b : Buttons()) b->setFixedSize(width + kButtonPadding, qMax(height, b->height()));
}

void CXToolBar::SetBackgroundBitmap(const QString& resource) {
  m_background = resource.isEmpty() ? QImage() : LoadStoredRows(resource);
  m_backgroundPixmap = m_background.isNull() ? QPixmap() : QPixmap::fromImage(FromStoredRows(m_background));
  if (!m_backgroundPixmap.isNull()) {
    setFixedHeight(m_backgroundPixmap.height());
    for (CXToolButton* b : Buttons()) b->setFixedHeight(m_backgroundPixmap.height());
  }
  update();
}

QPoint CXToolBar::BackgroundOrigin() const {
  const QList<CXToolButton*> buttons = Buttons();
  return QPoint(buttons.isEmpty() ? 0 : buttons.first()->x(), 0);
}

QList<CXToolButton*> CXToolBar::Buttons() const {
  QList<CXToolButton*> out;
  for (QAction* a : actions())
    if (auto* b = qobject_cast<CXToolButton*>(widgetForAction(a))) out << b;
  return out;
}

QList<CXToolBar::LayoutItem> CXToolBar::Layout() const {
  QList<LayoutItem> layout;
  for (QAction* a : actions()) {
    const QWidget* w = widgetForAction(a);
    layout << LayoutItem{a->isSeparator() || (w && w->property("xtoolbarSeparator").toBool())};
  }
  return layout;
}

void CXToolBar::Blend(QImage& strip, QColor mask, const QImage& background,
                      const QList<LayoutItem>& layout, int imageWidth, int imageHeight,
                      QColor fallback) {
  if (background.isNull() || strip.isNull() || imageWidth <= 0) return;
  const int images = strip.width() / imageWidth;
  int x = kFirstImageX;
  int n = 0;
  for (const LayoutItem& item : layout) {
    if (item.separator) {
      x += kSeparatorWidth;
      continue;
    }
    if (n < images) {
      for (int j = 0; j < imageWidth; ++j) {
        for (int k = 0; k < imageHeight && k < strip.height(); ++k) {
          uchar* p = strip.scanLine(k) + 3 * (n * imageWidth + j);
          // Format_RGB888 keeps red, green, blue in that order.
          if (p[0] != mask.red() || p[1] != mask.green() || p[2] != mask.blue()) continue;
          const int bx = x + j, by = k + kImageRowOffset;
          if (bx < background.width() && by < background.height()) {
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
    x += imageWidth + kButtonPadding;
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
  for (CXToolButton* b : Buttons()) {
    if (n >= count || (n + 1) * m_imageWidth > normalStrip.width()) break;
    const QRect r(n * m_imageWidth, 0, m_imageWidth, m_imageHeight);
    b->SetImages(QPixmap::fromImage(normalStrip.copy(r)), QPixmap::fromImage(disabledStrip.copy(r)),
                 hotStrip.isNull() ? QPixmap() : QPixmap::fromImage(hotStrip.copy(r)));
    ++n;
  }
}

void CXToolBar::paintEvent(QPaintEvent* event) {
  if (m_backgroundPixmap.isNull()) {
    QToolBar::paintEvent(event);
    return;
  }
  QPainter painter(this);
  QBrush brush(m_backgroundPixmap);
  painter.setBrushOrigin(BackgroundOrigin());
  painter.fillRect(rect(), brush);
  // The gripper stays visible on the picture.
  if (isMovable()) {
    QStyleOptionToolBar opt;
    initStyleOption(&opt);
    opt.rect = style()->subElementRect(QStyle::SE_ToolBarHandle, &opt, this);
    if (opt.rect.isValid()) style()->drawPrimitive(QStyle::PE_IndicatorToolBarHandle, &opt, &painter, this);
  }
}

void PaintUnderToolBar(QWidget* control, const QPixmap& background) {
  if (background.isNull()) return;
  QPainter p(control);
  QPoint origin;
  if (auto* bar = qobject_cast<CXToolBar*>(control->parentWidget())) origin = bar->BackgroundOrigin();
  p.setBrushOrigin(origin - control->pos());
  p.fillRect(control->rect(), QBrush(background));
}

}  // namespace tevarin
