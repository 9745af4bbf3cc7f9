#include "core/files/PngUtils.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/files/ColorProfile.h"
#include "core/files/DecodedPicture.h"
#include "core/files/SafeFile.h"
#include "core/base/Arith.h"
#include "core/base/Errors.h"

// libpng reports errors by longjmp. Each function below that calls setjmp holds
// only plain data, so the jump never skips a destructor; the C++ objects (the
// bitmap, the row pointers, the output buffer) live in the callers.

namespace velinor {

namespace {

struct PngError {
  char message[160] = "";
};

void OnPngError(png_structp png, png_const_charp msg) {
  auto* e = static_cast<PngError*>(png_get_error_ptr(png));
  std::snprintf(e->message, sizeof e->message, "%s", msg ? msg : "error");
  png_longjmp(png, 1);
}
void OnPngWarning(png_structp, png_const_charp) {}

struct PngSource {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, size_t n) {
  auto* s = static_cast<PngSource*>(png_get_io_ptr(png));
  if (n > s->size - s->pos) png_error(png, "truncated file");
  std::memcpy(out, s->data + s->pos, n);
  s->pos += n;
}

// What the header says, and how the rows will come out.
struct PngHeader {
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0, channels = 0;
  bool partial = false;       // alpha channel or partly transparent palette entries
  bool singleColor = false;   // one fully transparent colour
  uint8_t keyR = 0, keyG = 0, keyB = 0;
  size_t rowBytes = 0;
  bool interlaced = false;
  // Colour information, pointing into libpng's copy.
  // The iCCP chunk as stored (name, compression, deflated profile): taken as
  // an unknown chunk, since libpng drops a profile that follows an sRGB chunk.
  png_bytep iccChunk = nullptr;
  size_t iccChunkSize = 0;
  bool srgb = false;
  bool cicp = false;  // coding-independent code points: primaries, transfer
  int cicpPrimaries = 0, cicpTransfer = 0;
  bool chrm = false;
  double white[2] = {}, primaries[6] = {}, gamma = 0;
};

// A sample as the decoded picture has it in 8 bits, so that a transparent
// colour is compared with the pixels as they come out. 16-bit samples are
// rounded exactly as png_set_scale_16 rounds them.
uint8_t Scale8(unsigned v, int bitDepth) {
  if (bitDepth == 16) {
    const int high = static_cast<int>((v >> 8) & 0xFF), low = static_cast<int>(v & 0xFF);
    return static_cast<uint8_t>(high + (((low - high + 128) * 65535) >> 24));
  }
  if (bitDepth == 8) return static_cast<uint8_t>(v);
  const unsigned max = (1u << bitDepth) - 1;
  return static_cast<uint8_t>((v & max) * 255 / max);
}

// Reads the header, classifies transparency and sets the transformations.
[[gnu::noinline]] bool ReadHeaderPhase(png_structp png, png_infop info, PngHeader* h) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_info(png, info);
  int interlace = 0;
  png_get_IHDR(png, info, &h->width, &h->height, &h->bitDepth, &h->colorType, &interlace, nullptr, nullptr);
  h->channels = png_get_channels(png, info);
  h->interlaced = interlace != PNG_INTERLACE_NONE;

  if (h->colorType & PNG_COLOR_MASK_ALPHA) h->partial = true;
  if (png_get_valid(png, info, PNG_INFO_tRNS)) {
    png_bytep trans = nullptr;
    int numTrans = 0;
    png_color_16p tc = nullptr;
    png_get_tRNS(png, info, &trans, &numTrans, &tc);
    if (h->colorType == PNG_COLOR_TYPE_PALETTE) {
      png_colorp pal = nullptr;
      int numPal = 0;
      png_get_PLTE(png, info, &pal, &numPal);
      int firstClear = -1;
      for (int i = 0; i < numTrans && trans; ++i) {
        if (trans[i] != 0 && trans[i] != 255) h->partial = true;
        if (trans[i] == 0 && firstClear < 0) firstClear = i;
      }
      if (!h->partial && firstClear >= 0 && firstClear < numPal && pal) {
        h->singleColor = true;
        h->keyR = pal[firstClear].red;
        h->keyG = pal[firstClear].green;
        h->keyB = pal[firstClear].blue;
      }
    } else if (tc) {
      h->singleColor = true;
      if (h->colorType == PNG_COLOR_TYPE_GRAY) {
        h->keyR = h->keyG = h->keyB = Scale8(tc->gray, h->bitDepth);
      } else {
        h->keyR = Scale8(tc->red, h->bitDepth);
        h->keyG = Scale8(tc->green, h->bitDepth);
        h->keyB = Scale8(tc->blue, h->bitDepth);
      }
    }
  }

  if (png_get_valid(png, info, PNG_INFO_sRGB)) h->srgb = true;
  // cICP (which this libpng does not know; RGB only: matrix coefficients 0)
  // and iCCP come as unknown chunks.
  png_unknown_chunkp unknown = nullptr;
  for (int i = 0, n = png_get_unknown_chunks(png, info, &unknown); i < n; ++i) {
    const png_unknown_chunk& c = unknown[i];
    if (std::memcmp(c.name, "cICP", 4) == 0 && c.size == 4 && c.data[2] == 0) {
      h->cicp = true;
      h->cicpPrimaries = c.data[0];
      h->cicpTransfer = c.data[1];
    } else if (std::memcmp(c.name, "iCCP", 4) == 0 && !h->iccChunk) {
      h->iccChunk = c.data;
      h->iccChunkSize = c.size;
    }
  }
  if (png_get_valid(png, info, PNG_INFO_cHRM) && png_get_valid(png, info, PNG_INFO_gAMA)) {
    h->chrm = png_get_cHRM(png, info, &h->white[0], &h->white[1], &h->primaries[0], &h->primaries[1],
                           &h->primaries[2], &h->primaries[3], &h->primaries[4], &h->primaries[5]) != 0 &&
              png_get_gAMA(png, info, &h->gamma) != 0;
  }
  if (h->bitDepth == 16) png_set_scale_16(png);
  if (h->colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (h->colorType == PNG_COLOR_TYPE_GRAY && h->bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (!(h->colorType & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
  if (h->partial) {
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  } else {
    // Palette expansion turns a transparency chunk into alpha: a single
    // transparent colour does not make the picture 32-bit.
    png_set_strip_alpha(png);
  }
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  h->rowBytes = png_get_rowbytes(png, info);
  return true;
}

[[gnu::noinline]] bool ReadImagePhase(png_structp png, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  return true;
}

// The decoder's own memory: rows, inflate state and chunk buffers, never the
// picture (that is ours). A chunk that claims gigabytes in a small file would
// otherwise be allocated whole before its data is found missing; such requests
// fail as "out of memory", which ends the read.
constexpr png_alloc_size_t MaxDecoderAllocation = png_alloc_size_t{16} << 20;

png_voidp LimitedMalloc(png_structp, png_alloc_size_t size) {
  return size > MaxDecoderAllocation ? nullptr : std::malloc(size);
}

void PlainFree(png_structp, png_voidp p) { std::free(p); }

class PngReadGuard {
 public:
  PngReadGuard(PngError* err) {
    png_ = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, err, OnPngError, OnPngWarning, nullptr,
                                    LimitedMalloc, PlainFree);
    if (png_) info_ = png_create_info_struct(png_);
  }
  ~PngReadGuard() { png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr); }
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
};

[[noreturn]] void ReadFailed(const PngError& e) { throw EReadError(std::string("PNG: ") + e.message); }

// Bytes of image data present in the file (IDAT chunk bodies, clamped to the file).
uint64_t IdatBytes(const uint8_t* data, size_t size) {
  uint64_t total = 0;
  size_t pos = 8;
  while (pos + 8 <= size) {
    const uint64_t len = (uint64_t{data[pos]} << 24) | (data[pos + 1] << 16) | (data[pos + 2] << 8) | data[pos + 3];
    if (std::memcmp(data + pos + 4, "IDAT", 4) == 0) total += std::min<uint64_t>(len, size - pos - 8);
    if (len > size - pos - 8) break;
    pos += 12 + static_cast<size_t>(len);
  }
  return total;
}

// The gAMA and cHRM many programs write beside sRGB pixels (1/2.2 and the sRGB
// primaries) are taken as the sRGB they stand for, as viewers do.
bool NearlySrgb(const PngHeader& h) {
  static const double srgb[8] = {0.3127, 0.3290, 0.64, 0.33, 0.30, 0.60, 0.15, 0.06};
  if (std::abs(h.gamma - 1 / 2.2) > 0.005) return false;
  for (int i = 0; i < 2; ++i)
    if (std::abs(h.white[i] - srgb[i]) > 0.01) return false;
  for (int i = 0; i < 6; ++i)
    if (std::abs(h.primaries[i] - srgb[2 + i]) > 0.01) return false;
  return true;
}

// The profile of an iCCP chunk: a name of 1 to 79 bytes and its zero, the
// compression method (0, deflate), the zlib stream. Empty when it does not
// inflate to a profile of a reasonable size.
std::vector<uint8_t> IccpProfile(const uint8_t* chunk, size_t size) {
  const uint8_t* nameEnd = static_cast<const uint8_t*>(std::memchr(chunk, 0, std::min<size_t>(size, 80)));
  if (!nameEnd || nameEnd == chunk || static_cast<size_t>(nameEnd - chunk) + 2 > size || nameEnd[1] != 0) return {};
  const size_t start = static_cast<size_t>(nameEnd - chunk) + 2;
  constexpr size_t MaxProfile = size_t{16} << 20;
  std::vector<uint8_t> out(std::min(MaxProfile, std::max<size_t>(4096, (size - start) * 4)));
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return {};
  z.next_in = const_cast<Bytef*>(chunk + start);
  z.avail_in = static_cast<uInt>(size - start);
  int status = Z_OK;
  while (status == Z_OK) {
    if (z.total_out == out.size()) {
      if (out.size() == MaxProfile) break;
      out.resize(std::min(MaxProfile, out.size() * 2));
    }
    z.next_out = out.data() + z.total_out;
    z.avail_out = static_cast<uInt>(out.size() - z.total_out);
    status = inflate(&z, Z_NO_FLUSH);
  }
  const size_t produced = z.total_out;
  inflateEnd(&z);
  if (status != Z_STREAM_END) return {};
  out.resize(produced);
  return out;
}

}  // namespace

TBitmap ReadPng(const uint8_t* data, size_t size, uint8_t* depthCode, std::vector<uint8_t>* colorProfile) {
  if (size < 8 || png_sig_cmp(data, 0, 8) != 0) throw EReadError("PNG: not a PNG file");
  PngError err;
  PngReadGuard g(&err);
  if (!g.png_ || !g.info_) throw EReadError("PNG: cannot create the decoder");
  PngSource src{data, size, 0};
  png_set_read_fn(g.png_, &src, ReadFromMemory);
  // The program's own size check (after the header) refuses what is too large.
  png_set_user_limits(g.png_, 0x7fffffff, 0x7fffffff);
  // Text and profile chunks: keep what they may cost small.
  png_set_chunk_cache_max(g.png_, 256);
  png_set_chunk_malloc_max(g.png_, 4u << 20);
  static const png_byte colourChunks[10] = {'c', 'I', 'C', 'P', 0, 'i', 'C', 'C', 'P', 0};
  png_set_keep_unknown_chunks(g.png_, PNG_HANDLE_CHUNK_ALWAYS, colourChunks, 2);

  PngHeader h;
  if (!ReadHeaderPhase(g.png_, g.info_, &h)) ReadFailed(err);
  CheckImageSize(h.width, h.height, h.partial ? 4 : 3);
  // Deflate expands at most about 1032 times: a picture its data cannot fill is
  // refused before its pixels are allocated.
  const uint64_t rawBytes = (static_cast<uint64_t>(h.width) * h.channels * h.bitDepth + 7) / 8 * h.height;
  if (rawBytes > IdatBytes(data, size) * 1032 + 65536) throw EReadError("PNG: image data too short for its size");
  const TPixelFormat pf = h.partial ? TPixelFormat::pf32bit : TPixelFormat::pf24bit;
  TBitmap out(static_cast<int>(h.width), static_cast<int>(h.height), pf);
  if (h.rowBytes != static_cast<size_t>(h.width) * BytesPerPixel(pf))
    throw EReadError("PNG: unexpected row layout");
  // libpng writes every row; interlaced passes also read back what earlier
  // passes left, so those rows start cleared.
  if (h.interlaced) out.FillBytes(0);
  std::vector<png_bytep> rows(h.height);
  for (png_uint_32 y = 0; y < h.height; ++y) rows[y] = out.ScanLine(static_cast<int>(y));
  if (!ReadImagePhase(g.png_, rows.data())) ReadFailed(err);

  if (h.singleColor && !h.partial) {
    out.Transparent = true;
    out.TransparentColor = RGB(h.keyR, h.keyG, h.keyB);
  }
  uint8_t code;
  if (h.bitDepth == 16 && (h.colorType & PNG_COLOR_MASK_COLOR)) {
    code = h.partial ? DepthCode64BitAlpha : DepthCode48Bit;
  } else if (h.partial) {
    code = DepthCode32BitAlpha;
  } else {
    const int bpp = h.bitDepth * h.channels;
    code = bpp == 1 ? DepthCode1Bit : bpp == 4 ? DepthCode4Bit : bpp == 8 ? DepthCode8Bit : DepthCode24Bit;
  }
  if (depthCode) *depthCode = code;
  if (colorProfile) {
    colorProfile->clear();
    // PNG's order of precedence: cICP, then iCCP, then sRGB, then cHRM with gAMA.
    if (h.cicp) *colorProfile = ProfileFromCicp(h.cicpPrimaries, h.cicpTransfer);
    else if (h.iccChunk) *colorProfile = IccpProfile(h.iccChunk, h.iccChunkSize);
    else if (!h.srgb && h.chrm && !NearlySrgb(h)) *colorProfile = ProfileFromChromaticities(h.white, h.primaries, h.gamma);
  }
  return out;
}

// ---------------------------------------------------------------------------

namespace {

struct PngSink {
  std::vector<uint8_t>* out;
};

void WriteToMemory(png_structp png, png_bytep d, size_t n) {
  auto* s = static_cast<PngSink*>(png_get_io_ptr(png));
  bool ok = true;
  try {
    s->out->insert(s->out->end(), d, d + n);
  } catch (...) {
    ok = false;
  }
  if (!ok) png_error(png, "out of memory");
}
void FlushNothing(png_structp) {}

struct PngWriteParams {
  png_uint_32 width, height;
  int colorType;
  const png_color* palette;
  int paletteSize;
  png_uint_32 ppm;  // 0: no pHYs
  const char* comment;
  int level;
  bool interlaced;
  bool filters;
  bool srgb;
};

[[gnu::noinline]] bool WritePhase(png_structp png, png_infop info, const PngWriteParams* p, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, info, p->width, p->height, 8, p->colorType,
               p->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (p->colorType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, p->palette, p->paletteSize);
  if (p->srgb) png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
  if (p->ppm > 0) png_set_pHYs(png, info, p->ppm, p->ppm, PNG_RESOLUTION_METER);
  if (p->comment && *p->comment) {
    png_text text{};
    text.compression = PNG_TEXT_COMPRESSION_NONE;
    text.key = const_cast<char*>("Comment");
    text.text = const_cast<char*>(p->comment);
    text.text_length = std::strlen(p->comment);
    png_set_text(png, info, &text, 1);
  }
  png_set_compression_level(png, p->level);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, p->filters ? PNG_ALL_FILTERS : PNG_FILTER_NONE);
  png_set_compression_buffer_size(png, 256 * 1024);
  png_write_info(png, info);
  if (p->colorType != PNG_COLOR_TYPE_PALETTE) png_set_bgr(png);
  png_write_image(png, rows);
  png_write_end(png, info);
  return true;
}

class PngWriteGuard {
 public:
  PngWriteGuard(PngError* err) {
    png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, err, OnPngError, OnPngWarning);
    if (png_) info_ = png_create_info_struct(png_);
  }
  ~PngWriteGuard() { png_destroy_write_struct(&png_, info_ ? &info_ : nullptr); }
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
};

}  // namespace

std::vector<uint8_t> EncodePng(const TBitmap& bitmap, const TPngWriteOptions& options) {
  if (bitmap.Empty()) throw EWriteError("PNG: empty image");
  PngError err;
  PngWriteGuard g(&err);
  if (!g.png_ || !g.info_) throw EWriteError("PNG: cannot create the encoder");

  PngWriteParams p{};
  p.width = static_cast<png_uint_32>(bitmap.Width());
  p.height = static_cast<png_uint_32>(bitmap.Height());
  std::vector<png_color> palette;
  switch (bitmap.PixelFormat()) {
    case TPixelFormat::pf8bit:
      p.colorType = PNG_COLOR_TYPE_PALETTE;
      palette.resize(256);
      for (size_t i = 0; i < palette.size(); ++i) {
        const TColor c = i < bitmap.Palette.size() ? bitmap.Palette[i] : 0;
        palette[i] = png_color{GetRValue(c), GetGValue(c), GetBValue(c)};
      }
      p.palette = palette.data();
      p.paletteSize = 256;
      break;
    case TPixelFormat::pf24bit:
      p.colorType = PNG_COLOR_TYPE_RGB;
      break;
    case TPixelFormat::pf32bit:
      p.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
      break;
  }
  if (options.Resolution > 0) {
    const int64_t ppm = Trunc(options.Resolution * 100 / 2.54);
    p.ppm = static_cast<png_uint_32>(Clamp<int64_t>(ppm, 0, 0x7FFFFFFF));
  }
  p.srgb = options.Srgb;
  p.comment = options.Comment.c_str();
  p.level = Clamp(options.CompressionLevel, 0, 9);
  p.interlaced = options.Interlaced;
  p.filters = options.Filters;

  std::vector<png_bytep> rows(p.height);
  for (png_uint_32 y = 0; y < p.height; ++y)
    rows[y] = const_cast<png_bytep>(bitmap.ScanLine(static_cast<int>(y)));

  std::vector<uint8_t> out;
  // Stored deflate is a little larger than the raw rows; reserve it all at once.
  const size_t raw = (static_cast<size_t>(bitmap.Width()) * BytesPerPixel(bitmap.PixelFormat()) + 1) * p.height;
  out.reserve(p.level == 0 ? raw + raw / 1000 + 4096 : raw / 2 + 4096);
  PngSink sink{&out};
  png_set_write_fn(g.png_, &sink, WriteToMemory, FlushNothing);
  if (!WritePhase(g.png_, g.info_, &p, rows.data())) throw EWriteError(std::string("PNG: ") + err.message);
  return out;
}

void WritePngFile(const std::string& path, const TBitmap& bitmap, double resolution) {
  TPngWriteOptions o;
  o.Resolution = resolution;
  WriteFileAtomically(path, EncodePng(bitmap, o));
}

void TPngImage::LoadFromMemory(const uint8_t* data, size_t size) {
  uint8_t code = 0;
  TBitmap decoded = ReadPng(data, size, &code, &IccProfile);
  static_cast<TBitmap&>(*this) = std::move(decoded);
  DepthCode = code;
}

void TPngImage::LoadFromFile(const std::string& path) {
  const auto bytes = ReadPictureFileBytes(path);
  LoadFromMemory(bytes.data(), bytes.size());
}

std::vector<uint8_t> TPngImage::Encode(const TBitmap& image) const {
  TPngWriteOptions o;
  o.Resolution = Resolution;
  o.Comment = SaveComment;
  o.Srgb = SrgbChunk;
  o.Interlaced = Interlace != 0;
  o.CompressionLevel = CompressionLevel;
  o.Filters = FilterSet != 0;
  return EncodePng(image, o);
}

void TPngImage::SaveToFile(const std::string& path) const { WriteFileAtomically(path, SaveToMemory()); }

}  // namespace velinor
