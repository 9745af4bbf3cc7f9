#pragma once
// TBitmap: the program's raster. Rows are addressed top-down through ScanLine(y);
// each row is padded to a multiple of 4 bytes so that a toolkit image can wrap the
// pixels without a copy. 24-bit pixels are B,G,R; 32-bit pixels are B,G,R,A;
// 8-bit pixels index the palette (0x00BBGGRR entries).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/base/Color.h"
#include "core/base/Geometry.h"

namespace velinor {

enum class TPixelFormat { pf8bit, pf24bit, pf32bit };

constexpr int BytesPerPixel(TPixelFormat pf) {
  return pf == TPixelFormat::pf8bit ? 1 : (pf == TPixelFormat::pf24bit ? 3 : 4);
}

// Largest pixel buffer the program allocates for one image, and the largest
// side. Every size read from a file is checked against these first. The buffer
// limit follows the machine: a quarter of its memory (the document holds up to
// four pictures: current, colour source, mask, undo), never below 1 GiB.
int64_t MaxImageBytes();
constexpr int MaxImageSide = 65535;
// The limit for a machine of physicalBytes of memory.
int64_t MaxImageBytesFor(int64_t physicalBytes);

// Gives the memory freed by a big picture back to the system (the allocator
// otherwise keeps the decoders' freed pieces for later use).
void ReleaseFreedMemory();

// Throws EOutOfLimits when an image of this size cannot be held.
void CheckImageSize(int64_t width, int64_t height, int bytesPerPixel);

// Row length in bytes, padded to 4.
constexpr size_t RowStride(int width, TPixelFormat pf) {
  return (static_cast<size_t>(width) * BytesPerPixel(pf) + 3) & ~size_t{3};
}

// Frees a bitmap's pixels; a big buffer also hands the freed memory back to
// the system.
struct TPixelsDeleter {
  size_t Bytes = 0;
  void operator()(uint8_t* pixels) const;
};

class TBitmap {
 public:
  TBitmap() = default;
  TBitmap(int width, int height, TPixelFormat pf = TPixelFormat::pf24bit);
  TBitmap(const TBitmap& other);
  TBitmap& operator=(const TBitmap& other);
  TBitmap(TBitmap&& other) noexcept;
  TBitmap& operator=(TBitmap&& other) noexcept;
  ~TBitmap() = default;

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }
  TPixelFormat PixelFormat() const { return format_; }
  size_t Stride() const { return stride_; }
  size_t ByteSize() const { return stride_ * static_cast<size_t>(height_); }

  // New size; the content is undefined afterwards (not cleared, for speed).
  void SetSize(int width, int height);
  // Converts the content: 8 -> 24/32 through the palette, 24 <-> 32 (alpha 255
  // when added, dropped when removed). 24/32 -> 8 is not a conversion the bitmap
  // does (quantising belongs to the codecs) and throws std::logic_error.
  void SetPixelFormat(TPixelFormat pf);
  // Releases the pixels; Width and Height become 0.
  void Clear();
  // Copies everything from other (pixels, format, palette, transparency).
  void Assign(const TBitmap& other);
  // Sets every byte of every row (padding included) to value.
  void FillBytes(uint8_t value);

  uint8_t* ScanLine(int y) { return pixels_.get() + static_cast<size_t>(y) * stride_; }
  const uint8_t* ScanLine(int y) const { return pixels_.get() + static_cast<size_t>(y) * stride_; }
  uint8_t* Bits() { return pixels_.get(); }
  const uint8_t* Bits() const { return pixels_.get(); }

  // Palette for pf8bit (up to 256 entries, 0x00BBGGRR).
  std::vector<TColor> Palette;

  // Transparency: when Transparent, pixels of TransparentColor are see-through.
  bool Transparent = false;
  TColor TransparentColor = clNone;

  // The colour of pixel (x, y) as a TColor (red in the low byte); clNone outside.
  TColor Pixel(int x, int y) const;
  // Sets pixel (x, y) (ignored outside the bitmap); 32-bit pixels get alpha 255.
  void SetPixel(int x, int y, TColor c);

  // Called after the size or the pixel format changed (the view relays out).
  std::function<void()> OnChange;

 private:
  void Allocate(int width, int height, TPixelFormat pf);
  void Changed() const {
    if (OnChange) OnChange();
  }

  int width_ = 0;
  int height_ = 0;
  TPixelFormat format_ = TPixelFormat::pf24bit;
  size_t stride_ = 0;
  std::unique_ptr<uint8_t[], TPixelsDeleter> pixels_;
};

// (0, 0, Width, Height).
inline TRect BitmapBounds(const TBitmap& b) { return TRect{0, 0, b.Width(), b.Height()}; }

// Normalises the rect and intersects it with the bitmap's bounds.
void ClipToBitmap(TRect& rect, const TBitmap& bitmap);

// A 32-bit bitmap with at least one pixel whose alpha is below 255.
bool HasAlpha(const TBitmap& bitmap);
// A bitmap marked Transparent with a colour becomes 32-bit, alpha 0 exactly on
// the pixels of that colour and 255 elsewhere, and loses the mark. Anything
// else is left alone.
void TransparentColorToAlpha(TBitmap& bitmap);

// For code that works on one pixel format: `source` itself when it is already
// in `format`, otherwise a converted copy held in `storage`.
const TBitmap& ConvertedTo(const TBitmap& source, TPixelFormat format, TBitmap& storage);
// `source` with a palette picture expanded to 24 bits (a copy held in `storage`);
// 24- and 32-bit pictures as they are.
const TBitmap& WithoutPalette(const TBitmap& source, TBitmap& storage);

}  // namespace velinor
