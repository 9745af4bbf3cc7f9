// TMainForm: the document, its busy display and status, the save question, the
// thumbnail, opening and closing, start-up file and shutdown.
#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>

#include "app/BusyGuard.h"
#include "app/DialogSeam.h"
#include "app/MainForm.h"
#include "app/MsgDlg.h"
#include "app/SharedStrings.h"
#include "app/TextRules.h"
#include "app/ZoomSteps.h"
#include "controls/SpecialEdit.h"
#include "dialogs/RedimForm.h"
#include "files/ImageDispatch.h"
#include "view/MyImage.h"
#include "view/QtBitmap.h"
#include "view/Thumbnail.h"
#include "PrintCommand.h"

namespace velinor {

// ---- busy and status ---------------------------------------------------------------

void TMainForm::BeginBusy(const QString& text) {
  StatusPanels[0]->setText(text);
  // Nothing is processed while a command runs, so the bar is painted now.
  statusBar()->repaint();
  QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TMainForm::EndBusy() {
  // Every override pushed by BeginBusy is taken back.
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  StatusPanels[0]->setText("Ready");
}

void TMainForm::ShowProgress(const QString& label, int percent) {
  // Reported once per row: the bar is painted only when its text changes.
  const QString text = QString("%1 : %2%").arg(label).arg(percent);
  if (text == StatusPanels[0]->text()) return;
  StatusPanels[0]->setText(text);
  statusBar()->repaint();
}

void TMainForm::UpdateStatus() {
  StatusPanels[0]->setText("Ready");
  if (CurrentImage().Empty()) {
    StatusPanels[1]->clear();
    StatusPanels[2]->clear();
  } else {
    StatusPanels[1]->setText(QString("%1x%2").arg(CurrentImage().Width()).arg(CurrentImage().Height()));
    StatusPanels[2]->setText(FileName);
  }
  statusBar()->repaint();
  EdiZoom->repaint();
  LblColors->setText(QString("%1 color(s) :").arg(LstColor->count()));
}

// ---- save question, history, colours -------------------------------------------------

bool TMainForm::QuerySaveChanges() {
  if (Saved || (!Pasted && !Processed)) return true;
  const int answer = MessageDialog("Save changes before continuing ?", mkConfirmation,
                                   mbYes | mbNo | mbCancel);
  // A save that is cancelled or fails keeps the document: it is not discarded unsaved.
  if (answer == mrYes) return SaveDocumentAs();
  return answer != mrCancel;
}

void TMainForm::TakeUndoSnapshot() {
  UndoAvailable = true;
  Saved = false;
  UndoImage.Assign(CurrentImage());
  UpdateToolbar();
}

void TMainForm::ResetHistory() {
  UndoAvailable = false;
  Processed = false;
  Saved = false;
  UndoImage.Clear();
}

void TMainForm::ClearColors() {
  LstColor->clear();
  BClear->setEnabled(false);
  UpdateStatus();
}

// ---- thumbnail -----------------------------------------------------------------------

void TMainForm::UpdatePreview() {
  TBitmap thumb(Preview->width(), Preview->height(), TPixelFormat::pf24bit);
  MakeThumbnail(CurrentImage(), thumb, clWhite, clBtnFace, 4, 0);
  Preview->setPixmap(QPixmap::fromImage(WrapBitmap(thumb)));
}

// ---- open and close ------------------------------------------------------------------

void TMainForm::OpenImage(const QString& givenName, bool addToRecent) {
  if (!QuerySaveChanges()) return;
  TBusyGuard busy(*this, "Opening...");
  std::string name = givenName.toStdString();
  // With an empty name the loader shows the open dialog; it reports any failure.
  if (LoadImageFile(name, CurrentImage(), OpenDir().toStdString()) <= 0) return;
  ResetHistory();
  ClearColors();
  Pasted = false;
  CurrentImage().Transparent = false;
  CurrentImage().SetPixelFormat(TPixelFormat::pf24bit);
  FileName = QString::fromStdString(name);
  Image->SetOptimizeMode(MenuAffichageLisser->isChecked() ? omAllways : omNone);
  UpdatePreview();
  if (addToRecent) {
    OpenDir() = FolderOf(FileName);
    AddRecentFile(RecentFiles(), FileName);
  }
  UpdateToolbar();
  ChooseInitialZoom();
  RefreshView();
}

void TMainForm::MenuFichierOuvrirClick() { OpenImage(QString(), true); }

void TMainForm::MenuFichierNClick(int tag) {
  if (tag >= 0 && tag < RecentFiles().size()) OpenImage(RecentFiles()[tag], true);
}

void TMainForm::MenuFichierFermerClick() {
  if (!QuerySaveChanges()) return;
  CurrentImage().Clear();
  Image->RepaintNow();
  UpdatePreview();
  ResetHistory();
  Pasted = false;
  ClearColors();
  UpdateStatus();
  UpdateToolbar();
}

void TMainForm::MenuFichierQuitterClick() { close(); }

// ---- options -------------------------------------------------------------------------

void TMainForm::MenuOptionZMouseClick() {
  MenuOptionZMouse->setChecked(!MenuOptionZMouse->isChecked());
}

void TMainForm::MenuUnitCmClick(QAction* which) {
  MenuUnitCm->setChecked(which == MenuUnitCm);
  MenuUnitPouces->setChecked(which == MenuUnitPouces);
  Settings.UnitInch = MenuUnitPouces->isChecked();
  // The layout dialog works in one unit: the next Print builds it afresh.
  PrintUnitChanged(this);
}

void TMainForm::MenuAffichageLisserClick() {
  MenuAffichageLisser->setChecked(!MenuAffichageLisser->isChecked());
  Image->SetOptimizeMode(MenuAffichageLisser->isChecked() ? omAllways : omNone);
}

void TMainForm::MenuFichierImprimerClick() {
  if (CurrentImage().Empty() || !PrinterPresent) return;
  // The layout dialog's warnings and a failing printer reach the user as messages.
  PrintCommandOf(this).Warn = [](const QString& text) { MessageDialog(text, mkWarning, mbOk); };
  RunPrintDialog(this, CurrentImage(), MenuUnitPouces->isChecked(), FileName);
}

void TMainForm::MenuActionRedimClick() { ShowImageSizeDialog(*this); }

// ---- start and end -------------------------------------------------------------------

void TMainForm::ShowAtStart() {
  if (Settings.Maximized) showMaximized();
  else show();
}

void TMainForm::FirstPaint() {
  if (options_.Arguments.isEmpty()) return;
  // A file named on the command line stays out of the recent list and the open folder.
  OpenImage(DiskFileName(options_.Arguments.first()), false);
}

void TMainForm::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  qApp->removeEventFilter(this);
  ColorSource.Clear();
  UndoImage.Clear();
  KeepMask.Clear();
  Settings.Maximized = isMaximized();
  Settings.UnitInch = MenuUnitPouces->isChecked();
  Settings.Antialias = MenuAffichageLisser->isChecked();
  Settings.PreviewOn = OptionsOE.Preview;
  QString failedKey;
  if (!SaveSettings(IniPath, Settings, &failedKey))
    MessageDialog(QString("Unable to write the settings file \"%1\" !").arg(IniPath), mkError, mbOk);
}

}  // namespace velinor
