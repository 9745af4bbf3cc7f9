#include "core/files/OvsImage.h"

#include <algorithm>

#include "core/base/Errors.h"
#include "core/engine/MaskShaping.h"
#include "core/engine/ToneCompositing.h"
#include "core/view/BitmapCanvas.h"
#include "core/view/ShapeManager.h"

namespace velinor {

void TOvsImage::LoadFromStream(const uint8_t* data, size_t size, int64_t maxBytes) {
  Bitmap.Clear();
  TShapeManager shapes;
  TMyShape kind = ssRect;
  TRect rect;
  if (!shapes.LoadSelection(data, size, kind, rect) || rect.Width() <= 0 || rect.Height() <= 0)
    throw EReadError(InvalidDataFileText);

  const int64_t w = rect.Width(), h = rect.Height();
  const int64_t m = std::max(w, h) / 12;
  const int64_t bw = w + 2 * m, bh = h + 2 * m;
  CheckImageSize(bw, bh, 3);
  if (bw * bh * 3 > maxBytes) throw EOutOfLimits("selection picture too large");

  TBitmap picture;
  NewFilledBitmap(picture, static_cast<int>(bw), static_cast<int>(bh), clWhite);
  TBitmapCanvas canvas(picture);
  canvas.BrushColor = clBlack;
  canvas.PenColor = clBlack;
  const int mi = static_cast<int>(m);
  shapes.DrawShape(canvas, TRect{mi, mi, mi + static_cast<int>(w), mi + static_cast<int>(h)}, kind);
  if (kind != ssRect) SmoothMaskSteps(picture, FullImageRect, OvsRampLength);
  Bitmap = std::move(picture);
}

TBitmap ReadOvs(const uint8_t* data, size_t size, int64_t maxBytes) {
  TOvsImage image;
  image.LoadFromStream(data, size, maxBytes);
  return std::move(image.Bitmap);
}

}  // namespace velinor
