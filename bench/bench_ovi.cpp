// Writing and reading the layered .ovi file of a 24 MP photo: the two-layer
// document "Save as" writes after "Execute" (photo, toned copy, inverted mask,
// plus the stored composite), and reading its flat picture back. cpu_s is the
// CPU time of all threads per iteration.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "BenchPhoto.h"
#include "base/Bitmap.h"
#include "files/FileRoutes.h"
#include "view/LayeredDocument.h"

namespace {

using namespace velinor;

constexpr int W = 6000, H = 4000;

// The engine's mask for a soft-edged kept region: 0 keeps the colour, 255 grey.
TBitmap KeepMask() {
  TBitmap mask(W, H);
  for (int y = 0; y < H; ++y) {
    uint8_t* m = mask.ScanLine(y);
    for (int x = 0; x < W; ++x, m += 3) {
      const double d = std::hypot(x - 2000.0, y - 1800.0) - 900.0;
      const int v = d < 0 ? 0 : d > 40 ? 255 : static_cast<int>(d * 255 / 40);
      m[0] = m[1] = m[2] = static_cast<uint8_t>(v);
    }
  }
  return mask;
}

struct Fixture {
  std::unique_ptr<TMyImageLayered> doc;
  std::string path;
  Fixture() {
    const TBitmap photo = MakeBenchPhoto(W, H);
    doc = BuildLayeredDocument(photo, photo, KeepMask(), true, false);
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
  for (auto _ : state) f.doc->SaveLayeredFile(f.path);
  state.counters["cpu_s"] = (ProcessCpuSeconds() - cpu0) / static_cast<double>(state.iterations());
  state.counters["MB"] = static_cast<double>(std::filesystem::file_size(f.path)) / 1e6;
}
BENCHMARK(BM_WriteTwoLayerOvi)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadOviFlatPicture(benchmark::State& state) {
  Fixture& f = Shared();
  if (!std::filesystem::exists(f.path)) f.doc->SaveLayeredFile(f.path);
  const double cpu0 = ProcessCpuSeconds();
  for (auto _ : state) {
    TBitmap b = ReadImageFile(f.path);
    benchmark::DoNotOptimize(b.Bits());
  }
  state.counters["cpu_s"] = (ProcessCpuSeconds() - cpu0) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ReadOviFlatPicture)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
