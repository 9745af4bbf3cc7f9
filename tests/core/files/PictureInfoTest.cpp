#include <gtest/gtest.h>

#include "core/files/PictureInfo.h"

using namespace velinor;

TEST(PictureInfo, FileSizeSteps) {
  EXPECT_EQ(FileSizeText(-1), "-1 octet");
  EXPECT_EQ(FileSizeText(1), "1 octet");
  EXPECT_EQ(FileSizeText(2), "2 octets");
  EXPECT_EQ(FileSizeText(1023), "1023 octets");
  EXPECT_EQ(FileSizeText(1024), "1.00 Ko");
  EXPECT_EQ(FileSizeText(1024, ','), "1,00 Ko");
  EXPECT_EQ(FileSizeText(1048575), "1024.00 Ko");
  EXPECT_EQ(FileSizeText(1048576), "1.00 Mo");
  EXPECT_EQ(FileSizeText(1073741823), "1024.00 Mo");
  EXPECT_EQ(FileSizeText(int64_t{3} << 30), "3.00 Go");
}

TEST(PictureInfo, DepthAndTransparencyLines) {
  EXPECT_EQ(DepthLine("a.gif", 3, true), "Gif animé");
  EXPECT_EQ(DepthLine("a.GIF", 6, false), "8 bits");
  EXPECT_EQ(DepthLine("a.ico", 6, false), "Icon");
  EXPECT_EQ(DepthLine("a.emf", 6, false), "Metafile");
  EXPECT_EQ(DepthLine("a.ovi", 6, false), "Quillorvane Image");
  EXPECT_EQ(DepthLine("a.ovs", 6, false), "Quillorvane Selection");
  EXPECT_EQ(DepthLine("a.png", 1, false), "1 bit");
  EXPECT_EQ(DepthLine("a.png", 2, false), "4 bits");
  EXPECT_EQ(DepthLine("a.png", 7, false), "32 bits");
  EXPECT_EQ(DepthLine("a.png", 0, false), "24 bits");
  TBitmap b(1, 1, TPixelFormat::pf32bit);
  EXPECT_EQ(TransparencyCodeOf(b), 2);
  b.Transparent = true;
  EXPECT_EQ(TransparencyCodeOf(b), 1);
  EXPECT_EQ(DepthCodeOf(TPixelFormat::pf8bit), 3);
}

TEST(PictureInfo, Lines) {
  TPictureInfo i;
  i.FileName = "/p/photo.jpg";
  i.OrigWidth = 1024;
  i.OrigHeight = 768;
  i.FileSize = 2048;
  i.TransparencyCode = 2;
  auto date = [](std::time_t) { return std::string("DATE"); };
  EXPECT_EQ(PictureInfoLines(i, date, {"Velinor", "EXIFDATE"}),
            (std::vector<std::string>{"1024x768 pixels", "24 bits", "RVBA (couche Alpha)", "2.00 Ko", "DATE", "",
                                      "Velinor", "EXIFDATE"}));
  i.Sizeable = false;  // no transparency line, no EXIF
  EXPECT_EQ(PictureInfoLines(i, date, {"Velinor"}).size(), 4u);
  i.Sizeable = true;
  i.FileName = "/p/anim.gif";
  i.GifAnimated = true;
  i.TransparencyCode = 1;
  EXPECT_EQ(PictureInfoLines(i, date, {"ignored"}),
            (std::vector<std::string>{"1024x768 pixels", "Gif animé", "2.00 Ko", "DATE"}));
}
