#pragma once
// HEIF over libheif: HEIC (HEVC) and AVIF (AV1) stills, the primary image of
// image collections and the first picture of sequences that carry one; the
// rotation and mirroring the file asks for are applied by libheif. AVIF is
// written with libheif's AV1 encoder.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/files/DecodedPicture.h"

namespace velinor {

// The upright size of the primary image, read without decoding; false when the
// data is not a HEIF file libheif can read.
bool ProbeHeif(const uint8_t* data, size_t size, int& width, int& height);

// Decodes the primary image (HEIC or AVIF) into 24-bit pixels, or 32-bit with
// its alpha. With preview set, the file's own thumbnail is decoded when it has
// one (StoredWidth/StoredHeight still give the full picture). Higher bit
// depths are rounded to 8 bits. Throws EReadError, EUnsupportedFormat (no
// decoder for the coding) or EOutOfLimits, before allocating the picture.
TDecodedPicture ReadHeif(const uint8_t* data, size_t size, bool preview = false);

// The EXIF block of the primary image (from its TIFF header on); empty when
// there is none or the data cannot be read. Decodes no pixels.
std::vector<uint8_t> ReadHeifExif(const uint8_t* data, size_t size);

// True when this libheif has an AV1 encoder.
bool CanWriteAvif();

// Encodes the bitmap (8, 24 or 32-bit; 32-bit keeps its alpha) as AVIF, 4:4:4,
// declared sRGB, at quality 1..100. Throws EUnsupportedFormat without an AV1
// encoder and EWriteError on failure.
std::vector<uint8_t> EncodeAvif(const TBitmap& bitmap, int quality);
// EncodeAvif written through a temporary file.
void WriteAvifFile(const std::string& path, const TBitmap& bitmap, int quality);

}  // namespace velinor
