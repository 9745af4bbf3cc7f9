#pragma once
// MakeThumbnail: draws a picture fitted into a prepared bitmap — frame colour and
// soft drop shadow around a one-pixel 3-D frame, background inside, the picture
// centred and shrunk to fit (never enlarged) with the interpolating stretch.
#include "core/base/Bitmap.h"
#include "core/base/Color.h"
#include "core/base/Geometry.h"

namespace velinor {

// Light and dark lines of the 3-D frame (grey 204 and grey 85).
constexpr TColor ThumbnailFrameLight = 0xCCCCCC;
constexpr TColor ThumbnailFrameDark = 0x555555;

// The size of a w x h picture fitted into a rw x rh box: scaled to touch the box,
// never enlarged, at least 1 x 1. Returns false (nothing to place) when any of the
// four sizes is 0 or less.
bool FitThumbnailSize(int w, int h, int rw, int rh, int& fitW, int& fitH);

// Draws source into the whole of thumbnail (already sized, 24-bit) and returns the
// rect the picture occupies (empty when nothing was placed). shadow 0 draws
// neither frame colour, shadow nor 3-D frame; margin is kept free around the
// picture inside the frame. A 32-bit picture is laid over the light checkerboard
// (Checkerboard.h) where its alpha lets it through.
TRect MakeThumbnail(const TBitmap& source, TBitmap& thumbnail, TColor background,
                    TColor frameColor, int shadow, int margin);

}  // namespace velinor
