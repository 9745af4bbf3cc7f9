// The filtered resampler's vectorised passes against the plain integer
// procedure, and its behaviour at the edges of the size range.
#include <gtest/gtest.h>

#include <vector>

#include "ResizeTestSupport.h"
#include "core/base/Parallel.h"
#include "core/resize/StretchEx.h"

using namespace velinor;
using namespace velinor::testing;

// Also built for the baseline instruction set (test_resize_baseline).
#ifdef VELINOR_NO_MULTIVERSION
#define FILTERED_SUITE ResampleFilteredBaseline
#else
#define FILTERED_SUITE ResampleFiltered
#endif

namespace {

// One destination value from a contributor list and a channel array: sum div
// total, or sum divided by 256 when the total is 0, limited to 0..255.
int Apply(const TContributors& c, const std::vector<int>& values) {
  int total = 0, sum = 0;
  for (const TContributor& e : c.Items) {
    total += e.Weight;
    sum += e.Weight * values[static_cast<size_t>(e.Pixel)];
  }
  const int v = total != 0 ? sum / total : sum / 256;
  return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// The resampler as described, pixel by pixel: rows into three integer arrays,
// a work image of destination width, then columns.
void SlowResampleFiltered(int filter, float support, const TBitmap& src, TBitmap& dst) {
  const int sw = src.Width(), sh = src.Height(), dw = dst.Width(), dh = dst.Height();
  TBitmap work(dw, sh);
  const TContributorList hc = BuildContributors(sw, dw, filter, support);
  std::vector<int> ch[3];
  for (auto& a : ch) a.resize(static_cast<size_t>(std::max(sw, sh)));
  for (int k = 0; k < sh; ++k) {
    for (int x = 0; x < sw; ++x)
      for (int c = 0; c < 3; ++c) ch[c][x] = src.ScanLine(k)[x * 3 + c];
    for (int i = 0; i < dw; ++i)
      for (int c = 0; c < 3; ++c) work.ScanLine(k)[i * 3 + c] = static_cast<uint8_t>(Apply(hc[i], ch[c]));
  }
  const TContributorList vc = BuildContributors(sh, dh, filter, support);
  for (int x = 0; x < dw; ++x) {
    for (int y = 0; y < sh; ++y)
      for (int c = 0; c < 3; ++c) ch[c][y] = work.ScanLine(y)[x * 3 + c];
    for (int y = 0; y < dh; ++y)
      for (int c = 0; c < 3; ++c) dst.ScanLine(y)[x * 3 + c] = static_cast<uint8_t>(Apply(vc[y], ch[c]));
  }
}

TBitmap Fast(int filter, const TBitmap& src, int dw, int dh, float support = -1) {
  TBitmap dst(dw, dh);
  ResampleFiltered(filter, support < 0 ? FilterTable[filter].Support : support, src, dst);
  return dst;
}

TBitmap Slow(int filter, const TBitmap& src, int dw, int dh, float support = -1) {
  TBitmap dst(dw, dh);
  SlowResampleFiltered(filter, support < 0 ? FilterTable[filter].Support : support, src, dst);
  return dst;
}

}  // namespace

TEST(FILTERED_SUITE, MatchesTheIntegerProcedureForEveryFilter) {
  struct Case { int sw, sh, dw, dh; };
  const Case cases[] = {
      {37, 23, 80, 51},   // enlarging
      {80, 51, 37, 23},   // shrinking
      {64, 40, 64, 40},   // same size
      {50, 30, 123, 11},  // wider and shorter
      {13, 90, 5, 200},   // narrower and taller
      {9, 9, 17, 17},     // odd widths, last block of rows partly filled
  };
  uint32_t seed = 1;
  for (int f = 0; f < FilterCount; ++f)
    for (const Case& c : cases) {
      const TBitmap src = RandomImage(c.sw, c.sh, seed++);
      EXPECT_TRUE(SamePixels(Fast(f, src, c.dw, c.dh), Slow(f, src, c.dw, c.dh)))
          << "filter " << f << " " << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh;
    }
}

TEST(FILTERED_SUITE, MatchesAtEdgeSizes) {
  // 1x1 and 2-pixel sources, reductions to 1, 2 and 3 pixels, huge ratios both ways.
  struct Case { int sw, sh, dw, dh; };
  const Case cases[] = {
      {1, 1, 1, 1},    {1, 1, 5, 3},     {2, 2, 9, 7},     {2, 5, 2, 3},    {2, 2, 1, 1},
      {40, 30, 1, 1},  {40, 30, 2, 2},   {40, 30, 3, 3},   {5, 4, 2, 3},    {3, 3, 2, 2},
      {1300, 2, 2, 2}, {2, 1300, 3, 1},  {1200, 3, 3, 700}, {3, 2, 600, 400}, {7, 1, 50, 1},
  };
  uint32_t seed = 100;
  for (int f : {fiLanczos3, fiBSpline, fiBox, fiMitchell})
    for (const Case& c : cases) {
      const TBitmap src = RandomImage(c.sw, c.sh, seed++);
      EXPECT_TRUE(SamePixels(Fast(f, src, c.dw, c.dh), Slow(f, src, c.dw, c.dh)))
          << "filter " << f << " " << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh;
    }
}

TEST(FILTERED_SUITE, MatchesWithUnusualSupports) {
  const TBitmap src = RandomImage(31, 17, 7);
  for (float support : {0.0f, 0.7f, 6.0f})
    EXPECT_TRUE(SamePixels(Fast(fiLanczos3, src, 45, 9, support), Slow(fiLanczos3, src, 45, 9, support)));
}

TEST(FILTERED_SUITE, ScaleOneCopiesAndWholeCentresLandOnSourcePixels) {
  const TBitmap src = RandomImage(40, 25, 3);
  EXPECT_TRUE(SamePixels(Fast(fiLanczos3, src, 40, 25), src));
  // 4 -> 7 per row and column: every second destination pixel is a source pixel.
  const TBitmap small = RandomImage(4, 4, 4);
  const TBitmap big = Fast(fiLanczos3, small, 7, 7);
  for (int y = 0; y < 7; y += 2)
    for (int x = 0; x < 7; x += 2) EXPECT_EQ(big.Pixel(x, y), small.Pixel(x / 2, y / 2)) << x << "," << y;
}

TEST(FILTERED_SUITE, FlatImagesStayFlat) {
  // Division by the actual total keeps a flat colour exact, however lopsided
  // the mirrored weights at the edges of tiny or tinier images.
  for (int f = 0; f < FilterCount; ++f)
    for (auto [sw, sh, dw, dh] : {std::tuple{2, 2, 3, 3}, {2, 3, 9, 2}, {100, 60, 2, 3}, {3000, 2, 2, 2}}) {
      const TBitmap out = Fast(f, FilledImage(sw, sh, RGB(200, 17, 90)), dw, dh);
      for (int y = 0; y < dh; ++y)
        for (int x = 0; x < dw; ++x) ASSERT_EQ(out.Pixel(x, y), RGB(200, 17, 90)) << f << " " << x << "," << y;
    }
}

TEST(FILTERED_SUITE, ExtremeReductionTakesSourcePixelsNotBlack) {
  TBitmap src = RandomImage(1200, 1200, 9);
  src.SetPixel(0, 0, RGB(10, 200, 30));
  src.SetPixel(1199, 1199, RGB(250, 240, 230));
  const TBitmap out = Fast(fiLanczos3, src, 2, 2);
  EXPECT_EQ(out.Pixel(0, 0), RGB(10, 200, 30));
  EXPECT_EQ(out.Pixel(1, 1), RGB(250, 240, 230));
}

TEST(FILTERED_SUITE, SameBytesForOneAndTwoThreads) {
  // Large enough for both passes to run in parallel.
  const TBitmap src = RandomImage(701, 503, 11);
  for (auto [dw, dh] : {std::pair{917, 353}, {400, 701}, {611, 450}}) {
    SetEngineThreads(1);
    const TBitmap one = Fast(fiLanczos3, src, dw, dh);
    SetEngineThreads(2);
    const TBitmap two = Fast(fiLanczos3, src, dw, dh);
    SetEngineThreads(0);
    EXPECT_TRUE(SamePixels(one, two)) << dw << "x" << dh;
  }
}

TEST(FILTERED_SUITE, OtherFormatsAndDegenerateCalls) {
  // A 32-bit source is read through its B, G, R bytes; the destination becomes 24-bit.
  const TBitmap src32 = RandomImage(20, 10, 12, TPixelFormat::pf32bit);
  TBitmap src24(src32);
  src24.SetPixelFormat(TPixelFormat::pf24bit);
  TBitmap dst(33, 7, TPixelFormat::pf32bit);
  ResampleFiltered(fiLanczos3, 3.0f, src32, dst);
  EXPECT_EQ(dst.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_TRUE(SamePixels(dst, Slow(fiLanczos3, src24, 33, 7)));

  // Empty source or destination: nothing happens.
  TBitmap empty, untouched = RandomImage(4, 4, 13);
  const TBitmap before(untouched);
  ResampleFiltered(fiLanczos3, 3.0f, empty, untouched);
  EXPECT_TRUE(SamePixels(untouched, before));
  ResampleFiltered(fiLanczos3, 3.0f, before, empty);
  EXPECT_TRUE(empty.Empty());

  EXPECT_THROW(ResampleFiltered(7, 1.0f, before, untouched), std::out_of_range);

  // Source and destination the same bitmap (same size): read before written.
  TBitmap same = RandomImage(700, 500, 14);
  const TBitmap expected = Slow(fiBSpline, same, 700, 500);
  ResampleFiltered(fiBSpline, 2.0f, same, same);
  EXPECT_TRUE(SamePixels(same, expected));
}
