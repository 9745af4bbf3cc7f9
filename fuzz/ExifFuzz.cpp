// Feeds arbitrary bytes to the EXIF summary the open dialog and the info command
// show (the metadata library parses JPEG, TIFF and many raw layouts): it must
// give a summary or none, never crash.
#include <cstddef>
#include <cstdint>

#include "core/files/ExifSummary.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  velinor::ReadExifSummary(data, size);
  return 0;
}
