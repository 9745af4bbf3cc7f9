#pragma once
// Run-length compressed 8-bit BMP (BI_RLE8) writing.
#include <cstdint>
#include <string>
#include <vector>

#include "core/base/Bitmap.h"

namespace velinor {

// Compresses 8-bit pixel rows (bottom-up, as a BMP stores them) with the
// standard BI_RLE8 scheme: runs of equal bytes, absolute runs of three or more
// literal bytes padded to a word, end of line after each row, end of bitmap last.
std::vector<uint8_t> EncodeRle8(const TBitmap& indexed);

// The whole .rle file for the bitmap: 8-bit bitmaps keep their indices and
// palette; other pixel formats are first reduced to 256 colours with dithering
// (on a copy: the caller's bitmap is untouched). Transparency is ignored.
std::vector<uint8_t> EncodeRle8Bmp(const TBitmap& bitmap);

// EncodeRle8Bmp written through a temporary file. Throws EWriteError.
void WriteRle8Bmp(const std::string& path, const TBitmap& bitmap);

}  // namespace velinor
