// Today's formats through the load/save dispatch and the open dialog's preview
// and information: opened like any other file, previews with their stored
// size, depth, transparency and EXIF lines; WebP and AVIF saved with the JPEG
// dialog's quality; a raw file LibRaw rejects fails with the load message.
#include <gtest/gtest.h>

#include "PhotoTestSupport.h"
#include "core/base/Errors.h"
#include "core/files/ExifSummary.h"
#include "core/files/FormatRegistry.h"
#include "core/files/HeifCodec.h"
#include "core/files/ImageDispatch.h"
#include "core/files/JpegOptions.h"
#include "core/files/PictureInfo.h"
#include "core/files/PicturePreview.h"
#include "core/files/WebpCodec.h"

using namespace velinor;
using namespace velinor::testing;

namespace {

struct Messages : IMessageSink {
  std::vector<std::string> shown;
  void ShowError(const std::string& text) override { shown.push_back(text); }
};

struct QualityDialog : IJpegOptionsDialog {
  bool answer = true;
  int position = 12;  // quality 60
  int shown = 0;
  bool Execute() override {
    ++shown;
    return answer;
  }
  int SliderPosition() const override { return position; }
  bool Progressive() const override { return true; }
};

class PhotoDispatch : public ::testing::Test {
 protected:
  void SetUp() override {
    StartImageFiles();
    SetMessageSink(&messages);
    OnImageFile = nullptr;
    OptionsOE.Quiet = false;
  }
  void TearDown() override {
    OnImageFile = nullptr;
    SetMessageSink(nullptr);
  }
  void InstallHook() {
    OnImageFile = [this](TGraphic* g, const std::string& name, TImageFileStep step, bool& cont) {
      JpegOptionsHook(dialog, g, name, step, cont);
    };
  }
  std::vector<std::string> InfoLines(const std::string& name, const TPicturePreview& p) {
    const TPictureInfo info = PreviewPictureInfo(name, p, true);
    return PictureInfoLines(info, [](std::time_t) { return std::string("DATE"); },
                            InformationExifLines(name, IsoDateTime));
  }
  Messages messages;
  QualityDialog dialog;
  ScratchDir dir;
};

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST_F(PhotoDispatch, EveryFormatOpensThroughLoadImageFile) {
  const TBitmap picture = TestPhoto(96, 64);
  const std::string png = dir.File("in.png");
  SaveTestPng(png, picture);
  struct Case {
    const char* name;
    const char* tool;
    std::string command;
  };
  const std::vector<Case> cases = {
      {"a.HEIC", "heif-enc", "heif-enc -q 90 -o {f} " + png},
      {"a.avif", "avifenc", "avifenc -y 444 " + png + " {f}"},
      {"a.webp", "cwebp", "cwebp -quiet " + png + " -o {f}"},
      {"a.jxl", "cjxl", "cjxl --quiet " + png + " {f}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!HaveTool(c.tool)) continue;
    std::string command = c.command;
    command.replace(command.find("{f}"), 3, dir.File(c.name));
    ASSERT_EQ(RunTool(command), 0);
    std::string name = dir.File(c.name);
    TBitmap target;
    ASSERT_EQ(LoadImageFile(name, target, ""), irDone);
    EXPECT_EQ(OptionsOE.OrigWidth, 96);
    EXPECT_EQ(OptionsOE.OrigHeight, 64);
    EXPECT_LE(Difference(target, picture).Mean, 4.0);
  }
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PhotoDispatch, PreviewAndInformationOfAHeicWithAlphaAndExif) {
  if (!HaveTool("heif-enc") || !HaveTool("exiftool") || !HaveTool("convert")) GTEST_SKIP();
  const std::string png = dir.File("a.png"), jpg = dir.File("a.jpg"), heic = dir.File("a.heic");
  SaveTestPng(png, TestPhoto(400, 300, true));
  ASSERT_EQ(RunTool("heif-enc -q 80 -t 100 -o " + heic + " " + png), 0);
  TPicturePreview p = LoadPicturePreview(heic);
  ASSERT_TRUE(p.Loaded);
  EXPECT_EQ(p.DepthCode, 7);
  EXPECT_EQ(p.TransparencyCode, 2);
  EXPECT_EQ(p.Picture.PixelFormat(), TPixelFormat::pf24bit);  // flattened onto white
  EXPECT_LE(std::max(p.Picture.Width(), p.Picture.Height()), 100);  // the file's thumbnail
  auto lines = InfoLines(heic, p);
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[0], "400x300 pixels");
  EXPECT_EQ(lines[1], "32 bits");
  EXPECT_EQ(lines[2], "RVBA (couche Alpha)");

  // With EXIF (carried over by heif-enc from a JPEG): the summary lines follow.
  ASSERT_EQ(RunTool("convert " + png + " -alpha off " + jpg), 0);
  ASSERT_EQ(RunTool("exiftool -q -overwrite_original -Make=Velinor -Model='Pocket 7' "
                    "'-ModifyDate=2025:06:07 08:09:10' " + jpg),
            0);
  ASSERT_EQ(RunTool("heif-enc -q 80 -o " + heic + " " + jpg), 0);
  p = LoadPicturePreview(heic);
  ASSERT_TRUE(p.Loaded);
  lines = InfoLines(heic, p);
  EXPECT_EQ(lines[1], "24 bits");
  EXPECT_TRUE(Has(lines, "Velinor"));
  EXPECT_TRUE(Has(lines, "Pocket 7"));
  EXPECT_TRUE(Has(lines, "2025-06-07 08:09"));
}

TEST_F(PhotoDispatch, PreviewAndInformationOfWebpAndJxl) {
  if (!HaveTool("cwebp") || !HaveTool("cjxl")) GTEST_SKIP();
  const std::string png = dir.File("a.png");
  SaveTestPng(png, TestPhoto(90, 60, true));
  ASSERT_EQ(RunTool("cwebp -quiet -lossless " + png + " -o " + dir.File("a.webp")), 0);
  ASSERT_EQ(RunTool("cjxl --quiet " + png + " " + dir.File("a.jxl")), 0);
  for (const char* name : {"a.webp", "a.jxl"}) {
    SCOPED_TRACE(name);
    const TPicturePreview p = LoadPicturePreview(dir.File(name));
    ASSERT_TRUE(p.Loaded);
    const auto lines = InfoLines(dir.File(name), p);
    EXPECT_EQ(lines[0], "90x60 pixels");
    EXPECT_EQ(lines[1], "32 bits");
    EXPECT_EQ(lines[2], "RVBA (couche Alpha)");
  }
}

TEST_F(PhotoDispatch, CameraRawPreviewAndInformation) {
  const std::string dng = std::string(VELINOR_FUZZ_CORPUS) + "/raw/basic.dng";
  const TPicturePreview p = LoadPicturePreview(dng);
  ASSERT_TRUE(p.Loaded);
  EXPECT_EQ(p.Picture.Width(), 24);  // half-size decode: the file has no embedded preview
  const auto lines = InfoLines(dng, p);
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[0], "48x32 pixels");
  EXPECT_EQ(lines[1], "24 bits");
  EXPECT_EQ(lines.back(), "Velinor Test DNG");
  EXPECT_EQ(lines[lines.size() - 2], "");
  // The camera-raw extensions beyond the classic table take the same row, and
  // so get the camera line too.
  for (const char* ext : {".ARW", ".cr3", ".rw2", ".nrw", ".srw", ".iiq", ".3fr"}) {
    SCOPED_TRACE(ext);
    const std::string copy = dir.File(std::string("IMG_0001") + ext);
    WriteAll(copy, ReadAll(dng));
    const TPicturePreview q = LoadPicturePreview(copy);
    ASSERT_TRUE(q.Loaded);
    EXPECT_EQ(InfoLines(copy, q).back(), "Velinor Test DNG");
  }
}

TEST_F(PhotoDispatch, RawFileLibRawRejectsFailsWithTheLoadMessageAndChangesNothing) {
  const std::string notes = dir.File("IMG_0001.CR2");
  WriteAll(notes, std::vector<uint8_t>(1000, 'x'));
  TBitmap target(3, 2);
  target.FillBytes(77);
  const TBitmap before = target;
  std::string name = notes;
  EXPECT_EQ(LoadImageFile(name, target, ""), irFailed);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0], "Unable to load image in file \"" + notes + "\" !\nThis kind of file cannot be read");
  EXPECT_TRUE(SamePixels(target, before));
  // In the open dialog: neither picture nor information.
  const TPicturePreview p = LoadPicturePreview(notes);
  EXPECT_FALSE(p.Loaded);
  EXPECT_THROW(InformationExifLines(notes, IsoDateTime), EVelinorError);
}

TEST_F(PhotoDispatch, WebpAndAvifSaveAskTheJpegDialogsQuality) {
  InstallHook();
  const TBitmap picture = TestPhoto(96, 64);
  std::string webp = dir.File("q.webp");
  ASSERT_EQ(SaveFlatImage(webp, picture, ""), irDone);
  EXPECT_EQ(dialog.shown, 1);
  // Quality 60 (position 12) makes a smaller file than quality 100 (position 20).
  const size_t at60 = ReadAll(webp).size();
  dialog.position = 20;
  ASSERT_EQ(SaveFlatImage(webp, picture, ""), irDone);
  EXPECT_GT(ReadAll(webp).size(), at60);
  {
    const auto bytes = ReadAll(webp);
    EXPECT_LE(Difference(ReadWebp(bytes.data(), bytes.size()).Bitmap, picture).Mean, 2.0);
  }

  if (CanWriteAvif()) {
    std::string avif = dir.File("q.avif");
    ASSERT_EQ(SaveFlatImage(avif, picture, ""), irDone);
    EXPECT_EQ(dialog.shown, 3);
    const auto bytes = ReadAll(avif);
    EXPECT_LE(Difference(ReadHeif(bytes.data(), bytes.size()).Bitmap, picture).Mean, 3.0);
  }

  // Cancelled: nothing written, nothing shown.
  dialog.answer = false;
  std::string cancelled = dir.File("c.webp");
  EXPECT_EQ(SaveFlatImage(cancelled, picture, ""), irCancelled);
  EXPECT_TRUE(ReadAll(cancelled).empty());
  EXPECT_TRUE(messages.shown.empty());

  // A 32-bit picture is written lossless, without asking.
  const int asked = dialog.shown;
  const TBitmap alpha = TestPhoto(40, 30, true);
  std::string lossless = dir.File("l.webp");
  ASSERT_EQ(SaveFlatImage(lossless, alpha, ""), irDone);
  EXPECT_EQ(dialog.shown, asked);
  const auto bytes = ReadAll(lossless);
  EXPECT_TRUE(SamePixels(ReadWebp(bytes.data(), bytes.size()).Bitmap, alpha));
}

TEST_F(PhotoDispatch, SaveDialogOffersWebpAndAvifAfterTheClassicRows) {
  const TSaveDialogRequest r = MakeSaveDialogRequest(dir.File("photo.webp"));
  EXPECT_EQ(r.FilterIndex, 9);
  EXPECT_EQ(MakeSaveDialogRequest(dir.File("photo.avif")).FilterIndex, 10);
  EXPECT_EQ(MakeSaveDialogRequest(dir.File("photo.tif")).FilterIndex, 8);
  // HEIF and JPEG XL are read only: the name is offered without its extension.
  const TSaveDialogRequest heic = MakeSaveDialogRequest(dir.File("photo.heic"));
  EXPECT_EQ(heic.FilterIndex, 1);
  EXPECT_EQ(heic.FileName, dir.File("photo"));
}

}  // namespace
