// The live preview's core: the exact result on the worker equals KeepColors, a
// new start abandons the old one, requests never queue up, and the quick look
// at scale 1 is KeepColors' own result on the shown area.
#include "core/document/KeepPreview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <condition_variable>
#include <mutex>
#include <random>
#include <thread>

#include "core/document/Document.h"
#include "core/engine/ColorMatch.h"
#include "core/engine/KeepColors.h"
#include "support/PixelCompare.h"

namespace velinor {
namespace {

// Squares of a few colours with noise: matches form regions with ragged edges.
TBitmap BlockPhoto(int w, int h, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> byte(0, 255), noise(-10, 10), size(6, 60);
  uint8_t base[4][3];
  for (auto& c : base)
    for (uint8_t& v : c) v = static_cast<uint8_t>(byte(rng));
  TBitmap b(w, h);
  const int bw = size(rng), bh = size(rng);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int k = ((x / bw) * 3 + (y / bh) * 5 + (x * y) % 7 / 6) % 4;
      for (int c = 0; c < 3; ++c)
        b.ScanLine(y)[3 * x + c] = static_cast<uint8_t>(std::clamp(base[k][c] + noise(rng), 0, 255));
    }
  return b;
}

TKeepOptions OptionsFor(const TBitmap& photo, bool progressive, int tolerance) {
  TKeepOptions o;
  o.Entries = {ColorToText(photo.Pixel(3, 3)), ColorToText(photo.Pixel(photo.Width() / 2, photo.Height() / 2))};
  o.Excluded = {ColorToText(photo.Pixel(photo.Width() - 2, 1))};
  o.Tolerance = tolerance;
  o.Progressive = progressive;
  return o;
}

using test::SamePixels;

void Expected(const TBitmap& photo, const TKeepOptions& o, TBitmap& result, TBitmap& mask) {
  result = photo;
  KeepColors(result, mask, photo, o);
}

// Waits (a generous bound, never a speed check) until generation is ready.
bool TakeWhenReady(TKeepPreviewWorker& worker, uint64_t generation, TBitmap& result, TBitmap& mask) {
  for (int i = 0; i < 6000; ++i) {
    if (worker.Take(generation, result, mask)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

TEST(KeepPreviewWorker, ExactResultEqualsKeepColorsForBothContours) {
  TKeepPreviewWorker worker;
  for (bool progressive : {true, false}) {
    auto photo = std::make_shared<const TBitmap>(BlockPhoto(301, 207, progressive ? 1 : 2));
    const TKeepOptions o = OptionsFor(*photo, progressive, 25);
    const uint64_t g = worker.Start(photo, o);
    TBitmap result, mask, wantResult, wantMask;
    ASSERT_TRUE(TakeWhenReady(worker, g, result, mask));
    Expected(*photo, o, wantResult, wantMask);
    EXPECT_TRUE(SamePixels(result, wantResult));
    EXPECT_TRUE(SamePixels(mask, wantMask));
    // Taken once: it is handed over, not copied.
    EXPECT_FALSE(worker.Take(g, result, mask));
  }
}

TEST(KeepPreviewWorker, ARestartAbandonsTheEarlierInputsAndCancelDropsTheResult) {
  TKeepPreviewWorker worker;
  auto photo = std::make_shared<const TBitmap>(BlockPhoto(1200, 900, 3));
  const uint64_t first = worker.Start(photo, OptionsFor(*photo, true, 10));
  const TKeepOptions latest = OptionsFor(*photo, false, 40);
  const uint64_t second = worker.Start(photo, latest);
  EXPECT_NE(first, second);
  TBitmap result, mask, wantResult, wantMask;
  ASSERT_TRUE(TakeWhenReady(worker, second, result, mask));
  EXPECT_FALSE(worker.Take(first, result, mask));
  Expected(*photo, latest, wantResult, wantMask);
  EXPECT_TRUE(SamePixels(result, wantResult));
  EXPECT_TRUE(SamePixels(mask, wantMask));

  // A cancelled computation never hands anything over, even once finished.
  const uint64_t third = worker.Start(photo, OptionsFor(*photo, true, 30));
  worker.Cancel();
  for (int i = 0; i < 200 && worker.Busy(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_FALSE(worker.Busy());
  EXPECT_FALSE(worker.Take(third, result, mask));
}

TEST(KeepPreviewWorker, RequestsMadeWhileBusyDoNotQueue) {
  // The hand-over holds the worker until released: the starts made meanwhile
  // replace each other, and only the last is computed afterwards.
  std::mutex m;
  std::condition_variable cv;
  bool release = false, handing = false;
  TKeepPreviewWorker worker([&](uint64_t) {
    std::unique_lock<std::mutex> lock(m);
    handing = true;
    cv.notify_all();
    cv.wait(lock, [&] { return release; });
  });
  auto photo = std::make_shared<const TBitmap>(BlockPhoto(160, 120, 4));
  worker.Start(photo, OptionsFor(*photo, true, 5));
  {
    std::unique_lock<std::mutex> lock(m);
    cv.wait(lock, [&] { return handing; });
  }
  uint64_t last = 0;
  for (int t = 6; t <= 30; ++t) last = worker.Start(photo, OptionsFor(*photo, t % 2 == 0, t));
  {
    const std::lock_guard<std::mutex> lock(m);
    release = true;
  }
  cv.notify_all();
  TBitmap result, mask, wantResult, wantMask;
  ASSERT_TRUE(TakeWhenReady(worker, last, result, mask));
  EXPECT_EQ(worker.Begun(), 2);
  Expected(*photo, OptionsFor(*photo, true, 30), wantResult, wantMask);
  EXPECT_TRUE(SamePixels(result, wantResult));
}

TEST(KeepPreviewWorker, ExecuteWithTheFinishedResultIsExecute) {
  const TBitmap photo = BlockPhoto(200, 150, 8);
  const TKeepOptions o = OptionsFor(photo, true, 20);
  TDocument plain, previewed;
  plain.Open(photo, "a.png");
  previewed.Open(photo, "a.png");
  for (int run = 0; run < 2; ++run) {  // the second run starts from ColorSource
    const uint64_t before = previewed.Revision();
    TKeepPreviewWorker worker;
    const uint64_t g = worker.Start(std::make_shared<const TBitmap>(previewed.KeepPhoto()), o);
    TBitmap result, mask;
    ASSERT_TRUE(TakeWhenReady(worker, g, result, mask));
    EXPECT_EQ(previewed.Revision(), before);  // computing a preview changes nothing
    // The second run hands over its own copy of the photo, as the window does.
    TBitmap photoCopy = run == 1 ? previewed.KeepPhoto() : TBitmap();
    previewed.ExecuteWith(std::move(result), std::move(mask), o.Sepia, std::move(photoCopy));
    plain.Execute(o);
    EXPECT_NE(previewed.Revision(), before);
    EXPECT_TRUE(SamePixels(previewed.CurrentImage(), plain.CurrentImage()));
    EXPECT_TRUE(SamePixels(previewed.KeepMask(), plain.KeepMask()));
    EXPECT_TRUE(SamePixels(previewed.KeepPhoto(), photo));
    EXPECT_TRUE(previewed.Processed());
    EXPECT_TRUE(previewed.UndoAvailable());
  }
  const uint64_t before = previewed.Revision();
  previewed.Undo();
  EXPECT_NE(previewed.Revision(), before);
  EXPECT_FALSE(previewed.Processed());
  EXPECT_TRUE(SamePixels(previewed.CurrentImage(), photo));
}

TEST(KeepPreviewOfArea, AtScaleOneTheAreaIsKeepColorsOwnResult) {
  for (bool progressive : {true, false}) {
    const TBitmap photo = BlockPhoto(420, 330, progressive ? 5 : 6);
    const TKeepOptions o = OptionsFor(photo, progressive, 30);
    TBitmap wantResult, wantMask;
    Expected(photo, o, wantResult, wantMask);
    // Inside, touching an edge, and a corner; shown at 1:1 and magnified.
    for (const TRect area : {TRect{100, 90, 260, 200}, TRect{0, 40, 120, 330}, TRect{350, 0, 420, 60}}) {
      for (int magnify : {1, 3}) {
        TBitmap result, mask;
        KeepPreviewOfArea(photo, area, area.Width() * magnify, area.Height() * magnify, o, result, mask);
        ASSERT_EQ(result.Width(), area.Width());
        ASSERT_EQ(result.Height(), area.Height());
        for (int y = 0; y < area.Height(); ++y) {
          ASSERT_EQ(std::memcmp(result.ScanLine(y), wantResult.ScanLine(area.Top + y) + 3 * area.Left,
                                static_cast<size_t>(area.Width()) * 3), 0)
              << "progressive " << progressive << " row " << y;
          ASSERT_EQ(std::memcmp(mask.ScanLine(y), wantMask.ScanLine(area.Top + y) + 3 * area.Left,
                                static_cast<size_t>(area.Width()) * 3), 0);
        }
      }
    }
  }
}

TEST(KeepPreviewOfArea, BelowScaleOneTheLookHasTheShownSize) {
  const TBitmap photo = BlockPhoto(400, 300, 7);
  TKeepOptions o = OptionsFor(photo, true, 30);
  TBitmap result, mask;
  KeepPreviewOfArea(photo, TRect{-50, 0, 900, 300}, 100, 75, o, result, mask);
  EXPECT_EQ(result.Width(), 100);
  EXPECT_EQ(result.Height(), 75);
  EXPECT_EQ(mask.Width(), 100);
  // With nothing kept the look is all grey, as the result is.
  o.Entries.clear();
  KeepPreviewOfArea(photo, TRect{0, 0, 400, 300}, 100, 75, o, result, mask);
  for (int y = 0; y < 75; ++y)
    for (int x = 0; x < 100; ++x) {
      const uint8_t* p = result.ScanLine(y) + 3 * x;
      ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]);
    }
  KeepPreviewOfArea(photo, TRect{500, 0, 600, 10}, 100, 10, o, result, mask);
  EXPECT_TRUE(result.Empty());
}

}  // namespace
}  // namespace velinor
