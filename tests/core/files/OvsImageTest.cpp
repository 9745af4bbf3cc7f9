// Selection files opened as pictures.
#include "core/files/OvsImage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/base/Errors.h"
#include "core/files/FileRoutes.h"
#include "core/files/FormatRegistry.h"

namespace velinor {
namespace {

TBitmap Read(const std::string& s) { return ReadOvs(reinterpret_cast<const uint8_t*>(s.data()), s.size()); }

int Grey(const TBitmap& b, int x, int y) { return GetRValue(b.Pixel(x, y)); }

TEST(OvsImage, RectangleWithItsMargin) {
  const TBitmap b = Read("Quillorvane Selection\r\nText\r\n-1\r\n100\r\n50\r\n");
  ASSERT_EQ(b.Width(), 116);  // margin 100 div 12 = 8
  ASSERT_EQ(b.Height(), 66);
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf24bit);
  for (int y = 0; y < 66; ++y)
    for (int x = 0; x < 116; ++x) {
      const bool in = x >= 8 && x < 108 && y >= 8 && y < 58;
      ASSERT_EQ(b.Pixel(x, y), in ? clBlack : clWhite) << x << "," << y;
    }
}

TEST(OvsImage, PolygonOutlineBecomesAPicture) {
  // Bounding rect 100 x 50 after the one-pixel growth.
  const TBitmap b = Read("4\n0;0\n99;0\n99;49\n0;49\n");
  ASSERT_EQ(b.Width(), 116);
  ASSERT_EQ(b.Height(), 66);
  EXPECT_EQ(b.Pixel(8, 8), clBlack);
  EXPECT_EQ(b.Pixel(107, 57), clBlack);
  EXPECT_EQ(b.Pixel(60, 30), clBlack);
  EXPECT_EQ(b.Pixel(7, 30), clWhite);
  EXPECT_EQ(b.Pixel(108, 30), clWhite);
}

TEST(OvsImage, SlantedEdgesAreSoftened) {
  // A triangle: its staircase edge gets ramps, a rectangle never does.
  const TBitmap tri = Read("-6\n120\n60\n");
  int between = 0;
  for (int y = 0; y < tri.Height(); ++y)
    for (int x = 0; x < tri.Width(); ++x) {
      const int g = Grey(tri, x, y);
      between += g > 0 && g < 255;
      ASSERT_EQ(g, GetBValue(tri.Pixel(x, y)));  // still grey
    }
  EXPECT_GT(between, 50);
  EXPECT_EQ(Grey(tri, 10 + 60, 10 + 50), 0);  // inside
  EXPECT_EQ(Grey(tri, 1, 1), 255);           // far outside
}

TEST(OvsImage, RegionFromBinaryRecords) {
  // A 3 x 2 region without its (1, 0) pixel: the picture is the region itself
  // (margin 3 div 12 = 0).
  std::string s = "Quillorvane Selection\r\nBinary\r\n";
  auto put = [&](int32_t v) { s.append(reinterpret_cast<const char*>(&v), 4); };
  const int recs[][3] = {{0, 0, 1 + 2 + 4}, {2, 0, 1 + 2 + 4}, {0, 1, 1 + 8}, {1, 1, 2 + 8}, {2, 1, 4 + 8}};
  put(5);
  for (const auto& r : recs) {
    put(r[0] + 33);
    put(r[2] + 77);
    put(r[1] + 33);
  }
  const TBitmap b = Read(s);
  ASSERT_EQ(b.Width(), 3);
  ASSERT_EQ(b.Height(), 2);
  EXPECT_EQ(Grey(b, 0, 0), 0);
  EXPECT_GT(Grey(b, 1, 0), 0);  // the notch is not black
  EXPECT_EQ(Grey(b, 2, 0), 0);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(Grey(b, x, 1), 0);
}

TEST(OvsImage, UnreadableSelectionsAreReadErrors) {
  for (const std::string& s : {std::string(), std::string("garbage"), std::string("0\n"),
                              std::string("-1\n0\n50\n"), std::string("-1\n-100\n50\n"),
                              std::string("2\n1;1\n")}) {
    TOvsImage image;
    image.Bitmap = TBitmap(3, 3);
    try {
      image.LoadFromStream(reinterpret_cast<const uint8_t*>(s.data()), s.size());
      ADD_FAILURE() << "accepted: " << s;
    } catch (const EReadError& e) {
      EXPECT_STREQ(e.what(), "Fichier de données invalide !");
    }
    EXPECT_TRUE(image.Bitmap.Empty());
  }
  EXPECT_THROW(Read("-1\n60000\n60000\n"), EOutOfLimits);
  // The limit follows the machine's memory: test it with a given one.
  const auto readWithin = [](const std::string& s, int64_t maxBytes) {
    return ReadOvs(reinterpret_cast<const uint8_t*>(s.data()), s.size(), maxBytes);
  };
  EXPECT_THROW(readWithin("2\n0;0\n30000;30000\n", int64_t{1} << 30), EOutOfLimits);
  EXPECT_THROW(readWithin("-1\n100\n100\n", 1000), EOutOfLimits);
}

TEST(OvsImage, ReachedThroughTheFileRoutes) {
  InitImageFiles();
  const auto path = std::filesystem::temp_directory_path() / "velinor_ovs_route_test.ovs";
  { std::ofstream(path, std::ios::binary) << "-2\r\n24\r\n12\r\n"; }
  const TBitmap b = ReadImageFile(path.string());
  std::filesystem::remove(path);
  EXPECT_EQ(b.Width(), 28);
  EXPECT_EQ(b.Height(), 16);
}

}  // namespace
}  // namespace velinor
