// MakeThumbnail: fit, centring, never enlarging, frame and shadow.
#include "core/view/Thumbnail.h"

#include <gtest/gtest.h>

#include <random>

namespace velinor {
namespace {

constexpr TColor kFrame = RGB(200, 190, 180);

TBitmap Random(int w, int h, unsigned seed) {
  std::mt19937 rng(seed);
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w * 3; ++x) b.ScanLine(y)[x] = static_cast<uint8_t>(rng());
  return b;
}

TEST(Thumbnail, FitRoundsHalfToEvenAndNeverEnlarges) {
  int w = 0, h = 0;
  ASSERT_TRUE(FitThumbnailSize(400, 300, 133, 91, w, h));
  EXPECT_EQ(w, 121);
  EXPECT_EQ(h, 91);
  ASSERT_TRUE(FitThumbnailSize(4, 5, 2, 10, w, h));  // s = 2: 5 / 2 = 2.5 -> 2
  EXPECT_EQ(w, 2);
  EXPECT_EQ(h, 2);
  ASSERT_TRUE(FitThumbnailSize(1000, 1, 100, 100, w, h));  // 0.1 -> at least 1
  EXPECT_EQ(w, 100);
  EXPECT_EQ(h, 1);
  ASSERT_TRUE(FitThumbnailSize(20, 10, 133, 91, w, h));
  EXPECT_EQ(w, 20);
  EXPECT_EQ(h, 10);
  EXPECT_FALSE(FitThumbnailSize(0, 10, 133, 91, w, h));
  EXPECT_FALSE(FitThumbnailSize(10, 10, 0, 91, w, h));
  EXPECT_FALSE(FitThumbnailSize(10, 10, 5, -1, w, h));
}

TEST(Thumbnail, MainWindowPreviewLayout) {
  const TBitmap src = Random(400, 300, 1);
  TBitmap t(139, 97);
  t.FillBytes(0);
  const TRect placed = MakeThumbnail(src, t, clWhite, kFrame, 4, 0);
  EXPECT_EQ(placed, Rect(7, 1, 128, 92));
  // 3-D frame on (0, 0, 135, 93): light top and left, dark bottom and right.
  EXPECT_EQ(t.Pixel(0, 0), ThumbnailFrameLight);
  EXPECT_EQ(t.Pixel(60, 0), ThumbnailFrameLight);
  EXPECT_EQ(t.Pixel(0, 50), ThumbnailFrameLight);
  EXPECT_EQ(t.Pixel(134, 50), ThumbnailFrameDark);
  EXPECT_EQ(t.Pixel(60, 92), ThumbnailFrameDark);
  EXPECT_EQ(t.Pixel(134, 0), ThumbnailFrameDark);
  EXPECT_EQ(t.Pixel(0, 92), ThumbnailFrameDark);
  // Background beside the picture, frame colour where the shadow does not reach.
  EXPECT_EQ(t.Pixel(3, 50), clWhite);
  EXPECT_EQ(t.Pixel(130, 50), clWhite);
  EXPECT_EQ(t.Pixel(136, 1), kFrame);
  EXPECT_EQ(t.Pixel(2, 95), kFrame);
  // The shadow's first ring darkens the frame colour by 70 - 70 div 5 = 56 %,
  // give or take the noise.
  EXPECT_NEAR(GetRValue(t.Pixel(135, 50)), 200 - 200 * 56 / 100, 3);
  EXPECT_NEAR(GetGValue(t.Pixel(60, 93)), 190 - 190 * 56 / 100, 3);
}

TEST(Thumbnail, SmallPictureIsCentredUnscaled) {
  const TBitmap src = Random(20, 10, 2);
  TBitmap t(139, 97);
  const TRect placed = MakeThumbnail(src, t, clWhite, kFrame, 4, 0);
  EXPECT_EQ(placed, Rect(1 + 56, 1 + 40, 1 + 56 + 20, 1 + 40 + 10));
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) ASSERT_EQ(t.Pixel(placed.Left + x, placed.Top + y), src.Pixel(x, y));
}

TEST(Thumbnail, MarginAndNoShadow) {
  const TBitmap src = Random(50, 50, 3);
  TBitmap t(40, 30);
  const TRect placed = MakeThumbnail(src, t, RGB(1, 2, 3), kFrame, 0, 2);
  EXPECT_EQ(placed, Rect(7, 2, 33, 28));  // 26 x 26 in (2, 2, 38, 28)
  EXPECT_EQ(t.Pixel(0, 0), RGB(1, 2, 3));  // no frame, no shadow
  EXPECT_EQ(t.Pixel(39, 29), RGB(1, 2, 3));
  EXPECT_EQ(t.Pixel(6, 15), RGB(1, 2, 3));
}

TEST(Thumbnail, EmptySourceAndDegenerateThumbnails) {
  TBitmap empty;
  TBitmap t(30, 20);
  EXPECT_TRUE(MakeThumbnail(empty, t, clWhite, kFrame, 4, 0).IsEmpty());
  EXPECT_EQ(t.Pixel(10, 10), clWhite);
  EXPECT_EQ(t.Pixel(0, 0), ThumbnailFrameLight);

  const TBitmap src = Random(8, 8, 4);
  TBitmap none;
  EXPECT_TRUE(MakeThumbnail(src, none, clWhite, kFrame, 4, 0).IsEmpty());
  // Smaller than shadow and frame: the squeezed rect draws nothing inside out.
  TBitmap tiny(5, 5);
  tiny.FillBytes(9);
  EXPECT_TRUE(MakeThumbnail(src, tiny, clWhite, kFrame, 4, 0).IsEmpty());
  EXPECT_EQ(tiny.Pixel(4, 0), kFrame);
  TBitmap tight(10, 10);
  EXPECT_TRUE(MakeThumbnail(src, tight, clWhite, kFrame, 0, 5).IsEmpty());
  EXPECT_EQ(tight.Pixel(5, 5), clWhite);
}

}  // namespace
}  // namespace velinor
