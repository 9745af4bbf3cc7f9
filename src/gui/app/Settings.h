#pragma once
// The settings file Velinor.ini: sections Params and Files, read at start-up and
// written at every shutdown, key by key in a fixed order. A missing key reads as
// the marker "ERR!". The file's form is TIniFile's (core/files/IniFile.h); this
// is the program's side of it: which keys, and what their values mean.
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
  bool LivePreview = true;  // the colour keep's result shown while it is tuned
};

// Whether a file can be created in dir now (permissions, read-only mounts).
bool FolderWritable(const QString& dir);

// Where the settings file lives: beside the executable when that folder can be
// written, otherwise in the user's configuration folder (an installed program
// sits in a folder its users cannot write).
QString SettingsFilePath(const QString& exeDir);

// The folder the open dialog first offers, with its trailing separator: the
// executable's folder when it can be written (a program kept in the user's own
// folders), otherwise, by the same rule as the settings file, the user's
// Pictures folder when there is one, else the home folder.
QString FirstOpenDir(const QString& exeDir);

// Reads the file over the defaults in `s` (missing keys and folders that no
// longer exist leave the default). Recent files are taken as stored. A path that
// is not a regular file of at most kMaxSettingsBytes (a folder, a pipe, a device,
// a runaway file) is not read at all: the defaults stand.
void LoadSettings(const QString& iniPath, TAppSettings& s);

// Writes every key into the file as it is, keeping the lines it does not own;
// keys File(N+1)..File4 beyond the N recent files are left as they are. The file
// is replaced whole through the safe save. Returns false (with the key that
// failed in *failedKey) when the file could not be written or read first, or
// when the path holds something that is not a settings file (see LoadSettings),
// which is then left untouched. A value that cannot stand on one line stops the
// writing at its key: the keys before it are written, that key is reported.
// Binary content (not a text file) is replaced and does not count as a failure.
bool SaveSettings(const QString& iniPath, const TAppSettings& s, QString* failedKey = nullptr);

}  // namespace velinor
