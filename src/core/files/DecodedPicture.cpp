#include "core/files/DecodedPicture.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <utility>

#include "core/base/Errors.h"
#include "core/base/Orientation.h"
#include "core/files/ColorProfile.h"
#include "core/files/SafeFile.h"

namespace velinor {

bool FinishPicture(TBitmap& bitmap, const std::vector<uint8_t>& icc, int orientation) {
  // A profile that cannot be used leaves the picture as sRGB, without a word.
  const bool converted = !icc.empty() && ConvertProfileToSrgb(bitmap, icc);
  if (orientation >= 2 && orientation <= 8) bitmap = ApplyOrientation(bitmap, orientation);
  return converted;
}

void FinishDecodedPicture(TDecodedPicture& picture) {
  // The one place where every reader's colour and orientation are settled.
  if (picture.Finished) return;
  int orientation = picture.PendingOrientation;
  if (orientation == 0) {
    orientation = ExifOrientation(picture.Exif);
    UprightSize(orientation, picture.StoredWidth, picture.StoredHeight);
  }
  picture.ProfileConverted = FinishPicture(picture.Bitmap, picture.Icc, orientation);
  picture.PendingOrientation = 1;
  picture.Finished = true;
}

int ExifOrientation(const std::vector<uint8_t>& exif) {
  size_t skip = 0;
  if (exif.size() >= 8 && std::memcmp(exif.data() + 2, "Exif\0\0", 6) == 0) skip = 2;
  const std::vector<uint8_t> tiff = ExifFromTiffHeader(exif.data() + skip, exif.size() - skip);
  if (tiff.size() < 8) return 1;
  const bool le = tiff[0] == 'I';
  auto u16 = [&](size_t at) -> uint32_t {
    return le ? tiff[at] | (tiff[at + 1] << 8) : (tiff[at] << 8) | tiff[at + 1];
  };
  auto u32 = [&](size_t at) -> uint32_t { return le ? u16(at) | (u16(at + 2) << 16) : (u16(at) << 16) | u16(at + 2); };
  const uint32_t ifd = u32(4);
  if (ifd > tiff.size() - 2) return 1;
  const uint32_t count = u16(ifd);
  for (uint32_t i = 0; i < count; ++i) {
    const size_t at = ifd + 2 + size_t{i} * 12;
    if (at + 12 > tiff.size()) break;
    if (u16(at) == 274 && u16(at + 2) == 3) {
      const uint32_t value = u16(at + 8);
      return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
  }
  return 1;
}

void UprightSize(int orientation, int& width, int& height) {
  if (OrientationSwapsAxes(orientation)) std::swap(width, height);
}

std::vector<uint8_t> ExifFromTiffHeader(const uint8_t* data, size_t size) {
  if (!data) return {};
  auto tiffAt = [&](size_t at) {
    return at + 8 <= size && ((data[at] == 'I' && data[at + 1] == 'I' && data[at + 2] == 42 && data[at + 3] == 0) ||
                              (data[at] == 'M' && data[at + 1] == 'M' && data[at + 2] == 0 && data[at + 3] == 42));
  };
  size_t start = size;
  if (tiffAt(0)) {
    start = 0;
  } else if (size >= 6 && std::memcmp(data, "Exif\0\0", 6) == 0 && tiffAt(6)) {
    start = 6;
  } else if (size >= 4) {
    // HEIF and JPEG XL: a big-endian offset from the end of these 4 bytes.
    const uint32_t offset = (uint32_t{data[0]} << 24) | (uint32_t{data[1]} << 16) | (uint32_t{data[2]} << 8) | data[3];
    if (offset <= size - 4 && tiffAt(4 + size_t{offset})) start = 4 + size_t{offset};
    else if (offset <= size - 4 && size - 4 - offset >= 6 && std::memcmp(data + 4 + offset, "Exif\0\0", 6) == 0 &&
             tiffAt(10 + size_t{offset}))
      start = 10 + size_t{offset};
  }
  if (start >= size) return {};
  return std::vector<uint8_t>(data + start, data + size);
}

std::vector<uint8_t> ExifAsJpegPayload(const std::vector<uint8_t>& tiffBlock) {
  const size_t length = 2 + 6 + tiffBlock.size();
  if (tiffBlock.empty() || length > 0xFFFF) return {};
  std::vector<uint8_t> payload = {static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length & 0xFF),
                                  'E', 'x', 'i', 'f', 0, 0};
  payload.insert(payload.end(), tiffBlock.begin(), tiffBlock.end());
  return payload;
}

uint64_t MaxPictureFileBytes() { return 2 * static_cast<uint64_t>(MaxImageBytes()) + (uint64_t{256} << 20); }

std::vector<uint8_t> ReadPictureFileBytes(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
      static_cast<uint64_t>(st.st_size) > MaxPictureFileBytes()) {
    char text[160];
    std::snprintf(text, sizeof text, "%.1f GB; Velinor opens files up to %.1f GB", st.st_size / 1e9,
                  MaxPictureFileBytes() / 1e9);
    throw EOutOfLimits(text);
  }
  return ReadFileBytes(path, MaxPictureFileBytes());
}

void CheckDecodedSize(int64_t width, int64_t height, int bytesPerPixel) {
  if (width <= 0 || height <= 0) throw EReadError("picture without pixels");
  CheckImageSize(width, height, bytesPerPixel);
}

}  // namespace velinor
