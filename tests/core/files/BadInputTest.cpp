// Truncated and corrupted files of every format: the readers refuse them with
// the program's own errors (or decode something), never crash or hang.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "CodecTestSupport.h"
#include "core/base/Errors.h"
#include "core/files/BmpCodec.h"
#include "core/files/GifCodec.h"
#include "core/files/IcoReader.h"
#include "core/files/PcxReader.h"
#include "core/files/PngUtils.h"
#include "core/files/PnmReader.h"
#include "core/files/RleBmp.h"
#include "core/files/SgiReader.h"
#include "core/files/TargaCodec.h"
#include "core/files/TiffUtils.h"

using namespace velinor;
using namespace velinor::testing;

namespace {

using Reader = std::function<void(const uint8_t*, size_t)>;

// Returns 1 when the reader threw one of the program's errors, 0 when it
// decoded, and fails the test on any other exception.
int Outcome(const Reader& read, const std::vector<uint8_t>& bytes) {
  try {
    read(bytes.data(), bytes.size());
    return 0;
  } catch (const EVelinorError&) {
    return 1;
  } catch (const std::exception& e) {
    ADD_FAILURE() << "foreign exception: " << e.what();
    return 1;
  }
}

void Hammer(const std::string& name, const Reader& read, const std::vector<uint8_t>& good) {
  SCOPED_TRACE(name);
  ASSERT_EQ(Outcome(read, good), 0) << "the sample itself must decode";
  EXPECT_EQ(Outcome(read, {}), 1);
  std::vector<uint8_t> half(good.begin(), good.begin() + good.size() / 2);
  EXPECT_EQ(Outcome(read, half), 1) << "half a file";
  const size_t step = std::max<size_t>(1, good.size() / 200);
  for (size_t n = 0; n < good.size(); n += step) Outcome(read, std::vector<uint8_t>(good.begin(), good.begin() + n));
  std::mt19937 rng(42);
  for (int round = 0; round < 300; ++round) {
    auto bad = good;
    const int flips = 1 + static_cast<int>(rng() % 8);
    for (int k = 0; k < flips; ++k) {
      // Headers are where the sizes live: hit them more often.
      const size_t at = (rng() % 2) ? rng() % std::min<size_t>(bad.size(), 64) : rng() % bad.size();
      bad[at] = static_cast<uint8_t>(rng());
    }
    Outcome(read, bad);
  }
}

std::vector<uint8_t> Pnm() {
  std::string s = "P6\n# sample\n16 9\n65535\n";
  std::vector<uint8_t> v(s.begin(), s.end());
  for (int i = 0; i < 16 * 9 * 6; ++i) v.push_back(static_cast<uint8_t>(i * 13));
  return v;
}

std::vector<uint8_t> TiffSample() {
  ScratchDir dir;
  WriteTiffFile(dir.File("s.tif"), RandomBitmap(24, 16, TPixelFormat::pf24bit, 1), {});
  return ReadAll(dir.File("s.tif"));
}

std::vector<uint8_t> PcxSample() {
  std::vector<uint8_t> f(128, 0);
  f[0] = 0x0A;
  f[1] = 5;
  f[2] = 1;
  f[3] = 8;
  f[8] = 15;
  f[10] = 7;
  f[65] = 3;
  f[66] = 16;
  for (int i = 0; i < 8 * 3 * 16; ++i) {
    if (i % 5 == 0) f.push_back(0xC3);
    f.push_back(static_cast<uint8_t>(i % 0xBF));
  }
  return f;
}

std::vector<uint8_t> SgiSample() {
  std::vector<uint8_t> f(512, 0);
  f[0] = 0x01;
  f[1] = 0xDA;
  f[2] = 1;  // run-length
  f[3] = 1;
  f[5] = 3;
  f[7] = 8;   // width
  f[9] = 4;   // height
  f[11] = 3;  // channels
  const uint32_t rows = 12, tableEnd = 512 + 8 * rows;
  for (uint32_t r = 0; r < rows; ++r) {
    const uint32_t start = tableEnd + r * 4;
    f.insert(f.end(), {0, 0, static_cast<uint8_t>(start >> 8), static_cast<uint8_t>(start)});
  }
  for (uint32_t r = 0; r < rows; ++r) f.insert(f.end(), {0, 0, 0, 4});
  for (uint32_t r = 0; r < rows; ++r) f.insert(f.end(), {0x08, static_cast<uint8_t>(r * 20), 0, 0});
  return f;
}

std::vector<uint8_t> IcoSample() {
  const auto png = EncodePng(RandomBitmap(8, 8, TPixelFormat::pf32bit, 2), {});
  std::vector<uint8_t> f = {0, 0, 1, 0, 1, 0, 8, 8, 0, 0, 1, 0, 32, 0};
  const uint32_t n = static_cast<uint32_t>(png.size());
  f.insert(f.end(), {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24), 22, 0, 0, 0});
  f.insert(f.end(), png.begin(), png.end());
  return f;
}

}  // namespace

TEST(BadInput, EveryReaderRefusesDamagedFiles) {
  const TBitmap picture = BlockyBitmap(24, 16, TPixelFormat::pf24bit, 3);
  Hammer("PNG", [](const uint8_t* d, size_t n) { ReadPng(d, n); }, EncodePng(picture, {}));
  Hammer("GIF", [](const uint8_t* d, size_t n) { ReadGif(d, n); }, EncodeGif(picture, {}));
  Hammer("TIFF", [](const uint8_t* d, size_t n) { ReadTiff(d, n); }, TiffSample());
  Hammer("Targa RLE", ReadTga, EncodeTga(picture, true));
  Hammer("Targa raw", ReadTga, EncodeTga(RandomBitmap(12, 9, TPixelFormat::pf8bit, 4), false));
  Hammer("RLE8 BMP", ReadBmp, EncodeRle8Bmp(picture));
  Hammer("PNM", ReadPnm, Pnm());
  Hammer("PCX", ReadPcx, PcxSample());
  Hammer("SGI", ReadSgi, SgiSample());
  Hammer("ICO", ReadIco, IcoSample());
}
