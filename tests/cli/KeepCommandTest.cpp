// Runs the built velinor-cli keep as a user would.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include "core/base/Bitmap.h"
#include "core/engine/CopyFamily.h"
#include "core/engine/KeepColors.h"
#include "core/files/BmpCodec.h"
#include "core/files/FileRoutes.h"
#include "core/files/OvImage.h"
#include "core/files/PngUtils.h"
#include "core/files/SafeFile.h"
#include "core/document/Document.h"
#include "core/document/LayeredDocument.h"
#include "core/document/LayeredImage.h"
#include "core/engine/TouchUps.h"
#include "support/PixelCompare.h"

using namespace velinor;
using velinor::test::SamePixels;
namespace fs = std::filesystem;

namespace {

struct TRunResult {
  int status;
  std::string err;
};

class KeepCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("velinor-keep-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    photo_ = TBitmap(40, 30);
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x)
        photo_.SetPixel(x, y, x < 20 ? RGB(200, 30 + y % 3, 40) : RGB(20, 90, 200 - x % 2));
    WriteBmpFile(Path("in.bmp"), photo_, 300);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  TRunResult Run(const std::string& args) const {
    const std::string errFile = Path("stderr.txt");
    const std::string cmd = std::string(VELINOR_CLI) + " keep " + args + " 2>" + errFile;
    const int raw = std::system(cmd.c_str());
    std::ifstream in(errFile);
    std::stringstream ss;
    ss << in.rdbuf();
    fs::remove(errFile);
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ss.str()};
  }

  // What a shell command prints on its standard output.
  static std::string Output(const std::string& cmd) {
    std::string out;
    if (FILE* p = ::popen(cmd.c_str(), "r")) {
      char buf[4096];
      for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
      ::pclose(p);
    }
    return out;
  }

  // The layered document an .ovi in the folder holds.
  void ReadLayered(const std::string& name, TMyImageLayered& doc) const {
    TOviFileSource in(Path(name));
    ReadLayeredDocument(in, doc);
  }

  // Files in the folder other than the input.
  int OtherFiles() const {
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir_)) n += e.path().filename() != "in.bmp";
    return n;
  }

  fs::path dir_;
  TBitmap photo_;
};

}  // namespace

TEST_F(KeepCli, WritesWhatKeepColorsComputes) {
  const TRunResult r = Run(Path("in.bmp") + " " + Path("out.bmp") + " --pick 5,5 --color '#1459C7'" +
                           " --tolerance 12 --no-gradient --sepia --mask " + Path("mask.bmp") +
                           " --progress --timing");
  ASSERT_EQ(r.status, 0) << r.err;
  TKeepOptions o;
  o.Entries = {"#C82028", "#1459C7"};  // the picked pixel (200, 32, 40), then the text
  o.Tolerance = 12;
  o.Gradient = false;
  o.Sepia = true;
  TBitmap result = photo_, mask;
  KeepColors(result, mask, photo_, o);
  const TBitmap out = ReadImageFile(Path("out.bmp")), outMask = ReadImageFile(Path("mask.bmp"));
  ASSERT_EQ(out.Width(), 40);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      ASSERT_EQ(out.Pixel(x, y), result.Pixel(x, y)) << x << "," << y;
      ASSERT_EQ(outMask.Pixel(x, y), mask.Pixel(x, y)) << x << "," << y;
    }
  EXPECT_NE(r.err.find("Calculating : 0%\n"), std::string::npos);
  EXPECT_NE(r.err.find("Calculating : 100%\nProcessing : 0%\nProcessing : 10%\nProcessing : 50%\nProcessing : 80%\n"),
            std::string::npos);
  EXPECT_NE(r.err.find("KeepColors: "), std::string::npos);
  EXPECT_NE(r.err.find(" ms\n"), std::string::npos);
}

TEST_F(KeepCli, TouchUpPictureForcesGreyAndColourWhereItIsNotMidGrey) {
  // 255 on the left (kept red there turns grey), 0 on a band of the blue half
  // (grey there shows its colour), 128 elsewhere.
  TBitmap painted(40, 30);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const int v = x < 5 ? 255 : (x >= 30 && x < 35 && y < 10 ? 0 : 128);
      painted.SetPixel(x, y, RGB(v, v, v));
    }
  WriteBmpFile(Path("touch.bmp"), painted, 300);
  const TRunResult r = Run(Path("in.bmp") + " " + Path("out.bmp") + " --pick 5,5 --touch-up " +
                           Path("touch.bmp") + " --mask " + Path("mask.bmp"));
  ASSERT_EQ(r.status, 0) << r.err;
  TKeepOptions o;
  o.Entries = {"#C82028"};  // the picked pixel
  TBitmap computed = photo_, mask;
  KeepColors(computed, mask, photo_, o);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const int v = GetRValue(painted.Pixel(x, y));
      if (v != 128) mask.SetPixel(x, y, v == 0 ? RGB(0, 0, 0) : RGB(255, 255, 255));
    }
  TBitmap expected = photo_;
  ToneResult(expected, false);
  BlendThroughMask(photo_, FullImageRect, expected, 0, 0, FullImageRect, &mask);
  const TBitmap out = ReadImageFile(Path("out.bmp")), outMask = ReadImageFile(Path("mask.bmp"));
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      ASSERT_EQ(out.Pixel(x, y), expected.Pixel(x, y)) << x << "," << y;
      ASSERT_EQ(outMask.Pixel(x, y), mask.Pixel(x, y)) << x << "," << y;
    }
  EXPECT_EQ(GetRValue(out.Pixel(2, 2)), GetGValue(out.Pixel(2, 2)));  // forced grey
  EXPECT_EQ(out.Pixel(32, 3), photo_.Pixel(32, 3));                  // forced colour

  // A touch-up picture of another size or a missing one: nothing is written.
  fs::remove(Path("out.bmp"));
  fs::remove(Path("mask.bmp"));
  WriteBmpFile(Path("touch.bmp"), TBitmap(41, 30), 300);
  for (const std::string& file : {Path("touch.bmp"), Path("none.bmp")}) {
    const TRunResult bad = Run(Path("in.bmp") + " " + Path("out.bmp") + " --pick 5,5 --touch-up " + file);
    EXPECT_EQ(bad.status, 2) << bad.err;
    EXPECT_NE(bad.err.find(file), std::string::npos) << bad.err;
    EXPECT_FALSE(fs::exists(Path("out.bmp")));
  }
}

TEST_F(KeepCli, PicksFollowTheEyedropperRules) {
  // The second pick is a near-duplicate of the first and adds nothing: the
  // result equals one kept colour.
  ASSERT_EQ(Run(Path("in.bmp") + " " + Path("a.bmp") + " --pick 1,1 --pick 2,1").status, 0);
  ASSERT_EQ(Run(Path("in.bmp") + " " + Path("b.bmp") + " --pick 1,1").status, 0);
  const TBitmap a = ReadImageFile(Path("a.bmp")), b = ReadImageFile(Path("b.bmp"));
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(a.Pixel(x, y), b.Pixel(x, y));
}

TEST_F(KeepCli, ExcludedColoursAreNeverKept) {
  // Both halves kept, the blue right half excluded by a text near its colour
  // (but more than 3 from the kept blue); an excluded pick within 3 of a kept
  // colour adds nothing, as the eyedropper's rule says.
  const TRunResult r = Run(Path("in.bmp") + " " + Path("out.bmp") + " --pick 5,5 --pick 30,5" +
                           " --exclude-pick 31,5 --exclude '#1E5AC8' --mask " + Path("mask.bmp"));
  ASSERT_EQ(r.status, 0) << r.err;
  TKeepOptions o;
  o.Entries = {"#C82028", "#145AC8"};
  o.Excluded = {"#1E5AC8"};
  TBitmap result = photo_, mask;
  KeepColors(result, mask, photo_, o);
  const TBitmap out = ReadImageFile(Path("out.bmp")), outMask = ReadImageFile(Path("mask.bmp"));
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      ASSERT_EQ(out.Pixel(x, y), result.Pixel(x, y)) << x << "," << y;
      ASSERT_EQ(outMask.Pixel(x, y), mask.Pixel(x, y)) << x << "," << y;
    }
  EXPECT_LT(GetRValue(outMask.Pixel(10, 15)), 16);  // red: kept (softened by the contour)
  EXPECT_EQ(GetRValue(outMask.Pixel(30, 15)), 255);  // blue: excluded
  // Excluded by a pick instead of a text: the same picture.
  ASSERT_EQ(Run(Path("in.bmp") + " " + Path("pick.bmp") + " --pick 5,5 --color '#145AC8' --exclude-pick 30,6").status, 0);
  // (30,6) is the kept blue itself: within 3 of an entry, so ignored; nothing is excluded.
  TKeepOptions both;
  both.Entries = o.Entries;
  TBitmap expected = photo_;
  KeepColors(expected, mask, photo_, both);
  const TBitmap pick = ReadImageFile(Path("pick.bmp"));
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(pick.Pixel(x, y), expected.Pixel(x, y)) << x << "," << y;
}

TEST_F(KeepCli, BadUsageExitsWithOneAndWritesNothing) {
  const std::string io = Path("in.bmp") + " " + Path("out.bmp");
  for (const std::string& args :
       {io + " --tolerance 0", io + " --tolerance 101", io + " --tolerance x", io + " --color '#12345'",
        io + " --pick 40,0", io + " --pick 3", io + " --bogus", Path("in.bmp"), io + " extra",
        io + " --mask", io + " --mask " + Path("out.bmp"), io + " --touch-up", io + " --exclude '#1234567'",
        io + " --exclude", io + " --exclude-pick 0,30", io + " --exclude-pick 7"}) {
    const TRunResult r = Run(args);
    EXPECT_EQ(r.status, 1) << args << "\n" << r.err;
    EXPECT_NE(r.err.find("Usage:"), std::string::npos) << args;
    EXPECT_EQ(OtherFiles(), 0) << args;
  }
}

TEST_F(KeepCli, FileFailuresExitWithTwoAndLeaveNoOutput) {
  TRunResult r = Run(Path("missing.bmp") + " " + Path("out.bmp"));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("missing.bmp"), std::string::npos);
  r = Run(Path("in.bmp") + " " + Path("out.xyz"));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("out.xyz"), std::string::npos);
  // The result could be written but not the mask: neither is left behind.
  r = Run(Path("in.bmp") + " " + Path("out.bmp") + " --mask " + Path("nowhere/mask.bmp"));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("mask.bmp"), std::string::npos);
  EXPECT_EQ(OtherFiles(), 0);
  std::ofstream(Path("junk.bmp")) << "not an image";
  r = Run(Path("junk.bmp") + " " + Path("out.bmp"));
  EXPECT_EQ(r.status, 2);
  EXPECT_FALSE(fs::exists(Path("out.bmp")));
}

TEST_F(KeepCli, LayeredOutputHoldsThePhotoUnderItsTonedCopy) {
  ASSERT_EQ(Run(Path("in.bmp") + " " + Path("out.ovi") + " --pick 5,5 --sepia --mask " + Path("mask.ovi")).status, 0);
  ASSERT_EQ(Run(Path("in.bmp") + " " + Path("out.bmp") + " --pick 5,5 --sepia").status, 0);
  TMyImageLayered doc;
  ReadLayered("out.ovi", doc);
  ASSERT_EQ(doc.Layers.Count(), 2);
  EXPECT_EQ(doc.Layers.Items(0).Name, "#0");
  EXPECT_EQ(doc.Layers.Items(1).Name, "#1");
  EXPECT_EQ(doc.Layers.Items(0).Image.Pixel(3, 4), photo_.Pixel(3, 4));
  EXPECT_FALSE(doc.Layers.Items(1).Mask.Empty());
  // Its flat picture is the result, within the one level the reversed blend may cost.
  const TBitmap flat = ReadImageFile(Path("out.ovi")), result = ReadImageFile(Path("out.bmp"));
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x)
      for (int c = 0; c < 3; ++c)
        ASSERT_LE(std::abs(flat.ScanLine(y)[3 * x + c] - result.ScanLine(y)[3 * x + c]), 1) << x << "," << y;
  // Any other picture written as .ovi is a one-layer document.
  TMyImageLayered maskDoc;
  ReadLayered("mask.ovi", maskDoc);
  EXPECT_EQ(maskDoc.Layers.Count(), 1);
  EXPECT_FALSE(maskDoc.Work.has_value());

  // A script's list longer than the window's is written without the work, which
  // could not hold it.
  std::string colours;
  for (int i = 0; i < 51; ++i) colours += " --color '#" + std::string(i < 10 ? "0" : "") + std::to_string(i) + "2030'";
  ASSERT_EQ(Run(Path("in.bmp") + " " + Path("long.ovi") + colours).status, 0);
  TMyImageLayered longDoc;
  ReadLayered("long.ovi", longDoc);
  EXPECT_EQ(longDoc.Layers.Count(), 2);
  EXPECT_FALSE(longDoc.Work.has_value());
}

// A layered file of a result keeps its list and options, and its touch-up layer
// as painted: --touch-up takes that layer whole from it (soft edges and mixed
// strokes included, which a grey picture cannot carry), for a picture of its size.
TEST_F(KeepCli, TouchUpLayerOfALayeredFileIsTakenWhole) {
  TTouchUps strokes;
  for (int k = 0; k < 2; ++k) {
    const TRect r = k == 0 ? TRect{2, 3, 25, 14} : TRect{15, 8, 38, 27};
    TCoverage c{r, {}};
    for (int i = 0; i < r.Width() * r.Height(); ++i) c.Weights.push_back(static_cast<uint8_t>(40 + (i * 7) % 200));
    strokes.Paint(40, 30, c, k == 0 ? TTouchKind::Grey : TTouchKind::Colour);
  }
  const TTouchUps viaGrey = TTouchUps::FromGreyPicture(strokes.ToGreyPicture());
  ASSERT_FALSE(SamePixels(FinalMask(TBitmap(40, 30), viaGrey), FinalMask(TBitmap(40, 30), strokes)))
      << "the strokes must be more than a grey picture holds";
  TKeepInputs painted;
  painted.Colors = {{"#1459C7", false}};
  TBitmap ignored, computed;
  KeepColorsOfPhoto(ignored, computed, photo_, painted.Options());
  SaveLayeredFile(*BuildWorkDocument(photo_, computed, strokes, painted), Path("work.ovi"));

  const TRunResult r = Run(Path("in.bmp") + " " + Path("out.ovi") + " --pick 5,5 --exclude '#1459C7' --tolerance 22" +
                           " --no-gradient --touch-up " + Path("work.ovi") + " --mask " + Path("mask.bmp"));
  ASSERT_EQ(r.status, 0) << r.err;
  TKeepInputs inputs;
  inputs.Colors = {{"#C82028", false}, {"#1459C7", true}};
  inputs.Tolerance = 22;
  inputs.Gradient = false;
  TBitmap expected = photo_, mask;
  KeepColors(expected, mask, photo_, inputs.Options());
  RecomposeTouched(expected, photo_, mask, strokes, false, strokes.Touched());
  EXPECT_TRUE(SamePixels(ReadImageFile(Path("mask.bmp")), FinalMask(mask, strokes)));
  TMyImageLayered doc;
  ReadLayered("out.ovi", doc);
  ASSERT_TRUE(doc.Work.has_value());
  EXPECT_EQ(doc.Work->Inputs, inputs);
  EXPECT_TRUE(SamePixels(doc.Work->ComputedMask, mask));
  EXPECT_TRUE(SamePixels(FinalMask(mask, doc.Work->TouchUps), FinalMask(mask, strokes)));
  ASSERT_EQ(Run(Path("in.bmp") + " " + Path("out.bmp") + " --pick 5,5 --exclude '#1459C7' --tolerance 22" +
                " --no-gradient --touch-up " + Path("out.ovi")).status, 0);
  EXPECT_TRUE(SamePixels(ReadImageFile(Path("out.bmp")), expected));

  // A layered file without a touch-up layer, or of another size: nothing is written.
  SaveLayeredFile(*BuildLayeredDocument(photo_, photo_, computed, true, false), Path("layers.ovi"));
  TBitmap small(39, 30);
  small.FillBytes(90);
  TBitmap smallMask;
  KeepColorsOfPhoto(ignored, smallMask, small, painted.Options());
  SaveLayeredFile(*BuildWorkDocument(small, smallMask, TTouchUps(), painted), Path("small.ovi"));
  fs::remove(Path("out.bmp"));
  for (const std::string& file : {Path("layers.ovi"), Path("small.ovi")}) {
    const TRunResult bad = Run(Path("in.bmp") + " " + Path("out.bmp") + " --pick 5,5 --touch-up " + file);
    EXPECT_EQ(bad.status, 2) << file;
    EXPECT_NE(bad.err.find(file), std::string::npos) << bad.err;
    EXPECT_FALSE(fs::exists(Path("out.bmp")));
  }
  // A one-layer file is a picture like any other: a mid-grey one touches nothing.
  TBitmap grey(40, 30);
  grey.FillBytes(128);
  WriteSingleLayerOvi(Path("grey.ovi"), grey);
  ASSERT_EQ(Run(Path("in.bmp") + " " + Path("out.bmp") + " --pick 5,5 --touch-up " + Path("grey.ovi")).status, 0);
  TKeepOptions picked;
  picked.Entries = {"#C82028"};
  TBitmap plain = photo_, plainMask;
  KeepColors(plain, plainMask, photo_, picked);
  EXPECT_TRUE(SamePixels(ReadImageFile(Path("out.bmp")), plain));
}

// Every excluded colour, text or pick, follows the eyedropper's rules over the
// whole list, as a Shift+click does; --color texts go in as written.
TEST_F(KeepCli, ExcludedTextsFollowTheEyedropperRulesOverTheWholeList) {
  const auto same = [&](const std::string& file, const TKeepOptions& o) {
    TBitmap expected = photo_, mask;
    KeepColors(expected, mask, photo_, o);
    const TBitmap out = ReadImageFile(Path(file));
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x)
        if (out.Pixel(x, y) != expected.Pixel(x, y)) return ::testing::AssertionFailure() << file << " at " << x << "," << y;
    return ::testing::AssertionSuccess();
  };
  // Within 3 of the picked red (200, 32, 40): the exclusion adds nothing, so the red stays.
  ASSERT_EQ(Run(Path("in.bmp") + " " + Path("near.bmp") + " --pick 5,5 --exclude '#C9212A'").status, 0);
  TKeepOptions red;
  red.Entries = {"#C82028"};
  EXPECT_TRUE(same("near.bmp", red));
  // Fifty texts fill the list: an exclusion then adds nothing. The texts go in
  // as written, past fifty too, so the red (the 51st) is kept.
  std::string colors;
  TKeepOptions full;
  full.Gradient = false;
  for (int i = 0; i < 50; ++i) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", 255, 255 - 4 * i, 128);
    colors += std::string(" --color '") + text + "'";
    full.Entries.push_back(text);
  }
  full.Entries.push_back("#C82028");
  ASSERT_EQ(Run(Path("in.bmp") + " " + Path("full.bmp") + " --no-gradient" + colors +
                " --color '#C82028' --exclude '#C8203C' --exclude-pick 5,5")
                .status,
            0);
  EXPECT_TRUE(same("full.bmp", full));
  const TColor kept = ReadImageFile(Path("full.bmp")).Pixel(10, 15);
  EXPECT_NE(GetRValue(kept), GetGValue(kept));
}

// A picture with see-through parts: the result keeps its alpha (the hidden
// colours stay hidden), exactly as the window's "Execute" leaves it.
TEST_F(KeepCli, TransparentPictureKeepsItsAlphaAsTheWindowDoes) {
  TBitmap rgba(40, 30, TPixelFormat::pf32bit);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      uint8_t* p = rgba.ScanLine(y) + 4 * x;
      const TColor c = x < 20 ? RGB(200, 30 + y % 3, 40) : RGB(0, 255, 0);  // green hidden on the right
      p[0] = GetBValue(c);
      p[1] = GetGValue(c);
      p[2] = GetRValue(c);
      p[3] = x < 20 ? 255 : (x < 30 ? 0 : 128);
    }
  WritePngFile(Path("in.png"), rgba, 0);
  const TRunResult r = Run(Path("in.png") + " " + Path("out.png") + " --pick 5,5");
  ASSERT_EQ(r.status, 0) << r.err;

  TDocument window;
  window.Open(ReadImageFile(Path("in.png")), Path("in.png"));
  TKeepOptions o;
  o.Entries = {"#C82028"};
  window.Execute(o);
  const TBitmap& expected = window.CurrentImage();
  ASSERT_EQ(expected.PixelFormat(), TPixelFormat::pf32bit);
  const TBitmap out = ReadImageFile(Path("out.png"));
  ASSERT_EQ(out.PixelFormat(), TPixelFormat::pf32bit);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x)
      for (int c = 0; c < 4; ++c)
        ASSERT_EQ(out.ScanLine(y)[4 * x + c], expected.ScanLine(y)[4 * x + c]) << x << "," << y << " byte " << c;
  EXPECT_EQ(out.ScanLine(3)[4 * 25 + 3], 0);    // still see-through
  EXPECT_EQ(out.ScanLine(3)[4 * 35 + 3], 128);  // half
}

// As "Save as": the camera data and copyright of the photo, and an sRGB profile
// for a photo whose own profile was converted on the way in.
TEST_F(KeepCli, CameraDataAndTheSrgbStatementAreCarriedOver) {
  if (std::system("exiftool -ver >/dev/null 2>&1") != 0) GTEST_SKIP() << "exiftool missing";
  const std::string adobe = "/usr/share/color/icc/colord/AdobeRGB1998.icc";
  WriteImageFile(Path("in.jpg"), photo_, TWriteOptions{});
  std::string tag = "exiftool -q -overwrite_original -Make=Velicam -Model='V 24' -Copyright='(c) A. Photographer'";
  if (fs::exists(adobe)) tag += " '-ICC_Profile<=" + adobe + "'";
  ASSERT_EQ(std::system((tag + " " + Path("in.jpg")).c_str()), 0);
  const TRunResult r = Run(Path("in.jpg") + " " + Path("out.jpg") + " --pick 5,5 --mask " + Path("mask.jpg"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Output("exiftool -s -s -s -Make -Model -Copyright -Software " + Path("out.jpg")),
            "Velicam\nV 24\n(c) A. Photographer\nVelinor\n");
  // The mask is no photograph of that camera: only the program's own block.
  EXPECT_EQ(Output("exiftool -s -s -s -Make -Copyright -Software " + Path("mask.jpg")), "Velinor\n");
  if (fs::exists(adobe)) {
    EXPECT_NE(Output("exiftool -s -s -s -ProfileDescription " + Path("out.jpg")).find("sRGB"), std::string::npos);
  }
}
