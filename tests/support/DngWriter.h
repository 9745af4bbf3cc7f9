#pragma once
// Minimal valid DNG files written with libtiff (no camera raw sample ships in a
// Debian package), for the camera raw tests and the raw benchmark: a Bayer
// mosaic of a scene in linear light, with black and white levels, a colour
// matrix and the white balance the camera saw; or the same scene already
// demosaiced (a linear DNG); optionally with an embedded JPEG preview in IFD0
// and the picture in a sub-IFD, as cameras and converters write it.
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace velinor::testing {

// A scene in linear light (about 0..1; above 1 clips) at (x, y) of a w x h picture.
using DngScene = std::function<void(int x, int y, int w, int h, double rgb[3])>;
// The embedded preview's 8-bit RGB at (x, y) of a w x h preview.
using DngPreview = std::function<void(int x, int y, int w, int h, uint8_t rgb[3])>;

// A grey background, a red and a green patch.
inline void PatchScene(int x, int y, int w, int h, double rgb[3]) {
  rgb[0] = rgb[1] = rgb[2] = 0.18;
  if (x < w / 2 && y < h / 2) rgb[0] = 0.45, rgb[1] = 0.03, rgb[2] = 0.03;
  if (x >= w / 2 && y >= h / 2) rgb[0] = 0.03, rgb[1] = 0.35, rgb[2] = 0.03;
}

struct DngOptions {
  int Width = 128, Height = 96;  // the picture (inside the active area, when there is one)
  int Orientation = 1;
  double Neutral[3] = {1, 1, 1};  // the camera's white balance (as shot)
  bool HasNeutral = true;          // false: the file gives no white balance
  uint8_t Pattern[4] = {0, 1, 1, 2};  // the CFA pattern from the picture's top left: R G / G B
  int Black[4] = {256, 256, 256, 256};  // per place of the 2x2 block (all equal: one level)
  int White = 4095;
  int Margin[2] = {0, 0};  // masked columns left and rows above the picture (an ActiveArea)
  bool Linear = false;     // already demosaiced (LinearRaw, three samples a pixel)
  DngScene Scene = PatchScene;
  int PreviewWidth = 0, PreviewHeight = 0;  // 0: no embedded preview
  DngPreview Preview;
};

namespace detail {

inline void Require(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string("WriteDng: ") + what);
}

inline void SetCamera(TIFF* tif) {
  static const uint8_t version[4] = {1, 4, 0, 0};
  TIFFSetField(tif, TIFFTAG_MAKE, "Velinor");
  TIFFSetField(tif, TIFFTAG_MODEL, "Test DNG");
  TIFFSetField(tif, TIFFTAG_DNGVERSION, version);
  TIFFSetField(tif, TIFFTAG_UNIQUECAMERAMODEL, "Velinor Test DNG");
}

// As cameras and converters write it: a whole JPEG stream in one strip.
inline void WritePreviewIfd(TIFF* tif, const DngOptions& o) {
  const int pw = o.PreviewWidth, ph = o.PreviewHeight;
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
  SetCamera(tif);
  TIFFSetField(tif, TIFFTAG_SUBIFD, 1, &subifd);
  std::vector<uint8_t> row(static_cast<size_t>(pw) * 3);
  for (int y = 0; y < ph; ++y) {
    for (int x = 0; x < pw; ++x) o.Preview(x, y, pw, ph, &row[static_cast<size_t>(x) * 3]);
    Require(TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0) == 1, "preview row");
  }
  TIFFWriteDirectory(tif);  // the next directory is the sub-IFD
}

}  // namespace detail

// The camera's channels are linear sRGB scaled by 1 / Neutral, so that the
// white balance the file declares brings grey back to grey.
inline void WriteDng(const std::string& path, const DngOptions& o) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  detail::Require(tif != nullptr, "cannot create the file");
  if (o.PreviewWidth > 0 && o.PreviewHeight > 0) detail::WritePreviewIfd(tif, o);
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
  detail::SetCamera(tif);
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
    if (TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0) != 1) {
      TIFFClose(tif);
      detail::Require(false, "picture row");
    }
  }
  TIFFClose(tif);
}

}  // namespace velinor::testing
