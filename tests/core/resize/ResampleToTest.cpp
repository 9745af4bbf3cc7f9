// The dispatcher and the in-place resize.
#include <gtest/gtest.h>

#include "ResizeTestSupport.h"
#include "core/base/Errors.h"
#include "core/resize/StretchEx.h"

using namespace velinor;
using namespace velinor::testing;

namespace {

TBitmap Nearest(const TBitmap& src, int w, int h) {
  TBitmap d(w, h);
  StretchNearest(src, BitmapBounds(src), d, FullImageRect, BitmapBounds(d));
  return d;
}

TBitmap Filtered(int filter, const TBitmap& src, int w, int h) {
  TBitmap d(w, h);
  ResampleFiltered(filter, FilterTable[filter].Support, src, d);
  return d;
}

}  // namespace

TEST(ResampleTo, ChoosesTheFilterFromTheDirectionOfTheChange) {
  EXPECT_EQ(ChooseResampleFilter(200, 200, 100, 100), fiLanczos3);  // ratio 2 is not above 2
  EXPECT_EQ(ChooseResampleFilter(201, 100, 100, 100), fiBSpline);
  EXPECT_EQ(ChooseResampleFilter(300, 50, 100, 100), fiLanczos3);   // the height shrinks
  EXPECT_EQ(ChooseResampleFilter(100, 100, 100, 100), fiLanczos3);

  const TBitmap src = RandomImage(100, 100, 1);
  TBitmap dst, copy(src);
  ResampleTo(201, 100, rmFiltered, dst, copy);
  EXPECT_TRUE(SamePixels(dst, Filtered(fiBSpline, src, 201, 100)));
  ResampleTo(300, 50, rmFiltered, dst, copy);
  EXPECT_TRUE(SamePixels(dst, Filtered(fiLanczos3, src, 300, 50)));
  ResampleTo(150, 150, 1, dst, copy);  // unknown modes filter
  EXPECT_TRUE(SamePixels(dst, Filtered(fiLanczos3, src, 150, 150)));
}

TEST(ResampleTo, PointModeForNearestAndForSidesOfOne) {
  const TBitmap src = RandomImage(30, 20, 2);
  TBitmap dst, copy(src);
  ResampleTo(45, 7, rmNearest, dst, copy);
  EXPECT_TRUE(SamePixels(dst, Nearest(src, 45, 7)));
  for (int mode : {rmInterpolated, rmFiltered}) {
    ResampleTo(1, 12, mode, dst, copy);
    EXPECT_TRUE(SamePixels(dst, Nearest(src, 1, 12))) << mode;
    ResampleTo(12, 1, mode, dst, copy);
    EXPECT_TRUE(SamePixels(dst, Nearest(src, 12, 1))) << mode;
  }
  TBitmap column = RandomImage(1, 9, 3), columnCopy(column);
  ResampleTo(5, 20, rmFiltered, dst, columnCopy);
  EXPECT_TRUE(SamePixels(dst, Nearest(column, 5, 20)));
}

TEST(ResampleTo, InterpolatedMode) {
  const TBitmap src = RandomImage(30, 20, 4);
  TBitmap dst, copy(src), expected(61, 13);
  ResampleTo(61, 13, rmInterpolated, dst, copy);
  StretchInterpolated(src, BitmapBounds(src), expected, FullImageRect, BitmapBounds(expected));
  EXPECT_TRUE(SamePixels(dst, expected));
}

TEST(ResampleTo, ZeroSizesEmptySourcesAndAliasing) {
  TBitmap src = RandomImage(8, 8, 5), dst = RandomImage(3, 3, 6);
  ResampleTo(0, 5, rmFiltered, dst, src);
  EXPECT_TRUE(dst.Empty());
  dst = RandomImage(3, 3, 6);
  ResampleTo(5, -1, rmNearest, dst, src);
  EXPECT_TRUE(dst.Empty());

  TBitmap empty, kept = RandomImage(3, 3, 7);
  const TBitmap before(kept);
  ResampleTo(10, 10, rmFiltered, kept, empty);
  EXPECT_TRUE(SamePixels(kept, before));

  // The destination may be the source.
  const TBitmap original(src);
  ResampleTo(13, 5, rmFiltered, src, src);
  EXPECT_TRUE(SamePixels(src, Filtered(fiLanczos3, original, 13, 5)));
}

TEST(ResampleTo, DestinationBecomes24BitAndFilteredSourceToo) {
  TBitmap src = RandomImage(10, 6, 8, TPixelFormat::pf32bit);
  TBitmap dst(4, 4, TPixelFormat::pf8bit);
  ResampleTo(20, 12, rmFiltered, dst, src);
  EXPECT_EQ(dst.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(src.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(dst.Width(), 20);
  EXPECT_EQ(dst.Height(), 12);
}

TEST(ResizeImage, SameSizeCopiesInEveryMode) {
  const TBitmap src = RandomImage(57, 31, 9);
  for (int mode : {rmNearest, rmInterpolated, rmFiltered}) {
    TBitmap b(src);
    ResizeImage(57, 31, mode, b);
    EXPECT_TRUE(SamePixels(b, src)) << mode;
  }
}

TEST(ResizeImage, ResizesInPlaceAndKeepsTheTransparencyFlag) {
  const TBitmap src = RandomImage(40, 30, 10);
  TBitmap b(src);
  b.Transparent = true;
  b.TransparentColor = RGB(1, 2, 3);
  int changes = 0;
  b.OnChange = [&] { ++changes; };
  ResizeImage(20, 15, rmFiltered, b);
  EXPECT_TRUE(SamePixels(b, Filtered(fiLanczos3, src, 20, 15)));
  EXPECT_TRUE(b.Transparent);
  EXPECT_EQ(b.TransparentColor, RGB(1, 2, 3));
  EXPECT_GT(changes, 0);  // the view hears about the new size

  TBitmap one = FilledImage(1, 1, RGB(9, 8, 7));
  ResizeImage(3, 2, rmFiltered, one);
  ASSERT_EQ(one.Width(), 3);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(one.Pixel(x, y), RGB(9, 8, 7));

  TBitmap empty;
  ResizeImage(10, 10, rmFiltered, empty);
  EXPECT_TRUE(empty.Empty());

  TBitmap gone = RandomImage(4, 4, 11);
  ResizeImage(0, 10, rmFiltered, gone);
  EXPECT_TRUE(gone.Empty());
}

TEST(ResizeImage, FailureKeepsThePicture) {
  const TBitmap src = RandomImage(16, 16, 12);
  TBitmap b(src);
  EXPECT_THROW(ResizeImage(MaxImageSide + 1, 10, rmFiltered, b), EOutOfLimits);
  EXPECT_TRUE(SamePixels(b, src));
}
