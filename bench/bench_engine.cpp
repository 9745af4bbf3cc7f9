// KeepColors on a 24-megapixel photo-like image (6000 x 4000): 50 kept colours
// with the gradient (344 match colours) or a single one, tolerance 30, both
// contours, 1 and 2 threads. The matching pass alone is measured too, to show its
// cost does not depend on the number of match colours.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "core/base/Parallel.h"
#include "core/engine/ColorMatch.h"
#include "core/engine/KeepColors.h"
#include "core/engine/detail/KeepPlanes.h"

using namespace velinor;

namespace {

constexpr int W = 6000, H = 4000;

// Smooth gradients, shaded shapes in a dozen colours, and sensor-like noise.
const TBitmap& Photo() {
  static const TBitmap photo = [] {
    TBitmap b(W, H);
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> noise(-6, 6);
    for (int y = 0; y < H; ++y) {
      uint8_t* p = b.ScanLine(y);
      for (int x = 0; x < W; ++x, p += 3) {
        p[0] = static_cast<uint8_t>(120 + 90 * std::sin(x / 900.0 + y / 1300.0));
        p[1] = static_cast<uint8_t>(120 + 80 * std::cos(y / 700.0));
        p[2] = static_cast<uint8_t>(128 + 100 * std::sin((x + y) / 1500.0));
      }
    }
    const uint8_t palette[12][3] = {{30, 40, 200}, {40, 180, 60},  {200, 60, 30},  {20, 200, 220},
                                    {220, 220, 30}, {150, 30, 150}, {90, 90, 90},   {240, 240, 240},
                                    {10, 10, 10},   {60, 120, 200}, {200, 150, 100}, {100, 200, 150}};
    std::uniform_int_distribution<int> px(0, W - 1), py(0, H - 1), rad(40, 400), col(0, 11);
    for (int s = 0; s < 300; ++s) {
      const int cx = px(rng), cy = py(rng), r = rad(rng), k = col(rng);
      const bool disc = s % 2 == 0;
      for (int y = std::max(0, cy - r); y < std::min(H, cy + r); ++y)
        for (int x = std::max(0, cx - r); x < std::min(W, cx + r); ++x) {
          const int dx = x - cx, dy = y - cy;
          if (disc && dx * dx + dy * dy > r * r) continue;
          const int shade = (dx + dy) * 20 / r;  // gentle light across the shape
          uint8_t* p = b.ScanLine(y) + 3 * x;
          for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(std::clamp(palette[k][c] + shade, 0, 255));
        }
    }
    for (int y = 0; y < H; ++y) {
      uint8_t* p = b.ScanLine(y);
      for (int x = 0; x < W * 3; ++x) p[x] = static_cast<uint8_t>(std::clamp(p[x] + noise(rng), 0, 255));
    }
    return b;
  }();
  return photo;
}

// Picks on a grid through the eyedropper's rule until `count` colours are kept.
std::vector<std::string> Picks(size_t count) {
  std::vector<std::string> entries;
  for (int i = 0; entries.size() < count && i < 10000; ++i)
    PickColor(entries, Photo().Pixel((i * 7919) % W, (i * 104729) % H));
  return entries;
}

void KeepColorsBench(benchmark::State& state) {
  const bool progressive = state.range(0) != 0;
  const size_t colours = static_cast<size_t>(state.range(1));
  SetEngineThreads(static_cast<int>(state.range(2)));
  TKeepOptions o;
  o.Entries = Picks(colours);
  o.Progressive = progressive;
  TMatchList list;
  BuildMatchList(o.Entries, o.Gradient, list);
  const TBitmap& photo = Photo();
  TBitmap result, mask;
  for (auto _ : state) {
    result = photo;  // every run starts again from the photo, not timed
    const auto t0 = std::chrono::steady_clock::now();
    KeepColors(result, mask, photo, o);
    const auto t1 = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
  }
  state.counters["match_colours"] = static_cast<double>(list.size());
  SetEngineThreads(0);
}

void MatchingBench(benchmark::State& state) {
  const size_t colours = static_cast<size_t>(state.range(0));
  SetEngineThreads(static_cast<int>(state.range(1)));
  TMatchList list;
  BuildMatchList(Picks(colours), true, list);
  const TBitmap& photo = Photo();
  std::vector<uint8_t> memory(static_cast<size_t>(W) * H / 8 + 65536);
  detail::TScratch scratch(memory.data(), memory.size());
  detail::TBitRows bits(W, H, scratch);
  for (auto _ : state) {
    const TColorMatcher matcher(list, 30);
    detail::MatchBits(photo, matcher, bits, {});
    benchmark::DoNotOptimize(bits.Row(H / 2)[1]);
  }
  state.counters["match_colours"] = static_cast<double>(list.size());
  SetEngineThreads(0);
}

}  // namespace

// Arguments: progressive (1) or plain (0), kept colours, threads.
BENCHMARK(KeepColorsBench)
    ->ArgsProduct({{1, 0}, {50, 1}, {1, 2}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
// Arguments: kept colours, threads.
BENCHMARK(MatchingBench)
    ->ArgsProduct({{50, 1}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
