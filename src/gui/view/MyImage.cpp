#include "gui/view/MyImage.h"

#include <algorithm>

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMap>
#include <QMenu>
#include <QMouseEvent>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include "core/base/Arith.h"
#include "core/view/DropShadow.h"
#include "gui/style/PainterFill.h"

namespace velinor {

namespace {

QMap<int, QCursor>& CursorTable() {
  static QMap<int, QCursor> table;
  return table;
}

}  // namespace

void RegisterCursor(int index, const QCursor& cursor) { CursorTable()[index] = cursor; }

QCursor CursorByIndex(int index) {
  const auto it = CursorTable().constFind(index);
  return it != CursorTable().constEnd() ? *it : QCursor(Qt::ArrowCursor);
}

TMyCustomImage::TMyCustomImage(QWidget* parent) : QAbstractScrollArea(parent) {
  color_ = clAppWorkSpace;
  zoomer_.SetPosition(ipManual);
  zoomer_.SetPixelAlign(true);
  zoomer_.SetBitmap(picture_);
  own_.OnChange = [this] { PictureChanged(); };
  // Every pixel of the client area is painted by PaintView: no background erase.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAutoFillBackground(false);
  viewport()->setMouseTracking(true);
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  horizontalScrollBar()->setTracking(true);
  verticalScrollBar()->setTracking(true);
  horizontalScrollBar()->setSingleStep(16);
  verticalScrollBar()->setSingleStep(16);
  UpdateScrollRanges();
  // Space is heard while the mouse is over the picture, whichever control of the
  // window has the keyboard focus (see eventFilter).
  qApp->installEventFilter(this);
}

TMyCustomImage::~TMyCustomImage() {
  own_.OnChange = nullptr;
  zoomer_.SetBitmap(nullptr);
}

// ---- properties ----------------------------------------------------------------

void TMyCustomImage::SetColor(TColor c) {
  if (c == color_) return;
  color_ = c;
  viewport()->update();
}

void TMyCustomImage::SetZoom(double factor) {
  zoomer_.SetZoom(factor);
  UpdateScrollRanges();
  RefreshCursor();
  viewport()->update();
}

void TMyCustomImage::SetMarge(int m) {
  if (m == marge_) return;
  marge_ = m;
  UpdateScrollRanges();
  RefreshCursor();
  viewport()->update();
}

void TMyCustomImage::SetDefaultCursor(int c) {
  if (c == defaultCursor_) return;
  defaultCursor_ = c;
  RefreshCursor();
}

void TMyCustomImage::SetImgCursor(int c) {
  if (c == imgCursor_) return;
  imgCursor_ = c;
  RefreshCursor();
}

void TMyCustomImage::SetOptimizeMode(TOptimizeMode m) {
  if (m == optimizeMode_) return;
  optimizeMode_ = m;
  viewport()->update();
}

void TMyCustomImage::SetBorderColor(TColor c) {
  if (c == borderColor_) return;
  borderColor_ = c;
  viewport()->update();
}

void TMyCustomImage::SetShadowSize(int s) {
  if (s < 0 || s > 7) s = 0;
  if (s == shadowSize_) return;
  shadowSize_ = s;
  viewport()->update();
}

// ---- fitting -------------------------------------------------------------------

void TMyCustomImage::FitToSize(int width, int height) {
  zoomer_.SetZoomedWidth(width - 2 * marge_);
  if (height - 2 * marge_ < zoomer_.ZoomedHeight()) zoomer_.SetZoomedHeight(height - 2 * marge_);
  UpdateScrollRanges();
  RefreshCursor();
  viewport()->update();
}

void TMyCustomImage::FitToClient() {
  // Without scroll bars, so that the client area is measured at its largest.
  rangeX_ = rangeY_ = 0;
  ApplyScrollLayout();
  const TRect c = ClientRect();
  FitToSize(c.Width(), c.Height());
}

// ---- geometry ------------------------------------------------------------------

TRect TMyCustomImage::ClientRect() const {
  return TRect{0, 0, layout_.ClientWidth, layout_.ClientHeight};
}

void TMyCustomImage::PlaceZoomer() const {
  zoomer_.SetLeft(marge_ - HorzPosition());
  zoomer_.SetTop(marge_ - VertPosition());
}

TRect TMyCustomImage::ImageRect() const {
  PlaceZoomer();
  return zoomer_.ImageRect();
}

TRect TMyCustomImage::VisibleImageRect() const { return IntersectRect(ClientRect(), ImageRect()); }

bool TMyCustomImage::PointInImage(TPoint p) const { return PtInRect(VisibleImageRect(), p); }

TPoint TMyCustomImage::ClientToImagePoint(TPoint p) const {
  const TRect ir = ImageRect();
  const double z = Zoom();
  TPoint q{static_cast<int>(Trunc((p.X - ir.Left) / z)), static_cast<int>(Trunc((p.Y - ir.Top) / z))};
  if (p.X == ir.Right - 1) q.X = picture_->Width() - 1;
  else if (p.X == ir.Left) q.X = 0;
  if (p.Y == ir.Bottom - 1) q.Y = picture_->Height() - 1;
  else if (p.Y == ir.Top) q.Y = 0;
  return q;
}

TPoint TMyCustomImage::ImageToClientPoint(TPoint q) const {
  const TRect ir = ImageRect();
  const double z = Zoom();
  TPoint p;
  p.X = q.X + 1 == picture_->Width() ? ir.Right - 1 : ir.Left + static_cast<int>(Round(z * q.X));
  p.Y = q.Y + 1 == picture_->Height() ? ir.Bottom - 1 : ir.Top + static_cast<int>(Round(z * q.Y));
  return p;
}

TRect TMyCustomImage::ClientToImageRect(TRect r) const {
  const TRect ir = ImageRect();
  const double z = Zoom();
  TRect q{static_cast<int>(Trunc((r.Left - ir.Left) / z)), static_cast<int>(Trunc((r.Top - ir.Top) / z)),
          static_cast<int>(Trunc((r.Right - ir.Left) / z)),
          static_cast<int>(Trunc((r.Bottom - ir.Top) / z))};
  if (r.Left == ir.Left) q.Left = 0;
  if (r.Top == ir.Top) q.Top = 0;
  if (r.Right == ir.Right) q.Right = picture_->Width();
  if (r.Bottom == ir.Bottom) q.Bottom = picture_->Height();
  return q;
}

TRect TMyCustomImage::ImageToClientRect(TRect r) const {
  const TRect ir = ImageRect();
  const double z = Zoom();
  TRect c{ir.Left + static_cast<int>(Round(z * r.Left)), ir.Top + static_cast<int>(Round(z * r.Top)),
          ir.Left + static_cast<int>(Round(z * r.Right)), ir.Top + static_cast<int>(Round(z * r.Bottom))};
  if (r.Left == 0) c.Left = ir.Left;
  if (r.Top == 0) c.Top = ir.Top;
  if (r.Right == picture_->Width()) c.Right = ir.Right;
  if (r.Bottom == picture_->Height()) c.Bottom = ir.Bottom;
  return c;
}

// ---- scrolling -----------------------------------------------------------------

int TMyCustomImage::HorzPosition() const { return horizontalScrollBar()->value(); }
int TMyCustomImage::VertPosition() const { return verticalScrollBar()->value(); }

void TMyCustomImage::UpdateScrollRanges() {
  rangeX_ = zoomer_.ZoomedWidth() + 2 * marge_;
  rangeY_ = zoomer_.ZoomedHeight() + 2 * marge_;
  ApplyScrollLayout();
  ScrollChanged();
}

void TMyCustomImage::ApplyScrollLayout() {
  if (applyingLayout_) return;
  applyingLayout_ = true;
  const QRect area = contentsRect();
  const int barW = verticalScrollBar()->sizeHint().width();
  const int barH = horizontalScrollBar()->sizeHint().height();
  layout_ = ComputeScrollLayout(area.width(), area.height(), rangeX_, rangeY_, barW, barH);
  setHorizontalScrollBarPolicy(layout_.HorzVisible ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(layout_.VertVisible ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  horizontalScrollBar()->setRange(0, layout_.HorzMax);
  horizontalScrollBar()->setPageStep(std::max(1, layout_.ClientWidth));
  verticalScrollBar()->setRange(0, layout_.VertMax);
  verticalScrollBar()->setPageStep(std::max(1, layout_.ClientHeight));
  applyingLayout_ = false;
}

void TMyCustomImage::ScrollRelative(int dx, int dy) {
  horizontalScrollBar()->setValue(HorzPosition() + dx);
  verticalScrollBar()->setValue(VertPosition() + dy);
  ScrollChanged();
}

void TMyCustomImage::CenterRectInView(const TRect& r) {
  const TRect c = ClientRect();
  const int left = c.Left + (c.Width() - r.Width()) / 2;
  const int top = c.Top + (c.Height() - r.Height()) / 2;
  horizontalScrollBar()->setValue(HorzPosition() + (r.Left - left));
  verticalScrollBar()->setValue(VertPosition() + (r.Top - top));
  ScrollChanged();
}

void TMyCustomImage::scrollContentsBy(int, int) {
  // Also reached when the user drags a scroll bar.
  ScrollChanged();
  RefreshCursor();
  viewport()->update();
}

void TMyCustomImage::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  ApplyScrollLayout();
}

// ---- cursor --------------------------------------------------------------------

void TMyCustomImage::UpdateCursor(int x, int y) {
  const int c = PtInRect(ImageRect(), TPoint{x, y}) ? imgCursor_ : defaultCursor_;
  cursorIndex_ = c;
  viewport()->setCursor(CursorByIndex(c));
}

void TMyCustomImage::RefreshCursor() {
  if (!isVisible()) return;
  const QPoint p = viewport()->mapFromGlobal(QCursor::pos());
  if (!PtInRect(ClientRect(), TPoint{p.x(), p.y()})) return;
  UpdateCursor(p.x(), p.y());
  // Applied at once (Qt does so when the widget's cursor changes) unless an
  // application-wide cursor is in force, which then keeps priority anyway.
}

// ---- painting ------------------------------------------------------------------

void TMyCustomImage::RepaintNow() {
  renderer_.Invalidate();
  viewport()->repaint();
}

void TMyCustomImage::RepaintPixels(const TRect& imageRect) {
  renderer_.InvalidateSource(*picture_, imageRect);
  // An overlay of the whole picture (a preview, the mask view) may follow the
  // same change; the look of an area is drawn afresh on every paint anyway.
  if (overlay_ && overlayArea_ == BitmapBounds(*picture_)) overlayRenderer_.InvalidateSource(*overlay_, imageRect);
  RepaintImageRect(imageRect);
}

void TMyCustomImage::SetTool(TViewTool* tool) {
  if (tool == tool_) return;
  if (tool_) viewport()->update(tool_->OverlayRect());
  tool_ = tool;
  if (tool_) viewport()->update(tool_->OverlayRect());
}

void TMyCustomImage::ClientToImage(double x, double y, double& ix, double& iy) const {
  const TRect r = ImageRect();
  const double z = Zoom() > 0 ? Zoom() : 1;
  ix = (x - r.Left) / z;
  iy = (y - r.Top) / z;
}

void TMyCustomImage::UpdateClient(const QRect& r) { viewport()->update(r); }

void TMyCustomImage::ShowPicture(const TBitmap* picture) {
  picture_ = picture ? picture : &own_;
  zoomer_.SetBitmap(picture_);
  PictureChanged();
  viewport()->update();
}

void TMyCustomImage::SetOverlay(const TBitmap* overlay, TRect area) {
  overlay_ = overlay && !overlay->Empty() ? overlay : nullptr;
  overlayArea_ = overlay_ ? area : TRect{};
  overlayRenderer_.Invalidate();
  viewport()->update();
}

void TMyCustomImage::AdoptOverlay() {
  std::swap(renderer_, overlayRenderer_);
  renderer_.Rebind(*picture_);
  overlayRenderer_.Invalidate();
  overlay_ = nullptr;
  overlayArea_ = TRect{};
  viewport()->repaint();
}

void TMyCustomImage::PictureChanged() {
  renderer_.Invalidate();
  if (picture_->Width() == lastWidth_ && picture_->Height() == lastHeight_) return;
  lastWidth_ = picture_->Width();
  lastHeight_ = picture_->Height();
  zoomer_.Recalculate();
  relayoutPending_ = true;
}

bool TMyCustomImage::viewportEvent(QEvent* e) {
  // Painting and mouse input are handled by the overrides below; the wheel
  // belongs to the window (it zooms or scrolls through the main window).
  return QAbstractScrollArea::viewportEvent(e);
}

void TMyCustomImage::paintEvent(QPaintEvent* e) {
  QPainter p(viewport());
  if (imageOnly_ && !picture_->Empty()) {
    painter_ = &p;
    updateRect_ = e->rect();
    PlaceZoomer();
    DrawContent(false);
    painter_ = nullptr;
  } else {
    PaintView(p, e->rect());
  }
  if (tool_) tool_->PaintOverlay(p);
}

void TMyCustomImage::PaintView(QPainter& painter, const QRect& updateRect) {
  if (relayoutPending_) {
    UpdateScrollRanges();
    RefreshCursor();
    relayoutPending_ = false;
  }
  PrepareBuffer();
  painter_ = &painter;
  updateRect_ = updateRect;
  const TRect client = ClientRect();
  if (picture_->Empty()) {
    painter.fillRect(ToQRect(client), ToQColor(color_));
  } else {
    switch (optimizeMode_) {
      case omAllways: zoomer_.SetSmooth(true); break;
      case omReduction: zoomer_.SetSmooth(Zoom() < 1); break;
      default: zoomer_.SetSmooth(false); break;
    }
    PlaceZoomer();
    DrawContent(true);
  }
  // Should the platform's viewport ever be larger than the computed client area,
  // the rest still gets the background rather than stale pixels.
  const QRect vp = viewport()->rect();
  if (vp.width() > client.Width())
    painter.fillRect(QRect(client.Right, 0, vp.width() - client.Width(), vp.height()), ToQColor(color_));
  if (vp.height() > client.Height())
    painter.fillRect(QRect(0, client.Bottom, client.Width(), vp.height() - client.Height()), ToQColor(color_));
  painter_ = nullptr;
}

void TMyCustomImage::DrawImage(bool drawFrame) {
  if (!painter_) return;
  if (drawFrame) DrawFrame();
  zoomer_.SetCanvas(painter_, ClientRect());
  const TZoomDrawPlan plan = zoomer_.PlanDraw(false);
  const TRect clip{updateRect_.left(), updateRect_.top(), updateRect_.right() + 1,
                   updateRect_.bottom() + 1};
  const bool wholeOverlay = overlay_ && overlay_->Width() == picture_->Width() &&
                            overlay_->Height() == picture_->Height() &&
                            overlayArea_ == BitmapBounds(*picture_);
  if (wholeOverlay) {
    overlayRenderer_.Draw(*painter_, *overlay_, zoomer_.Left(), zoomer_.Top(), zoomer_.ZoomedWidth(),
                          zoomer_.ZoomedHeight(), Zoom(), plan, clip);
  } else {
    renderer_.Draw(*painter_, *picture_, zoomer_.Left(), zoomer_.Top(), zoomer_.ZoomedWidth(),
                   zoomer_.ZoomedHeight(), Zoom(), plan, clip);
    if (overlay_ && overlay_->PixelFormat() == TPixelFormat::pf24bit) {
      // The look of an area: its bitmap scaled into the area's place on screen.
      const TRect target = ImageToClientRect(overlayArea_);
      const QImage look(overlay_->Bits(), overlay_->Width(), overlay_->Height(),
                        static_cast<qsizetype>(overlay_->Stride()), QImage::Format_BGR888);
      painter_->save();
      painter_->setClipRect(ToQRect(IntersectRect(plan.Result, clip)));
      painter_->drawImage(ToQRect(target), look);
      painter_->restore();
    }
  }
  zoomer_.SetCanvas(nullptr, TRect{});
}

void TMyCustomImage::DrawFrame() {
  QPainter& p = *painter_;
  TRect r = ImageRect();
  if (borderColor_ != clNone) {
    r = TRect{r.Left - 1, r.Top - 1, r.Right + 1, r.Bottom + 1};
    const QColor bc = ToQColor(borderColor_);
    p.fillRect(QRect(r.Left, r.Top, r.Width(), 1), bc);
    p.fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), bc);
    p.fillRect(QRect(r.Left, r.Top + 1, 1, r.Height() - 2), bc);
    p.fillRect(QRect(r.Right - 1, r.Top + 1, 1, r.Height() - 2), bc);
  }
  if (shadowSize_ > 0 && r.Width() > 7 && r.Height() > 7) {
    TPainterFillCanvas fill(p);
    DrawShadow(fill, r, shadowSize_, 77, color_, true, true);
    r.Right += shadowSize_;
    r.Bottom += shadowSize_;
  }
  const TRect c = ClientRect();
  const QColor bg = ToQColor(color_);
  const TRect bands[4] = {{c.Left, c.Top, c.Right, r.Top},
                          {c.Left, r.Bottom, c.Right, c.Bottom},
                          {c.Left, r.Top, r.Left, r.Bottom},
                          {r.Right, r.Top, c.Right, r.Bottom}};
  for (const TRect& b : bands)
    if (!b.IsEmpty()) p.fillRect(ToQRect(b), bg);
}

void TMyCustomImage::RepaintImageRect(const TRect& imageRect) {
  const int grow = Zoom() >= 1 ? 2 : static_cast<int>(Ceil(1 / Zoom())) + 1;
  TRect r{imageRect.Left - grow, imageRect.Top - grow, imageRect.Right + grow, imageRect.Bottom + grow};
  r = IntersectRect(ImageToClientRect(r), VisibleImageRect());
  if (r.IsEmpty()) return;
  // Qt paints only inside a paint event: repaint that rectangle now, image only.
  imageOnly_ = true;
  viewport()->repaint(ToQRect(r));
  imageOnly_ = false;
}

// ---- mouse ---------------------------------------------------------------------

void TMyCustomImage::mousePressEvent(QMouseEvent* e) {
  if (PanPress(e)) return;
  if (tool_ && tool_->MousePress(e)) return;
  const QPoint p = e->position().toPoint();
  if (OnMouseDown) OnMouseDown(this, e->button(), e->modifiers(), p.x(), p.y());
}

void TMyCustomImage::mouseReleaseEvent(QMouseEvent* e) {
  if (PanRelease(e)) return;
  if (tool_ && tool_->MouseRelease(e)) return;
  const QPoint p = e->position().toPoint();
  if (OnMouseUp) OnMouseUp(this, e->button(), e->modifiers(), p.x(), p.y());
}

void TMyCustomImage::mouseMoveEvent(QMouseEvent* e) {
  if (PanMove(e)) return;
  const QPoint p = e->position().toPoint();
  UpdateCursor(p.x(), p.y());
  if (tool_) {
    const QRect before = tool_->OverlayRect();
    const bool taken = tool_->MouseMove(e);
    viewport()->update(before | tool_->OverlayRect());
    if (taken) return;
  }
  if (OnMouseMove) OnMouseMove(this, e->modifiers(), p.x(), p.y());
}

void TMyCustomImage::leaveEvent(QEvent* e) {
  if (tool_) {
    const QRect before = tool_->OverlayRect();
    tool_->MouseLeave();
    viewport()->update(before);
  }
  QAbstractScrollArea::leaveEvent(e);
}

// ---- panning and keyboard scrolling ----------------------------------------------

bool TMyCustomImage::PanPress(QMouseEvent* e) {
  if (panning_) return true;  // a second button during a pan changes nothing
  const bool starts = e->button() == Qt::MiddleButton || (e->button() == Qt::LeftButton && spaceHeld_);
  if (!starts) return false;
  panning_ = true;
  panButton_ = e->button();
  panFrom_ = e->globalPosition().toPoint();
  panScrollFrom_ = QPoint(HorzPosition(), VertPosition());
  viewport()->setCursor(Qt::ClosedHandCursor);
  return true;
}

bool TMyCustomImage::PanMove(QMouseEvent* e) {
  if (!panning_) return false;
  // The picture follows the mouse: dragging to the right shows what lies left.
  const QPoint moved = e->globalPosition().toPoint() - panFrom_;
  horizontalScrollBar()->setValue(panScrollFrom_.x() - moved.x());
  verticalScrollBar()->setValue(panScrollFrom_.y() - moved.y());
  ScrollChanged();
  return true;
}

bool TMyCustomImage::PanRelease(QMouseEvent* e) {
  if (!panning_) return false;
  if (e->button() != panButton_) return true;
  PanMove(e);
  panning_ = false;
  panButton_ = Qt::NoButton;
  if (spaceHeld_) viewport()->setCursor(Qt::OpenHandCursor);
  else UpdateCursor(e->position().toPoint().x(), e->position().toPoint().y());
  return true;
}

void TMyCustomImage::SetSpaceHeld(bool held) {
  if (held == spaceHeld_) return;
  spaceHeld_ = held;
  if (panning_) return;
  if (held) viewport()->setCursor(Qt::OpenHandCursor);
  else RefreshCursor();
}

bool TMyCustomImage::ScrollByKey(int key) {
  switch (key) {
    case Qt::Key_Left: ScrollRelative(-kScrollStep, 0); return true;
    case Qt::Key_Right: ScrollRelative(kScrollStep, 0); return true;
    case Qt::Key_Up: ScrollRelative(0, -kScrollStep); return true;
    case Qt::Key_Down: ScrollRelative(0, kScrollStep); return true;
    case Qt::Key_PageUp: ScrollRelative(0, -std::max(1, layout_.ClientHeight)); return true;
    case Qt::Key_PageDown: ScrollRelative(0, std::max(1, layout_.ClientHeight)); return true;
    case Qt::Key_Home: ScrollRelative(-HorzPosition(), -VertPosition()); return true;
    case Qt::Key_End:
      ScrollRelative(layout_.HorzMax - HorzPosition(), layout_.VertMax - VertPosition());
      return true;
    default: return false;
  }
}

bool TMyCustomImage::eventFilter(QObject* watched, QEvent* e) {
  const QEvent::Type type = e->type();
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
  auto* key = static_cast<QKeyEvent*>(e);
  if (key->key() != Qt::Key_Space || watched == this) return false;
  auto* target = qobject_cast<QWidget*>(watched);
  if (!target || target->window() != window()) return false;
  if (type == QEvent::KeyRelease) {
    if (!spaceHeld_) return false;
    if (!key->isAutoRepeat()) SetSpaceHeld(false);
    return true;
  }
  // Over the picture Space means "pan", not a press of the focused button.
  if (key->modifiers() != Qt::NoModifier || !isVisible() ||
      !viewport()->rect().contains(viewport()->mapFromGlobal(QCursor::pos())))
    return false;
  if (!key->isAutoRepeat()) SetSpaceHeld(true);
  return true;
}

void TMyCustomImage::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Space && e->modifiers() == Qt::NoModifier) {
    if (!e->isAutoRepeat()) SetSpaceHeld(true);
    e->accept();
    return;
  }
  if ((e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && ScrollByKey(e->key())) {
    e->accept();
    return;
  }
  e->ignore();  // everything else is the window's
}

void TMyCustomImage::keyReleaseEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Space && !e->isAutoRepeat()) {
    SetSpaceHeld(false);
    e->accept();
    return;
  }
  e->ignore();
}

void TMyCustomImage::focusOutEvent(QFocusEvent* e) {
  // A Space released elsewhere would never be heard of.
  SetSpaceHeld(false);
  QAbstractScrollArea::focusOutEvent(e);
}

void TMyCustomImage::mouseDoubleClickEvent(QMouseEvent* e) {
  if (OnDblClick) OnDblClick(this);
  else QAbstractScrollArea::mouseDoubleClickEvent(e);
}

void TMyCustomImage::contextMenuEvent(QContextMenuEvent* e) {
  // A tool takes the right button too (the brush paints with it).
  if (tool_) return;
  if (popupMenu_) popupMenu_->exec(e->globalPos());
}

void TMyCustomImage::wheelEvent(QWheelEvent* e) {
  // The view does not scroll by itself with the wheel: the window decides.
  e->ignore();
}

}  // namespace velinor
