#pragma once
// The eight EXIF orientations: how the stored rows and columns of a picture
// map onto the upright picture a camera meant.
#include "core/base/Bitmap.h"

namespace velinor {

// True for the orientations that swap the picture's axes (5..8).
constexpr bool OrientationSwapsAxes(int exifOrientation) { return exifOrientation >= 5 && exifOrientation <= 8; }

// The picture turned upright for the EXIF orientation it was stored with:
// 2 mirrored, 3 turned half round, 4 flipped, 5 transposed, 6 turned a quarter
// clockwise, 7 transversed, 8 turned a quarter anticlockwise. 1 and any value
// outside 1..8 give a plain copy. Palette and transparency come along.
TBitmap ApplyOrientation(const TBitmap& bitmap, int exifOrientation);

}  // namespace velinor
