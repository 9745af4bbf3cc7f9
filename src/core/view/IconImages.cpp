#include "core/view/IconImages.h"

#include <algorithm>
#include <exception>

#include "core/engine/ColorMatch.h"
#include "core/engine/CopyFamily.h"
#include "core/engine/MaskShaping.h"
#include "core/engine/ToneCompositing.h"
#include "core/base/KeyColor.h"

namespace velinor {

namespace {

TBitmap KeyFilled(int w, int h) {
  TBitmap b;
  NewFilledBitmap(b, w, h, KeyColor);
  return b;
}

bool IsBackground(const uint8_t* p) {
  return ColorsWithin(PixelToColor(p), KeyColor, kIconKeyTolerance);
}

void MarkTransparent(TBitmap& b, TColor mask) {
  b.Transparent = true;
  b.TransparentColor = ResolveSystemColor(mask);
}

}  // namespace

void DrawIcon(TBitmap& dest, const TBitmap& icon, int x, int y) {
  if (icon.Empty() || dest.Empty() || dest.PixelFormat() != TPixelFormat::pf24bit) return;
  TBitmap src(icon);
  if (src.PixelFormat() == TPixelFormat::pf8bit) src.SetPixelFormat(TPixelFormat::pf24bit);
  const int bpp = BytesPerPixel(src.PixelFormat());
  const int x0 = std::max(0, -x), y0 = std::max(0, -y);
  const int x1 = std::min(src.Width(), dest.Width() - x);
  const int y1 = std::min(src.Height(), dest.Height() - y);
  for (int sy = y0; sy < y1; ++sy) {
    const uint8_t* s = src.ScanLine(sy);
    uint8_t* d = dest.ScanLine(sy + y);
    for (int sx = x0; sx < x1; ++sx) {
      const uint8_t* sp = s + sx * bpp;
      uint8_t* dp = d + (sx + x) * 3;
      const int a = bpp == 4 ? sp[3] : 255;
      for (int c = 0; c < 3; ++c) dp[c] = static_cast<uint8_t>((sp[c] * a + dp[c] * (255 - a) + 127) / 255);
    }
  }
}

TBitmap MakeDisabledImage(const TBitmap& icon, TColor mask, int strength) {
  TBitmap b = KeyFilled(icon.Width(), icon.Height());
  DrawIcon(b, icon, 0, 0);
  const TPixel m = ColorToPixel(mask);
  const int mc[3] = {m.B, m.G, m.R};
  for (int y = 0; y < b.Height(); ++y) {
    uint8_t* p = b.ScanLine(y);
    for (int x = 0; x < b.Width(); ++x, p += 3) {
      if (IsBackground(p)) {
        p[0] = m.B; p[1] = m.G; p[2] = m.R;
        continue;
      }
      const int g = (p[0] + p[1] + p[2]) / 3;
      for (int c = 0; c < 3; ++c)
        p[c] = static_cast<uint8_t>(std::clamp(g + strength * (mc[c] - g) / 100, 0, 255));
    }
  }
  MarkTransparent(b, mask);
  return b;
}

TBitmap MakeShadowedImage(const TBitmap& icon, TColor mask, int strength) {
  const int w = icon.Width(), h = icon.Height();
  // The silhouette, one pixel of margin all round so the blur can spread.
  TBitmap s = KeyFilled(w + 2, h + 2);
  DrawIcon(s, icon, 1, 1);
  for (int y = 0; y < s.Height(); ++y) {
    uint8_t* p = s.ScanLine(y);
    for (int x = 0; x < s.Width(); ++x, p += 3) {
      const uint8_t v = IsBackground(p) ? 255 : 0;
      p[0] = p[1] = p[2] = v;
    }
  }
  BoxBlurRect(s, 1, 1, FullImageRect);
  TBitmap d;
  NewFilledBitmap(d, w, h, mask);
  FillThroughMask(&s, FullImageRect, d, 0, 0, FullImageRect, clBlack, strength);
  DrawIcon(d, icon, 0, 0);
  MarkTransparent(d, mask);
  return d;
}

std::optional<std::vector<TBitmap>> MakeDisabledImages(const std::vector<TBitmap>& icons,
                                                        TColor mask, int strength) {
  try {
    std::vector<TBitmap> out;
    out.reserve(icons.size());
    for (const TBitmap& icon : icons) out.push_back(MakeDisabledImage(icon, mask, strength));
    return out;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::optional<std::vector<TBitmap>> MakeShadowedImages(const std::vector<TBitmap>& icons,
                                                        TColor mask, int strength) {
  if (strength < 0 || strength > 100) return std::nullopt;
  try {
    std::vector<TBitmap> out;
    out.reserve(icons.size());
    for (const TBitmap& icon : icons) out.push_back(MakeShadowedImage(icon, mask, strength));
    return out;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace velinor
