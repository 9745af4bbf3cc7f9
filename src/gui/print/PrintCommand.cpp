#include "gui/print/PrintCommand.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPrinter>
#include <QWidget>

#include "core/files/SafeFile.h"
#include "gui/app/DialogSeam.h"
#include "gui/app/MsgDlg.h"
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
  if (!dialog_) dialog_ = new TImprForm(owner_, *printer_, unitIsInch);
  if (!cancel_) cancel_ = new TAnnulerForm(owner_);
}

void TPrintCommand::UnitChanged() {
  delete dialog_;  // QPointer clears itself
}

bool TPrintCommand::Run(const TBitmap& image, bool unitIsInch, const QString& documentFileName,
                        const QString& pdfFolder) {
  if (image.Empty()) return false;
  CreateFormsOnce(unitIsInch);
  dialog_->Prepare(image, QFileInfo(documentFileName).fileName());
  const int result = Dialogs().RunModal(*dialog_);
  dialog_->Release();
  if (result != QDialog::Accepted) return false;
  QString pdfFile;
  if (dialog_->PdfChosen()) {
    pdfFile = AskPdfFileName(documentFileName, pdfFolder);
    if (pdfFile.isEmpty()) return false;
  }
  return PrintJob(image, pdfFile);
}

// Asked like a picture's name: the document's name with ".pdf" ("Untitled.pdf"
// for a pasted picture).
QString TPrintCommand::AskPdfFileName(const QString& documentFileName, const QString& folder) const {
  const QString base = QFileInfo(documentFileName).completeBaseName();
  TSaveDialogRequest request;
  request.Title = "Print to a PDF file";
  request.Filter = "PDF file (*.pdf)|*.pdf";
  request.DefaultExt = ".pdf";
  request.InitialDir = folder.toStdString();
  request.FileName = ((base.isEmpty() ? QString("Untitled") : base) + ".pdf").toStdString();
  return Dialogs().AskSaveFileName(request);
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
    MessageDialog(QString::fromUtf8(e.what()), mkWarning, mbOk);
    return false;
  }
  // Not the temporary, which is gone (an empty name would leave the PDF file).
  if (toFile) printer_->setOutputFileName(pdfFile);
  cancel.StopSpooling();
  return sent;
}

}  // namespace velinor
