#include "app/DialogSeam.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>

#include "app/MsgDlg.h"

namespace velinor {

namespace {
TDialogProvider* g_provider = nullptr;
}

int TDialogProvider::ShowMessage(const QString& text, int kind, int buttons,
                                 const QString& heading) {
  return ExecMessageDialog(text, kind, buttons, heading);
}

QString TDialogProvider::AskOpenFileName(const QString& dir, const QString& filter) {
  return QFileDialog::getOpenFileName(QApplication::activeWindow(), QString(), dir, filter);
}

QString TDialogProvider::AskSaveFileName(const QString& initialName, const QString& filter) {
  return QFileDialog::getSaveFileName(QApplication::activeWindow(), QString(), initialName,
                                      filter);
}

int TDialogProvider::RunModal(QDialog& dialog) { return dialog.exec(); }

TDialogProvider& Dialogs() {
  static TDialogProvider real;
  return g_provider ? *g_provider : real;
}

void SetDialogProvider(TDialogProvider* provider) { g_provider = provider; }

}  // namespace velinor
