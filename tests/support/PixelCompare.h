#pragma once
// The one pixel comparison of the tests: same size, same pixel format, same
// bytes in every row (padding at the end of rows is not compared).
#include <cstring>

#include "core/base/Bitmap.h"

namespace velinor::test {

inline bool SamePixels(const TBitmap& a, const TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.PixelFormat() != b.PixelFormat())
    return false;
  const size_t n = static_cast<size_t>(a.Width()) * BytesPerPixel(a.PixelFormat());
  for (int y = 0; y < a.Height(); ++y)
    if (std::memcmp(a.ScanLine(y), b.ScanLine(y), n) != 0) return false;
  return true;
}

}  // namespace velinor::test
