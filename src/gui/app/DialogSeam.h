#pragma once
// The dialogs that block (the message dialog, the file dialogs, the JPEG
// options form) are reached through one provider, so that a test can answer
// them and drive the main window command by command.
#include <QString>

class QDialog;
class QUrl;
#include "files/ImageDispatch.h"

namespace velinor {

class TJPGCompressForm;

class TDialogProvider {
 public:
  virtual ~TDialogProvider() = default;
  // The message dialog; returns mrYes, mrNo, mrOk or mrCancel.
  virtual int ShowMessage(const QString& text, int kind, int buttons, const QString& heading);
  // The picture open dialog set up from the request; request.Preview receives
  // the preview check box's final state. An empty result means cancelled.
  virtual QString AskOpenFileName(TOpenDialogRequest& request);
  // The picture save dialog set up from the request; an empty result means
  // cancelled.
  virtual QString AskSaveFileName(const TSaveDialogRequest& request);
  // Runs the kept JPEG options form modally; true when it ended with OK.
  virtual bool AskJpegOptions(TJPGCompressForm& form);
  // Shows a modal form; returns its result code.
  virtual int RunModal(QDialog& dialog);
  // Asks the desktop to open a file or web address with its default program.
  virtual bool OpenExternal(const QUrl& url);
};

// The provider in effect (the real dialogs unless a test installed its own).
TDialogProvider& Dialogs();
// Installs a provider (not owned); nullptr restores the real dialogs.
void SetDialogProvider(TDialogProvider* provider);

}  // namespace velinor
