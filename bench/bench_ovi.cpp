// Writing and reading the layered .ovi file of the real 24 MP photo: the two-layer
// document "Save as" writes after "Execute" (photo, toned copy, inverted mask,
// plus the stored composite, and the work block with the inputs), also with brush
// strokes over a sixth of the picture (the block then holds the computed mask and
// the strokes), and reading its flat picture back. cpu_s is the CPU time of all
// threads per iteration.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "RealPhoto.h"
#include "core/base/Bitmap.h"
#include "core/engine/ColorMatch.h"
#include "core/engine/KeepColors.h"
#include "core/engine/TouchUps.h"
#include "core/files/FileRoutes.h"
#include "core/files/OvImage.h"
#include "core/document/LayeredDocument.h"

namespace {

using namespace velinor;

struct Fixture {
  TBitmap photo, mask;
  TKeepInputs inputs;
  std::unique_ptr<TMyImageLayered> doc;
  std::string path;
  // The real photo (RealPhoto.h) after "Execute" with three kept colours: the
  // file's bodies compress as a user's would, not as a synthetic picture's.
  Fixture() {
    photo = MakeRealPhoto();
    for (TPoint p : {TPoint{1000, 1000}, TPoint{3000, 1000}, TPoint{5000, 3000}})
      PickColor(inputs.Colors, photo.Pixel(p.X, p.Y), false);
    TBitmap result;
    KeepColorsOfPhoto(result, mask, photo, inputs.Options());
    doc = BuildWorkDocument(photo, mask, TTouchUps(), inputs);
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
  for (auto _ : state) SaveLayeredFile(*f.doc, f.path);
  state.counters["cpu_s"] = (ProcessCpuSeconds() - cpu0) / static_cast<double>(state.iterations());
  state.counters["MB"] = static_cast<double>(std::filesystem::file_size(f.path)) / 1e6;
}
BENCHMARK(BM_WriteTwoLayerOvi)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WriteTwoLayerOviWithStrokes(benchmark::State& state) {
  Fixture& f = Shared();
  // A soft grey stroke band across a sixth of the picture.
  TTouchUps strokes;
  const TRect band{0, f.photo.Height() / 3, f.photo.Width(), f.photo.Height() / 2};
  TCoverage c{band, std::vector<uint8_t>(static_cast<size_t>(band.Width()) * band.Height())};
  for (size_t i = 0; i < c.Weights.size(); ++i) c.Weights[i] = static_cast<uint8_t>(i % 251);
  strokes.Paint(f.photo.Width(), f.photo.Height(), c, TTouchKind::Grey);
  const auto stroked = BuildWorkDocument(f.photo, f.mask, strokes, f.inputs);
  const double cpu0 = ProcessCpuSeconds();
  for (auto _ : state) SaveLayeredFile(*stroked, f.path);
  state.counters["cpu_s"] = (ProcessCpuSeconds() - cpu0) / static_cast<double>(state.iterations());
  state.counters["MB"] = static_cast<double>(std::filesystem::file_size(f.path)) / 1e6;
  std::filesystem::remove(f.path);  // the flat reading below reads the plain file
}
BENCHMARK(BM_WriteTwoLayerOviWithStrokes)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadOviFlatPicture(benchmark::State& state) {
  Fixture& f = Shared();
  if (!std::filesystem::exists(f.path)) SaveLayeredFile(*f.doc, f.path);
  const double cpu0 = ProcessCpuSeconds();
  for (auto _ : state) {
    TBitmap b = ReadImageFile(f.path);
    benchmark::DoNotOptimize(b.Bits());
  }
  state.counters["cpu_s"] = (ProcessCpuSeconds() - cpu0) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ReadOviFlatPicture)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
