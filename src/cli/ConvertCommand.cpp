// velinor-cli convert: reads any image the program opens and writes it in the
// format of the output name, as "Save as" writes it (300 dpi, EXIF in JPEG).
#include <cstdio>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "core/files/FileRoutes.h"

namespace velinor::cli {

int RunConvert(const std::vector<std::string>& args) {
  ArgReader in(args);
  std::string input, output;
  TWriteOptions options;
  while (!in.Done()) {
    const std::string& a = in.Next();
    if (a == "--quality") {
      options.JpegQuality = in.IntValue(a, 1, 100);
    } else if (a == "--progressive") {
      options.JpegProgressive = true;
    } else if (!a.empty() && a[0] == '-') {
      throw UsageError("unknown option " + a);
    } else if (input.empty()) {
      input = a;
    } else if (output.empty()) {
      output = a;
    } else {
      throw UsageError("too many file names");
    }
  }
  if (output.empty()) throw UsageError("needs INPUT and OUTPUT");
  TReadResult read;
  const TBitmap image = LoadImage(input, &read);
  CarryOver(read.Origin, options);
  try {
    WriteImageFile(output, image, options);
  } catch (const std::exception& e) {
    throw FileError("cannot save \"" + output + "\": " + e.what());
  }
  return 0;
}

}  // namespace velinor::cli
