#pragma once
// The "Image size" dialog: a new width and height for the document, in pixels or
// in percent of the current size, optionally keeping the aspect ratio; on "Ok" it
// resizes the main window's current image itself (point stretch, or the filtered
// resampler with "Optimize"), after taking the undo snapshot.
//
// Entry point for the main window (MenuActionRedimClick):
//   ShowImageSizeDialog(form)
// The dialog is created on first use, kept for the run, and shown modally
// through Dialogs().RunModal.
#include <QDialog>

#include "core/resize/ResizeGeometry.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace velinor {

class TMainForm;
class TFloatSpinEdit;

class TRedimForm : public QDialog {
  Q_OBJECT
 public:
  explicit TRedimForm(QWidget* parent);
  ~TRedimForm() override;

  QLabel* Label1 = nullptr;
  TFloatSpinEdit* EdiL = nullptr;
  QComboBox* CmbL = nullptr;
  QLabel* Label2 = nullptr;
  TFloatSpinEdit* EdiH = nullptr;
  QComboBox* CmbH = nullptr;
  QCheckBox* CBProportions = nullptr;
  QCheckBox* CBOptimiser = nullptr;
  QPushButton* BOk = nullptr;
  QPushButton* BAnnuler = nullptr;

  // Sizes and units: OrigWidth, OrigHeight, AspectRatio, WidthUnit, HeightUnit.
  TResizeGeometry Geometry;
  // False while the dialog writes a field itself, so the change handlers keep still.
  bool LinkEnabled = false;
  int NewWidth = 0;
  int NewHeight = 0;

  // Reloads the sizes from the main window's image; `main` is used until
  // Release (the dialog keeps no hold on the document between uses).
  void FormShow(TMainForm& main);
  void Release() { main_ = nullptr; }
  void CmbLChange();
  void CmbHChange();
  void EdiLChange();
  void EdiHChange();
  void BOkClick();
  // The dialog sees every key before its controls; true when the key was used up.
  bool FormKeyPress(QObject* target, QKeyEvent* e);

  int WidthPixels() const;
  int HeightPixels() const;
  void ShowWidth(int pixels);
  void ShowHeight(int pixels);

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void CreateControls();

  TMainForm* main_ = nullptr;  // only while shown
};

// The dialog kept by the main window (created on first use as its child).
TRedimForm& RedimFormOf(TMainForm& form);
// "Image size...": shows the dialog modally; it resizes the document on "Ok".
// Nothing happens without an open document. Afterwards the dialog's result() is
// QDialog::Accepted exactly when the image was resized.
void ShowImageSizeDialog(TMainForm& form);

}  // namespace velinor
