// Camera raw files through LibRaw, on minimal valid DNG files (DngTestSupport.h):
// a Bayer (RGGB) mosaic with black and white levels, a colour matrix and the
// white balance the camera saw.
#include <gtest/gtest.h>

#include <algorithm>

#include "DngTestSupport.h"
#include "PhotoTestSupport.h"
#include "core/base/Errors.h"
#include "core/files/RawImage.h"

using namespace velinor;
using namespace velinor::testing;

namespace {

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
  WithBluePreview(o);
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
