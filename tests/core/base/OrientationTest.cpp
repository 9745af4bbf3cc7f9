#include <gtest/gtest.h>

#include "core/base/Orientation.h"
#include "support/PixelCompare.h"

using namespace velinor;

namespace {

// A picture whose every pixel is unique: value = x + 16 * y.
TBitmap Numbered(int w, int h, TPixelFormat pf = TPixelFormat::pf24bit) {
  TBitmap b(w, h, pf);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, static_cast<TColor>(x + 16 * y));
  return b;
}

using test::SamePixels;

}  // namespace

// The EXIF table: where the stored picture's first row and first column end up.
TEST(Orientation, StoredCornersLandWhereTheTagSays) {
  const int w = 4, h = 3;
  const TBitmap src = Numbered(w, h);
  const TColor topLeft = 0, topRight = w - 1, bottomLeft = 16 * (h - 1);
  struct Case {
    int o;
    // Upright positions of stored (0,0), (w-1,0), (0,h-1), as fractions 0/1 of the upright sides.
    int tlx, tly, trx, try_, blx, bly;
  };
  const Case cases[] = {
      {1, 0, 0, 1, 0, 0, 1}, {2, 1, 0, 0, 0, 1, 1}, {3, 1, 1, 0, 1, 1, 0}, {4, 0, 1, 1, 1, 0, 0},
      {5, 0, 0, 0, 1, 1, 0}, {6, 1, 0, 1, 1, 0, 0}, {7, 1, 1, 1, 0, 0, 1}, {8, 0, 1, 0, 0, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.o);
    const TBitmap up = ApplyOrientation(src, c.o);
    ASSERT_EQ(up.Width(), c.o >= 5 ? h : w);
    ASSERT_EQ(up.Height(), c.o >= 5 ? w : h);
    const int mx = up.Width() - 1, my = up.Height() - 1;
    EXPECT_EQ(up.Pixel(c.tlx * mx, c.tly * my), topLeft);
    EXPECT_EQ(up.Pixel(c.trx * mx, c.try_ * my), topRight);
    EXPECT_EQ(up.Pixel(c.blx * mx, c.bly * my), bottomLeft);
  }
}

TEST(Orientation, InversesAndOtherFormats) {
  for (TPixelFormat pf : {TPixelFormat::pf24bit, TPixelFormat::pf32bit}) {
    const TBitmap src = Numbered(7, 5, pf);
    EXPECT_TRUE(SamePixels(ApplyOrientation(ApplyOrientation(src, 6), 8), src));
    EXPECT_TRUE(SamePixels(ApplyOrientation(ApplyOrientation(src, 3), 3), src));
    for (int o : {2, 4, 5, 7}) EXPECT_TRUE(SamePixels(ApplyOrientation(ApplyOrientation(src, o), o), src)) << o;
    // Two quarter turns are a half turn; mirror then half turn is a flip.
    EXPECT_TRUE(SamePixels(ApplyOrientation(ApplyOrientation(src, 6), 6), ApplyOrientation(src, 3)));
    EXPECT_TRUE(SamePixels(ApplyOrientation(ApplyOrientation(src, 2), 3), ApplyOrientation(src, 4)));
    for (int o : {0, 1, 9, -3}) EXPECT_TRUE(SamePixels(ApplyOrientation(src, o), src)) << o;
  }
  TBitmap pal(3, 2, TPixelFormat::pf8bit);
  pal.Palette.assign(256, clBlack);
  pal.Palette[5] = clRed;
  pal.ScanLine(0)[0] = 5;
  const TBitmap turned = ApplyOrientation(pal, 6);
  EXPECT_EQ(turned.Palette.size(), 256u);
  EXPECT_EQ(turned.ScanLine(0)[1], 5);  // stored top-left goes to the upright top-right
}
