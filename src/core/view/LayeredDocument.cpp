#include "LayeredDocument.h"

#include "engine/KeepColors.h"
#include "engine/ToneCompositing.h"

namespace velinor {

std::unique_ptr<TMyImageLayered> BuildLayeredDocument(const TBitmap& photo,
                                                      const TBitmap& currentImage,
                                                      const TBitmap& keepMask, bool processed,
                                                      bool sepia) {
  auto doc = std::make_unique<TMyImageLayered>();
  if (!processed) {
    doc->SetSingleLayer(currentImage, nullptr, "#0");
    return doc;
  }
  doc->SetSingleLayer(photo, nullptr, "#0");
  const int top = doc->AddLayer(photo, &keepMask, "#1", 100, TPoint{0, 0});
  TLayerItem& toned = doc->Layers.Items(top);
  ToneResult(toned.Image, sepia);
  // The mask said where the photo shows through the grey; over the photo, the
  // grey layer must hide where colours were kept.
  InvertRect(toned.Mask, FullImageRect);
  return doc;
}

}  // namespace velinor
