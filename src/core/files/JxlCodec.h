#pragma once
// JPEG XL over libjxl: bare codestreams and the box container, the first frame
// of animations, oriented by the decoder, in sRGB wherever the decoder can
// produce it (every lossy file), otherwise with the file's profile attached.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/files/DecodedPicture.h"

namespace velinor {


// The upright size from the basic header; false when the data is not JPEG XL.
bool ProbeJxl(const uint8_t* data, size_t size, int& width, int& height);

// The most the decoder may hold allocated at once while decoding one file; a
// file needing more fails as out of limits.
constexpr size_t JxlDecoderMemoryLimit = size_t{3} << 30;

// Decodes the first frame: 24-bit, or 32-bit with its alpha. Samples of more
// than 8 bits are rounded to 8 by the decoder. Throws EReadError or
// EOutOfLimits (the size is checked before the picture is allocated).
TDecodedPicture ReadJxl(const uint8_t* data, size_t size);

// The EXIF box of a container file (from its TIFF header on); empty if none.
// Decodes no pixels.
std::vector<uint8_t> ReadJxlExif(const uint8_t* data, size_t size);

}  // namespace velinor
