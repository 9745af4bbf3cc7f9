#pragma once
// What a result of "Execute" was made from, as the user gave it (the colour list
// of both kinds in its order, the tolerance and the options), and the work a
// layered file keeps with its layers so that it reopens as it was left.
#include <vector>

#include "core/base/Bitmap.h"
#include "core/engine/ColorMatch.h"
#include "core/engine/KeepColors.h"
#include "core/engine/TouchUps.h"

namespace velinor {

struct TKeepInputs {
  std::vector<TColorEntry> Colors;  // kept and excluded, in list order
  int Tolerance = 30;
  bool Progressive = true;
  bool Gradient = true;
  bool Sepia = false;
  // False when only Sepia is known: a result reopened from a file that did not
  // keep the rest.
  bool Known = true;

  TKeepInputs() = default;
  // Options without the list's order: the kept colours first, then the excluded
  // ones. Implicit, so that whatever computes from options records them as well.
  TKeepInputs(const TKeepOptions& options);  // NOLINT(google-explicit-constructor)
  // What the engine computes from.
  TKeepOptions Options() const;
  friend bool operator==(const TKeepInputs&, const TKeepInputs&) = default;
};

// The work behind the result a two-layer document holds: the inputs of its
// "Execute", and the touch-ups painted over the mask it computed (both empty when
// nothing was painted; then the document's mask is the computed one).
struct TKeepWork {
  TKeepInputs Inputs;
  TTouchUps TouchUps;
  TBitmap ComputedMask;
};

}  // namespace velinor
