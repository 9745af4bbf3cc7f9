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
#include <tiffio.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "RealPhoto.h"
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

void WriteRawIfd(TIFF* tif, const TBitmap& photo) {
  const uint16_t dims[2] = {2, 2};
  const uint8_t pattern[4] = {0, 1, 1, 2};
  const double neutral[3] = {0.55, 1.0, 0.72};
  const float neutralF[3] = {0.55f, 1.0f, 0.72f};
  const float matrix[9] = {3.2406f, -1.5372f, -0.4986f, -0.9689f, 1.8758f, 0.0415f, 0.0557f, -0.2040f, 1.0570f};
  const float black[1] = {256};
  const uint32_t white[1] = {16383};
  TIFFSetField(tif, TIFFTAG_SUBFILETYPE, 0);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, W);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, H);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, 32803);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 64);
  TIFFSetField(tif, TIFFTAG_CFAREPEATPATTERNDIM, dims);
  TIFFSetField(tif, TIFFTAG_CFAPATTERN, 4, pattern);
  TIFFSetField(tif, TIFFTAG_BLACKLEVEL, 1, black);
  TIFFSetField(tif, TIFFTAG_WHITELEVEL, 1, white);
  TIFFSetField(tif, TIFFTAG_COLORMATRIX1, 9, matrix);
  TIFFSetField(tif, TIFFTAG_CALIBRATIONILLUMINANT1, 21);
  TIFFSetField(tif, TIFFTAG_ASSHOTNEUTRAL, 3, neutralF);
  double table[256];
  for (int i = 0; i < 256; ++i) table[i] = Linear(static_cast<uint8_t>(i));
  std::vector<uint16_t> row(W);
  for (int y = 0; y < H; ++y) {
    const uint8_t* src = photo.ScanLine(static_cast<int>(int64_t{y} * photo.Height() / H));
    for (int x = 0; x < W; ++x) {
      const uint8_t* p = src + 3 * static_cast<size_t>(int64_t{x} * photo.Width() / W);
      const int c = pattern[(y % 2) * 2 + (x % 2)];
      const double v = table[p[2 - c]] * neutral[c];
      row[static_cast<size_t>(x)] = static_cast<uint16_t>(256 + std::lround(v * (16383 - 256)));
    }
    TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0);
  }
}

// IFD0 holds the preview (JPEG in TIFF, 1024 wide) and points to the raw data.
std::string MakeDng(bool withPreview) {
  static const TBitmap photo = MakeRealPhoto();
  const std::string path = "/tmp/velinor-bench-raw-" + std::to_string(::getpid()) +
                           (withPreview ? "-preview.dng" : ".dng");
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  const uint8_t version[4] = {1, 4, 0, 0};
  if (withPreview) {
    const int pw = 1024, ph = pw * H / W;
    uint64_t subifd = 0;
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, pw);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, ph);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
    TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    TIFFSetField(tif, TIFFTAG_JPEGQUALITY, 85);
    TIFFSetField(tif, TIFFTAG_JPEGTABLESMODE, 0);  // whole JPEG streams, as cameras write them
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, ph);
    TIFFSetField(tif, TIFFTAG_MAKE, "Velinor");
    TIFFSetField(tif, TIFFTAG_MODEL, "Bench 24");
    TIFFSetField(tif, TIFFTAG_DNGVERSION, version);
    TIFFSetField(tif, TIFFTAG_UNIQUECAMERAMODEL, "Velinor Bench 24");
    TIFFSetField(tif, TIFFTAG_SUBIFD, 1, &subifd);
    std::vector<uint8_t> row(static_cast<size_t>(pw) * 3);
    for (int y = 0; y < ph; ++y) {
      const uint8_t* src = photo.ScanLine(y * photo.Height() / ph);
      for (int x = 0; x < pw; ++x) {
        const uint8_t* p = src + 3 * (x * photo.Width() / pw);
        row[3 * x] = p[2], row[3 * x + 1] = p[1], row[3 * x + 2] = p[0];
      }
      TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0);
    }
    TIFFWriteDirectory(tif);  // the next directory becomes the sub-IFD
    WriteRawIfd(tif, photo);
  } else {
    TIFFSetField(tif, TIFFTAG_MAKE, "Velinor");
    TIFFSetField(tif, TIFFTAG_MODEL, "Bench 24");
    TIFFSetField(tif, TIFFTAG_DNGVERSION, version);
    TIFFSetField(tif, TIFFTAG_UNIQUECAMERAMODEL, "Velinor Bench 24");
    WriteRawIfd(tif, photo);
  }
  TIFFClose(tif);
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
