#include "core/files/BmpCodec.h"

#include <cstring>
#include <string>

#include "core/files/SafeFile.h"
#include "core/base/Arith.h"
#include "core/base/Errors.h"

namespace velinor {

namespace {

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void Put16(uint8_t* p, uint32_t v) {
  p[0] = v & 0xFF;
  p[1] = (v >> 8) & 0xFF;
}
void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v & 0xFFFF);
  Put16(p + 2, v >> 16);
}

constexpr uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_ALPHABITFIELDS = 6;

[[noreturn]] void Fail(const char* why) { throw EReadError(std::string("BMP: ") + why); }

// Extracts a channel given by a bit mask and scales it to 0..255.
struct MaskChannel {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
  explicit MaskChannel(uint32_t m = 0) : mask(m) {
    if (!m) return;
    while (!((m >> shift) & 1)) ++shift;
    while (shift + bits < 32 && ((m >> (shift + bits)) & 1)) ++bits;
  }
  uint8_t Get(uint32_t v) const {
    if (!bits) return 0;
    const uint32_t raw = (v & mask) >> shift;
    const uint32_t max = bits >= 32 ? 0xFFFFFFFFu : ((1u << bits) - 1);
    return static_cast<uint8_t>((static_cast<uint64_t>(raw) * 255 + max / 2) / max);
  }
};

// Pixels one byte of run-length data may stand for, on average over the file.
constexpr uint64_t MaxRlePixelsPerByte = 256;

// Decodes RLE4/RLE8 into one index per pixel (rows in file order, bottom-up).
void DecodeRle(const uint8_t* p, size_t n, int width, int height, bool rle4, std::vector<uint8_t>& idx) {
  idx.assign(static_cast<size_t>(width) * height, 0);
  size_t i = 0;
  int x = 0, y = 0;
  auto put = [&](uint8_t v) {
    if (x < width && y < height) idx[static_cast<size_t>(y) * width + x] = v;
    ++x;
  };
  while (y < height) {
    if (i + 2 > n) Fail("truncated RLE data");
    const uint8_t a = p[i], b = p[i + 1];
    i += 2;
    if (a > 0) {
      for (int k = 0; k < a; ++k) put(rle4 ? ((k & 1) ? (b & 0x0F) : (b >> 4)) : b);
    } else if (b == 0) {
      x = 0;
      ++y;
    } else if (b == 1) {
      return;
    } else if (b == 2) {
      if (i + 2 > n) Fail("truncated RLE delta");
      x += p[i];
      y += p[i + 1];
      i += 2;
    } else {
      const int count = b;
      const size_t bytes = rle4 ? (static_cast<size_t>(count) + 1) / 2 : count;
      if (i + bytes > n) Fail("truncated RLE literal");
      for (int k = 0; k < count; ++k) put(rle4 ? ((k & 1) ? (p[i + k / 2] & 0x0F) : (p[i + k / 2] >> 4)) : p[i + k]);
      i += (bytes + 1) & ~size_t{1};
    }
  }
}

}  // namespace

int BmpPaletteDepthCode(const uint8_t* data, size_t size) {
  if (size < 14 + 12 || data[0] != 'B' || data[1] != 'M') return 0;
  const uint32_t infoSize = U32(data + 14);
  if (infoSize < 12 || infoSize > size - 14 || (infoSize > 12 && infoSize < 16)) return 0;
  // The bit count sits at offset 10 of the OS/2 core header, 14 of the others.
  switch (U16(data + 14 + (infoSize == 12 ? 10 : 14))) {
    case 1: return 1;
    case 4: return 2;
    case 8: return 3;
    default: return 0;
  }
}

TBitmap ReadBmp(const uint8_t* data, size_t size) {
  if (size < 14 + 12 || data[0] != 'B' || data[1] != 'M') Fail("not a BMP file");
  const uint32_t offBits = U32(data + 10);
  const uint32_t infoSize = U32(data + 14);
  if (infoSize < 12 || infoSize > size - 14) Fail("bad info header size");
  const uint8_t* info = data + 14;
  int64_t width, height;
  int bitCount;
  uint32_t compression = BI_RGB, clrUsed = 0;
  uint32_t masks[4] = {0, 0, 0, 0};
  int paletteEntrySize = 4;
  if (infoSize == 12) {  // OS/2 core header
    width = U16(info + 4);
    height = static_cast<int16_t>(U16(info + 6));
    bitCount = U16(info + 10);
    paletteEntrySize = 3;
  } else {
    if (infoSize < 16) Fail("bad info header size");
    width = static_cast<int32_t>(U32(info + 4));
    height = static_cast<int32_t>(U32(info + 8));
    bitCount = U16(info + 14);
    if (infoSize >= 20) compression = U32(info + 16);
    if (infoSize >= 36) clrUsed = U32(info + 32);
    if (infoSize >= 52) {
      masks[0] = U32(info + 40);
      masks[1] = U32(info + 44);
      masks[2] = U32(info + 48);
    }
    if (infoSize >= 56) masks[3] = U32(info + 52);
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (width <= 0 || height <= 0) Fail("bad image size");
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
    Fail("unsupported bit count");
  if (compression == BI_RLE8 && bitCount != 8) Fail("RLE8 needs 8 bits per pixel");
  if (compression == BI_RLE4 && bitCount != 4) Fail("RLE4 needs 4 bits per pixel");
  if (compression != BI_RGB && compression != BI_RLE8 && compression != BI_RLE4 &&
      compression != BI_BITFIELDS && compression != BI_ALPHABITFIELDS)
    Fail("unsupported compression");
  if ((compression == BI_BITFIELDS || compression == BI_ALPHABITFIELDS) && bitCount != 16 && bitCount != 32)
    Fail("bit fields need 16 or 32 bits per pixel");
  // The sides here; the pixel memory once the picture's format is known.
  CheckImageSize(width, height, 3);

  // Bit-field masks may follow a 40-byte header instead of sitting inside it.
  if ((compression == BI_BITFIELDS || compression == BI_ALPHABITFIELDS) && infoSize == 40) {
    const int count = compression == BI_ALPHABITFIELDS ? 4 : 3;
    if (14 + 40 + 4 * static_cast<size_t>(count) > size) Fail("truncated bit fields");
    for (int k = 0; k < count; ++k) masks[k] = U32(info + 40 + 4 * k);
  }

  // Palette.
  std::vector<TColor> palette;
  if (bitCount <= 8) {
    size_t entries = clrUsed ? clrUsed : (size_t{1} << bitCount);
    if (entries > 256) Fail("bad palette size");
    size_t palOffset = 14 + infoSize;
    if (infoSize == 40 && compression == BI_BITFIELDS) palOffset += 12;
    if (palOffset > size || entries > (size - palOffset) / paletteEntrySize) Fail("truncated palette");
    palette.resize(size_t{1} << bitCount, 0);
    for (size_t k = 0; k < entries && k < palette.size(); ++k) {
      const uint8_t* e = data + palOffset + k * paletteEntrySize;
      palette[k] = RGB(e[2], e[1], e[0]);
    }
  }

  if (offBits >= size) Fail("pixel data offset beyond the end of the file");
  const uint8_t* bits = data + offBits;
  const size_t avail = size - offBits;
  const int w = static_cast<int>(width), h = static_cast<int>(height);

  bool hasAlpha = false;
  MaskChannel mr, mg, mb, ma;
  if (bitCount == 16 || bitCount == 32) {
    if (compression == BI_BITFIELDS || compression == BI_ALPHABITFIELDS) {
      mr = MaskChannel(masks[0]);
      mg = MaskChannel(masks[1]);
      mb = MaskChannel(masks[2]);
      ma = MaskChannel(masks[3]);
    } else if (bitCount == 16) {
      mr = MaskChannel(0x7C00);
      mg = MaskChannel(0x03E0);
      mb = MaskChannel(0x001F);
    } else {
      mr = MaskChannel(0x00FF0000);
      mg = MaskChannel(0x0000FF00);
      mb = MaskChannel(0x000000FF);
      ma = MaskChannel(infoSize >= 56 ? masks[3] : 0);
    }
    hasAlpha = ma.bits > 0;
  }
  CheckImageSize(w, h, hasAlpha ? 4 : 3);

  // Sizes the data cannot fill are refused before anything is allocated. A
  // run-length pair gives at most 255 pixels, but end-of-line, delta and
  // end-of-bitmap codes may leave whole areas out: the program's own writer and
  // the usual ones never do that over more than a small part of a large picture.
  const bool isRle = compression == BI_RLE8 || compression == BI_RLE4;
  const size_t rowBytes = ((static_cast<size_t>(w) * bitCount + 31) / 32) * 4;
  if (!isRle && static_cast<uint64_t>(rowBytes) * h > avail) Fail("truncated pixel data");
  if (isRle && static_cast<uint64_t>(w) * h > static_cast<uint64_t>(avail) * MaxRlePixelsPerByte + (uint64_t{1} << 20))
    Fail("run-length data too short for the image size");

  std::vector<uint8_t> rle;
  if (isRle) DecodeRle(bits, avail, w, h, compression == BI_RLE4, rle);

  TBitmap out(w, h, hasAlpha ? TPixelFormat::pf32bit : TPixelFormat::pf24bit);
  const int outBpp = hasAlpha ? 4 : 3;

  bool anyAlpha = false;
  for (int fy = 0; fy < h; ++fy) {
    const int y = topDown ? fy : h - 1 - fy;
    uint8_t* d = out.ScanLine(y);
    const uint8_t* s = rle.empty() ? bits + rowBytes * fy : nullptr;
    for (int x = 0; x < w; ++x, d += outBpp) {
      TColor c;
      uint8_t a = 255;
      if (!rle.empty()) {
        const uint8_t v = rle[static_cast<size_t>(fy) * w + x];
        c = v < palette.size() ? palette[v] : 0;
      } else if (bitCount <= 8) {
        const int perByte = 8 / bitCount;
        const uint8_t byte = s[x / perByte];
        const int shift = 8 - bitCount * (x % perByte + 1);
        const uint8_t v = (byte >> shift) & ((1 << bitCount) - 1);
        c = palette[v];
      } else if (bitCount == 24) {
        const uint8_t* p = s + 3 * static_cast<size_t>(x);
        c = RGB(p[2], p[1], p[0]);
      } else {
        const uint32_t v = bitCount == 16 ? U16(s + 2 * static_cast<size_t>(x)) : U32(s + 4 * static_cast<size_t>(x));
        c = RGB(mr.Get(v), mg.Get(v), mb.Get(v));
        if (hasAlpha) {
          a = ma.Get(v);
          anyAlpha |= a != 0;
        }
      }
      d[0] = GetBValue(c);
      d[1] = GetGValue(c);
      d[2] = GetRValue(c);
      if (outBpp == 4) d[3] = a;
    }
  }
  // A 32-bit file whose alpha bytes are all zero carries no real alpha.
  if (hasAlpha && !anyAlpha) out.SetPixelFormat(TPixelFormat::pf24bit);
  return out;
}

std::vector<uint8_t> EncodeBmp(const TBitmap& bitmap) {
  const int w = bitmap.Width(), h = bitmap.Height();
  const TPixelFormat pf = bitmap.PixelFormat();
  const int bitCount = BytesPerPixel(pf) * 8;
  const size_t paletteEntries = pf == TPixelFormat::pf8bit ? 256 : 0;
  const size_t rowBytes = ((static_cast<size_t>(w) * bitCount + 31) / 32) * 4;
  const size_t offBits = 14 + 40 + paletteEntries * 4;
  const size_t imageSize = rowBytes * static_cast<size_t>(h);
  const size_t fileSize = offBits + imageSize;
  if (fileSize > 0xFFFFFFFFu) throw EWriteError("BMP: image too large for the format");
  std::vector<uint8_t> out(fileSize, 0);
  uint8_t* p = out.data();
  p[0] = 'B';
  p[1] = 'M';
  Put32(p + 2, static_cast<uint32_t>(fileSize));
  Put32(p + 10, static_cast<uint32_t>(offBits));
  uint8_t* info = p + 14;
  Put32(info, 40);
  Put32(info + 4, static_cast<uint32_t>(w));
  Put32(info + 8, static_cast<uint32_t>(h));
  Put16(info + 12, 1);
  Put16(info + 14, static_cast<uint32_t>(bitCount));
  Put32(info + 16, BI_RGB);
  Put32(info + 20, static_cast<uint32_t>(imageSize));
  if (paletteEntries) {
    Put32(info + 32, 256);
    for (size_t k = 0; k < paletteEntries; ++k) {
      const TColor c = k < bitmap.Palette.size() ? bitmap.Palette[k] : 0;
      uint8_t* e = p + 54 + 4 * k;
      e[0] = GetBValue(c);
      e[1] = GetGValue(c);
      e[2] = GetRValue(c);
    }
  }
  const size_t used = static_cast<size_t>(w) * BytesPerPixel(pf);
  for (int y = 0; y < h; ++y) std::memcpy(p + offBits + rowBytes * (h - 1 - y), bitmap.ScanLine(y), used);
  return out;
}

void SetBmpResolution(std::vector<uint8_t>& bmp, double resolution) {
  if (resolution <= 0 || bmp.size() < 46) return;
  const uint32_t ppm = static_cast<uint32_t>(Trunc(resolution * 100 / 2.54)) & 0xFFFF;
  Put16(bmp.data() + 38, ppm);
  Put16(bmp.data() + 42, ppm);
}

void WriteBmpFile(const std::string& path, const TBitmap& bitmap, double resolution) {
  std::vector<uint8_t> bytes = EncodeBmp(bitmap);
  SetBmpResolution(bytes, resolution);
  WriteFileAtomically(path, bytes);
}

}  // namespace velinor
