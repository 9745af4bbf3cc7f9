#pragma once
// Soft drop shadows below and to the right of a rectangle, drawn line by line in
// a fixed pattern of darkened pixels (light from the upper left), so they look the
// same at every zoom and need no blurring.
//   DrawShadow paints flat colours computed from a known background colour on
//   anything that can fill rectangles (the GUI passes its painter, the core a
//   TBitmap through TBitmapFillCanvas).
//   DrawBitmapShadow darkens the pixels of a 24- or 32-bit bitmap in place, with
//   -3..+3 of noise per byte.
#include <cstdint>

#include "core/base/Bitmap.h"
#include "core/base/Color.h"
#include "core/base/Geometry.h"

namespace velinor {

// The one drawing operation DrawShadow needs: a solid fill.
struct IFillCanvas {
  virtual ~IFillCanvas() = default;
  virtual void FillRect(const TRect& rect, TColor color) = 0;
};

class TBitmapFillCanvas : public IFillCanvas {
 public:
  explicit TBitmapFillCanvas(TBitmap& bitmap) : bitmap_(bitmap) {}
  void FillRect(const TRect& rect, TColor color) override;

 private:
  TBitmap& bitmap_;
};

// size: shadow width in pixels; strength: darkening in percent (1..100). Nothing is
// drawn for an empty rect, size <= 0 or strength outside 1..100. With fillCorners
// the two size x size squares the offset shadow leaves bare are filled with color.
// Sizes beyond 65536 (wider than any surface) are taken as 65536.
void DrawShadow(IFillCanvas& canvas, const TRect& rect, int size, int strength, TColor color,
                bool soft, bool fillCorners);

// Also draws nothing when rect.Right >= width or rect.Bottom >= height. The noise
// comes from a generator seeded from the clock, or from seed (reproducible).
void DrawBitmapShadow(TBitmap& bitmap, const TRect& rect, int size, bool soft, int strength);
void DrawBitmapShadow(TBitmap& bitmap, const TRect& rect, int size, bool soft, int strength,
                      uint64_t seed);

}  // namespace velinor
