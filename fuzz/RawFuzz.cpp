// Feeds arbitrary bytes to the camera raw decoder (LibRaw), whole and in
// preview mode: it must refuse or decode, never crash. Pictures larger than
// 4096 x 4096 are skipped (see HeifFuzz.cpp).
#include <cstddef>
#include <cstdint>

#include "core/base/Errors.h"
#include "core/files/RawImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int w = 0, h = 0;
  if (velinor::ProbeRaw(data, size, w, h) && int64_t{w} * h > int64_t{4096} * 4096) return 0;
  for (bool preview : {true, false}) {
    try {
      velinor::DecodeRaw(data, size, preview);
    } catch (const velinor::EVelinorError&) {
    }
  }
  return 0;
}
