// TMainForm: the commands on the document — Save as, Execute, undo and redo, the
// clipboard, the kept colours with the eyedropper, and the help menu.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QUrl>
#include <algorithm>
#include <exception>
#include <memory>
#include <new>

#include "app/BusyGuard.h"
#include "app/DialogSeam.h"
#include "app/HelpFile.h"
#include "app/MainForm.h"
#include "app/MsgDlg.h"
#include "app/TextRules.h"
#include "dialogs/AProposForm.h"
#include "dialogs/JPGCompressForm.h"
#include "engine/ColorMatch.h"
#include "engine/KeepColors.h"
#include "files/ImageDispatch.h"
#include "files/LayeredGraphic.h"
#include "view/LayeredDocument.h"
#include "view/MyImage.h"
#include "view/QtBitmap.h"

namespace velinor {

namespace {

bool SameSize(const TBitmap& a, const TBitmap& b) {
  return a.Width() == b.Width() && a.Height() == b.Height();
}

}  // namespace

// ---- Save as -----------------------------------------------------------------------

void TMainForm::MenuFichierEnregistrerClick() { SaveDocumentAs(); }

bool TMainForm::SaveDocumentAs() {
  if (CurrentImage().Empty()) return false;
  TBusyGuard busy(*this, "Saving...");
  // The JPEG options are asked before a JPEG is written.
  InstallJpegOptionsHook(this);
  if (SaveDir().isEmpty()) SaveDir() = OpenDir();
  // After "Execute" the file keeps the photo under its toned copy, cut out where
  // colours were kept. Once the result was resized the photo and mask no longer
  // fit it, and the picture on screen is what gets saved.
  const bool layeredResult = Processed && SameSize(ColorSource, CurrentImage()) &&
                             SameSize(KeepMask, CurrentImage());
  const std::unique_ptr<TMyImageLayered> document = BuildLayeredDocument(
      ColorSource, CurrentImage(), KeepMask, layeredResult, ProcessedSepia);
  TLayeredGraphic layered(*document);
  OptionsOE.JpegExif = true;
  OptionsOE.JpegExifFromJpeg = true;
  OptionsOE.ExifSource.clear();
  OptionsOE.SaveComment.clear();
  OptionsOE.Resolution = 300;
  std::string name;
  const std::string initial = JoinDirAndName(FileName, SaveDir()).toStdString();
  if (SaveImageFile(name, CurrentImage(), &layered, initial) <= 0) return false;
  FileName = QString::fromStdString(name);
  SaveDir() = FolderOf(FileName);
  UpdateStatus();
  Saved = true;
  AddRecentFile(RecentFiles(), FileName);
  return true;
}

// ---- Execute -----------------------------------------------------------------------

void TMainForm::MenuActionActionClick() {
  if (CurrentImage().Empty()) return;
  TBusyGuard busy(*this, "Processing...");
  // The computation always starts from the colour photo.
  if (Processed) CurrentImage() = ColorSource;
  else ColorSource = CurrentImage();
  TakeUndoSnapshot();

  TKeepOptions options;
  for (const QString& entry : KeptColors()) options.Entries.push_back(entry.toStdString());
  options.Gradient = CBDegrader->isChecked();
  options.Tolerance = TBN->value();
  options.Progressive = CBProgressif->isChecked();
  options.Sepia = CBSepia->isChecked();
  // Computed aside and swapped in on success, so a failure never leaves a
  // half-processed picture on screen.
  TBitmap result(ColorSource);
  TBitmap mask;
  try {
    KeepColors(result, mask, ColorSource, options,
               [this](const std::string& label, int percent) {
                 ShowProgress(QString::fromStdString(label), percent);
               });
  } catch (const std::exception& e) {
    // The photo stays on screen, as the undo snapshot has it; nothing of the
    // failed run is kept.
    Processed = false;
    Image->RepaintNow();
    const bool noMemory = dynamic_cast<const std::bad_alloc*>(&e) != nullptr;
    MessageDialog(noMemory ? QString("Not enough memory to process the picture.")
                           : QString::fromUtf8(e.what()),
                  mkError, mbOk);
    return;
  }
  CurrentImage() = std::move(result);
  KeepMask = std::move(mask);
  Image->RepaintNow();
  Processed = true;
  ProcessedSepia = options.Sepia;
  RefreshView();
}

// ---- undo and redo -------------------------------------------------------------------

void TMainForm::SwapUndoImage() {
  TBitmap temporary = std::move(CurrentImage());
  CurrentImage() = std::move(UndoImage);
  UndoImage = std::move(temporary);
}

void TMainForm::MenuEditionUndoClick() {
  if (CurrentImage().Empty() || !UndoAvailable) return;
  TBusyGuard busy(*this, "Processing...");
  RedoProcessed = Processed;
  RedoSaved = Saved;
  UndoAvailable = false;
  Processed = false;
  SwapUndoImage();
  RefreshView();
  UpdateToolbar();
  Image->RepaintNow();
}

void TMainForm::MenuEditionRedoClick() {
  if (CurrentImage().Empty() || UndoImage.Empty() || UndoAvailable) return;
  TBusyGuard busy(*this, "Processing...");
  Processed = RedoProcessed;
  Saved = RedoSaved;
  UndoAvailable = true;
  SwapUndoImage();
  RefreshView();
  UpdateToolbar();
  Image->RepaintNow();
}

// ---- clipboard -----------------------------------------------------------------------

void TMainForm::MenuEditionCopierClick() {
  if (CurrentImage().Empty()) return;
  QApplication::clipboard()->setImage(WrapBitmap(CurrentImage()).copy());
}

void TMainForm::MenuEditionCollerClick() {
  if (!ClipboardHasBitmap()) return;
  if (!QuerySaveChanges()) return;
  TBitmap pasted = BitmapFromImage(QApplication::clipboard()->image());
  if (pasted.Empty()) {
    MessageDialog("The clipboard does not hold a picture that can be pasted.", mkError, mbOk);
    return;
  }
  const bool transparent = CurrentImage().Transparent;
  CurrentImage() = std::move(pasted);
  CurrentImage().Transparent = transparent;
  UpdatePreview();
  ResetHistory();
  Pasted = true;
  FileName = "Untitled";
  RefreshView();
  UpdateToolbar();
}

// ---- kept colours and eyedropper -------------------------------------------------------

QStringList TMainForm::KeptColors() const {
  QStringList texts;
  for (int i = 0; i < LstColor->count(); ++i) texts << LstColor->item(i)->text();
  return texts;
}

void TMainForm::PickColor(TColor color) {
  std::vector<std::string> entries;
  for (const QString& text : KeptColors()) entries.push_back(text.toStdString());
  const TPickOutcome outcome = velinor::PickColor(entries, color);
  if (outcome == TPickOutcome::Ignored) return;
  if (outcome == TPickOutcome::Added) {
    LstColor->addItem(QString::fromStdString(entries.back()));
    LstColor->setCurrentRow(LstColor->count() - 1);
  }
  BClear->setEnabled(true);
  UpdateStatus();
}

void TMainForm::BClearClick() {
  const int i = LstColor->currentRow();
  if (i < 0 || i >= LstColor->count()) return;
  delete LstColor->takeItem(i);
  if (LstColor->count() > 0) LstColor->setCurrentRow(std::min(i, LstColor->count() - 1));
  else BClear->setEnabled(false);
  UpdateStatus();
}

void TMainForm::ImageMouseDown(Qt::MouseButton button, int x, int y) {
  if (button != Qt::LeftButton || CurrentImage().Empty()) return;
  const TPoint p = Image->ClientToImagePoint(TPoint{x, y});
  if (p.X < 0 || p.Y < 0 || p.X >= CurrentImage().Width() || p.Y >= CurrentImage().Height())
    return;
  // On a result the photo's own colour is picked; a resized result has no photo
  // pixel under the mouse, so its own pixel is taken.
  const bool fromPhoto = Processed && SameSize(ColorSource, CurrentImage());
  PickColor((fromPhoto ? ColorSource : CurrentImage()).Pixel(p.X, p.Y));
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
