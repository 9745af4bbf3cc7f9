// velinor-cli resize: the "Image size" resampling without the dialog.
#include <exception>
#include <string>
#include <vector>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "core/resize/StretchEx.h"

namespace velinor::cli {

int RunResize(const std::vector<std::string>& args) {
  ArgReader in(args);
  std::vector<std::string> files;
  int width = -1, height = -1, mode = rmFiltered;
  bool timing = false;
  while (!in.Done()) {
    const std::string& a = in.Next();
    if (a == "--width") {
      width = in.IntValue(a, 1, MaxImageSide);
    } else if (a == "--height") {
      height = in.IntValue(a, 1, MaxImageSide);
    } else if (a == "--mode") {
      const std::string& m = in.Value(a);
      if (m == "nearest")
        mode = rmNearest;
      else if (m == "interpolated")
        mode = rmInterpolated;
      else if (m == "filtered")
        mode = rmFiltered;
      else
        throw UsageError("--mode must be nearest, interpolated or filtered, not \"" + m + "\"");
    } else if (a == "--timing") {
      timing = true;
    } else if (a.size() > 1 && a[0] == '-') {
      throw UsageError("unknown option " + a);
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 2) throw UsageError("expected INPUT and OUTPUT");
  if (width < 0 || height < 0) throw UsageError("--width and --height are required");
  // Refuse a size the program cannot hold before loading anything.
  try {
    CheckImageSize(width, height, 3);
  } catch (const std::exception& e) {
    throw UsageError(e.what());
  }

  TBitmap image = LoadImage(files[0]);
  const Stopwatch watch;
  ResizeImage(width, height, mode, image);
  if (timing) PrintTiming("ResizeImage", watch.Milliseconds());
  SaveImage(files[1], image);
  return 0;
}

}  // namespace velinor::cli
