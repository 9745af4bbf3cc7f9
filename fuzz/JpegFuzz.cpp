// Feeds arbitrary bytes to the JPEG reader (full and reduced-scale decoding, the
// header walk and the EXIF segment search): refuse or decode, never crash.
#include <cstddef>
#include <cstdint>

#include "core/base/Errors.h"
#include "core/files/JpegUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int w = 0, h = 0;
  velinor::ReadJpegSize(data, size, w, h);
  velinor::FindExifPayload(data, size);
  // Keep each run small: headers may claim pictures far larger than the input
  // (the program's own limit is far above what a fuzzing run can afford).
  if (!velinor::ReadJpegHeader(data, size, w, h) || static_cast<int64_t>(w) * h > (int64_t{1} << 20)) return 0;
  try {
    const velinor::TJpegScale scale = size % 2 ? velinor::jsEighth : velinor::jsFullSize;
    velinor::DecodeJpeg(data, size, scale);
  } catch (const velinor::EVelinorError&) {
  }
  return 0;
}
