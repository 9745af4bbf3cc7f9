// Feeds arbitrary bytes to the WebP reader: it must refuse or decode, never
// crash. Valid pictures larger than 4096 x 4096 are skipped (see HeifFuzz.cpp).
#include <cstddef>
#include <cstdint>

#include "core/base/Errors.h"
#include "core/files/WebpCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int w = 0, h = 0;
  if (velinor::ProbeWebp(data, size, w, h) && int64_t{w} * h > int64_t{4096} * 4096) return 0;
  try {
    velinor::ReadWebp(data, size);
  } catch (const velinor::EVelinorError&) {
  }
  velinor::ReadWebpExif(data, size);
  return 0;
}
