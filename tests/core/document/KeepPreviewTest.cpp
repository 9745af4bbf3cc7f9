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
#include <set>
#include <thread>

#include "core/document/Document.h"
#include "core/engine/Brush.h"
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

TEST(KeepPreviewWorker, TheNextResultIsWrittenIntoRecycledPictures) {
  TKeepPreviewWorker worker;
  auto photo = std::make_shared<const TBitmap>(BlockPhoto(301, 207, 1));
  TBitmap result, mask;
  ASSERT_TRUE(TakeWhenReady(worker, worker.Start(photo, OptionsFor(*photo, true, 25)), result, mask));
  const uint8_t* resultMemory = result.Bits();
  const uint8_t* maskMemory = mask.Bits();
  // Given back, they are where the next result comes, whatever it holds.
  worker.Recycle(std::move(result), std::move(mask));
  const TKeepOptions o = OptionsFor(*photo, false, 40);
  TBitmap again, againMask, wantResult, wantMask;
  ASSERT_TRUE(TakeWhenReady(worker, worker.Start(photo, o), again, againMask));
  const std::set<const uint8_t*> reused{again.Bits(), againMask.Bits()};
  EXPECT_EQ(reused, (std::set<const uint8_t*>{resultMemory, maskMemory}));
  Expected(*photo, o, wantResult, wantMask);
  EXPECT_TRUE(SamePixels(again, wantResult));
  EXPECT_TRUE(SamePixels(againMask, wantMask));
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
    previewed.ExecuteWith(std::move(result), std::move(mask), o, std::move(photoCopy));
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

// Strokes painted by hand on a photo of that size (both kinds, soft edges).
TTouchUps Strokes(int w, int h) {
  TTouchUps layer;
  TStroke grey(w, h, TBrush{30, 40}, TTouchKind::Grey);
  grey.MoveTo({w * 0.2, h * 0.3}, layer);
  grey.MoveTo({w * 0.7, h * 0.4}, layer);
  TStroke colour(w, h, TBrush{24, 60}, TTouchKind::Colour);
  colour.MoveTo({w * 0.5, h * 0.9}, layer);
  colour.MoveTo({w * 0.9, h * 0.1}, layer);
  return layer;
}

// The worker applies the touch-ups it was given as "Execute" does: committed, its
// result is bit for bit what the document's own "Execute" leaves.
TEST(KeepPreviewWorker, TheExactResultCarriesTheTouchUpsAsExecuteDoes) {
  const TBitmap photo = BlockPhoto(180, 140, 9);
  const TKeepOptions o = OptionsFor(photo, true, 25);
  TDocument plain, previewed;
  for (TDocument* d : {&plain, &previewed}) {
    d->Open(photo, "a.png");
    d->Execute(OptionsFor(photo, false, 10));
    d->BeginStroke(TBrush{40, 50}, TTouchKind::Grey, TKeepInputs{});
    d->StrokeTo({20, 30});
    d->StrokeTo({150, 60});
    d->EndStroke();
  }
  TKeepPreviewWorker worker;
  const uint64_t g = worker.Start(std::make_shared<const TBitmap>(previewed.KeepPhoto()), o,
                                  std::make_shared<const TTouchUps>(previewed.TouchUps()));
  TBitmap result, mask;
  ASSERT_TRUE(TakeWhenReady(worker, g, result, mask));
  previewed.ExecuteWith(std::move(result), std::move(mask), o);
  plain.Execute(o);
  EXPECT_TRUE(SamePixels(previewed.CurrentImage(), plain.CurrentImage()));
  EXPECT_TRUE(SamePixels(previewed.KeepMask(), plain.KeepMask()));
  EXPECT_TRUE(SamePixels(previewed.FinalMask(), plain.FinalMask()));
  EXPECT_FALSE(SamePixels(plain.FinalMask(), plain.KeepMask()));  // the stroke is in it
}

// The look carries the touch-ups too: at scale 1 it is the exact result's area;
// a stroke followed afterwards gives the look made with it from the start, at
// any scale; the mask view shows the final mask, also made again by rectangle.
TEST(KeepPreviewOfArea, TheLookCarriesTheTouchUpsAndFollowsNewStrokes) {
  const TBitmap photo = BlockPhoto(300, 220, 10);
  const TKeepOptions o = OptionsFor(photo, true, 30);
  TTouchUps layer = Strokes(300, 220);
  TBitmap exact, exactMask;
  ExecuteResult(photo, o, &layer, exact, exactMask);
  const TRect area{40, 30, 260, 200};
  TPreviewLook look;
  KeepPreviewOfArea(photo, area, area.Width() * 2, area.Height() * 2, o, &layer, look);
  for (int y = 0; y < area.Height(); ++y)
    ASSERT_EQ(std::memcmp(look.Result.ScanLine(y), exact.ScanLine(area.Top + y) + 3 * area.Left,
                          static_cast<size_t>(area.Width()) * 3), 0) << y;

  for (const int shown : {area.Width() * 2, 97}) {
    TTouchUps painted = layer;
    KeepPreviewOfArea(photo, area, shown, shown * area.Height() / area.Width(), o, &painted, look);
    TStroke more(300, 220, TBrush{20, 0}, TTouchKind::Colour);
    const TRect changed = more.MoveTo({100, 150}, painted);
    const TRect lookChanged = look.FollowTouchUps(painted, changed);
    EXPECT_FALSE(lookChanged.IsEmpty());
    TPreviewLook fresh;
    KeepPreviewOfArea(photo, area, shown, shown * area.Height() / area.Width(), o, &painted, fresh);
    EXPECT_TRUE(SamePixels(look.Result, fresh.Result)) << shown;
    EXPECT_TRUE(SamePixels(look.Mask, fresh.Mask)) << shown;
  }

  TBitmap view, want;
  MaskLook(photo, exactMask, view, &layer);
  MaskLook(photo, FinalMask(exactMask, layer), want);
  EXPECT_TRUE(SamePixels(view, want));
  TStroke more(300, 220, TBrush{16, 30}, TTouchKind::Grey);
  const TRect changed = more.MoveTo({200, 100}, layer);
  MaskLook(photo, exactMask, view, &layer, changed);
  MaskLook(photo, FinalMask(exactMask, layer), want);
  EXPECT_TRUE(SamePixels(view, want));
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
        TPreviewLook look;
        KeepPreviewOfArea(photo, area, area.Width() * magnify, area.Height() * magnify, o, nullptr, look);
        const TBitmap& result = look.Result;
        const TBitmap& mask = look.Mask;
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
  TPreviewLook look;
  KeepPreviewOfArea(photo, TRect{-50, 0, 900, 300}, 100, 75, o, nullptr, look);
  EXPECT_EQ(look.Result.Width(), 100);
  EXPECT_EQ(look.Result.Height(), 75);
  EXPECT_EQ(look.Mask.Width(), 100);
  // With nothing kept the look is all grey, as the result is.
  o.Entries.clear();
  KeepPreviewOfArea(photo, TRect{0, 0, 400, 300}, 100, 75, o, nullptr, look);
  for (int y = 0; y < 75; ++y)
    for (int x = 0; x < 100; ++x) {
      const uint8_t* p = look.Result.ScanLine(y) + 3 * x;
      ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]);
    }
  KeepPreviewOfArea(photo, TRect{500, 0, 600, 10}, 100, 10, o, nullptr, look);
  EXPECT_TRUE(look.Result.Empty());
}

}  // namespace
}  // namespace velinor
