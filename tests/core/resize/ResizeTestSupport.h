#pragma once
// Images and comparisons shared by the resampling tests.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "core/base/Bitmap.h"
#include "support/PixelCompare.h"

namespace velinor::testing {

// Random bytes, with flat runs and pure black/white spots so that clamping and
// the filters' negative lobes are exercised.
inline TBitmap RandomImage(int w, int h, uint32_t seed, TPixelFormat pf = TPixelFormat::pf24bit) {
  std::mt19937 rng(seed);
  TBitmap b(w, h, pf);
  const int bpp = BytesPerPixel(pf);
  for (int y = 0; y < h; ++y) {
    uint8_t* p = b.ScanLine(y);
    for (int x = 0; x < w * bpp; ++x) {
      const uint32_t r = rng();
      p[x] = (r & 0x700) == 0 ? ((r & 1) ? 255 : 0) : static_cast<uint8_t>(r);
    }
  }
  if (pf == TPixelFormat::pf8bit)
    for (int i = 0; i < 256; ++i) b.Palette.push_back(static_cast<TColor>(rng() & 0xFFFFFF));
  return b;
}

inline TBitmap FilledImage(int w, int h, TColor c) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, c);
  return b;
}

using test::SamePixels;

}  // namespace velinor::testing
