// CXToolBar: a toolbar whose 24-bit button pictures are blended into a
// background picture. Pixels of the mask colour in a button picture take the
// background pixel that lies under the button, so the buttons sit on the
// picture without any transparency mask. Three sets of images are built:
// normal, disabled (grey copies when no disabled strip is given) and hot
// (shown under the mouse).
//
// Geometry, which the blending relies on: the first button's image starts 3
// pixels from the toolbar's left edge (after the gripper); every button is
// image width + 7 pixels wide and every separator 6 pixels wide; rows are
// counted in stored (bottom-up) order, the image's stored row k lying on the
// background's stored row k + 4.
#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QToolBar>
#include <QToolButton>

class QAction;

namespace tevarin {

// One command button of the toolbar, painted from the toolbar's blended
// images at the place the blending assumed.
class CXToolButton : public QToolButton {
  Q_OBJECT
 public:
  CXToolButton(QAction* action, int width, int height, QWidget* parent);
  void SetImages(const QPixmap& normal, const QPixmap& disabled, const QPixmap& hot);
  // Which image is drawn: 0 normal, 1 disabled, 2 hot.
  static int ChooseImage(bool enabled, bool hovering, bool pressed, bool hasHot);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap m_images[3];
};

class CXToolBar : public QToolBar {
  Q_OBJECT
 public:
  explicit CXToolBar(QWidget* parent = nullptr);
  ~CXToolBar() override;

  // Adds a command button (placed like the blending expects).
  CXToolButton* AddButton(QAction* action);
  // Adds a separator 6 pixels wide.
  void AddSeparator();

  void SetImageSize(int width, int height);
  // Sets (or, with an empty name, removes) the background picture.
  void SetBackgroundBitmap(const QString& resource);
  bool HasBackground() const { return !m_background.isNull(); }
  const QPixmap& BackgroundPixmap() const { return m_backgroundPixmap; }
  // Where the background picture's origin lies in the toolbar (the first
  // button's image is 3 pixels right of it).
  QPoint BackgroundOrigin() const;

  // Builds the button images from three picture strips (count images of the
  // image size side by side) and installs them on the buttons in toolbar
  // order. An empty disabled name makes grey copies of the normal images; an
  // empty hot name leaves the toolbar without hot images.
  void LoadColorImages(int count, QColor mask, const QString& normal, const QString& disabled,
                       const QString& hot);

  // The toolbar's items as the blending walks them.
  struct LayoutItem {
    bool separator = false;
  };
  QList<LayoutItem> Layout() const;

  // Pure picture operations on 24-bit pictures (QImage::Format_RGB888) whose
  // rows are in stored, bottom-up order.
  // Replaces mask-coloured pixels of the strip's images by the background
  // pixels under their buttons, or by fallback outside the background.
  static void Blend(QImage& strip, QColor mask, const QImage& background,
                    const QList<LayoutItem>& layout, int imageWidth, int imageHeight,
                    QColor fallback);
  // Every pixel becomes (117 b + 601 g + 306 r) >> 10 in all three bytes.
  static void Grey(QImage& picture);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QList<CXToolButton*> Buttons() const;

  int m_imageCount = 0;
  int m_imageWidth = 24;
  int m_imageHeight = 24;
  QImage m_background;  // stored rows, bottom-up
  QPixmap m_backgroundPixmap;
};

// Paints the toolbar's background picture under a control of the toolbar, so
// that the picture runs on behind it.
void PaintUnderToolBar(QWidget* control, const QPixmap& background);

// Loads a picture as a 24-bit image with its rows in stored (bottom-up) order.
QImage LoadStoredRows(const QString& resource);
// Turns stored rows back into a picture for display.
QImage FromStoredRows(const QImage& stored);

}  // namespace tevarin
