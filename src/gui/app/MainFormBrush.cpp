// TMainForm: the brush on the mask — building its tool, the modes "Brush" and
// "Eyedropper", and "Clear touch-ups".
#include <QCheckBox>
#include <QFrame>
#include <QKeySequence>
#include <QPainter>
#include <QPixmap>
#include <QShortcut>
#include <QToolButton>

#include "gui/app/BrushTool.h"
#include "gui/app/LivePreview.h"
#include "gui/app/MainForm.h"
#include "gui/app/Resources.h"
#include "gui/view/MyImage.h"

namespace velinor {

namespace {

// A round brush tip over its stroke, for the toolbar button.
QIcon BrushGlyph() {
  QPixmap pm(kToolbarIconWidth, kToolbarIconHeight);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(QPen(QColor(60, 60, 60), 5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(8, 27), QPointF(20, 19));
  p.setPen(QPen(QColor(120, 70, 20), 3, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(22, 16), QPointF(32, 6));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(200, 40, 40));
  p.drawEllipse(QPointF(20, 18), 4, 4);
  return QIcon(pm);
}

}  // namespace

void TMainForm::BuildBrush() {
  BrushTool = new TBrushTool(*this, PnlLeft, 8, 470);
  BtnPipette->setIcon(QIcon(LoadPipetteCursor().pixmap()));
  BtnBrush->setIcon(BrushGlyph());
  BtnBrush->setToolTip("Brush: drag with the left button to paint the colours back, with the right button "
                       "(or Ctrl or Alt and the left button) to paint grey");
  for (QToolButton* b : {BtnPipette, BtnBrush}) b->setCheckable(true);
  BtnPipette->setChecked(true);
  // "[" and "]" change the brush's size, also while the eyedropper is on.
  for (const auto& [keys, direction] : {std::pair{"[", -1}, std::pair{"]", 1}}) {
    auto* shortcut = new QShortcut(QKeySequence(QString::fromLatin1(keys)), this);
    connect(shortcut, &QShortcut::activated, this, [this, d = direction] { BrushTool->StepSize(d); });
  }
}

void TMainForm::StrokePainted(TRect changed) {
  if (changed.IsEmpty()) return;
  livePreview_->TouchUpsPainted(changed);
  Image->RepaintPixels(changed);
}

void TMainForm::StrokeBeganBeforeExecute() {
  // The strokes are an input of "Execute": the preview shows them (already on
  // screen, it follows them as they are painted).
  if (!livePreview_->OnScreen()) KeepInputsChanged();
}

void TMainForm::MenuActionBrushClick() {
  if (!DocumentOpen()) return;
  BrushTool->SetActive(true);
}

// Escape steps back one level: out of the brush first, then off the preview.
void TMainForm::MenuActionPipetteClick() {
  if (BrushTool->Active()) BrushTool->SetActive(false);
  else if (livePreview_) livePreview_->Hide();
}

void TMainForm::MenuActionClearTouchUpsClick() {
  if (!DocumentOpen() || document_.TouchUps().Empty()) return;
  document_.ClearTouchUps();
  UpdateToolbar();
  Image->RepaintNow();
  UpdatePreview();
}

}  // namespace velinor
