// velinor-cli keep: what "Execute" does, on files.
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "core/engine/ColorMatch.h"
#include "core/engine/KeepColors.h"
#include "core/engine/TouchUps.h"
#include "core/document/Document.h"
#include "core/files/FileRoutes.h"
#include "core/files/LayeredGraphic.h"
#include "core/files/OvImage.h"
#include "core/document/LayeredDocument.h"

namespace velinor::cli {

namespace {

struct TKeepArgs {
  std::string input, output, maskFile, touchUpFile;
  // The colour list in command-line order: a --color or --exclude text, or a
  // --pick or --exclude-pick point.
  struct TEntry {
    bool pick = false;
    bool exclude = false;
    std::string text;
    TPoint point;
  };
  std::vector<TEntry> entries;
  TKeepInputs inputs;
  bool progress = false, timing = false;
};

TPoint ParsePoint(const std::string& option, const std::string& text) {
  const size_t comma = text.find(',');
  if (comma == std::string::npos) throw UsageError(option + " needs X,Y, not \"" + text + "\"");
  return TPoint{ParseInt(text.substr(0, comma), option + " X", 0, MaxImageSide),
                ParseInt(text.substr(comma + 1), option + " Y", 0, MaxImageSide)};
}

TKeepArgs ParseKeepArgs(const std::vector<std::string>& args) {
  TKeepArgs a;
  ArgReader r(args);
  std::vector<std::string> files;
  while (!r.Done()) {
    const std::string& arg = r.Next();
    if (arg == "--color" || arg == "--exclude") {
      const std::string& text = r.Value(arg);
      if (ParseColorText(text, clNone, true) == clNone)
        throw UsageError(arg + " needs a colour such as '#FF8000', not \"" + text + "\"");
      a.entries.push_back({false, arg == "--exclude", text, {}});
    } else if (arg == "--pick" || arg == "--exclude-pick") {
      a.entries.push_back({true, arg == "--exclude-pick", {}, ParsePoint(arg, r.Value(arg))});
    } else if (arg == "--tolerance") {
      a.inputs.Tolerance = r.IntValue(arg, 1, 100);
    } else if (arg == "--no-gradient") {
      a.inputs.Gradient = false;
    } else if (arg == "--no-progressive") {
      a.inputs.Progressive = false;
    } else if (arg == "--sepia") {
      a.inputs.Sepia = true;
    } else if (arg == "--mask") {
      a.maskFile = r.Value(arg);
    } else if (arg == "--touch-up") {
      a.touchUpFile = r.Value(arg);
    } else if (arg == "--progress") {
      a.progress = true;
    } else if (arg == "--timing") {
      a.timing = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw UsageError("unknown option " + arg);
    } else {
      files.push_back(arg);
    }
  }
  if (files.size() != 2) throw UsageError("needs an input and an output file");
  a.input = files[0];
  a.output = files[1];
  if (!a.maskFile.empty() && a.maskFile == a.output)
    throw UsageError("the output and the mask need different files");
  return a;
}

// Writes every output or none. A layered document, when given, is what an ".ovi"
// first output holds.
void SaveAll(const std::vector<TImageOutput>& outputs) {
  std::string failed;
  try {
    WriteImageFiles(outputs, &failed);
  } catch (const std::exception& e) {
    throw FileError("cannot save \"" + failed + "\": " + e.what());
  }
}

// The touch-up layer of the picture `image`: the one a layered file of a result
// keeps (painted in the window), or a grey picture (0 colour, 255 grey, 128
// untouched). Either has the image's size.
TTouchUps ReadTouchUps(const std::string& file, const TBitmap& image, const std::string& imageFile) {
  auto mustFit = [&](const TBitmap& b, const char* what) {
    auto size = [](const TBitmap& p) { return std::to_string(p.Width()) + " x " + std::to_string(p.Height()); };
    if (b.Width() != image.Width() || b.Height() != image.Height())
      throw FileError(std::string(what) + " \"" + file + "\" is " + size(b) + ", the image \"" + imageFile + "\" " +
                      size(image));
  };
  TMyImageLayered layered;
  TLayeredWork work;
  if (ReadTwoLayerOvi(file, layered)) {
    mustFit(layered.Layers.Items(0).Image, "the touch-up layer of");
    if (!ExtractLayeredWork(layered, image.Width(), image.Height(), work) || !work.Inputs.Known)
      throw FileError("\"" + file + "\" keeps no touch-up layer (it was not saved with one by this program)");
    return std::move(work.TouchUps);
  }
  const TBitmap painted = LoadImage(file);
  mustFit(painted, "the touch-up picture");
  return TTouchUps::FromGreyPicture(painted);
}

}  // namespace

int RunKeep(const std::vector<std::string>& args) {
  TKeepArgs a = ParseKeepArgs(args);
  // The picture as the window opens it: 24-bit, or 32-bit when it has see-through
  // parts, whose alpha the result keeps.
  TReadResult read;
  TDocument document;
  document.Open(LoadImage(a.input, &read), a.input);
  const TBitmap& source = document.CurrentImage();
  // Painted touch-ups, read before anything is computed so that a bad file
  // changes nothing.
  TTouchUps touchUps;
  if (!a.touchUpFile.empty()) touchUps = ReadTouchUps(a.touchUpFile, source, a.input);
  // One list of both kinds, as the window's. A --color text goes in as written
  // (a list given by a script is kept whole, in its order); a pick and every
  // excluded colour follow the eyedropper's rules over the whole list.
  std::vector<TColorEntry> list;
  for (const TKeepArgs::TEntry& e : a.entries) {
    if (!e.pick && !e.exclude) {
      list.push_back({e.text, false});
      continue;
    }
    if (e.pick && (e.point.X >= source.Width() || e.point.Y >= source.Height()))
      throw UsageError(std::string(e.exclude ? "--exclude-pick " : "--pick ") + std::to_string(e.point.X) +
                       "," + std::to_string(e.point.Y) + " lies outside the " + std::to_string(source.Width()) +
                       " x " + std::to_string(source.Height()) + " image \"" + a.input + "\"");
    PickColor(list, e.pick ? source.Pixel(e.point.X, e.point.Y) : ParseColorText(e.text, clNone, true), e.exclude);
  }
  a.inputs.Colors = list;
  const TKeepOptions options = a.inputs.Options();
  TProgressSink progress;
  if (a.progress)
    progress = [](const std::string& label, int percent) {
      std::fprintf(stderr, "%s : %d%%\n", label.c_str(), percent);
    };
  TBitmap result = source, computedMask;
  const Stopwatch watch;
  KeepColors(result, computedMask, source, options, progress);
  // The result as the window leaves it after painting.
  if (!touchUps.Empty()) RecomposeTouched(result, source, computedMask, touchUps, options.Sepia, touchUps.Touched());
  const double ms = watch.Milliseconds();
  if (a.timing) PrintTiming("KeepColors", ms);
  // As "Save as" after "Execute": the photo under its toned copy, cut out where
  // colours were kept; with the photo's camera data, and the sRGB statement for a
  // picture whose profile was converted on the way in. The mask is no photograph:
  // it is written plain, with the touch-ups applied. A layered file keeps the
  // work behind the result as the window's does: the list, the options and the
  // touch-ups over the computed mask.
  std::unique_ptr<TMyImageLayered> layered;
  std::unique_ptr<TLayeredGraphic> layeredFile;
  if (IsOviFile(a.output)) {
    layered = BuildWorkDocument(source, computedMask, touchUps, a.inputs);
    layeredFile = std::make_unique<TLayeredGraphic>(*layered);
  }
  std::vector<TImageOutput> outputs = {{a.output, TSaveSource{result, layeredFile.get()}}};
  CarryOver(read.Origin, outputs[0].Options);
  const TBitmap mask = a.maskFile.empty() ? TBitmap() : FinalMask(computedMask, touchUps);
  if (!a.maskFile.empty()) outputs.push_back({a.maskFile, TSaveSource{mask}});
  SaveAll(outputs);
  return 0;
}

}  // namespace velinor::cli
