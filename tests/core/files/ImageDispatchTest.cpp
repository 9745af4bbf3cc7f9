#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <string>

#include <zlib.h>
#include <stdexcept>

#include "TestFiles.h"
#include "core/base/Errors.h"
#include "core/files/BmpCodec.h"
#include "core/files/FormatRegistry.h"
#include "core/files/ImageDispatch.h"
#include "core/files/JpegOptions.h"
#include "core/files/JpegUtils.h"
#include "core/base/KeyColor.h"
#include "core/files/PicturePreview.h"
#include "core/files/SafeFile.h"

using namespace velinor;
using velinor::test::TempDir;

namespace {

struct Messages : IMessageSink {
  std::vector<std::string> shown;
  void ShowError(const std::string& text) override { shown.push_back(text); }
};

struct Dialogs : IFileDialogs {
  std::string openAnswer, saveAnswer;
  bool previewAfter = true;
  TOpenDialogRequest lastOpen;
  TSaveDialogRequest lastSave;
  int opens = 0, saves = 0;
  std::string ExecuteOpen(TOpenDialogRequest& r) override {
    ++opens;
    lastOpen = r;
    r.Preview = previewAfter;
    return openAnswer;
  }
  std::string ExecuteSave(const TSaveDialogRequest& r) override {
    ++saves;
    lastSave = r;
    return saveAnswer;
  }
};

struct HookCall {
  std::string cls;
  std::string name;
  TImageFileStep step;
};

// Every test starts with no hook, its own message sink and dialogs, and the
// options as "Save as" sets them.
class Dispatch : public ::testing::Test {
 protected:
  void SetUp() override {
    StartImageFiles();
    SetMessageSink(&messages);
    SetFileDialogs(&dialogs);
    OnImageFile = nullptr;
    OptionsOE.Quiet = false;
    OptionsOE.Resolution = 300.0;
    OptionsOE.JpegExif = true;
    OptionsOE.JpegExifFromJpeg = true;
    OptionsOE.ExifSource.clear();
    OptionsOE.SaveComment.clear();
  }
  void TearDown() override {
    OnImageFile = nullptr;
    SetMessageSink(nullptr);
    SetFileDialogs(nullptr);
  }
  // Records every hook call; answers `answer` at `stopAt`.
  void RecordHook(TImageFileStep stopAt = ifError, bool answer = true) {
    OnImageFile = [this, stopAt, answer](TGraphic* g, const std::string& name, TImageFileStep step, bool& cont) {
      calls.push_back({g ? g->ClassName() : "", name, step});
      if (step == stopAt) cont = answer;
    };
  }
  std::vector<TImageFileStep> Steps() const {
    std::vector<TImageFileStep> s;
    for (const auto& c : calls) s.push_back(c.step);
    return s;
  }

  TempDir dir;
  Messages messages;
  Dialogs dialogs;
  std::vector<HookCall> calls;
};

}  // namespace

TEST_F(Dispatch, JpegLoadAndSaveCallTheHookInOrder) {
  RecordHook();
  const TBitmap img = test::MakePhoto(60, 40);
  std::string name = dir / "photo.JPG";
  EXPECT_EQ(SaveImageFile(name, img, nullptr, ""), irDone);
  TBitmap target;
  std::string loadName = name;
  EXPECT_EQ(LoadImageFile(loadName, target, ""), irDone);
  EXPECT_EQ(target.Width(), 60);
  EXPECT_EQ(OptionsOE.OrigWidth, 60);
  EXPECT_EQ(OptionsOE.OrigHeight, 40);
  EXPECT_EQ(Steps(), (std::vector<TImageFileStep>{ifBeforeSave, ifAfterSave, ifBeforeLoad, ifAfterLoad}));
  for (const auto& c : calls) {
    EXPECT_EQ(c.cls, "TJpegImage2");
    EXPECT_EQ(c.name, name);
  }
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Dispatch, JpegExtensionsTakeTheJpegRoute) {
  const TBitmap img = test::MakePhoto(16, 16);
  for (const char* n : {"photo.JPG", "photo.Jpeg", "photo.jfif", "photo.jp", "photo.jpe"}) {
    std::string name = dir / n;
    ASSERT_EQ(SaveFlatImage(name, img, ""), irDone) << n;
    const auto bytes = ReadFileBytes(name);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[3], 0xE1) << n;
    TBitmap target;
    EXPECT_EQ(LoadImageFile(name, target, ""), irDone) << n;
    EXPECT_EQ(target.Width(), 16);
  }
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Dispatch, UnclaimedNamesGoToRawAndFailWithTheLoadMessageOnce) {
  RecordHook();
  // A perfectly good JPEG named without an extension still takes the RAW route.
  std::string name = dir / "photo";
  WriteFileAtomically(name, EncodeJpeg(test::MakePhoto(8, 8), 90, false));
  TBitmap target = test::MakePhoto(5, 5);
  EXPECT_EQ(LoadImageFile(name, target, ""), irFailed);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0], "Unable to load image in file \"" + name + "\" !\nThis kind of file cannot be read");
  EXPECT_EQ(target.Width(), 5);  // untouched
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].cls, "TRawImage");
  EXPECT_EQ(calls[0].step, ifBeforeLoad);
  EXPECT_EQ(calls[1].step, ifError);
  EXPECT_EQ(calls[1].cls, "");
  for (const char* n : {"IMG_0001.CR2", "notes.txt", "picture.c"}) {
    std::string other = dir / n;
    EXPECT_EQ(LoadImageFile(other, target, ""), irFailed);
    EXPECT_EQ(messages.shown.back(), "Unable to load image in file \"" + other +
                                         "\" !\nThe file cannot be opened: No such file or directory");
  }
  EXPECT_EQ(messages.shown.size(), 4u);
}

TEST_F(Dispatch, CorruptAndMissingFilesFailWithTheLoadMessage) {
  const auto good = EncodeJpeg(test::MakePhoto(64, 64), 90, false);
  std::string cut = dir / "cut.jpg";
  WriteFileAtomically(cut, std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 2));
  std::string missing = dir / "missing.jpg";
  TBitmap target;
  EXPECT_EQ(LoadImageFile(cut, target, ""), irFailed);
  EXPECT_EQ(LoadImageFile(missing, target, ""), irFailed);
  EXPECT_EQ(messages.shown, (std::vector<std::string>{
                                LoadFailedMessage(cut) + "\nThe file is damaged: JPEG: Premature end of JPEG file",
                                LoadFailedMessage(missing) + "\nThe file cannot be opened: No such file or directory"}));
}

TEST_F(Dispatch, QuietSuppressesOneMessageOnly) {
  std::string name = dir / "nothing.png";
  TBitmap target;
  OptionsOE.Quiet = true;
  EXPECT_EQ(LoadImageFile(name, target, ""), irFailed);
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_FALSE(OptionsOE.Quiet);
  EXPECT_EQ(LoadImageFile(name, target, ""), irFailed);
  EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(Dispatch, HookCancellingALoadLeavesTheTarget) {
  std::string name = dir / "a.jpg";
  WriteFileAtomically(name, EncodeJpeg(test::MakePhoto(30, 20), 90, false));
  for (TImageFileStep stop : {ifBeforeLoad, ifAfterLoad}) {
    calls.clear();
    RecordHook(stop, false);
    TBitmap target = test::MakePhoto(3, 3);
    EXPECT_EQ(LoadImageFile(name, target, ""), irCancelled);
    EXPECT_EQ(target.Width(), 3);
    EXPECT_EQ(calls.back().step, stop);
  }
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Dispatch, HookCancellingASaveWritesNothing) {
  const TBitmap img = test::MakePhoto(20, 20);
  for (const char* n : {"x.jpg", "x.bmp", "x.png"}) {
    calls.clear();
    RecordHook(ifBeforeSave, false);
    std::string name = dir / n;
    EXPECT_EQ(SaveImageFile(name, img, nullptr, ""), irCancelled) << n;
    EXPECT_EQ(Steps(), (std::vector<TImageFileStep>{ifBeforeSave}));
  }
  EXPECT_TRUE(dir.Entries().empty());
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Dispatch, HookThatThrowsFailsTheOperation) {
  OnImageFile = [](TGraphic*, const std::string&, TImageFileStep step, bool&) {
    if (step == ifBeforeSave) throw std::runtime_error("handler broke");
  };
  std::string name = dir / "x.jpg";
  EXPECT_EQ(SaveFlatImage(name, test::MakePhoto(4, 4), ""), irFailed);
  EXPECT_EQ(messages.shown, (std::vector<std::string>{SaveFailedMessage(name)}));
  EXPECT_TRUE(dir.Entries().empty());
}

TEST_F(Dispatch, UnwritableExtensionFailsWithTheSaveMessage) {
  RecordHook();
  std::string name = dir / "x.pcx";
  EXPECT_EQ(SaveImageFile(name, test::MakePhoto(4, 4), nullptr, ""), irFailed);
  EXPECT_EQ(messages.shown, (std::vector<std::string>{"Unable to save image in file \"" + name + "\" !"}));
  EXPECT_EQ(Steps(), (std::vector<TImageFileStep>{ifError}));
  EXPECT_TRUE(dir.Entries().empty());
}

TEST_F(Dispatch, FailedSaveLeavesTheOldFileAndNoTemporary) {
  std::string name = dir / "keep.jpg";
  WriteFileAtomically(name, {1, 2, 3, 4});
  // An empty image cannot be encoded: the encoder fails after the hook said yes.
  EXPECT_EQ(SaveFlatImage(name, TBitmap(), ""), irFailed);
  EXPECT_EQ(ReadFileBytes(name), (std::vector<uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"keep.jpg"}));
  // A folder that does not exist.
  std::string nowhere = dir / "no/such/x.bmp";
  EXPECT_EQ(SaveFlatImage(nowhere, test::MakePhoto(4, 4), ""), irFailed);
  EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(Dispatch, BmpSaveStampsTheResolution) {
  std::string name = dir / "r.bmp";
  ASSERT_EQ(SaveFlatImage(name, test::MakePhoto(7, 3), ""), irDone);
  const auto bytes = ReadFileBytes(name);
  EXPECT_EQ(bytes[38] | bytes[39] << 8, 11811);
  EXPECT_EQ(bytes[42] | bytes[43] << 8, 11811);
  TBitmap back;
  EXPECT_EQ(LoadImageFile(name, back, ""), irDone);
  EXPECT_EQ(back.Width(), 7);
  EXPECT_EQ(OptionsOE.OrigWidth, 7);  // taken from the image when the reader reports none
}

namespace {
struct FakeLayered : ILayeredDocument {
  bool fail = false;
  std::string ClassName() const override { return "TMyImageLayered"; }
  void SaveLayeredFile(const std::string& fileName) override {
    WriteFileAtomically(fileName, {'O', 'V', 'I'});
    if (fail) throw EWriteError("disk full");
  }
};
}  // namespace

TEST_F(Dispatch, LayeredSaveGoesToTheDocumentSafely) {
  RecordHook();
  FakeLayered doc;
  std::string name = dir / "two.ovi";
  EXPECT_EQ(SaveImageFile(name, TBitmap(), &doc, ""), irDone);
  EXPECT_EQ(ReadFileBytes(name).size(), 3u);
  EXPECT_EQ(calls[0].cls, "TMyImageLayered");
  doc.fail = true;
  WriteFileAtomically(name, {9});
  EXPECT_EQ(SaveImageFile(name, TBitmap(), &doc, ""), irFailed);
  EXPECT_EQ(ReadFileBytes(name), (std::vector<uint8_t>{9}));
  EXPECT_EQ(dir.Entries().size(), 1u);
  EXPECT_EQ(messages.shown, (std::vector<std::string>{SaveFailedMessage(name)}));
  // No document at all: failure, not a crash.
  EXPECT_EQ(SaveImageFile(name, TBitmap(), nullptr, ""), irFailed);
}

TEST_F(Dispatch, PreviewModeShowsNothingAndDecodesSmall) {
  RecordHook();
  std::string name = dir / "big.jpg";
  WriteFileAtomically(name, EncodeJpeg(test::MakePhoto(1300, 200), 85, false));
  TBitmap preview;
  EXPECT_EQ(LoadImagePreview(name, preview), irDone);
  EXPECT_EQ(preview.Width(), 163);
  EXPECT_EQ(OptionsOE.OrigWidth, 1300);
  EXPECT_FALSE(InPreviewMode());
  std::string bad = dir / "bad.jpg";
  WriteFileAtomically(bad, {0xFF, 0xD8, 0xFF});
  EXPECT_EQ(LoadImagePreview(bad, preview), irFailed);
  EXPECT_TRUE(calls.empty());
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(dialogs.opens, 0);
}

TEST_F(Dispatch, OpenDialogRequestAndCancel) {
  OptionsOE.Preview = true;
  dialogs.openAnswer = "";
  dialogs.previewAfter = false;
  std::string name;
  TBitmap target;
  EXPECT_EQ(LoadImageFile(name, target, "/pictures"), irCancelled);
  EXPECT_EQ(dialogs.opens, 1);
  EXPECT_EQ(dialogs.lastOpen.Filter, BuildOpenFilter());
  EXPECT_EQ(dialogs.lastOpen.InitialDir, "/pictures");
  EXPECT_TRUE(dialogs.lastOpen.Preview);
  EXPECT_FALSE(OptionsOE.Preview);  // the check box state is remembered
  EXPECT_TRUE(name.empty());
  EXPECT_TRUE(messages.shown.empty());
  // A chosen file is read and its name handed back.
  const std::string chosen = dir / "c.jpg";
  WriteFileAtomically(chosen, EncodeJpeg(test::MakePhoto(9, 9), 90, false));
  dialogs.openAnswer = chosen;
  EXPECT_EQ(LoadImageFile(name, target, ""), irDone);
  EXPECT_EQ(name, chosen);
  EXPECT_FALSE(dialogs.lastOpen.Preview);
  OptionsOE.Preview = true;
}

TEST_F(Dispatch, SaveDialogSetUp) {
  TSaveDialogRequest r = MakeSaveDialogRequest("C:\\Pictures\\photo.pcx");
  EXPECT_EQ(r.FilterIndex, 1);
  EXPECT_EQ(r.FileName, "C:\\Pictures\\photo");
  EXPECT_EQ(r.DefaultExt, ".bmp");
  EXPECT_EQ(r.Filter, BuildSaveFilter());
  r = MakeSaveDialogRequest("C:\\Pictures\\photo.tif");
  EXPECT_EQ(r.FilterIndex, 8);
  EXPECT_EQ(r.FileName, "C:\\Pictures\\photo.tif");
  r = MakeSaveDialogRequest("/home/me/shot.jpeg");
  EXPECT_EQ(r.FilterIndex, 3);
  r = MakeSaveDialogRequest(dir.Path());
  EXPECT_EQ(r.FilterIndex, 1);
  EXPECT_EQ(r.InitialDir, dir.Path());
  EXPECT_TRUE(r.FileName.empty());
  r = MakeSaveDialogRequest("");
  EXPECT_EQ(r.FilterIndex, 1);
  EXPECT_TRUE(r.FileName.empty());
  // A cancelled save dialog: 0, nothing written, nothing shown.
  std::string name;
  EXPECT_EQ(SaveImageFile(name, test::MakePhoto(2, 2), nullptr, dir / "p.png"), irCancelled);
  EXPECT_EQ(dialogs.lastSave.FilterIndex, 5);
  dialogs.saveAnswer = dir / "chosen.bmp";
  EXPECT_EQ(SaveImageFile(name, test::MakePhoto(2, 2), nullptr, ""), irDone);
  EXPECT_EQ(name, dialogs.saveAnswer);
  EXPECT_TRUE(test::FileExists(name));
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Dispatch, ImagesOverTheLimitsAreRefusedWithTheLoadMessage) {
  // A baseline JPEG whose header claims 65000 x 65000.
  auto bytes = EncodeJpeg(test::MakePhoto(16, 16), 90, false);
  for (size_t i = 2; i + 9 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
      bytes[i + 5] = 0xFD, bytes[i + 6] = 0xE8, bytes[i + 7] = 0xFD, bytes[i + 8] = 0xE8;
      break;
    }
  std::string name = dir / "huge.jpg";
  WriteFileAtomically(name, bytes);
  TBitmap target;
  EXPECT_EQ(LoadImageFile(name, target, ""), irFailed);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].rfind(LoadFailedMessage(name) + "\nThe picture is 65000 \u00d7 65000 pixels; ", 0), 0u)
      << messages.shown[0];
}

namespace {
struct FakeJpegDialog : IJpegOptionsDialog {
  bool ok = true;
  int position = JpegSliderStart;
  bool progressive = false;
  int shown = 0;
  bool Execute() override { return ++shown, ok; }
  int SliderPosition() const override { return position; }
  bool Progressive() const override { return progressive; }
};
}  // namespace

TEST_F(Dispatch, JpegOptionsHookSetsQualityOrCancels) {
  FakeJpegDialog dialog;
  OnImageFile = [&](TGraphic* g, const std::string& n, TImageFileStep s, bool& c) {
    JpegOptionsHook(dialog, g, n, s, c);
  };
  const TBitmap img = test::MakePhoto(64, 64);
  std::string low = dir / "low.jpg", high = dir / "high.jpg", prog = dir / "prog.jpg";
  dialog.position = 1;  // quality 5
  ASSERT_EQ(SaveFlatImage(low, img, ""), irDone);
  dialog.position = 20;  // quality 100
  ASSERT_EQ(SaveFlatImage(high, img, ""), irDone);
  EXPECT_LT(ReadFileBytes(low).size() * 2, ReadFileBytes(high).size());
  dialog.progressive = true;
  ASSERT_EQ(SaveFlatImage(prog, img, ""), irDone);
  int w, h;
  ReadJpegSize(prog, w, h);
  EXPECT_EQ(w, 0);  // no baseline frame: progressive
  // Other formats never show the dialog.
  std::string bmp = dir / "x.bmp";
  ASSERT_EQ(SaveFlatImage(bmp, img, ""), irDone);
  EXPECT_EQ(dialog.shown, 3);
  // Cancel: no file, no message.
  dialog.ok = false;
  std::string cancelled = dir / "cancelled.jpg";
  EXPECT_EQ(SaveFlatImage(cancelled, img, ""), irCancelled);
  EXPECT_FALSE(test::FileExists(cancelled));
  EXPECT_TRUE(messages.shown.empty());
  // Only ifBeforeSave and only JPEG objects are acted on.
  bool cont = true;
  TJpegImage2 j;
  JpegOptionsHook(dialog, &j, "x.jpg", ifAfterSave, cont);
  TFormatGraphic png("TPngImage");
  JpegOptionsHook(dialog, &png, "x.png", ifBeforeSave, cont);
  EXPECT_TRUE(cont);
  EXPECT_EQ(dialog.shown, 4);
  EXPECT_EQ(CompressionLabel(18), "Compression : 90");
  EXPECT_EQ(CompressionLabel(1), "Compression : 5");
}

TEST(KeyColorTest, Value) { EXPECT_EQ(KeyColor, RGB(206, 237, 220)); }

// A PNG of the given size: its header, and rows of zeros (each row flushed, so
// the data stays within what deflate can expand to).
static std::vector<uint8_t> ZeroPng(uint32_t w, uint32_t h, bool withRows) {
  std::vector<uint8_t> b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  auto be32 = [](std::vector<uint8_t>& v, uint32_t x) {
    for (int k = 3; k >= 0; --k) v.push_back(static_cast<uint8_t>(x >> (8 * k)));
  };
  auto chunk = [&](const char* type, const std::vector<uint8_t>& body) {
    be32(b, static_cast<uint32_t>(body.size()));
    const size_t start = b.size();
    b.insert(b.end(), type, type + 4);
    b.insert(b.end(), body.begin(), body.end());
    be32(b, static_cast<uint32_t>(crc32(0, b.data() + start, static_cast<uInt>(b.size() - start))));
  };
  std::vector<uint8_t> ihdr;
  be32(ihdr, w);
  be32(ihdr, h);
  ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
  chunk("IHDR", ihdr);
  std::vector<uint8_t> idat;
  if (withRows) {
    z_stream z{};
    deflateInit(&z, 1);
    std::vector<uint8_t> row(size_t{w} * 3 + 1, 0), out(1 << 20);
    for (uint32_t y = 0; y < h; ++y) {
      z.next_in = row.data();
      z.avail_in = static_cast<uInt>(row.size());
      do {
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        deflate(&z, y + 1 == h ? Z_FINISH : Z_FULL_FLUSH);
        idat.insert(idat.end(), out.data(), z.next_out);
      } while (z.avail_out == 0);
    }
    deflateEnd(&z);
  }
  chunk("IDAT", idat);
  chunk("IEND", {});
  return b;
}

TEST_F(Dispatch, FailedLoadsTellTheCauseUnderTheMessage) {
  std::string huge = dir / "huge.png";
  WriteFileAtomically(huge, ZeroPng(70000, 70000, false));
  TBitmap target;
  EXPECT_EQ(LoadImageFile(huge, target, ""), irFailed);
  ASSERT_EQ(messages.shown.size(), 1u);
  const std::string first = "Unable to load image in file \"" + huge + "\" !\n";
  const std::string cause = "The picture is 70000 \u00d7 70000 pixels; Velinor opens pictures up to 65535 \u00d7 65535 pixels and " +
                            std::to_string(MaxImageBytes() / 3 / 1000000) + " million pixels";
  EXPECT_EQ(messages.shown[0], first + cause);
  // The open dialog's information gives the same cause.
  EXPECT_EQ(LoadPicturePreview(huge).FailureCause, cause);
  EXPECT_EQ(messages.shown.size(), 1u);

  std::string broken = dir / "broken.bmp";
  WriteFileAtomically(broken, {'B', 'M', 1, 2, 3});
  EXPECT_EQ(LoadImageFile(broken, target, ""), irFailed);
  EXPECT_EQ(messages.shown.back().rfind("Unable to load image in file \"" + broken + "\" !\nThe file is damaged: ", 0), 0u)
      << messages.shown.back();
  EXPECT_EQ(LoadPicturePreview(broken).FailureCause.rfind("The file is damaged: ", 0), 0u);
  // Nothing was tried: nothing to tell.
  EXPECT_EQ(LoadPicturePreview(dir.Path()).FailureCause, "");
}

// A picture of 400 million pixels (1.2 GB) opens; the document holds up to four
// such pictures on a machine of a few gigabytes.
TEST_F(Dispatch, BigPicturesOpen) {
  EXPECT_GE(MaxImageBytesFor(int64_t{24} << 30), static_cast<int64_t>(RowStride(50000, TPixelFormat::pf24bit)) * 40000)
      << "2 gigapixels on a 24 GiB machine";
  EXPECT_EQ(MaxImageBytesFor(int64_t{2} << 30), int64_t{1} << 30);
  EXPECT_GE(MaxImageBytes(), int64_t{1} << 30);
  if (MaxImageBytes() < int64_t{1200040000}) GTEST_SKIP() << "a machine of less than 5 GB";
  std::string big = dir / "big.png";
  WriteFileAtomically(big, ZeroPng(20000, 20000, true));
  TBitmap target;
  ASSERT_EQ(LoadImageFile(big, target, ""), irDone) << (messages.shown.empty() ? "" : messages.shown[0]);
  EXPECT_EQ(target.Width(), 20000);
  EXPECT_EQ(target.Height(), 20000);
  EXPECT_EQ(target.Pixel(19999, 19999), RGB(0, 0, 0));
}

// "Save as" hands on what the read of the opened picture learned, through the
// same CarryOver the command-line tool uses: the window's files and the tool's
// are the same.
TEST_F(Dispatch, SaveAsCarriesWhatTheReadLearnedLikeConvert) {
  if (std::system("command -v exiftool >/dev/null 2>&1") != 0) GTEST_SKIP() << "exiftool is not installed";
  TBitmap photo(24, 16);
  photo.FillBytes(90);
  const std::string shot = dir / "shot.jpg";
  WriteImageFile(shot, photo, TWriteOptions{});
  ASSERT_EQ(std::system(("exiftool -q -overwrite_original -Make=Velicam '" + shot + "'").c_str()), 0);
  std::string name = shot;
  TBitmap opened;
  TReadResult read;
  ASSERT_EQ(LoadImageFile(name, opened, "", &read), irDone);
  read.Origin.ProfileConverted = true;  // as if the file's profile had been converted
  for (const char* ext : {".jpg", ".png"}) {
    SCOPED_TRACE(ext);
    std::string window = dir / (std::string("window") + ext);
    ASSERT_EQ(SaveImageFile(window, opened, nullptr, "", read.Origin), irDone);
    TWriteOptions options;
    options.JpegExifFromJpeg = true;
    CarryOver(read.Origin, options);
    const std::string tool = dir / (std::string("tool") + ext);
    WriteImageFile(tool, opened, options);
    const std::vector<uint8_t> a = ReadFileBytes(window), b = ReadFileBytes(tool);
    const std::string text(a.begin(), a.end());
    EXPECT_NE(text.find(std::string(ext) == ".png" ? "sRGB" : "Velicam"), std::string::npos);
    // Equal but for the EXIF date of the save.
    EXPECT_EQ(a.size(), b.size());
    // Without an origin nothing is carried.
    std::string bare = dir / (std::string("bare") + ext);
    ASSERT_EQ(SaveImageFile(bare, opened, nullptr, ""), irDone);
    const std::vector<uint8_t> c = ReadFileBytes(bare);
    EXPECT_EQ(std::string(c.begin(), c.end()).find(std::string(ext) == ".png" ? "sRGB" : "Velicam"), std::string::npos);
  }
}
