#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "support/GuiTestSupport.h"
#include "core/base/Parallel.h"
#include "gui/view/MyImage.h"
#include "gui/view/QtBitmap.h"
#include "core/view/Checkerboard.h"
#include "core/view/StretchCopy.h"

namespace velinor {
namespace {

using test::MakeImage;

// A shown view whose client area (inside the frame, without bars) is w x h.
void SetClientArea(TMyImage& v, int w, int h) {
  v.show();
  const int fw = v.frameWidth();
  v.resize(w + 2 * fw, h + 2 * fw);
  QApplication::processEvents();
}

QRgb PixelAt(TMyImage& v, int x, int y) {
  QImage img(v.viewport()->size(), QImage::Format_RGB32);
  img.fill(Qt::magenta);
  QPainter p(&img);
  v.PaintView(p, img.rect());
  p.end();
  return img.pixel(x, y);
}

TEST(MyImage, DefaultsAndPropertyLimits) {
  TMyImage v;
  EXPECT_EQ(v.Zoom(), 1.0);
  EXPECT_EQ(v.Marge(), 8);
  EXPECT_EQ(v.OptimizeMode(), omNone);
  EXPECT_EQ(v.BorderColor(), clNone);
  EXPECT_EQ(v.ShadowSize(), 0);
  v.SetShadowSize(7);
  EXPECT_EQ(v.ShadowSize(), 7);
  v.SetShadowSize(8);
  EXPECT_EQ(v.ShadowSize(), 0);
  v.SetShadowSize(5);
  v.SetShadowSize(-1);
  EXPECT_EQ(v.ShadowSize(), 0);
  v.SetZoom(0);
  EXPECT_EQ(v.Zoom(), 1.0);
  v.SetZoom(-2);
  EXPECT_EQ(v.Zoom(), 1.0);
}

TEST(MyImage, EmptyBitmapIsAPlainFieldWithoutBars) {
  TMyImage v;
  SetClientArea(v, 300, 200);
  EXPECT_EQ(v.HorzRange(), 16);
  EXPECT_EQ(v.VertRange(), 16);
  EXPECT_FALSE(v.HorzBarVisible());
  EXPECT_FALSE(v.VertBarVisible());
  v.SetColor(RGB(10, 20, 30));
  EXPECT_EQ(PixelAt(v, 150, 100), qRgb(10, 20, 30));
  EXPECT_EQ(PixelAt(v, 8, 8), qRgb(10, 20, 30));
}

TEST(MyImage, FitToClientUsesTheWholeClientLessTheMargins) {
  TMyImage v;
  v.Bitmap() = MakeImage(1000, 500);
  SetClientArea(v, 516, 400);
  v.FitToClient();
  EXPECT_DOUBLE_EQ(v.Zoom(), 0.5);
  EXPECT_EQ(v.Zoomer().ZoomedWidth(), 500);
  EXPECT_EQ(v.Zoomer().ZoomedHeight(), 250);
  EXPECT_EQ(v.ImageRect(), (TRect{8, 8, 508, 258}));

  SetClientArea(v, 1016, 216);
  v.FitToClient();
  EXPECT_DOUBLE_EQ(v.Zoom(), 0.4);
  EXPECT_EQ(v.Zoomer().ZoomedWidth(), 400);
  EXPECT_EQ(v.Zoomer().ZoomedHeight(), 200);
  EXPECT_FALSE(v.HorzBarVisible());
  EXPECT_FALSE(v.VertBarVisible());
}

TEST(MyImage, PointMappingAtHalfZoom) {
  TMyImage v;
  v.Bitmap() = MakeImage(1000, 500);
  SetClientArea(v, 516, 400);
  v.SetZoom(0.5);
  ASSERT_EQ(v.ImageRect(), (TRect{8, 8, 508, 258}));
  EXPECT_EQ(v.ClientToImagePoint({18, 18}), (TPoint{20, 20}));
  EXPECT_EQ(v.ClientToImagePoint({507, 257}), (TPoint{999, 499}));
  EXPECT_EQ(v.ClientToImagePoint({8, 8}), (TPoint{0, 0}));
  EXPECT_EQ(v.ClientToImagePoint({7, 7}), (TPoint{-2, -2}));
  EXPECT_TRUE(v.PointInImage({8, 8}));
  EXPECT_FALSE(v.PointInImage({7, 8}));
  EXPECT_EQ(v.ImageToClientPoint({999, 499}), (TPoint{507, 257}));
  EXPECT_EQ(v.ImageToClientPoint({20, 20}), (TPoint{18, 18}));
}

TEST(MyImage, PointMappingAtZoomThree) {
  TMyImage v;
  v.Bitmap() = MakeImage(40, 30);
  SetClientArea(v, 400, 300);
  v.SetZoom(3);
  const TRect ir = v.ImageRect();
  ASSERT_EQ(ir.Left, 8);
  EXPECT_EQ(v.ImageToClientPoint({0, 0}).X, 8);
  EXPECT_EQ(v.ImageToClientPoint({10, 0}).X, 38);
  EXPECT_EQ(v.ImageToClientPoint({39, 29}), (TPoint{ir.Right - 1, ir.Bottom - 1}));
  EXPECT_EQ(v.ClientToImagePoint({38, 38}), (TPoint{10, 10}));
}

TEST(MyImage, WholeImageRectanglesMapExactlyAtAnyZoom) {
  TMyImage v;
  v.Bitmap() = MakeImage(333, 217);
  SetClientArea(v, 500, 400);
  for (double z : {0.1, 1.0 / 3, 0.47, 0.75, 1.0, 2.0, 3.7}) {
    v.SetZoom(z);
    const TRect ir = v.ImageRect();
    EXPECT_EQ(v.ImageToClientRect({0, 0, 333, 217}), ir) << z;
    EXPECT_EQ(v.ClientToImageRect(ir), (TRect{0, 0, 333, 217})) << z;
  }
}

TEST(MyImage, CenterRectInViewScrollsTheRectangleToTheMiddle) {
  TMyImage v;
  v.Bitmap() = MakeImage(2000, 2000);
  v.show();
  const int fw = v.frameWidth();
  const int bw = v.verticalScrollBar()->sizeHint().width();
  const int bh = v.horizontalScrollBar()->sizeHint().height();
  v.resize(500 + bw + 2 * fw, 400 + bh + 2 * fw);
  QApplication::processEvents();
  v.UpdateScrollRanges();
  ASSERT_TRUE(v.HorzBarVisible() && v.VertBarVisible());
  ASSERT_EQ(v.ClientRect(), (TRect{0, 0, 500, 400}));
  EXPECT_EQ(v.viewport()->size(), QSize(500, 400));
  v.CenterRectInView({700, 500, 800, 600});
  EXPECT_EQ(v.HorzPosition(), 500);
  EXPECT_EQ(v.VertPosition(), 350);
  EXPECT_EQ(v.ImageRect().Left, 8 - 500);
  v.ScrollRelative(-33, 33);
  EXPECT_EQ(v.HorzPosition(), 467);
  EXPECT_EQ(v.VertPosition(), 383);
  // Clamped to the range.
  v.ScrollRelative(-100000, 100000);
  EXPECT_EQ(v.HorzPosition(), 0);
  EXPECT_EQ(v.VertPosition(), 2016 - 400);
}

TEST(MyImage, ASizeChangeIsLaidOutAtTheNextPaint) {
  TMyImage v;
  SetClientArea(v, 300, 200);
  v.Bitmap() = MakeImage(800, 600);
  v.UpdateScrollRanges();
  EXPECT_EQ(v.HorzRange(), 816);
  v.Bitmap().SetSize(400, 300);
  EXPECT_TRUE(v.RelayoutPending());
  EXPECT_EQ(v.HorzRange(), 816);
  EXPECT_DOUBLE_EQ(v.Zoom(), 1.0);
  PixelAt(v, 0, 0);
  EXPECT_FALSE(v.RelayoutPending());
  EXPECT_EQ(v.HorzRange(), 416);
  EXPECT_EQ(v.VertRange(), 316);
}

// A picture owned elsewhere is shown in place: painted, mapped and laid out
// from it, and the view follows its changes as its owner reports them.
TEST(MyImage, ShowsAPictureOwnedElsewhereInPlace) {
  TMyImage v;
  SetClientArea(v, 300, 200);
  v.Bitmap() = MakeImage(20, 20);
  TBitmap outside = MakeImage(100, 60);
  outside.SetPixel(0, 0, RGB(1, 2, 3));
  v.ShowPicture(&outside);
  EXPECT_EQ(&v.Picture(), &outside);
  EXPECT_EQ(PixelAt(v, 8, 8), qRgb(1, 2, 3));
  EXPECT_EQ(v.HorzRange(), 116);
  EXPECT_EQ(v.ClientToImagePoint(TPoint{107, 67}).X, 99);
  outside.SetSize(200, 60);
  v.PictureChanged();
  EXPECT_TRUE(v.RelayoutPending());
  PixelAt(v, 0, 0);
  EXPECT_EQ(v.HorzRange(), 216);
  v.ShowPicture(nullptr);
  EXPECT_EQ(&v.Picture(), &v.Bitmap());
  PixelAt(v, 0, 0);
  EXPECT_EQ(v.HorzRange(), 36);
}

TEST(MyImage, PaintShowsImageBorderShadowAndBackground) {
  TMyImage v;
  v.Bitmap() = MakeImage(100, 60);
  SetClientArea(v, 300, 200);
  v.SetColor(RGB(200, 200, 200));
  v.SetBorderColor(0);
  v.SetShadowSize(4);
  const TBitmap& b = v.Bitmap();
  auto imagePixel = [&](int x, int y) {
    const uint8_t* px = b.ScanLine(y) + 3 * x;
    return qRgb(px[2], px[1], px[0]);
  };
  EXPECT_EQ(PixelAt(v, 8, 8), imagePixel(0, 0));
  EXPECT_EQ(PixelAt(v, 107, 67), imagePixel(99, 59));
  EXPECT_EQ(PixelAt(v, 7, 7), qRgb(0, 0, 0));      // border line just outside
  EXPECT_EQ(PixelAt(v, 108, 30), qRgb(0, 0, 0));
  EXPECT_EQ(PixelAt(v, 3, 3), qRgb(200, 200, 200));  // background
  EXPECT_EQ(PixelAt(v, 250, 150), qRgb(200, 200, 200));
  // Shadow below the border: darker than the background, fading outwards.
  const int near = qRed(PixelAt(v, 60, 69));
  const int far = qRed(PixelAt(v, 60, 72));
  EXPECT_LT(near, far);
  EXPECT_LT(far, 200);
  // Corner left bare by the offset shadow is background again.
  EXPECT_EQ(PixelAt(v, 8, 70), qRgb(200, 200, 200));
}

TEST(MyImage, SmoothedReductionAveragesAndPlainReductionPicks) {
  TMyImage v;
  TBitmap& b = v.Bitmap();
  b.SetSize(4, 2);
  // Two 2 x 2 blocks: black/white checks on the left, plain grey 90 on the right.
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) {
      const int g = x < 2 ? ((x + y) % 2 ? 255 : 0) : 90;
      b.SetPixel(x, y, RGB(g, g, g));
    }
  SetClientArea(v, 100, 100);
  v.SetZoom(0.5);
  v.SetOptimizeMode(omAllways);
  EXPECT_NEAR(qRed(PixelAt(v, 8, 8)), 128, 1);
  EXPECT_EQ(qRed(PixelAt(v, 9, 8)), 90);
  v.SetOptimizeMode(omNone);
  const int picked = qRed(PixelAt(v, 8, 8));
  EXPECT_TRUE(picked == 0 || picked == 255);
  // New pixels are shown after RepaintNow (the reduced copy is rebuilt).
  v.SetOptimizeMode(omAllways);
  PixelAt(v, 8, 8);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) b.SetPixel(x, y, RGB(40, 40, 40));
  v.RepaintNow();
  EXPECT_EQ(qRed(PixelAt(v, 8, 8)), 40);
}

TBitmap Noise(int w, int h, unsigned seed) {
  TBitmap b(w, h, TPixelFormat::pf24bit);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < 3 * w; ++x) b.ScanLine(y)[x] = static_cast<uint8_t>(rng());
  return b;
}

QImage PaintAll(TMyImage& v) {
  QImage img(v.viewport()->size(), QImage::Format_RGB32);
  QPainter p(&img);
  v.PaintView(p, img.rect());
  return img;
}

// The reduced copy is made tile by tile as tiles are shown; every shown pixel is
// the area average of the whole image reduced at once, whatever the scroll position.
TEST(MyImage, SmoothedReductionMatchesTheWholeImageAveragedAtOnce) {
  TMyImage v;
  v.Bitmap() = Noise(1800, 1300, 3);
  SetClientArea(v, 300, 200);
  v.SetOptimizeMode(omAllways);
  const double z = 0.47;
  v.SetZoom(z);
  const int zw = v.Zoomer().ZoomedWidth(), zh = v.Zoomer().ZoomedHeight();
  TBitmap reference(zw, zh, TPixelFormat::pf24bit);
  StretchCopyAveraged(v.Bitmap(), BitmapBounds(v.Bitmap()), reference, {0, 0, zw, zh}, {0, 0, zw, zh});
  for (const TPoint scroll : {TPoint{0, 0}, TPoint{250, 140}, TPoint{600, 420}}) {
    v.ScrollRelative(scroll.X - v.HorzPosition(), scroll.Y - v.VertPosition());
    const QImage shown = PaintAll(v);
    const TRect vis = v.VisibleImageRect();
    const TRect ir = v.ImageRect();
    for (int y = vis.Top; y < vis.Bottom; y += 7)
      for (int x = vis.Left; x < vis.Right; x += 5) {
        const TColor c = reference.Pixel(x - ir.Left, y - ir.Top);
        ASSERT_EQ(shown.pixel(x, y), qRgb(GetRValue(c), GetGValue(c), GetBValue(c))) << x << "," << y;
      }
  }
  // Only the tiles that came into view were made.
  const int tiles = ((zw + 255) / 256) * ((zh + 255) / 256);
  EXPECT_LT(v.Renderer().FilledTiles(), tiles);
  EXPECT_GT(v.Renderer().FilledTiles(), 0);
}

TEST(MyImage, PaintingIsTheSameWithOneOrTwoThreads) {
  TMyImage v;
  v.Bitmap() = Noise(1500, 1100, 5);
  SetClientArea(v, 700, 500);
  v.SetOptimizeMode(omAllways);
  v.SetZoom(0.31);
  SetEngineThreads(1);
  v.RepaintNow();
  const QImage one = PaintAll(v);
  SetEngineThreads(2);
  v.RepaintNow();
  const QImage two = PaintAll(v);
  SetEngineThreads(0);
  EXPECT_EQ(one, two);
}

TEST(MyImage, CursorFollowsTheWholeImageRectangle) {
  TMyImage v;
  v.SetImgCursor(5);
  SetClientArea(v, 300, 200);
  auto moveTo = [&](int x, int y) {
    QMouseEvent e(QEvent::MouseMove, QPointF(x, y), v.viewport()->mapToGlobal(QPointF(x, y)),
                  Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(v.viewport(), &e);
  };
  moveTo(20, 20);
  EXPECT_EQ(v.CurrentCursorIndex(), 0);  // empty bitmap: default everywhere
  v.Bitmap() = MakeImage(50, 50);
  v.UpdateScrollRanges();
  moveTo(20, 20);
  EXPECT_EQ(v.CurrentCursorIndex(), 5);
  moveTo(58, 20);
  EXPECT_EQ(v.CurrentCursorIndex(), 0);
  moveTo(57, 57);
  EXPECT_EQ(v.CurrentCursorIndex(), 5);
}

TEST(MyImage, MouseDownReachesTheEventInClientCoordinates) {
  TMyImage v;
  SetClientArea(v, 300, 200);
  int gotX = -1, gotY = -1;
  Qt::MouseButton gotButton = Qt::NoButton;
  v.OnMouseDown = [&](QObject*, Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
    gotButton = b;
    gotX = x;
    gotY = y;
  };
  QMouseEvent e(QEvent::MouseButtonPress, QPointF(30, 40), v.viewport()->mapToGlobal(QPointF(30, 40)),
                Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(v.viewport(), &e);
  EXPECT_EQ(gotButton, Qt::LeftButton);
  EXPECT_EQ(gotX, 30);
  EXPECT_EQ(gotY, 40);
}


// A picture with alpha shows the light checkerboard through its see-through
// parts, anchored at the image's corner, at any zoom and in both modes; its
// hidden colours never show, and its opaque parts are drawn as they are.
TEST(MyImage, SeeThroughPartsShowTheCheckerboard) {
  TMyImage v;
  TBitmap& b = v.Bitmap();
  b = TBitmap(40, 40, TPixelFormat::pf32bit);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) {
      uint8_t* p = b.ScanLine(y) + 4 * x;
      const bool opaque = x < 20;
      p[0] = 0;
      p[1] = opaque ? 0 : 255;  // green hidden in the transparent half
      p[2] = opaque ? 255 : 0;
      p[3] = opaque ? 255 : 0;
    }
  SetClientArea(v, 200, 200);
  v.SetShadowSize(0);
  for (const TOptimizeMode mode : {omNone, omAllways}) {
    for (const double zoom : {1.0, 2.0, 0.5}) {
      v.SetOptimizeMode(mode);
      v.SetZoom(zoom);
      v.RepaintNow();
      const QImage shown = PaintAll(v);
      const TRect ir = v.ImageRect();
      const int half = ir.Left + (ir.Right - ir.Left) / 2;
      for (int y = ir.Top; y < ir.Bottom; ++y)
        for (int x = ir.Left; x < ir.Right; ++x) {
          const QRgb c = shown.pixel(x, y);
          if (x < half - 1) {
            ASSERT_EQ(c, qRgb(255, 0, 0)) << x << "," << y << " zoom " << zoom;
          } else if (x > half) {
            const int g = CheckerShade(x - ir.Left, y - ir.Top);
            ASSERT_EQ(c, qRgb(g, g, g)) << x << "," << y << " zoom " << zoom << " mode " << int(mode);
          }
        }
    }
  }
}

// The picture handed to the clipboard and the printer keeps its alpha, and
// comes back from the clipboard's image as it was.
TEST(QtBitmap, WrappingKeepsAlpha) {
  TBitmap b(3, 1, TPixelFormat::pf32bit);
  const uint8_t pixels[12] = {10, 20, 30, 0, 40, 50, 60, 128, 70, 80, 90, 255};
  std::copy(pixels, pixels + 12, b.ScanLine(0));
  const QImage image = WrapBitmap(b).copy();
  EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
  EXPECT_EQ(image.pixel(1, 0), qRgba(60, 50, 40, 128));
  EXPECT_EQ(image.pixel(2, 0), qRgba(90, 80, 70, 255));
  const TBitmap back = BitmapFromImage(image, TPixelFormat::pf32bit);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(back.ScanLine(0)[i], pixels[i]) << i;
}

// ---- moving around ---------------------------------------------------------------

void SendMouse(TMyImage& v, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPoint at) {
  QMouseEvent e(type, QPointF(at), v.viewport()->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
  QApplication::sendEvent(v.viewport(), &e);
}

void SendKey(TMyImage& v, QEvent::Type type, int key) {
  QKeyEvent e(type, key, Qt::NoModifier);
  QApplication::sendEvent(&v, &e);
}

// A 2000 x 1500 picture at 100 % in a 300 x 200 client, scrolled into the middle.
void ScrolledView(TMyImage& v) {
  v.Bitmap() = MakeImage(2000, 1500);
  SetClientArea(v, 300, 200);
  v.UpdateScrollRanges();
  v.ScrollRelative(500, 400);
  ASSERT_EQ(v.HorzPosition(), 500);
  ASSERT_EQ(v.VertPosition(), 400);
}

TEST(MyImage, MiddleDragMovesTheViewByTheDragsDistance) {
  TMyImage v;
  ScrolledView(v);
  int presses = 0, moves = 0, releases = 0;
  v.OnMouseDown = [&](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) { ++presses; };
  v.OnMouseMove = [&](QObject*, Qt::KeyboardModifiers, int, int) { ++moves; };
  v.OnMouseUp = [&](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) { ++releases; };
  SendMouse(v, QEvent::MouseButtonPress, Qt::MiddleButton, Qt::MiddleButton, {100, 100});
  EXPECT_TRUE(v.Panning());
  SendMouse(v, QEvent::MouseMove, Qt::NoButton, Qt::MiddleButton, {140, 70});
  // The picture follows the mouse: 40 right and 30 up shows what lay left and below.
  EXPECT_EQ(v.HorzPosition(), 460);
  EXPECT_EQ(v.VertPosition(), 430);
  SendMouse(v, QEvent::MouseButtonRelease, Qt::MiddleButton, Qt::NoButton, {20, 150});
  EXPECT_EQ(v.HorzPosition(), 580);
  EXPECT_EQ(v.VertPosition(), 350);
  EXPECT_FALSE(v.Panning());
  EXPECT_EQ(presses + moves + releases, 0);  // the pan is the view's own
  // A pan past the edge stops at the scroll range.
  SendMouse(v, QEvent::MouseButtonPress, Qt::MiddleButton, Qt::MiddleButton, {100, 100});
  SendMouse(v, QEvent::MouseButtonRelease, Qt::MiddleButton, Qt::NoButton, {5000, 5000});
  EXPECT_EQ(v.HorzPosition(), 0);
  EXPECT_EQ(v.VertPosition(), 0);
}

TEST(MyImage, SpaceAndLeftDragPansWithoutPicking) {
  TMyImage v;
  ScrolledView(v);
  int picks = 0;
  v.OnMouseDown = [&](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) { ++picks; };
  SendKey(v, QEvent::KeyPress, Qt::Key_Space);
  EXPECT_TRUE(v.SpaceHeld());
  SendMouse(v, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, {200, 100});
  SendMouse(v, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {150, 125});
  SendMouse(v, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, {150, 125});
  EXPECT_EQ(v.HorzPosition(), 550);
  EXPECT_EQ(v.VertPosition(), 375);
  EXPECT_EQ(picks, 0);
  // Space released: a left press picks again and moves nothing.
  SendKey(v, QEvent::KeyRelease, Qt::Key_Space);
  EXPECT_FALSE(v.SpaceHeld());
  SendMouse(v, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, {200, 100});
  SendMouse(v, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {100, 50});
  SendMouse(v, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, {100, 50});
  EXPECT_EQ(picks, 1);
  EXPECT_EQ(v.HorzPosition(), 550);
}

// Space over the picture pans even while another control has the focus, and
// does not press that control.
TEST(MyImageSpace, SpaceOverThePictureIsHeardWhateverHasTheFocus) {
  QWidget window;
  auto* button = new QPushButton("Delete", &window);
  button->setGeometry(0, 0, 80, 25);
  auto* v = new TMyImage(&window);
  v->setGeometry(0, 30, 300, 200);
  v->Bitmap() = MakeImage(2000, 1500);
  window.resize(300, 230);
  window.show();
  QApplication::processEvents();
  v->UpdateScrollRanges();
  int clicks = 0;
  QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
  QCursor::setPos(v->viewport()->mapToGlobal(QPoint(100, 100)));
  if (!v->viewport()->rect().contains(v->viewport()->mapFromGlobal(QCursor::pos())))
    GTEST_SKIP() << "this platform does not move the mouse";
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
  QApplication::sendEvent(button, &press);
  EXPECT_TRUE(v->SpaceHeld());
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " ");
  QApplication::sendEvent(button, &release);
  EXPECT_FALSE(v->SpaceHeld());
  EXPECT_EQ(clicks, 0);
  // Away from the picture Space is the focused control's again.
  QCursor::setPos(button->mapToGlobal(QPoint(10, 10)));
  QKeyEvent press2(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
  QApplication::sendEvent(button, &press2);
  EXPECT_FALSE(v->SpaceHeld());
}

TEST(MyImage, KeysScrollByStepsPagesAndToTheEdges) {
  TMyImage v;
  ScrolledView(v);
  const TRect c = v.ClientRect();
  SendKey(v, QEvent::KeyPress, Qt::Key_Right);
  EXPECT_EQ(v.HorzPosition(), 533);
  SendKey(v, QEvent::KeyPress, Qt::Key_Left);
  SendKey(v, QEvent::KeyPress, Qt::Key_Left);
  EXPECT_EQ(v.HorzPosition(), 467);
  SendKey(v, QEvent::KeyPress, Qt::Key_Down);
  EXPECT_EQ(v.VertPosition(), 433);
  SendKey(v, QEvent::KeyPress, Qt::Key_Up);
  EXPECT_EQ(v.VertPosition(), 400);
  SendKey(v, QEvent::KeyPress, Qt::Key_PageDown);
  EXPECT_EQ(v.VertPosition(), 400 + c.Height());
  SendKey(v, QEvent::KeyPress, Qt::Key_PageUp);
  SendKey(v, QEvent::KeyPress, Qt::Key_PageUp);
  EXPECT_EQ(v.VertPosition(), 400 - c.Height());
  SendKey(v, QEvent::KeyPress, Qt::Key_End);
  EXPECT_EQ(v.HorzPosition(), v.HorzRange() - c.Width());
  EXPECT_EQ(v.VertPosition(), v.VertRange() - c.Height());
  SendKey(v, QEvent::KeyPress, Qt::Key_Home);
  EXPECT_EQ(v.HorzPosition(), 0);
  EXPECT_EQ(v.VertPosition(), 0);
}

// Above 100 % each pixel is a sharp square, smoothing on or off, whole factor or not.
TEST(MyImage, ZoomedInPixelsAreSharpSquares) {
  TMyImage v;
  TBitmap& b = v.Bitmap();
  b.SetSize(3, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) b.SetPixel(x, y, (x + y) % 2 ? RGB(250, 250, 250) : RGB(10, 10, 10));
  SetClientArea(v, 200, 200);
  v.SetOptimizeMode(omAllways);
  for (double zoom : {16.0, 1.5, 2.5}) {
    v.SetZoom(zoom);
    const QImage img = PaintAll(v);
    const TRect ir = v.ImageRect();
    // The whole image pixels (a fraction of a pixel at the right and bottom ends is
    // the zoom plan's business).
    const int right = ir.Left + static_cast<int>(zoom * 3), bottom = ir.Top + static_cast<int>(zoom * 2);
    for (int y = ir.Top; y < bottom; ++y)
      for (int x = ir.Left; x < right; ++x) {
        const int got = qRed(img.pixel(x, y));
        if (zoom == 16.0) {
          const TPoint q = v.ClientToImagePoint({x, y});
          ASSERT_EQ(got, (q.X + q.Y) % 2 ? 250 : 10) << "at " << x << "," << y;
        } else {
          ASSERT_TRUE(got == 10 || got == 250) << "zoom " << zoom << " at " << x << "," << y << ": " << got;
        }
      }
  }
}

}  // namespace
}  // namespace velinor
