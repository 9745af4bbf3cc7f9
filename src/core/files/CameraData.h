#pragma once
// The camera and capture data of an opened photo (make, model, lens, dates,
// exposure, GPS, author and rights, in EXIF, XMP and IPTC), carried into the
// JPEG or TIFF file it is saved as, through Exiv2. Embedded thumbnails and
// maker notes are not carried: they no longer match the picture.
#include <string>

namespace velinor {

// Adds the source file's camera data to the freshly written target file. The
// target's own values (its EXIF block: resolution, Software, DateTime, pixel
// size, Orientation, EXIF version) win over the source's. Returns whether
// anything was added; with nothing to carry the target is not touched. A
// source that cannot be read carries nothing; throws EWriteError when the
// target cannot be updated.
bool CarryCameraData(const std::string& source, const std::string& target);

// Exiv2 set up once for the run, as every reader of metadata here wants it.
void PrepareExiv2();

}  // namespace velinor
