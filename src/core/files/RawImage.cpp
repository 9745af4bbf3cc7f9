#include "RawImage.h"

#include "SafeFile.h"
#include "base/Errors.h"

namespace velinor {

namespace {

// No decoder library is configured, so loading it always fails.
[[noreturn]] void LibraryMissing() { throw EUnsupportedFormat("DLL not loaded"); }

}  // namespace

const std::vector<TRawFilter>& RawFilters() {
  static const std::vector<TRawFilter> rows = {
      {"raw", "RAW", "TRawImageRaw"},
      {"kdc;dcr;dc2", "Kodak raw", "TRawImageKodak"},
      {"crw;cr2", "Canon raw", "TRawImageCanon"},
      {"mrw", "Minolta raw", "TRawImageMinolta"},
      {"nef", "Nikon raw", "TRawImageNikon"},
      {"orf", "Olympus raw", "TRawImageOlympus"},
      {"pef", "Pentax raw", "TRawImagePentax"},
      {"raf", "Fuji raw", "TRawImageFuji"},
      {"srf", "Sony raw", "TRawImageSony"},
      {"x3f", "Sigma raw", "TRawImageSigma"},
      {"cam", "Casio raw", "TRawImageCasio"},
      {"dng", "DNG", "TRawImageAdobe"},
  };
  return rows;
}

namespace {
const TRawFilter* RowFor(const std::string& fileName) {
  const std::string ext = LowerExtension(fileName);
  if (ext.size() < 2) return nullptr;
  const std::string bare = ext.substr(1);
  const auto& rows = RawFilters();
  for (size_t i = rows.size(); i-- > 0;)
    if (rows[i].Extensions.find(bare) != std::string::npos) return &rows[i];
  return nullptr;
}
}  // namespace

bool IsRawFile(const std::string& fileName) { return RowFor(fileName) != nullptr; }

TRawImage::TRawImage(const std::string& fileName) {
  const TRawFilter* row = RowFor(fileName);
  className_ = row ? row->GraphicClass : "TRawImage";
}

void TRawImage::LoadFromFile(const std::string&) {
  Width = Height = 0;
  LibraryMissing();
}

std::string RawCameraDescription(const std::string&) { LibraryMissing(); }

}  // namespace velinor
