#pragma once
// The information text shown about a picture file beside the open dialog's
// preview (and printed by "velinor-cli info"): stored size, depth, transparency,
// file size, date and the EXIF summary. Locale-dependent pieces (date format,
// decimal separator) come from the caller.
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "core/base/Bitmap.h"

namespace velinor {

// Colour-depth codes: 1 = 1 bit, 2 = 4 bits, 3 = 8 bits, 6 = 24 bits, 7 = 32 bits.
int DepthCodeOf(TPixelFormat pf);

// Transparency codes: 0 none, 1 transparent colour, 2 alpha channel.
int TransparencyCodeOf(const TBitmap& bitmap);

// "1 octet", "1023 octets", "1.00 Ko", "1.50 Mo", "2.00 Go"; -1 (unreadable) counts
// as a small size.
std::string FileSizeText(int64_t bytes, char decimalSeparator = '.');

// The depth line: by extension for GIF, icons, metafiles and the program's own
// formats, otherwise by the depth code.
std::string DepthLine(const std::string& fileName, int depthCode, bool gifAnimated);

struct TPictureInfo {
  std::string FileName;
  int OrigWidth = 0;
  int OrigHeight = 0;
  int DepthCode = 6;
  int TransparencyCode = 0;
  bool GifAnimated = false;
  bool Sizeable = true;
  int64_t FileSize = -1;
  std::time_t Modified = 0;
};

// The files whose information text carries EXIF lines: JPEG, TIFF and
// camera-RAW files, and HEIF, AVIF, WebP and JPEG XL.
bool ShowsExifLines(const std::string& fileName);

// The lines of the information text. exifLines are added (after an empty line)
// only for resizable dialogs and the files ShowsExifLines names.
std::vector<std::string> PictureInfoLines(const TPictureInfo& info,
                                          const std::function<std::string(std::time_t)>& formatDate,
                                          const std::vector<std::string>& exifLines, char decimalSeparator = '.');

// The EXIF lines of the information text: the EXIF summary of a JPEG, TIFF,
// HEIF, AVIF, WebP or JPEG XL file (dates through formatDate), the camera
// description of a camera-RAW file (which throws when LibRaw cannot read the
// file, so that the caller empties the whole text), nothing for other files.
struct TExifDateTime;
std::vector<std::string> InformationExifLines(const std::string& fileName,
                                              const std::function<std::string(const TExifDateTime&)>& formatDate);

// Size in bytes and modification time of a file; -1 and 0 when it cannot be read.
void FileSizeAndDate(const std::string& fileName, int64_t& size, std::time_t& modified);

}  // namespace velinor
