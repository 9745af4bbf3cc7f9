#pragma once
// Internal helpers of the engine: pixel addressing for 24- and 32-bit rasters and
// the row-parallel loop. Not part of the engine's public surface.
#include <cstddef>
#include <cstdint>

#include "base/Bitmap.h"
#include "base/Geometry.h"

namespace velinor::detail {

// Palette images are turned into 24 bits before an in-place operation: every
// raster operation works on B,G,R pixels.
inline void MakeDirectColor(TBitmap& b) {
  if (b.PixelFormat() == TPixelFormat::pf8bit && !b.Empty()) b.SetPixelFormat(TPixelFormat::pf24bit);
}

// A read-only view of a bitmap as B,G,R(,A) pixels; palette images are converted
// into the caller's scratch bitmap.
inline const TBitmap& DirectColorView(const TBitmap& b, TBitmap& scratch) {
  if (b.PixelFormat() != TPixelFormat::pf8bit || b.Empty()) return b;
  scratch.Assign(b);
  scratch.SetPixelFormat(TPixelFormat::pf24bit);
  return scratch;
}

inline int Bpp(const TBitmap& b) { return BytesPerPixel(b.PixelFormat()); }

// The clipped rect of an operation (empty when nothing is to be done).
inline TRect Clipped(TRect r, const TBitmap& b) {
  ClipToBitmap(r, b);
  return r;
}

// Loops over more pixels than this run on all engine threads.
constexpr int64_t ParallelPixels = 1 << 16;

inline bool WorthParallel(const TRect& r) {
  return static_cast<int64_t>(r.Width()) * r.Height() >= ParallelPixels;
}

}  // namespace velinor::detail
