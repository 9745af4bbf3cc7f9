// Feeds arbitrary bytes to the layered-file readers, in thumbnail mode, in flat
// mode and as a whole document: each must refuse or decode, never crash.
#include <cstddef>
#include <cstdint>

#include "core/base/Errors.h"
#include "core/files/OvImage.h"
#include "core/document/LayeredImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (int previewOnly = 0; previewOnly < 2; ++previewOnly) {
    try {
      velinor::TMyImageLayeredReg reader;
      reader.PreviewOnly = previewOnly != 0;
      reader.LoadFromMemory(data, size);
    } catch (const velinor::EVelinorError&) {
    }
  }
  try {
    velinor::TMyImageLayered doc;
    velinor::TOviMemorySource in(data, size);
    velinor::ReadLayeredDocument(in, doc);
  } catch (const velinor::EVelinorError&) {
  }
  return 0;
}
