#include <gtest/gtest.h>
#include <png.h>

#include <zlib.h>

#include <csetjmp>

#include "CodecTestSupport.h"
#include "core/base/Errors.h"
#include "core/files/FileRoutes.h"
#include "core/files/PngUtils.h"

using namespace velinor;
using namespace velinor::testing;

namespace {

uint32_t BE32(const uint8_t* p) { return (uint32_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }

struct Chunk {
  std::string type;
  std::vector<uint8_t> data;
};

std::vector<Chunk> Chunks(const std::vector<uint8_t>& png) {
  std::vector<Chunk> out;
  size_t pos = 8;
  while (pos + 12 <= png.size()) {
    const uint32_t len = BE32(&png[pos]);
    Chunk c;
    c.type.assign(reinterpret_cast<const char*>(&png[pos + 4]), 4);
    c.data.assign(png.begin() + pos + 8, png.begin() + pos + 8 + len);
    out.push_back(c);
    pos += 12 + len;
  }
  return out;
}

// Builds a PNG of any colour type straight with libpng (a writer independent of
// the one under test). rows: packed samples as the format stores them.
std::vector<uint8_t> MakePng(int w, int h, int colorType, int bitDepth, const std::vector<std::vector<uint8_t>>& rows,
                             const std::vector<png_color>& palette = {}, const std::vector<uint8_t>& trans = {},
                             const png_color_16* transColor = nullptr) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(
      png, &out, [](png_structp p, png_bytep d, size_t n) {
        auto* v = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
        v->insert(v->end(), d, d + n);
      },
      nullptr);
  png_set_IHDR(png, info, w, h, bitDepth, colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  if (!trans.empty() || transColor)
    png_set_tRNS(png, info, trans.empty() ? nullptr : const_cast<png_bytep>(trans.data()),
                 static_cast<int>(trans.size()), const_cast<png_color_16p>(transColor));
  png_write_info(png, info);
  for (const auto& r : rows) png_write_row(png, const_cast<png_bytep>(r.data()));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace

TEST(Png, RoundTripsKeepEveryPixelAndReportDepth) {
  for (int w : {1, 3, 17, 64}) {
    const TBitmap rgb = RandomBitmap(w, 9, TPixelFormat::pf24bit, w);
    const auto bytes = EncodePng(rgb, {});
    uint8_t code = 0;
    const TBitmap back = ReadPng(bytes.data(), bytes.size(), &code);
    EXPECT_TRUE(SamePixels(back, rgb)) << w;
    EXPECT_EQ(code, DepthCode24Bit);
    EXPECT_FALSE(back.Transparent);

    const TBitmap rgba = RandomBitmap(w, 5, TPixelFormat::pf32bit, w + 100);
    const auto bytes32 = EncodePng(rgba, {});
    const TBitmap back32 = ReadPng(bytes32.data(), bytes32.size(), &code);
    EXPECT_TRUE(SamePixels(back32, rgba)) << w;
    EXPECT_EQ(code, DepthCode32BitAlpha);
  }
  // Interlaced files read the same.
  TPngWriteOptions o;
  o.Interlaced = true;
  const TBitmap rgb = RandomBitmap(13, 11, TPixelFormat::pf24bit, 5);
  const auto bytes = EncodePng(rgb, o);
  EXPECT_TRUE(SamePixels(ReadPng(bytes.data(), bytes.size()), rgb));
}

TEST(Png, PaletteImageBecomesAPalettePng) {
  const TBitmap indexed = RandomBitmap(7, 4, TPixelFormat::pf8bit, 3);
  const auto bytes = EncodePng(indexed, {});
  EXPECT_EQ(Chunks(bytes)[0].data[9], PNG_COLOR_TYPE_PALETTE);
  uint8_t code = 0;
  const TBitmap back = ReadPng(bytes.data(), bytes.size(), &code);
  EXPECT_EQ(code, DepthCode8Bit);
  ASSERT_EQ(back.PixelFormat(), TPixelFormat::pf24bit);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(back.Pixel(x, y), indexed.Pixel(x, y));
}

TEST(Png, SaveAsChunksAreIhdrPhysStoredIdatIend) {
  const int w = 300, h = 250;  // larger than one stored block
  const TBitmap rgb = RandomBitmap(w, h, TPixelFormat::pf24bit, 9);
  TPngImage png;
  static_cast<TBitmap&>(png) = rgb;
  png.Resolution = 300;
  const auto bytes = png.SaveToMemory();
  const auto chunks = Chunks(bytes);
  ASSERT_GE(chunks.size(), 4u);
  EXPECT_EQ(chunks[0].type, "IHDR");
  EXPECT_EQ(BE32(&chunks[0].data[0]), uint32_t(w));
  EXPECT_EQ(chunks[0].data[8], 8);   // depth
  EXPECT_EQ(chunks[0].data[9], 2);   // RGB
  EXPECT_EQ(chunks[0].data[12], 0);  // not interlaced
  EXPECT_EQ(chunks[1].type, "pHYs");
  EXPECT_EQ(BE32(&chunks[1].data[0]), 11811u);
  EXPECT_EQ(BE32(&chunks[1].data[4]), 11811u);
  EXPECT_EQ(chunks[1].data[8], 1);
  std::vector<uint8_t> z;
  for (size_t i = 2; i + 1 < chunks.size(); ++i) {
    EXPECT_EQ(chunks[i].type, "IDAT");
    z.insert(z.end(), chunks[i].data.begin(), chunks[i].data.end());
  }
  EXPECT_EQ(chunks.back().type, "IEND");

  // The zlib stream holds stored blocks only; unpacked, every row starts with
  // filter type 0 followed by the R, G, B bytes.
  ASSERT_GT(z.size(), 2u);
  size_t pos = 2;
  std::vector<uint8_t> raw;
  bool last = false;
  while (!last) {
    ASSERT_LT(pos + 5, z.size() + 1);
    last = z[pos] & 1;
    ASSERT_EQ((z[pos] >> 1) & 3, 0) << "not a stored block";
    const size_t len = z[pos + 1] | (z[pos + 2] << 8);
    ASSERT_EQ(len ^ 0xFFFF, size_t(z[pos + 3] | (z[pos + 4] << 8)));
    raw.insert(raw.end(), z.begin() + pos + 5, z.begin() + pos + 5 + len);
    pos += 5 + len;
  }
  ASSERT_EQ(raw.size(), size_t(h) * (1 + 3 * w));
  for (int y = 0; y < h; ++y) {
    const uint8_t* r = &raw[size_t(y) * (1 + 3 * w)];
    ASSERT_EQ(r[0], 0) << "row " << y;
    for (int x = 0; x < w; ++x) {
      const uint8_t* s = rgb.ScanLine(y) + 3 * x;
      ASSERT_TRUE(r[1 + 3 * x] == s[2] && r[2 + 3 * x] == s[1] && r[3 + 3 * x] == s[0]);
    }
  }
  // No resolution, no pHYs.
  png.Resolution = 0;
  const auto plain = Chunks(png.SaveToMemory());
  EXPECT_EQ(plain[1].type, "IDAT");
}

TEST(Png, TransparencyClassesAndDepthCodes) {
  uint8_t code = 0;
  // Palette with one fully transparent entry: 24-bit, depth 3, that colour.
  {
    const std::vector<png_color> pal = {{10, 20, 30}, {200, 100, 50}, {1, 2, 3}};
    const auto bytes = MakePng(3, 1, PNG_COLOR_TYPE_PALETTE, 8, {{0, 1, 2}}, pal, {255, 0, 255});
    const TBitmap b = ReadPng(bytes.data(), bytes.size(), &code);
    EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(code, DepthCode8Bit);
    EXPECT_TRUE(b.Transparent);
    EXPECT_EQ(b.TransparentColor, RGB(200, 100, 50));
    EXPECT_EQ(b.Pixel(0, 0), RGB(10, 20, 30));
  }
  // Palette with a partly transparent entry: 32-bit with that alpha.
  {
    const std::vector<png_color> pal = {{10, 20, 30}, {200, 100, 50}};
    const auto bytes = MakePng(2, 1, PNG_COLOR_TYPE_PALETTE, 8, {{0, 1}}, pal, {128, 255});
    const TBitmap b = ReadPng(bytes.data(), bytes.size(), &code);
    ASSERT_EQ(b.PixelFormat(), TPixelFormat::pf32bit);
    EXPECT_EQ(b.ScanLine(0)[3], 128);
    EXPECT_EQ(b.ScanLine(0)[7], 255);
    EXPECT_EQ(code, DepthCode32BitAlpha);
  }
  // Grey with alpha: 32-bit, grey in all three colours.
  {
    const auto bytes = MakePng(2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {{77, 10, 200, 255}});
    const TBitmap b = ReadPng(bytes.data(), bytes.size(), &code);
    ASSERT_EQ(b.PixelFormat(), TPixelFormat::pf32bit);
    EXPECT_EQ(code, DepthCode32BitAlpha);
    EXPECT_EQ(b.Pixel(0, 0), RGB(77, 77, 77));
    EXPECT_EQ(b.ScanLine(0)[3], 10);
  }
  // 1-bit grey, 4-bit palette, 16-bit RGB with a transparent colour.
  {
    const auto bytes = MakePng(8, 1, PNG_COLOR_TYPE_GRAY, 1, {{0xA5}});
    const TBitmap b = ReadPng(bytes.data(), bytes.size(), &code);
    EXPECT_EQ(code, DepthCode1Bit);
    EXPECT_EQ(b.Pixel(0, 0), RGB(255, 255, 255));
    EXPECT_EQ(b.Pixel(1, 0), RGB(0, 0, 0));
  }
  {
    std::vector<png_color> pal(16, png_color{0, 0, 0});
    pal[3] = {9, 8, 7};
    const auto bytes = MakePng(2, 1, PNG_COLOR_TYPE_PALETTE, 4, {{0x30}}, pal);
    const TBitmap b = ReadPng(bytes.data(), bytes.size(), &code);
    EXPECT_EQ(code, DepthCode4Bit);
    EXPECT_EQ(b.Pixel(0, 0), RGB(9, 8, 7));
  }
  {
    png_color_16 tc{};
    tc.red = 0x1234;
    tc.green = 0x5678;
    tc.blue = 0x9ABC;
    const auto bytes = MakePng(1, 1, PNG_COLOR_TYPE_RGB, 16, {{0xFF, 0xFF, 0x80, 0x00, 0x00, 0x00}}, {}, {}, &tc);
    const TBitmap b = ReadPng(bytes.data(), bytes.size(), &code);
    EXPECT_EQ(code, DepthCode48Bit);  // 16 bits per channel, shown as "48 bits"
    EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(b.Pixel(0, 0), RGB(255, 128, 0));
    EXPECT_TRUE(b.Transparent);
    EXPECT_EQ(b.TransparentColor, RGB(0x12, 0x56, 0x9A));
  }
}

TEST(Png, AdapterKeepsTheLastDepthCode) {
  const auto bytes = EncodePng(RandomBitmap(4, 4, TPixelFormat::pf32bit, 1), {});
  TPngImage png;
  png.LoadFromMemory(bytes.data(), bytes.size());
  EXPECT_EQ(png.DepthCode, DepthCode32BitAlpha);
  EXPECT_EQ(png.Width(), 4);
  // The load dispatch reads through the adapter; the code it kept travels in the
  // read's result, which the open dialog reads.
  ScratchDir dir;
  WriteAll(dir.File("alpha.png"), bytes);
  TReadResult read;
  ReadImageFile(dir.File("alpha.png"), &read);
  EXPECT_EQ(read.DepthCode, DepthCode32BitAlpha);
}

TEST(Png, BadFilesRaiseReadErrors) {
  const auto good = EncodePng(RandomBitmap(40, 30, TPixelFormat::pf24bit, 2), {});
  EXPECT_THROW(ReadPng(good.data(), 5), EReadError);
  for (size_t cut : {size_t{8}, size_t{20}, size_t{40}, good.size() / 2, good.size() - 20})
    EXPECT_THROW(ReadPng(good.data(), cut), EReadError) << cut;
  auto corrupt = good;
  corrupt[good.size() / 2] ^= 0xFF;  // breaks the IDAT CRC
  EXPECT_THROW(ReadPng(corrupt.data(), corrupt.size()), EReadError);
  // An IHDR claiming 60000 x 60000 is refused before anything is allocated.
  auto huge = good;
  huge[16] = huge[20] = 0;
  huge[17] = huge[21] = 0;
  huge[18] = huge[22] = 0xEA;
  huge[19] = huge[23] = 0x60;
  EXPECT_THROW(ReadPng(huge.data(), huge.size()), EVelinorError);
}

TEST(Png, AHugePictureOverAFewBytesIsRefusedBeforeAllocating) {
  // A valid header for 12000 x 12000 grey pixels (within the size limit), then
  // a tiny image data chunk.
  std::vector<std::vector<uint8_t>> rows(1, std::vector<uint8_t>(8, 0));
  auto small = MakePng(8, 1, PNG_COLOR_TYPE_GRAY, 8, rows);
  auto chunks = Chunks(small);
  ASSERT_EQ(chunks[0].type, "IHDR");
  std::vector<uint8_t> ihdr = chunks[0].data;
  ihdr[0] = ihdr[4] = 0;
  ihdr[1] = ihdr[5] = 0;
  ihdr[2] = ihdr[6] = 0x2E;
  ihdr[3] = ihdr[7] = 0xE0;
  std::vector<uint8_t> file(small.begin(), small.begin() + 8);
  auto put = [&](const char* type, const std::vector<uint8_t>& data) {
    const uint32_t n = static_cast<uint32_t>(data.size());
    for (int s = 24; s >= 0; s -= 8) file.push_back(static_cast<uint8_t>(n >> s));
    std::vector<uint8_t> crcInput(type, type + 4);
    crcInput.insert(crcInput.end(), data.begin(), data.end());
    file.insert(file.end(), crcInput.begin(), crcInput.end());
    const uint32_t crc = static_cast<uint32_t>(crc32(0, crcInput.data(), static_cast<unsigned>(crcInput.size())));
    for (int s = 24; s >= 0; s -= 8) file.push_back(static_cast<uint8_t>(crc >> s));
  };
  put("IHDR", ihdr);
  put("IDAT", chunks[1].data);
  put("IEND", {});
  // Refused by the size check, not after a failed decode into a huge buffer.
  try {
    ReadPng(file.data(), file.size());
    ADD_FAILURE() << "no error";
  } catch (const EReadError& e) {
    EXPECT_NE(std::string(e.what()).find("too short"), std::string::npos) << e.what();
  }
}
