#include <gtest/gtest.h>

#include "CodecTestSupport.h"
#include "core/base/Errors.h"
#include "core/files/IcoReader.h"
#include "core/files/PcxReader.h"
#include "core/files/PngUtils.h"
#include "core/files/PnmReader.h"
#include "core/files/SgiReader.h"

using namespace velinor;
using namespace velinor::testing;

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

TBitmap Pnm(const std::vector<uint8_t>& v) { return ReadPnm(v.data(), v.size()); }

void Put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(x & 0xFF);
  v.push_back((x >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  Put16(v, x & 0xFFFF);
  Put16(v, x >> 16);
}
void PutBE16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back((x >> 8) & 0xFF);
  v.push_back(x & 0xFF);
}
void PutBE32(std::vector<uint8_t>& v, uint32_t x) {
  PutBE16(v, x >> 16);
  PutBE16(v, x & 0xFFFF);
}

// PCX run-length: every byte of 0xC0 and above, and every repeat, goes as a run.
void PcxPack(const std::vector<uint8_t>& line, std::vector<uint8_t>& out) {
  for (size_t i = 0; i < line.size();) {
    size_t n = 1;
    while (i + n < line.size() && n < 63 && line[i + n] == line[i]) ++n;
    if (n > 1 || line[i] >= 0xC0) out.push_back(static_cast<uint8_t>(0xC0 | n));
    out.push_back(line[i]);
    i += n;
  }
}

std::vector<uint8_t> PcxHeader(int w, int h, int bits, int planes, int bytesPerLine) {
  std::vector<uint8_t> f(128, 0);
  f[0] = 0x0A;
  f[1] = 5;
  f[2] = 1;
  f[3] = static_cast<uint8_t>(bits);
  f[8] = static_cast<uint8_t>((w - 1) & 0xFF);
  f[9] = static_cast<uint8_t>((w - 1) >> 8);
  f[10] = static_cast<uint8_t>((h - 1) & 0xFF);
  f[11] = static_cast<uint8_t>((h - 1) >> 8);
  f[65] = static_cast<uint8_t>(planes);
  f[66] = static_cast<uint8_t>(bytesPerLine & 0xFF);
  f[67] = static_cast<uint8_t>(bytesPerLine >> 8);
  return f;
}

// An SGI file of the given channels (1..4) and bytes per channel, verbatim or
// run-length (each row one literal packet and one run, rows sharing nothing).
std::vector<uint8_t> Sgi(const TBitmap& src, int channels, int bpc, bool rle) {
  const int w = src.Width(), h = src.Height();
  std::vector<uint8_t> f;
  PutBE16(f, 474);
  f.push_back(rle ? 1 : 0);
  f.push_back(static_cast<uint8_t>(bpc));
  PutBE16(f, 3);
  PutBE16(f, w);
  PutBE16(f, h);
  PutBE16(f, channels);
  f.resize(512, 0);
  auto sample = [&](int x, int fy, int z) -> int {
    const uint8_t* p = src.ScanLine(h - 1 - fy) + 4 * x;  // source is 32-bit B, G, R, A
    if (channels <= 2) return z == 0 ? p[1] : p[3];
    return z < 3 ? p[2 - z] : p[3];
  };
  auto putSample = [&](std::vector<uint8_t>& v, int value) {
    if (bpc == 2) PutBE16(v, value * 257);
    else v.push_back(static_cast<uint8_t>(value));
  };
  if (!rle) {
    for (int z = 0; z < channels; ++z)
      for (int fy = 0; fy < h; ++fy)
        for (int x = 0; x < w; ++x) putSample(f, sample(x, fy, z));
    return f;
  }
  std::vector<uint8_t> body;
  std::vector<uint32_t> starts, lengths;
  const size_t tableEnd = 512 + 8 * size_t(h) * channels;
  for (int z = 0; z < channels; ++z)
    for (int fy = 0; fy < h; ++fy) {
      starts.push_back(static_cast<uint32_t>(tableEnd + body.size()));
      const size_t before = body.size();
      // Literal packet of all but the last sample, then a run of 1, then 0.
      if (w > 1) {
        putSample(body, 0x80 | (w - 1));
        for (int x = 0; x < w - 1; ++x) putSample(body, sample(x, fy, z));
      }
      putSample(body, 1);
      putSample(body, sample(w - 1, fy, z));
      putSample(body, 0);
      lengths.push_back(static_cast<uint32_t>(body.size() - before));
    }
  for (uint32_t s : starts) PutBE32(f, s);
  for (uint32_t l : lengths) PutBE32(f, l);
  f.insert(f.end(), body.begin(), body.end());
  return f;
}

// A BMP-based icon entry (8-bit, palette of 256, AND mask from `see`).
std::vector<uint8_t> DibEntry(const TBitmap& indexed, const std::vector<bool>& see) {
  const int w = indexed.Width(), h = indexed.Height();
  std::vector<uint8_t> e;
  Put32(e, 40);
  Put32(e, w);
  Put32(e, 2 * h);
  Put16(e, 1);
  Put16(e, 8);
  for (int i = 0; i < 6; ++i) Put32(e, 0);
  for (int i = 0; i < 256; ++i) {
    const TColor c = indexed.Palette[i];
    e.push_back(GetBValue(c));
    e.push_back(GetGValue(c));
    e.push_back(GetRValue(c));
    e.push_back(0);
  }
  const int xorStride = (w + 3) & ~3, andStride = ((w + 31) / 32) * 4;
  for (int fy = 0; fy < h; ++fy) {
    std::vector<uint8_t> row(size_t(xorStride), 0);
    std::memcpy(row.data(), indexed.ScanLine(h - 1 - fy), size_t(w));
    e.insert(e.end(), row.begin(), row.end());
  }
  for (int fy = 0; fy < h; ++fy) {
    std::vector<uint8_t> row(size_t(andStride), 0);
    for (int x = 0; x < w; ++x)
      if (see[size_t(h - 1 - fy) * w + x]) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    e.insert(e.end(), row.begin(), row.end());
  }
  return e;
}

std::vector<uint8_t> Icon(const std::vector<std::pair<int, std::vector<uint8_t>>>& entries) {
  std::vector<uint8_t> f;
  Put16(f, 0);
  Put16(f, 1);
  Put16(f, static_cast<uint32_t>(entries.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * entries.size());
  for (const auto& [size, data] : entries) {
    f.push_back(static_cast<uint8_t>(size & 0xFF));
    f.push_back(static_cast<uint8_t>(size & 0xFF));
    f.push_back(0);
    f.push_back(0);
    Put16(f, 1);
    Put16(f, 8);
    Put32(f, static_cast<uint32_t>(data.size()));
    Put32(f, offset);
    offset += static_cast<uint32_t>(data.size());
  }
  for (const auto& e : entries) f.insert(f.end(), e.second.begin(), e.second.end());
  return f;
}

}  // namespace

TEST(Pnm, PlainAndRawVariants) {
  TBitmap b = Pnm(Bytes("P1\n# a comment\n3 2\n1 0 1\n0 1 0\n"));
  EXPECT_EQ(b.Pixel(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(b.Pixel(1, 0), RGB(255, 255, 255));
  b = Pnm(Bytes("P1 3 1 010"));  // plain bits need no separators
  EXPECT_EQ(b.Pixel(1, 0), RGB(0, 0, 0));
  b = Pnm(Bytes("P2 2 1 1000 0 500\n"));
  EXPECT_EQ(b.Pixel(1, 0), RGB(128, 128, 128));
  b = Pnm(Bytes("P3 1 1 255 10 20 30"));
  EXPECT_EQ(b.Pixel(0, 0), RGB(10, 20, 30));
  auto raw = Bytes("P4\n10 1\n");
  raw.push_back(0x80);
  raw.push_back(0x40);
  b = Pnm(raw);
  EXPECT_EQ(b.Pixel(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(b.Pixel(1, 0), RGB(255, 255, 255));
  EXPECT_EQ(b.Pixel(9, 0), RGB(0, 0, 0));
  raw = Bytes("P5 2 1 65535\n");
  for (uint8_t v : {0xFF, 0xFF, 0x80, 0x00}) raw.push_back(v);
  b = Pnm(raw);
  EXPECT_EQ(b.Pixel(0, 0), RGB(255, 255, 255));
  EXPECT_EQ(b.Pixel(1, 0), RGB(128, 128, 128));
}

TEST(Pnm, RawPpmRoundTrip) {
  const TBitmap src = RandomBitmap(23, 7, TPixelFormat::pf24bit, 4);
  auto f = Bytes("P6\n23 7\n255\n");
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 23; ++x) {
      const TColor c = src.Pixel(x, y);
      f.push_back(GetRValue(c));
      f.push_back(GetGValue(c));
      f.push_back(GetBValue(c));
    }
  EXPECT_TRUE(SamePixels(Pnm(f), src));
  f.pop_back();
  EXPECT_THROW(Pnm(f), EReadError);
  EXPECT_THROW(Pnm(Bytes("P6 100000 100000 255\n")), EVelinorError);
  EXPECT_THROW(Pnm(Bytes("P3 2 2 255 1 2 3")), EReadError);
  EXPECT_THROW(Pnm(Bytes("P7 1 1")), EReadError);
}

TEST(Pcx, TrueColourPaletteAndBitPlanes) {
  // 24-bit, three planes.
  const TBitmap src = BlockyBitmap(21, 6, TPixelFormat::pf24bit, 5);
  const int bpl = 22;  // even, as writers pad
  auto f = PcxHeader(21, 6, 8, 3, bpl);
  for (int y = 0; y < 6; ++y) {
    std::vector<uint8_t> line(3 * bpl, 0);
    for (int x = 0; x < 21; ++x) {
      const TColor c = src.Pixel(x, y);
      line[x] = GetRValue(c);
      line[bpl + x] = GetGValue(c);
      line[2 * bpl + x] = GetBValue(c);
    }
    PcxPack(line, f);
  }
  EXPECT_TRUE(SamePixels(ReadPcx(f.data(), f.size()), src));
  f.resize(f.size() - 10);
  EXPECT_THROW(ReadPcx(f.data(), f.size()), EReadError);

  // 8-bit with the palette at the end.
  const TBitmap indexed = BlockyBitmap(9, 4, TPixelFormat::pf8bit, 6);
  f = PcxHeader(9, 4, 8, 1, 10);
  for (int y = 0; y < 4; ++y) {
    std::vector<uint8_t> line(10, 0);
    std::memcpy(line.data(), indexed.ScanLine(y), 9);
    PcxPack(line, f);
  }
  f.push_back(0x0C);
  for (int i = 0; i < 256; ++i) {
    f.push_back(GetRValue(indexed.Palette[i]));
    f.push_back(GetGValue(indexed.Palette[i]));
    f.push_back(GetBValue(indexed.Palette[i]));
  }
  TBitmap b = ReadPcx(f.data(), f.size());
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 9; ++x) ASSERT_EQ(b.Pixel(x, y), indexed.Pixel(x, y));

  // 16 colours in four bit planes, header palette.
  f = PcxHeader(8, 1, 1, 4, 2);
  f[16 + 3 * 5] = 50;   // entry 5: red 50
  f[16 + 3 * 5 + 2] = 70;
  const uint8_t planes[4][2] = {{0x80, 0}, {0, 0}, {0x80, 0}, {0, 0}};  // pixel 0 = 1 + 4
  std::vector<uint8_t> line;
  for (auto& p : planes) line.insert(line.end(), p, p + 2);
  PcxPack(line, f);
  b = ReadPcx(f.data(), f.size());
  EXPECT_EQ(b.Pixel(0, 0), RGB(50, 0, 70));
  // One bit plane: black and white.
  f = PcxHeader(8, 1, 1, 1, 2);
  PcxPack({0x0F, 0}, f);
  b = ReadPcx(f.data(), f.size());
  EXPECT_EQ(b.Pixel(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(b.Pixel(7, 0), RGB(255, 255, 255));
}

TEST(Sgi, VerbatimAndRunLengthAllChannelCounts) {
  TBitmap src = RandomBitmap(13, 5, TPixelFormat::pf32bit, 7);
  for (int channels = 1; channels <= 4; ++channels)
    for (int bpc : {1, 2})
      for (bool rle : {false, true}) {
        const auto f = Sgi(src, channels, bpc, rle);
        const TBitmap b = ReadSgi(f.data(), f.size());
        ASSERT_EQ(b.PixelFormat(), channels % 2 == 0 ? TPixelFormat::pf32bit : TPixelFormat::pf24bit);
        for (int y = 0; y < 5; ++y)
          for (int x = 0; x < 13; ++x) {
            const uint8_t* s = src.ScanLine(y) + 4 * x;
            const TColor want = channels <= 2 ? RGB(s[1], s[1], s[1]) : RGB(s[2], s[1], s[0]);
            ASSERT_EQ(b.Pixel(x, y), want) << channels << bpc << rle;
            if (channels % 2 == 0) {
              ASSERT_EQ(b.ScanLine(y)[4 * x + 3], s[3]);
            }
          }
        auto cut = f;
        cut.resize(f.size() - 3);
        EXPECT_THROW(ReadSgi(cut.data(), cut.size()), EReadError);
      }
}

TEST(Ico, BestEntryAndMaskBecomeTheKeyColour) {
  TBitmap small = BlockyBitmap(16, 16, TPixelFormat::pf8bit, 1);
  TBitmap large = BlockyBitmap(32, 32, TPixelFormat::pf8bit, 2);
  std::vector<bool> see(32 * 32, false);
  see[0] = see[33] = true;  // (0,0) and (1,1) see-through
  const auto f = Icon({{16, DibEntry(small, std::vector<bool>(256, false))}, {32, DibEntry(large, see)}});
  const TBitmap coverage = DecodeIco(f.data(), f.size());
  ASSERT_EQ(coverage.Width(), 32);
  ASSERT_EQ(coverage.PixelFormat(), TPixelFormat::pf32bit);
  EXPECT_EQ(coverage.ScanLine(0)[3], 0);
  EXPECT_EQ(coverage.ScanLine(0)[7], 255);
  const TBitmap b = ReadIco(f.data(), f.size());
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_TRUE(b.Transparent);
  EXPECT_EQ(b.TransparentColor, RGB(206, 237, 220));
  EXPECT_EQ(b.Pixel(0, 0), RGB(206, 237, 220));
  EXPECT_EQ(b.Pixel(1, 1), RGB(206, 237, 220));
  EXPECT_EQ(b.Pixel(2, 1), large.Pixel(2, 1));
  EXPECT_EQ(b.Pixel(31, 31), large.Pixel(31, 31));
}

TEST(Ico, PngEntriesBlendOverTheKeyColour) {
  TBitmap rgba(4, 4, TPixelFormat::pf32bit);
  rgba.FillBytes(255);
  rgba.ScanLine(0)[3] = 0;    // (0,0) clear
  rgba.ScanLine(1)[3] = 128;  // (0,1) half
  rgba.ScanLine(1)[0] = rgba.ScanLine(1)[1] = rgba.ScanLine(1)[2] = 0;
  const auto f = Icon({{4, EncodePng(rgba, {})}});
  const TBitmap b = ReadIco(f.data(), f.size());
  EXPECT_EQ(b.Pixel(0, 0), RGB(206, 237, 220));
  EXPECT_EQ(b.Pixel(1, 0), RGB(255, 255, 255));
  EXPECT_EQ(b.Pixel(0, 1), RGB((206 * 127 + 127) / 255, (237 * 127 + 127) / 255, (220 * 127 + 127) / 255));
  auto cut = f;
  cut.resize(40);
  EXPECT_THROW(ReadIco(cut.data(), cut.size()), EVelinorError);
}
