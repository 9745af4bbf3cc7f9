#pragma once
// The scrollable, zoomable view of the document's image. It shows one TBitmap —
// its own, or a picture owned elsewhere (the document's), in place — at a zoom factor with a margin around it, an optional one-pixel border
// line and a soft drop shadow, on a background of its own colour. It maps points
// and rectangles between its client area and image pixels. The layout of the
// zoomed image comes from the core's TImageZoom; the view only paints what that
// plan says.
#include <QAbstractScrollArea>
#include <QCursor>
#include <functional>

#include "core/base/Bitmap.h"
#include "core/base/Color.h"
#include "core/base/Geometry.h"
#include "core/view/ImageZoom.h"
#include "gui/view/ScrollLayout.h"
#include "gui/view/ViewRenderer.h"

class QMenu;
class QMouseEvent;
class QPainter;

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

// A tool that takes the mouse over the view before the view's mouse events (the
// brush): what it takes, those events do not hear of. It may draw over the image.
class TViewTool {
 public:
  virtual ~TViewTool() = default;
  virtual bool MousePress(QMouseEvent* e) = 0;
  virtual bool MouseMove(QMouseEvent* e) = 0;
  virtual bool MouseRelease(QMouseEvent* e) = 0;
  virtual void MouseLeave() {}
  // Drawn over the image after every paint, in client coordinates; OverlayRect
  // bounds it (the view repaints the old and the new one when the mouse moves).
  virtual void PaintOverlay(QPainter& painter) = 0;
  virtual QRect OverlayRect() const = 0;
};

class TMyCustomImage : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit TMyCustomImage(QWidget* parent = nullptr);
  ~TMyCustomImage() override;

  // The view's own bitmap: what it shows unless ShowPicture gave another.
  TBitmap& Bitmap() { return own_; }
  const TBitmap& Bitmap() const { return own_; }
  // What the view shows.
  const TBitmap& Picture() const { return *picture_; }
  // Shows a picture owned elsewhere, in place, without copying it (null: the own
  // bitmap again). The picture must outlive the view or be replaced first; its
  // owner calls PictureChanged after its size or format changed or it was replaced.
  void ShowPicture(const TBitmap* picture);
  // The shown picture changed: what was derived from it is dropped and its size
  // looked at again.
  void PictureChanged();
  // Shows over the picture, without changing it, either a picture of the same
  // size (area = its bounds) or the look of an area of the picture (a bitmap
  // covering area, drawn scaled into it); null: none. The overlay is owned
  // elsewhere and must stay alive until it is replaced.
  void SetOverlay(const TBitmap* overlay, TRect area = TRect{});
  const TBitmap* Overlay() const { return overlay_; }
  // The picture now holds the overlay's pixels (a whole-picture overlay): what
  // was derived from the overlay serves the picture, the overlay goes, and the
  // view is painted now.
  void AdoptOverlay();
  TRect OverlayArea() const { return overlayArea_; }
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
  // Keyboard scrolling: arrows by kScrollStep pixels, Page Up / Page Down by a
  // client height, Home / End to the top-left / bottom-right edge. False for any
  // other key.
  bool ScrollByKey(int key);
  static constexpr int kScrollStep = 33;

  // Panning: a drag with the middle button, or with the left one while Space is
  // held, moves the view with the mouse; such a press does not reach OnMouseDown.
  bool Panning() const { return panning_; }
  bool SpaceHeld() const { return spaceHeld_; }
  void CenterRectInView(const TRect& r);

  // The cursor the view shows now.
  int CurrentCursorIndex() const { return cursorIndex_; }
  void RefreshCursor();

  // The pixels of the bitmap changed: drop what was derived from them and paint now.
  void RepaintNow();
  // Only the pixels of imageRect changed (of the picture, and of a whole-picture
  // overlay): that part is derived and painted again now.
  void RepaintPixels(const TRect& imageRect);
  // The tool the mouse goes to first (null: none); the view does not own it.
  void SetTool(TViewTool* tool);
  TViewTool* Tool() const { return tool_; }
  // A point of the client area in image coordinates, to a fraction of a pixel.
  void ClientToImage(double x, double y, double& ix, double& iy) const;
  // Repaints a rectangle of the client area.
  void UpdateClient(const QRect& r);
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
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void leaveEvent(QEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  bool viewportEvent(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void ApplyScrollLayout();
  void PlaceZoomer() const;
  // The pan of the mouse: each returns true when it took the event.
  bool PanPress(QMouseEvent* e);
  bool PanMove(QMouseEvent* e);
  bool PanRelease(QMouseEvent* e);
  void SetSpaceHeld(bool held);

  TBitmap own_;
  const TBitmap* picture_ = &own_;
  mutable TImageZoom zoomer_;
  TViewRenderer renderer_;
  const TBitmap* overlay_ = nullptr;
  TRect overlayArea_;
  TViewRenderer overlayRenderer_;
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

  bool spaceHeld_ = false;
  bool panning_ = false;
  Qt::MouseButton panButton_ = Qt::NoButton;
  QPoint panFrom_;          // global position of the press
  QPoint panScrollFrom_;    // scroll positions at the press

  TViewTool* tool_ = nullptr;
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

 private:
  TSelMode selectionMode_ = smNone;
};

}  // namespace velinor
