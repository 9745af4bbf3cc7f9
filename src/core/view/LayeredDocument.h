#pragma once
// The layered document "Save as" writes: after "Execute", the colour photo under
// its toned copy, cut out through the inverted mask where colours were kept (so
// the file flattens to the result); otherwise the picture on screen alone.
#include <memory>

#include "base/Bitmap.h"
#include "view/LayeredImage.h"

namespace velinor {

// processed: the current image is a result of "Execute" computed from photo with
// keepMask (0 = the photo's colour shows); sepia: the "Sepia" box of that result.
// Layer "#0" is the photo and layer "#1" its toned copy with the inverted mask when
// processed; a single layer "#0" holding currentImage otherwise.
std::unique_ptr<TMyImageLayered> BuildLayeredDocument(const TBitmap& photo,
                                                      const TBitmap& currentImage,
                                                      const TBitmap& keepMask, bool processed,
                                                      bool sepia);

}  // namespace velinor
