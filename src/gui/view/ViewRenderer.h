#pragma once
// Paints the image part of a zoom plan with a painter. Pixels are prepared in a
// 32-bit TBitmap that a QImage wraps without copying. Smoothed drawing below 100%
// comes from a reduced copy of the whole image (area averaging every source pixel
// on each paint would be far too slow for large photos). The copy is laid on the
// same grid as the full zoomed image, so scrolling shows the same picture at every
// position, and it is filled tile by tile as tiles come into view, so a zoom
// change costs only what is shown. A 32-bit picture is shown over the light
// checkerboard where its alpha lets it through (Checkerboard.h); the board is
// anchored at the image's top-left corner, so it scrolls with the image.
#include <QRect>
#include <cstdint>
#include <vector>

#include "core/base/Bitmap.h"
#include "core/base/Geometry.h"
#include "core/view/ImageZoom.h"

class QPainter;

namespace velinor {

class TViewRenderer {
 public:
  // (left, top): where the whole zoomed image (zoomedWidth x zoomedHeight) sits.
  // Only the part of plan.Result inside clip is painted.
  void Draw(QPainter& painter, const TBitmap& source, int left, int top, int zoomedWidth,
            int zoomedHeight, double zoom, const TZoomDrawPlan& plan, const TRect& clip);

  // The source pixels changed (or the bitmap was resized): the reduced copy is stale.
  void Invalidate() {
    reducedValid_ = false;
    splitFor_ = nullptr;
  }
  // Only the pixels of sourceRect changed: the tiles of the reduced copy they
  // reach are made again when next shown.
  void InvalidateSource(const TBitmap& source, const TRect& sourceRect);
  // The reduced copy now stands for another bitmap with the same pixels.
  void Rebind(const TBitmap& source) { reducedFor_ = &source; }

  // For the benchmark and tests: whether a reduced copy is held now, and how
  // many of its tiles are filled.
  bool HasReducedCopy() const { return reducedValid_; }
  int FilledTiles() const;

  static constexpr int kTileSize = 256;

 private:
  void EnsureReduced(const TBitmap& source, int zoomedWidth, int zoomedHeight);
  // Averages every tile of the reduced copy that meets area and is not made yet.
  void FillTiles(const TBitmap& source, const TRect& area);
  // For a 32-bit source: its premultiplied colours and its coverage, made once
  // per content; nullptr for other sources (they are drawn as they are).
  const TBitmap* SplitFor(const TBitmap& source);

  TBitmap work_{0, 0, TPixelFormat::pf32bit};
  TBitmap reduced_{0, 0, TPixelFormat::pf32bit};
  TBitmap premultiplied_;
  TBitmap coverage_;
  TBitmap workCoverage_;
  TBitmap reducedCoverage_;
  const TBitmap* splitFor_ = nullptr;
  bool reducedValid_ = false;
  const TBitmap* reducedFor_ = nullptr;
  int tilesX_ = 0;
  int tilesY_ = 0;
  std::vector<uint8_t> tileFilled_;
};

}  // namespace velinor
