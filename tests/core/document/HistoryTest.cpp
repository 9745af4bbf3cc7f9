// The history on its own: one step as the window uses it, and deeper stacks.
#include "core/document/History.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <random>

#include "support/PixelCompare.h"

namespace velinor {
namespace {

// A 1 x 1 picture whose one pixel says which picture it is.
TBitmap Tagged(int tag) {
  TBitmap b(1, 1);
  b.SetPixel(0, 0, static_cast<TColor>(tag));
  return b;
}

int TagOf(const TBitmap& b) { return b.Empty() ? -1 : static_cast<int>(b.Pixel(0, 0)); }

// A photo-like picture: smooth gradients with noise, or pure noise.
TBitmap Photo(int w, int h, uint32_t seed, TPixelFormat pf = TPixelFormat::pf24bit, bool noise = false) {
  std::mt19937 rng(seed);
  TBitmap b(w, h, pf);
  const int n = w * BytesPerPixel(pf);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < n; ++x)
      b.ScanLine(y)[x] = static_cast<uint8_t>(noise ? rng() : (x / 3 + y * 2 + static_cast<int>(rng() % 4)));
  if (pf == TPixelFormat::pf8bit) b.Palette = {0x000000, 0xFFFFFF, 0x123456};
  return b;
}

using test::SamePixels;
// The history keeps a picture's palette and transparency too.
constexpr auto AndPalette = test::TAlsoCompare::PaletteAndTransparency;

TEST(History, OneStepAlternatesBetweenUndoAndRedo) {
  THistory h;
  EXPECT_EQ(h.Depth(), 1u);
  EXPECT_FALSE(h.CanUndo());
  EXPECT_FALSE(h.CanRedo());
  EXPECT_TRUE(h.OtherSide().Empty());
  EXPECT_EQ(h.UndoLabel(), "");

  TBitmap current = Tagged(2);
  THistoryFlags flags{true, true};
  h.Record("Execute", Tagged(1));
  EXPECT_TRUE(h.CanUndo());
  EXPECT_FALSE(h.CanRedo());
  EXPECT_EQ(h.UndoLabel(), "Execute");
  EXPECT_EQ(TagOf(h.OtherSide()), 1);

  h.Undo(current, flags);
  EXPECT_EQ(TagOf(current), 1);
  EXPECT_EQ(TagOf(h.OtherSide()), 2);
  EXPECT_FALSE(flags.Processed);
  EXPECT_TRUE(flags.Saved);  // undo leaves it
  EXPECT_FALSE(h.CanUndo());
  EXPECT_TRUE(h.CanRedo());
  EXPECT_EQ(h.RedoLabel(), "Execute");
  EXPECT_TRUE(h.RedoFlags().Processed);
  EXPECT_TRUE(h.RedoFlags().Saved);

  flags.Saved = false;
  h.Redo(current, flags);
  EXPECT_EQ(TagOf(current), 2);
  EXPECT_TRUE(flags.Processed);
  EXPECT_TRUE(flags.Saved);  // given back as it was when undone
  EXPECT_TRUE(h.CanUndo());
  EXPECT_FALSE(h.CanRedo());
  EXPECT_FALSE(h.RedoFlags().Processed);

  // Nothing to redo: nothing moves.
  h.Redo(current, flags);
  EXPECT_EQ(TagOf(current), 2);

  // A new step replaces the old one and drops what Redo could give back.
  h.Undo(current, flags);
  h.Record("Image size", Tagged(3));
  EXPECT_FALSE(h.CanRedo());
  EXPECT_EQ(h.UndoLabel(), "Image size");
  EXPECT_EQ(TagOf(h.OtherSide()), 3);
  h.Clear();
  EXPECT_FALSE(h.CanUndo());
  EXPECT_TRUE(h.OtherSide().Empty());
}

TEST(History, DeeperStacksGoBackStepByStepAndDropTheOldest) {
  THistory h(3);
  TBitmap current = Tagged(0);
  THistoryFlags flags;
  const char* labels[] = {"Execute", "Image size", "Brush stroke", "Execute"};
  for (int i = 0; i < 4; ++i) {
    h.Record(labels[i], current);
    current = Tagged(i + 1);
  }
  EXPECT_EQ(h.ByteSize(), 3 * TBitmap(1, 1).ByteSize());
  // Three steps kept: 3 -> 2 -> 1; the picture 0 was dropped.
  std::vector<std::string> undone;
  while (h.CanUndo()) {
    undone.push_back(h.UndoLabel());
    h.Undo(current, flags);
  }
  EXPECT_EQ(undone, (std::vector<std::string>{"Execute", "Brush stroke", "Image size"}));
  EXPECT_EQ(TagOf(current), 1);
  h.Redo(current, flags);
  h.Redo(current, flags);
  EXPECT_EQ(TagOf(current), 3);
  EXPECT_EQ(h.RedoLabel(), "Execute");
  // A step recorded in the middle drops the rest of the redo side.
  h.Record("Brush stroke", current);
  EXPECT_FALSE(h.CanRedo());
  EXPECT_EQ(h.UndoLabel(), "Brush stroke");
  EXPECT_EQ(THistory(0).Depth(), 1u);
}

// A history that packs later walks the same pictures back and forth whether or
// not its pictures were packed in between, and counts unpacked ones in full.
TEST(History, PackingLaterGivesTheSamePicturesBack) {
  THistory h(10, 5 * TBitmap(64, 48).ByteSize());
  h.SetPackLater(true);
  std::vector<TBitmap> pictures;
  for (uint32_t i = 0; i < 4; ++i) pictures.push_back(Photo(64, 48, i, i == 2 ? TPixelFormat::pf32bit : TPixelFormat::pf24bit));
  TBitmap current = pictures[0];
  THistoryFlags flags;
  for (int i = 1; i < 4; ++i) {
    h.Record("Execute", current);
    current = pictures[i];
  }
  EXPECT_EQ(h.ByteSize(), pictures[0].ByteSize() + pictures[1].ByteSize() + pictures[2].ByteSize());
  EXPECT_TRUE(SamePixels(h.OtherSide(), pictures[2], AndPalette));
  for (int round = 0; round < 2; ++round) {
    for (int i = 2; i >= 0; --i) {
      h.Undo(current, flags);
      ASSERT_TRUE(SamePixels(current, pictures[i], AndPalette)) << round << " " << i;
      if (i == 1) h.PackPending();  // packed half-way through the walk
    }
    for (int i = 1; i < 4; ++i) {
      h.Redo(current, flags);
      ASSERT_TRUE(SamePixels(current, pictures[i], AndPalette)) << round << " " << i;
    }
  }
  EXPECT_TRUE(h.PackPending());  // the pictures the last walk exchanged
  EXPECT_FALSE(h.PackPending());  // nothing left
  // Over the budget unpacked, the oldest steps go as they do packed.
  for (int i = 0; i < 6; ++i) h.Record("Image size", current);
  EXPECT_LE(h.ByteSize(), h.Budget());
  EXPECT_GT(h.UndoCount(), 0u);
}

// Packing gives back every format, size and rectangle exactly, and a grey
// picture packs small.
TEST(History, PackedPicturesComeBackExactly) {
  int seed = 0;
  for (TPixelFormat pf : {TPixelFormat::pf8bit, TPixelFormat::pf24bit, TPixelFormat::pf32bit})
    for (bool noise : {false, true})
      for (auto [w, h] : {std::pair{1, 1}, std::pair{3, 700}, std::pair{1100, 500}}) {
        TBitmap b = Photo(w, h, ++seed, pf, noise);
        b.Transparent = noise;
        b.TransparentColor = 0x010203;
        EXPECT_TRUE(SamePixels(TPackedPicture::Pack(b).Unpack(), b, AndPalette)) << w << "x" << h;
        const TRect r{w / 3, h / 4, w / 3 + (w + 1) / 2, h / 4 + (h + 1) / 2};
        const TPackedPicture part = TPackedPicture::Pack(b, r);
        EXPECT_EQ(part.Area(), r);
        TBitmap other = Photo(w, h, ++seed, pf, true);
        part.UnpackInto(other);
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x) {
            if (x < r.Left || x >= r.Right || y < r.Top || y >= r.Bottom) continue;
            ASSERT_EQ(other.Pixel(x, y), b.Pixel(x, y)) << x << "," << y;
          }
        if (noise) {
          EXPECT_LE(TPackedPicture::Pack(b).ByteSize(), b.ByteSize() + 64);
        }
      }
  TBitmap grey(2000, 1000);
  for (int y = 0; y < grey.Height(); ++y)
    for (int x = 0; x < grey.Width(); ++x) {
      const uint8_t v = static_cast<uint8_t>((x + y) / 12);
      grey.SetPixel(x, y, static_cast<TColor>(v | v << 8 | v << 16));
    }
  EXPECT_LT(TPackedPicture::Pack(grey).ByteSize(), grey.ByteSize() / 20);
}

// Rectangle steps exchange their rectangle only, with their layer, and keep the
// result flag; the walk back and forward passes through every state.
TEST(History, RectangleStepsAndLongWalks) {
  THistory h(50);
  TBitmap current = Photo(64, 48, 1);
  TBitmap plane(64, 48, TPixelFormat::pf8bit);
  plane.Palette = {0};
  std::memset(plane.ScanLine(0), 0, plane.ByteSize());
  THistoryFlags flags{true, false};
  std::vector<TBitmap> pictures{current}, planes{plane};
  std::mt19937 rng(5);
  for (int i = 0; i < 30; ++i) {
    if (i % 3 == 0) {  // a whole new picture
      h.Record("Image size", current);
      current = Photo(40 + i, 30 + i, 100 + i);
      plane = TBitmap(current.Width(), current.Height(), TPixelFormat::pf8bit);
      plane.Palette = {0};
      std::memset(plane.ScanLine(0), 0, plane.ByteSize());
    } else {  // a stroke, part of it outside the picture
      const int x = static_cast<int>(rng() % current.Width()), y = static_cast<int>(rng() % current.Height());
      const TRect r = IntersectRect(TRect{x - 10, y - 10, x + 10, y + 10}, TRect{0, 0, current.Width(), current.Height()});
      TBitmap before(r.Width(), r.Height()), planeBefore(r.Width(), r.Height(), TPixelFormat::pf8bit);
      for (int yy = r.Top; yy < r.Bottom; ++yy)
        for (int xx = r.Left; xx < r.Right; ++xx) {
          before.SetPixel(xx - r.Left, yy - r.Top, current.Pixel(xx, yy));
          planeBefore.ScanLine(yy - r.Top)[xx - r.Left] = plane.ScanLine(yy)[xx];
          current.SetPixel(xx, yy, static_cast<TColor>(i * 0x010101));
          plane.ScanLine(yy)[xx] = static_cast<uint8_t>(i);
        }
      h.RecordRegion("Brush stroke", r, before, &plane, planeBefore);
    }
    pictures.push_back(current);
    planes.push_back(plane);
  }
  for (int i = 30; i > 0; --i) {
    ASSERT_TRUE(h.CanUndo());
    EXPECT_EQ(h.UndoLabel(), i % 3 == 1 ? "Image size" : "Brush stroke");
    const bool wasProcessed = flags.Processed;
    h.Undo(current, flags);
    EXPECT_TRUE(SamePixels(current, pictures[i - 1], AndPalette)) << i;
    if (i % 3 != 1) {
      EXPECT_EQ(flags.Processed, wasProcessed);  // a stroke leaves the result a result
      EXPECT_TRUE(SamePixels(plane, planes[i - 1], AndPalette)) << i;
    } else {
      EXPECT_FALSE(flags.Processed);
      flags.Processed = true;  // as after the Execute this test skips
      plane = planes[i - 1];   // the layer belongs to its picture
    }
  }
  EXPECT_FALSE(h.CanUndo());
  for (int i = 1; i <= 30; ++i) {
    h.Redo(current, flags);
    EXPECT_TRUE(SamePixels(current, pictures[i], AndPalette)) << i;
    if (i % 3 == 1) plane = planes[i];
    EXPECT_TRUE(SamePixels(plane, planes[i], AndPalette)) << i;
  }
  EXPECT_FALSE(h.CanRedo());
}

// The budget bounds the bytes held; running out of memory drops old steps first
// and never the picture on screen.
TEST(History, BudgetAndRunningOutOfMemory) {
  const TBitmap noise = Photo(500, 400, 9, TPixelFormat::pf24bit, true);
  const size_t one = TPackedPicture::Pack(noise).ByteSize();
  THistory h(50, 3 * one + one / 2);
  TBitmap current = noise;
  for (int i = 0; i < 10; ++i) {
    h.Record("Execute", current);
    current = Photo(500, 400, 10 + i, TPixelFormat::pf24bit, true);
    EXPECT_LE(h.ByteSize(), h.Budget());
  }
  EXPECT_EQ(h.UndoCount(), 3u);
  // Each undo packs the picture on screen: the redo side counts too.
  THistoryFlags ignored;
  h.Undo(current, ignored);
  EXPECT_LE(h.ByteSize(), h.Budget());

  // Out of memory on the second buffer: the oldest step goes, the new one stays.
  int calls = 0;
  h.OnAllocate = [&](size_t) {
    if (++calls == 1) throw std::bad_alloc();
  };
  const size_t before = h.UndoCount() + h.RedoCount();
  const TBitmap shown = current;
  h.Record("Image size", current);
  EXPECT_TRUE(SamePixels(current, shown, AndPalette));
  EXPECT_EQ(h.UndoLabel(), "Image size");
  EXPECT_LT(h.UndoCount(), before + 1);
  // No memory at all: no history, the picture on screen as it was.
  h.OnAllocate = [](size_t) { throw std::bad_alloc(); };
  h.Record("Execute", current);
  EXPECT_FALSE(h.CanUndo());
  EXPECT_TRUE(SamePixels(current, shown, AndPalette));
  // An undo that cannot get its memory changes nothing.
  h.OnAllocate = nullptr;
  h.Record("Execute", noise);
  h.OnAllocate = [](size_t) { throw std::bad_alloc(); };
  THistoryFlags flags{true, false};
  EXPECT_THROW(h.Undo(current, flags), std::bad_alloc);
  EXPECT_TRUE(SamePixels(current, shown, AndPalette));
  EXPECT_TRUE(flags.Processed);
  h.OnAllocate = nullptr;
  h.Undo(current, flags);
  EXPECT_TRUE(SamePixels(current, noise, AndPalette));
  EXPECT_GT(DefaultHistoryBudget(), size_t{0});
  EXPECT_LE(DefaultHistoryBudget(), size_t{2} << 30);
}

}  // namespace
}  // namespace velinor
