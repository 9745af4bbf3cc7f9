#include "core/engine/TouchUps.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "core/base/Parallel.h"
#include "core/engine/detail/KeepRows.h"

namespace velinor {

void ComposeTouch(uint8_t& target, uint8_t& amount, int paint, int w) {
  if (w <= 0) return;
  if (w >= 255) {
    target = static_cast<uint8_t>(paint);
    amount = 255;
    return;
  }
  // Level after both blends = m * (1 - a')  + c, with 255 * a' = 255 a + (255 - a) w
  // (scaled by 255) and c = (t a (255 - w) + p w 255) / 255^2: the new target is c / a'.
  const int t = target, a = amount;
  const int scaledAmount = 255 * a + (255 - a) * w;  // 255 * a'
  const int64_t numerator = int64_t{t} * a * (255 - w) + int64_t{paint} * w * 255;
  target = static_cast<uint8_t>(std::clamp<int64_t>((numerator + scaledAmount / 2) / scaledAmount, 0, 255));
  amount = static_cast<uint8_t>((scaledAmount + 127) / 255);
}

void TTouchUps::Clear() {
  width_ = height_ = 0;
  target_.clear();
  target_.shrink_to_fit();
  amount_.clear();
  amount_.shrink_to_fit();
  touched_ = TRect{};
}

void TTouchUps::Prepare(int width, int height) {
  if (width == width_ && height == height_ && !amount_.empty()) return;
  Clear();
  width_ = width;
  height_ = height;
  const size_t n = static_cast<size_t>(width) * height;
  target_.assign(n, 0);
  amount_.assign(n, 0);
}

void TTouchUps::Extend(TRect rect) { touched_ = UnionRect(touched_, rect); }

void TTouchUps::Paint(int width, int height, const TCoverage& coverage, TTouchKind kind) {
  const TRect r = IntersectRect(coverage.Rect, TRect{0, 0, width, height});
  if (r.IsEmpty() || width <= 0 || height <= 0) return;
  Prepare(width, height);
  const int paint = TouchTarget(kind);
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) {
      const size_t i = Index(x, y);
      ComposeTouch(target_[i], amount_[i], paint, coverage.At(x, y));
    }
  Extend(r);
}

void TTouchUps::PaintIncrease(int width, int height, TRect rect, const uint8_t* before,
                              const uint8_t* after, int stride, TTouchKind kind) {
  const TRect r = IntersectRect(rect, TRect{0, 0, width, height});
  if (r.IsEmpty()) return;
  Prepare(width, height);
  const int paint = TouchTarget(kind);
  for (int y = r.Top; y < r.Bottom; ++y) {
    const size_t row = static_cast<size_t>(y - rect.Top) * stride - rect.Left;
    for (int x = r.Left; x < r.Right; ++x) {
      const int b = before[row + x], a = after[row + x];
      if (a <= b) continue;
      // A blend by b then by w equals one by a when (255 - b)(255 - w) = 255 (255 - a).
      const int w = b == 0 ? a : (255 * (a - b) + (255 - b) / 2) / (255 - b);
      const size_t i = Index(x, y);
      ComposeTouch(target_[i], amount_[i], paint, w);
    }
  }
  Extend(r);
}

TBitmap TTouchUps::RegionPicture(TRect r) const {
  TBitmap picture(r.Width(), r.Height());
  picture.FillBytes(0);
  if (amount_.empty()) return picture;
  for (int y = r.Top; y < r.Bottom; ++y) {
    uint8_t* out = picture.ScanLine(y - r.Top);
    for (int x = r.Left; x < r.Right; ++x, out += 3) {
      const size_t i = Index(x, y);
      out[0] = target_[i];
      out[1] = amount_[i];
    }
  }
  return picture;
}

void TTouchUps::SetRegion(int width, int height, TPoint at, const TBitmap& picture, TRect touched) {
  if (touched.IsEmpty()) {
    Clear();
    return;
  }
  if (picture.Empty() || picture.PixelFormat() != TPixelFormat::pf24bit || at.X < 0 || at.Y < 0 ||
      at.X + picture.Width() > width || at.Y + picture.Height() > height)
    throw std::invalid_argument("touch-up region out of the picture");
  Prepare(width, height);
  for (int y = 0; y < picture.Height(); ++y) {
    const uint8_t* in = picture.ScanLine(y);
    for (int x = 0; x < picture.Width(); ++x, in += 3) {
      const size_t i = Index(at.X + x, at.Y + y);
      target_[i] = in[0];
      amount_[i] = in[1];
    }
  }
  touched_ = touched;
}

TTouchUps TTouchUps::Rotated(bool clockwise) const {
  TTouchUps turned;
  if (Empty()) return turned;
  const int w = width_, h = height_;
  turned.Prepare(h, w);
  // Clockwise the new (x, y) is the old (y, h - 1 - x); the other way (w - 1 - y, x).
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const size_t to = clockwise ? turned.Index(h - 1 - y, x) : turned.Index(y, w - 1 - x);
      turned.target_[to] = target_[Index(x, y)];
      turned.amount_[to] = amount_[Index(x, y)];
    }
  const TRect t = touched_;
  turned.touched_ = clockwise ? TRect{h - t.Bottom, t.Left, h - t.Top, t.Right}
                              : TRect{t.Top, w - t.Right, t.Bottom, w - t.Left};
  return turned;
}

TTouchUps TTouchUps::Sampled(const std::vector<int>& columns, const std::vector<int>& rows) const {
  TTouchUps sampled;
  if (Empty() || columns.empty() || rows.empty()) return sampled;
  // Only the pixels standing for touched ones can be painted; the lists grow, so
  // they form one rectangle.
  auto span = [](const std::vector<int>& v, int lo, int hi) {
    return std::pair<int, int>(static_cast<int>(std::lower_bound(v.begin(), v.end(), lo) - v.begin()),
                               static_cast<int>(std::lower_bound(v.begin(), v.end(), hi) - v.begin()));
  };
  const auto [x0, x1] = span(columns, touched_.Left, touched_.Right);
  const auto [y0, y1] = span(rows, touched_.Top, touched_.Bottom);
  if (x0 >= x1 || y0 >= y1) return sampled;
  sampled.Prepare(static_cast<int>(columns.size()), static_cast<int>(rows.size()));
  for (int j = y0; j < y1; ++j)
    for (int i = x0; i < x1; ++i) {
      const size_t from = Index(columns[i], rows[j]), to = sampled.Index(i, j);
      sampled.target_[to] = target_[from];
      sampled.amount_[to] = amount_[from];
    }
  sampled.touched_ = TRect{x0, y0, x1, y1};
  return sampled;
}

TBitmap TTouchUps::ToGreyPicture() const {
  TBitmap grey(width_, height_);
  grey.FillBytes(128);
  for (int y = touched_.Top; y < touched_.Bottom; ++y) {
    uint8_t* p = grey.ScanLine(y);
    for (int x = touched_.Left; x < touched_.Right; ++x) {
      const size_t i = Index(x, y);
      const int a = amount_[i];
      if (a == 0) continue;
      // 128 untouched, 0 and 255 fully forced; a mixed target goes to its nearer side.
      const int v = target_[i] < 128 ? 128 - (a * 128 + 127) / 255 : 128 + (a * 127 + 127) / 255;
      p[3 * x] = p[3 * x + 1] = p[3 * x + 2] = static_cast<uint8_t>(v);
    }
  }
  return grey;
}

TTouchUps TTouchUps::FromGreyPicture(const TBitmap& picture) {
  TTouchUps layer;
  const int w = picture.Width(), h = picture.Height();
  if (w <= 0 || h <= 0) return layer;
  const int bpp = BytesPerPixel(picture.PixelFormat());
  bool any = false;
  TRect touched{w, h, 0, 0};
  for (int y = 0; y < h; ++y) {
    const uint8_t* p = picture.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      int v = p[x * bpp];
      if (bpp == 1) v = v < static_cast<int>(picture.Palette.size()) ? (picture.Palette[v] >> 16) & 0xFF : 0;
      if (v == 128) continue;
      if (!any) layer.Prepare(w, h), any = true;
      const size_t i = layer.Index(x, y);
      if (v < 128) {
        layer.target_[i] = 0;
        layer.amount_[i] = static_cast<uint8_t>(((128 - v) * 255 + 64) / 128);
      } else {
        layer.target_[i] = 255;
        layer.amount_[i] = static_cast<uint8_t>(((v - 128) * 255 + 63) / 127);
      }
      touched = TRect{std::min(touched.Left, x), std::min(touched.Top, y), std::max(touched.Right, x + 1),
                      std::max(touched.Bottom, y + 1)};
    }
  }
  if (any) layer.touched_ = touched;
  return layer;
}

void TTouchUps::ApplyRow(int y, int x, int n, const uint8_t* mask24, uint8_t* levels) const {
  const bool inside = y >= 0 && y < height_ && !amount_.empty();
  for (int i = 0; i < n; ++i) {
    const int m = mask24[3 * i];
    const int px = x + i;
    if (!inside || px < 0 || px >= width_) {
      levels[i] = static_cast<uint8_t>(m);
      continue;
    }
    const size_t k = Index(px, y);
    levels[i] = static_cast<uint8_t>(TouchedLevel(m, target_[k], amount_[k]));
  }
}

TBitmap FinalMask(const TBitmap& computedMask, const TTouchUps& touchUps) {
  TBitmap mask(computedMask);
  if (touchUps.Empty() || touchUps.Width() != mask.Width() || touchUps.Height() != mask.Height() ||
      mask.PixelFormat() != TPixelFormat::pf24bit)
    return mask;
  const TRect r = touchUps.Touched();
  std::vector<uint8_t> levels(r.Width());
  for (int y = r.Top; y < r.Bottom; ++y) {
    uint8_t* row = mask.ScanLine(y) + 3 * r.Left;
    touchUps.ApplyRow(y, r.Left, r.Width(), row, levels.data());
    for (int i = 0; i < r.Width(); ++i) row[3 * i] = row[3 * i + 1] = row[3 * i + 2] = levels[i];
  }
  return mask;
}

void RecomposeTouched(TBitmap& result, const TBitmap& photo, const TBitmap& computedMask,
                      const TTouchUps& touchUps, bool sepia, TRect rect) {
  auto sameSize = [](const TBitmap& a, const TBitmap& b) {
    return a.Width() == b.Width() && a.Height() == b.Height();
  };
  if (!sameSize(result, photo) || !sameSize(result, computedMask))
    throw std::invalid_argument("RecomposeTouched: the result, the photo and the mask differ in size");
  // A see-through photo has a 32-bit result carrying its alpha; the mask is always 24-bit.
  const TPixelFormat pf = photo.PixelFormat();
  if ((pf != TPixelFormat::pf24bit && pf != TPixelFormat::pf32bit) || result.PixelFormat() != pf ||
      computedMask.PixelFormat() != TPixelFormat::pf24bit)
    throw std::invalid_argument("RecomposeTouched: 24-bit pictures (or a 32-bit photo and result) expected");
  ClipToBitmap(rect, result);
  if (rect.IsEmpty()) return;
  static const detail::TToneTable grey(false), sepiaTone(true);
  const detail::TToneTable& tone = sepia ? sepiaTone : grey;
  const int n = rect.Width();
  const size_t left = static_cast<size_t>(rect.Left) * 3;
  const bool alpha = pf == TPixelFormat::pf32bit;
  ParallelRows(rect.Top, rect.Bottom, n, [&](int first, int last) {
    std::vector<uint8_t> levels(n);
    std::vector<uint8_t> in(alpha ? 3 * static_cast<size_t>(n) : 0), out(in.size());
    for (int y = first; y < last; ++y) {
      touchUps.ApplyRow(y, rect.Left, n, computedMask.ScanLine(y) + left, levels.data());
      if (!alpha) {
        detail::ToneAndBlendSpan<1>(result.ScanLine(y) + left, photo.ScanLine(y) + left,
                                    photo.ScanLine(y) + left, levels.data(), n, tone);
        continue;
      }
      // Blend the colours as 24-bit pixels; the alpha stays the photo's.
      const uint8_t* p = photo.ScanLine(y) + 4 * static_cast<size_t>(rect.Left);
      uint8_t* r = result.ScanLine(y) + 4 * static_cast<size_t>(rect.Left);
      for (int i = 0; i < n; ++i) std::memcpy(&in[3 * i], p + 4 * i, 3);
      detail::ToneAndBlendSpan<1>(out.data(), in.data(), in.data(), levels.data(), n, tone);
      for (int i = 0; i < n; ++i) {
        std::memcpy(r + 4 * i, &out[3 * i], 3);
        r[4 * i + 3] = p[4 * i + 3];
      }
    }
  });
}

}  // namespace velinor
