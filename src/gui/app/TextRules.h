#pragma once
// Small text rules of the main window: hints from menu captions, recent-file
// captions and order, joined save names, names as stored on disk.
#include <QString>
#include <QStringList>

namespace velinor {

// Removes the first '&', a trailing "...", then a trailing ':', then blanks.
QString HintFromCaption(const QString& caption);

// The text unchanged when at most n characters, else its first n and "...".
QString ShortenText(const QString& text, int n);

// "i+1 name" with the name part of entry i shortened to 30 characters.
QString RecentCaption(const QStringList& recent, int i);

// Puts name at the top: an entry equal to it regardless of letter case moves up;
// otherwise the list loses its 4th entry when full and gains the name on top.
void AddRecentFile(QStringList& recent, const QString& name);

// The name part of fileName preceded by folder (with one separator between).
// Empty when fileName is empty.
QString JoinDirAndName(const QString& fileName, const QString& folder);

// The path's folder followed by the name as the file system stores it when the
// file exists (letter case as stored); otherwise the path unchanged.
QString DiskFileName(const QString& path);

// The folder of a file name with its trailing separator.
QString FolderOf(const QString& fileName);

}  // namespace velinor
