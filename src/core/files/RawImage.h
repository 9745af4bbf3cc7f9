#pragma once
// Camera RAW files. Decoding raw sensor data would be delegated to an external
// decoder library loaded at run time; none is configured, so every file that
// reaches this route fails to load ("DLL not loaded"). The extension table still
// decides which files take the route.
#include <string>
#include <vector>

#include "Graphic.h"
#include "base/Bitmap.h"

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
  int Width = 0;   // size reported by the decoder
  int Height = 0;
  TBitmap Bitmap;

  // Throws EUnsupportedFormat("DLL not loaded"): no decoder library is loaded.
  void LoadFromFile(const std::string& fileName);

 private:
  std::string className_;
};

// The camera description the open dialog asks for; fails the same way.
std::string RawCameraDescription(const std::string& fileName);

}  // namespace velinor
