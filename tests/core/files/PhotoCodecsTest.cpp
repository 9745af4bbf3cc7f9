// HEIF/AVIF, WebP and JPEG XL: files written at run time by the independent
// tools (heif-enc, avifenc, cwebp, img2webp, cjxl, ImageMagick) from a test
// picture open, and match those tools' own decoders (heif-convert, avifdec,
// dwebp, djxl); what we write opens in Pillow, avifdec and ImageMagick and
// matches the picture within the lossy tolerance. A missing tool skips.
#include <gtest/gtest.h>

#include "PhotoTestSupport.h"
#include "core/base/Errors.h"
#include "core/files/ExifSummary.h"
#include "core/files/FileRoutes.h"
#include "core/files/HeifCodec.h"
#include "core/files/JxlCodec.h"
#include "core/files/WebpCodec.h"

using namespace velinor;
using namespace velinor::testing;

namespace {

#define NEED_TOOLS(...)                                                      \
  for (const char* tool : {__VA_ARGS__})                                     \
    if (!HaveTool(tool)) GTEST_SKIP() << tool << " is not installed";

struct Decoded {
  TDecodedPicture Ours;
  TBitmap Theirs;
};

using Reader = TDecodedPicture (*)(const std::string& path);

TDecodedPicture HeifFile(const std::string& path) {
  const auto bytes = ReadAll(path);
  return ReadHeif(bytes.data(), bytes.size());
}
TDecodedPicture WebpFile(const std::string& path) {
  const auto bytes = ReadAll(path);
  return ReadWebp(bytes.data(), bytes.size());
}
TDecodedPicture JxlFile(const std::string& path) {
  const auto bytes = ReadAll(path);
  return ReadJxl(bytes.data(), bytes.size());
}

// Encodes the picture with `encode` (input {in}, output {out}), decodes the
// result with `decode` (input {out}, output {ref}) and with our reader.
Decoded RoundTrip(const ScratchDir& dir, const TBitmap& picture, const std::string& ext, const std::string& encode,
                  const std::string& decode, const std::string& refExt, Reader read) {
  const std::string in = dir.File("in.png"), out = dir.File("out" + ext), ref = dir.File("ref" + refExt);
  SaveTestPng(in, picture);
  auto fill = [&](std::string cmd) {
    for (auto [key, value] : {std::pair{"{in}", in}, std::pair{"{out}", out}, std::pair{"{ref}", ref}})
      for (size_t at = cmd.find(key); at != std::string::npos; at = cmd.find(key)) cmd.replace(at, std::string(key).size(), value);
    return cmd;
  };
  std::string log;
  EXPECT_EQ(RunTool(fill(encode), &log), 0) << log;
  EXPECT_EQ(RunTool(fill(decode), &log), 0) << log;
  Decoded d;
  d.Ours = read(out);
  d.Theirs = ReadToolOutput(ref);
  return d;
}

void ExpectMatch(const Decoded& d, const TBitmap& original, int toolTolerance, double meanTolerance) {
  EXPECT_EQ(d.Ours.StoredWidth, original.Width());
  EXPECT_EQ(d.Ours.StoredHeight, original.Height());
  const TDiff vsTool = Difference(d.Ours.Bitmap, d.Theirs);
  EXPECT_LE(vsTool.Max, toolTolerance) << "against the tool's own decoder";
  const TDiff vsOriginal = Difference(d.Ours.Bitmap, original);
  EXPECT_LE(vsOriginal.Mean, meanTolerance) << "against the picture encoded";
}

// ---- HEIF and AVIF ------------------------------------------------------------------

TEST(HeifRead, HeicFromHeifEncMatchesHeifConvert) {
  NEED_TOOLS("heif-enc", "heif-convert");
  ScratchDir dir;
  const TBitmap picture = TestPhoto(96, 64);
  const Decoded d = RoundTrip(dir, picture, ".heic", "heif-enc -q 92 -p chroma=444 -o {out} {in}",
                              "heif-convert {out} {ref}", ".png", HeifFile);
  EXPECT_EQ(d.Ours.Bitmap.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(d.Ours.DepthCode, 6);
  EXPECT_FALSE(d.Ours.Animated);
  ExpectMatch(d, picture, 1, 4.0);
}

TEST(HeifRead, AvifFromAvifencMatchesAvifdec) {
  NEED_TOOLS("avifenc", "avifdec");
  ScratchDir dir;
  const TBitmap picture = TestPhoto(96, 64);
  const Decoded d = RoundTrip(dir, picture, ".avif", "avifenc -y 444 --min 0 --max 10 {in} {out}",
                              "avifdec {out} {ref}", ".png", HeifFile);
  ExpectMatch(d, picture, 2, 4.0);
}

TEST(HeifRead, TenBitAvifIsRoundedToEightBits) {
  NEED_TOOLS("avifenc", "avifdec");
  ScratchDir dir;
  const TBitmap picture = TestPhoto(96, 64);
  const Decoded d = RoundTrip(dir, picture, ".avif", "avifenc -d 10 -y 444 --min 0 --max 10 {in} {out}",
                              "avifdec -d 8 {out} {ref}", ".png", HeifFile);
  EXPECT_EQ(d.Ours.BitsPerChannel, 10);
  ExpectMatch(d, picture, 2, 4.0);
}

TEST(HeifRead, AvifWithAlphaKeepsItIn32Bits) {
  NEED_TOOLS("avifenc", "avifdec");
  ScratchDir dir;
  const TBitmap picture = TestPhoto(96, 64, true);
  const Decoded d = RoundTrip(dir, picture, ".avif", "avifenc -y 444 --min 0 --max 10 {in} {out}",
                              "avifdec {out} {ref}", ".png", HeifFile);
  ASSERT_EQ(d.Ours.Bitmap.PixelFormat(), TPixelFormat::pf32bit);
  EXPECT_EQ(d.Ours.DepthCode, 7);
  ASSERT_EQ(d.Theirs.PixelFormat(), TPixelFormat::pf32bit);
  EXPECT_LE(Difference(d.Ours.Bitmap, d.Theirs).Max, 2);
  EXPECT_LE(Difference(d.Ours.Bitmap, picture).Mean, 4.0);
}

TEST(HeifRead, ImageMagickHeicAndAnimatedAvifOpen) {
  NEED_TOOLS("convert", "avifenc");
  ScratchDir dir;
  const TBitmap picture = TestPhoto(80, 48);
  SaveTestPng(dir.File("a.png"), picture);
  ASSERT_EQ(RunTool("convert " + dir.File("a.png") + " -quality 95 " + dir.File("im.heic")), 0);
  const TDecodedPicture heic = HeifFile(dir.File("im.heic"));
  EXPECT_LE(Difference(heic.Bitmap, picture).Mean, 5.0);

  // A sequence: its first frame opens.
  SaveTestPng(dir.File("b.png"), TestPhoto(80, 48, false));
  TBitmap second = TestPhoto(80, 48);
  second.FillBytes(10);
  SaveTestPng(dir.File("c.png"), second);
  ASSERT_EQ(RunTool("avifenc -y 444 --min 0 --max 10 " + dir.File("b.png") + " " + dir.File("c.png") + " " +
                    dir.File("anim.avif")),
            0);
  const TDecodedPicture anim = HeifFile(dir.File("anim.avif"));
  EXPECT_TRUE(anim.Animated);
  EXPECT_LE(Difference(anim.Bitmap, picture).Mean, 4.0);
}

TEST(HeifRead, RotationOfTheFileIsApplied) {
  NEED_TOOLS("avifenc");
  ScratchDir dir;
  const TBitmap picture = TestPhoto(96, 64);
  SaveTestPng(dir.File("a.png"), picture);
  // Three quarter turns anticlockwise: one quarter clockwise.
  ASSERT_EQ(RunTool("avifenc -y 444 --min 0 --max 10 --irot 3 " + dir.File("a.png") + " " + dir.File("r.avif")), 0);
  const TDecodedPicture p = HeifFile(dir.File("r.avif"));
  EXPECT_EQ(p.StoredWidth, 64);
  EXPECT_EQ(p.StoredHeight, 96);
  ASSERT_EQ(p.Bitmap.Width(), 64);
  ASSERT_EQ(p.Bitmap.Height(), 96);
  EXPECT_EQ(p.PendingOrientation, 1);
  // The picture's top-left corner is now at the top right, its top-right at the bottom right.
  for (auto [from, to] : {std::pair{TPoint{2, 2}, TPoint{61, 2}}, std::pair{TPoint{93, 2}, TPoint{61, 93}}}) {
    const TColor a = picture.Pixel(from.X, from.Y), b = p.Bitmap.Pixel(to.X, to.Y);
    EXPECT_NEAR(GetRValue(a), GetRValue(b), 8);
    EXPECT_NEAR(GetGValue(a), GetGValue(b), 8);
    EXPECT_NEAR(GetBValue(a), GetBValue(b), 8);
  }
}

TEST(HeifRead, ExifIsFoundAndItsOrientationLeftToTheFile) {
  NEED_TOOLS("heif-enc", "convert", "exiftool");
  // HEIF turns pictures with its own transform boxes; an EXIF orientation
  // inside it only describes them and is not applied a second time.
  ScratchDir dir;
  SaveTestPng(dir.File("a.png"), TestPhoto(96, 64));
  ASSERT_EQ(RunTool("convert " + dir.File("a.png") + " -quality 95 " + dir.File("a.jpg")), 0);
  ASSERT_EQ(RunTool("exiftool -q -overwrite_original -Orientation#=6 -Make=Velinor -Model='Test Cam' " +
                    dir.File("a.jpg")),
            0);
  ASSERT_EQ(RunTool("heif-enc -q 92 -o " + dir.File("e.heic") + " " + dir.File("a.jpg")), 0);
  const TDecodedPicture p = HeifFile(dir.File("e.heic"));
  EXPECT_EQ(p.Bitmap.Width(), 96);
  EXPECT_EQ(p.PendingOrientation, 1);
  ASSERT_FALSE(p.Exif.empty());
  const TExifSummary s = ReadExifSummary(p.Exif.data(), p.Exif.size());
  EXPECT_TRUE(s.Valid);
  EXPECT_EQ(s.Make, "Velinor");
  EXPECT_EQ(s.Model, "Test Cam");
  const auto bytes = ReadAll(dir.File("e.heic"));
  EXPECT_EQ(ReadHeifExif(bytes.data(), bytes.size()), p.Exif);
}

TEST(HeifRead, PreviewUsesTheThumbnailButReportsTheFullSize) {
  NEED_TOOLS("heif-enc");
  ScratchDir dir;
  SaveTestPng(dir.File("a.png"), TestPhoto(400, 300));
  ASSERT_EQ(RunTool("heif-enc -q 80 -t 120 -o " + dir.File("t.heic") + " " + dir.File("a.png")), 0);
  const auto bytes = ReadAll(dir.File("t.heic"));
  const TDecodedPicture p = ReadHeif(bytes.data(), bytes.size(), true);
  EXPECT_EQ(p.StoredWidth, 400);
  EXPECT_EQ(p.StoredHeight, 300);
  EXPECT_LE(std::max(p.Bitmap.Width(), p.Bitmap.Height()), 120);
  int w = 0, h = 0;
  EXPECT_TRUE(ProbeHeif(bytes.data(), bytes.size(), w, h));
  EXPECT_EQ(w, 400);
  EXPECT_EQ(h, 300);
}

TEST(AvifWrite, OpensInIndependentReadersWithinTheLossyTolerance) {
  if (!CanWriteAvif()) GTEST_SKIP() << "no AV1 encoder in libheif";
  ScratchDir dir;
  for (bool alpha : {false, true}) {
    SCOPED_TRACE(alpha ? "with alpha" : "opaque");
    const TBitmap picture = TestPhoto(96, 64, alpha);
    const std::string out = dir.File(alpha ? "ours-alpha.avif" : "ours.avif");
    WriteAvifFile(out, picture, 90);
    // Read back by us, by avifdec (libavif) and by ImageMagick.
    const TDecodedPicture back = HeifFile(out);
    EXPECT_EQ(back.Bitmap.PixelFormat(), alpha ? TPixelFormat::pf32bit : TPixelFormat::pf24bit);
    EXPECT_LE(Difference(back.Bitmap, picture).Mean, 3.0);
    EXPECT_LE(Difference(back.Bitmap, picture).Max, 40);
    if (HaveTool("avifdec")) {
      ASSERT_EQ(RunTool("avifdec " + out + " " + dir.File("avifdec.png")), 0);
      EXPECT_LE(Difference(ReadToolOutput(dir.File("avifdec.png")), picture).Mean, 3.0);
    }
    if (HaveTool("convert")) {
      ASSERT_EQ(RunTool("convert " + out + " -depth 8 " + dir.File("im.png")), 0);
      EXPECT_LE(Difference(ReadToolOutput(dir.File("im.png")), picture).Mean, 3.0);
    }
  }
}

// ---- WebP ---------------------------------------------------------------------------

TEST(WebpRead, LossyFromCwebpMatchesDwebp) {
  NEED_TOOLS("cwebp", "dwebp");
  ScratchDir dir;
  const TBitmap picture = TestPhoto(96, 64);
  const Decoded d = RoundTrip(dir, picture, ".webp", "cwebp -quiet -q 90 {in} -o {out}",
                              "dwebp -quiet {out} -ppm -o {ref}", ".ppm", WebpFile);
  EXPECT_EQ(d.Ours.Bitmap.PixelFormat(), TPixelFormat::pf24bit);
  ExpectMatch(d, picture, 0, 4.0);
}

TEST(WebpRead, LosslessWithAlphaIsExact) {
  NEED_TOOLS("cwebp");
  ScratchDir dir;
  const TBitmap picture = TestPhoto(96, 64, true);
  SaveTestPng(dir.File("in.png"), picture);
  ASSERT_EQ(RunTool("cwebp -quiet -lossless -exact " + dir.File("in.png") + " -o " + dir.File("l.webp")), 0);
  const TDecodedPicture p = WebpFile(dir.File("l.webp"));
  ASSERT_EQ(p.Bitmap.PixelFormat(), TPixelFormat::pf32bit);
  EXPECT_EQ(p.DepthCode, 7);
  EXPECT_TRUE(SamePixels(p.Bitmap, picture));
}

TEST(WebpRead, AnimationOpensItsFirstFrame) {
  NEED_TOOLS("img2webp");
  ScratchDir dir;
  const TBitmap first = TestPhoto(64, 40);
  TBitmap second = TestPhoto(64, 40);
  second.FillBytes(200);
  SaveTestPng(dir.File("1.png"), first);
  SaveTestPng(dir.File("2.png"), second);
  ASSERT_EQ(RunTool("img2webp -lossless " + dir.File("1.png") + " " + dir.File("2.png") + " -o " +
                    dir.File("anim.webp")),
            0);
  const TDecodedPicture p = WebpFile(dir.File("anim.webp"));
  EXPECT_TRUE(p.Animated);
  EXPECT_LE(Difference(p.Bitmap, first).Max, 0);
}

TEST(WebpRead, ExifIsFound) {
  NEED_TOOLS("cwebp", "convert", "exiftool");
  ScratchDir dir;
  SaveTestPng(dir.File("a.png"), TestPhoto(64, 40));
  ASSERT_EQ(RunTool("convert " + dir.File("a.png") + " " + dir.File("a.jpg")), 0);
  ASSERT_EQ(RunTool("exiftool -q -overwrite_original -Make=Velinor -Model=WebCam '-ModifyDate=2024:05:06 07:08:09' " +
                    dir.File("a.jpg")),
            0);
  ASSERT_EQ(RunTool("cwebp -quiet -metadata exif " + dir.File("a.jpg") + " -o " + dir.File("e.webp")), 0);
  const auto bytes = ReadAll(dir.File("e.webp"));
  const auto exif = ReadWebpExif(bytes.data(), bytes.size());
  const TExifSummary s = ReadExifSummary(exif.data(), exif.size());
  EXPECT_EQ(s.Model, "WebCam");
  EXPECT_TRUE(s.HasDateTime);
  EXPECT_EQ(s.DateTime.Second, 9);
}

TEST(WebpWrite, LossyAndLosslessOpenInPillow) {
  if (!HavePillow()) GTEST_SKIP() << "no Pillow";
  ScratchDir dir;
  for (bool alpha : {false, true}) {
    SCOPED_TRACE(alpha ? "32-bit, lossless" : "24-bit, lossy");
    const TBitmap picture = TestPhoto(96, 64, alpha);
    const TWebpWriteOptions o = WebpOptionsFor(picture, 85);
    EXPECT_EQ(o.Lossless, alpha);
    const std::string out = dir.File("ours.webp"), png = dir.File("pil.png");
    WriteWebpFile(out, picture, o);
    ASSERT_EQ(RunTool("/usr/bin/python3 -c \"from PIL import Image; im = Image.open('" + out +
                      "'); im.load(); im.save('" + png + "')\""),
              0);
    const TBitmap theirs = ReadToolOutput(png);
    if (alpha) {
      ASSERT_EQ(theirs.PixelFormat(), TPixelFormat::pf32bit);
      EXPECT_TRUE(SamePixels(theirs, picture));
    } else {
      EXPECT_LE(Difference(theirs, picture).Mean, 3.0);
    }
    EXPECT_EQ(Difference(WebpFile(out).Bitmap, theirs).Max, 0);
  }
}

TEST(WebpWrite, RefusesWhatWebpCannotHold) {
  const TBitmap wide(16384, 1);
  EXPECT_THROW(EncodeWebp(wide, {}), EWriteError);
  EXPECT_THROW(EncodeWebp(TBitmap(), {}), EWriteError);
}

// ---- JPEG XL ------------------------------------------------------------------------

TEST(JxlRead, LossyAndLosslessFromCjxlMatchDjxl) {
  NEED_TOOLS("cjxl", "djxl");
  ScratchDir dir;
  const TBitmap picture = TestPhoto(96, 64);
  const Decoded lossy = RoundTrip(dir, picture, ".jxl", "cjxl --quiet -d 1 {in} {out}", "djxl --quiet {out} {ref}",
                                  ".ppm", JxlFile);
  ExpectMatch(lossy, picture, 1, 4.0);
  EXPECT_TRUE(lossy.Ours.Icc.empty()) << "delivered in sRGB by the decoder";
  const Decoded lossless = RoundTrip(dir, picture, ".jxl", "cjxl --quiet -d 0 {in} {out}",
                                     "djxl --quiet {out} {ref}", ".ppm", JxlFile);
  EXPECT_TRUE(SamePixels(lossless.Ours.Bitmap, picture));
}

TEST(JxlRead, AlphaAndExifFromAJpegRecompression) {
  NEED_TOOLS("cjxl", "convert", "exiftool");
  ScratchDir dir;
  const TBitmap picture = TestPhoto(96, 64, true);
  SaveTestPng(dir.File("a.png"), picture);
  ASSERT_EQ(RunTool("cjxl --quiet -d 0 " + dir.File("a.png") + " " + dir.File("a.jxl")), 0);
  const TDecodedPicture p = JxlFile(dir.File("a.jxl"));
  ASSERT_EQ(p.Bitmap.PixelFormat(), TPixelFormat::pf32bit);
  EXPECT_EQ(p.DepthCode, 7);
  EXPECT_TRUE(SamePixels(p.Bitmap, picture));

  ASSERT_EQ(RunTool("convert " + dir.File("a.png") + " -alpha off -quality 92 " + dir.File("e.jpg")), 0);
  ASSERT_EQ(RunTool("exiftool -q -overwrite_original -Make=Velinor -Model=XL " + dir.File("e.jpg")), 0);
  ASSERT_EQ(RunTool("cjxl --quiet " + dir.File("e.jpg") + " " + dir.File("e.jxl")), 0);
  const auto bytes = ReadAll(dir.File("e.jxl"));
  const auto exif = ReadJxlExif(bytes.data(), bytes.size());
  const TExifSummary s = ReadExifSummary(exif.data(), exif.size());
  EXPECT_EQ(s.Make, "Velinor");
  EXPECT_EQ(s.Model, "XL");
  // The recompressed JPEG decodes like the JPEG itself (djxl as the reference).
  if (HaveTool("djxl")) {
    ASSERT_EQ(RunTool("djxl --quiet " + dir.File("e.jxl") + " " + dir.File("e.ppm")), 0);
    EXPECT_LE(Difference(ReadJxl(bytes.data(), bytes.size()).Bitmap, ReadToolOutput(dir.File("e.ppm"))).Max, 1);
  }
}

// ---- all of them --------------------------------------------------------------------

TEST(PhotoCodecs, DamagedInputIsRefusedWithTheProgramsErrors) {
  const std::vector<uint8_t> junk = {0, 0, 0, 24, 'f', 't', 'y', 'p', 'h', 'e', 'i', 'c', 0, 0, 0, 0, 1, 2, 3, 4};
  EXPECT_THROW(ReadHeif(junk.data(), junk.size()), EVelinorError);
  EXPECT_THROW(ReadHeif(nullptr, 0), EVelinorError);
  const std::vector<uint8_t> riff = {'R', 'I', 'F', 'F', 20, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', ' ', 8, 0, 0, 0, 1, 2};
  EXPECT_THROW(ReadWebp(riff.data(), riff.size()), EVelinorError);
  const std::vector<uint8_t> jxl = {0xFF, 0x0A, 0xFF, 0xFF, 0xFF};
  EXPECT_THROW(ReadJxl(jxl.data(), jxl.size()), EVelinorError);
  const std::vector<uint8_t> notJxl = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16};
  EXPECT_THROW(ReadJxl(notJxl.data(), notJxl.size()), EReadError);
  int w = 1, h = 1;
  EXPECT_FALSE(ProbeHeif(junk.data(), junk.size(), w, h));
  EXPECT_FALSE(ProbeWebp(riff.data(), riff.size(), w, h));
  EXPECT_FALSE(ProbeJxl(notJxl.data(), notJxl.size(), w, h));
  EXPECT_TRUE(ReadHeifExif(junk.data(), junk.size()).empty());
}

TEST(PhotoCodecs, TruncatedFilesFailCleanly) {
  NEED_TOOLS("cwebp", "cjxl", "heif-enc");
  ScratchDir dir;
  SaveTestPng(dir.File("a.png"), TestPhoto(96, 64));
  ASSERT_EQ(RunTool("cwebp -quiet " + dir.File("a.png") + " -o " + dir.File("a.webp")), 0);
  ASSERT_EQ(RunTool("cjxl --quiet " + dir.File("a.png") + " " + dir.File("a.jxl")), 0);
  ASSERT_EQ(RunTool("heif-enc -o " + dir.File("a.heic") + " " + dir.File("a.png")), 0);
  for (const char* name : {"a.webp", "a.jxl", "a.heic"}) {
    SCOPED_TRACE(name);
    auto bytes = ReadAll(dir.File(name));
    bytes.resize(bytes.size() * 2 / 3);
    const std::string n = name;
    auto read = [&] {
      if (n.ends_with(".webp")) ReadWebp(bytes.data(), bytes.size());
      else if (n.ends_with(".jxl")) ReadJxl(bytes.data(), bytes.size());
      else ReadHeif(bytes.data(), bytes.size());
    };
    EXPECT_THROW(read(), EVelinorError);
  }
}

TEST(PhotoCodecs, ExtensionsTakeTheirRows) {
  // The route table alone decides which reader a name gets.
  const auto row = [](const char* name) { return std::string(LoadRouteFor(name).Name); };
  EXPECT_EQ(row("IMG_0001.HEIC"), "HEIF");
  EXPECT_EQ(row("a.heif"), "HEIF");
  EXPECT_EQ(row("canon.hif"), "HEIF");
  EXPECT_EQ(row("a.avif"), "AVIF");
  EXPECT_EQ(row("a.AVIF"), "AVIF");
  EXPECT_EQ(row("a.webp"), "WebP");
  EXPECT_NE(row("a.web"), "WebP");
  EXPECT_EQ(row("a.jxl"), "JPEG XL");
  EXPECT_NE(row("jxl"), "JPEG XL");
}

TEST(PhotoCodecs, ExifBlockIsFoundBehindEachContainersPrefix) {
  const std::vector<uint8_t> tiff = {'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0};
  EXPECT_EQ(ExifFromTiffHeader(tiff.data(), tiff.size()), tiff);
  std::vector<uint8_t> exif = {'E', 'x', 'i', 'f', 0, 0};
  exif.insert(exif.end(), tiff.begin(), tiff.end());
  EXPECT_EQ(ExifFromTiffHeader(exif.data(), exif.size()), tiff);
  std::vector<uint8_t> offset = {0, 0, 0, 2, 'x', 'y'};
  offset.insert(offset.end(), tiff.begin(), tiff.end());
  EXPECT_EQ(ExifFromTiffHeader(offset.data(), offset.size()), tiff);
  std::vector<uint8_t> offsetExif = {0, 0, 0, 0};
  offsetExif.insert(offsetExif.end(), exif.begin(), exif.end());
  EXPECT_EQ(ExifFromTiffHeader(offsetExif.data(), offsetExif.size()), tiff);
  const std::vector<uint8_t> bad = {0xFF, 0xFF, 0xFF, 0xF0, 'I', 'I', 42, 0};
  EXPECT_TRUE(ExifFromTiffHeader(bad.data(), bad.size()).empty());
  EXPECT_TRUE(ExifFromTiffHeader(nullptr, 0).empty());
}

}  // namespace
