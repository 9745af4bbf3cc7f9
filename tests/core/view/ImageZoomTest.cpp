// TImageZoom: property rules, layout and the rectangles of Draw.
#include "core/view/ImageZoom.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/view/BitmapCanvas.h"

namespace velinor {
namespace {

const int kCanvas = 1;  // any address serves as a canvas identity

TEST(ImageZoom, FitPageCentresAndSizes) {
  TBitmap b(100, 50);
  TImageZoom z;
  z.SetBitmap(&b);
  z.SetFrameRect(Rect(0, 0, 400, 400));
  z.SetZoomMode(zmFitPage);
  z.SetPosition(ipCenter);
  EXPECT_DOUBLE_EQ(z.Zoom(), 4.0);
  EXPECT_EQ(z.ZoomedWidth(), 400);
  EXPECT_EQ(z.ZoomedHeight(), 200);
  EXPECT_EQ(z.ImageRect(), Rect(0, 100, 400, 300));

  z.SetZoomMode(zmFitWidth);
  EXPECT_DOUBLE_EQ(z.Zoom(), 4.0);
  z.SetZoomMode(zmFitHeight);
  EXPECT_DOUBLE_EQ(z.Zoom(), 8.0);
  EXPECT_EQ(z.ImageRect(), Rect(-200, 0, 600, 400));  // centred, wider than the frame
  z.SetZoomMode(zmActualSize);
  EXPECT_DOUBLE_EQ(z.Zoom(), 1.0);
  EXPECT_EQ(z.ImageRect(), Rect(150, 175, 250, 225));
}

TEST(ImageZoom, FitRatiosAreNotRounded) {
  TBitmap b(3, 7);
  TImageZoom z;
  z.SetBitmap(&b);
  z.SetFrameRect(Rect(0, 0, 10, 10));
  z.SetZoomMode(zmFitPage);
  EXPECT_DOUBLE_EQ(z.Zoom(), 10.0 / 7.0);
  EXPECT_EQ(z.ZoomedWidth(), 4);  // Round(4.2857)
  EXPECT_EQ(z.ZoomedHeight(), 10);
}

TEST(ImageZoom, EmptyFrameKeepsZoomAndEmptyBitmapFitsToZero) {
  TBitmap b(100, 50);
  TImageZoom z;
  z.SetBitmap(&b);
  z.SetZoom(2.5);
  z.SetZoomMode(zmFitPage);  // no frame yet: zoom stays
  EXPECT_DOUBLE_EQ(z.Zoom(), 2.5);
  EXPECT_EQ(z.ZoomedWidth(), 250);

  TBitmap empty;
  z.SetBitmap(&empty);
  z.SetFrameRect(Rect(0, 0, 10, 10));
  EXPECT_DOUBLE_EQ(z.Zoom(), 0.0);
  EXPECT_EQ(z.ZoomedWidth(), 0);
  z.SetBitmap(nullptr);
  EXPECT_EQ(z.ZoomedWidth(), 0);
  EXPECT_EQ(z.ZoomedHeight(), 0);
}

TEST(ImageZoom, WritingZoom) {
  TBitmap b(10, 10);
  TImageZoom z;
  z.SetBitmap(&b);
  z.SetZoom(0);
  EXPECT_DOUBLE_EQ(z.Zoom(), 1.0);
  EXPECT_EQ(z.ZoomMode(), zmCustom);
  z.SetZoomMode(zmActualSize);
  z.SetZoom(-2);
  EXPECT_DOUBLE_EQ(z.Zoom(), 1.0);
  EXPECT_EQ(z.ZoomMode(), zmCustom);  // even though the factor is unchanged
  z.SetZoom(std::nan(""));
  EXPECT_DOUBLE_EQ(z.Zoom(), 1.0);
  z.SetZoom(2.25);
  EXPECT_EQ(z.ZoomedWidth(), 22);  // Round(22.5) ties to even
}

TEST(ImageZoom, WritingZoomedSize) {
  TBitmap b(400, 300);
  TImageZoom z;
  z.SetBitmap(&b);
  z.SetFrameRect(Rect(0, 0, 1000, 1000));
  z.SetPosition(ipCenter);
  z.SetZoomedWidth(200);
  EXPECT_DOUBLE_EQ(z.Zoom(), 0.5);
  EXPECT_EQ(z.ZoomedHeight(), 150);
  EXPECT_EQ(z.ZoomMode(), zmCustom);
  EXPECT_EQ(z.ImageRect(), Rect(400, 425, 600, 575));  // realigned

  z.SetZoomMode(zmActualSize);  // zoom 1 again, zoomed width 400
  z.SetZoomedWidth(400);        // unchanged: ignored, the mode stays
  EXPECT_EQ(z.ZoomMode(), zmActualSize);
  z.SetZoomedWidth(0);
  z.SetZoomedWidth(-5);
  EXPECT_DOUBLE_EQ(z.Zoom(), 1.0);

  z.SetZoomedHeight(600);
  EXPECT_DOUBLE_EQ(z.Zoom(), 2.0);
  EXPECT_EQ(z.ZoomedWidth(), 800);

  TImageZoom none;
  none.SetZoomedWidth(100);
  EXPECT_EQ(none.ZoomedWidth(), 0);
  TBitmap empty;
  none.SetBitmap(&empty);
  none.SetZoomedWidth(100);  // no factor can give it: ignored
  EXPECT_DOUBLE_EQ(none.Zoom(), 1.0);
}

TEST(ImageZoom, PositionsAndManualOrigin) {
  TBitmap b(10, 20);
  TImageZoom z;
  z.SetBitmap(&b);
  z.SetFrameRect(Rect(5, 5, 35, 45));  // 30 x 40
  const struct { TImagePosition p; int l, t; } cases[] = {
      {ipTopLeft, 5, 5},      {ipTopCenter, 15, 5},     {ipTopRight, 25, 5},
      {ipCenterLeft, 5, 15},  {ipCenter, 15, 15},       {ipCenterRight, 25, 15},
      {ipBottomLeft, 5, 25},  {ipBottomCenter, 15, 25}, {ipBottomRight, 25, 25}};
  for (const auto& c : cases) {
    z.SetPosition(c.p);
    EXPECT_EQ(z.Left(), c.l) << c.p;
    EXPECT_EQ(z.Top(), c.t) << c.p;
  }
  z.SetPosition(ipTopLeft);
  z.SetPosition(ipHorzCenter);
  EXPECT_EQ(z.Left(), 15);
  EXPECT_EQ(z.Top(), 5);
  z.SetPosition(ipBottomRight);
  z.SetPosition(ipVertCenter);
  EXPECT_EQ(z.Left(), 25);
  EXPECT_EQ(z.Top(), 15);

  z.SetLeft(-7);
  EXPECT_EQ(z.Position(), ipManual);
  z.SetFrameRect(Rect(0, 0, 100, 100));  // manual: recalculation leaves it
  EXPECT_EQ(z.Left(), -7);
  EXPECT_EQ(z.Top(), 15);
  z.SetPosition(ipCenter);
  z.SetTop(z.Top());  // unchanged value: position stays
  EXPECT_EQ(z.Position(), ipCenter);
}

TEST(ImageZoom, CentringTruncatesTowardZero) {
  EXPECT_EQ(AlignInFrame(Rect(10, 0, 20, 10), 15, 4, ipCenter, {}).X, 8);  // 10 + (-5 div 2)
  EXPECT_EQ(AlignInFrame(Rect(10, 0, 20, 10), 15, 4, ipCenter, {}).Y, 3);
  EXPECT_EQ(AlignInFrame(Rect(0, 0, 10, 10), 3, 3, ipManual, {7, 8}), Point(7, 8));
}

TEST(ImageZoom, CanvasGivesTheFrame) {
  TBitmap b(10, 10);
  TImageZoom z;
  z.SetBitmap(&b);
  z.SetZoomMode(zmFitPage);
  z.SetCanvas(&kCanvas, Rect(0, 0, 50, 30));
  EXPECT_EQ(z.FrameRect(), Rect(0, 0, 50, 30));
  EXPECT_DOUBLE_EQ(z.Zoom(), 3.0);
  z.SetCanvas(nullptr, Rect(0, 0, 50, 30));
  EXPECT_TRUE(z.FrameRect().IsEmpty());
  EXPECT_EQ(z.PlanDraw(true).Result, TRect{});
  EXPECT_TRUE(z.PlanDraw(true).Fills.empty());
}

TImageZoom Scrolled(const TBitmap& b, bool align) {
  TImageZoom z;
  z.SetBitmap(&b);
  z.SetCanvas(&kCanvas, Rect(0, 0, 20, 20));
  z.SetZoom(3);
  z.SetLeft(-4);
  z.SetTop(0);
  z.SetPixelAlign(align);
  return z;
}

TEST(ImageZoom, DrawRectanglesPixelAligned) {
  TBitmap b(10, 10);
  const TZoomDrawPlan p = Scrolled(b, true).PlanDraw(false);
  EXPECT_EQ(p.Source, Rect(1, 0, 8, 7));
  EXPECT_EQ(p.Dest, Rect(-1, 0, 20, 21));
  EXPECT_EQ(p.Frame, Rect(0, 0, 20, 20));
  EXPECT_EQ(p.Result, Rect(0, 0, 20, 20));
  EXPECT_TRUE(p.Fills.empty());
}

TEST(ImageZoom, DrawRectanglesUnaligned) {
  TBitmap b(10, 10);
  const TZoomDrawPlan p = Scrolled(b, false).PlanDraw(false);
  EXPECT_EQ(p.Source, Rect(1, 0, 8, 7));
  EXPECT_EQ(p.Dest, Rect(0, 0, 20, 20));
  EXPECT_FALSE(p.Smooth);
}

TEST(ImageZoom, PixelAlignKeepsBlocksOnTheImageGrid) {
  // Every canvas pixel shows the source pixel under it in the full image grid,
  // wherever the image is scrolled.
  TBitmap b(10, 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) b.SetPixel(x, y, RGB(x * 20, y * 20, 7));
  for (int left = -12; left <= 3; ++left) {
    TImageZoom z = Scrolled(b, true);
    z.SetLeft(left);
    TBitmap canvas(20, 20);
    canvas.FillBytes(0);
    z.DrawTo(canvas, false, clWhite);
    for (int x = 0; x < 20; ++x) {
      const int sx = (x - left) / 3;
      if (x - left < 0 || sx >= 10) continue;
      EXPECT_EQ(canvas.Pixel(x, 5), RGB(sx * 20, 20, 7)) << "left " << left << " x " << x;
    }
  }
}

TEST(ImageZoom, OutsideTheFrameOnlyFills) {
  TBitmap b(10, 10);
  TImageZoom z;
  z.SetBitmap(&b);
  z.SetCanvas(&kCanvas, Rect(0, 0, 20, 20));
  z.SetLeft(30);
  TZoomDrawPlan p = z.PlanDraw(false);
  EXPECT_FALSE(p.HasCopy());
  EXPECT_TRUE(p.Fills.empty());
  EXPECT_TRUE(p.Result.IsEmpty());
  p = z.PlanDraw(true);
  ASSERT_EQ(p.Fills.size(), 1u);
  EXPECT_EQ(p.Fills[0], Rect(0, 0, 20, 20));
}

TEST(ImageZoom, MarginBandsAroundTheImage) {
  TBitmap b(10, 10);
  TImageZoom z;
  z.SetBitmap(&b);
  z.SetCanvas(&kCanvas, Rect(0, 0, 40, 30));
  z.SetPosition(ipCenter);  // image at (15, 10, 25, 20)
  z.SetSmooth(true);
  const TZoomDrawPlan p = z.PlanDraw(true);
  EXPECT_TRUE(p.Smooth);
  ASSERT_EQ(p.Fills.size(), 4u);
  EXPECT_EQ(p.Fills[0], Rect(0, 0, 40, 10));
  EXPECT_EQ(p.Fills[1], Rect(0, 20, 40, 30));
  EXPECT_EQ(p.Fills[2], Rect(0, 10, 15, 20));
  EXPECT_EQ(p.Fills[3], Rect(25, 10, 40, 20));

  // Every frame pixel is painted exactly once: by the image or by one band.
  TBitmap canvas(40, 30);
  canvas.FillBytes(0);
  TBitmap white(10, 10);
  white.FillBytes(255);
  z.SetBitmap(&white);
  EXPECT_EQ(z.DrawTo(canvas, true, RGB(255, 255, 255)), Rect(15, 10, 25, 20));
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(canvas.Pixel(x, y), clWhite) << x << "," << y;
}

TEST(ImageZoom, ReductionSqueezesTheWidenedSource) {
  TBitmap b(100, 100);
  TImageZoom z;
  z.SetBitmap(&b);
  z.SetCanvas(&kCanvas, Rect(0, 0, 30, 30));
  z.SetZoom(0.3);
  z.SetLeft(-5);
  z.SetPixelAlign(true);  // no effect below 1
  const TZoomDrawPlan p = z.PlanDraw(false);
  EXPECT_EQ(p.Dest, Rect(0, 0, 25, 30));
  EXPECT_EQ(p.Source, Rect(16, 0, 100, 100));  // Trunc(16.67), Ceil(100)
}

TEST(ImageZoom, ExtremeZoomsStaySane) {
  TBitmap b(10, 10);
  TImageZoom z;
  z.SetBitmap(&b);
  z.SetCanvas(&kCanvas, Rect(0, 0, 50, 50));
  z.SetPixelAlign(true);
  z.SetZoom(1e12);
  EXPECT_EQ(z.ZoomedWidth(), std::numeric_limits<int>::max());
  TZoomDrawPlan p = z.PlanDraw(true);
  EXPECT_EQ(p.Source, Rect(0, 0, 1, 1));
  EXPECT_EQ(p.Result, Rect(0, 0, 50, 50));
  TBitmap canvas(50, 50);
  b.SetPixel(0, 0, RGB(1, 2, 3));
  z.DrawTo(canvas, true, clWhite);
  EXPECT_EQ(canvas.Pixel(49, 49), RGB(1, 2, 3));

  z.SetZoom(1e-12);
  EXPECT_EQ(z.ZoomedWidth(), 0);
  p = z.PlanDraw(true);
  EXPECT_FALSE(p.HasCopy());
  EXPECT_TRUE(p.Result.IsEmpty());

  z.SetZoom(std::numeric_limits<double>::infinity());
  p = z.PlanDraw(false);  // no crash, nothing sensible to copy
  EXPECT_FALSE(p.HasCopy());
}

}  // namespace
}  // namespace velinor
