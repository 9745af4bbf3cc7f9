#pragma once
// The format objects a load or save creates and shows to the notification hook:
// the hook tells them apart by type (a JPEG object, for one, carries the options
// the JPEG dialog fills in).
#include <string>

#include "base/Bitmap.h"

namespace velinor {

class TGraphic {
 public:
  virtual ~TGraphic() = default;
  // The reader or writer class, as registered ("TPngImage", "TJpegImage2").
  virtual std::string ClassName() const = 0;
};

// A format object that holds its own pixels (PNG, GIF, TIFF, Targa, generic).
class TFormatGraphic : public TGraphic {
 public:
  explicit TFormatGraphic(std::string className) : className_(std::move(className)) {}
  std::string ClassName() const override { return className_; }
  TBitmap Bitmap;

 private:
  std::string className_;
};

// The BMP and RLE writers work on the image itself: this shows it to the hook
// without copying it.
class TBitmapGraphic : public TGraphic {
 public:
  explicit TBitmapGraphic(const TBitmap& image) : Image(image) {}
  std::string ClassName() const override { return "TBitmap"; }
  const TBitmap& Image;
};

}  // namespace velinor
