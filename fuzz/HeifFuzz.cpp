// Feeds arbitrary bytes to the HEIF reader (HEVC-coded seeds): it must refuse
// or decode, never crash. Valid pictures larger than 4096 x 4096 are skipped:
// their refusal beyond the limits is a unit test's, and their decoding only
// measures memory.
#include <cstddef>
#include <cstdint>

#include "core/base/Errors.h"
#include "core/files/HeifCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int w = 0, h = 0;
  if (velinor::ProbeHeif(data, size, w, h) && int64_t{w} * h > int64_t{4096} * 4096) return 0;
  for (bool preview : {false, true}) {
    try {
      velinor::ReadHeif(data, size, preview);
    } catch (const velinor::EVelinorError&) {
    }
  }
  velinor::ReadHeifExif(data, size);
  return 0;
}
