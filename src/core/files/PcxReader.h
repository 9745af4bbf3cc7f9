#pragma once
// ZSoft Paintbrush (PCX) reading.
#include <cstddef>
#include <cstdint>

#include "core/base/Bitmap.h"

namespace velinor {

// Decodes a PCX file held in memory: 1-bit (1 to 4 planes), 2- and 4-bit
// packed, 8-bit with the 256-colour palette at the end (grey without one),
// 24-bit (3 planes) and 32-bit (4 planes), run-length or raw. The result is
// 24-bit, or 32-bit when a fourth plane carries real alpha. Throws EReadError or
// EOutOfLimits.
TBitmap ReadPcx(const uint8_t* data, size_t size);

}  // namespace velinor
