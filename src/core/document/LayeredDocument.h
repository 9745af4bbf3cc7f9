#pragma once
// The layered document "Save as" writes: after "Execute", the colour photo under
// its toned copy, cut out through the inverted mask where colours were kept (so
// the file flattens to the result); otherwise the picture on screen alone.
#include <memory>

#include "core/base/Bitmap.h"
#include "core/document/KeepWork.h"
#include "core/document/LayeredImage.h"
#include "core/engine/TouchUps.h"

namespace velinor {

// processed: the current image is a result of "Execute" computed from photo with
// keepMask (0 = the photo's colour shows); sepia: the "Sepia" box of that result.
// Layer "#0" is the photo and layer "#1" its toned copy with the inverted mask when
// processed; a single layer "#0" holding currentImage otherwise.
std::unique_ptr<TMyImageLayered> BuildLayeredDocument(const TBitmap& photo,
                                                      const TBitmap& currentImage,
                                                      const TBitmap& keepMask, bool processed,
                                                      bool sepia);

// The same two layers for a result of "Execute" with the work behind it: the
// mask of layer "#1" is the computed mask with the touch-ups applied (what the
// result shows), and when the inputs are known (and their list is no longer than
// the window's) the document keeps them, with the touch-ups and the computed mask
// when something was painted (Work).
std::unique_ptr<TMyImageLayered> BuildWorkDocument(const TBitmap& photo, const TBitmap& computedMask,
                                                   const TTouchUps& touchUps, const TKeepInputs& inputs);

// The work a document of BuildWorkDocument holds: the photo (layer "#0"), the mask
// the result was computed with, the touch-ups painted over it and the inputs.
// Without the kept work (or when it does not fit the layers) the mask is layer
// "#1"'s inverted back, no touch-ups, and of the inputs only Sepia is known, seen
// in the toned layer.
struct TLayeredWork {
  TBitmap Photo;
  TBitmap KeepMask;
  TTouchUps TouchUps;
  TKeepInputs Inputs;
};

// Takes the work out of doc when it has exactly that layout at the size of the
// flattened picture (two visible normal layers "#0" and "#1" at the origin, fully
// opaque, the upper one masked); false, leaving work alone, for anything else.
// The kept work is used only when it belongs to these layers: its computed mask
// with its touch-ups gives layer "#1"'s mask exactly, at the picture's size, and
// its Sepia agrees with the toned layer.
bool ExtractLayeredWork(TMyImageLayered& doc, int width, int height, TLayeredWork& work);

}  // namespace velinor
