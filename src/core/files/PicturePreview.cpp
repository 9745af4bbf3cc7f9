#include "core/files/PicturePreview.h"

#include <sys/stat.h>

#include "core/files/FileRoutes.h"
#include "core/files/ImageDispatch.h"

namespace velinor {

namespace {

bool IsRegularFile(const std::string& name) {
  struct stat st {};
  return !name.empty() && ::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// c over white at alpha a (straight alpha), rounded.
inline uint8_t OverWhite(uint8_t c, uint8_t a) {
  return static_cast<uint8_t>((c * a + 255 * (255 - a) + 127) / 255);
}

}  // namespace

int FlattenOntoWhite(TBitmap& b) {
  const int code = TransparencyCodeOf(b);
  if (b.Empty()) {
    b.Transparent = false;
    return code;
  }
  if (b.Transparent) {
    // The key is compared as a plain colour; the pixel format decides how it is stored.
    const TColor key = b.TransparentColor & 0xFFFFFF;
    if (b.PixelFormat() == TPixelFormat::pf8bit) {
      for (TColor& entry : b.Palette)
        if ((entry & 0xFFFFFF) == key) entry = clWhite;
    } else {
      const int bpp = BytesPerPixel(b.PixelFormat());
      for (int y = 0; y < b.Height(); ++y) {
        uint8_t* p = b.ScanLine(y);
        for (int x = 0; x < b.Width(); ++x, p += bpp)
          if (RGB(p[2], p[1], p[0]) == key) p[0] = p[1] = p[2] = 255;
      }
    }
    b.Transparent = false;
  }
  if (b.PixelFormat() == TPixelFormat::pf32bit) {
    for (int y = 0; y < b.Height(); ++y) {
      uint8_t* p = b.ScanLine(y);
      for (int x = 0; x < b.Width(); ++x, p += 4) {
        p[0] = OverWhite(p[0], p[3]);
        p[1] = OverWhite(p[1], p[3]);
        p[2] = OverWhite(p[2], p[3]);
        p[3] = 255;
      }
    }
  }
  b.SetPixelFormat(TPixelFormat::pf24bit);
  return code;
}

int PreviewDepthCode(const TReadResult& read, const TBitmap& loaded) {
  return read.DepthCode != 0 ? read.DepthCode : DepthCodeOf(loaded.PixelFormat());
}

TPicturePreview LoadPicturePreview(const std::string& fileName) {
  TPicturePreview p;
  if (!IsRegularFile(fileName)) return p;
  try {
    std::string name = fileName;
    TBitmap picture;
    TReadResult read;
    if (LoadImagePreview(name, picture, &read) <= 0 || picture.Empty()) {
      p.FailureCause = read.FailureCause;
      return p;
    }
    const int depth = PreviewDepthCode(read, picture);
    const int transparency = FlattenOntoWhite(picture);
    p.Picture = std::move(picture);
    p.DepthCode = depth;
    p.TransparencyCode = transparency;
    p.Loaded = true;
  } catch (...) {
    p = TPicturePreview{};
  }
  return p;
}

TPictureInfo PreviewPictureInfo(const std::string& fileName, const TPicturePreview& preview, bool sizeable) {
  TPictureInfo info;
  info.FileName = fileName;
  info.OrigWidth = OptionsOE.OrigWidth;
  info.OrigHeight = OptionsOE.OrigHeight;
  info.DepthCode = preview.DepthCode;
  info.TransparencyCode = preview.TransparencyCode;
  info.GifAnimated = OptionsOE.GifAnimated;
  info.Sizeable = sizeable;
  FileSizeAndDate(fileName, info.FileSize, info.Modified);
  return info;
}

}  // namespace velinor
