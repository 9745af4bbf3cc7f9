// velinor-cli info: what the open dialog tells about a file, as plain lines:
// the format, then stored size, depth, transparency, file size, date and the
// EXIF summary.
#include <cstdio>
#include <ctime>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "core/files/ExifSummary.h"
#include "core/files/FileRoutes.h"
#include "core/files/PictureInfo.h"

namespace velinor::cli {

namespace {
std::string LocalDate(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  char text[64];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &tm);
  return text;
}
}  // namespace

int RunInfo(const std::vector<std::string>& args) {
  if (args.size() != 1 || (!args[0].empty() && args[0][0] == '-')) throw UsageError("needs one FILE");
  const std::string& name = args[0];
  TReadResult read;
  TBitmap image;
  try {
    // Preview decoding: the stored size comes from the header, the pixels are not needed.
    image = ReadImageFile(name, &read, true);
  } catch (const std::exception& e) {
    throw FileError("cannot load \"" + name + "\": " + e.what());
  }
  TPictureInfo info;
  info.FileName = name;
  info.OrigWidth = read.OrigWidth;
  info.OrigHeight = read.OrigHeight;
  info.DepthCode = read.DepthCode > 0 ? read.DepthCode : DepthCodeOf(image.PixelFormat());
  info.TransparencyCode = read.TransparencyCode;
  info.GifAnimated = read.Animated();
  FileSizeAndDate(name, info.FileSize, info.Modified);
  const auto exif = InformationExifLines(name, IsoDateTime);
  std::printf("%s\n", read.Format.c_str());
  for (const std::string& line : PictureInfoLines(info, LocalDate, exif)) std::printf("%s\n", line.c_str());
  return 0;
}

}  // namespace velinor::cli
