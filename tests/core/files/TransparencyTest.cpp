// Pictures with see-through parts on their way in: the transparent colour of a
// GIF or PNG becomes alpha for the document, the open dialog's preview and
// information keep what the file says.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "TestFiles.h"
#include "core/document/LayeredDocument.h"
#include "core/engine/KeepColors.h"
#include "core/files/BmpCodec.h"
#include "core/files/OvImage.h"
#include "core/files/FileRoutes.h"
#include "core/files/GifCodec.h"
#include "core/files/ImageDispatch.h"
#include "core/files/PicturePreview.h"
#include "core/files/SafeFile.h"

using namespace velinor;
using velinor::test::TempDir;

namespace {

bool HaveConvert() { return std::system("command -v convert >/dev/null 2>&1") == 0; }

// 4 x 2 red, green at (0, 0); with `transparent` the green is see-through.
TBitmap RedWithGreenCorner() {
  TBitmap b(4, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) b.SetPixel(x, y, RGB(255, 0, 0));
  b.SetPixel(0, 0, RGB(0, 255, 0));
  return b;
}

void ExpectCornerSeeThrough(const TBitmap& b) {
  ASSERT_EQ(b.PixelFormat(), TPixelFormat::pf32bit);
  EXPECT_FALSE(b.Transparent);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(b.ScanLine(y)[4 * x + 3], x == 0 && y == 0 ? 0 : 255) << x << "," << y;
      if (x || y) { EXPECT_EQ(b.Pixel(x, y), RGB(255, 0, 0)); }
    }
}

}  // namespace

TEST(Transparency, GifTransparentColourBecomesAlpha) {
  TempDir dir;
  TBitmap marked = RedWithGreenCorner();
  marked.Transparent = true;
  marked.TransparentColor = RGB(0, 255, 0);
  const std::string path = dir / "t.gif";
  WriteGifFile(path, marked, TGifWriteOptions{});
  TReadResult read;
  const TBitmap b = ReadImageFile(path, &read);
  ExpectCornerSeeThrough(b);
  EXPECT_EQ(read.TransparencyCode, 1);
  // The preview still sees the transparent colour.
  std::string name = path;
  TBitmap preview;
  ASSERT_EQ(LoadImagePreview(name, preview), 1);
  EXPECT_TRUE(preview.Transparent);
  EXPECT_EQ(FlattenOntoWhite(preview), 1);
  EXPECT_EQ(preview.Pixel(0, 0), RGB(255, 255, 255));
}

TEST(Transparency, PngTransparencyChunkBecomesAlpha) {
  if (!HaveConvert()) GTEST_SKIP() << "ImageMagick is not installed";
  TempDir dir;
  const std::string palette = dir / "p.png", rgb = dir / "rgb.png";
  // A palette PNG with one transparent entry, and an RGB one with a transparent colour.
  ASSERT_EQ(std::system(("convert -size 4x2 xc:'#FF0000' -fill '#00FF00' -draw 'point 0,0' -transparent '#00FF00' "
                         "PNG8:'" + palette + "'").c_str()), 0);
  ASSERT_EQ(std::system(("convert '" + palette + "' -define png:color-type=2 -define png:bit-depth=8 PNG24:'" + rgb +
                         "'").c_str()), 0);
  for (const std::string& path : {palette, rgb}) {
    SCOPED_TRACE(path);
    TReadResult read;
    const TBitmap b = ReadImageFile(path, &read);
    ExpectCornerSeeThrough(b);
    EXPECT_EQ(read.TransparencyCode, read.DepthCode == 7 ? 2 : 1);
  }
}

namespace {

// A 16-bit RGB PNG written by libpng: red, with the pixel at (0, 0) of the
// transparency chunk's colour (the high byte alone would give another 8-bit
// colour than the rounding of the decoded pixels).
void WriteSixteenBitKeyedPng(const std::string& path, uint16_t key) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(f);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, f);
  png_set_IHDR(png, info, 4, 2, 16, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_color_16 transparent{};
  transparent.red = transparent.green = transparent.blue = key;
  png_set_tRNS(png, info, nullptr, 0, &transparent);
  png_write_info(png, info);
  for (int y = 0; y < 2; ++y) {
    std::vector<uint8_t> row;
    for (int x = 0; x < 4; ++x) {
      const uint16_t rgb[3] = {uint16_t(x || y ? 65535 : key), uint16_t(x || y ? 0 : key), uint16_t(x || y ? 0 : key)};
      for (uint16_t v : rgb) row.insert(row.end(), {uint8_t(v >> 8), uint8_t(v)});
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
}

}  // namespace

TEST(Transparency, SixteenBitPngTransparentColourIsMatchedAsThePixelsAreRounded) {
  TempDir dir;
  // 496 is 1.93 levels: 2 once rounded, 1 by its high byte.
  for (const uint16_t key : {uint16_t(496), uint16_t(0x80C0), uint16_t(0xFEFF), uint16_t(0)}) {
    SCOPED_TRACE(key);
    const std::string path = dir / "k.png";
    WriteSixteenBitKeyedPng(path, key);
    TReadResult read;
    const TBitmap b = ReadImageFile(path, &read);
    ASSERT_EQ(b.PixelFormat(), TPixelFormat::pf32bit);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 4; ++x) EXPECT_EQ(b.ScanLine(y)[4 * x + 3], x == 0 && y == 0 ? 0 : 255) << x << "," << y;
    EXPECT_EQ(read.TransparencyCode, 1);
    EXPECT_EQ(read.DepthCode, 8);
  }
}

namespace {

// 24 x 16: opaque colour ramps on the left, a half-transparent band, and a fully
// transparent right part that still holds green.
TBitmap SeeThroughPicture() {
  TBitmap b(24, 16, TPixelFormat::pf32bit);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 24; ++x) {
      uint8_t* p = b.ScanLine(y) + 4 * x;
      const bool clear = x >= 16;
      p[0] = static_cast<uint8_t>(clear ? 0 : 10 * y);
      p[1] = static_cast<uint8_t>(clear ? 255 : 40 + 8 * x);
      p[2] = static_cast<uint8_t>(clear ? 0 : 200);
      p[3] = clear ? 0 : (x >= 12 ? 128 : 255);
    }
  return b;
}

// The file's pixels as ImageMagick reads them: R, G, B, A bytes, rows top-down.
std::vector<uint8_t> MagickRgba(const std::string& path) {
  const std::string raw = path + ".rgba";
  if (std::system(("convert '" + path + "' -depth 8 'rgba:" + raw + "'").c_str()) != 0) return {};
  std::vector<uint8_t> bytes;
  if (FILE* f = std::fopen(raw.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
  }
  return bytes;
}

}  // namespace

// Formats that store alpha write it back: read again by the program and by
// ImageMagick, the see-through parts are where they were.
TEST(Transparency, FormatsWithAlphaWriteItBack) {
  TempDir dir;
  const TBitmap picture = SeeThroughPicture();
  struct Case {
    const char* name;
    int colourSlack;  // what the format's coding may move a colour by (visible pixels)
    int alphaSlack;
  };
  for (const Case c : {Case{"a.png", 0, 0}, Case{"a.tif", 1, 0}, Case{"a.tga", 0, 0}, Case{"a.webp", 0, 0},
                       Case{"a.avif", 40, 8}}) {
    SCOPED_TRACE(c.name);
    const std::string path = dir / c.name;
    WriteImageFile(path, picture, 0.0);
    const TBitmap back = ReadImageFile(path);
    ASSERT_EQ(back.PixelFormat(), TPixelFormat::pf32bit);
    const bool magick = HaveConvert() && std::string(c.name) != "a.avif";
    const std::vector<uint8_t> seen = magick ? MagickRgba(path) : std::vector<uint8_t>{};
    if (magick) { ASSERT_EQ(seen.size(), 24u * 16 * 4); }
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 24; ++x) {
        const uint8_t* o = picture.ScanLine(y) + 4 * x;
        const uint8_t* r = back.ScanLine(y) + 4 * x;
        ASSERT_LE(std::abs(r[3] - o[3]), c.alphaSlack) << x << "," << y;
        if (magick) { ASSERT_EQ(seen[(y * 24 + x) * 4 + 3], o[3]) << "ImageMagick " << x << "," << y; }
        if (o[3] < 128) continue;
        for (int k = 0; k < 3; ++k) {
          ASSERT_LE(std::abs(r[k] - o[k]), c.colourSlack) << x << "," << y;
          if (magick) { ASSERT_LE(std::abs(seen[(y * 24 + x) * 4 + 2 - k] - o[k]), c.colourSlack + 1) << x << "," << y; }
        }
      }
  }
}

// Formats without alpha get the picture flattened onto white, exactly as the
// open dialog's preview shows it; a picture without see-through parts is
// written as before.
TEST(Transparency, FormatsWithoutAlphaFlattenOntoWhite) {
  TempDir dir;
  const TBitmap picture = SeeThroughPicture();
  TBitmap flat = picture;
  FlattenOntoWhite(flat);
  const std::string bmp = dir / "a.bmp";
  WriteImageFile(bmp, picture, 0.0);
  const TBitmap back = ReadImageFile(bmp);
  ASSERT_EQ(back.PixelFormat(), TPixelFormat::pf24bit);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 24; ++x) ASSERT_EQ(back.Pixel(x, y), flat.Pixel(x, y)) << x << "," << y;
  EXPECT_EQ(back.Pixel(20, 3), RGB(255, 255, 255));

  const std::string jpg = dir / "a.jpg";
  WriteImageFile(jpg, picture, 0.0);
  const TBitmap jpeg = ReadImageFile(jpg);
  for (int y = 0; y < 16; ++y)
    for (int x = 17; x < 24; ++x) {
      const TColor c = jpeg.Pixel(x, y);
      ASSERT_GE(std::min({GetRValue(c), GetGValue(c), GetBValue(c)}), 240) << x << "," << y;
    }

  // Without see-through parts, a 32-bit picture's BMP is what it always was.
  TBitmap opaque = picture;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 24; ++x) opaque.ScanLine(y)[4 * x + 3] = 255;
  WriteImageFile(dir / "o.bmp", opaque, 0.0);
  EXPECT_EQ(ReadFileBytes(dir / "o.bmp"), EncodeBmp(opaque));
}

// The layered format keeps see-through parts in its layer masks: a flat picture
// saved alone, and a result saved over its photo, come back with their alpha.
TEST(Transparency, LayeredFilesKeepTheAlphaInTheirMasks) {
  TempDir dir;
  const TBitmap picture = SeeThroughPicture();
  WriteImageFile(dir / "one.ovi", picture, 0.0);
  const TBitmap one = ReadImageFile(dir / "one.ovi");
  ASSERT_EQ(one.PixelFormat(), TPixelFormat::pf32bit);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 24; ++x) {
      const uint8_t* o = picture.ScanLine(y) + 4 * x;
      const uint8_t* r = one.ScanLine(y) + 4 * x;
      ASSERT_EQ(r[3], o[3]) << x << "," << y;
      for (int k = 0; k < 3; ++k) ASSERT_EQ(r[k], o[k]) << x << "," << y;
    }

  // "Execute" keeping the red: the photo under its toned copy.
  TKeepOptions options;
  options.Entries = {"#C82828"};
  TBitmap result(picture), mask;
  KeepColors(result, mask, picture, options);
  const auto doc = BuildLayeredDocument(picture, result, mask, true, false);
  WriteLayeredFile(*doc, dir / "two.ovi");
  const TBitmap two = ReadImageFile(dir / "two.ovi");
  ASSERT_EQ(two.PixelFormat(), TPixelFormat::pf32bit);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 24; ++x) {
      const uint8_t* o = result.ScanLine(y) + 4 * x;
      const uint8_t* r = two.ScanLine(y) + 4 * x;
      // Two layers over the background cannot say exactly how a half-covered
      // pixel looks (the grey layer covers part of what the photo left); fully
      // clear and fully opaque pixels come back as they were.
      if (o[3] != 0 && o[3] != 255) {
        ASSERT_TRUE(r[3] > 0 && r[3] < 255) << x << "," << y;
        continue;
      }
      ASSERT_EQ(r[3], o[3]) << x << "," << y;
      if (o[3] == 0) continue;
      for (int k = 0; k < 3; ++k) ASSERT_LE(std::abs(r[k] - o[k]), 1) << x << "," << y;
    }
}
