#pragma once
// Windows icon (.ico) reading.
#include <cstddef>
#include <cstdint>

#include "core/base/Bitmap.h"

namespace velinor {

// Decodes the best image of an icon file held in memory (the largest, then the
// deepest; entries that fail to decode are passed over): BMP-based entries with
// 1, 4, 8, 24 or 32 bits and their AND mask, or PNG-based entries. The result is
// 32-bit with alpha = coverage (AND-masked pixels have alpha 0). Throws
// EReadError or EOutOfLimits.
TBitmap DecodeIco(const uint8_t* data, size_t size);

// DecodeIco drawn over the key colour (206, 237, 220): a 24-bit bitmap marked
// transparent with the key colour, as icons come into the program.
TBitmap ReadIco(const uint8_t* data, size_t size);

}  // namespace velinor
