#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <ctime>

#include <jpeglib.h>

#include "TestFiles.h"
#include "core/base/Errors.h"
#include "core/base/Parallel.h"
#include "core/files/ExifSummary.h"
#include "core/files/ExifUtils.h"
#include "core/files/JpegUtils.h"
#include "core/files/SafeFile.h"

using namespace velinor;
using velinor::test::TempDir;

namespace {

uint16_t Le16(const std::vector<uint8_t>& v, size_t at) { return static_cast<uint16_t>(v[at] | v[at + 1] << 8); }
uint32_t Le32(const std::vector<uint8_t>& v, size_t at) { return Le16(v, at) | uint32_t{Le16(v, at + 2)} << 16; }

// Writes a JPEG in a colour space our encoder never produces, straight through
// libjpeg: greyscale (1 component) or Adobe CMYK (4).
std::vector<uint8_t> EncodeRaw(int w, int h, int components, J_COLOR_SPACE space, const std::vector<uint8_t>& pixels) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = w;
  c.image_height = h;
  c.input_components = components;
  c.in_color_space = space;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 95, TRUE);
  jpeg_start_compress(&c, TRUE);
  for (int y = 0; y < h; ++y) {
    JSAMPROW row = const_cast<uint8_t*>(pixels.data() + static_cast<size_t>(y) * w * components);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::vector<uint8_t> bytes(out, out + size);
  free(out);
  return bytes;
}

double MeanAbsDiff(const TBitmap& a, const TBitmap& b) {
  double sum = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width() * 3; ++x) sum += std::abs(a.ScanLine(y)[x] - b.ScanLine(y)[x]);
  return sum / (3.0 * a.Width() * a.Height());
}

}  // namespace

TEST(Jpeg, PreviewScaleSteps) {
  EXPECT_EQ(PreviewScale(0, 100, 150), jsFullSize);
  EXPECT_EQ(PreviewScale(100, -1, 150), jsFullSize);
  EXPECT_EQ(PreviewScale(299, 10, 150), jsFullSize);  // r = 1
  EXPECT_EQ(PreviewScale(300, 10, 150), jsHalf);      // r = 2
  EXPECT_EQ(PreviewScale(10, 599, 150), jsHalf);      // r = 3
  EXPECT_EQ(PreviewScale(600, 10, 150), jsQuarter);   // r = 4
  EXPECT_EQ(PreviewScale(1199, 10, 150), jsQuarter);  // r = 7
  EXPECT_EQ(PreviewScale(1200, 10, 150), jsEighth);   // r = 8
  EXPECT_EQ(PreviewScale(3000, 2000, 150), jsEighth); // r = 20
}

TEST(Jpeg, ReadJpegSizeWalksToTheBaselineFrame) {
  const TBitmap img = test::MakePhoto(97, 41);
  const auto baseline = EncodeJpeg(img, 90, false);
  int w = -1, h = -1;
  ReadJpegSize(baseline.data(), baseline.size(), w, h);
  EXPECT_EQ(w, 97);
  EXPECT_EQ(h, 41);
  // Progressive files have no 0xFF 0xC0 marker.
  const auto progressive = EncodeJpeg(img, 90, true);
  ReadJpegSize(progressive.data(), progressive.size(), w, h);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
  // Not a JPEG, or cut before the frame's size.
  const std::vector<uint8_t> bmp = {'B', 'M', 0, 0};
  ReadJpegSize(bmp.data(), bmp.size(), w, h);
  EXPECT_EQ(w, 0);
  for (size_t cut : {size_t{1}, size_t{3}, size_t{22}}) {
    ReadJpegSize(baseline.data(), cut, w, h);
    EXPECT_EQ(w, 0) << cut;
  }
  // A zero segment length stops instead of looping.
  const std::vector<uint8_t> stuck = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x00, 0xFF, 0xC0};
  ReadJpegSize(stuck.data(), stuck.size(), w, h);
  EXPECT_EQ(w, 0);
  ReadJpegSize("/nonexistent/x.jpg", w, h);
  EXPECT_EQ(w, 0);
}

TEST(Jpeg, RoundTripStaysClose) {
  for (auto pf : {TPixelFormat::pf24bit, TPixelFormat::pf32bit}) {
    const TBitmap img = test::MakePhoto(123, 77, pf);
    for (bool progressive : {false, true}) {
      const auto bytes = EncodeJpeg(img, 95, progressive);
      const TBitmap back = DecodeJpeg(bytes.data(), bytes.size());
      ASSERT_EQ(back.Width(), 123);
      ASSERT_EQ(back.Height(), 77);
      EXPECT_EQ(back.PixelFormat(), TPixelFormat::pf24bit);
      TBitmap ref = img;
      ref.SetPixelFormat(TPixelFormat::pf24bit);
      EXPECT_LT(MeanAbsDiff(ref, back), 2.0);
    }
  }
  // Higher quality, bigger file.
  const TBitmap img = test::MakePhoto(64, 64);
  EXPECT_LT(EncodeJpeg(img, 20, false).size(), EncodeJpeg(img, 100, false).size());
}

TEST(Jpeg, ReducedScaleDecoding) {
  const TBitmap img = test::MakePhoto(801, 300);
  const auto bytes = EncodeJpeg(img, 90, false);
  const int expect[4][2] = {{801, 300}, {401, 150}, {201, 75}, {101, 38}};
  for (int s = 0; s < 4; ++s) {
    const TBitmap b = DecodeJpeg(bytes.data(), bytes.size(), static_cast<TJpegScale>(s));
    EXPECT_EQ(b.Width(), expect[s][0]);
    EXPECT_EQ(b.Height(), expect[s][1]);
  }
}

TEST(Jpeg, GreyAndCmykFilesDecodeToBgr) {
  const int w = 16, h = 8;
  std::vector<uint8_t> grey(w * h);
  for (int i = 0; i < w * h; ++i) grey[i] = static_cast<uint8_t>(i * 2);
  auto bytes = EncodeRaw(w, h, 1, JCS_GRAYSCALE, grey);
  TBitmap b = DecodeJpeg(bytes.data(), bytes.size());
  for (int x = 0; x < w; ++x) {
    const uint8_t* p = b.ScanLine(3) + 3 * x;
    EXPECT_EQ(p[0], p[1]);
    EXPECT_EQ(p[1], p[2]);
    EXPECT_NEAR(p[0], grey[3 * w + x], 3);
  }
  // Pure cyan at full ink, no black: red 0, green and blue 255. libjpeg writes
  // an Adobe marker, and Adobe CMYK is stored inverted.
  std::vector<uint8_t> cmyk(w * h * 4);
  for (int i = 0; i < w * h; ++i) {
    cmyk[4 * i] = 0;
    cmyk[4 * i + 1] = 255;
    cmyk[4 * i + 2] = 255;
    cmyk[4 * i + 3] = 255;
  }
  bytes = EncodeRaw(w, h, 4, JCS_CMYK, cmyk);
  b = DecodeJpeg(bytes.data(), bytes.size());
  EXPECT_NEAR(b.ScanLine(2)[0], 255, 3);  // blue
  EXPECT_NEAR(b.ScanLine(2)[1], 255, 3);  // green
  EXPECT_NEAR(b.ScanLine(2)[2], 0, 3);    // red
}

TEST(Jpeg, BadDataIsAReadError) {
  const auto bytes = EncodeJpeg(test::MakePhoto(64, 64), 90, false);
  EXPECT_THROW(DecodeJpeg(bytes.data(), 0), EReadError);
  EXPECT_THROW(DecodeJpeg(bytes.data(), 100), EReadError);
  EXPECT_THROW(DecodeJpeg(bytes.data(), bytes.size() / 2), EReadError);  // truncated
  std::vector<uint8_t> junk(1000, 0x55);
  EXPECT_THROW(DecodeJpeg(junk.data(), junk.size()), EReadError);
  // A header claiming a huge picture is refused before its pixels are allocated.
  std::vector<uint8_t> huge = bytes;
  for (size_t i = 2; i + 9 < huge.size(); ++i)
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = 0xFF, huge[i + 6] = 0xF0;  // height 65520
      huge[i + 7] = 0xFF, huge[i + 8] = 0xF0;  // width 65520
      break;
    }
  EXPECT_THROW(DecodeJpeg(huge.data(), huge.size()), EVelinorError);
}

// The EXIF payload, checked field by field against the layout rather than
// against the builder's own arithmetic.
TEST(Exif, BlockBytesForVelinor) {
  TExifFields f;
  f.Software = "Velinor";
  f.DateTime = "2026:12:09 06:30:00";
  f.Resolution = 300.0;
  f.Width = 1024;
  f.Height = 768;
  const auto p = BuildExifBlock(f);
  ASSERT_EQ(p.size(), 192u);
  EXPECT_EQ(p[0], 0);
  EXPECT_EQ(p[1], 192);
  EXPECT_EQ(std::memcmp(p.data() + 2, "Exif\0\0II\x2A\0\x08\0\0\0", 14), 0);
  const size_t tiff = 8;
  EXPECT_EQ(Le16(p, 16), 7);  // IFD0 entries
  const uint16_t tags[7] = {274, 282, 283, 296, 305, 306, 34665};
  const uint16_t types[7] = {3, 5, 5, 3, 2, 2, 4};
  const uint32_t counts[7] = {1, 1, 1, 1, 8, 20, 1};
  for (int i = 0; i < 7; ++i) {
    const size_t e = 18 + 12 * i;
    EXPECT_EQ(Le16(p, e), tags[i]);
    EXPECT_EQ(Le16(p, e + 2), types[i]);
    EXPECT_EQ(Le32(p, e + 4), counts[i]);
  }
  EXPECT_EQ(Le32(p, 18 + 8), 1u);                 // orientation, low two bytes
  EXPECT_EQ(Le32(p, 18 + 36 + 8), 2u);            // inches
  EXPECT_EQ(Le32(p, 18 + 12 + 8), 14u + 84u);     // XResolution at the start of the area
  EXPECT_EQ(Le32(p, 18 + 24 + 8), 14u + 84u + 8); // YResolution
  EXPECT_EQ(Le32(p, 18 + 48 + 8), 14u + 84u + 16);
  EXPECT_EQ(Le32(p, 18 + 60 + 8), 14u + 84u + 24);
  EXPECT_EQ(Le32(p, 18 + 72 + 8), 142u);          // Exif IFD pointer
  EXPECT_EQ(Le32(p, 18 + 84), 0u);                // next IFD
  EXPECT_EQ(Le32(p, tiff + 98), 300u);
  EXPECT_EQ(Le32(p, tiff + 102), 1u);
  EXPECT_EQ(Le32(p, tiff + 106), 300u);
  EXPECT_EQ(std::memcmp(p.data() + tiff + 114, "Velinor\0", 8), 0);
  EXPECT_EQ(std::memcmp(p.data() + tiff + 122, "2026:12:09 06:30:00\0", 20), 0);
  const size_t exif = tiff + 142;
  EXPECT_EQ(Le16(p, exif), 3);
  EXPECT_EQ(Le16(p, exif + 2), 36864);
  EXPECT_EQ(Le16(p, exif + 4), 7);
  EXPECT_EQ(Le32(p, exif + 6), 4u);
  EXPECT_EQ(std::memcmp(p.data() + exif + 10, "0210", 4), 0);
  EXPECT_EQ(Le16(p, exif + 14), 40962);
  EXPECT_EQ(Le16(p, exif + 16), 3);
  EXPECT_EQ(Le32(p, exif + 22), 1024u);
  EXPECT_EQ(Le16(p, exif + 26), 40963);
  EXPECT_EQ(Le32(p, exif + 34), 768u);
  EXPECT_EQ(Le32(p, exif + 38), 0u);
  EXPECT_EQ(exif + 42, p.size());
}

TEST(Exif, ResolutionRationalAndOptionalTexts) {
  TExifFields f;
  f.DateTime = "2026:01:01 00:00:00";
  f.Resolution = 72.5;
  f.Make = "Maker";  // 6 bytes: out of line
  f.Model = "M1";    // 3 bytes: in the entry
  const auto p = BuildExifBlock(f);
  EXPECT_EQ(Le16(p, 16), 8);  // make, model, orientation, 2 res, unit, date, pointer
  EXPECT_EQ(Le16(p, 18), 271);
  EXPECT_EQ(Le32(p, 18 + 8), 14u + 96u);  // first value in the area
  EXPECT_EQ(Le16(p, 30), 272);
  EXPECT_EQ(std::memcmp(p.data() + 30 + 8, "M1\0\0", 4), 0);
  // XResolution is the first rational, after the 6 bytes of the make.
  EXPECT_EQ(Le32(p, 8 + 14 + 96 + 6), 72500u);
  EXPECT_EQ(Le32(p, 8 + 14 + 96 + 10), 1000u);
  // The Exif pointer still lands on the Exif IFD's count.
  const uint32_t ptr = Le32(p, 18 + 12 * 7 + 8);
  EXPECT_EQ(Le16(p, 8 + ptr), 3);
  EXPECT_EQ(p.size(), size_t{p[0]} << 8 | p[1]);
  f.Software = std::string(70000, 'x');
  EXPECT_THROW(BuildExifBlock(f), EWriteError);
}

TEST(Exif, DateTimePattern) {
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 0;
  t.tm_mday = 2;
  t.tm_hour = 3;
  t.tm_min = 4;
  t.tm_sec = 5;
  t.tm_isdst = -1;
  EXPECT_EQ(ExifDateTime(std::mktime(&t)), "2026:01:02 03:04:05");
}

TEST(JpegFile, SavedFileStartsWithExifAndHasNoJfif) {
  TempDir dir;
  const TBitmap img = test::MakePhoto(200, 100);
  TJpegImage2 jpeg;
  jpeg.Assign(img);
  jpeg.JpegExif = true;
  jpeg.JpegExifFromJpeg = true;
  jpeg.Resolution = 300;
  const std::string path = dir / "out.jpg";
  jpeg.SaveWithOptions(path);
  const auto bytes = ReadFileBytes(path);
  ASSERT_GT(bytes.size(), 200u);
  const uint8_t head[] = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 192};
  EXPECT_EQ(std::memcmp(bytes.data(), head, 6), 0);
  // Straight after the EXIF segment come the encoder's tables (DQT), no JFIF.
  EXPECT_EQ(bytes[4 + 192], 0xFF);
  EXPECT_EQ(bytes[4 + 192 + 1], 0xDB);
  for (size_t i = 0; i + 1 < bytes.size(); ++i) ASSERT_FALSE(bytes[i] == 0xFF && bytes[i + 1] == 0xE0) << i;
  EXPECT_EQ(Le16(std::vector<uint8_t>(bytes.begin() + 4, bytes.end()), 8 + 142 + 22), 200);
  // It reads back, with the size and the program's EXIF.
  TJpegImage2 back;
  back.LoadFromFile(path);
  EXPECT_EQ(back.OrigWidth, 200);
  EXPECT_EQ(back.Bitmap.Height(), 100);
  const TExifSummary s = ReadExifSummary(path);
  EXPECT_TRUE(s.Valid);
  EXPECT_EQ(s.Software, "Velinor");
  EXPECT_TRUE(s.HasDateTime);
  const auto lines = ExifSummaryLines(s, IsoDateTime);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Velinor");
  // Without EXIF the encoder's own stream (with JFIF) is written.
  jpeg.JpegExif = false;
  jpeg.SaveWithOptions(path);
  const auto plain = ReadFileBytes(path);
  EXPECT_EQ(plain[3], 0xE0);
  EXPECT_FALSE(ReadExifSummary(path).Valid);
  EXPECT_EQ(dir.Entries().size(), 1u);
}

TEST(JpegFile, CopyingModeTakesTheSourceExif) {
  TempDir dir;
  const TBitmap img = test::MakePhoto(40, 30);
  TJpegImage2 first;
  first.Assign(img);
  first.JpegExif = true;
  first.Resolution = 96;
  first.SaveWithOptions(dir / "src.jpg");
  const auto src = ReadFileBytes(dir / "src.jpg");
  TJpegImage2 copy;
  const TBitmap small = test::MakePhoto(10, 10);
  copy.Assign(small);
  copy.JpegExif = copy.JpegExifFromJpeg = true;
  copy.ExifSource = dir / "src.jpg";
  copy.SaveWithOptions(dir / "copy.jpg");
  const auto out = ReadFileBytes(dir / "copy.jpg");
  EXPECT_EQ(FindExifPayload(out.data(), out.size()), FindExifPayload(src.data(), src.size()));
}

TEST(JpegFile, PreviewLoadUsesTheHeaderSize) {
  TempDir dir;
  const TBitmap img = test::MakePhoto(1300, 200);
  WriteFileAtomically(dir / "b.jpg", EncodeJpeg(img, 80, false));
  WriteFileAtomically(dir / "p.jpg", EncodeJpeg(img, 80, true));
  TJpegImage2 j;
  j.PreviewLoad = true;
  j.LoadFromFile(dir / "b.jpg");  // r = 8: one eighth
  EXPECT_EQ(j.Bitmap.Width(), 163);
  EXPECT_EQ(j.OrigWidth, 1300);
  EXPECT_EQ(j.OrigHeight, 200);
  j.LoadFromFile(dir / "p.jpg");  // no baseline frame: full size
  EXPECT_EQ(j.Bitmap.Width(), 1300);
  EXPECT_EQ(j.OrigWidth, 1300);
}

TEST(JpegFile, IndependentProgramsReadOurFiles) {
  const bool identify = test::HaveTool("identify"), exiftool = test::HaveTool("exiftool");
  if (!identify && !exiftool) GTEST_SKIP() << "neither identify nor exiftool installed";
  TempDir dir;
  const TBitmap img = test::MakePhoto(321, 123);
  for (bool progressive : {false, true}) {
    TJpegImage2 j;
    j.Assign(img);
    j.JpegExif = true;
    j.Resolution = 300;
    j.ProgressiveEncoding = progressive;
    const std::string path = dir / "id.jpg";
    j.SaveWithOptions(path);
    if (identify) {
      EXPECT_TRUE(test::Run("identify -regard-warnings '" + path + "' >/dev/null 2>&1"));
      EXPECT_TRUE(test::Run("identify -format '%w %h %x' '" + path + "' | grep -q '^321 123 300'"));
    }
    if (exiftool) {
      // The block is minimal by design (exiftool warns about optional-in-practice
      // tags such as ColorSpace) but must hold no structural error.
      EXPECT_TRUE(test::Run("exiftool -validate -error -a '" + path + "' | grep -q '^Validate'"));
      EXPECT_FALSE(test::Run("exiftool -validate -error -a '" + path + "' | grep -q '^Error'"));
      EXPECT_TRUE(test::Run("exiftool -s -ExifImageWidth '" + path + "' | tr -s ' ' | grep -q 'ExifImageWidth : 321'"));
      EXPECT_TRUE(test::Run("exiftool -s -Software '" + path + "' | tr -s ' ' | grep -q 'Software : Velinor'"));
    }
  }
}

TEST(ExifSummaryLines, MakeModelElseSoftware) {
  TExifSummary s;
  EXPECT_TRUE(ExifSummaryLines(s, IsoDateTime).empty());
  s.Valid = true;
  s.Software = "Tool";
  s.HasDateTime = true;
  s.DateTime = {2024, 5, 6, 7, 8, 9};
  EXPECT_EQ(ExifSummaryLines(s, IsoDateTime), (std::vector<std::string>{"Tool", "2024-05-06 07:08"}));
  s.Model = "Cam";
  EXPECT_EQ(ExifSummaryLines(s, IsoDateTime), (std::vector<std::string>{"Cam", "2024-05-06 07:08"}));
  s.Make = "Maker";
  s.HasDateTime = false;
  EXPECT_EQ(ExifSummaryLines(s, IsoDateTime), (std::vector<std::string>{"Maker", "Cam"}));
}

// The make or model tag decides before trimming: a make of blanks shows nothing,
// not the software.
TEST(ExifSummaryFile, BlankMakeHidesTheSoftware) {
  TempDir dir;
  const auto encoded = EncodeJpeg(test::MakePhoto(8, 8), 90, false);
  auto summaryOf = [&](const std::string& make, const std::string& model) {
    TExifFields f;
    f.Make = make;
    f.Model = model;
    f.Software = "Tool";
    f.DateTime = "2024:05:06 07:08:09";
    const std::string path = dir / "blank.jpg";
    WriteFileAtomically(path, SpliceExifIntoJpeg(encoded, BuildExifBlock(f)));
    return ExifSummaryLines(ReadExifSummary(path), IsoDateTime);
  };
  EXPECT_EQ(summaryOf("   ", ""), (std::vector<std::string>{"2024-05-06 07:08"}));
  EXPECT_EQ(summaryOf("  ", " Cam "), (std::vector<std::string>{"Cam", "2024-05-06 07:08"}));
  EXPECT_EQ(summaryOf("", ""), (std::vector<std::string>{"Tool", "2024-05-06 07:08"}));
}

// A minimal little-endian TIFF (1 x 1 grey) whose IFD0 carries make, model and
// date, to check the summary reads TIFF files too.
TEST(ExifSummaryFile, ReadsTiffTags) {
  std::vector<uint8_t> t = {'I', 'I', 42, 0, 8, 0, 0, 0};
  const char* make = " Maker ";   // trimmed on reading
  const char* model = "Cam 2\0";
  const char* date = "2021:03:04 05:06:07";
  struct E { uint16_t tag, type; uint32_t count, value; };
  const uint32_t area = 8 + 2 + 12 * 10 + 4;
  std::vector<E> es = {{256, 3, 1, 1}, {257, 3, 1, 1}, {258, 3, 1, 8}, {259, 3, 1, 1}, {262, 3, 1, 1},
                       {271, 2, 8, area}, {272, 2, 7, area + 8}, {273, 4, 1, area + 16 + 20},
                       {279, 4, 1, 1}, {306, 2, 20, area + 16}};
  auto put16 = [&](uint32_t v) { t.push_back(v & 0xFF); t.push_back((v >> 8) & 0xFF); };
  put16(static_cast<uint32_t>(es.size()));
  for (const E& e : es) {
    put16(e.tag);
    put16(e.type);
    put16(e.count & 0xFFFF);
    put16(e.count >> 16);
    put16(e.value & 0xFFFF);
    put16(e.value >> 16);
  }
  put16(0);
  put16(0);
  t.insert(t.end(), make, make + 8);
  t.insert(t.end(), model, model + 6);
  t.push_back(0), t.push_back(0);
  t.insert(t.end(), date, date + 20);
  t.push_back(128);
  TempDir dir;
  WriteFileAtomically(dir / "t.tif", t);
  const TExifSummary s = ReadExifSummary(dir / "t.tif");
  ASSERT_TRUE(s.Valid);
  EXPECT_EQ(s.Make, "Maker");
  EXPECT_EQ(s.Model, "Cam 2");
  EXPECT_EQ(ExifSummaryLines(s, IsoDateTime), (std::vector<std::string>{"Maker", "Cam 2", "2021-03-04 05:06"}));
  // Files without EXIF, or not images at all, give nothing.
  WriteFileAtomically(dir / "n.jpg", EncodeJpeg(test::MakePhoto(8, 8), 90, false));
  EXPECT_FALSE(ReadExifSummary(dir / "n.jpg").Valid);
  WriteFileAtomically(dir / "x.jpg", {1, 2, 3});
  EXPECT_FALSE(ReadExifSummary(dir / "x.jpg").Valid);
  EXPECT_FALSE(ReadExifSummary(dir / "missing.jpg").Valid);
}

// Large decodes prefault their pixels from a second thread; the pixels must not
// depend on it.
TEST(Jpeg, LargeDecodeIsTheSameOnOneOrTwoThreads) {
  const TBitmap img = test::MakePhoto(2200, 1400);  // over 8 MB of pixels
  const auto bytes = EncodeJpeg(img, 90, false);
  SetEngineThreads(1);
  const TBitmap one = DecodeJpeg(bytes.data(), bytes.size());
  SetEngineThreads(2);
  const TBitmap two = DecodeJpeg(bytes.data(), bytes.size());
  SetEngineThreads(0);
  ASSERT_EQ(one.ByteSize(), two.ByteSize());
  for (int y = 0; y < one.Height(); ++y)
    ASSERT_EQ(std::memcmp(one.ScanLine(y), two.ScanLine(y), static_cast<size_t>(one.Width()) * 3), 0) << y;
}
