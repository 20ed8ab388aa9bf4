// Draws the program's pictures: the toolbar background and button strips,
// the about picture, the tree icons, the paging buttons, the application
// icon, and the frames of the intro movie. Run by scripts/make-pictures.sh
// and scripts/make-intro-movie.sh; the outputs are committed under res/.
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
             QStringLiteral("詩經・楚辭から唐詩・宋詞・元曲、四書まで、\n"
                            "古典を巻ごとに閲覧し、異体字を含めて\n"
                            "全文を検索します。\n\n"
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


// The frames of the intro movie: a sheet of paper on which a seal, the title,
// the subtitle and a vertical line of the Analects appear one after another.
// frame runs from 0 to frames - 1 at 25 frames a second.
QImage IntroFrame(int frame, int frames) {
  const int W = 960, H = 540;
  const double t = frame / 25.0;
  auto fade = [t](double from, double to) { return qBound(0.0, (t - from) / (to - from), 1.0); };
  QImage img(W, H, QImage::Format_RGB32);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  QRadialGradient g(W * 0.45, H * 0.45, W * 0.75);
  g.setColorAt(0, QColor(0xfb, 0xf3, 0xe0));
  g.setColorAt(1, QColor(0xe2, 0xcd, 0xa2));
  p.fillRect(img.rect(), g);
  // Column rules of a printed page, and a double frame.
  p.setPen(QColor(0xd9, 0xc4, 0x98));
  for (int x = 60; x < W - 40; x += 48) p.drawLine(x, 48, x, H - 48);
  p.setPen(QPen(kVermilion, 4));
  p.drawRect(QRectF(28, 28, W - 56, H - 56));
  p.setPen(QPen(kVermilion, 1.5));
  p.drawRect(QRectF(38, 38, W - 76, H - 76));

  // A line of the Analects, written top to bottom on the right, one
  // character after another.
  const QString line = QStringLiteral("學而時習之不亦說乎");
  QFont body(QStringLiteral("Noto Serif CJK JP"));
  body.setPixelSize(34);
  p.setFont(body);
  for (int i = 0; i < line.size(); ++i) {
    const double a = fade(0.6 + i * 0.22, 0.9 + i * 0.22);
    if (a <= 0) break;
    QColor ink = kInk;
    ink.setAlphaF(a);
    p.setPen(ink);
    p.drawText(QRectF(W - 130, 70 + i * 44, 50, 44), Qt::AlignCenter, line.mid(i, 1));
  }

  // The title rises a little as it appears.
  const double ta = fade(0.8, 2.2);
  QFont title(QStringLiteral("Noto Serif CJK JP"));
  title.setPixelSize(120);
  title.setBold(true);
  p.setFont(title);
  QColor ink = kInk;
  ink.setAlphaF(ta);
  p.setPen(ink);
  p.drawText(QRectF(90, 150 + 20 * (1 - ta), 640, 150), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Tevarin"));
  QColor rule = kVermilion;
  rule.setAlphaF(ta);
  p.fillRect(QRectF(96, 312, 560 * fade(1.2, 2.6), 3), rule);

  const double sa = fade(2.0, 3.2);
  QFont sub(QStringLiteral("Noto Serif CJK JP"));
  sub.setPixelSize(40);
  p.setFont(sub);
  ink.setAlphaF(sa);
  p.setPen(ink);
  p.drawText(QRectF(96, 330, 640, 60), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("漢籍全文閲覧・検索"));

  // The seal is pressed last, slightly larger at first.
  const double ka = fade(3.0, 3.6);
  if (ka > 0) {
    const double size = 110 * (1.25 - 0.25 * ka);
    const QRectF seal(650 - size / 2 + 55, 400 - size / 2 + 30, size, size);
    QColor red = kVermilion;
    red.setAlphaF(0.92 * ka);
    p.setPen(Qt::NoPen);
    p.setBrush(red);
    p.drawRoundedRect(seal, 8, 8);
    QFont sf(QStringLiteral("Noto Serif CJK JP"));
    sf.setPixelSize(static_cast<int>(size * 0.36));
    sf.setBold(true);
    p.setFont(sf);
    QColor paper = kPaper;
    paper.setAlphaF(ka);
    p.setPen(paper);
    p.drawText(seal, Qt::AlignCenter, QStringLiteral("典籍\n全文"));
  }
  // A slow fade to the paper at the very end is left out: the last frame
  // stays on screen until the user closes the window.
  Q_UNUSED(frames);
  return img;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // "--intro-frames DIR": the frames of the intro movie as DIR/frame0000.png …
  if (argc > 2 && QString::fromLocal8Bit(argv[1]) == QLatin1String("--intro-frames")) {
    const QString dir = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(dir);
    const int frames = 25 * 5;
    for (int i = 0; i < frames; ++i)
      if (!IntroFrame(i, frames).save(dir + QStringLiteral("/frame%1.png").arg(i, 4, 10, QLatin1Char('0'))))
        return 1;
    return 0;
  }
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
