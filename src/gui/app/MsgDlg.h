#pragma once
// The program's own message box: a bold heading over a thin black line, a system
// icon, the message and up to four answer buttons aligned right. It sizes itself
// to the message and takes its texts from SharedStrings when it is created.
#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QFrame;

namespace velinor {

// Kinds of message.
enum TMsgKind : int { mkWarning = 0, mkError = 1, mkInformation = 2, mkConfirmation = 3,
                      mkApplication = 4 };
// Buttons, as bits.
enum TMsgButton : int { mbYes = 1, mbNo = 2, mbOk = 4, mbCancel = 8 };
// Results.
enum TMsgResult : int { mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

// Where everything goes for a message of the given size in pixels.
struct TMsgDlgGeometry {
  int ClientWidth = 0;
  int ClientHeight = 0;
  int SepWidth = 0;
  int ButtonTop = 0;
  int ButtonLeft[4] = {-1, -1, -1, -1};  // Yes, No, Ok, Cancel; -1 when hidden
};
TMsgDlgGeometry MsgDlgLayout(int messageWidth, int messageHeight, int buttons);

class TMsgDlgForm : public QDialog {
  Q_OBJECT
 public:
  explicit TMsgDlgForm(QWidget* parent = nullptr);

  // Steps 2 to 6 of showing a message: text, heading, icon, buttons.
  void Prepare(const QString& text, int kind, int buttons, const QString& heading);

  // The kind's heading as the table has it now.
  static QString KindHeading(int kind);

  QLabel* LblCaption;
  QFrame* PnlSep;
  QLabel* ResIcon;
  QLabel* LblMsg;
  QLineEdit* EdiInput;
  QPushButton* BtnYes;
  QPushButton* BtnNo;
  QPushButton* BtnOk;
  QPushButton* BtnCancel;

  QPushButton* DefaultButton() const { return default_; }
  QPushButton* CancelButton() const { return cancel_; }

 public slots:
  void reject() override;

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void SetMessageText(const QString& text);
  void SetHeading(const QString& heading, int kind);
  void SetIcon(int kind);
  void ArrangeButtons(int buttons);

  QPushButton* default_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

// Shows the message modally and returns the answer (closing the window gives
// mrCancel). An empty heading means the kind's heading. Goes through the dialog
// provider, so tests can answer in its place.
int MessageDialog(const QString& text, int kind, int buttons, const QString& heading = QString());

// The real modal dialog, without the provider.
// The window a message is shown over: the modal dialog waiting for the user, or
// else the main window, whether the program is active or not.
QWidget* MessageDialogParent();
int ExecMessageDialog(const QString& text, int kind, int buttons, const QString& heading);

}  // namespace velinor
