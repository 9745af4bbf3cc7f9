#pragma once
// The scrollable, zoomable view of the document's image. It owns one TBitmap and
// shows it at a zoom factor with a margin around it, an optional one-pixel border
// line and a soft drop shadow, on a background of its own colour. It maps points
// and rectangles between its client area and image pixels. The layout of the
// zoomed image comes from the core's TImageZoom; the view only paints what that
// plan says.
#include <QAbstractScrollArea>
#include <QCursor>
#include <functional>

#include "base/Bitmap.h"
#include "base/Color.h"
#include "base/Geometry.h"
#include "view/ImageZoom.h"
#include "view/ScrollLayout.h"
#include "view/ViewRenderer.h"

class QMenu;

namespace velinor {

enum TOptimizeMode { omNone, omReduction, omAllways };
enum TSelMode { smNone, smShape, smLine, smMoveLayer };

// Cursors by number, as the application registers them (0 is the arrow).
void RegisterCursor(int index, const QCursor& cursor);
QCursor CursorByIndex(int index);

using TMouseEvent = std::function<void(QObject* sender, Qt::MouseButton button,
                                       Qt::KeyboardModifiers shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(QObject* sender, Qt::KeyboardModifiers shift,
                                           int x, int y)>;

class TMyCustomImage : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit TMyCustomImage(QWidget* parent = nullptr);
  ~TMyCustomImage() override;

  TBitmap& Bitmap() { return bitmap_; }
  const TBitmap& Bitmap() const { return bitmap_; }
  const TImageZoom& Zoomer() const { return zoomer_; }
  const TViewRenderer& Renderer() const { return renderer_; }

  TColor Color() const { return color_; }
  void SetColor(TColor c);
  double Zoom() const { return zoomer_.Zoom(); }
  void SetZoom(double factor);
  int Marge() const { return marge_; }
  void SetMarge(int m);
  int DefaultCursor() const { return defaultCursor_; }
  void SetDefaultCursor(int c);
  int ImgCursor() const { return imgCursor_; }
  void SetImgCursor(int c);
  TOptimizeMode OptimizeMode() const { return optimizeMode_; }
  void SetOptimizeMode(TOptimizeMode m);
  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor c);
  int ShadowSize() const { return shadowSize_; }
  void SetShadowSize(int s);
  QMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }

  // Carried for the layered file; not used for display.
  double ResolutionX = 72.0;
  double ResolutionY = 72.0;
  QString Comment;
  int ColorCount = 0;

  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  std::function<void(QObject*)> OnDblClick;

  // Fitting.
  void FitToSize(int width, int height);
  void FitToClient();

  // Geometry, in client coordinates of the viewport.
  TRect ClientRect() const;
  TRect ImageRect() const;
  TRect VisibleImageRect() const;
  bool PointInImage(TPoint p) const;
  TPoint ClientToImagePoint(TPoint p) const;
  TPoint ImageToClientPoint(TPoint q) const;
  TRect ClientToImageRect(TRect r) const;
  TRect ImageToClientRect(TRect r) const;

  // Scrolling.
  int HorzPosition() const;
  int VertPosition() const;
  int HorzRange() const { return rangeX_; }
  int VertRange() const { return rangeY_; }
  bool HorzBarVisible() const { return layout_.HorzVisible; }
  bool VertBarVisible() const { return layout_.VertVisible; }
  void UpdateScrollRanges();
  void ScrollRelative(int dx, int dy);
  void CenterRectInView(const TRect& r);

  // The cursor the view shows now.
  int CurrentCursorIndex() const { return cursorIndex_; }
  void RefreshCursor();

  // The pixels of the bitmap changed: drop what was derived from them and paint now.
  void RepaintNow();
  // Paints the whole client area with painter (also used by the benchmark).
  void PaintView(QPainter& painter, const QRect& updateRect);

  bool RelayoutPending() const { return relayoutPending_; }

 protected:
  virtual void PrepareBuffer() {}
  virtual void DrawImage(bool drawFrame);
  virtual void DrawContent(bool drawFrame) { DrawImage(drawFrame); }
  virtual void ScrollChanged() {}
  virtual void UpdateCursor(int x, int y);
  virtual void RepaintImageRect(const TRect& imageRect);

  void DrawFrame();

  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  bool viewportEvent(QEvent* e) override;

 private:
  void BitmapChanged();
  void ApplyScrollLayout();
  void PlaceZoomer() const;

  TBitmap bitmap_;
  mutable TImageZoom zoomer_;
  TViewRenderer renderer_;
  int lastWidth_ = 0;
  int lastHeight_ = 0;
  bool relayoutPending_ = false;

  TColor color_;
  int marge_ = 8;
  int defaultCursor_ = 0;
  int imgCursor_ = 0;
  int cursorIndex_ = 0;
  TOptimizeMode optimizeMode_ = omNone;
  TColor borderColor_ = clNone;
  int shadowSize_ = 0;
  QMenu* popupMenu_ = nullptr;

  int rangeX_ = 0;
  int rangeY_ = 0;
  TScrollLayout layout_;
  bool applyingLayout_ = false;

  QPainter* painter_ = nullptr;  // the canvas while painting
  bool imageOnly_ = false;       // a RepaintImageRect is being painted
  QRect updateRect_;
};

// Adds the selection facility's published state; this program always runs it
// with smNone, under which a press simply reaches the mouse events.
class TMyImage : public TMyCustomImage {
  Q_OBJECT
 public:
  explicit TMyImage(QWidget* parent = nullptr) : TMyCustomImage(parent) {}
  TSelMode SelectionMode() const { return selectionMode_; }
  void SetSelectionMode(TSelMode m) { selectionMode_ = m; }

 protected:
  void ScrollChanged() override {
    scrollX_ = HorzPosition();
    scrollY_ = VertPosition();
  }

 private:
  TSelMode selectionMode_ = smNone;
  int scrollX_ = 0;
  int scrollY_ = 0;
};

}  // namespace velinor
