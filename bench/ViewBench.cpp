// The view's drawing work: one screenful of a 24 MP photo, plain and smoothed,
// and the main window's thumbnail shadow.
#include <benchmark/benchmark.h>

#include <random>

#include "core/view/DropShadow.h"
#include "core/view/ImageZoom.h"
#include "core/view/StretchCopy.h"

namespace {

using namespace velinor;

const TBitmap& Photo() {
  static const TBitmap photo = [] {
    TBitmap b(6000, 4000);
    std::mt19937 rng(1);
    for (int y = 0; y < b.Height(); ++y)
      for (size_t x = 0; x < b.Stride(); ++x) b.ScanLine(y)[x] = static_cast<uint8_t>(rng());
    return b;
  }();
  return photo;
}

// The whole photo fitted into a 1200 x 800 window (zoom 0.2).
void BM_FitPageSmooth(benchmark::State& state) {
  TBitmap screen(1200, 800);
  TImageZoom z;
  z.SetBitmap(&Photo());
  z.SetCanvas(&screen, BitmapBounds(screen));
  z.SetZoomMode(zmFitPage);
  z.SetSmooth(true);
  for (auto _ : state) benchmark::DoNotOptimize(z.DrawTo(screen, true, clWhite));
}
BENCHMARK(BM_FitPageSmooth)->Unit(benchmark::kMillisecond);

void BM_FitPagePlain(benchmark::State& state) {
  TBitmap screen(1200, 800);
  TImageZoom z;
  z.SetBitmap(&Photo());
  z.SetCanvas(&screen, BitmapBounds(screen));
  z.SetZoomMode(zmFitPage);
  for (auto _ : state) benchmark::DoNotOptimize(z.DrawTo(screen, true, clWhite));
}
BENCHMARK(BM_FitPagePlain)->Unit(benchmark::kMillisecond);

// A 1200 x 800 window at zoom 3, pixel-aligned, scrolled into the middle.
void BM_Zoom3Aligned(benchmark::State& state) {
  TBitmap screen(1200, 800);
  TImageZoom z;
  z.SetBitmap(&Photo());
  z.SetCanvas(&screen, BitmapBounds(screen));
  z.SetZoom(3);
  z.SetPixelAlign(true);
  z.SetLeft(-7001);
  z.SetTop(-5002);
  for (auto _ : state) benchmark::DoNotOptimize(z.DrawTo(screen, false, clWhite));
}
BENCHMARK(BM_Zoom3Aligned)->Unit(benchmark::kMillisecond);

void BM_ThumbnailShadow(benchmark::State& state) {
  TBitmap t(139, 97);
  t.FillBytes(200);
  for (auto _ : state) DrawBitmapShadow(t, Rect(0, 0, 135, 93), 4, true, 70, 1);
}
BENCHMARK(BM_ThumbnailShadow)->Unit(benchmark::kMicrosecond);

}  // namespace
