#pragma once
// The small raster library under the colour-keep engine: pixel <-> colour, the
// grey level, tone tables, tints and fills. Every operation takes any rect (it is
// normalised and clipped to the bitmap first) and does nothing on an empty one.
#include <cstdint>

#include "core/base/Bitmap.h"
#include "core/base/Color.h"
#include "core/base/Geometry.h"

namespace velinor {

// One 24-bit pixel in memory order.
struct TPixel {
  uint8_t B = 0;
  uint8_t G = 0;
  uint8_t R = 0;
  friend bool operator==(const TPixel&, const TPixel&) = default;
};

// R + G*256 + B*65536.
constexpr TColor PixelToColor(TPixel p) { return RGB(p.R, p.G, p.B); }
inline TColor PixelToColor(const uint8_t* bgr) { return RGB(bgr[2], bgr[1], bgr[0]); }

// Resolves system colours first.
inline TPixel ColorToPixel(TColor c) {
  c = ResolveSystemColor(c);
  return TPixel{GetBValue(c), GetGValue(c), GetRValue(c)};
}

// The grey level Trunc(B*0.11 + G*0.59 + R*0.30), summed in that order in x87
// extended precision. The weighted sum is exact in hundredths: unless it is a
// whole number the extended rounding cannot move it across an integer, so only
// whole sums need the floating-point evaluation (which may land just below).
int LuminanceExtended(int b, int g, int r);
inline int Luminance(int b, int g, int r) {
  const int s = 11 * b + 59 * g + 30 * r;
  if (s % 100 != 0) return s / 100;
  return LuminanceExtended(b, g, r);
}
inline int Luminance(TPixel p) { return Luminance(p.B, p.G, p.R); }
inline int Luminance(const uint8_t* bgr) { return Luminance(bgr[0], bgr[1], bgr[2]); }

// c1 moved percent % of the way to c2 (per channel, div truncating); c1 itself
// when percent <= 0 or > 100.
TColor MixColors(TColor c1, TColor c2, int percent);

// Empties the bitmap, clears transparency, makes it 24-bit width x height filled
// with the colour.
void NewFilledBitmap(TBitmap& bitmap, int width, int height, TColor color);

// B = G = R = Luminance.
void DesaturateRect(TBitmap& bitmap, TRect rect);

// The 256-entry table of one gamma: 255*(i/255)^(1/gamma), clamped, truncated.
void BuildGammaTable(double gamma, uint8_t table[256]);

// Per-channel gamma; nothing when every gamma is 0 or 1.
void GammaRect(TBitmap& bitmap, TRect rect, double gammaR, double gammaG, double gammaB);

// Each channel moved toward the colour's: i + percent*(c - i) div 100, clamped.
// Percent is clamped to -100..100; 100 fills with the colour; 0 does nothing.
void TintRect(TBitmap& bitmap, TColor color, int percent, TRect rect);

// v := 255 - v on every channel.
void InvertRect(TBitmap& bitmap, TRect rect);

// A source's alpha carried into a result of its size: the result becomes 32-bit,
// its colours unchanged, each alpha the source's. Nothing when the source has no
// see-through pixel (HasAlpha), and not a pass over the pixels when it is not
// 32-bit.
void CarryAlpha(TBitmap& result, const TBitmap& source);

// A layer mask that also hides what the image's alpha makes see-through: each
// weight becomes max(weight, 255 - alpha). An empty mask starts at 0 (all shown)
// and is made 24-bit of the image's size; nothing when the image has no alpha.
void HideSeeThrough(TBitmap& mask, const TBitmap& image);

}  // namespace velinor
