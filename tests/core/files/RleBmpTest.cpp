#include <gtest/gtest.h>

#include "CodecTestSupport.h"
#include "core/base/Errors.h"
#include "core/files/BmpCodec.h"
#include "core/files/RleBmp.h"

using namespace velinor;
using namespace velinor::testing;

namespace {

uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24); }

// The BI_RLE8 rules written out plainly: decodes into one index per pixel,
// rows top-down, and fails the test on any malformed packet.
std::vector<uint8_t> DecodeRle8(const std::vector<uint8_t>& d, size_t at, int w, int h) {
  std::vector<uint8_t> idx(size_t(w) * h, 0xEE);
  int x = 0, y = h - 1;
  size_t i = at;
  while (true) {
    EXPECT_LT(i + 1, d.size());
    if (i + 1 >= d.size()) break;
    const int a = d[i], b = d[i + 1];
    i += 2;
    if (a > 0) {
      for (int k = 0; k < a; ++k) {
        EXPECT_LT(x, w);
        idx[size_t(y) * w + x++] = static_cast<uint8_t>(b);
      }
    } else if (b == 0) {
      EXPECT_EQ(x, w);
      x = 0;
      --y;
    } else if (b == 1) {
      EXPECT_EQ(y, 0);
      EXPECT_EQ(x, w);
      EXPECT_EQ(i, d.size());
      break;
    } else {
      EXPECT_NE(b, 2) << "no deltas expected";
      EXPECT_GE(b, 3);
      for (int k = 0; k < b; ++k) idx[size_t(y) * w + x++] = d[i + k];
      i += b + (b & 1);
    }
  }
  return idx;
}

}  // namespace

TEST(RleBmp, EncoderMatchesThePlainDecoder) {
  for (int w : {1, 2, 3, 4, 5, 254, 255, 256, 300, 777}) {
    TBitmap b = BlockyBitmap(w, 5, TPixelFormat::pf8bit, w);
    // Mix in noise so that literal runs of every length show up.
    TBitmap noise = RandomBitmap(w, 5, TPixelFormat::pf8bit, w + 1);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < w; ++x)
        if ((x / 7 + y) % 3 == 0) b.ScanLine(y)[x] = noise.ScanLine(y)[x];
    const auto body = EncodeRle8(b);
    const auto idx = DecodeRle8(body, 0, w, 5);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < w; ++x) ASSERT_EQ(idx[size_t(y) * w + x], b.ScanLine(y)[x]) << w << " " << x << "," << y;
  }
}

TEST(RleBmp, FileHeaderAndReadBack) {
  TBitmap b = BlockyBitmap(61, 33, TPixelFormat::pf8bit, 4);
  // Distinct palette colours: equal colours after decoding mean equal indices.
  for (int i = 0; i < 256; ++i) b.Palette[i] = RGB(i, 255 - i, (i * 7) & 255);
  const auto file = EncodeRle8Bmp(b);
  ASSERT_GT(file.size(), 54u + 1024u);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(U32(&file[2]), file.size());
  EXPECT_EQ(U32(&file[10]), 54u + 1024u);
  EXPECT_EQ(U32(&file[14]), 40u);
  EXPECT_EQ(file[28], 8);
  EXPECT_EQ(U32(&file[30]), 1u);  // BI_RLE8
  EXPECT_EQ(U32(&file[34]), file.size() - 54 - 1024);
  EXPECT_EQ(U32(&file[46]), 256u);
  EXPECT_EQ(U32(&file[50]), 0u);
  const auto idx = DecodeRle8(file, 54 + 1024, 61, 33);
  const TBitmap back = ReadBmp(file.data(), file.size());
  for (int y = 0; y < 33; ++y)
    for (int x = 0; x < 61; ++x) {
      ASSERT_EQ(idx[size_t(y) * 61 + x], b.ScanLine(y)[x]);
      ASSERT_EQ(back.Pixel(x, y), b.Pixel(x, y));
    }
}

TEST(RleBmp, TrueColourIsReducedOnACopy) {
  const TBitmap photo = RandomBitmap(40, 30, TPixelFormat::pf24bit, 2);
  const TBitmap before = photo;
  const auto file = EncodeRle8Bmp(photo);
  EXPECT_TRUE(SamePixels(photo, before));  // the caller's picture is untouched
  const TBitmap back = ReadBmp(file.data(), file.size());
  EXPECT_EQ(back.Width(), 40);
  EXPECT_EQ(back.Height(), 30);
  // A picture with few colours keeps them exactly.
  const TBitmap few = BlockyBitmap(40, 30, TPixelFormat::pf24bit, 3);
  const auto exact = EncodeRle8Bmp(few);
  EXPECT_TRUE(SamePixels(ReadBmp(exact.data(), exact.size()), few));
}
