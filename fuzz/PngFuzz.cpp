// Feeds arbitrary bytes to the PNG reader: it must refuse or decode, never crash.
#include <cstddef>
#include <cstdint>

#include "core/base/Errors.h"
#include "core/files/PngUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    velinor::ReadPng(data, size);
  } catch (const velinor::EVelinorError&) {
  }
  return 0;
}
