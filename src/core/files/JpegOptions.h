#pragma once
// The JPEG options asked before a JPEG save: the logic of the hook that "Save as"
// installs, over a small interface that the desktop program's dialog implements.
#include <string>

#include "core/files/Graphic.h"
#include "core/files/ImageDispatch.h"

namespace velinor {

// The compression slider: positions 1..20, quality = position x 5, 18 at start.
constexpr int JpegSliderMin = 1;
constexpr int JpegSliderMax = 20;
constexpr int JpegSliderStart = 18;
constexpr int JpegQualityFromPosition(int position) { return position * 5; }
// "Compression : %d" with the quality of the slider position.
std::string CompressionLabel(int position);

// The JPEG options dialog. It is created once and kept, so its choices stay from
// one save to the next.
class IJpegOptionsDialog {
 public:
  virtual ~IJpegOptionsDialog() = default;
  // Shows the dialog modally; true when it ended with OK.
  virtual bool Execute() = 0;
  virtual int SliderPosition() const = 0;  // 1..20
  virtual bool Progressive() const = 0;    // "Format progressif" checked
};

// Acts only at ifBeforeSave with a JPEG graphic: shows the dialog; continue :=
// OK; on OK the graphic takes quality (position x 5) and the progressive flag.
// A WebP or AVIF graphic that asks for a quality gets the same dialog and takes
// its quality (position x 5); the progressive choice does not apply to them.
// Every other call returns at once with continue untouched.
void JpegOptionsHook(IJpegOptionsDialog& dialog, TGraphic* graphic, const std::string& fileName,
                     TImageFileStep step, bool& Continue);

}  // namespace velinor
