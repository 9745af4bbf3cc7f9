#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "TestImages.h"
#include "core/base/Arith.h"
#include "core/base/Parallel.h"
#include "core/engine/ColorMatch.h"
#include "core/engine/CopyFamily.h"
#include "core/engine/KeepColors.h"
#include "core/engine/MaskShaping.h"
#include "core/engine/ToneCompositing.h"

using namespace velinor;
using namespace velinor::test;

namespace {

using TReports = std::vector<std::pair<std::string, int>>;

TProgressSink Recorder(TReports& reports) {
  return [&reports](const std::string& label, int percent) { reports.emplace_back(label, percent); };
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
  // Half the runs exclude a few colours of the photo too.
  const int excluded = rng() % 2 ? static_cast<int>(rng() % 4) : 0;
  for (int i = 0; i < excluded; ++i)
    o.Excluded.push_back(ColorToText(photo.Pixel(static_cast<int>(rng() % photo.Width()),
                                                 static_cast<int>(rng() % photo.Height()))));
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
  KeepColorsReference(r.result, r.mask, photo, o, Recorder(r.reports));
  return r;
}

}  // namespace

TEST(KeepColors, EqualsTheReferenceOnRandomPhotos) {
  std::mt19937 rng(2024);
  int shaped = 0;  // runs whose mask holds black, white and in-between levels
  for (int iter = 0; iter < 200; ++iter) {
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

TEST(KeepColors, EqualsTheReferenceOnLargerPhotosBothContours) {
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


TEST(KeepColors, TheMaskAloneAndTheCompositeAloneMakeTheSameResult) {
  std::mt19937 rng(31);
  for (int iter = 0; iter < 40; ++iter) {
    std::uniform_int_distribution<int> size(1, 70);
    const int w = size(rng), h = size(rng);
    const TBitmap photo = Photo(w, h, rng);
    const TKeepOptions o = RandomOptions(photo, rng);
    const TRun whole = Fast(photo, photo, o);
    TBitmap mask;
    TReports reports;
    BuildKeepMask(mask, photo, o, Recorder(reports));
    ASSERT_TRUE(SamePixels(mask, whole.mask)) << iter;
    TReports expected = whole.reports;
    expected.pop_back();  // "Processing" 80 belongs to the composite
    ASSERT_EQ(reports, expected) << iter;
    TBitmap result = photo;
    ComposeKeep(result, photo, mask, o.Sepia);
    ASSERT_TRUE(SamePixels(result, whole.result)) << iter;
  }
}

TEST(ComposeKeep, ASubRectangleIsToneAndBlendThereAndNothingElse) {
  std::mt19937 rng(32);
  for (int iter = 0; iter < 60; ++iter) {
    std::uniform_int_distribution<int> size(1, 40), pos(-5, 45);
    const int w = size(rng), h = size(rng);
    const TBitmap source = RandomImage(w, h, rng), start = RandomImage(w, h, rng);
    // Any weights, not only the levels of a shaped mask.
    const TBitmap mask = MaskFrom(w, h, [&](int, int) {
      const int k = static_cast<int>(rng() % 4);
      return k == 0 ? 0 : (k == 1 ? 255 : static_cast<int>(rng() % 256));
    });
    const bool sepia = rng() % 2;
    const TRect rect = Rect(pos(rng), pos(rng), pos(rng), pos(rng));
    TBitmap result = start;
    ComposeKeep(result, source, mask, sepia, rect);
    TBitmap toned = start;
    ToneResult(toned, sepia);
    BlendThroughMask(source, FullImageRect, toned, 0, 0, FullImageRect, &mask);
    TBitmap expected = start;
    TRect clipped = rect;
    ClipToBitmap(clipped, expected);
    CopyRectAt(toned, clipped, expected, clipped.Left, clipped.Top, clipped);
    ASSERT_TRUE(SamePixels(result, expected)) << iter;
  }
  TBitmap a(4, 4), b(4, 5), m(4, 4);
  EXPECT_THROW(ComposeKeep(a, b, m, false), std::invalid_argument);
  EXPECT_THROW(ComposeKeep(a, a, b, false), std::invalid_argument);
}

TEST(ScanAndShape, NothingWithAnEmptyListAndAMaskOfTheSourceSizeOtherwise) {
  TBitmap photo(6, 4), mask;
  photo.FillBytes(90);
  TReports reports;
  ScanAndShape(photo, mask, {}, 30, true, Recorder(reports));
  EXPECT_TRUE(reports.empty());
  EXPECT_TRUE(mask.Empty());
  EXPECT_THROW(ScanAndShape(photo, mask, {RGB(90, 90, 90)}, 30, true), std::invalid_argument);
  NewFilledBitmap(mask, 6, 4, clWhite);
  ScanAndShape(photo, mask, {RGB(90, 90, 90)}, 30, false, Recorder(reports));
  EXPECT_EQ(reports.front(), (std::pair<std::string, int>{"Calculating", 0}));
  EXPECT_EQ(reports.back(), (std::pair<std::string, int>{"Processing", 50}));
  // Every pixel matches: the plain contour keeps all but a one-pixel frame.
  EXPECT_EQ(Px(mask, 0, 0)[0], 255);
  EXPECT_EQ(Px(mask, 2, 2)[0], 0);
}

TEST(KeepColors, AnExcludedColourIsNeverMatchedWhateverTheKeptColours) {
  // Left half red, right half a red just outside the tolerance of the excluded
  // colour's cube.
  TBitmap photo(40, 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) photo.SetPixel(x, y, x < 20 ? RGB(200, 20, 20) : RGB(200, 20, 52));
  TKeepOptions o;
  o.Entries = {"#C81414", "#C81433"};  // both halves kept
  o.Tolerance = 30;
  o.Progressive = false;
  const TRun kept = Fast(photo, photo, o);
  EXPECT_EQ(Px(kept.mask, 10, 10)[0], 0);
  EXPECT_EQ(Px(kept.mask, 30, 10)[0], 0);
  o.Excluded = {"#C81415"};  // blue 21: the left half is within 30, the right (52) is not
  const TRun cut = Fast(photo, photo, o);
  EXPECT_EQ(Px(cut.mask, 10, 10)[0], 255);
  EXPECT_EQ(Px(cut.mask, 30, 10)[0], 0);
  const TRun reference = Slow(photo, photo, o);
  EXPECT_TRUE(SamePixels(cut.mask, reference.mask));
  EXPECT_TRUE(SamePixels(cut.result, reference.result));
  // Excluded colours alone keep nothing: the grey picture, as with no colour.
  o.Entries.clear();
  const TRun none = Fast(photo, photo, o);
  EXPECT_EQ(none.reports, (TReports{{"Processing", 80}}));
  o.Excluded.clear();
  EXPECT_TRUE(SamePixels(none.result, Fast(photo, photo, o).result));
}

TEST(KeepOptions, TheColourListOfBothKindsInListOrder) {
  TKeepOptions o;
  o.Entries = {"#000000"};
  o.SetColorList({{"#FF0000", false}, {"#00FF00", true}, {"#0000FF", false}, {"#123456", true}});
  EXPECT_EQ(o.Entries, (std::vector<std::string>{"#FF0000", "#0000FF"}));
  EXPECT_EQ(o.Excluded, (std::vector<std::string>{"#00FF00", "#123456"}));
  // The gradient runs between the kept colours only: red to blue.
  TMatchList list;
  BuildMatchList(o.Entries, o.Gradient, list);
  EXPECT_EQ(list.size(), 8u);
}

TEST(KeepColors, EqualsTheReferenceOnTallPhotosWorkedInBands) {
  // The progressive contour is computed in bands of rows: heights across several
  // bands, band edges falling anywhere in the picture.
  std::mt19937 rng(61);
  for (int h : {257, 300, 513, 700}) {
    const TBitmap photo = Photo(37 + h % 23, h, rng);
    TKeepOptions o;
    for (int i = 0; i < 5; ++i)
      o.Entries.push_back(ColorToText(photo.Pixel(static_cast<int>(rng() % photo.Width()), static_cast<int>(rng() % h))));
    o.Tolerance = 25 + h % 20;
    if (h == 300) o.Excluded = {ColorToText(photo.Pixel(3, 150))};
    for (int threads : {1, 2}) {
      SetEngineThreads(threads);
      const TRun fast = Fast(photo, photo, o), slow = Slow(photo, photo, o);
      ASSERT_TRUE(SamePixels(fast.mask, slow.mask)) << h << " " << threads;
      ASSERT_TRUE(SamePixels(fast.result, slow.result)) << h << " " << threads;
      ASSERT_EQ(fast.reports, slow.reports) << h;
    }
  }
  SetEngineThreads(0);
}

TEST(KeepColorsOfPhoto, EqualsKeepColorsOnACopyOfThePhoto) {
  std::mt19937 rng(71);
  for (int iter = 0; iter < 30; ++iter) {
    std::uniform_int_distribution<int> size(1, 90);
    const int w = size(rng), h = size(rng);
    const TBitmap photo = Photo(w, h, rng);
    const TKeepOptions o = RandomOptions(photo, rng);
    const TRun expected = Fast(photo, photo, o);
    // Whatever the result held, and whatever its size, it is not read.
    TBitmap result = iter % 3 ? RandomImage(w, h, rng) : RandomImage(h + 1, w, rng), mask;
    if (iter % 5 == 0) result.SetPixelFormat(TPixelFormat::pf32bit);
    TReports reports;
    KeepColorsOfPhoto(result, mask, photo, o, Recorder(reports));
    ASSERT_TRUE(SamePixels(result, expected.result)) << iter;
    ASSERT_TRUE(SamePixels(mask, expected.mask)) << iter;
    ASSERT_EQ(reports, expected.reports) << iter;
  }
  // The photo as its own result.
  std::mt19937 again(72);
  TBitmap photo = Photo(80, 70, again), mask;
  TKeepOptions o;
  o.Entries = {ColorToText(photo.Pixel(10, 10))};
  const TRun expected = Fast(photo, photo, o);
  KeepColorsOfPhoto(photo, mask, photo, o);
  EXPECT_TRUE(SamePixels(photo, expected.result));
}

// A photo with alpha: the colours are kept exactly as for its 24-bit copy, and
// the result takes the photo's alpha unchanged, in every way of computing it.
TEST(KeepColors, ThePhotosAlphaIsCarriedIntoTheResult) {
  std::mt19937 rng(515);
  for (int iter = 0; iter < 40; ++iter) {
    std::uniform_int_distribution<int> size(1, 60);
    const int w = size(rng), h = size(rng);
    const TBitmap opaque = Photo(w, h, rng);
    TBitmap photo = opaque;
    photo.SetPixelFormat(TPixelFormat::pf32bit);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) photo.ScanLine(y)[4 * x + 3] = static_cast<uint8_t>(rng());
    photo.ScanLine(0)[3] = 100;
    const TKeepOptions o = RandomOptions(opaque, rng);
    const TRun flat = Fast(opaque, opaque, o);
    auto check = [&](const TBitmap& result, const char* what) {
      ASSERT_EQ(result.PixelFormat(), TPixelFormat::pf32bit) << what << " " << iter;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const uint8_t* r = result.ScanLine(y) + 4 * x;
          const uint8_t* f = Px(flat.result, x, y);
          ASSERT_TRUE(r[0] == f[0] && r[1] == f[1] && r[2] == f[2]) << what << " " << iter << " " << x << "," << y;
          ASSERT_EQ(r[3], photo.ScanLine(y)[4 * x + 3]) << what << " " << iter;
        }
    };
    const TRun fast = Fast(photo, photo, o), slow = Slow(photo, photo, o);
    check(fast.result, "fast");
    check(slow.result, "reference");
    EXPECT_TRUE(SamePixels(fast.mask, flat.mask));
    TBitmap ofPhoto, mask;
    KeepColorsOfPhoto(ofPhoto, mask, photo, o);
    check(ofPhoto, "of photo");
    // The photo as its own result keeps its alpha too.
    TBitmap self = photo;
    KeepColors(self, mask, self, o);
    check(self, "in place");
    TBitmap composed = photo;
    ComposeKeep(composed, photo, flat.mask, o.Sepia);
    check(composed, "composed");
  }
}

// The toned copy made in one pass equals a 24-bit copy of the photo toned in
// place, for random colours (every weighted sum, the exact hundreds among them),
// both tones, any width, a photo with alpha, and a target of another size.
TEST(ToneResultOf, EqualsToneResultOnACopy) {
  std::mt19937 rng(909);
  for (int iter = 0; iter < 40; ++iter) {
    std::uniform_int_distribution<int> size(1, 70);
    const int w = size(rng), h = size(rng);
    TBitmap photo = RandomImage(w, h, rng);
    // Neutral greys whose extended-precision sum lands just under a level.
    for (int x = 0; x < w; ++x) {
      uint8_t* p = Px(photo, x, 0);
      p[0] = p[1] = p[2] = static_cast<uint8_t>((x * 15) % 256);
    }
    if (iter % 4 == 0) photo.SetPixelFormat(TPixelFormat::pf32bit);
    const bool sepia = iter % 2;
    TBitmap expected = photo;
    expected.SetPixelFormat(TPixelFormat::pf24bit);
    ToneResult(expected, sepia);
    TBitmap toned = iter % 3 ? RandomImage(h, w + 2, rng) : TBitmap();
    ToneResultOf(toned, photo, sepia);
    ASSERT_EQ(toned.PixelFormat(), TPixelFormat::pf24bit) << iter;
    ASSERT_TRUE(SamePixels(toned, expected)) << iter;
  }
}
