#include "core/document/LayeredDocument.h"

#include <cstring>

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

namespace {

bool SameSize(const TBitmap& a, int width, int height) { return a.Width() == width && a.Height() == height; }

bool Painted(const TTouchUps& touchUps, const TBitmap& photo) {
  return !touchUps.Empty() && touchUps.Width() == photo.Width() && touchUps.Height() == photo.Height();
}

}  // namespace

std::unique_ptr<TMyImageLayered> BuildWorkDocument(const TBitmap& photo, const TBitmap& computedMask,
                                                   const TTouchUps& touchUps, const TKeepInputs& inputs) {
  // The file flattens to the screen: the mask it stores has the touch-ups applied.
  const bool painted = Painted(touchUps, photo);
  auto doc = BuildLayeredDocument(photo, photo, painted ? FinalMask(computedMask, touchUps) : computedMask, true,
                                  inputs.Sepia);
  // Inputs made up would be restored as if they were the user's, and a list
  // longer than the window's (a script's) cannot be shown: none then.
  if (!inputs.Known || inputs.Colors.size() > MaxKeptColors) return doc;
  TKeepWork& work = doc->Work.emplace();
  work.Inputs = inputs;
  if (painted) {
    work.TouchUps = touchUps;
    work.ComputedMask = computedMask;
  }
  return doc;
}

namespace {

// Whether the kept work gives the mask the layers show.
bool WorkFitsLayers(const TKeepWork& kept, const TBitmap& finalMask, bool tonedSepia) {
  const int w = finalMask.Width(), h = finalMask.Height();
  if (!kept.Inputs.Known || (tonedSepia && !kept.Inputs.Sepia)) return false;
  if (kept.TouchUps.Empty()) return true;
  if (kept.TouchUps.Width() != w || kept.TouchUps.Height() != h || !SameSize(kept.ComputedMask, w, h) ||
      kept.ComputedMask.PixelFormat() != TPixelFormat::pf24bit)
    return false;
  const TBitmap recomposed = FinalMask(kept.ComputedMask, kept.TouchUps);
  for (int y = 0; y < h; ++y)
    if (std::memcmp(recomposed.ScanLine(y), finalMask.ScanLine(y), static_cast<size_t>(w) * 3) != 0) return false;
  return true;
}

}  // namespace

bool ExtractLayeredWork(TMyImageLayered& doc, int width, int height, TLayeredWork& work) {
  if (doc.Layers.Count() != 2) return false;
  auto plain = [&](const TLayerItem& l, const char* name) {
    return l.Name == name && l.Visible && l.Kind == lkBitmap && l.BlendMode == 0 && l.X == 0 && l.Y == 0 &&
           l.Opacity == 100 && SameSize(l.Image, width, height);
  };
  TLayerItem& photo = doc.Layers.Items(0);
  TLayerItem& toned = doc.Layers.Items(1);
  if (!plain(photo, "#0") || !plain(toned, "#1") || !photo.Mask.Empty()) return false;
  if (!SameSize(toned.Mask, width, height)) return false;
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
  work.TouchUps.Clear();
  work.Inputs = TKeepInputs();
  if (doc.Work && WorkFitsLayers(*doc.Work, mask, sepia)) {
    work.Inputs = doc.Work->Inputs;
    if (!doc.Work->TouchUps.Empty()) {
      // The result's mask is the computed one; the strokes are a layer again.
      work.TouchUps = std::move(doc.Work->TouchUps);
      mask = std::move(doc.Work->ComputedMask);
    }
  } else {
    work.Inputs.Known = false;
    work.Inputs.Sepia = sepia;
  }
  work.KeepMask = std::move(mask);
  return true;
}

}  // namespace velinor
