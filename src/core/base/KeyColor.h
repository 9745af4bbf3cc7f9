#pragma once
// The key colour: what fills the see-through areas of icons, metafiles and GIF
// frames when they become a plain bitmap, which is then marked transparent with
// it. Red 206, green 237, blue 220.
#include "core/base/Color.h"

namespace velinor {

constexpr TColor KeyColor = 0x00DCEDCE;

}  // namespace velinor
