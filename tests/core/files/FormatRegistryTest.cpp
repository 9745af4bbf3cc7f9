#include <gtest/gtest.h>

#include "core/base/Errors.h"
#include "core/files/FileRoutes.h"
#include "core/files/FormatRegistry.h"
#include "core/files/RawImage.h"
#include "core/files/SafeFile.h"

using namespace velinor;

namespace {
struct Started : ::testing::Environment {
  void SetUp() override { StartImageFiles(); }
};
const auto* const started = ::testing::AddGlobalTestEnvironment(new Started);
}  // namespace

TEST(FormatRegistry, HoldsEveryRowAfterStartUp) {
  const TFileFormatList& r = FileFormatList();
  // The classic rows, then today's formats (HEIF, AVIF, WebP, JPEG XL, camera raw).
  size_t classic = 0, classicExtensions = 0;
  for (const auto& c : r.Classes())
    if (!c.Extra) ++classic, classicExtensions += static_cast<size_t>(c.Count);
  EXPECT_EQ(classic, 19u);
  EXPECT_EQ(classicExtensions, 44u);
  EXPECT_EQ(r.Classes().size(), 19u + 5u);
  EXPECT_EQ(r.Extensions().size(), 44u + 3u + 1u + 1u + 1u + CameraRawExtensions().size());
  EXPECT_EQ(r.ClassOf("HEIC"), "THeifImage");
  EXPECT_EQ(r.ClassOf("arw"), "TRawImage");
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
            "Common images|*.png;*.jpg;*.jpeg;*.tif;*.tiff;*.tga;*.bmp;*.gif;*.ovi"
            ";*.webp;*.avif;*.heic;*.heif;*.hif;*.jxl|"
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
            "TIFF (*.btf;*.fax;*.tf8;*.tif;*.tiff)|*.btf;*.fax;*.tf8;*.tif;*.tiff|"
            // Today's formats after the classic rows, in description order among themselves.
            "AVIF (*.avif)|*.avif|"
            "Camera raw (*.3fr;*.arw;*.cam;*.cr2;*.cr3;*.crw;*.dc2;*.dcr;*.dng;*.erf;*.iiq;*.kdc;*.mef;*.mos;*.mrw;"
            "*.nef;*.nrw;*.orf;*.pef;*.raf;*.raw;*.rw2;*.rwl;*.sr2;*.srf;*.srw;*.x3f)|"
            "*.3fr;*.arw;*.cam;*.cr2;*.cr3;*.crw;*.dc2;*.dcr;*.dng;*.erf;*.iiq;*.kdc;*.mef;*.mos;*.mrw;"
            "*.nef;*.nrw;*.orf;*.pef;*.raf;*.raw;*.rw2;*.rwl;*.sr2;*.srf;*.srw;*.x3f|"
            "HEIF (*.heic;*.heif;*.hif)|*.heic;*.heif;*.hif|"
            "JPEG XL (*.jxl)|*.jxl|"
            "WebP (*.webp)|*.webp");
}

TEST(FormatRegistry, SaveFilterIsExact) {
  EXPECT_EQ(BuildSaveFilter(),
            "BMP (*.bmp)|*.bmp|GIF (*.gif)|*.gif|JPEG (*.jpg;*.jpeg;*.jpe;*.jfif)|*.jpg;*.jpeg;*.jpe;*.jfif|"
            "Quillorvane (*.ovi)|*.ovi|PNG (*.png)|*.png|RLE (*.rle)|*.rle|Targa (*.tga)|*.tga|"
            "TIFF (*.tif;*.tiff)|*.tif;*.tiff|"
            "WebP (*.webp)|*.webp|AVIF (*.avif)|*.avif");
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
  EXPECT_EQ(FindSaveFilterIndex("x.webp"), 8);
  EXPECT_EQ(FindSaveFilterIndex("x.AVIF"), 9);
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

namespace {
std::string LoadRoute(const std::string& name) { return LoadRouteFor(name).Name; }
std::string SaveRoute(const std::string& name) {
  const TFileRoute* route = SaveRouteFor(name);
  return route ? route->Name : "none";
}
}  // namespace

TEST(Routes, LoadRouteByExtension) {
  EXPECT_EQ(LoadRoute("photo.JPG"), "JPEG");
  EXPECT_EQ(LoadRoute("photo.Jpeg"), "JPEG");
  EXPECT_EQ(LoadRoute("photo.jfif"), "JPEG");
  EXPECT_EQ(LoadRoute("photo.jp"), "JPEG");
  EXPECT_EQ(LoadRoute("photo.jpe"), "JPEG");
  EXPECT_EQ(LoadRoute("photo"), "RAW");
  EXPECT_EQ(LoadRoute("dir.jpg/photo"), "RAW");
  EXPECT_EQ(LoadRoute("IMG_0001.CR2"), "RAW");
  EXPECT_EQ(LoadRoute("photo.nef"), "RAW");
  EXPECT_EQ(LoadRoute("notes.txt"), "RAW");
  EXPECT_EQ(LoadRoute("picture.c"), "RAW");
  EXPECT_EQ(LoadRoute("a.png"), "PNG");
  EXPECT_EQ(LoadRoute("a.gif"), "GIF");
  EXPECT_EQ(LoadRoute("a.ovi"), "Quillorvane");
  EXPECT_EQ(LoadRoute("a.TIFF"), "TIFF");
  EXPECT_EQ(LoadRoute("a.fax"), "TIFF");
  // Through the registry: the row of the class it names.
  EXPECT_EQ(LoadRoute("a.tf8"), "TIFF");
  EXPECT_EQ(LoadRoute("a.bmp"), "BMP");
  EXPECT_EQ(LoadRoute("a.tga"), "Targa");
  EXPECT_EQ(LoadRoute("a.pcx"), "Paintbrush");
  EXPECT_EQ(LoadRoute("a.ico"), "Icon");
  EXPECT_EQ(LoadRoute("IMG_0001.HEIC"), "HEIF");
  EXPECT_EQ(LoadRoute("a.hif"), "HEIF");
  EXPECT_EQ(LoadRoute("a.avif"), "AVIF");
  EXPECT_EQ(LoadRoute("a.webp"), "WebP");
  EXPECT_EQ(LoadRoute("a.jxl"), "JPEG XL");
  EXPECT_EQ(LoadRoute("DSC0001.ARW"), "RAW");  // "Camera raw", not in the RAW table
  EXPECT_EQ(LoadRoute("a.cr3"), "RAW");
  for (const char* name : {"a.tf8", "a.bmp", "a.tga", "a.pcx", "a.ico"})
    EXPECT_EQ(LoadRouteFor(name).RegistryClass, FileFormatList().ClassOf(LowerExtension(name).substr(1))) << name;
}

TEST(Routes, SaveRouteByExtension) {
  EXPECT_EQ(SaveRoute("x.tiff"), "TIFF");
  EXPECT_EQ(SaveRoute("x.fax"), "TIFF");
  EXPECT_EQ(SaveRoute("x.DIB"), "BMP");
  EXPECT_EQ(SaveRoute("x.rle"), "RLE");
  EXPECT_EQ(SaveRoute("x.jp"), "JPEG");
  EXPECT_EQ(SaveRoute("x.tga"), "Targa");
  EXPECT_EQ(SaveRoute("x.pcx"), "none");
  EXPECT_EQ(SaveRoute("x.WEBP"), "WebP");
  EXPECT_EQ(SaveRoute("x.avif"), "AVIF");
  EXPECT_EQ(SaveRoute("x.heic"), "none");  // read only
  EXPECT_EQ(SaveRoute("x.jxl"), "none");
  EXPECT_EQ(SaveRoute("x"), "none");
  // The layered writer takes ".ovi"; "Save as" hands it the document and a flat
  // save refuses the name (ImageDispatchTest).
  EXPECT_EQ(SaveRoute("x.ovi"), "Quillorvane");
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
  // A file LibRaw cannot read (here: none at all) fails and reports no size.
  TRawImage raw;
  raw.Width = 5;
  EXPECT_THROW(raw.LoadFromFile("x.nef"), EVelinorError);
  EXPECT_EQ(raw.Width, 0);
  EXPECT_TRUE(raw.Bitmap.Empty());
}

TEST(Routes, JpegTestUsesTheRegisteredList) {
  EXPECT_EQ(JpegExtensionList(), ".jfif;.jpg;.jpe;.jpeg");
  EXPECT_TRUE(IsJpegFile("a.j"));
  EXPECT_TRUE(IsJpegFile("a.JFI"));
  EXPECT_FALSE(IsJpegFile("a.pg"));
  EXPECT_FALSE(IsJpegFile("a"));
}
