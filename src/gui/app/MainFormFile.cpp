// TMainForm: the file commands — Open (menu, recent entries, dropped files, the
// command line), Save as with the question before discarding, Close, Print and
// Exit — the clipboard, and the thumbnail they redraw.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>

#include <QElapsedTimer>

#include "gui/app/BusyGuard.h"
#include "gui/app/MainForm.h"
#include "gui/app/MsgDlg.h"
#include "gui/app/TextRules.h"
#include "gui/dialogs/JPGCompressForm.h"
#include "core/files/ImageDispatch.h"
#include "core/files/LayeredGraphic.h"
#include "core/files/OvImage.h"
#include "core/document/LayeredDocument.h"
#include "core/view/Thumbnail.h"
#include "gui/print/PrintCommand.h"
#include "gui/view/MyImage.h"
#include "gui/view/QtBitmap.h"

namespace velinor {

// ---- open ----------------------------------------------------------------------------

void TMainForm::OpenImage(const QString& givenName, bool addToRecent) {
  if (!QuerySaveChanges()) return;
  TBusyGuard busy(*this, "Opening...");
  std::string name = givenName.toStdString();
  // With an empty name the loader shows the open dialog; it reports any failure.
  TBitmap loaded;
  TReadResult read;
  if (LoadImageFile(name, loaded, OpenDir().toStdString(), &read) <= 0) return;
  // A layered file saved after "Execute" reopens as that work: the photo behind
  // the result and its mask, and when the file kept them the touch-ups and the
  // inputs, so that picking, brushing and Execute go on from there.
  TMyImageLayered layered;
  TLayeredWork work;
  if (ReadTwoLayerOvi(name, layered) && ExtractLayeredWork(layered, loaded.Width(), loaded.Height(), work))
    document_.OpenWork(std::move(loaded), name, std::move(work));
  else
    document_.Open(std::move(loaded), name);
  document_.SetOrigin(read.Origin);
  ClearColors();
  if (document_.Processed() && document_.ProcessedInputs().Known) ShowKeepInputs(document_.ProcessedInputs());
  Image->SetOptimizeMode(MenuAffichageLisser->isChecked() ? omAllways : omNone);
  UpdatePreview();
  if (addToRecent) {
    OpenDir() = FolderOf(FileName());
    AddRecentFile(RecentFiles(), FileName());
  }
  UpdateToolbar();
  ChooseInitialZoom();
  RefreshView();
}

void TMainForm::MenuFichierOuvrirClick() { OpenImage(QString(), true); }

void TMainForm::MenuFichierNClick(int tag) {
  if (tag >= 0 && tag < RecentFiles().size()) OpenImage(RecentFiles()[tag], true);
}

// ---- save ----------------------------------------------------------------------------

bool TMainForm::QuerySaveChanges() {
  if (!document_.NeedsSaveQuestion()) return true;
  const int answer = MessageDialog("Save changes before continuing ?", mkConfirmation,
                                   mbYes | mbNo | mbCancel);
  // A save that is cancelled or fails keeps the document: it is not discarded unsaved.
  if (answer == mrYes) return SaveDocumentAs();
  return answer != mrCancel;
}

void TMainForm::MenuFichierEnregistrerClick() {
  double ms = -1;
  SaveDocumentAs(&ms);
  if (ms >= 0) ReportTiming("Save as", ms);
}

namespace {

// The time of a save without the dialogs' waits: what comes before the save
// dialog, then from the moment the last dialog was answered (the writer is
// about to write) to the end. The hook it wraps is put back on every way out.
class TSaveClock {
 public:
  explicit TSaveClock(double* ms) : ms_(ms) { clock_.start(); }
  ~TSaveClock() {
    if (!ms_) return;
    OnImageFile = std::move(hook_);
    if (answered_) *ms_ = (before_ + clock_.nsecsElapsed()) / 1e6;
  }
  // Called just before the save dialog shows.
  void DialogComes() {
    if (!ms_) return;
    before_ = clock_.nsecsElapsed();
    hook_ = OnImageFile;
    OnImageFile = [this](TGraphic* graphic, const std::string& name, TImageFileStep step, bool& go) {
      if (hook_) hook_(graphic, name, step, go);
      if (step != ifBeforeSave) return;
      answered_ = true;
      clock_.restart();
    };
  }

 private:
  double* ms_;
  QElapsedTimer clock_;
  qint64 before_ = 0;
  bool answered_ = false;
  TImageFileEvent hook_;
};

}  // namespace

bool TMainForm::SaveDocumentAs(double* savingMs) {
  if (!DocumentOpen()) return false;
  TBusyGuard busy(*this, "Saving...");
  TSaveClock clock(savingMs);
  // The JPEG options are asked before a JPEG is written.
  InstallJpegOptionsHook(this);
  if (SaveDir().isEmpty()) SaveDir() = OpenDir();
  // After "Execute" the file keeps the photo under its toned copy, cut out where
  // colours were kept; otherwise (and once a resize left the result without its
  // photo) the picture on screen.
  const std::unique_ptr<TMyImageLayered> document = document_.BuildLayeredDocument();
  TLayeredGraphic layered(*document);
  OptionsOE.JpegExif = true;
  OptionsOE.JpegExifFromJpeg = true;
  OptionsOE.ExifSource.clear();
  OptionsOE.SaveComment.clear();
  OptionsOE.Resolution = SaveAsResolution;
  std::string name;
  const std::string initial = JoinDirAndName(FileName(), SaveDir()).toStdString();
  clock.DialogComes();
  if (SaveImageFile(name, CurrentImage(), &layered, initial, document_.Origin()) <= 0) return false;
  document_.MarkSaved(name);
  SaveDir() = FolderOf(FileName());
  UpdateStatus();
  AddRecentFile(RecentFiles(), FileName());
  return true;
}

// ---- close, print, exit ----------------------------------------------------------------

void TMainForm::MenuFichierFermerClick() {
  if (!QuerySaveChanges()) return;
  document_.Close();
  Image->RepaintNow();
  UpdatePreview();
  ClearColors();
  UpdateStatus();
  UpdateToolbar();
}

TPrintCommand& TMainForm::PrintCommand() {
  if (!printCommand_) printCommand_ = new TPrintCommand(this);
  return *printCommand_;
}

void TMainForm::MenuFichierImprimerClick() {
  // Without a printer the page can still go to a PDF file, whose name is offered
  // in the save folder (or the document's own before anything was saved).
  if (!DocumentOpen()) return;
  PrintCommand().Run(CurrentImage(), MenuUnitPouces->isChecked(), FileName(),
                     SaveDir().isEmpty() ? FolderOf(FileName()) : SaveDir());
}

void TMainForm::MenuFichierQuitterClick() { close(); }

// ---- clipboard -----------------------------------------------------------------------

void TMainForm::MenuEditionCopierClick() {
  if (!DocumentOpen()) return;
  QApplication::clipboard()->setImage(WrapBitmap(CurrentImage()).copy());
}

void TMainForm::MenuEditionCollerClick() {
  if (!ClipboardHasBitmap()) return;
  // A file copied in a file manager is opened as if dropped: its own pixels,
  // name and camera data rather than a picture without them.
  const QStringList files = LocalFilesOf(QApplication::clipboard()->mimeData());
  if (!files.isEmpty()) {
    OpenImage(files.first(), true);
    return;
  }
  if (!QuerySaveChanges()) return;
  TBitmap pasted = BitmapFromImage(QApplication::clipboard()->image());
  if (pasted.Empty()) {
    MessageDialog("The clipboard does not hold a picture that can be pasted.", mkError, mbOk);
    return;
  }
  document_.Paste(std::move(pasted));
  UpdatePreview();
  RefreshView();
  UpdateToolbar();
}

// ---- thumbnail -----------------------------------------------------------------------

void TMainForm::UpdatePreview() {
  TBitmap thumb(Preview->width(), Preview->height(), TPixelFormat::pf24bit);
  // The photo as it was opened or pasted (behind the result when an undone paste
  // gives a result back).
  MakeThumbnail(document_.KeepPhoto(), thumb, clWhite, clBtnFace, 4, 0);
  Preview->setPixmap(QPixmap::fromImage(WrapBitmap(thumb)));
}

}  // namespace velinor
