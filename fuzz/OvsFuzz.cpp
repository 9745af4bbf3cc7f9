// Feeds arbitrary bytes to the selection-file reader: it must refuse or render,
// never crash. Pictures are capped well below the program's limit so that each
// input stays quick.
#include <cstddef>
#include <cstdint>

#include "core/base/Errors.h"
#include "core/files/OvsImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    velinor::ReadOvs(data, size, int64_t{1} << 22);
  } catch (const velinor::EVelinorError&) {
  }
  return 0;
}
