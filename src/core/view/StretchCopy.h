#pragma once
// The two stretch-copy modes of the drawing surface, on TBitmaps: nearest pixel
// (no blending; each destination pixel takes one source pixel) and area averaging
// (each destination pixel is the exact average of the source area it covers).
// The GUI draws with its own painter; these serve the print preview, DrawTo and
// the tests. Both map source rect s onto destination rect d and write only the
// destination pixels inside clip (and inside the destination bitmap). s is first
// intersected with the source bitmap. Bitmaps are 24- or 32-bit (any mix; a
// 32-bit destination gets alpha 255); other formats are refused with
// std::invalid_argument.
#include "core/base/Bitmap.h"
#include "core/base/Geometry.h"

namespace velinor {

void StretchCopyNearest(const TBitmap& src, const TRect& s, TBitmap& dst, const TRect& d,
                        const TRect& clip);

void StretchCopyAveraged(const TBitmap& src, const TRect& s, TBitmap& dst, const TRect& d,
                         const TRect& clip);

}  // namespace velinor
