#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "core/view/Checkerboard.h"
#include "core/view/Thumbnail.h"

namespace velinor {
namespace {

TBitmap RandomAlpha(int w, int h, unsigned seed) {
  std::mt19937 rng(seed);
  TBitmap b(w, h, TPixelFormat::pf32bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < 4 * w; ++x) b.ScanLine(y)[x] = static_cast<uint8_t>(rng());
  return b;
}

// The picture over the board, one pixel at a time, in floating point.
double SlowOver(int c, int a, int board) { return (c * a + board * (255.0 - a)) / 255.0; }

TEST(Checkerboard, CellsAlternateFromAWhiteCorner) {
  EXPECT_EQ(CheckerShade(0, 0), CheckerLight);
  EXPECT_EQ(CheckerShade(7, 7), CheckerLight);
  EXPECT_EQ(CheckerShade(8, 0), CheckerDark);
  EXPECT_EQ(CheckerShade(0, 8), CheckerDark);
  EXPECT_EQ(CheckerShade(8, 8), CheckerLight);
  EXPECT_EQ(CheckerShade(-1, 0), CheckerDark);
  EXPECT_EQ(CheckerShade(-8, -8), CheckerLight);
}

TEST(Checkerboard, SplitAndComposeIsThePictureOverTheBoard) {
  const TBitmap picture = RandomAlpha(29, 19, 5);
  TBitmap premultiplied, alpha;
  SplitAlpha(picture, premultiplied, alpha);
  ASSERT_EQ(premultiplied.PixelFormat(), TPixelFormat::pf24bit);
  TBitmap shown = premultiplied;
  ComposeOverCheckerboard(shown, alpha, FullImageRect, 3, 5);
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) {
      const uint8_t* s = picture.ScanLine(y) + 4 * x;
      for (int c = 0; c < 3; ++c)
        ASSERT_LE(std::abs(shown.ScanLine(y)[3 * x + c] - SlowOver(s[c], s[3], CheckerShade(x + 3, y + 5))), 1.0)
            << x << "," << y;
    }
}

TEST(Checkerboard, ThumbnailShowsTheBoardNeverTheHiddenColours) {
  // A 32 x 32 picture, red on its left half, its right half fully transparent
  // but holding green.
  TBitmap picture(32, 32, TPixelFormat::pf32bit);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      uint8_t* p = picture.ScanLine(y) + 4 * x;
      p[0] = 0;
      p[1] = x < 16 ? 0 : 255;
      p[2] = x < 16 ? 255 : 0;
      p[3] = x < 16 ? 255 : 0;
    }
  TBitmap thumb(40, 40);
  const TRect place = MakeThumbnail(picture, thumb, clWhite, clBtnFace, 0, 0);
  ASSERT_EQ(place.Width(), 32);
  for (int y = place.Top; y < place.Bottom; ++y)
    for (int x = place.Left; x < place.Right; ++x) {
      const TColor c = thumb.Pixel(x, y);
      if (x - place.Left < 15) {
        EXPECT_EQ(c, RGB(255, 0, 0));
      } else if (x - place.Left > 16) {
        const int g = CheckerShade(x - place.Left, y - place.Top);
        EXPECT_EQ(c, RGB(g, g, g)) << x << "," << y;
      }
    }
  // An opaque 32-bit picture gives the thumbnail of its 24-bit copy.
  TBitmap opaque = RandomAlpha(50, 30, 9);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 50; ++x) opaque.ScanLine(y)[4 * x + 3] = 255;
  TBitmap flat = opaque;
  flat.SetPixelFormat(TPixelFormat::pf24bit);
  TBitmap a(30, 20), b(30, 20);
  MakeThumbnail(opaque, a, clWhite, clBtnFace, 0, 0);
  MakeThumbnail(flat, b, clWhite, clBtnFace, 0, 0);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x) ASSERT_EQ(a.Pixel(x, y), b.Pixel(x, y));
}

}  // namespace
}  // namespace velinor
