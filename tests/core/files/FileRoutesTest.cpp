// The route table as a user meets it: every extension the registry lists opens
// through the reader of its class, and the hook is shown the object that really
// reads or writes (the PNG and TIFF adapters among them).
#include <gtest/gtest.h>

#include <map>

#include "TestFiles.h"
#include "core/base/Errors.h"
#include "core/files/FileRoutes.h"
#include "core/files/RawImage.h"
#include "core/files/FormatRegistry.h"
#include "core/files/ImageDispatch.h"
#include "core/files/PngUtils.h"
#include "core/files/SafeFile.h"
#include "core/files/TiffUtils.h"

using namespace velinor;
using velinor::test::TempDir;

namespace {

struct Messages : IMessageSink {
  std::vector<std::string> shown;
  void ShowError(const std::string& text) override { shown.push_back(text); }
};

class RouteTable : public ::testing::Test {
 protected:
  void SetUp() override {
    StartImageFiles();
    SetMessageSink(&messages);
    SetFileDialogs(nullptr);
  }
  void TearDown() override {
    OnImageFile = nullptr;
    SetMessageSink(nullptr);
  }
  Messages messages;
  TempDir dir;
};

std::string Seed(const std::string& name) { return std::string(VELINOR_FUZZ_CORPUS) + "/" + name; }

// A file of every registry class that has a reader here.
const std::map<std::string, std::string>& SeedOfClass() {
  static const std::map<std::string, std::string> seeds = {
      {"TBitmap", "bmp/rgb24.bmp"},      {"TGIFImage", "gif/single.gif"},  {"TIcon", "ico/palette.ico"},
      {"TJPEGImage", "jpeg/baseline.jpg"}, {"TMyImageLayeredReg", "ovi/one_layer.ovi"},
      {"TOvsImage", "ovs/rect.ovs"},      {"TPCXGraphic", "pcx/rgb.pcx"},   {"TPngImage", "png/rgb.png"},
      {"TPPMGraphic", "pnm/p6.ppm"},      {"TSGIGraphic", "sgi/rgba.sgi"},  {"TTargaGraphic", "targa/rle24.tga"},
      {"TTiffImage", "tiff/lzw.tif"},
      // Today's formats.
      {"THeifImage", "heif/basic.heic"}, {"TAvifImage", "avif/basic.avif"}, {"TWebpImage", "webp/lossy.webp"},
      {"TJxlImage", "jxl/lossy.jxl"},    {"TRawImage", "raw/basic.dng"},
  };
  return seeds;
}

// The format object the hook is shown for a class's files.
std::string ReaderClassOf(const std::string& registryClass, const std::string& fileName) {
  if (registryClass == "TJPEGImage") return "TJpegImage2";
  if (registryClass == "TRawImage") return TRawImage(fileName).ClassName();  // by the RAW table's row
  return registryClass;
}

}  // namespace

TEST_F(RouteTable, EveryRegisteredExtensionOpensThroughItsClassReader) {
  std::vector<std::string> seen;
  OnImageFile = [&seen](TGraphic* graphic, const std::string&, TImageFileStep step, bool&) {
    if (step == ifBeforeLoad) seen.push_back(graphic ? graphic->ClassName() : "");
  };
  // The classic extensions and those of today's formats.
  ASSERT_EQ(FileFormatList().Extensions().size(), 44u + 3u + 1u + 1u + 1u + CameraRawExtensions().size());
  for (const auto& entry : FileFormatList().Extensions()) {
    SCOPED_TRACE(entry.Extension);
    const std::string& cls = entry.GraphicClass;
    std::string name = dir / ("picture." + entry.Extension);
    const auto seed = SeedOfClass().find(cls);
    WriteFileAtomically(name, seed == SeedOfClass().end() ? std::vector<uint8_t>(64, 0) : ReadFileBytes(Seed(seed->second)));
    EXPECT_EQ(LoadRouteFor(name).RegistryClass, cls);
    seen.clear();
    messages.shown.clear();
    TBitmap picture;
    TReadResult read;
    const int result = LoadImageFile(name, picture, "", &read);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], ReaderClassOf(cls, name));
    if (seed == SeedOfClass().end()) {
      // A class the registry lists for the open filter without a reader here.
      EXPECT_EQ(result, irFailed);
      EXPECT_EQ(messages.shown, (std::vector<std::string>{LoadFailedMessage(name) + "\nThis kind of file cannot be read"}));
    } else {
      EXPECT_EQ(result, irDone);
      EXPECT_FALSE(picture.Empty());
      EXPECT_TRUE(messages.shown.empty());
      for (const auto& c : FileFormatList().Classes()) {
        if (c.GraphicClass == cls) { EXPECT_EQ(read.Format, c.Description); }
      }
      EXPECT_EQ(read.OrigWidth, OptionsOE.OrigWidth);
    }
  }
}

TEST_F(RouteTable, TiffFilesUnderEveryTiffNameOpen) {
  const TBitmap photo = test::MakePhoto(23, 11);
  for (const char* ext : {".tif", ".TIFF", ".fax", ".tf8", ".btf", ".BTF"}) {
    SCOPED_TRACE(ext);
    const std::string name = dir / (std::string("scan") + ext);
    WriteTiffFile(name, photo, TTiffWriteOptions{});
    TReadResult read;
    const TBitmap back = ReadImageFile(name, &read);
    EXPECT_EQ(back.Width(), 23);
    EXPECT_EQ(back.Pixel(5, 7), photo.Pixel(5, 7));
    EXPECT_EQ(read.Format, "TIFF");
    EXPECT_EQ(read.DepthCode, 6);
  }
}

TEST_F(RouteTable, TheHookSeesTheAdaptersThatReadAndWrite) {
  const TBitmap photo = test::MakePhoto(12, 9);
  std::vector<std::string> checks;
  OnImageFile = [&checks](TGraphic* graphic, const std::string& name, TImageFileStep step, bool&) {
    const bool png = dynamic_cast<TPngImage*>(graphic) != nullptr;
    const bool tiff = dynamic_cast<TTiffImage*>(graphic) != nullptr;
    if (step == ifError) return;
    if (IsPngFile(name) && !png) checks.push_back("PNG object is a stand-in at step " + std::to_string(step));
    if (IsTiffFile(name) && !tiff) checks.push_back("TIFF object is a stand-in at step " + std::to_string(step));
    // After a load the adapter holds what it read.
    if (step == ifAfterLoad && png) checks.push_back("png depth " + std::to_string(static_cast<TPngImage*>(graphic)->DepthCode));
    if (step == ifAfterLoad && tiff) checks.push_back("tiff width " + std::to_string(static_cast<TTiffImage*>(graphic)->Width()));
    // Before a save it carries the options "Save as" set.
    if (step == ifBeforeSave && png) checks.push_back("png dpi " + std::to_string(static_cast<int>(static_cast<TPngImage*>(graphic)->Resolution)));
    if (step == ifBeforeSave && tiff) checks.push_back("tiff dpi " + std::to_string(static_cast<int>(static_cast<TTiffImage*>(graphic)->Resolution)));
  };
  OptionsOE.Resolution = SaveAsResolution;
  for (const char* n : {"a.png", "a.tif"}) {
    std::string name = dir / n;
    ASSERT_EQ(SaveFlatImage(name, photo, ""), irDone);
    TBitmap back;
    ASSERT_EQ(LoadImageFile(name, back, ""), irDone);
    EXPECT_EQ(back.Pixel(3, 4), photo.Pixel(3, 4));
  }
  EXPECT_EQ(checks, (std::vector<std::string>{"png dpi 300", "png depth 6", "tiff dpi 300", "tiff width 12"}));
}

TEST_F(RouteTable, AFlatSaveRefusesTheLayeredName) {
  std::string name = dir / "flat.ovi";
  EXPECT_EQ(SaveFlatImage(name, test::MakePhoto(4, 4), ""), irFailed);
  EXPECT_EQ(messages.shown, (std::vector<std::string>{SaveFailedMessage(name)}));
  EXPECT_TRUE(dir.Entries().empty());
  // Without the dispatch, a flat picture written as ".ovi" is a one-layer document.
  WriteImageFile(name, test::MakePhoto(4, 4), TWriteOptions{});
  EXPECT_EQ(ReadImageFile(name).Width(), 4);
}

TEST_F(RouteTable, SeveralFilesAreWrittenTogetherOrNotAtAll) {
  const TBitmap photo = test::MakePhoto(8, 6);
  const std::string a = dir / "a.png", b = dir / "b.bmp";
  WriteImageFiles({{a, TSaveSource{photo}}, {b, TSaveSource{photo}}});
  EXPECT_EQ(ReadImageFile(a).Pixel(1, 1), photo.Pixel(1, 1));
  EXPECT_EQ(ReadImageFile(b).Pixel(1, 1), photo.Pixel(1, 1));
  const auto before = ReadFileBytes(a);
  // The second name has no writer: the first file is not touched either.
  std::string failed;
  EXPECT_THROW(WriteImageFiles({{a, TSaveSource{test::MakePhoto(3, 3)}}, {dir / "c.pcx", TSaveSource{photo}}},
                               &failed),
               EUnsupportedFormat);
  EXPECT_EQ(failed, dir / "c.pcx");
  // The second cannot be written: nothing is replaced, nothing left behind.
  EXPECT_THROW(WriteImageFiles({{a, TSaveSource{test::MakePhoto(3, 3)}}, {dir / "no/d.png", TSaveSource{photo}}},
                               &failed),
               EWriteError);
  EXPECT_EQ(failed, dir / "no/d.png");
  EXPECT_EQ(ReadFileBytes(a), before);
  EXPECT_EQ(dir.Entries().size(), 2u);
}
