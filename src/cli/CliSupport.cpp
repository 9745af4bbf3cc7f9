#include "cli/CliSupport.h"

#include <cstdio>
#include <exception>

#include "core/files/FileRoutes.h"

namespace velinor::cli {

const std::string& ArgReader::Next() { return args_.at(pos_++); }

const std::string& ArgReader::Value(const std::string& option) {
  if (Done()) throw UsageError("option " + option + " needs a value");
  return Next();
}

int ArgReader::IntValue(const std::string& option, int min, int max) {
  return ParseInt(Value(option), option, min, max);
}

int ParseInt(const std::string& text, const std::string& what, int min, int max) {
  size_t used = 0;
  long v = 0;
  try {
    v = std::stol(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != text.size() || v < min || v > max)
    throw UsageError(what + " must be a whole number from " + std::to_string(min) + " to " +
                     std::to_string(max) + ", not \"" + text + "\"");
  return static_cast<int>(v);
}

TBitmap LoadImage(const std::string& path, TReadResult* read) {
  try {
    return ReadImageFile(path, read);
  } catch (const std::exception& e) {
    throw FileError("cannot load \"" + path + "\": " + e.what());
  }
}

void SaveImage(const std::string& path, const TBitmap& bitmap) {
  try {
    WriteImageFile(path, bitmap, SaveAsResolution);
  } catch (const std::exception& e) {
    throw FileError("cannot save \"" + path + "\": " + e.what());
  }
}

void PrintTiming(const char* name, double ms) { std::fprintf(stderr, "%s: %.1f ms\n", name, ms); }

}  // namespace velinor::cli
