#include "core/resize/Rotate.h"

#include <algorithm>
#include <cstring>

#include "core/base/Parallel.h"

namespace velinor {

namespace {

// Destination rows are written in tiles so that the source columns they read
// stay in the cache (a plain row-by-row walk reads one byte triple per source row).
constexpr int kTile = 64;

template <int Bpp>
void RotateRows(const TBitmap& source, TBitmap& destination, bool clockwise, int firstRow, int lastRow) {
  const int sw = source.Width();
  const int sh = source.Height();
  const int dw = destination.Width();  // = sh
  for (int ty = firstRow; ty < lastRow; ty += kTile) {
    const int tyEnd = std::min(ty + kTile, lastRow);
    for (int tx = 0; tx < dw; tx += kTile) {
      const int txEnd = std::min(tx + kTile, dw);
      for (int y = ty; y < tyEnd; ++y) {
        uint8_t* out = destination.ScanLine(y) + static_cast<size_t>(tx) * Bpp;
        // Clockwise: destination (x, y) comes from source (y, sh - 1 - x);
        // counter-clockwise: from source (sw - 1 - y, x).
        const size_t column = static_cast<size_t>(clockwise ? y : sw - 1 - y) * Bpp;
        for (int x = tx; x < txEnd; ++x, out += Bpp) {
          const int sy = clockwise ? sh - 1 - x : x;
          std::memcpy(out, source.ScanLine(sy) + column, Bpp);
        }
      }
    }
  }
}

}  // namespace

TBitmap RotateQuarter(const TBitmap& source, bool clockwise) {
  TBitmap result;
  if (source.Empty()) return result;
  result = TBitmap(source.Height(), source.Width(), source.PixelFormat());
  result.Palette = source.Palette;
  result.Transparent = source.Transparent;
  result.TransparentColor = source.TransparentColor;
  const TPixelFormat pf = source.PixelFormat();
  ParallelRows(0, result.Height(), result.Width(), [&](int first, int last) {
    switch (pf) {
      case TPixelFormat::pf8bit: RotateRows<1>(source, result, clockwise, first, last); break;
      case TPixelFormat::pf24bit: RotateRows<3>(source, result, clockwise, first, last); break;
      case TPixelFormat::pf32bit: RotateRows<4>(source, result, clockwise, first, last); break;
    }
  });
  return result;
}

}  // namespace velinor
