// Toolbar icon sets: the key colour rule, the grey moved toward the button face,
// the soft shadow under the icon, and icons drawn over a background.
#include "core/view/IconImages.h"

#include <gtest/gtest.h>

#include <random>

#include "core/engine/ToneCompositing.h"
#include "core/base/KeyColor.h"

namespace velinor {
namespace {

constexpr TColor kFace = RGB(212, 208, 200);

// A 32-bit icon, fully transparent.
TBitmap Icon(int w, int h) {
  TBitmap b(w, h, TPixelFormat::pf32bit);
  b.FillBytes(0);
  return b;
}

void Put(TBitmap& icon, int x, int y, TColor c, int alpha = 255) {
  uint8_t* p = icon.ScanLine(y) + x * 4;
  p[0] = GetBValue(c); p[1] = GetGValue(c); p[2] = GetRValue(c); p[3] = static_cast<uint8_t>(alpha);
}

TEST(DisabledImages, KeyColourBecomesTheMaskAndIsTransparent) {
  TBitmap icon = Icon(4, 1);
  Put(icon, 0, 0, KeyColor);
  Put(icon, 1, 0, RGB(0xCE + 7, 0xED - 7, 0xDC + 7));  // within 7 on each channel
  Put(icon, 2, 0, RGB(0xCE + 8, 0xED, 0xDC));          // just outside
  // Pixel 3 stays fully transparent: the background shows.
  const TBitmap d = MakeDisabledImage(icon, kFace, 50);
  EXPECT_TRUE(d.Transparent);
  EXPECT_EQ(d.TransparentColor, kFace);
  EXPECT_EQ(d.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(d.Pixel(0, 0), kFace);
  EXPECT_EQ(d.Pixel(1, 0), kFace);
  EXPECT_EQ(d.Pixel(3, 0), kFace);
  const int g = (0xCE + 8 + 0xED + 0xDC) / 3;
  EXPECT_EQ(d.Pixel(2, 0), RGB(g + (212 - g) / 2, g + (208 - g) / 2, g + (200 - g) / 2));
}

TEST(DisabledImages, BlackAndWhiteMoveHalfWayTowardTheButtonFace) {
  TBitmap icon = Icon(2, 1);
  Put(icon, 0, 0, clBlack);
  Put(icon, 1, 0, clWhite);
  const TBitmap d = MakeDisabledImage(icon, kFace, 50);
  EXPECT_EQ(d.Pixel(0, 0), RGB(106, 104, 100));
  EXPECT_EQ(d.Pixel(1, 0), RGB(255 - 43 / 2, 255 - 47 / 2, 255 - 55 / 2));
}

TEST(DisabledImages, ListKeepsOrderAndSizes) {
  std::vector<TBitmap> icons = {Icon(39, 34), Icon(5, 7)};
  Put(icons[1], 0, 0, clBlack);
  const auto out = MakeDisabledImages(icons, kFace, kDisabledIconStrength);
  ASSERT_TRUE(out.has_value());
  ASSERT_EQ(out->size(), 2u);
  EXPECT_EQ((*out)[0].Width(), 39);
  EXPECT_EQ((*out)[0].Height(), 34);
  EXPECT_EQ((*out)[1].Pixel(0, 0), RGB(106, 104, 100));
}

TEST(ShadowedImages, ShadowFallsOnePixelRightAndBelow) {
  // One opaque black pixel in the middle of a 5 x 5 icon: the blurred silhouette
  // (9 pixels, weight 1/9 each) sits centred at (3, 3).
  TBitmap icon = Icon(5, 5);
  Put(icon, 2, 2, clBlack);
  const TBitmap s = MakeShadowedImage(icon, kFace, 27);
  EXPECT_TRUE(s.Transparent);
  EXPECT_EQ(s.TransparentColor, kFace);
  EXPECT_EQ(s.Pixel(2, 2), clBlack);  // the icon itself on top
  // The silhouette's mean over a 3 x 3 window: 8 of 9 white -> 226; weight
  // w = 27 * (255 - 226) div 100 = 7; d += 7 * (0 - d) div 255.
  const int m = 8 * 255 / 9;
  const int w = 27 * (255 - m) / 100;
  auto dark = [w](int v) { return v + w * (0 - v) / 255; };
  const TColor shaded = RGB(dark(212), dark(208), dark(200));
  for (int y = 2; y <= 4; ++y)
    for (int x = 2; x <= 4; ++x)
      if (x != 2 || y != 2) {
        EXPECT_EQ(s.Pixel(x, y), shaded) << x << "," << y;
      }
  // Above and left of the icon pixel nothing darkens.
  for (int x = 0; x < 5; ++x) EXPECT_EQ(s.Pixel(x, 0), kFace);
  for (int y = 0; y < 5; ++y) EXPECT_EQ(s.Pixel(0, y), kFace);
  EXPECT_EQ(s.Pixel(1, 1), kFace);
}

TEST(ShadowedImages, KeyColouredPixelsAreDrawnAsKeyWithoutShadow) {
  TBitmap icon = Icon(5, 5);
  Put(icon, 2, 2, KeyColor);
  const TBitmap s = MakeShadowedImage(icon, kFace, 27);
  EXPECT_EQ(s.Pixel(2, 2), KeyColor);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x)
      if (x != 2 || y != 2) {
        EXPECT_EQ(s.Pixel(x, y), kFace);
      }
}

TEST(ShadowedImages, StrengthOutsideTheRangeGivesNoList) {
  const std::vector<TBitmap> icons = {Icon(3, 3)};
  EXPECT_FALSE(MakeShadowedImages(icons, kFace, -1).has_value());
  EXPECT_FALSE(MakeShadowedImages(icons, kFace, 101).has_value());
  EXPECT_TRUE(MakeShadowedImages(icons, kFace, 0).has_value());
  EXPECT_TRUE(MakeShadowedImages(icons, kFace, 100).has_value());
}

TEST(ShadowedImages, ShadowIsCutAtTheIconsEdges) {
  // A full opaque icon: the whole picture is the icon, no shadow pixel shows.
  TBitmap icon = Icon(4, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) Put(icon, x, y, RGB(10, 200, 30));
  const TBitmap s = MakeShadowedImage(icon, kFace, 100);
  EXPECT_EQ(s.Width(), 4);
  EXPECT_EQ(s.Height(), 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(s.Pixel(x, y), RGB(10, 200, 30));
}

TEST(DrawIcon, AlphaBlendsOverTheBackgroundAndClips) {
  TBitmap dest;
  NewFilledBitmap(dest, 3, 2, RGB(100, 100, 100));
  TBitmap icon = Icon(2, 2);
  Put(icon, 0, 0, RGB(200, 0, 50), 255);
  Put(icon, 1, 0, RGB(200, 0, 50), 128);
  Put(icon, 0, 1, RGB(200, 0, 50), 0);
  Put(icon, 1, 1, clWhite, 255);
  DrawIcon(dest, icon, 1, 0);
  EXPECT_EQ(dest.Pixel(0, 0), RGB(100, 100, 100));
  EXPECT_EQ(dest.Pixel(1, 0), RGB(200, 0, 50));
  EXPECT_EQ(dest.Pixel(2, 0), RGB((200 * 128 + 100 * 127 + 127) / 255, (100 * 127 + 127) / 255,
                                  (50 * 128 + 100 * 127 + 127) / 255));
  EXPECT_EQ(dest.Pixel(1, 1), RGB(100, 100, 100));
  EXPECT_EQ(dest.Pixel(2, 1), clWhite);
  DrawIcon(dest, icon, -5, -5);  // entirely outside: nothing, no crash
  EXPECT_EQ(dest.Pixel(0, 0), RGB(100, 100, 100));
}

TEST(DisabledImages, MatchesTheRuleOnRandomIcons) {
  std::mt19937 rng(7);
  TBitmap icon = Icon(17, 13);
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 17; ++x) Put(icon, x, y, rng() & 0xFFFFFF, 255);
  Put(icon, 3, 3, KeyColor);
  const TColor mask = RGB(30, 90, 250);
  const TBitmap d = MakeDisabledImage(icon, mask, 37);
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 17; ++x) {
      const uint8_t* p = icon.ScanLine(y) + x * 4;
      const TColor c = RGB(p[2], p[1], p[0]);
      TColor want;
      if (std::abs(p[2] - 0xCE) <= 7 && std::abs(p[1] - 0xED) <= 7 && std::abs(p[0] - 0xDC) <= 7) {
        want = mask;
      } else {
        const int g = (GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3;
        want = RGB(g + 37 * (30 - g) / 100, g + 37 * (90 - g) / 100, g + 37 * (250 - g) / 100);
      }
      ASSERT_EQ(d.Pixel(x, y), want) << x << "," << y;
    }
}

}  // namespace
}  // namespace velinor
