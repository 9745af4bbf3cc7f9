// TMainForm: zoom presets and steps, the zoom box, applying a zoom to the view,
// the initial zoom and the mouse wheel.
#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>

#include "gui/app/MainForm.h"
#include "gui/app/ZoomSteps.h"
#include "gui/controls/SpecialEdit.h"
#include "gui/view/MyImage.h"

namespace velinor {

void TMainForm::RefreshView() {
  ApplyZoom();
  UpdateStatus();
}

double TMainForm::ZoomFromIndex(int index) {
  double z = PresetZoom(index);
  if (z <= 0) {
    Image->FitToClient();
    z = LimitAutoZoom(Image->Zoom());
  }
  Image->SetZoom(z);
  return z;
}

QPoint TMainForm::MouseInView() const {
  const QPoint screen = wheelScreenPos_ ? *wheelScreenPos_ : QCursor::pos();
  return Image->viewport()->mapFromGlobal(screen);
}

void TMainForm::ApplyZoom() {
  const TRect visible = Image->VisibleImageRect();
  const TRect shownBefore = Image->ClientToImageRect(visible);
  const QPoint mouse = MouseInView();
  const TPoint m = Image->ClientToImagePoint(TPoint{mouse.x(), mouse.y()});
  const int index = EdiZoom->ItemIndex();
  ZoomFromIndex(index);
  const TRect target = ZoomAtMouse
                           ? Image->ImageToClientRect(TRect{m.X - 3, m.Y - 3, m.X + 3, m.Y + 3})
                           : Image->ImageToClientRect(shownBefore);
  if (index != kZoomAutoIndex) Image->CenterRectInView(target);
  UpdateStatus();
  UpdateToolbar();
}

void TMainForm::ViewResized() {
  if (DocumentOpen() && EdiZoom->ItemIndex() == kZoomAutoIndex) ApplyZoom();
}

bool TMainForm::StepZoom(int mode) {
  const TZoomStep step = StepZoomDecision(Image->Zoom(), mode);
  if ((mode == 1 || mode == 3) && step.Possible) {
    EdiZoom->SetItemIndex(ZoomToIndex(step.NewZoom));
    ApplyZoom();
  }
  return step.Possible;
}

void TMainForm::ChooseInitialZoom() {
  EdiZoom->SetItemIndex(InitialZoomIndex(CurrentImage().Width(), CurrentImage().Height(),
                                         Image->width(), Image->height(), Image->Marge(),
                                         Image->ShadowSize()));
}

void TMainForm::MenuZoomPlusClick() { StepZoom(1); }
void TMainForm::MenuZoomMoinsClick() { StepZoom(3); }

void TMainForm::MenuZoom100Click() {
  EdiZoom->SetItemIndex(kZoom100Index);
  ApplyZoom();
}

void TMainForm::MenuZoomAutoClick() {
  EdiZoom->SetItemIndex(kZoomAutoIndex);
  ApplyZoom();
}

void TMainForm::EdiZoomSelectItem(bool changed) {
  if (EdiZoom->ItemIndex() <= 0 || changed) ApplyZoom();
}

void TMainForm::EdiZoomDisplayText(QString& text) {
  text = ZoomDisplayText(EdiZoom->ItemIndex(), text, DocumentOpen(), Image->Zoom());
}

int TMainForm::WheelOverScrollBar(QPoint screenPoint) const {
  const QRect client = Image->viewport()->rect();
  const QPoint tl = Image->viewport()->mapToGlobal(client.topLeft());
  const QPoint br = Image->viewport()->mapToGlobal(QPoint(client.right() + 1, client.bottom() + 1));
  const int barW = Image->verticalScrollBar()->sizeHint().width();
  const int barH = Image->horizontalScrollBar()->sizeHint().height();
  const QRect vert(QPoint(br.x(), tl.y()), QPoint(br.x() + barW - 1, br.y() - 1));
  const QRect horz(QPoint(tl.x(), br.y()), QPoint(br.x() - 1, br.y() + barH - 1));
  if (Image->VertBarVisible() && vert.contains(screenPoint)) return 1;
  if (Image->HorzBarVisible() && horz.contains(screenPoint)) return 2;
  return 0;
}

void TMainForm::WheelNotch(bool down, QPoint screenPoint) {
  if (!DocumentOpen() || !MenuOptionZMouse->isChecked()) return;
  // The keyboard focus stays where it is: the wheel is the window's, not a control's.
  switch (WheelOverScrollBar(screenPoint)) {
    case 1: Image->ScrollRelative(0, down ? 33 : -33); break;
    case 2: Image->ScrollRelative(down ? 33 : -33, 0); break;
    default:
      ZoomAtMouse = true;
      wheelScreenPos_ = screenPoint;
      StepZoom(down ? 1 : 3);
      wheelScreenPos_.reset();
      ZoomAtMouse = false;
      break;
  }
}

}  // namespace velinor
