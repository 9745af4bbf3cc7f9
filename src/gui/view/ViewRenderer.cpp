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
  StretchCopyAveraged(source, BitmapBounds(source), reduced_, TRect{0, 0, zw, zh},
                      TRect{0, 0, zw, zh});
  reducedFor_ = &source;
  reducedValid_ = true;
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
