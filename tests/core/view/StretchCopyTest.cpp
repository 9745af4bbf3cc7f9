// The core stretch copies against slow, obvious versions on random inputs.
#include "core/view/StretchCopy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "core/base/Parallel.h"

namespace velinor {
namespace {

TBitmap RandomBitmap(int w, int h, std::mt19937& rng, TPixelFormat pf = TPixelFormat::pf24bit) {
  TBitmap b(w, h, pf);
  std::uniform_int_distribution<int> d(0, 255);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, RGB(d(rng), d(rng), d(rng)));
  return b;
}

TRect RandomRectIn(int w, int h, std::mt19937& rng) {
  std::uniform_int_distribution<int> dx(0, w - 1), dy(0, h - 1);
  const int l = dx(rng), t = dy(rng);
  std::uniform_int_distribution<int> ex(l + 1, w), ey(t + 1, h);
  return Rect(l, t, ex(rng), ey(rng));
}

int Channel(TColor c, int k) { return k == 0 ? GetBValue(c) : k == 1 ? GetGValue(c) : GetRValue(c); }

// Nearest: the source pixel under the centre of each destination pixel.
TColor SlowNearest(const TBitmap& src, TRect s, TRect d, int x, int y) {
  const double fx = (x - d.Left + 0.5) * s.Width() / d.Width();
  const double fy = (y - d.Top + 0.5) * s.Height() / d.Height();
  return src.Pixel(s.Left + static_cast<int>(std::floor(fx)), s.Top + static_cast<int>(std::floor(fy)));
}

// Area average: each source pixel weighted by how much of it the destination
// pixel's footprint covers.
double SlowAverage(const TBitmap& src, TRect s, TRect d, int x, int y, int k) {
  const double sx = double(s.Width()) / d.Width(), sy = double(s.Height()) / d.Height();
  const double x0 = s.Left + (x - d.Left) * sx, x1 = x0 + sx;
  const double y0 = s.Top + (y - d.Top) * sy, y1 = y0 + sy;
  double sum = 0, area = 0;
  for (int j = static_cast<int>(std::floor(y0)); j < y1; ++j)
    for (int i = static_cast<int>(std::floor(x0)); i < x1; ++i) {
      const double w = (std::min(x1, i + 1.0) - std::max(x0, double(i))) *
                       (std::min(y1, j + 1.0) - std::max(y0, double(j)));
      if (w <= 0) continue;
      sum += w * Channel(src.Pixel(i, j), k);
      area += w;
    }
  return sum / area;
}

TEST(StretchCopy, NearestMatchesSlowVersion) {
  std::mt19937 rng(11);
  for (int iter = 0; iter < 200; ++iter) {
    const TBitmap src = RandomBitmap(1 + rng() % 23, 1 + rng() % 23, rng);
    TBitmap dst = RandomBitmap(1 + rng() % 40, 1 + rng() % 40, rng,
                               iter % 2 ? TPixelFormat::pf32bit : TPixelFormat::pf24bit);
    const TBitmap before = dst;
    const TRect s = RandomRectIn(src.Width(), src.Height(), rng);
    // The destination may reach past the bitmap and the clip.
    const TRect d = Rect(int(rng() % 20) - 5, int(rng() % 20) - 5, 0, 0);
    const TRect dd = Rect(d.Left, d.Top, d.Left + 1 + int(rng() % 60), d.Top + 1 + int(rng() % 60));
    const TRect clip = RandomRectIn(dst.Width(), dst.Height(), rng);
    StretchCopyNearest(src, s, dst, dd, clip);
    const TRect area = IntersectRect(dd, clip);
    for (int y = 0; y < dst.Height(); ++y)
      for (int x = 0; x < dst.Width(); ++x) {
        const TColor want = PtInRect(area, {x, y}) ? SlowNearest(src, s, dd, x, y) : before.Pixel(x, y);
        ASSERT_EQ(dst.Pixel(x, y), want) << iter << " at " << x << "," << y;
      }
  }
}

TEST(StretchCopy, AveragedMatchesSlowVersion) {
  std::mt19937 rng(12);
  for (int iter = 0; iter < 200; ++iter) {
    const TBitmap src = RandomBitmap(1 + rng() % 30, 1 + rng() % 30, rng,
                                     iter % 3 ? TPixelFormat::pf24bit : TPixelFormat::pf32bit);
    TBitmap dst = RandomBitmap(1 + rng() % 30, 1 + rng() % 30, rng);
    const TBitmap before = dst;
    const TRect s = RandomRectIn(src.Width(), src.Height(), rng);
    const TRect d = Rect(int(rng() % 10) - 3, int(rng() % 10) - 3, 0, 0);
    const TRect dd = Rect(d.Left, d.Top, d.Left + 1 + int(rng() % 40), d.Top + 1 + int(rng() % 40));
    const TRect clip = RandomRectIn(dst.Width(), dst.Height(), rng);
    StretchCopyAveraged(src, s, dst, dd, clip);
    const TRect area = IntersectRect(dd, clip);
    for (int y = 0; y < dst.Height(); ++y)
      for (int x = 0; x < dst.Width(); ++x) {
        if (!PtInRect(area, {x, y})) {
          ASSERT_EQ(dst.Pixel(x, y), before.Pixel(x, y));
          continue;
        }
        for (int k = 0; k < 3; ++k)
          ASSERT_LE(std::abs(Channel(dst.Pixel(x, y), k) - SlowAverage(src, s, dd, x, y, k)), 0.5 + 1e-9)
              << iter << " at " << x << "," << y;
      }
  }
}

TEST(StretchCopy, SameSizeCopiesAndIntegerReductionAverages) {
  std::mt19937 rng(3);
  const TBitmap src = RandomBitmap(8, 6, rng);
  TBitmap a(8, 6), n(8, 6);
  StretchCopyAveraged(src, BitmapBounds(src), a, BitmapBounds(a), BitmapBounds(a));
  StretchCopyNearest(src, BitmapBounds(src), n, BitmapBounds(n), BitmapBounds(n));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) {
      EXPECT_EQ(a.Pixel(x, y), src.Pixel(x, y));
      EXPECT_EQ(n.Pixel(x, y), src.Pixel(x, y));
    }

  TBitmap two(2, 1);
  two.SetPixel(0, 0, RGB(10, 0, 0));
  two.SetPixel(1, 0, RGB(21, 0, 0));
  TBitmap one(1, 1);
  StretchCopyAveraged(two, BitmapBounds(two), one, BitmapBounds(one), BitmapBounds(one));
  EXPECT_EQ(GetRValue(one.Pixel(0, 0)), 16);  // 15.5 rounds up
}

TEST(StretchCopy, AveragedIsTheSameOnOneAndTwoThreads) {
  std::mt19937 rng(21);
  const TBitmap src = RandomBitmap(700, 500, rng);
  TBitmap one(230, 170), two(230, 170);
  one.FillBytes(0);
  two.FillBytes(0);
  SetEngineThreads(1);
  StretchCopyAveraged(src, Rect(3, 1, 700, 499), one, Rect(-5, 0, 230, 171), BitmapBounds(one));
  SetEngineThreads(2);
  StretchCopyAveraged(src, Rect(3, 1, 700, 499), two, Rect(-5, 0, 230, 171), BitmapBounds(two));
  SetEngineThreads(0);
  EXPECT_EQ(0, std::memcmp(one.Bits(), two.Bits(), one.ByteSize()));
}

TEST(StretchCopy, EmptyInputsDoNothing) {
  TBitmap src(4, 4), dst(4, 4);
  src.FillBytes(200);
  dst.FillBytes(7);
  TBitmap empty;
  StretchCopyNearest(empty, Rect(0, 0, 4, 4), dst, Rect(0, 0, 4, 4), Rect(0, 0, 4, 4));
  StretchCopyAveraged(src, Rect(2, 2, 2, 4), dst, Rect(0, 0, 4, 4), Rect(0, 0, 4, 4));
  StretchCopyAveraged(src, Rect(0, 0, 4, 4), dst, Rect(0, 0, 0, 4), Rect(0, 0, 4, 4));
  StretchCopyNearest(src, Rect(0, 0, 4, 4), dst, Rect(0, 0, 4, 4), Rect(5, 5, 9, 9));
  StretchCopyNearest(src, Rect(0, 0, 4, 4), empty, Rect(0, 0, 4, 4), Rect(0, 0, 4, 4));
  EXPECT_EQ(dst.Pixel(0, 0), RGB(7, 7, 7));
  TBitmap pal(2, 2, TPixelFormat::pf8bit);
  EXPECT_THROW(StretchCopyNearest(pal, Rect(0, 0, 2, 2), dst, Rect(0, 0, 2, 2), Rect(0, 0, 2, 2)),
               std::invalid_argument);
}

}  // namespace
}  // namespace velinor
