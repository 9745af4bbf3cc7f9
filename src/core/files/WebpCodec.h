#pragma once
// WebP over libwebp: still pictures (lossy, lossless, with or without alpha)
// and the first frame of animations; written lossy at a quality, or lossless
// (exact colours, alpha kept) for 32-bit pictures.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/files/DecodedPicture.h"

namespace velinor {


// The canvas size, read from the headers; false when the data is not WebP.
bool ProbeWebp(const uint8_t* data, size_t size, int& width, int& height);

// Decodes the picture (an animation's first frame, composed on its canvas):
// 24-bit, or 32-bit with its alpha when the file has alpha. The EXIF
// orientation, when the file has one, is left pending for FinishDecodedPicture.
// Throws EReadError or EOutOfLimits, before allocating the picture.
TDecodedPicture ReadWebp(const uint8_t* data, size_t size);

// The EXIF block of the file (from its TIFF header on); empty if none.
std::vector<uint8_t> ReadWebpExif(const uint8_t* data, size_t size);

struct TWebpWriteOptions {
  int Quality = 90;       // 1..100, lossy
  bool Lossless = false;  // exact colours and alpha
};

// The options "Save as" uses for a picture: lossless for 32-bit pictures,
// otherwise lossy at the given quality.
TWebpWriteOptions WebpOptionsFor(const TBitmap& bitmap, int quality);

// Encodes the bitmap (8, 24 or 32-bit; 32-bit keeps its alpha). Throws
// EWriteError, also for pictures wider or higher than WebP allows (16383).
std::vector<uint8_t> EncodeWebp(const TBitmap& bitmap, const TWebpWriteOptions& options);
// EncodeWebp written through a temporary file.
void WriteWebpFile(const std::string& path, const TBitmap& bitmap, const TWebpWriteOptions& options);

}  // namespace velinor
