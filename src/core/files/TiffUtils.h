#pragma once
// TIFF reading (libtiff's RGBA image reader, from memory) and writing (libtiff's
// scan-line writer), with this program's rules on depth codes and compression.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/base/Bitmap.h"
#include "core/files/Graphic.h"

namespace velinor {

// What a TIFF read learned besides the pixels.
struct TTiffReadInfo {
  uint8_t DepthCode = 0;    // 1, 2, 3, 6, or 7 when the picture came out 32-bit
  uint16_t Orientation = 1; // as stored
  // What is left to turn the pixels upright: libtiff's RGBA reader already
  // applies the mirror part of the orientations (5..8 keep their transposition).
  uint16_t PendingOrientation = 1;
  std::vector<uint8_t> IccProfile;  // tag 34675, empty if none
};

// Decodes the first image of a TIFF held in memory through libtiff's RGBA
// reader. The result is 32-bit when any pixel is not fully opaque (pixels the
// reader could not decode stay transparent black), otherwise 24-bit. Throws
// EReadError when libtiff cannot open the data, EOutOfLimits on absurd sizes.
TBitmap ReadTiff(const uint8_t* data, size_t size, TTiffReadInfo* info = nullptr);

// Compression choices (codes of the adapter's setting).
enum : uint8_t {
  TiffCompressionDefault = 1,  // LZW (PackBits for 1-bit images)
  TiffCompressionPackBits = 2, // PackBits for 1-bit; none otherwise
  TiffCompressionFax = 3,      // CCITT Group 4 for 1-bit; none otherwise
  TiffCompressionJpeg = 4,     // JPEG for 24-bit; none for the others
};

struct TTiffWriteOptions {
  double Resolution = 0;        // dots per inch; > 0 writes the resolution tags
  bool AutomaticCompression = true;  // PackBits for 1-bit images, LZW for the others
  uint8_t Compression = TiffCompressionDefault;  // used when not automatic
  int JpegQuality = 90;
  bool SrgbProfile = false;     // embeds the sRGB profile (tag 34675)
};

// Writes the bitmap as a one-strip TIFF through a temporary file. 8-bit bitmaps
// are written by their palette: black and white (2 entries) as a 1-bit
// min-is-black image, 16 entries as a 4-bit palette image, anything else as an
// 8-bit palette image (padded to 256 entries). 24-bit becomes RGB, 32-bit RGB with an associated-alpha sample.
// Throws EWriteError.
void WriteTiffFile(const std::string& path, const TBitmap& bitmap, const TTiffWriteOptions& options);
// The same written straight at path (created or truncated), without a temporary.
void WriteTiff(const std::string& path, const TBitmap& bitmap, const TTiffWriteOptions& options);

// The TIFF adapter: a bitmap with the format's settings, and the format object
// the load/save dispatch reads and writes TIFF files with.
class TTiffImage : public TBitmap, public TGraphic {
 public:
  std::string ClassName() const override { return "TTiffImage"; }

  uint8_t DepthCode = 0;  // of the last load
  uint16_t Orientation = 1;
  uint16_t PendingOrientation = 1;  // of the last load, still to apply to the pixels
  std::vector<uint8_t> IccProfile;  // of the last load
  uint8_t Compression = TiffCompressionDefault;
  uint16_t JpegQuality = 90;
  bool AutomaticCompression = true;
  double Resolution = 0;
  bool SrgbProfile = false;

  void LoadFromMemory(const uint8_t* data, size_t size);
  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path) const;
  // Writes another image with the adapter's settings, straight at path.
  void WriteImage(const std::string& path, const TBitmap& image) const;
};

}  // namespace velinor
