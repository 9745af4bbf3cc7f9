#pragma once
// Minimal valid DNG files written with libtiff, for the camera raw tests (no
// camera raw sample ships in a Debian package): a Bayer mosaic of a scene in
// linear light, with black and white levels, a colour matrix and the white
// balance the camera saw; or the same scene already demosaiced (a linear DNG).
#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace velinor::testing {

// A scene in linear light (about 0..1; above 1 clips) at (x, y) of a w x h picture.
using DngScene = void (*)(int x, int y, int w, int h, double rgb[3]);

// A grey background, a red and a green patch.
inline void PatchScene(int x, int y, int w, int h, double rgb[3]) {
  rgb[0] = rgb[1] = rgb[2] = 0.18;
  if (x < w / 2 && y < h / 2) rgb[0] = 0.45, rgb[1] = 0.03, rgb[2] = 0.03;
  if (x >= w / 2 && y >= h / 2) rgb[0] = 0.03, rgb[1] = 0.35, rgb[2] = 0.03;
}

// Grain of a few percent, the same at the same place in every run.
inline double Grain(int x, int y, int c) {
  uint32_t h = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u ^
               static_cast<uint32_t>(c + 1) * 83492791u;
  h ^= h >> 13, h *= 0x5bd1e995u, h ^= h >> 15;
  return 1 + 0.06 * ((h & 0xffff) / 65535.0 - 0.5);
}

// Something like a photograph: a sky that clips at the top, gradients across
// the frame, saturated patches and grain everywhere.
inline void PhotoScene(int x, int y, int w, int h, double rgb[3]) {
  const double u = double(x) / std::max(1, w - 1), v = double(y) / std::max(1, h - 1);
  rgb[0] = 0.02 + 0.55 * u * u + 0.1 * v;
  rgb[1] = 0.04 + 0.45 * v * (1 - 0.5 * u);
  rgb[2] = 0.03 + 0.5 * (1 - u) * (1 - v);
  if (v < 0.12) rgb[0] = 1.1 - v, rgb[1] = 1.2 - v, rgb[2] = 1.4 - v;              // the sky
  if (u > 0.2 && u < 0.4 && v > 0.3 && v < 0.5) rgb[0] = 0.6, rgb[1] = rgb[2] = 0.02;  // red
  if (u > 0.6 && u < 0.8 && v > 0.6 && v < 0.8) rgb[2] = 0.5, rgb[0] = rgb[1] = 0.03;  // blue
  for (int c = 0; c < 3; ++c) rgb[c] *= Grain(x, y, c);
}

// Smooth ramps with grain and nothing that clips: the largest samples reach
// about 82 % of the white level, and the brightest pixels spread over many
// levels (where the output curve's white point is chosen).
inline void RampScene(int x, int y, int w, int h, double rgb[3]) {
  const double u = double(x) / std::max(1, w - 1), v = double(y) / std::max(1, h - 1);
  rgb[0] = 0.05 + 0.75 * u;
  rgb[1] = 0.05 + 0.75 * v;
  rgb[2] = 0.05 + 0.75 * (1 - u) * (1 - v);
  for (int c = 0; c < 3; ++c) rgb[c] *= Grain(x, y, c) - 0.02;
}

// The same in a red light that the white balance takes out: the red channel,
// recorded at half strength, clips once scaled, the others stay below white.
inline void RedRampScene(int x, int y, int w, int h, double rgb[3]) {
  RampScene(x, y, w, h, rgb);
  rgb[0] *= 1.4;
}

struct DngOptions {
  int Width = 128, Height = 96;  // the picture (inside the active area, when there is one)
  int Orientation = 1;
  double Neutral[3] = {1, 1, 1};  // the camera's white balance (as shot)
  bool HasNeutral = true;          // false: the file gives no white balance
  bool BluePreview = false;        // IFD0 a blue JPEG preview, the mosaic in a sub-IFD
  uint8_t Pattern[4] = {0, 1, 1, 2};  // the CFA pattern from the picture's top left: R G / G B
  int Black[4] = {256, 256, 256, 256};  // per place of the 2x2 block (all equal: one level)
  int White = 4095;
  int Margin[2] = {0, 0};  // masked columns left and rows above the picture (an ActiveArea)
  bool Linear = false;     // already demosaiced (LinearRaw, three samples a pixel)
  DngScene Scene = PatchScene;
};

// The camera's channels are linear sRGB scaled by 1 / Neutral, so that the
// white balance the file declares brings grey back to grey.
inline void WriteDng(const std::string& path, const DngOptions& o) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tif, nullptr);
  const uint8_t version[4] = {1, 4, 0, 0};
  if (o.BluePreview) {
    // As cameras and converters write it: a whole JPEG stream in one strip.
    const int pw = 160, ph = 120;
    uint64_t subifd = 0;
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, pw);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, ph);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
    TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    TIFFSetField(tif, TIFFTAG_JPEGTABLESMODE, 0);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, ph);
    TIFFSetField(tif, TIFFTAG_MAKE, "Velinor");
    TIFFSetField(tif, TIFFTAG_MODEL, "Test DNG");
    TIFFSetField(tif, TIFFTAG_DNGVERSION, version);
    TIFFSetField(tif, TIFFTAG_UNIQUECAMERAMODEL, "Velinor Test DNG");
    TIFFSetField(tif, TIFFTAG_SUBIFD, 1, &subifd);
    std::vector<uint8_t> rgb(static_cast<size_t>(pw) * 3);
    for (int x = 0; x < pw; ++x) rgb[3 * x] = 20, rgb[3 * x + 1] = 40, rgb[3 * x + 2] = 230;
    for (int y = 0; y < ph; ++y) TIFFWriteScanline(tif, rgb.data(), static_cast<uint32_t>(y), 0);
    TIFFWriteDirectory(tif);  // the next directory is the sub-IFD
  }
  const int samples = o.Linear ? 3 : 1;
  const int left = o.Margin[0], top = o.Margin[1];
  const int fullW = o.Width + left, fullH = o.Height + top;
  const bool oneBlack = std::all_of(o.Black, o.Black + 4, [&](int b) { return b == o.Black[0]; });
  // XYZ (D65) to camera RGB: the sRGB matrix.
  const float matrix[9] = {3.2406f, -1.5372f, -0.4986f, -0.9689f, 1.8758f, 0.0415f, 0.0557f, -0.2040f, 1.0570f};
  const float neutral[3] = {float(o.Neutral[0]), float(o.Neutral[1]), float(o.Neutral[2])};
  const float black[4] = {float(o.Black[0]), float(o.Black[1]), float(o.Black[2]), float(o.Black[3])};
  const uint32_t white[1] = {static_cast<uint32_t>(o.White)};
  TIFFSetField(tif, TIFFTAG_SUBFILETYPE, 0);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, fullW);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, fullH);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, o.Linear ? 34892 : 32803);  // linear raw, colour filter array
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, fullH);
  TIFFSetField(tif, TIFFTAG_ORIENTATION, o.Orientation);
  TIFFSetField(tif, TIFFTAG_MAKE, "Velinor");
  TIFFSetField(tif, TIFFTAG_MODEL, "Test DNG");
  TIFFSetField(tif, TIFFTAG_DNGVERSION, version);
  TIFFSetField(tif, TIFFTAG_UNIQUECAMERAMODEL, "Velinor Test DNG");
  if (!o.Linear) {
    const uint16_t dims[2] = {2, 2};
    TIFFSetField(tif, TIFFTAG_CFAREPEATPATTERNDIM, dims);
    TIFFSetField(tif, TIFFTAG_CFAPATTERN, 4, o.Pattern);
  }
  if (oneBlack || o.Linear) {
    TIFFSetField(tif, TIFFTAG_BLACKLEVEL, 1, black);
  } else {
    const uint16_t dims[2] = {2, 2};
    TIFFSetField(tif, TIFFTAG_BLACKLEVELREPEATDIM, dims);
    TIFFSetField(tif, TIFFTAG_BLACKLEVEL, 4, black);
  }
  TIFFSetField(tif, TIFFTAG_WHITELEVEL, 1, white);
  if (left || top) {
    const uint32_t area[4] = {static_cast<uint32_t>(top), static_cast<uint32_t>(left), static_cast<uint32_t>(fullH),
                              static_cast<uint32_t>(fullW)};
    TIFFSetField(tif, TIFFTAG_ACTIVEAREA, area);
  }
  TIFFSetField(tif, TIFFTAG_COLORMATRIX1, 9, matrix);
  TIFFSetField(tif, TIFFTAG_CALIBRATIONILLUMINANT1, 21);  // D65
  if (o.HasNeutral) TIFFSetField(tif, TIFFTAG_ASSHOTNEUTRAL, 3, neutral);
  auto level = [&](double v, int place) {
    const int b = o.Linear ? o.Black[0] : o.Black[place];
    return static_cast<uint16_t>(std::clamp<long>(b + std::lround(v * (o.White - b)), 0, o.White));
  };
  std::vector<uint16_t> row(static_cast<size_t>(fullW) * samples);
  for (int y = 0; y < fullH; ++y) {
    for (int x = 0; x < fullW; ++x) {
      const int px = x - left, py = y - top;
      const int place = (py % 2 + 2) % 2 * 2 + (px % 2 + 2) % 2;
      double rgb[3] = {0, 0, 0};  // the masked margins see no light
      if (px >= 0 && py >= 0) o.Scene(px, py, o.Width, o.Height, rgb);
      if (o.Linear) {
        for (int c = 0; c < 3; ++c) row[static_cast<size_t>(x) * 3 + c] = level(rgb[c] * o.Neutral[c], 0);
      } else {
        const int c = o.Pattern[place];
        row[static_cast<size_t>(x)] = level(rgb[c] * o.Neutral[c], place);
      }
    }
    ASSERT_EQ(TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0), 1);
  }
  TIFFClose(tif);
}

}  // namespace velinor::testing
