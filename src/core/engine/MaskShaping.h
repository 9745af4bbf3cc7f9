#pragma once
// Shaping of the keep mask: box average, threshold, erosions, Gaussian blur and
// the ramps that soften one-pixel steps. All work in place on a 24-bit mask within
// a clipped rect and read the mask as it was before the operation (for the
// Gaussian blur, before each of its two passes). The erosions and the ramps test
// only the first byte of a pixel and write all three.
#include <cstdint>
#include <vector>

#include "core/base/Bitmap.h"
#include "core/base/Color.h"
#include "core/base/Geometry.h"

namespace velinor {

struct TGaussianKernel {
  uint8_t Half = 0;       // h: offsets -h .. h are used
  float Weights[201] = {};  // offsets -100 .. 100
  float W(int offset) const { return Weights[offset + 100]; }
};

// Builds the kernel of a sigma: weights exp(-(j/sigma)^2/2) normalised, the tail
// beyond h dropped while it stays under half a grey level (1/510), renormalised.
TGaussianKernel BuildGaussianKernel(double sigma);
// The kernels of sigma 1 to 4 are built once; any other is built on each call.
TGaussianKernel GaussianKernelFor(double sigma);

// A blurred sum limited to 0..255 and truncated; above 250 snaps to 255.
inline uint8_t GaussianLevel(double sum) {
  if (sum <= 0) return 0;
  if (sum >= 255) return 255;
  const int v = static_cast<int>(sum);
  return static_cast<uint8_t>(v > 250 ? 255 : v);
}

// Mean of the (2rx+1) x (2ry+1) window, coordinates clamped into the rect.
void BoxBlurRect(TBitmap& bitmap, int rx, int ry, TRect rect);

// high where Luminance > level, low elsewhere.
void ThresholdRect(TBitmap& bitmap, int level, TColor low, TColor high, TRect rect);

// amount -1: cross erosion; amount -r (r >= 2): square erosion of radius r.
// Positive amounts (growing the kept area) are not an operation of this program
// and do nothing.
void MorphMask(TBitmap& bitmap, int amount, TRect rect);

// Separable Gaussian blur of the first byte, rows then columns.
void GaussianBlurRect(TBitmap& bitmap, double sigma, TRect rect);

// Values of a ramp of length j: the pixels at distance 1 .. j from the black
// pixel that starts it.
std::vector<uint8_t> RampValues(int j);

// Fills one-pixel steps of the black edge with ramps shorter than longestRun
// (negative: 99999).
void SmoothMaskSteps(TBitmap& bitmap, TRect rect, int longestRun);

}  // namespace velinor
