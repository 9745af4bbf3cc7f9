#pragma once
// Internal helpers of the engine: pixel addressing for 24- and 32-bit rasters.
// Not part of the engine's public surface.
#include <cstddef>
#include <cstdint>

#include "core/base/Bitmap.h"
#include "core/base/Geometry.h"

namespace velinor::detail {

// Palette images are turned into 24 bits before an in-place operation: every
// raster operation works on B,G,R pixels.
inline void MakeDirectColor(TBitmap& b) {
  if (b.PixelFormat() == TPixelFormat::pf8bit && !b.Empty()) b.SetPixelFormat(TPixelFormat::pf24bit);
}

inline int Bpp(const TBitmap& b) { return BytesPerPixel(b.PixelFormat()); }

// The clipped rect of an operation (empty when nothing is to be done).
inline TRect Clipped(TRect r, const TBitmap& b) {
  ClipToBitmap(r, b);
  return r;
}

}  // namespace velinor::detail
