// velinor: the desktop program.
#include <QIcon>
#include <cstdio>
#include <cstring>

#include "gui/app/Application.h"
#include "gui/app/MainForm.h"
#include "gui/app/Resources.h"
#include "gui/style/LookSwitch.h"

namespace {

constexpr const char* kUsage =
    "Usage: velinor [--timing] [FILE]\n"
    "\n"
    "Velinor turns a colour photo grey while keeping in colour the colours you pick\n"
    "with the eyedropper. FILE, when given, is opened once the window shows.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this text and exit\n"
    "  -v, --version  show the version and exit\n"
    "  -style NAME    draw the window with the Qt style NAME (the program's own\n"
    "                 menu and tool-panel look is then left out)\n"
    "  --timing       print on stderr, for each Execute, Save as and preview\n"
    "                 update, the time from the input to the painted frame, as\n"
    "                 \"Execute: 123.4 ms\", \"Save as: 1234.5 ms\", \"Preview: 12.3 ms\"\n"
    "\n"
    "Settings are kept in Velinor.ini beside the program, or in\n"
    "~/.config/Velinor/Velinor.ini when that folder cannot be written.\n"
    "Batch work without windows: velinor-cli help\n";

// Answers --help and --version before any window system is needed; true when the
// program should stop there.
bool AnsweredInfoOption(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strcmp(a, "--") == 0) return false;  // what follows is a file name
    if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
      std::fputs(kUsage, stdout);
      return true;
    }
    if (std::strcmp(a, "--version") == 0 || std::strcmp(a, "-v") == 0) {
      std::printf("velinor %s\n", VELINOR_VERSION);
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (AnsweredInfoOption(argc, argv)) return 0;
  velinor::NoteStyleArguments(argc, argv);
  velinor::TApplication app(argc, argv);
  velinor::InitResources();
  QApplication::setWindowIcon(velinor::ProgramIcon());
  QGuiApplication::setDesktopFileName("velinor");

  velinor::TMainFormOptions options;
  options.ExeDir = QApplication::applicationDirPath();
  options.Arguments = QApplication::arguments().mid(1);
  // The diagnostic switch comes before the file name.
  if (!options.Arguments.isEmpty() && options.Arguments.first() == "--timing") {
    options.Timing = true;
    options.Arguments.removeFirst();
  }
  if (!options.Arguments.isEmpty() && options.Arguments.first() == "--") options.Arguments.removeFirst();
  int result = 0;
  {
    velinor::TMainForm form(options);
    form.ShowAtStart();
    result = QApplication::exec();
  }
  return result;
}
