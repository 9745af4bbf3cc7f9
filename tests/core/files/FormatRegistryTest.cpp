#include <gtest/gtest.h>

#include "base/Errors.h"
#include "files/FileRoutes.h"
#include "files/FormatRegistry.h"
#include "files/RawImage.h"

using namespace velinor;

namespace {
struct Started : ::testing::Environment {
  void SetUp() override { StartImageFiles(); }
};
const auto* const started = ::testing::AddGlobalTestEnvironment(new Started);
}  // namespace

TEST(FormatRegistry, HoldsEveryRowAfterStartUp) {
  const TFileFormatList& r = FileFormatList();
  EXPECT_EQ(r.Classes().size(), 19u);
  EXPECT_EQ(r.Extensions().size(), 44u);
  EXPECT_EQ(r.ClassOf("JPE"), "TJPEGImage");
  EXPECT_EQ(r.ClassOf("tf8"), "TTiffImage");
  EXPECT_EQ(r.ClassOf("ico"), "TIcon");
  EXPECT_EQ(r.ClassOf("tub"), "TPSPGraphic");
  EXPECT_EQ(r.ClassOf("xyz"), "");
  EXPECT_EQ(r.PictureClassTable().at("ovs"), "TOvsImage");
  for (const auto& e : r.Extensions()) {
    if (e.GraphicClass == "TPSPGraphic") { EXPECT_EQ(e.FormatTypes, 24); }
    if (e.GraphicClass == "TGIFImage") { EXPECT_EQ(e.FormatTypes, 13); }
    if (e.GraphicClass == "TPSDGraphic" || e.GraphicClass == "TMyImageLayeredReg") { EXPECT_EQ(e.FormatTypes, 10); }
    if (e.GraphicClass == "TTiffImage") { EXPECT_EQ(e.FormatTypes, 12); }
    if (e.GraphicClass == "TMetafile") { EXPECT_EQ(e.FormatTypes, 16); }
  }
}

TEST(FormatRegistry, OpenFilterIsExact) {
  EXPECT_EQ(BuildOpenFilter(),
            "Common images|*.png;*.jpg;*.jpeg;*.tif;*.tiff;*.tga;*.bmp;*.gif;*.ovi|"
            "All images|*.*|"
            "Alias/Wavefront (*.rla;*.rpf)|*.rla;*.rpf|"
            "Autodesk (*.cel;*.pic)|*.cel;*.pic|"
            "BMP (*.bmp;*.dib;*.rle)|*.bmp;*.dib;*.rle|"
            "Dr. Halo (*.cut)|*.cut|"
            "GIF (*.gif)|*.gif|"
            "Icon (*.ico)|*.ico|"
            "JPEG (*.jfif;*.jpe;*.jpeg;*.jpg)|*.jfif;*.jpe;*.jpeg;*.jpg|"
            "Metafile (*.emf;*.wmf)|*.emf;*.wmf|"
            "Paintbrush (*.pcc;*.pcx;*.scr)|*.pcc;*.pcx;*.scr|"
            "Paintshop Pro (*.psp;*.tub)|*.psp;*.tub|"
            "Photo-CD (*.pcd)|*.pcd|"
            "Photoshop (*.pdd;*.psd)|*.pdd;*.psd|"
            "PNG (*.png)|*.png|"
            "Portable map (*.pbm;*.pgm;*.ppm)|*.pbm;*.pgm;*.ppm|"
            "Quillorvane Image (*.ovi)|*.ovi|"
            "Quillorvane Selection (*.ovs)|*.ovs|"
            "SGI (*.bw;*.rgb;*.rgba;*.sgi)|*.bw;*.rgb;*.rgba;*.sgi|"
            "Targa (*.icb;*.tga;*.vda;*.vst;*.win)|*.icb;*.tga;*.vda;*.vst;*.win|"
            "TIFF (*.btf;*.fax;*.tf8;*.tif;*.tiff)|*.btf;*.fax;*.tf8;*.tif;*.tiff");
}

TEST(FormatRegistry, SaveFilterIsExact) {
  EXPECT_EQ(BuildSaveFilter(),
            "BMP (*.bmp)|*.bmp|GIF (*.gif)|*.gif|JPEG (*.jpg;*.jpeg;*.jpe;*.jfif)|*.jpg;*.jpeg;*.jpe;*.jfif|"
            "Quillorvane (*.ovi)|*.ovi|PNG (*.png)|*.png|RLE (*.rle)|*.rle|Targa (*.tga)|*.tga|"
            "TIFF (*.tif;*.tiff)|*.tif;*.tiff");
}

TEST(FormatRegistry, FindSaveFilterIndexMatchesSubstringsFromTheLastRow) {
  EXPECT_EQ(FindSaveFilterIndex("x.bmp"), 0);
  EXPECT_EQ(FindSaveFilterIndex("x.GIF"), 1);
  EXPECT_EQ(FindSaveFilterIndex("x.jpe"), 2);
  EXPECT_EQ(FindSaveFilterIndex("x.jfif"), 2);
  EXPECT_EQ(FindSaveFilterIndex("x.ovi"), 3);
  EXPECT_EQ(FindSaveFilterIndex("x.tif"), 7);
  EXPECT_EQ(FindSaveFilterIndex("x.ti"), 7);
  EXPECT_EQ(FindSaveFilterIndex("C:\\Pictures\\photo.tif"), 7);
  EXPECT_EQ(FindSaveFilterIndex("x.pcx"), -1);
  EXPECT_EQ(FindSaveFilterIndex("noextension"), -1);
  EXPECT_EQ(FindSaveFilterIndex("dir.d/noextension"), -1);
}

TEST(FormatRegistry, RegisteringTwiceFailsUnlessReplacing) {
  TFileFormatList r;
  r.Register("abc", "Alpha", ftRaster, "TAlpha");
  try {
    r.Register("ABC", "Beta", ftRaster, "TBeta");
    FAIL() << "no exception";
  } catch (const EVelinorError& e) {
    EXPECT_STREQ(e.what(), "Attempt to register ABC twice.");
  }
  r.Register("abc", "Beta", ftRaster, "TBeta", true);
  EXPECT_EQ(r.ClassOf("abc"), "TBeta");
  ASSERT_EQ(r.Classes().size(), 1u);  // the class left without extensions goes
  EXPECT_EQ(r.Classes()[0].GraphicClass, "TBeta");
  r.Register("def", "", ftRaster, "TBeta");
  EXPECT_EQ(r.Classes()[0].Count, 2);
  EXPECT_EQ(r.GraphicFilter(), "Beta (*.abc; *.def)|*.abc; *.def");
  r.UnregisterClass("TBeta");
  EXPECT_TRUE(r.Classes().empty());
  EXPECT_TRUE(r.Extensions().empty());
  EXPECT_TRUE(r.PictureClassTable().empty());
}

TEST(FormatRegistry, ShutdownRemovesTheStartUpClasses) {
  TFileFormatList& r = FileFormatList();
  DoneImageFiles();
  EXPECT_FALSE(r.Knows("gif"));
  EXPECT_FALSE(r.Knows("tif"));
  EXPECT_FALSE(r.Knows("ovs"));
  EXPECT_TRUE(r.Knows("png"));
  // Put them back for the other tests.
  r.Register("gif", "GIF", 13, "TGIFImage");
  r.Register("ovi", "Quillorvane Image", 10, "TMyImageLayeredReg");
  r.Register("ovs", "Quillorvane Selection", 8, "TOvsImage");
  for (const char* e : {"tiff", "tif", "fax", "tf8", "btf"}) r.Register(e, "TIFF", 12, "TTiffImage");
}

TEST(Routes, LoadRouteByExtension) {
  EXPECT_EQ(ChooseLoadRoute("photo.JPG"), TLoadRoute::Jpeg);
  EXPECT_EQ(ChooseLoadRoute("photo.Jpeg"), TLoadRoute::Jpeg);
  EXPECT_EQ(ChooseLoadRoute("photo.jfif"), TLoadRoute::Jpeg);
  EXPECT_EQ(ChooseLoadRoute("photo.jp"), TLoadRoute::Jpeg);
  EXPECT_EQ(ChooseLoadRoute("photo.jpe"), TLoadRoute::Jpeg);
  EXPECT_EQ(ChooseLoadRoute("photo"), TLoadRoute::Raw);
  EXPECT_EQ(ChooseLoadRoute("dir.jpg/photo"), TLoadRoute::Raw);
  EXPECT_EQ(ChooseLoadRoute("IMG_0001.CR2"), TLoadRoute::Raw);
  EXPECT_EQ(ChooseLoadRoute("photo.nef"), TLoadRoute::Raw);
  EXPECT_EQ(ChooseLoadRoute("notes.txt"), TLoadRoute::Raw);
  EXPECT_EQ(ChooseLoadRoute("picture.c"), TLoadRoute::Raw);
  EXPECT_EQ(ChooseLoadRoute("a.png"), TLoadRoute::Png);
  EXPECT_EQ(ChooseLoadRoute("a.gif"), TLoadRoute::Gif);
  EXPECT_EQ(ChooseLoadRoute("a.ovi"), TLoadRoute::Layered);
  EXPECT_EQ(ChooseLoadRoute("a.TIFF"), TLoadRoute::Tiff);
  EXPECT_EQ(ChooseLoadRoute("a.fax"), TLoadRoute::Tiff);
  EXPECT_EQ(ChooseLoadRoute("a.tf8"), TLoadRoute::Generic);
  EXPECT_EQ(ChooseLoadRoute("a.bmp"), TLoadRoute::Generic);
  EXPECT_EQ(ChooseLoadRoute("a.tga"), TLoadRoute::Generic);
  EXPECT_EQ(ChooseLoadRoute("a.pcx"), TLoadRoute::Generic);
  EXPECT_EQ(ChooseLoadRoute("a.ico"), TLoadRoute::Generic);
}

TEST(Routes, SaveRouteByExtension) {
  EXPECT_EQ(ChooseSaveRoute("x.tiff"), TSaveRoute::Tiff);
  EXPECT_EQ(ChooseSaveRoute("x.fax"), TSaveRoute::Tiff);
  EXPECT_EQ(ChooseSaveRoute("x.DIB"), TSaveRoute::Bmp);
  EXPECT_EQ(ChooseSaveRoute("x.rle"), TSaveRoute::Rle);
  EXPECT_EQ(ChooseSaveRoute("x.jp"), TSaveRoute::Jpeg);
  EXPECT_EQ(ChooseSaveRoute("x.tga"), TSaveRoute::Targa);
  EXPECT_EQ(ChooseSaveRoute("x.pcx"), TSaveRoute::None);
  EXPECT_EQ(ChooseSaveRoute("x.ovi"), TSaveRoute::None);  // the layered save is SaveImageFile's
  EXPECT_EQ(ChooseSaveRoute("x"), TSaveRoute::None);
}

TEST(Routes, RawTestSearchesTheRawTable) {
  EXPECT_EQ(RawFilters().size(), 12u);
  EXPECT_TRUE(IsRawFile("a.dng"));
  EXPECT_TRUE(IsRawFile("a.DC2"));
  EXPECT_TRUE(IsRawFile("a.c"));    // inside "kdc;dcr;dc2"
  EXPECT_FALSE(IsRawFile("a"));
  EXPECT_FALSE(IsRawFile("a."));
  EXPECT_FALSE(IsRawFile("a.txt"));
  EXPECT_EQ(TRawImage("x.cr2").ClassName(), "TRawImageCanon");
  EXPECT_EQ(TRawImage("x.c").ClassName(), "TRawImageCasio");  // rows searched from the last
  EXPECT_EQ(TRawImage("x.dc").ClassName(), "TRawImageKodak");
  EXPECT_EQ(TRawImage("x.txt").ClassName(), "TRawImage");
  TRawImage raw;
  raw.Width = 5;
  try {
    raw.LoadFromFile("x.nef");
    FAIL() << "no exception";
  } catch (const EVelinorError& e) {
    EXPECT_STREQ(e.what(), "DLL not loaded");
  }
  EXPECT_EQ(raw.Width, 0);
}

TEST(Routes, JpegTestUsesTheRegisteredList) {
  EXPECT_EQ(JpegExtensionList(), ".jfif;.jpg;.jpe;.jpeg");
  EXPECT_TRUE(IsJpegFile("a.j"));
  EXPECT_TRUE(IsJpegFile("a.JFI"));
  EXPECT_FALSE(IsJpegFile("a.pg"));
  EXPECT_FALSE(IsJpegFile("a"));
}
