// The toolbar's picture blending and grey images, the main toolbar's layout,
// slider and page box, and the four-state picture buttons.
#include <QAction>
#include <QEnterEvent>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "ui/controls/scrolltoolbar.h"
#include "ui/controls/tooltipbutton.h"
#include "ui/controls/tooltipresourcebutton.h"
#include "ui/controls/xtoolbar.h"
#include "guitest.h"

using namespace tevarin;

namespace {

// A 24-bit picture (stored rows) filled with one colour.
QImage Filled(int w, int h, QColor c) {
  QImage img(w, h, QImage::Format_RGB888);
  img.fill(c);
  return img;
}

QColor PixelAt(const QImage& img, int x, int y) {
  const uchar* p = img.constScanLine(y) + 3 * x;
  return QColor(p[0], p[1], p[2]);
}

// A background whose every pixel tells its position: red = column, green = row.
QImage PositionBackground(int w, int h) {
  QImage bg(w, h, QImage::Format_RGB888);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uchar* p = bg.scanLine(y) + 3 * x;
      p[0] = static_cast<uchar>(x);
      p[1] = static_cast<uchar>(y);
      p[2] = 7;
    }
  return bg;
}

const QColor kMask(255, 0, 255);
const QColor kFace(10, 20, 30);

}  // namespace

class ControlsTest : public QObject {
  Q_OBJECT
 private slots:
  void blendTakesTheBackgroundUnderEachButton() {
    // Two buttons, a separator, a third button; images 4 x 3, all mask.
    const QList<CXToolBar::LayoutItem> layout = {{false}, {false}, {true}, {false}};
    QImage strip = Filled(12, 3, kMask);
    CXToolBar::Blend(strip, kMask, PositionBackground(100, 20), layout, 4, 3, kFace);
    // First image, stored row 0, column 0: background row 4, column 3.
    QCOMPARE(PixelAt(strip, 0, 0), QColor(3, 4, 7));
    QCOMPARE(PixelAt(strip, 3, 2), QColor(6, 6, 7));
    // Second image starts 4 + 7 = 11 further right.
    QCOMPARE(PixelAt(strip, 4, 0), QColor(14, 4, 7));
    // Third image: after the separator's 6 pixels.
    QCOMPARE(PixelAt(strip, 8, 1), QColor(3 + 11 + 11 + 6, 5, 7));
  }

  void blendKeepsOtherColoursAndFallsBackOutside() {
    const QList<CXToolBar::LayoutItem> layout = {{false}, {false}};
    QImage strip = Filled(8, 3, kMask);
    uchar* p = strip.scanLine(1) + 3 * 1;
    p[0] = 1, p[1] = 2, p[2] = 3;  // not the mask colour
    // The background is 16 wide: the second button (x from 14) reaches past it.
    CXToolBar::Blend(strip, kMask, PositionBackground(16, 20), layout, 4, 3, kFace);
    QCOMPARE(PixelAt(strip, 1, 1), QColor(1, 2, 3));
    QCOMPARE(PixelAt(strip, 4, 0), QColor(14, 4, 7));
    QCOMPARE(PixelAt(strip, 5, 0), QColor(15, 4, 7));
    QCOMPARE(PixelAt(strip, 6, 0), kFace);
    // Rows below the background's height also take the face colour.
    QImage low = Filled(4, 3, kMask);
    CXToolBar::Blend(low, kMask, PositionBackground(50, 5), {{false}}, 4, 3, kFace);
    QCOMPARE(PixelAt(low, 0, 0), QColor(3, 4, 7));
    QCOMPARE(PixelAt(low, 0, 1), kFace);
  }

  void blendSkipsButtonsBeyondTheStripAndNeedsABackground() {
    // Three buttons but only two images: nothing is written past the strip.
    QImage strip = Filled(8, 3, kMask);
    CXToolBar::Blend(strip, kMask, PositionBackground(100, 20), {{false}, {false}, {false}}, 4, 3, kFace);
    QCOMPARE(strip.width(), 8);
    QCOMPARE(PixelAt(strip, 7, 2), QColor(3 + 11 + 3, 6, 7));
    // No background: the images keep their mask colour.
    QImage untouched = Filled(4, 3, kMask);
    CXToolBar::Blend(untouched, kMask, QImage(), {{false}}, 4, 3, kFace);
    QCOMPARE(PixelAt(untouched, 2, 2), kMask);
  }

  void greyUsesTheIntegerWeights() {
    QImage img(4, 1, QImage::Format_RGB888);
    const QColor in[] = {QColor(255, 255, 255), QColor(0, 0, 255), QColor(255, 0, 0), QColor(10, 200, 30)};
    for (int i = 0; i < 4; ++i) {
      uchar* p = img.scanLine(0) + 3 * i;
      p[0] = static_cast<uchar>(in[i].red()), p[1] = static_cast<uchar>(in[i].green()),
      p[2] = static_cast<uchar>(in[i].blue());
    }
    CXToolBar::Grey(img);
    QCOMPARE(PixelAt(img, 0, 0), QColor(255, 255, 255));
    QCOMPARE(PixelAt(img, 1, 0), QColor(29, 29, 29));
    QCOMPARE(PixelAt(img, 2, 0), QColor(76, 76, 76));
    const int v = (117 * 30 + 601 * 200 + 306 * 10) >> 10;
    QCOMPARE(PixelAt(img, 3, 0), QColor(v, v, v));
  }

  void mainToolBarLaysOutButtonsSliderAndPageBox() {
    QWidget window;
    QList<QAction*> actions;
    for (int i = 0; i < 10; ++i) actions << new QAction(QString::number(i), &window);
    CSCrollToolBar bar(&window);
    QVERIFY(bar.Create({actions[0], actions[1], nullptr, actions[2], nullptr, actions[3], actions[4],
                        actions[5], actions[6], nullptr, actions[7], actions[8], nullptr, actions[9]}));
    window.resize(1200, 60);
    bar.resize(1200, 47);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(bar.Slider() && bar.PageBox());
    QCOMPARE(bar.Slider()->width(), 300);
    QCOMPARE(bar.Slider()->minimum(), 0);
    QCOMPARE(bar.Slider()->maximum(), 0);
    QVERIFY(bar.PageBox()->isReadOnly());
    QVERIFY(bar.PageBox()->text().isEmpty());
    // Buttons 47 wide, separators 6: the fourth button (after two separators)
    // sits 3 * 47 + 2 * 6 right of the first, as the blending assumed.
    QList<CXToolButton*> buttons = bar.findChildren<CXToolButton*>();
    std::sort(buttons.begin(), buttons.end(), [](auto* a, auto* b) { return a->x() < b->x(); });
    QCOMPARE(buttons.size(), 10);
    QCOMPARE(buttons[0]->defaultAction(), actions[0]);
    QCOMPARE(buttons[3]->x() - buttons[0]->x(), 3 * 47 + 2 * 6);
    QCOMPARE(buttons[9]->x() - buttons[0]->x(), 9 * 47 + 4 * 6);
    QCOMPARE(bar.BackgroundOrigin().x(), buttons[0]->x());
    // The slider and the page box follow the last separator.
    QVERIFY(bar.Slider()->x() >= buttons[9]->x() + 47 + 6);
    QVERIFY(bar.PageBox()->x() >= bar.Slider()->x() + 300);
    // The page box text.
    QCOMPARE(CSCrollToolBar::PageBoxText(12345, 7), QStringLiteral("12345/7"));
  }

  void toolButtonImageChoice() {
    QCOMPARE(CXToolButton::ChooseImage(true, false, false, true), 0);
    QCOMPARE(CXToolButton::ChooseImage(true, true, false, true), 2);
    QCOMPARE(CXToolButton::ChooseImage(true, false, true, true), 2);
    QCOMPARE(CXToolButton::ChooseImage(true, true, false, false), 0);
    QCOMPARE(CXToolButton::ChooseImage(false, true, true, true), 1);
  }

  void sliderReportsOnlyFinishedSteps() {
    CSCrollToolBar bar;
    QAction a(QStringLiteral("x"));
    QVERIFY(bar.Create({&a}));
    CXSliderCtrl* slider = bar.Slider();
    slider->setRange(5, 16);
    slider->setValue(5);
    QSignalSpy released(&bar, &CSCrollToolBar::pageReleased);
    // Dragging moves the thumb but shows nothing until the release.
    slider->setSliderDown(true);
    slider->setSliderPosition(9);
    slider->triggerAction(QAbstractSlider::SliderMove);
    QCoreApplication::processEvents();
    QCOMPARE(released.count(), 0);
    slider->setSliderDown(false);
    QCOMPARE(released.count(), 1);
    QCOMPARE(released.takeFirst().at(0).toInt(), 9);
    // A key step ends at once with the new page.
    slider->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QTRY_COMPARE(released.count(), 1);
    QCOMPARE(released.takeFirst().at(0).toInt(), 10);
  }

  void fourStateButtonChoosesItsState() {
    using B = CToolTipResourceButton;
    QCOMPARE(B::ChooseState(true, false, false), B::Normal);
    QCOMPARE(B::ChooseState(true, false, true), B::Hover);
    QCOMPARE(B::ChooseState(true, true, true), B::Pressed);
    QCOMPARE(B::ChooseState(false, true, true), B::Disabled);
    QCOMPARE(B::ChooseState(false, false, false), B::Disabled);
  }

  void fourStateButtonFollowsTheMouseAndItsPicture() {
    QWidget parent;
    CToolTipResourceButton button(&parent);
    QVERIFY(button.LoadStateBitmap(QStringLiteral(":/res/prev_184.bmp")));
    QCOMPARE(button.size(), QSize(32, 32));
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&button, &enter);
    QCOMPARE(button.CurrentState(), CToolTipResourceButton::Hover);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    QCOMPARE(button.CurrentState(), CToolTipResourceButton::Normal);
    QApplication::sendEvent(&button, &enter);
    button.setEnabled(false);
    QCOMPARE(button.CurrentState(), CToolTipResourceButton::Disabled);
    // What is painted is the state's quarter of the picture.
    button.setEnabled(true);
    QApplication::sendEvent(&button, &leave);
    const QImage shot = button.grab().toImage();
    const QImage normal = QImage(QStringLiteral(":/res/prev_184.bmp")).copy(0, 0, 32, 32);
    QCOMPARE(shot.convertToFormat(QImage::Format_RGB32), normal.convertToFormat(QImage::Format_RGB32));

    // A picture 130 pixels wide gives states 32 wide.
    QTemporaryDir dir;
    const QString odd = dir.filePath(QStringLiteral("odd.bmp"));
    QVERIFY(Filled(130, 20, Qt::red).save(odd));
    CToolTipResourceButton other(&parent);
    other.LoadStateBitmap(odd);
    QCOMPARE(other.StateWidth(), 32);
    QCOMPARE(other.size(), QSize(32, 20));
    // A missing picture: still true, and the button keeps its size.
    CToolTipResourceButton none(&parent);
    none.resize(10, 10);
    QVERIFY(none.LoadStateBitmap(QStringLiteral(":/res/no-such.bmp")));
    QCOMPARE(none.size(), QSize(10, 10));
  }

  void toolTipTextIsReplacedAndNullIgnored() {
    CToolTipButton button;
    const QString first = QStringLiteral("Previous Page"), second = QStringLiteral("Next Page");
    button.SetToolTipText(&first);
    button.SetToolTipText(&second, true);
    QCOMPARE(button.toolTip(), second);
    button.SetToolTipText(nullptr, false);
    QCOMPARE(button.toolTip(), second);
    QVERIFY(button.ToolTipActive());
    button.SetToolTipText(&second, false);
    QVERIFY(!button.ToolTipActive());
  }
};

TEVARIN_GUI_TEST_MAIN(ControlsTest)
#include "gui_controls_test.moc"
