// Selection shapes: loading both forms with every line-end variant and every
// refusal, and drawing each kind.
#include "core/view/ShapeManager.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <vector>

namespace velinor {
namespace {

constexpr TColor kPen = RGB(255, 0, 0);
constexpr TColor kBrush = RGB(0, 0, 255);
constexpr TColor kPaper = RGB(255, 255, 255);

struct TLoaded {
  bool ok = false;
  TMyShape kind = ssRect;
  TRect rect;
};

TLoaded Load(TShapeManager& m, const std::string& s) {
  TLoaded r;
  r.ok = m.LoadSelection(reinterpret_cast<const uint8_t*>(s.data()), s.size(), r.kind, r.rect);
  return r;
}

void PutInt(std::string& s, int32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF));
}

std::string Binary(const std::vector<std::array<int, 3>>& pts, const std::string& end = "\r\n") {
  std::string s = "Quillorvane Selection" + end + "Binary" + end;
  PutInt(s, static_cast<int32_t>(pts.size()));
  for (const auto& p : pts) {
    PutInt(s, p[0] + 33);
    PutInt(s, p[2] + 77);
    PutInt(s, p[1] + 33);
  }
  return s;
}

TEST(ShapeManager, PredefinedFigures) {
  TShapeManager m;
  TLoaded r = Load(m, "Quillorvane Selection\r\nText\r\n-1\r\n200\r\n100\r\n");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.kind, ssRect);
  EXPECT_EQ(r.rect, Rect(0, 0, 200, 100));
  EXPECT_TRUE(m.ShapePoints.empty());

  r = Load(m, "-2\n30\n40");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.kind, ssEllipse);
  EXPECT_EQ(r.rect, Rect(0, 0, 30, 40));
  r = Load(m, "-10\n5\n6\n");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.kind, ssLosange);
  EXPECT_FALSE(Load(m, "-11\n5\n6\n").ok);
  EXPECT_FALSE(Load(m, "-1\n\n6\n").ok);   // empty width line
  EXPECT_FALSE(Load(m, "-1\n5").ok);       // no height line
}

TEST(ShapeManager, TextPointsAreShiftedToTheOrigin) {
  TShapeManager m;
  const TLoaded r = Load(m, "3\r\n10;20\r\n30;20\r\n20;40\r\n");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.kind, ssPolygon);
  EXPECT_EQ(r.rect, Rect(0, 0, 21, 21));
  EXPECT_EQ(m.ShapeBounds, Rect(0, 0, 20, 20));
  EXPECT_EQ(m.ShapePoints, (TArrayOfPoint{{0, 0}, {20, 0}, {10, 20}}));
  EXPECT_TRUE(m.PointFlags.empty());
}

TEST(ShapeManager, EveryLineEndReadsTheSame) {
  for (const std::string end : {"\r\n", "\n", "\r", "\n\r", "\r\r", "\n\n"}) {
    TShapeManager m;
    const std::string text = "Quillorvane Selection" + end + "Text" + end + "2" + end + "-5;7" + end + "3; 9";
    const TLoaded r = Load(m, text);
    ASSERT_TRUE(r.ok) << int(end[0]) << "," << end.size();
    EXPECT_EQ(m.ShapePoints, (TArrayOfPoint{{0, 0}, {8, 2}}));
    EXPECT_EQ(r.rect, Rect(0, 0, 9, 3));
  }
  // An empty line right after a line end belongs to that line end.
  TShapeManager m;
  EXPECT_TRUE(Load(m, "2\n\n1;1\r\r2;2").ok);
  // ...but only one: two empty lines leave an empty point line.
  EXPECT_FALSE(Load(m, "2\n\n\n1;1\n2;2").ok);
}

TEST(ShapeManager, NumberSyntax) {
  TShapeManager m;
  EXPECT_TRUE(Load(m, "  2\n$10;0x10\n+1;-1").ok);
  EXPECT_EQ(m.ShapePoints, (TArrayOfPoint{{15, 17}, {0, 0}}));
  EXPECT_FALSE(Load(m, "2 \n1;1\n2;2").ok);  // trailing blank
  EXPECT_FALSE(Load(m, "1\n1x;2").ok);
  EXPECT_FALSE(Load(m, "1\n1;").ok);
  EXPECT_FALSE(Load(m, "1\n2147483648;0").ok);
  EXPECT_TRUE(Load(m, "2\n2147483647;0\n-2147483647;0").ok == false);  // too wide for a rect
  EXPECT_TRUE(Load(m, "2\n2147483646;0\n1;0").ok);
}

TEST(ShapeManager, RefusalsLeaveTheManagerCleared) {
  const std::vector<std::string> bad = {
      "",                                  // nothing at all
      "Quillorvane Selection",             // no form line
      "Quillorvane Selection\nText",       // no count
      "0\n",                               // no points
      "x\n",                               // count not a number
      "2\n1;2\n",                          // short stream
      "1\n;5\n",                           // nothing before the separator
      "1\n15\n",                           // no separator
      "1\n1;2;3\n",                        // Y is not a number
      "Quillorvane Selection\r\nBinary\r\n",             // no binary count
      "Quillorvane Selection\r\nBinary\r\n\xff\xff\xff\xff",  // negative count
  };
  for (const std::string& s : bad) {
    TShapeManager m;
    ASSERT_TRUE(Load(m, "2\n1;1\n5;9").ok);
    m.FitPoints(Rect(0, 0, 4, 8));
    EXPECT_FALSE(Load(m, s).ok) << s;
    EXPECT_TRUE(m.ShapePoints.empty());
    EXPECT_TRUE(m.FittedPoints.empty());
    EXPECT_EQ(m.ShapeBounds, TRect{});
  }
  std::string zero = Binary({});
  TShapeManager m;
  EXPECT_FALSE(Load(m, zero).ok);
  std::string shortRecord = Binary({{1, 2, 3}, {4, 5, 6}});
  shortRecord.pop_back();
  EXPECT_FALSE(Load(m, shortRecord).ok);
  std::string huge = "Quillorvane Selection\r\nBinary\r\n";
  PutInt(huge, 0x7FFFFFFF);  // far more records than bytes: refused before allocating
  EXPECT_FALSE(Load(m, huge + std::string(24, '\0')).ok);
}

TEST(ShapeManager, BinaryRecords) {
  TShapeManager m;
  const TLoaded r = Load(m, Binary({{10, 20, 1}, {0, 0, 4 + 8}}));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.kind, ssBitmap);
  EXPECT_EQ(m.ShapePoints, (TArrayOfPoint{{10, 20}, {0, 0}}));
  EXPECT_EQ(m.PointFlags, (TArrayOfByte{1, 12}));
  EXPECT_EQ(r.rect, Rect(0, 0, 11, 21));
  // The record (43, 78, 53) written by hand.
  std::string raw = "Quillorvane Selection\r\nBinary\r\n";
  PutInt(raw, 1);
  PutInt(raw, 43);
  PutInt(raw, 78);
  PutInt(raw, 53);
  ASSERT_TRUE(Load(m, raw).ok);
  EXPECT_EQ(m.PointFlags, (TArrayOfByte{1}));
}

TEST(ShapeManager, BinaryDataStartingWithALineEndByte) {
  // Ten records: the count's first byte is LF, right after a lone LF line end.
  std::vector<std::array<int, 3>> pts;
  for (int i = 0; i < 10; ++i) pts.push_back({i, 0, i == 0 ? 1 + 2 + 8 : i == 9 ? 2 + 4 + 8 : 2 + 8});
  for (const std::string end : {"\n", "\r", "\r\n", "\n\r", "\r\r", "\n\n"}) {
    TShapeManager m;
    const TLoaded r = Load(m, Binary(pts, end));
    ASSERT_TRUE(r.ok) << end.size();
    EXPECT_EQ(r.rect, Rect(0, 0, 10, 1));
  }
}

// A region drawn into a bitmap, the pixels classified by colour.
std::vector<std::string> Draw(TShapeManager& m, TMyShape kind, const TRect& r, int w, int h) {
  TBitmap b(w, h);
  b.FillBytes(255);
  TBitmapCanvas c(b);
  c.PenColor = kPen;
  c.BrushColor = kBrush;
  m.DrawShape(c, r, kind);
  std::vector<std::string> rows;
  for (int y = 0; y < h; ++y) {
    std::string row;
    for (int x = 0; x < w; ++x) {
      const TColor p = b.Pixel(x, y);
      row += p == kPen ? 'o' : p == kBrush ? '#' : p == kPaper ? '.' : '?';
    }
    rows.push_back(row);
  }
  return rows;
}

TEST(ShapeManager, OneRowRegion) {
  TShapeManager m;
  ASSERT_TRUE(Load(m, Binary({{0, 0, 1 + 2 + 8}, {1, 0, 2 + 8}, {2, 0, 2 + 8}, {3, 0, 2 + 4 + 8}})).ok);
  EXPECT_EQ(Draw(m, ssBitmap, Rect(0, 0, 4, 1), 6, 2), (std::vector<std::string>{"oooo..", "......"}));
  EXPECT_EQ(Draw(m, ssBitmap, Rect(0, 0, 8, 2), 9, 3),
            (std::vector<std::string>{"oooooooo.", "oooooooo.", "........."}));
  EXPECT_EQ(Draw(m, ssBitmap, Rect(1, 0, 13, 4), 14, 5),
            (std::vector<std::string>{".oooooooooooo.", ".o##########o.", ".o##########o.",
                                      ".oooooooooooo.", ".............."}));
}

// Random regions encoded as the editor writes them: at the natural size the
// brush covers exactly the region and the pen exactly its boundary pixels.
TEST(ShapeManager, RandomRegionsAtNaturalSize) {
  std::mt19937 rng(9);
  for (int iter = 0; iter < 50; ++iter) {
    const int w = 3 + rng() % 12, h = 3 + rng() % 10;
    std::vector<std::vector<bool>> in(h, std::vector<bool>(w));
    for (auto& row : in)
      for (size_t x = 0; x < row.size(); ++x) row[x] = rng() % 3 != 0;
    in[0][0] = true;
    in[h - 1][w - 1] = true;  // span the whole box
    auto at = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h && in[y][x]; };
    std::vector<std::array<int, 3>> pts;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        if (!at(x, y)) continue;
        const int f = (!at(x - 1, y) ? 1 : 0) | (!at(x, y - 1) ? 2 : 0) | (!at(x + 1, y) ? 4 : 0) |
                      (!at(x, y + 1) ? 8 : 0);
        if (f) pts.push_back({x, y, f});
      }
    TShapeManager m;
    const TLoaded r = Load(m, Binary(pts));
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.rect, Rect(0, 0, w, h));
    const auto rows = Draw(m, ssBitmap, Rect(2, 1, 2 + w, 1 + h), w + 4, h + 2);
    for (int y = 0; y < h + 2; ++y)
      for (int x = 0; x < w + 4; ++x) {
        const int ix = x - 2, iy = y - 1;
        const bool region = at(ix, iy);
        const bool edge = region && (!at(ix - 1, iy) || !at(ix + 1, iy) || !at(ix, iy - 1) || !at(ix, iy + 1));
        ASSERT_EQ(rows[y][x], edge ? 'o' : region ? '#' : '.') << iter << " at " << ix << "," << iy;
      }
  }
}

TEST(ShapeManager, RegionWithoutBrushOrPen) {
  TShapeManager m;
  ASSERT_TRUE(Load(m, Binary({{0, 0, 15}})).ok);
  TBitmap b(3, 3);
  b.FillBytes(255);
  TBitmapCanvas c(b);
  c.BrushClear = true;
  c.PenClear = true;
  m.DrawShape(c, Rect(0, 0, 3, 3), ssBitmap);
  EXPECT_EQ(b.Pixel(1, 1), kPaper);
  TShapeManager empty;
  empty.DrawShape(c, Rect(0, 0, 3, 3), ssBitmap);  // no points: nothing
}

TEST(ShapeManager, PolygonPointsAreFittedIntoTheRect) {
  TShapeManager m;
  ASSERT_TRUE(Load(m, "3\n10;20\n30;20\n20;40").ok);
  m.FitPoints(Rect(5, 5, 45, 25));
  EXPECT_EQ(m.FittedPoints, (TArrayOfPoint{{5, 5}, {45, 5}, {25, 25}}));
  m.FitPoints(Rect(0, 0, 20, 20));  // natural size: unchanged
  EXPECT_EQ(m.FittedPoints, (TArrayOfPoint{{0, 0}, {20, 0}, {10, 20}}));
  m.FitPoints(Rect(0, 0, 5, 5));  // 10 x 0.25 = 2.5 rounds to even
  EXPECT_EQ(m.FittedPoints, (TArrayOfPoint{{0, 0}, {5, 0}, {2, 5}}));

  ASSERT_TRUE(Load(m, "2\n4;0\n4;9").ok);  // no width
  m.FitPoints(Rect(10, 0, 20, 18));
  EXPECT_EQ(m.FittedPoints, (TArrayOfPoint{{10, 0}, {10, 18}}));
}

TEST(ShapeManager, PolygonAndPolylineDrawing) {
  TShapeManager m;
  ASSERT_TRUE(Load(m, "3\n0;0\n4;0\n4;4").ok);
  const auto poly = Draw(m, ssPolygon, Rect(0, 0, 5, 5), 6, 6);
  EXPECT_EQ(poly, (std::vector<std::string>{"ooooo.", ".o##o.", "..o#o.", "...oo.", "....o.", "......"}));
  const auto line = Draw(m, ssPolyline, Rect(0, 0, 5, 5), 6, 6);
  EXPECT_EQ(line, (std::vector<std::string>{"ooooo.", "....o.", "....o.", "....o.", "......", "......"}));
}

TEST(ShapeManager, PredefinedKindsStayInTheirRect) {
  TShapeManager m;
  for (TMyShape k : {ssRect, ssEllipse, ssRoundRect, ssLine, ssTriangle1, ssTriangle3, ssTriangle4, ssLosange}) {
    const auto rows = Draw(m, k, Rect(2, 3, 14, 11), 17, 14);
    for (int y = 0; y < 14; ++y)
      for (int x = 0; x < 17; ++x)
        if (x < 2 || x >= 14 || y < 3 || y >= 11) {
          ASSERT_EQ(rows[y][x], '.') << k << " " << x << "," << y;
        }
  }
  const auto rect = Draw(m, ssRect, Rect(2, 3, 14, 11), 17, 14);
  EXPECT_EQ(rect[3], ".." + std::string(12, 'o') + "...");
  EXPECT_EQ(rect[5], "..o" + std::string(10, '#') + "o...");
  // The right-pointing triangle's tip lies on the rect's right edge itself.
  const auto tri2 = Draw(m, ssTriangle2, Rect(2, 3, 14, 11), 17, 14);
  EXPECT_EQ(tri2[6][14], 'o');  // ym = (3 + 11 - 1) div 2 = 6
  const auto tri1 = Draw(m, ssTriangle1, Rect(2, 3, 14, 11), 17, 14);
  EXPECT_EQ(tri1[3][7], 'o');   // apex at xm = (2 + 14 - 1) div 2 = 7
  EXPECT_EQ(tri1[10][2], 'o');
  EXPECT_EQ(tri1[10][13], 'o');
  const auto line = Draw(m, ssLine, Rect(0, 0, 6, 3), 8, 5);
  EXPECT_EQ(line[0][0], 'o');
  EXPECT_EQ(line[3][6], '.');  // the end point is not drawn
}

TEST(ShapeManager, WidthOneLineIsATwoPixelBand) {
  TShapeManager m;
  const auto rows = Draw(m, ssLineWidth, Rect(1, 2, 7, 2), 9, 5);
  EXPECT_EQ(rows[2], ".ooooooo.");
  EXPECT_EQ(rows[3], ".ooooooo.");
  EXPECT_EQ(rows[1], ".........");
  EXPECT_EQ(rows[4], ".........");
}

}  // namespace
}  // namespace velinor
