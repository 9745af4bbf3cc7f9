// TMainForm: the Options menu (mouse zoom, print unit), "Antialias" of the View
// menu, and the "?" menu (help, web site, About).
#include <QAction>
#include <QUrl>

#include "gui/app/DialogSeam.h"
#include "gui/app/HelpFile.h"
#include "gui/app/MainForm.h"
#include "gui/app/MsgDlg.h"
#include "gui/dialogs/AProposForm.h"
#include "gui/print/PrintCommand.h"
#include "gui/view/MyImage.h"

namespace velinor {

// ---- options -------------------------------------------------------------------------

void TMainForm::MenuOptionZMouseClick() {
  MenuOptionZMouse->setChecked(!MenuOptionZMouse->isChecked());
}

void TMainForm::MenuUnitCmClick(QAction* which) {
  MenuUnitCm->setChecked(which == MenuUnitCm);
  MenuUnitPouces->setChecked(which == MenuUnitPouces);
  Settings.UnitInch = MenuUnitPouces->isChecked();
  // The layout dialog works in one unit: the next Print builds it afresh.
  if (printCommand_) printCommand_->UnitChanged();
}

void TMainForm::MenuAffichageLisserClick() {
  MenuAffichageLisser->setChecked(!MenuAffichageLisser->isChecked());
  Image->SetOptimizeMode(MenuAffichageLisser->isChecked() ? omAllways : omNone);
}

// ---- help ----------------------------------------------------------------------------

void TMainForm::MenuInformationsClick() {
  const QString help = FindHelpFile(options_.ExeDir + "/velinor");
  if (help.isEmpty()) MessageDialog("File not found !", mkInformation, mbOk);
  else if (!Dialogs().OpenExternal(QUrl::fromLocalFile(help)))
    MessageDialog(QString("Unable to open \"%1\".").arg(help), mkError, mbOk);
}

void TMainForm::MenuWebClick() { Dialogs().OpenExternal(QUrl(kWebSite)); }

void TMainForm::MenuAProposClick() {
  if (!aproposForm_) aproposForm_ = new TAProposForm(this);
  aproposForm_->CenterOn(this);
  Dialogs().RunModal(*aproposForm_);
}

}  // namespace velinor
