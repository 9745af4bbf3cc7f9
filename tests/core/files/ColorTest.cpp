// Photos as cameras and colour-managed programs write them: orientation,
// colour profiles, 16-bit depth, camera data kept on save.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "PhotoTestSupport.h"
#include "core/base/Orientation.h"
#include "core/files/CameraData.h"
#include "core/files/ColorProfile.h"
#include "core/files/DecodedPicture.h"
#include "core/files/FileRoutes.h"
#include "core/files/JpegUtils.h"
#include "core/files/PictureInfo.h"
#include "core/files/PngUtils.h"
#include "core/files/TiffUtils.h"

#include <lcms2.h>
#include <zlib.h>
#include <tiffio.h>

using namespace velinor;
using namespace velinor::testing;

#define NEED_TOOLS(...)                                                    \
  for (const char* tool : {__VA_ARGS__})                                  \
    if (!HaveTool(tool)) GTEST_SKIP() << tool << " is not installed"

namespace {

std::string Quote(const std::string& s) { return "'" + s + "'"; }

}  // namespace

TEST(Orientation, JpegComesInUprightForEveryValueAndSavesUpright) {
  NEED_TOOLS("exiftool", "convert");
  ScratchDir dir;
  const std::string plain = dir.File("plain.jpg");
  WriteImageFile(plain, TestPhoto(48, 32), TWriteOptions{});
  const TBitmap stored = ReadImageFile(plain);
  for (int o = 1; o <= 8; ++o) {
    SCOPED_TRACE(o);
    const std::string tagged = dir.File("o" + std::to_string(o) + ".jpg");
    ASSERT_EQ(RunTool("cp " + plain + " " + tagged + " && exiftool -q -overwrite_original -Orientation#=" +
                      std::to_string(o) + " " + tagged),
              0);
    TReadResult read;
    const TBitmap up = ReadImageFile(tagged, &read);
    EXPECT_TRUE(SamePixels(up, ApplyOrientation(stored, o)));
    EXPECT_EQ(read.OrigWidth, o >= 5 ? 32 : 48);
    // The open dialog's preview and information say the same.
    TReadResult previewRead;
    const TBitmap preview = ReadImageFile(tagged, &previewRead, true);
    EXPECT_EQ(preview.Width(), o >= 5 ? 32 : 48);
    EXPECT_EQ(previewRead.OrigWidth, read.OrigWidth);
    EXPECT_EQ(previewRead.OrigHeight, read.OrigHeight);
  }
  // ImageMagick's own idea of "upright" for the portrait phone photo.
  ASSERT_EQ(RunTool("convert " + dir.File("o6.jpg") + " -auto-orient " + dir.File("im6.png")), 0);
  EXPECT_LE(Difference(ReadImageFile(dir.File("o6.jpg")), ReadToolOutput(dir.File("im6.png"))).Max, 2);

  // Saved upright with Orientation 1: it opens the same anywhere.
  const TBitmap up = ReadImageFile(dir.File("o6.jpg"));
  WriteImageFile(dir.File("saved.jpg"), up, TWriteOptions{});
  TReadResult again;
  const TBitmap reread = ReadImageFile(dir.File("saved.jpg"), &again);
  EXPECT_EQ(reread.Width(), 32);
  EXPECT_EQ(ExifOrientation(again.Exif), 1);
  EXPECT_LE(Difference(reread, up).Mean, 3.0);
}

TEST(Orientation, TiffComesInUprightForEveryValue) {
  NEED_TOOLS("tiffset", "convert");
  ScratchDir dir;
  const TBitmap photo = TestPhoto(40, 24);
  for (int o = 1; o <= 8; ++o) {
    SCOPED_TRACE(o);
    const std::string name = dir.File("o" + std::to_string(o) + ".tif");
    WriteImageFile(name, photo, TWriteOptions{});
    ASSERT_EQ(RunTool("tiffset -s 274 " + std::to_string(o) + " " + name), 0);
    const TBitmap up = ReadImageFile(name);
    EXPECT_TRUE(SamePixels(up, ApplyOrientation(photo, o)));
    ASSERT_EQ(RunTool("convert " + name + " -auto-orient " + dir.File("im.png")), 0);
    EXPECT_EQ(Difference(up, ReadToolOutput(dir.File("im.png"))).Max, 0);
  }
}

TEST(Orientation, ExifOrientationReadsEveryLayoutAndIgnoresJunk) {
  // Little- and big-endian IFD0 with the tag second; junk and odd values give 1.
  std::vector<uint8_t> le = {'I', 'I', 42, 0, 8, 0, 0, 0, 2, 0,
                             0x0F, 1, 2, 0, 1, 0, 0, 0, 0, 0, 0, 0,  // Make, 1 char inline
                             0x12, 1, 3, 0, 1, 0, 0, 0, 6, 0, 0, 0,  // Orientation 6
                             0, 0, 0, 0};
  EXPECT_EQ(ExifOrientation(le), 6);
  std::vector<uint8_t> app1 = {0, 0, 'E', 'x', 'i', 'f', 0, 0};
  app1.insert(app1.end(), le.begin(), le.end());
  EXPECT_EQ(ExifOrientation(app1), 6);
  std::vector<uint8_t> be = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 1, 0x12, 0, 3, 0, 0, 0, 1, 0, 8, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(ExifOrientation(be), 8);
  be[19] = 9;
  EXPECT_EQ(ExifOrientation(be), 1);
  le[4] = 0xF0;  // IFD0 beyond the block
  EXPECT_EQ(ExifOrientation(le), 1);
  EXPECT_EQ(ExifOrientation({}), 1);
  le.resize(20);  // entries cut short
  le[4] = 8;
  EXPECT_EQ(ExifOrientation(le), 1);
}

namespace {

const std::string IccDir = "/usr/share/color/icc/colord/";

std::vector<uint8_t> ProfileFile(const std::string& name) { return ReadAll(IccDir + name); }

// The JPEG with the profile's APP2 segments right after its start of image.
std::vector<uint8_t> WithJpegProfile(std::vector<uint8_t> jpeg, const std::vector<uint8_t>& profile) {
  std::vector<uint8_t> segments;
  for (const auto& s : JpegIccSegments(profile)) {
    segments.push_back(0xFF);
    segments.push_back(0xE2);
    segments.insert(segments.end(), s.begin(), s.end());
  }
  jpeg.insert(jpeg.begin() + 2, segments.begin(), segments.end());
  return jpeg;
}

// tificc (Little CMS's own command-line converter) on a TIFF of the pixels.
TBitmap ConvertedByTificc(const ScratchDir& dir, const TBitmap& pixels, const std::string& profilePath,
                          const std::string& intent) {
  const std::string in = dir.File("tificc-in.tif"), out = dir.File("tificc-out.tif");
  WriteImageFile(in, pixels, TWriteOptions{});
  EXPECT_EQ(RunTool("tificc -n -t" + intent + " -b -w8 -i" + Quote(profilePath) + " " + in + " " + out), 0);
  const auto bytes = ReadAll(out);
  return ReadTiff(bytes.data(), bytes.size());
}

}  // namespace

TEST(ColorProfile, EmbeddedRgbProfilesAreConvertedLikeLittleCmsOwnConverter) {
  NEED_TOOLS("tificc");
  ScratchDir dir;
  const std::string plain = dir.File("plain.jpg");
  WriteImageFile(plain, TestPhoto(64, 48), TWriteOptions{});
  TReadResult plainRead;
  const TBitmap raw = ReadImageFile(plain, &plainRead);
  EXPECT_FALSE(plainRead.Origin.ProfileConverted);
  for (const char* name : {"AdobeRGB1998.icc", "ProPhotoRGB.icc", "WideGamutRGB.icc", "Rec709.icc"}) {
    SCOPED_TRACE(name);
    const auto profile = ProfileFile(name);
    if (profile.empty()) GTEST_SKIP() << "colord-data is not installed";
    const std::string tagged = dir.File("tagged.jpg");
    WriteAll(tagged, WithJpegProfile(ReadAll(plain), profile));
    EXPECT_EQ(FindJpegIccProfile(ReadAll(tagged).data(), ReadAll(tagged).size()), profile);
    TReadResult read;
    const TBitmap ours = ReadImageFile(tagged, &read);
    EXPECT_TRUE(read.Origin.ProfileConverted);
    const TBitmap theirs = ConvertedByTificc(dir, raw, IccDir + name, "1");
    EXPECT_LE(Difference(ours, theirs).Max, 1);
    // The Adobe RGB photo is visibly different from its raw numbers.
    EXPECT_GT(Difference(ours, raw).Max, 10);
  }
}

namespace {

// Display P3 as an ICC profile made here with Little CMS's own calls: D65,
// the DCI-P3 primaries, the sRGB curve.
void WriteDisplayP3Profile(const std::string& path) {
  const cmsCIExyY white{0.3127, 0.3290, 1.0};
  const cmsCIExyYTRIPLE primaries{{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};
  const cmsFloat64Number srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
  cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, srgb);
  cmsToneCurve* curves[3] = {curve, curve, curve};
  cmsHPROFILE p = cmsCreateRGBProfile(&white, &primaries, curves);
  ASSERT_TRUE(p);
  ASSERT_TRUE(cmsSaveProfileToFile(p, path.c_str()));
  cmsCloseProfile(p);
  cmsFreeToneCurve(curve);
}

// A photo with strong colours, where wide-gamut numbers read as sRGB are far off.
TBitmap StrongColours() {
  TBitmap b = TestPhoto(64, 48);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 64; ++x) b.SetPixel(x, y, RGB(x * 4, 200 - x * 2, 50 + x));
  return b;
}

}  // namespace

// AVIF (and HEIF) say their colours by code points (nclx) rather than an ICC
// profile: Display P3 from a phone, BT.709 video curves. (Debian's heif-enc
// writes no nclx box; HEIF files take the same path through libheif.)
TEST(ColorProfile, NclxColourInformationIsConvertedLikeLittleCmsOwnConverter) {
  NEED_TOOLS("avifenc", "tificc");
  ScratchDir dir;
  const TBitmap raw = StrongColours();
  const std::string source = dir.File("source.png");
  SaveTestPng(source, raw);
  const std::string p3 = dir.File("p3.icc");
  WriteDisplayP3Profile(p3);
  struct Case {
    const char* cicp;
    std::string profile;  // empty: sRGB, nothing to convert
  };
  const Case cases[] = {{"12/13/0", p3}, {"1/1/0", IccDir + "Rec709.icc"}, {"1/13/0", ""}, {"2/2/0", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cicp);
    if (!c.profile.empty() && ReadAll(c.profile).empty()) GTEST_SKIP() << "colord-data is not installed";
    const TBitmap theirs = c.profile.empty() ? raw : ConvertedByTificc(dir, raw, c.profile, "1");
    // Lossless, RGB stored as it is (identity matrix): the file holds the raw numbers.
    const std::string avif = dir.File("p.avif");
    ASSERT_EQ(RunTool("avifenc -l --cicp " + std::string(c.cicp) + " " + source + " " + avif), 0);
    TReadResult read;
    const TBitmap ours = ReadImageFile(avif, &read);
    EXPECT_EQ(read.Origin.ProfileConverted, !c.profile.empty());
    EXPECT_LE(Difference(ours, theirs).Max, 1);
    if (!c.profile.empty()) { EXPECT_GT(Difference(theirs, raw).Max, 10); }
  }
}

// WebP and JPEG XL carry an ICC profile (JPEG XL may describe it by an
// encoding instead): a Display P3 picture comes in converted.
TEST(ColorProfile, WebpAndJxlProfilesAreConverted) {
  NEED_TOOLS("cwebp", "cjxl", "exiftool", "tificc");
  ScratchDir dir;
  const TBitmap raw = StrongColours();
  const std::string p3 = dir.File("p3.icc"), tagged = dir.File("tagged.png");
  WriteDisplayP3Profile(p3);
  SaveTestPng(tagged, raw);
  ASSERT_EQ(RunTool("exiftool -q -overwrite_original '-icc_profile<=" + p3 + "' " + tagged), 0);
  const TBitmap theirs = ConvertedByTificc(dir, raw, p3, "1");
  ASSERT_GT(Difference(theirs, raw).Max, 10);
  const std::string webp = dir.File("p.webp"), jxl = dir.File("p.jxl");
  ASSERT_EQ(RunTool("cwebp -quiet -lossless -metadata icc " + tagged + " -o " + webp), 0);
  ASSERT_EQ(RunTool("cjxl -d 0 " + tagged + " " + jxl), 0);
  for (const std::string& file : {webp, jxl}) {
    SCOPED_TRACE(file);
    TReadResult read;
    const TBitmap ours = ReadImageFile(file, &read);
    EXPECT_TRUE(read.Origin.ProfileConverted);
    EXPECT_LE(Difference(ours, theirs).Max, 1);
  }
}

TEST(ColorProfile, CodePointsMakeProfilesOnlyWhereTheyAreNotSrgb) {
  EXPECT_TRUE(ProfileFromCicp(1, 13).empty());
  EXPECT_TRUE(ProfileFromCicp(2, 2).empty());
  EXPECT_TRUE(ProfileFromCicp(2, 13).empty());
  EXPECT_FALSE(ProfileFromCicp(12, 13).empty());
  EXPECT_FALSE(ProfileFromCicp(9, 14).empty());
  EXPECT_FALSE(ProfileFromCicp(1, 1).empty());
  EXPECT_TRUE(ProfileFromCicp(9, 16).empty());  // PQ: HDR, not converted
  EXPECT_TRUE(ProfileFromCicp(9, 18).empty());  // HLG
  EXPECT_TRUE(ProfileFromCicp(99, 13).empty());
}

TEST(ColorProfile, TiffAndPngProfilesAreUsedAndSrgbIsLeftAlone) {
  NEED_TOOLS("tificc", "exiftool");
  ScratchDir dir;
  const TBitmap photo = TestPhoto(40, 30);
  const std::string adobe = IccDir + "AdobeRGB1998.icc";
  if (ReadAll(adobe).empty()) GTEST_SKIP() << "colord-data is not installed";
  const TBitmap expected = ConvertedByTificc(dir, photo, adobe, "1");
  for (const char* ext : {".tif", ".png"}) {
    SCOPED_TRACE(ext);
    const std::string name = dir.File(std::string("a") + ext);
    WriteImageFile(name, photo, TWriteOptions{});
    ASSERT_EQ(RunTool("exiftool -q -overwrite_original '-ICC_Profile<=" + adobe + "' " + name), 0);
    TReadResult read;
    EXPECT_LE(Difference(ReadImageFile(name, &read), expected).Max, 1);
    EXPECT_TRUE(read.Origin.ProfileConverted);
  }
  // An sRGB profile changes (next to) nothing.
  const std::string srgb = dir.File("s.tif");
  WriteImageFile(srgb, photo, TWriteOptions{});
  ASSERT_EQ(RunTool("exiftool -q -overwrite_original '-ICC_Profile<=" + IccDir + "sRGB.icc' " + srgb), 0);
  EXPECT_LE(Difference(ReadImageFile(srgb), photo).Max, 1);
}

namespace {

// A PNG with one more chunk put just before its image data.
std::vector<uint8_t> WithPngChunk(std::vector<uint8_t> png, const char* type, const std::vector<uint8_t>& body) {
  std::vector<uint8_t> chunk = {uint8_t(body.size() >> 24), uint8_t(body.size() >> 16), uint8_t(body.size() >> 8),
                                uint8_t(body.size())};
  chunk.insert(chunk.end(), type, type + 4);
  chunk.insert(chunk.end(), body.begin(), body.end());
  const uLong crc = crc32(0, chunk.data() + 4, static_cast<uInt>(chunk.size() - 4));
  for (int shift : {24, 16, 8, 0}) chunk.push_back(uint8_t(crc >> shift));
  for (size_t at = 8; at + 8 <= png.size();) {
    const size_t length = (size_t{png[at]} << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3];
    if (std::memcmp(&png[at + 4], "IDAT", 4) == 0) {
      png.insert(png.begin() + static_cast<std::ptrdiff_t>(at), chunk.begin(), chunk.end());
      return png;
    }
    at += 12 + length;
  }
  ADD_FAILURE() << "no IDAT";
  return png;
}

std::vector<uint8_t> IccpBody(const std::vector<uint8_t>& profile) {
  std::vector<uint8_t> body = {'p', 0, 0};  // name, its end, deflate
  uLongf n = compressBound(profile.size());
  std::vector<uint8_t> z(n);
  compress(z.data(), &n, profile.data(), profile.size());
  body.insert(body.end(), z.begin(), z.begin() + static_cast<std::ptrdiff_t>(n));
  return body;
}

}  // namespace

// A PNG may say its colours several ways at once; the strongest wins: cICP,
// then an embedded profile, then the sRGB chunk, then cHRM with gAMA.
TEST(ColorProfile, PngColourChunksTakeTheirOrderOfPrecedence) {
  NEED_TOOLS("tificc");
  ScratchDir dir;
  const std::string adobe = IccDir + "AdobeRGB1998.icc";
  if (ReadAll(adobe).empty()) GTEST_SKIP() << "colord-data is not installed";
  const TBitmap photo = StrongColours();
  const std::string p3 = dir.File("p3.icc");
  WriteDisplayP3Profile(p3);
  const TBitmap asAdobe = ConvertedByTificc(dir, photo, adobe, "1");
  const TBitmap asP3 = ConvertedByTificc(dir, photo, p3, "1");
  TPngWriteOptions withSrgb;
  withSrgb.Srgb = true;
  const std::vector<uint8_t> srgbPng = EncodePng(photo, withSrgb);
  const std::vector<uint8_t> iccp = WithPngChunk(srgbPng, "iCCP", IccpBody(ReadAll(adobe)));
  const std::vector<uint8_t> cicp = WithPngChunk(iccp, "cICP", {12, 13, 0, 1});
  const std::vector<uint8_t> cicpSrgb = WithPngChunk(iccp, "cICP", {1, 13, 0, 1});
  const auto read = [&](const std::vector<uint8_t>& bytes, bool& converted) {
    const std::string name = dir.File("c.png");
    WriteAll(name, bytes);
    TReadResult r;
    TBitmap b = ReadImageFile(name, &r);
    converted = r.Origin.ProfileConverted;
    return b;
  };
  bool converted = false;
  EXPECT_LE(Difference(read(srgbPng, converted), photo).Max, 0);
  EXPECT_FALSE(converted);
  EXPECT_LE(Difference(read(iccp, converted), asAdobe).Max, 1) << "iCCP over sRGB";
  EXPECT_TRUE(converted);
  EXPECT_LE(Difference(read(cicp, converted), asP3).Max, 1) << "cICP over iCCP";
  EXPECT_TRUE(converted);
  EXPECT_LE(Difference(read(cicpSrgb, converted), photo).Max, 0) << "cICP saying sRGB";
  EXPECT_FALSE(converted);
}

TEST(ColorProfile, GreyProfilesAndPalettes) {
  // A grey profile of gamma 1.0 brightens mid-grey to what sRGB needs.
  const double white[2] = {0.3127, 0.3290};
  const double prim[6] = {0.64, 0.33, 0.30, 0.60, 0.15, 0.06};
  const std::vector<uint8_t> linear = ProfileFromChromaticities(white, prim, 1.0);
  ASSERT_FALSE(linear.empty());
  TBitmap b(2, 1);
  b.SetPixel(0, 0, RGB(128, 128, 128));
  b.SetPixel(1, 0, RGB(255, 0, 0));
  ASSERT_TRUE(ConvertProfileToSrgb(b, linear));
  // Linear 0.502 is sRGB 188; the sRGB primaries keep red red.
  EXPECT_NEAR(static_cast<int>(b.Pixel(0, 0) & 0xFF), 188, 1);
  EXPECT_EQ(b.Pixel(1, 0), RGB(255, 0, 0));
  TBitmap pal(1, 1, TPixelFormat::pf8bit);
  pal.Palette = {RGB(128, 128, 128), RGB(0, 0, 0)};
  ASSERT_TRUE(ConvertProfileToSrgb(pal, linear));
  EXPECT_NEAR(static_cast<int>(pal.Palette[0] & 0xFF), 188, 1);
  EXPECT_EQ(pal.Palette[1], RGB(0, 0, 0));
  // Not usable: nonsense chromaticities, and a profile for another colour space.
  const double bad[6] = {0, 0, 0, 0, 0, 0};
  EXPECT_TRUE(ProfileFromChromaticities(white, bad, 1.0).empty());
  const auto lab = ReadAll("/usr/share/color/icc/ITULab.icc");
  if (!lab.empty()) {
    TBitmap c = TestPhoto(8, 8);
    EXPECT_FALSE(ConvertProfileToSrgb(c, lab));
    EXPECT_TRUE(SamePixels(c, TestPhoto(8, 8)));
  }
}

TEST(ColorProfile, DamagedProfilesFallBackToSrgbWithoutAWord) {
  ScratchDir dir;
  const std::string plain = dir.File("plain.jpg");
  WriteImageFile(plain, TestPhoto(32, 24), TWriteOptions{});
  const TBitmap raw = ReadImageFile(plain);
  std::vector<uint8_t> adobe = ProfileFile("AdobeRGB1998.icc");
  if (adobe.empty()) GTEST_SKIP() << "colord-data is not installed";
  std::vector<std::vector<uint8_t>> damaged;
  damaged.push_back(std::vector<uint8_t>(adobe.begin(), adobe.begin() + 200));  // cut short
  auto garbled = adobe;
  for (size_t i = 128; i < garbled.size(); ++i) garbled[i] ^= 0x5A;  // tag table garbled
  damaged.push_back(garbled);
  auto unknownSpace = adobe;
  std::memcpy(unknownSpace.data() + 16, "ABCD", 4);  // a colour space no one knows
  damaged.push_back(unknownSpace);
  damaged.push_back(std::vector<uint8_t>(300, 0));
  for (size_t i = 0; i < damaged.size(); ++i) {
    SCOPED_TRACE(i);
    const std::string name = dir.File("d.jpg");
    WriteAll(name, WithJpegProfile(ReadAll(plain), damaged[i]));
    TReadResult read;
    TBitmap opened;
    ASSERT_NO_THROW(opened = ReadImageFile(name, &read));
    EXPECT_FALSE(read.Origin.ProfileConverted);
    EXPECT_TRUE(SamePixels(opened, raw));
  }
  // Chunks out of order are joined in order; a missing chunk means no profile.
  const auto segs = JpegIccSegments(std::vector<uint8_t>(150000, 7));
  ASSERT_EQ(segs.size(), 3u);
  std::vector<uint8_t> jpeg = ReadAll(plain), reordered = jpeg, gap = jpeg;
  for (int k : {2, 0, 1}) {
    std::vector<uint8_t> seg = {0xFF, 0xE2};
    seg.insert(seg.end(), segs[k].begin(), segs[k].end());
    reordered.insert(reordered.begin() + 2, seg.begin(), seg.end());
    if (k != 1) gap.insert(gap.begin() + 2, seg.begin(), seg.end());
  }
  EXPECT_EQ(FindJpegIccProfile(reordered.data(), reordered.size()), std::vector<uint8_t>(150000, 7));
  EXPECT_TRUE(FindJpegIccProfile(gap.data(), gap.size()).empty());
}

TEST(ColorProfile, SavedFilesSaySrgbOnlyWhenTheOpenedOneHadAProfile) {
  NEED_TOOLS("pngcheck", "exiftool");
  ScratchDir dir;
  const TBitmap photo = TestPhoto(24, 16);
  TReadResult profiled;
  profiled.Origin.ProfileConverted = true;
  for (const char* ext : {".png", ".jpg", ".tif"}) {
    SCOPED_TRACE(ext);
    const std::string plain = dir.File(std::string("plain") + ext), tagged = dir.File(std::string("tagged") + ext);
    TWriteOptions o;
    CarryOver(TPictureOrigin{}, o);
    WriteImageFile(plain, photo, o);
    CarryOver(profiled.Origin, o);
    WriteImageFile(tagged, photo, o);
    std::string log;
    if (std::string(ext) == ".png") {
      RunTool("pngcheck -v " + tagged, &log);
      EXPECT_NE(log.find("chunk sRGB"), std::string::npos) << log;
      RunTool("pngcheck -v " + plain, &log);
      EXPECT_EQ(log.find("chunk sRGB"), std::string::npos);
    } else {
      RunTool("exiftool -s3 -ProfileDescription " + tagged, &log);
      EXPECT_NE(log.find("sRGB"), std::string::npos) << log;
      RunTool("exiftool -s3 -ProfileDescription " + plain, &log);
      EXPECT_EQ(log.find("sRGB"), std::string::npos);
    }
    // Read back: the same pixels, and an sRGB profile converts to (next to) nothing.
    TReadResult read;
    EXPECT_LE(Difference(ReadImageFile(tagged, &read), ReadImageFile(plain)).Max, 1);
  }
}

namespace {

// A 16-bit RGB(A) TIFF written by libtiff itself.
void WriteTiff16(const std::string& path, const std::vector<uint16_t>& samples, int w, int h, int channels) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  ASSERT_TRUE(tif);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, channels);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  if (channels == 4) {
    const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
  }
  for (int y = 0; y < h; ++y)
    TIFFWriteScanline(tif, const_cast<uint16_t*>(samples.data() + size_t(y) * w * channels), y, 0);
  TIFFClose(tif);
}

}  // namespace

TEST(Depth, SixteenBitPngAndTiffAreRoundedAndSay48Or64Bits) {
  NEED_TOOLS("convert");
  ScratchDir dir;
  // Values whose high byte alone would be one level low: 496 is 1.93 levels.
  const std::vector<uint16_t> values = {0, 496, 0x80FF, 0xFEFF, 65535, 32896, 129, 384, 1000};
  const int w = 3, h = 1;
  std::vector<uint16_t> rgb(values.begin(), values.end());
  WriteTiff16(dir.File("a.tif"), rgb, w, h, 3);
  auto rounded = [](uint16_t v) { return (v + 128) / 257; };
  TReadResult read;
  const TBitmap t = ReadImageFile(dir.File("a.tif"), &read);
  EXPECT_EQ(read.DepthCode, 8);
  ASSERT_EQ(t.PixelFormat(), TPixelFormat::pf24bit);
  for (int x = 0; x < w; ++x)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(t.ScanLine(0)[x * 3 + 2 - c], rounded(values[x * 3 + c])) << x << c;
  // The same picture as a 16-bit PNG, made by ImageMagick.
  ASSERT_EQ(RunTool("convert " + dir.File("a.tif") + " -depth 16 " + dir.File("a.png")), 0);
  TReadResult pngRead;
  const TBitmap p = ReadImageFile(dir.File("a.png"), &pngRead);
  EXPECT_EQ(pngRead.DepthCode, 8);
  EXPECT_TRUE(SamePixels(p, t));
  // With alpha: 64 bits.
  std::vector<uint16_t> rgba = {496, 496, 496, 65535, 1000, 2000, 3000, 40000};
  WriteTiff16(dir.File("b.tif"), rgba, 2, 1, 4);
  TReadResult alphaRead;
  ReadImageFile(dir.File("b.tif"), &alphaRead);
  EXPECT_EQ(alphaRead.DepthCode, 9);
  ASSERT_EQ(RunTool("convert " + dir.File("b.tif") + " -depth 16 " + dir.File("b.png")), 0);
  ReadImageFile(dir.File("b.png"), &alphaRead);
  EXPECT_EQ(alphaRead.DepthCode, 9);
  EXPECT_EQ(DepthLine("b.png", 9, false), "64 bits");
  EXPECT_EQ(DepthLine("a.tif", 8, false), "48 bits");
}

TEST(CameraData, MakeModelDatesAndRightsSurviveOpenAndSaveAs) {
  NEED_TOOLS("exiftool");
  ScratchDir dir;
  const std::string shot = dir.File("shot.jpg");
  WriteImageFile(shot, TestPhoto(40, 30), TWriteOptions{});
  ASSERT_EQ(RunTool("exiftool -q -overwrite_original -Make=Canon '-Model=EOS 5D' "
                    "'-DateTimeOriginal=2021:06:01 10:20:30' '-Copyright=(c) A. Photographer' -Artist=Ann "
                    "-ISO=400 -FNumber=2.8 -GPSLatitude=48.85 -GPSLatitudeRef=N -Orientation#=6 "
                    "'-XMP-dc:Rights=All rights reserved' " + shot),
            0);
  TReadResult read;
  const TBitmap picture = ReadImageFile(shot, &read);
  for (const char* ext : {".jpg", ".tif"}) {
    SCOPED_TRACE(ext);
    TWriteOptions o;
    CarryOver(read.Origin, o);
    const std::string saved = dir.File(std::string("saved") + ext);
    WriteImageFile(saved, picture, o);
    std::string log;
    ASSERT_EQ(RunTool("exiftool -s -s -Make -Model -DateTimeOriginal -Copyright -Artist -ISO -GPSLatitudeRef "
                      "-Rights -Orientation# -Software -XResolution " + saved, &log), 0);
    for (const char* want : {"Make: Canon", "Model: EOS 5D", "DateTimeOriginal: 2021:06:01 10:20:30",
                             "Copyright: (c) A. Photographer", "Artist: Ann", "ISO: 400", "Rights: All rights reserved",
                             "Orientation: 1", "XResolution: 300"})
      EXPECT_NE(log.find(want), std::string::npos) << want << "\n" << log;
    // The JPEG's own EXIF block keeps its Software line.
    if (std::string(ext) == ".jpg") { EXPECT_NE(log.find("Software: Velinor"), std::string::npos) << log; }
    EXPECT_NE(log.find("GPSLatitudeRef: North"), std::string::npos) << log;
  }
  // With nothing to carry, the file is what it always was.
  const std::string bare = dir.File("bare.png");
  WriteImageFile(bare, TestPhoto(20, 10), TWriteOptions{});
  TReadResult bareRead;
  const TBitmap b = ReadImageFile(bare, &bareRead);
  TWriteOptions carried;
  CarryOver(bareRead.Origin, carried);
  WriteImageFile(dir.File("c.tif"), b, carried);
  WriteImageFile(dir.File("d.tif"), b, TWriteOptions{});
  EXPECT_EQ(ReadAll(dir.File("c.tif")), ReadAll(dir.File("d.tif")));
  EXPECT_FALSE(CarryCameraData(dir.File("missing.jpg"), dir.File("d.tif")));
}

// Phones and newer cameras write HEIC, AVIF and JPEG XL: their camera data is
// carried like a JPEG's (Exiv2 reads these containers only when asked to).
TEST(CameraData, HeicAvifAndJxlCarryTheirCameraData) {
  NEED_TOOLS("exiftool", "convert", "heif-enc", "avifenc", "cjxl");
  ScratchDir dir;
  const std::string shot = dir.File("shot.jpg");
  ASSERT_EQ(RunTool("convert -size 40x30 gradient:red-blue " + shot), 0);
  ASSERT_EQ(RunTool("exiftool -q -overwrite_original -Make=Apple '-Model=iPhone 12' "
                    "'-DateTimeOriginal=2022:07:14 18:05:00' '-Copyright=(c) B. Walker' " + shot),
            0);
  ASSERT_EQ(RunTool("exiftool -q -b -Exif " + shot + " > " + dir.File("exif.bin")), 0);
  const std::string heic = dir.File("shot.heic"), avif = dir.File("shot.avif"), jxl = dir.File("shot.jxl");
  ASSERT_EQ(RunTool("heif-enc -q 60 -o " + heic + " " + shot), 0);
  ASSERT_EQ(RunTool("avifenc --exif " + dir.File("exif.bin") + " " + shot + " " + avif), 0);
  ASSERT_EQ(RunTool("cjxl " + shot + " " + jxl), 0);
  for (const std::string& source : {heic, avif, jxl}) {
    SCOPED_TRACE(source);
    TReadResult read;
    const TBitmap picture = ReadImageFile(source, &read);
    for (const char* ext : {".jpg", ".tif"}) {
      const std::string saved = dir.File(std::string("saved") + ext);
      TWriteOptions o;
      CarryOver(read.Origin, o);
      WriteImageFile(saved, picture, o);
      std::string log;
      ASSERT_EQ(RunTool("exiftool -s -s -Make -Model -DateTimeOriginal -Copyright " + saved, &log), 0);
      for (const char* want : {"Make: Apple", "Model: iPhone 12", "DateTimeOriginal: 2022:07:14 18:05:00",
                               "Copyright: (c) B. Walker"})
        EXPECT_NE(log.find(want), std::string::npos) << ext << ": " << want << "\n" << log;
    }
  }
}
