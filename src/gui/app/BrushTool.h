#pragma once
// The brush mode of the main window: while it is on, the image view hands the
// mouse to this tool. Left drag paints the photo's colour back, right drag (or
// Ctrl or Alt + left) paints grey; the document holds the strokes (TDocument's
// touch-ups) and composes the result again where they pass. The tool only turns
// mouse positions into image points, shows the brush's circle and its two settings.
#include <QObject>
#include <QPoint>
#include <QRect>

#include "core/engine/Brush.h"
#include "gui/view/MyImage.h"

class QFrame;
class QLabel;
class QSpinBox;

namespace velinor {

class TMainForm;

// The view's cursor over the image in brush mode (the circle is drawn by the tool).
inline constexpr int kBrushCursorIndex = 6;

class TBrushTool : public QObject, public TViewTool {
  Q_OBJECT
 public:
  // Builds the settings panel inside parent at (x, y); hidden until the mode is on.
  TBrushTool(TMainForm& form, QWidget* parent, int x, int y);

  bool Active() const { return active_; }
  // On: the view's mouse goes to the brush; off: back to the eyedropper.
  void SetActive(bool on);
  TBrush Brush() const;
  void SetSize(int size);
  void SetSoftness(int softness);
  // "[" and "]": the size one step down or up (about a tenth, at least 1 pixel).
  void StepSize(int direction);
  bool Painting() const { return painting_; }

  QFrame* PnlBrush = nullptr;
  QSpinBox* SEBrushSize = nullptr;
  QSpinBox* SEBrushSoftness = nullptr;

  // TViewTool.
  bool MousePress(QMouseEvent* e) override;
  bool MouseMove(QMouseEvent* e) override;
  bool MouseRelease(QMouseEvent* e) override;
  void MouseLeave() override;
  void PaintOverlay(QPainter& painter) override;
  QRect OverlayRect() const override;

 private:
  void PaintTo(QPointF client);
  void EndStroke();

  TMainForm& form_;
  bool active_ = false;
  bool painting_ = false;
  Qt::MouseButton button_ = Qt::NoButton;
  QPointF mouse_;
  bool mouseInside_ = false;
};

}  // namespace velinor
