// TMainForm: the brush on the mask — building its tool, the modes "Brush" and
// "Eyedropper", and "Clear touch-ups".
#include <QCheckBox>
#include <QFrame>

#include "gui/app/BrushTool.h"
#include "gui/app/LivePreview.h"
#include "gui/app/MainForm.h"
#include "gui/view/MyImage.h"

namespace velinor {

void TMainForm::BuildBrush() { BrushTool = new TBrushTool(*this, PnlLeft, 8, 470); }

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
