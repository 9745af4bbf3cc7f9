// The work block after the layer records: its bytes, that the readers of the
// flat picture and of the layers see the same with it as without it, and that
// a damaged or foreign block is passed by.
#include "core/files/OviWork.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "support/OviTestSupport.h"
#include "core/document/LayeredDocument.h"
#include "core/engine/KeepColors.h"
#include "core/files/OvImage.h"

namespace velinor {
namespace {

using test::DibOf;
using test::RandomImage;
using test::SamePixels;
using test::Walker;
using test::WalkRecord;

constexpr int W = 24, H = 16;

// A photo with red and blue areas on noise: kept colours give a soft mask.
TBitmap Photo() {
  TBitmap b = RandomImage(W, H, 7);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      if ((x / 5 + y / 4) % 3 == 0) b.SetPixel(x, y, RGB(235, 12 + y % 5, 20));
      if ((x / 7 + y / 3) % 4 == 1) b.SetPixel(x, y, RGB(16, 42, 210));
    }
  return b;
}

TKeepInputs Inputs() {
  TKeepInputs in;
  in.Colors = {{"#F01010", false}, {"#1028D0", true}, {"#20C040", false}};
  in.Tolerance = 37;
  in.Progressive = false;
  in.Gradient = true;
  in.Sepia = true;
  return in;
}

// Two overlapping strokes with soft weights: mixed targets, partial amounts.
TTouchUps Strokes() {
  TTouchUps t;
  auto paint = [&](TRect r, TTouchKind kind, int seed) {
    TCoverage c{r, {}};
    for (int i = 0; i < r.Width() * r.Height(); ++i) c.Weights.push_back(static_cast<uint8_t>((i * 37 + seed) % 256));
    t.Paint(W, H, c, kind);
  };
  paint(TRect{3, 2, 12, 9}, TTouchKind::Grey, 11);
  paint(TRect{8, 5, 17, 13}, TTouchKind::Colour, 90);
  return t;
}

struct TWorkFile {
  TBitmap photo = Photo();
  TBitmap computed;
  TTouchUps touchUps = Strokes();
  TKeepInputs inputs = Inputs();

  TWorkFile() {
    TBitmap result;
    KeepColorsOfPhoto(result, computed, photo, inputs.Options());
  }
  std::vector<uint8_t> Bytes(bool withWork = true, bool painted = true) const {
    auto doc = BuildWorkDocument(photo, computed, painted ? touchUps : TTouchUps(), inputs);
    if (!withWork) doc->Work.reset();
    return SaveLayeredStream(*doc);
  }
};

// Walks the file up to the end of its last layer record.
size_t LayersEnd(const std::vector<uint8_t>& bytes, int records) {
  Walker w{bytes};
  w.pos = 17 + 1 + 16 + 256 + 4;
  w.pos += static_cast<size_t>(w.Int()) - 4;
  EXPECT_EQ(w.Int(), 2);
  for (int i = 0; i < records; ++i) WalkRecord(w);
  return w.pos;
}

TEST(OviWork, BlockByteForByte) {
  const TWorkFile f;
  const auto bytes = f.Bytes();
  Walker w{bytes};
  w.pos = LayersEnd(bytes, 3);
  const auto k = test::WalkWorkBlock(w);
  EXPECT_EQ(w.pos, bytes.size()) << "the block ends the file";
  EXPECT_EQ(k.tag, "Velinor work");
  EXPECT_EQ(k.version, 1);
  EXPECT_EQ(k.tolerance, 37);
  EXPECT_EQ(k.flags, 2 | 4) << "gradient and sepia, no progressive contour";
  const std::vector<std::pair<int, uint32_t>> entries = {{0, 0x001010F0}, {1, 0x00D02810}, {0, 0x0040C020}};
  EXPECT_EQ(k.entries, entries);
  ASSERT_EQ(k.touchUps, 1);
  EXPECT_EQ(k.computedMask.w, W);
  EXPECT_EQ(k.computedMask.h, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) ASSERT_EQ(k.computedMask.plane[y * W + x], f.computed.ScanLine(y)[3 * x]);
  const TRect r = f.touchUps.Touched();
  EXPECT_EQ(r, (TRect{3, 2, 17, 13}));
  EXPECT_EQ(k.rect[0], r.Left);
  EXPECT_EQ(k.rect[1], r.Top);
  EXPECT_EQ(k.rect[2], r.Right);
  EXPECT_EQ(k.rect[3], r.Bottom);
  ASSERT_EQ(k.target.w, r.Width());
  ASSERT_EQ(k.target.h, r.Height());
  ASSERT_EQ(k.amount.w, r.Width());
  ASSERT_EQ(k.amount.h, r.Height());
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) {
      const size_t i = static_cast<size_t>(y - r.Top) * r.Width() + (x - r.Left);
      ASSERT_EQ(k.target.plane[i], f.touchUps.Target(x, y));
      ASSERT_EQ(k.amount.plane[i], f.touchUps.Amount(x, y));
    }

  // Nothing painted: the inputs alone.
  const auto plain = f.Bytes(true, false);
  Walker p{plain};
  p.pos = LayersEnd(plain, 3);
  const auto kp = test::WalkWorkBlock(p);
  EXPECT_EQ(kp.touchUps, 0);
  EXPECT_EQ(kp.length, 4 + 12 + 1 + 4 + 1 + 4 + 3 * 5 + 1);
  EXPECT_EQ(p.pos, plain.size());

  // Inputs that are not known are not written: the file ends with the layers.
  TKeepInputs unknown = f.inputs;
  unknown.Known = false;
  const auto none = SaveLayeredStream(*BuildWorkDocument(f.photo, f.computed, f.touchUps, unknown));
  EXPECT_EQ(LayersEnd(none, 3), none.size());
}

TEST(OviWork, ReadersShowTheSameWithAndWithoutTheBlock) {
  const TWorkFile f;
  for (bool painted : {true, false}) {
    const auto with = f.Bytes(true, painted), without = f.Bytes(false, painted);
    ASSERT_GT(with.size(), without.size());
    EXPECT_TRUE(std::equal(without.begin(), without.end(), with.begin())) << "the block only follows the layers";

    for (bool previewOnly : {false, true}) {
      TMyImageLayeredReg a, b;
      a.PreviewOnly = b.PreviewOnly = previewOnly;
      a.LoadFromMemory(with.data(), with.size());
      b.LoadFromMemory(without.data(), without.size());
      EXPECT_TRUE(SamePixels(a, b));
      EXPECT_EQ(a.PixelFormat(), b.PixelFormat());
      EXPECT_EQ(a.Comment, b.Comment);
      EXPECT_EQ(a.ImageWidth, b.ImageWidth);
      EXPECT_EQ(a.ColorCount, b.ColorCount);
    }

    TMyImageLayered a, b;
    TOviMemorySource inA(with.data(), with.size()), inB(without.data(), without.size());
    ReadLayeredDocument(inA, a);
    ReadLayeredDocument(inB, b);
    ASSERT_EQ(a.Layers.Count(), 2);
    ASSERT_EQ(b.Layers.Count(), 2);
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(a.Layers.Items(i).Name, b.Layers.Items(i).Name);
      EXPECT_TRUE(SamePixels(a.Layers.Items(i).Image, b.Layers.Items(i).Image));
      EXPECT_TRUE(SamePixels(a.Layers.Items(i).Mask, b.Layers.Items(i).Mask));
    }
    EXPECT_TRUE(SamePixels(a.Bitmap, b.Bitmap));
    EXPECT_EQ(a.Comment, b.Comment);
    EXPECT_FALSE(b.Work.has_value());

    // And the block comes back as it was written.
    ASSERT_TRUE(a.Work.has_value());
    EXPECT_EQ(a.Work->Inputs, f.inputs);
    if (!painted) {
      EXPECT_TRUE(a.Work->TouchUps.Empty());
      continue;
    }
    EXPECT_TRUE(SamePixels(a.Work->ComputedMask, f.computed));
    EXPECT_EQ(a.Work->TouchUps.Touched(), f.touchUps.Touched());
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        ASSERT_EQ(a.Work->TouchUps.Target(x, y), f.touchUps.Target(x, y));
        ASSERT_EQ(a.Work->TouchUps.Amount(x, y), f.touchUps.Amount(x, y));
      }
  }
}

// A block made by hand from the layout's description, fields free to be wrong.
struct TBlock {
  std::string tag = "Velinor work";
  int version = 1;
  int32_t tolerance = 20;
  int flags = 1;
  std::optional<int32_t> count;  // none: the number of entries
  std::vector<std::pair<int, uint32_t>> entries = {{0, 0x000000FF}, {1, 0x00FF0000}};
  int touch = 1;
  int maskW = W, maskH = H;
  int32_t rect[4] = {2, 3, 6, 5};
  int planeW = 4, planeH = 2;
  int32_t lengthDelta = 0;
  std::function<void(std::vector<uint8_t>&)> corrupt;  // last change to the bytes

  static void Int(std::vector<uint8_t>& b, int32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
  }
  static void Grey(std::vector<uint8_t>& b, int w, int h, uint8_t seed) {
    std::vector<uint8_t> plane(static_cast<size_t>(w) * h);
    for (size_t i = 0; i < plane.size(); ++i) plane[i] = static_cast<uint8_t>(seed + i * 13);
    uLongf n = compressBound(static_cast<uLong>(plane.size()));
    std::vector<uint8_t> z(n);
    compress(z.data(), &n, plane.data(), static_cast<uLong>(plane.size()));
    b.push_back(1);
    Int(b, w);
    Int(b, h);
    Int(b, static_cast<int32_t>(4 + n));
    b.insert(b.end(), z.begin(), z.begin() + static_cast<long>(n));
  }
  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> b;
    b.insert(b.end(), tag.begin(), tag.end());
    b.push_back(static_cast<uint8_t>(version));
    Int(b, tolerance);
    b.push_back(static_cast<uint8_t>(flags));
    Int(b, count.value_or(static_cast<int32_t>(entries.size())));
    for (const auto& [kind, colour] : entries) {
      b.push_back(static_cast<uint8_t>(kind));
      Int(b, static_cast<int32_t>(colour));
    }
    b.push_back(static_cast<uint8_t>(touch));
    if (touch == 1) {
      Grey(b, maskW, maskH, 5);
      for (int32_t v : rect) Int(b, v);
      Grey(b, planeW, planeH, 0);
      Grey(b, planeW, planeH, 200);
    }
    std::vector<uint8_t> block;
    Int(block, static_cast<int32_t>(4 + b.size()) + lengthDelta);
    block.insert(block.end(), b.begin(), b.end());
    if (corrupt) corrupt(block);
    return block;
  }
};

// What the layer reader makes of the layers followed by the trailer: the layers
// always, the work only when the trailer is a sound block.
bool ReadsWork(const std::vector<uint8_t>& layers, const std::vector<uint8_t>& trailer, TKeepWork* work = nullptr) {
  std::vector<uint8_t> bytes = layers;
  bytes.insert(bytes.end(), trailer.begin(), trailer.end());
  TMyImageLayered doc;
  TOviMemorySource in(bytes.data(), bytes.size());
  EXPECT_NO_THROW(ReadLayeredDocument(in, doc));
  EXPECT_EQ(doc.Layers.Count(), 2);
  TMyImageLayeredReg flat;
  EXPECT_NO_THROW(flat.LoadFromMemory(bytes.data(), bytes.size()));
  if (work && doc.Work) *work = *doc.Work;
  return doc.Work.has_value();
}

TEST(OviWork, DamagedOrForeignBlocksArePassedBy) {
  const TWorkFile f;
  const auto layers = f.Bytes(false);

  // The hand-made block is sound: its fields come back.
  TKeepWork work;
  ASSERT_TRUE(ReadsWork(layers, TBlock{}.Bytes(), &work));
  EXPECT_EQ(work.Inputs.Tolerance, 20);
  EXPECT_TRUE(work.Inputs.Progressive);
  EXPECT_FALSE(work.Inputs.Gradient);
  EXPECT_FALSE(work.Inputs.Sepia);
  EXPECT_EQ(work.Inputs.Colors, (std::vector<TColorEntry>{{"#FF0000", false}, {"#0000FF", true}}));
  EXPECT_EQ(work.TouchUps.Touched(), (TRect{2, 3, 6, 5}));
  EXPECT_EQ(work.TouchUps.Target(3, 3), 13);
  EXPECT_EQ(work.TouchUps.Amount(3, 3), 213);
  EXPECT_EQ(work.TouchUps.Amount(1, 3), 0);
  EXPECT_EQ(work.ComputedMask.Pixel(1, 0), RGB(18, 18, 18));
  EXPECT_TRUE(ReadsWork(layers, [] {
    TBlock b;
    b.touch = 0;
    return b.Bytes();
  }()));

  auto refused = [&](const char* what, const std::function<void(TBlock&)>& change) {
    TBlock b;
    change(b);
    EXPECT_FALSE(ReadsWork(layers, b.Bytes())) << what;
  };
  refused("wrong tag", [](TBlock& b) { b.tag = "Velinor worX"; });
  refused("another version", [](TBlock& b) { b.version = 2; });
  refused("tolerance 0", [](TBlock& b) { b.tolerance = 0; });
  refused("tolerance 101", [](TBlock& b) { b.tolerance = 101; });
  refused("unknown option", [](TBlock& b) { b.flags = 8; });
  refused("count 51", [](TBlock& b) { b.entries.assign(51, {0, 0x00102030}); });
  refused("negative count", [](TBlock& b) { b.count = -2; });
  refused("count beyond the entries", [](TBlock& b) { b.count = 3; });
  refused("entry kind 2", [](TBlock& b) { b.entries[1].first = 2; });
  refused("a system colour", [](TBlock& b) { b.entries[0].second = 0x8000000F; });
  refused("touch-up flag 2", [](TBlock& b) { b.touch = 2; });
  refused("computed mask of another size", [](TBlock& b) { b.maskW = W - 1; });
  refused("rectangle past the right edge", [](TBlock& b) {
    b.rect[0] = W - 3;
    b.rect[2] = W + 1;
  });
  refused("rectangle past the top", [](TBlock& b) {
    b.rect[1] = -1;
    b.planeH = 6;
  });
  refused("empty rectangle", [](TBlock& b) {
    b.rect[2] = b.rect[0];
    b.planeW = 0;
  });
  refused("planes of another size", [](TBlock& b) { b.planeW = 5; });
  refused("length beyond the file", [](TBlock& b) { b.lengthDelta = 1000; });
  refused("length short of the contents", [](TBlock& b) { b.lengthDelta = -3; });
  refused("length past the contents", [](TBlock& b) {
    b.lengthDelta = 2;
    b.corrupt = [](std::vector<uint8_t>& bytes) { bytes.insert(bytes.end(), {0, 0}); };
  });
  refused("corrupt plane", [](TBlock& b) {
    b.corrupt = [](std::vector<uint8_t>& bytes) { bytes[bytes.size() - 6] ^= 0x55; };
  });
  // Whatever else may follow the layers.
  EXPECT_FALSE(ReadsWork(layers, {1, 2, 3}));
  EXPECT_FALSE(ReadsWork(layers, std::vector<uint8_t>(40, 0xFF)));
  // Every cut of a sound block.
  const auto sound = TBlock{}.Bytes();
  for (size_t n = 0; n < sound.size(); ++n)
    EXPECT_FALSE(ReadsWork(layers, std::vector<uint8_t>(sound.begin(), sound.begin() + static_cast<long>(n))))
        << "cut at " << n;
}

// The fuzzer's seed holds a sound block with strokes, so that fuzzing starts
// from inside the block's reader.
TEST(OviWork, FuzzSeedReachesTheBlock) {
  std::ifstream f(std::string(VELINOR_FUZZ_CORPUS) + "/ovi/work_block.ovi", std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(bytes.empty());
  TMyImageLayered doc;
  TOviMemorySource in(bytes.data(), bytes.size());
  ReadLayeredDocument(in, doc);
  ASSERT_TRUE(doc.Work.has_value());
  EXPECT_EQ(doc.Work->Inputs.Colors.size(), 2u);
  EXPECT_FALSE(doc.Work->TouchUps.Empty());
}

}  // namespace
}  // namespace velinor
