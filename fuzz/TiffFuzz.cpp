// Feeds arbitrary bytes to the TIFF reader: it must refuse or decode, never crash.
#include <cstddef>
#include <cstdint>

#include "core/base/Errors.h"
#include "core/files/TiffUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    velinor::ReadTiff(data, size);
  } catch (const velinor::EVelinorError&) {
  }
  return 0;
}
