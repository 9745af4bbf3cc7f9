#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "TestImages.h"
#include "core/engine/Brush.h"
#include "core/engine/CopyFamily.h"
#include "core/engine/KeepColors.h"
#include "core/engine/TouchUps.h"

using namespace velinor;
using namespace velinor::test;

namespace {

// A layer with random touches of both kinds.
TTouchUps RandomLayer(int w, int h, std::mt19937& rng) {
  TTouchUps layer;
  for (int k = 0; k < 6; ++k) {
    TCoverage c;
    const int l = static_cast<int>(rng() % w), t = static_cast<int>(rng() % h);
    c.Rect = TRect{l - 3, t - 3, l + 1 + static_cast<int>(rng() % w), t + 1 + static_cast<int>(rng() % h)};
    c.Weights.resize(static_cast<size_t>(c.Rect.Width()) * c.Rect.Height());
    for (uint8_t& v : c.Weights) v = static_cast<uint8_t>(rng() % 4 == 0 ? 255 : rng() % 256);
    layer.Paint(w, h, c, k % 2 ? TTouchKind::Grey : TTouchKind::Colour);
  }
  return layer;
}

// The final mask written pixel by pixel from the definition.
TBitmap SlowFinalMask(const TBitmap& mask, const TTouchUps& layer) {
  return MaskFrom(mask.Width(), mask.Height(), [&](int x, int y) {
    const int m = Px(mask, x, y)[0];
    const int t = layer.Target(x, y), a = layer.Amount(x, y);
    return m + (t - m) * a / 255;
  });
}

// The result of rect the obvious way: the photo toned, the photo blended back
// through the final mask.
TBitmap SlowResult(const TBitmap& photo, const TBitmap& finalMask, bool sepia) {
  TBitmap r(photo);
  ToneResult(r, sepia);
  BlendThroughMask(photo, FullImageRect, r, 0, 0, FullImageRect, &finalMask);
  return r;
}

}  // namespace

TEST(TouchUps, ComposingEqualsTwoBlendsInARow) {
  std::mt19937 rng(7);
  for (int i = 0; i < 20000; ++i) {
    uint8_t t = static_cast<uint8_t>(rng() % 256), a = static_cast<uint8_t>(rng() % 256);
    const int paint = rng() % 2 ? 255 : 0, w = static_cast<int>(rng() % 256);
    const uint8_t t0 = t, a0 = a;
    ComposeTouch(t, a, paint, w);
    for (int m : {0, 37, 128, 200, 255}) {
      const double once = m + (t0 - m) * a0 / 255.0;
      const double twice = once + (paint - once) * w / 255.0;
      EXPECT_NEAR(TouchedLevel(m, t, a), twice, 2.5) << int(t0) << " " << int(a0) << " " << w;
    }
  }
  // Full weight forces the level whatever was there; nothing stays untouched.
  uint8_t t = 200, a = 90;
  ComposeTouch(t, a, 0, 255);
  EXPECT_EQ(t, 0);
  EXPECT_EQ(a, 255);
  ComposeTouch(t, a, 255, 0);
  EXPECT_EQ(t, 0);
  EXPECT_EQ(a, 255);
}

TEST(TouchUps, RecomposeMatchesTheObviousCompositeInsideTheRectOnly) {
  std::mt19937 rng(11);
  for (int round = 0; round < 40; ++round) {
    const int w = 1 + static_cast<int>(rng() % 90), h = 1 + static_cast<int>(rng() % 70);
    const TBitmap photo = RandomImage(w, h, rng);
    std::uniform_int_distribution<int> level(0, 255);
    const TBitmap mask = MaskFrom(w, h, [&](int, int) { return rng() % 3 ? level(rng) : (rng() % 2) * 255; });
    const TTouchUps layer = RandomLayer(w, h, rng);
    const bool sepia = round % 2;
    const TBitmap finalMask = SlowFinalMask(mask, layer);
    ASSERT_TRUE(SamePixels(FinalMask(mask, layer), finalMask));
    const TBitmap expected = SlowResult(photo, finalMask, sepia);

    TBitmap result = RandomImage(w, h, rng);
    const TBitmap before(result);
    const TRect rect{static_cast<int>(rng() % (w + 4)) - 2, static_cast<int>(rng() % (h + 4)) - 2,
                     static_cast<int>(rng() % (w + 4)) - 2, static_cast<int>(rng() % (h + 4)) - 2};
    RecomposeTouched(result, photo, mask, layer, sepia, rect);
    TRect clipped = rect;
    ClipToBitmap(clipped, result);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const bool inside = PtInRect(clipped, TPoint{x, y});
        const TBitmap& want = inside ? expected : before;
        for (int k = 0; k < 3; ++k)
          ASSERT_EQ(Px(result, x, y)[k], Px(want, x, y)[k]) << x << "," << y << " inside " << inside;
      }
  }
}

// A see-through photo: the colours are those of its 24-bit copy, the alpha the photo's.
TEST(TouchUps, RecomposeOfASeeThroughPhotoKeepsItsAlpha) {
  std::mt19937 rng(5);
  const int w = 37, h = 23;
  const TBitmap photo24 = RandomImage(w, h, rng);
  TBitmap photo = photo24;
  photo.SetPixelFormat(TPixelFormat::pf32bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) photo.ScanLine(y)[4 * x + 3] = static_cast<uint8_t>(rng());
  const TBitmap mask = MaskFrom(w, h, [&](int, int) { return static_cast<int>(rng() % 256); });
  const TTouchUps layer = RandomLayer(w, h, rng);
  TBitmap result24 = photo24, result = photo;
  const TRect all{0, 0, w, h};
  RecomposeTouched(result24, photo24, mask, layer, false, all);
  RecomposeTouched(result, photo, mask, layer, false, all);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      for (int k = 0; k < 3; ++k) ASSERT_EQ(result.ScanLine(y)[4 * x + k], result24.ScanLine(y)[3 * x + k]);
      ASSERT_EQ(result.ScanLine(y)[4 * x + 3], photo.ScanLine(y)[4 * x + 3]);
    }
}

TEST(TouchUps, AnEmptyLayerGivesWhatKeepColorsGives) {
  std::mt19937 rng(3);
  const TBitmap photo = RandomImage(60, 40, rng);
  TKeepOptions options;
  options.Entries = {"#808080"};
  options.Tolerance = 60;
  TBitmap result(photo), mask;
  KeepColors(result, mask, photo, options);
  TBitmap again = RandomImage(60, 40, rng);
  RecomposeTouched(again, photo, mask, TTouchUps{}, false, FullImageRect);
  EXPECT_TRUE(SamePixels(again, result));
  EXPECT_TRUE(SamePixels(FinalMask(mask, TTouchUps{}), mask));
}

TEST(TouchUps, GreyPictureCodesColourGreyAndUntouched) {
  TBitmap grey = MaskFrom(4, 1, [](int x, int) { return x == 0 ? 0 : x == 1 ? 255 : x == 2 ? 128 : 64; });
  const TTouchUps layer = TTouchUps::FromGreyPicture(grey);
  EXPECT_EQ(layer.Apply(0, 0, 200), 0);
  EXPECT_EQ(layer.Apply(1, 0, 10), 255);
  EXPECT_EQ(layer.Apply(2, 0, 77), 77);
  EXPECT_NEAR(layer.Apply(3, 0, 254), 127, 1);  // half-way to colour
  EXPECT_EQ(layer.Touched(), (TRect{0, 0, 4, 1}));
  EXPECT_TRUE(SamePixels(layer.ToGreyPicture(), grey));
  // An all-untouched picture is an empty layer.
  EXPECT_TRUE(TTouchUps::FromGreyPicture(MaskFrom(5, 5, [](int, int) { return 128; })).Empty());
}

// ---- the brush -----------------------------------------------------------------

// A turned layer holds each pixel where RotateQuarter puts it, and its touched
// rectangle still holds every touched pixel; a sampled layer holds the picked
// pixels.
TEST(TouchUps, TurnedAndSampledLayersHoldTheSamePixelsMovedOrPicked) {
  std::mt19937 rng(11);
  const int w = 37, h = 23;
  const TTouchUps layer = RandomLayer(w, h, rng);
  ASSERT_FALSE(layer.Empty());
  for (const bool clockwise : {true, false}) {
    const TTouchUps turned = layer.Rotated(clockwise);
    ASSERT_EQ(turned.Width(), h);
    ASSERT_EQ(turned.Height(), w);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        // Clockwise the picture's bottom-left corner comes to the top-left.
        const int tx = clockwise ? h - 1 - y : y, ty = clockwise ? x : w - 1 - x;
        ASSERT_EQ(turned.Target(tx, ty), layer.Target(x, y));
        ASSERT_EQ(turned.Amount(tx, ty), layer.Amount(x, y));
        if (layer.Amount(x, y) != 0) { ASSERT_TRUE(PtInRect(turned.Touched(), TPoint{tx, ty})); }
      }
    const TTouchUps back = turned.Rotated(!clockwise);
    EXPECT_EQ(back.Touched(), layer.Touched());
  }
  const std::vector<int> columns{0, 0, 3, 9, 9, 20, 36}, rows{1, 5, 5, 22};
  const TTouchUps sampled = layer.Sampled(columns, rows);
  for (size_t j = 0; j < rows.size(); ++j)
    for (size_t i = 0; i < columns.size(); ++i) {
      const int x = static_cast<int>(i), y = static_cast<int>(j);
      const bool touched = PtInRect(layer.Touched(), TPoint{columns[i], rows[j]});
      EXPECT_EQ(sampled.Apply(x, y, 77), touched ? layer.Apply(columns[i], rows[j], 77) : 77) << i << "," << j;
    }
  EXPECT_TRUE(TTouchUps().Rotated(true).Empty());
}

TEST(Brush, WeightsFallOffOverTheSoftPartOfTheRadius) {
  EXPECT_EQ(BrushWeight(TBrush{20, 0}, 9.99), 255);
  EXPECT_EQ(BrushWeight(TBrush{20, 0}, 10), 0);
  EXPECT_EQ(BrushWeight(TBrush{20, 50}, 5), 255);
  EXPECT_EQ(BrushWeight(TBrush{20, 50}, 7.5), 128);
  EXPECT_EQ(BrushWeight(TBrush{20, 100}, 0), 255);
  EXPECT_EQ(BrushWeight(TBrush{20, 100}, 5), 128);
  // Out-of-range settings are clamped: size 1 covers the pixel under it only.
  EXPECT_EQ(BrushWeight(TBrush{0, 300}, 0), 255);
  EXPECT_EQ(BrushWeight(TBrush{0, 300}, 1), 0);
  EXPECT_EQ((TBrush{9999, -5}.Clamped().Size), MaxBrushSize);
}

TEST(Brush, SegmentCoverageEqualsTheDistanceRuleOnEveryPixel) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> coord(-30, 110);
  for (int round = 0; round < 30; ++round) {
    const int w = 1 + static_cast<int>(rng() % 80), h = 1 + static_cast<int>(rng() % 80);
    const TBrush brush{1 + static_cast<int>(rng() % 60), static_cast<int>(rng() % 101)};
    const TBrushPoint a{coord(rng), coord(rng)};
    const TBrushPoint b = round % 4 ? TBrushPoint{coord(rng), coord(rng)} : a;
    const TCoverage c = SegmentCoverage(brush, a, b, w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        // Nearest point of the segment by fine sampling, then the weight.
        double best = 1e9;
        for (int k = 0; k <= 2000; ++k) {
          const double t = k / 2000.0;
          best = std::min(best, std::hypot(x + 0.5 - (a.X + t * (b.X - a.X)), y + 0.5 - (a.Y + t * (b.Y - a.Y))));
        }
        const int want = BrushWeight(brush, best);
        const int got = PtInRect(c.Rect, TPoint{x, y}) ? c.At(x, y) : 0;
        // Sampling finds the distance to within the sample spacing.
        ASSERT_NEAR(got, want, want == 0 || want == 255 || got == 0 || got == 255 ? 255 : 3)
            << x << "," << y;
        if (std::abs(got - want) > 3) {
          const double r = brush.Size / 2.0;
          ASSERT_NEAR(best, got == 0 || want == 0 ? r : r * (100 - brush.Softness) / 100.0, 0.15);
        }
      }
  }
}

TEST(Brush, PaintingOutsideClipsAndABrushLargerThanThePictureCoversIt) {
  EXPECT_TRUE(SegmentCoverage(TBrush{40, 0}, {-100, -100}, {-50, -200}, 30, 20).Rect.IsEmpty());
  const TCoverage all = SegmentCoverage(TBrush{500, 0}, {15, 10}, {15, 10}, 30, 20);
  EXPECT_EQ(all.Rect, (TRect{0, 0, 30, 20}));
  EXPECT_TRUE(std::all_of(all.Weights.begin(), all.Weights.end(), [](uint8_t v) { return v == 255; }));
  TTouchUps layer;
  TStroke stroke(30, 20, TBrush{500, 0}, TTouchKind::Grey);
  EXPECT_EQ(stroke.MoveTo({-100, -100}, layer), (TRect{0, 0, 30, 20}));
  EXPECT_EQ(layer.Apply(29, 19, 0), 255);
  TStroke outside(30, 20, TBrush{10, 0}, TTouchKind::Colour);
  EXPECT_TRUE(outside.MoveTo({-100, 5}, layer).IsEmpty());
}

// A stroke changes exactly the pixels under it, soft edge included, and the
// rectangles it reports are all that needs composing again.
TEST(Brush, AStrokeChangesExactlyThePixelsUnderIt) {
  std::mt19937 rng(9);
  const int w = 120, h = 90;
  const TBitmap photo = RandomImage(w, h, rng);
  const TBitmap mask = MaskFrom(w, h, [](int x, int) { return x < 60 ? 255 : 0; });
  TTouchUps layer;
  TBitmap shown(photo);
  RecomposeTouched(shown, photo, mask, layer, false, FullImageRect);
  const TBitmap before(shown);

  const TBrush brush{25, 60};
  TStroke stroke(w, h, brush, TTouchKind::Colour);
  const std::vector<TBrushPoint> path{{10, 10}, {40, 30}, {45, 32}, {30, 70}, {10, 10}};
  for (const TBrushPoint& p : path) RecomposeTouched(shown, photo, mask, layer, false, stroke.MoveTo(p, layer));

  TBitmap full(photo);
  RecomposeTouched(full, photo, mask, layer, false, FullImageRect);
  EXPECT_TRUE(SamePixels(shown, full));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int weight = 0;  // the highest weight of the path's segments
      for (size_t i = 0; i + 1 < path.size(); ++i) {
        const TCoverage c = SegmentCoverage(brush, path[i], path[i + 1], w, h);
        if (PtInRect(c.Rect, TPoint{x, y})) weight = std::max<int>(weight, c.At(x, y));
      }
      const int m = Px(mask, x, y)[0];
      ASSERT_NEAR(layer.Apply(x, y, m), m + (0 - m) * weight / 255, 1) << x << "," << y;
      if (weight == 0) {
        ASSERT_EQ(layer.Amount(x, y), 0);
      }
      if (weight == 255) {
        ASSERT_EQ(layer.Apply(x, y, m), 0);
      }
      const bool same = std::equal(Px(shown, x, y), Px(shown, x, y) + 3, Px(before, x, y));
      // Grey pixels under the brush take colour back; nothing else moves.
      if (weight == 0 || m == 0) {
        ASSERT_TRUE(same) << x << "," << y;
      }
    }
  // The soft edge was painted: some pixels are only partly forced.
  int partial = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < 60; ++x) partial += layer.Apply(x, y, 255) > 0 && layer.Apply(x, y, 255) < 255;
  EXPECT_GT(partial, 50);
}
