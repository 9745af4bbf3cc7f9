// velinor-cli keep: what "Execute" does, on files.
#include <cstdio>
#include <exception>
#include <random>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "Commands.h"
#include "engine/ColorMatch.h"
#include "engine/KeepColors.h"
#include "files/FileRoutes.h"

namespace velinor::cli {

namespace {

struct TKeepArgs {
  std::string input, output, maskFile;
  // Kept colours in command-line order: a --color text, or a --pick point.
  struct TEntry {
    bool pick = false;
    std::string text;
    TPoint point;
  };
  std::vector<TEntry> entries;
  TKeepOptions options;
  bool progress = false, timing = false;
};

TPoint ParsePoint(const std::string& text) {
  const size_t comma = text.find(',');
  if (comma == std::string::npos) throw UsageError("--pick needs X,Y, not \"" + text + "\"");
  return TPoint{ParseInt(text.substr(0, comma), "--pick X", 0, MaxImageSide),
                ParseInt(text.substr(comma + 1), "--pick Y", 0, MaxImageSide)};
}

TKeepArgs ParseKeepArgs(const std::vector<std::string>& args) {
  TKeepArgs a;
  ArgReader r(args);
  std::vector<std::string> files;
  while (!r.Done()) {
    const std::string& arg = r.Next();
    if (arg == "--color") {
      const std::string& text = r.Value(arg);
      if (ParseColorText(text, clNone, true) == clNone)
        throw UsageError("--color needs a colour such as '#FF8000', not \"" + text + "\"");
      a.entries.push_back({false, text, {}});
    } else if (arg == "--pick") {
      a.entries.push_back({true, {}, ParsePoint(r.Value(arg))});
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

// A temporary name beside the target that keeps its extension, so that the
// format is still chosen by it.
std::string PendingName(const std::string& target) {
  const size_t slash = target.find_last_of('/');
  const size_t dot = target.find_last_of('.');
  const std::string ext =
      dot != std::string::npos && (slash == std::string::npos || dot > slash) ? target.substr(dot) : "";
  std::random_device rd;
  char tag[24];
  std::snprintf(tag, sizeof tag, ".%08x.pending", static_cast<unsigned>(rd()));
  return target + tag + ext;
}

// Writes every output or none: each goes to a pending file first, and the
// pending files are renamed over the targets only once all were written.
void SaveAll(const std::vector<std::pair<std::string, const TBitmap*>>& outputs) {
  std::vector<std::string> pending;
  auto discard = [&pending] {
    for (const std::string& p : pending) std::remove(p.c_str());
  };
  for (const auto& [target, bitmap] : outputs) {
    const std::string temp = PendingName(target);
    try {
      WriteImageFile(temp, *bitmap, 300.0);  // 300 dpi, as "Save as" writes
    } catch (const std::exception& e) {
      discard();
      // The reason names the pending file; the user knows the target.
      std::string reason = e.what();
      for (size_t at; (at = reason.find(temp)) != std::string::npos;) reason.replace(at, temp.size(), target);
      throw FileError("cannot save \"" + target + "\": " + reason);
    }
    pending.push_back(temp);
  }
  for (size_t i = 0; i < outputs.size(); ++i)
    if (std::rename(pending[i].c_str(), outputs[i].first.c_str()) != 0) {
      discard();
      throw FileError("cannot save \"" + outputs[i].first + "\"");
    }
}

}  // namespace

int RunKeep(const std::vector<std::string>& args) {
  TKeepArgs a = ParseKeepArgs(args);
  const TBitmap source = LoadImage(a.input);
  for (const TKeepArgs::TEntry& e : a.entries) {
    if (!e.pick) {
      a.options.Entries.push_back(e.text);
      continue;
    }
    if (e.point.X >= source.Width() || e.point.Y >= source.Height())
      throw UsageError("--pick " + std::to_string(e.point.X) + "," + std::to_string(e.point.Y) +
                       " lies outside the " + std::to_string(source.Width()) + " x " +
                       std::to_string(source.Height()) + " image \"" + a.input + "\"");
    PickColor(a.options.Entries, source.Pixel(e.point.X, e.point.Y));
  }
  TProgressSink progress;
  if (a.progress)
    progress = [](const std::string& label, int percent) {
      std::fprintf(stderr, "%s : %d%%\n", label.c_str(), percent);
    };
  TBitmap result = source, mask;
  const Stopwatch watch;
  KeepColors(result, mask, source, a.options, progress);
  const double ms = watch.Milliseconds();
  if (a.timing) PrintTiming("KeepColors", ms);
  std::vector<std::pair<std::string, const TBitmap*>> outputs = {{a.output, &result}};
  if (!a.maskFile.empty()) outputs.emplace_back(a.maskFile, &mask);
  SaveAll(outputs);
  return 0;
}

}  // namespace velinor::cli
