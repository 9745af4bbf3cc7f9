#pragma once
// The layered document written by "Save as" in the .ovi format: a stack of 24-bit
// layers, each with an optional mask, an opacity and a position, and the composite
// they flatten into. It is never displayed, so it is a plain data class; the files
// layer writes and reads it.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/base/Bitmap.h"
#include "core/base/Color.h"
#include "core/base/Geometry.h"
#include "core/document/KeepWork.h"

namespace velinor {

class TMyImageLayered;

// Layer kinds stored in the file; only bitmap layers are made and flattened here.
enum : uint8_t { lkBitmap = 0, lkObject = 1, lkAdjustment = 2, lkColorFill = 3 };

// Parameters of adjustment layers; carried unchanged.
struct TLayerAdjustment {
  int32_t Values[3] = {0, 0, 0};
  int32_t Reserved = 0;
  double Factor = 1.0;
};

// A layer's drop shadow; never enabled here, carried unchanged.
struct TLayerShadow {
  bool Enabled = false;
  TColor Color = 0;
  int32_t OffsetX = 7;
  int32_t OffsetY = 7;
  int32_t Opacity = 80;
  int32_t Size = 6;
  int32_t Reserved[2] = {0, 0};
};

// One layer. The fields are in the order the file stores them.
struct TLayerItem {
  std::string Name;
  bool Visible = true;
  bool Locked = false;
  int32_t BlendMode = 0;  // 0: normal compositing, the only mode flattened
  int32_t Reserved[3] = {0, 0, 0};
  uint8_t Kind = lkBitmap;
  TColor Color = 0xFFFFFF;  // fill colour of colour-fill layers
  int32_t FillFlag = 0;
  int32_t X = 0;
  int32_t Y = 0;
  uint8_t Opacity = 0;  // percent; 0 is skipped when flattening
  TBitmap Image;        // 24-bit
  TBitmap Mask;         // 24-bit, blue byte counts: 0 shows the layer, 255 hides it
  TBitmap Mask2;        // carried; always empty here
  TLayerAdjustment Adjustment;
  TLayerShadow Shadow;
};

// The stack, bottom layer first. Owns its items.
class TLayerList {
 public:
  explicit TLayerList(TMyImageLayered& owner) : owner_(owner) {}
  TLayerList(const TLayerList&) = delete;
  TLayerList& operator=(const TLayerList&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  TLayerItem& Items(int index) { return *items_.at(static_cast<size_t>(index)); }
  const TLayerItem& Items(int index) const { return *items_.at(static_cast<size_t>(index)); }

  // Appends at the top; returns the new index.
  int Add(std::unique_ptr<TLayerItem> item);
  // Frees the item; keeps the document's CurrentLayer within the stack.
  void Delete(int index);
  // Deletes every item from the bottom up; CurrentLayer becomes -1.
  void Clear();
  int IndexOf(const TLayerItem* item) const;

 private:
  TMyImageLayered& owner_;
  std::vector<std::unique_ptr<TLayerItem>> items_;
};

class TMyImageLayered {
 public:
  TMyImageLayered() = default;
  // Layer 0's image reports size changes to this object: it never moves.
  TMyImageLayered(const TMyImageLayered&) = delete;
  TMyImageLayered& operator=(const TMyImageLayered&) = delete;

  TLayerList Layers{*this};
  int CurrentLayer = -1;
  TColor BackgroundColor = 0xFFFFFF;
  // The composite, kept at the size of layer 0's image.
  TBitmap Bitmap;
  double ResolutionX = 72.0;
  double ResolutionY = 72.0;
  std::string Comment;
  int32_t ColorCount = 0;
  // The work behind a document of the result of "Execute": kept after the layers,
  // where readers of the layers alone do not look.
  std::optional<TKeepWork> Work;

  // Adds a bitmap layer holding 24-bit copies of the image and the mask (an empty
  // mask when none); it becomes the current layer. Returns its index.
  int AddLayer(const TBitmap& image, const TBitmap* mask, const std::string& name, int opacity,
               TPoint position);
  // The image as the only layer (opacity 100 at 0, 0); the composite follows its size.
  void SetSingleLayer(const TBitmap& image, const TBitmap* mask, const std::string& name);
  // Resets the composite to white at layer 0's size when its size differs.
  void SizeToFirstLayer();
  // Recomputes the whole composite from the layers.
  void Flatten();
};

}  // namespace velinor
