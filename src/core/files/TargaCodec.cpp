#include "core/files/TargaCodec.h"

#include <cstring>

#include "core/files/SafeFile.h"
#include "core/base/Errors.h"

namespace velinor {

namespace {

[[noreturn]] void Fail(const char* why) { throw EReadError(std::string("Targa: ") + why); }

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

struct Bgra {
  uint8_t b, g, r, a;
};

Bgra From15(uint16_t v, bool useAlpha) {
  const auto scale = [](int c) { return static_cast<uint8_t>((c << 3) | (c >> 2)); };
  return Bgra{scale(v & 31), scale((v >> 5) & 31), scale((v >> 10) & 31),
              static_cast<uint8_t>(useAlpha ? ((v & 0x8000) ? 255 : 0) : 255)};
}

// Reads one pixel value of the file (not yet through the colour map).
class PixelReader {
 public:
  PixelReader(int depth, int imageType, int alphaBits, const std::vector<Bgra>& map, int mapFirst)
      : depth_(depth), kind_(imageType & 7), alphaBits_(alphaBits), map_(map), mapFirst_(mapFirst) {}
  int Bytes() const { return (depth_ + 7) / 8; }
  Bgra Decode(const uint8_t* p) const {
    if (kind_ == 1) {  // colour-mapped
      const int index = (depth_ == 16 ? U16(p) : p[0]) - mapFirst_;
      if (index < 0 || index >= static_cast<int>(map_.size())) return Bgra{0, 0, 0, 255};
      return map_[static_cast<size_t>(index)];
    }
    if (kind_ == 3) {  // grey
      return Bgra{p[0], p[0], p[0], depth_ == 16 ? p[1] : uint8_t{255}};
    }
    switch (depth_) {
      case 15:
      case 16:
        return From15(U16(p), depth_ == 16 && alphaBits_ > 0);
      case 24:
        return Bgra{p[0], p[1], p[2], 255};
      default:
        return Bgra{p[0], p[1], p[2], p[3]};
    }
  }

 private:
  int depth_, kind_, alphaBits_;
  const std::vector<Bgra>& map_;
  int mapFirst_;
};

}  // namespace

TBitmap ReadTga(const uint8_t* data, size_t size) {
  if (size < 18) Fail("file too short");
  const int idLength = data[0];
  const int mapType = data[1];
  const int imageType = data[2];
  const int mapFirst = U16(data + 3);
  const int mapLength = U16(data + 5);
  const int mapEntryBits = data[7];
  const int width = U16(data + 12);
  const int height = U16(data + 14);
  const int depth = data[16];
  const int descriptor = data[17];
  const int kind = imageType & 7;
  const bool rle = (imageType & 8) != 0;
  if (mapType > 1 || (imageType & ~8) < 1 || (imageType & ~8) > 3) Fail("unsupported image type");
  if (kind == 1 && (mapType != 1 || (depth != 8 && depth != 16))) Fail("bad colour-mapped image");
  if (kind == 2 && depth != 15 && depth != 16 && depth != 24 && depth != 32) Fail("bad true-colour depth");
  if (kind == 3 && depth != 8 && depth != 16) Fail("bad grey depth");
  if (width == 0 || height == 0) Fail("empty image");
  // Only these can carry alpha; the others are read straight into 24 bits.
  const bool alphaPossible = (kind == 2 && (depth == 32 || (depth == 16 && (descriptor & 15) > 0))) ||
                             (kind == 3 && depth == 16) || (kind == 1 && mapEntryBits == 32);
  const int outBpp = alphaPossible ? 4 : 3;
  CheckImageSize(width, height, outBpp);

  size_t pos = 18 + static_cast<size_t>(idLength);
  std::vector<Bgra> map;
  if (mapType == 1) {
    if (mapEntryBits != 15 && mapEntryBits != 16 && mapEntryBits != 24 && mapEntryBits != 32)
      Fail("bad colour-map entry size");
    const size_t entryBytes = (static_cast<size_t>(mapEntryBits) + 7) / 8;
    if (pos > size || static_cast<size_t>(mapLength) * entryBytes > size - pos) Fail("truncated colour map");
    map.resize(static_cast<size_t>(mapLength));
    for (size_t i = 0; i < map.size(); ++i, pos += entryBytes) {
      const uint8_t* e = data + pos;
      if (entryBytes == 2)
        map[i] = From15(U16(e), false);
      else
        map[i] = Bgra{e[0], e[1], e[2], entryBytes == 4 ? e[3] : uint8_t{255}};
    }
  }
  if (pos > size) Fail("truncated header");

  const PixelReader reader(depth, imageType, descriptor & 15, map, mapFirst);
  const int bytes = reader.Bytes();
  const bool topDown = (descriptor & 0x20) != 0;
  const bool rightToLeft = (descriptor & 0x10) != 0;

  const uint64_t total = static_cast<uint64_t>(width) * height;
  const uint8_t* p = data + pos;
  const size_t avail = size - pos;
  // Refuse sizes the data cannot fill before allocating (a packet of 1 + bytes
  // bytes gives at most 128 pixels).
  if (!rle && total * static_cast<uint64_t>(bytes) > avail) Fail("truncated pixel data");
  if (rle && total > static_cast<uint64_t>(avail) / (1 + bytes) * 128 + 128) Fail("truncated run-length data");

  TBitmap out(width, height, alphaPossible ? TPixelFormat::pf32bit : TPixelFormat::pf24bit);
  uint64_t k = 0;
  int col = 0, fileRow = 0;
  uint8_t* row = out.ScanLine(topDown ? 0 : height - 1);
  bool allOpaque = true, allClear = true;
  auto put = [&](const Bgra& c) {
    const int x = rightToLeft ? width - 1 - col : col;
    std::memcpy(row + static_cast<size_t>(outBpp) * static_cast<size_t>(x), &c, static_cast<size_t>(outBpp));
    allOpaque &= c.a == 255;
    allClear &= c.a == 0;
    ++k;
    if (++col == width && k < total) {
      col = 0;
      ++fileRow;
      row = out.ScanLine(topDown ? fileRow : height - 1 - fileRow);
    }
  };
  size_t i = 0;
  if (!rle) {
    while (k < total) {  // put() advances k
      put(reader.Decode(p + i));
      i += bytes;
    }
  } else {
    while (k < total) {
      if (i >= avail) Fail("truncated run-length data");
      const int header = p[i++];
      const uint64_t count = std::min<uint64_t>((header & 0x7F) + 1, total - k);
      if (header & 0x80) {
        if (bytes > static_cast<int>(avail - i)) Fail("truncated run");
        const Bgra c = reader.Decode(p + i);
        i += bytes;
        for (uint64_t n = 0; n < count; ++n) put(c);
      } else {
        if (count * bytes > avail - i) Fail("truncated literal packet");
        for (uint64_t n = 0; n < count; ++n, i += bytes) put(reader.Decode(p + i));
      }
    }
  }
  // Alpha that says nothing (all opaque, or all zero as many writers leave an
  // unused fourth byte) is dropped.
  if (alphaPossible && (allOpaque || allClear)) out.SetPixelFormat(TPixelFormat::pf24bit);
  return out;
}

// ---------------------------------------------------------------------------

namespace {

bool SamePixel(const uint8_t* a, const uint8_t* b, int bpp) { return std::memcmp(a, b, static_cast<size_t>(bpp)) == 0; }

void PackRow(const uint8_t* row, int width, int bpp, std::vector<uint8_t>& out) {
  int i = 0;
  while (i < width) {
    int run = 1;
    while (i + run < width && run < 128 && SamePixel(row + i * bpp, row + (i + run) * bpp, bpp)) ++run;
    if (run >= 2) {
      out.push_back(static_cast<uint8_t>(0x80 | (run - 1)));
      out.insert(out.end(), row + i * bpp, row + (i + 1) * bpp);
      i += run;
      continue;
    }
    int j = i + 1;
    while (j < width && j - i < 128 && !(j + 1 < width && SamePixel(row + j * bpp, row + (j + 1) * bpp, bpp))) ++j;
    out.push_back(static_cast<uint8_t>(j - i - 1));
    out.insert(out.end(), row + i * bpp, row + j * bpp);
    i = j;
  }
}

}  // namespace

std::vector<uint8_t> EncodeTga(const TBitmap& bitmap, bool rle) {
  if (bitmap.Empty()) throw EWriteError("Targa: empty image");
  if (bitmap.Width() > 65535 || bitmap.Height() > 65535) throw EWriteError("Targa: image too large");
  const TPixelFormat pf = bitmap.PixelFormat();
  const int bpp = BytesPerPixel(pf);
  const bool mapped = pf == TPixelFormat::pf8bit;
  std::vector<uint8_t> out(18, 0);
  out[1] = mapped ? 1 : 0;
  out[2] = static_cast<uint8_t>(mapped ? (rle ? 9 : 1) : (rle ? 10 : 2));
  out[5] = 0;  // colour-map length 256, entry size 24: written for every image
  out[6] = 1;
  out[7] = 24;
  out[12] = bitmap.Width() & 0xFF;
  out[13] = (bitmap.Width() >> 8) & 0xFF;
  out[14] = bitmap.Height() & 0xFF;
  out[15] = (bitmap.Height() >> 8) & 0xFF;
  out[16] = static_cast<uint8_t>(8 * bpp);
  // Top-left origin; a 32-bit image also declares its 8 alpha bits so that
  // readers keep them.
  out[17] = static_cast<uint8_t>(pf == TPixelFormat::pf32bit ? 32 | 8 : 32);
  if (mapped) {
    for (size_t i = 0; i < 256; ++i) {
      const TColor c = i < bitmap.Palette.size() ? bitmap.Palette[i] : 0;
      out.push_back(GetBValue(c));
      out.push_back(GetGValue(c));
      out.push_back(GetRValue(c));
    }
  }
  const size_t rowBytes = static_cast<size_t>(bitmap.Width()) * bpp;
  out.reserve(out.size() + rowBytes * bitmap.Height() + (rle ? rowBytes * bitmap.Height() / 64 + 16 : 0));
  for (int y = 0; y < bitmap.Height(); ++y) {
    const uint8_t* row = bitmap.ScanLine(y);
    if (rle)
      PackRow(row, bitmap.Width(), bpp, out);
    else
      out.insert(out.end(), row, row + rowBytes);
  }
  return out;
}

void WriteTgaFile(const std::string& path, const TBitmap& bitmap, bool rle) {
  WriteFileAtomically(path, EncodeTga(bitmap, rle));
}

}  // namespace velinor
