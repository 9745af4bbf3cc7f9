#include "app/DispatchBridge.h"

#include <QStringList>

#include "app/DialogSeam.h"
#include "app/MsgDlg.h"

namespace velinor {

QString QtFilterFrom(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList entries;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString desc = parts[i].trimmed();
    const int paren = desc.lastIndexOf('(');
    if (paren > 0 && desc.endsWith(')')) desc = desc.left(paren).trimmed();
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    entries << QString("%1 (%2)").arg(desc, patterns.trimmed());
  }
  return entries.join(";;");
}

std::string TDispatchDialogs::ExecuteOpen(TOpenDialogRequest& request) {
  return Dialogs().AskOpenFileName(request).toStdString();
}

std::string TDispatchDialogs::ExecuteSave(const TSaveDialogRequest& request) {
  return Dialogs().AskSaveFileName(request).toStdString();
}

void TDispatchDialogs::ShowError(const std::string& text) {
  MessageDialog(QString::fromStdString(text), mkError, mbOk);
}

void InstallDispatchBridge() {
  static TDispatchDialogs bridge;
  SetFileDialogs(&bridge);
  SetMessageSink(&bridge);
}

}  // namespace velinor
