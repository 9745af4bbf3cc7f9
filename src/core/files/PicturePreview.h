#pragma once
// The picture half of the open dialog's preview: the selected file read in
// preview mode, its depth and transparency codes, and the picture flattened
// onto white so that the thumbnail can draw it. The dialog only shows it.
#include <string>

#include "core/files/FileRoutes.h"
#include "core/files/PictureInfo.h"
#include "core/base/Bitmap.h"

namespace velinor {

struct TPicturePreview {
  bool Loaded = false;       // the file was read
  TBitmap Picture;           // 24-bit, flattened onto white; empty when not loaded
  int DepthCode = 6;         // as PictureInfo.h: 1, 2, 3, 6, 7
  int TransparencyCode = 0;  // 0 none, 1 transparent colour, 2 alpha channel
  std::string FailureCause;  // a file that was read and failed: why, in plain words
};

// Makes the bitmap opaque and 24-bit over white: pixels of the transparent
// colour become white, 32-bit pixels are blended onto white by their alpha.
// Returns the transparency code the bitmap had.
int FlattenOntoWhite(TBitmap& bitmap);

// Depth code of a picture just read: the code its reader reported (the TIFF and
// PNG adapters do), otherwise the pixel format of the bitmap.
int PreviewDepthCode(const TReadResult& read, const TBitmap& loaded);

// Reads a regular file with LoadImagePreview (no dialog, no hook, no message)
// and prepares it. Anything else (folder, missing file, unreadable picture)
// gives a preview that is not Loaded, with depth 24 bits and no transparency.
TPicturePreview LoadPicturePreview(const std::string& fileName);

// What the information text needs about a loaded preview: the stored size and
// the GIF frame count from the load just made, file size and date from the file.
TPictureInfo PreviewPictureInfo(const std::string& fileName, const TPicturePreview& preview, bool sizeable);

}  // namespace velinor
