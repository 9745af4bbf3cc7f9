// Saving a 24-megapixel photo as PNG ("Save as" rules: stored deflate, no
// filters) and as TIFF (LZW with horizontal predictor), file written and synced.
// Target: under 1.5 s each.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>

#include "core/files/GifCodec.h"
#include "core/files/PngUtils.h"
#include "core/files/SafeFile.h"
#include "core/files/TiffUtils.h"

using namespace velinor;

namespace {

// Smooth gradients with a little sensor noise, like a photo.
const TBitmap& Photo() {
  static const TBitmap photo = [] {
    TBitmap b(6000, 4000);
    std::mt19937 rng(1);
    for (int y = 0; y < b.Height(); ++y) {
      uint8_t* p = b.ScanLine(y);
      for (int x = 0; x < b.Width(); ++x, p += 3) {
        const int n = static_cast<int>(rng() % 7) - 3;
        p[0] = static_cast<uint8_t>(std::clamp(x / 24 + n, 0, 255));
        p[1] = static_cast<uint8_t>(std::clamp(y / 16 + n, 0, 255));
        p[2] = static_cast<uint8_t>(std::clamp((x + y) / 40 + n, 0, 255));
      }
    }
    return b;
  }();
  return photo;
}

std::string TempPath(const char* ext) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir ? dir : "/tmp") + "/velinor-bench-" + std::to_string(getpid()) + ext;
}

void BM_SavePng24MP(benchmark::State& state) {
  const TBitmap& photo = Photo();
  const std::string path = TempPath(".png");
  for (auto _ : state) WritePngFile(path, photo, 300.0);
  unlink(path.c_str());
}

void BM_SaveTiffLzw24MP(benchmark::State& state) {
  const TBitmap& photo = Photo();
  const std::string path = TempPath(".tif");
  TTiffWriteOptions o;
  o.Resolution = 300.0;
  for (auto _ : state) WriteTiffFile(path, photo, o);
  unlink(path.c_str());
}

void BM_ReadPng24MP(benchmark::State& state) {
  TPngWriteOptions o;
  const auto bytes = EncodePng(Photo(), o);
  for (auto _ : state) benchmark::DoNotOptimize(ReadPng(bytes.data(), bytes.size()));
}

void BM_ReadTiff24MP(benchmark::State& state) {
  const std::string path = TempPath(".tif");
  WriteTiffFile(path, Photo(), {});
  const auto bytes = ReadFileBytes(path);
  unlink(path.c_str());
  for (auto _ : state) benchmark::DoNotOptimize(ReadTiff(bytes.data(), bytes.size()));
}

// No target: how long a user waits for a GIF of a large photo (quantising with
// dithering dominates).
void BM_SaveGif24MP(benchmark::State& state) {
  const TBitmap& photo = Photo();
  const std::string path = TempPath(".gif");
  for (auto _ : state) WriteGifFile(path, photo, {});
  unlink(path.c_str());
}

}  // namespace

BENCHMARK(BM_SaveGif24MP)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_SavePng24MP)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_SaveTiffLzw24MP)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ReadPng24MP)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ReadTiff24MP)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
