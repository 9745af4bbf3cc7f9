// The menu and toolbar look, pixel by pixel: gradient columns, band rows with their
// phase and clipping, grip dots and the tool panel's etched line.
#include "core/view/BarPainting.h"

#include <gtest/gtest.h>

#include <set>

#include "core/engine/ToneCompositing.h"

namespace velinor {
namespace {

TBitmap Canvas(int w, int h, TColor fill = 0x123456) {
  TBitmap b;
  NewFilledBitmap(b, w, h, fill);
  return b;
}

TBandColors TestBand() {
  TBandColors c;
  c.A = RGB(200, 100, 0);
  c.B = RGB(247, 53, 94);
  c.D = RGB(1, 2, 3);
  c.Shadow = RGB(10, 20, 30);
  c.Highlight = RGB(250, 251, 252);
  return c;
}

TEST(HorizontalGradient, FourColumnsBlackToWhite) {
  TBitmap b = Canvas(6, 3);
  TBitmapFillCanvas canvas(b);
  HorizontalGradient(canvas, TRect{1, 0, 5, 2}, clBlack, clWhite);
  const int expected[4] = {0, 63, 127, 191};
  for (int k = 0; k < 4; ++k)
    for (int y = 0; y < 2; ++y) EXPECT_EQ(b.Pixel(1 + k, y), RGB(expected[k], expected[k], expected[k]));
  EXPECT_EQ(b.Pixel(0, 0), 0x123456u);  // outside the rect: untouched
  EXPECT_EQ(b.Pixel(5, 0), 0x123456u);
  EXPECT_EQ(b.Pixel(1, 2), 0x123456u);
}

TEST(HorizontalGradient, ChannelsSeparatelyAndDownwardTruncatesTowardZero) {
  // Red falls 255 -> 0, green rises, blue stays: a falling channel truncates
  // toward zero, so 255 + 1*(-255) div 2 = 128.
  EXPECT_EQ(GradientColumnColor(RGB(255, 0, 40), RGB(0, 255, 40), 1, 2), RGB(128, 127, 40));
  EXPECT_EQ(GradientColumnColor(RGB(255, 0, 40), RGB(0, 255, 40), 0, 2), RGB(255, 0, 40));
}

TEST(HorizontalGradient, NothingOnAnEmptyRect) {
  TBitmap b = Canvas(4, 4);
  TBitmapFillCanvas canvas(b);
  HorizontalGradient(canvas, TRect{2, 0, 2, 4}, clBlack, clWhite);
  HorizontalGradient(canvas, TRect{3, 0, 1, 4}, clBlack, clWhite);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(b.Pixel(x, y), 0x123456u);
}

TEST(HorizontalGradient, ResolvesSystemColours) {
  SetSystemColorResolver([](uint8_t i) { return i == sciMenu ? RGB(100, 100, 100) : RGB(0, 0, 0); });
  TBitmap b = Canvas(2, 1);
  TBitmapFillCanvas canvas(b);
  HorizontalGradient(canvas, TRect{0, 0, 2, 1}, clMenu, clWhite);
  EXPECT_EQ(b.Pixel(0, 0), RGB(100, 100, 100));
  EXPECT_EQ(b.Pixel(1, 0), RGB(177, 177, 177));
  SetSystemColorResolver({});
}

TEST(MenuColors, DerivedFromTheMenuAndHighlightColours) {
  SetSystemColorResolver([](uint8_t i) {
    return i == sciMenu ? RGB(200, 200, 200) : i == sciHighlight ? RGB(0, 100, 200) : RGB(0, 0, 0);
  });
  const TMenuColors c = MenuColorsNow();
  // 0x110033: red 0x33, green 0, blue 0x11.
  EXPECT_EQ(c.Gutter, RGB(200 + 19 * (0x33 - 200) / 100, 200 - 19 * 200 / 100, 200 + 19 * (0x11 - 200) / 100));
  EXPECT_EQ(c.Selection1, RGB(200 - 77 * 200 / 100, 200 - 77 * 100 / 100, 200));
  EXPECT_EQ(c.Selection2, RGB(200 - 33 * 200 / 100, 200 - 33 * 100 / 100, 200));
  SetSystemColorResolver({});
}

TEST(BandGradient, RowsFollowThePeriodFromThePhase) {
  const TBandColors c = TestBand();
  TBitmap b = Canvas(3, 100);
  TBitmapFillCanvas canvas(b);
  BandGradient(canvas, TRect{0, 0, 3, 100}, TRect{0, 0, 3, 100}, 0, c);
  for (int y = 0; y < 100; ++y) {
    const int k = y % 47;
    const TColor want = RGB(200 + k * 47 / 47, 100 - k * 47 / 47, 0 + k * 94 / 47);
    for (int x = 0; x < 3; ++x) ASSERT_EQ(b.Pixel(x, y), want) << "row " << y;
  }
  // Row 46 is one step short of B, row 47 starts again at A.
  EXPECT_EQ(b.Pixel(0, 46), RGB(246, 54, 92));
  EXPECT_EQ(b.Pixel(0, 47), c.A);
}

TEST(BandGradient, PhaseContinuesTheBandsOfAnEnclosingArea) {
  // A toolbar at top 2 inside a panel painted from 0 shows the panel's rows.
  const TBandColors c = TestBand();
  TBitmap panel = Canvas(1, 43), bar = Canvas(1, 40);
  TBitmapFillCanvas pc(panel), bc(bar);
  BandGradient(pc, TRect{0, 0, 1, 43}, TRect{0, 0, 1, 43}, 0, c);
  BandGradient(bc, TRect{0, 0, 1, 40}, TRect{0, 0, 1, 40}, 2, c);
  for (int y = 0; y < 40; ++y) EXPECT_EQ(bar.Pixel(0, y), panel.Pixel(0, y + 2));
}

TEST(BandGradient, ClippingKeepsEachRowsColourAndLeavesTheRestAlone) {
  const TBandColors c = TestBand();
  TBitmap full = Canvas(8, 60), part = Canvas(8, 60);
  TBitmapFillCanvas fc(full), pc(part);
  BandGradient(fc, TRect{0, 0, 8, 60}, TRect{0, 5, 8, 60}, 3, c);
  BandGradient(pc, TRect{2, 20, 6, 30}, TRect{0, 5, 8, 60}, 3, c);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 8; ++x) {
      const bool inside = x >= 2 && x < 6 && y >= 20 && y < 30;
      ASSERT_EQ(part.Pixel(x, y), inside ? full.Pixel(x, y) : 0x123456u) << x << "," << y;
    }
  // Nothing at all when the clip misses the rect.
  TBitmap none = Canvas(4, 4);
  TBitmapFillCanvas nc(none);
  BandGradient(nc, TRect{0, 0, 4, 2}, TRect{0, 2, 4, 4}, 0, c);
  for (int y = 0; y < 4; ++y) EXPECT_EQ(none.Pixel(0, y), 0x123456u);
}

TEST(DrawGrip, NineDotsWithTheirShading) {
  const TBandColors c = TestBand();
  TBitmap b = Canvas(10, 50);
  TBitmapFillCanvas canvas(b);
  DrawGrip(canvas, TRect{0, 0, 10, 50}, 3, 2, 43, c);
  std::set<int> tops;
  for (int y = 0; y < 50; ++y)
    if (b.Pixel(3, y) == c.D) tops.insert(y);
  EXPECT_EQ(tops, (std::set<int>{5, 9, 13, 17, 21, 25, 29, 33, 37}));
  for (int yy : tops) {
    EXPECT_EQ(b.Pixel(3, yy), c.D);
    EXPECT_EQ(b.Pixel(4, yy + 1), c.D);
    EXPECT_EQ(b.Pixel(4, yy), c.Shadow);
    EXPECT_EQ(b.Pixel(3, yy + 1), c.Shadow);
    EXPECT_EQ(b.Pixel(5, yy + 1), c.Highlight);
    EXPECT_EQ(b.Pixel(5, yy + 2), c.Highlight);
    EXPECT_EQ(b.Pixel(4, yy + 2), c.Highlight);
    EXPECT_EQ(b.Pixel(5, yy), 0x123456u);
    EXPECT_EQ(b.Pixel(3, yy + 2), 0x123456u);
    EXPECT_EQ(b.Pixel(3, yy + 3), 0x123456u);  // a blank row between dots
  }
  // Nothing drawn outside the three columns.
  for (int y = 0; y < 50; ++y) {
    EXPECT_EQ(b.Pixel(2, y), 0x123456u);
    EXPECT_EQ(b.Pixel(6, y), 0x123456u);
  }
}

TEST(DrawGrip, NothingWhenOutsideTheClip) {
  const TBandColors c = TestBand();
  TBitmap b = Canvas(10, 50);
  TBitmapFillCanvas canvas(b);
  DrawGrip(canvas, TRect{6, 0, 10, 50}, 3, 2, 43, c);
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(b.Pixel(x, y), 0x123456u);
}

TEST(PaintToolPanel, BandsEtchedLineAndTwoGrips) {
  const TBandColors c = TestBand();
  TBitmap b = Canvas(400, 43);
  TBitmapFillCanvas canvas(b);
  PaintToolPanel(canvas, TRect{0, 0, 400, 43}, 400, 43, 352, c);
  for (int x : {0, 200, 399}) {
    EXPECT_EQ(b.Pixel(x, 0), c.Shadow);
    EXPECT_EQ(b.Pixel(x, 1), c.Highlight);
    EXPECT_EQ(b.Pixel(x, 2), BandRowColor(c, 2));
    EXPECT_EQ(b.Pixel(x, 42), BandRowColor(c, 42));
  }
  EXPECT_EQ(b.Pixel(3, 5), c.D);
  EXPECT_EQ(b.Pixel(352, 37), c.D);
  EXPECT_EQ(b.Pixel(352, 41), BandRowColor(c, 41));  // no tenth dot
}

}  // namespace
}  // namespace velinor
