#pragma once
// The engine's benchmark photo, built from real photographs: six pictures of
// Debian's mate-backgrounds package (installed by scripts/bench), each cropped to
// its central square, upscaled with the filtered resampler to 2000 x 2000, tiled
// three by two into 6000 x 4000 (24 MP), with a little grain (every channel moved
// by -4 .. 4, a fixed seed) so that no area is flat. Flowers, leaves, grass, a
// lady bird and a dune: the colours, edges and soft backgrounds of real photos,
// not the large uniform areas of a synthetic picture.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/base/Bitmap.h"
#include "core/engine/CopyFamily.h"
#include "core/files/JpegUtils.h"
#include "core/resize/StretchEx.h"

inline constexpr const char* RealPhotoFolder = "/usr/share/backgrounds/mate/nature/";
inline constexpr const char* RealPhotoFiles[] = {"YellowFlower.jpg", "LadyBird.jpg", "Garden.jpg",
                                                 "TwoWings.jpg",     "RainDrops.jpg", "Dune.jpg"};

inline velinor::TBitmap MakeRealPhoto() {
  using namespace velinor;
  constexpr int Tile = 2000, Columns = 3, Rows = 2;
  TBitmap photo(Tile * Columns, Tile * Rows);
  int k = 0;
  for (const char* name : RealPhotoFiles) {
    const std::string path = std::string(RealPhotoFolder) + name;
    std::ifstream in(path, std::ios::binary);
    if (!in)
      throw std::runtime_error(path + " not found: install Debian's mate-backgrounds (scripts/bench does)");
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const TBitmap whole = DecodeJpeg(bytes.data(), bytes.size());
    const int side = std::min(whole.Width(), whole.Height());
    TBitmap square(side, side), tile(Tile, Tile);
    const int x0 = (whole.Width() - side) / 2, y0 = (whole.Height() - side) / 2;
    CopyRectAt(whole, TRect{x0, y0, x0 + side, y0 + side}, square, 0, 0, FullImageRect);
    ResampleTo(Tile, Tile, rmFiltered, tile, square);
    CopyRectAt(tile, FullImageRect, photo, Tile * (k % Columns), Tile * (k / Columns), FullImageRect);
    ++k;
  }
  uint32_t seed = 2024;
  for (int y = 0; y < photo.Height(); ++y) {
    uint8_t* p = photo.ScanLine(y);
    for (int i = 0; i < photo.Width() * 3; ++i) {
      seed = seed * 1664525u + 1013904223u;
      const int v = p[i] + static_cast<int>((seed >> 24) % 9) - 4;
      p[i] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
    }
  }
  return photo;
}

// Which files the photo is made of, for the benchmark's report.
inline std::string RealPhotoSources() {
  std::string s = "mate-backgrounds: ";
  for (const char* name : RealPhotoFiles) s += std::string(RealPhotoFolder) + name + " ";
  return s;
}
