#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

#include "TestFiles.h"
#include "core/files/FileRoutes.h"
#include "core/files/ImageDispatch.h"
#include "core/files/PicturePreview.h"
#include "core/files/PngUtils.h"

using namespace velinor;
using velinor::test::TempDir;

namespace {

// Straight alpha over white, written the obvious way.
uint8_t SlowOverWhite(int c, int a) {
  const double v = (c * a + 255.0 * (255 - a)) / 255.0;
  return static_cast<uint8_t>(std::floor(v + 0.5));
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

// An uncompressed palette BMP of bits per pixel, its pixels cycling through the
// palette, written byte by byte.
std::vector<uint8_t> PaletteBmp(int bits, int w, int h) {
  const size_t entries = size_t{1} << bits, rowBytes = (static_cast<size_t>(w) * bits + 31) / 32 * 4;
  std::vector<uint8_t> f(14 + 40 + entries * 4 + rowBytes * static_cast<size_t>(h), 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) f[at + k] = static_cast<uint8_t>(v >> (8 * k));
  };
  f[0] = 'B';
  f[1] = 'M';
  put32(2, static_cast<uint32_t>(f.size()));
  put32(10, static_cast<uint32_t>(14 + 40 + entries * 4));
  put32(14, 40);
  put32(18, static_cast<uint32_t>(w));
  put32(22, static_cast<uint32_t>(h));
  f[26] = 1;
  f[28] = static_cast<uint8_t>(bits);
  for (size_t k = 0; k < entries; ++k) f[54 + 4 * k + 2] = static_cast<uint8_t>(k * 255 / (entries - 1));
  uint8_t* rows = f.data() + 54 + entries * 4;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const unsigned v = static_cast<unsigned>(x + y) % entries;
      const size_t bit = static_cast<size_t>(x) * bits;
      rows[y * rowBytes + bit / 8] |= static_cast<uint8_t>(v << (8 - bits - bit % 8));
    }
  return f;
}

}  // namespace

TEST(PicturePreview, PaletteBmpDepthFollowsTheFile) {
  TempDir dir;
  const std::pair<int, const char*> cases[] = {{1, "1 bit"}, {4, "4 bits"}, {8, "8 bits"}};
  for (const auto& [bits, line] : cases) {
    const std::string name = dir / ("pal" + std::to_string(bits) + ".bmp");
    WriteBytes(name, PaletteBmp(bits, 5, 3));
    const TPicturePreview p = LoadPicturePreview(name);
    ASSERT_TRUE(p.Loaded) << bits;
    EXPECT_EQ(p.Picture.Pixel(1, 2), RGB(255 / ((1 << bits) - 1), 0, 0)) << bits;
    const TPictureInfo info = PreviewPictureInfo(name, p, true);
    const auto lines = PictureInfoLines(info, [](std::time_t) { return std::string("DATE"); }, {});
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "5x3 pixels");
    EXPECT_EQ(lines[1], line) << bits;
  }
  // A 24-bit BMP stays "24 bits".
  TBitmap plain(2, 2);
  plain.FillBytes(9);
  WriteImageFile(dir / "plain.bmp", plain, 0.0);
  EXPECT_EQ(LoadPicturePreview(dir / "plain.bmp").DepthCode, 6);
}

TEST(PicturePreview, AlphaIsBlendedOntoWhite) {
  std::mt19937 rng(7);
  TBitmap b(37, 11, TPixelFormat::pf32bit);
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width() * 4; ++x) b.ScanLine(y)[x] = static_cast<uint8_t>(rng());
  const TBitmap original = b;
  EXPECT_EQ(FlattenOntoWhite(b), 2);
  ASSERT_EQ(b.PixelFormat(), TPixelFormat::pf24bit);
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const uint8_t* s = original.ScanLine(y) + 4 * x;
      const uint8_t* d = b.ScanLine(y) + 3 * x;
      for (int c = 0; c < 3; ++c) ASSERT_EQ(d[c], SlowOverWhite(s[c], s[3])) << x << "," << y;
    }
}

TEST(PicturePreview, TransparentColourBecomesWhite) {
  TBitmap b(3, 1, TPixelFormat::pf24bit);
  b.SetPixel(0, 0, RGB(1, 2, 3));
  b.SetPixel(1, 0, RGB(10, 20, 30));
  b.SetPixel(2, 0, RGB(1, 2, 3));
  b.Transparent = true;
  b.TransparentColor = RGB(1, 2, 3);
  EXPECT_EQ(FlattenOntoWhite(b), 1);
  EXPECT_FALSE(b.Transparent);
  EXPECT_EQ(b.Pixel(0, 0), clWhite);
  EXPECT_EQ(b.Pixel(1, 0), RGB(10, 20, 30));
  EXPECT_EQ(b.Pixel(2, 0), clWhite);

  TBitmap p(2, 1, TPixelFormat::pf8bit);
  p.Palette = {RGB(9, 9, 9), RGB(200, 0, 0)};
  p.ScanLine(0)[0] = 0;
  p.ScanLine(0)[1] = 1;
  p.Transparent = true;
  p.TransparentColor = RGB(9, 9, 9);
  EXPECT_EQ(FlattenOntoWhite(p), 1);
  EXPECT_EQ(p.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(p.Pixel(0, 0), clWhite);
  EXPECT_EQ(p.Pixel(1, 0), RGB(200, 0, 0));

  TBitmap opaque(2, 2);
  opaque.FillBytes(7);
  EXPECT_EQ(FlattenOntoWhite(opaque), 0);
  EXPECT_EQ(opaque.Pixel(1, 1), RGB(7, 7, 7));
}

TEST(PicturePreview, LoadsFilesOnlyAndTakesTheAdaptersDepth) {
  TempDir dir;
  EXPECT_FALSE(LoadPicturePreview(dir.Path()).Loaded);  // a folder
  EXPECT_FALSE(LoadPicturePreview(dir / "missing.png").Loaded);
  EXPECT_FALSE(LoadPicturePreview("").Loaded);
  WriteBytes(dir / "broken.png", {1, 2, 3});
  const TPicturePreview broken = LoadPicturePreview(dir / "broken.png");
  EXPECT_FALSE(broken.Loaded);
  EXPECT_EQ(broken.DepthCode, 6);
  EXPECT_TRUE(broken.Picture.Empty());

  // A palette PNG reads as 24-bit pixels; the depth is the file's 8 bits.
  TBitmap pal(4, 4, TPixelFormat::pf8bit);
  pal.Palette = {RGB(0, 0, 0), RGB(255, 0, 0)};
  pal.FillBytes(1);
  WriteBytes(dir / "pal.png", EncodePng(pal, {}));
  const TPicturePreview p = LoadPicturePreview(dir / "pal.png");
  ASSERT_TRUE(p.Loaded);
  EXPECT_EQ(p.DepthCode, 3);
  EXPECT_EQ(p.Picture.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(p.Picture.Pixel(0, 0), RGB(255, 0, 0));

  // An RGBA PNG: 32 bits, alpha channel, flattened onto white.
  TBitmap rgba(2, 2, TPixelFormat::pf32bit);
  rgba.FillBytes(0);  // fully transparent black
  WriteBytes(dir / "rgba.png", EncodePng(rgba, {}));
  const TPicturePreview a = LoadPicturePreview(dir / "rgba.png");
  ASSERT_TRUE(a.Loaded);
  EXPECT_EQ(a.DepthCode, 7);
  EXPECT_EQ(a.TransparencyCode, 2);
  EXPECT_EQ(a.Picture.Pixel(1, 1), clWhite);

  const TPictureInfo info = PreviewPictureInfo(dir / "rgba.png", a, true);
  EXPECT_EQ(info.OrigWidth, 2);
  EXPECT_EQ(info.OrigHeight, 2);
  EXPECT_EQ(info.DepthCode, 7);
  EXPECT_GT(info.FileSize, 0);
}
