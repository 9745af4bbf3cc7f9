#include "gui/app/BrushTool.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSpinBox>
#include <QToolButton>
#include <algorithm>
#include <cmath>

#include "gui/app/MainForm.h"
#include "gui/app/Resources.h"

namespace velinor {

TBrushTool::TBrushTool(TMainForm& form, QWidget* parent, int x, int y) : QObject(&form), form_(form) {
  PnlBrush = new QFrame(parent);
  PnlBrush->setObjectName("PnlBrush");
  PnlBrush->setGeometry(x, y, 140, 48);
  auto* lblSize = new QLabel("Brush size", PnlBrush);
  lblSize->setGeometry(0, 2, 72, 20);
  SEBrushSize = new QSpinBox(PnlBrush);
  SEBrushSize->setObjectName("SEBrushSize");
  SEBrushSize->setGeometry(74, 0, 62, 22);
  SEBrushSize->setRange(MinBrushSize, MaxBrushSize);
  SEBrushSize->setValue(TBrush{}.Size);
  auto* lblSoft = new QLabel("Softness %", PnlBrush);
  lblSoft->setGeometry(0, 26, 72, 20);
  SEBrushSoftness = new QSpinBox(PnlBrush);
  SEBrushSoftness->setObjectName("SEBrushSoftness");
  SEBrushSoftness->setGeometry(74, 24, 62, 22);
  SEBrushSoftness->setRange(0, 100);
  SEBrushSoftness->setValue(TBrush{}.Softness);
  PnlBrush->hide();
  RegisterCursor(kBrushCursorIndex, QCursor(Qt::CrossCursor));
  connect(SEBrushSize, &QSpinBox::valueChanged, this, [this] {
    if (form_.Image) form_.Image->UpdateClient(OverlayRect().adjusted(-600, -600, 600, 600));
  });
}

TBrush TBrushTool::Brush() const { return TBrush{SEBrushSize->value(), SEBrushSoftness->value()}.Clamped(); }

void TBrushTool::SetSize(int size) {
  const QRect before = OverlayRect();
  SEBrushSize->setValue(std::clamp(size, MinBrushSize, MaxBrushSize));
  if (form_.Image) form_.Image->UpdateClient(before | OverlayRect());
}

void TBrushTool::SetSoftness(int softness) { SEBrushSoftness->setValue(std::clamp(softness, 0, 100)); }

void TBrushTool::StepSize(int direction) {
  const int size = SEBrushSize->value();
  const int step = std::max(1, size / 10);
  SetSize(size + (direction < 0 ? -step : step));
}

void TBrushTool::SetActive(bool on) {
  if (on == active_) return;
  if (!on) EndStroke();
  // The view repaints where the circle was while the tool still says where.
  if (!on) form_.Image->SetTool(nullptr);
  active_ = on;
  PnlBrush->setVisible(on);
  if (on) form_.Image->SetTool(this);
  // The eyedropper's cursor over the image, or a cross inside the brush's circle.
  form_.Image->SetImgCursor(on ? kBrushCursorIndex : kPipetteCursorIndex);
  if (form_.BtnBrush) form_.BtnBrush->setChecked(on);
  if (form_.BtnPipette) form_.BtnPipette->setChecked(!on);
}

bool TBrushTool::MousePress(QMouseEvent* e) {
  if (!active_) return false;
  mouse_ = e->position();
  mouseInside_ = true;
  if (painting_ || !form_.DocumentOpen()) return true;
  // Alt + left is often the window manager's (it moves the window): Ctrl + left
  // paints grey as well.
  const bool grey = e->button() == Qt::RightButton ||
                    (e->button() == Qt::LeftButton && (e->modifiers() & (Qt::AltModifier | Qt::ControlModifier)));
  if (e->button() != Qt::LeftButton && e->button() != Qt::RightButton) return false;
  painting_ = true;
  button_ = e->button();
  const bool beforeExecute = !form_.Document().ResultMatchesPhoto();
  form_.Document().BeginStroke(Brush(), grey ? TTouchKind::Grey : TTouchKind::Colour, form_.KeepInputsNow());
  PaintTo(mouse_);
  if (beforeExecute) form_.StrokeBeganBeforeExecute();
  return true;
}

bool TBrushTool::MouseMove(QMouseEvent* e) {
  if (!active_) return false;
  mouse_ = e->position();
  mouseInside_ = true;
  if (painting_) PaintTo(mouse_);
  return true;
}

bool TBrushTool::MouseRelease(QMouseEvent* e) {
  if (!active_) return false;
  if (painting_ && e->button() == button_) EndStroke();
  return true;
}

void TBrushTool::MouseLeave() { mouseInside_ = false; }

void TBrushTool::PaintTo(QPointF client) {
  double x = 0, y = 0;
  form_.Image->ClientToImage(client.x(), client.y(), x, y);
  form_.StrokePainted(form_.Document().StrokeTo(TBrushPoint{x, y}));
}

void TBrushTool::EndStroke() {
  if (!painting_) return;
  painting_ = false;
  button_ = Qt::NoButton;
  form_.Document().EndStroke();
  form_.UpdateToolbar();
  form_.UpdatePreview();
}

QRect TBrushTool::OverlayRect() const {
  if (!active_ || !mouseInside_ || !form_.Image) return QRect();
  const double r = Brush().Size / 2.0 * form_.Image->Zoom();
  const int reach = static_cast<int>(std::ceil(r)) + 3;
  const QPoint c = mouse_.toPoint();
  return QRect(c.x() - reach, c.y() - reach, 2 * reach + 1, 2 * reach + 1);
}

void TBrushTool::PaintOverlay(QPainter& painter) {
  if (!active_ || !mouseInside_ || !form_.DocumentOpen()) return;
  // The brush's reach at the current zoom, light over dark so it shows on any photo.
  const double r = std::max(1.0, Brush().Size / 2.0 * form_.Image->Zoom());
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(QColor(0, 0, 0), 1));
  painter.drawEllipse(mouse_, r + 1, r + 1);
  painter.setPen(QPen(QColor(255, 255, 255), 1));
  painter.drawEllipse(mouse_, r, r);
  painter.restore();
}

}  // namespace velinor
