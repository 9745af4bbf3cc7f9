#pragma once
// Test helpers for the layered format: images, and an independent walker over
// the bytes of a file that inflates bodies with zlib itself, so the layout is
// checked against the format's description rather than against our reader.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/base/Bitmap.h"
#include "support/PixelCompare.h"

namespace velinor::test {

inline TBitmap RandomImage(int w, int h, uint32_t seed) {
  std::mt19937 rng(seed);
  TBitmap b(w, h);
  b.FillBytes(0);
  std::uniform_int_distribution<int> d(0, 255);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w * 3; ++x) b.ScanLine(y)[x] = static_cast<uint8_t>(d(rng));
  return b;
}

inline TBitmap GreyMask(int w, int h, uint32_t seed) {
  TBitmap m = RandomImage(w, h, seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = m.ScanLine(y) + 3 * x;
      p[1] = p[2] = p[0];
    }
  return m;
}

// Little-endian walker over a byte buffer.
struct Walker {
  const std::vector<uint8_t>& bytes;
  size_t pos = 0;

  void Need(size_t n) const {
    if (pos + n > bytes.size()) throw std::runtime_error("walker: past the end");
  }
  uint8_t Byte() {
    Need(1);
    return bytes[pos++];
  }
  int32_t Int() {
    Need(4);
    uint32_t v = bytes[pos] | bytes[pos + 1] << 8 | bytes[pos + 2] << 16 | uint32_t{bytes[pos + 3]} << 24;
    pos += 4;
    return static_cast<int32_t>(v);
  }
  double Double() {
    Need(8);
    double d;
    std::memcpy(&d, bytes.data() + pos, 8);
    pos += 8;
    return d;
  }
  std::string Text(size_t n) {
    Need(n);
    std::string s(reinterpret_cast<const char*>(bytes.data() + pos), n);
    pos += n;
    return s;
  }
  // A zlib body's length field and stream; returns the inflated bytes (zlib itself).
  std::vector<uint8_t> ZlibBody(size_t expected) {
    const int32_t length = Int();
    EXPECT_GE(length, 4);
    Need(static_cast<size_t>(length) - 4);
    std::vector<uint8_t> out(expected + 16);
    uLongf outLen = static_cast<uLongf>(out.size());
    const int rc = uncompress(out.data(), &outLen, bytes.data() + pos, static_cast<uLong>(length - 4));
    EXPECT_EQ(rc, Z_OK) << "not a valid zlib stream";
    EXPECT_EQ(outLen, expected);
    out.resize(outLen);
    pos += static_cast<size_t>(length) - 4;
    return out;
  }
};

// A grey image block written in zlib mode: its size and its plane (top-down, unpadded).
struct WalkedGrey {
  int w = 0, h = 0;
  std::vector<uint8_t> plane;
};

inline WalkedGrey WalkGreyBlock(Walker& w) {
  WalkedGrey g;
  EXPECT_EQ(w.Byte(), 1) << "grey block mode";
  g.w = w.Int();
  g.h = w.Int();
  g.plane = w.ZlibBody(static_cast<size_t>(g.w) * g.h);
  return g;
}

// What the walker found in one layer record.
struct WalkedRecord {
  std::string name;
  int visible = -1, locked = -1, kind = -1, opacity = -1;
  int32_t blend = -1, reserved[3] = {-1, -1, -1}, color = 0, fill = -1, x = -1, y = -1;
  bool hasImage = false, hasMask = false, hasMask2 = false;
  int imageW = 0, imageH = 0;
  std::vector<uint8_t> imageDib;  // bottom-up padded rows
  int transparentFlag = -1;
  int32_t transparentColor = 0;
  int maskW = 0, maskH = 0;
  std::vector<uint8_t> maskPlane;  // top-down unpadded
  int32_t adjust[4] = {-1, -1, -1, -1};
  double adjustFactor = 0;
  std::vector<uint8_t> shadow;  // the 32 bytes
  int objectFlag = -1;
};

inline WalkedRecord WalkRecord(Walker& w) {
  WalkedRecord r;
  r.name = w.Text(static_cast<size_t>(w.Int()));
  r.visible = w.Byte();
  r.locked = w.Byte();
  r.blend = w.Int();
  for (auto& v : r.reserved) v = w.Int();
  r.kind = w.Byte();
  r.color = w.Int();
  r.fill = w.Int();
  r.x = w.Int();
  r.y = w.Int();
  r.opacity = w.Byte();
  r.hasImage = w.Byte() == 1;
  if (r.hasImage) {
    EXPECT_EQ(w.Byte(), 1) << "image mode";
    r.imageW = w.Int();
    r.imageH = w.Int();
    r.imageDib = w.ZlibBody(((static_cast<size_t>(r.imageW) * 3 + 3) & ~size_t{3}) * r.imageH);
    r.transparentFlag = w.Byte();
    r.transparentColor = w.Int();
  }
  r.hasMask = w.Byte() == 1;
  if (r.hasMask) {
    WalkedGrey mask = WalkGreyBlock(w);
    r.maskW = mask.w;
    r.maskH = mask.h;
    r.maskPlane = std::move(mask.plane);
  }
  r.hasMask2 = w.Byte() == 1;
  for (auto& v : r.adjust) v = w.Int();
  r.adjustFactor = w.Double();
  w.Need(32);
  r.shadow.assign(w.bytes.begin() + static_cast<long>(w.pos), w.bytes.begin() + static_cast<long>(w.pos) + 32);
  w.pos += 32;
  r.objectFlag = w.Byte();
  return r;
}

// What the walker found in the work block after the layer records.
struct WalkedWork {
  int32_t length = 0;
  std::string tag;
  int version = -1, tolerance = -1, flags = -1, touchUps = -1;
  std::vector<std::pair<int, uint32_t>> entries;  // kind, colour
  WalkedGrey computedMask;
  int32_t rect[4] = {0, 0, 0, 0};
  WalkedGrey target, amount;
};

inline WalkedWork WalkWorkBlock(Walker& w) {
  WalkedWork k;
  const size_t start = w.pos;
  k.length = w.Int();
  k.tag = w.Text(12);
  k.version = w.Byte();
  k.tolerance = w.Int();
  k.flags = w.Byte();
  const int32_t count = w.Int();
  for (int32_t i = 0; i < count && i <= 50; ++i) {
    const int kind = w.Byte();
    k.entries.emplace_back(kind, static_cast<uint32_t>(w.Int()));
  }
  k.touchUps = w.Byte();
  if (k.touchUps == 1) {
    k.computedMask = WalkGreyBlock(w);
    for (int32_t& v : k.rect) v = w.Int();
    k.target = WalkGreyBlock(w);
    k.amount = WalkGreyBlock(w);
  }
  EXPECT_EQ(w.pos - start, static_cast<size_t>(k.length)) << "the block length counts the whole block";
  return k;
}

// The pixels of a bitmap as the bottom-up padded DIB array the format stores.
inline std::vector<uint8_t> DibOf(const TBitmap& b) {
  const size_t stride = (static_cast<size_t>(b.Width()) * 3 + 3) & ~size_t{3};
  std::vector<uint8_t> dib(stride * b.Height(), 0);
  for (int y = 0; y < b.Height(); ++y)
    std::memcpy(dib.data() + (b.Height() - 1 - y) * stride, b.ScanLine(y), static_cast<size_t>(b.Width()) * 3);
  return dib;
}

}  // namespace velinor::test
