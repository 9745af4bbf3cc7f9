#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "TestImages.h"
#include "core/engine/MaskShaping.h"
#include "core/engine/ScanMan.h"
#include "core/engine/ToneCompositing.h"

using namespace velinor;
using namespace velinor::test;

namespace {

// A black-and-white mask from a predicate (true = black).
template <typename F>
TBitmap BW(int w, int h, F isBlack) {
  return MaskFrom(w, h, [&](int x, int y) { return isBlack(x, y) ? 0 : 255; });
}

int M(const TBitmap& b, int x, int y) { return Px(b, x, y)[0]; }

int CountBlack(const TBitmap& b) {
  int n = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) n += M(b, x, y) == 0;
  return n;
}

void CleanUp(TBitmap& m) {
  BoxBlurRect(m, 1, 1, FullImageRect);
  ThresholdRect(m, 200, clBlack, clWhite, FullImageRect);
}

bool Grey(const TBitmap& b) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const uint8_t* p = Px(b, x, y);
      if (p[0] != p[1] || p[1] != p[2]) return false;
    }
  return true;
}

}  // namespace

TEST(ScanLinesManager, SlidingWindowOfRowCopies) {
  TBitmap b(4, 6);
  for (int y = 0; y < 6; ++y) b.ScanLine(y)[0] = static_cast<uint8_t>(y);
  TScanLinesManager s(b, Rect(1, 1, 99, 5));
  EXPECT_EQ(s.Left, 1);
  EXPECT_EQ(s.Top, 1);
  EXPECT_EQ(s.Right, 3);
  EXPECT_EQ(s.Bottom, 4);
  EXPECT_EQ(s.RowBytes, 12u);
  EXPECT_EQ(s.ScanLine(2), b.ScanLine(2));
  s.InitCopies(1, 3);
  s.PushCopy(2);
  EXPECT_EQ(s.CopyAt(0)[0], 1);
  EXPECT_EQ(s.CopyAt(1)[0], 1);
  EXPECT_EQ(s.CopyAt(2)[0], 2);
  b.ScanLine(2)[0] = 77;
  s.PushCopy(3);
  EXPECT_EQ(s.CopyAt(1)[0], 2);
  EXPECT_EQ(s.CopyAt(2)[0], 3);
  TBitmap empty;
  TScanLinesManager e(empty, FullImageRect);
  EXPECT_TRUE(e.Empty());
  e.InitCopies(0, 2);
  e.PushCopy(0);
}

TEST(BoxBlurRect, ClampedWindowMeanAgainstTheObviousSum) {
  std::mt19937 rng(21);
  for (int iter = 0; iter < 40; ++iter) {
    std::uniform_int_distribution<int> sz(1, 9), rad(0, 12), pos(-2, 10);
    TBitmap b = RandomImage(sz(rng), sz(rng), rng);
    const int rx = rad(rng), ry = rad(rng);
    TRect r = Rect(pos(rng), pos(rng), pos(rng), pos(rng));
    const TBitmap before = b;
    BoxBlurRect(b, rx, ry, r);
    ClipToBitmap(r, b);
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x)
        for (int c = 0; c < 3; ++c) {
          int expect = Px(before, x, y)[c];
          if ((rx || ry) && !r.IsEmpty() && x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom) {
            int s = 0;
            for (int j = -ry; j <= ry; ++j)
              for (int i = -rx; i <= rx; ++i)
                s += Px(before, std::clamp(x + i, r.Left, r.Right - 1), std::clamp(y + j, r.Top, r.Bottom - 1))[c];
            expect = s / ((2 * rx + 1) * (2 * ry + 1));
          }
          ASSERT_EQ(Px(b, x, y)[c], expect) << iter;
        }
  }
}

TEST(CleanUp, VoteOfTheClampedWindow) {
  TBitmap single = BW(9, 9, [](int x, int y) { return x == 4 && y == 4; });
  CleanUp(single);
  EXPECT_EQ(CountBlack(single), 0);
  TBitmap pair = BW(9, 9, [](int x, int y) { return (x == 4 || x == 5) && y == 4; });
  CleanUp(pair);
  EXPECT_EQ(CountBlack(pair), 6);
  for (int y = 3; y <= 5; ++y)
    for (int x = 4; x <= 5; ++x) EXPECT_EQ(M(pair, x, y), 0);
  TBitmap corner = BW(9, 9, [](int x, int y) { return x == 0 && y == 0; });
  CleanUp(corner);
  EXPECT_EQ(CountBlack(corner), 3);
  EXPECT_EQ(M(corner, 1, 0), 0);
  EXPECT_EQ(M(corner, 0, 1), 0);
  EXPECT_TRUE(Grey(corner));
}

TEST(ThresholdRect, LevelsAtTheEnds) {
  std::mt19937 rng(3);
  TBitmap b = RandomImage(5, 5, rng);
  ThresholdRect(b, 0, clBlack, clRed, Rect(1, 1, 3, 3));
  EXPECT_EQ(b.Pixel(1, 1), clRed);
  ThresholdRect(b, 255, clBlue, clRed, FullImageRect);
  EXPECT_EQ(b.Pixel(4, 4), clBlue);
  TBitmap g(2, 1);
  g.SetPixel(0, 0, RGB(122, 250, 150));  // luminance 200: not above the level
  g.SetPixel(1, 0, RGB(126, 250, 150));  // 201
  ThresholdRect(g, 200, clBlack, clWhite, FullImageRect);
  EXPECT_EQ(g.Pixel(0, 0), clBlack);
  EXPECT_EQ(g.Pixel(1, 0), clWhite);
}

TEST(MorphMask, ErosionsOfSquares) {
  auto square = [](int n) {
    return BW(21, 21, [n](int x, int y) { return x >= 10 - n / 2 && x <= 10 + (n - 1) / 2 && y >= 10 - n / 2 && y <= 10 + (n - 1) / 2; });
  };
  TBitmap five = square(5);
  MorphMask(five, -1, FullImageRect);
  EXPECT_EQ(CountBlack(five), 9);
  EXPECT_EQ(M(five, 9, 9), 0);
  EXPECT_EQ(M(five, 8, 8), 255);
  TBitmap nine = square(9);
  MorphMask(nine, -3, FullImageRect);
  EXPECT_EQ(CountBlack(nine), 9);
  EXPECT_EQ(M(nine, 9, 9), 0);
  TBitmap seven = square(7);
  MorphMask(seven, -3, FullImageRect);
  EXPECT_EQ(CountBlack(seven), 1);
  EXPECT_EQ(M(seven, 10, 10), 0);
  // A band of r + 1 along the edges always turns white.
  TBitmap black = BW(12, 10, [](int, int) { return true; });
  MorphMask(black, -3, FullImageRect);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 12; ++x)
      EXPECT_EQ(M(black, x, y), (x >= 4 && x <= 7 && y >= 4 && y <= 5) ? 0 : 255) << x << "," << y;
  // Cross erosion: every non-white pixel of the rect's border turns white, greys too.
  TBitmap greys = MaskFrom(3, 3, [](int x, int y) { return x == 1 && y == 1 ? 0 : 100; });
  MorphMask(greys, -1, FullImageRect);
  EXPECT_EQ(M(greys, 0, 0), 255);
  EXPECT_EQ(M(greys, 1, 1), 0);
  MorphMask(greys, 2, FullImageRect);  // growing is not an operation: nothing
  EXPECT_EQ(M(greys, 1, 1), 0);
}

TEST(MorphMask, SquareErosionReachesOutsideTheRect) {
  TBitmap b = BW(20, 20, [](int, int) { return true; });
  MorphMask(b, -2, Rect(8, 8, 12, 12));
  // The border of the rect is boundary: squares of radius 2 around it, clipped to
  // the bitmap, turn white even outside the rect.
  EXPECT_EQ(M(b, 6, 6), 255);
  EXPECT_EQ(M(b, 5, 8), 0);
  EXPECT_EQ(M(b, 13, 13), 255);
  EXPECT_EQ(M(b, 14, 10), 0);
}

TEST(GaussianBlurRect, KernelOfSigmaThree) {
  const TGaussianKernel k = GaussianKernelFor(3);
  EXPECT_EQ(k.Half, 8);
  const double expect[] = {0.133571, 0.126353, 0.106955, 0.081015, 0.054913,
                           0.033306, 0.018077, 0.008779, 0.003816};
  for (int t = 0; t <= 8; ++t) {
    EXPECT_NEAR(k.W(t), expect[t], 2e-6);
    EXPECT_EQ(k.W(t), k.W(-t));
  }
  EXPECT_EQ(GaussianKernelFor(2.5).Half, BuildGaussianKernel(2.5).Half);
}

TEST(GaussianBlurRect, ExamplesOfTheBlur) {
  TBitmap white = BW(30, 30, [](int, int) { return false; });
  GaussianBlurRect(white, 3, FullImageRect);
  EXPECT_EQ(CountBlack(white), 0);
  EXPECT_EQ(M(white, 15, 15), 255);
  TBitmap black = BW(30, 30, [](int, int) { return true; });
  GaussianBlurRect(black, 3, FullImageRect);
  EXPECT_EQ(CountBlack(black), 900);

  TBitmap dot = BW(31, 31, [](int x, int y) { return x == 15 && y == 15; });
  TBitmap rowOnly = dot;
  GaussianBlurRect(dot, 3, FullImageRect);
  for (int y = 0; y < 31; ++y)
    for (int x = 0; x < 31; ++x)
      EXPECT_EQ(M(dot, x, y), std::abs(x - 15) <= 1 && std::abs(y - 15) <= 1 ? 250 : 255) << x << "," << y;
  EXPECT_TRUE(Grey(dot));

  TBitmap edge = BW(40, 40, [](int x, int) { return x <= 19; });
  GaussianBlurRect(edge, 3, FullImageRect);
  const int expect[] = {3, 7, 16, 30, 50, 78, 110, 144, 176, 204, 224, 238, 247, 255};
  for (int x = 13; x <= 26; ++x) EXPECT_EQ(M(edge, x, 20), expect[x - 13]) << x;
  EXPECT_EQ(M(edge, 12, 20), 0);
  EXPECT_EQ(M(edge, 0, 0), 0);
}

TEST(SmoothMaskSteps, RampValuesAndTheExampleStep) {
  EXPECT_EQ(RampValues(1), (std::vector<uint8_t>{128}));
  EXPECT_EQ(RampValues(2), (std::vector<uint8_t>{86, 170}));
  EXPECT_EQ(RampValues(3), (std::vector<uint8_t>{64, 128, 192}));
  EXPECT_EQ(RampValues(4), (std::vector<uint8_t>{52, 102, 154, 204}));

  TBitmap b = BW(60, 20, [](int x, int y) { return (y <= 10 && x >= 10) || (y == 11 && x >= 20); });
  TBitmap before = b;
  SmoothMaskSteps(b, FullImageRect, 33);
  const int expect[] = {24, 47, 70, 93, 116, 140, 163, 186, 209, 232};
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 60; ++x) {
      const int want = (y == 11 && x >= 10 && x <= 19) ? expect[19 - x] : M(before, x, y);
      ASSERT_EQ(M(b, x, y), want) << x << "," << y;
    }
  TBitmap longStep = BW(80, 20, [](int x, int y) { return (y <= 10 && x >= 10) || (y == 11 && x >= 43); });
  before = longStep;
  SmoothMaskSteps(longStep, FullImageRect, 33);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 80; ++x)
      ASSERT_EQ(M(longStep, x, y), (x == 42 && y == 11) ? 128 : M(before, x, y)) << x << "," << y;
  EXPECT_TRUE(Grey(longStep));
}

TEST(MaskShaping, AcceptsEmptyAndTinyBitmaps) {
  for (int w = 0; w <= 2; ++w)
    for (int h = 0; h <= 2; ++h) {
      TBitmap b = BW(w, h, [](int x, int) { return x == 0; });
      BoxBlurRect(b, 1, 1, FullImageRect);
      ThresholdRect(b, 200, clBlack, clWhite, FullImageRect);
      MorphMask(b, -1, FullImageRect);
      MorphMask(b, -3, FullImageRect);
      MorphMask(b, INT32_MIN, FullImageRect);
      GaussianBlurRect(b, 3, FullImageRect);
      GaussianBlurRect(b, 0.7, FullImageRect);
      SmoothMaskSteps(b, FullImageRect, -1);
      EXPECT_EQ(b.Width(), w);
    }
  TBitmap b = BW(5, 5, [](int x, int) { return x == 4; });
  BoxBlurRect(b, 1000000, 2000000000, FullImageRect);
  // Nearly every window position clamps onto the edge columns: all but one
  // column's worth of reads are column 0 or column 4 (black), in equal numbers.
  EXPECT_EQ(M(b, 2, 2), 127);
  BoxBlurRect(b, INT32_MAX, INT32_MAX, FullImageRect);
  GaussianBlurRect(b, std::nan(""), FullImageRect);
  GaussianBlurRect(b, -3, FullImageRect);
}
