#include "PrintCommand.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrinter>
#include <QWidget>

#include "AnnulerForm.h"
#include "ImprForm.h"
#include "PrintJob.h"

namespace velinor {

TPrintCommand::TPrintCommand(QWidget* owner)
    : QObject(owner), owner_(owner), printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
  setObjectName("PrintCommand");
  Warn = [this](const QString& text) { QMessageBox::warning(owner_, "Print", text); };
  ExecDialog = [](TImprForm& dialog) { return dialog.exec(); };
}

TPrintCommand::~TPrintCommand() {
  delete dialog_;
  delete cancel_;
}

TImprForm* TPrintCommand::Dialog() const { return dialog_.data(); }
TAnnulerForm* TPrintCommand::CancelWindow() const { return cancel_.data(); }

void TPrintCommand::CreateFormsOnce(bool unitIsInch) {
  if (dialog_ && dialog_->Layout().UnitIsInch() != unitIsInch) UnitChanged();
  if (!dialog_) {
    dialog_ = new TImprForm(owner_, *printer_, unitIsInch);
    dialog_->Warn = [this](const QString& text) {
      if (Warn) Warn(text);
    };
    if (DialogCreated) DialogCreated(*dialog_);
  }
  if (!cancel_) cancel_ = new TAnnulerForm(owner_);
}

void TPrintCommand::UnitChanged() {
  delete dialog_;  // QPointer clears itself
}

bool TPrintCommand::Run(const TBitmap& image, bool unitIsInch, const QString& documentFileName) {
  if (image.Empty()) return false;
  CreateFormsOnce(unitIsInch);
  dialog_->Prepare(image, QFileInfo(documentFileName).fileName());
  const int result = ExecDialog ? ExecDialog(*dialog_) : dialog_->exec();
  dialog_->Release();
  if (result != QDialog::Accepted) return false;
  return PrintJob(image);
}

bool TPrintCommand::PrintJob(const TBitmap& image) {
  TAnnulerForm& cancel = *cancel_;
  cancel.StartSpooling(printer_.get());
  TPrintJob job(*printer_, [&cancel] {
    QCoreApplication::processEvents();
    return cancel.CancelState != 0;
  });
  bool sent = false;
  try {
    if (job.PrintPage(image, dialog_->Layout())) {
      // FinishSpooling: a job cancelled meanwhile is discarded, never ended.
      if (cancel.CancelState == 0) {
        job.EndJob();
        sent = true;
      } else {
        job.AbortJob();
      }
    }
  } catch (const std::exception& e) {
    // The printing service failed: nothing more is sent, and the user hears of
    // it once, after the cancel window is gone.
    job.AbortJob();
    cancel.StopSpooling();
    if (Warn) Warn(QString::fromUtf8(e.what()));
    return false;
  }
  cancel.StopSpooling();
  return sent;
}

TPrintCommand& PrintCommandOf(QWidget* mainWindow) {
  auto* command = mainWindow->findChild<TPrintCommand*>("PrintCommand", Qt::FindDirectChildrenOnly);
  if (!command) command = new TPrintCommand(mainWindow);
  return *command;
}

bool RunPrintDialog(QWidget* mainWindow, const TBitmap& image, bool unitIsInch,
                    const QString& documentFileName) {
  return PrintCommandOf(mainWindow).Run(image, unitIsInch, documentFileName);
}

void PrintUnitChanged(QWidget* mainWindow) {
  if (auto* command = mainWindow->findChild<TPrintCommand*>("PrintCommand", Qt::FindDirectChildrenOnly))
    command->UnitChanged();
}

}  // namespace velinor
