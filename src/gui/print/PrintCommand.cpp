#include "gui/print/PrintCommand.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrinter>
#include <QWidget>

#include "core/files/SafeFile.h"
#include "gui/print/AnnulerForm.h"
#include "gui/print/ImprForm.h"
#include "gui/print/PrintJob.h"

namespace velinor {

namespace {
// Leaves the write of a PDF file the user cancelled: its temporary goes.
struct TFileJobCancelled {};
}  // namespace

TPrintCommand::TPrintCommand(QWidget* owner)
    : QObject(owner), owner_(owner), printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
  setObjectName("PrintCommand");
  Warn = [this](const QString& text) { QMessageBox::warning(owner_, "Print", text); };
  ExecDialog = [](TImprForm& dialog) { return dialog.exec(); };
  AskPdfFileName = [this](const QString& suggested) {
    return QFileDialog::getSaveFileName(owner_, "Print to a PDF file", suggested, "PDF file (*.pdf)");
  };
  // A queue without a driver description defaults to grey.
  printer_->setColorMode(QPrinter::Color);
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
  QString pdfFile;
  if (dialog_->PdfChosen()) {
    const QString base = QFileInfo(documentFileName).completeBaseName();
    pdfFile = AskPdfFileName ? AskPdfFileName((base.isEmpty() ? QString("Untitled") : base) + ".pdf")
                             : QString();
    if (pdfFile.isEmpty()) return false;
  }
  return PrintJob(image, pdfFile);
}

bool TPrintCommand::SpoolPage(const TBitmap& image, int sheets) {
  TAnnulerForm& cancel = *cancel_;
  TPrintJob job(*printer_, [&cancel] {
    QCoreApplication::processEvents();
    return cancel.CancelState != 0;
  });
  if (!job.PrintPage(image, dialog_->Layout(), sheets)) return false;
  // FinishSpooling: a job cancelled meanwhile is discarded, never ended.
  if (cancel.CancelState != 0) {
    job.AbortJob();
    return false;
  }
  job.EndJob();
  return true;
}

bool TPrintCommand::PrintJob(const TBitmap& image, const QString& pdfFile) {
  TAnnulerForm& cancel = *cancel_;
  printer_->setColorMode(QPrinter::Color);
  const bool toFile = !pdfFile.isEmpty();
  // A file gets one page per copy: no printing service reads a copy count there.
  const int sheets = toFile ? dialog_->Layout().Copies() : 1;
  if (toFile) printer_->setCopyCount(1);
  cancel.StartSpooling(printer_.get());
  bool sent = false;
  try {
    if (!toFile) {
      sent = SpoolPage(image, sheets);
    } else {
      // The printer writes a temporary beside the file, which replaces the file
      // only once the job ended; a cancelled or failed job leaves it as it was.
      SaveAtomically(pdfFile.toStdString(), [&](const std::string& temp) {
        printer_->setOutputFileName(QString::fromStdString(temp));
        if (!SpoolPage(image, sheets)) throw TFileJobCancelled{};
      });
      sent = true;
    }
  } catch (const TFileJobCancelled&) {
    sent = false;
  } catch (const std::exception& e) {
    // The printing service or the file failed: nothing more is sent, and the
    // user hears of it once, after the cancel window is gone.
    if (toFile) printer_->setOutputFileName(pdfFile);
    cancel.StopSpooling();
    if (Warn) Warn(QString::fromUtf8(e.what()));
    return false;
  }
  // Not the temporary, which is gone (an empty name would leave the PDF file).
  if (toFile) printer_->setOutputFileName(pdfFile);
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
