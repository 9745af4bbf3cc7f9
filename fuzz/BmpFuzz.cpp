// Feeds arbitrary bytes to the BMP reader: it must refuse or decode, never crash.
#include <cstddef>
#include <cstdint>

#include "core/base/Errors.h"
#include "core/files/BmpCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    velinor::ReadBmp(data, size);
  } catch (const velinor::EVelinorError&) {
  }
  return 0;
}
