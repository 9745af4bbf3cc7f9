#pragma once
// Turning graphics with see-through parts (icons, metafiles, GIF frames) into a
// plain bitmap: the see-through areas get the key colour and the bitmap is marked
// transparent with it.
#include <cstdint>
#include <vector>

#include "base/Bitmap.h"

namespace velinor {

// Red 206, green 237, blue 220.
constexpr TColor KeyColor = 0x00DCEDCE;

// One GIF frame as a reader delivers it.
struct TGifFrame {
  int Width = 0;
  int Height = 0;
  std::vector<uint8_t> Indices;  // Width * Height colour indices, rows top-down
  std::vector<TColor> ColorMap;  // the frame's active colour map (local or global)
  bool Transparency = false;     // graphic-control extension with transparency on
  int TransparentIndex = 0;
};

// Frame 0 (the index clamped into range) into the target as an 8-bit bitmap.
// With transparency, the transparent colour is the map's entry at the transparent
// index; when that colour also occurs at another index, the entry becomes the key
// colour first so that only the transparent pixels carry it. Throws EReadError
// when there is no frame or the frame's data does not match its size.
void FirstGifFrameToBitmap(std::vector<TGifFrame>& frames, TBitmap& target);

// An icon or metafile rendering (32-bit, alpha = coverage) into the target as a
// 24-bit bitmap over the key colour; marked transparent with the key colour when
// the graphic is transparent.
void ToBitmap24(const TBitmap& graphic, bool transparent, TBitmap& target);

}  // namespace velinor
