#include "FileRoutes.h"

#include "BmpCodec.h"
#include "OvImage.h"
#include "SafeFile.h"
#include "base/Errors.h"

namespace velinor {

TBitmap ReadImageFile(const std::string& path) {
  const std::string ext = LowerExtension(path);
  if (ext == ".bmp" || ext == ".dib") {
    const auto bytes = ReadFileBytes(path);
    return ReadBmp(bytes.data(), bytes.size());
  }
  if (ext == ".ovi") return ReadOviFile(path);
  throw EUnsupportedFormat("no reader for " + path);
}

void WriteImageFile(const std::string& path, const TBitmap& bitmap, double resolution) {
  const std::string ext = LowerExtension(path);
  if (ext == ".bmp" || ext == ".dib") return WriteBmpFile(path, bitmap, resolution);
  if (ext == ".ovi") return WriteSingleLayerOvi(path, bitmap);
  throw EUnsupportedFormat("no writer for " + path);
}

}  // namespace velinor
