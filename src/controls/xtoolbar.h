// CXToolBar: a toolbar whose 24-bit button pictures are blended into a
// background picture: pixels of the mask colour take the background pixel
// that lies under the button.
#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QToolBar>

class QAction;

class CXToolBar : public QToolBar {
  Q_OBJECT
 public:
  explicit CXToolBar(QWidget* parent = nullptr);

  void SetImageSize(int width, int height);
  void SetBackgroundBitmap(const QString& resource);
  // Builds the normal, disabled and hot icons of the buttons (in toolbar order,
  // separators skipped) from picture strips; an empty disabled name makes grey
  // copies of the normal images, an empty hot name leaves no hot images.
  void LoadColorImages(int count, QColor mask, const QString& normal, const QString& disabled,
                       const QString& hot);

  // The toolbar's layout as the blending sees it: buttons and separators in order.
  struct LayoutItem {
    bool separator = false;
  };

  // Pure picture operations, on 24-bit pictures in stored (bottom-up) row order.
  static void Blend(QImage& strip, QColor mask, const QImage& background,
                    const QList<LayoutItem>& layout, int imageWidth, int imageHeight,
                    QColor fallback);
  static void Grey(QImage& picture);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QList<LayoutItem> Layout() const;
  QList<QAction*> ButtonActions() const;

  int m_imageCount = 0;
  int m_imageWidth = 24;
  int m_imageHeight = 24;
  QImage m_background;  // stored rows, bottom-up
  QPixmap m_backgroundPixmap;
};

// Loads a picture and returns it as a 24-bit image with its rows in stored
// (bottom-up) order, the order the blending counts rows in.
QImage LoadStoredRows(const QString& resource);
// Turns stored rows back into a picture for display.
QImage FromStoredRows(const QImage& stored);
