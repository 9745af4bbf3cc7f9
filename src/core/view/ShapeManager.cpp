#include "core/view/ShapeManager.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>

#include "core/base/Arith.h"

namespace velinor {

namespace {

constexpr std::string_view kHeader = "Quillorvane Selection";
constexpr std::string_view kBinary = "Binary";
constexpr int kBinaryOffsetXY = 33;
constexpr int kBinaryOffsetFlags = 77;

class TSelectionReader {
 public:
  TSelectionReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  void Rewind() { pos_ = 0; }

  // One text line without its end; false at the end of the stream.
  bool ReadLine(std::string& line) {
    if (pos_ >= size_) return false;
    const size_t start = pos_;
    while (pos_ < size_ && data_[pos_] != '\r' && data_[pos_] != '\n') ++pos_;
    line.assign(reinterpret_cast<const char*>(data_ + start), pos_ - start);
    doubleEnd_ = false;
    if (pos_ < size_) {
      ++pos_;
      if (pos_ < size_ && (data_[pos_] == '\r' || data_[pos_] == '\n')) {
        ++pos_;
        doubleEnd_ = true;
      }
    }
    return true;
  }

  // Gives back the second character of the last line end, if it took one.
  bool UngetSecondEndChar() {
    if (!doubleEnd_) return false;
    --pos_;
    doubleEnd_ = false;
    return true;
  }

  bool ReadInt32(int32_t& v) {
    if (size_ - pos_ < 4) return false;
    const uint8_t* p = data_ + pos_;
    v = static_cast<int32_t>(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 |
                             uint32_t{p[3]} << 24);
    pos_ += 4;
    return true;
  }

  size_t Remaining() const { return size_ - pos_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  bool doubleEnd_ = false;
};

// The integer syntax of the platform's conversion: leading blanks, an optional
// sign, decimal digits or a hexadecimal number ("$1F", "0x1F"); nothing after it.
bool ParseInt(std::string_view s, int& out) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  int base = 10;
  if (i < s.size() && s[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= s.size()) return false;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    v = v * base + d;
    if (v > int64_t{std::numeric_limits<int>::max()} + 1) return false;
  }
  if (negative) v = -v;
  if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) return false;
  out = static_cast<int>(v);
  return true;
}

bool ReadIntLine(TSelectionReader& in, int& v) {
  std::string line;
  return in.ReadLine(line) && ParseInt(line, v);
}

int Sat(int64_t v) {
  return static_cast<int>(std::clamp<int64_t>(v, std::numeric_limits<int>::min(),
                                              std::numeric_limits<int>::max()));
}

int TruncScaled(int64_t v, double scale) {
  return Sat(Trunc(Clamp(double(v) * scale, -3e9, 3e9)));
}

}  // namespace

void TShapeManager::Clear() {
  ShapePoints.clear();
  PointFlags.clear();
  FittedPoints.clear();
  ShapeBounds = TRect{};
}

bool TShapeManager::LoadSelection(const uint8_t* data, size_t size, TMyShape& kind, TRect& rect) {
  if (Load(data, size, kind, rect)) return true;
  Clear();
  return false;
}

bool TShapeManager::Load(const uint8_t* data, size_t size, TMyShape& kind, TRect& rect) {
  TSelectionReader in(data, size);
  std::string line;
  bool binary = false;
  if (in.ReadLine(line) && line == kHeader) {
    if (!in.ReadLine(line)) return false;
    binary = line == kBinary;
  } else {
    in.Rewind();
  }

  int n = 0;
  if (binary) {
    // Binary data may well start with byte 10 or 13, which the form line's end
    // would swallow as its second character: when the count read that way
    // cannot be right, read it again from the first byte after a single CR/LF.
    const TSelectionReader atData = in;
    int32_t v;
    if (!in.ReadInt32(v) || v < 0 || in.Remaining() / 12 < static_cast<uint32_t>(v)) {
      in = atData;
      if (!in.UngetSecondEndChar() || !in.ReadInt32(v) || v < 0) return false;
    }
    n = v;
  } else {
    if (!ReadIntLine(in, n)) return false;
    if (n < 0) {
      if (n < -10) return false;
      int width, height;
      if (!ReadIntLine(in, width) || !ReadIntLine(in, height)) return false;
      Clear();
      kind = static_cast<TMyShape>(-n - 1);
      rect = TRect{0, 0, width, height};
      return true;
    }
  }
  if (n == 0) return false;

  Clear();
  // Never trust the count for allocation: a record needs 12 bytes, a text point
  // at least 3.
  if (binary) {
    if (in.Remaining() / 12 < static_cast<size_t>(n)) return false;
    ShapePoints.resize(static_cast<size_t>(n));
    PointFlags.resize(static_cast<size_t>(n));
  } else {
    ShapePoints.reserve(std::min<size_t>(static_cast<size_t>(n), in.Remaining() / 3 + 1));
  }

  int64_t minX = 0, minY = 0, maxX = 0, maxY = 0;
  for (int i = 0; i < n; ++i) {
    int64_t x, y;
    if (binary) {
      int32_t vx, vf, vy;
      if (!in.ReadInt32(vx) || !in.ReadInt32(vf) || !in.ReadInt32(vy)) return false;
      x = int64_t{vx} - kBinaryOffsetXY;
      y = int64_t{vy} - kBinaryOffsetXY;
      PointFlags[static_cast<size_t>(i)] = static_cast<uint8_t>(int64_t{vf} - kBinaryOffsetFlags);
    } else {
      if (!in.ReadLine(line)) return false;
      const size_t semi = line.find(';');
      if (semi == std::string::npos || semi == 0) return false;
      int ix, iy;
      if (!ParseInt(std::string_view(line).substr(0, semi), ix) ||
          !ParseInt(std::string_view(line).substr(semi + 1), iy))
        return false;
      x = ix;
      y = iy;
    }
    if (i == 0) {
      minX = maxX = x;
      minY = maxY = y;
    } else {
      minX = std::min(minX, x);
      maxX = std::max(maxX, x);
      minY = std::min(minY, y);
      maxY = std::max(maxY, y);
    }
    // A binary coordinate near the int limits has no place in a picture.
    if (x != Sat(x) || y != Sat(y)) return false;
    const TPoint p{static_cast<int>(x), static_cast<int>(y)};
    if (binary)
      ShapePoints[static_cast<size_t>(i)] = p;
    else
      ShapePoints.push_back(p);
  }
  // The rect returned is one larger than the extent: both must fit an int.
  if (maxX - minX >= std::numeric_limits<int>::max() || maxY - minY >= std::numeric_limits<int>::max())
    return false;
  for (TPoint& p : ShapePoints) {
    p.X = static_cast<int>(p.X - minX);
    p.Y = static_cast<int>(p.Y - minY);
  }
  ShapeBounds = TRect{0, 0, static_cast<int>(maxX - minX), static_cast<int>(maxY - minY)};
  kind = binary ? ssBitmap : ssPolygon;
  rect = TRect{0, 0, ShapeBounds.Right + 1, ShapeBounds.Bottom + 1};
  return true;
}

void TShapeManager::FitPoints(const TRect& r) {
  const int64_t w2 = int64_t{r.Right} - r.Left, h2 = int64_t{r.Bottom} - r.Top;
  const int w = ShapeBounds.Right, h = ShapeBounds.Bottom;
  // A shape without width (or height) has every point at 0 on that axis; it
  // stays there rather than being scaled by an infinite ratio.
  const double rx = w != 0 ? double(w2) / w : 0.0;
  const double ry = h != 0 ? double(h2) / h : 0.0;
  FittedPoints.resize(ShapePoints.size());
  for (size_t i = 0; i < ShapePoints.size(); ++i) {
    const TPoint& p = ShapePoints[i];
    const int64_t x = w2 != w ? Round(rx * p.X) : p.X;
    const int64_t y = h2 != h ? Round(ry * p.Y) : p.Y;
    FittedPoints[i] = TPoint{Sat(x + r.Left), Sat(y + r.Top)};
  }
}

void TShapeManager::DrawShape(TBitmapCanvas& canvas, const TRect& rect, TMyShape kind) {
  int L = rect.Left, T = rect.Top, Rt = rect.Right, B = rect.Bottom;
  if (kind == ssPolygon || kind == ssPolyline || kind == ssBitmap) {
    --Rt;
    --B;
  }
  const int xm = static_cast<int>(Div(int64_t{L} + Rt - 1, 2));
  const int ym = static_cast<int>(Div(int64_t{T} + B - 1, 2));
  switch (kind) {
    case ssRect:
      canvas.Rectangle(TRect{L, T, Rt, B});
      break;
    case ssEllipse:
      canvas.Ellipse(TRect{L, T, Rt, B});
      break;
    case ssRoundRect: {
      const int r = static_cast<int>(Div(std::min(int64_t{Rt} - L, int64_t{B} - T), 2));
      canvas.RoundRect(TRect{L, T, Rt, B}, r, r);
      break;
    }
    case ssLine:
      canvas.Line(TPoint{L, T}, TPoint{Rt, B});
      break;
    case ssLineWidth: {
      const double dx = double(Rt) - L, dy = double(T) - B;
      const double len = std::sqrt(dx * dx + dy * dy);
      const double th = std::atan2(dy, dx);
      const double c = std::cos(th), s = std::sin(th);
      auto at = [&](double u, double v) {
        return TPoint{Sat(L + Round(u * c - v * s)), Sat(T - Round(u * s + v * c))};
      };
      canvas.Polygon({at(0, 0), at(len, 0), at(len, -1), at(0, -1)});
      break;
    }
    case ssTriangle1:
      canvas.Polygon({{Rt - 1, B - 1}, {xm, T}, {L, B - 1}});
      break;
    case ssTriangle2:
      canvas.Polygon({{Rt, ym}, {L, T}, {L, B - 1}});
      break;
    case ssTriangle3:
      canvas.Polygon({{xm, B - 1}, {Rt - 1, T}, {L, T}});
      break;
    case ssTriangle4:
      canvas.Polygon({{Rt - 1, B - 1}, {Rt - 1, T}, {L, ym}});
      break;
    case ssLosange:
      canvas.Polygon({{xm, B - 1}, {Rt - 1, ym}, {static_cast<int>(Div(int64_t{L} + Rt, 2)), T}, {L, ym}});
      break;
    case ssPolygon:
      FitPoints(TRect{L, T, Rt, B});
      canvas.Polygon(FittedPoints);
      break;
    case ssPolyline:
      FitPoints(TRect{L, T, Rt, B});
      canvas.Polyline(FittedPoints);
      break;
    case ssBitmap:
      DrawRegion(canvas, L, T, Rt, B);
      break;
  }
}

void TShapeManager::DrawRegion(TBitmapCanvas& canvas, int L, int T, int Rt, int B) {
  const size_t n = std::min(ShapePoints.size(), PointFlags.size());
  if (n == 0) return;
  const double sx = (double(Rt) - L + 1) / (double(ShapeBounds.Right) + 1);
  const double sy = (double(B) - T + 1) / (double(ShapeBounds.Bottom) + 1);
  auto X = [&](int64_t x) { return Sat(int64_t{L} + TruncScaled(x, sx)); };
  auto Y = [&](int64_t y) { return Sat(int64_t{T} + TruncScaled(y, sy)); };

  if (!canvas.BrushClear) {
    for (size_t i = 0; i < n; ++i) {
      if (!(PointFlags[i] & pfLeft)) break;
      size_t e = i;
      while (e < n && !(PointFlags[e] & pfRight)) ++e;
      if (e == n) break;
      const TPoint& ps = ShapePoints[i];
      const TPoint& pe = ShapePoints[e];
      if (ps.Y != pe.Y) break;
      canvas.FillRect(TRect{X(ps.X), Y(ps.Y), X(int64_t{pe.X} + 1),
                            std::max(Y(int64_t{pe.Y} + 1), Sat(int64_t{Y(ps.Y)} + 1))});
      i = e;
    }
  }

  if (canvas.PenClear) return;
  for (size_t i = 0; i < n; ++i) {
    const int64_t px = ShapePoints[i].X, py = ShapePoints[i].Y;
    const uint8_t f = PointFlags[i];
    const int x0 = X(px), y0 = Y(py);
    const int x1 = X(px + 1) - 1, y1 = Y(py + 1) - 1;  // last pixel of the scaled cell
    if (sx <= 1 && sy <= 1) {
      canvas.SetPixel(x0, y0, canvas.PenColor);
      continue;
    }
    const bool wide = sx > 1, tall = sy > 1;
    if (f & pfLeft) wide && !tall ? canvas.SetPixel(x0, y0, canvas.PenColor) : canvas.VSpan(x0, y0, y1);
    if (f & pfRight) wide && !tall ? canvas.SetPixel(x1, y0, canvas.PenColor) : canvas.VSpan(x1, y0, y1);
    if (f & pfTop) tall && !wide ? canvas.SetPixel(x0, y0, canvas.PenColor) : canvas.HSpan(y0, x0, x1);
    if (f & pfBottom) tall && !wide ? canvas.SetPixel(x0, y1, canvas.PenColor) : canvas.HSpan(y1, x0, x1);
  }
}

}  // namespace velinor
