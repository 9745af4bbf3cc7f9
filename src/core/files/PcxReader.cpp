#include "core/files/PcxReader.h"

#include <string>
#include <vector>

#include "core/base/Errors.h"

namespace velinor {

namespace {

[[noreturn]] void Fail(const char* why) { throw EReadError(std::string("PCX: ") + why); }

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// The byte stream of the pixel rows, run-length decoded; runs may cross rows.
class PcxStream {
 public:
  PcxStream(const uint8_t* d, size_t n, bool rle) : d_(d), n_(n), rle_(rle) {}
  void Read(uint8_t* out, size_t count) {
    size_t done = 0;
    while (done < count) {
      if (runLeft_ > 0) {
        const size_t take = std::min<size_t>(runLeft_, count - done);
        std::fill(out + done, out + done + take, runValue_);
        runLeft_ -= take;
        done += take;
        continue;
      }
      if (pos_ >= n_) Fail("truncated pixel data");
      const uint8_t b = d_[pos_++];
      if (rle_ && (b & 0xC0) == 0xC0) {
        if (pos_ >= n_) Fail("truncated run");
        runLeft_ = b & 0x3F;
        runValue_ = d_[pos_++];
      } else {
        out[done++] = b;
      }
    }
  }

 private:
  const uint8_t* d_;
  size_t n_;
  bool rle_;
  size_t pos_ = 0;
  size_t runLeft_ = 0;
  uint8_t runValue_ = 0;
};

}  // namespace

TBitmap ReadPcx(const uint8_t* data, size_t size) {
  if (size < 128 || data[0] != 0x0A) Fail("not a PCX file");
  const int encoding = data[2];
  const int bits = data[3];
  const int xmin = U16(data + 4), ymin = U16(data + 6), xmax = U16(data + 8), ymax = U16(data + 10);
  const int planes = data[65];
  const size_t bytesPerLine = U16(data + 66);
  if (encoding > 1) Fail("unknown encoding");
  if (xmax < xmin || ymax < ymin) Fail("bad image bounds");
  const int width = xmax - xmin + 1, height = ymax - ymin + 1;

  const bool bitPlanes = bits == 1 && planes >= 1 && planes <= 4;
  const bool packed = (bits == 2 || bits == 4 || bits == 8) && planes == 1;
  const bool trueColor = bits == 8 && (planes == 3 || planes == 4);
  if (!bitPlanes && !packed && !trueColor) Fail("unsupported bit depth or plane count");
  const TPixelFormat format = trueColor && planes == 4 ? TPixelFormat::pf32bit : TPixelFormat::pf24bit;
  CheckImageSize(width, height, BytesPerPixel(format));
  if (bytesPerLine * 8 < static_cast<size_t>(width) * bits) Fail("bad bytes per line");
  // One run byte pair expands to at most 63 bytes: refuse sizes the data cannot fill.
  const uint64_t needed = static_cast<uint64_t>(bytesPerLine) * planes * height;
  if (needed > static_cast<uint64_t>(size - 128) * (encoding == 1 ? 63 : 1)) Fail("truncated pixel data");

  // Palette: black and white for one bit plane, the header's 16 entries for up
  // to 16 colours, the trailing 256 entries (after a 12 marker) for 8 bits.
  std::vector<TColor> palette(256, 0);
  if (bitPlanes && planes == 1) {
    palette[1] = RGB(255, 255, 255);
  } else if (bitPlanes || bits < 8) {
    for (int i = 0; i < 16; ++i) palette[i] = RGB(data[16 + 3 * i], data[17 + 3 * i], data[18 + 3 * i]);
  } else if (packed) {
    if (size >= 128 + 769 && data[size - 769] == 0x0C) {
      const uint8_t* p = data + size - 768;
      for (int i = 0; i < 256; ++i) palette[i] = RGB(p[3 * i], p[3 * i + 1], p[3 * i + 2]);
    } else {
      for (int i = 0; i < 256; ++i) palette[i] = RGB(i, i, i);
    }
  }

  TBitmap out(width, height, format);
  const int outBpp = BytesPerPixel(out.PixelFormat());
  PcxStream stream(data + 128, size - 128, encoding == 1);
  std::vector<uint8_t> line(bytesPerLine * planes);
  bool allOpaque = true, allClear = true;
  for (int y = 0; y < height; ++y) {
    stream.Read(line.data(), line.size());
    uint8_t* d = out.ScanLine(y);
    for (int x = 0; x < width; ++x, d += outBpp) {
      if (trueColor) {
        d[2] = line[x];
        d[1] = line[bytesPerLine + x];
        d[0] = line[2 * bytesPerLine + x];
        if (planes == 4) {
          d[3] = line[3 * bytesPerLine + x];
          allOpaque &= d[3] == 255;
          allClear &= d[3] == 0;
        }
        continue;
      }
      int index = 0;
      if (bitPlanes) {
        for (int p = 0; p < planes; ++p)
          index |= ((line[p * bytesPerLine + x / 8] >> (7 - x % 8)) & 1) << p;
      } else {
        const int perByte = 8 / bits;
        const int shift = 8 - bits * (x % perByte + 1);
        index = (line[x / perByte] >> shift) & ((1 << bits) - 1);
      }
      const TColor c = palette[index];
      d[0] = GetBValue(c);
      d[1] = GetGValue(c);
      d[2] = GetRValue(c);
    }
  }
  if (out.PixelFormat() == TPixelFormat::pf32bit && (allOpaque || allClear)) out.SetPixelFormat(TPixelFormat::pf24bit);
  return out;
}

}  // namespace velinor
