#include "core/base/Orientation.h"

#include <cstring>

namespace velinor {

TBitmap ApplyOrientation(const TBitmap& bitmap, int o) {
  if (o < 2 || o > 8 || bitmap.Empty()) return bitmap;
  const int w = bitmap.Width(), h = bitmap.Height();
  const bool swap = OrientationSwapsAxes(o);
  TBitmap out(swap ? h : w, swap ? w : h, bitmap.PixelFormat());
  out.Palette = bitmap.Palette;
  out.Transparent = bitmap.Transparent;
  out.TransparentColor = bitmap.TransparentColor;
  const int bpp = BytesPerPixel(bitmap.PixelFormat());
  const int ow = out.Width(), oh = out.Height();
  for (int y = 0; y < oh; ++y) {
    uint8_t* d = out.ScanLine(y);
    for (int x = 0; x < ow; ++x, d += bpp) {
      // The stored pixel shown at (x, y) of the upright picture.
      int sx = x, sy = y;
      switch (o) {
        case 2: sx = w - 1 - x; break;
        case 3: sx = w - 1 - x; sy = h - 1 - y; break;
        case 4: sy = h - 1 - y; break;
        case 5: sx = y; sy = x; break;
        case 6: sx = y; sy = h - 1 - x; break;
        case 7: sx = w - 1 - y; sy = h - 1 - x; break;
        case 8: sx = w - 1 - y; sy = x; break;
      }
      std::memcpy(d, bitmap.ScanLine(sy) + static_cast<size_t>(sx) * bpp, bpp);
    }
  }
  return out;
}

}  // namespace velinor
