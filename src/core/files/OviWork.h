#pragma once
// The work block of a layered file: what "Execute" was given (the colour list,
// the tolerance and the options) and the touch-ups painted over its computed
// mask, kept after the last layer record. A reader of the flat picture stops
// after the first record and a reader of the layers after the last, so both pass
// it by; nothing they show changes.
//
// Layout, little-endian like the rest of the file:
//   int32   block length, from this field to the end of the block
//   12      "Velinor work"
//   byte    version, 1
//   int32   tolerance, 1..100
//   byte    flags: 1 progressive contour, 2 colour gradient, 4 sepia
//   int32   entry count, 0..50, then per entry a kind byte (0 kept, 1 excluded)
//           and the colour as an int32 TColor (0x00BBGGRR)
//   byte    1 when touch-ups follow, else 0; then
//           the computed mask as a grey image block of the picture's size,
//           the touched rectangle as 4 int32 (left, top, right, bottom),
//           the target and the amount of that rectangle as two grey image blocks
#include <cstddef>
#include <cstdint>

#include "core/document/KeepWork.h"
#include "core/files/OviStream.h"

namespace velinor {

inline constexpr char OviWorkTag[] = "Velinor work";
inline constexpr size_t OviWorkTagLength = 12;
inline constexpr uint8_t OviWorkVersion = 1;

enum : uint8_t { owProgressive = 1, owGradient = 2, owSepia = 4 };

// Writes the block of work for a picture of width x height (the computed mask
// and the touch-ups, when there are any, have that size). It is made when out is
// finished and reads work then: finish out before changing or freeing it.
void WriteWorkBlock(TOviWriter& out, const TKeepWork& work, int width, int height, int mode);

// Reads the block that follows the layer records of a picture of width x height.
// False, with work left alone, for anything but a complete block of this layout
// and version whose counts, values and sizes all hold: a damaged or foreign
// trailer is passed by, never an error.
bool ReadWorkBlock(TOviSource& in, int width, int height, TKeepWork& work);

}  // namespace velinor
