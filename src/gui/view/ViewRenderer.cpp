#include "gui/view/ViewRenderer.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "core/base/Parallel.h"
#include "core/view/Checkerboard.h"
#include "core/view/StretchCopy.h"

namespace velinor {

namespace {

QImage Wrap(const TBitmap& b, int x, int y, int w, int h) {
  // 32-bit B,G,R,A rows are QImage's RGB32 on a little-endian machine.
  const uchar* bits = b.ScanLine(y) + static_cast<size_t>(x) * 4;
  return QImage(bits, w, h, static_cast<qsizetype>(b.Stride()), QImage::Format_RGB32);
}

}  // namespace

void TViewRenderer::EnsureReduced(const TBitmap& source, int zw, int zh) {
  if (reducedValid_ && reducedFor_ == &source && reduced_.Width() == zw && reduced_.Height() == zh)
    return;
  reduced_.SetSize(zw, zh);
  tilesX_ = (zw + kTileSize - 1) / kTileSize;
  tilesY_ = (zh + kTileSize - 1) / kTileSize;
  tileFilled_.assign(static_cast<size_t>(tilesX_) * static_cast<size_t>(tilesY_), 0);
  if (source.PixelFormat() == TPixelFormat::pf32bit) reducedCoverage_ = TBitmap(zw, zh);
  reducedFor_ = &source;
  reducedValid_ = true;
}

const TBitmap* TViewRenderer::SplitFor(const TBitmap& source) {
  if (source.PixelFormat() != TPixelFormat::pf32bit) return nullptr;
  if (splitFor_ != &source) {
    SplitAlpha(source, premultiplied_, coverage_);
    splitFor_ = &source;
  }
  return &premultiplied_;
}

void TViewRenderer::FillTiles(const TBitmap& source, const TRect& area) {
  const TRect whole = BitmapBounds(reduced_);
  std::vector<int> todo;
  for (int ty = area.Top / kTileSize; ty <= (area.Bottom - 1) / kTileSize && ty < tilesY_; ++ty)
    for (int tx = area.Left / kTileSize; tx <= (area.Right - 1) / kTileSize && tx < tilesX_; ++tx)
      if (!tileFilled_[static_cast<size_t>(ty * tilesX_ + tx)]) todo.push_back(ty * tilesX_ + tx);
  // Each tile is the same whichever thread averages it: the value of a reduced
  // pixel depends only on its position in the whole reduced image.
  if (todo.empty()) return;
  const TBitmap* split = SplitFor(source);
  // A tile writes its pixels and reads its share of the source.
  const int64_t perTile = int64_t{kTileSize} * kTileSize +
                          int64_t{source.Width()} * source.Height() / (int64_t{tilesX_} * tilesY_);
  const int tiles = static_cast<int>(todo.size());
  ParallelBlocks(tiles, tiles * perTile, [&](int i, int) {
    const int tx = todo[static_cast<size_t>(i)] % tilesX_;
    const int ty = todo[static_cast<size_t>(i)] / tilesX_;
    const TRect tile{tx * kTileSize, ty * kTileSize, (tx + 1) * kTileSize, (ty + 1) * kTileSize};
    StretchCopyAveraged(split ? *split : source, BitmapBounds(source), reduced_, whole, tile);
    if (split) {
      StretchCopyAveraged(coverage_, BitmapBounds(coverage_), reducedCoverage_, whole, tile);
      ComposeOverCheckerboard(reduced_, reducedCoverage_, tile, 0, 0);
    }
  });
  for (int t : todo) tileFilled_[static_cast<size_t>(t)] = 1;
}

void TViewRenderer::InvalidateSource(const TBitmap& source, const TRect& r) {
  splitFor_ = nullptr;  // the see-through split is made of the whole picture
  if (!reducedValid_ || reducedFor_ != &source || source.Empty() || r.IsEmpty()) return;
  // The reduced pixels averaging any changed source pixel, one more on each side.
  const int64_t zw = reduced_.Width(), zh = reduced_.Height(), sw = source.Width(), sh = source.Height();
  const int64_t x0 = std::max<int64_t>(0, r.Left * zw / sw - 1), y0 = std::max<int64_t>(0, r.Top * zh / sh - 1);
  const int64_t x1 = (r.Right * zw + sw - 1) / sw + 1, y1 = (r.Bottom * zh + sh - 1) / sh + 1;
  for (int64_t ty = y0 / kTileSize; ty <= (y1 - 1) / kTileSize && ty < tilesY_; ++ty)
    for (int64_t tx = x0 / kTileSize; tx <= (x1 - 1) / kTileSize && tx < tilesX_; ++tx)
      tileFilled_[static_cast<size_t>(ty * tilesX_ + tx)] = 0;
}

int TViewRenderer::FilledTiles() const {
  if (!reducedValid_) return 0;
  int n = 0;
  for (uint8_t f : tileFilled_) n += f;
  return n;
}

void TViewRenderer::Draw(QPainter& painter, const TBitmap& source, int left, int top,
                         int zoomedWidth, int zoomedHeight, double zoom,
                         const TZoomDrawPlan& plan, const TRect& clip) {
  if (!plan.HasCopy()) return;
  const TRect a = IntersectRect(plan.Result, clip);
  if (a.IsEmpty()) return;

  if (plan.Smooth && zoom < 1) {
    EnsureReduced(source, zoomedWidth, zoomedHeight);
    // The reduced copy's pixel (i, j) sits at (left + i, top + j).
    const TRect inCopy = IntersectRect(TRect{a.Left - left, a.Top - top, a.Right - left, a.Bottom - top},
                                       BitmapBounds(reduced_));
    if (inCopy.IsEmpty()) return;
    FillTiles(source, inCopy);
    painter.drawImage(QPoint(inCopy.Left + left, inCopy.Top + top),
                      Wrap(reduced_, inCopy.Left, inCopy.Top, inCopy.Width(), inCopy.Height()));
    return;
  }

  work_.SetSize(a.Width(), a.Height());
  const TRect dest{plan.Dest.Left - a.Left, plan.Dest.Top - a.Top, plan.Dest.Right - a.Left,
                   plan.Dest.Bottom - a.Top};
  const TRect all = BitmapBounds(work_);
  // At 100 % and above every pixel is drawn as a sharp square, smoothed or not,
  // so that a mask can be read pixel by pixel when zoomed in.
  const TBitmap* split = SplitFor(source);
  const auto stretch = [&](const TBitmap& from, TBitmap& to) {
    StretchCopyNearest(from, plan.Source, to, dest, all);
  };
  stretch(split ? *split : source, work_);
  if (split) {
    workCoverage_.SetSize(a.Width(), a.Height());
    stretch(coverage_, workCoverage_);
    ComposeOverCheckerboard(work_, workCoverage_, all, a.Left - left, a.Top - top);
  }
  painter.drawImage(QPoint(a.Left, a.Top), Wrap(work_, 0, 0, a.Width(), a.Height()));
}

}  // namespace velinor
