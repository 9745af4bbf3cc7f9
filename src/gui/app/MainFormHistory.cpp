// TMainForm: the history — undo snapshots, "Undo last action", "Redo last
// action" — and "Image size", the other command that records a step. The steps
// themselves are the document's; the window shows what they leave on screen.
#include <QAction>
#include <QTimer>
#include <QToolButton>

#include "gui/app/BusyGuard.h"
#include "gui/app/MainForm.h"
#include "gui/app/TextRules.h"
#include "gui/dialogs/RedimForm.h"
#include "gui/view/MyImage.h"

namespace velinor {

void TMainForm::TakeUndoSnapshot(const std::string& label) {
  document_.TakeUndoSnapshot(label);
  UpdateToolbar();
}

void TMainForm::MenuEditionUndoClick() {
  if (document_.CanUndo()) ShowHistoryStep(&TDocument::Undo);
}

void TMainForm::MenuEditionRedoClick() {
  if (document_.CanRedo()) ShowHistoryStep(&TDocument::Redo);
}

void TMainForm::ShowHistoryStep(void (TDocument::*step)()) {
  TBusyGuard busy(*this, "Processing...");
  const bool otherDocument = document_.StepReplacesDocument(step == &TDocument::Undo);
  (document_.*step)();
  // Across a paste another document comes back: its name and its thumbnail too.
  if (otherDocument) {
    UpdatePreview();
    UpdateStatus();
  }
  // The zoom box's choice applies again to the picture now on screen.
  RefreshView();
  UpdateToolbar();
  Image->RepaintNow();
}

void TMainForm::UpdateHistoryHints() {
  // The captions stay; the hints say which step goes, the caption's own hint
  // when there is none.
  auto hint = [](QAction* item, QToolButton* button, const char* verb, bool possible, const std::string& label) {
    const QString text = possible && !label.empty() ? QString("%1 %2").arg(verb, QString::fromStdString(label))
                                                    : HintFromCaption(item->text().section('\t', 0, 0));
    item->setToolTip(text);
    if (button) button->setToolTip(text);
  };
  hint(MenuEditionUndo, BtnUndo, "Undo", document_.CanUndo(), document_.History().UndoLabel());
  hint(MenuEditionRedo, BtnRedo, "Redo", document_.CanRedo(), document_.History().RedoLabel());
  // The history changed: what it took is packed when the window is idle again.
  if (packHistory_) packHistory_->start();
}

void TMainForm::PackHistoryWhenIdle() {
  document_.SetHistoryPacksLater(true);
  packHistory_ = new QTimer(this);
  packHistory_->setSingleShot(true);
  packHistory_->setInterval(30);
  connect(packHistory_, &QTimer::timeout, this, [this] { document_.PackHistory(); });
}

void TMainForm::MenuActionRedimClick() { ShowImageSizeDialog(*this); }

void TMainForm::MenuActionRotateLeftClick() { RotateDocument(false); }
void TMainForm::MenuActionRotateRightClick() { RotateDocument(true); }

void TMainForm::RotateDocument(bool clockwise) {
  if (!DocumentOpen()) return;
  TBusyGuard busy(*this, "Processing...");
  document_.RotateImage(clockwise);
  UpdateToolbar();
  ChooseInitialZoom();
  RefreshView();
  Image->RepaintNow();
}

void TMainForm::ResizeDocument(int width, int height, int mode) {
  try {
    document_.ResizeImage(width, height, mode);
  } catch (...) {
    UpdateToolbar();  // the step was recorded all the same
    throw;
  }
  UpdateToolbar();
}

}  // namespace velinor
