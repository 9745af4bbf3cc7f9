#pragma once
// The information text beside the open dialog's preview, in the platform's
// date, time and decimal formats. Window-free, so tests call it directly.
#include <QDateTime>
#include <QString>
#include <string>

#include "core/files/PicturePreview.h"

namespace velinor {

// The platform's short date, a blank, its short time.
QString ShortDateTimeText(const QDateTime& when);

// The lines of the information text for a preview, joined with line breaks;
// empty when nothing was loaded, and empty when building it fails (a camera-RAW
// file whose description cannot be read, an unreadable file).
QString PictureInformationText(const std::string& fileName, const TPicturePreview& preview, bool sizeable);

}  // namespace velinor
