// Drop shadows: the exact canvas pattern, the bitmap variant's noise, and the
// cases that draw nothing.
#include "core/view/DropShadow.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <tuple>
#include <set>
#include <vector>

#include "core/engine/ToneCompositing.h"

namespace velinor {
namespace {

struct TRecordingCanvas : IFillCanvas {
  std::vector<std::pair<TRect, TColor>> fills;
  void FillRect(const TRect& r, TColor c) override { fills.push_back({r, c}); }
};

TBitmap Filled(int w, int h, uint8_t v) {
  TBitmap b(w, h);
  b.FillBytes(v);
  return b;
}

// The grey level of white darkened by q percent.
int Dark(int q) { return 255 - q * 255 / 100; }

TEST(DropShadow, SoftPatternOnWhite) {
  TBitmap b = Filled(130, 80, 255);
  TBitmapFillCanvas canvas(b);
  DrawShadow(canvas, Rect(10, 10, 110, 60), 4, 77, clWhite, true, false);
  auto grey = [&](int x, int y) { return int(GetRValue(b.Pixel(x, y))); };
  // First ring, strength 62.
  EXPECT_EQ(grey(14, 60), Dark(12));
  EXPECT_EQ(grey(15, 60), Dark(24));
  EXPECT_EQ(grey(16, 60), Dark(37));
  EXPECT_EQ(grey(17, 60), Dark(49));
  for (int x = 18; x <= 109; ++x) ASSERT_EQ(grey(x, 60), Dark(62)) << x;
  EXPECT_EQ(grey(110, 60), Dark(49));
  EXPECT_EQ(grey(111, 60), Dark(37));  // the second ring's corner column
  EXPECT_EQ(grey(110, 14), Dark(12));
  EXPECT_EQ(grey(110, 17), Dark(49));
  for (int y = 18; y <= 59; ++y) ASSERT_EQ(grey(110, y), Dark(62)) << y;
  // Fourth ring, strength 17: the rounded corner fades out.
  EXPECT_EQ(grey(109, 63), Dark(17));
  EXPECT_EQ(grey(110, 63), Dark(13));
  EXPECT_EQ(grey(111, 63), Dark(10));
  EXPECT_EQ(grey(112, 63), Dark(6));
  EXPECT_EQ(grey(113, 63), Dark(3));
  EXPECT_EQ(grey(114, 63), 255);
  EXPECT_EQ(grey(113, 60), Dark(13));  // fourth ring's corner column
  EXPECT_EQ(grey(13, 60), 255);  // the shadow starts s pixels in
  EXPECT_EQ(grey(110, 13), 255);
  EXPECT_EQ(grey(110, 64), 255);  // nothing beyond the fourth ring
  for (int y = 10; y < 60; ++y)
    for (int x = 10; x < 110; ++x) ASSERT_EQ(grey(x, y), 255);  // the object itself
}

TEST(DropShadow, SquareObjectGivesASymmetricShadow) {
  for (int s : {1, 2, 3, 4, 5, 6, 7}) {
    TBitmap b = Filled(60, 60, 255);
    TBitmapFillCanvas canvas(b);
    DrawShadow(canvas, Rect(5, 5, 40, 40), s, 90, clWhite, true, true);
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 60; ++x) ASSERT_EQ(b.Pixel(x, y), b.Pixel(y, x)) << s << ": " << x << "," << y;
  }
}

TEST(DropShadow, WideShadowStartsWithHardRings) {
  TBitmap b = Filled(80, 80, 255);
  TBitmapFillCanvas canvas(b);
  DrawShadow(canvas, Rect(10, 10, 50, 40), 6, 60, clWhite, true, false);
  auto grey = [&](int x, int y) { return int(GetRValue(b.Pixel(x, y))); };
  // Two hard rings at 60 %: the bottom lines include their corner pixel.
  for (int x = 20; x <= 50; ++x) ASSERT_EQ(grey(x, 40), Dark(60)) << x;
  for (int x = 20; x <= 51; ++x) ASSERT_EQ(grey(x, 41), Dark(60)) << x;
  EXPECT_EQ(grey(51, 40), Dark(60));  // second hard ring's column
  // Soft rings: step 60 div 5 = 12, strengths 48, 36, 24, 12; corner at (52, 42).
  EXPECT_EQ(grey(51, 42), Dark(48));
  EXPECT_EQ(grey(52, 42), Dark(48 * 8 / 10));
  EXPECT_EQ(grey(52, 41), Dark(48));
  EXPECT_EQ(grey(53, 42), Dark(36 * 8 / 10));
  EXPECT_EQ(grey(55, 45), Dark(12 * 2 / 10));
  EXPECT_EQ(grey(56, 45), 255);
}

TEST(DropShadow, HardShadowAndCornerFill) {
  TRecordingCanvas c;
  DrawShadow(c, Rect(10, 20, 30, 50), 3, 50, RGB(200, 100, 40), false, true);
  const TColor dark = MixColors(RGB(200, 100, 40), clBlack, 50);
  ASSERT_EQ(c.fills.size(), 4u);
  EXPECT_EQ(c.fills[0], std::make_pair(Rect(13, 50, 33, 53), dark));
  EXPECT_EQ(c.fills[1], std::make_pair(Rect(30, 23, 33, 50), dark));
  EXPECT_EQ(c.fills[2], std::make_pair(Rect(30, 20, 33, 23), RGB(200, 100, 40)));
  EXPECT_EQ(c.fills[3], std::make_pair(Rect(10, 50, 13, 53), RGB(200, 100, 40)));
}

TEST(DropShadow, SystemBackgroundIsResolved) {
  TRecordingCanvas c;
  DrawShadow(c, Rect(0, 0, 10, 10), 1, 100, clBtnFace, false, true);
  for (const auto& f : c.fills) EXPECT_FALSE(IsSystemColor(f.second));
  EXPECT_EQ(c.fills.back().second, ResolveSystemColor(clBtnFace));
}

TEST(DropShadow, NothingForNeutralParameters) {
  for (auto [rect, size, strength] : {std::tuple{Rect(0, 0, 10, 10), 4, 0},
                                      std::tuple{Rect(0, 0, 10, 10), 4, 101},
                                      std::tuple{Rect(0, 0, 10, 10), 0, 50},
                                      std::tuple{Rect(0, 0, 10, 10), -3, 50},
                                      std::tuple{Rect(5, 5, 5, 10), 4, 50}}) {
    TRecordingCanvas c;
    DrawShadow(c, rect, size, strength, clWhite, true, true);
    EXPECT_TRUE(c.fills.empty());
    TBitmap b = Filled(30, 30, 100);
    const TBitmap before = b;
    DrawBitmapShadow(b, rect, size, true, strength, 1);
    EXPECT_EQ(0, std::memcmp(b.Bits(), before.Bits(), b.ByteSize()));
  }
}

TEST(DropShadow, AbsurdSizesEnd) {
  TBitmap b = Filled(20, 20, 255);
  DrawBitmapShadow(b, Rect(0, 0, 10, 10), std::numeric_limits<int>::max(), true, 50, 1);
  TBitmapFillCanvas canvas(b);
  DrawShadow(canvas, Rect(0, 0, 10, 10), std::numeric_limits<int>::max(), 50, clWhite, true, true);
  EXPECT_EQ(b.Pixel(5, 5), clWhite);
}

TEST(DropShadow, BlackBackgroundStaysBlackOnCanvas) {
  TBitmap b = Filled(30, 30, 0);
  TBitmapFillCanvas canvas(b);
  DrawShadow(canvas, Rect(2, 2, 20, 20), 4, 77, clBlack, true, true);
  for (size_t i = 0; i < b.ByteSize(); ++i) ASSERT_EQ(b.Bits()[i], 0);
}

TEST(DropShadow, BitmapShadowIsTheCanvasShadowPlusNoise) {
  TBitmap canvasBitmap = Filled(140, 80, 255);
  TBitmapFillCanvas canvas(canvasBitmap);
  DrawShadow(canvas, Rect(10, 10, 110, 60), 4, 77, clWhite, true, false);
  TBitmap noisy = Filled(140, 80, 255);
  DrawBitmapShadow(noisy, Rect(10, 10, 110, 60), 4, true, 77, 42);
  std::set<int> offsets;
  int changed = 0;
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 140 * 3; ++x) {
      const int want = canvasBitmap.ScanLine(y)[x];
      const int got = noisy.ScanLine(y)[x];
      if (want == 255 && got == 255) continue;
      ++changed;
      ASSERT_LE(std::abs(got - want), 3) << x / 3 << "," << y;
      if (want <= 252) offsets.insert(got - want);
    }
  EXPECT_GT(changed, 100);
  EXPECT_EQ(offsets.size(), 7u);  // every noise value -3..+3 occurs

  TBitmap again = Filled(140, 80, 255);
  DrawBitmapShadow(again, Rect(10, 10, 110, 60), 4, true, 77, 42);
  EXPECT_EQ(0, std::memcmp(again.Bits(), noisy.Bits(), again.ByteSize()));
  TBitmap other = Filled(140, 80, 255);
  DrawBitmapShadow(other, Rect(10, 10, 110, 60), 4, true, 77, 43);
  EXPECT_NE(0, std::memcmp(other.Bits(), noisy.Bits(), other.ByteSize()));
}

TEST(DropShadow, BitmapNoiseIsPerByteAndTouchesBlack) {
  TBitmap b = Filled(60, 60, 0);
  DrawBitmapShadow(b, Rect(5, 5, 40, 40), 4, true, 77, 7);
  int differingChannels = 0, raised = 0;
  for (int y = 40; y < 44; ++y)
    for (int x = 9; x < 44; ++x) {
      const uint8_t* p = b.ScanLine(y) + 3 * x;
      for (int k = 0; k < 3; ++k) {
        ASSERT_LE(p[k], 3);
        raised += p[k] > 0;
      }
      differingChannels += p[0] != p[1] || p[1] != p[2];
    }
  EXPECT_GT(raised, 50);
  EXPECT_GT(differingChannels, 20);
}

TEST(DropShadow, BitmapShadowNeedsRoomRightAndBelow) {
  TBitmap b = Filled(50, 50, 128);
  const TBitmap before = b;
  DrawBitmapShadow(b, Rect(0, 0, 50, 20), 4, true, 70, 1);
  DrawBitmapShadow(b, Rect(0, 0, 20, 50), 4, false, 70, 1);
  EXPECT_EQ(0, std::memcmp(b.Bits(), before.Bits(), b.ByteSize()));
  DrawBitmapShadow(b, Rect(0, 0, 48, 48), 4, true, 70, 1);  // clipped at the edge
  EXPECT_NE(b.Pixel(48, 10), before.Pixel(48, 10));
}

}  // namespace
}  // namespace velinor
