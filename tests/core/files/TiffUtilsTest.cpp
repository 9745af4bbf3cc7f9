#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>

#include "CodecTestSupport.h"
#include "core/base/Errors.h"
#include "core/files/TiffUtils.h"

using namespace velinor;
using namespace velinor::testing;

namespace {

TBitmap ReadBack(const std::string& path, TTiffReadInfo* info = nullptr) {
  const auto bytes = ReadAll(path);
  return ReadTiff(bytes.data(), bytes.size(), info);
}

TBitmap Indexed(int w, int h, int colours, unsigned seed) {
  TBitmap b = RandomBitmap(w, h, TPixelFormat::pf8bit, seed);
  b.Palette.resize(static_cast<size_t>(colours));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.ScanLine(y)[x] %= colours;
  if (colours == 2) b.Palette = {RGB(0, 0, 0), RGB(255, 255, 255)};
  return b;
}

struct TiffTags {
  uint16_t compression = 0, predictor = 1, photometric = 0, samples = 0, bits = 0, orientation = 0, planar = 0,
           resUnit = 0, extraCount = 0, extra0 = 0;
  uint32_t rowsPerStrip = 0, width = 0;
  float xres = 0, yres = 0;
  uint16_t map1 = 0;  // red entry of colour-map index 1
};

TiffTags Tags(const std::string& path) {
  TiffTags t;
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  if (!tif) return t;
  TIFFGetField(tif, TIFFTAG_COMPRESSION, &t.compression);
  TIFFGetField(tif, TIFFTAG_PREDICTOR, &t.predictor);
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &t.photometric);
  TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &t.samples);
  TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &t.bits);
  TIFFGetField(tif, TIFFTAG_ORIENTATION, &t.orientation);
  TIFFGetField(tif, TIFFTAG_PLANARCONFIG, &t.planar);
  TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &t.resUnit);
  TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &t.rowsPerStrip);
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &t.width);
  TIFFGetField(tif, TIFFTAG_XRESOLUTION, &t.xres);
  TIFFGetField(tif, TIFFTAG_YRESOLUTION, &t.yres);
  uint16_t* extra = nullptr;
  if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &t.extraCount, &extra) && t.extraCount) t.extra0 = extra[0];
  uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
  if (TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b)) t.map1 = r[1];
  TIFFClose(tif);
  return t;
}

TTiffWriteOptions Choice(uint8_t code, double resolution = 0) {
  TTiffWriteOptions o;
  o.AutomaticCompression = false;
  o.Compression = code;
  o.Resolution = resolution;
  return o;
}

}  // namespace

TEST(Tiff, SaveAsIsRgbLzwWithPredictorOneStrip300Dpi) {
  ScratchDir dir;
  const TBitmap rgb = RandomBitmap(37, 23, TPixelFormat::pf24bit, 1);
  TTiffImage tiff;
  static_cast<TBitmap&>(tiff) = rgb;
  tiff.Resolution = 300;
  tiff.SaveToFile(dir.File("a.tif"));
  const TiffTags t = Tags(dir.File("a.tif"));
  EXPECT_EQ(t.compression, COMPRESSION_LZW);
  EXPECT_EQ(t.predictor, PREDICTOR_HORIZONTAL);
  EXPECT_EQ(t.photometric, PHOTOMETRIC_RGB);
  EXPECT_EQ(t.samples, 3);
  EXPECT_EQ(t.bits, 8);
  EXPECT_EQ(t.orientation, ORIENTATION_TOPLEFT);
  EXPECT_EQ(t.planar, PLANARCONFIG_CONTIG);
  EXPECT_EQ(t.rowsPerStrip, 23u);
  EXPECT_EQ(t.resUnit, RESUNIT_INCH);
  EXPECT_FLOAT_EQ(t.xres, 300);
  EXPECT_FLOAT_EQ(t.yres, 300);

  TTiffReadInfo info;
  EXPECT_TRUE(SamePixels(ReadBack(dir.File("a.tif"), &info), rgb));
  EXPECT_EQ(info.DepthCode, 6);
  EXPECT_EQ(info.Orientation, 1);
}

TEST(Tiff, EveryRowOfTheWriterTableRoundTrips) {
  ScratchDir dir;
  const TBitmap rgb = RandomBitmap(33, 17, TPixelFormat::pf24bit, 2);
  // Uncompressed RGB (any code but 1 and 4).
  WriteTiffFile(dir.File("raw.tif"), rgb, Choice(2));
  EXPECT_EQ(Tags(dir.File("raw.tif")).compression, COMPRESSION_NONE);
  EXPECT_TRUE(SamePixels(ReadBack(dir.File("raw.tif")), rgb));

  // JPEG: lossy, RGB colour mode.
  const TBitmap smooth = [] {
    TBitmap b(64, 32);
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 64; ++x) b.SetPixel(x, y, RGB(x * 4, y * 8, 128));
    return b;
  }();
  WriteTiffFile(dir.File("jpeg.tif"), smooth, Choice(4));
  EXPECT_EQ(Tags(dir.File("jpeg.tif")).compression, COMPRESSION_JPEG);
  const TBitmap jpeg = ReadBack(dir.File("jpeg.tif"));
  ASSERT_EQ(jpeg.PixelFormat(), TPixelFormat::pf24bit);
  int worst = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64 * 3; ++x) worst = std::max(worst, std::abs(jpeg.ScanLine(y)[x] - smooth.ScanLine(y)[x]));
  EXPECT_LT(worst, 24);

  // 32-bit: RGBA with one associated-alpha extra sample, LZW + predictor.
  const TBitmap rgba = RandomBitmap(19, 11, TPixelFormat::pf32bit, 3);
  WriteTiffFile(dir.File("rgba.tif"), rgba, {});
  const TiffTags t = Tags(dir.File("rgba.tif"));
  EXPECT_EQ(t.samples, 4);
  EXPECT_EQ(t.extraCount, 1);
  EXPECT_EQ(t.extra0, EXTRASAMPLE_ASSOCALPHA);
  EXPECT_EQ(t.predictor, PREDICTOR_HORIZONTAL);
  TTiffReadInfo info;
  // Colours are stored multiplied by their alpha: they come back as exactly as
  // the alpha leaves room for (exactly where it is 255), the alpha itself exactly.
  const TBitmap back = ReadBack(dir.File("rgba.tif"), &info);
  ASSERT_EQ(back.PixelFormat(), TPixelFormat::pf32bit);
  for (int y = 0; y < rgba.Height(); ++y)
    for (int x = 0; x < rgba.Width(); ++x) {
      const uint8_t* o = rgba.ScanLine(y) + 4 * x;
      const uint8_t* r = back.ScanLine(y) + 4 * x;
      ASSERT_EQ(r[3], o[3]);
      const int slack = o[3] == 0 ? 255 : o[3] == 255 ? 0 : 128 / o[3] + 1;
      for (int c = 0; c < 3; ++c) ASSERT_LE(std::abs(r[c] - o[c]), slack) << x << "," << y;
    }
  EXPECT_EQ(info.DepthCode, 7);

  // Alpha 255 everywhere comes back 24-bit.
  TBitmap opaque = rgba;
  for (int y = 0; y < opaque.Height(); ++y)
    for (int x = 0; x < opaque.Width(); ++x) opaque.ScanLine(y)[4 * x + 3] = 255;
  WriteTiffFile(dir.File("opaque.tif"), opaque, {});
  EXPECT_EQ(ReadBack(dir.File("opaque.tif")).PixelFormat(), TPixelFormat::pf24bit);
}

TEST(Tiff, PaletteAndBilevelImages) {
  ScratchDir dir;
  struct Case {
    int colours, bits, depthCode;
    uint16_t compression, photometric;
  };
  for (const Case c : {Case{256, 8, 3, COMPRESSION_LZW, PHOTOMETRIC_PALETTE},
                       Case{16, 4, 2, COMPRESSION_LZW, PHOTOMETRIC_PALETTE},
                       Case{2, 1, 1, COMPRESSION_PACKBITS, PHOTOMETRIC_MINISBLACK}}) {
    const TBitmap b = Indexed(29, 13, c.colours, c.colours);
    const std::string path = dir.File("p" + std::to_string(c.colours) + ".tif");
    WriteTiffFile(path, b, {});
    const TiffTags t = Tags(path);
    EXPECT_EQ(t.bits, c.bits);
    EXPECT_EQ(t.compression, c.compression);
    EXPECT_EQ(t.photometric, c.photometric);
    EXPECT_EQ(t.predictor, 1);
    if (c.colours > 2) {
      EXPECT_EQ(t.map1, GetRValue(b.Palette[1]) * 256);
    }
    TTiffReadInfo info;
    const TBitmap back = ReadBack(path, &info);
    EXPECT_EQ(info.DepthCode, c.depthCode);
    ASSERT_EQ(back.PixelFormat(), TPixelFormat::pf24bit);
    for (int y = 0; y < 13; ++y)
      for (int x = 0; x < 29; ++x) ASSERT_EQ(back.Pixel(x, y), b.Pixel(x, y)) << c.colours;
  }
  // Group 4 fax for a bilevel image when chosen.
  const TBitmap bw = Indexed(40, 9, 2, 7);
  WriteTiffFile(dir.File("g4.tif"), bw, Choice(3));
  EXPECT_EQ(Tags(dir.File("g4.tif")).compression, COMPRESSION_CCITTFAX4);
  const TBitmap back = ReadBack(dir.File("g4.tif"));
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(back.Pixel(x, y), bw.Pixel(x, y));
  // A short palette is padded, not refused; two colours that are not black
  // and white keep their colours.
  const TBitmap few = Indexed(5, 5, 7, 9);
  WriteTiffFile(dir.File("few.tif"), few, {});
  EXPECT_EQ(Tags(dir.File("few.tif")).bits, 8);
  TBitmap two = Indexed(6, 2, 2, 10);
  two.Palette = {RGB(200, 0, 0), RGB(0, 0, 200)};
  WriteTiffFile(dir.File("two.tif"), two, {});
  EXPECT_EQ(Tags(dir.File("two.tif")).bits, 8);
  const TBitmap twoBack = ReadBack(dir.File("two.tif"));
  for (int x = 0; x < 6; ++x) EXPECT_EQ(twoBack.Pixel(x, 1), two.Pixel(x, 1));
}

TEST(Tiff, OrientationIsReportedAsStored) {
  ScratchDir dir;
  const std::string path = dir.File("o.tif");
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  ASSERT_TRUE(tif);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 2);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 2);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_BOTLEFT);
  uint8_t rows[2][2] = {{10, 20}, {30, 40}};
  TIFFWriteScanline(tif, rows[0], 0, 0);
  TIFFWriteScanline(tif, rows[1], 1, 0);
  TIFFClose(tif);
  TTiffReadInfo info;
  const TBitmap b = ReadBack(path, &info);
  EXPECT_EQ(info.Orientation, ORIENTATION_BOTLEFT);
  EXPECT_EQ(info.DepthCode, 3);
  // The first stored row is the bottom one.
  EXPECT_EQ(b.Pixel(0, 1), RGB(10, 10, 10));
  EXPECT_EQ(b.Pixel(1, 0), RGB(40, 40, 40));
}

TEST(Tiff, DamagedDataGivesAPartlyBlackPicture) {
  ScratchDir dir;
  const TBitmap rgb = RandomBitmap(64, 64, TPixelFormat::pf24bit, 4);
  WriteTiffFile(dir.File("d.tif"), rgb, {});
  auto bytes = ReadAll(dir.File("d.tif"));
  // The strip follows the 8-byte header; the directory comes after it.
  for (size_t i = 2000; i < 6000; ++i) bytes[i] = 0xFF;  // codes beyond the LZW table
  TBitmap b;
  ASSERT_NO_THROW(b = ReadTiff(bytes.data(), bytes.size()));
  // What could not be decoded is black (transparent black where libtiff
  // delivers nothing at all, in which case the picture stays 32-bit).
  EXPECT_EQ(b.Pixel(63, 63), RGB(0, 0, 0));
  EXPECT_EQ(b.Pixel(0, 0), rgb.Pixel(0, 0));
  // A file libtiff cannot open raises.
  EXPECT_THROW(ReadTiff(bytes.data(), 7), EReadError);
  const std::vector<uint8_t> junk(100, 0x49);
  EXPECT_THROW(ReadTiff(junk.data(), junk.size()), EReadError);
}

TEST(Tiff, ALayoutTheReaderCannotHandleIsAReadError) {
  ScratchDir dir;
  const std::string path = dir.File("float.tif");
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  ASSERT_TRUE(tif);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 2);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 1);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 32);
  TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  float row[2] = {0.25f, 0.75f};
  TIFFWriteScanline(tif, row, 0, 0);
  TIFFClose(tif);
  EXPECT_THROW(ReadBack(path), EReadError);
}

TEST(Tiff, AHugePictureOverAFewBytesIsRefusedBeforeAllocating) {
  ScratchDir dir;
  const std::string path = dir.File("bomb.tif");
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  ASSERT_TRUE(tif);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 20000);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 12000);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 12000);
  std::vector<uint8_t> row(20000 * 3, 0);
  TIFFWriteScanline(tif, row.data(), 0, 0);  // one row of the 12000
  TIFFClose(tif);
  // Refused by the size check, not after a failed decode into a huge buffer.
  try {
    ReadBack(path);
    ADD_FAILURE() << "no error";
  } catch (const EReadError& e) {
    EXPECT_NE(std::string(e.what()).find("too short"), std::string::npos) << e.what();
  }
}

namespace {

// A 2 x 1 RGBA file written by libtiff itself: one half-transparent red pixel
// (stored as the extra sample says) and one opaque green one.
void WriteRgbaFile(const std::string& path, uint16_t extraSample, const uint8_t pixels[8]) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 2);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 1);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 4);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extraSample);
  uint8_t row[8];
  std::copy(pixels, pixels + 8, row);
  TIFFWriteScanline(tif, row, 0, 0);
  TIFFClose(tif);
}

}  // namespace

// Both kinds of alpha come in as straight colours: the associated red at alpha
// 130 is stored as (130, 0, 0) and is red, not dark red.
TEST(Tiff, AlphaSamplesComeInAsStraightColours) {
  ScratchDir dir;
  const uint8_t associated[8] = {130, 0, 0, 130, 0, 200, 0, 255};
  WriteRgbaFile(dir.File("assoc.tif"), EXTRASAMPLE_ASSOCALPHA, associated);
  const uint8_t unassociated[8] = {255, 0, 0, 130, 0, 200, 0, 255};
  WriteRgbaFile(dir.File("unassoc.tif"), EXTRASAMPLE_UNASSALPHA, unassociated);
  for (const char* name : {"assoc.tif", "unassoc.tif"}) {
    SCOPED_TRACE(name);
    TTiffReadInfo info;
    const TBitmap b = ReadBack(dir.File(name), &info);
    ASSERT_EQ(b.PixelFormat(), TPixelFormat::pf32bit);
    EXPECT_EQ(info.DepthCode, 7);
    const uint8_t* p = b.ScanLine(0);
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(p[1], 0);
    EXPECT_EQ(p[2], 255);
    EXPECT_EQ(p[3], 130);
    EXPECT_EQ(b.Pixel(1, 0), RGB(0, 200, 0));
    EXPECT_EQ(p[7], 255);
  }
}

namespace {

// An RGB(A) file of 8-bit samples written by libtiff, contiguous or in planes.
void WriteSamples(const std::string& path, int w, int h, int channels, uint16_t planar, const std::vector<uint8_t>& rgba,
                  uint16_t extraSample = EXTRASAMPLE_UNASSALPHA) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, channels);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, planar);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 2);
  if (channels == 4) TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extraSample);
  std::vector<uint8_t> row(size_t(w) * channels);
  if (planar == PLANARCONFIG_CONTIG) {
    for (int y = 0; y < h; ++y) {
      for (int i = 0; i < w * channels; ++i) row[i] = rgba[(size_t(y) * w + i / channels) * 4 + i % channels];
      TIFFWriteScanline(tif, row.data(), y, 0);
    }
  } else {
    for (int c = 0; c < channels; ++c)
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) row[x] = rgba[(size_t(y) * w + x) * 4 + c];
        TIFFWriteScanline(tif, row.data(), y, static_cast<uint16_t>(c));
      }
  }
  TIFFClose(tif);
}

}  // namespace

// Unassociated alpha keeps its exact colours, even where the alpha is low
// (libtiff's RGBA reader multiplies them by it: (0, 200, 50) at alpha 17 came
// back as (0, 195, 45)); in one plane or in separate ones, with or without alpha.
TEST(Tiff, EightBitSamplesComeInExactly) {
  ScratchDir dir;
  const int w = 7, h = 5;
  std::vector<uint8_t> rgba(size_t(w) * h * 4);
  uint32_t seed = 12345;
  for (auto& v : rgba) v = static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 24);
  const uint8_t low[4] = {0, 200, 50, 17};
  std::copy(low, low + 4, rgba.begin());
  for (const uint16_t planar : {uint16_t(PLANARCONFIG_CONTIG), uint16_t(PLANARCONFIG_SEPARATE)})
    for (const int channels : {3, 4}) {
      SCOPED_TRACE(std::to_string(planar) + " / " + std::to_string(channels));
      const std::string path = dir.File("s.tif");
      WriteSamples(path, w, h, channels, planar, rgba);
      TTiffReadInfo info;
      const TBitmap b = ReadBack(path, &info);
      ASSERT_EQ(b.PixelFormat(), channels == 4 ? TPixelFormat::pf32bit : TPixelFormat::pf24bit);
      EXPECT_EQ(info.DepthCode, channels == 4 ? 7 : 6);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const uint8_t* want = &rgba[(size_t(y) * w + x) * 4];
          const uint8_t* got = b.ScanLine(y) + x * channels;
          const int alpha = channels == 4 ? got[3] : 255;
          ASSERT_EQ(RGB(got[2], got[1], got[0]), RGB(want[0], want[1], want[2])) << x << "," << y;
          ASSERT_EQ(alpha, channels == 4 ? want[3] : 255) << x << "," << y;
        }
    }
  // A damaged file naming an alpha sample beside only three samples has none:
  // its colours come in and nothing past a row is read.
  {
    TIFF* tif = TIFFOpen(dir.File("x.tif").c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    const uint16_t extra = EXTRASAMPLE_ASSOCALPHA;
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
    std::vector<uint8_t> row(size_t(w) * 3, 90);
    TIFFWriteScanline(tif, row.data(), 0, 0);
    TIFFClose(tif);
    const TBitmap x = ReadBack(dir.File("x.tif"));
    ASSERT_EQ(x.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(x.Pixel(w - 1, 0), RGB(90, 90, 90));
  }
  // Associated alpha is still divided out: (0, 12, 3) at 17 is (0, 180, 45).
  std::vector<uint8_t> premultiplied(size_t(w) * h * 4, 255);
  const uint8_t stored[4] = {0, 12, 3, 17};
  std::copy(stored, stored + 4, premultiplied.begin());
  WriteSamples(dir.File("a.tif"), w, h, 4, PLANARCONFIG_CONTIG, premultiplied, EXTRASAMPLE_ASSOCALPHA);
  const TBitmap a = ReadBack(dir.File("a.tif"));
  EXPECT_EQ(a.Pixel(0, 0), RGB(0, 180, 45));
  EXPECT_EQ(a.ScanLine(0)[3], 17);
}
