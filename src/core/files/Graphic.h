#pragma once
// The format objects a load or save creates and shows to the notification hook:
// the hook tells them apart by type (a JPEG object, for one, carries the options
// the JPEG dialog fills in). The object shown is the one that reads or writes.
#include <string>

#include "core/base/Bitmap.h"

namespace velinor {

// Steps at which the hook is called.
enum TImageFileStep { ifBeforeLoad = 0, ifAfterLoad = 1, ifBeforeSave = 2, ifAfterSave = 3, ifError = 4 };

class TGraphic {
 public:
  virtual ~TGraphic() = default;
  // The reader or writer class, as registered ("TPngImage", "TJpegImage2").
  virtual std::string ClassName() const = 0;
};

// The format object of a format whose codec works on bitmaps directly (GIF,
// Targa, the other readers): it only names its class.
class TFormatGraphic : public TGraphic {
 public:
  explicit TFormatGraphic(std::string className) : className_(std::move(className)) {}
  std::string ClassName() const override { return className_; }

 private:
  std::string className_;
};

// The WebP and AVIF writers: the quality they encode with, which the JPEG
// options dialog sets through the hook unless the picture is written lossless
// (a 32-bit picture as WebP), when no quality is asked.
class TQualityGraphic : public TGraphic {
 public:
  explicit TQualityGraphic(std::string className) : className_(std::move(className)) {}
  std::string ClassName() const override { return className_; }
  int Quality = 90;
  bool AskQuality = true;

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

// A layered document as the layered save sees it: the format object that writes
// itself in the layered format.
class ILayeredDocument : public TGraphic {
 public:
  // Writes the whole file at fileName (the save makes it safe around this call).
  virtual void SaveLayeredFile(const std::string& fileName) = 0;
};

}  // namespace velinor
