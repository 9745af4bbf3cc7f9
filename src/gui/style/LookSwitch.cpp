#include "gui/style/LookSwitch.h"

#include <QApplication>
#include <cstring>

namespace velinor {

namespace {

bool g_styleArgument = false;

}  // namespace

void NoteStyleArguments(int argc, char** argv) {
  for (int i = 1; i < argc && argv[i]; ++i) {
    const char* a = argv[i];
    if (std::strcmp(a, "-style") == 0 || std::strcmp(a, "--style") == 0 ||
        std::strncmp(a, "-style=", 7) == 0 || std::strncmp(a, "--style=", 8) == 0)
      g_styleArgument = true;
  }
}

bool ProgramLookWanted(bool styleAsked, const QPalette& palette) {
  if (styleAsked) return false;
  return palette.color(QPalette::Active, QPalette::Window).lightness() >= 128;
}

bool ProgramLookActive() {
  const bool asked = g_styleArgument || !qEnvironmentVariableIsEmpty("QT_STYLE_OVERRIDE");
  return ProgramLookWanted(asked, QApplication::palette());
}

}  // namespace velinor
