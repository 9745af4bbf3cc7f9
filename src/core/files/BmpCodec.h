#pragma once
// Windows BMP reading and writing.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/base/Bitmap.h"

namespace velinor {

// Decodes a BMP file held in memory. Reads 1, 4, 8, 16, 24 and 32 bits per pixel,
// uncompressed, RLE4, RLE8 and bit-field layouts, bottom-up or top-down, with the
// Windows or OS/2 headers. The result is 24-bit, or 32-bit when the file carries
// alpha. Throws EReadError on truncated or inconsistent data and EOutOfLimits on
// absurd sizes, before allocating anything from unchecked header values.
TBitmap ReadBmp(const uint8_t* data, size_t size);

// The open dialog's depth code of the palette BMP held in memory, read from its
// header: 1 for 1 bit, 2 for 4 bits, 3 for 8 bits per pixel; 0 for any other
// file (whose depth follows the decoded pixels).
int BmpPaletteDepthCode(const uint8_t* data, size_t size);

// Encodes the bitmap as a standard BMP in its own pixel format (8-bit with its
// palette, 24-bit, or 32-bit), with a 40-byte info header and rows bottom-up.
// The pixels-per-metre fields are left zero.
std::vector<uint8_t> EncodeBmp(const TBitmap& bitmap);

// Stores Trunc(resolution * 100 / 2.54) as a 16-bit little-endian value in the
// low halves of both pixels-per-metre fields (offsets 38 and 42). Nothing is done
// when resolution <= 0 or the buffer is too short.
void SetBmpResolution(std::vector<uint8_t>& bmp, double resolution);

// Writes the bitmap to a BMP file (through a temporary file), stamping the
// resolution when it is above 0.
void WriteBmpFile(const std::string& path, const TBitmap& bitmap, double resolution);

}  // namespace velinor
