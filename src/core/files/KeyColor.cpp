#include "KeyColor.h"

#include <algorithm>
#include <cstring>

#include "base/Errors.h"

namespace velinor {

void FirstGifFrameToBitmap(std::vector<TGifFrame>& frames, TBitmap& target) {
  if (frames.empty()) throw EReadError("GIF: no frame");
  TGifFrame& f = frames[0];
  CheckImageSize(f.Width, f.Height, 1);
  if (f.Indices.size() != static_cast<size_t>(f.Width) * static_cast<size_t>(f.Height))
    throw EReadError("GIF: frame data does not match its size");
  TColor transparentColor = clNone;
  const bool transparent =
      f.Transparency && f.TransparentIndex >= 0 && static_cast<size_t>(f.TransparentIndex) < f.ColorMap.size();
  if (transparent) {
    transparentColor = f.ColorMap[static_cast<size_t>(f.TransparentIndex)];
    int seen = 0;
    for (TColor c : f.ColorMap)
      if (c == transparentColor && ++seen == 2) break;
    if (seen >= 2) {
      f.ColorMap[static_cast<size_t>(f.TransparentIndex)] = KeyColor;
      transparentColor = KeyColor;
    }
  }
  TBitmap b(f.Width, f.Height, TPixelFormat::pf8bit);
  b.Palette = f.ColorMap;
  b.Palette.resize(256, 0);
  for (int y = 0; y < f.Height; ++y)
    std::memcpy(b.ScanLine(y), f.Indices.data() + static_cast<size_t>(y) * static_cast<size_t>(f.Width),
                static_cast<size_t>(f.Width));
  b.Transparent = transparent;
  b.TransparentColor = transparent ? transparentColor : clNone;
  target = std::move(b);
}

void ToBitmap24(const TBitmap& graphic, bool transparent, TBitmap& target) {
  TBitmap src = graphic;
  if (src.PixelFormat() != TPixelFormat::pf32bit) src.SetPixelFormat(TPixelFormat::pf32bit);
  TBitmap out(src.Width(), src.Height(), TPixelFormat::pf24bit);
  const int key[3] = {GetBValue(KeyColor), GetGValue(KeyColor), GetRValue(KeyColor)};
  for (int y = 0; y < src.Height(); ++y) {
    const uint8_t* s = src.ScanLine(y);
    uint8_t* d = out.ScanLine(y);
    for (int x = 0; x < src.Width(); ++x, s += 4, d += 3) {
      const int a = transparent ? s[3] : 255;
      for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>((s[c] * a + key[c] * (255 - a) + 127) / 255);
    }
  }
  out.Transparent = transparent;
  out.TransparentColor = transparent ? KeyColor : clNone;
  target = std::move(out);
}

}  // namespace velinor
