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
  TKeepOptions options;
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
      a.options.Tolerance = r.IntValue(arg, 1, 100);
    } else if (arg == "--no-gradient") {
      a.options.Gradient = false;
    } else if (arg == "--no-progressive") {
      a.options.Progressive = false;
    } else if (arg == "--sepia") {
      a.options.Sepia = true;
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

}  // namespace

int RunKeep(const std::vector<std::string>& args) {
  TKeepArgs a = ParseKeepArgs(args);
  // The picture as the window opens it: 24-bit, or 32-bit when it has see-through
  // parts, whose alpha the result keeps.
  TReadResult read;
  TDocument document;
  document.Open(LoadImage(a.input, &read), a.input);
  const TBitmap& source = document.CurrentImage();
  // Painted touch-ups: a grey picture of the input's size (0 colour, 255 grey, 128
  // untouched), read before anything is computed so that a bad one changes nothing.
  TTouchUps touchUps;
  if (!a.touchUpFile.empty()) {
    const TBitmap painted = LoadImage(a.touchUpFile);
    if (painted.Width() != source.Width() || painted.Height() != source.Height())
      throw FileError("the touch-up picture \"" + a.touchUpFile + "\" is " + std::to_string(painted.Width()) +
                       " x " + std::to_string(painted.Height()) + ", the image \"" + a.input + "\" " +
                       std::to_string(source.Width()) + " x " + std::to_string(source.Height()));
    touchUps = TTouchUps::FromGreyPicture(painted);
  }
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
  a.options.SetColorList(list);
  TProgressSink progress;
  if (a.progress)
    progress = [](const std::string& label, int percent) {
      std::fprintf(stderr, "%s : %d%%\n", label.c_str(), percent);
    };
  TBitmap result = source, mask;
  const Stopwatch watch;
  KeepColors(result, mask, source, a.options, progress);
  if (!touchUps.Empty()) {
    // The result and the mask as the window leaves them after painting.
    RecomposeTouched(result, source, mask, touchUps, a.options.Sepia, touchUps.Touched());
    mask = FinalMask(mask, touchUps);
  }
  const double ms = watch.Milliseconds();
  if (a.timing) PrintTiming("KeepColors", ms);
  // As "Save as" after "Execute": the photo under its toned copy, cut out where
  // colours were kept; with the photo's camera data, and the sRGB statement for a
  // picture whose profile was converted on the way in. The mask is no photograph:
  // it is written plain.
  std::unique_ptr<TMyImageLayered> layered;
  std::unique_ptr<TLayeredGraphic> layeredFile;
  if (IsOviFile(a.output)) {
    layered = BuildLayeredDocument(source, result, mask, true, a.options.Sepia);
    layeredFile = std::make_unique<TLayeredGraphic>(*layered);
  }
  std::vector<TImageOutput> outputs = {{a.output, TSaveSource{result, layeredFile.get()}}};
  CarryOver(read.Origin, outputs[0].Options);
  if (!a.maskFile.empty()) outputs.push_back({a.maskFile, TSaveSource{mask}});
  SaveAll(outputs);
  return 0;
}

}  // namespace velinor::cli
