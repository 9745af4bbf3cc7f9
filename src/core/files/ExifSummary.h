#pragma once
// The few EXIF facts the open dialog and "velinor-cli info" show about a photo:
// camera make and model (or the software that wrote it) and the date taken.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velinor {

struct TExifDateTime {
  int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};

struct TExifSummary {
  bool Valid = false;       // the file holds an EXIF structure that could be parsed
  std::string Make;         // trimmed
  std::string Model;        // trimmed
  std::string Software;     // trimmed
  bool MakeOrModelSet = false;  // the make or model tag holds text, blanks included
  bool HasDateTime = false; // tag 306 held a date that could be read
  TExifDateTime DateTime;
};

// Reads the EXIF data of a JPEG, TIFF, HEIF, AVIF, WebP or JPEG XL file. Never throws: a file without EXIF,
// or whose EXIF cannot be parsed, gives a summary that is not Valid.
TExifSummary ReadExifSummary(const std::string& fileName);
// The same for a file held in memory.
TExifSummary ReadExifSummary(const uint8_t* data, size_t size);

// The summary as lines: make and model when either tag holds text (each line
// trimmed, and only when not empty after trimming, so a make of blanks gives
// no line and no software either), otherwise the software; then the date formatted by formatDate. An
// invalid summary gives no lines.
std::vector<std::string> ExifSummaryLines(const TExifSummary& summary,
                                          const std::function<std::string(const TExifDateTime&)>& formatDate);

// "yyyy-mm-dd hh:nn", the command-line tool's date format.
std::string IsoDateTime(const TExifDateTime& t);

}  // namespace velinor
