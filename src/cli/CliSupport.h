#pragma once
// Shared pieces of the command-line tool: argument reading, loading and saving
// with the tool's error reporting.
#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/base/Bitmap.h"
#include "core/files/FileRoutes.h"

namespace velinor::cli {

// Bad usage: reported with the usage text, exit status 1.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A failed load or save: reported naming the file, exit status 2.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

constexpr int ExitUsage = 1;
constexpr int ExitFile = 2;

// Walks the arguments of one command.
class ArgReader {
 public:
  explicit ArgReader(std::vector<std::string> args) : args_(std::move(args)) {}
  bool Done() const { return pos_ >= args_.size(); }
  const std::string& Next();
  // The value following an option; UsageError when missing.
  const std::string& Value(const std::string& option);
  int IntValue(const std::string& option, int min, int max);

 private:
  std::vector<std::string> args_;
  size_t pos_ = 0;
};

int ParseInt(const std::string& text, const std::string& what, int min, int max);

// Loads an image by extension; FileError naming the file on any failure.
TBitmap LoadImage(const std::string& path, TReadResult* read = nullptr);
// Saves an image by extension at SaveAsResolution, as "Save as" does; FileError on failure
// (the target is left as it was).
void SaveImage(const std::string& path, const TBitmap& bitmap);

// Wall-clock stopwatch for --timing.
class Stopwatch {
 public:
  Stopwatch() : start_(std::chrono::steady_clock::now()) {}
  double Milliseconds() const {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
  }

 private:
  std::chrono::steady_clock::time_point start_;
};

// Prints "Name: 93.2 ms" on stderr.
void PrintTiming(const char* name, double ms);

}  // namespace velinor::cli
