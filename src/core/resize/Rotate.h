#pragma once
// Quarter-turn rotation of a picture, for the "Rotate left" / "Rotate right"
// commands: pixels are moved, never resampled, so a rotation and its inverse
// give back the same bytes.
#include "core/base/Bitmap.h"

namespace velinor {

// The picture turned by 90 degrees (clockwise or counter-clockwise): a W x H
// picture becomes H x W in the same pixel format, with its palette and
// transparency. An empty picture gives an empty one.
TBitmap RotateQuarter(const TBitmap& source, bool clockwise);

}  // namespace velinor
