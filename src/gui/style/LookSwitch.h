#pragma once
// Whether the program draws its own menu and tool-panel look. It does unless the
// user asked for a particular Qt style (the -style option or QT_STYLE_OVERRIDE),
// or the desktop palette is dark: the dark-red shortcuts and the light gutter are
// made for light menus. The toolbar bands and icon shadows are drawn either way.
#include <QPalette>
#include <QStringList>

namespace velinor {

// Records the command line before Qt takes its own options out of it.
void NoteStyleArguments(int argc, char** argv);

// The rule itself, for given inputs.
bool ProgramLookWanted(bool styleAsked, const QPalette& palette);

// The rule for this process (arguments noted, environment, application palette).
bool ProgramLookActive();

}  // namespace velinor
