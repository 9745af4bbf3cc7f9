#pragma once
// What the readers of today's photo formats (HEIF/AVIF, WebP, JPEG XL, camera
// raw) hand back: the pixels and what the file told about them.
#include <cstdint>
#include <string>
#include <vector>

#include "core/base/Bitmap.h"

namespace velinor {

struct TDecodedPicture {
  // 24-bit B,G,R, or 32-bit B,G,R,A with straight (not premultiplied) alpha
  // when the file has an alpha channel.
  TBitmap Bitmap;
  // The upright size of the full picture, also when Bitmap holds a reduced
  // preview or an embedded thumbnail.
  int StoredWidth = 0;
  int StoredHeight = 0;
  int DepthCode = 6;       // 6, or 7 with alpha (the open dialog's codes; grey comes out as colour)
  int BitsPerChannel = 8;  // as stored (10 and 12 for many HEIF/AVIF files)
  bool Animated = false;   // an animation or image sequence (its first picture is decoded)
  std::vector<uint8_t> Icc;   // the colour profile to convert from (embedded, or made from the colour information); empty: sRGB
  std::vector<uint8_t> Exif;  // the EXIF block from its TIFF header on, if any
  // EXIF orientation (1..8) still to apply to Bitmap: 1 when the decoder
  // already turned the picture upright (libheif, libjxl and LibRaw do), 0 when
  // it is the one the EXIF block gives (WebP; StoredWidth/StoredHeight are
  // then the stored sides, turned upright with the pixels).
  int PendingOrientation = 1;
  bool Finished = false;  // FinishDecodedPicture has run
  bool ProfileConverted = false;  // Icc was converted to sRGB
};

// The last step of every such reader: the embedded colour information and any
// orientation still pending are applied to the pixels, so that what comes in
// is upright sRGB.
void FinishDecodedPicture(TDecodedPicture& picture);

// The same step for the readers that hand back a bare bitmap (JPEG, PNG, TIFF):
// the profile (empty: sRGB) converted to sRGB, then the orientation (1..8;
// anything else leaves the pixels as they are) applied.
// Returns whether a profile was converted.
bool FinishPicture(TBitmap& bitmap, const std::vector<uint8_t>& icc, int orientation);

// The Orientation tag (274) of IFD0 in an EXIF block: TIFF-headed, behind
// "Exif\0\0", or a JPEG APP1 payload with its length; 1 when absent or
// outside 1..8.
int ExifOrientation(const std::vector<uint8_t>& exif);

// A stored size as the upright picture has it (orientations 5..8 swap the sides).
void UprightSize(int orientation, int& width, int& height);

// The EXIF payload as stored in a file (optionally behind "Exif\0\0", or, in
// HEIF and JPEG XL, behind a 4-byte offset to the TIFF header) reduced to the
// block from its TIFF header on; empty when no TIFF header is found.
std::vector<uint8_t> ExifFromTiffHeader(const uint8_t* data, size_t size);

// A TIFF-headed EXIF block as a JPEG APP1 payload: its 2-byte big-endian
// length, "Exif\0\0", the block; empty when the block is empty or too long
// for a JPEG segment.
std::vector<uint8_t> ExifAsJpegPayload(const std::vector<uint8_t>& tiffBlock);

// Checks a stored size against the program's limits (65535 a side, the
// picture-memory limit at bytesPerPixel) before anything is allocated for it;
// throws EReadError for empty sizes and EOutOfLimits beyond the limits.
void CheckDecodedSize(int64_t width, int64_t height, int bytesPerPixel);

// The largest picture file the readers take whole into memory: what a picture
// within the limits may need, two bytes stored for each byte held (16-bit
// samples), and room for its headers and metadata.
uint64_t MaxPictureFileBytes();
// The whole of a picture file. Throws EOutOfLimits for a file larger than
// MaxPictureFileBytes, EReadError when it cannot be read.
std::vector<uint8_t> ReadPictureFileBytes(const std::string& path);

}  // namespace velinor
