#pragma once
// One exception type per kind of failure. The load/save dispatch catches them all
// and turns them into its single message and result code.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace velinor {

class EVelinorError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file could not be read: truncated, corrupt, absurd header values.
class EReadError : public EVelinorError {
 public:
  using EVelinorError::EVelinorError;
};

// A file could not be written.
class EWriteError : public EVelinorError {
 public:
  using EVelinorError::EVelinorError;
};

// No reader or writer for this kind of file.
class EUnsupportedFormat : public EVelinorError {
 public:
  using EVelinorError::EVelinorError;
};

// A size beyond what the program accepts (image too large, count too high).
class EOutOfLimits : public EVelinorError {
 public:
  using EVelinorError::EVelinorError;
};

// A picture whose size is beyond the limits, refused before anything is allocated;
// with the bytes per pixel it was checked at (the limit in pixels depends on them).
class EPictureTooLarge : public EOutOfLimits {
 public:
  EPictureTooLarge(const std::string& what, int64_t width, int64_t height, int bytesPerPixel = 3)
      : EOutOfLimits(what), Width(width), Height(height), BytesPerPixel(bytesPerPixel) {}
  int64_t Width, Height;
  int BytesPerPixel;
};

}  // namespace velinor
