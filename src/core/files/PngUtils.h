#pragma once
// PNG reading and writing over libpng, with this program's rules: depth codes
// and transparency classes on reading; on writing a physical-size chunk from the
// resolution, stored (level 0) deflate, no row filters, alpha kept.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/base/Bitmap.h"
#include "core/files/Graphic.h"

namespace velinor {

// Depth codes shared by the PNG and TIFF adapters (the open dialog shows them).
enum : uint8_t {
  DepthCode1Bit = 1,
  DepthCode4Bit = 2,
  DepthCode8Bit = 3,
  DepthCode24Bit = 6,
  DepthCode32BitAlpha = 7,
  // 16 bits per channel, rounded to 8 on the way in.
  DepthCode48Bit = 8,
  DepthCode64BitAlpha = 9,
};

// Decodes a PNG held in memory. Without partial transparency the result is
// 24-bit (a single transparent colour, when the file names one, is reported
// through Transparent/TransparentColor); grey or RGB with alpha, and palettes with
// partly transparent entries, give 32-bit pixels carrying the file's alpha.
// depthCode receives 1, 2, 3 (1, 4, 8 bits per pixel), 6 or 7 (with alpha).
// Throws EReadError or EOutOfLimits.
// colorProfile, when given, receives the colour information the file carries as
// an ICC profile: its iCCP profile, or one made from cHRM and gAMA; empty for
// none and for an sRGB chunk.
TBitmap ReadPng(const uint8_t* data, size_t size, uint8_t* depthCode = nullptr,
                std::vector<uint8_t>* colorProfile = nullptr);

struct TPngWriteOptions {
  double Resolution = 0;     // dots per inch; > 0 adds a pHYs chunk
  std::string Comment;       // non-empty adds a tEXt "Comment" chunk
  bool Interlaced = false;
  int CompressionLevel = 0;  // zlib level; 0 = stored deflate blocks
  bool Filters = false;      // false: every row carries filter type 0
  bool Srgb = false;         // adds an sRGB chunk
};

// Encodes the bitmap: 24-bit as 8-bit-per-channel RGB, 32-bit as RGB with alpha
// (the bitmap's own alpha bytes), 8-bit as a palette PNG. Throws EWriteError.
std::vector<uint8_t> EncodePng(const TBitmap& bitmap, const TPngWriteOptions& options);

// EncodePng with the "Save as" rules (stored deflate, no filters), written
// through a temporary file.
void WritePngFile(const std::string& path, const TBitmap& bitmap, double resolution);

// The PNG adapter: a bitmap with the format's settings, and the format object
// the load/save dispatch reads and writes PNG files with.
class TPngImage : public TBitmap, public TGraphic {
 public:
  std::string ClassName() const override { return "TPngImage"; }

  uint8_t DepthCode = 0;  // of the last load
  std::vector<uint8_t> IccProfile;  // of the last load (see ReadPng)
  double Resolution = 0;
  std::string SaveComment;
  bool SrgbChunk = false;
  // Never set by the program; 0 means no interlace, stored deflate, no filters.
  uint8_t Interlace = 0;
  uint8_t CompressionLevel = 0;
  uint8_t FilterSet = 0;

  void LoadFromMemory(const uint8_t* data, size_t size);
  void LoadFromFile(const std::string& path);
  // The adapter's own pixels, or another image, encoded with its settings.
  std::vector<uint8_t> SaveToMemory() const { return Encode(*this); }
  std::vector<uint8_t> Encode(const TBitmap& image) const;
  void SaveToFile(const std::string& path) const;
};

}  // namespace velinor
