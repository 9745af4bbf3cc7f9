// Writing and reading the layered .ovi file of a 24 MP photo: the two-layer
// document "Save as" writes after "Execute" (photo, toned copy, inverted mask,
// plus the stored composite), and reading its flat picture back.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>

#include "BenchPhoto.h"
#include "base/Bitmap.h"
#include "files/FileRoutes.h"
#include "view/LayeredImage.h"

namespace {

using namespace velinor;

constexpr int W = 6000, H = 4000;

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
    const TBitmap photo = MakeBenchPhoto(W, H);
    TBitmap grey, mask;
    ToneAndMask(photo, grey, mask);
    doc.SetSingleLayer(photo, nullptr, "#0");
    doc.AddLayer(grey, &mask, "#1", 100, TPoint{0, 0});
    path = (std::filesystem::temp_directory_path() / "velinor_bench.ovi").string();
  }
  ~Fixture() { std::filesystem::remove(path); }
};

// CPU seconds of the whole process, all threads: on a loaded machine this says
// more about the work than the wall time does.
double ProcessCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

Fixture& Shared() {
  static Fixture f;
  return f;
}

void BM_WriteTwoLayerOvi(benchmark::State& state) {
  Fixture& f = Shared();
  const double cpu0 = ProcessCpuSeconds();
  for (auto _ : state) f.doc.SaveLayeredFile(f.path);
  state.counters["cpu_s"] = (ProcessCpuSeconds() - cpu0) / static_cast<double>(state.iterations());
  state.counters["MB"] = static_cast<double>(std::filesystem::file_size(f.path)) / 1e6;
}
BENCHMARK(BM_WriteTwoLayerOvi)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadOviFlatPicture(benchmark::State& state) {
  Fixture& f = Shared();
  if (!std::filesystem::exists(f.path)) f.doc.SaveLayeredFile(f.path);
  const double cpu0 = ProcessCpuSeconds();
  for (auto _ : state) {
    TBitmap b = ReadImageFile(f.path);
    benchmark::DoNotOptimize(b.Bits());
  }
  state.counters["cpu_s"] = (ProcessCpuSeconds() - cpu0) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ReadOviFlatPicture)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
