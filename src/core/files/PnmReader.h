#pragma once
// Portable any-map reading: PBM, PGM and PPM, plain (ASCII) and raw (binary).
#include <cstddef>
#include <cstdint>

#include "core/base/Bitmap.h"

namespace velinor {

// Decodes P1-P6 held in memory, with comments, any maxval up to 65535 (scaled
// to 0..255). The result is 24-bit. Throws EReadError or EOutOfLimits.
TBitmap ReadPnm(const uint8_t* data, size_t size);

}  // namespace velinor
