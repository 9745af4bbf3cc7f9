#include "core/files/ExifSummary.h"

#include <cstdio>
#include <exception>

#include <sys/stat.h>

#include <exiv2/exiv2.hpp>

#include "core/files/CameraData.h"
#include "core/files/FileRoutes.h"

namespace velinor {

namespace {

std::string Trim(const std::string& s) {
  const std::string blanks(" \t\r\n\v\f\0", 7);
  const auto first = s.find_first_not_of(blanks);
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

// The tag's text up to its terminator, untrimmed.
std::string RawText(const Exiv2::ExifData& data, const char* key) {
  const auto it = data.findKey(Exiv2::ExifKey(key));
  if (it == data.end()) return {};
  std::string text = it->toString();
  return text.substr(0, text.find('\0'));
}

std::string Text(const Exiv2::ExifData& data, const char* key) { return Trim(RawText(data, key)); }

// "yyyy:mm:dd hh:nn:ss" -> date; false when it does not read as one.
bool ParseExifDate(const std::string& text, TExifDateTime& t) {
  if (std::sscanf(text.c_str(), "%4d:%2d:%2d %2d:%2d:%2d", &t.Year, &t.Month, &t.Day, &t.Hour, &t.Minute,
                  &t.Second) != 6)
    return false;
  return t.Month >= 1 && t.Month <= 12 && t.Day >= 1 && t.Day <= 31 && t.Hour >= 0 && t.Hour <= 23 &&
         t.Minute >= 0 && t.Minute <= 59 && t.Second >= 0 && t.Second <= 60;
}



// Summarises what the opener finds; any failure gives an invalid summary.
template <typename Open>
TExifSummary Summarise(Open open) {
  PrepareExiv2();
  TExifSummary s;
  try {
    auto image = open();
    if (!image.get()) return s;
    image->readMetadata();
    const Exiv2::ExifData& data = image->exifData();
    if (data.empty()) return s;
    s.Valid = true;
    const std::string make = RawText(data, "Exif.Image.Make"), model = RawText(data, "Exif.Image.Model");
    s.MakeOrModelSet = !make.empty() || !model.empty();
    s.Make = Trim(make);
    s.Model = Trim(model);
    s.Software = Text(data, "Exif.Image.Software");
    s.HasDateTime = ParseExifDate(Text(data, "Exif.Image.DateTime"), s.DateTime);
  } catch (const std::exception&) {
    return TExifSummary{};
  }
  return s;
}

}  // namespace

TExifSummary ReadExifSummary(const std::string& fileName) {
  // Only regular files: opening a pipe or a device would block or never end.
  struct stat st {};
  if (::stat(fileName.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
  // Where the block is depends on the row that reads the file: found by its
  // codec in the container, or read by Exiv2 from the file itself.
  if (LoadRouteFor(fileName).Facts.ExifBlock) {
    const std::vector<uint8_t> exif = ContainerExifBlock(fileName);
    return ReadExifSummary(exif.data(), exif.size());
  }
  return Summarise([&] { return Exiv2::ImageFactory::open(fileName, false); });
}

TExifSummary ReadExifSummary(const uint8_t* data, size_t size) {
  if (!data || size == 0) return {};
  return Summarise([&] { return Exiv2::ImageFactory::open(data, size); });
}

std::vector<std::string> ExifSummaryLines(const TExifSummary& s,
                                          const std::function<std::string(const TExifDateTime&)>& formatDate) {
  std::vector<std::string> lines;
  if (!s.Valid) return lines;
  // The choice is made on the texts as stored, the lines are trimmed.
  if (s.MakeOrModelSet || !s.Make.empty() || !s.Model.empty()) {
    if (!s.Make.empty()) lines.push_back(s.Make);
    if (!s.Model.empty()) lines.push_back(s.Model);
  } else if (!s.Software.empty()) {
    lines.push_back(s.Software);
  }
  if (s.HasDateTime) lines.push_back(formatDate(s.DateTime));
  return lines;
}

std::string IsoDateTime(const TExifDateTime& t) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", t.Year, t.Month, t.Day, t.Hour, t.Minute);
  return text;
}

}  // namespace velinor
