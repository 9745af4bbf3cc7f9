#include "core/view/Checkerboard.h"

#include <stdexcept>

namespace velinor {

namespace {

int FloorDiv(int v, int d) { return v >= 0 ? v / d : -((-v + d - 1) / d); }

}  // namespace

uint8_t CheckerShade(int x, int y) {
  return ((FloorDiv(x, CheckerCell) + FloorDiv(y, CheckerCell)) & 1) ? CheckerDark : CheckerLight;
}

void SplitAlpha(const TBitmap& picture, TBitmap& premultiplied, TBitmap& alpha) {
  if (picture.PixelFormat() != TPixelFormat::pf32bit) throw std::invalid_argument("SplitAlpha needs a 32-bit picture");
  const int w = picture.Width(), h = picture.Height();
  premultiplied = TBitmap(w, h, TPixelFormat::pf24bit);
  alpha = TBitmap(w, h, TPixelFormat::pf24bit);
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = picture.ScanLine(y);
    uint8_t* p = premultiplied.ScanLine(y);
    uint8_t* a = alpha.ScanLine(y);
    for (int x = 0; x < w; ++x, s += 4, p += 3, a += 3) {
      const unsigned k = s[3];
      for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>((s[c] * k + 127) / 255);
      a[0] = a[1] = a[2] = s[3];
    }
  }
}

void ComposeOverCheckerboard(TBitmap& dst, const TBitmap& alpha, TRect rect, int originX, int originY) {
  ClipToBitmap(rect, dst);
  if (rect.IsEmpty()) return;
  if (dst.PixelFormat() == TPixelFormat::pf8bit || alpha.PixelFormat() == TPixelFormat::pf8bit ||
      alpha.Width() < rect.Right || alpha.Height() < rect.Bottom)
    throw std::invalid_argument("ComposeOverCheckerboard: unsuitable bitmaps");
  const int dbpp = BytesPerPixel(dst.PixelFormat()), abpp = BytesPerPixel(alpha.PixelFormat());
  for (int y = rect.Top; y < rect.Bottom; ++y) {
    uint8_t* d = dst.ScanLine(y) + static_cast<size_t>(rect.Left) * dbpp;
    const uint8_t* a = alpha.ScanLine(y) + static_cast<size_t>(rect.Left) * abpp;
    for (int x = rect.Left; x < rect.Right; ++x, d += dbpp, a += abpp) {
      const unsigned uncovered = 255u - a[0];
      if (uncovered == 0) continue;
      const unsigned board = (uncovered * CheckerShade(x + originX, y + originY) + 127) / 255;
      for (int c = 0; c < 3; ++c) {
        const unsigned v = d[c] + board;
        d[c] = static_cast<uint8_t>(v > 255 ? 255 : v);
      }
    }
  }
}

}  // namespace velinor
