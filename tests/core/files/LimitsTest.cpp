// Small crafted files that claim huge pictures: beyond the program's limits
// (65535 pixels a side, a quarter of the machine's memory, at least 1 GiB, of
// pixels), or far more than their compressed data
// could fill (decompression bombs). Every reader must refuse them before it
// allocates the picture: this executable counts what operator new is asked for.
#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <string>

#include <unistd.h>

#include "TestFiles.h"
#include "core/base/Errors.h"
#include "core/files/BmpCodec.h"
#include "core/files/DecodedPicture.h"
#include "core/files/ImageDispatch.h"
#include "core/files/FileRoutes.h"
#include "core/files/FormatRegistry.h"
#include "core/files/GifCodec.h"
#include "core/files/IcoReader.h"
#include "core/files/JpegUtils.h"
#include "core/files/OvImage.h"
#include "core/files/OvsImage.h"
#include "core/files/PcxReader.h"
#include "core/files/PngUtils.h"
#include "core/files/PnmReader.h"
#include "core/files/SafeFile.h"
#include "core/files/SgiReader.h"
#include "core/files/TargaCodec.h"
#include "core/files/TiffUtils.h"
#include "core/files/HeifCodec.h"
#include "core/files/JxlCodec.h"
#include "core/files/RawImage.h"
#include "core/files/WebpCodec.h"
#include <tiffio.h>
#include <cstdlib>

namespace {
std::atomic<size_t> largestRequest{0};

void* Track(size_t n) {
  size_t seen = largestRequest.load(std::memory_order_relaxed);
  while (n > seen && !largestRequest.compare_exchange_weak(seen, n, std::memory_order_relaxed)) {
  }
  void* p = std::malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  return p;
}
}  // namespace

void* operator new(size_t n) { return Track(n); }
void* operator new[](size_t n) { return Track(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void* operator new(size_t n, const std::nothrow_t&) noexcept {
  try {
    return Track(n);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](size_t n, const std::nothrow_t& t) noexcept { return operator new(n, t); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

using namespace velinor;

namespace {

using Bytes = std::vector<uint8_t>;

void Le16(Bytes& b, uint32_t v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}
void Le32(Bytes& b, uint32_t v) {
  Le16(b, v & 0xFFFF);
  Le16(b, v >> 16);
}
void Be16(Bytes& b, uint32_t v) {
  b.push_back((v >> 8) & 0xFF);
  b.push_back(v & 0xFF);
}
void Be32(Bytes& b, uint32_t v) {
  Be16(b, v >> 16);
  Be16(b, v & 0xFFFF);
}
void Text(Bytes& b, const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }

Bytes Zlib(size_t zeros) {
  Bytes raw(zeros, 0);
  uLongf n = compressBound(zeros);
  Bytes out(n);
  compress2(out.data(), &n, raw.data(), zeros, 9);
  out.resize(n);
  return out;
}

// The reader must refuse the bytes with one of the program's errors (with
// forSize false, not for the picture's size), without having asked for
// anything like the picture's memory.
void ExpectRefused(const char* what, const std::function<void()>& read, bool forSize = true) {
  SCOPED_TRACE(what);
  largestRequest = 0;
  try {
    read();
    ADD_FAILURE() << "read without complaint";
  } catch (const EPictureTooLarge& e) {
    if (!forSize) ADD_FAILURE() << "refused for its size: " << e.what();
  } catch (const EVelinorError&) {
  } catch (const std::exception& e) {
    ADD_FAILURE() << "foreign exception: " << e.what();
  }
  EXPECT_LT(largestRequest.load(), size_t{32} << 20);
}

// ---- BMP --------------------------------------------------------------------------

Bytes Bmp(int32_t w, int32_t h, int bits, uint32_t compression, const Bytes& data) {
  const uint32_t palette = bits <= 8 ? 4u << bits : 0;
  Bytes b;
  Text(b, "BM");
  Le32(b, 54 + palette + static_cast<uint32_t>(data.size()));
  Le32(b, 0);
  Le32(b, 54 + palette);
  Le32(b, 40);
  Le32(b, static_cast<uint32_t>(w));
  Le32(b, static_cast<uint32_t>(h));
  Le16(b, 1);
  Le16(b, bits);
  Le32(b, compression);
  for (int i = 0; i < 5; ++i) Le32(b, 0);
  b.resize(b.size() + palette, 0x40);
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

TEST(Limits, Bmp) {
  const Bytes rows(64, 0);
  ExpectRefused("too wide", [&] { ReadBmp(Bmp(70000, 1, 24, 0, rows).data(), Bmp(70000, 1, 24, 0, rows).size()); });
  const Bytes huge = Bmp(20000, 20000, 32, 0, rows);
  ExpectRefused("over 1 GiB", [&] { ReadBmp(huge.data(), huge.size()); });
  const Bytes truncated = Bmp(16000, 16000, 24, 0, rows);
  ExpectRefused("data short of the size", [&] { ReadBmp(truncated.data(), truncated.size()); });
  // Run-length data that ends the picture at once, or skips it with deltas.
  const Bytes endNow = Bmp(16000, 16000, 8, 1, Bytes{10, 7, 0, 1});
  ExpectRefused("RLE8 end of bitmap", [&] { ReadBmp(endNow.data(), endNow.size()); });
  Bytes deltas;
  for (int i = 0; i < 70; ++i) deltas.insert(deltas.end(), {0, 2, 255, 255});
  const Bytes skip = Bmp(16000, 16000, 4, 2, deltas);
  ExpectRefused("RLE4 deltas", [&] { ReadBmp(skip.data(), skip.size()); });
}

// ---- PNG --------------------------------------------------------------------------

void Chunk(Bytes& b, const char* type, const Bytes& body) {
  Be32(b, static_cast<uint32_t>(body.size()));
  const size_t start = b.size();
  Text(b, type);
  b.insert(b.end(), body.begin(), body.end());
  Be32(b, static_cast<uint32_t>(crc32(0, b.data() + start, static_cast<uInt>(b.size() - start))));
}

Bytes Png(uint32_t w, uint32_t h, size_t zeros) {
  Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes ihdr;
  Be32(ihdr, w);
  Be32(ihdr, h);
  ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
  Chunk(b, "IHDR", ihdr);
  Chunk(b, "IDAT", Zlib(zeros));
  Chunk(b, "IEND", {});
  return b;
}

TEST(Limits, Png) {
  const Bytes wide = Png(70000, 1, 1000);
  ExpectRefused("too wide", [&] { ReadPng(wide.data(), wide.size()); });
  const Bytes huge = Png(20000, 20000, 1000);
  ExpectRefused("over 1 GiB", [&] { ReadPng(huge.data(), huge.size()); });
  const Bytes bomb = Png(16000, 16000, 64000);  // a 1 GiB picture from a few hundred bytes
  ExpectRefused("zlib bomb", [&] { ReadPng(bomb.data(), bomb.size()); });
  // A text chunk claiming 1.9 GB in a tiny file (found by fuzzing: the decoder
  // allocated the whole chunk before finding its data missing).
  Bytes text = Png(12, 8, 100);
  text.resize(text.size() - 12);  // IEND goes
  Be32(text, 0x74455825);
  Text(text, "tEXtdaME");
  ExpectRefused("huge text chunk", [&] { ReadPng(text.data(), text.size()); });
}

// ---- GIF --------------------------------------------------------------------------

Bytes Gif(int w, int h) {
  Bytes b;
  Text(b, "GIF89a");
  Le16(b, w);
  Le16(b, h);
  b.insert(b.end(), {0x80, 0, 0, 0, 0, 0, 255, 255, 255});
  b.push_back(0x2C);
  Le16(b, 0);
  Le16(b, 0);
  Le16(b, w);
  Le16(b, h);
  b.push_back(0);
  b.insert(b.end(), {2, 2, 0x4C, 0x01, 0, 0x3B});
  return b;
}

TEST(Limits, Gif) {
  const Bytes huge = Gif(65535, 65535);
  ExpectRefused("over 1 GiB", [&] { ReadGif(huge.data(), huge.size()); });
  // Under the limit as one byte per pixel, over it as the 24-bit picture.
  const Bytes wide = Gif(30000, 20000);
  ExpectRefused("over 1 GiB in 24 bits", [&] { ReadGif(wide.data(), wide.size()); });
  const Bytes bomb = Gif(16000, 16000);
  ExpectRefused("LZW bomb", [&] { ReadGif(bomb.data(), bomb.size()); });
}

// ---- TIFF -------------------------------------------------------------------------

Bytes Tiff(uint32_t w, uint32_t h, uint16_t compression, uint16_t bits, size_t stripBytes) {
  Bytes b;
  Text(b, "II");
  Le16(b, 42);
  Le32(b, 8);
  struct Entry {
    uint16_t tag, type;
    uint32_t value;
  };
  const uint32_t dataAt = 8 + 2 + 9 * 12 + 4;
  const Entry entries[] = {{256, 4, w},      {257, 4, h},    {258, 3, bits}, {259, 3, compression},
                           {262, 3, 0},      {273, 4, dataAt}, {277, 3, 1},  {278, 4, h},
                           {279, 4, static_cast<uint32_t>(stripBytes)}};
  Le16(b, 9);
  for (const Entry& e : entries) {
    Le16(b, e.tag);
    Le16(b, e.type);
    Le32(b, 1);
    if (e.type == 3) {
      Le16(b, e.value);
      Le16(b, 0);
    } else {
      Le32(b, e.value);
    }
  }
  Le32(b, 0);
  b.resize(b.size() + stripBytes, 0);
  return b;
}

TEST(Limits, Tiff) {
  const Bytes wide = Tiff(70000, 10, 1, 8, 700000);
  ExpectRefused("too wide", [&] { ReadTiff(wide.data(), wide.size()); });
  const Bytes huge = Tiff(20000, 20000, 5, 8, 100);
  ExpectRefused("over 1 GiB", [&] { ReadTiff(huge.data(), huge.size()); });
  const Bytes lzw = Tiff(16000, 16000, 5, 8, 100);
  ExpectRefused("LZW bomb", [&] { ReadTiff(lzw.data(), lzw.size()); });
  const Bytes fax = Tiff(16000, 16000, 4, 1, 100);
  ExpectRefused("fax bomb", [&] { ReadTiff(fax.data(), fax.size()); });
}

// ---- JPEG -------------------------------------------------------------------------

Bytes JpegSized(int w, int h) {
  Bytes b = ReadFileBytes(std::string(VELINOR_FUZZ_CORPUS) + "/jpeg/baseline.jpg");
  for (size_t i = 2; i + 9 < b.size(); ++i)
    if (b[i] == 0xFF && b[i + 1] == 0xC0) {
      b[i + 5] = static_cast<uint8_t>(h >> 8);
      b[i + 6] = static_cast<uint8_t>(h);
      b[i + 7] = static_cast<uint8_t>(w >> 8);
      b[i + 8] = static_cast<uint8_t>(w);
      return b;
    }
  ADD_FAILURE() << "no frame header in the sample";
  return b;
}

TEST(Limits, Jpeg) {
  const Bytes huge = JpegSized(65000, 65000);
  ExpectRefused("over 1 GiB", [&] { DecodeJpeg(huge.data(), huge.size()); });
  const Bytes bomb = JpegSized(16000, 16000);
  ExpectRefused("a 768 MB picture from 1 kB", [&] { DecodeJpeg(bomb.data(), bomb.size()); });
  ExpectRefused("the same in preview", [&] { DecodeJpeg(bomb.data(), bomb.size(), jsEighth); });
}

// ---- Targa, PCX, SGI, PNM, ICO --------------------------------------------------------

Bytes Tga(int w, int h, bool rle, size_t dataBytes) {
  Bytes b = {0, 0, static_cast<uint8_t>(rle ? 10 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Le16(b, w);
  Le16(b, h);
  b.push_back(32);
  b.push_back(0x28);
  b.resize(b.size() + dataBytes, 0xFF);
  return b;
}

TEST(Limits, Targa) {
  const Bytes huge = Tga(65535, 65535, false, 100);
  ExpectRefused("over 1 GiB", [&] { ReadTga(huge.data(), huge.size()); });
  const Bytes bomb = Tga(16000, 16000, true, 100);
  ExpectRefused("RLE bomb", [&] { ReadTga(bomb.data(), bomb.size()); });
}

Bytes Pcx(int xmax, int ymax, int bytesPerLine, size_t dataBytes) {
  Bytes b(128, 0);
  b[0] = 0x0A;
  b[1] = 5;
  b[2] = 1;
  b[3] = 8;
  b[8] = xmax & 0xFF;
  b[9] = xmax >> 8;
  b[10] = ymax & 0xFF;
  b[11] = ymax >> 8;
  b[65] = 3;
  b[66] = bytesPerLine & 0xFF;
  b[67] = bytesPerLine >> 8;
  b.resize(b.size() + dataBytes, 0xFF);
  return b;
}

TEST(Limits, Pcx) {
  const Bytes wide = Pcx(65535, 0, 65535, 100);
  ExpectRefused("too wide", [&] { ReadPcx(wide.data(), wide.size()); });
  const Bytes bomb = Pcx(15999, 15999, 16000, 100);
  ExpectRefused("RLE bomb", [&] { ReadPcx(bomb.data(), bomb.size()); });
}

Bytes Sgi(int w, int h, int storage, size_t dataBytes) {
  Bytes b;
  Be16(b, 474);
  b.push_back(static_cast<uint8_t>(storage));
  b.push_back(1);
  Be16(b, 3);
  Be16(b, w);
  Be16(b, h);
  Be16(b, 3);
  b.resize(512, 0);
  b.resize(512 + dataBytes, 0);
  return b;
}

TEST(Limits, Sgi) {
  const Bytes huge = Sgi(65535, 65535, 0, 100);
  ExpectRefused("over 1 GiB", [&] { ReadSgi(huge.data(), huge.size()); });
  const Bytes bomb = Sgi(16000, 16000, 1, 4000);
  ExpectRefused("RLE bomb", [&] { ReadSgi(bomb.data(), bomb.size()); });
}

TEST(Limits, Pnm) {
  const std::string wide = "P6\n70000 1\n255\n" + std::string(210000, 'x');
  ExpectRefused("too wide", [&] { ReadPnm(reinterpret_cast<const uint8_t*>(wide.data()), wide.size()); });
  const std::string big = "P6\n16000 16000\n255\n0123456789";
  ExpectRefused("data short of the size", [&] { ReadPnm(reinterpret_cast<const uint8_t*>(big.data()), big.size()); });
  const std::string plain = "P1\n16000 16000\n0 1 0 1";
  ExpectRefused("plain data short", [&] { ReadPnm(reinterpret_cast<const uint8_t*>(plain.data()), plain.size()); });
}

Bytes Ico(int32_t w, int32_t doubleHeight) {
  Bytes b;
  Le16(b, 0);
  Le16(b, 1);
  Le16(b, 1);
  b.insert(b.end(), {0, 0, 0, 0});
  Le16(b, 1);
  Le16(b, 32);
  Le32(b, 40 + 1000);
  Le32(b, 22);
  Le32(b, 40);
  Le32(b, static_cast<uint32_t>(w));
  Le32(b, static_cast<uint32_t>(doubleHeight));
  Le16(b, 1);
  Le16(b, 32);
  for (int i = 0; i < 6; ++i) Le32(b, 0);
  b.resize(b.size() + 1000, 0);
  return b;
}

TEST(Limits, Ico) {
  const Bytes wide = Ico(70000, 2);
  ExpectRefused("too wide", [&] { ReadIco(wide.data(), wide.size()); });
  const Bytes big = Ico(16000, 32000);
  ExpectRefused("data short of the size", [&] { ReadIco(big.data(), big.size()); });
}

// ---- the layered file, selections, RAW ------------------------------------------------

// A layered file up to its thumbnail body; `full` adds one layer record whose
// image body is the same.
Bytes Ovi(int32_t w, int32_t h, const Bytes& zlib, bool full) {
  Bytes b;
  Text(b, "Quillorvane Image");
  b.push_back(3);
  Le32(b, static_cast<uint32_t>(w));
  Le32(b, static_cast<uint32_t>(h));
  Le32(b, 72000);
  Le32(b, 72000);
  b.resize(b.size() + 256, 0);
  Le32(b, static_cast<uint32_t>(-1));
  const auto body = [&](Bytes& out) {
    Le32(out, static_cast<uint32_t>(w));
    Le32(out, static_cast<uint32_t>(h));
    Le32(out, static_cast<uint32_t>(4 + zlib.size()));
    out.insert(out.end(), zlib.begin(), zlib.end());
  };
  Bytes thumb;
  Text(thumb, "Thumbnail");
  Le32(thumb, full ? 0 : 1);
  if (full) {
    Le32(thumb, 1);
    Le32(thumb, 1);
    thumb.insert(thumb.end(), {0, 0, 0});
  } else {
    body(thumb);
  }
  Le32(b, static_cast<uint32_t>(4 + thumb.size()));
  b.insert(b.end(), thumb.begin(), thumb.end());
  if (!full) return b;
  Le32(b, 1);
  Le32(b, 2);
  Text(b, "#0");
  b.insert(b.end(), {1, 0});
  for (int i = 0; i < 4; ++i) Le32(b, 0);
  b.push_back(0);
  Le32(b, 0xFFFFFF);
  for (int i = 0; i < 3; ++i) Le32(b, 0);
  b.insert(b.end(), {100, 1, 1});
  body(b);
  b.push_back(0);
  Le32(b, 0);
  b.insert(b.end(), {0, 0});
  b.resize(b.size() + 24 + 32 + 1, 0);
  return b;
}

TEST(Limits, LayeredFileInBothModes) {
  for (const bool preview : {true, false}) {
    SCOPED_TRACE(preview ? "thumbnail" : "flat picture");
    const auto read = [preview](const Bytes& b) {
      TMyImageLayeredReg reader;
      reader.PreviewOnly = preview;
      reader.LoadFromMemory(b.data(), b.size());
    };
    const Bytes wide = Ovi(70000, 1, Zlib(210000), !preview);
    ExpectRefused("too wide", [&] { read(wide); });
    const Bytes huge = Ovi(20000, 20000, Zlib(1000), !preview);
    ExpectRefused("over 1 GiB", [&] { read(huge); });
    const Bytes bomb = Ovi(16000, 16000, Zlib(100000), !preview);
    ExpectRefused("zlib bomb", [&] { read(bomb); });
  }
}

TEST(Limits, Selection) {
  const std::string far = "2\n0;0\n70000;70000\n";
  ExpectRefused("too large", [&] { ReadOvs(reinterpret_cast<const uint8_t*>(far.data()), far.size()); });
}

TEST(Limits, RawRouteReadsNothing) {
  StartImageFiles();
  test::TempDir dir;
  WriteFileAtomically(dir / "photo.nef", Bytes(4096, 0xFF));
  ExpectRefused("camera raw", [&] { ReadImageFile(dir / "photo.nef"); });
}

// ---- HEIF, WebP, JPEG XL, camera raw -------------------------------------------------

// A real HEIC from heif-enc whose item size boxes ("ispe") are made to claim
// w x h (64 x 64 pixels: one coded picture, no cropping).
Bytes HeicClaiming(uint32_t w, uint32_t h) {
  test::TempDir dir;
  if (std::system(("convert -size 64x64 xc:orange " + (dir / "a.png") + " && heif-enc -q 50 -o " +
                   (dir / "a.heic") + " " + (dir / "a.png") + " >/dev/null 2>&1")
                      .c_str()) != 0)
    return {};
  Bytes b = ReadFileBytes(dir / "a.heic");
  bool patched = false;
  for (size_t i = 0; i + 16 <= b.size(); ++i)
    if (std::memcmp(&b[i], "ispe", 4) == 0) {
      Bytes size;
      Be32(size, w);
      Be32(size, h);
      std::copy(size.begin(), size.end(), b.begin() + static_cast<std::ptrdiff_t>(i + 8));
      patched = true;
    }
  return patched ? b : Bytes{};
}

TEST(Limits, Heif) {
  // The pixel limit follows the machine's memory: the largest sides claim more
  // than it on any machine of less than 48 GiB.
  const Bytes huge = HeicClaiming(65535, 65535), wide = HeicClaiming(70000, 16);
  if (huge.empty() || wide.empty()) GTEST_SKIP() << "heif-enc or ImageMagick missing";
  if (MaxImageBytes() < int64_t{65535} * 65535 * 3) {
    ExpectRefused("over the pixel limit", [&] { ReadHeif(huge.data(), huge.size()); });
    ExpectRefused("over the pixel limit, preview", [&] { ReadHeif(huge.data(), huge.size(), true); });
  }
  ExpectRefused("too wide", [&] { ReadHeif(wide.data(), wide.size()); });
}

TEST(Limits, HeifGridLargerThanItsDeclaredSize) {
  // 1.4 KB declaring 48 x 32 whose grid asks for a canvas of about 28000 x 28000.
  const Bytes b = ReadFileBytes(std::string(VELINOR_FUZZ_REGRESSIONS) + "/heif/grid-larger-than-declared.heic");
  ASSERT_FALSE(b.empty());
  ExpectRefused("grid canvas", [&] { ReadHeif(b.data(), b.size()); });
}

TEST(Limits, WebpAnimationCanvas) {
  // An animation header (VP8X) whose canvas is 20000 x 20000: the decoder
  // would allocate the canvas before the first frame.
  Bytes vp8x;
  vp8x.push_back(0x02);  // animation
  vp8x.insert(vp8x.end(), {0, 0, 0});
  const uint32_t w = 20000 - 1, h = 20000 - 1;
  vp8x.insert(vp8x.end(), {uint8_t(w), uint8_t(w >> 8), uint8_t(w >> 16), uint8_t(h), uint8_t(h >> 8), uint8_t(h >> 16)});
  Bytes anim = {0, 0, 0, 0, 0, 0};  // background colour, loop count
  Bytes body;
  Text(body, "WEBP");
  Text(body, "VP8X");
  Le32(body, static_cast<uint32_t>(vp8x.size()));
  body.insert(body.end(), vp8x.begin(), vp8x.end());
  Text(body, "ANIM");
  Le32(body, static_cast<uint32_t>(anim.size()));
  body.insert(body.end(), anim.begin(), anim.end());
  Bytes b;
  Text(b, "RIFF");
  Le32(b, static_cast<uint32_t>(body.size()));
  b.insert(b.end(), body.begin(), body.end());
  ExpectRefused("canvas over 1 GiB", [&] { ReadWebp(b.data(), b.size()); });
}

// A bare JPEG XL codestream whose size header claims w x h, default metadata.
Bytes JxlClaiming(uint32_t w, uint32_t h) {
  Bytes b = {0xFF, 0x0A};
  uint64_t bits = 0;
  int n = 0;
  auto put = [&](uint64_t v, int count) {
    bits |= v << n;
    n += count;
    while (n >= 8) {
      b.push_back(static_cast<uint8_t>(bits));
      bits >>= 8;
      n -= 8;
    }
  };
  put(0, 1);                   // not small
  put(3, 2), put(h - 1, 30);   // height in 30 bits
  put(0, 3);                   // no ratio: a width follows
  put(3, 2), put(w - 1, 30);   // width in 30 bits
  put(1, 1);                   // default metadata
  put(0, 8);
  b.resize(b.size() + 64, 0);
  return b;
}

TEST(Limits, Jxl) {
  const Bytes huge = JxlClaiming(20000, 20000), wide = JxlClaiming(70000, 8);
  int w = 0, h = 0;
  ASSERT_TRUE(ProbeJxl(huge.data(), huge.size(), w, h));
  EXPECT_EQ(w, 20000);
  ExpectRefused("over 1 GiB", [&] { ReadJxl(huge.data(), huge.size()); });
  ExpectRefused("too wide", [&] { ReadJxl(wide.data(), wide.size()); });
}

// ---- pictures checked at the bytes per pixel they will have --------------------------

// Sides of a picture that fits the pixel limit at 3 bytes a pixel but not at
// 4 (on this machine: 45000 x 40000 RGB is within the limit of a 24 GiB one).
bool SidesBetweenThreeAndFourBytes(uint32_t& w, uint32_t& h) {
  const int64_t pixels = MaxImageBytes() * 2 / 7;  // 3.5 bytes a pixel
  w = 60000;
  h = static_cast<uint32_t>(pixels / w);
  return h <= 65535 && int64_t{w} * 3 * h <= MaxImageBytes() && int64_t{w} * 4 * h > MaxImageBytes();
}

// The reader refuses the header, not for its size but for the missing data.
void ExpectRefusedButNotForItsSize(const char* what, const std::function<void()>& read) {
  ExpectRefused(what, read, false);
}

void ExpectTooLarge(const char* what, const std::function<void()>& read) {
  SCOPED_TRACE(what);
  EXPECT_THROW(read(), EPictureTooLarge);
}

Bytes PngOfType(uint32_t w, uint32_t h, uint8_t colorType) {
  Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes ihdr;
  Be32(ihdr, w);
  Be32(ihdr, h);
  ihdr.insert(ihdr.end(), {8, colorType, 0, 0, 0});
  Chunk(b, "IHDR", ihdr);
  Chunk(b, "IDAT", Zlib(1000));
  Chunk(b, "IEND", {});
  return b;
}

Bytes TgaOfDepth(int w, int h, int depth, size_t dataBytes) {
  Bytes b = Tga(w, h, false, dataBytes);
  b[16] = static_cast<uint8_t>(depth);
  b[17] = depth == 32 ? 0x28 : 0x20;
  return b;
}

Bytes SgiOfChannels(int w, int h, int channels) {
  Bytes b = Sgi(w, h, 0, 4000);
  b[10] = 0;
  b[11] = static_cast<uint8_t>(channels);
  return b;
}

Bytes PcxOfPlanes(int w, int h, int planes) {
  Bytes b = Pcx(w - 1, h - 1, w, 100);
  b[65] = static_cast<uint8_t>(planes);
  return b;
}

TEST(Limits, PicturesAreCheckedAtTheBytesPerPixelTheyWillHave) {
  uint32_t w = 0, h = 0;
  if (!SidesBetweenThreeAndFourBytes(w, h)) GTEST_SKIP() << "no such size on a machine of this memory";
  const int W = static_cast<int>(w), H = static_cast<int>(h);
  const Bytes rgbPng = PngOfType(w, h, 2), rgbaPng = PngOfType(w, h, 6);
  ExpectRefusedButNotForItsSize("RGB PNG", [&] { ReadPng(rgbPng.data(), rgbPng.size()); });
  ExpectTooLarge("RGBA PNG", [&] { ReadPng(rgbaPng.data(), rgbaPng.size()); });
  const Bytes bmp = Bmp(W, H, 24, 0, Bytes(64, 0)), bmp32 = Bmp(W, H, 32, 0, Bytes(64, 0));
  ExpectRefusedButNotForItsSize("24-bit BMP", [&] { ReadBmp(bmp.data(), bmp.size()); });
  ExpectRefusedButNotForItsSize("32-bit BMP without alpha mask", [&] { ReadBmp(bmp32.data(), bmp32.size()); });
  const Bytes tga = TgaOfDepth(W, H, 24, 100), tga32 = TgaOfDepth(W, H, 32, 100);
  ExpectRefusedButNotForItsSize("24-bit Targa", [&] { ReadTga(tga.data(), tga.size()); });
  ExpectTooLarge("32-bit Targa", [&] { ReadTga(tga32.data(), tga32.size()); });
  const Bytes sgi = SgiOfChannels(W, H, 3), sgi4 = SgiOfChannels(W, H, 4);
  ExpectRefusedButNotForItsSize("RGB SGI", [&] { ReadSgi(sgi.data(), sgi.size()); });
  ExpectTooLarge("RGBA SGI", [&] { ReadSgi(sgi4.data(), sgi4.size()); });
  Bytes tiff = Tiff(w, h, 5, 8, 100);  // one sample, min-is-white: the RGBA reader's 32 bits
  ExpectTooLarge("grey TIFF through the RGBA reader", [&] { ReadTiff(tiff.data(), tiff.size()); });
  // The same as 8-bit RGB: read sample by sample into 24 bits.
  for (size_t i = 10; i + 12 <= 10 + 9 * 12; i += 12) {
    if (tiff[i] == 262 % 256 && tiff[i + 1] == 262 / 256) tiff[i + 8] = 2;  // photometric RGB
    if (tiff[i] == 277 % 256 && tiff[i + 1] == 277 / 256) tiff[i + 8] = 3;  // three samples
  }
  ExpectRefusedButNotForItsSize("RGB TIFF", [&] { ReadTiff(tiff.data(), tiff.size()); });
  const Bytes pcx = PcxOfPlanes(W, H, 3), pcx4 = PcxOfPlanes(W, H, 4);
  ExpectRefusedButNotForItsSize("RGB PCX", [&] { ReadPcx(pcx.data(), pcx.size()); });
  ExpectTooLarge("RGBA PCX", [&] { ReadPcx(pcx4.data(), pcx4.size()); });

  // The message gives the limit in pixels at the bytes per pixel checked.
  test::TempDir dir;
  WriteFileAtomically(dir / "a.png", rgbaPng);
  std::exception_ptr error;
  try {
    ReadImageFile(dir / "a.png");
  } catch (...) {
    error = std::current_exception();
  }
  EXPECT_NE(LoadFailureCause(dir / "a.png", error).find(" and " + std::to_string(MaxImageBytes() / 4 / 1000000) +
                                                       " million pixels"),
            std::string::npos)
      << LoadFailureCause(dir / "a.png", error);
}

// A file is read whole up to what a picture within the limits needs; a larger
// one is too large, not damaged.
TEST(Limits, BigFilesAreReadUpToThePictureLimit) {
  // 30000 x 30000 24-bit BMP: 2.7 GB, within the picture limit of a 12 GiB machine.
  if (MaxImageBytes() >= int64_t{30000} * 30000 * 3)
    EXPECT_GE(MaxPictureFileBytes(), uint64_t{30000} * 30000 * 3 + 54);
  EXPECT_GE(MaxPictureFileBytes(), 2 * static_cast<uint64_t>(MaxImageBytes()));
  test::TempDir dir;
  const std::string huge = dir / "huge.bmp";
  WriteFileAtomically(huge, Bmp(16, 16, 24, 0, Bytes(16 * 16 * 3, 0)));
  // Made larger than any picture without writing it: a sparse file.
  if (::truncate(huge.c_str(), static_cast<off_t>(MaxPictureFileBytes() + 1)) != 0) GTEST_SKIP() << "no sparse files";
  std::exception_ptr error;
  largestRequest = 0;
  try {
    ReadImageFile(huge);
    ADD_FAILURE() << "read without complaint";
  } catch (const EOutOfLimits&) {
    error = std::current_exception();
  }
  EXPECT_LT(largestRequest.load(), size_t{32} << 20);
  EXPECT_EQ(LoadFailureCause(huge, error).rfind("The file is too large to open: ", 0), 0u) << LoadFailureCause(huge, error);
}

TEST(Limits, CameraRaw) {
  // A DNG header claiming 30000 x 30000 sensor pixels, with one row of data.
  test::TempDir dir;
  const std::string path = dir / "huge.dng";
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tif, nullptr);
  const uint8_t version[4] = {1, 4, 0, 0};
  const uint16_t dims[2] = {2, 2};
  const uint8_t pattern[4] = {0, 1, 1, 2};
  TIFFSetField(tif, TIFFTAG_SUBFILETYPE, 0);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 30000);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 30000);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, 32803);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 30000);
  TIFFSetField(tif, TIFFTAG_MAKE, "Velinor");
  TIFFSetField(tif, TIFFTAG_MODEL, "Huge");
  TIFFSetField(tif, TIFFTAG_DNGVERSION, version);
  TIFFSetField(tif, TIFFTAG_CFAREPEATPATTERNDIM, dims);
  TIFFSetField(tif, TIFFTAG_CFAPATTERN, 4, pattern);
  std::vector<uint16_t> row(30000, 1000);
  TIFFWriteScanline(tif, row.data(), 0, 0);
  TIFFClose(tif);
  ExpectRefused("over 1 GiB", [&] { DecodeRawFile(path, false); });
  ExpectRefused("over 1 GiB, preview", [&] { DecodeRawFile(path, true); });
}

}  // namespace
