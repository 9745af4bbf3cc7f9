// velinor: the desktop program.
#include "app/Application.h"
#include "app/MainForm.h"
#include "app/Resources.h"

int main(int argc, char* argv[]) {
  velinor::TApplication app(argc, argv);
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
