#pragma once
// JPEG over libjpeg(-turbo): full and reduced-scale decoding, encoding with a
// quality and progressive scans, and the JPEG graphic class that carries the
// save options and writes the program's own EXIF segment instead of JFIF.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/files/Graphic.h"
#include "core/base/Bitmap.h"

namespace velinor {

// Decoding scale: full size, 1/2, 1/4, 1/8.
enum TJpegScale { jsFullSize = 0, jsHalf = 1, jsQuarter = 2, jsEighth = 3 };

// The decoding scale for a preview of a w x h image in a box of `box` pixels:
// full size when w or h <= 0; else r = max(w, h) div box: r <= 1 full size,
// 2..3 half, 4..7 quarter, 8 or more eighth.
TJpegScale PreviewScale(int w, int h, int box);

// The size in the baseline frame header (0xFF 0xC0), found by walking the
// segments from the start of image. Any other layout (no SOI, progressive file
// without that marker, truncated data) gives 0 x 0.
void ReadJpegSize(const uint8_t* data, size_t size, int& width, int& height);
void ReadJpegSize(const std::string& fileName, int& width, int& height);

// The picture size in the frame header of any JPEG process, read by libjpeg
// without decoding; false when the header cannot be read.
bool ReadJpegHeader(const uint8_t* data, size_t size, int& width, int& height);

// Decodes a JPEG held in memory into a 24-bit bitmap (greyscale, RGB, YCbCr,
// CMYK and YCCK files). Throws EReadError on corrupt or truncated data and
// EOutOfLimits for images too large, before allocating their pixels.
TBitmap DecodeJpeg(const uint8_t* data, size_t size, TJpegScale scale = jsFullSize);

// Encodes a bitmap (8, 24 or 32-bit; alpha is dropped) with libjpeg's default
// parameters, the quality 1..100 with baseline tables, and simple progressive
// scans when asked. The result is the encoder's own stream (with its JFIF header).
std::vector<uint8_t> EncodeJpeg(const TBitmap& image, int quality, bool progressive);

class TJpegImage2 : public TGraphic {
 public:
  std::string ClassName() const override { return "TJpegImage2"; }

  // Encoder options, set by the JPEG options hook before the image comes in.
  int CompressionQuality = 90;
  bool ProgressiveEncoding = false;

  bool PreviewLoad = false;  // decode at reduced size for a preview
  int OrigWidth = 0;         // size stored in the file last read
  int OrigHeight = 0;
  std::vector<uint8_t> ExifPayload;  // its EXIF segment (APP1 "Exif"), empty if none
  std::vector<uint8_t> IccProfile;   // its embedded colour profile (APP2), empty if none
  bool JpegExif = false;          // write an EXIF block
  bool JpegExifFromJpeg = false;  // copy the EXIF block of ExifSource when it is a JPEG
  std::string ExifSource;
  std::string SaveComment;        // kept with the options; no comment segment is written
  double Resolution = 0;          // dots per inch for the EXIF block
  bool SrgbProfile = false;       // embed the sRGB profile (APP2)

  // Reads the file: whole, or with PreviewLoad at the scale PreviewScale gives for
  // the header's size and a 150-pixel box.
  void LoadFromFile(const std::string& fileName);
  // The decoded pixels (24-bit).
  TBitmap Bitmap;

  // The image to save. It is used in place (not copied) and must outlive the save.
  void Assign(const TBitmap& image) { source_ = &image; }
  void Assign(TBitmap&&) = delete;  // a temporary would be gone before the save
  const TBitmap& Image() const { return source_ ? *source_ : Bitmap; }

  // The file's bytes: with a new EXIF block when JpegExif (or the source's
  // block, in copying mode, when it has one), else the plain encoder stream.
  std::vector<uint8_t> SaveToMemory() const;
  // SaveToMemory written through a temporary.
  void SaveWithOptions(const std::string& fileName) const;

 private:
  std::vector<uint8_t> Encoded() const;
  const TBitmap* source_ = nullptr;
};

// The EXIF payload for this image: the program's title as Software, the current
// local time, the image's size and Resolution.
std::vector<uint8_t> BuildExifBlock(const TJpegImage2& image);

// Start of image, APP1 with the payload, then the encoder's stream without its
// own start of image and without a leading JFIF (APP0), APP1, APP13 and comment
// segment (each skipped only where it comes next, in that order).
std::vector<uint8_t> SpliceExifIntoJpeg(const std::vector<uint8_t>& encoded, const std::vector<uint8_t>& exifPayload);

// Encodes the image and writes it with a new EXIF block (through a temporary).
void WriteJpegWithExif(const TJpegImage2& image, const std::string& fileName);

// The payload of the first APP1 "Exif" segment of a JPEG in memory; empty if none.
std::vector<uint8_t> FindExifPayload(const uint8_t* data, size_t size);

}  // namespace velinor
