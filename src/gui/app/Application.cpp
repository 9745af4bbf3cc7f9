#include "gui/app/Application.h"

#include <exception>

#include "gui/app/MsgDlg.h"

namespace velinor {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName("Velinor");
  setApplicationDisplayName("Velinor");
}

QString EscapedErrorText(const std::exception* e) {
  return e && *e->what() ? QString::fromUtf8(e->what()) : QString("Unexpected error.");
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    MessageDialog(EscapedErrorText(&e), mkError, mbOk);
  } catch (...) {
    MessageDialog(EscapedErrorText(nullptr), mkError, mbOk);
  }
  return false;
}

}  // namespace velinor
