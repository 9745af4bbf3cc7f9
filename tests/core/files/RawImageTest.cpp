// Camera raw files through LibRaw. No camera raw sample ships in a Debian
// package here, so the test writes minimal valid DNG files with libtiff: a
// Bayer (RGGB) mosaic with black and white levels, a colour matrix and the
// white balance the camera saw.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cmath>

#include "PhotoTestSupport.h"
#include "core/base/Errors.h"
#include "core/files/RawImage.h"

using namespace velinor;
using namespace velinor::testing;

namespace {

constexpr int Black = 256, White = 4095;

// The scene in linear light, 0..1: a grey background, a red and a green patch.
void Scene(int x, int y, int w, int h, double rgb[3]) {
  rgb[0] = rgb[1] = rgb[2] = 0.18;
  if (x < w / 2 && y < h / 2) rgb[0] = 0.45, rgb[1] = 0.03, rgb[2] = 0.03;
  if (x >= w / 2 && y >= h / 2) rgb[0] = 0.03, rgb[1] = 0.35, rgb[2] = 0.03;
}

struct DngOptions {
  int Width = 128, Height = 96;
  int Orientation = 1;
  double Neutral[3] = {1, 1, 1};  // the camera's white balance (as shot)
  bool BluePreview = false;        // IFD0 a blue JPEG preview, the mosaic in a sub-IFD
};

// The camera's channels are linear sRGB scaled by 1 / Neutral, so that the
// white balance the file declares brings grey back to grey.
void WriteDng(const std::string& path, const DngOptions& o) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tif, nullptr);
  const uint8_t version[4] = {1, 4, 0, 0};
  if (o.BluePreview) {
    // As cameras and converters write it: a whole JPEG stream in one strip.
    const int pw = 160, ph = 120;
    uint64_t subifd = 0;
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, pw);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, ph);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
    TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    TIFFSetField(tif, TIFFTAG_JPEGTABLESMODE, 0);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, ph);
    TIFFSetField(tif, TIFFTAG_MAKE, "Velinor");
    TIFFSetField(tif, TIFFTAG_MODEL, "Test DNG");
    TIFFSetField(tif, TIFFTAG_DNGVERSION, version);
    TIFFSetField(tif, TIFFTAG_UNIQUECAMERAMODEL, "Velinor Test DNG");
    TIFFSetField(tif, TIFFTAG_SUBIFD, 1, &subifd);
    std::vector<uint8_t> rgb(static_cast<size_t>(pw) * 3);
    for (int x = 0; x < pw; ++x) rgb[3 * x] = 20, rgb[3 * x + 1] = 40, rgb[3 * x + 2] = 230;
    for (int y = 0; y < ph; ++y) TIFFWriteScanline(tif, rgb.data(), static_cast<uint32_t>(y), 0);
    TIFFWriteDirectory(tif);  // the next directory is the sub-IFD
  }
  const uint16_t dims[2] = {2, 2};
  const uint8_t pattern[4] = {0, 1, 1, 2};  // R G / G B
  // XYZ (D65) to camera RGB: the sRGB matrix.
  const float matrix[9] = {3.2406f, -1.5372f, -0.4986f, -0.9689f, 1.8758f, 0.0415f, 0.0557f, -0.2040f, 1.0570f};
  const float neutral[3] = {float(o.Neutral[0]), float(o.Neutral[1]), float(o.Neutral[2])};
  const float black[1] = {float(Black)};
  const uint32_t white[1] = {White};
  TIFFSetField(tif, TIFFTAG_SUBFILETYPE, 0);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, o.Width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, o.Height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, 32803);  // colour filter array
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, o.Height);
  TIFFSetField(tif, TIFFTAG_ORIENTATION, o.Orientation);
  TIFFSetField(tif, TIFFTAG_MAKE, "Velinor");
  TIFFSetField(tif, TIFFTAG_MODEL, "Test DNG");
  TIFFSetField(tif, TIFFTAG_DNGVERSION, version);
  TIFFSetField(tif, TIFFTAG_UNIQUECAMERAMODEL, "Velinor Test DNG");
  TIFFSetField(tif, TIFFTAG_CFAREPEATPATTERNDIM, dims);
  TIFFSetField(tif, TIFFTAG_CFAPATTERN, 4, pattern);
  TIFFSetField(tif, TIFFTAG_BLACKLEVEL, 1, black);
  TIFFSetField(tif, TIFFTAG_WHITELEVEL, 1, white);
  TIFFSetField(tif, TIFFTAG_COLORMATRIX1, 9, matrix);
  TIFFSetField(tif, TIFFTAG_CALIBRATIONILLUMINANT1, 21);  // D65
  TIFFSetField(tif, TIFFTAG_ASSHOTNEUTRAL, 3, neutral);
  std::vector<uint16_t> row(static_cast<size_t>(o.Width));
  for (int y = 0; y < o.Height; ++y) {
    for (int x = 0; x < o.Width; ++x) {
      double rgb[3];
      Scene(x, y, o.Width, o.Height, rgb);
      const int c = pattern[(y % 2) * 2 + (x % 2)];
      const double v = rgb[c] * o.Neutral[c];
      row[static_cast<size_t>(x)] = static_cast<uint16_t>(Black + std::lround(v * (White - Black)));
    }
    ASSERT_EQ(TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0), 1);
  }
  TIFFClose(tif);
}

struct Rgb {
  int R, G, B;
};
Rgb At(const TBitmap& b, int x, int y) {
  const TColor c = b.Pixel(x, y);
  return {GetRValue(c), GetGValue(c), GetBValue(c)};
}

TEST(RawImage, DngOpensWithTheCamerasWhiteBalanceInSrgb) {
  ScratchDir dir;
  DngOptions o;
  o.Neutral[0] = 0.5, o.Neutral[2] = 0.7;  // a warm light: red and blue recorded weaker
  const std::string path = dir.File("shot.dng");
  WriteDng(path, o);
  TRawImage raw(path);
  EXPECT_EQ(raw.ClassName(), "TRawImageAdobe");
  raw.LoadFromFile(path);
  EXPECT_EQ(raw.Width, 128);
  EXPECT_EQ(raw.Height, 96);
  ASSERT_EQ(raw.Bitmap.Width(), 128);
  ASSERT_EQ(raw.Bitmap.Height(), 96);
  EXPECT_EQ(raw.Bitmap.PixelFormat(), TPixelFormat::pf24bit);
  // The grey background comes out neutral, the patches keep their hue.
  const Rgb grey = At(raw.Bitmap, 100, 20);
  EXPECT_NEAR(grey.R, grey.G, 8);
  EXPECT_NEAR(grey.B, grey.G, 8);
  EXPECT_GT(grey.G, 60);
  const Rgb red = At(raw.Bitmap, 20, 20);
  EXPECT_GT(red.R, red.G + 80);
  EXPECT_GT(red.R, red.B + 80);
  const Rgb green = At(raw.Bitmap, 100, 80);
  EXPECT_GT(green.G, green.R + 60);
  EXPECT_GT(green.G, green.B + 60);
  EXPECT_EQ(RawCameraDescription(path), "Velinor Test DNG");
}

TEST(RawImage, OrientationIsApplied) {
  ScratchDir dir;
  DngOptions o;
  o.Orientation = 6;  // shot as a portrait: turn a quarter clockwise
  const std::string path = dir.File("portrait.dng");
  WriteDng(path, o);
  const TDecodedPicture p = DecodeRawFile(path, false);
  EXPECT_EQ(p.StoredWidth, 96);
  EXPECT_EQ(p.StoredHeight, 128);
  ASSERT_EQ(p.Bitmap.Width(), 96);
  ASSERT_EQ(p.Bitmap.Height(), 128);
  // The red patch (top left of the sensor) is now at the top right.
  const Rgb red = At(p.Bitmap, 80, 20);
  EXPECT_GT(red.R, red.G + 80);
}

TEST(RawImage, PreviewIsAHalfSizeDecodeWhenThereIsNoEmbeddedPreview) {
  ScratchDir dir;
  const std::string path = dir.File("p.dng");
  WriteDng(path, DngOptions{});
  TRawImage raw(path);
  raw.PreviewLoad = true;
  raw.LoadFromFile(path);
  EXPECT_EQ(raw.Width, 128);
  EXPECT_EQ(raw.Height, 96);
  EXPECT_EQ(raw.Bitmap.Width(), 64);
  EXPECT_EQ(raw.Bitmap.Height(), 48);
  const auto bytes = ReadAll(path);
  const TDecodedPicture fromMemory = DecodeRaw(bytes.data(), bytes.size(), true);
  EXPECT_TRUE(SamePixels(fromMemory.Bitmap, raw.Bitmap));
}

TEST(RawImage, PreviewIsTheEmbeddedOneWhenThereIsOne) {
  ScratchDir dir;
  DngOptions o;
  o.BluePreview = true;
  o.Orientation = 6;
  const std::string path = dir.File("previewed.dng");
  WriteDng(path, o);
  const TDecodedPicture p = DecodeRawFile(path, true);
  EXPECT_EQ(p.StoredWidth, 96);  // the full, upright picture
  EXPECT_EQ(p.StoredHeight, 128);
  // The embedded preview is stored unturned (160 x 120); it comes in upright.
  ASSERT_EQ(p.Bitmap.Width(), 120);
  ASSERT_EQ(p.Bitmap.Height(), 160);
  const Rgb blue = At(p.Bitmap, 60, 80);
  EXPECT_GT(blue.B, 200);
  EXPECT_LT(blue.R, 60);
  EXPECT_EQ(p.PendingOrientation, 1);
  // The whole decode still reads the mosaic (grey, red and green), turned upright.
  const TDecodedPicture full = DecodeRawFile(path, false);
  ASSERT_EQ(full.Bitmap.Width(), 96);
  const Rgb red = At(full.Bitmap, 80, 20);
  EXPECT_GT(red.R, red.G + 80);
}

TEST(RawImage, FilesLibRawCannotReadFail) {
  ScratchDir dir;
  const std::string notes = dir.File("notes.txt");
  WriteAll(notes, std::vector<uint8_t>(300, 'x'));
  TRawImage raw(notes);
  EXPECT_THROW(raw.LoadFromFile(notes), EVelinorError);
  EXPECT_TRUE(raw.Bitmap.Empty());
  EXPECT_EQ(raw.Width, 0);
  EXPECT_THROW(RawCameraDescription(notes), EVelinorError);
  EXPECT_THROW(RawCameraDescription(dir.File("missing.nef")), EVelinorError);
  // A DNG cut short: the headers read, the sensor data is missing.
  WriteDng(dir.File("cut.dng"), DngOptions{});
  auto bytes = ReadAll(dir.File("cut.dng"));
  bytes.resize(bytes.size() / 3);
  EXPECT_THROW(DecodeRaw(bytes.data(), bytes.size(), false), EVelinorError);
  EXPECT_THROW(DecodeRaw(nullptr, 0, false), EVelinorError);
}

TEST(RawImage, CameraRawExtensionsStartWithTheRawTable) {
  const auto& exts = CameraRawExtensions();
  ASSERT_GE(exts.size(), 15u);
  EXPECT_EQ(exts.front(), "raw");
  EXPECT_EQ(exts[14], "dng");
  for (const std::string& e : exts) EXPECT_EQ(e.find('.'), std::string::npos) << e;
  EXPECT_NE(std::find(exts.begin(), exts.end(), "arw"), exts.end());
  EXPECT_NE(std::find(exts.begin(), exts.end(), "cr3"), exts.end());
}

}  // namespace
