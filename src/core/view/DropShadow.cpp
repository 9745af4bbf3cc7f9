#include "core/view/DropShadow.h"

#include <algorithm>
#include <chrono>

#include "core/base/Arith.h"
#include "core/engine/ToneCompositing.h"

namespace velinor {

namespace {

// Emits the shadow as fills (rect, strength q in percent) in drawing order.
template <class Fill>
void EmitShadow(const TRect& r, int s, int a, bool soft, Fill&& fill) {
  const int L = r.Left, T = r.Top, R = r.Right, B = r.Bottom;
  if (!soft) {
    fill(TRect{L + s, B, R + s, B + s}, a);
    fill(TRect{R, T + s, R + s, B}, a);
    return;
  }
  const int sl = L + s, st = T + s;  // the shadow rect's top-left corner
  int rr = R, br = B;
  auto pixel = [&](int x, int y, int q) { fill(TRect{x, y, x + 1, y + 1}, q); };
  // One ring: bottom line on row br, right line on column rr, each fading in
  // over its first four pixels; the rounded corner only in the soft phase.
  auto ring = [&](int q, int cR, int cB, bool corner) {
    static constexpr int kFade[4] = {2, 4, 6, 8};
    for (int i = 0; i < 4; ++i) pixel(sl + i, br, q * kFade[i] / 10);
    if (cR > sl + 4) fill(TRect{sl + 4, br, cR, br + 1}, q);
    for (int i = 0; i < 4; ++i) pixel(rr, st + i, q * kFade[i] / 10);
    if (cB > st + 4) fill(TRect{rr, st + 4, rr + 1, cB}, q);
    if (!corner) return;
    pixel(cR, br, q * 8 / 10);
    for (int i = 1; i <= 3 && rr - cR > i - 1; ++i) pixel(cR + i, br, q * (8 - 2 * i) / 10);
    for (int i = 0; i <= 3 && br - cB > i; ++i) pixel(rr, cB + i, q * (8 - 2 * i) / 10);
  };

  int n = s;
  if (s > 4) {
    // The part of a wide shadow beyond four pixels is hard, corner included.
    for (int i = 0; i < s - 4; ++i, ++rr, ++br) ring(a, rr + 1, br, false);
    n = 4;
  }
  const int cR = rr, cB = br;
  int q = a;
  for (int i = 0; i < n; ++i, ++rr, ++br) {
    q -= a / (n + 1);
    if (q <= 0) break;
    ring(q, cR, cB, true);
  }
}

bool Drawable(const TRect& r, int size, int strength) {
  return !r.IsEmpty() && size > 0 && strength > 0 && strength <= 100;
}

// No surface is wider than this: a larger size only adds rings off every canvas
// (and would loop for ever).
constexpr int kMaxShadowSize = 1 << 16;

// SplitMix64: small, fast, and good enough for noise.
struct TNoise {
  uint64_t state;
  uint64_t Next() {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
};

}  // namespace

void TBitmapFillCanvas::FillRect(const TRect& rect, TColor color) {
  TintRect(bitmap_, color, 100, rect);
}

void DrawShadow(IFillCanvas& canvas, const TRect& rect, int size, int strength, TColor color,
                bool soft, bool fillCorners) {
  if (!Drawable(rect, size, strength)) return;
  const TColor c = ResolveSystemColor(color);
  size = std::min(size, kMaxShadowSize);
  EmitShadow(rect, size, strength, soft, [&](const TRect& r, int q) {
    if (!r.IsEmpty()) canvas.FillRect(r, MixColors(c, clBlack, q));
  });
  if (fillCorners) {
    const int L = rect.Left, T = rect.Top, R = rect.Right, B = rect.Bottom, s = size;
    canvas.FillRect(TRect{R, T, R + s, T + s}, c);
    canvas.FillRect(TRect{L, B, L + s, B + s}, c);
  }
}

void DrawBitmapShadow(TBitmap& bitmap, const TRect& rect, int size, bool soft, int strength) {
  const auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
  DrawBitmapShadow(bitmap, rect, size, soft, strength, static_cast<uint64_t>(now));
}

void DrawBitmapShadow(TBitmap& bitmap, const TRect& rect, int size, bool soft, int strength,
                      uint64_t seed) {
  if (!Drawable(rect, size, strength)) return;
  if (rect.Right >= bitmap.Width() || rect.Bottom >= bitmap.Height()) return;
  if (bitmap.PixelFormat() == TPixelFormat::pf8bit) bitmap.SetPixelFormat(TPixelFormat::pf24bit);
  const int bpp = BytesPerPixel(bitmap.PixelFormat());
  TNoise noise{seed};
  size = std::min(size, kMaxShadowSize);
  EmitShadow(rect, size, strength, soft, [&](TRect r, int q) {
    ClipToBitmap(r, bitmap);
    if (r.IsEmpty()) return;
    for (int y = r.Top; y < r.Bottom; ++y) {
      uint8_t* p = bitmap.ScanLine(y) + static_cast<size_t>(r.Left) * bpp;
      for (int x = r.Left; x < r.Right; ++x, p += bpp)
        for (int k = 0; k < 3; ++k) {
          const int n = static_cast<int>(((noise.Next() >> 32) * 7) >> 32);  // 0..6
          p[k] = static_cast<uint8_t>(ClampByte(p[k] - q * p[k] / 100 + n - 3));
        }
    }
  });
}

}  // namespace velinor
