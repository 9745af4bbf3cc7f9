#pragma once
// The layered document "Save as" writes: after "Execute", the colour photo under
// its toned copy, cut out through the inverted mask where colours were kept (so
// the file flattens to the result); otherwise the picture on screen alone.
#include <memory>

#include "core/base/Bitmap.h"
#include "core/document/LayeredImage.h"

namespace velinor {

// processed: the current image is a result of "Execute" computed from photo with
// keepMask (0 = the photo's colour shows); sepia: the "Sepia" box of that result.
// Layer "#0" is the photo and layer "#1" its toned copy with the inverted mask when
// processed; a single layer "#0" holding currentImage otherwise.
std::unique_ptr<TMyImageLayered> BuildLayeredDocument(const TBitmap& photo,
                                                      const TBitmap& currentImage,
                                                      const TBitmap& keepMask, bool processed,
                                                      bool sepia);

// The work a document of BuildLayeredDocument after "Execute" holds: the photo
// (layer "#0"), the mask of the result (layer "#1"'s mask inverted back) and
// whether the result was toned sepia.
struct TLayeredWork {
  TBitmap Photo;
  TBitmap KeepMask;
  bool Sepia = false;
};

// Takes the work out of doc when it has exactly that layout at the size of the
// flattened picture (two visible normal layers "#0" and "#1" at the origin, fully
// opaque, the upper one masked); false, leaving work alone, for anything else.
bool ExtractLayeredWork(TMyImageLayered& doc, int width, int height, TLayeredWork& work);

}  // namespace velinor
