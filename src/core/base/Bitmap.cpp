#include "core/base/Bitmap.h"

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

#include "core/base/Errors.h"

namespace velinor {

int64_t MaxImageBytesFor(int64_t physicalBytes) {
  return std::max<int64_t>(int64_t{1} << 30, physicalBytes / 4);
}

int64_t MaxImageBytes() {
  static const int64_t limit = [] {
    const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGESIZE);
    return MaxImageBytesFor(pages > 0 && pageSize > 0 ? int64_t{pages} * pageSize : 0);
  }();
  return limit;
}

void CheckImageSize(int64_t width, int64_t height, int bytesPerPixel) {
  if (width < 0 || height < 0 || width > MaxImageSide || height > MaxImageSide)
    throw EPictureTooLarge("image size " + std::to_string(width) + " x " + std::to_string(height) +
                               " is out of limits",
                           width, height, bytesPerPixel);
  const int64_t stride = (width * bytesPerPixel + 3) & ~int64_t{3};
  if (stride * height > MaxImageBytes())
    throw EPictureTooLarge("image of " + std::to_string(width) + " x " + std::to_string(height) +
                               " pixels is too large",
                           width, height, bytesPerPixel);
}

void ReleaseFreedMemory() { ::malloc_trim(0); }

void TPixelsDeleter::operator()(uint8_t* pixels) const {
  delete[] pixels;
  // Smaller pictures come and go during the work; their memory is reused.
  if (Bytes >= size_t{128} << 20) ReleaseFreedMemory();
}

TBitmap::TBitmap(int width, int height, TPixelFormat pf) { Allocate(width, height, pf); }

TBitmap::TBitmap(const TBitmap& other) { Assign(other); }

TBitmap& TBitmap::operator=(const TBitmap& other) {
  if (this != &other) Assign(other);
  return *this;
}

TBitmap::TBitmap(TBitmap&& other) noexcept
    : Palette(std::move(other.Palette)),
      Transparent(other.Transparent),
      TransparentColor(other.TransparentColor),
      width_(other.width_),
      height_(other.height_),
      format_(other.format_),
      stride_(other.stride_),
      pixels_(std::move(other.pixels_)) {
  other.width_ = other.height_ = 0;
  other.stride_ = 0;
}

TBitmap& TBitmap::operator=(TBitmap&& other) noexcept {
  if (this != &other) {
    Palette = std::move(other.Palette);
    Transparent = other.Transparent;
    TransparentColor = other.TransparentColor;
    width_ = other.width_;
    height_ = other.height_;
    format_ = other.format_;
    stride_ = other.stride_;
    pixels_ = std::move(other.pixels_);
    other.width_ = other.height_ = 0;
    other.stride_ = 0;
    Changed();
  }
  return *this;
}

void TBitmap::Allocate(int width, int height, TPixelFormat pf) {
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  CheckImageSize(width, height, BytesPerPixel(pf));
  const size_t stride = RowStride(width, pf);
  const size_t bytes = stride * static_cast<size_t>(height);
  std::unique_ptr<uint8_t[], TPixelsDeleter> pixels;
  if (bytes > 0) pixels = decltype(pixels)(new uint8_t[bytes], TPixelsDeleter{bytes});
  pixels_ = std::move(pixels);
  width_ = width;
  height_ = height;
  format_ = pf;
  stride_ = stride;
}

void TBitmap::SetSize(int width, int height) {
  if (width == width_ && height == height_ && pixels_) return;
  Allocate(width, height, format_);
  Changed();
}

void TBitmap::Clear() {
  pixels_.reset();
  width_ = height_ = 0;
  stride_ = 0;
  Changed();
}

void TBitmap::Assign(const TBitmap& other) {
  if (this == &other) return;
  Allocate(other.width_, other.height_, other.format_);
  if (other.pixels_ && pixels_) std::memcpy(pixels_.get(), other.pixels_.get(), ByteSize());
  Palette = other.Palette;
  Transparent = other.Transparent;
  TransparentColor = other.TransparentColor;
  Changed();
}

void TBitmap::FillBytes(uint8_t value) {
  if (pixels_) std::memset(pixels_.get(), value, ByteSize());
}

void TBitmap::SetPixelFormat(TPixelFormat pf) {
  if (pf == format_) return;
  if (pf == TPixelFormat::pf8bit) throw std::logic_error("TBitmap cannot quantise to 8 bits");
  TBitmap converted(width_, height_, pf);
  const int outBpp = BytesPerPixel(pf);
  for (int y = 0; y < height_; ++y) {
    const uint8_t* s = ScanLine(y);
    uint8_t* d = converted.ScanLine(y);
    for (int x = 0; x < width_; ++x, d += outBpp) {
      uint8_t b, g, r;
      if (format_ == TPixelFormat::pf8bit) {
        const TColor c = s[x] < Palette.size() ? Palette[s[x]] : 0;
        b = GetBValue(c);
        g = GetGValue(c);
        r = GetRValue(c);
      } else {
        const uint8_t* p = s + static_cast<size_t>(x) * BytesPerPixel(format_);
        b = p[0];
        g = p[1];
        r = p[2];
      }
      d[0] = b;
      d[1] = g;
      d[2] = r;
      if (outBpp == 4) d[3] = 255;
    }
  }
  pixels_ = std::move(converted.pixels_);
  format_ = pf;
  stride_ = converted.stride_;
  if (pf != TPixelFormat::pf8bit) Palette.clear();
  Changed();
}

TColor TBitmap::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return clNone;
  const uint8_t* row = ScanLine(y);
  if (format_ == TPixelFormat::pf8bit) return row[x] < Palette.size() ? Palette[row[x]] : 0;
  const uint8_t* p = row + static_cast<size_t>(x) * BytesPerPixel(format_);
  return RGB(p[2], p[1], p[0]);
}

void TBitmap::SetPixel(int x, int y, TColor c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_ || format_ == TPixelFormat::pf8bit) return;
  c = ResolveSystemColor(c);
  uint8_t* p = ScanLine(y) + static_cast<size_t>(x) * BytesPerPixel(format_);
  p[0] = GetBValue(c);
  p[1] = GetGValue(c);
  p[2] = GetRValue(c);
  if (format_ == TPixelFormat::pf32bit) p[3] = 255;
}

void ClipToBitmap(TRect& rect, const TBitmap& bitmap) {
  rect = IntersectRect(NormalizeRect(rect), BitmapBounds(bitmap));
}

bool HasAlpha(const TBitmap& b) {
  if (b.PixelFormat() != TPixelFormat::pf32bit) return false;
  for (int y = 0; y < b.Height(); ++y) {
    const uint8_t* p = b.ScanLine(y);
    for (int x = 0; x < b.Width(); ++x)
      if (p[4 * x + 3] != 255) return true;
  }
  return false;
}

void TransparentColorToAlpha(TBitmap& b) {
  if (!b.Transparent || b.TransparentColor == clNone || b.Empty()) return;
  const TColor key = b.TransparentColor & 0xFFFFFF;
  b.SetPixelFormat(TPixelFormat::pf32bit);
  for (int y = 0; y < b.Height(); ++y) {
    uint8_t* p = b.ScanLine(y);
    for (int x = 0; x < b.Width(); ++x, p += 4)
      if (RGB(p[2], p[1], p[0]) == key) p[3] = 0;
  }
  b.Transparent = false;
  b.TransparentColor = clNone;
}

const TBitmap& ConvertedTo(const TBitmap& source, TPixelFormat format, TBitmap& storage) {
  if (source.PixelFormat() == format) return source;
  if (&storage != &source) storage.Assign(source);
  storage.SetPixelFormat(format);
  return storage;
}

const TBitmap& WithoutPalette(const TBitmap& source, TBitmap& storage) {
  return source.PixelFormat() == TPixelFormat::pf8bit && !source.Empty() ? ConvertedTo(source, TPixelFormat::pf24bit, storage) : source;
}

}  // namespace velinor
