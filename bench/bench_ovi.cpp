// Writing and reading the layered .ovi file of a 24 MP photo: the two-layer
// document "Save as" writes after "Execute" (photo, toned copy, inverted mask,
// plus the stored composite), and reading its flat picture back.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>

#include "base/Bitmap.h"
#include "files/FileRoutes.h"
#include "view/LayeredImage.h"

namespace {

using namespace velinor;

constexpr int W = 6000, H = 4000;

// Smooth colour fields with sensor-like noise: compresses like a photograph, not
// like flat colour nor like white noise.
TBitmap Photo() {
  TBitmap b(W, H);
  uint32_t s = 12345;
  for (int y = 0; y < H; ++y) {
    uint8_t* p = b.ScanLine(y);
    for (int x = 0; x < W; ++x, p += 3) {
      const double fx = x / 700.0, fy = y / 500.0;
      const double base[3] = {120 + 90 * std::sin(fx + 0.3 * fy), 110 + 80 * std::sin(0.7 * fx - fy),
                              100 + 70 * std::cos(fx * fy * 0.2)};
      for (int c = 0; c < 3; ++c) {
        s ^= s << 13, s ^= s >> 17, s ^= s << 5;
        const int v = static_cast<int>(base[c]) + static_cast<int>(s % 5) - 2;
        p[c] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
      }
    }
  }
  return b;
}

// Grey copy and a mask with soft-edged kept regions (0 keeps the colour).
void ToneAndMask(const TBitmap& photo, TBitmap& grey, TBitmap& mask) {
  grey = photo;
  mask = TBitmap(W, H);
  for (int y = 0; y < H; ++y) {
    uint8_t* g = grey.ScanLine(y);
    uint8_t* m = mask.ScanLine(y);
    for (int x = 0; x < W; ++x, g += 3, m += 3) {
      const uint8_t l = static_cast<uint8_t>((11 * g[0] + 59 * g[1] + 30 * g[2]) / 100);
      g[0] = g[1] = g[2] = l;
      const double d = std::hypot(x - 2000.0, y - 1800.0) - 900.0;
      const int v = d < 0 ? 255 : d > 40 ? 0 : 255 - static_cast<int>(d * 255 / 40);
      m[0] = m[1] = m[2] = static_cast<uint8_t>(v);  // already inverted: 255 shows the colour
    }
  }
}

struct Fixture {
  TMyImageLayered doc;
  std::string path;
  Fixture() {
    const TBitmap photo = Photo();
    TBitmap grey, mask;
    ToneAndMask(photo, grey, mask);
    doc.SetSingleLayer(photo, nullptr, "#0");
    doc.AddLayer(grey, &mask, "#1", 100, TPoint{0, 0});
    path = (std::filesystem::temp_directory_path() / "velinor_bench.ovi").string();
  }
  ~Fixture() { std::filesystem::remove(path); }
};

Fixture& Shared() {
  static Fixture f;
  return f;
}

void BM_WriteTwoLayerOvi(benchmark::State& state) {
  Fixture& f = Shared();
  for (auto _ : state) f.doc.SaveLayeredFile(f.path);
  state.counters["MB"] = static_cast<double>(std::filesystem::file_size(f.path)) / 1e6;
}
BENCHMARK(BM_WriteTwoLayerOvi)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadOviFlatPicture(benchmark::State& state) {
  Fixture& f = Shared();
  if (!std::filesystem::exists(f.path)) f.doc.SaveLayeredFile(f.path);
  for (auto _ : state) {
    TBitmap b = ReadImageFile(f.path);
    benchmark::DoNotOptimize(b.Bits());
  }
}
BENCHMARK(BM_ReadOviFlatPicture)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
