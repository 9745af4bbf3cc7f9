// Feeds arbitrary bytes to the colour-profile path as an embedded ICC profile
// (on a colour, an alpha and a palette picture) and as a JPEG whose APP2
// chunks make one: damaged profiles must be refused quietly, never crash.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/base/Bitmap.h"
#include "core/files/ColorProfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velinor;
  TBitmap rgb(7, 3, TPixelFormat::pf24bit), rgba(5, 2, TPixelFormat::pf32bit), pal(2, 2, TPixelFormat::pf8bit);
  rgb.FillBytes(0x80);
  rgba.FillBytes(0x40);
  pal.FillBytes(1);
  pal.Palette = {0x000000, 0x204060, 0xFFFFFF};
  ConvertProfileToSrgb(rgb, data, size);
  ConvertProfileToSrgb(rgba, data, size);
  ConvertProfileToSrgb(pal, data, size);
  const std::vector<uint8_t> joined = FindJpegIccProfile(data, size);
  if (!joined.empty()) ConvertProfileToSrgb(rgb, joined);
  if (size >= 9 * sizeof(double)) {
    double v[9];
    std::memcpy(v, data, sizeof v);
    ProfileFromChromaticities(v, v + 2, v[8]);
  }
  return 0;
}
