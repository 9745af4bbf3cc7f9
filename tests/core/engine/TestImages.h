#pragma once
// Helpers shared by the engine tests: random images and pixel access.
#include <cstdint>
#include <random>

#include "core/base/Bitmap.h"
#include "support/PixelCompare.h"

namespace velinor::test {

inline TBitmap RandomImage(int w, int h, std::mt19937& rng) {
  TBitmap b(w, h);
  std::uniform_int_distribution<int> d(0, 255);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w * 3; ++x) b.ScanLine(y)[x] = static_cast<uint8_t>(d(rng));
  return b;
}

inline uint8_t* Px(TBitmap& b, int x, int y) { return b.ScanLine(y) + 3 * x; }
inline const uint8_t* Px(const TBitmap& b, int x, int y) { return b.ScanLine(y) + 3 * x; }

// Pixel-by-pixel equality of the visible bytes (row padding ignored).
// A grey 24-bit mask from a weight function.
template <typename F>
TBitmap MaskFrom(int w, int h, F weight) {
  TBitmap m(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t v = static_cast<uint8_t>(weight(x, y));
      uint8_t* p = m.ScanLine(y) + 3 * x;
      p[0] = p[1] = p[2] = v;
    }
  return m;
}

}  // namespace velinor::test
