#include "gui/app/DialogSeam.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QStringList>
#include <QUrl>

#include "gui/app/MsgDlg.h"
#include "gui/dialogs/JPGCompressForm.h"
#include "gui/dialogs/MySaveDialog.h"
#include "gui/dialogs/OpenPictureDialog.h"

namespace velinor {

namespace {
TDialogProvider* g_provider = nullptr;

// A busy command shows the hourglass; while a dialog waits for the user the
// arrow is shown, and the hourglass comes back on every way out.
struct TArrowWhileWaiting {
  TArrowWhileWaiting() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
  ~TArrowWhileWaiting() { QApplication::restoreOverrideCursor(); }
  TArrowWhileWaiting(const TArrowWhileWaiting&) = delete;
  TArrowWhileWaiting& operator=(const TArrowWhileWaiting&) = delete;
};
}  // namespace

int TDialogProvider::ShowMessage(const QString& text, int kind, int buttons,
                                 const QString& heading) {
  TArrowWhileWaiting arrow;
  return ExecMessageDialog(text, kind, buttons, heading);
}

QString TDialogProvider::AskOpenFileName(TOpenDialogRequest& request) {
  TArrowWhileWaiting arrow;
  return ExecOpenPictureDialog(QApplication::activeWindow(), request);
}

QString TDialogProvider::AskSaveFileName(const TSaveDialogRequest& request) {
  TArrowWhileWaiting arrow;
  return ExecMySaveDialog(QApplication::activeWindow(), request);
}

bool TDialogProvider::AskJpegOptions(TJPGCompressForm& form) {
  TArrowWhileWaiting arrow;
  return form.RunModal();
}

int TDialogProvider::RunModal(QDialog& dialog) {
  TArrowWhileWaiting arrow;
  return dialog.exec();
}

bool TDialogProvider::OpenExternal(const QUrl& url) { return QDesktopServices::openUrl(url); }

std::string TDialogProvider::ExecuteOpen(TOpenDialogRequest& request) {
  return AskOpenFileName(request).toStdString();
}

std::string TDialogProvider::ExecuteSave(const TSaveDialogRequest& request) {
  return AskSaveFileName(request).toStdString();
}

void TDialogProvider::ShowError(const std::string& text) {
  ShowMessage(QString::fromStdString(text), mkError, mbOk, QString());
}

TDialogProvider& Dialogs() {
  static TDialogProvider real;
  return g_provider ? *g_provider : real;
}

void SetDialogProvider(TDialogProvider* provider) {
  g_provider = provider;
  ConnectDialogProvider();
}

void ConnectDialogProvider() {
  SetFileDialogs(&Dialogs());
  SetMessageSink(&Dialogs());
}

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

}  // namespace velinor
