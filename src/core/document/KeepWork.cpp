#include "core/document/KeepWork.h"

namespace velinor {

TKeepInputs::TKeepInputs(const TKeepOptions& options)
    : Tolerance(options.Tolerance),
      Progressive(options.Progressive),
      Gradient(options.Gradient),
      Sepia(options.Sepia) {
  for (const std::string& text : options.Entries) Colors.push_back(TColorEntry{text, false});
  for (const std::string& text : options.Excluded) Colors.push_back(TColorEntry{text, true});
}

TKeepOptions TKeepInputs::Options() const {
  TKeepOptions options;
  options.SetColorList(Colors);
  options.Tolerance = Tolerance;
  options.Progressive = Progressive;
  options.Gradient = Gradient;
  options.Sepia = Sepia;
  return options;
}

}  // namespace velinor
