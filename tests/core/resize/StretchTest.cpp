// The point and bicubic stretches against a pixel-by-pixel reading of their
// rules, on random rectangles.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "ResizeTestSupport.h"
#include "core/base/Arith.h"
#include "core/base/Parallel.h"
#include "core/resize/StretchEx.h"

using namespace velinor;
using namespace velinor::testing;

namespace {

double K(double d) {
  if (d < 1) return d * d * d - 2 * d * d + 1;
  if (d <= 2) return -d * d * d + 5 * d * d - 8 * d + 4;
  return 0;
}

void SlowStretch(bool interpolated, const TBitmap& src, TRect sr, TBitmap& dst, TRect clip, TRect dr) {
  ClipToBitmap(sr, src);
  if (sr.IsEmpty() || dr.IsEmpty()) return;
  ClipToBitmap(clip, dst);
  if (clip.IsEmpty()) return;
  if (sr.Width() == dr.Width() && sr.Height() == dr.Height()) {
    for (int y = clip.Top; y < clip.Bottom; ++y)
      for (int x = clip.Left; x < clip.Right; ++x)
        if (x >= dr.Left && x < dr.Left + sr.Width() && y >= dr.Top && y < dr.Top + sr.Height())
          dst.SetPixel(x, y, src.Pixel(x - dr.Left + sr.Left, y - dr.Top + sr.Top));
    return;
  }
  const double sx = static_cast<double>(dr.Width()) / sr.Width();
  const double sy = static_cast<double>(dr.Height()) / sr.Height();
  clip = IntersectRect(clip, dr);
  for (int y = clip.Top; y < clip.Bottom; ++y)
    for (int x = clip.Left; x < clip.Right; ++x) {
      const double fx = (x - dr.Left) / sx + sr.Left;
      const double fy = (y - dr.Top) / sy + sr.Top;
      if (!interpolated) {
        const int c = static_cast<int>(std::min<int64_t>(Trunc(fx), sr.Right - 1));
        const int r = static_cast<int>(std::min<int64_t>(Trunc(fy), sr.Bottom - 1));
        dst.SetPixel(x, y, src.Pixel(c, r));
        continue;
      }
      double sum[3] = {0, 0, 0};
      for (int64_t r = Floor(fy) - 1; r <= Floor(fy) + 2; ++r)
        for (int64_t c = Floor(fx) - 1; c <= Floor(fx) + 2; ++c) {
          const TColor p = src.Pixel(static_cast<int>(Clamp<int64_t>(c, sr.Left, sr.Right - 1)),
                                     static_cast<int>(Clamp<int64_t>(r, sr.Top, sr.Bottom - 1)));
          const double w = K(std::fabs(fx - c)) * K(std::fabs(fy - r));
          sum[0] += w * GetBValue(p);
          sum[1] += w * GetGValue(p);
          sum[2] += w * GetRValue(p);
        }
      int v[3];
      for (int k = 0; k < 3; ++k) v[k] = sum[k] <= 0 ? 0 : (sum[k] > 254 ? 255 : static_cast<int>(Round(sum[k])));
      dst.SetPixel(x, y, RGB(v[2], v[1], v[0]));
    }
}

TRect RandomRect(std::mt19937& rng, int w, int h) {
  std::uniform_int_distribution<int> dx(-w / 3, w + w / 3), dy(-h / 3, h + h / 3);
  return Rect(dx(rng), dy(rng), dx(rng), dy(rng));  // sometimes reversed, sometimes outside
}

}  // namespace

TEST(Stretch, NearestPicksTheSpecifiedColumns) {
  TBitmap row(4, 1);
  for (int x = 0; x < 4; ++x) row.SetPixel(x, 0, RGB(x * 10, 0, 0));
  TBitmap half(2, 1);
  StretchNearest(row, BitmapBounds(row), half, FullImageRect, BitmapBounds(half));
  EXPECT_EQ(GetRValue(half.Pixel(0, 0)), 0);
  EXPECT_EQ(GetRValue(half.Pixel(1, 0)), 20);

  TBitmap two(2, 1), four(4, 1);
  two.SetPixel(0, 0, RGB(1, 1, 1));
  two.SetPixel(1, 0, RGB(2, 2, 2));
  StretchNearest(two, BitmapBounds(two), four, FullImageRect, BitmapBounds(four));
  EXPECT_EQ(four.Pixel(0, 0), RGB(1, 1, 1));
  EXPECT_EQ(four.Pixel(1, 0), RGB(1, 1, 1));
  EXPECT_EQ(four.Pixel(2, 0), RGB(2, 2, 2));
  EXPECT_EQ(four.Pixel(3, 0), RGB(2, 2, 2));
}

TEST(Stretch, InterpolatedReturnsThePixelAtWholePositions) {
  const TBitmap src = RandomImage(5, 4, 21);
  TBitmap dst(10, 8);
  StretchInterpolated(src, BitmapBounds(src), dst, FullImageRect, BitmapBounds(dst));
  for (int y = 0; y < 8; y += 2)
    for (int x = 0; x < 10; x += 2) EXPECT_EQ(dst.Pixel(x, y), src.Pixel(x / 2, y / 2));
}

TEST(Stretch, BothMatchTheirRulesOnRandomRectangles) {
  std::mt19937 rng(5);
  for (int round = 0; round < 300; ++round) {
    const int sw = 1 + static_cast<int>(rng() % 40), sh = 1 + static_cast<int>(rng() % 40);
    const int dw = 1 + static_cast<int>(rng() % 60), dh = 1 + static_cast<int>(rng() % 60);
    const TBitmap src = RandomImage(sw, sh, static_cast<uint32_t>(round));
    const TRect sr = round % 5 == 0 ? BitmapBounds(src) : RandomRect(rng, sw, sh);
    const TRect dr = round % 7 == 0 ? Rect(3, 2, 3 + sr.Width(), 2 + sr.Height()) : RandomRect(rng, dw, dh);
    const TRect clip = round % 3 == 0 ? FullImageRect : RandomRect(rng, dw, dh);
    for (bool interpolated : {false, true}) {
      TBitmap fast = RandomImage(dw, dh, 999), slow(fast);
      if (interpolated)
        StretchInterpolated(src, sr, fast, clip, dr);
      else
        StretchNearest(src, sr, fast, clip, dr);
      SlowStretch(interpolated, src, sr, slow, clip, dr);
      ASSERT_TRUE(SamePixels(fast, slow)) << "round " << round << (interpolated ? " interpolated" : " nearest");
    }
  }
}

TEST(Stretch, ThumbnailOfALargeImageMatchesAndIsThreadIndependent) {
  const TBitmap src = RandomImage(1203, 797, 8);
  TBitmap slow(150, 100);
  SlowStretch(true, src, BitmapBounds(src), slow, FullImageRect, BitmapBounds(slow));
  for (int threads : {1, 2}) {
    SetEngineThreads(threads);
    for (bool interpolated : {false, true}) {
      TBitmap fast(150, 100), big(700, 467), bigSlow(700, 467);
      if (interpolated) {
        StretchInterpolated(src, BitmapBounds(src), fast, FullImageRect, BitmapBounds(fast));
        EXPECT_TRUE(SamePixels(fast, slow));
        StretchInterpolated(src, BitmapBounds(src), big, FullImageRect, BitmapBounds(big));
      } else {
        StretchNearest(src, BitmapBounds(src), big, FullImageRect, BitmapBounds(big));
      }
      SlowStretch(interpolated, src, BitmapBounds(src), bigSlow, FullImageRect, BitmapBounds(bigSlow));
      EXPECT_TRUE(SamePixels(big, bigSlow)) << threads << " threads";
    }
  }
  SetEngineThreads(0);
}

TEST(Stretch, SourceAndDestinationFormats) {
  // 8- and 32-bit sources are read as colours; a 32-bit destination gets opaque pixels.
  TBitmap pal = RandomImage(6, 5, 30, TPixelFormat::pf8bit);
  TBitmap as24(pal);
  as24.SetPixelFormat(TPixelFormat::pf24bit);
  TBitmap a(11, 9), b(11, 9);
  StretchInterpolated(pal, BitmapBounds(pal), a, FullImageRect, BitmapBounds(a));
  StretchInterpolated(as24, BitmapBounds(as24), b, FullImageRect, BitmapBounds(b));
  EXPECT_TRUE(SamePixels(a, b));

  TBitmap d32(11, 9, TPixelFormat::pf32bit);
  StretchNearest(as24, BitmapBounds(as24), d32, FullImageRect, BitmapBounds(d32));
  StretchNearest(as24, BitmapBounds(as24), a, FullImageRect, BitmapBounds(a));
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 11; ++x) {
      EXPECT_EQ(d32.Pixel(x, y), a.Pixel(x, y));
      EXPECT_EQ(d32.ScanLine(y)[x * 4 + 3], 255);
    }

  TBitmap d8(4, 4, TPixelFormat::pf8bit);
  EXPECT_THROW(StretchNearest(as24, BitmapBounds(as24), d8, FullImageRect, BitmapBounds(d8)), std::invalid_argument);
}
