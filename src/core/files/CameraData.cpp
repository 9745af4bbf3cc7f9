#include "core/files/CameraData.h"

#include <exiv2/exiv2.hpp>

#include <cstring>
#include <mutex>

#include "core/base/Errors.h"
#include "core/files/FileRoutes.h"

namespace velinor {

namespace {

bool StartsWith(const std::string& s, const char* prefix) { return s.compare(0, std::strlen(prefix), prefix) == 0; }

bool CarriedExif(const std::string& key) {
  static const char* const image[] = {"Exif.Image.Make", "Exif.Image.Model", "Exif.Image.Artist",
                                      "Exif.Image.Copyright", "Exif.Image.ImageDescription",
                                      "Exif.Image.DateTimeOriginal"};
  for (const char* k : image)
    if (key == k) return true;
  if (StartsWith(key, "Exif.GPSInfo.")) return true;
  if (!StartsWith(key, "Exif.Photo.")) return false;
  // What describes the stored picture rather than the capture stays the writer's.
  static const char* const notCarried[] = {"Exif.Photo.MakerNote", "Exif.Photo.PixelXDimension",
                                           "Exif.Photo.PixelYDimension", "Exif.Photo.ExifVersion",
                                           "Exif.Photo.InteroperabilityTag", "Exif.Photo.ComponentsConfiguration",
                                           "Exif.Photo.CompressedBitsPerPixel", "Exif.Photo.ColorSpace"};
  for (const char* k : notCarried)
    if (key == k) return false;
  return true;
}

bool CarriedXmp(const std::string& key) {
  return key == "Xmp.dc.rights" || key == "Xmp.dc.creator" || key == "Xmp.dc.description" ||
         StartsWith(key, "Xmp.xmpRights.") || key == "Xmp.photoshop.Credit" || key == "Xmp.photoshop.Source";
}

bool CarriedIptc(const std::string& key) {
  return key == "Iptc.Application2.Copyright" || key == "Iptc.Application2.Byline" ||
         key == "Iptc.Application2.Caption" || key == "Iptc.Application2.Credit" ||
         key == "Iptc.Application2.Source" || key == "Iptc.Application2.BylineTitle";
}

}  // namespace

void PrepareExiv2() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Damaged metadata is ordinary input here: Exiv2's complaints are not shown.
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    // Exiv2 0.27 is built with HEIF, AVIF, JPEG XL and CR3 (BMFF) support but
    // leaves it off until asked: without this their camera data reads as none.
    Exiv2::enableBMFF(true);
  });
}

bool CarryCameraData(const std::string& source, const std::string& target) {
  PrepareExiv2();
  Exiv2::ExifData exif;
  Exiv2::XmpData xmp;
  Exiv2::IptcData iptc;
  try {
    auto in = Exiv2::ImageFactory::open(source, false);
    if (!in.get()) return false;
    in->readMetadata();
    Exiv2::ExifData found = in->exifData();
    // Exiv2 0.27 misses the EXIF of some containers (a HEIC item it does not
    // locate, a JPEG XL box that is compressed): their codec finds it.
    if (found.empty()) {
      const std::vector<uint8_t> block = ContainerExifBlock(source);
      if (!block.empty()) Exiv2::ExifParser::decode(found, block.data(), static_cast<uint32_t>(block.size()));
    }
    for (const auto& d : found)
      if (CarriedExif(d.key())) exif.add(d);
    for (const auto& d : in->xmpData())
      if (CarriedXmp(d.key())) xmp.add(d);
    for (const auto& d : in->iptcData())
      if (CarriedIptc(d.key())) iptc.add(d);
  } catch (const std::exception&) {
    return false;
  }
  if (exif.empty() && xmp.empty() && iptc.empty()) return false;
  try {
    auto out = Exiv2::ImageFactory::open(target);
    if (!out.get()) throw EWriteError("camera data: cannot open " + target);
    out->readMetadata();
    Exiv2::ExifData& have = out->exifData();
    for (const auto& d : exif)
      if (have.findKey(Exiv2::ExifKey(d.key())) == have.end()) have.add(d);
    for (const auto& d : xmp) out->xmpData().add(d);
    for (const auto& d : iptc) out->iptcData().add(d);
    out->writeMetadata();
  } catch (const EWriteError&) {
    throw;
  } catch (const std::exception& e) {
    throw EWriteError(std::string("camera data: ") + e.what());
  }
  return true;
}

}  // namespace velinor
