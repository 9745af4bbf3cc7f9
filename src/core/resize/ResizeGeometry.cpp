#include "core/resize/ResizeGeometry.h"

#include <cmath>
#include <limits>

#include "core/base/Arith.h"

namespace velinor {

namespace {

// Round to int without overflowing on absurd inputs (a field never holds more
// than 5000, but the functions are public).
int RoundToInt(double v) {
  if (!std::isfinite(v)) return 0;
  constexpr double lo = std::numeric_limits<int>::min();
  constexpr double hi = std::numeric_limits<int>::max();
  if (v <= lo) return std::numeric_limits<int>::min();
  if (v >= hi) return std::numeric_limits<int>::max();
  return static_cast<int>(Round(v));
}

}  // namespace

void TResizeGeometry::SetOriginal(int width, int height) {
  OrigWidth = width;
  OrigHeight = height;
  AspectRatio = height > 0 && width > 0 ? static_cast<double>(width) / height : 1.0;
}

int TResizeGeometry::ToPixels(double value, int unit, int original) {
  if (unit == suPixels) return RoundToInt(value);
  return RoundToInt(value * original / 100);
}

double TResizeGeometry::ToValue(int pixels, int unit, int original) {
  if (unit == suPixels) return pixels;
  if (original <= 0) return 0;
  return pixels * 100.0 / original;
}

int TResizeGeometry::LinkedHeight(int widthPixels) const {
  return RoundToInt(widthPixels / AspectRatio);
}

int TResizeGeometry::LinkedWidth(int heightPixels) const {
  return RoundToInt(heightPixels * AspectRatio);
}

double RedimFieldMaximum(int origWidth, int origHeight) {
  const int side = origWidth > origHeight ? origWidth : origHeight;
  return side > RedimMaxValue ? side : RedimMaxValue;
}

int FinalSide(int pixels) { return pixels < RedimMinSide ? RedimMinSide : pixels; }

}  // namespace velinor
