#include <gtest/gtest.h>

#include "core/base/Bitmap.h"
#include "core/base/Errors.h"

using namespace velinor;

TEST(Bitmap, RowsArePaddedToFourBytes) {
  TBitmap b(5, 3);
  EXPECT_EQ(b.Stride(), 16u);
  EXPECT_EQ(b.ScanLine(1) - b.ScanLine(0), 16);
  TBitmap c(3, 2, TPixelFormat::pf32bit);
  EXPECT_EQ(c.Stride(), 12u);
}

TEST(Bitmap, ClipNormalisesAndIntersects) {
  TBitmap b(640, 480);
  TRect r = FullImageRect;
  ClipToBitmap(r, b);
  EXPECT_EQ(r, Rect(0, 0, 640, 480));
  r = Rect(10, 10, 5, 5);
  ClipToBitmap(r, b);
  EXPECT_EQ(r, Rect(5, 5, 10, 10));
  r = Rect(700, 0, 800, 10);
  ClipToBitmap(r, b);
  EXPECT_TRUE(r.IsEmpty());
  TBitmap empty;
  r = FullImageRect;
  ClipToBitmap(r, empty);
  EXPECT_TRUE(r.IsEmpty());
}

TEST(Bitmap, PixelFormatConversionsKeepColours) {
  TBitmap b(2, 1);
  b.SetPixel(0, 0, RGB(10, 20, 30));
  b.SetPixel(1, 0, RGB(200, 100, 0));
  b.SetPixelFormat(TPixelFormat::pf32bit);
  EXPECT_EQ(b.Pixel(0, 0), RGB(10, 20, 30));
  EXPECT_EQ(b.ScanLine(0)[3], 255);
  b.SetPixelFormat(TPixelFormat::pf24bit);
  EXPECT_EQ(b.Pixel(1, 0), RGB(200, 100, 0));

  TBitmap p(2, 1, TPixelFormat::pf8bit);
  p.Palette = {RGB(1, 2, 3), RGB(4, 5, 6)};
  p.ScanLine(0)[0] = 1;
  p.ScanLine(0)[1] = 0;
  p.SetPixelFormat(TPixelFormat::pf24bit);
  EXPECT_EQ(p.Pixel(0, 0), RGB(4, 5, 6));
  EXPECT_EQ(p.Pixel(1, 0), RGB(1, 2, 3));
  EXPECT_THROW(p.SetPixelFormat(TPixelFormat::pf8bit), std::logic_error);
}

TEST(Bitmap, SizeChangesNotifyAndCopiesAreDeep) {
  TBitmap b(4, 4);
  int changes = 0;
  b.OnChange = [&] { ++changes; };
  b.SetSize(4, 4);
  EXPECT_EQ(changes, 0);
  b.SetSize(8, 2);
  EXPECT_EQ(changes, 1);
  b.FillBytes(7);
  TBitmap c = b;
  c.ScanLine(0)[0] = 9;
  EXPECT_EQ(b.ScanLine(0)[0], 7);
  EXPECT_EQ(c.Width(), 8);
}

TEST(Bitmap, AbsurdSizesAreRefusedBeforeAllocation) {
  EXPECT_THROW(TBitmap(100000, 10), EOutOfLimits);
  EXPECT_THROW(TBitmap(60000, 60000), EOutOfLimits);
  EXPECT_THROW(CheckImageSize(-1, 5, 3), EOutOfLimits);
  EXPECT_NO_THROW(CheckImageSize(6000, 4000, 3));
}
