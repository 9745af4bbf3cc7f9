#pragma once
// The light checkerboard shown behind the see-through parts of a picture.
//
// A 32-bit picture is split into two 24-bit pictures that any stretch copy can
// scale: its colours multiplied by their alpha, and its alpha as a grey. Scaled
// the same way, the first is what the picture covers and the second how much it
// covers, so averaging weighs every colour by its alpha and the colours of fully
// transparent pixels never show. ComposeOverCheckerboard then adds the board
// where the picture does not cover.
#include <cstdint>

#include "core/base/Bitmap.h"
#include "core/base/Geometry.h"

namespace velinor {

// Cells of 8 x 8 pixels, white and light grey.
constexpr int CheckerCell = 8;
constexpr uint8_t CheckerLight = 255;
constexpr uint8_t CheckerDark = 204;

// The board's grey at (x, y); the cell at (0, 0) is white.
uint8_t CheckerShade(int x, int y);

// premultiplied := the colours of the 32-bit picture times alpha / 255 (rounded),
// alpha := its alpha in all three bytes; both 24-bit, the picture's size.
void SplitAlpha(const TBitmap& picture, TBitmap& premultiplied, TBitmap& alpha);

// On the pixels of rect (clipped to dst), dst holding premultiplied colours and
// alpha the matching coverage (same positions, at least as large): every channel
// c becomes c + (255 - a) * board / 255, rounded and limited to 255, with the
// board's grey taken at (x + originX, y + originY). dst is 24- or 32-bit.
void ComposeOverCheckerboard(TBitmap& dst, const TBitmap& alpha, TRect rect, int originX, int originY);

}  // namespace velinor
