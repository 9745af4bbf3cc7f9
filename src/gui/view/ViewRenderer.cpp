#include "view/ViewRenderer.h"

#include <QImage>
#include <QPainter>
#include <cmath>

#include "view/StretchCopy.h"

namespace velinor {

namespace {

QImage Wrap(const TBitmap& b, int x, int y, int w, int h) {
  // 32-bit B,G,R,A rows are QImage's RGB32 on a little-endian machine.
  const uchar* bits = b.ScanLine(y) + static_cast<size_t>(x) * 4;
  return QImage(bits, w, h, static_cast<qsizetype>(b.Stride()), QImage::Format_RGB32);
}

bool IsWholeNumber(double z) { return z >= 1 && std::floor(z) == z; }

}  // namespace

void TViewRenderer::EnsureReduced(const TBitmap& source, int zw, int zh) {
  if (reducedValid_ && reducedFor_ == &source && reduced_.Width() == zw && reduced_.Height() == zh)
    return;
  reduced_.SetSize(zw, zh);
  tilesX_ = (zw + kTileSize - 1) / kTileSize;
  tilesY_ = (zh + kTileSize - 1) / kTileSize;
  tileFilled_.assign(static_cast<size_t>(tilesX_) * static_cast<size_t>(tilesY_), 0);
  reducedFor_ = &source;
  reducedValid_ = true;
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
#pragma omp parallel for schedule(dynamic) if (todo.size() > 1)
  for (int i = 0; i < static_cast<int>(todo.size()); ++i) {
    const int tx = todo[static_cast<size_t>(i)] % tilesX_;
    const int ty = todo[static_cast<size_t>(i)] / tilesX_;
    const TRect tile{tx * kTileSize, ty * kTileSize, (tx + 1) * kTileSize, (ty + 1) * kTileSize};
    StretchCopyAveraged(source, BitmapBounds(source), reduced_, whole, tile);
  }
  for (int t : todo) tileFilled_[static_cast<size_t>(t)] = 1;
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
  // Whole-number magnification with aligned blocks: averaging gives exactly the
  // nearest pixel, which is much cheaper.
  if (plan.Smooth && !IsWholeNumber(zoom))
    StretchCopyAveraged(source, plan.Source, work_, dest, all);
  else
    StretchCopyNearest(source, plan.Source, work_, dest, all);
  painter.drawImage(QPoint(a.Left, a.Top), Wrap(work_, 0, 0, a.Width(), a.Height()));
}

}  // namespace velinor
