#pragma once
// TDialogProvider: the one seam for everything that blocks — the message dialog
// (also the print dialog's warnings), the picture open and save dialogs (also when
// the core's load/save dispatch asks for them, and for the name of a PDF file to
// print to), the JPEG options form, every modal form (Image size, About, the print
// layout dialog and the page set-up) and the desktop's "open with". The program
// runs the real ones; a test installs its own provider, answers in the user's
// place and so drives the main window command by command. It sits below the print
// library (velinor_gui_seam), which blocks only through it.
#include <QString>
#include <string>

#include "core/files/ImageDispatch.h"

class QDialog;
class QUrl;

namespace velinor {

class TJPGCompressForm;

class TDialogProvider : public IFileDialogs, public IMessageSink {
 public:
  ~TDialogProvider() override = default;

  // The message dialog; returns mrYes, mrNo, mrOk or mrCancel.
  virtual int ShowMessage(const QString& text, int kind, int buttons, const QString& heading);
  // The picture open dialog set up from the request; request.Preview receives
  // the preview check box's final state. An empty result means cancelled.
  virtual QString AskOpenFileName(TOpenDialogRequest& request);
  // The picture save dialog set up from the request; empty means cancelled.
  virtual QString AskSaveFileName(const TSaveDialogRequest& request);
  // Runs the kept JPEG options form modally; true when it ended with OK.
  virtual bool AskJpegOptions(TJPGCompressForm& form);
  // Shows a modal form and returns its result code.
  virtual int RunModal(QDialog& dialog);
  // Asks the desktop to open a file or web address with its default program.
  virtual bool OpenExternal(const QUrl& url);

  // The load/save dispatch's side of the same dialogs (and its one failure
  // message, an error box with an OK button).
  std::string ExecuteOpen(TOpenDialogRequest& request) final;
  std::string ExecuteSave(const TSaveDialogRequest& request) final;
  void ShowError(const std::string& text) final;
};

// The provider in effect (the real dialogs unless a test installed its own).
TDialogProvider& Dialogs();
// Installs a provider (not owned; nullptr restores the real dialogs) for the
// window and for the load/save dispatch alike.
void SetDialogProvider(TDialogProvider* provider);
// Hands the provider in effect to the load/save dispatch (at start-up).
void ConnectDialogProvider();

// "Desc (*.a;*.b)|*.a;*.b|..." as a Qt dialog filter "Desc (*.a *.b);;...".
QString QtFilterFrom(const std::string& filter);

}  // namespace velinor
