#include "core/files/IcoReader.h"

#include <algorithm>
#include <string>
#include <vector>

#include "core/base/KeyColor.h"
#include "core/files/PngUtils.h"
#include "core/base/Errors.h"

namespace velinor {

namespace {

[[noreturn]] void Fail(const char* why) { throw EReadError(std::string("ICO: ") + why); }

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

struct Entry {
  int area;
  int bits;
  uint32_t size;
  uint32_t offset;
};

// A BMP-style entry: info header, palette, colour rows, AND mask rows (both bottom-up).
TBitmap DecodeDib(const uint8_t* d, size_t n) {
  if (n < 40) Fail("truncated entry header");
  const uint32_t headerSize = U32(d);
  if (headerSize < 40 || headerSize > n) Fail("bad entry header");
  const int32_t width = static_cast<int32_t>(U32(d + 4));
  const int32_t doubleHeight = static_cast<int32_t>(U32(d + 8));
  const int bits = U16(d + 14);
  const uint32_t compression = U32(d + 16);
  const uint32_t clrUsed = U32(d + 32);
  if (width <= 0 || doubleHeight <= 1) Fail("bad entry size");
  const int height = doubleHeight / 2;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) Fail("unsupported entry depth");
  if (compression != 0) Fail("compressed entries are not supported");
  CheckImageSize(width, height, 4);

  size_t pos = headerSize;
  std::vector<TColor> palette(256, 0);
  if (bits <= 8) {
    const size_t entries = clrUsed ? clrUsed : (size_t{1} << bits);
    if (entries > 256) Fail("bad palette size");
    if (entries * 4 > n - pos) Fail("truncated palette");
    for (size_t i = 0; i < entries; ++i) palette[i] = RGB(d[pos + 4 * i + 2], d[pos + 4 * i + 1], d[pos + 4 * i]);
    pos += entries * 4;
  }
  const size_t xorStride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
  const size_t andStride = ((static_cast<size_t>(width) + 31) / 32) * 4;
  const size_t xorBytes = xorStride * height;
  if (xorBytes > n - pos) Fail("truncated pixel data");
  const uint8_t* xorRows = d + pos;
  pos += xorBytes;
  // 32-bit entries may come without a mask; the others need it.
  const bool hasMask = andStride * height <= n - pos;
  if (!hasMask && bits != 32) Fail("truncated mask");
  const uint8_t* andRows = d + pos;

  TBitmap out(width, height, TPixelFormat::pf32bit);
  bool anyAlpha = false;
  for (int fy = 0; fy < height; ++fy) {
    const uint8_t* s = xorRows + xorStride * fy;
    uint8_t* o = out.ScanLine(height - 1 - fy);
    for (int x = 0; x < width; ++x, o += 4) {
      if (bits == 32) {
        const uint8_t* p = s + 4 * static_cast<size_t>(x);
        o[0] = p[0];
        o[1] = p[1];
        o[2] = p[2];
        o[3] = p[3];
        anyAlpha |= p[3] != 0;
      } else if (bits == 24) {
        const uint8_t* p = s + 3 * static_cast<size_t>(x);
        o[0] = p[0];
        o[1] = p[1];
        o[2] = p[2];
        o[3] = 255;
      } else {
        const int perByte = 8 / bits;
        const int shift = 8 - bits * (x % perByte + 1);
        const TColor c = palette[(s[x / perByte] >> shift) & ((1 << bits) - 1)];
        o[0] = GetBValue(c);
        o[1] = GetGValue(c);
        o[2] = GetRValue(c);
        o[3] = 255;
      }
    }
  }
  // Without real alpha, the AND mask says what is see-through.
  if (!anyAlpha) {
    for (int fy = 0; fy < height; ++fy) {
      const uint8_t* m = hasMask ? andRows + andStride * fy : nullptr;
      uint8_t* o = out.ScanLine(height - 1 - fy);
      for (int x = 0; x < width; ++x) o[4 * x + 3] = (m && ((m[x / 8] >> (7 - x % 8)) & 1)) ? 0 : 255;
    }
  }
  return out;
}

TBitmap DecodeEntry(const uint8_t* d, size_t n) {
  static const uint8_t pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (n >= 8 && std::equal(pngSignature, pngSignature + 8, d)) {
    // Icons come out 32-bit: a PNG entry's transparent colour becomes alpha.
    TBitmap b = ReadPng(d, n);
    TransparentColorToAlpha(b);
    b.SetPixelFormat(TPixelFormat::pf32bit);
    return b;
  }
  return DecodeDib(d, n);
}

}  // namespace

TBitmap DecodeIco(const uint8_t* data, size_t size) {
  if (size < 6 || U16(data) != 0 || (U16(data + 2) != 1 && U16(data + 2) != 2)) Fail("not an icon file");
  const int count = U16(data + 4);
  if (count == 0) Fail("no image");
  if (6 + 16 * static_cast<size_t>(count) > size) Fail("truncated directory");
  std::vector<Entry> entries;
  for (int i = 0; i < count; ++i) {
    const uint8_t* e = data + 6 + 16 * i;
    const int w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
    const uint32_t bytes = U32(e + 8), offset = U32(e + 12);
    if (offset >= size || bytes > size - offset || bytes == 0) continue;
    entries.push_back(Entry{w * h, U16(e + 6), bytes, offset});
  }
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    return a.area != b.area ? a.area > b.area : a.bits > b.bits;
  });
  std::string firstError = "no readable image";
  for (const Entry& e : entries) {
    try {
      return DecodeEntry(data + e.offset, e.size);
    } catch (const EVelinorError& err) {
      if (firstError == "no readable image") firstError = err.what();
    }
  }
  throw EReadError(firstError.rfind("ICO", 0) == 0 ? firstError : "ICO: " + firstError);
}

TBitmap ReadIco(const uint8_t* data, size_t size) {
  const TBitmap icon = DecodeIco(data, size);
  TBitmap out(icon.Width(), icon.Height(), TPixelFormat::pf24bit);
  const int key[3] = {GetBValue(KeyColor), GetGValue(KeyColor), GetRValue(KeyColor)};
  for (int y = 0; y < icon.Height(); ++y) {
    const uint8_t* s = icon.ScanLine(y);
    uint8_t* d = out.ScanLine(y);
    for (int x = 0; x < icon.Width(); ++x, s += 4, d += 3) {
      const int a = s[3];
      for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>((s[c] * a + key[c] * (255 - a) + 127) / 255);
    }
  }
  out.Transparent = true;
  out.TransparentColor = KeyColor;
  return out;
}

}  // namespace velinor
