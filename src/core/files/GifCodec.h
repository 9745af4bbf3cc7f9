#pragma once
// GIF reading (first frame, frame count, transparency) and writing (quantised
// to 256 colours with dithering, colour map optimised, transparency kept) over
// giflib.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/base/Bitmap.h"

namespace velinor {

// Decodes frame 0 of a GIF held in memory as an 8-bit bitmap with the frame's
// active colour map as palette. With transparency on, the bitmap is marked
// transparent with the colour of the transparent entry; when that colour also
// appears at another entry, the transparent entry first becomes the key colour
// (206, 237, 220) so that only see-through pixels carry it. frameCount receives
// the number of frames (counted without decoding the others). Throws EReadError
// or EOutOfLimits.
TBitmap ReadGif(const uint8_t* data, size_t size, int* frameCount = nullptr);

struct TGifWriteOptions {
  bool Optimize = true;     // merge, sort and trim the colour map
  bool Interlaced = false;
  std::string Comment;      // non-empty adds a comment extension
};

// Encodes the bitmap as a one-frame GIF. 8-bit bitmaps keep their palette; true
// colour is quantised with Floyd-Steinberg dithering. 32-bit bitmaps (alpha below
// 128 is see-through) and bitmaps marked transparent keep their transparency:
// the see-through pixels share one entry, the bitmap's transparent colour for a
// 24-bit bitmap, else the key colour. Throws EWriteError.
std::vector<uint8_t> EncodeGif(const TBitmap& bitmap, const TGifWriteOptions& options);

// EncodeGif written through a temporary file.
void WriteGifFile(const std::string& path, const TBitmap& bitmap, const TGifWriteOptions& options);

}  // namespace velinor
