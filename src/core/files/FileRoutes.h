#pragma once
// Plain routes from a file name to a codec: no dialogs, no hook, no messages.
// The load/save dispatch and the command-line tool both stand on these.
#include <string>

#include "base/Bitmap.h"

namespace velinor {

// Reads the image in the file, choosing the reader by extension (and content
// where the extension says nothing). Throws EReadError, EUnsupportedFormat or
// EOutOfLimits.
TBitmap ReadImageFile(const std::string& path);

// Writes the bitmap in the format of the file's extension, through a temporary
// file. resolution (dots per inch, 0 = none) goes where the format stores one.
// Throws EUnsupportedFormat or EWriteError; the target is untouched on failure.
void WriteImageFile(const std::string& path, const TBitmap& bitmap, double resolution);

}  // namespace velinor
