#include "app/DialogSeam.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QUrl>

#include "app/MsgDlg.h"
#include "dialogs/JPGCompressForm.h"
#include "dialogs/MySaveDialog.h"
#include "dialogs/OpenPictureDialog.h"

namespace velinor {

namespace {
TDialogProvider* g_provider = nullptr;
}

int TDialogProvider::ShowMessage(const QString& text, int kind, int buttons,
                                 const QString& heading) {
  return ExecMessageDialog(text, kind, buttons, heading);
}

QString TDialogProvider::AskOpenFileName(TOpenDialogRequest& request) {
  return ExecOpenPictureDialog(QApplication::activeWindow(), request);
}

QString TDialogProvider::AskSaveFileName(const TSaveDialogRequest& request) {
  return ExecMySaveDialog(QApplication::activeWindow(), request);
}

int TDialogProvider::RunModal(QDialog& dialog) { return dialog.exec(); }

bool TDialogProvider::OpenExternal(const QUrl& url) { return QDesktopServices::openUrl(url); }

bool TDialogProvider::AskJpegOptions(TJPGCompressForm& form) { return form.RunModal(); }

TDialogProvider& Dialogs() {
  static TDialogProvider real;
  return g_provider ? *g_provider : real;
}

void SetDialogProvider(TDialogProvider* provider) { g_provider = provider; }

}  // namespace velinor
