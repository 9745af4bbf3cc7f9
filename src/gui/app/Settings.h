#pragma once
// The settings file Velinor.ini: sections Params and Files, read at start-up and
// written at every shutdown, key by key in a fixed order. A missing key reads as
// the marker "ERR!".
#include <QString>
#include <QStringList>

namespace velinor {

inline constexpr const char* kIniMissing = "ERR!";
inline constexpr int kMaxRecentFiles = 4;
// The program's own file is a few kilobytes; anything far larger is not one.
inline constexpr qint64 kMaxSettingsBytes = qint64{1} << 20;

// What the settings file holds, with the values the program starts with.
struct TAppSettings {
  QString OpenDir;          // folder offered by the open dialog
  QString SaveDir;          // folder offered by the save dialog; may be empty
  bool Maximized = false;
  bool PreviewOn = false;   // picture preview of the open dialog
  bool UnitInch = false;    // print unit: Inch when set, else Cm
  QStringList RecentFiles;  // most recent first, at most 4
  bool Antialias = true;
};

// Where the settings file lives: beside the executable when that folder can be
// written, otherwise in the user's configuration folder (an installed program
// sits in a folder its users cannot write).
QString SettingsFilePath(const QString& exeDir);

// Reads the file over the defaults in `s` (missing keys and folders that no
// longer exist leave the default). Recent files are taken as stored. A path that
// is not a regular file of at most kMaxSettingsBytes (a folder, a pipe, a device,
// a runaway file) is not read at all: the defaults stand.
void LoadSettings(const QString& iniPath, TAppSettings& s);

// Writes every key; keys File(N+1)..File4 beyond the N recent files are left as
// they are in the file. Returns false (with the key that failed in *failedKey)
// when the file could not be written, or when the path holds something that is
// not a settings file (see LoadSettings), which is then left untouched. Old
// content that was not valid INI is replaced and does not count as a failure.
bool SaveSettings(const QString& iniPath, const TAppSettings& s, QString* failedKey = nullptr);

}  // namespace velinor
