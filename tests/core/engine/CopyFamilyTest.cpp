#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "TestImages.h"
#include "core/engine/CopyFamily.h"

using namespace velinor;
using namespace velinor::test;

namespace {

// The placement rule written out pixel by pixel, with the per-pixel rule given
// as a function of (destination pixel, source x, source y).
void SlowPlace(const TBitmap& src, TRect sr, TBitmap& dst, int X, int Y, TRect dr,
               const std::function<void(uint8_t*, int, int)>& rule) {
  ClipToBitmap(sr, src);
  if (sr.IsEmpty()) return;
  ClipToBitmap(dr, dst);
  dr = IntersectRect(dr, Rect(X, Y, X + sr.Width(), Y + sr.Height()));
  for (int dy = dr.Top; dy < dr.Bottom; ++dy)
    for (int dx = dr.Left; dx < dr.Right; ++dx)
      rule(Px(dst, dx, dy), dx - X + sr.Left, dy - Y + sr.Top);
}

TRect RandomRect(std::mt19937& rng, int lo, int hi) {
  std::uniform_int_distribution<int> d(lo, hi);
  return Rect(d(rng), d(rng), d(rng), d(rng));
}

struct Case {
  TBitmap src, dst, mask;
  TRect sr, dr;
  int X, Y;
};

Case RandomCase(std::mt19937& rng) {
  std::uniform_int_distribution<int> size(1, 12), pos(-6, 14), weight(0, 3);
  Case c;
  c.src = RandomImage(size(rng), size(rng), rng);
  c.dst = RandomImage(size(rng), size(rng), rng);
  // Weights with plenty of 0 and 255.
  std::uniform_int_distribution<int> any(0, 255);
  c.mask = MaskFrom(c.src.Width(), c.src.Height(), [&](int, int) {
    const int k = weight(rng);
    return k == 0 ? 0 : (k == 1 ? 255 : any(rng));
  });
  c.sr = RandomRect(rng, -4, 14);
  c.dr = RandomRect(rng, -4, 14);
  c.X = pos(rng);
  c.Y = pos(rng);
  return c;
}

void MoveToward(uint8_t* d, const uint8_t* s, int w, int scale) {
  for (int k = 0; k < 3; ++k) d[k] = static_cast<uint8_t>(d[k] + (w * (s[k] - d[k])) / scale);
}

}  // namespace

TEST(CopyFamily, EveryMemberFollowsThePlacementRuleOnRandomInputs) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> opac(-10, 120), tol(0, 60);
  for (int iter = 0; iter < 400; ++iter) {
    Case c = RandomCase(rng);
    const int opacity = opac(rng);
    const TBitmap& S = c.src;
    const TBitmap& M = c.mask;
    auto check = [&](const char* name, auto fast, auto rule) {
      TBitmap a = c.dst, b = c.dst;
      fast(a);
      SlowPlace(S, c.sr, b, c.X, c.Y, c.dr, rule);
      ASSERT_TRUE(SamePixels(a, b)) << name << " iteration " << iter;
    };
    check("CopyRectAt", [&](TBitmap& d) { CopyRectAt(S, c.sr, d, c.X, c.Y, c.dr); },
          [&](uint8_t* d, int sx, int sy) { std::copy_n(Px(S, sx, sy), 3, d); });
    check("CopyRectOpacity",
          [&](TBitmap& d) { CopyRectOpacity(S, c.sr, d, c.X, c.Y, c.dr, opacity); },
          [&](uint8_t* d, int sx, int sy) {
            if (opacity >= 100) std::copy_n(Px(S, sx, sy), 3, d);
            else if (opacity > 0) MoveToward(d, Px(S, sx, sy), opacity, 100);
          });
    check("BlendThroughMask",
          [&](TBitmap& d) { BlendThroughMask(S, c.sr, d, c.X, c.Y, c.dr, &M); },
          [&](uint8_t* d, int sx, int sy) {
            const int m = Px(M, sx, sy)[0];
            if (m == 0) std::copy_n(Px(S, sx, sy), 3, d);
            else if (m != 255) MoveToward(d, Px(S, sx, sy), 255 - m, 255);
          });
    check("BlendThroughMaskOpacity",
          [&](TBitmap& d) { BlendThroughMaskOpacity(S, c.sr, d, c.X, c.Y, c.dr, &M, opacity); },
          [&](uint8_t* d, int sx, int sy) {
            const int m = Px(M, sx, sy)[0];
            const int o = std::min(opacity, 100);
            if (o < 1 || m == 255) return;
            if (m == 0 && o == 100) std::copy_n(Px(S, sx, sy), 3, d);
            else MoveToward(d, Px(S, sx, sy), (o * (255 - m)) / 100, 255);
          });
    const TColor key = S.Pixel(0, 0);
    const int t = tol(rng);
    check("CopyRectColorKey",
          [&](TBitmap& d) { CopyRectColorKey(S, c.sr, d, c.X, c.Y, c.dr, key, t, opacity); },
          [&](uint8_t* d, int sx, int sy) {
            const uint8_t* s = Px(S, sx, sy);
            if (opacity <= 0) return;
            if (std::abs(s[0] - GetBValue(key)) <= t && std::abs(s[1] - GetGValue(key)) <= t &&
                std::abs(s[2] - GetRValue(key)) <= t)
              return;
            MoveToward(d, s, std::min(opacity, 100), 100);
          });
    const TColor fill = RGB(200, 30, 90);
    const uint8_t f[3] = {90, 30, 200};
    check("FillThroughMask",
          [&](TBitmap& d) { FillThroughMask(&M, c.sr, d, c.X, c.Y, c.dr, fill, opacity); },
          [&](uint8_t* d, int sx, int sy) {
            const int m = Px(M, sx, sy)[0];
            const int o = std::min(opacity, 100);
            if (o <= 0 || m == 255) return;
            if (m == 0 && o == 100) std::copy_n(f, 3, d);
            else MoveToward(d, f, (o * (255 - m)) / 100, 255);
          });
    const int lo = tol(rng) * 3, hi = lo + tol(rng) * 2;
    check("FillWhereMaskInRange",
          [&](TBitmap& d) { FillWhereMaskInRange(&M, c.sr, d, c.X, c.Y, c.dr, fill, lo, hi); },
          [&](uint8_t* d, int sx, int sy) {
            const int m = Px(M, sx, sy)[0];
            if (lo <= m && m <= hi) std::copy_n(f, 3, d);
          });
  }
}

TEST(BlendThroughMask, WeightsOfTheExamples) {
  TBitmap src(3, 1), dst(3, 1);
  for (int x = 0; x < 3; ++x) {
    src.SetPixel(x, 0, RGB(200, 200, 200));
    dst.SetPixel(x, 0, RGB(100, 100, 100));
  }
  TBitmap mask = MaskFrom(3, 1, [](int x, int) { return x == 0 ? 0 : (x == 1 ? 255 : 128); });
  BlendThroughMask(src, FullImageRect, dst, 0, 0, FullImageRect, &mask);
  EXPECT_EQ(dst.Pixel(0, 0), RGB(200, 200, 200));
  EXPECT_EQ(dst.Pixel(1, 0), RGB(100, 100, 100));
  EXPECT_EQ(dst.Pixel(2, 0), RGB(149, 149, 149));
  // Downward moves truncate toward zero too.
  BlendThroughMask(mask, FullImageRect, dst, 0, 0, FullImageRect, &mask);
  EXPECT_EQ(dst.Pixel(2, 0), RGB(149 + (128 - 149) * 127 / 255, 149 + (128 - 149) * 127 / 255,
                                 149 + (128 - 149) * 127 / 255));
}

TEST(BlendThroughMask, AbsentEmptyOrSmallMask) {
  std::mt19937 rng(11);
  TBitmap src = RandomImage(6, 5, rng), dst = RandomImage(6, 5, rng);
  TBitmap a = dst, b = dst, c = dst;
  BlendThroughMask(src, FullImageRect, a, 0, 0, FullImageRect, nullptr);
  EXPECT_TRUE(SamePixels(a, src));
  TBitmap empty;
  BlendThroughMask(src, FullImageRect, b, 0, 0, FullImageRect, &empty);
  EXPECT_TRUE(SamePixels(b, src));
  // A mask smaller than the source: the uncovered part copies, nothing is read
  // outside the mask.
  TBitmap small = MaskFrom(2, 2, [](int, int) { return 255; });
  BlendThroughMask(src, FullImageRect, c, 0, 0, FullImageRect, &small);
  EXPECT_EQ(c.Pixel(1, 1), dst.Pixel(1, 1));
  EXPECT_EQ(c.Pixel(2, 1), src.Pixel(2, 1));
  EXPECT_EQ(c.Pixel(0, 4), src.Pixel(0, 4));
}

TEST(CopyRectAt, SameBitmapCopiesInRowOrder) {
  TBitmap b(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) b.SetPixel(x, y, RGB(x, y, 0));
  // Shifting down by one row, top to bottom, repeats row 0 everywhere.
  CopyRectAt(b, Rect(0, 0, 4, 3), b, 0, 1, FullImageRect);
  for (int y = 0; y < 4; ++y) EXPECT_EQ(b.Pixel(2, y), RGB(2, 0, 0));
}

TEST(TileRect, AnchorsThePatternWithNonNegativeModulo) {
  TBitmap pat(2, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 2; ++x) pat.SetPixel(x, y, RGB(x, y, 7));
  TBitmap dst(7, 8);
  dst.FillBytes(0);
  TileRect(pat, dst, 5, -4, Rect(1, 1, 6, 7));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 7; ++x) {
      if (x >= 1 && x < 6 && y >= 1 && y < 7)
        EXPECT_EQ(dst.Pixel(x, y), RGB(((x - 5) % 2 + 2) % 2, ((y + 4) % 3 + 3) % 3, 7));
      else
        EXPECT_EQ(dst.Pixel(x, y), RGB(0, 0, 0));
    }
  TBitmap empty;
  TileRect(empty, dst, 0, 0, FullImageRect);
  TileRect(dst, dst, 3, 3, FullImageRect);  // the pattern is read as it was
  EXPECT_EQ(dst.Pixel(3, 3), RGB(0, 0, 0));
}

TEST(CopyFamily, ExtremeCoordinatesAndEmptyBitmaps) {
  std::mt19937 rng(5);
  TBitmap src = RandomImage(3, 3, rng), dst = RandomImage(4, 4, rng), empty;
  const TBitmap before = dst;
  CopyRectAt(src, FullImageRect, dst, 2147483600, 2147483600, FullImageRect);
  CopyRectAt(src, FullImageRect, dst, -2147483600, 0, FullImageRect);
  CopyRectAt(empty, FullImageRect, dst, 0, 0, FullImageRect);
  BlendThroughMaskOpacity(src, FullImageRect, empty, 0, 0, FullImageRect, &src, 50);
  FillThroughMask(nullptr, FullImageRect, dst, 0, 0, FullImageRect, clWhite, 100);
  FillWhereMaskInRange(&empty, FullImageRect, dst, 0, 0, FullImageRect, clWhite, 0, 255);
  EXPECT_TRUE(SamePixels(dst, before));
  CopyRectAt(src, FullImageRect, dst, 1, 1, FullImageRect);
  EXPECT_EQ(dst.Pixel(3, 3), src.Pixel(2, 2));
  EXPECT_EQ(dst.Pixel(0, 0), before.Pixel(0, 0));
}
