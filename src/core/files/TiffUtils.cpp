#include "core/files/TiffUtils.h"

#include "core/files/ColorProfile.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "core/files/DecodedPicture.h"
#include "core/files/SafeFile.h"
#include "core/base/Arith.h"
#include "core/base/Errors.h"

namespace velinor {

namespace {

// The first error libtiff reports for one open file; warnings are dropped.
struct TiffMessages {
  char first[200] = "";
};

int OnTiffError(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
  auto* m = static_cast<TiffMessages*>(user);
  if (m && !m->first[0]) {
    char text[160];
    std::vsnprintf(text, sizeof text, fmt, ap);
    std::snprintf(m->first, sizeof m->first, "%s: %s", module ? module : "libtiff", text);
  }
  return 1;  // handled: nothing goes to stderr
}
int OnTiffWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct OpenOptions {
  explicit OpenOptions(TiffMessages* messages) : opts(TIFFOpenOptionsAlloc()) {
    if (!opts) throw std::bad_alloc();
    // No single buffer libtiff allocates for a strip or tile may exceed this.
    TIFFOpenOptionsSetMaxSingleMemAlloc(opts, tmsize_t{256} << 20);
    TIFFOpenOptionsSetErrorHandlerExtR(opts, OnTiffError, messages);
    TIFFOpenOptionsSetWarningHandlerExtR(opts, OnTiffWarning, nullptr);
  }
  ~OpenOptions() { TIFFOpenOptionsFree(opts); }
  TIFFOpenOptions* opts;
};

struct TiffCloser {
  void operator()(TIFF* t) const { TIFFClose(t); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

// Read-only memory "file" for TIFFClientOpen.
struct MemoryFile {
  const uint8_t* data;
  size_t size;
  uint64_t pos;
};

tmsize_t MemRead(thandle_t h, void* buf, tmsize_t n) {
  auto* f = static_cast<MemoryFile*>(h);
  if (n <= 0 || f->pos >= f->size) return 0;
  const size_t count = std::min<uint64_t>(static_cast<uint64_t>(n), f->size - f->pos);
  std::memcpy(buf, f->data + f->pos, count);
  f->pos += count;
  return static_cast<tmsize_t>(count);
}
tmsize_t MemWrite(thandle_t, void*, tmsize_t) { return 0; }
toff_t MemSeek(thandle_t h, toff_t off, int whence) {
  auto* f = static_cast<MemoryFile*>(h);
  uint64_t base = 0;
  if (whence == SEEK_CUR) base = f->pos;
  else if (whence == SEEK_END) base = f->size;
  if (off > UINT64_MAX - base) return static_cast<toff_t>(-1);
  f->pos = base + off;
  return f->pos;
}
int MemClose(thandle_t) { return 0; }
toff_t MemSize(thandle_t h) { return static_cast<MemoryFile*>(h)->size; }
int MemMap(thandle_t h, void** base, toff_t* size) {
  auto* f = static_cast<MemoryFile*>(h);
  *base = const_cast<uint8_t*>(f->data);
  *size = f->size;
  return 1;
}
void MemUnmap(thandle_t, void*, toff_t) {}

// Refuses, before anything is allocated, a picture far larger than its data
// could hold: the common compressions (none, PackBits, LZW, Deflate, JPEG)
// expand at most a few thousand times. Fax coding and the other schemes have no
// such bound (a blank fax line costs a bit or two), so for them the picture,
// as the program holds it, may be at most 65536 times its data: a real scan is
// far below that, a bomb of a few bytes far above.
void CheckDataCanFill(TIFF* tif, size_t fileSize, uint32_t width, uint32_t height, uint16_t samples, uint16_t bits) {
  uint16_t compression = COMPRESSION_NONE;
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  bool bounded = false;
  switch (compression) {
    case COMPRESSION_NONE:
    case COMPRESSION_PACKBITS:
    case COMPRESSION_LZW:
    case COMPRESSION_DEFLATE:
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_JPEG:
      bounded = true;
      break;
    default:
      break;
  }
  if (static_cast<uint64_t>(width) * height * 4 <= (uint64_t{64} << 20)) return;  // small pictures always go
  const uint64_t decoded = bounded ? (static_cast<uint64_t>(width) * samples * bits + 7) / 8 * height
                                   : static_cast<uint64_t>(width) * height * 4 / 16;
  const uint32_t striles = TIFFIsTiled(tif) ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
  uint64_t present = 0;
  for (uint32_t i = 0; i < striles; ++i) {
    int err = 0;
    const uint64_t offset = TIFFGetStrileOffsetWithErr(tif, i, &err);
    const uint64_t count = err ? 0 : TIFFGetStrileByteCountWithErr(tif, i, &err);
    if (err || offset >= fileSize) continue;
    present += std::min<uint64_t>(count, fileSize - offset);
  }
  if (decoded > present * 4096) throw EReadError("TIFF: image data too short for its size");
}

// libtiff's RGBA reader hands out colours multiplied by their alpha (associated
// alpha as stored, unassociated alpha multiplied on the way), and associated
// alpha is stored so: the bitmap holds straight colours.
void Unpremultiply(TBitmap& b) {
  for (int y = 0; y < b.Height(); ++y) {
    uint8_t* p = b.ScanLine(y);
    for (int x = 0; x < b.Width(); ++x, p += 4) {
      const unsigned a = p[3];
      if (a == 255) continue;
      for (int c = 0; c < 3; ++c)
        p[c] = a == 0 ? 0 : static_cast<uint8_t>(std::min(255u, (p[c] * 255u + a / 2) / a));
    }
  }
}

// libtiff's RGBA reader, asked for a top-left origin, mirrors and flips the
// picture for the orientations that share a corner with 2, 3 and 4; what it
// leaves to do for the transposing ones is worked out by composing the two.
uint16_t PendingAfterRgbaReader(uint16_t orientation) {
  switch (orientation) {
    case 5: return 5;
    case 6: return 7;
    case 7: return 5;
    case 8: return 7;
    default: return 1;
  }
}

// The alpha of an RGB file's first extra sample, as libtiff's RGBA reader
// takes it: none, associated (colours stored multiplied by it) or unassociated.
enum class TiffAlpha { None, Associated, Unassociated };

TiffAlpha AlphaOf(TIFF* tif, uint16_t samples) {
  // A tag that claims an extra sample beside only three samples names none.
  if (samples < 4) return TiffAlpha::None;
  uint16_t count = 0;
  uint16_t* kinds = nullptr;
  if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &count, &kinds) && count > 0 && kinds) {
    if (kinds[0] == EXTRASAMPLE_ASSOCALPHA) return TiffAlpha::Associated;
    if (kinds[0] == EXTRASAMPLE_UNASSALPHA) return TiffAlpha::Unassociated;
    return TiffAlpha::None;
  }
  // Four samples without the tag: the RGBA reader's reading, associated alpha.
  return samples == 4 ? TiffAlpha::Associated : TiffAlpha::None;
}

// 8-bit RGB(A) stripped files are read sample by sample: an unassociated
// alpha keeps its exact colours (the RGBA reader multiplies them by it on the
// way, so that a colour at low alpha comes back rounded), and a picture
// without alpha is held at 3 bytes a pixel. Rows as stored, top-down.
bool ReadsDirectly(TIFF* tif, uint16_t samples, uint16_t bits) {
  uint16_t photometric = 0, planar = PLANARCONFIG_CONTIG;
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  return TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric) && photometric == PHOTOMETRIC_RGB && bits == 8 &&
         samples >= 3 && !TIFFIsTiled(tif) && (planar == PLANARCONFIG_CONTIG || planar == PLANARCONFIG_SEPARATE);
}

TBitmap ReadSamples(TIFF* tif, uint32_t width, uint32_t height, uint16_t samples, TiffAlpha alpha) {
  const bool withAlpha = alpha != TiffAlpha::None;
  const int bpp = withAlpha ? 4 : 3;
  TBitmap out(static_cast<int>(width), static_cast<int>(height), withAlpha ? TPixelFormat::pf32bit : TPixelFormat::pf24bit);
  uint16_t planar = PLANARCONFIG_CONTIG;
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  const bool separate = planar == PLANARCONFIG_SEPARATE;
  const tmsize_t lineSize = TIFFScanlineSize(tif);
  if (lineSize < static_cast<tmsize_t>(width) * (separate ? 1 : samples)) throw EReadError("TIFF: bad scan line size");
  std::vector<uint8_t> line(static_cast<size_t>(lineSize));
  std::vector<bool> failed(height, false);
  // The file's R, G, B and alpha samples to the bitmap's B, G, R, A bytes.
  const int channels = withAlpha ? 4 : 3;
  static const int byteOf[4] = {2, 1, 0, 3};
  for (int plane = 0; plane < (separate ? channels : 1); ++plane)
    for (uint32_t y = 0; y < height; ++y) {
      uint8_t* d = out.ScanLine(static_cast<int>(y));
      if (TIFFReadScanline(tif, line.data(), y, static_cast<uint16_t>(plane)) < 0) {
        failed[y] = true;
        continue;
      }
      const uint8_t* s = line.data();
      if (separate) {
        const int at = byteOf[plane];
        for (uint32_t x = 0; x < width; ++x) d[x * bpp + at] = s[x];
      } else {
        for (uint32_t x = 0; x < width; ++x, s += samples, d += bpp)
          for (int c = 0; c < channels; ++c) d[byteOf[c]] = s[c];
      }
    }
  // What could not be decoded is transparent black, as the RGBA reader leaves it.
  if (std::find(failed.begin(), failed.end(), true) != failed.end()) {
    try {
      out.SetPixelFormat(TPixelFormat::pf32bit);
    } catch (const EOutOfLimits&) {
      // Too large to hold with alpha: the damaged rows stay black.
    }
    const bool alphaBytes = out.PixelFormat() == TPixelFormat::pf32bit;
    for (uint32_t y = 0; y < height; ++y)
      if (failed[y]) std::memset(out.ScanLine(static_cast<int>(y)), 0, static_cast<size_t>(width) * (alphaBytes ? 4 : 3));
  }
  return out;
}

}  // namespace

TBitmap ReadTiff(const uint8_t* data, size_t size, TTiffReadInfo* info) {
  TiffMessages messages;
  OpenOptions options(&messages);
  MemoryFile file{data, size, 0};
  TiffPtr tif(TIFFClientOpenExt("memory", "rm", &file, MemRead, MemWrite, MemSeek, MemClose, MemSize, MemMap,
                                MemUnmap, options.opts));
  if (!tif) throw EReadError(std::string("TIFF: cannot open: ") + messages.first);

  uint32_t width = 0, height = 0;
  uint16_t samples = 1, bits = 1, orientation = 1;
  if (!TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height))
    throw EReadError("TIFF: no image size");
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_ORIENTATION, &orientation);
  if (width == 0 || height == 0) throw EReadError("TIFF: empty image");
  const bool direct = ReadsDirectly(tif.get(), samples, bits);
  const TiffAlpha alpha = direct ? AlphaOf(tif.get(), samples) : TiffAlpha::None;
  // The RGBA reader's raster is 32-bit whatever the file holds.
  CheckImageSize(width, height, direct && alpha == TiffAlpha::None ? 3 : 4);
  CheckDataCanFill(tif.get(), size, width, height, samples, bits);

  TBitmap out;
  if (direct) {
    out = ReadSamples(tif.get(), width, height, samples, alpha);
  } else {
    // A layout the RGBA reader cannot handle at all would come out as an empty,
    // fully transparent picture: that is a failed read, not a picture.
    char why[1024] = "";
    if (!TIFFRGBAImageOK(tif.get(), why)) throw EReadError(std::string("TIFF: unsupported layout: ") + why);
    out = TBitmap(static_cast<int>(width), static_cast<int>(height), TPixelFormat::pf32bit);
    // What the reader cannot decode stays transparent black.
    out.FillBytes(0);
    // A 32-bit row is exactly width * 4 bytes, so the bitmap is the contiguous
    // raster the reader wants; asking for a top-left origin gives top-down rows.
    // Damaged data does not stop the read: the result is deliberately not checked.
    (void)TIFFReadRGBAImageOriented(tif.get(), width, height, reinterpret_cast<uint32_t*>(out.Bits()),
                                    ORIENTATION_TOPLEFT, 0);
    // The reader delivers R, G, B, A bytes; the bitmap wants B, G, R, A.
    for (uint32_t y = 0; y < height; ++y) {
      uint8_t* p = out.ScanLine(static_cast<int>(y));
      for (uint32_t x = 0; x < width; ++x, p += 4) std::swap(p[0], p[2]);
    }
  }
  bool opaque = true;
  if (out.PixelFormat() == TPixelFormat::pf32bit)
    for (uint32_t y = 0; y < height && opaque; ++y) {
      const uint8_t* p = out.ScanLine(static_cast<int>(y));
      for (uint32_t x = 0; x < width; ++x, p += 4) opaque &= p[3] == 255;
    }
  uint8_t code;
  // Associated alpha, and whatever the RGBA reader multiplied, is divided out.
  if (!opaque && !(direct && alpha == TiffAlpha::Unassociated)) Unpremultiply(out);
  if (bits == 16 && samples >= 3) {
    // libtiff's RGBA reader rounds 16-bit samples to 8 bits ((v + 128) / 257).
    code = opaque ? 8 : 9;  // 48 or 64 bits
    if (opaque) out.SetPixelFormat(TPixelFormat::pf24bit);
  } else if (!opaque) {
    code = 7;
  } else {
    out.SetPixelFormat(TPixelFormat::pf24bit);
    if (samples == 1)
      code = bits == 1 ? 1 : bits == 4 ? 2 : bits == 8 ? 3 : 6;
    else
      code = 6;
  }
  if (info) {
    info->DepthCode = code;
    info->Orientation = orientation;
    info->PendingOrientation = direct ? (orientation >= 1 && orientation <= 8 ? orientation : 1)
                                      : PendingAfterRgbaReader(orientation);
    uint32_t iccSize = 0;
    const uint8_t* icc = nullptr;
    if (TIFFGetField(tif.get(), TIFFTAG_ICCPROFILE, &iccSize, &icc) && icc && iccSize > 0)
      info->IccProfile.assign(icc, icc + iccSize);
  }
  return out;
}

// ---------------------------------------------------------------------------

namespace {

enum class TiffKind { Bilevel, Palette4, Palette8, Rgb, Rgba };

TiffKind KindOf(const TBitmap& b) {
  switch (b.PixelFormat()) {
    case TPixelFormat::pf8bit:
      // Only a black-and-white palette fits a min-is-black bilevel file
      // without losing colours.
      if (b.Palette.size() == 2 && std::all_of(b.Palette.begin(), b.Palette.end(), [](TColor c) {
            return (c & 0xFFFFFF) == 0 || (c & 0xFFFFFF) == 0xFFFFFF;
          }))
        return TiffKind::Bilevel;
      if (b.Palette.size() == 16) return TiffKind::Palette4;
      return TiffKind::Palette8;
    case TPixelFormat::pf32bit:
      return TiffKind::Rgba;
    default:
      return TiffKind::Rgb;
  }
}

uint16_t CompressionFor(TiffKind kind, int code) {
  switch (kind) {
    case TiffKind::Bilevel:
      return code == 2 ? COMPRESSION_PACKBITS : code == 3 ? COMPRESSION_CCITTFAX4 : COMPRESSION_NONE;
    case TiffKind::Palette4:
    case TiffKind::Palette8:
    case TiffKind::Rgba:
      return code == 1 ? COMPRESSION_LZW : COMPRESSION_NONE;
    case TiffKind::Rgb:
      return code == 1 ? COMPRESSION_LZW : code == 4 ? COMPRESSION_JPEG : COMPRESSION_NONE;
  }
  return COMPRESSION_NONE;
}

void Set(TIFF*, bool ok, const char* what) {
  if (!ok) throw EWriteError(std::string("TIFF: cannot set ") + what);
}

inline uint8_t Premultiply(uint8_t c, uint8_t a) { return static_cast<uint8_t>((c * a + 127) / 255); }

// Fills one file row from bitmap row y.
void PackRow(const TBitmap& b, TiffKind kind, int y, uint8_t* out, const std::vector<uint8_t>& white) {
  const uint8_t* s = b.ScanLine(y);
  const int w = b.Width();
  switch (kind) {
    case TiffKind::Bilevel:
      std::memset(out, 0, (static_cast<size_t>(w) + 7) / 8);
      for (int x = 0; x < w; ++x)
        if (white[s[x]]) out[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      break;
    case TiffKind::Palette4:
      std::memset(out, 0, (static_cast<size_t>(w) + 1) / 2);
      for (int x = 0; x < w; ++x) out[x >> 1] |= static_cast<uint8_t>((s[x] & 15) << ((x & 1) ? 0 : 4));
      break;
    case TiffKind::Palette8:
      std::memcpy(out, s, static_cast<size_t>(w));
      break;
    case TiffKind::Rgb:
      for (int x = 0; x < w; ++x, s += 3, out += 3) {
        out[0] = s[2];
        out[1] = s[1];
        out[2] = s[0];
      }
      break;
    case TiffKind::Rgba:
      // The extra sample is associated alpha: colours are stored multiplied by it.
      for (int x = 0; x < w; ++x, s += 4, out += 4) {
        out[0] = Premultiply(s[2], s[3]);
        out[1] = Premultiply(s[1], s[3]);
        out[2] = Premultiply(s[0], s[3]);
        out[3] = s[3];
      }
      break;
  }
}

void WriteTiffTo(const std::string& path, const TBitmap& b, const TTiffWriteOptions& o) {
  const TiffKind kind = KindOf(b);
  const int code = o.AutomaticCompression ? (kind == TiffKind::Bilevel ? 2 : 1) : o.Compression;
  const uint16_t compression = CompressionFor(kind, code);
  if (!TIFFIsCODECConfigured(compression)) throw EWriteError("TIFF: compression not available");

  TiffMessages messages;
  OpenOptions options(&messages);
  TiffPtr holder(TIFFOpenExt(path.c_str(), "w", options.opts));
  TIFF* tif = holder.get();
  if (!tif) throw EWriteError("TIFF: cannot create " + path + ": " + messages.first);

  const uint32_t w = static_cast<uint32_t>(b.Width()), h = static_cast<uint32_t>(b.Height());
  Set(tif, TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w), "width");
  Set(tif, TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h), "height");
  Set(tif, TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT), "orientation");
  Set(tif, TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG), "planar configuration");
  if (o.SrgbProfile && b.PixelFormat() != TPixelFormat::pf8bit) {
    const std::vector<uint8_t>& srgb = SrgbProfile();
    Set(tif, TIFFSetField(tif, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(srgb.size()), srgb.data()), "profile");
  }
  if (o.Resolution > 0) {
    Set(tif, TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH), "resolution unit");
    Set(tif, TIFFSetField(tif, TIFFTAG_XRESOLUTION, o.Resolution), "resolution");
    Set(tif, TIFFSetField(tif, TIFFTAG_YRESOLUTION, o.Resolution), "resolution");
  }

  std::vector<uint16_t> red, green, blue;
  std::vector<uint8_t> white(256, 0);
  switch (kind) {
    case TiffKind::Bilevel:
      for (size_t i = 0; i < b.Palette.size(); ++i) {
        const TColor c = b.Palette[i];
        white[i] = (GetRValue(c) * 299 + GetGValue(c) * 587 + GetBValue(c) * 114) >= 128 * 1000;
      }
      Set(tif, TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK), "photometric");
      Set(tif, TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1), "samples");
      Set(tif, TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1), "bits");
      break;
    case TiffKind::Palette4:
    case TiffKind::Palette8: {
      const size_t entries = kind == TiffKind::Palette4 ? 16 : 256;
      red.assign(entries, 0);
      green.assign(entries, 0);
      blue.assign(entries, 0);
      for (size_t i = 0; i < entries && i < b.Palette.size(); ++i) {
        red[i] = static_cast<uint16_t>(GetRValue(b.Palette[i]) * 256);
        green[i] = static_cast<uint16_t>(GetGValue(b.Palette[i]) * 256);
        blue[i] = static_cast<uint16_t>(GetBValue(b.Palette[i]) * 256);
      }
      Set(tif, TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE), "photometric");
      Set(tif, TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1), "samples");
      Set(tif, TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, kind == TiffKind::Palette4 ? 4 : 8), "bits");
      Set(tif, TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data()), "colour map");
      break;
    }
    case TiffKind::Rgb:
    case TiffKind::Rgba:
      Set(tif, TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB), "photometric");
      Set(tif, TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, kind == TiffKind::Rgba ? 4 : 3), "samples");
      Set(tif, TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8), "bits");
      if (kind == TiffKind::Rgba) {
        const uint16_t extra[1] = {EXTRASAMPLE_ASSOCALPHA};
        Set(tif, TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra), "extra samples");
      }
      break;
  }
  Set(tif, TIFFSetField(tif, TIFFTAG_COMPRESSION, compression), "compression");
  if (compression == COMPRESSION_LZW && (kind == TiffKind::Rgb || kind == TiffKind::Rgba))
    Set(tif, TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL), "predictor");
  if (compression == COMPRESSION_JPEG) {
    Set(tif, TIFFSetField(tif, TIFFTAG_JPEGQUALITY, Clamp(o.JpegQuality, 1, 100)), "JPEG quality");
    Set(tif, TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB), "JPEG colour mode");
  }
  Set(tif, TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, h), "rows per strip");

  const tmsize_t lineSize = TIFFScanlineSize(tif);
  if (lineSize <= 0) throw EWriteError("TIFF: bad row size");
  std::vector<uint8_t> row(static_cast<size_t>(lineSize) + 8);
  for (uint32_t y = 0; y < h; ++y) {
    PackRow(b, kind, static_cast<int>(y), row.data(), white);
    if (TIFFWriteScanline(tif, row.data(), y, 0) < 0)
      throw EWriteError(std::string("TIFF: cannot write a row: ") + messages.first);
  }
  if (!TIFFFlush(tif)) throw EWriteError(std::string("TIFF: cannot finish the file: ") + messages.first);
  holder.reset();
  if (messages.first[0]) throw EWriteError(std::string("TIFF: ") + messages.first);
}

}  // namespace

void WriteTiffFile(const std::string& path, const TBitmap& bitmap, const TTiffWriteOptions& options) {
  if (bitmap.Empty()) throw EWriteError("TIFF: empty image");
  SaveAtomically(path, [&](const std::string& temp) { WriteTiffTo(temp, bitmap, options); });
}

void WriteTiff(const std::string& path, const TBitmap& bitmap, const TTiffWriteOptions& options) {
  if (bitmap.Empty()) throw EWriteError("TIFF: empty image");
  WriteTiffTo(path, bitmap, options);
}

void TTiffImage::LoadFromMemory(const uint8_t* data, size_t size) {
  TTiffReadInfo info;
  TBitmap decoded = ReadTiff(data, size, &info);
  static_cast<TBitmap&>(*this) = std::move(decoded);
  DepthCode = info.DepthCode;
  Orientation = info.Orientation;
  PendingOrientation = info.PendingOrientation;
  IccProfile = std::move(info.IccProfile);
}

void TTiffImage::LoadFromFile(const std::string& path) {
  const auto bytes = ReadPictureFileBytes(path);
  LoadFromMemory(bytes.data(), bytes.size());
}

namespace {

TTiffWriteOptions WriteOptionsOf(const TTiffImage& tiff) {
  TTiffWriteOptions o;
  o.Resolution = tiff.Resolution;
  o.AutomaticCompression = tiff.AutomaticCompression;
  o.Compression = tiff.Compression;
  o.JpegQuality = std::min<int>(tiff.JpegQuality, 100);
  o.SrgbProfile = tiff.SrgbProfile;
  return o;
}

}  // namespace

void TTiffImage::SaveToFile(const std::string& path) const { WriteTiffFile(path, *this, WriteOptionsOf(*this)); }

void TTiffImage::WriteImage(const std::string& path, const TBitmap& image) const {
  WriteTiff(path, image, WriteOptionsOf(*this));
}

}  // namespace velinor
