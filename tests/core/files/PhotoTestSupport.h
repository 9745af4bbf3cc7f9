#pragma once
// Helpers for the tests of today's photo formats: a photo-like test picture,
// the independent tools' decodes read back, and colour differences.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "CodecTestSupport.h"
#include "core/base/Bitmap.h"
#include "core/files/PngUtils.h"
#include "core/files/PnmReader.h"

namespace velinor::testing {

// Smooth gradients with a few hard-edged blocks, as a photo after a colour
// keep might look; with alpha, a left-to-right ramp from 40 to 255.
inline TBitmap TestPhoto(int w, int h, bool alpha = false) {
  TBitmap b(w, h, alpha ? TPixelFormat::pf32bit : TPixelFormat::pf24bit);
  const int bpp = alpha ? 4 : 3;
  for (int y = 0; y < h; ++y) {
    uint8_t* p = b.ScanLine(y);
    for (int x = 0; x < w; ++x, p += bpp) {
      int r = 40 + 180 * x / std::max(1, w - 1);
      int g = 60 + 150 * y / std::max(1, h - 1);
      int bl = 200 - 120 * (x + y) / std::max(1, w + h - 2);
      if (x > w / 4 && x < w / 2 && y > h / 4 && y < h / 2) r = 220, g = 30, bl = 40;        // a red block
      if (x > w / 2 + 4 && x < 3 * w / 4 && y > h / 2 && y < 3 * h / 4) r = g = bl = 128;  // a grey one
      p[0] = static_cast<uint8_t>(bl);
      p[1] = static_cast<uint8_t>(g);
      p[2] = static_cast<uint8_t>(r);
      if (alpha) p[3] = static_cast<uint8_t>(40 + 215 * x / std::max(1, w - 1));
    }
  }
  return b;
}

struct TDiff {
  int Max = 0;
  double Mean = 0;
};

// Differences of the colour channels (and alpha when both carry it).
inline TDiff Difference(const TBitmap& a, const TBitmap& b) {
  TDiff d;
  if (a.Width() != b.Width() || a.Height() != b.Height()) {
    d.Max = 9999;
    return d;
  }
  const int ba = BytesPerPixel(a.PixelFormat()), bb = BytesPerPixel(b.PixelFormat());
  const int channels = (ba == 4 && bb == 4) ? 4 : 3;
  double sum = 0;
  for (int y = 0; y < a.Height(); ++y) {
    const uint8_t* p = a.ScanLine(y);
    const uint8_t* q = b.ScanLine(y);
    for (int x = 0; x < a.Width(); ++x, p += ba, q += bb)
      for (int c = 0; c < channels; ++c) {
        const int e = std::abs(p[c] - q[c]);
        d.Max = std::max(d.Max, e);
        sum += e;
      }
  }
  d.Mean = sum / (double(a.Width()) * a.Height() * channels);
  return d;
}

// A PNG or PPM written by an independent tool, read back by our readers.
inline TBitmap ReadToolOutput(const std::string& path) {
  const auto bytes = ReadAll(path);
  if (path.ends_with(".png")) return ReadPng(bytes.data(), bytes.size());
  return ReadPnm(bytes.data(), bytes.size());
}

inline void SaveTestPng(const std::string& path, const TBitmap& b) { WriteAll(path, EncodePng(b, {})); }

// Pillow of the system's Python (not a private one on PATH).
inline bool HavePillow() { return std::system("/usr/bin/python3 -c 'import PIL' >/dev/null 2>&1") == 0; }

}  // namespace velinor::testing
