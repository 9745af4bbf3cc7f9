#include "core/document/LayeredImage.h"

#include <cmath>
#include <stdexcept>

#include "core/base/Arith.h"
#include "core/base/Errors.h"
#include "core/engine/CopyFamily.h"
#include "core/engine/ToneCompositing.h"

namespace velinor {

// ---- TLayerList ---------------------------------------------------------------------

int TLayerList::Add(std::unique_ptr<TLayerItem> item) {
  items_.push_back(std::move(item));
  return Count() - 1;
}

void TLayerList::Delete(int index) {
  if (index < 0 || index >= Count()) throw std::out_of_range("TLayerList::Delete: no such layer");
  items_.erase(items_.begin() + index);
  if (owner_.CurrentLayer >= Count()) owner_.CurrentLayer = Count() - 1;
}

void TLayerList::Clear() {
  while (!items_.empty()) items_.erase(items_.begin());
  owner_.CurrentLayer = -1;
}

int TLayerList::IndexOf(const TLayerItem* item) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == item) return static_cast<int>(i);
  return -1;
}

// ---- TMyImageLayered ----------------------------------------------------------------

int TMyImageLayered::AddLayer(const TBitmap& image, const TBitmap* mask, const std::string& name,
                              int opacity, TPoint position) {
  auto item = std::make_unique<TLayerItem>();
  item->Name = name;
  item->Kind = lkBitmap;
  item->Image.Assign(image);
  item->Image.SetPixelFormat(TPixelFormat::pf24bit);
  if (mask) {
    item->Mask.Assign(*mask);
    item->Mask.SetPixelFormat(TPixelFormat::pf24bit);
  } else {
    // The layer's mask is how a layer is see-through: alpha goes there.
    HideSeeThrough(item->Mask, image);
  }
  item->X = position.X;
  item->Y = position.Y;
  item->Opacity = static_cast<uint8_t>(Clamp(opacity, 0, 100));
  CurrentLayer = Layers.Add(std::move(item));
  return CurrentLayer;
}

void TMyImageLayered::SetSingleLayer(const TBitmap& image, const TBitmap* mask,
                                     const std::string& name) {
  Layers.Clear();
  AddLayer(image, mask, name, 100, TPoint{0, 0});
  Layers.Items(0).Image.OnChange = [this] { SizeToFirstLayer(); };
  SizeToFirstLayer();
}

void TMyImageLayered::SizeToFirstLayer() {
  if (Layers.Count() == 0) return;
  const TBitmap& first = Layers.Items(0).Image;
  if (Bitmap.Width() != first.Width() || Bitmap.Height() != first.Height())
    NewFilledBitmap(Bitmap, first.Width(), first.Height(), 0xFFFFFF);
}

void TMyImageLayered::Flatten() {
  if (Layers.Count() == 0 || Bitmap.Empty()) return;
  const TRect whole = BitmapBounds(Bitmap);

  // The background shows wherever layer 0 does not cover the composite opaquely;
  // elsewhere it is painted over in full, so the fill can be saved.
  const TLayerItem& base = Layers.Items(0);
  const bool baseCovers = base.Visible && base.Kind == lkBitmap && base.BlendMode == 0 &&
                          base.Opacity >= 100 && !base.Image.Transparent && base.Mask.Empty() &&
                          base.X <= 0 && base.Y <= 0 &&
                          int64_t{base.X} + base.Image.Width() >= Bitmap.Width() &&
                          int64_t{base.Y} + base.Image.Height() >= Bitmap.Height();
  if (!baseCovers) TintRect(Bitmap, BackgroundColor, 100, whole);

  for (int i = 0; i < Layers.Count(); ++i) {
    const TLayerItem& layer = Layers.Items(i);
    // Only bitmap layers in normal mode are composited.
    if (!layer.Visible || layer.Opacity == 0 || layer.Kind != lkBitmap || layer.BlendMode != 0 ||
        layer.Image.Empty())
      continue;
    const int opacity = layer.Opacity > 100 ? 100 : layer.Opacity;
    if (!layer.Mask.Empty())
      BlendThroughMaskOpacity(layer.Image, BitmapBounds(layer.Image), Bitmap, layer.X, layer.Y,
                              whole, &layer.Mask, opacity);
    else
      CopyRectOpacity(layer.Image, BitmapBounds(layer.Image), Bitmap, layer.X, layer.Y, whole,
                      opacity);
  }
}

}  // namespace velinor
