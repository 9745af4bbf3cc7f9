#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "TestImages.h"
#include "core/engine/ToneCompositing.h"

using namespace velinor;
using namespace velinor::test;

TEST(Luminance, MatchesTheExtendedPrecisionFormula) {
  EXPECT_EQ(Luminance(TPixel{100, 150, 200}), 159);
  EXPECT_EQ(Luminance(TPixel{0, 0, 255}), 76);
  EXPECT_EQ(Luminance(TPixel{0, 255, 0}), 150);
  EXPECT_EQ(Luminance(TPixel{255, 0, 0}), 28);
  EXPECT_EQ(Luminance(TPixel{255, 255, 255}), 255);
  EXPECT_EQ(Luminance(TPixel{0, 0, 0}), 0);
  EXPECT_EQ(Luminance(15, 15, 15), 14);
  EXPECT_EQ(Luminance(30, 30, 30), 29);
  EXPECT_EQ(Luminance(51, 51, 51), 50);
}

TEST(Luminance, FastPathAgreesWithTheFullFormulaEverywhere) {
  // Every (b, g, r) on a coarse lattice plus all greys.
  for (int b = 0; b < 256; b += 3)
    for (int g = 0; g < 256; g += 5)
      for (int r = 0; r < 256; r += 1) {
        const long double v = static_cast<long double>(b) * 0.11L +
                              static_cast<long double>(g) * 0.59L +
                              static_cast<long double>(r) * 0.30L;
        ASSERT_EQ(Luminance(b, g, r), static_cast<int>(v)) << b << " " << g << " " << r;
      }
  for (int v = 0; v < 256; ++v) ASSERT_EQ(Luminance(v, v, v), LuminanceExtended(v, v, v));
}

TEST(ColorPixel, ConvertsBothWaysAndResolvesSystemColours) {
  EXPECT_EQ(PixelToColor(TPixel{1, 2, 3}), RGB(3, 2, 1));
  EXPECT_EQ(ColorToPixel(RGB(3, 2, 1)), (TPixel{1, 2, 3}));
  const TColor face = ResolveSystemColor(clBtnFace);
  EXPECT_EQ(ColorToPixel(clBtnFace), ColorToPixel(face));
}

TEST(MixColors, MovesPercentOfTheWay) {
  EXPECT_EQ(MixColors(RGB(0, 100, 200), RGB(100, 0, 200), 50), RGB(50, 50, 200));
  EXPECT_EQ(MixColors(RGB(0, 0, 0), RGB(255, 255, 255), 33), RGB(84, 84, 84));
  EXPECT_EQ(MixColors(RGB(10, 20, 30), RGB(255, 255, 255), 0), RGB(10, 20, 30));
  EXPECT_EQ(MixColors(RGB(10, 20, 30), RGB(255, 255, 255), 101), RGB(10, 20, 30));
  EXPECT_EQ(MixColors(RGB(200, 0, 0), RGB(0, 0, 0), 10), RGB(180, 0, 0));
}

TEST(NewFilledBitmap, ResetsFormatTransparencyAndFills) {
  TBitmap b(3, 3, TPixelFormat::pf32bit);
  b.Transparent = true;
  NewFilledBitmap(b, 5, 2, RGB(10, 20, 30));
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_FALSE(b.Transparent);
  ASSERT_EQ(b.Width(), 5);
  ASSERT_EQ(b.Height(), 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(b.Pixel(x, y), RGB(10, 20, 30));
  NewFilledBitmap(b, 0, 7, clWhite);
  EXPECT_TRUE(b.Empty());
}

TEST(DesaturateRect, GreysOnlyTheClippedReversedRect) {
  std::mt19937 rng(1);
  TBitmap b = RandomImage(20, 15, rng);
  const TBitmap before = b;
  DesaturateRect(b, Rect(10, 10, 5, 5));
  for (int y = 0; y < 15; ++y)
    for (int x = 0; x < 20; ++x) {
      const uint8_t* o = Px(before, x, y);
      const uint8_t* p = Px(b, x, y);
      if (x >= 5 && x < 10 && y >= 5 && y < 10) {
        const int g = Luminance(o);
        EXPECT_TRUE(p[0] == g && p[1] == g && p[2] == g);
      } else {
        EXPECT_TRUE(p[0] == o[0] && p[1] == o[1] && p[2] == o[2]);
      }
    }
}

TEST(GammaRect, SepiaOfGreys) {
  TBitmap b(256, 1);
  for (int x = 0; x < 256; ++x) Px(b, x, 0)[0] = Px(b, x, 0)[1] = Px(b, x, 0)[2] = x;
  GammaRect(b, FullImageRect, 1.2, 1.0, 0.5);
  EXPECT_EQ(b.Pixel(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(b.Pixel(255, 0), RGB(255, 255, 255));
  EXPECT_EQ(b.Pixel(128, 0), RGB(143, 128, 64));
  EXPECT_EQ(b.Pixel(64, 0), RGB(80, 64, 16));
  for (int g = 0; g < 256; ++g) {
    const uint8_t* p = Px(b, g, 0);
    EXPECT_EQ(p[0], static_cast<int>(std::trunc(255 * std::pow(g / 255.0, 2.0))));
    EXPECT_EQ(p[1], g);
    EXPECT_EQ(p[2], static_cast<int>(std::trunc(255 * std::pow(g / 255.0, 1 / 1.2))));
  }
  const TBitmap before = b;
  GammaRect(b, FullImageRect, 1.0, 0.0, 1.0);
  EXPECT_TRUE(SamePixels(b, before));
}

TEST(TintRect, FillsClampsAndMovesAway) {
  std::mt19937 rng(2);
  TBitmap b = RandomImage(7, 5, rng);
  TintRect(b, RGB(1, 2, 3), 150, FullImageRect);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(b.Pixel(x, y), RGB(1, 2, 3));
  TBitmap c(3, 1);
  c.SetPixel(0, 0, RGB(255, 200, 0));
  c.SetPixel(1, 0, RGB(100, 128, 160));
  c.SetPixel(2, 0, RGB(10, 20, 30));
  TintRect(c, clWhite, -100, FullImageRect);
  EXPECT_EQ(c.Pixel(0, 0), RGB(255, 145, 0));
  EXPECT_EQ(c.Pixel(1, 0), RGB(0, 1, 65));
  EXPECT_EQ(c.Pixel(2, 0), RGB(0, 0, 0));
  TBitmap d(1, 1);
  d.SetPixel(0, 0, RGB(0, 100, 255));
  TintRect(d, RGB(100, 0, 0), 50, FullImageRect);
  EXPECT_EQ(d.Pixel(0, 0), RGB(50, 50, 128));
}

TEST(InvertRect, TwiceRestores) {
  std::mt19937 rng(3);
  TBitmap b = RandomImage(9, 4, rng);
  const TBitmap before = b;
  InvertRect(b, Rect(2, 1, 6, 3));
  EXPECT_EQ(Px(b, 2, 1)[0], 255 - Px(before, 2, 1)[0]);
  EXPECT_EQ(Px(b, 1, 1)[0], Px(before, 1, 1)[0]);
  InvertRect(b, Rect(6, 3, 2, 1));
  EXPECT_TRUE(SamePixels(b, before));
}

TEST(ToneOperations, AcceptEmptyTinyAndOtherFormats) {
  TBitmap empty;
  DesaturateRect(empty, FullImageRect);
  GammaRect(empty, FullImageRect, 1.2, 1, 0.5);
  TintRect(empty, clWhite, 100, FullImageRect);
  InvertRect(empty, FullImageRect);
  TBitmap one(1, 1);
  one.SetPixel(0, 0, RGB(200, 150, 100));
  DesaturateRect(one, Rect(5, 5, 9, 9));
  EXPECT_EQ(one.Pixel(0, 0), RGB(200, 150, 100));
  DesaturateRect(one, FullImageRect);
  EXPECT_EQ(one.Pixel(0, 0), RGB(159, 159, 159));
  TBitmap wide(2, 1, TPixelFormat::pf32bit);
  wide.SetPixel(0, 0, RGB(200, 150, 100));
  wide.SetPixel(1, 0, RGB(0, 0, 0));
  InvertRect(wide, FullImageRect);
  EXPECT_EQ(wide.Pixel(0, 0), RGB(55, 105, 155));
  EXPECT_EQ(wide.Pixel(1, 0), RGB(255, 255, 255));
  EXPECT_EQ(wide.ScanLine(0)[3], 255);  // alpha untouched
  TBitmap pal(2, 1, TPixelFormat::pf8bit);
  pal.Palette = {RGB(10, 20, 30), RGB(40, 50, 60)};
  pal.ScanLine(0)[0] = 1;
  pal.ScanLine(0)[1] = 0;
  InvertRect(pal, FullImageRect);
  EXPECT_EQ(pal.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(pal.Pixel(0, 0), RGB(215, 205, 195));
}
