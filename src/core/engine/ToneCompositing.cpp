#include "core/engine/ToneCompositing.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "core/engine/detail/RasterAccess.h"
#include "core/base/Arith.h"
#include "core/base/Parallel.h"

namespace velinor {

using detail::Bpp;
using detail::Clipped;
using detail::MakeDirectColor;

int LuminanceExtended(int b, int g, int r) {
  // x87 arithmetic: every product and sum rounds to the 64-bit mantissa, and the
  // compiler keeps the order written (no fast-math).
  long double pb = static_cast<long double>(b) * 0.11L;
  long double pg = static_cast<long double>(g) * 0.59L;
  long double pr = static_cast<long double>(r) * 0.30L;
  long double sum = pb + pg;
  sum = sum + pr;
  return static_cast<int>(sum);  // truncation toward zero
}

TColor MixColors(TColor c1, TColor c2, int percent) {
  if (percent <= 0 || percent > 100) return c1;
  c1 = ResolveSystemColor(c1);
  c2 = ResolveSystemColor(c2);
  auto mix = [percent](int a, int b) { return a + percent * (b - a) / 100; };
  return RGB(mix(GetRValue(c1), GetRValue(c2)), mix(GetGValue(c1), GetGValue(c2)),
             mix(GetBValue(c1), GetBValue(c2)));
}

namespace {

// Maps every pixel of the clipped rect through three channel tables.
void MapChannels(TBitmap& bitmap, const TRect& r, const uint8_t* tb, const uint8_t* tg,
                 const uint8_t* tr) {
  const int bpp = Bpp(bitmap);
  ParallelRows(r.Top, r.Bottom, r.Width(), [&](int first, int last) {
    for (int y = first; y < last; ++y) {
      uint8_t* p = bitmap.ScanLine(y) + static_cast<size_t>(r.Left) * bpp;
      for (int x = r.Left; x < r.Right; ++x, p += bpp) {
        p[0] = tb[p[0]];
        p[1] = tg[p[1]];
        p[2] = tr[p[2]];
      }
    }
  });
}

}  // namespace

void NewFilledBitmap(TBitmap& bitmap, int width, int height, TColor color) {
  bitmap.Clear();
  bitmap.Transparent = false;
  bitmap.Palette.clear();
  bitmap.SetPixelFormat(TPixelFormat::pf24bit);
  bitmap.SetSize(width < 0 ? 0 : width, height < 0 ? 0 : height);
  if (bitmap.Empty()) return;
  const TPixel c = ColorToPixel(color);
  if (c.B == c.G && c.G == c.R) {
    bitmap.FillBytes(c.B);
    return;
  }
  uint8_t* row0 = bitmap.ScanLine(0);
  for (int x = 0; x < bitmap.Width(); ++x) {
    row0[3 * x] = c.B;
    row0[3 * x + 1] = c.G;
    row0[3 * x + 2] = c.R;
  }
  const size_t rowBytes = static_cast<size_t>(bitmap.Width()) * 3;
  for (int y = 1; y < bitmap.Height(); ++y)
    std::copy(row0, row0 + rowBytes, bitmap.ScanLine(y));
}

void DesaturateRect(TBitmap& bitmap, TRect rect) {
  const TRect r = Clipped(rect, bitmap);
  if (r.IsEmpty()) return;
  MakeDirectColor(bitmap);
  const int bpp = Bpp(bitmap);
  ParallelRows(r.Top, r.Bottom, r.Width(), [&](int first, int last) {
    for (int y = first; y < last; ++y) {
      uint8_t* p = bitmap.ScanLine(y) + static_cast<size_t>(r.Left) * bpp;
      for (int x = r.Left; x < r.Right; ++x, p += bpp) {
        const uint8_t g = static_cast<uint8_t>(Luminance(p));
        p[0] = p[1] = p[2] = g;
      }
    }
  });
}

void BuildGammaTable(double gamma, uint8_t table[256]) {
  for (int i = 0; i < 256; ++i) {
    const double v = 255.0 * std::pow(i / 255.0, 1.0 / gamma);
    table[i] = v < 0 ? 0 : (v > 255 ? 255 : static_cast<uint8_t>(Trunc(v)));
  }
}

void GammaRect(TBitmap& bitmap, TRect rect, double gammaR, double gammaG, double gammaB) {
  auto neutral = [](double g) { return g == 0.0 || g == 1.0; };
  if (neutral(gammaR) && neutral(gammaG) && neutral(gammaB)) return;
  const TRect r = Clipped(rect, bitmap);
  if (r.IsEmpty()) return;
  MakeDirectColor(bitmap);
  uint8_t tb[256], tg[256], tr[256];
  BuildGammaTable(gammaB, tb);
  BuildGammaTable(gammaG, tg);
  BuildGammaTable(gammaR, tr);
  MapChannels(bitmap, r, tb, tg, tr);
}

void TintRect(TBitmap& bitmap, TColor color, int percent, TRect rect) {
  if (percent == 0) return;
  const TRect r = Clipped(rect, bitmap);
  if (r.IsEmpty()) return;
  MakeDirectColor(bitmap);
  percent = Clamp(percent, -100, 100);
  const TPixel c = ColorToPixel(color);
  uint8_t tb[256], tg[256], tr[256];
  for (int i = 0; i < 256; ++i) {
    tb[i] = static_cast<uint8_t>(ClampByte(i + percent * (c.B - i) / 100));
    tg[i] = static_cast<uint8_t>(ClampByte(i + percent * (c.G - i) / 100));
    tr[i] = static_cast<uint8_t>(ClampByte(i + percent * (c.R - i) / 100));
  }
  MapChannels(bitmap, r, tb, tg, tr);
}

void InvertRect(TBitmap& bitmap, TRect rect) {
  const TRect r = Clipped(rect, bitmap);
  if (r.IsEmpty()) return;
  MakeDirectColor(bitmap);
  uint8_t t[256];
  for (int i = 0; i < 256; ++i) t[i] = static_cast<uint8_t>(255 - i);
  MapChannels(bitmap, r, t, t, t);
}

void CarryAlpha(TBitmap& result, const TBitmap& source) {
  if (!HasAlpha(source)) return;
  if (result.Width() != source.Width() || result.Height() != source.Height())
    throw std::invalid_argument("CarryAlpha: the result and the source differ in size");
  TBitmap out(result.Width(), result.Height(), TPixelFormat::pf32bit);
  if (result.PixelFormat() == TPixelFormat::pf8bit) result.SetPixelFormat(TPixelFormat::pf24bit);
  const int bpp = BytesPerPixel(result.PixelFormat());
  ParallelRows(0, out.Height(), out.Width(), [&](int first, int last) {
    for (int y = first; y < last; ++y) {
      const uint8_t* c = result.ScanLine(y);
      const uint8_t* a = source.ScanLine(y);
      uint8_t* d = out.ScanLine(y);
      for (int x = 0; x < out.Width(); ++x, c += bpp, a += 4, d += 4) {
        d[0] = c[0];
        d[1] = c[1];
        d[2] = c[2];
        d[3] = a[3];
      }
    }
  });
  out.Transparent = result.Transparent;
  out.TransparentColor = result.TransparentColor;
  result = std::move(out);
}

void HideSeeThrough(TBitmap& mask, const TBitmap& image) {
  if (!HasAlpha(image)) return;
  if (mask.Empty()) {
    mask = TBitmap(image.Width(), image.Height(), TPixelFormat::pf24bit);
    mask.FillBytes(0);
  }
  if (mask.PixelFormat() != TPixelFormat::pf24bit) mask.SetPixelFormat(TPixelFormat::pf24bit);
  const int w = std::min(mask.Width(), image.Width()), h = std::min(mask.Height(), image.Height());
  for (int y = 0; y < h; ++y) {
    const uint8_t* a = image.ScanLine(y) + 3;
    uint8_t* m = mask.ScanLine(y);
    for (int x = 0; x < w; ++x, a += 4, m += 3) {
      const uint8_t hidden = static_cast<uint8_t>(255 - *a);
      if (m[0] < hidden) m[0] = m[1] = m[2] = hidden;
    }
  }
}

}  // namespace velinor
