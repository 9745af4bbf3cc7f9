#pragma once
// The one pixel comparison of the tests: same size, same pixel format, same
// bytes in every row (padding at the end of rows is not compared); on request
// also the same palette and transparency. A failure names the first difference.
#include <gtest/gtest.h>

#include <cstring>

#include "core/base/Bitmap.h"

namespace velinor::test {

enum class TAlsoCompare { Nothing, PaletteAndTransparency };

inline ::testing::AssertionResult SamePixels(const TBitmap& a, const TBitmap& b,
                                             TAlsoCompare also = TAlsoCompare::Nothing) {
  if (a.Width() != b.Width() || a.Height() != b.Height())
    return ::testing::AssertionFailure() << "size " << a.Width() << "x" << a.Height() << " vs " << b.Width()
                                         << "x" << b.Height();
  if (a.PixelFormat() != b.PixelFormat()) return ::testing::AssertionFailure() << "pixel formats differ";
  const size_t row = static_cast<size_t>(a.Width()) * BytesPerPixel(a.PixelFormat());
  for (int y = 0; y < a.Height(); ++y)
    if (std::memcmp(a.ScanLine(y), b.ScanLine(y), row) != 0)
      for (size_t i = 0; i < row; ++i)
        if (a.ScanLine(y)[i] != b.ScanLine(y)[i])
          return ::testing::AssertionFailure() << "first difference at row " << y << " byte " << i << ": "
                                               << int(a.ScanLine(y)[i]) << " vs " << int(b.ScanLine(y)[i]);
  if (also == TAlsoCompare::PaletteAndTransparency) {
    if (a.Palette != b.Palette) return ::testing::AssertionFailure() << "palettes differ";
    if (a.Transparent != b.Transparent || a.TransparentColor != b.TransparentColor)
      return ::testing::AssertionFailure() << "transparency differs";
  }
  return ::testing::AssertionSuccess();
}

}  // namespace velinor::test
