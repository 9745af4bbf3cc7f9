#pragma once
// Camera RAW files, decoded with LibRaw: the camera's white balance, sRGB
// output, 8 bits per channel, turned upright. The extension table decides which
// files take the route; a file LibRaw cannot read fails to load.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/files/DecodedPicture.h"
#include "core/files/Graphic.h"
#include "core/base/Bitmap.h"

namespace velinor {

struct TRawFilter {
  std::string Extensions;    // without dots, separated by ";" (at most 40 characters)
  std::string Description;   // at most 100 characters
  std::string GraphicClass;
};

// The RAW filter table, in its fixed order ("raw" first, "dng" last).
const std::vector<TRawFilter>& RawFilters();

// The RAW test: the name's extension, lower case without its dot, is not empty
// and occurs as a substring in some row's extension list.
bool IsRawFile(const std::string& fileName);

class TRawImage : public TGraphic {
 public:
  // The class of the row the name's extension matches, else "TRawImage".
  explicit TRawImage(const std::string& fileName = {});
  std::string ClassName() const override { return className_; }

  bool PreviewLoad = false;
  int Width = 0;   // size reported by the decoder (the full, upright picture)
  int Height = 0;
  TBitmap Bitmap;  // 24-bit

  // Decodes the file (with PreviewLoad: its embedded preview, or a half-size
  // decode when it has none). Throws EUnsupportedFormat for files LibRaw does
  // not know, EReadError for damaged ones, EOutOfLimits for huge ones; nothing
  // is kept from a failed load.
  void LoadFromFile(const std::string& fileName);

 private:
  std::string className_;
};

// The camera description the open dialog shows, "Make Model" as LibRaw names
// the camera; throws like LoadFromFile when the file cannot be read.
std::string RawCameraDescription(const std::string& fileName);

// The decoding behind TRawImage, on a file or on bytes in memory (the fuzz
// target's way in). With preview set: the embedded preview when it has at
// least 100 pixels a side, otherwise a half-size decode.
TDecodedPicture DecodeRawFile(const std::string& fileName, bool preview);
TDecodedPicture DecodeRaw(const uint8_t* data, size_t size, bool preview);
// The upright size LibRaw reads from the headers; false when it cannot read them.
bool ProbeRaw(const uint8_t* data, size_t size, int& width, int& height);

// The extensions registered as "Camera raw" (the open filter's row): those of
// the table above, then other raw formats LibRaw reads; without dots, ";"-separated.
inline constexpr const char* CameraRawExtensionList =
    "raw;kdc;dcr;dc2;crw;cr2;mrw;nef;orf;pef;raf;srf;x3f;cam;dng;"
    "arw;sr2;cr3;nrw;rw2;rwl;srw;3fr;erf;iiq;mef;mos";
// The same as a list.
const std::vector<std::string>& CameraRawExtensions();

}  // namespace velinor
