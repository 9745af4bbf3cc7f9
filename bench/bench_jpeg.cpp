// JPEG speed against libjpeg-turbo's own tools on the same 24 MP picture, in
// the same run: decoding (djpeg), decoding at 1/8 for previews, and encoding at
// quality 90 (cjpeg). On a shared machine compare CPU times: our rows' CPU
// column (all threads) with the tools' Time column (their CPU time, process
// start included, ~1 ms).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/base/Parallel.h"
#include "core/files/JpegUtils.h"
#include "core/files/SafeFile.h"

using namespace velinor;

namespace {

constexpr int W = 6000, H = 4000;

// A photo-like picture: smooth shapes plus sensor-like noise, so the encoder
// works as hard as on a real photo.
const TBitmap& Photo() {
  static const TBitmap img = [] {
    TBitmap b(W, H);
    uint32_t seed = 12345;
    for (int y = 0; y < H; ++y) {
      uint8_t* p = b.ScanLine(y);
      for (int x = 0; x < W; ++x, p += 3) {
        seed = seed * 1664525u + 1013904223u;
        const int noise = static_cast<int>(seed >> 28) - 8;
        const int r = (x * 255 / W + ((x / 300 + y / 200) % 2) * 40 + noise);
        const int g = (y * 255 / H + noise / 2);
        const int bl = (((x - W / 2) * (x - W / 2) / 40000 + (y - H / 3) * (y - H / 3) / 30000) % 256 + noise);
        p[0] = static_cast<uint8_t>(std::clamp(bl, 0, 255));
        p[1] = static_cast<uint8_t>(std::clamp(g, 0, 255));
        p[2] = static_cast<uint8_t>(std::clamp(r, 0, 255));
      }
    }
    return b;
  }();
  return img;
}

std::string Folder() {
  static const std::string dir = [] {
    char tmpl[] = "/tmp/velinor-bench-XXXXXX";
    static std::string made = mkdtemp(tmpl);
    std::atexit([] { std::system(("rm -rf '" + made + "'").c_str()); });
    return made;
  }();
  return dir;
}

// The same picture as a baseline JPEG (quality 90) and as a PPM for cjpeg.
const std::string& JpegFile() {
  static const std::string path = [] {
    const std::string p = Folder() + "/photo.jpg";
    WriteFileAtomically(p, EncodeJpeg(Photo(), 90, false));
    return p;
  }();
  return path;
}

const std::string& PpmFile() {
  static const std::string path = [] {
    const std::string p = Folder() + "/photo.ppm";
    std::string head = "P6\n" + std::to_string(W) + " " + std::to_string(H) + "\n255\n";
    std::vector<uint8_t> bytes(head.begin(), head.end());
    bytes.reserve(bytes.size() + size_t{W} * H * 3);
    for (int y = 0; y < H; ++y) {
      const uint8_t* p = Photo().ScanLine(y);
      for (int x = 0; x < W; ++x) bytes.insert(bytes.end(), {p[3 * x + 2], p[3 * x + 1], p[3 * x]});
    }
    WriteFileAtomically(p, bytes);
    return p;
  }();
  return path;
}

double ChildCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

// Runs a tool per iteration. The reported time is the tool's own CPU time (user
// + system), comparable with the CPU column of our rows on a loaded machine;
// the wall time per run is given as the "wall_ms" counter.
void Shell(benchmark::State& state, const std::string& command) {
  double wall = 0;
  for (auto _ : state) {
    const double cpu0 = ChildCpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) state.SkipWithError(("failed: " + command).c_str());
    wall += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    state.SetIterationTime(ChildCpuSeconds() - cpu0);
  }
  state.counters["wall_ms"] = benchmark::Counter(wall / static_cast<double>(state.iterations()));
}

void BM_DecodeFile(benchmark::State& state) {
  const std::string& path = JpegFile();
  for (auto _ : state) {
    TJpegImage2 j;
    j.LoadFromFile(path);
    benchmark::DoNotOptimize(j.Bitmap.Bits());
  }
}

// The same on one engine thread (no prefault helper).
void BM_DecodeFileOneThread(benchmark::State& state) {
  SetEngineThreads(1);
  BM_DecodeFile(state);
  SetEngineThreads(0);
}

// The decoder alone, the file already in memory.
void BM_DecodeMemory(benchmark::State& state) {
  const auto bytes = ReadFileBytes(JpegFile());
  state.counters["file_MB"] = static_cast<double>(bytes.size()) / 1e6;
  for (auto _ : state) benchmark::DoNotOptimize(DecodeJpeg(bytes.data(), bytes.size()).Bits());
}

void BM_Djpeg(benchmark::State& state) { Shell(state, "djpeg -outfile /dev/null '" + JpegFile() + "'"); }

void BM_PreviewEighth(benchmark::State& state) {
  const std::string& path = JpegFile();
  for (auto _ : state) {
    TJpegImage2 j;
    j.PreviewLoad = true;
    j.LoadFromFile(path);
    benchmark::DoNotOptimize(j.Bitmap.Bits());
  }
}

void BM_EncodeQ90(benchmark::State& state) {
  const TBitmap& img = Photo();
  for (auto _ : state) benchmark::DoNotOptimize(EncodeJpeg(img, 90, false).size());
}

// The whole "Save as" JPEG write: EXIF, encoding, temporary file, flush, rename.
void BM_SaveQ90WithExif(benchmark::State& state) {
  const TBitmap& img = Photo();
  const std::string out = Folder() + "/saved.jpg";
  for (auto _ : state) {
    TJpegImage2 j;
    j.Assign(img);
    j.JpegExif = true;
    j.Resolution = 300;
    j.SaveWithOptions(out);
  }
}

void BM_Cjpeg(benchmark::State& state) {
  Shell(state, "cjpeg -quality 90 -outfile /dev/null '" + PpmFile() + "'");
}

}  // namespace

BENCHMARK(BM_DecodeFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecodeFileOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecodeMemory)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Djpeg)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_PreviewEighth)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodeQ90)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveQ90WithExif)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Cjpeg)->Unit(benchmark::kMillisecond)->UseManualTime();
