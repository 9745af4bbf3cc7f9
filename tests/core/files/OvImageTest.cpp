// The .ovi byte layout, the flat reader, and every way a damaged file is refused.
#include "core/files/OvImage.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "support/OviTestSupport.h"
#include "core/base/Errors.h"
#include "core/base/Parallel.h"
#include "core/files/FileRoutes.h"
#include "core/files/SafeFile.h"
#include "core/document/LayeredImage.h"

namespace velinor {
namespace {

using test::DibOf;
using test::GreyMask;
using test::RandomImage;
using test::SamePixels;
using test::Walker;
using test::WalkRecord;

std::vector<uint8_t> OneLayerFile(const TBitmap& image, const TBitmap* mask = nullptr) {
  TMyImageLayered doc;
  doc.SetSingleLayer(image, mask, "#0");
  return SaveLayeredStream(doc);
}

std::vector<uint8_t> TwoLayerFile(const TBitmap& photo, const TBitmap& top, const TBitmap& mask) {
  TMyImageLayered doc;
  doc.SetSingleLayer(photo, nullptr, "#0");
  doc.AddLayer(top, &mask, "#1", 100, TPoint{0, 0});
  return SaveLayeredStream(doc);
}

TMyImageLayeredReg ReadFlat(const std::vector<uint8_t>& bytes, bool previewOnly = false) {
  TMyImageLayeredReg reg;
  reg.PreviewOnly = previewOnly;
  reg.LoadFromMemory(bytes.data(), bytes.size());
  return reg;
}

// Header (fixed part) is 294 bytes; the thumbnail block follows.
constexpr size_t ThumbnailOffset = 17 + 1 + 4 * 4 + 256 + 4;

void CheckFreshRecordFields(const test::WalkedRecord& r) {
  EXPECT_EQ(r.visible, 1);
  EXPECT_EQ(r.locked, 0);
  EXPECT_EQ(r.blend, 0);
  EXPECT_EQ(r.reserved[0] | r.reserved[1] | r.reserved[2], 0);
  EXPECT_EQ(r.kind, 0);
  EXPECT_EQ(r.color, 0x00FFFFFF);
  EXPECT_EQ(r.fill, 0);
  EXPECT_EQ(r.x, 0);
  EXPECT_EQ(r.y, 0);
  EXPECT_EQ(r.opacity, 100);
  EXPECT_FALSE(r.hasMask2);
  EXPECT_EQ(r.adjust[0] | r.adjust[1] | r.adjust[2] | r.adjust[3], 0);
  EXPECT_EQ(r.adjustFactor, 1.0);
  const std::vector<uint8_t> shadow = {0, 0, 0, 0, 0, 0, 0, 0, 7, 0, 0, 0, 7, 0, 0, 0,
                                       80, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(r.shadow, shadow);
  EXPECT_EQ(r.objectFlag, 0);
}

TEST(OviLayout, OneLayerDocumentByteForByte) {
  // Width 3: zlib rows are 12 bytes (9 pixel bytes and 3 zeros).
  TBitmap image = RandomImage(3, 2, 1);
  image.SetPixel(0, 1, RGB(255, 0, 0));  // bottom-left pure red
  const auto bytes = OneLayerFile(image);
  Walker w{bytes};
  EXPECT_EQ(w.Text(17), "Quillorvane Image");
  EXPECT_EQ(w.Byte(), 3);
  EXPECT_EQ(w.Int(), 3);
  EXPECT_EQ(w.Int(), 2);
  EXPECT_EQ(w.Int(), 72000);
  EXPECT_EQ(w.Int(), 72000);
  EXPECT_EQ(w.Text(256), std::string(256, '\0'));
  EXPECT_EQ(w.Int(), 0) << "colour count";
  ASSERT_EQ(w.pos, ThumbnailOffset);

  const int32_t thumbLength = w.Int();
  EXPECT_EQ(w.Text(9), "Thumbnail");
  EXPECT_EQ(w.Int(), 1) << "thumbnail mode";
  EXPECT_EQ(w.Int(), 150);
  EXPECT_EQ(w.Int(), 100);
  w.ZlibBody(452 * 100);  // 450 bytes per row padded to 452
  EXPECT_EQ(static_cast<size_t>(thumbLength), w.pos - ThumbnailOffset);

  EXPECT_EQ(w.Int(), 1) << "layer count";
  const auto r = WalkRecord(w);
  EXPECT_EQ(r.name, "#0");
  CheckFreshRecordFields(r);
  ASSERT_TRUE(r.hasImage);
  EXPECT_EQ(r.imageW, 3);
  EXPECT_EQ(r.imageH, 2);
  EXPECT_EQ(r.imageDib.size(), 24u);
  EXPECT_EQ(r.imageDib, DibOf(image));
  EXPECT_EQ(r.transparentFlag, 0);
  EXPECT_EQ(r.transparentColor, 0x020000FF);
  EXPECT_FALSE(r.hasMask);
  EXPECT_EQ(w.pos, bytes.size()) << "nothing after the last record";
}

TEST(OviLayout, TwoLayerDocumentStoresPreviewThenLayers) {
  const TBitmap photo = RandomImage(5, 4, 2);
  const TBitmap grey = RandomImage(5, 4, 3);
  const TBitmap mask = GreyMask(5, 4, 4);
  const auto bytes = TwoLayerFile(photo, grey, mask);

  TMyImageLayered doc;  // the composite to expect
  doc.SetSingleLayer(photo, nullptr, "#0");
  doc.AddLayer(grey, &mask, "#1", 100, TPoint{0, 0});
  doc.Flatten();

  Walker w{bytes};
  w.pos = 17 + 1 + 16 + 256;
  EXPECT_EQ(w.Int(), 0) << "layer 0 has no mask: the document's colour count";
  w.pos += static_cast<size_t>(w.Int()) - 4;
  EXPECT_EQ(w.Int(), 2) << "the preview record is not counted";
  const auto preview = WalkRecord(w);
  const auto r0 = WalkRecord(w);
  const auto r1 = WalkRecord(w);
  EXPECT_EQ(w.pos, bytes.size());
  EXPECT_EQ(preview.name, "Preview");
  EXPECT_EQ(r0.name, "#0");
  EXPECT_EQ(r1.name, "#1");
  CheckFreshRecordFields(preview);
  CheckFreshRecordFields(r0);
  CheckFreshRecordFields(r1);
  EXPECT_EQ(preview.imageDib, DibOf(doc.Bitmap));
  EXPECT_FALSE(preview.hasMask);
  EXPECT_EQ(r0.imageDib, DibOf(photo));
  EXPECT_FALSE(r0.hasMask);
  EXPECT_EQ(r1.imageDib, DibOf(grey));
  ASSERT_TRUE(r1.hasMask);
  EXPECT_EQ(r1.maskW, 5);
  EXPECT_EQ(r1.maskH, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(r1.maskPlane[y * 5 + x], mask.ScanLine(y)[3 * x]);
}

TEST(OviLayout, HeaderFieldsFollowTheDocument) {
  TMyImageLayered doc;
  const TBitmap mask = GreyMask(4, 4, 9);
  doc.SetSingleLayer(RandomImage(4, 4, 8), &mask, "#0");
  doc.ResolutionX = 300.0005;
  doc.ResolutionY = 96.5;
  doc.Comment = std::string(300, 'c');
  doc.ColorCount = 42;
  const auto bytes = SaveLayeredStream(doc);
  Walker w{bytes};
  w.pos = 26;
  EXPECT_EQ(w.Int(), 300000) << "truncated, not rounded";
  EXPECT_EQ(w.Int(), 96500);
  const std::string comment = w.Text(256);
  EXPECT_EQ(comment.substr(0, 255), std::string(255, 'c'));
  EXPECT_EQ(comment[255], '\0');
  EXPECT_EQ(w.Int(), -1) << "layer 0 has a mask";

  const auto reg = ReadFlat(bytes);
  EXPECT_EQ(reg.Version, 3);
  EXPECT_EQ(reg.ImageWidth, 4);
  EXPECT_DOUBLE_EQ(reg.Resolution, 300.0);
  EXPECT_EQ(reg.Comment, std::string(255, 'c'));
  EXPECT_EQ(reg.ColorCount, -1);
}

TEST(OviLayout, WritingIsIdenticalOnOneAndTwoThreads) {
  const TBitmap photo = RandomImage(300, 200, 5);
  const TBitmap mask = GreyMask(300, 200, 6);
  SetEngineThreads(1);
  const auto one = TwoLayerFile(photo, RandomImage(300, 200, 7), mask);
  SetEngineThreads(2);
  const auto two = TwoLayerFile(photo, RandomImage(300, 200, 7), mask);
  SetEngineThreads(0);
  EXPECT_EQ(one, two);
}

TEST(OviLayout, LargeImagesInManyPiecesReadBackAndDoNotDependOnThreads) {
  // Large enough for the image bodies to be compressed in several pieces.
  const int w = 2000, h = 1500;
  ASSERT_GE(ZlibPieceRows(h, static_cast<size_t>(w) * 3).size(), 2u);
  TBitmap photo(w, h), top(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w * 3; ++x) {
      photo.ScanLine(y)[x] = static_cast<uint8_t>((x / 7 + y / 5 + (x * y % 13)) & 0xFF);
      top.ScanLine(y)[x] = static_cast<uint8_t>(x * 3 + y);
    }
  const TBitmap mask = GreyMask(w, h, 9);
  SetEngineThreads(1);
  const auto one = TwoLayerFile(photo, top, mask);
  SetEngineThreads(2);
  const auto two = TwoLayerFile(photo, top, mask);
  SetEngineThreads(0);
  EXPECT_TRUE(one == two);

  Walker walker{two};
  walker.pos = ThumbnailOffset;
  walker.pos += static_cast<size_t>(walker.Int()) - 4;
  EXPECT_EQ(walker.Int(), 2);
  const auto preview = WalkRecord(walker);
  const auto layer0 = WalkRecord(walker);
  const auto layer1 = WalkRecord(walker);
  EXPECT_TRUE(layer0.imageDib == DibOf(photo));
  EXPECT_TRUE(layer1.imageDib == DibOf(top));
  const TMyImageLayeredReg flat = ReadFlat(two);
  EXPECT_TRUE(DibOf(flat) == preview.imageDib);
}

TEST(OviWriter, DeferredPartsComeOutInFileOrderAndErrorsStopTheWrite) {
  for (int threads : {1, 2}) {
    SetEngineThreads(threads);
    TOviWriter out;
    std::vector<uint8_t> expected;
    for (int i = 0; i < 12; ++i) {
      out.WriteByte(static_cast<uint8_t>(i));
      expected.push_back(static_cast<uint8_t>(i));
      const std::vector<uint8_t> part(static_cast<size_t>(i * 37 % 11), static_cast<uint8_t>(100 + i));
      out.WriteDeferred([part] { return part; }, static_cast<uint64_t>(i * 7 % 5) << 16);  // costs that go parallel
      expected.insert(expected.end(), part.begin(), part.end());
    }
    EXPECT_EQ(out.TakeBytes(), expected);

    TOviWriter failing;
    failing.WriteBytes("head", 4);
    failing.WriteDeferred([]() -> std::vector<uint8_t> { throw EWriteError("disk full"); }, 5 << 16);
    failing.WriteDeferred([] { return std::vector<uint8_t>(3, 1); }, 9 << 16);
    failing.WriteBytes("tail", 4);
    std::string written;
    EXPECT_THROW(failing.Finish([&](const uint8_t* p, size_t n) { written.append(reinterpret_cast<const char*>(p), n); }),
                 EWriteError);
    EXPECT_EQ(written, "head");
  }
  SetEngineThreads(0);
}

TEST(OviBlocks, RawBodiesAreTopDownAndUnpadded) {
  const TBitmap image = RandomImage(3, 2, 11);
  TOviWriter out;
  WriteColorImageBlock(out, image, ovRaw);
  WriteGreyImageBlock(out, image, ovRaw);
  const auto bytes = out.TakeBytes();
  Walker w{bytes};
  EXPECT_EQ(w.Byte(), 0);
  EXPECT_EQ(w.Int(), 3);
  EXPECT_EQ(w.Int(), 2);
  for (int y = 0; y < 2; ++y)
    for (int i = 0; i < 9; ++i) EXPECT_EQ(w.Byte(), image.ScanLine(y)[i]);
  EXPECT_EQ(w.Byte(), 0);
  w.Int();
  EXPECT_EQ(w.Byte(), 0);
  EXPECT_EQ(w.Int(), 3);
  EXPECT_EQ(w.Int(), 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(w.Byte(), image.ScanLine(y)[3 * x]);
  EXPECT_EQ(w.pos, bytes.size());

  TOviMemorySource in(bytes.data(), bytes.size());
  TBitmap colour, grey;
  ReadColorImageBlock(in, colour);
  ReadGreyImageBlock(in, grey);
  EXPECT_TRUE(SamePixels(colour, image));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
      for (int c = 0; c < 3; ++c) EXPECT_EQ(grey.ScanLine(y)[3 * x + c], image.ScanLine(y)[3 * x]);
}

TEST(OviBlocks, TransparentColourIsStoredWithItsMarker) {
  TBitmap image = RandomImage(2, 2, 12);
  image.Transparent = true;
  image.TransparentColor = RGB(1, 2, 3);
  TOviWriter out;
  WriteColorImageBlock(out, image, ovZlib);
  const auto bytes = out.TakeBytes();
  EXPECT_EQ(bytes[bytes.size() - 5], 1);
  Walker w{bytes};
  w.pos = bytes.size() - 4;
  EXPECT_EQ(w.Int(), 0x02030201);
  TOviMemorySource in(bytes.data(), bytes.size());
  TBitmap back;
  ReadColorImageBlock(in, back);
  EXPECT_TRUE(back.Transparent);
  EXPECT_EQ(back.TransparentColor, RGB(1, 2, 3));
}

TEST(OviThumbnail, LongerSideIsTheBoxAlsoForSmallImages) {
  int w, h;
  OviThumbnailSize(1000, 500, 150, w, h);
  EXPECT_EQ(w, 150);
  EXPECT_EQ(h, 75);
  OviThumbnailSize(40, 20, 150, w, h);
  EXPECT_EQ(w, 150);
  EXPECT_EQ(h, 75);
  OviThumbnailSize(500, 1000, 150, w, h);
  EXPECT_EQ(w, 75);
  EXPECT_EQ(h, 150);
  OviThumbnailSize(20000, 1, 150, w, h);  // keeps one row rather than none
  EXPECT_EQ(w, 150);
  EXPECT_EQ(h, 1);
  OviThumbnailSize(0, 0, 150, w, h);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
}

// A side of one pixel, in the thumbnail or the picture, takes point sampling.
TEST(OviThumbnail, OnePixelSidesArePointSampled) {
  const auto dir = std::filesystem::temp_directory_path() / "velinor_ovi_thin";
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "thin.ovi").string();
  struct TCase {
    int w, h, tw, th;
  };
  for (const TCase c : {TCase{1, 300, 1, 150}, TCase{300, 1, 150, 1}, TCase{400, 2, 150, 1}, TCase{7, 1, 150, 21}}) {
    const TBitmap image = RandomImage(c.w, c.h, 40 + c.w);
    WriteImageFile(path, image, 0);
    const TBitmap thumb = ReadImageFile(path, nullptr, true);
    ASSERT_EQ(thumb.Width(), c.tw) << c.w << "x" << c.h;
    ASSERT_EQ(thumb.Height(), c.th) << c.w << "x" << c.h;
    // Every thumbnail pixel is the picture's pixel at the point that maps onto it.
    const double scaleX = static_cast<double>(c.tw) / c.w, scaleY = static_cast<double>(c.th) / c.h;
    for (int y = 0; y < c.th; ++y)
      for (int x = 0; x < c.tw; ++x) {
        const int sx = std::min(c.w - 1, static_cast<int>(x / scaleX));
        const int sy = std::min(c.h - 1, static_cast<int>(y / scaleY));
        ASSERT_EQ(thumb.Pixel(x, y), image.Pixel(sx, sy)) << c.w << "x" << c.h << " at " << x << "," << y;
      }
  }
  std::filesystem::remove_all(dir);
}

TEST(OviFlatReader, OneLayerGivesTheLayerAndPreviewGivesTheThumbnail) {
  const TBitmap image = RandomImage(1000, 500, 13);
  const auto bytes = OneLayerFile(image);
  const auto flat = ReadFlat(bytes);
  EXPECT_TRUE(SamePixels(flat, image));
  EXPECT_EQ(flat.ImageWidth, 1000);
  EXPECT_EQ(flat.ImageHeight, 500);
  const auto thumb = ReadFlat(bytes, true);
  EXPECT_EQ(thumb.Width(), 150);
  EXPECT_EQ(thumb.Height(), 75);
  EXPECT_EQ(thumb.ImageWidth, 1000) << "the header still reports the document size";
}

TEST(OviFlatReader, ThumbnailKeepsColourAndOrientation) {
  // Red growing downwards: the thumbnail (stored bottom-up) must keep the top on top.
  TBitmap image(300, 200);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x) image.SetPixel(x, y, RGB(y, 40, 200));
  const auto thumb = ReadFlat(OneLayerFile(image), true);
  ASSERT_EQ(thumb.Width(), 150);
  ASSERT_EQ(thumb.Height(), 100);
  EXPECT_LT(GetRValue(thumb.Pixel(75, 2)), 10);
  EXPECT_GT(GetRValue(thumb.Pixel(75, 97)), 190);
  EXPECT_EQ(GetGValue(thumb.Pixel(10, 50)), 40);
  EXPECT_EQ(GetBValue(thumb.Pixel(140, 50)), 200);
}

TEST(OviFlatReader, UniformImagesCompressedToTheLimitStillRead) {
  TBitmap white(4000, 3000);
  white.FillBytes(255);
  const auto flat = ReadFlat(OneLayerFile(white));
  EXPECT_TRUE(SamePixels(flat, white));
}

TEST(OviFlatReader, TwoLayersGiveTheStoredCompositeNotLayerZero) {
  const TBitmap photo = RandomImage(64, 48, 14);
  const TBitmap mask = GreyMask(64, 48, 15);
  const TBitmap top = RandomImage(64, 48, 16);
  TMyImageLayered doc;
  doc.SetSingleLayer(photo, nullptr, "#0");
  doc.AddLayer(top, &mask, "#1", 100, TPoint{0, 0});
  const auto bytes = SaveLayeredStream(doc);
  const auto flat = ReadFlat(bytes);
  EXPECT_TRUE(SamePixels(flat, doc.Bitmap));
  EXPECT_FALSE(SamePixels(flat, photo));
}

TEST(OviFlatReader, WrongThumbnailLengthOnlyMattersOutsidePreview) {
  auto bytes = OneLayerFile(RandomImage(20, 10, 17));
  bytes[ThumbnailOffset] ^= 0x40;  // the length field, not used in preview mode
  EXPECT_EQ(ReadFlat(bytes, true).Width(), 150);
  EXPECT_THROW(ReadFlat(bytes), EReadError);
}

TEST(OviFlatReader, FileRoutesReadTheFlatPictureAndWriteOneLayer) {
  const auto dir = std::filesystem::temp_directory_path() / "velinor_ovi_routes";
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "picture.OVI").string();
  const TBitmap image = RandomImage(33, 17, 18);
  WriteImageFile(path, image, 300);
  EXPECT_TRUE(SamePixels(ReadImageFile(path), image));
  TReadResult info;
  const TBitmap thumb = ReadImageFile(path, &info, true);  // the open dialog's preview
  EXPECT_EQ(thumb.Width(), 150);
  EXPECT_EQ(thumb.Height(), 77);
  EXPECT_EQ(info.OrigWidth, 33);
  EXPECT_EQ(info.OrigHeight, 17);
  const auto bytes = ReadFileBytes(path);
  Walker w{bytes};
  w.pos = ThumbnailOffset;
  w.pos += static_cast<size_t>(w.Int()) - 4;
  EXPECT_EQ(w.Int(), 1);
  EXPECT_EQ(WalkRecord(w).name, "#0");
  std::filesystem::remove_all(dir);
}

// ---- refusals -------------------------------------------------------------------------

void ExpectRefused(const std::vector<uint8_t>& bytes, bool previewOnly, const char* what) {
  TMyImageLayeredReg reg;
  reg.PreviewOnly = previewOnly;
  EXPECT_THROW(reg.LoadFromMemory(bytes.data(), bytes.size()), EReadError) << what;
}

void PutInt(std::vector<uint8_t>& b, size_t at, int32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}

// Offsets inside a one-layer file of a small image.
struct Offsets {
  size_t layerCount, record, imageMode, imageW, imageLen, imageData;
};
Offsets Locate(const std::vector<uint8_t>& bytes) {
  Walker w{bytes};
  w.pos = ThumbnailOffset;
  Offsets o{};
  o.layerCount = ThumbnailOffset + static_cast<size_t>(w.Int());
  o.record = o.layerCount + 4;
  o.imageMode = o.record + 4 + 2 + 2 + 16 + 1 + 8 + 8 + 1 + 1;
  o.imageW = o.imageMode + 1;
  o.imageLen = o.imageW + 8;
  o.imageData = o.imageLen + 4;
  return o;
}

TEST(OviRefusal, SignatureAndVersion) {
  const auto good = OneLayerFile(RandomImage(8, 8, 20));
  for (int v : {0, 4, 255}) {
    auto b = good;
    b[17] = static_cast<uint8_t>(v);
    ExpectRefused(b, false, "version");
  }
  for (int v : {1, 2}) {
    auto b = good;
    b[17] = static_cast<uint8_t>(v);
    EXPECT_NO_THROW(ReadFlat(b)) << "version " << v;
  }
  auto b = good;
  b[0] = 'q';
  ExpectRefused(b, false, "signature");
  ExpectRefused(b, true, "signature");
  b = good;
  b[ThumbnailOffset + 4] = 'X';
  ExpectRefused(b, true, "thumbnail tag");
}

TEST(OviRefusal, EveryTruncationIsAReadError) {
  TMyImageLayered doc;
  const TBitmap mask = GreyMask(6, 5, 22);
  doc.SetSingleLayer(RandomImage(6, 5, 21), nullptr, "#0");
  doc.AddLayer(RandomImage(6, 5, 23), &mask, "#1", 100, TPoint{0, 0});
  const auto good = SaveLayeredStream(doc);
  Walker w{good};
  w.pos = ThumbnailOffset;
  const size_t thumbnailEnd = ThumbnailOffset + static_cast<size_t>(w.Int());
  w.pos = thumbnailEnd + 4;
  WalkRecord(w);
  const size_t firstRecordEnd = w.pos;  // where the flat reader stops
  for (size_t n = 0; n < good.size(); ++n) {
    TMyImageLayered back;
    TOviMemorySource in(good.data(), n);
    EXPECT_THROW(ReadLayeredDocument(in, back), EReadError) << "cut at " << n;
    if (n >= firstRecordEnd) continue;
    TMyImageLayeredReg reg;
    reg.PreviewOnly = n < thumbnailEnd && n % 2 == 0;
    EXPECT_THROW(reg.LoadFromMemory(good.data(), n), EReadError) << "cut at " << n;
  }
}

TEST(OviRefusal, SizesAndCounts) {
  const auto good = OneLayerFile(RandomImage(8, 8, 24));
  const Offsets o = Locate(good);
  auto b = good;
  PutInt(b, 18, -1);
  ExpectRefused(b, false, "negative header width");
  b = good;
  PutInt(b, 22, 1 << 30);
  ExpectRefused(b, false, "absurd header height");
  for (int32_t n : {0, -5, 1 << 30}) {
    b = good;
    PutInt(b, o.layerCount, n);
    ExpectRefused(b, false, "layer count");
  }
  for (int32_t n : {-1, 256, 1 << 30}) {
    b = good;
    PutInt(b, o.record, n);
    ExpectRefused(b, false, "name length");
  }
  for (int32_t v : {-1, 70000}) {
    b = good;
    PutInt(b, o.imageW, v);
    ExpectRefused(b, false, "image width");
  }
  b = good;
  PutInt(b, o.imageW, 40000);
  PutInt(b, o.imageW + 4, 40000);  // allowed sides, but over the byte limit
  ExpectRefused(b, false, "image bytes");
  b = good;
  PutInt(b, o.imageW, 10000);
  PutInt(b, o.imageW + 4, 10000);  // within limits, but more than the small stream can hold
  ExpectRefused(b, false, "size beyond what the stream can inflate to");
  for (int32_t len : {-7, 0, 3, 1 << 30}) {
    b = good;
    PutInt(b, o.imageLen, len);
    ExpectRefused(b, false, "compressed length");
  }
  for (int32_t len : {-7, 0, 3, 1 << 30}) {
    b = good;
    PutInt(b, ThumbnailOffset, len);
    ExpectRefused(b, false, "thumbnail length");
  }
}

TEST(OviRefusal, CompressionModes) {
  const auto good = OneLayerFile(RandomImage(8, 8, 25));
  const Offsets o = Locate(good);
  auto b = good;
  b[o.imageMode] = 2;
  TMyImageLayeredReg reg;
  try {
    reg.LoadFromMemory(b.data(), b.size());
    ADD_FAILURE() << "mode 2 accepted";
  } catch (const EReadError& e) {
    EXPECT_STREQ(e.what(), "Invalid compression mode !");
  }
  b = good;
  PutInt(b, ThumbnailOffset + 4 + 9, 7);
  reg.PreviewOnly = true;
  try {
    reg.LoadFromMemory(b.data(), b.size());
    ADD_FAILURE() << "thumbnail mode 7 accepted";
  } catch (const EReadError& e) {
    EXPECT_STREQ(e.what(), "Invalid compression mode !");
  }
  TOviWriter out;
  try {
    WriteColorImageBlock(out, RandomImage(2, 2, 1), 2);
    ADD_FAILURE() << "writer accepted mode 2";
  } catch (const EWriteError& e) {
    EXPECT_STREQ(e.what(), "Invalid compression mode !");
  }
}

TEST(OviRefusal, CorruptAndOversizedZlibData) {
  const auto good = OneLayerFile(RandomImage(8, 8, 26));
  const Offsets o = Locate(good);
  auto b = good;
  b[o.imageData + 5] ^= 0xFF;
  ExpectRefused(b, false, "corrupt deflate data");
  b = good;
  b[o.imageData] = 0x00;
  ExpectRefused(b, false, "bad zlib header");

  // A stream holding far more than the 8 x 8 image declares: inflated no further.
  std::vector<uint8_t> bomb(64 << 20, 0);
  uLongf len = compressBound(static_cast<uLong>(bomb.size()));
  std::vector<uint8_t> packed(len);
  ASSERT_EQ(compress2(packed.data(), &len, bomb.data(), static_cast<uLong>(bomb.size()), 9), Z_OK);
  packed.resize(len);
  std::vector<uint8_t> evil(good.begin(), good.begin() + static_cast<long>(o.imageLen));
  const size_t at = evil.size();
  evil.resize(at + 4);
  PutInt(evil, at, static_cast<int32_t>(packed.size() + 4));
  evil.insert(evil.end(), packed.begin(), packed.end());
  evil.insert(evil.end(), 200, 0);
  ExpectRefused(evil, false, "stream longer than declared");

  // And one that ends before the declared size.
  b = std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(o.imageW));
  const uint8_t small[3] = {1, 2, 3};
  uLongf slen = compressBound(3);
  std::vector<uint8_t> spacked(slen);
  compress2(spacked.data(), &slen, small, 3, 6);
  const size_t s = b.size();
  b.resize(s + 12);
  PutInt(b, s, 8);
  PutInt(b, s + 4, 8);
  PutInt(b, s + 8, static_cast<int32_t>(slen + 4));
  b.insert(b.end(), spacked.begin(), spacked.begin() + static_cast<long>(slen));
  b.insert(b.end(), 200, 0);
  ExpectRefused(b, false, "stream shorter than declared");
}

TEST(OviRefusal, ObjectLayersAndUnknownKinds) {
  const auto good = OneLayerFile(RandomImage(8, 8, 27));
  auto b = good;
  b.back() = 1;  // the object flag of the only record
  ExpectRefused(b, false, "object layer");
  b = good;
  b[Locate(good).record + 4 + 2 + 2 + 16] = 9;
  ExpectRefused(b, false, "unknown kind");
}

}  // namespace
}  // namespace velinor
