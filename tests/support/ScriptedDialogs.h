#pragma once
// The dialog seam's stand-in for tests, for the window's tests and the print
// library's alike.
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

#include "gui/app/DialogSeam.h"

namespace velinor::test {

struct TShownMessage {
  QString Text;
  int Kind = 0;
  int Buttons = 0;
};

// Answers blocking dialogs from scripted queues and records what was asked;
// installed for its lifetime.
class TScriptedDialogs : public TDialogProvider {
 public:
  TScriptedDialogs() { SetDialogProvider(this); }
  ~TScriptedDialogs() override { SetDialogProvider(nullptr); }

  int ShowMessage(const QString& text, int kind, int buttons, const QString&) override;
  QString AskOpenFileName(TOpenDialogRequest& request) override;
  QString AskSaveFileName(const TSaveDialogRequest& request) override;
  bool AskJpegOptions(TJPGCompressForm& form) override;
  int RunModal(QDialog& dialog) override;
  bool OpenExternal(const QUrl& url) override;

  std::deque<int> Answers;         // message answers; mrCancel when empty
  std::deque<QString> OpenNames;   // open dialog results; "" (cancel) when empty
  std::deque<QString> SaveAnswers; // save dialog results; "" (cancel) when empty
  // Modal forms: called with the form instead of running it; rejected when unset.
  std::function<int(QDialog&)> OnModal;
  QStringList ModalForms;          // object names of the forms shown
  QStringList OpenedUrls;
  std::vector<TShownMessage> Messages;
  QStringList OpenDirs;
  QStringList SaveNames;
  // JPEG options answers: each may set the form's controls, then returns OK
  // (true) or Cancel; Cancel when empty. Every form shown is recorded.
  std::deque<std::function<bool(TJPGCompressForm&)>> JpegAnswers;
  std::vector<TJPGCompressForm*> JpegForms;
};

}  // namespace velinor::test
