// The open dialog's preview of a 24-megapixel camera raw file: target under
// 0.3 s. No camera raw file ships in a Debian package, so a 6000 x 4000 DNG is
// made from the benchmarks' real photo (RealPhoto.h, Debian's mate-backgrounds):
// a Bayer mosaic with black and white levels, a colour matrix and the camera's
// white balance, as cameras write it, once with an embedded 1024-pixel JPEG
// preview (what cameras and converters put in) and once without (the half-size
// decode). The half-size picture is built from the mosaic by the program's own
// passes (RawHalfSize.h); LibRaw's own half-size processing of the same file
// and the whole decode are measured too, for reference.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "RealPhoto.h"
#include "support/DngWriter.h"
#include "core/files/RawHalfSize.h"
#include "core/files/RawImage.h"

using namespace velinor;

namespace {

constexpr int W = 6000, H = 4000;

// sRGB value to linear light.
double Linear(uint8_t v) {
  const double c = v / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// The photo, point-sampled to 6000 x 4000, as the camera's mosaic (white
// balance 0.55 / 1 / 0.72, 14-bit levels over a black of 256), once with a
// 1024-pixel JPEG preview of it in IFD0 and once without.
std::string MakeDng(bool withPreview) {
  static const TBitmap photo = MakeRealPhoto();
  static const std::vector<double> linear = [] {
    std::vector<double> t(256);
    for (int i = 0; i < 256; ++i) t[i] = Linear(static_cast<uint8_t>(i));
    return t;
  }();
  const auto at = [](int x, int y, int w, int h) {
    return photo.ScanLine(static_cast<int>(int64_t{y} * photo.Height() / h)) +
           3 * static_cast<size_t>(int64_t{x} * photo.Width() / w);
  };
  testing::DngOptions o;
  o.Width = W, o.Height = H;
  o.Neutral[0] = 0.55, o.Neutral[1] = 1.0, o.Neutral[2] = 0.72;
  o.White = 16383;
  o.Scene = [&](int x, int y, int w, int h, double rgb[3]) {
    const uint8_t* p = at(x, y, w, h);
    for (int c = 0; c < 3; ++c) rgb[c] = linear[p[2 - c]];
  };
  if (withPreview) {
    o.PreviewWidth = 1024, o.PreviewHeight = 1024 * H / W;
    o.Preview = [&](int x, int y, int w, int h, uint8_t rgb[3]) {
      const uint8_t* p = at(x, y, w, h);
      rgb[0] = p[2], rgb[1] = p[1], rgb[2] = p[0];
    };
  }
  const std::string path = "/tmp/velinor-bench-raw-" + std::to_string(::getpid()) +
                           (withPreview ? "-preview.dng" : ".dng");
  testing::WriteDng(path, o);
  return path;
}

void Decode(benchmark::State& state, bool withPreview, bool preview) {
  const std::string path = MakeDng(withPreview);
  for (auto _ : state) {
    TRawImage raw(path);
    raw.PreviewLoad = preview;
    raw.LoadFromFile(path);
    benchmark::DoNotOptimize(raw.Bitmap.Bits());
    state.counters["width"] = raw.Bitmap.Width();
  }
  std::remove(path.c_str());
}

// LibRaw's dcraw_process and dcraw_make_mem_image at half size, with the
// program's options: what the preview took before it had its own passes.
void PreviewHalfSizeThroughLibRaw(benchmark::State& state) {
  const std::string path = MakeDng(false);
  for (auto _ : state) {
    LibRaw raw(LIBRAW_OPTIONS_NONE);
    raw.open_file(path.c_str());
    SetRawOutputOptions(raw, true);
    raw.unpack();
    raw.dcraw_process();
    libraw_processed_image_t* img = raw.dcraw_make_mem_image();
    benchmark::DoNotOptimize(img);
    state.counters["width"] = img ? img->width : 0;
    LibRaw::dcraw_clear_mem(img);
  }
  std::remove(path.c_str());
}

void PreviewWithEmbeddedJpeg(benchmark::State& s) { Decode(s, true, true); }
void PreviewHalfSize(benchmark::State& s) { Decode(s, false, true); }
void FullDecode(benchmark::State& s) { Decode(s, false, false); }

}  // namespace

BENCHMARK(PreviewWithEmbeddedJpeg)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(PreviewHalfSize)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(PreviewHalfSizeThroughLibRaw)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(FullDecode)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->ReportAggregatesOnly(true);
