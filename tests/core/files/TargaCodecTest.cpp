#include <gtest/gtest.h>

#include "CodecTestSupport.h"
#include "core/base/Errors.h"
#include "core/files/TargaCodec.h"

using namespace velinor;
using namespace velinor::testing;

namespace {

// A Targa written plainly by the test: header, optional map, pixels as given.
std::vector<uint8_t> Tga(int type, int depth, int w, int h, int descriptor, const std::vector<uint8_t>& pixels,
                         const std::vector<uint8_t>& map = {}, int mapEntryBits = 24, int mapLength = 0) {
  std::vector<uint8_t> f(18, 0);
  f[1] = map.empty() ? 0 : 1;
  f[2] = static_cast<uint8_t>(type);
  f[5] = mapLength & 0xFF;
  f[6] = static_cast<uint8_t>(mapLength >> 8);
  f[7] = static_cast<uint8_t>(map.empty() ? 0 : mapEntryBits);
  f[12] = static_cast<uint8_t>(w);
  f[14] = static_cast<uint8_t>(h);
  f[16] = static_cast<uint8_t>(depth);
  f[17] = static_cast<uint8_t>(descriptor);
  f.insert(f.end(), map.begin(), map.end());
  f.insert(f.end(), pixels.begin(), pixels.end());
  return f;
}

}  // namespace

TEST(Targa, HeaderBytesOfASaveAs) {
  const TBitmap b = BlockyBitmap(300, 2, TPixelFormat::pf24bit, 1);
  const auto f = EncodeTga(b, true);
  const uint8_t expected[18] = {0, 0, 10, 0, 0, 0, 1, 24, 0, 0, 0, 0, 300 & 255, 1, 2, 0, 24, 32};
  ASSERT_GE(f.size(), 18u);
  EXPECT_EQ(std::memcmp(f.data(), expected, 18), 0);
  EXPECT_EQ(EncodeTga(b, false)[2], 2);
  TBitmap indexed = BlockyBitmap(3, 3, TPixelFormat::pf8bit, 2);
  const auto m = EncodeTga(indexed, true);
  EXPECT_EQ(m[1], 1);
  EXPECT_EQ(m[2], 9);
  EXPECT_EQ(m[16], 8);
  EXPECT_EQ(m[18], GetBValue(indexed.Palette[0]));  // map follows as B, G, R
  EXPECT_EQ(m[20], GetRValue(indexed.Palette[0]));
  EXPECT_EQ(EncodeTga(indexed, false)[2], 1);
  EXPECT_EQ(EncodeTga(BlockyBitmap(3, 3, TPixelFormat::pf32bit, 2), true)[16], 32);
}

TEST(Targa, RoundTripsRleAndRaw) {
  for (const bool rle : {true, false}) {
    for (int w : {1, 2, 127, 128, 129, 300}) {
      const TBitmap blocky = BlockyBitmap(w, 7, TPixelFormat::pf24bit, w);
      auto f = EncodeTga(blocky, rle);
      EXPECT_TRUE(SamePixels(ReadTga(f.data(), f.size()), blocky)) << w << rle;
      const TBitmap noisy = RandomBitmap(w, 3, TPixelFormat::pf32bit, w);
      f = EncodeTga(noisy, rle);
      EXPECT_TRUE(SamePixels(ReadTga(f.data(), f.size()), noisy)) << w << rle;
    }
    const TBitmap indexed = BlockyBitmap(50, 9, TPixelFormat::pf8bit, 3);
    const auto f = EncodeTga(indexed, rle);
    const TBitmap back = ReadTga(f.data(), f.size());
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 50; ++x) ASSERT_EQ(back.Pixel(x, y), indexed.Pixel(x, y));
  }
  // RLE output of a flat picture is small.
  TBitmap flat(256, 16);
  flat.FillBytes(7);
  EXPECT_LT(EncodeTga(flat, true).size(), 18u + 16u * 2u * 4u + 1u);
}

TEST(Targa, ReadsTheCommonVariants) {
  // Bottom-left origin (descriptor 0), 24-bit: the first stored row is the bottom.
  TBitmap b;
  auto f = Tga(2, 24, 2, 2, 0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
  b = ReadTga(f.data(), f.size());
  EXPECT_EQ(b.Pixel(0, 1), RGB(3, 2, 1));
  EXPECT_EQ(b.Pixel(1, 0), RGB(12, 11, 10));
  // Right-to-left, top origin.
  f = Tga(2, 24, 2, 1, 0x30, {1, 2, 3, 4, 5, 6});
  b = ReadTga(f.data(), f.size());
  EXPECT_EQ(b.Pixel(0, 0), RGB(6, 5, 4));
  // 16-bit 5-5-5.
  f = Tga(2, 16, 1, 1, 0x20, {0x1F, 0x7C});  // red 31, blue 31
  b = ReadTga(f.data(), f.size());
  EXPECT_EQ(b.Pixel(0, 0), RGB(255, 0, 255));
  // Grey, raw and run-length (a run crossing the row end).
  f = Tga(3, 8, 2, 2, 0x20, {10, 20, 30, 40});
  b = ReadTga(f.data(), f.size());
  EXPECT_EQ(b.Pixel(1, 1), RGB(40, 40, 40));
  f = Tga(11, 8, 2, 2, 0x20, {0x82, 99, 0x00, 5});
  b = ReadTga(f.data(), f.size());
  EXPECT_EQ(b.Pixel(0, 1), RGB(99, 99, 99));
  EXPECT_EQ(b.Pixel(1, 1), RGB(5, 5, 5));
  // Colour-mapped with 16-bit map entries.
  f = Tga(1, 8, 2, 1, 0x20, {1, 0}, {0x00, 0x00, 0xE0, 0x03}, 16, 2);  // entry 1: green 31
  b = ReadTga(f.data(), f.size());
  EXPECT_EQ(b.Pixel(0, 0), RGB(0, 255, 0));
  EXPECT_EQ(b.Pixel(1, 0), RGB(0, 0, 0));
  // 32-bit with real alpha stays 32-bit; all-zero alpha is no alpha.
  f = Tga(2, 32, 2, 1, 0x28, {1, 2, 3, 100, 4, 5, 6, 255});
  EXPECT_EQ(ReadTga(f.data(), f.size()).PixelFormat(), TPixelFormat::pf32bit);
  f = Tga(2, 32, 2, 1, 0x20, {1, 2, 3, 0, 4, 5, 6, 0});
  EXPECT_EQ(ReadTga(f.data(), f.size()).PixelFormat(), TPixelFormat::pf24bit);
}

TEST(Targa, BadFilesRaiseReadErrors) {
  const auto good = EncodeTga(RandomBitmap(20, 10, TPixelFormat::pf24bit, 1), true);
  for (size_t cut : {size_t{0}, size_t{17}, size_t{18}, size_t{40}, good.size() / 2, good.size() - 1})
    EXPECT_THROW(ReadTga(good.data(), cut), EReadError) << cut;
  auto bad = good;
  bad[2] = 7;  // unknown image type
  EXPECT_THROW(ReadTga(bad.data(), bad.size()), EReadError);
  // A 65535 x 65535 header over a few bytes is refused before allocating.
  const auto huge = Tga(10, 24, 0, 0, 0x20, {0xFF, 1, 2, 3});
  auto h2 = huge;
  h2[12] = h2[13] = h2[14] = h2[15] = 0xFF;
  EXPECT_THROW(ReadTga(h2.data(), h2.size()), EVelinorError);
}
