#pragma once
// The copy and composite family. All members but TileRect place a source rect
// into a destination the same way: the source rect is clipped to the source; the
// destination rect is clipped to the destination and intersected with
// (X, Y, X + w, Y + h), w x h being the clipped source size; destination pixel
// (dx, dy) then takes source pixel (dx - X + src.Left, dy - Y + src.Top). A mask
// is read at the source position (it lies over the source) and only its first
// byte counts: 0 shows the source, 255 keeps the destination, values between mix.
// A mask pixel outside the mask bitmap counts as 0, as if there were no mask.
// Percentages are integers, 100 meaning full strength.
#include "core/base/Bitmap.h"
#include "core/base/Color.h"
#include "core/base/Geometry.h"

namespace velinor {

// d := s.
void CopyRectAt(const TBitmap& source, TRect sourceRect, TBitmap& dest, int x, int y,
                TRect destRect);

// d_k += opacity*(s_k - d_k) div 100; a plain copy from 100 up, nothing at 0 or below.
void CopyRectOpacity(const TBitmap& source, TRect sourceRect, TBitmap& dest, int x, int y,
                     TRect destRect, int opacity);

// Through the mask's weight m: 255 unchanged, 0 copy, else
// d_k += (s_k - d_k)*(255 - m) div 255. No mask or an empty one: CopyRectAt.
void BlendThroughMask(const TBitmap& source, TRect sourceRect, TBitmap& dest, int x, int y,
                      TRect destRect, const TBitmap* mask);

// Mask and opacity together: w = opacity*(255 - m) div 100, d_k += w*(s_k - d_k) div 255.
// No mask or an empty one: CopyRectOpacity.
void BlendThroughMaskOpacity(const TBitmap& source, TRect sourceRect, TBitmap& dest, int x,
                             int y, TRect destRect, const TBitmap* mask, int opacity);

// Source pixels within the tolerance of the key (each channel) are skipped; others
// blend with the opacity. Key clNone: CopyRectOpacity.
void CopyRectColorKey(const TBitmap& source, TRect sourceRect, TBitmap& dest, int x, int y,
                      TRect destRect, TColor key, int tolerance, int opacity);

// Fills the clipped destination rect with the pattern repeated so that pattern
// pixel (0, 0) falls on (x, y).
void TileRect(const TBitmap& pattern, TBitmap& dest, int x, int y, TRect destRect);

// The mask takes the source's place: the colour is blended in through it with the
// BlendThroughMaskOpacity rule. No mask: nothing.
void FillThroughMask(const TBitmap* mask, TRect maskRect, TBitmap& dest, int x, int y,
                     TRect destRect, TColor color, int opacity);

// d := colour where lo <= m <= hi (mask in the source's place). No mask: nothing.
void FillWhereMaskInRange(const TBitmap* mask, TRect maskRect, TBitmap& dest, int x, int y,
                          TRect destRect, TColor color, int lo, int hi);

}  // namespace velinor
