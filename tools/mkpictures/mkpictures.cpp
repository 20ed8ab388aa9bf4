// Draws the program's pictures: the toolbar background and button strips,
// the about picture, the tree icons, the paging buttons and the application
// icon. Run by scripts/make-pictures.sh; the outputs are committed under res/.
// Button strips are 24-bit with magenta (255, 0, 255) where the toolbar's
// background is to show through.
#include <QApplication>
#include <QDir>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

const QColor kInk(0x3b, 0x24, 0x14);
const QColor kVermilion(0xb2, 0x2d, 0x1e);
const QColor kPaper(0xf3, 0xe6, 0xc8);
const QColor kMask(255, 0, 255);

QFont CjkFont(int pixelSize, bool bold = true) {
  QFont f(QStringLiteral("Noto Serif CJK JP"));
  f.setPixelSize(pixelSize);
  f.setBold(bold);
  return f;
}

bool Save(const QImage& img, const QString& dir, const QString& name) {
  const QImage out = img.convertToFormat(QImage::Format_RGB888);
  return out.save(dir + QLatin1Char('/') + name);
}

QImage Background() {
  QImage img(600, 47, QImage::Format_RGB32);
  QPainter p(&img);
  QLinearGradient g(0, 0, 0, 47);
  g.setColorAt(0, QColor(0xf8, 0xee, 0xd6));
  g.setColorAt(1, QColor(0xe4, 0xd2, 0xaa));
  p.fillRect(img.rect(), g);
  p.setPen(QColor(0xd6, 0xc0, 0x92));
  for (int x = 0; x < 600; x += 24) p.drawLine(x, 0, x, 46);  // faint column rules of a printed page
  p.setPen(QColor(0xa8, 0x84, 0x50));
  p.drawLine(0, 46, 599, 46);
  return img;
}

// One 40 x 40 button: a seal-like rounded square with a glyph. state 0 normal,
// 1 disabled (drawn grey), 2 hot.
void DrawButton(QPainter& p, int index, const QString& glyph, int state) {
  const QRectF r(index * 40 + 3, 3, 34, 34);
  QColor fill = state == 2 ? QColor(0xfb, 0xf3, 0xdc) : kPaper;
  QColor edge = state == 1 ? QColor(0x9a, 0x9a, 0x9a) : (state == 2 ? kVermilion.darker(110) : kVermilion);
  QColor ink = state == 1 ? QColor(0x8c, 0x8c, 0x8c) : kInk;
  p.setRenderHint(QPainter::Antialiasing, false);  // keep hard edges against the mask colour
  QPainterPath path;
  path.addRoundedRect(r, 6, 6);
  p.fillPath(path, fill);
  p.setPen(QPen(edge, state == 2 ? 3 : 2));
  p.drawPath(path);
  p.setPen(ink);
  p.setFont(CjkFont(glyph.size() > 1 ? 13 : 20));
  p.drawText(r, Qt::AlignCenter, glyph);
}

QImage Strip(int state) {
  // Order of the ten command buttons of the toolbar.
  const QStringList glyphs = {QStringLiteral("全"), QStringLiteral("写"), QStringLiteral("印"),
                              QStringLiteral("前巻"), QStringLiteral("◀"), QStringLiteral("▶"),
                              QStringLiteral("次巻"), QStringLiteral("▲"), QStringLiteral("▼"),
                              QStringLiteral("i")};
  QImage img(400, 40, QImage::Format_RGB32);
  img.fill(kMask);
  QPainter p(&img);
  for (int i = 0; i < glyphs.size(); ++i) DrawButton(p, i, glyphs[i], state);
  return img;
}

QImage About() {
  QImage img(500, 350, QImage::Format_RGB32);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 0, 350);
  g.setColorAt(0, QColor(0xfa, 0xf1, 0xdc));
  g.setColorAt(1, QColor(0xe8, 0xd5, 0xad));
  p.fillRect(img.rect(), g);
  p.setPen(QPen(kVermilion, 3));
  p.drawRect(12, 12, 476, 326);
  p.setPen(QPen(kVermilion, 1));
  p.drawRect(18, 18, 464, 314);
  // A red seal with the name.
  p.fillRect(QRect(392, 40, 64, 64), kVermilion);
  p.setPen(kPaper);
  p.setFont(CjkFont(26));
  p.drawText(QRect(392, 40, 64, 64), Qt::AlignCenter, QStringLiteral("典\n籍").replace('\n', ""));
  p.setPen(kInk);
  QFont title(QStringLiteral("Noto Serif CJK JP"));
  title.setPixelSize(44);
  title.setBold(true);
  p.setFont(title);
  p.drawText(QRect(40, 50, 340, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tevarin"));
  p.setFont(CjkFont(22, false));
  p.drawText(QRect(40, 115, 420, 34), Qt::AlignLeft, QStringLiteral("漢籍全文閲覧・検索"));
  p.setFont(CjkFont(14, false));
  p.drawText(QRect(40, 170, 420, 120), Qt::AlignLeft | Qt::TextWordWrap,
             QStringLiteral("經・史・子・集の古典を巻ごとに閲覧し、\n"
                            "異体字を含めて全文を検索します。\n\n"
                            "Version 0.1"));
  p.setFont(CjkFont(12, false));
  p.drawText(QRect(40, 300, 420, 24), Qt::AlignLeft, QStringLiteral("Enter または Esc で閉じます"));
  return img;
}

QImage TreeIcon(bool open) {
  QImage img(20, 20, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  if (open) {
    p.setBrush(kPaper);
    p.setPen(QPen(kVermilion, 1.4));
    p.drawRect(QRectF(2, 4, 7.5, 12));
    p.drawRect(QRectF(10.5, 4, 7.5, 12));
    p.setPen(QPen(kInk, 1));
    for (int y = 7; y < 15; y += 3) {
      p.drawLine(QPointF(4, y), QPointF(8, y));
      p.drawLine(QPointF(12, y), QPointF(16, y));
    }
  } else {
    p.setBrush(QColor(0x6b, 0x3a, 0x1e));
    p.setPen(QPen(kInk, 1));
    p.drawRect(QRectF(4, 2, 12, 16));
    p.fillRect(QRectF(12, 4, 2.5, 12), kPaper);
    p.fillRect(QRectF(6, 5, 4, 9), kPaper);
  }
  return img;
}

// Four states of 32 x 32: normal, pressed, hover, disabled.
QImage PagingButton(bool next) {
  QImage img(128, 32, QImage::Format_RGB32);
  img.fill(QColor(0xec, 0xe9, 0xd8));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  for (int s = 0; s < 4; ++s) {
    const QRectF r(s * 32 + 2, 2, 28, 28);
    QColor fill = s == 1 ? kPaper.darker(115) : (s == 2 ? QColor(0xfd, 0xf6, 0xe3) : kPaper);
    QColor edge = s == 3 ? QColor(0xa0, 0xa0, 0xa0) : kVermilion;
    p.setBrush(fill);
    p.setPen(QPen(edge, s == 2 ? 2.5 : 1.5));
    p.drawEllipse(r);
    QPolygonF tri;
    const double cx = r.center().x() + (s == 1 ? 1 : 0), cy = r.center().y() + (s == 1 ? 1 : 0);
    if (next)
      tri << QPointF(cx - 4, cy - 7) << QPointF(cx + 6, cy) << QPointF(cx - 4, cy + 7);
    else
      tri << QPointF(cx + 4, cy - 7) << QPointF(cx - 6, cy) << QPointF(cx + 4, cy + 7);
    p.setBrush(s == 3 ? QColor(0xa0, 0xa0, 0xa0) : kInk);
    p.setPen(Qt::NoPen);
    p.drawPolygon(tri);
  }
  return img;
}

QImage AppIcon() {
  QImage img(64, 64, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(kVermilion);
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
  p.setPen(kPaper);
  p.setFont(CjkFont(40));
  p.drawText(QRect(0, 0, 64, 64), Qt::AlignCenter, QStringLiteral("籍"));
  return img;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("res");
  QDir().mkpath(dir);
  bool ok = Save(Background(), dir, QStringLiteral("toolbar_bg_171.bmp")) &&
            Save(Strip(0), dir, QStringLiteral("buttons_normal_172.bmp")) &&
            Save(Strip(1), dir, QStringLiteral("buttons_disabled_173.bmp")) &&
            Save(Strip(2), dir, QStringLiteral("buttons_hot_174.bmp")) &&
            Save(About(), dir, QStringLiteral("about_168.bmp")) &&
            Save(TreeIcon(true), dir, QStringLiteral("tree_159.bmp")) &&
            Save(TreeIcon(false), dir, QStringLiteral("tree_160.bmp")) &&
            Save(PagingButton(false), dir, QStringLiteral("prev_184.bmp")) &&
            Save(PagingButton(true), dir, QStringLiteral("next_185.bmp")) &&
            AppIcon().save(dir + QStringLiteral("/tevarin.png"));
  return ok ? 0 : 1;
}
