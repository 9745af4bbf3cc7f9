#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "TestImages.h"
#include "base/Arith.h"
#include "base/Parallel.h"
#include "engine/ColorMatch.h"
#include "engine/CopyFamily.h"
#include "engine/KeepColors.h"
#include "engine/MaskShaping.h"
#include "engine/ToneCompositing.h"

using namespace velinor;
using namespace velinor::test;

namespace {

using TReports = std::vector<std::pair<std::string, int>>;

TProgressSink Recorder(TReports& reports) {
  return [&reports](const std::string& label, int percent) { reports.emplace_back(label, percent); };
}

// The computation written step by step with the general operations and the
// obvious matching loop.
void SlowKeepColors(TBitmap& result, TBitmap& mask, const TBitmap& source, const TKeepOptions& o,
                    const TProgressSink& progress) {
  NewFilledBitmap(mask, result.Width(), result.Height(), clWhite);
  TMatchList list;
  BuildMatchList(o.Entries, o.Gradient, list);
  if (!list.empty()) {
    progress("Calculating", 0);
    for (int y = 0; y < source.Height(); ++y) {
      for (int x = 0; x < source.Width(); ++x)
        if (MatchesAny(PixelToColor(Px(source, x, y)), list, o.Tolerance)) {
          uint8_t* m = Px(mask, x, y);
          m[0] = m[1] = m[2] = 0;
        }
      progress("Calculating", static_cast<int>(Round((y + 1) * 100.0 / source.Height())));
    }
    progress("Processing", 0);
    BoxBlurRect(mask, 1, 1, FullImageRect);
    ThresholdRect(mask, 200, clBlack, clWhite, FullImageRect);
    progress("Processing", 10);
    if (o.Progressive) {
      MorphMask(mask, -3, FullImageRect);
      GaussianBlurRect(mask, 3, FullImageRect);
    } else {
      MorphMask(mask, -1, FullImageRect);
      SmoothMaskSteps(mask, FullImageRect, 33);
    }
    progress("Processing", 50);
  }
  ToneResult(result, o.Sepia);
  progress("Processing", 80);
  BlendThroughMask(source, FullImageRect, result, 0, 0, FullImageRect, &mask);
}

// A photo-like image: blobs of a few base colours with noise, so that matches
// form regions with ragged edges.
TBitmap Photo(int w, int h, std::mt19937& rng) {
  std::uniform_int_distribution<int> byte(0, 255), noise(-12, 12), coord(0, std::max(w, h));
  TBitmap b(w, h);
  std::vector<TPixel> base(5);
  for (TPixel& p : base) p = TPixel{uint8_t(byte(rng)), uint8_t(byte(rng)), uint8_t(byte(rng))};
  struct Blob { int cx, cy, r2, k; };
  std::vector<Blob> blobs(8);
  for (Blob& bl : blobs) {
    const int r = 1 + coord(rng) / 2;
    bl = Blob{coord(rng), coord(rng), r * r, static_cast<int>(rng() % 5)};
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int k = (x / 7 + y / 5) % 5;
      for (const Blob& bl : blobs)
        if ((x - bl.cx) * (x - bl.cx) + (y - bl.cy) * (y - bl.cy) <= bl.r2) k = bl.k;
      uint8_t* p = Px(b, x, y);
      p[0] = static_cast<uint8_t>(ClampByte(base[k].B + noise(rng)));
      p[1] = static_cast<uint8_t>(ClampByte(base[k].G + noise(rng)));
      p[2] = static_cast<uint8_t>(ClampByte(base[k].R + noise(rng)));
    }
  return b;
}

TKeepOptions RandomOptions(const TBitmap& photo, std::mt19937& rng) {
  TKeepOptions o;
  const int n = static_cast<int>(rng() % 5);
  for (int i = 0; i < n; ++i)
    o.Entries.push_back(ColorToText(photo.Pixel(static_cast<int>(rng() % photo.Width()),
                                                static_cast<int>(rng() % photo.Height()))));
  if (rng() % 7 == 0) o.Entries.push_back("not a colour");
  o.Gradient = rng() % 2;
  o.Tolerance = 1 + static_cast<int>(rng() % 100);
  o.Progressive = rng() % 2;
  o.Sepia = rng() % 3 == 0;
  return o;
}

struct TRun {
  TBitmap result, mask;
  TReports reports;
};

TRun Fast(const TBitmap& photo, const TBitmap& start, const TKeepOptions& o) {
  TRun r;
  r.result = start;
  KeepColors(r.result, r.mask, photo, o, Recorder(r.reports));
  return r;
}

TRun Slow(const TBitmap& photo, const TBitmap& start, const TKeepOptions& o) {
  TRun r;
  r.result = start;
  SlowKeepColors(r.result, r.mask, photo, o, Recorder(r.reports));
  return r;
}

}  // namespace

TEST(KeepColors, EqualsTheStepByStepComputationOnRandomPhotos) {
  std::mt19937 rng(2024);
  int shaped = 0;  // runs whose mask holds black, white and in-between levels
  for (int iter = 0; iter < 150; ++iter) {
    std::uniform_int_distribution<int> size(1, 48);
    const int w = size(rng), h = size(rng);
    const TBitmap photo = Photo(w, h, rng);
    TKeepOptions o = RandomOptions(photo, rng);
    // The result may start as the photo or as an earlier result.
    const TBitmap start = rng() % 4 == 0 ? RandomImage(w, h, rng) : photo;
    const TRun fast = Fast(photo, start, o), slow = Slow(photo, start, o);
    ASSERT_TRUE(SamePixels(fast.mask, slow.mask)) << "mask, iteration " << iter << " " << w << "x" << h;
    ASSERT_TRUE(SamePixels(fast.result, slow.result)) << "result, iteration " << iter;
    ASSERT_EQ(fast.reports, slow.reports) << iter;
    bool levels[3] = {};
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int m = Px(fast.mask, x, y)[0];
        levels[m == 0 ? 0 : (m == 255 ? 1 : 2)] = true;
      }
    shaped += levels[0] && levels[1] && levels[2];
  }
  EXPECT_GT(shaped, 40);  // the comparison saw real masks, not only blank ones
}

TEST(KeepColors, EqualsTheStepByStepComputationOnLargerPhotosBothContours) {
  std::mt19937 rng(77);
  for (int iter = 0; iter < 6; ++iter) {
    const TBitmap photo = Photo(150 + iter * 13, 90 + iter * 7, rng);
    TKeepOptions o;
    for (int i = 0; i < 4; ++i) o.Entries.push_back(ColorToText(photo.Pixel(i * 30, i * 20)));
    o.Progressive = iter % 2 == 0;
    o.Sepia = iter % 3 == 0;
    o.Tolerance = 20 + iter * 5;
    const TRun fast = Fast(photo, photo, o), slow = Slow(photo, photo, o);
    ASSERT_TRUE(SamePixels(fast.mask, slow.mask)) << iter;
    ASSERT_TRUE(SamePixels(fast.result, slow.result)) << iter;
  }
}

TEST(KeepColors, SameResultForOneAndTwoThreads) {
  std::mt19937 rng(5);
  const TBitmap photo = Photo(613, 419, rng);
  for (bool progressive : {true, false}) {
    TKeepOptions o;
    for (int i = 0; i < 6; ++i) o.Entries.push_back(ColorToText(photo.Pixel(i * 97, i * 61)));
    o.Progressive = progressive;
    SetEngineThreads(1);
    const TRun one = Fast(photo, photo, o);
    SetEngineThreads(2);
    const TRun two = Fast(photo, photo, o);
    SetEngineThreads(3);
    const TRun three = Fast(photo, photo, o);
    SetEngineThreads(0);
    EXPECT_TRUE(SamePixels(one.mask, two.mask));
    EXPECT_TRUE(SamePixels(one.result, two.result));
    EXPECT_TRUE(SamePixels(one.mask, three.mask));
    EXPECT_TRUE(SamePixels(one.result, three.result));
    EXPECT_EQ(one.reports, two.reports);
  }
}

TEST(KeepColors, EmptyListGivesTheGreyOrSepiaPictureAndAWhiteMask) {
  std::mt19937 rng(9);
  const TBitmap photo = RandomImage(20, 10, rng);
  for (bool sepia : {false, true}) {
    TKeepOptions o;
    o.Sepia = sepia;
    TRun r = Fast(photo, photo, o);
    EXPECT_EQ(r.reports, (TReports{{"Processing", 80}}));
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 20; ++x) {
        const int g = Luminance(Px(photo, x, y));
        const uint8_t* p = Px(r.result, x, y);
        if (sepia) {
          EXPECT_EQ(p[0], static_cast<int>(Trunc(255 * std::pow(g / 255.0, 2.0))));
          EXPECT_EQ(p[2], static_cast<int>(Trunc(255 * std::pow(g / 255.0, 1 / 1.2))));
        } else {
          EXPECT_EQ(p[0], g);
          EXPECT_EQ(p[2], g);
        }
        EXPECT_EQ(p[1], g);
        EXPECT_EQ(Px(r.mask, x, y)[0], 255);
      }
  }
}

TEST(KeepColors, EveryPixelMatching) {
  TBitmap photo(40, 30);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) photo.SetPixel(x, y, RGB(200, 40 + (x + y) % 3, 30));
  TKeepOptions o;
  o.Entries = {"#C8282A"};
  o.Progressive = false;
  TRun plain = Fast(photo, photo, o);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const bool frame = x == 0 || y == 0 || x == 39 || y == 29;
      ASSERT_EQ(Px(plain.mask, x, y)[0], frame ? 255 : 0) << x << "," << y;
      if (!frame) {
        ASSERT_EQ(plain.result.Pixel(x, y), photo.Pixel(x, y));
      }
    }
  o.Progressive = true;
  TRun soft = Fast(photo, photo, o);
  EXPECT_EQ(Px(soft.mask, 0, 0)[0], 255);
  EXPECT_EQ(Px(soft.mask, 39, 29)[0], 255);
  EXPECT_EQ(Px(soft.mask, 20, 0)[0], 224);
  EXPECT_EQ(Px(soft.mask, 0, 15)[0], 224);
  EXPECT_EQ(Px(soft.mask, 11, 15)[0], 0);
  EXPECT_GT(Px(soft.mask, 10, 15)[0], 0);
  EXPECT_EQ(Px(soft.mask, 20, 15)[0], 0);
}

TEST(KeepColors, ProgressOfAOnePixelHighImage) {
  TBitmap photo(5, 1);
  photo.FillBytes(100);
  TKeepOptions o;
  o.Entries = {"#646464"};
  TRun r = Fast(photo, photo, o);
  EXPECT_EQ(r.reports, (TReports{{"Calculating", 0}, {"Calculating", 100}, {"Processing", 0},
                                 {"Processing", 10}, {"Processing", 50}, {"Processing", 80}}));
  TBitmap tall(1, 8);
  tall.FillBytes(100);
  TRun t = Fast(tall, tall, o);
  // Round((y+1)*100/8) ties to even: 12.5 -> 12, 37.5 -> 38, 62.5 -> 62, 87.5 -> 88.
  const TReports expect = {{"Calculating", 0},  {"Calculating", 12}, {"Calculating", 25},
                           {"Calculating", 38}, {"Calculating", 50}, {"Calculating", 62},
                           {"Calculating", 75}, {"Calculating", 88}, {"Calculating", 100},
                           {"Processing", 0},   {"Processing", 10},  {"Processing", 50},
                           {"Processing", 80}};
  EXPECT_EQ(t.reports, expect);
}

TEST(KeepColors, RunsTwiceAlikeAndRefusesMismatchedSizes) {
  std::mt19937 rng(4);
  const TBitmap photo = Photo(60, 50, rng);
  TKeepOptions o;
  o.Entries = {ColorToText(photo.Pixel(10, 10)), ColorToText(photo.Pixel(40, 30))};
  TRun a = Fast(photo, photo, o), b = Fast(photo, photo, o);
  EXPECT_TRUE(SamePixels(a.result, b.result));
  TBitmap wrong(3, 3), mask;
  EXPECT_THROW(KeepColors(wrong, mask, photo, o), std::invalid_argument);
  TBitmap empty, emptyMask;
  TReports reports;
  KeepColors(empty, emptyMask, TBitmap(), o, Recorder(reports));
  EXPECT_TRUE(emptyMask.Empty());
  EXPECT_EQ(reports, (TReports{{"Calculating", 0}, {"Processing", 0}, {"Processing", 10},
                               {"Processing", 50}, {"Processing", 80}}));
  // A 32-bit photo works as its 24-bit form.
  TBitmap wide = photo;
  wide.SetPixelFormat(TPixelFormat::pf32bit);
  TBitmap result = wide;
  KeepColors(result, mask, wide, o);
  EXPECT_TRUE(SamePixels(result, a.result));
}

TEST(KeepColors, AnExceptionFromTheProgressSinkReachesTheCaller) {
  std::mt19937 rng(8);
  const TBitmap photo = Photo(400, 300, rng);
  TKeepOptions o;
  o.Entries = {ColorToText(photo.Pixel(10, 10))};
  for (int threads : {1, 2}) {
    SetEngineThreads(threads);
    TBitmap result = photo, mask;
    int calls = 0;
    auto sink = [&calls](const std::string&, int) {
      if (++calls == 20) throw std::runtime_error("stop");
    };
    EXPECT_THROW(KeepColors(result, mask, photo, o, sink), std::runtime_error);
  }
  SetEngineThreads(0);
}

