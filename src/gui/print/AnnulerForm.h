#pragma once
// TAnnulerForm: the small window shown while a page is spooled, with its "Cancel"
// button. It stays responsive because the print job processes pending events
// while it produces the page.
#include <QDialog>

class QFrame;
class QLabel;
class QPrinter;
class QPushButton;

namespace velinor {

class TAnnulerForm : public QDialog {
  Q_OBJECT
 public:
  explicit TAnnulerForm(QWidget* parent);

  // 0 while a job runs, -1 once the user cancelled it.
  int CancelState = 0;

  // StartSpooling: CancelState := 0, the window shows (not modal) and pending
  // events are processed once so that it appears. printer is the job's printer.
  void StartSpooling(QPrinter* printer);
  // Closes the window at the end of a job, whatever its outcome.
  void StopSpooling();

  // "Cancel": aborts the job when the printer has one in progress.
  void BAnnulerClick();

  QFrame* Panel1;
  QLabel* LabelTitre;
  QPushButton* BAnnuler;

 public slots:
  void reject() override;  // Escape is the cancel button

 private:
  QPrinter* printer_ = nullptr;
};

}  // namespace velinor
