// Draws the program's toolbar icons, the "Delete" glyph, the program icon in its
// installed sizes, the About box picture and the eyedropper cursor into
// resources/ (run when the artwork changes; the PNGs are committed):
//   build/src/gui/velinor_make_icons resources
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace {

const QColor kInk(0x33, 0x41, 0x4e);
const QColor kBlue(0x2d, 0x6c, 0xdf);
const QColor kLightBlue(0xa9, 0xc8, 0xf5);
const QColor kOrange(0xf2, 0x9d, 0x38);
const QColor kGreen(0x3a, 0xa5, 0x5d);
const QColor kRed(0xd9, 0x4f, 0x4f);
const QColor kPaper(0xfb, 0xfb, 0xfd);

QImage Canvas(int w, int h) {
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  return img;
}

void Setup(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing);
  // Art is drawn on a 28 x 28 grid centred in the 39 x 34 icon.
  p.translate(5.5, 3);
}

QPen Pen(const QColor& c, double w = 2.0) {
  return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void Folder(QPainter& p) {
  QPainterPath back;
  back.moveTo(2, 6); back.lineTo(10, 6); back.lineTo(13, 9); back.lineTo(25, 9);
  back.lineTo(25, 24); back.lineTo(2, 24); back.closeSubpath();
  p.setPen(Pen(kInk, 1.5)); p.setBrush(kOrange.darker(110)); p.drawPath(back);
  QPainterPath front;
  front.moveTo(5, 12); front.lineTo(28, 12); front.lineTo(25, 24); front.lineTo(2, 24);
  front.closeSubpath();
  p.setBrush(kOrange.lighter(115)); p.drawPath(front);
}

void Disk(QPainter& p) {
  p.setPen(Pen(kInk, 1.5)); p.setBrush(kBlue);
  QPainterPath body;
  body.moveTo(3, 3); body.lineTo(22, 3); body.lineTo(26, 7); body.lineTo(26, 26);
  body.lineTo(3, 26); body.closeSubpath();
  p.drawPath(body);
  p.setBrush(kPaper); p.drawRect(QRectF(7, 3, 13, 8));
  p.setBrush(kLightBlue.lighter(120)); p.drawRect(QRectF(7, 15, 15, 11));
  p.setPen(Pen(kInk, 1)); p.drawLine(QPointF(10, 19), QPointF(19, 19));
  p.drawLine(QPointF(10, 22), QPointF(19, 22));
  p.setPen(Qt::NoPen); p.setBrush(kInk); p.drawRect(QRectF(15, 5, 3, 4));
}

void Printer(QPainter& p) {
  p.setPen(Pen(kInk, 1.5));
  p.setBrush(kPaper); p.drawRect(QRectF(8, 2, 12, 9));
  p.setBrush(QColor(0x9a, 0xa5, 0xb1)); p.drawRoundedRect(QRectF(2, 10, 24, 11), 2, 2);
  p.setBrush(kPaper); p.drawRect(QRectF(7, 17, 14, 9));
  p.setPen(Pen(kInk, 1)); p.drawLine(QPointF(10, 21), QPointF(18, 21));
  p.drawLine(QPointF(10, 23.5), QPointF(16, 23.5));
  p.setPen(Qt::NoPen); p.setBrush(kGreen); p.drawEllipse(QPointF(22, 14), 1.5, 1.5);
}

void Frame(QPainter& p, const QRectF& r) {
  p.setPen(Pen(kInk, 1.5)); p.setBrush(kPaper); p.drawRect(r);
  // A little landscape inside.
  QPainterPath hill;
  hill.moveTo(r.left() + 1, r.bottom() - 1);
  hill.lineTo(r.left() + r.width() * 0.4, r.top() + r.height() * 0.45);
  hill.lineTo(r.left() + r.width() * 0.65, r.top() + r.height() * 0.7);
  hill.lineTo(r.left() + r.width() * 0.8, r.top() + r.height() * 0.55);
  hill.lineTo(r.right() - 1, r.bottom() - 1);
  hill.closeSubpath();
  p.setPen(Qt::NoPen); p.setBrush(kGreen); p.drawPath(hill);
  p.setBrush(kOrange);
  p.drawEllipse(QPointF(r.left() + r.width() * 0.75, r.top() + r.height() * 0.28), r.width() * 0.09, r.width() * 0.09);
}

void Resize(QPainter& p) {
  Frame(p, QRectF(2, 10, 14, 14));
  p.setPen(Pen(kBlue, 2)); p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(2, 2, 24, 22));
  p.drawLine(QPointF(15, 13), QPointF(23, 5));
  p.drawLine(QPointF(23, 5), QPointF(18, 5));
  p.drawLine(QPointF(23, 5), QPointF(23, 10));
}

void CurvedArrow(QPainter& p, bool left) {
  p.save();
  if (!left) { p.translate(28, 0); p.scale(-1, 1); }
  QPainterPath path;
  path.moveTo(8, 10);
  path.lineTo(17, 10);
  path.cubicTo(27, 10, 27, 25, 17, 25);
  path.lineTo(10, 25);
  p.setPen(Pen(kBlue, 3)); p.setBrush(Qt::NoBrush); p.drawPath(path);
  QPolygonF head;
  head << QPointF(2, 10) << QPointF(10, 3) << QPointF(10, 17);
  p.setPen(Pen(kBlue, 1)); p.setBrush(kBlue); p.drawPolygon(head);
  p.restore();
}

void Magnifier(QPainter& p, int sign) {
  p.setPen(Pen(kInk, 4)); p.drawLine(QPointF(18, 18), QPointF(25, 25));
  p.setPen(Pen(kInk, 2)); p.setBrush(kLightBlue.lighter(125));
  p.drawEllipse(QPointF(12, 12), 9, 9);
  p.setPen(Pen(kBlue, 2.5));
  p.drawLine(QPointF(8, 12), QPointF(16, 12));
  if (sign > 0) p.drawLine(QPointF(12, 8), QPointF(12, 16));
}

void OneToOne(QPainter& p) {
  // A frame with "1:1" large inside: one image pixel per screen pixel.
  p.setPen(Pen(kInk, 1.5)); p.setBrush(kPaper);
  p.drawRect(QRectF(2, 4, 24, 20));
  QFont f("DejaVu Sans");
  f.setPixelSize(13); f.setBold(true);
  p.setFont(f);
  p.setPen(kBlue);
  p.drawText(QRectF(2, 4, 24, 20), Qt::AlignCenter, "1:1");
}

void Fit(QPainter& p) {
  Frame(p, QRectF(7, 8, 14, 12));
  p.setPen(Pen(kBlue, 2)); p.setBrush(Qt::NoBrush);
  const double c[4][4] = {{2, 8, 2, 2}, {26, 8, 26, 2}, {2, 20, 2, 26}, {26, 20, 26, 26}};
  for (const auto& k : c) {
    p.drawLine(QPointF(k[0], k[1]), QPointF(k[2], k[3]));
    const double hx = k[0] < 14 ? k[0] + 6 : k[0] - 6;
    p.drawLine(QPointF(k[2], k[3]), QPointF(hx, k[3]));
  }
}

void Execute(QPainter& p) {
  // Half of a photo in grey, half in colour, and a sparkle: colours kept.
  QRectF r(2, 4, 24, 20);
  p.setPen(Qt::NoPen);
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, QColor(0x6f, 0xb7, 0xf0)); g.setColorAt(1, QColor(0x2f, 0x8a, 0x4f));
  p.setBrush(g); p.drawRect(r);
  QLinearGradient grey(r.topLeft(), r.bottomLeft());
  grey.setColorAt(0, QColor(0xc8, 0xc8, 0xc8)); grey.setColorAt(1, QColor(0x70, 0x70, 0x70));
  QPainterPath cut;
  cut.moveTo(r.topLeft()); cut.lineTo(r.right(), r.top()); cut.lineTo(r.left(), r.bottom());
  cut.closeSubpath();
  p.setBrush(grey); p.drawPath(cut);
  p.setBrush(kRed); p.drawEllipse(QPointF(19, 17), 4, 4);
  p.setPen(Pen(kInk, 1.5)); p.setBrush(Qt::NoBrush); p.drawRect(r);
  p.setPen(Pen(kOrange, 2));
  p.drawLine(QPointF(24, 1), QPointF(24, 7)); p.drawLine(QPointF(21, 4), QPointF(27, 4));
}

void Palette(QPainter& p) {
  p.setPen(Pen(kInk, 1.5)); p.setBrush(kPaper);
  p.drawEllipse(QRectF(2, 3, 24, 21));
  const QColor dots[4] = {kRed, kOrange, kGreen, kBlue};
  const QPointF at[4] = {{9, 9}, {15, 7}, {20, 11}, {8, 16}};
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 4; ++i) { p.setBrush(dots[i]); p.drawEllipse(at[i], 2.5, 2.5); }
}

void Scissors(QPainter& p) {
  p.setPen(Pen(kInk, 2)); p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(7, 21), 4, 4); p.drawEllipse(QPointF(21, 21), 4, 4);
  p.drawLine(QPointF(10, 18), QPointF(22, 3)); p.drawLine(QPointF(18, 18), QPointF(6, 3));
}

void Pipette(QPainter& p) {
  // Tip at the lower left (1, 30) of a 32 x 32 cursor; white outline for contrast.
  QPainterPath body;
  body.moveTo(2, 29); body.lineTo(4, 23); body.lineTo(17, 10); body.lineTo(21, 14);
  body.lineTo(8, 27); body.closeSubpath();
  p.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::white); p.drawPath(body);
  p.drawRoundedRect(QRectF(17, 4, 10, 8), 3, 3);
  p.setPen(QPen(Qt::black, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(QColor(0xe0, 0xec, 0xf8)); p.drawPath(body);
  p.save();
  p.translate(22, 8); p.rotate(45);
  p.setBrush(QColor(0x33, 0x41, 0x4e)); p.drawRoundedRect(QRectF(-6, -3.5, 12, 7), 2.5, 2.5);
  p.restore();
  p.setPen(QPen(Qt::black, 1.5)); p.drawLine(QPointF(15, 8), QPointF(23, 16));
}

// The program icon on a 256 x 256 grid: a grey photo in which one red flower
// keeps its colour.
void ProgramArt(QPainter& p) {
  const QRectF tile(14, 14, 228, 228);
  QPainterPath frame;
  frame.addRoundedRect(tile, 40, 40);
  QLinearGradient sky(tile.topLeft(), tile.bottomLeft());
  sky.setColorAt(0, QColor(0xe6, 0xe8, 0xeb)); sky.setColorAt(1, QColor(0xa8, 0xad, 0xb3));
  p.setPen(Qt::NoPen); p.setBrush(sky); p.drawPath(frame);
  p.save();
  p.setClipPath(frame);
  p.setBrush(QColor(0xfa, 0xfa, 0xfa)); p.drawEllipse(QPointF(72, 76), 24, 24);
  QPainterPath back;
  back.moveTo(0, 176); back.cubicTo(60, 130, 120, 150, 160, 160);
  back.cubicTo(200, 170, 230, 140, 256, 150); back.lineTo(256, 256); back.lineTo(0, 256);
  back.closeSubpath();
  p.setBrush(QColor(0x80, 0x86, 0x8d)); p.drawPath(back);
  QPainterPath front;
  front.moveTo(0, 210); front.cubicTo(70, 186, 150, 200, 256, 190); front.lineTo(256, 256);
  front.lineTo(0, 256); front.closeSubpath();
  p.setBrush(QColor(0x5a, 0x60, 0x67)); p.drawPath(front);
  p.restore();
  // The flower: the one thing left in colour.
  p.setPen(QPen(kGreen, 9, Qt::SolidLine, Qt::RoundCap)); p.setBrush(Qt::NoBrush);
  p.drawLine(QPointF(160, 206), QPointF(160, 132));
  p.setPen(Qt::NoPen); p.setBrush(kGreen);
  QPainterPath leaf;
  leaf.moveTo(160, 184); leaf.cubicTo(176, 160, 196, 162, 204, 166);
  leaf.cubicTo(194, 182, 178, 188, 160, 184);
  p.drawPath(leaf);
  p.setBrush(QColor(0xe0, 0x3c, 0x34));
  for (int k = 0; k < 5; ++k) {
    const double a = (k * 72 - 90) * M_PI / 180;
    p.drawEllipse(QPointF(160 + 22 * std::cos(a), 112 + 22 * std::sin(a)), 21, 21);
  }
  p.setBrush(QColor(0xf6, 0xc3, 0x43)); p.drawEllipse(QPointF(160, 112), 12, 12);
  p.setPen(QPen(QColor(0x2a, 0x31, 0x3a), 8)); p.setBrush(Qt::NoBrush); p.drawPath(frame);
}

QImage ProgramIcon(int size) {
  QImage img = Canvas(size, size);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 256.0, size / 256.0);
  ProgramArt(p);
  return img;
}

// The About box picture, 350 x 130: the icon, the name and what the program does.
QImage AboutPicture() {
  QImage img(350, 130, QImage::Format_ARGB32_Premultiplied);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  QLinearGradient bg(0, 0, 0, 130);
  bg.setColorAt(0, QColor(0xfd, 0xfd, 0xfe)); bg.setColorAt(1, QColor(0xe4, 0xe9, 0xf0));
  p.fillRect(img.rect(), bg);
  // A strip along the bottom that turns from grey into colour.
  for (int x = 0; x < 350; ++x) {
    const double t = x / 349.0;
    const QColor colour = QColor::fromHsvF(std::fmod(0.55 + t * 0.9, 1.0), 0.65, 0.9);
    const int grey = qGray(colour.rgb());
    const double k = std::clamp((t - 0.35) / 0.4, 0.0, 1.0);
    const QColor mixed(int(grey + k * (colour.red() - grey)), int(grey + k * (colour.green() - grey)),
                       int(grey + k * (colour.blue() - grey)));
    p.fillRect(QRectF(x, 122, 1, 8), mixed);
  }
  p.save();
  p.translate(16, 13);
  p.scale(96 / 256.0, 96 / 256.0);
  ProgramArt(p);
  p.restore();
  QFont title("DejaVu Sans");
  title.setPixelSize(38); title.setBold(true);
  p.setFont(title);
  p.setPen(kInk);
  p.drawText(QRectF(128, 20, 210, 48), Qt::AlignLeft | Qt::AlignVCenter, "Velinor");
  QFont line("DejaVu Sans");
  line.setPixelSize(13);
  p.setFont(line);
  p.setPen(QColor(0x55, 0x5f, 0x6b));
  p.drawText(QRectF(130, 70, 212, 40), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
             "Black and white photos that keep the colours you pick");
  return img;
}

bool Save(const QImage& img, const QString& path) { return img.save(path, "PNG"); }

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("resources");
  QDir().mkpath(root + "/icons");
  QDir().mkpath(root + "/cursors");
  using Draw = void (*)(QPainter&);
  const Draw icons[13] = {
      Disk, Printer, Scissors, Resize, [](QPainter& p) { CurvedArrow(p, true); }, Folder,
      OneToOne, Fit, [](QPainter& p) { CurvedArrow(p, false); },
      [](QPainter& p) { Magnifier(p, +1); }, [](QPainter& p) { Magnifier(p, -1); }, Palette,
      Execute};
  bool ok = true;
  for (int i = 0; i < 13; ++i) {
    QImage img = Canvas(39, 34);
    QPainter p(&img);
    Setup(p);
    icons[i](p);
    p.end();
    ok &= Save(img, QString("%1/icons/toolbar%2.png").arg(root).arg(i, 2, 10, QChar('0')));
  }
  {
    QImage img = Canvas(16, 16);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Pen(kRed, 2.5));
    p.drawLine(QPointF(4, 4), QPointF(12, 12));
    p.drawLine(QPointF(12, 4), QPointF(4, 12));
    p.end();
    ok &= Save(img, root + "/icons/delete.png");
  }
  for (int size : {16, 24, 32, 48, 64, 128, 256})
    ok &= Save(ProgramIcon(size), QString("%1/icons/velinor-%2.png").arg(root).arg(size));
  QDir().mkpath(root + "/images");
  ok &= Save(AboutPicture(), root + "/images/about.png");
  {
    QImage img = Canvas(32, 32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    Pipette(p);
    p.end();
    ok &= Save(img, root + "/cursors/pipette.png");
  }
  return ok ? 0 : 1;
}
