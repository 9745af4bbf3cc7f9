#pragma once
// The toolbar's two icon sets, built once at start-up from the icon list: pale
// grey disabled icons and icons with a soft shadow one pixel right of and below
// them. Icons come as 32-bit B,G,R,A bitmaps (straight alpha); the results are
// 24-bit bitmaps marked transparent with the mask colour.
#include <optional>
#include <vector>

#include "core/base/Bitmap.h"
#include "core/base/Color.h"

namespace velinor {

// Key colour used as the temporary background, and how near a pixel must be to
// it (each channel) to count as background.
constexpr int kIconKeyTolerance = 7;
constexpr int kDisabledIconStrength = 50;
constexpr int kShadowIconStrength = 27;

// Draws a 32-bit icon over a 24-bit bitmap at (x, y), alpha-blended; a 24-bit
// icon is copied. Clipped to the destination.
void DrawIcon(TBitmap& dest, const TBitmap& icon, int x, int y);

// Background (within the tolerance of the key colour) becomes mask; any other
// pixel becomes its grey (B + G + R) div 3 moved strength % toward mask.
TBitmap MakeDisabledImage(const TBitmap& icon, TColor mask, int strength);

// The icon over mask with a blurred silhouette, shifted by (1, 1), darkening the
// background by up to strength %. Strength must lie in 0..100.
TBitmap MakeShadowedImage(const TBitmap& icon, TColor mask, int strength);

// The whole list, or nothing when any icon fails (or, for the shadows, when the
// strength lies outside 0..100).
std::optional<std::vector<TBitmap>> MakeDisabledImages(const std::vector<TBitmap>& icons,
                                                        TColor mask, int strength);
std::optional<std::vector<TBitmap>> MakeShadowedImages(const std::vector<TBitmap>& icons,
                                                        TColor mask, int strength);

}  // namespace velinor
