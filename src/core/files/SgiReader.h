#pragma once
// Silicon Graphics image (.sgi, .rgb, .rgba, .bw) reading.
#include <cstddef>
#include <cstdint>

#include "core/base/Bitmap.h"

namespace velinor {

// Decodes an SGI image held in memory: verbatim or run-length, 1 to 4 channels
// (grey, grey + alpha, RGB, RGBA), 8 or 16 bits per channel. The result is
// 24-bit, or 32-bit when an alpha channel carries real alpha. Throws EReadError
// or EOutOfLimits.
TBitmap ReadSgi(const uint8_t* data, size_t size);

}  // namespace velinor
