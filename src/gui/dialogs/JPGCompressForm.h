#pragma once
// The JPEG options asked before every JPEG save: compression quality and
// standard or progressive encoding. One form for the whole run, so the choices
// of one save are offered again at the next.
#include <QDialog>

#include "core/files/JpegOptions.h"

class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;

namespace velinor {

class TJPGCompressForm : public QDialog, public IJpegOptionsDialog {
  Q_OBJECT
 public:
  explicit TJPGCompressForm(QWidget* owner);

  // Shown through the dialog provider (tests answer in the user's place).
  bool Execute() override;
  int SliderPosition() const override;
  bool Progressive() const override;

  // The modal run itself; true when it ended with OK.
  bool RunModal();

  QLabel* LblN = nullptr;
  QSlider* TBN = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QRadioButton* RBStandard = nullptr;
  QRadioButton* RBProgressif = nullptr;
  QPushButton* BOk = nullptr;
  QPushButton* BAnnuler = nullptr;

 private:
  void TBNChange();
};

// The kept form, created on first use as a child of the main window (and gone
// with it).
TJPGCompressForm& JPGCompressForm(QWidget* mainWindow);

// Installs the load/save hook that asks the JPEG options with the kept form
// before every JPEG save ("Save as" calls it each time it runs).
void InstallJpegOptionsHook(QWidget* mainWindow);

}  // namespace velinor
