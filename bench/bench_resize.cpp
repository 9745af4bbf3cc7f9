// Resampling speed on a 6000 x 4000 photo-like image (24 MP).
#include <benchmark/benchmark.h>

#include "BenchPhoto.h"
#include "core/base/Bitmap.h"
#include "core/base/Parallel.h"
#include "core/resize/StretchEx.h"

using namespace velinor;

namespace {

const TBitmap& Photo() {
  static const TBitmap photo = MakeBenchPhoto();
  return photo;
}

void Filtered(benchmark::State& state, int dw, int dh) {
  SetEngineThreads(static_cast<int>(state.range(0)));
  const TBitmap& src = Photo();
  TBitmap dst(dw, dh);
  const int filter = ChooseResampleFilter(dw, dh, src.Width(), src.Height());
  for (auto _ : state) {
    ResampleFiltered(filter, FilterTable[filter].Support, src, dst);
    benchmark::DoNotOptimize(dst.Bits());
  }
  SetEngineThreads(0);
}

void BM_ResampleFilteredHalve(benchmark::State& state) { Filtered(state, 3000, 2000); }
void BM_ResampleFilteredDouble(benchmark::State& state) { Filtered(state, 12000, 8000); }

void BM_StretchInterpolatedThumbnail(benchmark::State& state) {
  SetEngineThreads(static_cast<int>(state.range(0)));
  const TBitmap& src = Photo();
  TBitmap dst(150, 100);
  for (auto _ : state) {
    StretchInterpolated(src, BitmapBounds(src), dst, FullImageRect, BitmapBounds(dst));
    benchmark::DoNotOptimize(dst.Bits());
  }
  SetEngineThreads(0);
}

void BM_StretchNearestHalve(benchmark::State& state) {
  SetEngineThreads(static_cast<int>(state.range(0)));
  const TBitmap& src = Photo();
  TBitmap dst(3000, 2000);
  for (auto _ : state) {
    StretchNearest(src, BitmapBounds(src), dst, FullImageRect, BitmapBounds(dst));
    benchmark::DoNotOptimize(dst.Bits());
  }
  SetEngineThreads(0);
}

}  // namespace

BENCHMARK(BM_ResampleFilteredHalve)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ResampleFilteredDouble)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StretchInterpolatedThumbnail)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StretchNearestHalve)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
