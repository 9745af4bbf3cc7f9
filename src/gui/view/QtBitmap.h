#pragma once
// Between the core's bitmaps and Qt's images: a QImage that shares a bitmap's
// pixels for drawing, and a 24-bit bitmap copied from any QImage (the clipboard).
#include <QImage>
#include <cstring>

#include "base/Bitmap.h"

namespace velinor {

// A QImage sharing the pixels of a 24- or 32-bit bitmap (valid while the bitmap
// lives and keeps its size); an 8-bit bitmap is converted into a detached copy.
inline QImage WrapBitmap(const TBitmap& b) {
  if (b.Empty()) return {};
  if (b.PixelFormat() == TPixelFormat::pf8bit) {
    TBitmap copy(b);
    copy.SetPixelFormat(TPixelFormat::pf24bit);
    return WrapBitmap(copy).copy();
  }
  const QImage::Format format = b.PixelFormat() == TPixelFormat::pf32bit ? QImage::Format_RGB32
                                                                         : QImage::Format_BGR888;
  return QImage(b.Bits(), b.Width(), b.Height(), static_cast<qsizetype>(b.Stride()), format);
}

// The image's colours as a 24-bit bitmap (alpha dropped, palettes resolved).
inline TBitmap BitmapFromImage(const QImage& image) {
  TBitmap b;
  if (image.isNull()) return b;
  const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
  b.SetSize(bgr.width(), bgr.height());
  const size_t rowBytes = static_cast<size_t>(bgr.width()) * 3;
  for (int y = 0; y < bgr.height(); ++y) std::memcpy(b.ScanLine(y), bgr.constScanLine(y), rowBytes);
  return b;
}

}  // namespace velinor
