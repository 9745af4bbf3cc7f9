#pragma once
// The document tests' pictures: noise in steps of 16, so that a kept colour
// matches scattered pixels and every command changes something.
#include <cstdint>
#include <random>

#include "core/base/Bitmap.h"

namespace velinor::test {

inline TBitmap Picture(int w, int h, uint32_t seed) {
  std::mt19937 rng(seed);
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < 3 * w; ++x) b.ScanLine(y)[x] = static_cast<uint8_t>(rng() & 0xF0);
  return b;
}

}  // namespace velinor::test
