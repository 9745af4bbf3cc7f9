#include "gui/style/ShortcutCaption.h"

#include "gui/app/SharedStrings.h"

namespace velinor {

namespace {

// Names of the keys that have no interface text of their own; the keyboard's own
// labels for the punctuation keys.
QString OtherKeyName(int key) {
  switch (key) {
    case 19: return "Pause";
    case 106: return "Num *";
    case 107: return "Num +";
    case 109: return "Num -";
    case 110: return "Num .";
    case 111: return "Num /";
    case 0xBA: return ";";
    case 0xBB: return "=";
    case 0xBC: return ",";
    case 0xBD: return "-";
    case 0xBE: return ".";
    case 0xBF: return "/";
    case 0xC0: return "`";
    case 0xDB: return "[";
    case 0xDC: return "\\";
    case 0xDD: return "]";
    case 0xDE: return "'";
    default: return QString();
  }
}

QString KeyName(int key) {
  switch (key) {
    case 8: return SharedText(ssKeyBackspace);
    case 9: return SharedText(ssKeyTab);
    case 13: return SharedText(ssKeyEnter);
    case 27: return SharedText(ssKeyEscape);
    case 32: return SharedText(ssKeySpace);
    case 33: return SharedText(ssKeyPageUp);
    case 34: return SharedText(ssKeyPageDown);
    case 35: return SharedText(ssKeyEnd);
    case 36: return SharedText(ssKeyHome);
    case 37: return SharedText(ssKeyLeft);
    case 38: return SharedText(ssKeyUp);
    case 39: return SharedText(ssKeyRight);
    case 40: return SharedText(ssKeyDown);
    case 45: return SharedText(ssKeyInsert);
    case 46: return SharedText(ssKeyDelete);
    default: break;
  }
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return QString(QChar(key));
  if (key >= 96 && key <= 105) return QString(QChar('0' + key - 96));
  if (key >= 112 && key <= 135) return QString("F%1").arg(key - 111);
  return OtherKeyName(key);
}

}  // namespace

QString ShortcutCaption(int shortcut) {
  const QString name = KeyName(shortcut & 0xFF);
  if (name.isEmpty()) return QString();
  QString prefix;
  if (shortcut & scShift) prefix += SharedText(ssShiftPrefix);
  if (shortcut & scCtrl) prefix += SharedText(ssCtrlPrefix);
  if (shortcut & scAlt) prefix += SharedText(ssAltPrefix);
  return prefix + name;
}

int ShortcutFromKeys(QKeyCombination keys) {
  const int k = keys.key();
  const Qt::KeyboardModifiers mods = keys.keyboardModifiers();
  int code = 0;
  if (mods & Qt::KeypadModifier && k >= Qt::Key_0 && k <= Qt::Key_9) {
    code = 96 + (k - Qt::Key_0);
  } else if ((k >= Qt::Key_0 && k <= Qt::Key_9) || (k >= Qt::Key_A && k <= Qt::Key_Z)) {
    code = k;  // Qt's codes are the characters, as are the virtual keys
  } else if (k >= Qt::Key_F1 && k <= Qt::Key_F24) {
    code = 112 + (k - Qt::Key_F1);
  } else {
    switch (k) {
      case Qt::Key_Backspace: code = 8; break;
      case Qt::Key_Tab: code = 9; break;
      case Qt::Key_Return:
      case Qt::Key_Enter: code = 13; break;
      case Qt::Key_Pause: code = 19; break;
      case Qt::Key_Escape: code = 27; break;
      case Qt::Key_Space: code = 32; break;
      case Qt::Key_PageUp: code = 33; break;
      case Qt::Key_PageDown: code = 34; break;
      case Qt::Key_End: code = 35; break;
      case Qt::Key_Home: code = 36; break;
      case Qt::Key_Left: code = 37; break;
      case Qt::Key_Up: code = 38; break;
      case Qt::Key_Right: code = 39; break;
      case Qt::Key_Down: code = 40; break;
      case Qt::Key_Insert: code = 45; break;
      case Qt::Key_Delete: code = 46; break;
      case Qt::Key_Asterisk: code = 106; break;
      case Qt::Key_Plus: code = mods & Qt::KeypadModifier ? 107 : 0xBB; break;
      case Qt::Key_Minus: code = mods & Qt::KeypadModifier ? 109 : 0xBD; break;
      case Qt::Key_Period: code = mods & Qt::KeypadModifier ? 110 : 0xBE; break;
      case Qt::Key_Slash: code = mods & Qt::KeypadModifier ? 111 : 0xBF; break;
      case Qt::Key_Semicolon: code = 0xBA; break;
      case Qt::Key_Equal: code = 0xBB; break;
      case Qt::Key_Comma: code = 0xBC; break;
      case Qt::Key_QuoteLeft: code = 0xC0; break;
      case Qt::Key_BracketLeft: code = 0xDB; break;
      case Qt::Key_Backslash: code = 0xDC; break;
      case Qt::Key_BracketRight: code = 0xDD; break;
      case Qt::Key_Apostrophe: code = 0xDE; break;
      default: return 0;
    }
  }
  if (mods & Qt::ShiftModifier) code |= scShift;
  if (mods & Qt::ControlModifier) code |= scCtrl;
  if (mods & Qt::AltModifier) code |= scAlt;
  return code;
}

}  // namespace velinor
