// velinor: the desktop program.
#include <QApplication>
#include <QFileInfo>

#include "app/MainForm.h"
#include "app/Resources.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Velinor");
  QApplication::setApplicationDisplayName("Velinor");
  velinor::InitResources();

  velinor::TMainFormOptions options;
  options.ExeDir = QApplication::applicationDirPath();
  options.Arguments = QApplication::arguments().mid(1);
  int result = 0;
  {
    velinor::TMainForm form(options);
    form.ShowAtStart();
    result = QApplication::exec();
  }
  return result;
}
