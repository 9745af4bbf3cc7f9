// Feeds arbitrary bytes to the HEIF reader (built twice: heif_fuzz on HEVC-coded
// seeds, avif_fuzz on AV1-coded ones): it must refuse or decode, never crash.
// Pictures with a side over 4096 are skipped (libheif bounds a grid by its
// longest side, so a 48 x 30000 declaration may decode a 30000 x 30000 canvas):
// their refusal beyond the limits is a unit test's, and their decoding only
// measures memory.
#include <cstddef>
#include <cstdint>

#include "core/base/Errors.h"
#include "core/files/HeifCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int w = 0, h = 0;
  if (velinor::ProbeHeif(data, size, w, h) && (w > 4096 || h > 4096)) return 0;
  for (bool preview : {false, true}) {
    try {
      velinor::ReadHeif(data, size, preview);
    } catch (const velinor::EVelinorError&) {
    }
  }
  velinor::ReadHeifExif(data, size);
  return 0;
}
