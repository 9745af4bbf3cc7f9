#pragma once
// Between the core's bitmaps and Qt's images: a QImage that shares a bitmap's
// pixels for drawing, and a 24-bit bitmap copied from any QImage (the clipboard).
#include <QImage>
#include <cstring>

#include "core/base/Bitmap.h"

namespace velinor {

// A QImage sharing the pixels of a 24- or 32-bit bitmap (valid while the bitmap
// lives and keeps its size); an 8-bit bitmap is converted into a detached copy.
// A 32-bit bitmap keeps its alpha (what is copied or printed is see-through
// where the picture is).
inline QImage WrapBitmap(const TBitmap& b) {
  if (b.Empty()) return {};
  if (b.PixelFormat() == TPixelFormat::pf8bit) {
    TBitmap copy(b);
    copy.SetPixelFormat(TPixelFormat::pf24bit);
    return WrapBitmap(copy).copy();
  }
  const QImage::Format format = b.PixelFormat() == TPixelFormat::pf32bit ? QImage::Format_ARGB32
                                                                         : QImage::Format_BGR888;
  return QImage(b.Bits(), b.Width(), b.Height(), static_cast<qsizetype>(b.Stride()), format);
}

// The image as a 24-bit bitmap (alpha dropped, palettes resolved), or as a 32-bit
// one keeping the alpha channel.
inline TBitmap BitmapFromImage(const QImage& image, TPixelFormat pf = TPixelFormat::pf24bit) {
  TBitmap b;
  if (image.isNull()) return b;
  const bool alpha = pf == TPixelFormat::pf32bit;
  // ARGB32 is B, G, R, A in memory on the little-endian machines this runs on.
  const QImage src = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_BGR888);
  b = TBitmap(src.width(), src.height(), alpha ? TPixelFormat::pf32bit : TPixelFormat::pf24bit);
  const size_t rowBytes = static_cast<size_t>(src.width()) * (alpha ? 4 : 3);
  for (int y = 0; y < src.height(); ++y) std::memcpy(b.ScanLine(y), src.constScanLine(y), rowBytes);
  return b;
}

}  // namespace velinor
