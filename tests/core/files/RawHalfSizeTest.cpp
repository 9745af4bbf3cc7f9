// The quick half-size preview of a raw file against LibRaw's own half-size
// processing of the same file, on DNG files of every Bayer layout, with one or
// four black levels, masked margins, odd sizes, every turn, a white level
// above the data, and grain everywhere; and the files it leaves to LibRaw.
#include <gtest/gtest.h>

#include <memory>

#include "DngTestSupport.h"
#include "PhotoTestSupport.h"
#include "core/base/Parallel.h"
#include "core/files/RawHalfSize.h"
#include "core/files/RawImage.h"

using namespace velinor;
using namespace velinor::testing;

namespace {

// LibRaw's own half-size picture of the file, as B,G,R.
TBitmap LibRawHalfSize(const std::string& path) {
  auto raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
  EXPECT_EQ(raw->open_file(path.c_str()), LIBRAW_SUCCESS);
  SetRawOutputOptions(*raw, true);
  EXPECT_EQ(raw->unpack(), LIBRAW_SUCCESS);
  EXPECT_EQ(raw->dcraw_process(), LIBRAW_SUCCESS);
  int code = 0;
  libraw_processed_image_t* img = raw->dcraw_make_mem_image(&code);
  if (!img) {
    ADD_FAILURE() << "no output: " << code;
    return {};
  }
  EXPECT_EQ(img->colors, 3);
  EXPECT_EQ(img->bits, 8);
  TBitmap b(img->width, img->height, TPixelFormat::pf24bit);
  for (int y = 0; y < b.Height(); ++y) {
    const uint8_t* s = img->data + static_cast<size_t>(y) * img->width * 3;
    uint8_t* d = b.ScanLine(y);
    for (int x = 0; x < b.Width(); ++x, s += 3, d += 3) d[0] = s[2], d[1] = s[1], d[2] = s[0];
  }
  LibRaw::dcraw_clear_mem(img);
  return b;
}

// The quick picture; false when it leaves the file to LibRaw.
bool QuickPicture(const std::string& path, TBitmap& out) {
  auto raw = std::make_unique<TLibRaw>();
  EXPECT_EQ(raw->open_file(path.c_str()), LIBRAW_SUCCESS);
  SetRawOutputOptions(*raw, true);
  EXPECT_EQ(raw->unpack(), LIBRAW_SUCCESS);
  return QuickHalfSize(*raw, out);
}

struct Layout {
  const char* Name;
  uint8_t Pattern[4];
};
constexpr Layout Layouts[] = {
    {"RGGB", {0, 1, 1, 2}}, {"BGGR", {2, 1, 1, 0}}, {"GRBG", {1, 0, 2, 1}}, {"GBRG", {1, 2, 0, 1}}};

// Differences allowed from LibRaw's picture: the same integer steps and float
// operations in the same order, so none is expected; one level on a rare
// value would be a float rounding the other way. (Rounding the scaled
// samples instead of truncating them already gives a mean of 0.002.)
constexpr int MaxLevels = 1;
constexpr double MeanLevels = 0.001;

void ExpectLikeLibRaw(const std::string& path, const std::string& what) {
  SCOPED_TRACE(what);
  TBitmap quick;
  ASSERT_TRUE(QuickPicture(path, quick));
  const TBitmap reference = LibRawHalfSize(path);
  ASSERT_EQ(quick.Width(), reference.Width());
  ASSERT_EQ(quick.Height(), reference.Height());
  const TDiff d = Difference(quick, reference);
  EXPECT_LE(d.Max, MaxLevels);
  EXPECT_LE(d.Mean, MeanLevels);
  // And it is what the preview load hands back.
  const TDecodedPicture preview = DecodeRawFile(path, true);
  EXPECT_TRUE(SamePixels(preview.Bitmap, quick));
}

TEST(RawHalfSize, EveryBayerLayoutAndBlackLevelMatchesLibRaw) {
  ScratchDir dir;
  for (const Layout& layout : Layouts) {
    DngOptions o;
    o.Width = 190, o.Height = 142;
    o.Scene = PhotoScene;
    std::copy(layout.Pattern, layout.Pattern + 4, o.Pattern);
    o.Neutral[0] = 0.52, o.Neutral[2] = 0.71;
    o.White = 16383;
    // One black level, then four (one a place of the block).
    const std::string one = dir.File(std::string(layout.Name) + "-one.dng");
    o.Black[0] = o.Black[1] = o.Black[2] = o.Black[3] = 512;
    WriteDng(one, o);
    ExpectLikeLibRaw(one, std::string(layout.Name) + ", one black level");
    const std::string four = dir.File(std::string(layout.Name) + "-four.dng");
    o.Black[0] = 500, o.Black[1] = 530, o.Black[2] = 470, o.Black[3] = 515;
    WriteDng(four, o);
    ExpectLikeLibRaw(four, std::string(layout.Name) + ", four black levels");
  }
}

TEST(RawHalfSize, EveryTurnOddSizesAndMarginsMatchLibRaw) {
  ScratchDir dir;
  for (int orientation : {1, 3, 6, 8}) {
    DngOptions o;
    o.Width = 131, o.Height = 97;  // the last row and column of blocks half stored
    o.Orientation = orientation;
    o.Scene = PhotoScene;
    o.Neutral[0] = 0.6, o.Neutral[2] = 0.8;
    const std::string path = dir.File("turn" + std::to_string(orientation) + ".dng");
    WriteDng(path, o);
    ExpectLikeLibRaw(path, "orientation " + std::to_string(orientation));
    TBitmap quick;
    ASSERT_TRUE(QuickPicture(path, quick));
    const bool upright = orientation < 5;
    EXPECT_EQ(quick.Width(), upright ? 66 : 49);
    EXPECT_EQ(quick.Height(), upright ? 49 : 66);
  }
  // Masked margins of odd widths: the pattern starts one place further in.
  for (int left : {0, 3}) {
    for (int top : {1, 2}) {
      DngOptions o;
      o.Width = 120, o.Height = 90;
      o.Margin[0] = left, o.Margin[1] = top;
      o.Pattern[0] = 2, o.Pattern[3] = 0;  // B G / G R
      o.Scene = PhotoScene;
      o.Neutral[0] = 0.5, o.Neutral[2] = 0.9;
      const std::string path = dir.File("margins" + std::to_string(left) + std::to_string(top) + ".dng");
      WriteDng(path, o);
      ExpectLikeLibRaw(path, "margins " + std::to_string(left) + ", " + std::to_string(top));
    }
  }
}

TEST(RawHalfSize, WhiteLevelAboveTheDataAndPlainGreysMatchLibRaw) {
  ScratchDir dir;
  // LibRaw lowers a white level well above every sample to the largest one,
  // and with nothing clipping, the brightest 1 % sets the curve's white point.
  DngOptions ramps;
  ramps.Width = 160, ramps.Height = 120;
  ramps.Scene = RampScene;
  ramps.Neutral[0] = 0.9, ramps.Neutral[2] = 0.95;
  ramps.White = 65535, ramps.Black[0] = ramps.Black[1] = ramps.Black[2] = ramps.Black[3] = 2048;
  WriteDng(dir.File("ramps.dng"), ramps);
  ExpectLikeLibRaw(dir.File("ramps.dng"), "ramps");
  // And where red clips once scaled, which white level was taken shows.
  ramps.Scene = RedRampScene;
  ramps.Neutral[0] = 0.5;
  WriteDng(dir.File("red.dng"), ramps);
  ExpectLikeLibRaw(dir.File("red.dng"), "red ramps");
  // The largest samples all in odd columns (red, in G R / B G).
  ramps.Neutral[0] = 0.75;
  const uint8_t grbg[4] = {1, 0, 2, 1};
  std::copy(grbg, grbg + 4, ramps.Pattern);
  WriteDng(dir.File("red-odd.dng"), ramps);
  ExpectLikeLibRaw(dir.File("red-odd.dng"), "red in odd columns");
  // The flat patches of the first raw test, with the camera's white balance neutral.
  WriteDng(dir.File("patches.dng"), DngOptions{});
  ExpectLikeLibRaw(dir.File("patches.dng"), "patches");
}

TEST(RawHalfSize, SameResultOnOneThreadAndOnMany) {
  ScratchDir dir;
  DngOptions o;
  o.Width = 640, o.Height = 480;  // enough blocks for four threads
  o.Scene = RampScene;
  o.Neutral[0] = 0.85, o.Neutral[2] = 0.9;
  const std::string path = dir.File("big.dng");
  WriteDng(path, o);
  TBitmap many, one;
  SetEngineThreads(4);
  const bool quickMany = QuickPicture(path, many);
  ExpectLikeLibRaw(path, "four threads");
  SetEngineThreads(1);
  const bool quickOne = QuickPicture(path, one);
  SetEngineThreads(0);
  ASSERT_TRUE(quickMany && quickOne);
  EXPECT_TRUE(SamePixels(one, many));
}

TEST(RawHalfSize, OtherFilesAreLeftToLibRaw) {
  ScratchDir dir;
  // Already demosaiced: no mosaic to halve.
  DngOptions linear;
  linear.Linear = true;
  linear.Scene = PhotoScene;
  linear.Neutral[0] = 0.6, linear.Neutral[2] = 0.8;
  // No white balance in the file: LibRaw chooses one.
  DngOptions noBalance;
  noBalance.HasNeutral = false;
  noBalance.Scene = PhotoScene;
  for (const auto& [name, options] : {std::pair{"linear", linear}, std::pair{"no-balance", noBalance}}) {
    SCOPED_TRACE(name);
    const std::string path = dir.File(std::string(name) + ".dng");
    WriteDng(path, options);
    TBitmap quick;
    EXPECT_FALSE(QuickPicture(path, quick));
    EXPECT_TRUE(quick.Empty());
    // The preview is then LibRaw's own, to the bit.
    const TDecodedPicture preview = DecodeRawFile(path, true);
    EXPECT_TRUE(SamePixels(preview.Bitmap, LibRawHalfSize(path)));
  }
}

}  // namespace
