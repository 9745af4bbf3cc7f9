#pragma once
// TOvsImage: opens a selection file (".ovs") as a picture. The shape is read by
// TShapeManager and drawn filled in black on white with a margin of a twelfth of
// its larger side around it; any figure other than a plain rectangle gets its
// staircase edges softened by the mask ramps. Selection files are never written.
#include <cstddef>
#include <cstdint>

#include "core/base/Bitmap.h"

namespace velinor {

// The text shown for a selection file that cannot be read.
inline constexpr const char* InvalidDataFileText = "Fichier de données invalide !";

// Longest staircase step softened along the shape's edge.
constexpr int OvsRampLength = 33;

class TOvsImage {
 public:
  TBitmap Bitmap;

  // Reads and renders the selection. An unreadable selection leaves Bitmap empty
  // and throws EReadError (InvalidDataFileText); a picture larger than maxBytes
  // (default: the program's image limit) throws EOutOfLimits.
  void LoadFromStream(const uint8_t* data, size_t size, int64_t maxBytes = MaxImageBytes());
};

// Convenience for the file routes.
TBitmap ReadOvs(const uint8_t* data, size_t size, int64_t maxBytes = MaxImageBytes());

}  // namespace velinor
