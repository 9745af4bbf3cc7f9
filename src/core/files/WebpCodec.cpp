#include "core/files/WebpCodec.h"

#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>

#include <algorithm>
#include <memory>

#include "core/base/Errors.h"
#include "core/files/SafeFile.h"

namespace velinor {

namespace {

struct DemuxDeleter {
  void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};
using Demux = std::unique_ptr<WebPDemuxer, DemuxDeleter>;

struct AnimDeleter {
  void operator()(WebPAnimDecoder* d) const { WebPAnimDecoderDelete(d); }
};

// The demuxer reads only the container: chunk sizes are checked against the
// data, nothing is decoded.
Demux OpenDemux(const uint8_t* data, size_t size) {
  if (!data || size < 12) return nullptr;
  WebPData webp{data, size};
  return Demux(WebPDemux(&webp));
}

std::vector<uint8_t> Chunk(WebPDemuxer* demux, const char* fourcc) {
  WebPChunkIterator it;
  std::vector<uint8_t> out;
  if (WebPDemuxGetChunk(demux, fourcc, 1, &it)) {
    out.assign(it.chunk.bytes, it.chunk.bytes + it.chunk.size);
    WebPDemuxReleaseChunkIterator(&it);
  }
  return out;
}

// Copies the decoder's B,G,R,A rows into the bitmap (alpha dropped for 24-bit).
void CopyBgra(const uint8_t* src, size_t srcStride, TBitmap& b, bool alpha) {
  for (int y = 0; y < b.Height(); ++y) {
    const uint8_t* s = src + static_cast<size_t>(y) * srcStride;
    uint8_t* d = b.ScanLine(y);
    if (alpha) {
      std::copy(s, s + static_cast<size_t>(b.Width()) * 4, d);
    } else {
      for (int x = 0; x < b.Width(); ++x, s += 4, d += 3) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
      }
    }
  }
}

}  // namespace

bool ProbeWebp(const uint8_t* data, size_t size, int& width, int& height) {
  width = height = 0;
  Demux demux = OpenDemux(data, size);
  if (!demux) return false;
  width = static_cast<int>(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH));
  height = static_cast<int>(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT));
  return width > 0 && height > 0;
}

TDecodedPicture ReadWebp(const uint8_t* data, size_t size) {
  Demux demux = OpenDemux(data, size);
  if (!demux) throw EReadError("WebP: not a WebP file, or damaged");
  const uint32_t flags = WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS);
  const int w = static_cast<int>(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH));
  const int h = static_cast<int>(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT));

  TDecodedPicture p;
  p.StoredWidth = w;
  p.StoredHeight = h;
  p.Animated = (flags & ANIMATION_FLAG) != 0;
  p.Icc = Chunk(demux.get(), "ICCP");
  {
    const auto exif = Chunk(demux.get(), "EXIF");
    p.Exif = ExifFromTiffHeader(exif.data(), exif.size());
  }
  p.PendingOrientation = p.Exif.empty() ? 1 : 0;

  if (flags & ANIMATION_FLAG) {
    // The canvas is width x height x 4 bytes inside the decoder; checked first.
    CheckDecodedSize(w, h, 4);
    const bool alpha = (flags & ALPHA_FLAG) != 0;
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) throw EReadError("WebP: decoder version");
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    WebPData webp{data, size};
    std::unique_ptr<WebPAnimDecoder, AnimDeleter> anim(WebPAnimDecoderNew(&webp, &options));
    if (!anim) throw EReadError("WebP: damaged animation");
    uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(anim.get(), &canvas, &timestamp) || !canvas)
      throw EReadError("WebP: first frame cannot be decoded");
    p.Bitmap = TBitmap(w, h, alpha ? TPixelFormat::pf32bit : TPixelFormat::pf24bit);
    CopyBgra(canvas, static_cast<size_t>(w) * 4, p.Bitmap, alpha);
    p.DepthCode = alpha ? 7 : 6;
    FinishDecodedPicture(p);
    return p;
  }

  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) throw EReadError("WebP: decoder version");
  if (WebPGetFeatures(data, size, &config.input) != VP8_STATUS_OK) throw EReadError("WebP: damaged header");
  const bool alpha = config.input.has_alpha != 0;
  CheckDecodedSize(config.input.width, config.input.height, alpha ? 4 : 3);
  // Decoded straight into the bitmap's rows (same padding rule on both sides).
  TBitmap b(config.input.width, config.input.height, alpha ? TPixelFormat::pf32bit : TPixelFormat::pf24bit);
  config.output.colorspace = alpha ? MODE_BGRA : MODE_BGR;
  config.output.is_external_memory = 1;
  config.output.u.RGBA.rgba = b.Bits();
  config.output.u.RGBA.stride = static_cast<int>(b.Stride());
  config.output.u.RGBA.size = b.ByteSize();
  const VP8StatusCode status = WebPDecode(data, size, &config);
  WebPFreeDecBuffer(&config.output);
  if (status != VP8_STATUS_OK) throw EReadError("WebP: damaged picture data");
  p.StoredWidth = b.Width();
  p.StoredHeight = b.Height();
  p.Bitmap = std::move(b);
  p.DepthCode = alpha ? 7 : 6;
  FinishDecodedPicture(p);
  return p;
}

std::vector<uint8_t> ReadWebpExif(const uint8_t* data, size_t size) {
  Demux demux = OpenDemux(data, size);
  if (!demux) return {};
  const auto exif = Chunk(demux.get(), "EXIF");
  return ExifFromTiffHeader(exif.data(), exif.size());
}

TWebpWriteOptions WebpOptionsFor(const TBitmap& bitmap, int quality) {
  TWebpWriteOptions o;
  o.Quality = quality;
  o.Lossless = bitmap.PixelFormat() == TPixelFormat::pf32bit;
  return o;
}

namespace {

struct PictureGuard {
  WebPPicture* picture;
  ~PictureGuard() { WebPPictureFree(picture); }
};
struct WriterGuard {
  WebPMemoryWriter* writer;
  ~WriterGuard() { WebPMemoryWriterClear(writer); }
};

}  // namespace

std::vector<uint8_t> EncodeWebp(const TBitmap& source, const TWebpWriteOptions& options) {
  if (source.Empty()) throw EWriteError("WebP: empty picture");
  if (source.Width() > WEBP_MAX_DIMENSION || source.Height() > WEBP_MAX_DIMENSION)
    throw EWriteError("WebP: pictures are at most 16383 pixels a side");
  TBitmap converted;
  const TBitmap* b = &WithoutPalette(source, converted);
  const bool alpha = b->PixelFormat() == TPixelFormat::pf32bit;

  WebPConfig config;
  if (!WebPConfigInit(&config)) throw EWriteError("WebP: encoder version");
  config.lossless = options.Lossless ? 1 : 0;
  config.quality = static_cast<float>(std::clamp(options.Quality, 1, 100));
  config.method = 4;
  config.use_sharp_yuv = 1;  // sharper colour edges (a kept colour against grey)
  if (options.Lossless) {
    config.exact = 1;  // colours under transparent pixels are the picture's too
    config.quality = 75;
  }
  if (!WebPValidateConfig(&config)) throw EWriteError("WebP: bad settings");

  WebPPicture picture;
  if (!WebPPictureInit(&picture)) throw EWriteError("WebP: encoder version");
  PictureGuard pictureGuard{&picture};
  picture.width = b->Width();
  picture.height = b->Height();
  picture.use_argb = options.Lossless ? 1 : 0;
  const int imported = alpha ? WebPPictureImportBGRA(&picture, b->Bits(), static_cast<int>(b->Stride()))
                             : WebPPictureImportBGR(&picture, b->Bits(), static_cast<int>(b->Stride()));
  if (!imported) throw EWriteError("WebP: out of memory");

  WebPMemoryWriter writer;
  WebPMemoryWriterInit(&writer);
  WriterGuard writerGuard{&writer};
  picture.writer = WebPMemoryWrite;
  picture.custom_ptr = &writer;
  if (!WebPEncode(&config, &picture))
    throw EWriteError("WebP: encoding failed (" + std::to_string(picture.error_code) + ")");
  return std::vector<uint8_t>(writer.mem, writer.mem + writer.size);
}

void WriteWebpFile(const std::string& path, const TBitmap& bitmap, const TWebpWriteOptions& options) {
  WriteFileAtomically(path, EncodeWebp(bitmap, options));
}

}  // namespace velinor
