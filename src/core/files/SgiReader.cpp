#include "core/files/SgiReader.h"

#include <string>
#include <vector>

#include "core/base/Errors.h"

namespace velinor {

namespace {

[[noreturn]] void Fail(const char* why) { throw EReadError(std::string("SGI: ") + why); }

uint16_t BE16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
uint32_t BE32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

// Decodes one run-length row of `width` samples into 8-bit values.
void DecodeRleRow(const uint8_t* data, size_t size, uint32_t offset, uint32_t length, int bpc, int width,
                  uint8_t* out) {
  if (offset > size || length > size - offset) Fail("row data beyond the end of the file");
  const uint8_t* p = data + offset;
  const uint8_t* end = p + length;
  int x = 0;
  auto next = [&]() -> unsigned {
    if (end - p < bpc) Fail("truncated row");
    const unsigned v = bpc == 2 ? BE16(p) : p[0];
    p += bpc;
    return v;
  };
  while (true) {
    if (p >= end) break;  // some writers omit the terminating zero count
    const unsigned c = next();
    const int count = c & 0x7F;
    if (count == 0) break;
    if (x + count > width) Fail("run overruns the row");
    if (c & 0x80) {
      for (int i = 0; i < count; ++i) out[x++] = static_cast<uint8_t>(bpc == 2 ? next() >> 8 : next());
    } else {
      const unsigned v = next();
      for (int i = 0; i < count; ++i) out[x++] = static_cast<uint8_t>(bpc == 2 ? v >> 8 : v);
    }
  }
  if (x < width) Fail("short row");
}

}  // namespace

TBitmap ReadSgi(const uint8_t* data, size_t size) {
  if (size < 512 || BE16(data) != 474) Fail("not an SGI image");
  const int storage = data[2];
  const int bpc = data[3];
  const int dimension = BE16(data + 4);
  const int width = BE16(data + 6);
  int height = BE16(data + 8);
  int channels = BE16(data + 10);
  const uint32_t colormap = BE32(data + 104);
  if (storage > 1) Fail("unknown storage");
  if (bpc != 1 && bpc != 2) Fail("unsupported bytes per channel");
  if (dimension < 1 || dimension > 3) Fail("bad dimension");
  if (colormap != 0) Fail("colour-mapped SGI images are not supported");
  if (dimension == 1) height = 1;
  if (dimension < 3) channels = 1;
  if (width == 0 || height == 0 || channels == 0) Fail("empty image");
  if (channels > 4) Fail("too many channels");
  const bool alpha = channels == 2 || channels == 4;
  CheckImageSize(width, height, alpha ? 4 : 3);

  const size_t rowCount = static_cast<size_t>(height) * channels;
  std::vector<uint32_t> starts, lengths;
  if (storage == 1) {
    if (rowCount * 8 > size - 512) Fail("truncated row tables");
    starts.resize(rowCount);
    lengths.resize(rowCount);
    // A run packet (count and value) covers at most 127 samples: rows too short
    // for the width are refused before the picture is allocated.
    const uint64_t shortest = (static_cast<uint64_t>(width) + 126) / 127 * 2 * bpc;
    for (size_t i = 0; i < rowCount; ++i) {
      starts[i] = BE32(data + 512 + 4 * i);
      lengths[i] = BE32(data + 512 + 4 * (rowCount + i));
      if (lengths[i] < shortest || starts[i] > size || lengths[i] > size - starts[i]) Fail("bad row table");
    }
  } else {
    const uint64_t need = static_cast<uint64_t>(width) * rowCount * bpc;
    if (need > size - 512) Fail("truncated pixel data");
  }

  TBitmap out(width, height, alpha ? TPixelFormat::pf32bit : TPixelFormat::pf24bit);
  const int outBpp = alpha ? 4 : 3;
  std::vector<uint8_t> row(static_cast<size_t>(width));
  bool allOpaque = true, allClear = true;
  for (int z = 0; z < channels; ++z) {
    for (int fy = 0; fy < height; ++fy) {
      const size_t index = static_cast<size_t>(z) * height + fy;
      if (storage == 1) {
        DecodeRleRow(data, size, starts[index], lengths[index], bpc, width, row.data());
      } else {
        const uint8_t* s = data + 512 + index * width * bpc;
        for (int x = 0; x < width; ++x) row[x] = s[static_cast<size_t>(x) * bpc];  // high byte first
      }
      // Rows are stored bottom-up; grey goes to all three colours.
      uint8_t* d = out.ScanLine(height - 1 - fy);
      const bool isAlpha = alpha && z == channels - 1;
      for (int x = 0; x < width; ++x, d += outBpp) {
        const uint8_t v = row[x];
        if (isAlpha) {
          d[3] = v;
          allOpaque &= v == 255;
          allClear &= v == 0;
        } else if (channels <= 2) {
          d[0] = d[1] = d[2] = v;
        } else {
          d[2 - z] = v;
        }
      }
    }
  }
  if (alpha && (allOpaque || allClear)) out.SetPixelFormat(TPixelFormat::pf24bit);
  return out;
}

}  // namespace velinor
