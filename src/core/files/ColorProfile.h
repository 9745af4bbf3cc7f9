#pragma once
// Colour profiles over Little CMS 2: what a file's embedded colour information
// means is converted to sRGB on the way in, so that what is shown, picked and
// computed is sRGB; and what is written says sRGB.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/base/Bitmap.h"

namespace velinor {

// Converts a 24- or 32-bit picture (alpha untouched) or an 8-bit one's palette
// from the ICC profile to sRGB: relative colorimetric with black-point
// compensation, perceptual when the profile carries a perceptual table and its
// header asks for that intent. RGB and grey profiles are used; an empty,
// damaged or unsuitable profile (CMYK, Lab, a device link...) leaves the
// pixels as they are and gives false. Never throws.
bool ConvertProfileToSrgb(TBitmap& bitmap, const uint8_t* icc, size_t size);
inline bool ConvertProfileToSrgb(TBitmap& bitmap, const std::vector<uint8_t>& icc) {
  return ConvertProfileToSrgb(bitmap, icc.data(), icc.size());
}

// The profile a PNG's cHRM and gAMA chunks describe (white point and primaries
// as chromaticities, the file gamma as stored: 1/2.2 is 0.45455); empty when
// they do not make a usable profile.
std::vector<uint8_t> ProfileFromChromaticities(const double white[2], const double primaries[6], double fileGamma);

// The profile that coding-independent code points (ITU-T H.273: the nclx
// colour information of HEIF and AVIF, PNG's cICP chunk) describe by their
// colour primaries and transfer characteristics. Empty for sRGB (BT.709
// primaries with the sRGB curve, either of them unspecified included), which
// needs no conversion, and for codes not converted here (PQ and HLG, whose HDR
// pictures need tone mapping, and the other unusual ones).
std::vector<uint8_t> ProfileFromCicp(int primaries, int transfer);

// The embedded ICC profile of a JPEG (its APP2 "ICC_PROFILE" chunks joined in
// their sequence order); empty when there is none or the chunks are not a
// complete set.
std::vector<uint8_t> FindJpegIccProfile(const uint8_t* data, size_t size);

// Little CMS's sRGB profile (IEC 61966-2.1), as written into saved JPEG and
// TIFF files.
const std::vector<uint8_t>& SrgbProfile();

// The JPEG APP2 payloads (each with its 2-byte length) that carry the profile.
std::vector<std::vector<uint8_t>> JpegIccSegments(const std::vector<uint8_t>& profile);

// The profile's APP2 segments put into a JPEG after its start of image and the
// APP0 or APP1 segment that follows it, if any.
void InsertJpegProfile(std::vector<uint8_t>& jpeg, const std::vector<uint8_t>& profile);

}  // namespace velinor
