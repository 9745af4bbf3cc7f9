#include <gtest/gtest.h>

#include "core/files/FormatRegistry.h"
#include "core/files/SaveTypeChange.h"

using namespace velinor;

TEST(SaveTypeChange, PatternOfEachFilterEntry) {
  const std::string f = "BMP (*.bmp)|*.bmp|JPEG (*.jpg;*.jpeg)|*.jpg;*.jpeg|TIFF (*.tif;*.tiff)|*.tif;*.tiff";
  EXPECT_EQ(FilterPattern(f, 1), "*.bmp");
  EXPECT_EQ(FilterPattern(f, 2), "*.jpg;*.jpeg");
  EXPECT_EQ(FilterPattern(f, 3), "*.tif;*.tiff");
  EXPECT_EQ(FilterPattern(f, 0), "");
  EXPECT_EQ(FilterPattern(f, 4), "");
  EXPECT_EQ(FilterPattern("", 1), "");
  EXPECT_EQ(FilterPattern("Lonely description", 1), "");
  // The real save filter: row 3 is JPEG.
  EXPECT_EQ(FilterPattern(BuildSaveFilter(), 3), "*.jpg;*.jpeg;*.jpe;*.jfif");
}

TEST(SaveTypeChange, ExtensionOfPattern) {
  EXPECT_EQ(PatternExtension("*.jpg;*.jpeg"), ".jpg");
  EXPECT_EQ(PatternExtension("*.bmp"), ".bmp");
  EXPECT_EQ(PatternExtension("bmp"), ".bmp");  // no "." gets one in front
  EXPECT_EQ(PatternExtension("*.tar.gz"), ".tar.gz");
}

TEST(SaveTypeChange, TypedNameTakesTheTypesExtension) {
  EXPECT_EQ(NameForFilterPattern("photo.bmp", "*.jpg;*.jpeg"), "photo.jpg");
  EXPECT_EQ(NameForFilterPattern("/home/a.b/photo.bmp", "*.png"), "/home/a.b/photo.png");
  EXPECT_EQ(NameForFilterPattern("my.photo.bmp", "*.tif;*.tiff"), "my.photo.tif");
  // Without extension the name gets one; a dot in a folder name is not one.
  EXPECT_EQ(NameForFilterPattern("photo", "*.gif"), "photo.gif");
  EXPECT_EQ(NameForFilterPattern("/home/a.b/photo", "*.gif"), "/home/a.b/photo.gif");
  EXPECT_EQ(NameForFilterPattern(".hidden", "*.gif"), ".hidden.gif");
  EXPECT_EQ(NameForFilterPattern("photo.", "*.gif"), "photo.gif");
  // An empty field stays empty.
  EXPECT_EQ(NameForFilterPattern("", "*.jpg"), "");
}
