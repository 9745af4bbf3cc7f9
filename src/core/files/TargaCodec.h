#pragma once
// Truevision Targa reading and writing.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/base/Bitmap.h"

namespace velinor {

// Decodes a Targa file held in memory: colour-mapped (8-bit indices, 15/16/24/32
// bit map entries), true colour (15, 16, 24, 32 bits), grey (8 bits, or 16 with
// alpha), raw or run-length, any origin corner. The result is 24-bit, or 32-bit
// when the file carries alpha that is not uniformly opaque. Throws EReadError or
// EOutOfLimits.
TBitmap ReadTga(const uint8_t* data, size_t size);

// Encodes the bitmap: 8-bit as colour-mapped with a 256-entry palette, 24-bit
// and 32-bit as true colour; with rle, rows are run-length packed. The header
// always carries a 256-entry, 24-bit colour-map description and a top-left origin.
std::vector<uint8_t> EncodeTga(const TBitmap& bitmap, bool rle);

// EncodeTga written through a temporary file. Throws EWriteError.
void WriteTgaFile(const std::string& path, const TBitmap& bitmap, bool rle);

}  // namespace velinor
