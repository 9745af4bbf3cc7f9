#include "support/ScriptedDialogs.h"

#include <QDialog>
#include <QUrl>

#include "gui/app/MsgDlg.h"
#include "gui/dialogs/MySaveDialog.h"

namespace velinor::test {

int TScriptedDialogs::ShowMessage(const QString& text, int kind, int buttons, const QString&) {
  Messages.push_back({text, kind, buttons});
  if (Answers.empty()) return mrCancel;
  const int a = Answers.front();
  Answers.pop_front();
  return a;
}

QString TScriptedDialogs::AskOpenFileName(TOpenDialogRequest& request) {
  OpenDirs << QString::fromStdString(request.InitialDir);
  if (OpenNames.empty()) return QString();
  const QString n = OpenNames.front();
  OpenNames.pop_front();
  return n;
}

QString TScriptedDialogs::AskSaveFileName(const TSaveDialogRequest& request) {
  SaveNames << InitialSavePath(request);
  if (SaveAnswers.empty()) return QString();
  const QString n = SaveAnswers.front();
  SaveAnswers.pop_front();
  return n;
}

int TScriptedDialogs::RunModal(QDialog& dialog) {
  ModalForms << dialog.objectName();
  return OnModal ? OnModal(dialog) : QDialog::Rejected;
}

bool TScriptedDialogs::OpenExternal(const QUrl& url) {
  OpenedUrls << url.toString();
  return true;
}

bool TScriptedDialogs::AskJpegOptions(TJPGCompressForm& form) {
  JpegForms.push_back(&form);
  if (JpegAnswers.empty()) return false;
  const auto answer = std::move(JpegAnswers.front());
  JpegAnswers.pop_front();
  return answer(form);
}

}  // namespace velinor::test
