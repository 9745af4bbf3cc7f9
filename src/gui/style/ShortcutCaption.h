#pragma once
// The program's own text for a shortcut, used by every menu: Ctrl+O, Enter, F1.
// A shortcut is a key code in the low byte (the classic virtual-key numbering)
// with modifier bits above it.
#include <QKeyCombination>
#include <QString>

namespace velinor {

constexpr int scShift = 0x2000;
constexpr int scCtrl = 0x4000;
constexpr int scAlt = 0x8000;

// Key name with the "Maj+", "Ctrl+", "Alt+" prefixes (read from the interface
// texts); empty when the key has no name.
QString ShortcutCaption(int shortcut);

// The shortcut code of a Qt key combination (0 when the key has no code).
int ShortcutFromKeys(QKeyCombination keys);

}  // namespace velinor
