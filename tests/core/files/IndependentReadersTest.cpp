// Files written here open in other programs (checked when those programs are
// installed), and the extension routes reach every codec.
#include <gtest/gtest.h>

#include "CodecTestSupport.h"
#include "core/base/Errors.h"
#include "core/files/BmpCodec.h"
#include "core/files/FileRoutes.h"
#include "core/files/PnmReader.h"

using namespace velinor;
using namespace velinor::testing;

TEST(FileRoutes, EveryWritableExtensionRoundTrips) {
  ScratchDir dir;
  const TBitmap picture = BlockyBitmap(37, 21, TPixelFormat::pf24bit, 5);
  for (const char* ext : {".png", ".tif", ".tiff", ".fax", ".tga", ".gif", ".rle", ".bmp"}) {
    const std::string path = dir.File(std::string("x") + ext);
    WriteImageFile(path, picture, 300);
    TBitmap back = ReadImageFile(path);
    if (back.PixelFormat() == TPixelFormat::pf8bit) back.SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_TRUE(SamePixels(back, picture)) << ext;
  }
  EXPECT_THROW(WriteImageFile(dir.File("x.pcx"), picture, 300), EUnsupportedFormat);
  EXPECT_THROW(ReadImageFile(dir.File("missing.sgi")), EReadError);
}

TEST(IndependentReaders, OtherProgramsOpenWhatWeWrite) {
  if (!HaveTool("identify")) GTEST_SKIP() << "ImageMagick not installed";
  ScratchDir dir;
  const TBitmap picture = RandomBitmap(45, 31, TPixelFormat::pf24bit, 6);
  TBitmap alpha = RandomBitmap(45, 31, TPixelFormat::pf32bit, 7);
  for (const char* name : {"a.png", "a.tif", "a.gif", "a.tga", "a.rle"}) {
    const std::string path = dir.File(name);
    WriteImageFile(path, picture, 300);
    std::string out;
    const std::string typed = std::string(name) == "a.rle" ? "bmp:" + path : path;
    EXPECT_EQ(RunTool("identify -regard-warnings '" + typed + "'", &out), 0) << name << ": " << out;
    EXPECT_NE(out.find("45x31"), std::string::npos) << out;
  }
  WriteImageFile(dir.File("alpha.tga"), alpha, 0);
  WriteImageFile(dir.File("alpha.png"), alpha, 0);
  WriteImageFile(dir.File("alpha.tif"), alpha, 0);
  for (const char* name : {"alpha.tga", "alpha.png", "alpha.tif"}) {
    std::string out;
    EXPECT_EQ(RunTool("identify -format '%A' '" + dir.File(name) + "'", &out), 0) << out;
    EXPECT_NE(out.find("True"), std::string::npos) << name << " keeps its alpha: " << out;
  }
  if (HaveTool("pngcheck")) {
    std::string out;
    EXPECT_EQ(RunTool("pngcheck -v '" + dir.File("a.png") + "'", &out), 0) << out;
    EXPECT_NE(out.find("11811 pixels/meter"), std::string::npos) << out;
  }
  if (HaveTool("tiffinfo")) {
    std::string out;
    EXPECT_EQ(RunTool("tiffinfo '" + dir.File("a.tif") + "'", &out), 0) << out;
    EXPECT_NE(out.find("LZW"), std::string::npos) << out;
    EXPECT_NE(out.find("horizontal differencing"), std::string::npos) << out;
  }
}

TEST(IndependentReaders, ImageMagickDecodesTheRle8Body) {
  if (!HaveTool("convert")) GTEST_SKIP() << "ImageMagick not installed";
  ScratchDir dir;
  const TBitmap picture = BlockyBitmap(77, 23, TPixelFormat::pf8bit, 8);
  WriteImageFile(dir.File("p.rle"), picture, 0);
  ASSERT_EQ(RunTool("convert 'bmp:" + dir.File("p.rle") + "' '" + dir.File("p.ppm") + "'"), 0);
  const auto ppm = ReadAll(dir.File("p.ppm"));
  const auto rle = ReadAll(dir.File("p.rle"));
  const TBitmap theirs = ReadPnm(ppm.data(), ppm.size());
  const TBitmap ours = ReadBmp(rle.data(), rle.size());
  EXPECT_TRUE(SamePixels(theirs, ours));
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 77; ++x) ASSERT_EQ(ours.Pixel(x, y), picture.Pixel(x, y));
}
