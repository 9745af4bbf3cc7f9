#include "core/files/PnmReader.h"

#include <string>

#include "core/base/Errors.h"

namespace velinor {

namespace {

[[noreturn]] void Fail(const char* why) { throw EReadError(std::string("PNM: ") + why); }

class Scanner {
 public:
  Scanner(const uint8_t* d, size_t n, size_t pos) : d_(d), n_(n), pos_(pos) {}

  // Skips blanks and comments (a '#' runs to the end of its line).
  void SkipSpace() {
    while (pos_ < n_) {
      const uint8_t c = d_[pos_];
      if (c == '#') {
        while (pos_ < n_ && d_[pos_] != '\n' && d_[pos_] != '\r') ++pos_;
      } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') {
        ++pos_;
      } else {
        break;
      }
    }
  }

  uint32_t Number(uint32_t max) {
    SkipSpace();
    if (pos_ >= n_ || d_[pos_] < '0' || d_[pos_] > '9') Fail("number expected");
    uint64_t v = 0;
    while (pos_ < n_ && d_[pos_] >= '0' && d_[pos_] <= '9') {
      v = v * 10 + (d_[pos_++] - '0');
      if (v > max) Fail("number out of range");
    }
    return static_cast<uint32_t>(v);
  }

  // A plain PBM sample: one digit, separators optional.
  int Bit() {
    SkipSpace();
    if (pos_ >= n_ || (d_[pos_] != '0' && d_[pos_] != '1')) Fail("bit expected");
    return d_[pos_++] - '0';
  }

  // The single whitespace byte that ends a raw header.
  void EndOfHeader() {
    if (pos_ >= n_) Fail("truncated header");
    ++pos_;
  }

  size_t Pos() const { return pos_; }

 private:
  const uint8_t* d_;
  size_t n_;
  size_t pos_;
};

}  // namespace

TBitmap ReadPnm(const uint8_t* data, size_t size) {
  if (size < 3 || data[0] != 'P' || data[1] < '1' || data[1] > '6') Fail("not a portable any-map");
  const int type = data[1] - '0';
  const bool raw = type >= 4;
  const int kind = (type - 1) % 3;  // 0 bitmap, 1 grey, 2 colour
  Scanner s(data, size, 2);
  const uint32_t width = s.Number(1u << 30);
  const uint32_t height = s.Number(1u << 30);
  if (width == 0 || height == 0) Fail("empty image");
  CheckImageSize(width, height, 3);
  const uint32_t maxval = kind == 0 ? 1 : s.Number(65535);
  if (maxval == 0) Fail("bad maxval");
  const int channels = kind == 2 ? 3 : 1;
  const int sampleBytes = maxval > 255 ? 2 : 1;

  // Raw data needs to be all there before anything is allocated.
  size_t pos = 0;
  if (raw) {
    s.EndOfHeader();
    pos = s.Pos();
    const uint64_t need = kind == 0 ? static_cast<uint64_t>((width + 7) / 8) * height
                                    : static_cast<uint64_t>(width) * height * channels * sampleBytes;
    if (need > size - pos) Fail("truncated pixel data");
  } else {
    // Every plain sample takes at least one byte.
    const uint64_t minimum = static_cast<uint64_t>(width) * height * channels;
    if (minimum > size - s.Pos()) Fail("truncated pixel data");
  }

  TBitmap out(static_cast<int>(width), static_cast<int>(height), TPixelFormat::pf24bit);
  const auto scale = [maxval](uint32_t v) -> uint8_t {
    if (v > maxval) v = maxval;
    return static_cast<uint8_t>((static_cast<uint64_t>(v) * 255 + maxval / 2) / maxval);
  };
  const auto sample = [&](void) -> uint32_t {
    if (!raw) return s.Number(65535);
    uint32_t v = data[pos++];
    if (sampleBytes == 2) v = (v << 8) | data[pos++];
    return v;
  };
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* d = out.ScanLine(static_cast<int>(y));
    for (uint32_t x = 0; x < width; ++x, d += 3) {
      if (kind == 0) {
        int bit;
        if (raw) {
          bit = (data[pos + x / 8] >> (7 - x % 8)) & 1;
        } else {
          bit = s.Bit();
        }
        d[0] = d[1] = d[2] = bit ? 0 : 255;  // 1 is black
      } else if (kind == 1) {
        d[0] = d[1] = d[2] = scale(sample());
      } else {
        const uint8_t r = scale(sample());
        const uint8_t g = scale(sample());
        const uint8_t b = scale(sample());
        d[0] = b;
        d[1] = g;
        d[2] = r;
      }
    }
    if (kind == 0 && raw) pos += (width + 7) / 8;
  }
  return out;
}

}  // namespace velinor
