#include "core/files/RawImage.h"

#include <libraw/libraw.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "core/files/FormatRegistry.h"
#include "core/files/JpegUtils.h"
#include "core/files/RawHalfSize.h"
#include "core/files/SafeFile.h"
#include "core/base/Errors.h"

namespace velinor {

const std::vector<TRawFilter>& RawFilters() {
  static const std::vector<TRawFilter> rows = {
      {"raw", "RAW", "TRawImageRaw"},
      {"kdc;dcr;dc2", "Kodak raw", "TRawImageKodak"},
      {"crw;cr2", "Canon raw", "TRawImageCanon"},
      {"mrw", "Minolta raw", "TRawImageMinolta"},
      {"nef", "Nikon raw", "TRawImageNikon"},
      {"orf", "Olympus raw", "TRawImageOlympus"},
      {"pef", "Pentax raw", "TRawImagePentax"},
      {"raf", "Fuji raw", "TRawImageFuji"},
      {"srf", "Sony raw", "TRawImageSony"},
      {"x3f", "Sigma raw", "TRawImageSigma"},
      {"cam", "Casio raw", "TRawImageCasio"},
      {"dng", "DNG", "TRawImageAdobe"},
  };
  return rows;
}

namespace {
const TRawFilter* RowFor(const std::string& fileName) {
  const std::string ext = LowerExtension(fileName);
  if (ext.size() < 2) return nullptr;
  const std::string bare = ext.substr(1);
  const auto& rows = RawFilters();
  for (size_t i = rows.size(); i-- > 0;)
    if (rows[i].Extensions.find(bare) != std::string::npos) return &rows[i];
  return nullptr;
}
}  // namespace

bool IsRawFile(const std::string& fileName) { return RowFor(fileName) != nullptr; }

TRawImage::TRawImage(const std::string& fileName) {
  const TRawFilter* row = RowFor(fileName);
  className_ = row ? row->GraphicClass : "TRawImage";
}

namespace {

// LibRaw's own memory for the sensor data (it refuses raw data above this).
constexpr unsigned MaxRawMemoryMb = 2048;
// Its working image holds four 16-bit samples a pixel.
constexpr int64_t MaxWorkingImageBytes = int64_t{2} << 30;

[[noreturn]] void ThrowLibRaw(int code, const char* step) {
  const std::string text = std::string("raw (") + step + "): " + libraw_strerror(code);
  if (code == LIBRAW_FILE_UNSUPPORTED || code == LIBRAW_NOT_IMPLEMENTED) throw EUnsupportedFormat(text);
  if (code == LIBRAW_UNSUFFICIENT_MEMORY || code == LIBRAW_MEMPOOL_OVERFLOW || code == LIBRAW_TOO_BIG)
    throw EOutOfLimits(text);
  throw EReadError(text);
}

void Check(int code, const char* step) {
  if (code != LIBRAW_SUCCESS) ThrowLibRaw(code, step);
}

using Opener = std::function<int(LibRaw&)>;

std::unique_ptr<TLibRaw> Open(const Opener& open) {
  auto raw = std::make_unique<TLibRaw>();
  raw->imgdata.params.max_raw_memory_mb = MaxRawMemoryMb;
  Check(open(*raw), "open");
  return raw;
}

struct ProcessedDeleter {
  void operator()(libraw_processed_image_t* p) const { LibRaw::dcraw_clear_mem(p); }
};
using Processed = std::unique_ptr<libraw_processed_image_t, ProcessedDeleter>;

// Packed 8-bit RGB (or grey) rows of LibRaw's as a B,G,R bitmap.
TBitmap FromRgb8(const uint8_t* data, size_t dataSize, int width, int height, int colors) {
  if (colors != 3 && colors != 1) throw EReadError("raw: unexpected output");
  CheckDecodedSize(width, height, 3);
  const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(colors);
  if (dataSize < rowBytes * static_cast<size_t>(height)) throw EReadError("raw: short output");
  TBitmap b(width, height, TPixelFormat::pf24bit);
  for (int y = 0; y < b.Height(); ++y) {
    const uint8_t* s = data + rowBytes * static_cast<size_t>(y);
    uint8_t* d = b.ScanLine(y);
    for (int x = 0; x < b.Width(); ++x, d += 3) {
      if (colors == 3) {
        d[0] = s[2], d[1] = s[1], d[2] = s[0];
        s += 3;
      } else {
        d[0] = d[1] = d[2] = *s++;
      }
    }
  }
  return b;
}

TBitmap FromProcessed(const libraw_processed_image_t& img) {
  if (img.type != LIBRAW_IMAGE_BITMAP || img.bits != 8) throw EReadError("raw: unexpected output");
  return FromRgb8(img.data, img.data_size, img.width, img.height, img.colors);
}

// LibRaw's flip code as the EXIF orientation it stands for.
int OrientationOfFlip(int flip) {
  switch (flip) {
    case 3: return 3;
    case 5: return 8;
    case 6: return 6;
    default: return 1;
  }
}

// The embedded preview, when there is a usable one (stored unrotated: its
// orientation is left to FinishDecodedPicture).
bool DecodeThumbnail(LibRaw& raw, TDecodedPicture& p) {
  if (raw.unpack_thumb() != LIBRAW_SUCCESS) return false;
  const libraw_thumbnail_t& t = raw.imgdata.thumbnail;
  if (!t.thumb || t.tlength == 0 || std::min(t.twidth, t.theight) < 100) return false;
  try {
    if (t.tformat == LIBRAW_THUMBNAIL_JPEG) {
      const auto* bytes = reinterpret_cast<const uint8_t*>(t.thumb);
      int w = 0, h = 0;
      if (!ReadJpegHeader(bytes, t.tlength, w, h)) return false;
      p.Bitmap = DecodeJpeg(bytes, t.tlength, PreviewScale(w, h, 150));
    } else if (t.tformat == LIBRAW_THUMBNAIL_BITMAP && (t.tcolors == 3 || t.tcolors == 1)) {
      p.Bitmap = FromRgb8(reinterpret_cast<const uint8_t*>(t.thumb), t.tlength, t.twidth, t.theight, t.tcolors);
    } else {
      return false;
    }
  } catch (const EVelinorError&) {
    return false;
  }
  p.PendingOrientation = OrientationOfFlip(raw.imgdata.sizes.flip);
  return !p.Bitmap.Empty();
}

TDecodedPicture Decode(const Opener& open, bool preview) {
  std::unique_ptr<TLibRaw> raw = Open(open);
  const libraw_image_sizes_t& s = raw->imgdata.sizes;
  // The size is known from the headers: refused here, before any pixel memory.
  const bool swap = s.flip == 5 || s.flip == 6;
  TDecodedPicture p;
  p.StoredWidth = swap ? s.height : s.width;
  p.StoredHeight = swap ? s.width : s.height;
  CheckDecodedSize(p.StoredWidth, p.StoredHeight, 3);
  if (int64_t{s.iwidth} * s.iheight * 8 > MaxWorkingImageBytes || int64_t{s.raw_width} * s.raw_height * 2 > MaxWorkingImageBytes)
    throw EOutOfLimits("raw: picture too large");
  p.BitsPerChannel = 8;
  if (preview && DecodeThumbnail(*raw, p)) {
    FinishDecodedPicture(p);
    return p;
  }

  SetRawOutputOptions(*raw, preview);
  Check(raw->unpack(), "unpack");
  if (preview && QuickHalfSize(*raw, p.Bitmap)) {  // already upright
    FinishDecodedPicture(p);
    return p;
  }
  Check(raw->dcraw_process(), "process");
  int code = LIBRAW_SUCCESS;
  Processed img(raw->dcraw_make_mem_image(&code));
  if (!img) ThrowLibRaw(code == LIBRAW_SUCCESS ? LIBRAW_UNSUFFICIENT_MEMORY : code, "output");
  p.Bitmap = FromProcessed(*img);  // already upright
  FinishDecodedPicture(p);
  return p;
}

Opener FileOpener(const std::string& fileName) {
  return [fileName](LibRaw& raw) { return raw.open_file(fileName.c_str()); };
}

}  // namespace

TDecodedPicture DecodeRawFile(const std::string& fileName, bool preview) { return Decode(FileOpener(fileName), preview); }

TDecodedPicture DecodeRaw(const uint8_t* data, size_t size, bool preview) {
  if (!data || size == 0) throw EReadError("raw: empty");
  // LibRaw reads the buffer only; it takes a non-const pointer for historical reasons.
  return Decode([&](LibRaw& raw) { return raw.open_buffer(const_cast<uint8_t*>(data), size); }, preview);
}

bool ProbeRaw(const uint8_t* data, size_t size, int& width, int& height) {
  width = height = 0;
  if (!data || size == 0) return false;
  try {
    std::unique_ptr<TLibRaw> raw = Open([&](LibRaw& r) { return r.open_buffer(const_cast<uint8_t*>(data), size); });
    const libraw_image_sizes_t& s = raw->imgdata.sizes;
    const bool swap = s.flip == 5 || s.flip == 6;
    width = swap ? s.height : s.width;
    height = swap ? s.width : s.height;
    return width > 0 && height > 0;
  } catch (const EVelinorError&) {
    return false;
  }
}

void TRawImage::LoadFromFile(const std::string& fileName) {
  Width = Height = 0;
  TDecodedPicture p = DecodeRawFile(fileName, PreviewLoad);
  Bitmap = std::move(p.Bitmap);
  Width = p.StoredWidth;
  Height = p.StoredHeight;
}

std::string RawCameraDescription(const std::string& fileName) {
  std::unique_ptr<TLibRaw> raw = Open(FileOpener(fileName));
  std::string make = raw->imgdata.idata.make;
  std::string model = raw->imgdata.idata.model;
  auto trim = [](std::string& t) {
    t.erase(t.find_last_not_of(' ') + 1);
    t.erase(0, std::min(t.find_first_not_of(' '), t.size()));
  };
  trim(make);
  trim(model);
  if (make.empty()) return model;
  if (model.empty()) return make;
  return make + " " + model;
}

const std::vector<std::string>& CameraRawExtensions() {
  static const std::vector<std::string> exts = SplitList(CameraRawExtensionList);
  return exts;
}

}  // namespace velinor
