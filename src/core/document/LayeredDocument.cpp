#include "core/document/LayeredDocument.h"

#include "core/engine/KeepColors.h"
#include "core/engine/ToneCompositing.h"

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
  // The grey layer is the toned photo: toned straight from the photo rather
  // than copied and toned in place (one pass over 72 MB at 24 MP instead of two).
  const int top = doc->AddLayer(TBitmap(), &keepMask, "#1", 100, TPoint{0, 0});
  TLayerItem& toned = doc->Layers.Items(top);
  ToneResultOf(toned.Image, photo, sepia);
  toned.Image.Palette = photo.Palette;
  toned.Image.Transparent = photo.Transparent;
  toned.Image.TransparentColor = photo.TransparentColor;
  // The mask said where the photo shows through the grey; over the photo, the
  // grey layer must hide where colours were kept.
  InvertRect(toned.Mask, FullImageRect);
  HideSeeThrough(toned.Mask, photo);
  return doc;
}

bool ExtractLayeredWork(TMyImageLayered& doc, int width, int height, TLayeredWork& work) {
  if (doc.Layers.Count() != 2) return false;
  auto plain = [&](const TLayerItem& l, const char* name) {
    return l.Name == name && l.Visible && l.Kind == lkBitmap && l.BlendMode == 0 && l.X == 0 && l.Y == 0 &&
           l.Opacity == 100 && l.Image.Width() == width && l.Image.Height() == height;
  };
  TLayerItem& photo = doc.Layers.Items(0);
  TLayerItem& toned = doc.Layers.Items(1);
  if (!plain(photo, "#0") || !plain(toned, "#1") || !photo.Mask.Empty()) return false;
  if (toned.Mask.Width() != width || toned.Mask.Height() != height) return false;
  // A grey copy has equal channels everywhere; the sepia tone moves them apart.
  bool sepia = false;
  for (int y = 0; y < height && !sepia; ++y)
    for (int x = 0; x < width; ++x) {
      const TColor c = toned.Image.Pixel(x, y);
      if ((c & 0xFF) != ((c >> 8) & 0xFF) || (c & 0xFF) != ((c >> 16) & 0xFF)) {
        sepia = true;
        break;
      }
    }
  TBitmap mask = std::move(toned.Mask);
  mask.SetPixelFormat(TPixelFormat::pf24bit);
  InvertRect(mask, FullImageRect);
  work.Photo = std::move(photo.Image);
  work.Photo.SetPixelFormat(TPixelFormat::pf24bit);
  work.Photo.Transparent = false;
  work.KeepMask = std::move(mask);
  work.Sepia = sepia;
  return true;
}

}  // namespace velinor
