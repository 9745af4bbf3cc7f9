// Feeds arbitrary bytes to the portable any-map reader: it must refuse or decode, never crash.
#include <cstddef>
#include <cstdint>

#include "core/base/Errors.h"
#include "core/files/PnmReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    velinor::ReadPnm(data, size);
  } catch (const velinor::EVelinorError&) {
  }
  return 0;
}
