#include <gtest/gtest.h>
#include <gif_lib.h>

#include <set>

#include "CodecTestSupport.h"
#include "core/base/Errors.h"
#include "core/files/ColorQuantizer.h"
#include "core/files/GifCodec.h"

using namespace velinor;
using namespace velinor::testing;

namespace {

constexpr TColor Key = RGB(206, 237, 220);

// Writes a GIF with giflib directly: `frames` frames of w x h, all index
// `fill`, the given global map, and transparency on frame 0 when asked.
std::vector<uint8_t> MakeGif(int w, int h, int frames, const std::vector<GifColorType>& colours, int fill,
                             int transparentIndex = -1) {
  std::vector<uint8_t> out;
  int err = 0;
  GifFileType* gif = EGifOpen(
      &out,
      [](GifFileType* g, const GifByteType* d, int n) {
        auto* v = static_cast<std::vector<uint8_t>*>(g->UserData);
        v->insert(v->end(), d, d + n);
        return n;
      },
      &err);
  ColorMapObject* map = GifMakeMapObject(static_cast<int>(colours.size()), colours.data());
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, w, h, 8, 0, map);
  std::vector<GifPixelType> line(static_cast<size_t>(w), static_cast<GifPixelType>(fill));
  for (int f = 0; f < frames; ++f) {
    if (f == 0 && transparentIndex >= 0) {
      const GifByteType gce[4] = {1, 0, 0, static_cast<GifByteType>(transparentIndex)};
      EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, gce);
    }
    EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr);
    for (int y = 0; y < h; ++y) EGifPutLine(gif, line.data(), w);
  }
  EGifCloseFile(gif, &err);
  GifFreeMapObject(map);
  return out;
}

std::vector<GifColorType> Map(std::initializer_list<TColor> cs) {
  std::vector<GifColorType> m;
  for (TColor c : cs) m.push_back(GifColorType{GetRValue(c), GetGValue(c), GetBValue(c)});
  return m;
}

}  // namespace

TEST(Gif, FrameCountAndFirstFrame) {
  const auto three = MakeGif(5, 4, 3, Map({RGB(1, 2, 3), RGB(40, 50, 60)}), 1);
  int frames = 0;
  const TBitmap b = ReadGif(three.data(), three.size(), &frames);
  EXPECT_EQ(frames, 3);
  EXPECT_EQ(b.Width(), 5);
  EXPECT_EQ(b.Pixel(4, 3), RGB(40, 50, 60));
  EXPECT_FALSE(b.Transparent);
  const auto one = MakeGif(5, 4, 1, Map({RGB(1, 2, 3), RGB(40, 50, 60)}), 0);
  ReadGif(one.data(), one.size(), &frames);
  EXPECT_EQ(frames, 1);
}

TEST(Gif, TransparentColourAndTheKeyColourRule) {
  int frames = 0;
  // The transparent entry's colour is unique: it stays the transparent colour.
  const auto unique = MakeGif(2, 2, 1, Map({RGB(9, 9, 9), RGB(100, 0, 0), RGB(0, 100, 0), RGB(0, 0, 100)}), 1, 1);
  TBitmap b = ReadGif(unique.data(), unique.size(), &frames);
  EXPECT_TRUE(b.Transparent);
  EXPECT_EQ(b.TransparentColor, RGB(100, 0, 0));
  // The transparent entry's colour also appears elsewhere: the entry becomes the
  // key colour, the other entry keeps its colour.
  const auto shared = MakeGif(2, 2, 1, Map({RGB(100, 0, 0), RGB(100, 0, 0), RGB(0, 100, 0), RGB(0, 0, 100)}), 1, 1);
  b = ReadGif(shared.data(), shared.size(), &frames);
  EXPECT_TRUE(b.Transparent);
  EXPECT_EQ(b.TransparentColor, Key);
  EXPECT_EQ(b.Palette[1], Key);
  EXPECT_EQ(b.Palette[0], RGB(100, 0, 0));
  EXPECT_EQ(b.Pixel(0, 0), Key);
}

TEST(Gif, FewColoursRoundTripExactly) {
  for (const TPixelFormat pf : {TPixelFormat::pf8bit, TPixelFormat::pf24bit}) {
    TBitmap src = BlockyBitmap(41, 19, pf, 5);  // 64 colours at most
    for (bool interlaced : {false, true}) {
      TGifWriteOptions o;
      o.Interlaced = interlaced;
      const auto bytes = EncodeGif(src, o);
      int frames = 0;
      const TBitmap back = ReadGif(bytes.data(), bytes.size(), &frames);
      EXPECT_EQ(frames, 1);
      for (int y = 0; y < 19; ++y)
        for (int x = 0; x < 41; ++x) ASSERT_EQ(back.Pixel(x, y), src.Pixel(x, y)) << x << "," << y;
    }
  }
}

TEST(Gif, ManyColoursAreQuantisedWithDithering) {
  TBitmap src(96, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 96; ++x) src.SetPixel(x, y, RGB(x * 255 / 95, y * 4, (x + y) * 255 / 158));
  const auto bytes = EncodeGif(src, {});
  const TBitmap back = ReadGif(bytes.data(), bytes.size());
  std::set<TColor> used;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 96; ++x) used.insert(back.Pixel(x, y));
  EXPECT_LE(used.size(), 256u);
  EXPECT_GT(used.size(), 64u);
  // Dithering keeps the local average: compare 8 x 8 block means.
  double worst = 0;
  for (int by = 0; by < 64; by += 8)
    for (int bx = 0; bx < 96; bx += 8)
      for (int c = 0; c < 3; ++c) {
        double a = 0, b = 0;
        for (int y = by; y < by + 8; ++y)
          for (int x = bx; x < bx + 8; ++x) {
            a += (back.Pixel(x, y) >> (8 * c)) & 0xFF;
            b += (src.Pixel(x, y) >> (8 * c)) & 0xFF;
          }
        worst = std::max(worst, std::abs(a - b) / 64);
      }
  EXPECT_LT(worst, 6.0);
}

TEST(Gif, AlphaAndMarkedTransparencyAreKept) {
  // 32-bit: alpha below 128 is see-through and comes back as the key colour; a
  // visible pixel of the key colour is nudged so that it stays visible.
  TBitmap rgba(8, 4, TPixelFormat::pf32bit);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) {
      uint8_t* p = rgba.ScanLine(y) + 4 * x;
      p[0] = static_cast<uint8_t>(x * 30);
      p[1] = 10;
      p[2] = 200;
      p[3] = x < 4 ? 0 : 255;
    }
  rgba.ScanLine(3)[4 * 7 + 0] = GetBValue(Key);
  rgba.ScanLine(3)[4 * 7 + 1] = GetGValue(Key);
  rgba.ScanLine(3)[4 * 7 + 2] = GetRValue(Key);
  auto bytes = EncodeGif(rgba, {});
  TBitmap back = ReadGif(bytes.data(), bytes.size());
  ASSERT_TRUE(back.Transparent);
  EXPECT_EQ(back.TransparentColor, Key);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) {
      if (x < 4) {
        EXPECT_EQ(back.Pixel(x, y), Key);
      } else {
        EXPECT_NE(back.Pixel(x, y), Key);
      }
    }
  EXPECT_EQ(back.Pixel(5, 0), RGB(200, 10, 150));

  // 24-bit marked transparent: its own transparent colour is kept.
  TBitmap marked = BlockyBitmap(10, 6, TPixelFormat::pf24bit, 8);
  marked.Transparent = true;
  marked.TransparentColor = marked.Pixel(0, 0);
  bytes = EncodeGif(marked, {});
  back = ReadGif(bytes.data(), bytes.size());
  ASSERT_TRUE(back.Transparent);
  EXPECT_EQ(back.TransparentColor, marked.TransparentColor);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 10; ++x) EXPECT_EQ(back.Pixel(x, y), marked.Pixel(x, y));
}

TEST(Gif, ColourMapOptimisation) {
  TBitmap b(6, 1, TPixelFormat::pf8bit);
  b.Palette = {RGB(1, 1, 1), RGB(2, 2, 2), RGB(1, 1, 1), RGB(3, 3, 3), RGB(4, 4, 4)};
  const uint8_t idx[6] = {0, 2, 3, 3, 3, 4};  // entry 1 unused, 0 and 2 equal
  std::memcpy(b.ScanLine(0), idx, 6);
  int transparent = 4;
  OptimizeColorMap(b, &transparent);
  // 3 used three times, merged 1-1-1 twice, 4 once.
  ASSERT_EQ(b.Palette.size(), 3u);
  EXPECT_EQ(b.Palette[0], RGB(3, 3, 3));
  EXPECT_EQ(b.Palette[1], RGB(1, 1, 1));
  EXPECT_EQ(b.Palette[2], RGB(4, 4, 4));
  EXPECT_EQ(transparent, 2);
  const uint8_t expected[6] = {1, 1, 0, 0, 0, 2};
  EXPECT_EQ(std::memcmp(b.ScanLine(0), expected, 6), 0);
}

TEST(Gif, BadFilesRaiseReadErrors) {
  const auto good = EncodeGif(RandomBitmap(30, 20, TPixelFormat::pf24bit, 3), {});
  for (size_t cut : {size_t{3}, size_t{10}, size_t{30}, good.size() / 2})
    EXPECT_THROW(ReadGif(good.data(), cut), EReadError) << cut;
}

TEST(Gif, AHugeFrameOverAFewBytesIsRefusedBeforeAllocating) {
  auto bytes = MakeGif(4, 4, 1, Map({RGB(0, 0, 0), RGB(1, 1, 1)}), 0);
  // Frame descriptor after the header (13), the 2-entry map (6): size at +5.
  ASSERT_EQ(bytes[19], 0x2C);
  bytes[24] = bytes[26] = 0x00;  // 16384 x 16384: within the size limit, also in 24 bits
  bytes[25] = bytes[27] = 0x40;
  // Refused by the size check, not after a failed decode into a huge buffer.
  try {
    ReadGif(bytes.data(), bytes.size());
    ADD_FAILURE() << "no error";
  } catch (const EReadError& e) {
    EXPECT_NE(std::string(e.what()).find("too short"), std::string::npos) << e.what();
  }
}
