// The integer canvas: where each primitive puts brush and pen pixels.
#include "core/view/BitmapCanvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace velinor {
namespace {

constexpr TColor kPen = RGB(255, 0, 0);
constexpr TColor kBrush = RGB(0, 0, 255);
constexpr TColor kPaper = RGB(255, 255, 255);

TBitmap Paper(int w, int h) {
  TBitmap b(w, h);
  b.FillBytes(255);
  return b;
}

TBitmapCanvas Pens(TBitmap& b) {
  TBitmapCanvas c(b);
  c.PenColor = kPen;
  c.BrushColor = kBrush;
  return c;
}

// Even-odd test of the pixel centre (x + 0.5, y + 0.5), written out plainly and
// exactly: an edge counts when it crosses the centre's row to the right of it.
bool InsideEvenOdd(const std::vector<TPoint>& p, int x, int y) {
  bool in = false;
  for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
    const int64_t ax = p[j].X, ay = p[j].Y, bx = p[i].X, by = p[i].Y;
    if ((2 * ay <= 2 * y + 1) == (2 * by <= 2 * y + 1)) continue;
    // x + 0.5 < ax + (y + 0.5 - ay) * (bx - ax) / (by - ay), times 2 * (by - ay).
    int64_t lhs = (2 * x + 1 - 2 * ax) * (by - ay), rhs = (2 * y + 1 - 2 * ay) * (bx - ax);
    if (by < ay) std::swap(lhs, rhs);
    if (lhs < rhs) in = !in;
  }
  return in;
}

TEST(BitmapCanvas, RectangleHasPenEdgeAndBrushInside) {
  TBitmap b = Paper(8, 6);
  TBitmapCanvas c = Pens(b);
  c.Rectangle(Rect(1, 1, 5, 4));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) {
      const bool inside = x >= 1 && x < 5 && y >= 1 && y < 4;
      const bool edge = inside && (x == 1 || x == 4 || y == 1 || y == 3);
      EXPECT_EQ(b.Pixel(x, y), edge ? kPen : inside ? kBrush : kPaper) << x << "," << y;
    }
  c.PenClear = true;
  c.Rectangle(Rect(1, 1, 5, 4));
  EXPECT_EQ(b.Pixel(1, 1), kBrush);
}

TEST(BitmapCanvas, EllipseStaysInItsBoxAndIsSymmetric) {
  for (auto [w, h] : {std::pair{9, 5}, std::pair{10, 10}, std::pair{1, 7}, std::pair{31, 12}}) {
    TBitmap b = Paper(40, 20);
    TBitmapCanvas c = Pens(b);
    c.Ellipse(Rect(3, 2, 3 + w, 2 + h));
    int drawn = 0;
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 40; ++x) {
        const bool in = b.Pixel(x, y) != kPaper;
        drawn += in;
        if (x < 3 || x >= 3 + w || y < 2 || y >= 2 + h) ASSERT_FALSE(in) << x << "," << y;
        else ASSERT_EQ(b.Pixel(x, y), b.Pixel(3 + w - 1 - (x - 3), 2 + h - 1 - (y - 2)));
      }
    // Touches all four sides of its box.
    EXPECT_NE(b.Pixel(3, 2 + h / 2), kPaper);
    EXPECT_NE(b.Pixel(3 + w / 2, 2 + h - 1), kPaper);
    EXPECT_NEAR(drawn, M_PI * w * h / 4, 0.25 * w * h);
  }
}

TEST(BitmapCanvas, RoundRectCornersAreCut) {
  TBitmap b = Paper(30, 30);
  TBitmapCanvas c = Pens(b);
  c.RoundRect(Rect(0, 0, 20, 20), 10, 10);
  EXPECT_EQ(b.Pixel(0, 0), kPaper);
  EXPECT_EQ(b.Pixel(19, 19), kPaper);
  EXPECT_EQ(b.Pixel(10, 0), kPen);
  EXPECT_EQ(b.Pixel(0, 10), kPen);
  EXPECT_EQ(b.Pixel(10, 10), kBrush);
  TBitmap r0 = Paper(30, 30), r1 = Paper(30, 30);
  TBitmapCanvas c0 = Pens(r0), c1 = Pens(r1);
  c0.RoundRect(Rect(2, 3, 17, 11), 0, 0);
  c1.Rectangle(Rect(2, 3, 17, 11));
  EXPECT_EQ(0, std::memcmp(r0.Bits(), r1.Bits(), r0.ByteSize()));
}

TEST(BitmapCanvas, PolygonFillIsEvenOddAtPixelCentres) {
  std::mt19937 rng(5);
  for (int iter = 0; iter < 100; ++iter) {
    std::vector<TPoint> pts(3 + rng() % 6);
    for (TPoint& p : pts) p = Point(int(rng() % 40) - 5, int(rng() % 30) - 5);
    TBitmap b = Paper(30, 20);
    TBitmapCanvas c = Pens(b);
    c.PenClear = true;
    c.Polygon(pts);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 30; ++x)
        ASSERT_EQ(b.Pixel(x, y) == kBrush, InsideEvenOdd(pts, x, y)) << iter << " " << x << "," << y;
  }
  // A pentagram's centre is outside by the even-odd rule.
  TBitmap b = Paper(50, 50);
  TBitmapCanvas c = Pens(b);
  c.PenClear = true;
  c.Polygon({{25, 0}, {40, 48}, {0, 17}, {49, 17}, {10, 48}});
  EXPECT_EQ(b.Pixel(25, 27), kPaper);
  EXPECT_EQ(b.Pixel(25, 8), kBrush);
}

TEST(BitmapCanvas, PolygonOutlineIncludesVertices) {
  TBitmap b = Paper(10, 10);
  TBitmapCanvas c = Pens(b);
  c.Polygon({{1, 1}, {7, 1}, {7, 6}});
  EXPECT_EQ(b.Pixel(1, 1), kPen);
  EXPECT_EQ(b.Pixel(7, 1), kPen);
  EXPECT_EQ(b.Pixel(7, 6), kPen);
  EXPECT_EQ(b.Pixel(4, 3), kPen);  // on the diagonal edge
  EXPECT_EQ(b.Pixel(6, 3), kBrush);
  EXPECT_EQ(b.Pixel(2, 5), kPaper);
}

TEST(BitmapCanvas, LinesOmitTheirLastPoint) {
  TBitmap b = Paper(10, 10);
  TBitmapCanvas c = Pens(b);
  c.Line({1, 1}, {5, 1});
  EXPECT_EQ(b.Pixel(1, 1), kPen);
  EXPECT_EQ(b.Pixel(4, 1), kPen);
  EXPECT_EQ(b.Pixel(5, 1), kPaper);
  c.Polyline({{0, 3}, {4, 3}, {4, 8}});
  EXPECT_EQ(b.Pixel(4, 3), kPen);
  EXPECT_EQ(b.Pixel(4, 7), kPen);
  EXPECT_EQ(b.Pixel(4, 8), kPaper);
  c.Line({0, 9}, {9, 0});  // diagonal: one pixel per column
  for (int x = 0; x < 9; ++x) EXPECT_EQ(b.Pixel(x, 9 - x), kPen);
}

TEST(BitmapCanvas, FarAwayEndsAreCheap) {
  TBitmap b = Paper(10, 10);
  TBitmapCanvas c = Pens(b);
  const int far = std::numeric_limits<int>::min();
  c.Line({far, 3}, {5, 3});
  for (int x = 0; x < 10; ++x) EXPECT_EQ(b.Pixel(x, 3), x < 5 ? kPen : kPaper);
  c.Line({std::numeric_limits<int>::max(), std::numeric_limits<int>::max()}, {far, far});
  c.Polygon({{far, far}, {std::numeric_limits<int>::max(), 0}, {0, std::numeric_limits<int>::max()}});
  c.Ellipse(Rect(far, far, std::numeric_limits<int>::max(), std::numeric_limits<int>::max()));
  EXPECT_EQ(b.Pixel(5, 5), kBrush);
}

TEST(BitmapCanvas, PaletteBitmapsBecomeDirectColour) {
  TBitmap b(4, 4, TPixelFormat::pf8bit);
  b.Palette.assign(256, 0);
  TBitmapCanvas c = Pens(b);
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf24bit);
  c.SetPixel(1, 1, kPen);
  EXPECT_EQ(b.Pixel(1, 1), kPen);
}

}  // namespace
}  // namespace velinor
