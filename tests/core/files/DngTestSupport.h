#pragma once
// The scenes the camera raw tests photograph, and their embedded preview.
#include <algorithm>
#include <cstdint>

#include "support/DngWriter.h"

namespace velinor::testing {

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

// The embedded preview the tests look for: 160 x 120, all blue.
inline void WithBluePreview(DngOptions& o) {
  o.PreviewWidth = 160, o.PreviewHeight = 120;
  o.Preview = [](int, int, int, int, uint8_t rgb[3]) { rgb[0] = 20, rgb[1] = 40, rgb[2] = 230; };
}

}  // namespace velinor::testing
