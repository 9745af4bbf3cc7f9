#pragma once
// Shared pieces of the window tests: the application object, the dialog provider
// that answers in the user's place (support/ScriptedDialogs.h), and helpers for
// files and windows.
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <initializer_list>
#include <memory>

#include "gui/app/MainForm.h"
#include "support/ScriptedDialogs.h"
#include "core/base/Bitmap.h"

namespace velinor::test {

// A 24-bit image of the given size with a gradient in it.
TBitmap MakeImage(int width, int height);
// Writes a BMP file and returns its full name.
QString WriteBmp(const QTemporaryDir& dir, const QString& name, int width, int height);

// Shows a window and makes it the active one, as keyboard tests need; false when
// it did not become active.
bool ShowActive(QWidget& window);

// A click of the left button (with modifiers) on an image point of the view.
void ClickImage(TMainForm& form, TPoint imagePoint, Qt::KeyboardModifiers mods = {});
// A drag through image points (pixel centres) with a button and modifiers, as
// the brush takes it.
void DragImage(TMainForm& form, std::initializer_list<TPoint> points, Qt::MouseButton button,
               Qt::KeyboardModifiers mods = {});
// What the view shows at an image point now (painted afresh, as on screen).
TColor ShownColor(TMainForm& form, TPoint imagePoint);

// A main window whose executable folder (and so settings file) is dir.
std::unique_ptr<TMainForm> MakeForm(const QTemporaryDir& dir, const QStringList& args = {});
// The value of "Section/Key" in the settings file at path, read as the program
// reads it; "ERR!" when the key is missing.
QString IniValue(const QString& path, const QString& sectionAndKey);

// A main window started with the given options, as the program starts it.
std::unique_ptr<TMainForm> MakeForm(const TMainFormOptions& options);

}  // namespace velinor::test
