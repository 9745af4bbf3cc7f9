#pragma once
// The dialogs that block (the message dialog, the file dialogs) are reached
// through one provider, so that a test can answer them and drive the main window
// command by command.
#include <QString>

class QDialog;

namespace velinor {

class TDialogProvider {
 public:
  virtual ~TDialogProvider() = default;
  // The message dialog; returns mrYes, mrNo, mrOk or mrCancel.
  virtual int ShowMessage(const QString& text, int kind, int buttons, const QString& heading);
  // The open dialog starting in `dir`; an empty result means cancelled.
  virtual QString AskOpenFileName(const QString& dir, const QString& filter);
  // The save dialog offering `initialName`; an empty result means cancelled.
  virtual QString AskSaveFileName(const QString& initialName, const QString& filter);
  // Shows a prepared modal form and returns its result (QDialog::exec by default).
  virtual int RunModal(QDialog& dialog);
};

// The provider in effect (the real dialogs unless a test installed its own).
TDialogProvider& Dialogs();
// Installs a provider (not owned); nullptr restores the real dialogs.
void SetDialogProvider(TDialogProvider* provider);

}  // namespace velinor
