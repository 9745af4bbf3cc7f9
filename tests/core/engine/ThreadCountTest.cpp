// Every parallel loop of the engine gives the same pixels whatever the thread
// count: pictures above the parallel threshold, run on 1, 2 and 3 threads.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <thread>

#include "TestImages.h"
#include "core/base/Parallel.h"
#include "core/engine/ColorMatch.h"
#include "core/engine/CopyFamily.h"
#include "core/engine/KeepColors.h"
#include "core/engine/ToneCompositing.h"
#include "core/engine/detail/KeepRows.h"

using namespace velinor;
using namespace velinor::test;

namespace {

// The operation's output on 1, 2 and 3 threads, compared with the first.
void ExpectSameForAnyThreadCount(const std::function<TBitmap()>& run) {
  SetEngineThreads(1);
  const TBitmap one = run();
  for (int threads : {2, 3}) {
    SetEngineThreads(threads);
    EXPECT_TRUE(SamePixels(one, run())) << threads << " threads";
  }
  SetEngineThreads(0);
}

struct ThreadCount : ::testing::Test {
  std::mt19937 rng{99};
  const int w = 421, h = 263;  // above ParallelPixels, rows not a multiple of a block
  TBitmap photo = RandomImage(w, h, rng);
  TBitmap other = RandomImage(w, h, rng);
  TBitmap mask = MaskFrom(w, h, [](int x, int y) { return (x * 7 + y * 3) % 256; });
};

}  // namespace

TEST_F(ThreadCount, TonesAndTints) {
  static_assert(421 * 263 >= ParallelPixels);
  ExpectSameForAnyThreadCount([&] {
    TBitmap b = photo;
    DesaturateRect(b, Rect(3, 2, 400, 250));
    GammaRect(b, FullImageRect, 1.2, 1.0, 0.5);
    TintRect(b, RGB(200, 10, 90), 37, Rect(-5, 10, 300, 999));
    InvertRect(b, FullImageRect);
    return b;
  });
}

TEST_F(ThreadCount, CopiesAndBlends) {
  ExpectSameForAnyThreadCount([&] {
    TBitmap b = other;
    CopyRectAt(photo, Rect(10, 10, 300, 200), b, 50, 40, FullImageRect);
    BlendThroughMask(photo, FullImageRect, b, 0, 0, FullImageRect, &mask);
    BlendThroughMaskOpacity(photo, FullImageRect, b, 3, 5, FullImageRect, &mask, 60);
    CopyRectColorKey(photo, FullImageRect, b, 0, 0, FullImageRect, photo.Pixel(5, 5), 40, 80);
    TileRect(mask, b, 17, -3, Rect(100, 100, 421, 263));
    FillThroughMask(&mask, FullImageRect, b, 0, 0, FullImageRect, RGB(1, 2, 3), 70);
    return b;
  });
}

TEST_F(ThreadCount, MatcherCube) {
  TMatchList list;
  BuildMatchList({"#102030", "#80F040", "#FF0000", "#00FFAA"}, true, list);
  ExpectSameForAnyThreadCount([&] {
    const TColorMatcher m(list, 25);
    TBitmap b(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint8_t* p = Px(photo, x, y);
        Px(b, x, y)[0] = Px(b, x, y)[1] = Px(b, x, y)[2] = m.Matches(p[0], p[1], p[2]) ? 0 : 255;
      }
    return b;
  });
}

TEST_F(ThreadCount, KeepColorsFromAnotherThread) {
  // A worker thread (the live preview's, later) runs with the count set here.
  TKeepOptions o;
  o.Entries = {ColorToText(photo.Pixel(3, 3)), ColorToText(photo.Pixel(200, 100))};
  o.Tolerance = 60;
  ExpectSameForAnyThreadCount([&] {
    TBitmap result = photo, m;
    std::thread worker([&] { KeepColors(result, m, photo, o); });
    worker.join();
    return result;
  });
}

TEST_F(ThreadCount, WideAndPortableLoopsAgree) {
  // Where the processor has 512-bit units the fast path uses them; the portable
  // loops must give the same pixels (widths not a multiple of 64 pixels).
  // Smooth colours with a little noise: kept regions with soft edges.
  TBitmap smooth(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      smooth.SetPixel(x, y, RGB(x * 255 / w, y * 255 / h, (x * y / 50 + static_cast<int>(rng() % 9)) % 256));
  TKeepOptions o;
  o.Entries = {ColorToText(smooth.Pixel(30, 30)), ColorToText(smooth.Pixel(300, 200)), ColorToText(smooth.Pixel(150, 60))};
  o.Tolerance = 40;
  for (bool progressive : {true, false}) {
    o.Progressive = progressive;
    TBitmap wide = smooth, wideMask, portable = smooth, portableMask;
    KeepColors(wide, wideMask, smooth, o);
    detail::AllowWideUnits(false);
    KeepColors(portable, portableMask, smooth, o);
    detail::AllowWideUnits(true);
    EXPECT_TRUE(SamePixels(wide, portable));
    EXPECT_TRUE(SamePixels(wideMask, portableMask));
    int kept = 0, soft = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int m = Px(wideMask, x, y)[0];
        kept += m == 0;
        soft += m > 0 && m < 255;
      }
    EXPECT_GT(kept, 1000);
    EXPECT_GT(soft, 100);
  }
}
