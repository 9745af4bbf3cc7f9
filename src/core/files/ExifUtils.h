#pragma once
// The EXIF block every saved JPEG receives: an APP1 payload written by hand so
// that its layout is fixed byte for byte (little-endian TIFF structure, IFD0 and
// an Exif IFD, no thumbnail).
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace velinor {

struct TExifFields {
  std::string Make;      // left out when empty
  std::string Model;     // left out when empty
  std::string Software;  // left out when empty
  std::string DateTime;  // "yyyy:mm:dd hh:nn:ss"
  double Resolution = 0; // dots per inch
  int Width = 0;
  int Height = 0;
};

// The APP1 payload: the big-endian segment length (whole payload, these two
// bytes included), "Exif\0\0", the TIFF header and both IFDs. Throws EWriteError
// when the texts make the segment longer than a JPEG segment can be.
std::vector<uint8_t> BuildExifBlock(const TExifFields& fields);

// "yyyy:mm:dd hh:nn:ss" of the given time in local time, ':' whatever the locale.
std::string ExifDateTime(std::time_t when);

// The application title written as the EXIF Software text.
const std::string& ApplicationTitle();

}  // namespace velinor
