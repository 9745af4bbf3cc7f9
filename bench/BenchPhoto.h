#pragma once
// A 6000 x 4000 photo-like test image for the resampling benchmarks: smooth
// gradients with fine noise, neither flat nor pure noise.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>

#include "core/base/Bitmap.h"

inline velinor::TBitmap MakeBenchPhoto(int width = 6000, int height = 4000) {
  velinor::TBitmap b(width, height);
  std::mt19937 rng(42);
  for (int y = 0; y < height; ++y) {
    uint8_t* p = b.ScanLine(y);
    const double cy = std::cos(y * 0.002);
    for (int x = 0; x < width; ++x, p += 3) {
      const int n = static_cast<int>(rng() % 17) - 8;
      const double s = std::sin(x * 0.003) * cy;
      p[0] = static_cast<uint8_t>(std::clamp(128 + static_cast<int>(100 * s) + n, 0, 255));
      p[1] = static_cast<uint8_t>(std::clamp(x * 255 / width + n, 0, 255));
      p[2] = static_cast<uint8_t>(std::clamp(y * 255 / height + n, 0, 255));
    }
  }
  return b;
}
