#include "core/files/PictureInfo.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include "core/files/ExifSummary.h"
#include "core/files/FileRoutes.h"
#include "core/files/RawImage.h"
#include "core/files/SafeFile.h"

namespace velinor {

int DepthCodeOf(TPixelFormat pf) {
  switch (pf) {
    case TPixelFormat::pf8bit: return 3;
    case TPixelFormat::pf32bit: return 7;
    default: return 6;
  }
}

int TransparencyCodeOf(const TBitmap& b) {
  if (b.Transparent) return 1;
  if (b.PixelFormat() == TPixelFormat::pf32bit) return 2;
  return 0;
}

std::string FileSizeText(int64_t n, char decimalSeparator) {
  char text[64];
  if (n <= 1) {
    std::snprintf(text, sizeof text, "%lld %s", static_cast<long long>(n), "octet");
    return text;
  }
  if (n <= 1023) {
    std::snprintf(text, sizeof text, "%lld %s", static_cast<long long>(n), "octets");
    return text;
  }
  double v;
  const char* unit;
  if (n <= 1048575) {
    v = n / 1024.0, unit = "Ko";
  } else if (n <= 1073741823) {
    v = n / 1048576.0, unit = "Mo";
  } else {
    v = n / 1073741824.0, unit = "Go";
  }
  std::snprintf(text, sizeof text, "%.2f %s", v, unit);
  std::string s = text;
  if (const auto dot = s.find('.'); dot != std::string::npos) s[dot] = decimalSeparator;
  return s;
}

std::string DepthLine(const std::string& fileName, int depthCode, bool gifAnimated) {
  if (IsGifFile(fileName)) return gifAnimated ? "Gif animé" : "8 bits";
  if (IsIcoFile(fileName)) return "Icon";
  if (IsMetafile(fileName)) return "Metafile";
  if (IsOviFile(fileName)) return "Quillorvane Image";
  if (IsOvsFile(fileName)) return "Quillorvane Selection";
  switch (depthCode) {
    case 1: return "1 bit";
    case 2: return "4 bits";
    case 3: return "8 bits";
    case 7: return "32 bits";
    case 8: return "48 bits";
    case 9: return "64 bits";
    default: return "24 bits";
  }
}

std::vector<std::string> PictureInfoLines(const TPictureInfo& info,
                                          const std::function<std::string(std::time_t)>& formatDate,
                                          const std::vector<std::string>& exifLines, char decimalSeparator) {
  std::vector<std::string> lines;
  lines.push_back(std::to_string(info.OrigWidth) + "x" + std::to_string(info.OrigHeight) + " pixels");
  const bool animated = IsGifFile(info.FileName) && info.GifAnimated;
  lines.push_back(DepthLine(info.FileName, info.DepthCode, animated));
  const int transparency = (animated || !info.Sizeable) ? 0 : info.TransparencyCode;
  if (transparency == 1) lines.push_back("Transparence");
  if (transparency == 2) lines.push_back("RVBA (couche Alpha)");
  lines.push_back(FileSizeText(info.FileSize, decimalSeparator));
  lines.push_back(formatDate(info.Modified));
  if (info.Sizeable && ShowsExifLines(info.FileName) && !exifLines.empty()) {
    lines.push_back("");
    lines.insert(lines.end(), exifLines.begin(), exifLines.end());
  }
  return lines;
}

bool ShowsExifLines(const std::string& fileName) {
  return LoadRouteFor(fileName).Facts.CameraLines != TCameraLines::None;
}

std::vector<std::string> InformationExifLines(const std::string& fileName,
                                              const std::function<std::string(const TExifDateTime&)>& formatDate) {
  // The row that reads the file decides, as for its pixels.
  const TCameraLines kind = LoadRouteFor(fileName).Facts.CameraLines;
  if (kind == TCameraLines::ExifSummary) return ExifSummaryLines(ReadExifSummary(fileName), formatDate);
  if (kind != TCameraLines::CameraName) return {};
  std::vector<std::string> lines;
  const std::string text = RawCameraDescription(fileName);
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = std::min(text.find_first_of("\r\n", start), text.size());
    if (end > start) lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

void FileSizeAndDate(const std::string& fileName, int64_t& size, std::time_t& modified) {
  struct stat st {};
  if (::stat(fileName.c_str(), &st) != 0) {
    size = -1;
    modified = 0;
    return;
  }
  size = st.st_size;
  modified = st.st_mtime;
}

}  // namespace velinor
