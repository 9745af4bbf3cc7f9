#include <gtest/gtest.h>

#include <random>

#include "core/base/Errors.h"
#include "core/files/BmpCodec.h"
#include "support/PixelCompare.h"

using namespace velinor;
using velinor::test::SamePixels;

namespace {
TBitmap RandomBitmap(int w, int h, TPixelFormat pf, unsigned seed) {
  TBitmap b(w, h, pf);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (size_t x = 0; x < static_cast<size_t>(w) * BytesPerPixel(pf); ++x) b.ScanLine(y)[x] = rng() & 0xFF;
  return b;
}

}  // namespace

TEST(Bmp, RoundTripKeepsEveryPixel) {
  for (int w : {1, 2, 3, 5, 17}) {
    TBitmap b = RandomBitmap(w, 7, TPixelFormat::pf24bit, w);
    const auto bytes = EncodeBmp(b);
    EXPECT_TRUE(SamePixels(ReadBmp(bytes.data(), bytes.size()), b)) << w;
  }
  TBitmap a = RandomBitmap(9, 4, TPixelFormat::pf32bit, 3);
  for (int y = 0; y < 4; ++y) a.ScanLine(y)[3] = 128;  // some real alpha
  const auto bytes = EncodeBmp(a);
  TBitmap back = ReadBmp(bytes.data(), bytes.size());
  EXPECT_EQ(back.PixelFormat(), TPixelFormat::pf24bit);  // plain 32-bit BMPs carry no alpha mask
  EXPECT_EQ(back.Pixel(4, 2), a.Pixel(4, 2));
}

TEST(Bmp, HeaderLayoutAndResolutionStamp) {
  TBitmap b(3, 2);
  b.FillBytes(0);
  auto bytes = EncodeBmp(b);
  ASSERT_EQ(bytes.size(), 54u + 12u * 2);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[10], 54);
  EXPECT_EQ(bytes[14], 40);
  EXPECT_EQ(bytes[28], 24);
  EXPECT_EQ(bytes[38], 0);
  SetBmpResolution(bytes, 300.0);
  // 300 dpi -> 11811 pixels per metre, low halves only.
  EXPECT_EQ(bytes[38] | (bytes[39] << 8), 11811);
  EXPECT_EQ(bytes[42] | (bytes[43] << 8), 11811);
  EXPECT_EQ(bytes[40], 0);
  EXPECT_EQ(bytes[41], 0);
  EXPECT_EQ(bytes[44], 0);
}

TEST(Bmp, ReadsPaletteAndRleFiles) {
  // 8-bit palette file, 4 x 2, RLE8: row 0 = run of four 1s, row 1 = literal 0,1,0,1.
  std::vector<uint8_t> f(14 + 40 + 8, 0);
  f[0] = 'B';
  f[1] = 'M';
  f[14] = 40;
  f[18] = 4;
  f[22] = 2;
  f[26] = 1;
  f[28] = 8;
  f[30] = 1;  // BI_RLE8
  f[46] = 2;  // two palette entries
  f[54] = 10; f[55] = 20; f[56] = 30;   // entry 0: B G R
  f[58] = 40; f[59] = 50; f[60] = 60;   // entry 1
  const std::vector<uint8_t> rle = {4, 1, 0, 0, 0, 4, 0, 1, 0, 1, 0, 1};
  f[10] = static_cast<uint8_t>(f.size());
  f.insert(f.end(), rle.begin(), rle.end());
  TBitmap b = ReadBmp(f.data(), f.size());
  ASSERT_EQ(b.Width(), 4);
  EXPECT_EQ(b.Pixel(0, 1), RGB(60, 50, 40));  // bottom row = first file row
  EXPECT_EQ(b.Pixel(0, 0), RGB(30, 20, 10));
  EXPECT_EQ(b.Pixel(1, 0), RGB(60, 50, 40));
}

TEST(Bmp, RefusesTruncatedAndAbsurdFiles) {
  TBitmap b = RandomBitmap(8, 8, TPixelFormat::pf24bit, 1);
  const auto good = EncodeBmp(b);
  for (size_t n : {0ul, 2ul, 20ul, 53ul, 60ul, good.size() - 1}) {
    EXPECT_THROW(ReadBmp(good.data(), n), EVelinorError) << n;
  }
  auto huge = good;
  huge[18] = 0xFF; huge[19] = 0xFF; huge[20] = 0xFF; huge[21] = 0x7F;  // width 2^31-1
  EXPECT_THROW(ReadBmp(huge.data(), huge.size()), EVelinorError);
  auto badBits = good;
  badBits[28] = 7;
  EXPECT_THROW(ReadBmp(badBits.data(), badBits.size()), EReadError);
  auto badOffset = good;
  badOffset[10] = 0xFF; badOffset[11] = 0xFF; badOffset[12] = 0xFF;
  EXPECT_THROW(ReadBmp(badOffset.data(), badOffset.size()), EReadError);
}
